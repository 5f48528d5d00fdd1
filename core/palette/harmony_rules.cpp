#include "core/base/user_text.h"
#include "core/palette/harmony_rules.h"

namespace tintloom {

const std::array<THarmonyRule, kRuleCount> kHarmonyRules = {{
    {TL_TEXT("tintloom", "類似色相"), 0x3FF},
    {TL_TEXT("tintloom", "色相ドミナント"), 0x3E1},
    {TL_TEXT("tintloom", "分裂補色配色"), 0x3E7},
    {TL_TEXT("tintloom", "補色配色"), 0x3E3},
    {TL_TEXT("tintloom", "トライアード"), 0x3E7},
    {TL_TEXT("tintloom", "テトラード"), 0x3EF},
    {TL_TEXT("tintloom", "ペンタード"), 0x3FF},
    {TL_TEXT("tintloom", "カスタム"), 0x3FF},
}};

std::uint32_t RuleVisibleSlots(int rule) {
  if (rule < 0 || rule >= kRuleCount) rule = kCustomRule;
  return kHarmonyRules[static_cast<std::size_t>(rule)].visibleSlots;
}

void TScheme::Reset() { *this = TScheme{}; }

void TScheme::DeriveRuleHues() {
  // Sums are taken in extended precision and stored as float.
  const TExtended h0 = slotHues[0];
  const auto n = static_cast<TExtended>(analogousSpread);
  // Twice the spread in 64 bits: a spread read from a document can be any int.
  const auto n2 = static_cast<TExtended>(2 * static_cast<std::int64_t>(analogousSpread));
  TExtended hues[4];
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

void TScheme::SwitchRule(int rule, std::uint32_t enabledSlotMask) {
  ruleIndex = rule;
  if (ruleIndex != previousRule) {
    // Weight 0 is slot 0's own saturation, shared by every rule: it never moves.
    if (ruleIndex == kCustomRule) {
      for (int k = 1; k < kRuleSlotCount; ++k) {
        otherWeightStash[k] = saturationWeights[k];
        saturationWeights[k] = customWeightStash[k];
      }
    } else if (previousRule == kCustomRule) {
      for (int k = 1; k < kRuleSlotCount; ++k) {
        customWeightStash[k] = saturationWeights[k];
        saturationWeights[k] = otherWeightStash[k];
      }
    }
  }
  previousRule = ruleIndex;
  visibleSlotMask = RuleVisibleSlots(ruleIndex) & enabledSlotMask;
}

void TScheme::SetRuleSlotSaturation(int slot, float saturation) {
  const bool offset = slot >= 1 && ruleIndex != kCustomRule;
  SetSaturationWeight(slot, offset ? static_cast<float>(static_cast<TExtended>(saturation) - saturationWeights[0])
                                   : saturation);
}

void TScheme::TakeBaseColour(int slot, float hue, float saturation) {
  const TExtended hue0 = slotHues[0];
  if (slot >= 1 && slot < kRuleSlotCount && ruleIndex != kCustomRule) {
    // The slot hue is derived again by the rule at the next repaint.
    SetSlotHue(slot, static_cast<float>(hue - hue0));
    SetCustomHueOffset(slot, hue);
    SetRuleSlotSaturation(slot, saturation);
  } else if (slot >= 1 && slot < kRuleSlotCount) {
    SetSlotHue(slot, hue);
    SetCustomHueOffset(slot, static_cast<float>(hue - hue0));
    SetSaturationWeight(slot, saturation);
  } else if (slot == 0) {
    SetSlotHue(slot, hue);
    SetCustomHueOffset(slot, hue);
    SetSaturationWeight(slot, saturation);
  } else {
    // A free slot's saturation lives in the model, not here.
    SetSlotHue(slot, hue);
  }
}

}  // namespace tintloom
