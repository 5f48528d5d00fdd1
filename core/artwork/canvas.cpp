#include "core/artwork/canvas.h"

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

void FrameCanvas(TSurface& canvas) { FrameRect(canvas, 0, 0, kCanvasSize, kCanvasSize, 0, 0x000000); }

}  // namespace tintloom
