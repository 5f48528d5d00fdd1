// The windows in English: menus, window texts and the core's messages come
// from the catalogue, and the choice of language is offered in both.

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <gtest/gtest.h>
#include <string_view>
#include <vector>

#include "core/document/artwork_export.h"
#include "core/formats/palette_import.h"
#include "support/paths.h"
#include "support/recording.h"
#include "ui/hue_form.h"
#include "ui/layer_form.h"
#include "ui/palette_form.h"
#include "ui/progress_form.h"
#include "ui/swatch_form.h"
#include "ui/main_form.h"
#include "ui/translation.h"

namespace tintloom {
namespace {

class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallLanguage(TLanguage::English); }
  void TearDown() override { InstallLanguage(TLanguage::Japanese); }
};

QString ActionText(QWidget* root, const char* name) { return root->findChild<QAction*>(name)->text(); }

TEST_F(LanguageTest, MenusWindowsAndMessagesAreEnglish) {
  testing::TRecordingMessages messages;
  TMainForm form(messages, testing::ProgramDir());
  form.CreateToolWindows();
  EXPECT_EQ(ActionText(&form, "N1"), "&Open...");
  EXPECT_EQ(ActionText(&form, "P1"), "Export Recoloured &Picture...");
  EXPECT_EQ(ActionText(&form, "U1"), "&Undo");
  EXPECT_EQ(ActionText(&form, "N11"), "Black");
  EXPECT_EQ(form.findChild<QMenu*>("V1")->title(), "&View");
  EXPECT_EQ(form.Windows().hue->windowTitle(), "Scheme");
  // Names from the core: the harmony rules and the blend modes.
  EXPECT_EQ(form.Windows().hue->findChild<QComboBox*>("ComboBox1")->itemText(1), "Dominant Hue");
  EXPECT_EQ(form.Windows().layer->findChild<QComboBox*>("ComboBox1")->itemText(2), "Multiply");
  // The longest rule's name shows whole in its box.
  const QComboBox* rules = form.Windows().hue->findChild<QComboBox*>("ComboBox1");
  EXPECT_GE(rules->width(), rules->sizeHint().width());

  // Every English text of the fixed-size windows shows whole, inside its
  // window.
  const TToolWindows& w = form.Windows();
  for (QWidget* window : std::initializer_list<QWidget*>{w.hue, w.picker, w.lightBalance, w.layer, w.progress,
                                                         w.swatch, w.info}) {
    for (const QLabel* l : window->findChildren<QLabel*>()) {
      // The code's caption is the same in both languages; its own test
      // keeps it clear of the code.
      if (l->text().isEmpty() || l->wordWrap() || l->objectName() == "Label7") continue;
      EXPECT_GE(l->width(), l->sizeHint().width()) << l->text().toStdString();
      EXPECT_LE(l->mapTo(window, QPoint(l->sizeHint().width(), 0)).x(), window->width()) << l->text().toStdString();
    }
    for (const QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
      if (!b->text().isEmpty()) {
        EXPECT_GE(b->width(), b->sizeHint().width()) << b->text().toStdString();
      }
    }
  }
  TProgressForm& progress = *w.progress;
  for (const char* caption : {kProgressReading, kProgressGrey, kProgressResize}) {
    progress.ShowProgress(caption, 1);
    const QLabel* l = progress.findChild<QLabel*>("Label1");
    EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(l->text())) << caption;
    EXPECT_NE(l->text(), QString::fromUtf8(caption));
  }
  progress.HideProgress();

  // Every label of the layer window's level row shows whole, clear of the
  // swatch and edit beside it.
  QWidget* panel = form.Windows().layer->ContentPanel();
  const auto right = [panel](const char* name) {
    const QWidget* w = panel->findChild<QWidget*>(name);
    return w->x() + w->width();
  };
  const auto left = [panel](const char* name) { return panel->findChild<QWidget*>(name)->x(); };
  for (const char* label : {"Label1", "Label4", "Label5"}) {
    const QLabel* l = panel->findChild<QLabel*>(label);
    EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(l->text())) << label;
  }
  EXPECT_LE(right("Label1"), left("Label4"));
  EXPECT_LE(right("Label4"), left("Panel3"));
  EXPECT_LE(right("Edit1"), left("Label5"));
  EXPECT_LE(right("Label5"), left("Panel2"));

  // A message of the core, and one with a number in it, with the file name
  // that follows kept as it is.
  form.FileCommands().P1Click();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], kNoArtworkMessage);
  EXPECT_EQ(UserText(messages.shown[0]), "No sample PSD file is open.");
  constexpr std::string_view kBadRow = "GIMP Palette\n12 34 56\n1 2 300\n";
  const std::vector<std::uint8_t> bytes(kBadRow.begin(), kBadRow.end());
  const auto decoded = DecodePalette(TPaletteFormat::Gimp, bytes);
  ASSERT_FALSE(decoded);
  EXPECT_EQ(UserText(decoded.error().message + "\n->/art/2024.gpl"),
            "A value on line 3 is outside 0 to 255.\n->/art/2024.gpl");

  // The choice of language is named in both languages and answered in the
  // one chosen.
  EXPECT_EQ(form.findChild<QMenu*>("LanguageMenu")->title(), QString::fromUtf8("言語 / Language"));
  EXPECT_TRUE(form.findChild<QAction*>("English1")->isChecked());
  form.findChild<QAction*>("Japanese1")->trigger();
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_NE(messages.shown[1].find("日本語"), std::string::npos);
}

}  // namespace
}  // namespace tintloom
