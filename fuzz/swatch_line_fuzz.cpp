// Any bytes as a swatch file: split into lines, each drawn (its colours) and
// applied to the selected slot of a live model.

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/document/swatch_commands.h"
#include "core/formats/swatch_file.h"
#include "core/document/coordination_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static tintloom::TModelViews views;
  static tintloom::TSilentMessages messages;
  static tintloom::TCoordinationModel model(views, messages);
  static const bool constructed = (model.ConstructScheme(), true);
  (void)constructed;
  for (const std::string& line : tintloom::SplitSwatchLines(std::span<const std::uint8_t>(data, size))) {
    (void)tintloom::SwatchCellColors(line);
    tintloom::ApplySwatchLine(model, line);
    (void)tintloom::SwatchLine(model);
  }
  return 0;
}
