// The coordination model's side of undo and redo: what a state is made of,
// when it is recorded, and how a state comes back.

#include <algorithm>
#include <filesystem>

#include "core/document/coordination_model.h"

namespace tintloom {

TEditState TCoordinationModel::CaptureState() const {
  TEditState state;
  palette_.CaptureInto(state);
  state.background = backgroundMode_;
  const int count = LayerCount();
  state.layers.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const TLayerMapping& mapping = artwork_.Mapping(i);
    state.layers[static_cast<std::size_t>(i)] =
        TLayerRecord{mapping.MappedSlot, mapping.BaseLevel, mapping.ShadowLevel,
                     artwork_.Document().Simples[static_cast<std::size_t>(i)].BlendModeKey,
                     artwork_.Layers()[static_cast<std::size_t>(i)].hidden};
  }
  state.swatches = swatches_;
  state.place = TEditPlace{selectedSlot, selectedShade, artwork_.SelectedLayer()};
  return state;
}

void TCoordinationModel::StartHistory() {
  history_.Start(CaptureState());
  savedState_ = history_.Current();
  savedLayers_ = savedState_.layers;
  savedArtworkPath_ = artwork_.Path();
  ShowHistory();
  ShowTitle();
}

void TCoordinationModel::BeginGesture() {
  if (busy_) return;
  if (gesture_) EndGesture();
  gesture_ = true;
}

void TCoordinationModel::EndGesture() {
  gesture_ = false;
  RecordEdit();
}

void TCoordinationModel::CancelGesture() {
  if (busy_ || !gesture_) return;
  gesture_ = false;
  // Only the values come back; what is selected now stays selected.
  TEditState state = history_.Current();
  state.place = TEditPlace{selectedSlot, selectedShade, artwork_.SelectedLayer()};
  RestoreState(state);
}

void TCoordinationModel::RecordEdit() {
  if (busy_ || restoring_ || gesture_) return;
  if (history_.Record(CaptureState())) ShowHistory();
}

bool TCoordinationModel::Undo() {
  if (busy_) return false;
  // A drag or a typed value still open is the step to undo.
  EndGesture();
  std::optional<TEditState> state = history_.Undo();
  if (!state) return false;
  RestoreState(*state);
  return true;
}

bool TCoordinationModel::Redo() {
  if (busy_) return false;
  EndGesture();
  std::optional<TEditState> state = history_.Redo();
  if (!state) return false;
  RestoreState(*state);
  return true;
}

void TCoordinationModel::RestoreState(const TEditState& state) {
  restoring_ = true;
  // A slot's ramp is made of its four lit shades: only a slot whose lit
  // shades differ needs its ramp again, as after an edit.
  std::array<bool, kSlotCount> rampChanged{};
  for (int i = 0; i < kSlotCount; ++i) {
    const auto& now = palette_.Slots()[static_cast<std::size_t>(i)].shades;
    const auto& then = state.colourSlots[static_cast<std::size_t>(i)].shades;
    for (int j = 0; j < kShadeCount; ++j) {
      if (now[static_cast<std::size_t>(j)].LitColor != then[static_cast<std::size_t>(j)].LitColor) {
        rampChanged[static_cast<std::size_t>(i)] = true;
      }
    }
  }
  palette_.RestoreFrom(state);
  backgroundMode_ = state.background;
  if (state.swatches != nullptr) swatches_ = state.swatches;
  // The history holds the layers of the artwork now open (opening replaces
  // them in every step), so the counts agree; the bound is only a guard.
  const int count = std::min(LayerCount(), static_cast<int>(state.layers.size()));
  std::vector<int> shown, hidden;
  for (int i = 0; i < count; ++i) {
    const TLayerRecord& record = state.layers[static_cast<std::size_t>(i)];
    if (record.hidden != LayerHidden(i)) (record.hidden ? hidden : shown).push_back(i);
  }
  // The pick image follows the layers shown (the canvas is composed below).
  if (!shown.empty() || !hidden.empty()) {
    for (const int i : shown) artwork_.SetHidden(i, false);
    for (const int i : hidden) artwork_.SetHidden(i, true);
    artwork_.RebuildPickImage();
  }
  for (int i = 0; i < count; ++i) {
    const TLayerRecord& record = state.layers[static_cast<std::size_t>(i)];
    TLayerMapping& mapping = LayerMapping(i);
    artwork_.SetBlendMode(i, record.blendMode);
    if (mapping.MappedSlot == record.mappedSlot && mapping.BaseLevel == record.baseLevel &&
        mapping.ShadowLevel == record.shadowLevel) {
      continue;
    }
    mapping.MappedSlot = record.mappedSlot;
    mapping.BaseLevel = record.baseLevel;
    mapping.ShadowLevel = record.shadowLevel;
    // A lookup points into its ramp, which the redraw rebuilds in place: only
    // a changed mapping needs a new one.
    BuildLayerLookup(i);
  }
  // What the step changed is selected again, so the windows show it.
  if (state.place.slot >= 0 && state.place.slot < kSlotCount) selectedSlot = state.place.slot;
  if (state.place.shade >= 0 && state.place.shade < kShadeCount) selectedShade = state.place.shade;
  if (state.place.layer >= -1 && state.place.layer < LayerCount() && state.place.layer != artwork_.SelectedLayer()) {
    artwork_.Select(state.place.layer);
  }
  // A selected layer shows the slot it takes its colours from, as when it is
  // picked: after an undone mapping that is the slot it had.
  if (LayerSelected()) {
    const int mapped = LayerMapping(artwork_.SelectedLayer()).MappedSlot;
    if (mapped >= 0 && mapped < kSlotCount) selectedSlot = mapped;
  }
  // The full redraw, with only the ramps that changed built again.
  PaintHueWindow();
  views_.RepaintValueSlider();
  if (views_.PickerWindowVisible()) views_.RefreshPicker();
  if (views_.LayerWindowVisible()) views_.RefreshSlotGrid();
  for (int i = 0; i < kSlotCount; ++i) {
    if (rampChanged[static_cast<std::size_t>(i)]) BuildSlotRamp(i);
  }
  ComposeCanvas();
  ShowRampsInLayerWindow();
  ShowSelectedLayerValues(true);
  views_.ShowRestoredState();
  restoring_ = false;
  // The redraw derives the same values from the same state; should it not,
  // the state on show is the one to come back to.
  history_.ReplaceCurrent(CaptureState());
  ShowHistory();
}

