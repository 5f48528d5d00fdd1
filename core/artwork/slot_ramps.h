#pragma once
// The ramps the artwork is recoloured through, and the per-layer lookups into
// them. A slot's ramp runs deep shadow -> shadow -> base -> highlight over 768
// entries; each layer looks its 256 grey levels up in the ramp it is mapped to,
// split by its shadow and base levels.

#include <array>
#include <cstdint>

#include "core/artwork/artwork_layer.h"
#include "core/colour/colour.h"

namespace tintloom {

inline constexpr int kRampCount = 13;  // 0..9 the colour slots, then:
inline constexpr int kGreyRamp = 10;
inline constexpr int kBlackRamp = 11;
inline constexpr int kWhiteRamp = 12;
inline constexpr int kRampLength = 768;

using TRamp = std::array<TRgb24, kRampLength>;

// Entry k = k x 255 / 767 on all three channels.
void FillGreyRamp(TRamp& ramp);
// Every entry the same grey (0 for the black ramp, 255 for the white one).
void FillFlatRamp(TRamp& ramp, std::uint8_t level);
// A colour slot's ramp from its four (lit) shades, in integer steps with C
// division: entries 0..255 deep shadow to shadow, 256..511 shadow to base,
// 512..767 base to highlight.
void FillSlotRamp(TRamp& ramp, TColor deepShadow, TColor shadow, TColor base, TColor highlight);

// The mapping's 256 references into `ramp`: grey levels at or above the base
// level into base..highlight, those between the levels into shadow..base,
// those below the shadow level into deep shadow..shadow.
void FillLayerLookup(TLayerMapping& mapping, const TRamp& ramp);

}  // namespace tintloom
