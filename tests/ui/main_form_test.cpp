// The real main window, offscreen.

#include "ui/main_form.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QDBusConnection>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QMessageBox>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

#include "core/colour/bmp_file.h"
#include "core/colour/skin_layout.h"
#include "ui/window_snap.h"

#include "ui/paint_box.h"
#include "ui/tool_form.h"
#include "ui/hue_form.h"
#include "ui/swatch_form.h"
#include "ui/file_commands.h"
#include "support/paths.h"
#include "ui/layer_form.h"
#include "ui/palette_form.h"
#include "support/recording.h"

namespace tintloom {
namespace {

QAction* FindAction(QWidget* root, const char* name) { return root->findChild<QAction*>(name); }

TEST(MainForm, GeometryCaptionAndCheckerCanvas) {
  testing::TRecordingMessages messages;
  TMainForm form(messages, testing::ProgramDir());
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
  TMainForm form(messages, testing::ProgramDir());
  for (const char* name : {"N1", "S1", "PSD1", "P1", "LP1", "X1", "C1", "N3", "N4", "L1", "N5", "S2", "N13", "N8", "N9", "N10",
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
  EXPECT_EQ(form.Model().Background(), BackgroundMode::Black);
  EXPECT_EQ(FromRgb24(form.Model().Canvas().At(300, 300)), 0x000000u);
}

TEST(MainForm, ExitClosesTheWindow) {
  testing::TRecordingMessages messages;
  TMainForm form(messages, testing::ProgramDir());
  form.show();
  ASSERT_TRUE(form.isVisible());
  FindAction(&form, "X1")->trigger();
  EXPECT_FALSE(form.isVisible());
}

// An evening's mapping was lost at once by File › 終了 or ×. Quitting with
// work unlike the document last saved or opened asks first: Cancel, or a save
// that is cancelled or fails, keeps the program open with the work as it is;
// Save writes the work (asking for a name where it has none); Discard ends.
TEST(MainFormQuit, UnsavedWorkIsOfferedForSavingAndOnlySaveOrDiscardEnds) {
  const std::string sample = std::string(TINTLOOM_PSD_SAMPLES) + "/pt_hidden-layer.psd";
  if (!QFileInfo::exists(QString::fromStdString(sample))) GTEST_SKIP() << "no sample at " << sample;
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string swatches = dir.filePath("DefaultSwatch.swo").toStdString();
  testing::TRecordingMessages messages;
  TMainForm form(messages, testing::ProgramDir());
  form.swatchFilePlaces = TSwatchFilePlaces{swatches, swatches, ""};
  form.CreateToolWindows();
  form.show();
  int asked = 0;
  QMessageBox::StandardButton answer = QMessageBox::Cancel;
  form.askSaveBeforeQuit = [&] {
    ++asked;
    return answer;
  };
  std::vector<QString> offered;
  QString chosen;
  form.FileCommands().runWorkSaveDialog = [&](const QString& suggested) {
    offered.push_back(suggested);
    return chosen;
  };
  TCoordinationModel& model = form.Model();
  const auto caption = [&form] { return form.Caption()->text().toStdString(); };

  // Nothing done, or artwork only opened: nothing to ask about.
  EXPECT_TRUE(form.MayQuit());
  ASSERT_TRUE(model.OpenSampleArtwork(sample));
  EXPECT_TRUE(form.MayQuit());
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(caption(), "Tintloom");

  // A layer mapped: the caption and quitting say so, from the menu and the ×.
  model.SelectLayer(0);
  model.SelectSlot(3);
  EXPECT_EQ(caption(), "*Tintloom");
  FindAction(&form, "X1")->trigger();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.ShuttingDown());
  answer = QMessageBox::Save;  // but the name is not given
  form.findChild<QToolButton*>("SpeedButton1")->click();
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(form.isVisible());
  ASSERT_EQ(offered.size(), 1u);
  EXPECT_TRUE(offered[0].endsWith(".tlw")) << offered[0].toStdString() << ": artwork is open";

  // Named, the work is written and the program may end.
  chosen = dir.filePath("evening.tlw");
  EXPECT_TRUE(form.MayQuit());
  EXPECT_TRUE(QFileInfo::exists(chosen));
  EXPECT_EQ(caption(), "evening.tlw \u2014 Tintloom");
  EXPECT_EQ(form.windowTitle().toStdString(), "evening.tlw \u2014 Tintloom");

  // The next change goes into that document without a question of a name,
  // until writing it fails: then the program stays open, the work unsaved.
  model.SetLayerBaseLevel(190);
  EXPECT_EQ(caption(), "*evening.tlw \u2014 Tintloom");
  EXPECT_TRUE(form.MayQuit());
  EXPECT_EQ(offered.size(), 2u) << "the first named, this one written in place";
  EXPECT_FALSE(model.Unsaved());
  model.SetLayersHidden({0}, true);
  QFile::remove(chosen);
  ASSERT_TRUE(QDir().mkpath(chosen));  // a folder where the file was
  messages.shown.clear();
  FindAction(&form, "X1")->trigger();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(caption(), "*evening.tlw \u2014 Tintloom");

  // Discarded: the program ends, and the swatches kept meanwhile are
  // written as on every end.
  form.Windows().swatch->AddSwatch();
  answer = QMessageBox::Discard;
  form.findChild<QToolButton*>("SpeedButton1")->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(form.ShuttingDown());
  EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(swatches)));
}

// Without artwork the work is a palette: a new name ends in .tlp, and a
// palette document opened is written again in its place.
TEST(MainFormQuit, APaletteIsSavedAsAPaletteDocumentAndThenInItsPlace) {
  QTemporaryDir dir;
  testing::TRecordingMessages messages;
  TMainForm form(messages, testing::ProgramDir());
  form.CreateToolWindows();
  form.askSaveBeforeQuit = [] { return QMessageBox::Save; };
  std::vector<QString> offered;
  form.FileCommands().runWorkSaveDialog = [&](const QString& suggested) {
    offered.push_back(suggested);
    return dir.filePath("autumn.tlp");
  };
  form.Model().ChangeRule(4);
  EXPECT_TRUE(form.MayQuit());
  ASSERT_EQ(offered.size(), 1u);
  EXPECT_TRUE(offered[0].endsWith(".tlp"));
  EXPECT_EQ(form.Caption()->text().toStdString(), "autumn.tlp \u2014 Tintloom");
  const QByteArray first = [&] {
    QFile f(dir.filePath("autumn.tlp"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  form.Model().ChangeRule(2);
  EXPECT_TRUE(form.MayQuit());
  EXPECT_EQ(offered.size(), 1u) << "written in place";
  QFile f(dir.filePath("autumn.tlp"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_NE(f.readAll(), first);
  EXPECT_TRUE(messages.shown.empty());
}

// A skin that is missing, damaged or too small stops start-up with a message
// in the program's language naming the file.
TEST(MainForm, UnusableSkinStopsStartUpWithAMessageNamingTheFile) {
  TSurface small;
  small.Create(kSkinWidth - 1, kSkinHeight);
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;  // empty: no file at all
    const char* message;
  };
  const Case cases[] = {
      {"missing", {}, "skin.bmpを開けません"},
      {"damaged", {'B', 'M', 0, 0, 1, 2, 3}, "skin.bmpを読み込めません"},
      {"too small", EncodeBmp24(small), "skin.bmpが小さすぎます (447×171 ピクセル以上が必要です)"},
  };
  const QString here = QDir::currentPath();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    if (!c.bytes.empty()) {
      QFile file(scratch.filePath("skin.bmp"));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(reinterpret_cast<const char*>(c.bytes.data()), static_cast<qint64>(c.bytes.size()));
    }
    QDir::setCurrent(scratch.path());
    testing::TRecordingMessages messages;
    try {
      TMainForm form(messages, "/nonexistent");
      ADD_FAILURE() << "start-up went on without a usable skin";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    QDir::setCurrent(here);
    // The other two files were missing too, and each said so.
    EXPECT_EQ(messages.shown.size(), 2u);
  }
}

// However the main window is closed and whatever tool windows are open, the
// event loop ends (and so the program, after its shutdown steps).
TEST(MainFormShutdown, ClosingTheMainWindowEndsTheProgramWhateverIsOpen) {
  struct Case {
    std::vector<const char*> toggled;  // view menu items flipped before closing
    const char* closedBy;
  };
  const Case cases[] = {
      {{}, "X1"},
      {{"L1"}, "X1"},
      {{"N5"}, "SpeedButton1"},
      {{"S2"}, "close"},
      {{"N13"}, "X1"},
      {{"L1", "N5", "S2", "N13"}, "SpeedButton1"},
      {{"N3", "N4", "L1"}, "close"},  // hue and picker closed, layers open
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.toggled.size()) + " toggled, closed by " + c.closedBy);
    testing::TRecordingMessages messages;
    TMainForm form(messages, testing::ProgramDir());
    form.CreateToolWindows();
    form.show();
    for (const char* item : c.toggled) FindAction(&form, item)->trigger();
    const std::string closedBy = c.closedBy;
    QTimer::singleShot(0, &form, [&form, closedBy] {
      if (closedBy == "X1") {
        FindAction(&form, "X1")->trigger();
      } else if (closedBy == "close") {
        form.close();
      } else {
        form.findChild<QToolButton*>(closedBy.c_str())->click();
      }
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(3000);
    EXPECT_EQ(QApplication::exec(), 0) << "the program kept running";
    EXPECT_TRUE(form.ShuttingDown());
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
  }
}

// Each kind of file dialog starts where a file of its kind was last chosen,
// in a later run too, instead of in the working folder every time.
TEST(MainFormDialogs, EachKindStartsInTheFolderLastUsedForIt) {
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, root.filePath("config"));
  QDir(root.path()).mkpath("palettes");
  QDir(root.path()).mkpath("artwork");
  const QString palette = root.filePath("palettes/a.tlp");
  const QString picture = root.filePath("artwork/b.psd");
  for (const QString& file : {palette, picture}) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  // Works the dialog once it runs: picks `file`, or cancels, noting its folder.
  QString startedIn;
  const auto answer = [&startedIn](const QString& file) {
    QTimer::singleShot(0, [&startedIn, file] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      startedIn = dialog->directory().absolutePath();
      if (file.isEmpty()) {
        dialog->reject();
      } else {
        dialog->selectFile(file);
        QMetaObject::invokeMethod(dialog, "accept");
      }
    });
  };
  testing::TRecordingMessages messages;
  {
    TMainForm form(messages, testing::ProgramDir());
    answer(palette);
    EXPECT_EQ(form.FileCommands().runPaletteOpenDialog(), palette);
    answer(picture);
    EXPECT_EQ(form.FileCommands().runOpenDialog(), picture);
    answer(QString());
    EXPECT_EQ(form.FileCommands().runPaletteSaveDialog(), QString());  // a cancel remembers nothing
  }
  TMainForm later(messages, testing::ProgramDir());
  answer(QString());
  (void)later.FileCommands().runPaletteSaveDialog();
  EXPECT_EQ(startedIn, root.filePath("palettes"));  // saving and exporting share the palettes' folder
  answer(QString());
  (void)later.FileCommands().runOpenDialog();
  EXPECT_EQ(startedIn, root.filePath("artwork"));
}

class MainFormWithTools : public ::testing::Test {
 protected:
  testing::TRecordingMessages messages;
  TMainForm form{messages, testing::ProgramDir()};
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
  EXPECT_EQ(w.layer->geometry(), QRect(main.left() + form.ClientArea()->width(), main.top(), 262, 625));
  EXPECT_TRUE(w.hue->isVisible());
  EXPECT_TRUE(w.picker->isVisible());
  EXPECT_TRUE(w.layer->isVisible());
  EXPECT_FALSE(w.lightBalance->isVisible());
  EXPECT_FALSE(w.info->isVisible());
  EXPECT_TRUE(w.info->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(w.info->CaptionLabel()->text(), QString::fromUtf8("情報"));
}

// The swatch and information windows opened over the menu bar, hiding
// ファイル, 編集 and 表示, and the light balance over the layer window: shown
// for the first time, each goes beside the windows on show, wholly on the
// screen; on a screen with no room beside them, below the menu bar.
TEST_F(MainFormWithTools, FirstShownToolWindowsHideNoMenuAndNoWindowAndStayOnScreen) {
  const TToolWindows& w = form.Windows();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect menu(form.Menu()->mapToGlobal(QPoint(0, 0)), form.Menu()->size());
  std::vector<QWidget*> shown = {&form, w.hue, w.picker, w.layer};
  for (const auto& [item, window] : {std::pair<const char*, QWidget*>{"N5", w.lightBalance}, {"S2", w.swatch},
                                     {"N13", w.info}}) {
    FindAction(&form, item)->trigger();
    QWidget* tool = shown.emplace_back(window);
    ASSERT_TRUE(tool->isVisible()) << item;
    EXPECT_TRUE(screen.contains(tool->frameGeometry())) << item;
    for (QWidget* other : shown) {
      if (other == tool) continue;
      EXPECT_FALSE(tool->frameGeometry().intersects(other->frameGeometry())) << item;
    }
  }
  // Beside the layer window, top down.
  EXPECT_EQ(w.lightBalance->pos(), QPoint(w.layer->frameGeometry().right() + 1, form.y()));
  EXPECT_EQ(w.swatch->pos(), QPoint(w.lightBalance->x(), w.lightBalance->frameGeometry().bottom() + 1));
  // Moved away and shown again, a window keeps the place the user gave it.
  w.swatch->hide();
  w.swatch->move(10, 500);
  w.swatch->show();
  EXPECT_EQ(w.swatch->pos(), QPoint(10, 500));
  EXPECT_FALSE(menu.isEmpty());

  // A screen with no room beside the group: below the menu bar, on screen.
  const std::vector<TWindowRect> group = {{212, 59, 600, 650}, {0, 59, 262, 351}, {0, 410, 262, 350},
                                          {762, 84, 262, 625}};
  const TWindowRect bar{212, 59, 600, 22};
  const TWindowRect placed = PlaceBeside(TWindowRect{0, 0, 1024, 768}, group, bar, 275, 294);
  EXPECT_EQ(placed.left, 212);
  EXPECT_EQ(placed.top, 81);
  const std::vector<TWindowRect> withFirst = {{212, 59, 600, 650}, placed};
  const TWindowRect next = PlaceBeside(TWindowRect{0, 0, 1024, 768}, withFirst, bar, 262, 264);
  EXPECT_EQ(next.left, 212 + kSnapCell) << "not hidden under the first";
}

TEST_F(MainFormWithTools, ViewMenuShowsAndHidesWindowsAndClosingOnlyHides) {
  QAction* balance = FindAction(&form, "N5");
  form.V1Click();
  EXPECT_FALSE(balance->isChecked());
  EXPECT_TRUE(FindAction(&form, "N3")->isChecked());
  balance->trigger();
  EXPECT_TRUE(form.Windows().lightBalance->isVisible());
  form.Windows().lightBalance->CloseButton()->click();
  EXPECT_FALSE(form.Windows().lightBalance->isVisible());
  form.V1Click();
  EXPECT_FALSE(balance->isChecked());
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
  form.UseScreenColourPortal(QDBusConnection(QStringLiteral("no bus")));  // and no portal to ask
  const TColor before = form.Model().SlotAt(0).shades[kBase].Color;
  QTest::keyClick(&form, Qt::Key_F2);
  QTest::keyClick(&form, Qt::Key_F4);
  EXPECT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(form.Model().SlotAt(0).shades[kBase].Color, before);
}

TEST_F(MainFormWithTools, OnlyTheFirstDroppedPsdIsOpened) {
  std::vector<std::string> opened;
  form.FileCommands().openSampleArtwork = [&](const std::string& path) { opened.push_back(path); };
  form.FileCommands().DropFiles({"/tmp/a.PSD", "/tmp/b.psd", "/tmp/c.psd"});
  form.FileCommands().DropFiles({"/tmp/lower.psd"});
  form.FileCommands().DropFiles({"/tmp/picture.png", "/tmp/d.psd"});
  form.FileCommands().DropFiles({"/tmp/psd"});
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], "/tmp/a.PSD");
  EXPECT_EQ(opened[1], "/tmp/lower.psd");
  // A work document dropped first opens as one.
  std::vector<std::string> works;
  form.FileCommands().openWorkDocument = [&](const std::string& path) { works.push_back(path); };
  form.FileCommands().DropFiles({"/tmp/evening.Tlw", "/tmp/e.psd"});
  EXPECT_EQ(works, std::vector<std::string>{"/tmp/evening.Tlw"});
  EXPECT_EQ(opened.size(), 2u);
}

TEST_F(MainFormWithTools, DraggingIsHalfTransparentAndSnapsToPartners) {
  TToolForm* picker = form.Windows().picker;
  form.move(240, 120);  // right edge at 840, a cell boundary
  const QRect main = form.frameGeometry();
  ASSERT_EQ(main.left() + main.width(), 840);
  picker->move(main.right() + 1 + 10, main.top() + 100);
  form.WindowDragger().BeginWindowDrag(picker, 5, 5);
  EXPECT_NEAR(picker->windowOpacity(), 128.0 / 255.0, 0.01);
  form.WindowDragger().DragWindow(picker, 5, 5);
  EXPECT_EQ(picker->x(), main.left() + main.width());  // flush against the main window
  form.WindowDragger().EndWindowDrag(picker);
  EXPECT_DOUBLE_EQ(picker->windowOpacity(), 1.0);
  // The swatch window snaps to the main window, but nothing snaps to it.
  TToolForm* swatch = form.Windows().swatch;
  swatch->show();
  int left = main.left() + 7;
  int top = main.top() + 3;
  form.WindowDragger().SnapWindowPosition(swatch, left, top);
  EXPECT_EQ(left, main.left());
  EXPECT_EQ(top, main.top());
  form.Windows().hue->hide();
  form.Windows().picker->hide();
  swatch->move(3000, 3000);
  left = 3000 + swatch->width() + 5;
  top = 3005;
  form.WindowDragger().SnapWindowPosition(form.Windows().info, left, top);
  EXPECT_EQ(left, 3000 + swatch->width() + 5);
}

// Every window's title-bar buttons: no flat button ever takes the keyboard
// focus, so Space and Tab after a click on a title bar do nothing there.
TEST_F(MainFormWithTools, TitleBarButtonsNeverTakeTheFocus) {
  const TToolWindows& w = form.Windows();
  form.Windows().layer->show();
  for (QWidget* window : {static_cast<QWidget*>(&form), static_cast<QWidget*>(w.hue),
                          static_cast<QWidget*>(w.picker), static_cast<QWidget*>(w.lightBalance),
                          static_cast<QWidget*>(w.layer), static_cast<QWidget*>(w.swatch),
                          static_cast<QWidget*>(w.info)}) {
    SCOPED_TRACE(window->objectName().toStdString());
    for (QToolButton* button : window->findChildren<QToolButton*>()) {
      EXPECT_EQ(button->focusPolicy(), Qt::NoFocus) << button->objectName().toStdString();
    }
  }
  // The keys themselves, where the buttons sit at the front of the focus chain.
  for (QWidget* window : {static_cast<QWidget*>(&form), static_cast<QWidget*>(w.layer)}) {
    SCOPED_TRACE(window->objectName().toStdString());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    const QPoint title = window == &form ? form.ClientArea()->mapTo(&form, QPoint(450, 10)) : QPoint(100, 8);
    QTest::mouseClick(window, Qt::LeftButton, {}, title);
    QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Space);
    QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Tab);
    QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Space);
    EXPECT_FALSE(qobject_cast<QToolButton*>(QApplication::focusWidget()));
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(form.ShuttingDown());
  }
}

