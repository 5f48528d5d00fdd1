#pragma once
// The model's view hooks, carried to the windows: each hook reaches the tool
// window it concerns, or the main window for the canvas, caption and menu.
// A window that does not exist (yet, or any more) is passed over.

#include "core/document/model_views.h"

namespace tintloom {

class TMainForm;

class TModelViewsAdapter final : public TModelViews {
 public:
  // Only remembered here: the model is built with its views before the main
  // window has built anything the hooks reach.
  explicit TModelViewsAdapter(TMainForm& main) : main_(main) {}

  bool HueWindowVisible() const override;
  void DrawHueWheel() override;
  void RepaintSlotStrip() override;
  void RepaintValueSlider() override;
  bool LayerWindowVisible() const override;
  void RefreshSlotGrid() override;
  void RefreshLayerList() override;
  void PaintMappingPreview() override;
  void ShowLayerBlendMode(int comboItem) override;
  void ShowLayerLevels(int baseLevel, int shadowLevel) override;
  void FillLayerList() override;
  bool PickerWindowVisible() const override;
  void RefreshPicker() override;
  void ShowCanvas() override;
  void SetTitleText(const std::string& text) override;
  void ShowUndoRedo(bool canUndo, bool canRedo) override;
  void ShowRestoredState() override;
  void EnterBusy() override;
  void LeaveBusy() override;
  void ArtworkOpened() override;
  TProgressSink& Progress() override;

 private:
  TMainForm& main_;
};

}  // namespace tintloom
