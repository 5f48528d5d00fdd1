#pragma once
// The hue window: the rule combo, the hue wheel with a marker per slot, the
// value slider of the selected slot and the strip of the ten base colours.
// It holds the colour scheme; every repaint pushes the scheme into the model.

#include <memory>

#include "app/tool_form.h"
#include "core/surface.h"
#include "scheme/harmony_rules.h"

class QComboBox;

namespace tintloom {

class TPaintBox;
struct TMouseInput;

class THueForm : public TToolForm {
  Q_OBJECT
 public:
  explicit THueForm(TMainForm& main);
  ~THueForm() override;

  TScheme& Scheme() { return scheme_; }

  // Draws wheel and markers onto PaintBox1 (only when visible and not busy).
  void DrawWheel();
  void RepaintSlotStrip();
  void RepaintValueSlider();

 private:
  TScheme scheme_;
};

}  // namespace tintloom