// Hiding the dragged window, or a move with no button held (its release went
// to someone else), ends the drag: the window is opaque again and does not
// follow the pointer.
TEST_F(MainFormWithTools, AWindowDragWhoseReleaseNeverComesEnds) {
  TToolForm* picker = form.Windows().picker;
  const auto send = [](QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(p), w->mapToGlobal(QPointF(p)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, {});
    QApplication::sendEvent(w, &event);
  };
  enum class Lost { Hidden, HiddenFromTheMenu, ButtonlessMove, ButtonlessMoveElsewhere };
  for (const Lost lost : {Lost::Hidden, Lost::HiddenFromTheMenu, Lost::ButtonlessMove, Lost::ButtonlessMoveElsewhere}) {
    SCOPED_TRACE(static_cast<int>(lost));
    picker->show();
    picker->move(100, 100);
    send(picker, QEvent::MouseButtonPress, QPoint(50, 5), Qt::LeftButton);
    ASSERT_TRUE(form.WindowDragger().WindowDrag().dragging);
    ASSERT_LT(picker->windowOpacity(), 0.6);
    switch (lost) {
      case Lost::Hidden: picker->hide(); break;
      case Lost::HiddenFromTheMenu:
        form.V1Click();  // the menu opening
        FindAction(&form, "N4")->trigger();
        break;
      case Lost::ButtonlessMove: send(picker, QEvent::MouseMove, QPoint(60, 5), Qt::NoButton); break;
      case Lost::ButtonlessMoveElsewhere: send(&form, QEvent::MouseMove, QPoint(300, 300), Qt::NoButton); break;
    }
    picker->show();
    EXPECT_FALSE(form.WindowDragger().WindowDrag().dragging);
    EXPECT_DOUBLE_EQ(picker->windowOpacity(), 1.0);
    // A move with a button held that began elsewhere does not move it.
    send(picker, QEvent::MouseMove, QPoint(90, 45), Qt::LeftButton);
    EXPECT_EQ(picker->pos(), QPoint(100, 100));
  }
}

