#pragma once
// Where each picture lies in the skin bitmap. The generator paints these
// rectangles, the windows cut them out, and the tests check both against the
// same numbers: change a rectangle here and all three follow.

#include <cstdint>

#include "core/colour/colour.h"

namespace tintloom {

struct TSkinRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

inline constexpr const char* kSkinFileName = "skin.bmp";

// The smallest skin that holds every rectangle below.
inline constexpr std::int32_t kSkinWidth = 447;
inline constexpr std::int32_t kSkinHeight = 171;

// Marker masks, largest first; each is read through its red channel.
inline constexpr TSkinRect kMarkerMask20{0, 0, 20, 20};
inline constexpr TSkinRect kMarkerMask16{0, 20, 16, 16};
inline constexpr TSkinRect kMarkerMask12{0, 36, 12, 12};
inline constexpr TSkinRect kMarkerMask8{0, 48, 8, 8};
inline constexpr TSkinRect kMarkerMasks[4] = {kMarkerMask20, kMarkerMask16, kMarkerMask12, kMarkerMask8};

// The hue wheel picture, shown under the hue window's markers.
inline constexpr TSkinRect kWheelPicture{20, 0, 171, 171};
// Full saturation lies this many pixels from the wheel's centre: the picture
// is painted to it and the hue window places its markers by it.
inline constexpr std::int32_t kWheelSaturationRadius = 80;

// The two masks of the picker's shaded preview.
inline constexpr TSkinRect kShadingMask{191, 0, 128, 128};
inline constexpr TSkinRect kGlossMask{319, 0, 128, 128};

// The tool windows' background; the wheel picture's corners are painted in
// it so that the picture does not show as a square.
inline constexpr TColor kToolBackground = 0xF0F0F0;

}  // namespace tintloom
