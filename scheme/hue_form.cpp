#include "scheme/hue_form.h"

#include "app/main_form.h"

namespace tintloom {

THueForm::THueForm(TMainForm& main)
    : TToolForm(main, "HueForm", QString::fromUtf8("配色"), 262, 333), scheme_(main.Model()) {
  main.Windows().hue = this;
  main.Model().AttachScheme(&scheme_);
  scheme_.Construct();
}

THueForm::~THueForm() { Main().Model().AttachScheme(nullptr); }

void THueForm::DrawWheel() {}
void THueForm::RepaintSlotStrip() {}
void THueForm::RepaintValueSlider() {}

}  // namespace tintloom