// The screen's edges pull a dragged window onto them: the main window within
// 16 pixels, tool windows within 32.
TEST_F(MainFormWithTools, DraggedWindowsSnapToTheScreenEdges) {
  const QRect area = form.screen()->availableGeometry();
  form.Windows().hue->hide();
  TToolForm* picker = form.Windows().picker;
  struct Case {
    QWidget* window;
    int gap;  // from the left edge of the work area
    int expectedLeft;
  };
  form.move(area.left() + 150, area.top() + 40);
  const Case cases[] = {
      {picker, 10, 0}, {picker, 20, 0}, {picker, 32, 0}, {picker, 33, 33},
      {&form, 16, 0}, {&form, 20, 20}, {&form, -10, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.window->objectName().toStdString() + " " + std::to_string(c.gap));
    // Placed so that no edge shares a cell with the other window's: only
    // the screen pulls.
    if (c.window == &form) picker->hide();
    c.window->move(area.left() + 150, c.window == picker ? area.top() + 250 : area.top() + 40);
    form.WindowDragger().BeginWindowDrag(c.window, 0, 0);
    form.WindowDragger().DragWindow(c.window, area.left() + c.gap - c.window->x(), 0);
    form.WindowDragger().EndWindowDrag(c.window);
    EXPECT_EQ(c.window->x() - area.left(), c.expectedLeft);
  }
}

