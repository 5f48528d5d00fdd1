// The swatch window and the palette file commands, on the real windows.

#include "ui/swatch_form.h"

#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QImage>
#include <QPushButton>
#include <QSpinBox>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "core/base/file_io.h"
#include "core/formats/palette_document.h"
#include "core/formats/palette_import.h"
#include "core/document/save_as.h"
#include "core/document/swatch_commands.h"
#include "core/palette/picture_palette.h"
#include "ui/main_form.h"
#include "ui/paint_box.h"
#include "ui/picture_colours_dialog.h"
#include "support/paths.h"
#include "support/recording.h"

namespace tintloom {
namespace {

namespace fs = std::filesystem;

class SwatchWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir);
    form.swatchFilePlaces = TSwatchFilePlaces{file, file, ""};
    form.CreateToolWindows();
    swatch = form.Windows().swatch;
    swatch->show();
  }
  void TearDown() override { fs::remove_all(dir); }
  void Click(int x, int y, Qt::KeyboardModifiers modifiers = Qt::NoModifier, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(swatch->SwatchBox(), button, modifiers, QPoint(x, y));
  }

  std::string dir = testing::ScratchPath("swatches");
  std::string file = dir + "/DefaultSwatch.swo";
  testing::TRecordingMessages messages;
  TMainForm form{messages, testing::ProgramDir()};
  TSwatchForm* swatch = nullptr;
};

TEST_F(SwatchWindow, ClicksAddApplyScrollAndDeleteAndTheFileKeepsThem) {
  EXPECT_EQ(swatch->SwatchBox()->geometry(), QRect(1, 1, 256, 256));
  // A left click on an empty cell adds the selected slot.
  TCoordinationModel& model = form.Model();
  for (int i = 0; i < 9; ++i) {
    model.SelectSlot(i);
    Click(32 * (i % 8) + 5, 32 * (i / 8) + 5);
  }
  ASSERT_EQ(swatch->Swatches().size(), 9u);
  EXPECT_EQ(swatch->ScrollBar()->maximum(), 1);
  // Cell 1 shows swatch 1's base colour inside a black outline shared with
  // its neighbour.
  const TColor base1 = model.SlotAt(1).shades[kBase].Color;
  EXPECT_EQ(FromRgb24(swatch->GridSurface().At(40, 10)), base1);
  EXPECT_EQ(FromRgb24(swatch->GridSurface().At(31, 10)), 0u);
  EXPECT_EQ(FromRgb24(swatch->GridSurface().At(63, 10)), 0u);
  EXPECT_EQ(FromRgb24(swatch->GridSurface().At(10, 70)), 0xF0F0F0u);

  // Scrolled down a row, the top-left cell is swatch 8 and the next one
  // adds swatch 9.
  swatch->ScrollBar()->setValue(1);
  EXPECT_EQ(FromRgb24(swatch->GridSurface().At(10, 10)), model.SlotAt(8).shades[kBase].Color);
  model.SelectSlot(9);
  Click(40, 5);
  EXPECT_EQ(swatch->Swatches().size(), 10u);

  // A click on a swatch loads it into the selected slot.
  swatch->ScrollBar()->setValue(0);
  model.SelectSlot(7);
  Click(40 + 32 * 5, 5);  // swatch 6, made from slot 6 (hue 140)
  EXPECT_FLOAT_EQ(model.Scheme().SlotHue(7), 140.0f);
  EXPECT_EQ(model.SlotAt(7).shades[kBase].Color, model.SlotAt(6).shades[kBase].Color);

  // Alt on an empty cell does nothing; on swatch 3 it deletes it.
  const std::string fourth = swatch->Swatches()[4];
  Click(5, 100, Qt::AltModifier);
  EXPECT_EQ(swatch->Swatches().size(), 10u);
  Click(3 * 32 + 5, 5, Qt::AltModifier);
  EXPECT_EQ(swatch->Swatches().size(), 9u);
  EXPECT_EQ(swatch->Swatches()[3], fourth);

  // While busy nothing happens.
  model.BeginBusy();
  swatch->PaintBox1MouseDown(TMouseInput{Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, 5, 200});
  model.EndBusy();
  EXPECT_EQ(swatch->Swatches().size(), 9u);

  // The end of the program writes them, CR LF each, once.
  const std::vector<std::string> kept = swatch->Swatches();
  form.ShutDown();
  Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(file, 1 << 20);
  ASSERT_TRUE(bytes.ok());
  EXPECT_EQ(*bytes, JoinSwatchLines(kept));
  EXPECT_TRUE(messages.shown.empty());
}

