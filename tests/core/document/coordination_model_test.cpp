#include "core/document/coordination_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "support/artwork.h"
#include "support/model_fixture.h"

namespace tintloom {
namespace {

class ModelTest : public testing::ModelFixture {
 protected:
  // Pushes hues and weights through the model as the hue window would.
  void Apply(int rule, std::initializer_list<float> hues, std::initializer_list<float> weights) {
    float h[kSlotCount] = {};
    float w[kRuleSlotCount] = {};
    std::copy(hues.begin(), hues.end(), h);
    std::copy(weights.begin(), weights.end(), w);
    model.ApplyScheme(rule, h, w);
    for (int i = 0; i < kRuleSlotCount; ++i) lastWeights[i] = w[i];
  }
  float lastWeights[kRuleSlotCount] = {};

  // Tone data where every cell is `fill` except the listed (s, v) cells at every hue.
  void ToneTable(std::uint8_t fill, const std::vector<std::tuple<int, int, std::uint8_t>>& cells) {
    std::vector<std::uint8_t> bytes(kToneDataSize, fill);
    for (int h = 0; h < 360; ++h) {
      for (const auto& [s, v, tone] : cells) bytes[ToneCellIndex(h, s, v)] = tone;
    }
    model.toneData.Assign(std::move(bytes));
  }
};

TEST_F(ModelTest, StartsWithTheDocumentedSlotParameters) {
  const TColorSlot& slot = model.SlotAt(9);
  EXPECT_EQ(slot.shades[kHighlight].Param, TColorF(0, 0.25f, 0.5f));
  EXPECT_EQ(slot.shades[kBase].Param, TColorF(0, 0.5f, 1.0f));
  EXPECT_EQ(slot.shades[kShadow].Param, TColorF(0, 0.5f, 0.8f));
  EXPECT_EQ(slot.shades[kDeepShadow].Param, TColorF(0, 0, 0.8f));
  EXPECT_EQ(model.selectedShade, kBase);
  EXPECT_EQ(model.Artwork().SelectedLayer(), -1);
  EXPECT_EQ(model.Canvas().width, 600);
}

TEST_F(ModelTest, ApplySchemeWrapsHuesOnceAndKeeps360) {
  Apply(kCustomRule, {-30, 370, 360, 0, 0, -400, 0, 0, 0, 725}, {0.5f, 0.5f, 0.5f, 0.5f, 0.5f});
  EXPECT_FLOAT_EQ(model.SlotAt(0).shades[kBase].Param.h(), 330);
  EXPECT_FLOAT_EQ(model.SlotAt(1).shades[kBase].Param.h(), 10);
  EXPECT_FLOAT_EQ(model.SlotAt(2).shades[kBase].Param.h(), 360);
  EXPECT_FLOAT_EQ(model.SlotAt(5).shades[kBase].Param.h(), -40);  // one correction only
  EXPECT_FLOAT_EQ(model.SlotAt(9).shades[kBase].Param.h(), 365);
  // 360 converts as hue 0.
  EXPECT_EQ(model.SlotAt(2).shades[kBase].Color, HsvToColor(0, 0.5f, 1.0f));
}

TEST_F(ModelTest, SaturationWeightsAreOffsetsClampedExceptUnderTheCustomRule) {
  Apply(0, {}, {0.8f, 0.1f, 0.0f, 0.5f, -0.3f});
  EXPECT_FLOAT_EQ(model.SlotAt(0).shades[kBase].Param.s(), 0.8f);
  EXPECT_FLOAT_EQ(model.SlotAt(1).shades[kBase].Param.s(), 0.9f);
  EXPECT_FLOAT_EQ(model.SlotAt(3).shades[kBase].Param.s(), 1.0f);
  EXPECT_NEAR(lastWeights[3], 0.2f, 1e-6);  // rewritten so the sum is 1
  EXPECT_FLOAT_EQ(lastWeights[1], 0.1f);    // untouched
  EXPECT_NEAR(model.SlotAt(4).shades[kBase].Param.s(), 0.5f, 1e-6);

  // A negative offset larger than slot 0's saturation leaves the slot grey,
  // never a colour with channels past a byte; the offset itself is kept.
  Apply(4, {0, 0, 0}, {0.1f, 0.0f, -0.25f, 0.0f, 0.0f});
  EXPECT_FLOAT_EQ(model.SlotAt(2).shades[kBase].Param.s(), 0.0f);
  EXPECT_EQ(model.SlotAt(2).shades[kBase].Color, 0xFFFFFFu);
  EXPECT_FLOAT_EQ(lastWeights[2], -0.25f);

  Apply(kCustomRule, {}, {0.8f, 0.1f, 0.0f, 0.5f, 0.3f});
  EXPECT_FLOAT_EQ(model.SlotAt(3).shades[kBase].Param.s(), 0.5f);
  EXPECT_FLOAT_EQ(model.SlotAt(1).shades[kBase].Param.s(), 0.1f);
  EXPECT_FLOAT_EQ(lastWeights[3], 0.5f);
}

TEST_F(ModelTest, ShadesAreScreenBaseMultiplyAndMultiplyOfTheSameShadow) {
  TColorSlot& slot = model.SlotAt(0);
  Apply(kCustomRule, {120}, {1.0f});
  const TColorF base = HsvToRgb(TColorF(120, 1, 1));
  EXPECT_EQ(slot.shades[kBase].Color, PackColour(base));
  // Shadow: green multiplied by the mixing colour (hue 120, s 0.5, v 0.8) = (0.4, 0.8, 0.4).
  EXPECT_EQ(slot.shades[kShadow].Color, 0x00CC00u);
  EXPECT_EQ(slot.shades[kShadow].Mix, HsvToRgb(TColorF(120, 0.5f, 0.8f)));
  // Highlight: base green channel is 1, so it stays exactly 1 whatever is mixed.
  EXPECT_EQ(slot.shades[kHighlight].Rgb.g(), 1.0f);
  // Deep shadow: shadow x grey 0.8.
  EXPECT_EQ(slot.shades[kDeepShadow].Color, 0x00A300u);
  EXPECT_EQ(slot.shades[kBase].LitColor, slot.shades[kBase].Color);

  // Changing only the shadow's parameters moves shadow and deep shadow in one pass.
  slot.shades[kShadow].Param.v() = 0.4f;
  Apply(kCustomRule, {120}, {1.0f});
  EXPECT_EQ(slot.shades[kShadow].Color, 0x006600u);
  EXPECT_EQ(slot.shades[kDeepShadow].Color, 0x005200u);
}

TEST_F(ModelTest, WhiteBaseMakesAWhiteHighlightWhateverTheMixingColour) {
  TColorSlot& slot = model.SlotAt(6);
  slot.shades[kHighlight].Param = TColorF(90, 1, 0.1f);
  Apply(kCustomRule, {}, {0.0f});
  slot.shades[kBase].Param.s() = 0.0f;
  Apply(kCustomRule, {}, {0.0f});
  EXPECT_EQ(slot.shades[kHighlight].Color, 0xFFFFFFu);
}

TEST_F(ModelTest, SnapScansSaturationThenValueUpThenDownAndKeepsTheFirstOfEqualDistance) {
  // Allowed (s, v) cells at every hue, searched from (50, 50). Each case has
  // two or more cells at the same or nearly the same distance, so that it
  // holds only for one scan order.
  struct Case {
    const char* what;
    std::vector<std::tuple<int, int, std::uint8_t>> cells;
    float s, v;
  };
  const Case cases[] = {
      {"saturation up before down", {{51, 50, 1}, {49, 50, 1}}, 0.51f, 0.5f},
      {"value up before down in a column", {{50, 51, 1}, {50, 49, 1}, {51, 50, 1}}, 0.5f, 0.51f},
      {"columns upward nearest first", {{53, 54, 1}, {55, 50, 1}}, 0.53f, 0.54f},      // both d = 25
      {"columns downward nearest first", {{47, 46, 1}, {45, 50, 1}}, 0.47f, 0.46f},    // both d = 25
      {"value upward nearest first", {{50, 52, 1}, {50, 70, 1}}, 0.5f, 0.52f},
      {"value downward nearest first", {{50, 47, 1}, {50, 40, 1}}, 0.5f, 0.47f},
      {"a nearer column beats a far cell", {{50, 60, 1}, {50, 90, 1}, {53, 52, 1}}, 0.53f, 0.52f},  // 13 < 100
  };
  model.SetToneFilter(1u << 1);
  for (const Case& c : cases) {
    ToneTable(0, c.cells);
    TColorF out;
    model.SnapToAllowedTones(TColorF(10.7f, 0.5f, 0.5f), out);
    EXPECT_EQ(out, TColorF(10.7f, c.s, c.v)) << c.what;
  }

  // A hue of exactly 360 is read as hue 0.
  std::vector<std::uint8_t> bytes(kToneDataSize, 0);
  bytes[ToneCellIndex(0, 20, 20)] = 1;
  model.toneData.Assign(bytes);
  TColorF out;
  model.SnapToAllowedTones(TColorF(360, 0.2f, 0.3f), out);
  EXPECT_EQ(out, TColorF(360, 0.2f, 0.2f));
}

TEST_F(ModelTest, SnapFallsBackToTheInputWithoutTableOrAllowedCell) {
  TColorF out;
  model.SetToneFilter(1u << 3);
  model.SnapToAllowedTones(TColorF(30, 0.33f, 0.44f), out);  // no tone data loaded
  EXPECT_EQ(out, TColorF(30, 0.33f, 0.44f));
  ToneTable(0, {});
  model.SetToneFilter(0);  // nothing allowed
  model.SnapToAllowedTones(TColorF(30, 0.33f, 0.44f), out);
  EXPECT_EQ(out, TColorF(30, 0.33f, 0.44f));
  // Out-of-range inputs never read outside the table.
  model.SetToneFilter(1);
  model.SnapToAllowedTones(TColorF(-725, 1.7f, -0.2f), out);
  EXPECT_FLOAT_EQ(out.s(), 1.0f);
  EXPECT_FLOAT_EQ(out.v(), 0.0f);
  // Values that are no colour at all come back unchanged, at once.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  model.SnapToAllowedTones(TColorF(10, nan, 0.5f), out);
  EXPECT_TRUE(std::isnan(out.s()));
  model.SnapToAllowedTones(TColorF(1e30f, 0.5f, 3e9f), out);
  EXPECT_FLOAT_EQ(out.s(), 0.5f);
  EXPECT_FLOAT_EQ(out.v(), 1.0f);
}

TEST_F(ModelTest, ToneFilterSnapsOnlyRuleSlotBasesAndOnlyWhenActive) {
  ToneTable(0, {{20, 20, 1}});
  for (std::uint32_t noFilter : {kNoToneFilter, kAllTones}) {
    model.SetToneFilter(noFilter);
    Apply(kCustomRule, {}, {0.9f, 0.9f, 0.9f, 0.9f, 0.9f});
    EXPECT_EQ(model.SlotAt(0).shades[kBase].Color, HsvToColor(0, 0.9f, 1.0f));
  }
  model.SetToneFilter(1u << 1);
  Apply(kCustomRule, {}, {0.9f, 0.9f, 0.9f, 0.9f, 0.9f});
  EXPECT_EQ(model.SlotAt(0).shades[kBase].Color, HsvToColor(0, 0.2f, 0.2f));
  EXPECT_FLOAT_EQ(model.SlotAt(0).shades[kBase].Param.s(), 0.9f);  // the stored base is not changed
  EXPECT_EQ(model.SlotAt(5).shades[kBase].Color, HsvToColor(0, 0.5f, 1.0f));  // free slot
  EXPECT_EQ(model.ShadeToneClass(kBase), 1);
}

TEST_F(ModelTest, AToneFilterReachesTheRampOfEveryRuleSlot) {
  // Under the custom rule with slot 3 selected, an ordinary redraw rebuilds
  // slot 3's ramp alone; the filter moves slots 0..4 together.
  model.ConstructScheme();
  model.selectedSlot = 3;
  ToneTable(0, {{20, 20, 1}});
  model.SetToneFilter(1u << 1);
  for (int i = 0; i < kRuleSlotCount; ++i) {
    EXPECT_EQ(FromRgb24(model.Ramp(i)[511]), Shade(i, kBase).LitColor) << i;
    EXPECT_NEAR(Shade(i, kBase).Hsv.s(), 0.2f, 1e-6) << i;
  }
}

TEST_F(ModelTest, ToneLookupsWithoutTableAnswerNoTone) {
  EXPECT_EQ(model.ShadeToneClass(kBase), -1);
  EXPECT_EQ(model.ToneColorAtSelectedHue(12), 0xFFFFFFu);  // tone colours are built in
  model.SlotAt(0).shades[kBase].Param.h() = 360;
  EXPECT_EQ(model.ToneColorAtSelectedHue(0), 0x1C1DFCu);
  model.SlotAt(0).shades[kBase].Param.h() = 59.6f;
  EXPECT_EQ(model.ToneColorAtSelectedHue(0), ToneColorAt(59, 0));  // truncated
}

TEST_F(ModelTest, FitShadeToColorFindsTheMixingColour) {
  TColorSlot& slot = model.SlotAt(0);
  Apply(kCustomRule, {200}, {0.6f});
  // A white target makes the highlight's mixing colour white, so the highlight is white.
  model.FitShadeToColor(slot, kHighlight, TColorF(0, 0, 1));
  EXPECT_EQ(slot.shades[kHighlight].Param.s(), 0.0f);
  EXPECT_EQ(slot.shades[kHighlight].Param.v(), 1.0f);
  EXPECT_FLOAT_EQ(slot.shades[kHighlight].Param.h(), -200.0f);  // grey hue 0 minus the base hue
  Apply(kCustomRule, {200}, {0.6f});
  EXPECT_EQ(slot.shades[kHighlight].Color, 0xFFFFFFu);

  // Shadow: multiply by target / base; the shadow comes out at the target.
  const TColorF target(200, 0.8f, 0.5f);
  model.FitShadeToColor(slot, kShadow, target);
  EXPECT_GE(slot.shades[kShadow].Param.h(), -180.0f);
  EXPECT_LE(slot.shades[kShadow].Param.h(), 180.0f);
  Apply(kCustomRule, {200}, {0.6f});
  const TColor want = HsvToColor(target.h(), target.s(), target.v());
  for (int shift = 0; shift < 24; shift += 8) {
    EXPECT_NEAR(static_cast<int>(slot.shades[kShadow].Color >> shift & 0xFF), static_cast<int>(want >> shift & 0xFF), 3);
  }
  // A target brighter than the base in every channel saturates the mixing colour at white.
  model.FitShadeToColor(slot, kDeepShadow, TColorF(0, 0, 1));
  EXPECT_EQ(slot.shades[kDeepShadow].Param.v(), 1.0f);
  EXPECT_EQ(slot.shades[kDeepShadow].Param.s(), 0.0f);
}

TEST_F(ModelTest, FitBaseWritesTheTargetAndTheSchemeValues) {
  TScheme& scheme = model.Scheme();
  model.selectedSlot = 3;
  model.FitShadeToColor(model.SlotAt(3), kBase, TColorF(42, 0.3f, 0.7f));
  EXPECT_EQ(model.SlotAt(3).shades[kBase].Param, TColorF(42, 0.3f, 0.7f));
  EXPECT_FLOAT_EQ(scheme.SlotHue(3), 42);
  EXPECT_FLOAT_EQ(scheme.customHueOffsets[3], 42);
  EXPECT_FLOAT_EQ(scheme.SaturationWeight(3), 0.3f);
  model.selectedSlot = 7;
  model.FitShadeToColor(model.SlotAt(7), kBase, TColorF(99, 0.1f, 0.2f));
  EXPECT_FLOAT_EQ(scheme.SlotHue(7), 99);
  EXPECT_FLOAT_EQ(scheme.customHueOffsets[3], 42);
}

TEST_F(ModelTest, LightBalanceTintsLitColoursOnly) {
  // Grey light 0.6 and grey ambient 0.4; slot 0's base is (1, 0.5, 0.5), packed
  // 0x8080FF, its highlight 0xAFAFFF and its shadow 0x3333CC.
  model.SetLightColors(TColorF(0, 0, 0.4f), TColorF(0, 0, 0.6f));
  model.SetLightBalanceEnabled(true);
  Apply(kCustomRule, {0}, {0.5f});
  model.ApplyLightBalance();
  ASSERT_EQ(Shade(0, kBase).Color, 0x8080FFu);
  ASSERT_EQ(Shade(0, kHighlight).Color, 0xAFAFFFu);
  ASSERT_EQ(Shade(0, kShadow).Color, 0x3333CCu);
  // Highlight and base x L; shadows x L x A. The colours themselves stay.
  EXPECT_EQ(Shade(0, kHighlight).LitColor, 0x696999u);  // 175 x 0.6 = 105
  EXPECT_EQ(Shade(0, kBase).LitColor, 0x4D4D99u);       // 128 x 0.6 = 76.8
  EXPECT_EQ(Shade(0, kShadow).LitColor, 0x0C0C31u);     // 0.8 x 0.24 = 0.192, 0.2 x 0.24 = 0.048

  // Ignoring the shade settings, all four come from the base Bc:
  // highlight L + (Bc L - L) x 0.5, base Bc L, shadow Bc L A, deep A (Bc L A).
  model.SetIgnoreShadeSettings(true);
  Apply(kCustomRule, {0}, {0.5f});
  model.ApplyLightBalance();
  EXPECT_EQ(Shade(0, kHighlight).LitColor, 0x737399u);   // green 0.6 - 0.2988 / 2 = 0.4506
  EXPECT_EQ(Shade(0, kBase).LitColor, 0x4D4D99u);
  EXPECT_EQ(Shade(0, kShadow).LitColor, 0x1F1F3Du);      // red 0.24, green 0.1205
  EXPECT_EQ(Shade(0, kDeepShadow).LitColor, 0x0C0C18u);  // red 0.096, green 0.0482
  EXPECT_EQ(Shade(0, kBase).Color, 0x8080FFu);
}

TEST_F(ModelTest, SelectedSlotOutOfRangeSaysSoAndBusyStopsEverything) {
  model.selectedSlot = 10;
  EXPECT_EQ(model.SelectedSlot(), nullptr);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], "参照");

