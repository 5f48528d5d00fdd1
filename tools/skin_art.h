#pragma once
// Paints the skin bitmap: the marker masks, the hue wheel picture and the two
// masks of the picker's shaded preview, each at the place the windows cut it
// from.

#include <cstdint>

#include "core/colour/surface.h"

namespace tintloom {

inline constexpr std::int32_t kSkinWidth = 447;
inline constexpr std::int32_t kSkinHeight = 171;

// Where each picture lies in the skin.
inline constexpr std::int32_t kMarkerMaskSizes[4] = {20, 16, 12, 8};
inline constexpr std::int32_t kMarkerMaskTops[4] = {0, 20, 36, 48};
inline constexpr std::int32_t kWheelLeft = 20;
inline constexpr std::int32_t kWheelSize = 171;
inline constexpr std::int32_t kShadingMaskLeft = 191;
inline constexpr std::int32_t kGlossMaskLeft = 319;
inline constexpr std::int32_t kPickerMaskSize = 128;

// The tool windows' background, shown around the wheel.
inline constexpr TColor kToolBackground = 0xF0F0F0;

// Full-saturation radius of the wheel, as the hue window places its markers,
// and the radius of the painted disc (a little wider, so a fully saturated
// marker sits on pure colour rather than on the anti-aliased rim).
inline constexpr double kWheelSaturationRadius = 80.0;
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
