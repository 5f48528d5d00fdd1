// The picker's arithmetic: typed numbers to slider steps, what a slider
// changes for each shade and slot, the tone diagram's cells and the two
// pictures.

#include "core/document/picker_input.h"

#include <gtest/gtest.h>

#include <string>

#include "core/palette/picker_pictures.h"
#include "support/model_fixture.h"

namespace tintloom {
namespace {

float Typed(int slider, bool base, const std::string& text) { return TypedValue(slider, base, EditNumber(text)); }

// A brand guide's colour is typed in as numbers: they are kept as typed
// (H 100, 200, 55 came in as 101, 199, 56 when they went through the
// slider's steps), and only limited to their range.
TEST(PickerEdits, TypedNumbersAreKeptExactlyWithinTheirRange) {
  struct Case {
    int slider;
    bool base;
    const char* text;
    float value;
  };
  const Case cases[] = {
      {kHueSlider, true, "100", 100.0f},  {kHueSlider, true, "200", 200.0f},  {kHueSlider, true, "55", 55.0f},
      {kHueSlider, true, "abc", 0.0f},    {kHueSlider, true, "", 0.0f},       {kHueSlider, true, "-", 0.0f},
      {kHueSlider, true, "12a", 0.0f},    {kHueSlider, true, "-90", 0.0f},    {kHueSlider, true, "359", 359.0f},
      {kHueSlider, true, "360", 0.0f},    {kHueSlider, true, "9999", 279.0f},  // 9999 mod 360
      {kValueSlider, true, "37", 0.37f},  {kSaturationSlider, false, "37", 0.37f},
      {kValueSlider, true, "-5", 0.0f},   {kValueSlider, true, "9999", 1.0f},
      {kSaturationSlider, true, "+5", 0.05f},
      // Another shade's hue is an offset: -180 .. 180.
      {kHueSlider, false, "-180", -180.0f}, {kHueSlider, false, "-61", -61.0f},
      {kHueSlider, false, "180", 180.0f},   {kHueSlider, false, "-9999", -180.0f},
  };
  for (const Case& c : cases) {
    EXPECT_FLOAT_EQ(Typed(c.slider, c.base, c.text), c.value) << c.slider << " \"" << c.text << "\"";
  }
  // Every number typed shows again as itself.
  for (int n = 0; n <= 100; ++n) {
    const std::array<int, 3> shown =
        EditNumbers(TColorF(TypedValue(kHueSlider, true, n), TypedValue(kSaturationSlider, true, n),
                            TypedValue(kValueSlider, true, n)));
    EXPECT_EQ(shown, (std::array<int, 3>{n, n, n}));
  }
  // Hue 179.5 shows as 180; 47/128 shows as 37 for saturation but 36 for value.
  const std::array<int, 3> shown = EditNumbers(TColorF(179.5f, 47.0f / 128, 47.0f / 128));
  EXPECT_EQ(shown, (std::array<int, 3>{180, 37, 36}));
  // Negative hue offsets round to the nearest degree too: "-60" typed is
  // stored as -59.06 and must not come back as -58.
  EXPECT_EQ(EditNumbers(TColorF(-59.0625f, 1.0f, 1.0f)), (std::array<int, 3>{-59, 100, 100}));
  EXPECT_EQ(EditNumbers(TColorF(-179.6f, 0.0f, 0.0f)), (std::array<int, 3>{-180, 0, 0}));
}

TEST(PickerPointers, SitOnTheBandForBaseHuesOffsetsAndLevels) {
  EXPECT_EQ(HuePointer(359.9f, true), 127);
  EXPECT_EQ(HuePointer(-180.0f, false), 0);
  EXPECT_EQ(HuePointer(0.0f, false), 64);
  EXPECT_EQ(HuePointer(180.0f, false), 128);
  EXPECT_EQ(LevelPointer(0.5f), 64);
  EXPECT_EQ(LevelPointer(1.0f), 128);
}

class SliderEffect : public testing::ModelFixture {};

// Every slider for every kind of slot and shade: exactly one value changes,
// where the scheme or the shade keeps it.
TEST_F(SliderEffect, EachSliderWritesOneValueWhereTheSlotKeepsIt) {
  enum Field { SlotHue, CustomOffset, Weight, ParamH, ParamS, ParamV, Nothing };
  struct Case {
    int slider;
    int shade;
    int slot;
    int rule;
    float f;
    Field field;
    float expected;
  };
  const Case cases[] = {
      {kHueSlider, kBase, 0, 4, 0.5f, SlotHue, 179.5f},  // base hues run over 0..359
      {kHueSlider, kBase, 7, 4, 1.0f, SlotHue, 359.0f},
      {kHueSlider, kBase, 2, kCustomRule, 0.5f, CustomOffset, 179.5f - 40.0f},
      {kHueSlider, kBase, 2, 4, 0.5f, Nothing, 0},  // the rule's hue
      {kHueSlider, kShadow, 2, 4, 0.25f, ParamH, -90.0f},
      {kHueSlider, kHighlight, 7, 4, 1.0f, ParamH, 180.0f},
      {kSaturationSlider, kBase, 0, 4, 0.5f, Weight, 0.5f},
      {kSaturationSlider, kBase, 3, 4, 0.5f, Weight, -0.25f},  // offset from slot 0's 0.75
      {kSaturationSlider, kBase, 3, kCustomRule, 0.5f, Weight, 0.5f},
      {kSaturationSlider, kBase, 6, 4, 0.5f, ParamS, 0.5f},
      {kSaturationSlider, kDeepShadow, 1, 4, 0.25f, ParamS, 0.25f},
      {kValueSlider, kBase, 1, 4, 0.25f, ParamV, 0.25f},
      {kValueSlider, kShadow, 8, kCustomRule, 0.75f, ParamV, 0.75f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "slider " << c.slider << " shade " << c.shade << " slot " << c.slot
                                      << " rule " << c.rule);
    Scheme().ruleIndex = c.rule;
    Scheme().SetSlotHue(0, 40.0f);
    Scheme().SetSaturationWeight(0, 0.75f);
    model.selectedSlot = c.slot;
    model.selectedShade = c.shade;
    const TScheme before = Scheme();
    const TColorSlot slot = model.SlotAt(c.slot);
    ApplySliderFraction(model, c.slider, c.f);

    // What should have changed, written into copies of the state before.
    TScheme scheme = before;
    TColorSlot expected = slot;
    TColorF& param = expected.shades[static_cast<std::size_t>(c.shade)].Param;
    switch (c.field) {
      case SlotHue: scheme.SetSlotHue(c.slot, c.expected); break;
      case CustomOffset: scheme.SetCustomHueOffset(c.slot, c.expected); break;
      case Weight: scheme.SetSaturationWeight(c.slot, c.expected); break;
      case ParamH: param.h() = c.expected; break;
      case ParamS: param.s() = c.expected; break;
      case ParamV: param.v() = c.expected; break;
      case Nothing: break;
    }
    for (int i = 0; i < kSlotCount; ++i) EXPECT_FLOAT_EQ(Scheme().SlotHue(i), scheme.SlotHue(i)) << i;
    for (int i = 0; i < kRuleSlotCount; ++i) {
      EXPECT_FLOAT_EQ(Scheme().CustomHueOffset(i), scheme.CustomHueOffset(i)) << i;
      EXPECT_FLOAT_EQ(Scheme().SaturationWeight(i), scheme.SaturationWeight(i)) << i;
    }
    for (std::size_t j = 0; j < kShadeCount; ++j) {
      for (int k = 0; k < 3; ++k) {
        EXPECT_FLOAT_EQ(model.SlotAt(c.slot).shades[j].Param.c[k], expected.shades[j].Param.c[k]) << j << " " << k;
      }
    }
    model.SlotAt(c.slot) = slot;
    Scheme() = before;
  }
}

TEST(ToneDiagram, CellsTileThePanelAndTheHitTestIsHalfOpen) {
  const std::array<TToneCell, 12> cells = ToneCells(180, 60);
  const std::array<TToneCell, 12> expected = {{
      {135, 0, 180, 60}, {90, 0, 135, 20}, {90, 20, 135, 40}, {90, 40, 135, 60},
      {45, 0, 90, 15}, {45, 15, 90, 30}, {45, 30, 90, 45}, {45, 45, 90, 60},
      {0, 0, 45, 15}, {0, 15, 45, 30}, {0, 30, 45, 45}, {0, 45, 45, 60},
  }};
  for (std::size_t t = 0; t < 12; ++t) {
    EXPECT_EQ(cells[t].left, expected[t].left) << t;
    EXPECT_EQ(cells[t].top, expected[t].top) << t;
    EXPECT_EQ(cells[t].right, expected[t].right) << t;
    EXPECT_EQ(cells[t].bottom, expected[t].bottom) << t;
  }
  struct Hit {
    int x;
    int y;
    int tone;
  };
  for (const Hit& h : {Hit{135, 59, 0}, Hit{134, 0, 1}, Hit{90, 20, 2}, Hit{134, 59, 3}, Hit{45, 0, 4},
                       Hit{89, 45, 7}, Hit{0, 0, 8}, Hit{44, 44, 10}, Hit{44, 45, 11}, Hit{180, 0, -1},
                       Hit{0, 60, -1}, Hit{-1, 5, -1}}) {
    EXPECT_EQ(ToneCellAt(cells, h.x, h.y), h.tone) << h.x << "," << h.y;
  }
}

TColor Pixel(const TSurface& s, int x, int y) { return FromRgb24(s.At(x, y)); }

int Channel(TColor c, int i) { return static_cast<int>(c >> (8 * i) & 0xFF); }

TEST(MixingField, CornersShowTheMixingColourFromWhiteToBlack) {
  TColorSlot slot;
  slot.shades[kBase].Param = TColorF(0, 0.5f, 1.0f);
  slot.shades[kBase].Color = 0x8080FF;
  slot.shades[kHighlight].Param = TColorF(120, 1, 1);  // pure green mixing colour
  slot.shades[kShadow].Param = TColorF(240, 1, 1);     // pure blue
  slot.shades[kShadow].Color = 0x400000;
  slot.shades[kDeepShadow].Param = TColorF(-240, 1, 1);  // shadow + deep: hue 0, red
  TSurface field;
  field.Create(180, 60);

  DrawMixingField(field, slot, kHighlight);
  EXPECT_EQ(Pixel(field, 0, 0), 0xFFFFFFu);  // a white mixing colour screens to white
  const TColor screened = 0x80FFFF;           // the base screened with pure green
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(Channel(Pixel(field, 179, 0), i), Channel(screened, i), 2) << i;
    EXPECT_NEAR(Channel(Pixel(field, 0, 59), i), Channel(0x8080FF, i), 5) << i;
    EXPECT_NEAR(Channel(Pixel(field, 179, 59), i), Channel(0x8080FF, i), 5) << i;
  }
  DrawMixingField(field, slot, kShadow);
  EXPECT_EQ(Pixel(field, 0, 0), 0x8080FFu);  // white multiplies to the base itself
  // Pure blue keeps only the base's blue.
  EXPECT_NEAR(Channel(Pixel(field, 179, 0), 0), 0, 1);
  EXPECT_NEAR(Channel(Pixel(field, 179, 0), 1), 0, 1);
  EXPECT_EQ(Channel(Pixel(field, 179, 0), 2), 0x80);
  DrawMixingField(field, slot, kDeepShadow);
  EXPECT_EQ(Pixel(field, 0, 0), 0x400000u);  // the deep shadow mixes into the shadow
  EXPECT_LE(Channel(Pixel(field, 179, 0), 2), 1);  // red mixing colour takes the blue out