  model.selectedSlot = 0;
  model.BeginBusy();
  EXPECT_EQ(views.busyEntered, 1);
  const int shows = views.canvasShows;
  model.SelectSlot(4);
  model.Redraw(TCoordinationModel::kRedrawAll);
  model.ComposeCanvas();
  model.SetLightBalanceEnabled(true);
  EXPECT_EQ(model.selectedSlot, 0);
  EXPECT_FALSE(model.LightBalanceEnabled());
  EXPECT_EQ(views.canvasShows, shows);
  model.EndBusy();
  EXPECT_EQ(views.busyLeft, 1);
  model.SelectSlot(4);
  EXPECT_EQ(model.selectedSlot, 4);
  EXPECT_EQ(views.canvasShows, shows + 1);
}

TEST_F(ModelTest, EveryOperationCalledDirectlyWhileBusyChangesNothing) {
  // Most of these are reached through a caller that has already returned
  // while busy; called directly, each must return at once on its own.
  model.ConstructScheme();
  model.SetLightColors(TColorF(0, 0, 0.5f), TColorF(0, 0, 0.5f));
  model.SetLightBalanceEnabled(true);
  model.selectedShade = kShadow;
  model.BeginBusy();
  // A colour the light balance has not seen: tinting it would show.
  model.SlotAt(0).shades[kBase].Color = 0x102030;
  const auto state = [&] {
    std::vector<std::uint32_t> v;
    for (const TShade& shade : model.SlotAt(0).shades) {
      v.insert(v.end(), {shade.Color, shade.LitColor, HsvToColor(shade.Param.h(), shade.Param.s(), shade.Param.v())});
    }
    v.insert(v.end(), {static_cast<std::uint32_t>(model.selectedShade), static_cast<std::uint32_t>(Scheme().ruleIndex),
                       model.ToneFilter(), static_cast<std::uint32_t>(views.canvasShows),
                       static_cast<std::uint32_t>(views.hueWheelDraws)});
    for (const TColorF& c : {model.AmbientColour(), model.LightColour()}) v.push_back(HsvToColor(c.h(), c.s(), c.v()));
    return v;
  };
  const std::vector<std::uint32_t> before = state();
  float hues[kSlotCount] = {90};
  float weights[kRuleSlotCount] = {1.0f};
  const std::pair<const char*, std::function<void()>> operations[] = {
      {"ApplyScheme", [&] { model.ApplyScheme(kCustomRule, hues, weights); }},
      {"ApplyLightBalance", [&] { model.ApplyLightBalance(); }},
      {"FitShadeToColor", [&] { model.FitShadeToColor(model.SlotAt(0), kShadow, TColorF(0, 1, 0.2f)); }},
      {"ApplyToneToSelectedSlot", [&] { model.ApplyToneToSelectedSlot(0); }},
      {"RefreshSelection", [&] { model.RefreshSelection(); }},
      {"SelectShade", [&] { model.SelectShade(kHighlight); }},
      {"ChangeRule", [&] { model.ChangeRule(2); }},
      {"RepaintWheel", [&] { model.RepaintWheel(); }},
      {"SetToneFilter", [&] { model.SetToneFilter(1); }},
      {"SetLightColors", [&] { model.SetLightColors(TColorF(0, 0, 1), TColorF(0, 0, 1)); }},
  };
  for (const auto& [name, operation] : operations) {
    operation();
    EXPECT_EQ(state(), before) << name;
  }
  model.EndBusy();
}