void TCoordinationModel::ForgetLayerSteps() {
  history_.ReplaceLayers(CaptureState().layers);
  // Artwork opened on its own starts with nothing worth saving. Opened over
  // a work document it replaces that document's artwork: unsaved work there.
  if (documentKind_ != TDocumentKind::Work) {
    savedLayers_ = history_.Current().layers;
    savedArtworkPath_ = artwork_.Path();
  }
  ShowHistory();
}

void TCoordinationModel::MarkSaved(TDocumentKind kind, const std::string& path, const std::string& artworkPath) {
  RecordEdit();
  savedState_ = history_.Current();
  if (kind == TDocumentKind::Work) {
    savedLayers_ = history_.Current().layers;
    savedArtworkPath_ = artworkPath;
  }
  documentKind_ = kind;
  documentPath_ = path;
  recovered_ = false;
  ShowHistory();
  ShowTitle();
}

void TCoordinationModel::MarkRecovered(TDocumentKind kind, const std::string& path) {
  RecordEdit();
  documentKind_ = kind;
  documentPath_ = path;
  recovered_ = true;
  ShowHistory();
  ShowTitle();
}

bool TCoordinationModel::PaletteUnsaved() const { return recovered_ || !SameDocument(history_.Current(), savedState_); }

bool TCoordinationModel::LayersUnsaved() const {
  return recovered_ || artwork_.Path() != savedArtworkPath_ || history_.Current().layers != savedLayers_;
}

bool TCoordinationModel::DocumentHoldsWork() const {
  switch (documentKind_) {
    case TDocumentKind::Work: return artwork_.Path() == savedArtworkPath_;
    case TDocumentKind::Palette: return !LayersUnsaved();
    case TDocumentKind::None: break;
  }
  return false;
}

void TCoordinationModel::ShowHistory() {
  const bool unsaved = PaletteUnsaved() || LayersUnsaved();
  if (unsaved != shownUnsaved_) {
    shownUnsaved_ = unsaved;
    ShowTitle();
  }
  views_.ShowUndoRedo(history_.CanUndo(), history_.CanRedo());
}

void TCoordinationModel::ShowDrawingTime(bool on) {
  showsDrawingTime_ = on;
  ShowTitle();
}

void TCoordinationModel::ShowTitle() {
  // "*evening.tlw — Tintloom": the mark, the document's name, the program's.
  std::string title = shownUnsaved_ ? "*" : "";
  if (!documentPath_.empty()) title += std::filesystem::path(documentPath_).filename().string() + " \xE2\x80\x94 ";
  title += "Tintloom";
  if (showsDrawingTime_) title += redraw_.DrawingTimeText();
  views_.SetTitleText(title);
}

// ---------------------------------------------------------------- swatches

void TCoordinationModel::StartSwatches(std::vector<std::string> lines) {
  swatches_ = std::make_shared<const std::vector<std::string>>(std::move(lines));
  history_.ReplaceSwatches(swatches_);
}

void TCoordinationModel::AddSwatches(std::vector<std::string> lines) {
  if (busy_ || lines.empty()) return;
  // A drag or a typed value still open is a step of its own, before this one.
  if (gesture_) EndGesture();
  auto grown = std::make_shared<std::vector<std::string>>();
  grown->reserve(swatches_->size() + lines.size());
  *grown = *swatches_;
  grown->insert(grown->end(), std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
  swatches_ = std::move(grown);
  RecordEdit();
}

void TCoordinationModel::DeleteSwatch(std::size_t index) {
  if (busy_ || index >= swatches_->size()) return;
  if (gesture_) EndGesture();
  auto shrunk = std::make_shared<std::vector<std::string>>(*swatches_);
  shrunk->erase(shrunk->begin() + static_cast<std::ptrdiff_t>(index));
  swatches_ = std::move(shrunk);
  RecordEdit();
}

}  // namespace tintloom
