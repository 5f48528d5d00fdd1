// The windows in English: menus, window texts and the core's messages come
// from the catalogue, and the choice of language is offered in both.

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>
#include <string_view>
#include <vector>

#include "core/document/artwork_export.h"
#include "core/formats/palette_import.h"
#include "support/paths.h"
#include "support/recording.h"
#include "ui/hue_form.h"
#include "ui/info_form.h"
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

  const TToolWindows& w = form.Windows();
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

// Where a label or button is narrower than its text, the end of the text is
// cut off ("HEX Code:" lost its colon in English): every one on show, in
// every window, in both languages.
TEST(WindowTexts, EveryVisibleLabelAndButtonShowsItsWholeTextInBothLanguages) {
  for (const TLanguage language : {TLanguage::Japanese, TLanguage::English}) {
    SCOPED_TRACE(language == TLanguage::English ? "English" : "Japanese");
    InstallLanguage(language);
    testing::TRecordingMessages messages;
    TMainForm form(messages, testing::ProgramDir());
    form.CreateToolWindows();
    form.show();
    const TToolWindows& w = form.Windows();
    std::vector<QWidget*> windows = {&form, w.hue, w.picker, w.lightBalance, w.layer, w.swatch, w.info};
    for (QWidget* window : windows) window->show();
    // The information window's texts come with a colour.
    w.info->UpdateInfo();
    int checked = 0;
    for (QWidget* window : windows) {
      for (const QLabel* l : window->findChildren<QLabel*>()) {
        if (l->window() != window || !l->isVisibleTo(window) || l->text().isEmpty() || l->textFormat() == Qt::RichText) {
          continue;
        }
        const std::string name = window->objectName().toStdString() + "/" + l->objectName().toStdString() + " \"" +
                                 l->text().toStdString() + "\"";
        ++checked;
        if (l->wordWrap()) {
          EXPECT_LE(l->heightForWidth(l->width()), l->height()) << name;
          continue;
        }
        const QSize needed = l->fontMetrics().size(0, l->text());
        EXPECT_GE(l->contentsRect().width(), needed.width()) << name;
        EXPECT_GE(l->contentsRect().height(), needed.height()) << name;
        // Inside its window, too.
        EXPECT_LE(l->mapTo(window, QPoint(l->width(), 0)).x(), window->width()) << name;
      }
      for (const QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (b->window() != window || !b->isVisibleTo(window) || b->text().isEmpty()) continue;
        ++checked;
        const std::string name = window->objectName().toStdString() + "/" + b->objectName().toStdString() + " \"" +
                                 b->text().toStdString() + "\"";
        const int text = b->fontMetrics().size(Qt::TextShowMnemonic, b->text()).width();
        EXPECT_GE(b->width(), text + (b->icon().isNull() ? 0 : b->iconSize().width()) + 4) << name;
        if (qobject_cast<const QPushButton*>(b) == nullptr && qobject_cast<const QToolButton*>(b) == nullptr) {
          // A check box or radio button needs its indicator beside the text.
          EXPECT_GE(b->width(), b->sizeHint().width()) << name;
        }
      }
    }
    EXPECT_GT(checked, 30);
  }
  InstallLanguage(TLanguage::Japanese);
}

}  // namespace
}  // namespace tintloom