TEST_F(ModelTest, RefreshSelectionResetsTheShadeAndRemapsTheSelectedLayer) {
  testing::LoadLayers(model, 2, 2, {testing::SolidLayer(0, 0, 1, 1, 0, 255), testing::SolidLayer(0, 0, 1, 1, 0, 255)});
  testing::Raw(model).selectedLayer = 1;
  model.selectedShade = kShadow;
  views.hueVisible = true;
  views.layerVisible = true;
  model.SelectSlot(6);
  EXPECT_EQ(model.selectedShade, kBase);
  EXPECT_EQ(model.LayerMapping(1).MappedSlot, 6);
  EXPECT_EQ(model.LayerMapping(1).Lookup[255], &model.Ramp(6)[767]);
  EXPECT_EQ(views.slotStripRepaints, 1);
  EXPECT_EQ(views.valueSliderRepaints, 1);
  EXPECT_EQ(views.slotGridRefreshes, 1);
  EXPECT_EQ(views.mappingPreviews, 1);
}

TEST_F(ModelTest, EditsOfSeveralSelectedLayersReachExactlyThoseLayers) {
  testing::LoadLayers(model, 4, 4,
                      {testing::SolidLayer(0, 0, 4, 4, 90, 255), testing::SolidLayer(0, 0, 4, 4, 90, 255),
                       testing::SolidLayer(0, 0, 4, 4, 90, 255), testing::SolidLayer(0, 0, 4, 4, 90, 255)});
  model.ComposeCanvas();
  views.layerVisible = true;
  model.SelectLayer(3);
  model.SelectSlot(4);
  model.SetLayerBaseLevel(200);
  model.SetLayerBlendMode(3);

  // Selecting a group maps nothing: the first layer's slot becomes the
  // selected one, and values the layers do not share show as none.
  model.SelectLayers({3, 1});
  EXPECT_EQ(model.SelectedLayers(), (std::vector<int>{3, 1}));
  EXPECT_EQ(model.selectedSlot, 4);
  EXPECT_EQ(model.LayerMapping(1).MappedSlot, kGreyRamp);
  EXPECT_EQ(views.shownBlendItem, -1);
  EXPECT_EQ(views.shownBase, -1);
  EXPECT_EQ(views.shownShadow, 85);

  const auto untouched = [&](int i) {
    EXPECT_EQ(model.LayerMapping(i).MappedSlot, kGreyRamp) << i;
    EXPECT_EQ(model.LayerMapping(i).BaseLevel, 170) << i;
    EXPECT_EQ(model.LayerMapping(i).ShadowLevel, 85) << i;
    EXPECT_EQ(model.LayerBlendMode(i), kBlendNormal) << i;
  };
  // Each edit of the group is one undo step, undone for all of it; so is
  // hiding them.
  const std::size_t steps = model.History().UndoSteps();
  model.SelectSlot(6);
  EXPECT_EQ(model.History().UndoSteps(), steps + 1);
  ASSERT_TRUE(model.Undo());
  EXPECT_EQ(model.LayerMapping(3).MappedSlot, 4);
  EXPECT_EQ(model.LayerMapping(1).MappedSlot, kGreyRamp);
  ASSERT_TRUE(model.Redo());
  model.SetLayersHidden({3, 1}, true);
  ASSERT_TRUE(model.Undo());
  EXPECT_FALSE(model.LayerHidden(1) || model.LayerHidden(3));
  EXPECT_EQ(model.SelectedLayers(), (std::vector<int>{3, 1})) << "an undo keeps the group selected";
  model.SetLayerBaseLevel(120);
  model.SetLayerShadowLevel(30);
  model.SetLayerBlendMode(5);
  for (const int i : {1, 3}) {
    EXPECT_EQ(model.LayerMapping(i).MappedSlot, 6) << i;
    EXPECT_EQ(model.LayerMapping(i).Lookup[255], &model.Ramp(6)[767]) << i;
    EXPECT_EQ(model.LayerMapping(i).BaseLevel, 120) << i;
    EXPECT_EQ(model.LayerMapping(i).ShadowLevel, 30) << i;
    EXPECT_EQ(model.LayerBlendMode(i), 5) << i;
  }
  EXPECT_EQ(views.shownBase, 120);
  EXPECT_EQ(views.shownShadow, 30);
  untouched(0);
  untouched(2);

  // A ramp choice and a level picked from the canvas go to both as well.
  model.MapSelectedLayerToRamp(kBlackRamp);
  testing::Raw(model).pickSurface.At(0, 0) = TRgb24{60, 60, 60};
  model.PickLevelAt(false, model.Artwork().Origin().x, model.Artwork().Origin().y);
  for (const int i : {1, 3}) {
    EXPECT_EQ(model.LayerMapping(i).MappedSlot, kBlackRamp) << i;
    EXPECT_EQ(model.LayerMapping(i).BaseLevel, 60) << i;
  }
  untouched(0);
  untouched(2);

  // A single click afterwards edits that layer alone, and so does a
  // selection written directly.
  model.SelectLayer(0);
  model.SetLayerBaseLevel(10);
  EXPECT_EQ(model.LayerMapping(0).BaseLevel, 10);
  EXPECT_EQ(model.LayerMapping(1).BaseLevel, 60);
  model.SelectLayers({2, 1});
  testing::Raw(model).selectedLayer = 1;
  EXPECT_EQ(model.SelectedLayers(), std::vector<int>{1});
  untouched(2);
}

