#pragma once
// The ten colour slots of four shades each: plain data shared by the model,
// the scheme and the canvas ramps.

#include <array>
#include <cstdint>

#include "core/colour/colour.h"

namespace tintloom {

enum ShadeIndex : int { kHighlight = 0, kBase = 1, kShadow = 2, kDeepShadow = 3 };

inline constexpr int kShadeCount = 4;
inline constexpr int kSlotCount = 10;
// Slots 0..4 follow the harmony rule; 5..9 are free.
inline constexpr int kRuleSlotCount = 5;

// The largest hue, either way, that the program stores for a slot: the
// scheme's arithmetic lets hues and hue offsets stray a few turns, never more.
// Files holding more were not written by it.
inline constexpr float kMaxStoredHue = 3600.0f;

struct TShade {
  TColorF Param;  // base: absolute h, s, v; others: hue offset, mixing s and v
  TColorF Hsv;
  TColorF Mix;    // RGB of the mixing colour last used
  TColorF Rgb;
  TColor Color = 0;
  TColor LitColor = 0;  // after light balance; what the canvas ramps use
};

struct TColorSlot {
  std::array<TShade, kShadeCount> shades;  // highlight, base, shadow, deep shadow
};

}  // namespace tintloom
