#pragma once
// The picker window: edits the selected shade of the selected slot. The
// strip of the slot's four shades (a click selects one), three sliders with
// their edits for hue, saturation and value, the lower panel (the tone
// diagram for the base, the mixing field for the other shades), the shaded
// preview, redrawn at most every 100 ms, and the impression combo.
//
// As in every window, drawing goes into surfaces when the model asks for it;
// paint events only show them.

#include <QImage>
#include <array>

#include "core/colour/surface.h"
#include "core/document/picker_input.h"
#include "ui/tool_form.h"

class QLineEdit;
class QTimer;

namespace tintloom {

class TCoordinationModel;
class TImpressionCombo;
class TPaintBox;
struct TMouseInput;

class TColorForm : public TToolForm {
  Q_OBJECT
 public:
  explicit TColorForm(TMainForm& main);
  ~TColorForm() override;

  // Everything but the preview, which follows on the next timer tick. Only
  // while visible.
  void RefreshPicker();
  void DrawSliders();
  void DrawTonePanel();
  void DrawPreview();

  void PaintBox2MouseDown(const TMouseInput& input);
  // The three sliders share these; `slider` is the pressed box's tag.
  void PaintBox3MouseDown(int slider, const TMouseInput& input);
  void PaintBox3MouseMove(int slider, const TMouseInput& input);
  void PaintBox3MouseUp(int slider, const TMouseInput& input);
  void Edit1Change(int slider);
  void PaintBox6MouseDown(const TMouseInput& input);
  void PaintBox6MouseMove(const TMouseInput& input);
  void PaintBox6MouseUp(const TMouseInput& input);
  void Timer1Timer();
  void ComboBox1Change();
  // After an undo or a redo: the combo names the preset of the model's tone filter.
  void ShowToneFilterPreset();

  // The busy state stops the preview's timer; its end restarts it.
  void StopPreviewTimer();
  void StartPreviewTimer();

  // The window's parts, for whoever inspects it.
  TPaintBox* ShadeStripBox() const { return shadeStripBox_; }
  TPaintBox* SliderBox(int slider) const { return sliderBoxes_[static_cast<std::size_t>(slider)]; }
  QLineEdit* Edit(int slider) const { return edits_[static_cast<std::size_t>(slider)]; }
  TPaintBox* LowerPanelBox() const { return lowerPanelBox_; }
  TPaintBox* PreviewBox() const { return previewBox_; }
  TImpressionCombo* ImpressionCombo() const { return combo_; }
  QTimer* PreviewTimer() const { return timer_; }
  const TSurface& ShadeStripSurface() const { return shadeStrip_; }
  const TSurface& SliderSurface(int slider) const { return sliders_[static_cast<std::size_t>(slider)]; }
  const TSurface& LowerPanelSurface() const { return lowerPanel_; }
  const TSurface& PreviewSurface() const { return preview_; }
  bool PreviewDirty() const { return previewDirty_; }
  int PresetIndex() const { return presetIndex_; }
  const std::array<TToneCell, 12>& ToneCellRects() const { return toneCells_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  TCoordinationModel& Model() const;
  // Every tooltip and accessible name of the window and the spot texts of
  // the shade cells and tone cells, in one place.
  void ExplainControls();
  // A slider at position x: what it means for the selected shade is stored,
  // then everything is redrawn (unless the mixing field is moving both
  // sliders at once).
  void SliderMove(int slider, int x);
  void DrawShadeStrip();
  void EndLostDrags();
  // A value typed into an edit is committed (Enter, or the focus leaves).
  void EndTypingGesture();

  TImpressionCombo* combo_ = nullptr;
  TPaintBox* previewBox_ = nullptr;
  TPaintBox* shadeStripBox_ = nullptr;
  std::array<TPaintBox*, 3> sliderBoxes_{};
  std::array<QLineEdit*, 3> edits_{};
  TPaintBox* lowerPanelBox_ = nullptr;
  QTimer* timer_ = nullptr;

  TSurface shadeStrip_;
  TSurface hueStrip_;
  TSurface saturationStrip_;
  TSurface valueStrip_;
  // One surface per slider box: each shows its own.
  std::array<TSurface, 3> sliders_;
  TSurface lowerPanel_;
  TSurface preview_;
  TMask8 shadingMask_;
  TMask8 glossMask_;
  QImage sliderPointer_;

  bool editUpdate_ = false;   // the window itself is writing the edits
  int activeSlider_ = -1;
  std::array<TToneCell, 12> toneCells_{};
  bool typing_ = false;       // an edit is being typed into: it keeps its text
  bool typingGesture_ = false;  // typed changes since the last commit
  bool previewDirty_ = false;
  int presetIndex_ = 0;
  bool creating_ = false;
  bool fieldDrag_ = false;    // the mixing field moves two sliders, one redraw
  bool lowerPanelDragging_ = false;
};

}  // namespace tintloom