TEST_F(ModelTest, RedrawRebuildsOnlyTheRampsThatCanHaveChanged) {
  model.ConstructScheme();
  model.ChangeRule(4);
  const auto rampBase = [&](int slot) { return FromRgb24(model.Ramp(slot)[511]); };
  // Free slot 7 selected under a non-custom rule: only slot 7's ramp follows.
  model.selectedSlot = 7;
  model.SlotAt(7).shades[kBase].Param.v() = 0.5f;
  model.SlotAt(2).shades[kBase].Param.v() = 0.5f;
  model.Redraw(TCoordinationModel::kRedrawSelected);
  EXPECT_EQ(rampBase(7), model.SlotAt(7).shades[kBase].LitColor);
  EXPECT_NE(rampBase(2), model.SlotAt(2).shades[kBase].LitColor);
  // The palette changed since the start: the caption says so, and names no
  // drawing time unless a developer asks for it.
  EXPECT_EQ(views.title, "*Tintloom");
  model.ShowDrawingTime(true);
  EXPECT_EQ(views.title.rfind("*Tintloom [DEBUG:DRAWING SCORE ", 0), 0u) << views.title;
  model.ShowDrawingTime(false);
  // Slot 2 selected: all rule slots.
  model.selectedSlot = 2;
  model.SlotAt(8).shades[kBase].Param.v() = 0.5f;
  model.Redraw(TCoordinationModel::kRedrawSelected);
  EXPECT_EQ(rampBase(2), model.SlotAt(2).shades[kBase].LitColor);
  EXPECT_NE(rampBase(8), model.SlotAt(8).shades[kBase].LitColor);
  // Custom rule, slot 3 selected: slot 3 alone.
  model.ChangeRule(kCustomRule);
  model.selectedSlot = 3;
  model.SlotAt(3).shades[kBase].Param.v() = 0.3f;
  model.SlotAt(1).shades[kBase].Param.v() = 0.3f;
  model.Redraw(TCoordinationModel::kRedrawSelected);
  EXPECT_EQ(rampBase(3), model.SlotAt(3).shades[kBase].LitColor);
  EXPECT_NE(rampBase(1), model.SlotAt(1).shades[kBase].LitColor);
  // The boundaries: slot 0 under the custom rule moves every rule slot, 4
  // included; slot 5, the first free slot, moves alone under any other rule.
  model.selectedSlot = 0;
  model.SlotAt(4).shades[kBase].Param.v() = 0.4f;
  model.SlotAt(5).shades[kBase].Param.v() = 0.4f;
  model.Redraw(TCoordinationModel::kRedrawSelected);
  EXPECT_EQ(rampBase(4), model.SlotAt(4).shades[kBase].LitColor);
  EXPECT_NE(rampBase(5), model.SlotAt(5).shades[kBase].LitColor);
  model.ChangeRule(4);
  model.selectedSlot = 5;
  model.SlotAt(5).shades[kBase].Param.v() = 0.6f;
  model.SlotAt(0).shades[kBase].Param.v() = 0.6f;
  model.Redraw(TCoordinationModel::kRedrawSelected);
  EXPECT_EQ(rampBase(5), model.SlotAt(5).shades[kBase].LitColor);
  EXPECT_NE(rampBase(0), model.SlotAt(0).shades[kBase].LitColor);
  // Mode 100 rebuilds all ten.
  model.Redraw(TCoordinationModel::kRedrawAll);
  for (int i = 0; i < kSlotCount; ++i) EXPECT_EQ(rampBase(i), model.SlotAt(i).shades[kBase].LitColor);
}

