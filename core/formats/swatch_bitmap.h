#pragma once
// The export colours as a picture: 24 x 24 cells, 24 to a row, on black, as
// a 24-bit Windows bitmap.

#include <cstdint>
#include <span>
#include <vector>

#include "core/colour/colour.h"
#include "core/colour/surface.h"

namespace tintloom {

inline constexpr int kSwatchCell = 24;
inline constexpr int kSwatchCellsPerRow = 24;

// 576 pixels wide, (n / 24) x 24 + 24 high: a full row of cells always ends
// in an empty row, as the picture has always been drawn.
void DrawSwatchPicture(std::span<const TRgb24> colours, TSurface& picture);
std::vector<std::uint8_t> EncodeSwatchBitmap(std::span<const TRgb24> colours);

}  // namespace tintloom
