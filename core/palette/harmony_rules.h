#pragma once
// The colour scheme: the harmony rule, the hues of all ten slots, the custom
// rule's hue offsets and the rule slots' saturation weights, with the rule
// arithmetic on them. The coordination model owns the scheme; the hue window
// views and edits it, the palette document saves and loads it. Nothing here
// reaches the model: pushing the scheme into the slots is the model's job.

#include <array>
#include <cstdint>

#include "core/palette/colour_slots.h"

namespace tintloom {

inline constexpr int kRuleCount = 8;
inline constexpr int kCustomRule = 7;

struct THarmonyRule {
  const char* name;             // the rule combo's text
  std::uint32_t visibleSlots;   // bit i: slot i's marker is shown
};

// Analogous, hue dominant, split complementary, complementary, triad, tetrad,
// pentad, custom.
extern const std::array<THarmonyRule, kRuleCount> kHarmonyRules;
// Mask of visible slots for a rule index; indices outside 0..6 are custom.
std::uint32_t RuleVisibleSlots(int rule);

class TScheme {
 public:
  // The start values of every field, before any rule is chosen.
  void Reset();

  void SetSlotHue(int slot, float hue) { slotHues[static_cast<std::size_t>(slot)] = hue; }
  void SetCustomHueOffset(int slot, float offset) { customHueOffsets[static_cast<std::size_t>(slot)] = offset; }
  void SetSaturationWeight(int slot, float weight) { saturationWeights[static_cast<std::size_t>(slot)] = weight; }
  float SlotHue(int slot) const { return slotHues[static_cast<std::size_t>(slot)]; }
  float CustomHueOffset(int slot) const { return customHueOffsets[static_cast<std::size_t>(slot)]; }
  float SaturationWeight(int slot) const { return saturationWeights[static_cast<std::size_t>(slot)]; }

  // Writes slot hues 1..4 from slot hue 0 by the rule.
  void DeriveRuleHues();
  // Selects a rule: swaps saturation weights 1..4 between the custom set and
  // the other rules' set when crossing to or from the custom rule, and shows
  // the rule's markers that the enabled-slot mask allows.
  void SwitchRule(int rule, std::uint32_t enabledSlotMask);

  // Rule slot 0..4 at an absolute saturation, stored in the form the rule
  // keeps it: an offset from slot 0's weight for slots 1..4 under every rule
  // but the custom one, the saturation itself otherwise.
  void SetRuleSlotSaturation(int slot, float saturation);
  // A base colour fitted to a slot (its hue and saturation) written back
  // where the scheme keeps it, in the form of the current rule.
  void TakeBaseColour(int slot, float hue, float saturation);

  std::int32_t ruleIndex = 0;
  std::int32_t previousRule = 0;
  std::int32_t analogousSpread = 10;
  std::uint32_t visibleSlotMask = 0xFFFFFFFFu;
  float slotHues[kSlotCount] = {0, 0, 0, 0, 0, 100, 140, 180, 220, 260};
  float customHueOffsets[kRuleSlotCount] = {0, 20, 40, 60, 80};
  float saturationWeights[kRuleSlotCount] = {0.75f, 0, 0, 0, 0};
  float customWeightStash[kRuleSlotCount] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
  float otherWeightStash[kRuleSlotCount] = {0, 0, 0, 0, 0};
};

}  // namespace tintloom