TEST_F(ModelTest, ApplyToneStoresTheSaturationInTheFormOfTheRule) {
  // The pale tone at hue 0 is 0xB6B6FA: value 250 / 255, saturation
  // (250 - 182) / 250 = 0.272. Slot 0's weight is 0.25.
  struct Case {
    const char* what;
    int rule;
    int slot;
    float weight;
  };
  const Case cases[] = {
      {"rule slot under a non-custom rule: offset from slot 0", 1, 2, 0.272f - 0.25f},
      {"rule slot under the custom rule: the saturation itself", kCustomRule, 2, 0.272f},
      {"slot 0 under any rule: the saturation itself", 1, 0, 0.272f},
  };
  for (const Case& c : cases) {
    model.ConstructScheme();
    model.ChangeRule(c.rule);
    Scheme().SetCustomHueOffset(c.slot, 0.0f);  // every slot used sits at hue 0
    Scheme().SetSaturationWeight(0, 0.25f);
    model.selectedSlot = c.slot;
    model.selectedShade = kBase;
    model.RepaintWheel();
    model.ApplyToneToSelectedSlot(8);
    EXPECT_NEAR(Scheme().SaturationWeight(c.slot), c.weight, 1e-6) << c.what;
    // After the redraw the slot shows the tone's colour.
    EXPECT_NEAR(Shade(c.slot, kBase).Param.s(), 0.272f, 1e-6) << c.what;
    EXPECT_NEAR(Shade(c.slot, kBase).Param.v(), 250.0f / 255.0f, 1e-6) << c.what;
    EXPECT_EQ(Shade(c.slot, kBase).Color, 0xB6B6FAu) << c.what;
  }
}

