#pragma once
// The information window: the selected shade's colour beside its tone's
// colour, its RGB values and hexadecimal code (with a button that copies the
// code), its tone's name and impression words, and what its colour family
// symbolises. Hidden at start; the View menu shows it.

#include "ui/tool_form.h"

class QFrame;
class QPushButton;

namespace tintloom {

// The heading of a tone's words (its name and abbreviation) and of a hue
// family's meanings, in the user's language.
QString ToneHeading(int tone);
QString FamilyHeading(int family);

class TInfoForm : public TToolForm {
  Q_OBJECT
 public:
  explicit TInfoForm(TMainForm& main);

  // Fills the window from the selected shade; nothing while hidden or busy.
  void UpdateInfo();
  // Puts the shown code on the clipboard; nothing while hidden or busy.
  void Button1Click();

  QPushButton* CopyButton() const { return copyButton_; }
  QFrame* ColourSwatch() const { return colourPanel_; }
  QFrame* ToneSwatch() const { return tonePanel_; }
  // Writes the texts of a hue family: its heading and what it stands for.
  void ShowFamily(int family);
  // The family the family texts were last written for (-1 before the first).
  int FamilyShown() const { return familyCache_; }

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Every tooltip and accessible name of the window, in one place.
  void ExplainControls();

  QFrame* colourPanel_ = nullptr;
  QFrame* tonePanel_ = nullptr;
  QLabel* red_ = nullptr;
  QLabel* green_ = nullptr;
  QLabel* blue_ = nullptr;
  QLabel* hexCode_ = nullptr;
  QPushButton* copyButton_ = nullptr;
  QLabel* toneName_ = nullptr;
  QLabel* toneWords_ = nullptr;
  QLabel* familyHeading_ = nullptr;
  QLabel* familyMeanings_ = nullptr;
  // The family texts are rewritten only when the family changes; hiding the
  // window keeps them.
  int familyCache_ = -1;
};

}  // namespace tintloom
