#pragma once
// The 600 x 600 canvas: its background (a checker pattern or one colour), the
// place of the artwork on it, and its frame.

#include <cstdint>

#include "core/colour/colour.h"
#include "core/colour/surface.h"

namespace tintloom {

inline constexpr int kCanvasSize = 600;

enum class BackgroundMode : std::uint32_t { Checker = 0, White = 1, Grey = 2, Black = 3, Ambient = 4 };

// 16 x 16, white with light grey (0xD0D0D0) 8 x 8 squares at the top left
// and the bottom right.
void MakeCheckerBrush(TSurface& brush);
// The colour a plain background is filled with; the checker's is white. The
// ambient background is the ambient colour (HSV) whether or not light balance
// is on.
TColor BackgroundColour(BackgroundMode mode, const TColorF& ambientHsv);
// Fills the whole canvas with its background; the checker pattern stays
// anchored to the canvas's origin.
void FillCanvasBackground(TSurface& canvas, BackgroundMode mode, const TSurface& checkerBrush,
                          const TColorF& ambientHsv);

struct TCanvasPoint {
  int x = 0;
  int y = 0;
};
// Top-left of an artwork of this size centred on the canvas (integer halves).
TCanvasPoint ArtworkOrigin(int artworkWidth, int artworkHeight);

// Small artwork may be shown enlarged: with both sides at most
// kZoomableSide, the largest whole zoom that still fits the canvas; 1 for
// anything else.
inline constexpr int kZoomableSide = 300;
int ArtworkZoom(int artworkWidth, int artworkHeight);
// `source` drawn at (x, y) with each pixel a zoom x zoom block (nearest
// neighbour), clipped to `target`.
void DrawEnlarged(TSurface& target, int x, int y, const TSurface& source, int zoom);

// The one-pixel black frame round the canvas.
void FrameCanvas(TSurface& canvas);

}  // namespace tintloom