TEST_F(ModelTest, PickerStripsSpanTheRangeOfTheSelectedShade) {
  Apply(kCustomRule, {90}, {1.0f});
  TSurface hue, sat, val;
  hue.Create(128, 1);
  sat.Create(128, 1);
  val.Create(128, 1);
  model.BuildPickerStrips(hue, sat, val);
  EXPECT_EQ(hue.At(0, 0), (TRgb24{0, 0, 255}));             // hue 0, s 1, v 1
  EXPECT_EQ(hue.At(64, 0), (TRgb24{255, 255, 0}));          // hue 180
  EXPECT_EQ(sat.At(0, 0), (TRgb24{255, 255, 255}));
  EXPECT_EQ(val.At(64, 0), (TRgb24{0, 127, 63}));           // trunc, not rounded
  model.selectedShade = kShadow;
  model.BuildPickerStrips(hue, sat, val);
  // Around the base hue: 90 - 180 = -90 (= 270) at the left end.
  const TColorF centre = model.SlotAt(0).shades[kShadow].Hsv;
  const TColorF left = HsvToRgb(TColorF(-90, centre.s(), centre.v()));
  EXPECT_EQ(hue.At(0, 0).red, static_cast<std::uint8_t>(left.r() * 255.0f));
}

}  // namespace
}  // namespace tintloom