// However far the pointer drags a window, its title strip stays on the
// screen: without a window manager nothing else could bring it back.
TEST_F(MainFormWithTools, ADraggedWindowKeepsItsTitleStripOnTheScreen) {
  const QRect area = form.screen()->availableGeometry();
  form.move(area.left() + 300, area.top() + 200);
  // The main window taken by the bottom row of its title strip, under the menu.
  const int stripBottom = form.ClientArea()->y() + 25;
  form.WindowDragger().BeginWindowDrag(&form, 100, stripBottom - 1);
  form.WindowDragger().DragWindow(&form, 100, stripBottom - 1 - 2000);
  form.WindowDragger().EndWindowDrag(&form);
  EXPECT_EQ(form.y(), area.top());
  form.WindowDragger().BeginWindowDrag(&form, 100, 10);
  form.WindowDragger().DragWindow(&form, 100 + 5000, 10 + 5000);
  form.WindowDragger().EndWindowDrag(&form);
  EXPECT_EQ(form.frameGeometry().right(), area.right());
  EXPECT_EQ(form.y() + stripBottom - 1, area.bottom());

  TToolForm* picker = form.Windows().picker;
  picker->move(area.left() + 400, area.top() + 300);
  form.WindowDragger().BeginWindowDrag(picker, 5, 5);
  form.WindowDragger().DragWindow(picker, 5 - 3000, 5 - 3000);
  form.WindowDragger().EndWindowDrag(picker);
  EXPECT_EQ(picker->pos(), area.topLeft());
}

