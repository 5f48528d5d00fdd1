#pragma once
// The hue window: the rule combo, the hue wheel with a marker per slot, the
// value slider of the selected slot and the strip of the ten base colours.
// It views and edits the model's colour scheme; every repaint pushes the
// scheme into the slots.
//
// Everything is drawn into surfaces first (when the model asks for it) and
// the paint boxes only show those surfaces, so a paint event never edits the
// model or asks for another paint.

#include <QImage>
#include <QPoint>
#include <array>

#include "ui/tool_form.h"
#include "core/colour/surface.h"
#include "core/palette/harmony_rules.h"

class QComboBox;
class QKeyEvent;
class QLabel;

namespace tintloom {

class TCoordinationModel;
class TPaintBox;
struct TMouseInput;

// Wheel geometry shared by the drawing and the dragging: the wheel picture
// sits at (4, 4) in the 179 x 179 wheel, so its centre is (89.5, 89.5), used
// as 89 after truncation; full saturation is 80 pixels from the centre.
inline constexpr int kWheelCentre = 89;
inline constexpr int kWheelRadius = kWheelSaturationRadius;

class THueForm : public TToolForm {
  Q_OBJECT
 public:
  explicit THueForm(TMainForm& main);
  ~THueForm() override;

  // Draws wheel and markers onto the wheel box (only when visible and not busy).
  void DrawWheel();
  void RepaintSlotStrip();
  void RepaintValueSlider();

  // Scheme into the model, then wheel and strip.
  void PaintBox1Paint();
  void PaintBox1MouseDown(const TMouseInput& input);
  void PaintBox1MouseMove(const TMouseInput& input);
  void PaintBox1MouseUp(const TMouseInput& input);
  void PaintBox3MouseDown(const TMouseInput& input);
  void PaintBox3MouseMove(const TMouseInput& input);
  void PaintBox3MouseUp(const TMouseInput& input);
  void PaintBox2MouseDown(const TMouseInput& input);
  void ComboBox1Change();

  // The slot whose strip cell holds (x, y) in a strip of the given size, or
  // -1 where no slot is (the few columns right of the upper row's cells,
  // anything outside the strip).
  static int StripSlotAt(int x, int y, int width, int height);

  // The window's parts and transient state, for whoever inspects it.
  TPaintBox* WheelBox() const { return wheelBox_; }
  TPaintBox* StripBox() const { return stripBox_; }
  TPaintBox* SliderBox() const { return sliderBox_; }
  QComboBox* RuleCombo() const { return ruleCombo_; }
  QPoint MarkerCentre(int slot) const { return markerCentres_[static_cast<std::size_t>(slot)]; }
  int HoveredMarker() const { return hoveredMarker_; }
  int SliderPointerTop() const { return sliderPointerTop_; }
  const TSurface& WheelSurface() const { return wheel_; }
  const TSurface& StripSurface() const { return strip_; }
  const TSurface& SliderSurface() const { return slider_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  TCoordinationModel& Model() const;
  TScheme& Scheme() const;
  // Every tooltip and accessible name of the window, and the spot texts of
  // the wheel's markers and the strip's cells: all the window says about
  // itself, in one place.
  void ExplainControls();
  QString SlotText(int slot) const;
  bool WheelKey(const QKeyEvent& event);
  bool SliderKey(const QKeyEvent& event);
  void DrawMarker(int i, bool baseMarker, bool ruleSlot);
  void HoverTest(int x, int y);
  void DragStep(const TMouseInput& input);
  void TurnMarker(int k, double angle);
  void SetMarkerSaturation(int k, float saturation);
  // Ends a wheel or slider drag whose release will never come (the window
  // hid, or the pointer moves with no button held).
  void EndLostDrags();

  QLabel* ruleLabel_ = nullptr;
  QComboBox* ruleCombo_ = nullptr;
  TPaintBox* wheelBox_ = nullptr;
  TPaintBox* sliderBox_ = nullptr;
  QLabel* baseColourLabel_ = nullptr;
  QLabel* baseColourArrow_ = nullptr;
  TPaintBox* stripBox_ = nullptr;

  TSurface wheelPicture_;
  TSurface wheel_;
  TSurface strip_;
  TSurface shownStrip_;  // strip_ as the colour-vision simulation shows it
  TSurface valueGradient_;
  TSurface slider_;
  TMask8 mask8_;
  TMask8 mask12_;
  TMask8 mask16_;
  TMask8 mask20_;
  QImage sliderPointer_;  // the image list's only image

  std::array<QPoint, 10> markerCentres_{};
  int hoveredMarker_ = -1;
  bool dragging_ = false;
  bool sliderDragging_ = false;
  int pressX_ = 0;
  int pressY_ = 0;
  int grabbedX_ = 0;
  int grabbedY_ = 0;
  int sliderPointerTop_ = 0;
};

}  // namespace tintloom
