#pragma once
// The one narrow way the coordination model reaches the windows. The program
// implements it; every call is a no-op for a window that does not exist or is
// hidden, so the model runs unchanged with no windows at all (tests, tools).

#include <string>

#include "core/base/progress_sink.h"

namespace tintloom {

class TModelViews {
 public:
  virtual ~TModelViews() = default;

  // Hue window. DrawHueWheel draws wheel and markers (the scheme has already
  // pushed itself into the model); RepaintSlotStrip and RepaintValueSlider
  // redraw the strip and slider. All three do nothing while it is hidden.
  virtual bool HueWindowVisible() const { return false; }
  virtual void DrawHueWheel() {}
  virtual void RepaintSlotStrip() {}
  virtual void RepaintValueSlider() {}

  // Picker window, when visible.
  virtual bool PickerWindowVisible() const { return false; }
  virtual void RefreshPicker() {}

  // Layer window.
  virtual bool LayerWindowVisible() const { return false; }
  virtual void RefreshSlotGrid() {}
  virtual void RefreshLayerList() {}
  virtual void PaintMappingPreview() {}
  virtual void ShowLayerBlendMode(int /*comboItem*/) {}
  virtual void ShowLayerLevels(int /*baseLevel*/, int /*shadowLevel*/) {}
  // Fills the layer list with the working layers, top first, when visible.
  virtual void FillLayerList() {}

  // The progress window, shown while artwork is being opened.
  virtual TProgressSink& Progress() {
    static TSilentProgress silent;
    return silent;
  }

  // Main window: show the composed canvas surface, set the caption text.
  virtual void ShowCanvas() {}
  virtual void SetTitleText(const std::string& /*text*/) {}

  // Whether there is a step to undo and one to redo, after every change of
  // the edit history.
  virtual void ShowUndoRedo(bool /*canUndo*/, bool /*canRedo*/) {}
  // After an undo or a redo, once everything is redrawn: the windows show
  // again what they keep of the state themselves (the selected layer's row,
  // the light balance's controls, the tone preset, the background's check).
  virtual void ShowRestoredState() {}

  // A file's artwork has replaced the artwork shown (opened from the menu, a
  // drop, the command line or a work document), so the file to follow is the
  // one the artwork session names now.
  virtual void ArtworkOpened() {}

  // Busy state: stop or restart the picker's timer, disable or enable the
  // tool windows' panels, clear or refill the layer list, and let pending
  // window events run.
  virtual void EnterBusy() {}
  virtual void LeaveBusy() {}
};

}  // namespace tintloom
