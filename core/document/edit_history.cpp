#include "core/document/edit_history.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace tintloom {

namespace {

// Compared as bytes: these are made of 4-byte fields only, so they hold no
// padding whose bytes could differ. A field of another size breaks the build
// here rather than the comparison.
static_assert(std::is_trivially_copyable_v<TScheme> && sizeof(TScheme) == 4 * (4 + kSlotCount + 4 * kRuleSlotCount));
static_assert(std::is_trivially_copyable_v<TColorSlot> && sizeof(TColorSlot) == kShadeCount * 4 * (4 * 3 + 2));
static_assert(std::is_trivially_copyable_v<TColorF> && sizeof(TColorF) == 12);

template <typename T>
bool SameBytes(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

bool SameFloats(const float* a, const float* b, int count) {
  return std::memcmp(a, b, sizeof(float) * static_cast<std::size_t>(count)) == 0;
}

}  // namespace

bool SameDocument(const TEditState& a, const TEditState& b) {
  const TScheme& x = a.scheme;
  const TScheme& y = b.scheme;
  return x.ruleIndex == y.ruleIndex && x.visibleSlotMask == y.visibleSlotMask &&
         x.analogousSpread == y.analogousSpread && SameFloats(x.slotHues, y.slotHues, kSlotCount) &&
         SameFloats(x.customHueOffsets, y.customHueOffsets, kRuleSlotCount) &&
         SameFloats(x.saturationWeights, y.saturationWeights, kRuleSlotCount) &&
         SameFloats(x.customWeightStash, y.customWeightStash, kRuleSlotCount) &&
         SameFloats(x.otherWeightStash, y.otherWeightStash, kRuleSlotCount) && a.toneFilter == b.toneFilter &&
         SameBytes(a.colourSlots, b.colourSlots);
}

bool SamePalette(const TEditState& a, const TEditState& b) {
  return SameBytes(a.scheme, b.scheme) && a.toneFilter == b.toneFilter && SameBytes(a.colourSlots, b.colourSlots) &&
         a.lightBalanceEnabled == b.lightBalanceEnabled && a.ignoreShadeSettings == b.ignoreShadeSettings &&
         SameBytes(a.ambientColour, b.ambientColour) && SameBytes(a.lightColour, b.lightColour) &&
         a.background == b.background;
}

bool SameSwatches(const TEditState& a, const TEditState& b) {
  if (a.swatches == b.swatches) return true;
  const bool emptyA = a.swatches == nullptr || a.swatches->empty();
  const bool emptyB = b.swatches == nullptr || b.swatches->empty();
  if (emptyA || emptyB) return emptyA == emptyB;
  return *a.swatches == *b.swatches;
}

bool SameState(const TEditState& a, const TEditState& b) {
  return SamePalette(a, b) && a.layers == b.layers && SameSwatches(a, b);
}

void TEditHistory::Start(const TEditState& state) {
  states_.assign(1, state);
  current_ = 0;
}

bool TEditHistory::Record(const TEditState& state) {
  if (SameState(state, Current())) return false;
  states_.erase(states_.begin() + static_cast<std::ptrdiff_t>(current_) + 1, states_.end());
  states_.push_back(state);
  ++current_;
  while (states_.size() > maxSteps_ + 1) {
    states_.pop_front();
    --current_;
  }
  return true;
}

std::optional<TEditState> TEditHistory::Undo() {
  if (!CanUndo()) return std::nullopt;
  const TEditPlace place = states_[current_].place;
  --current_;
  TEditState state = states_[current_];
  state.place = place;
  return state;
}

std::optional<TEditState> TEditHistory::Redo() {
  if (!CanRedo()) return std::nullopt;
  ++current_;
  return states_[current_];
}

void TEditHistory::ReplaceCurrent(const TEditState& state) {
  // The place stays the one the step was made at, for when it is undone.
  const TEditPlace place = states_[current_].place;
  states_[current_] = state;
  states_[current_].place = place;
}

void TEditHistory::ReplaceLayers(const std::vector<TLayerRecord>& layers) {
  std::deque<TEditState> kept;
  std::size_t current = 0;
  for (std::size_t i = 0; i < states_.size(); ++i) {
    TEditState& state = states_[i];
    state.layers = layers;
    state.place.layer = TEditPlace::kUnknownLayer;
    // A step that only mapped the old layers is now no step at all.
    if (kept.empty() || !SamePalette(kept.back(), state) || !SameSwatches(kept.back(), state)) {
      kept.push_back(std::move(state));
    }
    if (i == current_) current = kept.size() - 1;
  }
  states_ = std::move(kept);
  current_ = current;
}

void TEditHistory::ReplaceSwatches(const TSwatchLines& swatches) {
  for (TEditState& state : states_) state.swatches = swatches;
}

void TEditHistory::RemapLayers(
    const std::function<std::vector<TLayerRecord>(const std::vector<TLayerRecord>&)>& remap,
    const std::vector<int>& from) {
  std::deque<TEditState> kept;
  std::size_t current = 0;
  for (std::size_t i = 0; i < states_.size(); ++i) {
    TEditState& state = states_[i];
    state.layers = remap(state.layers);
    if (state.place.layer >= 0) {
      const auto continued = std::find(from.begin(), from.end(), state.place.layer);
      state.place.layer =
          continued == from.end() ? TEditPlace::kUnknownLayer : static_cast<std::int32_t>(continued - from.begin());
    }
    // A step that only changed a layer now gone is no step at all.
    if (kept.empty() || !SameState(kept.back(), state)) kept.push_back(std::move(state));
    if (i == current_) current = kept.size() - 1;
  }
  states_ = std::move(kept);
  current_ = current;
}

std::size_t TEditHistory::MemoryBytes() const {
  std::size_t bytes = states_.size() * sizeof(TEditState);
  const std::vector<std::string>* counted = nullptr;
  for (const TEditState& state : states_) {
    bytes += state.layers.capacity() * sizeof(TLayerRecord);
    // Steps share a collection until one changes it: each counts once.
    if (state.swatches != nullptr && state.swatches.get() != counted) {
      counted = state.swatches.get();
      for (const std::string& line : *counted) bytes += sizeof(std::string) + line.capacity();
    }
  }
  return bytes;
}

}  // namespace tintloom
