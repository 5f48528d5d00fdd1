#pragma once
// Test doubles for the model's two outward interfaces: messages are recorded
// as text, view hooks are counted, and visibility can be switched per window.

#include <string>
#include <vector>

#include "core/document/model_views.h"
#include "core/base/messages.h"

namespace tintloom::testing {

class TRecordingMessages final : public TMessageSink {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};

// Progress calls as text: "show <caption> <count>", "step <i>", "hide".
class TRecordingProgress final : public TProgressSink {
 public:
  void ShowProgress(const std::string& text, int count) override {
    calls.push_back("show " + text + " " + std::to_string(count));
  }
  void StepProgress(int position) override { calls.push_back("step " + std::to_string(position)); }
  void HideProgress() override { calls.push_back("hide"); }
  std::vector<std::string> calls;
};

class TRecordingViews final : public TModelViews {
 public:
  TRecordingProgress progress;
  int layerListFills = 0;
  bool hueVisible = false;
  bool pickerVisible = false;
  bool layerVisible = false;
  int hueWheelDraws = 0;
  int slotStripRepaints = 0;
  int valueSliderRepaints = 0;
  int pickerRefreshes = 0;
  int slotGridRefreshes = 0;
  int layerListRefreshes = 0;
  int mappingPreviews = 0;
  int canvasShows = 0;
  int busyEntered = 0;
  int busyLeft = 0;
  int shownBlendItem = -99;
  int shownBase = -1;
  int shownShadow = -1;
  std::string title;
  bool canUndo = false;
  bool canRedo = false;
  int restoredShows = 0;

  bool HueWindowVisible() const override { return hueVisible; }
  void DrawHueWheel() override { ++hueWheelDraws; }
  void RepaintSlotStrip() override { ++slotStripRepaints; }
  void RepaintValueSlider() override { ++valueSliderRepaints; }
  bool PickerWindowVisible() const override { return pickerVisible; }
  void RefreshPicker() override { ++pickerRefreshes; }
  bool LayerWindowVisible() const override { return layerVisible; }
  void RefreshSlotGrid() override { ++slotGridRefreshes; }
  void RefreshLayerList() override { ++layerListRefreshes; }
  void PaintMappingPreview() override { ++mappingPreviews; }
  void ShowLayerBlendMode(int item) override { shownBlendItem = item; }
  void ShowLayerLevels(int base, int shadow) override {
    shownBase = base;
    shownShadow = shadow;
  }
  void ShowCanvas() override { ++canvasShows; }
  void SetTitleText(const std::string& text) override { title = text; }
  void ShowUndoRedo(bool undo, bool redo) override {
    canUndo = undo;
    canRedo = redo;
  }
  void ShowRestoredState() override { ++restoredShows; }
  void EnterBusy() override { ++busyEntered; }
  void LeaveBusy() override { ++busyLeft; }
  void FillLayerList() override { ++layerListFills; }
  TProgressSink& Progress() override { return progress; }
};

}  // namespace tintloom::testing
