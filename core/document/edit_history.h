#pragma once
// Undo and redo of the user's edits, as a bounded list of whole states. The
// coordination is small, so every step keeps the state after it in full: its
// palette part (the scheme, the tone filter, the forty shades, the light
// balance and the background) and its layer part (each working layer's ramp,
// levels and blend mode), and the swatch collection, which steps that leave it
// as it was share rather than copy. The model captures a state after every edit and
// hands it to Record, which keeps it only when it differs from the last one;
// an undo or a redo gives back the state to restore. Nothing here reaches the
// model.

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/artwork/canvas.h"
#include "core/colour/colour.h"
#include "core/palette/colour_slots.h"
#include "core/palette/harmony_rules.h"

namespace tintloom {

// What the user set for one working layer.
struct TLayerRecord {
  std::int16_t mappedSlot = 10;
  std::uint8_t baseLevel = 170;
  std::uint8_t shadowLevel = 85;
  std::int16_t blendMode = 0;
  bool hidden = false;  // set aside in the layer window
  bool operator==(const TLayerRecord&) const = default;
};

// The selection an edit was made under. It is not part of what is compared:
// an undo or a redo only selects again what the step changed, so that the
// windows show it.
struct TEditPlace {
  // The layer of a step made on artwork no longer open: the selection stays.
  static constexpr std::int32_t kUnknownLayer = -2;
  std::int32_t slot = 0;
  std::int32_t shade = kBase;
  std::int32_t layer = -1;
};

// The swatch collection, one swatch line each. A step that does not change it
// shares the collection of the step before: a thousand swatches are not copied
// two hundred times.
using TSwatchLines = std::shared_ptr<const std::vector<std::string>>;

struct TEditState {
  // The palette part.
  TScheme scheme;
  std::uint32_t toneFilter = 0xFFFFFFFFu;
  std::array<TColorSlot, kSlotCount> colourSlots{};
  bool lightBalanceEnabled = false;
  bool ignoreShadeSettings = false;
  TColorF ambientColour;
  TColorF lightColour;
  BackgroundMode background = BackgroundMode::Checker;
  // The layer part: one record per working layer, bottom layer first.
  std::vector<TLayerRecord> layers;
  // The swatches: undone and redone like the rest, but no part of a document.
  TSwatchLines swatches;
  TEditPlace place;
};

// Bit for bit, so that a value the user typed in is told apart from its
// neighbours and a stored NaN still equals itself.
bool SamePalette(const TEditState& a, const TEditState& b);
bool SameState(const TEditState& a, const TEditState& b);
// The same swatches in the same order (no collection counts as an empty one).
bool SameSwatches(const TEditState& a, const TEditState& b);
// Only what a palette document keeps (scheme without its previous rule, tone
// filter, shades): what the unsaved mark compares.
bool SameDocument(const TEditState& a, const TEditState& b);

class TEditHistory {
 public:
  static constexpr std::size_t kDefaultSteps = 200;

  explicit TEditHistory(std::size_t maxSteps = kDefaultSteps) : maxSteps_(maxSteps < 1 ? 1 : maxSteps) {}

  // Forgets every step: `state` is the only one.
  void Start(const TEditState& state);
  // The state after an edit. A state that differs from the current one
  // becomes a new step: the steps that could be redone are dropped, and past
  // the bound so is the oldest. True when a step was added.
  bool Record(const TEditState& state);
  // The state before the last step (or after the next one), with the place
  // of that step; nothing when there is no step.
  std::optional<TEditState> Undo();
  std::optional<TEditState> Redo();
  // The current state as the model shows it once restored.
  void ReplaceCurrent(const TEditState& state);
  // New artwork: every state takes its layers, and steps that changed
  // nothing else go, so only the palette's and the swatches' steps remain to
  // undo and redo.
  void ReplaceLayers(const std::vector<TLayerRecord>& layers);
  // The collection read at start-up: every state takes it, as where the
  // history begins rather than a step.
  void ReplaceSwatches(const TSwatchLines& swatches);
  // The artwork's file read again: every state's layers become
  // remap(its layers), and a step made on layer l is made on the layer i
  // whose from[i] is l (on no known layer when l vanished). Steps that then
  // change nothing go; the layers that remain keep their steps.
  void RemapLayers(const std::function<std::vector<TLayerRecord>(const std::vector<TLayerRecord>&)>& remap,
                   const std::vector<int>& from);

  bool CanUndo() const { return current_ > 0; }
  bool CanRedo() const { return current_ + 1 < states_.size(); }
  std::size_t UndoSteps() const { return current_; }
  std::size_t RedoSteps() const { return states_.empty() ? 0 : states_.size() - 1 - current_; }
  const TEditState& Current() const { return states_[current_]; }
  // Bytes held by the kept states, their layer records and swatches included.
  std::size_t MemoryBytes() const;

 private:
  std::size_t maxSteps_;
  std::deque<TEditState> states_{TEditState{}};
  std::size_t current_ = 0;
};

}  // namespace tintloom