// A stray Alt+click deleted a swatch for good: adding, deleting and importing
// are steps that Ctrl+Z takes back and Ctrl+Y brings again, and the file
// written at the end holds the collection as it then is. The swatches are no
// work to save: they never mark the caption.
TEST_F(SwatchWindow, AddingDeletingAndImportingAreUndoneAndRedoneLikeAnyEdit) {
  TCoordinationModel& model = form.Model();
  for (int i = 0; i < 3; ++i) {
    model.SelectSlot(i);
    Click(32 * i + 5, 5);
  }
  ASSERT_EQ(swatch->Swatches().size(), 3u);
  const std::vector<std::string> three = swatch->Swatches();
  Click(32 + 5, 5, Qt::AltModifier);
  ASSERT_EQ(swatch->Swatches().size(), 2u);
  EXPECT_FALSE(form.Model().Unsaved());
  QTest::keyClick(swatch, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(swatch->Swatches(), three);
  // The grid shows it back: cell 1 is slot 1's colour again.
  EXPECT_EQ(FromRgb24(swatch->GridSurface().At(40, 10)), model.SlotAt(1).shades[kBase].Color);
  QTest::keyClick(swatch, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(swatch->Swatches().size(), 2u);
  form.UndoClick();

  // A whole palette file is one step.
  const std::string gpl = dir + "/four.gpl";
  const std::string four = "GIMP Palette\n200 40 10\n10 40 200\n0 0 0\n255 255 255\n";
  ASSERT_TRUE(ReplaceFileContents(gpl, std::vector<std::uint8_t>(four.begin(), four.end())).ok());
  swatch->ImportPaletteFile(QString::fromStdString(gpl));
  ASSERT_EQ(swatch->Swatches().size(), 7u);
  form.UndoClick();
  EXPECT_EQ(swatch->Swatches(), three);
  form.UndoClick();  // the adding of the third swatch
  EXPECT_EQ(swatch->Swatches().size(), 2u);
  form.RedoClick();
  form.RedoClick();
  EXPECT_EQ(swatch->Swatches().size(), 7u);
  EXPECT_FALSE(form.Model().Unsaved());

  form.UndoClick();
  const std::vector<std::string> kept = swatch->Swatches();
  form.ShutDown();
  EXPECT_EQ(ReadWholeFile(file, 1 << 20).value(), JoinSwatchLines(kept));
}

// With a thousand swatches the grid must scroll where the pointer is: the
// wheel over the cells, and Page Up, Page Down, Home and End.
TEST_F(SwatchWindow, TheWheelAndThePageKeysScrollTheGrid) {
  form.Model().StartSwatches(std::vector<std::string>(1000, "0x0000FF,0x00FF00"));
  swatch->RefreshSwatches();
  QScrollBar* bar = swatch->ScrollBar();
  ASSERT_EQ(bar->maximum(), 125);
  const QPoint over(100, 100);
  QWheelEvent down(QPointF(over), QPointF(swatch->SwatchBox()->mapToGlobal(over)), QPoint(), QPoint(0, -120),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(swatch->SwatchBox(), &down);
  EXPECT_EQ(bar->value(), 3) << "three rows a notch";
  QTest::keyClick(swatch, Qt::Key_PageDown);
  EXPECT_EQ(bar->value(), 3 + 8) << "a page is the eight rows on show";
  QTest::keyClick(swatch, Qt::Key_End);
  EXPECT_EQ(bar->value(), 125);
  QTest::keyClick(swatch, Qt::Key_PageUp);
  EXPECT_EQ(bar->value(), 117);
  QTest::keyClick(swatch, Qt::Key_Home);
  EXPECT_EQ(bar->value(), 0);
  QWheelEvent up(QPointF(over), QPointF(swatch->SwatchBox()->mapToGlobal(over)), QPoint(), QPoint(0, 120),
                 Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(swatch->SwatchBox(), &up);
  EXPECT_EQ(bar->value(), 0);
}

TEST_F(SwatchWindow, RightClickMenuAddsDeletesAndImportsAndDroppedPalettesComeIn) {
  TCoordinationModel& model = form.Model();
  std::vector<QString> offered;
  QString choice;
  swatch->runSwatchMenu = [&](QMenu& menu, const QPoint&) -> QAction* {
    offered.clear();
    QAction* chosen = nullptr;
    for (QAction* action : menu.actions()) {
      if (action->isSeparator()) continue;
      offered.push_back(action->text());
      if (action->text() == choice) chosen = action;
    }
    return chosen;
  };
  const QString add = QString::fromUtf8("スウォッチを追加(&A)");
  const QString remove = QString::fromUtf8("削除(&D)");
  const QString import = QString::fromUtf8("パレットを読み込む(&I)...");
  const QString picture = QString::fromUtf8("画像から色を取り出す(&E)...");
  // On an empty cell: add (or import); on a swatch: delete (or import).
  choice = add;
  Click(5, 5, Qt::NoModifier, Qt::RightButton);
  EXPECT_EQ(offered, (std::vector<QString>{add, import, picture}));
  ASSERT_EQ(swatch->Swatches().size(), 1u);
  choice = remove;
  Click(5, 5, Qt::NoModifier, Qt::RightButton);
  EXPECT_EQ(offered, (std::vector<QString>{remove, import, picture}));
  EXPECT_TRUE(swatch->Swatches().empty());

  // Import through the dialog: each colour the base of a swatch.
  const auto write = [&](const std::string& name, const std::string& text) {
    const std::string path = dir + "/" + name;
    EXPECT_TRUE(ReplaceFileContents(path, std::vector<std::uint8_t>(text.begin(), text.end())).ok());
    return QString::fromStdString(path);
  };
  QString picked = write("brand.gpl", "GIMP Palette\nName: brand\n#\n200 40 10\tRed\n10 40 200\tBlue\n");
  swatch->runImportDialog = [&] { return picked; };
  model.SelectSlot(6);
  choice = import;
  Click(5, 5, Qt::NoModifier, Qt::RightButton);
  ASSERT_EQ(swatch->Swatches().size(), 2u);
  EXPECT_EQ(FromRgb24(swatch->GridSurface().At(10, 10)), TColor{0x0A28C8});  // "200 40 10" exactly
  EXPECT_TRUE(messages.shown.empty());

  // A damaged file: one message, nothing added.
  picked = write("cut.aco", std::string("\0\1\0\5\0\0", 6));
  Click(100, 100, Qt::NoModifier, Qt::RightButton);
  EXPECT_EQ(swatch->Swatches().size(), 2u);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("cut.aco"), std::string::npos);

  // Dropped on the window: every file on its own, the damaged one refused.
  messages.shown.clear();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(write("list.hex", "#ff0000\n00ff00\n")), QUrl::fromLocalFile(picked),
                QUrl::fromLocalFile(write("more.pal", "JASC-PAL\n0100\n1\n1 2 3\n"))});
  QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(swatch, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(50, 50), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(swatch, &drop);
  EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
  EXPECT_EQ(swatch->Swatches().size(), 5u);
  EXPECT_EQ(messages.shown.size(), 1u);

  // The main window's drop takes another program's palette too, and shows
  // the swatch window.
  swatch->hide();
  form.FileCommands().DropFiles({write("x.txt", "#123456\n")});
  EXPECT_EQ(swatch->Swatches().size(), 6u);
  EXPECT_TRUE(swatch->isVisible());
}

TEST(SwatchWindowFile, ReadAtStartAndAFileThatCannotBeReadIsNotReplaced) {
  const std::string dir = testing::ScratchPath("swatch-start");
  fs::create_directories(dir + "/folder.swo");
  {
    testing::TRecordingMessages messages;
    TMainForm form(messages, testing::ProgramDir());
    // A folder where the file should be: said once, and left alone at the end.
    form.swatchFilePlaces = TSwatchFilePlaces{dir + "/folder.swo", dir + "/folder.swo", ""};
    form.CreateToolWindows();
    EXPECT_EQ(messages.shown.size(), 1u);
    form.ShutDown();
    EXPECT_TRUE(fs::is_directory(dir + "/folder.swo"));
  }
  {
    const std::string file = dir + "/DefaultSwatch.swo";
    const std::vector<std::uint8_t> two = JoinSwatchLines({"0x0000FF,0x00FF00", "garbage"});
    ASSERT_TRUE(ReplaceFileContents(file, two).ok());
    testing::TRecordingMessages messages;
    TMainForm form(messages, testing::ProgramDir());
    form.swatchFilePlaces = TSwatchFilePlaces{file, dir + "/no folder/x/DefaultSwatch.swo", ""};
    form.CreateToolWindows();
    EXPECT_EQ(form.Windows().swatch->Swatches().size(), 2u);
    EXPECT_EQ(form.Windows().swatch->ScrollBar()->maximum(), 0);
    // Drawn: green for the first (its base), black for the garbage line.
    EXPECT_EQ(FromRgb24(form.Windows().swatch->GridSurface().At(10, 10)), 0x00FF00u);
    EXPECT_EQ(FromRgb24(form.Windows().swatch->GridSurface().At(42, 10)), 0u);
    messages.shown.clear();
    form.ShutDown();  // the place to write is a missing folder under a file-less path: made, so it works
    EXPECT_TRUE(messages.shown.empty());
  }
  fs::remove_all(dir);
}

TEST(PaletteCommands, OpenAndSaveGoByTheExtensionInAnyCase) {
  const std::string dir = testing::ScratchPath("palette-commands");
  fs::create_directories(dir);
  testing::TRecordingMessages messages;
  TMainForm form(messages, testing::ProgramDir());
  form.CreateToolWindows();
  QString chosen;
  form.FileCommands().runPaletteSaveDialog = [&chosen] { return chosen; };
  form.FileCommands().runPaletteOpenDialog = [&chosen] { return chosen; };
  const std::pair<const char*, std::uintmax_t> saves[] = {
      {"a.TlP", 2384}, {"a.Aco", 1608}, {"a.ase", 1692}, {"a.GRD", 10344}, {"a.bmp", 54 + 1728 * 48}};
  for (const auto& [name, size] : saves) {
    chosen = QString::fromStdString(dir + "/" + name);
    form.FileCommands().S1Click();
    EXPECT_EQ(fs::file_size(dir + "/" + name), size) << name;
  }
  // Any other name writes nothing and says which extensions can be saved.
  chosen = QString::fromStdString(dir + "/a.dat");
  form.FileCommands().S1Click();
  EXPECT_FALSE(fs::exists(dir + "/a.dat"));
  EXPECT_EQ(messages.shown, std::vector<std::string>{kUnknownSaveExtensionMessage + ("\n->" + dir + "/a.dat")});
  messages.shown.clear();

  // Opening reads the document back: the rule comes back without its change.
  form.Model().ChangeRule(2);
  chosen = QString::fromStdString(dir + "/a.TlP");
  form.FileCommands().N1Click();
  EXPECT_EQ(form.Model().Scheme().ruleIndex, kCustomRule);
  EXPECT_EQ(form.Model().Scheme().previousRule, -1);
  // A .psd opens as artwork; another extension reads nothing and says so.
  std::vector<std::string> artwork;
  form.FileCommands().openSampleArtwork = [&artwork](const std::string& path) { artwork.push_back(path); };
  chosen = QString::fromStdString(dir + "/picture.PSD");
  form.FileCommands().N1Click();
  EXPECT_EQ(artwork, std::vector<std::string>{dir + "/picture.PSD"});
  form.Model().ChangeRule(2);
  chosen = QString::fromStdString(dir + "/a.dat");
  form.FileCommands().N1Click();
  EXPECT_EQ(form.Model().Scheme().ruleIndex, 2);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find(dir + "/a.dat"), std::string::npos);
  messages.shown.clear();
  // A work document saves and opens through the same two commands.
  form.Model().ChangeRule(4);
  chosen = QString::fromStdString(dir + "/w.TLW");
  form.FileCommands().S1Click();
  form.Model().ChangeRule(2);
  form.FileCommands().N1Click();
  EXPECT_EQ(form.Model().Scheme().ruleIndex, 4);
  EXPECT_TRUE(messages.shown.empty());
  // A save that cannot be written says so.
  chosen = QString::fromStdString(dir + "/missing/a.aco");
  form.FileCommands().S1Click();
  EXPECT_EQ(messages.shown, std::vector<std::string>{kFileAccessMessage});
  fs::remove_all(dir);
}

TEST_F(SwatchWindow, APaletteFileOpenedDroppedOrNamedOnTheCommandLineComesIntoTheSwatchesAlike) {
  const std::string gpl = dir + "/brand.gpl";
  const std::string text = "GIMP Palette\nName: brand\n#\n200 40 10\tRed\n10 40 200\tBlue\n";
  ASSERT_TRUE(ReplaceFileContents(gpl, std::vector<std::uint8_t>(text.begin(), text.end())).ok());
  const QString path = QString::fromStdString(gpl);
  form.FileCommands().runPaletteOpenDialog = [&path] { return path; };
  const std::vector<std::function<void()>> ways = {
      [&] { form.FileCommands().DropFiles({path}); },
      [&] { form.FileCommands().N1Click(); },
      [&] { form.FileCommands().OpenCommandLineFiles({path}); },
  };
  std::vector<std::vector<std::string>> added;
  for (const auto& way : ways) {
    const std::size_t before = swatch->Swatches().size();
    way();
    added.emplace_back(swatch->Swatches().begin() + static_cast<std::ptrdiff_t>(before), swatch->Swatches().end());
  }
  EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
  ASSERT_EQ(added[0].size(), 2u);
  EXPECT_EQ(added[1], added[0]);
  EXPECT_EQ(added[2], added[0]);
}

TEST_F(SwatchWindow, APicturesColoursComeInAsSwatchesOrIntoTheSlotsAndABadPictureChangesNothing) {
  TCoordinationModel& model = form.Model();
  const std::vector<QColor> stripes = {QColor(200, 40, 50), QColor(240, 230, 200), QColor(30, 60, 120), QColor(110, 150, 90)};
  QImage image(400, 100, QImage::Format_ARGB32);
  for (int i = 0; i < 4; ++i) {
    for (int y = 0; y < 100; ++y) {
      for (int x = 0; x < 100; ++x) image.setPixelColor(i * 100 + x, y, stripes[static_cast<std::size_t>(i)]);
    }
  }
  const QString png = QString::fromStdString(dir + "/reference.png");
  ASSERT_TRUE(image.save(png));
  std::vector<TColor> want;
  for (const QColor& c : stripes) want.push_back(static_cast<TColor>(c.red() | (c.green() << 8) | (c.blue() << 16)));
  std::sort(want.begin(), want.end());

  enum { kSwatches, kSlots, kCancel } press = kSwatches;
  int dialogs = 0;
  swatch->runColoursDialog = [&](TPictureColoursDialog& dialog) {
    ++dialogs;
    EXPECT_EQ(dialog.CountBox()->value(), 8);
    EXPECT_EQ(dialog.Colours().size(), 4u) << "four colours are all the picture has";
    dialog.MoodBox()->setCurrentIndex(4);  // dark: the navy first
    EXPECT_EQ(dialog.Colours().front(), TColor{0x783C1E});
    if (press == kSwatches) dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    if (press == kSlots) dialog.SlotsButton()->click();
    if (press == kCancel) dialog.reject();
  };

  // Dropped: four swatches, each base the stripe's colour exactly, one step.
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(png)});
  QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(swatch, &enter);
  QDropEvent drop(QPointF(50, 50), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(swatch, &drop);
  ASSERT_EQ(dialogs, 1) << (messages.shown.empty() ? "" : messages.shown[0]);
  ASSERT_EQ(swatch->Swatches().size(), 4u);
  std::vector<TColor> bases;
  for (int i = 0; i < 4; ++i) bases.push_back(swatch->SwatchCellColors(i)[kBase]);
  std::sort(bases.begin(), bases.end());
  EXPECT_EQ(bases, want);
  ASSERT_TRUE(model.Undo());
  EXPECT_TRUE(swatch->Swatches().empty());

  // Into the slots from the menu: slot 0 takes the first colour, one step.
  swatch->runPictureDialog = [&] { return png; };
  press = kSlots;
  const std::size_t steps = model.History().UndoSteps();
  swatch->TakeColoursClick();
  EXPECT_EQ(model.History().UndoSteps(), steps + 1);
  EXPECT_LT(DeltaE(LabOfColour(model.SlotAt(0).shades[kBase].Color), LabOfColour(0x783C1E)), 1.0);
  // Cancelled: nothing.
  press = kCancel;
  swatch->TakeColoursClick();
  EXPECT_EQ(model.History().UndoSteps(), steps + 1);
  EXPECT_TRUE(swatch->Swatches().empty());
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(dialogs, 3);

  // Damaged, empty, fully transparent and oversized pictures: one message
  // each naming the file, no dialog, nothing changed.
  const auto write = [&](const std::string& name, const std::string& bytes) {
    const std::string path = dir + "/" + name;
    EXPECT_TRUE(ReplaceFileContents(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end())).ok());
    return QString::fromStdString(path);
  };
  QImage clear(50, 50, QImage::Format_ARGB32);
  clear.fill(Qt::transparent);
  const QString transparent = QString::fromStdString(dir + "/clear.png");
  ASSERT_TRUE(clear.save(transparent));
  // A BMP header of 10000 x 10000 pixels with no pixels behind it.
  std::string huge("BM\0\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x10\x27\0\0\x10\x27\0\0\x01\0\x18\0", 30);
  huge.resize(54, '\0');
  QByteArray cut;
  QBuffer buffer(&cut);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  for (const QString& bad : {write("damaged.png", cut.left(cut.size() / 2).toStdString()), write("empty.png", ""),
                             transparent, write("huge.bmp", huge), write("noise.jpg", "not a picture at all")}) {
    messages.shown.clear();
    swatch->TakeColoursFromPicture(bad);
    ASSERT_EQ(messages.shown.size(), 1u) << bad.toStdString();
    EXPECT_NE(messages.shown[0].find(bad.toStdString()), std::string::npos) << messages.shown[0];
    EXPECT_TRUE(swatch->Swatches().empty());
  }
  EXPECT_EQ(dialogs, 3);
  EXPECT_EQ(model.History().UndoSteps(), steps + 1);
}