  // The cross inverts seven pixels each way; the centre is inverted twice.
  FillAll(field, 0xFFFFFF);
  DrawInvertingCross(field, 5, 5);
  for (int i = -3; i <= 3; ++i) {
    const TColor expected = i == 0 ? 0xFFFFFFu : 0x000000u;
    EXPECT_EQ(Pixel(field, 5 + i, 5), expected) << i;
    EXPECT_EQ(Pixel(field, 5, 5 + i), expected) << i;
  }
  EXPECT_EQ(Pixel(field, 9, 5), 0xFFFFFFu);
  DrawInvertingCross(field, 0, 0);  // clipped at the corner
  DrawInvertingCross(field, 179, 59);
}

TEST(PreviewRamp, RunsDeepShadowShadowBaseHighlightTruncatingTowardZero) {
  TColorSlot slot;
  slot.shades[kDeepShadow].Color = 0x0000C8;  // red 200 falling to 0
  slot.shades[kShadow].Color = 0x470000;      // blue 71
  slot.shades[kBase].Color = 0x00FF00;
  slot.shades[kHighlight].Color = 0xFFFFFF;
  TPreviewRamp ramp;
  BuildPreviewRamp(slot, ramp);
  EXPECT_EQ(FromRgb24(ramp[0]), 0x0000C8u);
  EXPECT_EQ(ramp[1].red, 198);  // 200 + (-200) / 71 truncates to -2, not -3
  EXPECT_EQ(ramp[70].blue, 70);
  EXPECT_EQ(FromRgb24(ramp[71]), 0x470000u);
  EXPECT_EQ(FromRgb24(ramp[191]), 0x00FF00u);
  EXPECT_EQ(FromRgb24(ramp[255]), 0xFFFFFFu);
  EXPECT_EQ(ramp[254].red, 251);  // 0 + 63 x 255 / 64
}

}  // namespace
}  // namespace tintloom
