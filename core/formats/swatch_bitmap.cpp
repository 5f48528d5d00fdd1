#include "core/formats/swatch_bitmap.h"

#include "core/colour/bmp_file.h"

namespace tintloom {

void DrawSwatchPicture(std::span<const TRgb24> colours, TSurface& picture) {
  const auto n = static_cast<std::int32_t>(colours.size());
  picture.Create(kSwatchCell * kSwatchCellsPerRow, (n / kSwatchCellsPerRow) * kSwatchCell + kSwatchCell);
  FillAll(picture, 0x000000);
  for (std::int32_t i = 0; i < n; ++i) {
    const std::int32_t column = i % kSwatchCellsPerRow;
    const std::int32_t row = i / kSwatchCellsPerRow;
    FillRect(picture, column * kSwatchCell, row * kSwatchCell, kSwatchCell, kSwatchCell,
             FromRgb24(colours[static_cast<std::size_t>(i)]));
  }
}

std::vector<std::uint8_t> EncodeSwatchBitmap(std::span<const TRgb24> colours) {
  TSurface picture;
  DrawSwatchPicture(colours, picture);
  return EncodeBmp24(picture);
}

}  // namespace tintloom
