#include "core/palette/harmony_rules.h"

#include <gtest/gtest.h>

#include "support/model_fixture.h"

namespace tintloom {
namespace {

class SchemeTest : public testing::ModelFixture {
 protected:
  TScheme& scheme = model.Scheme();

  void SetUp() override { model.ConstructScheme(); }
  float ModelHue(int slot) { return model.SlotAt(slot).shades[kBase].Param.h(); }
  float ModelSaturation(int slot) { return model.SlotAt(slot).shades[kBase].Param.s(); }
};

TEST_F(SchemeTest, StartsUnderTheCustomRuleWithItsOwnWeights) {
  EXPECT_EQ(scheme.ruleIndex, kCustomRule);
  EXPECT_EQ(scheme.previousRule, kCustomRule);
  EXPECT_EQ(scheme.visibleSlotMask, 0x3FFu);
  const float hues[5] = {0, 20, 40, 60, 80};
  const float saturations[5] = {0.75f, 0.5f, 0.5f, 0.5f, 0.5f};
  for (int i = 0; i < 5; ++i) {
    EXPECT_FLOAT_EQ(ModelHue(i), hues[i]);
    EXPECT_FLOAT_EQ(ModelSaturation(i), saturations[i]);
  }
  EXPECT_FLOAT_EQ(ModelHue(9), 260);
  // The start pushes the scheme and draws the wheel once, with no full redraw.
  EXPECT_EQ(views.hueWheelDraws, 1);
  EXPECT_EQ(views.canvasShows, 0);
}

TEST_F(SchemeTest, EveryRuleDerivesItsHuesAndMask) {
  struct Row {
    int rule;
    float hues[4];
    std::uint32_t mask;
  };
  scheme.analogousSpread = 12;
  for (int i = 1; i < 5; ++i) scheme.customHueOffsets[i] = 7.0f * i;
  const Row rows[] = {
      {0, {112, 88, 124, 76}, 0x3FF},  {1, {100, 100, 100, 100}, 0x3E1}, {2, {265, -65, 265, -65}, 0x3E7},
      {3, {280, 100, 280, 100}, 0x3E3}, {4, {220, -20, 220, -20}, 0x3E7}, {5, {190, 10, 280, 100}, 0x3EF},
      {6, {175, 250, 25, -50}, 0x3FF},  {7, {107, 114, 121, 128}, 0x3FF},
  };
  for (const Row& row : rows) {
    model.ChangeRule(row.rule);
    scheme.SetSlotHue(0, 100);
    scheme.DeriveRuleHues();
    for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(scheme.SlotHue(k + 1), row.hues[k]) << "rule " << row.rule;
    EXPECT_EQ(scheme.visibleSlotMask, row.mask) << "rule " << row.rule;
    EXPECT_FLOAT_EQ(scheme.SlotHue(5), 100);  // free slots untouched
  }
  // An index no rule has (only a palette document can hold one) derives as custom.
  scheme.ruleIndex = 11;
  scheme.DeriveRuleHues();
  EXPECT_FLOAT_EQ(scheme.SlotHue(4), 128);
  EXPECT_EQ(RuleVisibleSlots(11), 0x3FFu);
}

TEST_F(SchemeTest, ModelWrapsTheDerivedHuesOnce) {
  model.ChangeRule(0);
  scheme.analogousSpread = 10;
  scheme.SetSlotHue(0, 5);
  model.RepaintWheel();
  EXPECT_FLOAT_EQ(scheme.SlotHue(2), -5);
  const float analogous[5] = {5, 15, 355, 25, 345};
  for (int i = 0; i < 5; ++i) EXPECT_FLOAT_EQ(ModelHue(i), analogous[i]);

  model.ChangeRule(2);
  scheme.SetSlotHue(0, 200);
  model.RepaintWheel();
  EXPECT_FLOAT_EQ(scheme.SlotHue(1), 365);
  EXPECT_FLOAT_EQ(ModelHue(1), 5);
  EXPECT_FLOAT_EQ(ModelHue(2), 35);

  model.ChangeRule(kCustomRule);
  scheme.SetSlotHue(0, 350);
  model.RepaintWheel();
  const float custom[5] = {350, 10, 30, 50, 70};
  for (int i = 0; i < 5; ++i) EXPECT_FLOAT_EQ(ModelHue(i), custom[i]);
}

TEST_F(SchemeTest, RuleChangesStashEachWeightSetAndRestoreIt) {
  model.ChangeRule(0);
  const float zeroOffsets[5] = {0.75f, 0, 0, 0, 0};
  for (int i = 0; i < 5; ++i) EXPECT_FLOAT_EQ(scheme.SaturationWeight(i), zeroOffsets[i]);
  for (int i = 0; i < 5; ++i) EXPECT_FLOAT_EQ(ModelSaturation(i), 0.75f);

  scheme.SetSaturationWeight(2, -0.25f);
  model.ChangeRule(4);  // between two non-custom rules nothing moves
  EXPECT_FLOAT_EQ(scheme.SaturationWeight(2), -0.25f);
  model.ChangeRule(kCustomRule);
  EXPECT_FLOAT_EQ(scheme.SaturationWeight(2), 0.5f);
  EXPECT_FLOAT_EQ(scheme.otherWeightStash[2], -0.25f);
  scheme.SetSaturationWeight(3, 0.9f);
  scheme.SetSaturationWeight(0, 0.4f);
  model.ChangeRule(3);
  EXPECT_FLOAT_EQ(scheme.SaturationWeight(2), -0.25f);
  EXPECT_FLOAT_EQ(scheme.SaturationWeight(0), 0.4f);  // slot 0 is shared by all rules
  model.ChangeRule(kCustomRule);
  EXPECT_FLOAT_EQ(scheme.SaturationWeight(3), 0.9f);

  // After a palette load the previous rule is -1: a custom change still stashes.
  scheme.previousRule = -1;
  model.ChangeRule(kCustomRule);
  EXPECT_FLOAT_EQ(scheme.otherWeightStash[3], 0.9f);
}

TEST_F(SchemeTest, ModelClampRewritesTheWeight) {
  model.ChangeRule(0);
  scheme.SetSaturationWeight(0, 0.8f);
  scheme.SetSaturationWeight(3, 0.5f);
  model.RepaintWheel();
  EXPECT_FLOAT_EQ(ModelSaturation(3), 1.0f);
  EXPECT_NEAR(scheme.SaturationWeight(3), 0.2f, 1e-6);
}

TEST_F(SchemeTest, RuleChangeRedrawsEverythingButNotWhileCreatingOrBusy) {
  const int draws = views.hueWheelDraws;
  const int shows = views.canvasShows;
  model.ChangeRule(1);
  EXPECT_EQ(views.hueWheelDraws, draws + 1);
  EXPECT_EQ(views.canvasShows, shows + 1);
  model.BeginBusy();
  model.ChangeRule(2);
  EXPECT_EQ(scheme.ruleIndex, 1);
  model.EndBusy();
}

}  // namespace
}  // namespace tintloom
