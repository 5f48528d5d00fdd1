// Tone and family words, the information window's texts and the impression
// presets' filters and swatches.

#include <gtest/gtest.h>

#include <string>

#include "core/palette/impression_presets.h"
#include "core/palette/tone_vocabulary.h"

namespace tintloom {
namespace {

TEST(HueFamily, BoundariesFallOnWholeDegreesAndGreysGoByValue) {
  struct Case {
    TColorF hsv;
    const char* family;
  };
  const Case cases[] = {
      {{0.0f, 1.0f, 1.0f}, "赤"},     {{10.9f, 0.5f, 1.0f}, "赤"},  {{11.0f, 0.5f, 1.0f}, "橙"},
      {{40.9f, 0.5f, 1.0f}, "橙"},    {{41.0f, 0.5f, 1.0f}, "黄"},  {{60.9f, 0.5f, 1.0f}, "黄"},
      {{61.0f, 0.5f, 1.0f}, "黄緑"},  {{90.9f, 0.5f, 1.0f}, "黄緑"}, {{91.0f, 0.5f, 1.0f}, "緑"},
      {{160.9f, 0.5f, 1.0f}, "緑"},   {{161.0f, 0.5f, 1.0f}, "水"}, {{190.9f, 0.5f, 1.0f}, "水"},
      {{191.0f, 0.5f, 1.0f}, "青"},   {{260.9f, 0.5f, 1.0f}, "青"}, {{261.0f, 0.5f, 1.0f}, "紫"},
      {{310.9f, 0.5f, 1.0f}, "紫"},   {{311.0f, 0.5f, 1.0f}, "ピンク"}, {{344.9f, 0.5f, 1.0f}, "ピンク"},
      {{345.0f, 0.5f, 1.0f}, "赤"},   {{359.9f, 0.01f, 1.0f}, "赤"},
      // Saturation exactly 0: by value, whatever the hue.
      {{200.0f, 0.0f, 1.0f}, "白"},   {{0.0f, 0.0f, 128.0f / 255.0f}, "灰"}, {{0.0f, 0.0f, 0.0f}, "黒"},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(HueFamily(HueFamilyOf(c.hsv)).name, c.family) << c.hsv.h() << " " << c.hsv.s() << " " << c.hsv.v();
  }
  // Packed colours through RGB-to-HSV, as the information window takes them.
  EXPECT_STREQ(HueFamily(HueFamilyOf(RgbToHsv(UnpackColour(0x000080FF)))).name, "橙");
  EXPECT_STREQ(HueFamily(HueFamilyOf(RgbToHsv(UnpackColour(0x808080)))).name, "灰");
  EXPECT_STREQ(HueFamily(HueFamilyOf(RgbToHsv(UnpackColour(0xFFFFFF)))).name, "白");
  EXPECT_STREQ(HueFamily(HueFamilyOf(RgbToHsv(UnpackColour(0x000000)))).name, "黒");
}

TEST(InformationTexts, CodeToneAndFamilyTextsAndNoToneIsEmpty) {
  EXPECT_EQ(HexCodeText(0x000080FF), "#FF8000");  // red first
  EXPECT_EQ(HexCodeText(0x00010203), "#030201");
  EXPECT_EQ(ToneHeadingText(11), "ダークグレイッシュトーン [dkg]");
  EXPECT_EQ(ToneHeadingText(16), "ブラック [bk]");
  EXPECT_STREQ(ToneWords(8).impression, "軽い, 弱い, 優しい, 女性的, 淡い, かわいい");
  EXPECT_EQ(ToneWords(9).sampleS, 0.200957f);
  EXPECT_EQ(ToneWords(9).sampleV, 0.753775f);
  EXPECT_EQ(FamilyHeadingText(1), "[橙]色系が象徴するもの:");
  EXPECT_STREQ(HueFamily(7).meanings, "神秘, 高貴, 気品, 優雅, 魅力, 不安, 病的, 心配, 自惚れ");
  // Without tone data a lookup answers -1: no texts, no read outside a table.
  for (int none : {-1, 17, 1000}) {
    EXPECT_EQ(ToneHeadingText(none), "");
    EXPECT_STREQ(ToneWords(none).abbreviation, "");
    EXPECT_STREQ(HueFamily(none == 17 ? 12 : none).name, "");
  }
}

TEST(ImpressionPresets, ChoosingGivesTheFilterAndNoneOrEmptyMeansNoFilter) {
  ASSERT_EQ(kImpressionPresets.size(), 27u);
  EXPECT_STREQ(kImpressionPresets[0].name, "なし");
  EXPECT_STREQ(kImpressionPresets[16].name, "落ち着いた");
  EXPECT_STREQ(kImpressionPresets[26].name, "カスタム");
  struct Case {
    int index;
    std::uint32_t filter;
  };
  for (const Case& c : {Case{0, 0xFFFFFFFFu}, Case{5, 0x7u}, Case{13, 0x1CCC8u}, Case{26, 0xFFFu},
                        Case{-1, 0xFFFFFFFFu}, Case{27, 0xFFFFFFFFu}}) {
    EXPECT_EQ(PresetToneFilter(c.index), c.filter) << c.index;
  }
  // Every preset's tones, as users know them by name.
  constexpr std::uint32_t kMasks[kPresetCount] = {
      0x1FFFF, 0x1F72, 0x1FF80, 0x1720, 0x7520, 0x7,    0xFFE0, 0x1132, 0x1112, 0x1FEE8, 0x1760, 0x1130, 0x1332, 0x1CCC8,
      0x1EECC, 0x1320, 0x1FE8,  0xB09,  0xC8,   0xE0,   0x13,   0x640,  0x340,  0x130,   0xC80,  0x23,   0xFFF};
  for (int i = 1; i < kPresetCount; ++i) EXPECT_EQ(PresetToneFilter(i), kMasks[i]) << kImpressionPresets[static_cast<std::size_t>(i)].name;
}

TEST(ImpressionPresets, SwatchesFillASixtyPixelBandFromTheRightWithTheirTonesAndHues) {
  struct Swatch {
    int tone;
    float hue;
    int left;
    int right;
  };
  struct Case {
    int preset;
    std::vector<Swatch> swatches;
  };
  const Case cases[] = {
      // 派手な: v b s, 20 pixels each, all at hue 0, v at the far right.
      {5, {{0, 0, 179, 199}, {1, 0, 159, 179}, {2, 0, 139, 159}}},
      // 重い印象の: dp d dk g dkg, 12 pixels, hues running past 360; greys get none.
      {13, {{3, 240, 187, 199}, {6, 300, 175, 187}, {7, 360, 163, 175}, {10, 420, 151, 163}, {11, 480, 139, 151}}},
      // あっさりした: sf p g at 30, 50 and 70.
      {4, {{5, 30, 179, 199}, {8, 50, 159, 179}, {10, 70, 139, 159}}},
  };
  for (const Case& c : cases) {
    const std::vector<TPresetSwatch> got = PresetSwatches(kImpressionPresets[static_cast<std::size_t>(c.preset)], 200);
    ASSERT_EQ(got.size(), c.swatches.size()) << c.preset;
    for (std::size_t k = 0; k < got.size(); ++k) {
      const Swatch& want = c.swatches[k];
      EXPECT_EQ(got[k].tone, want.tone) << c.preset << " " << k;
      EXPECT_FLOAT_EQ(got[k].hue, want.hue) << c.preset << " " << k;
      EXPECT_EQ(got[k].left, want.left) << c.preset << " " << k;
      EXPECT_EQ(got[k].right, want.right) << c.preset << " " << k;
      const TToneWords& words = ToneWords(want.tone);
      EXPECT_EQ(got[k].colour, HsvToColor(want.hue, words.sampleS, words.sampleV)) << c.preset << " " << k;
    }
  }
  // 420 and 480 are drawn as 60 and 120.
  const auto heavy = PresetSwatches(kImpressionPresets[13], 200);
  EXPECT_EQ(heavy[4].colour, HsvToColor(120, ToneWords(11).sampleS, ToneWords(11).sampleV));
  // ナチュラル draws its ltg swatch with ltg's sample pair.
  const auto natural = PresetSwatches(kImpressionPresets[21], 200);
  ASSERT_EQ(natural.size(), 3u);
  EXPECT_EQ(natural[1].colour, HsvToColor(80.0f, 0.200957f, 0.753775f));
  // Only greys (none of the presets, but a mask can be anything): no band.
  EXPECT_TRUE(PresetSwatches(TImpressionPreset{0, 0, "", 0x1F000}, 200).empty());
}

}  // namespace
}  // namespace tintloom