namespace tintloom {
namespace {

class ScreenPickTest : public testing::ModelFixture {
 protected:
  TScheme& scheme = model.Scheme();

  void SetUp() override {
    model.ConstructScheme();
    scheme.SetSlotHue(0, 30);
    scheme.SetSaturationWeight(0, 0.25f);
  }
  // The fitted base of the selected slot after an F2 with this pixel.
  TColorF PickBase(int slot, TColor pixel) {
    model.selectedSlot = slot;
    model.PickScreenColour(kBase, pixel);
    return model.SlotAt(slot).shades[kBase].Param;
  }
};

TEST_F(ScreenPickTest, F2WritesTheSchemeInTheFormOfEachRule) {
  const TColor pixel = 0x3366CC;  // hue 210 (blue-ish), s 0.75, v 0.8
  const TColorF target = RgbToHsv(UnpackColour(pixel));

  model.ChangeRule(4);
  scheme.SetSlotHue(0, 30);  // the rule change redrew; keep slot 0 where we put it
  const float offsetBefore = scheme.customHueOffsets[2];
  PickBase(2, pixel);
  // The slot hue written back is derived again by the rule in the redraw that
  // follows: under the triad, slot 2 stays 120 degrees behind slot 0.
  EXPECT_FLOAT_EQ(scheme.SlotHue(2), 30 - 120);
  EXPECT_FLOAT_EQ(scheme.customHueOffsets[2], target.h());
  EXPECT_NEAR(scheme.SaturationWeight(2), target.s() - 0.25f, 1e-6);
  EXPECT_NE(offsetBefore, scheme.customHueOffsets[2]);

  model.ChangeRule(kCustomRule);
  scheme.SetSlotHue(0, 30);
  PickBase(3, pixel);
  EXPECT_FLOAT_EQ(scheme.SlotHue(3), target.h());
  EXPECT_FLOAT_EQ(scheme.customHueOffsets[3], target.h() - 30);
  EXPECT_FLOAT_EQ(scheme.SaturationWeight(3), target.s());
  // After the redraw the custom rule puts slot 3 where the pixel was.
  EXPECT_EQ(model.SlotAt(3).shades[kBase].Color, PackColour(HsvToRgb(model.SlotAt(3).shades[kBase].Param)));
  EXPECT_NEAR(model.SlotAt(3).shades[kBase].Param.h(), target.h(), 1e-3);

  PickBase(0, pixel);
  EXPECT_FLOAT_EQ(scheme.SlotHue(0), target.h());
  EXPECT_FLOAT_EQ(scheme.customHueOffsets[0], target.h());
  EXPECT_FLOAT_EQ(scheme.SaturationWeight(0), target.s());
}

TEST_F(ScreenPickTest, F2OnAFreeSlotChangesOnlyItsHue) {
  model.RepaintWheel();
  float huesBefore[10];
  std::copy(std::begin(scheme.slotHues), std::end(scheme.slotHues), huesBefore);
  float weightsBefore[5];
  std::copy(std::begin(scheme.saturationWeights), std::end(scheme.saturationWeights), weightsBefore);
  const TColorF base = PickBase(7, 0x00FF00);
  EXPECT_FLOAT_EQ(base.h(), 120);
  EXPECT_FLOAT_EQ(scheme.SlotHue(7), 120);
  for (int i = 0; i < 5; ++i) EXPECT_FLOAT_EQ(scheme.SlotHue(i), huesBefore[i]) << i;
  for (int i = 0; i < 5; ++i) EXPECT_FLOAT_EQ(scheme.SaturationWeight(i), weightsBefore[i]) << i;
  EXPECT_EQ(model.SlotAt(7).shades[kBase].Color, 0x00FF00u);
}

TEST_F(ScreenPickTest, F1OnWhiteMakesAWhiteHighlightAndBusyIgnoresKeys) {
  model.selectedSlot = 6;
  model.PickScreenColour(kHighlight, 0xFFFFFF);
  EXPECT_EQ(model.SlotAt(6).shades[kHighlight].Color, 0xFFFFFFu);
  model.BeginBusy();
  model.PickScreenColour(kHighlight, 0x000000);
  model.EndBusy();
  EXPECT_EQ(model.SlotAt(6).shades[kHighlight].Color, 0xFFFFFFu);
}

TEST_F(ScreenPickTest, LevelPickingReadsThePickSurfaceRelativeToTheArtwork) {
  testing::LoadLayers(model, 4, 4, {testing::SolidLayer(0, 0, 4, 4, 0, 0)});
  testing::Raw(model).pickSurface.At(1, 2) = TRgb24{0, 0, 200};
  testing::Raw(model).pickSurface.At(0, 0) = TRgb24{0, 0, 40};
  model.ComposeCanvas();  // places the 4 x 4 artwork at (298, 298)
  const int ox = model.Artwork().Origin().x;
  const int oy = model.Artwork().Origin().y;
  ASSERT_EQ(ox, 298);
  ASSERT_EQ(oy, 298);
  views.layerVisible = true;

  model.PickLevelAt(false, ox + 1, oy + 2);  // no layer selected: nothing
  EXPECT_EQ(model.LayerMapping(0).BaseLevel, 170);
  testing::Raw(model).selectedLayer = 0;
  model.PickLevelAt(false, ox - 1, oy + 2);   // outside the artwork
  model.PickLevelAt(false, ox + 4, oy + 2);
  EXPECT_EQ(model.LayerMapping(0).BaseLevel, 170);
  model.PickLevelAt(false, ox + 1, oy + 2);
  EXPECT_EQ(model.LayerMapping(0).BaseLevel, 200);
  EXPECT_EQ(views.shownBase, 200);
  model.PickLevelAt(true, ox, oy);
  EXPECT_EQ(model.LayerMapping(0).ShadowLevel, 40);
  // A base level below the shadow level resets the shadow level to 0.
  model.PickLevelAt(false, ox, oy);
  model.PickLevelAt(true, ox + 1, oy + 2);
  EXPECT_EQ(model.LayerMapping(0).ShadowLevel, 0);
  EXPECT_EQ(views.shownShadow, 0);
}

TEST_F(ScreenPickTest, APickedLevelTakesEffectWithTheLayerWindowClosed) {
  testing::LoadLayers(model, 4, 4, {testing::SolidLayer(0, 0, 4, 4, 0, 0)});
  testing::Raw(model).pickSurface.At(1, 2) = TRgb24{60, 60, 60};
  model.ComposeCanvas();
  testing::Raw(model).selectedLayer = 0;
  views.layerVisible = false;
  const int shows = views.canvasShows;
  model.PickLevelAt(false, model.Artwork().Origin().x + 1, model.Artwork().Origin().y + 2);
  // Base 60 below the shadow level 85: the shadow goes to 0 and the lookup
  // follows at once; the closed window is not drawn.
  EXPECT_EQ(model.LayerMapping(0).ShadowLevel, 0);
  EXPECT_EQ(model.LayerMapping(0).Lookup[60], &model.Ramp(kGreyRamp)[512]);
  EXPECT_EQ(views.canvasShows, shows + 1);
  EXPECT_EQ(views.shownBase, -1);
  EXPECT_EQ(views.mappingPreviews, 0);
}

}  // namespace
}  // namespace tintloom
