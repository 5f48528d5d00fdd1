#pragma once
// The light-balance window: lights the whole coordination with an ambient and
// a light colour, each set by hue, saturation and value sliders, and switches
// the balance and its "ignore the shade settings" variant on and off. It only
// edits; the model holds the colours and the two flags.

#include <array>

#include "core/colour/colour.h"
#include "ui/tool_form.h"

class QCheckBox;
class QLabel;
class QSlider;

namespace tintloom {

class TCoordinationModel;

class TPaletteForm : public TToolForm {
  Q_OBJECT
 public:
  explicit TPaletteForm(TMainForm& main);
  ~TPaletteForm() override;

  // Handler of all six sliders: labels, swatches, then both colours to the model.
  void TrackBar1Change();
  void CheckBox1Click();
  void CheckBox2Click();
  // After an undo or a redo: the check boxes and sliders show the model's
  // light balance.
  void ShowModelState();

  // The window's parts, for whoever inspects it. Sliders by their form
  // names: TrackBar1 (ambient hue), 4 (ambient saturation), 3 (ambient
  // value), 2 (light hue), 6 (light saturation), 5 (light value).
  QCheckBox* EnableBox() const { return enableBox_; }
  QCheckBox* IgnoreShadesBox() const { return ignoreShadesBox_; }
  QSlider* TrackBar(int number) const;
  QLabel* ValueLabel(int trackBarNumber) const;
  QWidget* AmbientSwatch() const { return ambientSwatch_; }
  QWidget* LightSwatch() const { return lightSwatch_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  TCoordinationModel& Model() const;
  // The value labels and the two swatches for these colours.
  void ShowSliderColours(const TColorF& ambient, const TColorF& light);

  // Every tooltip and accessible name of the window, in one place.
  void ExplainControls();

  QCheckBox* enableBox_ = nullptr;
  QCheckBox* ignoreShadesBox_ = nullptr;
  QWidget* ambientSwatch_ = nullptr;
  QWidget* lightSwatch_ = nullptr;
  // Indexed by the slider's form number - 1.
  std::array<QSlider*, 6> sliders_{};
  std::array<QLabel*, 6> valueLabels_{};
};

}  // namespace tintloom
