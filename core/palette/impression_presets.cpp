#include "core/palette/impression_presets.h"

#include "core/palette/tone_data.h"
#include "core/palette/tone_vocabulary.h"

namespace tintloom {

const std::array<TImpressionPreset, kPresetCount> kImpressionPresets = {{
    {0, 0, "なし", 0x1FFFF},
    {0, 30, "あざやかな", 0x1F72},
    {0, 10, "グレイッシュな", 0x1FF80},
    {0, -40, "ギャルゲ的な", 0x1720},
    {30, 60, "あっさりした", 0x7520},
    {0, 0, "派手な", 0x7},
    {30, 30, "地味な", 0xFFE0},
    {60, 60, "健康的な", 0x1132},
    {30, 30, "子供っぽい", 0x1112},
    {240, 30, "大人っぽい", 0x1FEE8},
    {30, 10, "やわらかな", 0x1760},
    {330, 30, "可愛い", 0x1130},
    {0, 60, "軽い印象の", 0x1332},
    {240, 300, "重い印象の", 0x1CCC8},
    {280, 30, "男性的な", 0x1EECC},
    {320, 30, "女性的な", 0x1320},
    {240, 0, "落ち着いた", 0x1FE8},
    {0, 180, "前衛的", 0xB09},
    {20, 20, "エスニック", 0xC8},
    {30, 30, "ウェスタン", 0xE0},
    {0, 120, "トロピカル", 0x13},
    {60, 60, "ナチュラル", 0x640},
    {240, 120, "エレガント", 0x340},
    {300, 30, "ロマンティック", 0x130},
    {10, 20, "クラシック", 0xC80},
    {60, 160, "スポーティー", 0x23},
    {0, 0, "カスタム", 0xFFF},
}};

std::uint32_t PresetToneFilter(int index) {
  if (index <= kNoPreset || index >= kPresetCount) return 0xFFFFFFFFu;
  const std::uint32_t mask = kImpressionPresets[static_cast<std::size_t>(index)].toneMask;
  return mask == 0 ? 0xFFFFFFFFu : mask;
}

std::vector<TPresetSwatch> PresetSwatches(const TImpressionPreset& preset, int itemRight) {
  int n = 0;
  for (int t = 0; t < kChromaticToneCount; ++t) n += static_cast<int>(preset.toneMask >> t & 1u);
  std::vector<TPresetSwatch> swatches;
  if (n == 0) return swatches;
  const float width = 60.0f / static_cast<float>(n);
  int k = 0;
  for (int t = 0; t < kChromaticToneCount; ++t) {
    if (!(preset.toneMask >> t & 1u)) continue;
    const auto hue = static_cast<float>(static_cast<float>(preset.startHue) +
                                        static_cast<float>(preset.hueSpan) *
                                            (static_cast<float>(k) / static_cast<float>(n)));
    const TToneWords& words = ToneWords(t);
    const int outer = Trunc(static_cast<float>(itemRight) - (static_cast<float>(k) * width + 0.5f));
    const int inner = Trunc(static_cast<float>(itemRight) - (static_cast<float>(k + 1) * width + 0.5f));
    swatches.push_back(TPresetSwatch{t, hue, inner, outer, HsvToColor(hue, words.sampleS, words.sampleV)});
    ++k;
  }
  return swatches;
}

}  // namespace tintloom
