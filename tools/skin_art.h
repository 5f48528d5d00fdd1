#pragma once
// Paints the skin bitmap: the marker masks, the hue wheel picture and the two
// masks of the picker's shaded preview, each in its rectangle of the skin
// layout, where the windows cut it from.

#include <cstdint>

#include "core/colour/skin_layout.h"
#include "core/colour/surface.h"

namespace tintloom {

// Radius of the painted disc: a little wider than the full-saturation
// radius, so a fully saturated marker sits on pure colour rather than on the
// anti-aliased rim.
inline constexpr double kWheelDiscRadius = 82.0;

// Hue (degrees from straight up, clockwise) at offset (dx, dy) from the
// wheel's centre, y pointing down.
double WheelHue(double dx, double dy);

// The whole skin, 447 x 171. Unused areas are black.
void PaintSkin(TSurface& skin);

// The parts, each painted at (left, top) of `s`.
void PaintMarkerMasks(TSurface& s, std::int32_t left, std::int32_t top);
void PaintHueWheel(TSurface& s, std::int32_t left, std::int32_t top);
void PaintShadingMask(TSurface& s, std::int32_t left, std::int32_t top);
void PaintGlossMask(TSurface& s, std::int32_t left, std::int32_t top);

}  // namespace tintloom
