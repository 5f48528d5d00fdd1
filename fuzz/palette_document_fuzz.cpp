// Any bytes as a palette document, read into a live model and redrawn: it
// must refuse or load, never read outside the input, and what it loads the
// model must draw and save.

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/document/palette_document_commands.h"
#include "core/formats/palette_document.h"
#include "core/document/coordination_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static tintloom::TModelViews views;
  static tintloom::TSilentMessages messages;
  static tintloom::TCoordinationModel model(views, messages);
  static const bool constructed = (model.ConstructScheme(), true);
  (void)constructed;
  (void)tintloom::ReadPaletteDocumentInto(model, std::span<const std::uint8_t>(data, size));
  (void)tintloom::EncodePaletteDocument(tintloom::CapturePaletteDocument(model));
  return 0;
}
