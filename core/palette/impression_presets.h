#pragma once
// Impression presets: words such as "派手な" or "落ち着いた", each standing
// for a set of allowed tones. Choosing one sets the model's tone filter; the
// hues serve only the small row of swatches the picker's combo draws.

#include <array>
#include <cstdint>
#include <vector>

#include "core/colour/colour.h"

namespace tintloom {

struct TImpressionPreset {
  std::int32_t startHue;  // degrees, hue of the first swatch
  std::int32_t hueSpan;   // degrees, may be negative
  const char* name;
  std::uint32_t toneMask; // bit t allows tone class t
};

inline constexpr int kPresetCount = 27;
// The first preset ("なし") filters nothing; the last ("カスタム") is what the
// combo shows once tones are toggled one by one.
inline constexpr int kNoPreset = 0;
inline constexpr int kCustomPreset = kPresetCount - 1;

extern const std::array<TImpressionPreset, kPresetCount> kImpressionPresets;

// The tone filter mask that choosing preset `index` sets: no filter (all
// bits) for "なし", an index out of range or an empty mask; the preset's mask
// otherwise.
std::uint32_t PresetToneFilter(int index);

// One swatch of a preset's row: columns left..right-1, the colour of one
// chromatic tone of the preset at its hue.
struct TPresetSwatch {
  int tone;
  float hue;
  int left;
  int right;
  TColor colour;
};

// The swatches of a preset drawn in an item whose right edge (exclusive) is
// `itemRight`: a 60-pixel band at the right end, one swatch per chromatic
// tone, the first tone at the far right; greys get none.
std::vector<TPresetSwatch> PresetSwatches(const TImpressionPreset& preset, int itemRight);

}  // namespace tintloom
