#include "ui/model_views_adapter.h"

#include <QApplication>

#include "ui/hue_form.h"
#include "ui/layer_form.h"
#include "ui/palette_form.h"
#include "ui/main_form.h"
#include "ui/progress_form.h"
#include "ui/swatch_form.h"

namespace tintloom {

namespace {

// The tool windows with a content panel, absent ones as null.
std::vector<TToolForm*> ToolForms(const TToolWindows& w) {
  return {w.hue, w.picker, w.lightBalance, w.layer, w.swatch, w.info};
}

}  // namespace

bool TModelViewsAdapter::HueWindowVisible() const {
  const TToolWindows& w = main_.Windows();
  return w.hue != nullptr && w.hue->isVisible();
}

void TModelViewsAdapter::DrawHueWheel() {
  if (THueForm* hue = main_.Windows().hue) hue->DrawWheel();
}

void TModelViewsAdapter::RepaintSlotStrip() {
  if (THueForm* hue = main_.Windows().hue) hue->RepaintSlotStrip();
}

void TModelViewsAdapter::RepaintValueSlider() {
  if (THueForm* hue = main_.Windows().hue) hue->RepaintValueSlider();
}

bool TModelViewsAdapter::LayerWindowVisible() const {
  const TToolWindows& w = main_.Windows();
  return w.layer != nullptr && w.layer->isVisible();
}

void TModelViewsAdapter::RefreshSlotGrid() {
  if (TLayerForm* layer = main_.Windows().layer) layer->RefreshSlotGrid();
}

void TModelViewsAdapter::RefreshLayerList() {
  if (TLayerForm* layer = main_.Windows().layer) layer->RefreshLayerList();
}

void TModelViewsAdapter::PaintMappingPreview() {
  if (TLayerForm* layer = main_.Windows().layer) layer->PaintMappingPreview();
}

void TModelViewsAdapter::ShowLayerBlendMode(int comboItem) {
  if (TLayerForm* layer = main_.Windows().layer) layer->ShowLayerBlendMode(comboItem);
}

void TModelViewsAdapter::ShowLayerLevels(int baseLevel, int shadowLevel) {
  if (TLayerForm* layer = main_.Windows().layer) layer->ShowLayerLevels(baseLevel, shadowLevel);
}

void TModelViewsAdapter::FillLayerList() {
  if (TLayerForm* layer = main_.Windows().layer) layer->FillLayerList();
}

bool TModelViewsAdapter::PickerWindowVisible() const {
  const TToolWindows& w = main_.Windows();
  return w.picker != nullptr && w.picker->isVisible();
}

void TModelViewsAdapter::RefreshPicker() {
  if (TColorForm* picker = main_.Windows().picker) picker->RefreshPicker();
}

void TModelViewsAdapter::ShowCanvas() { main_.ShowCanvas(); }

void TModelViewsAdapter::SetTitleText(const std::string& text) { main_.SetTitleText(text); }

void TModelViewsAdapter::ShowUndoRedo(bool canUndo, bool canRedo) { main_.ShowUndoRedo(canUndo, canRedo); }

void TModelViewsAdapter::ShowRestoredState() {
  main_.ShowBackgroundChoice();
  const TToolWindows& w = main_.Windows();
  if (w.layer != nullptr) w.layer->ShowRestoredState();
  if (w.lightBalance != nullptr) w.lightBalance->ShowModelState();
  if (w.picker != nullptr) w.picker->ShowToneFilterPreset();
  if (w.info != nullptr) w.info->UpdateInfo();
  // An undone or redone step may have added or taken away swatches.
  if (w.swatch != nullptr) w.swatch->RefreshSwatches();
}

void TModelViewsAdapter::EnterBusy() {
  const TToolWindows& w = main_.Windows();
  if (w.picker != nullptr) w.picker->StopPreviewTimer();
  for (TToolForm* form : ToolForms(w)) {
    if (form != nullptr) form->ContentPanel()->setEnabled(false);
  }
  // The list's rows name layers that are about to go.
  if (w.layer != nullptr) w.layer->ClearLayerList();
  QApplication::processEvents();
}

void TModelViewsAdapter::LeaveBusy() {
  const TToolWindows& w = main_.Windows();
  if (w.picker != nullptr) w.picker->StartPreviewTimer();
  for (TToolForm* form : ToolForms(w)) {
    if (form != nullptr) form->ContentPanel()->setEnabled(true);
  }
  if (w.layer != nullptr) w.layer->RefreshLayerList();
  QApplication::processEvents();
}

TProgressSink& TModelViewsAdapter::Progress() {
  if (TProgressForm* progress = main_.Windows().progress) return *progress;
  return TModelViews::Progress();
}

void TModelViewsAdapter::ArtworkOpened() { main_.FollowOpenArtwork(); }

}  // namespace tintloom