// Drops are taken as a copy (or a link), never as the move a source may
// propose; a source offering only a move is refused.
TEST_F(MainFormWithTools, DropsAreTakenAsACopyNeverAMove) {
  std::vector<std::string> opened;
  form.FileCommands().openSampleArtwork = [&](const std::string& path) { opened.push_back(path); };
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile("/tmp/art.psd")});
  struct Case {
    Qt::DropActions offered;
    bool accepted;
    Qt::DropAction action;
  };
  const Case cases[] = {
      {Qt::MoveAction, false, Qt::IgnoreAction},
      {Qt::CopyAction | Qt::MoveAction, true, Qt::CopyAction},
      {Qt::LinkAction | Qt::MoveAction, true, Qt::LinkAction},
      {Qt::CopyAction, true, Qt::CopyAction},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.offered));
    opened.clear();
    QDragEnterEvent enter(QPoint(300, 300), c.offered, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&form, &enter);
    EXPECT_EQ(enter.isAccepted(), c.accepted);
    QDropEvent drop(QPointF(300, 300), c.offered, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&form, &drop);
    EXPECT_EQ(drop.isAccepted(), c.accepted);
    if (c.accepted) {
      EXPECT_EQ(drop.dropAction(), c.action);
    }
    EXPECT_EQ(opened.size(), c.accepted ? 1u : 0u);
  }
}

// Minimising the main window takes the open tool windows with it; restoring
// brings back those, and only those. (The offscreen desktop reports the new
// state as a window manager does; with none, nothing is minimised and the
// tool windows stay.)
TEST_F(MainFormWithTools, ToolWindowsFollowTheMainWindowDownAndBack) {
  const TToolWindows& w = form.Windows();
  w.info->show();
  w.picker->hide();
  form.showMinimized();
  QCoreApplication::processEvents();  // the desktop's report of the new state
  for (QWidget* tool : {static_cast<QWidget*>(w.hue), static_cast<QWidget*>(w.picker),
                        static_cast<QWidget*>(w.info), static_cast<QWidget*>(w.layer)}) {
    EXPECT_FALSE(tool->isVisible()) << tool->objectName().toStdString();
  }
  form.showNormal();
  QCoreApplication::processEvents();
  EXPECT_TRUE(w.hue->isVisible());
  EXPECT_TRUE(w.info->isVisible());
  EXPECT_FALSE(w.picker->isVisible());
  EXPECT_TRUE(w.layer->isVisible());
  EXPECT_FALSE(w.lightBalance->isVisible());
}

}  // namespace
}  // namespace tintloom
