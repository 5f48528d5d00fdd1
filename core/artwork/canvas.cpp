#include "core/artwork/canvas.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tintloom {

void MakeCheckerBrush(TSurface& brush) {
  brush.Create(16, 16);
  FillAll(brush, 0xFFFFFF);
  FillRect(brush, 0, 0, 8, 8, 0xD0D0D0);
  FillRect(brush, 8, 8, 8, 8, 0xD0D0D0);
}

TColor BackgroundColour(BackgroundMode mode, const TColorF& ambientHsv) {
  switch (mode) {
    case BackgroundMode::White: return 0xFFFFFF;
    case BackgroundMode::Grey: return 0x808080;
    case BackgroundMode::Black: return 0x000000;
    case BackgroundMode::Ambient: return HsvToColor(ambientHsv.h(), ambientHsv.s(), ambientHsv.v());
    case BackgroundMode::Checker: break;
  }
  return 0xFFFFFF;
}

void FillCanvasBackground(TSurface& canvas, BackgroundMode mode, const TSurface& checkerBrush,
                          const TColorF& ambientHsv) {
  if (mode == BackgroundMode::Checker) {
    FillRectPattern(canvas, 0, 0, kCanvasSize, kCanvasSize, checkerBrush);
  } else {
    FillRect(canvas, 0, 0, kCanvasSize, kCanvasSize, BackgroundColour(mode, ambientHsv));
  }
}

TCanvasPoint ArtworkOrigin(int artworkWidth, int artworkHeight) {
  return {kCanvasSize / 2 - artworkWidth / 2, kCanvasSize / 2 - artworkHeight / 2};
}

int ArtworkZoom(int artworkWidth, int artworkHeight) {
  if (artworkWidth <= 0 || artworkHeight <= 0 || artworkWidth > kZoomableSide || artworkHeight > kZoomableSide) {
    return 1;
  }
  return std::max(1, std::min(kCanvasSize / artworkWidth, kCanvasSize / artworkHeight));
}

void DrawEnlarged(TSurface& target, int x, int y, const TSurface& source, int zoom) {
  if (zoom < 1 || source.Empty() || target.Empty()) return;
  // Target columns and rows that land on the target, as source-relative
  // offsets (64 bits: a zoom times a side can pass an int).
  const std::int64_t width = static_cast<std::int64_t>(source.width) * zoom;
  const std::int64_t height = static_cast<std::int64_t>(source.height) * zoom;
  const std::int64_t left = std::max<std::int64_t>(0, -static_cast<std::int64_t>(x));
  const std::int64_t right = std::min<std::int64_t>(width, static_cast<std::int64_t>(target.width) - x);
  const std::int64_t top = std::max<std::int64_t>(0, -static_cast<std::int64_t>(y));
  const std::int64_t bottom = std::min<std::int64_t>(height, static_cast<std::int64_t>(target.height) - y);
  if (left >= right || top >= bottom) return;
  std::vector<TRgb24> row(static_cast<std::size_t>(right - left));
  std::int64_t builtFrom = -1;
  for (std::int64_t j = top; j < bottom; ++j) {
    const std::int64_t sourceRow = j / zoom;
    if (sourceRow != builtFrom) {
      // One enlarged row serves the zoom target rows it covers.
      const TRgb24* in = source.rows[static_cast<std::size_t>(sourceRow)];
      for (std::int64_t i = left; i < right; ++i) row[static_cast<std::size_t>(i - left)] = in[i / zoom];
      builtFrom = sourceRow;
    }
    std::memcpy(target.rows[static_cast<std::size_t>(y + j)] + (x + left), row.data(), row.size() * sizeof(TRgb24));
  }
}

void FrameCanvas(TSurface& canvas) { FrameRect(canvas, 0, 0, kCanvasSize, kCanvasSize, 0, 0x000000); }

}  // namespace tintloom
