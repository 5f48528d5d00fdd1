// The real main window, offscreen.

#include "ui/main_form.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "ui/paint_box.h"
#include "ui/tool_form.h"
#include "ui/hue_form.h"
#include "support/recording.h"

namespace tintloom {
namespace {

std::string AppDir() {
  const char* dir = std::getenv("TINTLOOM_APP_DIR");
  return dir != nullptr ? dir : "";
}

QAction* FindAction(QWidget* root, const char* name) { return root->findChild<QAction*>(name); }

TEST(MainForm, GeometryCaptionAndCheckerCanvas) {
  testing::TRecordingMessages messages;
  TMainForm form(messages, AppDir());
  EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
  form.show();
  EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(form.ClientArea()->size(), QSize(600, 625));
  EXPECT_EQ(form.Canvas()->geometry(), QRect(0, 25, 600, 600));
  EXPECT_EQ(form.Caption()->text(), QString("Tintloom"));
  EXPECT_EQ(form.palette().color(QPalette::Window), QColor(0xBF, 0xBF, 0xBF));

  // Painting composes the checker background with its frame.
  const QImage shot = form.Canvas()->grab().toImage();
  EXPECT_EQ(shot.pixelColor(0, 0), QColor(0, 0, 0));
  EXPECT_EQ(shot.pixelColor(3, 3), QColor(0xD0, 0xD0, 0xD0));
  EXPECT_EQ(shot.pixelColor(11, 3), QColor(0xFF, 0xFF, 0xFF));
}

TEST(MainForm, MenuHasEveryItemAndBackgroundsSwitch) {
  testing::TRecordingMessages messages;
  TMainForm form(messages, AppDir());
  for (const char* name : {"N1", "S1", "PSD1", "X1", "C1", "N3", "N4", "L1", "N5", "S2", "N13", "N8", "N9", "N10",
                           "N11", "N12"}) {
    EXPECT_NE(FindAction(&form, name), nullptr) << name;
  }
  EXPECT_EQ(FindAction(&form, "N1")->text(), QString::fromUtf8("開く(&O)..."));
  EXPECT_EQ(FindAction(&form, "N1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
  EXPECT_EQ(FindAction(&form, "S1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
  EXPECT_EQ(FindAction(&form, "L1")->data().toInt(), 3);
  EXPECT_EQ(FindAction(&form, "N5")->data().toInt(), 2);
  EXPECT_TRUE(FindAction(&form, "N8")->isChecked());

  FindAction(&form, "N11")->trigger();  // black
  EXPECT_TRUE(FindAction(&form, "N11")->isChecked());
  EXPECT_FALSE(FindAction(&form, "N8")->isChecked());
  EXPECT_EQ(form.Model().backgroundMode, BackgroundMode::Black);
  EXPECT_EQ(FromRgb24(form.Model().canvasSurface.At(300, 300)), 0x000000u);
}

TEST(MainForm, ExitClosesTheWindow) {
  testing::TRecordingMessages messages;
  TMainForm form(messages, AppDir());
  form.show();
  ASSERT_TRUE(form.isVisible());
  FindAction(&form, "X1")->trigger();
  EXPECT_FALSE(form.isVisible());
}

TEST(MainForm, MissingSkinStopsStartUpWithAClearError) {
  testing::TRecordingMessages messages;
  const QString here = QDir::currentPath();
  QDir::setCurrent(QDir::tempPath());
  try {
    TMainForm form(messages, "/nonexistent");
    ADD_FAILURE() << "start-up went on without a skin";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("skin.bmp"), std::string::npos) << e.what();
  }
  QDir::setCurrent(here);
  // The other two files were missing too, and each said so.
  EXPECT_EQ(messages.shown.size(), 2u);
}

class MainFormWithTools : public ::testing::Test {
 protected:
  testing::TRecordingMessages messages;
  TMainForm form{messages, AppDir()};
  void SetUp() override {
    form.CreateToolWindows();
    form.show();
  }
};

TEST_F(MainFormWithTools, ToolWindowsArePlacedAroundTheMainWindow) {
  const TToolWindows& w = form.Windows();
  const QRect main = form.frameGeometry();
  ASSERT_NE(w.hue, nullptr);
  EXPECT_EQ(w.hue->pos(), QPoint(main.left() - w.hue->width(), main.top()));
  EXPECT_EQ(w.hue->size(), QSize(262, 333));
  EXPECT_EQ(w.picker->pos(), QPoint(w.hue->x(), w.hue->y() + w.hue->height()));
  EXPECT_EQ(w.lightBalance->pos(), QPoint(main.left() + main.width(), main.top()));
  EXPECT_EQ(w.layer->height(), 625);
  EXPECT_EQ(w.swatch->pos(), main.topLeft());
  EXPECT_TRUE(w.hue->isVisible());
  EXPECT_TRUE(w.picker->isVisible());
  EXPECT_FALSE(w.layer->isVisible());
  EXPECT_FALSE(w.info->isVisible());
  EXPECT_TRUE(w.info->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(w.info->CaptionLabel()->text(), QString::fromUtf8("情報"));
}

TEST_F(MainFormWithTools, ViewMenuShowsAndHidesWindowsAndClosingOnlyHides) {
  QAction* layer = FindAction(&form, "L1");
  form.V1Click();
  EXPECT_FALSE(layer->isChecked());
  EXPECT_TRUE(FindAction(&form, "N3")->isChecked());
  layer->trigger();
  EXPECT_TRUE(form.Windows().layer->isVisible());
  form.Windows().layer->CloseButton()->click();
  EXPECT_FALSE(form.Windows().layer->isVisible());
  form.V1Click();
  EXPECT_FALSE(layer->isChecked());
  FindAction(&form, "N3")->trigger();
  EXPECT_FALSE(form.Windows().hue->isVisible());
}

TEST_F(MainFormWithTools, FunctionKeysTakeTheScreenPixelFromAnyForwardingWindow) {
  form.readScreenPixel = [] { return std::optional<TColor>(0x000080); };  // dark red
  form.Model().SelectSlot(6);
  QTest::keyClick(form.Windows().layer, Qt::Key_F3);  // shadow, from the layer window
  EXPECT_EQ(form.Model().SlotAt(6).shades[kShadow].Color, 0x000080u);
  QTest::keyClick(&form, Qt::Key_F2);
  EXPECT_EQ(form.Model().SlotAt(6).shades[kBase].Color, 0x000080u);
  // The swatch window does not forward keys.
  QTest::keyClick(form.Windows().swatch, Qt::Key_F1);
  form.readScreenPixel = [] { return std::optional<TColor>(0xFFFFFF); };
  QTest::keyClick(form.Windows().swatch, Qt::Key_F1);
  EXPECT_NE(form.Model().SlotAt(6).shades[kHighlight].Color, 0xFFFFFFu);
  QTest::keyClick(form.Windows().hue, Qt::Key_F1);
  EXPECT_EQ(form.Model().SlotAt(6).shades[kHighlight].Color, 0xFFFFFFu);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainFormWithTools, UnreadableScreenIsReportedOnceNotTakenAsBlack) {
  form.readScreenPixel = [] { return std::optional<TColor>(); };
  const TColor before = form.Model().SlotAt(0).shades[kBase].Color;
  QTest::keyClick(&form, Qt::Key_F2);
  QTest::keyClick(&form, Qt::Key_F4);
  EXPECT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(form.Model().SlotAt(0).shades[kBase].Color, before);
}

TEST_F(MainFormWithTools, OnlyTheFirstDroppedPsdIsOpened) {
  std::vector<std::string> opened;
  form.openSampleArtwork = [&](const std::string& path) { opened.push_back(path); };
  form.DropFiles({"/tmp/a.PSD", "/tmp/b.psd", "/tmp/c.psd"});
  form.DropFiles({"/tmp/lower.psd"});
  form.DropFiles({"/tmp/picture.png", "/tmp/d.psd"});
  form.DropFiles({"/tmp/psd"});
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], "/tmp/a.PSD");
  EXPECT_EQ(opened[1], "/tmp/lower.psd");
}

TEST_F(MainFormWithTools, DraggingIsHalfTransparentAndSnapsToPartners) {
  TToolForm* picker = form.Windows().picker;
  form.move(240, 120);  // right edge at 840, a cell boundary
  const QRect main = form.frameGeometry();
  ASSERT_EQ(main.left() + main.width(), 840);
  picker->move(main.right() + 1 + 10, main.top() + 100);
  form.BeginWindowDrag(picker, 5, 5);
  EXPECT_NEAR(picker->windowOpacity(), 128.0 / 255.0, 0.01);
  form.DragWindow(picker, 5, 5);
  EXPECT_EQ(picker->x(), main.left() + main.width());  // flush against the main window
  form.EndWindowDrag(picker);
  EXPECT_DOUBLE_EQ(picker->windowOpacity(), 1.0);
  // The swatch window snaps to the main window, but nothing snaps to it.
  TToolForm* swatch = form.Windows().swatch;
  swatch->show();
  int left = main.left() + 7;
  int top = main.top() + 3;
  form.SnapWindowPosition(swatch, left, top);
  EXPECT_EQ(left, main.left());
  EXPECT_EQ(top, main.top());
  form.Windows().hue->hide();
  form.Windows().picker->hide();
  swatch->move(3000, 3000);
  left = 3000 + swatch->width() + 5;
  top = 3005;
  form.SnapWindowPosition(form.Windows().info, left, top);
  EXPECT_EQ(left, 3000 + swatch->width() + 5);
}

}  // namespace
}  // namespace tintloom
