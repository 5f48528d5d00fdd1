#include "core/artwork/slot_ramps.h"

#include <cassert>

namespace tintloom {

void FillGreyRamp(TRamp& ramp) {
  for (int k = 0; k < kRampLength; ++k) {
    const auto g = static_cast<std::uint8_t>(k * 255 / 767);
    ramp[static_cast<std::size_t>(k)] = TRgb24{g, g, g};
  }
}

void FillFlatRamp(TRamp& ramp, std::uint8_t level) { ramp.fill(TRgb24{level, level, level}); }

void FillSlotRamp(TRamp& ramp, TColor deepShadow, TColor shadow, TColor base, TColor highlight) {
  // Integer steps with C division: toward zero for falling channels too.
  const auto segment = [&](int start, TRgb24 from, TRgb24 to) {
    for (int a = 0; a < 256; ++a) {
      TRgb24& p = ramp[static_cast<std::size_t>(start + a)];
      p.blue = static_cast<std::uint8_t>(from.blue + a * (to.blue - from.blue) / 255);
      p.green = static_cast<std::uint8_t>(from.green + a * (to.green - from.green) / 255);
      p.red = static_cast<std::uint8_t>(from.red + a * (to.red - from.red) / 255);
    }
  };
  const TRgb24 b = ToRgb24(base);
  const TRgb24 s = ToRgb24(shadow);
  segment(512, b, ToRgb24(highlight));
  segment(256, s, b);
  segment(0, ToRgb24(deepShadow), s);
}

void FillLayerLookup(TLayerMapping& mapping, const TRamp& ramp) {
  const int b = mapping.BaseLevel;
  const int c = mapping.ShadowLevel;
  // t is stored as a float before it is scaled into its segment.
  const auto entry = [&](float t, int segmentStart) {
    const int n = Trunc(static_cast<TExtended>(t) * 255.0_x + segmentStart);
    assert(n >= 0 && n < kRampLength);
    return &ramp[static_cast<std::size_t>(n)];
  };
  // Each segment is walked only when it has levels, so each one's divisor is
  // above 0 inside it; a base level of 255 is the one level at the base itself.
  for (int g = b; g <= 255; ++g) {
    const float t = b == 255 ? 0.0f : static_cast<float>(static_cast<TExtended>(g - b) / (255 - b));
    mapping.Lookup[static_cast<std::size_t>(g)] = entry(t, 512);
  }
  for (int g = c; g < b; ++g) {
    mapping.Lookup[static_cast<std::size_t>(g)] = entry(static_cast<float>(static_cast<TExtended>(g - c) / (b - c)), 256);
  }
  for (int g = 0; g < c; ++g) {
    mapping.Lookup[static_cast<std::size_t>(g)] = entry(static_cast<float>(static_cast<TExtended>(g) / c), 0);
  }
}

}  // namespace tintloom
