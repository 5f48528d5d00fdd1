// The real main window, offscreen.

#include "app/main_form.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QDir>
#include <gtest/gtest.h>

#include "app/paint_box.h"
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

}  // namespace
}  // namespace tintloom