// A swatch file of more swatches than are read used to be cut to the first
// 100,000 whenever the program ended. Unchanged, it is now left as it is;
// changed, what was not read follows the collection; and the collection
// cannot grow past what the next start reads back.
TEST(SwatchWindowFile, SwatchesBeyondWhatIsReadAreNeverLost) {
  const std::string dir = testing::ScratchPath("swatch-many");
  fs::create_directories(dir);
  const std::string file = dir + "/DefaultSwatch.swo";
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < kMaxSwatches + 3; ++i) lines.push_back("0x" + std::to_string(i));
  const std::vector<std::uint8_t> original = JoinSwatchLines(lines);
  ASSERT_TRUE(ReplaceFileContents(file, original).ok());
  const auto start = [&](testing::TRecordingMessages& messages, TMainForm& form) {
    form.swatchFilePlaces = TSwatchFilePlaces{file, file, ""};
    form.CreateToolWindows();
    form.Model().SelectSlot(0);
    EXPECT_EQ(messages.shown, std::vector<std::string>{kSwatchCutMessage});
    messages.shown.clear();
    return form.Windows().swatch;
  };
  {
    testing::TRecordingMessages messages;
    TMainForm form(messages, testing::ProgramDir());
    start(messages, form);
    form.ShutDown();
    EXPECT_EQ(ReadWholeFile(file, kMaxSwatchFileBytes).value(), original);
  }
  {
    testing::TRecordingMessages messages;
    TMainForm form(messages, testing::ProgramDir());
    TSwatchForm* swatch = start(messages, form);
    // Full: adding and importing are refused with a message.
    swatch->AddSwatch();
    EXPECT_EQ(swatch->Swatches().size(), kMaxSwatches);
    EXPECT_EQ(messages.shown, std::vector<std::string>{kSwatchFullMessage});
    swatch->DeleteSwatch(0);
    swatch->AddSwatch();
    EXPECT_EQ(swatch->Swatches().size(), kMaxSwatches);
    form.ShutDown();
  }
  const std::vector<std::uint8_t> saved = ReadWholeFile(file, kMaxSwatchFileBytes).value();
  const std::vector<std::string> kept = SplitSwatchLines(saved, kMaxSwatches + 10);
  ASSERT_EQ(kept.size(), kMaxSwatches + 3);
  EXPECT_EQ(kept.front(), "0x1");
  EXPECT_EQ(kept[kMaxSwatches - 2], "0x" + std::to_string(kMaxSwatches - 1));
  EXPECT_EQ(kept.back(), "0x" + std::to_string(kMaxSwatches + 2));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tintloom
