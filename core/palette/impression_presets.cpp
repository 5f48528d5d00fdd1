#include "core/palette/impression_presets.h"

#include "core/base/user_text.h"
#include "core/palette/tone_data.h"
#include "core/palette/tone_vocabulary.h"

namespace tintloom {

const std::array<TImpressionPreset, kPresetCount> kImpressionPresets = {{
    {0, 0, TL_TEXT("tintloom", "なし"), 0x1FFFF},
    {0, 30, TL_TEXT("tintloom", "あざやかな"), 0x1F72},
    {0, 10, TL_TEXT("tintloom", "グレイッシュな"), 0x1FF80},
    {0, -40, TL_TEXT("tintloom", "ギャルゲ的な"), 0x1720},
    {30, 60, TL_TEXT("tintloom", "あっさりした"), 0x7520},
    {0, 0, TL_TEXT("tintloom", "派手な"), 0x7},
    {30, 30, TL_TEXT("tintloom", "地味な"), 0xFFE0},
    {60, 60, TL_TEXT("tintloom", "健康的な"), 0x1132},
    {30, 30, TL_TEXT("tintloom", "子供っぽい"), 0x1112},
    {240, 30, TL_TEXT("tintloom", "大人っぽい"), 0x1FEE8},
    {30, 10, TL_TEXT("tintloom", "やわらかな"), 0x1760},
    {330, 30, TL_TEXT("tintloom", "可愛い"), 0x1130},
    {0, 60, TL_TEXT("tintloom", "軽い印象の"), 0x1332},
    {240, 300, TL_TEXT("tintloom", "重い印象の"), 0x1CCC8},
    {280, 30, TL_TEXT("tintloom", "男性的な"), 0x1EECC},
    {320, 30, TL_TEXT("tintloom", "女性的な"), 0x1320},
    {240, 0, TL_TEXT("tintloom", "落ち着いた"), 0x1FE8},
    {0, 180, TL_TEXT("tintloom", "前衛的"), 0xB09},
    {20, 20, TL_TEXT("tintloom", "エスニック"), 0xC8},
    {30, 30, TL_TEXT("tintloom", "ウェスタン"), 0xE0},
    {0, 120, TL_TEXT("tintloom", "トロピカル"), 0x13},
    {60, 60, TL_TEXT("tintloom", "ナチュラル"), 0x640},
    {240, 120, TL_TEXT("tintloom", "エレガント"), 0x340},
    {300, 30, TL_TEXT("tintloom", "ロマンティック"), 0x130},
    {10, 20, TL_TEXT("tintloom", "クラシック"), 0xC80},
    {60, 160, TL_TEXT("tintloom", "スポーティー"), 0x23},
    {0, 0, TL_TEXT("tintloom", "カスタム"), 0xFFF},
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
