// Any bytes as a palette file of another program: the first byte chooses the
// decoder (GIMP, Swatch Exchange, Photoshop swatches, JASC, hex list), the
// rest is the file. A decoder must refuse or read, never read outside the
// input, and never take more than the colour cap.

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/formats/palette_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tintloom::TPaletteFormat;
  if (size == 0) return 0;
  constexpr TPaletteFormat kFormats[] = {TPaletteFormat::Gimp, TPaletteFormat::SwatchExchange,
                                         TPaletteFormat::PhotoshopSwatches, TPaletteFormat::Jasc,
                                         TPaletteFormat::HexList};
  const TPaletteFormat format = kFormats[data[0] % 5];
  const tintloom::Result<tintloom::TPaletteColours> palette =
      tintloom::DecodePalette(format, std::span<const std::uint8_t>(data + 1, size - 1));
  if (palette.ok()) assert(palette->colours.size() <= tintloom::kMaxImportedColours);
  return 0;
}
