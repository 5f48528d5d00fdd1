#include "core/model/harmony_rules.h"

#include "core/model/coordination_model.h"

namespace tintloom {

const std::array<THarmonyRule, kRuleCount> kHarmonyRules = {{
    {"類似色相", 0x3FF},
    {"色相ドミナント", 0x3E1},
    {"分裂補色配色", 0x3E7},
    {"補色配色", 0x3E3},
    {"トライアード", 0x3E7},
    {"テトラード", 0x3EF},
    {"ペンタード", 0x3FF},
    {"カスタム", 0x3FF},
}};

std::uint32_t RuleVisibleSlots(int rule) {
  if (rule < 0 || rule >= kRuleCount) rule = kCustomRule;
  return kHarmonyRules[static_cast<std::size_t>(rule)].visibleSlots;
}

TScheme::TScheme(TCoordinationModel& model) : model_(model) {}

void TScheme::Construct() {
  creating = true;
  visibleSlotMask = 0xFFFFFFFFu;
  analogousSpread = 10;
  const float offsets[5] = {0, 20, 40, 60, 80};
  for (int i = 0; i < 5; ++i) {
    customHueOffsets[i] = offsets[i];
    saturationWeights[i] = i == 0 ? 0.75f : 0.0f;
    customWeightStash[i] = 0.5f;
    otherWeightStash[i] = 0.0f;
  }
  for (int i = 5; i < 10; ++i) slotHues[i] = static_cast<float>(100 + 40 * (i - 5));
  ChangeRule(kCustomRule);
  RepaintWheel();
  creating = false;
}

void TScheme::DeriveRuleHues() {
  if (model_.busy) return;
  // Sums are taken in extended precision and stored as float.
  const long double h0 = slotHues[0];
  const auto n = static_cast<long double>(analogousSpread);
  const auto n2 = static_cast<long double>(2 * analogousSpread);
  long double hues[4];
  switch (ruleIndex) {
    case 0: hues[0] = h0 + n; hues[1] = h0 - n; hues[2] = h0 + n2; hues[3] = h0 - n2; break;
    case 1: hues[0] = hues[1] = hues[2] = hues[3] = h0; break;
    case 2: hues[0] = h0 + 165; hues[1] = h0 - 165; hues[2] = h0 + 165; hues[3] = h0 - 165; break;
    case 3: hues[0] = h0 + 180; hues[1] = h0; hues[2] = h0 + 180; hues[3] = h0; break;
    case 4: hues[0] = h0 + 120; hues[1] = h0 - 120; hues[2] = h0 + 120; hues[3] = h0 - 120; break;
    case 5: hues[0] = h0 + 90; hues[1] = h0 - 90; hues[2] = h0 + 180; hues[3] = h0; break;
    case 6: hues[0] = h0 + 75; hues[1] = h0 + 150; hues[2] = h0 - 75; hues[3] = h0 - 150; break;
    default:
      for (int k = 0; k < 4; ++k) hues[k] = h0 + customHueOffsets[k + 1];
      break;
  }
  for (int k = 0; k < 4; ++k) slotHues[k + 1] = static_cast<float>(hues[k]);
}

void TScheme::ChangeRule(int rule) {
  if (model_.busy) return;
  ruleIndex = rule;
  if (ruleIndex != previousRule) {
    if (ruleIndex == kCustomRule) {
      for (int k = 1; k < 5; ++k) {
        otherWeightStash[k] = saturationWeights[k];
        saturationWeights[k] = customWeightStash[k];
      }
    } else if (previousRule == kCustomRule) {
      for (int k = 1; k < 5; ++k) {
        customWeightStash[k] = saturationWeights[k];
        saturationWeights[k] = otherWeightStash[k];
      }
    }
  }
  previousRule = ruleIndex;
  visibleSlotMask = RuleVisibleSlots(ruleIndex) & static_cast<std::uint32_t>(model_.enabledSlotMask);
  if (!creating) model_.Redraw(TCoordinationModel::kRedrawAll);
}

void TScheme::RepaintWheel() {
  if (model_.busy) return;
  DeriveRuleHues();
  model_.ApplyScheme(ruleIndex, slotHues, saturationWeights);
  model_.ApplyLightBalance();
  model_.Views().DrawHueWheel();
}

}  // namespace tintloom
