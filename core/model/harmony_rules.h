#pragma once
// The colour scheme: the harmony rule, the hues of all ten slots, the custom
// rule's hue offsets and the rule slots' saturation weights. The hue window
// holds it; every repaint of that window derives the rule hues and pushes the
// scheme into the coordination model.

#include <array>
#include <cstdint>

namespace tintloom {

class TCoordinationModel;

inline constexpr int kRuleCount = 8;

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
  explicit TScheme(TCoordinationModel& model);
  TScheme(const TScheme&) = delete;
  TScheme& operator=(const TScheme&) = delete;

  // Sets up the start state (custom rule, weights 0.75 then 0.5) and pushes
  // it into the model.
  void Construct();

  void SetSlotHue(int slot, float hue) { slotHues[static_cast<std::size_t>(slot)] = hue; }
  void SetCustomHueOffset(int slot, float offset) { customHueOffsets[static_cast<std::size_t>(slot)] = offset; }
  void SetSaturationWeight(int slot, float weight) { saturationWeights[static_cast<std::size_t>(slot)] = weight; }
  float SlotHue(int slot) const { return slotHues[static_cast<std::size_t>(slot)]; }
  float SaturationWeight(int slot) const { return saturationWeights[static_cast<std::size_t>(slot)]; }

  // Writes slot hues 1..4 from slot hue 0 by the rule.
  void DeriveRuleHues();
  // The rule combo's change: swaps the saturation weights between the custom
  // set and the other rules' set, then redraws everything.
  void ChangeRule(int rule);
  // Derive, push into the model, apply the light balance, then draw the wheel.
  void RepaintWheel();

  std::int32_t ruleIndex = 0;
  std::int32_t previousRule = 0;
  std::int32_t analogousSpread = 10;
  std::uint32_t visibleSlotMask = 0xFFFFFFFFu;
  float slotHues[10] = {0, 0, 0, 0, 0, 100, 140, 180, 220, 260};
  float customHueOffsets[5] = {0, 20, 40, 60, 80};
  float saturationWeights[5] = {0.75f, 0, 0, 0, 0};
  float customWeightStash[5] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
  float otherWeightStash[5] = {0, 0, 0, 0, 0};
  bool creating = false;

 private:
  TCoordinationModel& model_;
};

}  // namespace tintloom
