// Opening sample artwork through the real windows, offscreen: the progress
// window, the menu command, the command line, failures and a real file.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QGuiApplication>
#include <QFile>
#include <QProgressBar>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "ui/artwork_export_dialog.h"
#include "ui/hue_form.h"
#include "ui/layer_form.h"
#include "ui/palette_form.h"
#include "ui/main_form.h"
#include "ui/swatch_form.h"
#include "ui/paint_box.h"
#include "ui/progress_form.h"
#include "ui/tool_form.h"
#include "support/paths.h"
#include "support/recording.h"

namespace tintloom {
namespace {

std::filesystem::path Samples() { return TINTLOOM_PSD_SAMPLES; }

class Opening : public ::testing::Test {
 protected:
  testing::TRecordingMessages messages;
  TMainForm form{messages, testing::ProgramDir()};
  void SetUp() override {
    form.CreateToolWindows();
    form.show();
  }

  std::vector<TToolForm*> ToolWindows() {
    const TToolWindows& w = form.Windows();
    return {w.hue, w.picker, w.lightBalance, w.layer, w.swatch, w.info};
  }
  bool AllPanelsEnabled() {
    for (TToolForm* w : ToolWindows()) {
      if (!w->ContentPanel()->isEnabled()) return false;
    }
    return true;
  }
  // After any load the program must be fully usable again.
  void ExpectUsable() {
    EXPECT_FALSE(form.Model().Busy());
    EXPECT_TRUE(AllPanelsEnabled());
    EXPECT_FALSE(form.Windows().progress->isVisible());
  }
};

TEST_F(Opening, ProgressWindowFollowsTheMainWindowAndPumpsOncePerStep) {
  TProgressForm& progress = *form.Windows().progress;
  EXPECT_FALSE(progress.isVisible());
  EXPECT_TRUE(progress.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(progress.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(progress.size(), QSize(377, 92));
  EXPECT_EQ(TProgressForm::Placement(100, 50, 377, 92), QPoint(212, 304));

  form.move(100, 50);
  progress.ShowProgress("ファイルからデータを読み取っています...", 3);
  EXPECT_TRUE(progress.isVisible());
  const QRect main = form.frameGeometry();
  EXPECT_EQ(progress.pos(), TProgressForm::Placement(main.left(), main.top(), 377, 92));
  EXPECT_EQ(progress.Caption()->text(), QString::fromUtf8("ファイルからデータを読み取っています..."));
  EXPECT_EQ(progress.Bar()->maximum(), 3);
  const int passes = progress.EventPasses();
  for (int i = 0; i < 3; ++i) progress.StepProgress(i);
  EXPECT_EQ(progress.Bar()->value(), 2);
  EXPECT_EQ(progress.EventPasses(), passes);  // stepping never lets events run

  // The next step re-places the window over a moved main window.
  form.move(300, 80);
  progress.ShowProgress("グレイスケールに変換しています...", 0);
  const QRect moved = form.frameGeometry();
  EXPECT_EQ(progress.pos(), TProgressForm::Placement(moved.left(), moved.top(), 377, 92));
  EXPECT_EQ(progress.EventPasses(), passes + 1);
  progress.HideProgress();
  EXPECT_FALSE(progress.isVisible());
}

TEST_F(Opening, MenuAcceptsOnlyThePsdExtensionInAnyCase) {
  std::vector<std::string> opened;
  form.FileCommands().openSampleArtwork = [&](const std::string& path) { opened.push_back(path); };
  QString chosen;
  form.FileCommands().runOpenDialog = [&] { return chosen; };
  QAction* psd1 = form.findChild<QAction*>("PSD1");
  ASSERT_NE(psd1, nullptr);
  struct Case {
    const char* path;
    bool opens;
    bool refused;
  };
  const Case cases[] = {
      {"", false, false},  // dialog cancelled
      {"/tmp/Picture.PsD", true, false},
      {"/tmp/picture.psd", true, false},
      {"/tmp/picture.KRA", true, false},
      {"/tmp/picture.ora", true, false},
      {"/tmp/picture.psb", false, true},
      {"/tmp/psd", false, true},
      {"/tmp/archive.psd.zip", false, true},
  };
  for (const Case& c : cases) {
    opened.clear();
    messages.shown.clear();
    chosen = QString::fromUtf8(c.path);
    psd1->trigger();
    EXPECT_EQ(opened.size(), c.opens ? 1u : 0u) << c.path;
    if (c.refused) {
      EXPECT_EQ(messages.shown, std::vector<std::string>{"PSD・Krita・OpenRasterの画像ではありません"}) << c.path;
    } else {
      EXPECT_TRUE(messages.shown.empty()) << c.path;
    }
  }
}

TEST_F(Opening, InputDuringALoadFindsTheModelBusy) {
  bool sawBusy = false;
  bool sawPanelsEnabled = true;
  // Runs when the load first lets pending events through.
  QTimer::singleShot(0, &form, [&] {
    sawBusy = form.Model().Busy();
    sawPanelsEnabled = AllPanelsEnabled();
    form.Model().SelectSlot(7);  // ignored while busy
  });
  form.FileCommands().DropFiles({"/nonexistent/picture.psd"});
  EXPECT_TRUE(sawBusy);
  EXPECT_FALSE(sawPanelsEnabled);
  EXPECT_EQ(form.Model().selectedSlot, 0);
  ExpectUsable();
}

TEST_F(Opening, AMissingFileIsReportedInOneMessageAndLeavesTheColoursAlone) {
  const TColor before = form.Model().SlotAt(3).shades[kShadow].LitColor;
  form.FileCommands().DropFiles({"/nonexistent/picture.psd"});
  // The reason and the stop in one box, not two in a row.
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], "ファイルを開けません.\n->/nonexistent/picture.psd\nPSDファイルオープン中にエラーが発生したため処理を中断します");
  EXPECT_EQ(form.Model().SlotAt(3).shades[kShadow].LitColor, before);
  ExpectUsable();
  // Not a PSD: a drop ignores it without a word.
  form.FileCommands().DropFiles({"/nonexistent/picture.png"});
  EXPECT_EQ(messages.shown.size(), 1u);
}

class OpeningSamples : public Opening {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(Samples())) GTEST_SKIP() << "no sample folder at " << Samples();
    Opening::SetUp();
  }
  void Open(const char* name) { form.FileCommands().DropFiles({QString::fromStdString((Samples() / name).string())}); }
};

TEST_F(OpeningSamples, A4x4RgbFileShowsItsOwnGreyLevelsCentred) {
  Open("pt_colormodes__4x4_8bit_rgb.psd");
  ASSERT_TRUE(messages.shown.empty()) << messages.shown.front();
  ExpectUsable();
  TCoordinationModel& model = form.Model();
  ASSERT_EQ(model.LayerCount(), 1);  // the empty first layer makes no working layer
  EXPECT_EQ(model.Artwork().SelectedLayer(), -1);
  EXPECT_EQ(model.Artwork().Origin().x, 298);
  EXPECT_EQ(model.Artwork().Origin().y, 298);
  // grey = (77 R + 151 G + 28 B) >> 8 of the file's pixels, e.g. (10, 0, 178)
  // gives 22; that through the grey ramp with levels 170 and 85 gives 21.
  const int grey[16] = {22, 49, 76, 151, 49, 22, 49, 76, 76, 49, 22, 49, 151, 76, 49, 22};
  const int shown[16] = {21, 48, 75, 150, 48, 21, 48, 75, 75, 48, 21, 48, 150, 75, 48, 21};
  const QImage canvas = form.Canvas()->grab().toImage();
  for (int j = 0; j < 4; ++j) {
    for (int k = 0; k < 4; ++k) {
      const int v = shown[j * 4 + k];
      EXPECT_EQ(canvas.pixelColor(298 + k, 298 + j), QColor(v, v, v)) << k << "," << j;
      EXPECT_EQ(model.Artwork().PickSurface().At(k, j).red, grey[j * 4 + k]) << k << "," << j;
    }
  }
  EXPECT_EQ(canvas.pixelColor(297, 298), QColor(0xD0, 0xD0, 0xD0));  // checker around it
  EXPECT_EQ(canvas.pixelColor(302, 301), QColor(0xD0, 0xD0, 0xD0));

  // Shift-click picks the grey under the pointer into the selected layer.
  model.SelectLayer(0);
  form.Windows().layer->show();
  QTest::mouseClick(form.Canvas(), Qt::LeftButton, Qt::ShiftModifier, QPoint(298 + 3, 298));
  EXPECT_EQ(model.LayerMapping(0).BaseLevel, 151);
}

TEST_F(OpeningSamples, ASecondLoadReplacesTheFirstAndAFileWithoutLayersSaysSo) {
  Open("pt_clipping-mask.psd");
  ASSERT_TRUE(messages.shown.empty()) << messages.shown.front();
  TCoordinationModel& model = form.Model();
  const int firstCount = model.LayerCount();
  EXPECT_GT(firstCount, 1);
  EXPECT_EQ(model.Artwork().ArtworkSurface().width, 360);
  EXPECT_EQ(model.Artwork().Origin().y, 200);
  model.SelectLayer(0);

  Open("pt_colormodes__4x4_8bit_grayscale.psd");
  ASSERT_TRUE(messages.shown.empty()) << messages.shown.front();
  EXPECT_EQ(model.LayerCount(), 1);
  EXPECT_EQ(model.Artwork().Layers().size(), 1u);
  EXPECT_EQ(model.Artwork().SelectedLayer(), -1);
  EXPECT_EQ(model.Artwork().ArtworkSurface().width, 4);
  EXPECT_EQ(model.Artwork().PickSurface().At(0, 0).red, 24);

  Open("pt_0layers.psd");
  EXPECT_EQ(messages.shown, std::vector<std::string>{"PSDファイルはレイヤーをもちません"});
  ExpectUsable();
  EXPECT_EQ(model.LayerCount(), 1);  // the artwork before it stays
}

// The record's own name of this layer is "?": the list shows the name the
// drawing program kept in Unicode.
TEST_F(OpeningSamples, LayersAreListedByTheirUnicodeNames) {
  form.Windows().layer->show();
  Open("pt_layer-name-emoji.psd");
  ASSERT_TRUE(messages.shown.empty()) << messages.shown.front();
  const auto* list = form.Windows().layer->findChild<QListWidget*>();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text(), QString::fromUtf8("\U0001F47D"));
}

TEST_F(OpeningSamples, ADamagedFileGivesTheReasonThenTheAbandonMessage) {
  std::ifstream in(Samples() / "pt_clipping-mask.psd", std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto cut = std::filesystem::temp_directory_path() / ("cut_" + std::to_string(::getpid()) + ".psd");
  {
    std::ofstream out(cut, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 3));
  }
  Open("pt_hidden-layer.psd");
  TCoordinationModel& model = form.Model();
  form.Windows().layer->show();
  model.SelectLayer(0);
  messages.shown.clear();
  form.FileCommands().DropFiles({QString::fromStdString(cut.string())});
  std::filesystem::remove(cut);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_TRUE(messages.shown[0].ends_with("\nPSDファイルオープン中にエラーが発生したため処理を中断します"));
  ExpectUsable();
  // The artwork open before is still listed, with its layer selected.
  EXPECT_EQ(model.LayerCount(), 2);
  const auto* list = form.Windows().layer->findChild<QListWidget*>();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->count(), 2);
  EXPECT_EQ(list->currentRow(), 1);
}

}  // namespace
}  // namespace tintloom

namespace tintloom {
namespace {

TEST_F(OpeningSamples, SavedWorkReopensByDropAndTheArtworkExportsAtItsOwnSize) {
  Open("pt_clipping-mask.psd");
  ASSERT_TRUE(messages.shown.empty()) << messages.shown.front();
  TCoordinationModel& model = form.Model();
  ASSERT_GT(model.LayerCount(), 1);
  model.SelectLayer(1);
  model.SelectSlot(3);
  model.MapSelectedLayerToRamp(kWhiteRamp);
  model.SetLayerBaseLevel(99);
  const std::string work = testing::ScratchPath("w.tlw");
  form.FileCommands().runPaletteSaveDialog = [&work] { return QString::fromStdString(work); };
  form.FileCommands().S1Click();
  ASSERT_TRUE(messages.shown.empty()) << messages.shown.front();

  // Another artwork in between, then the work dropped on the window.
  Open("pt_mask.psd");
  form.FileCommands().DropFiles({QString::fromStdString(work)});
  ASSERT_TRUE(messages.shown.empty()) << messages.shown.front();
  ExpectUsable();
  EXPECT_EQ(model.Artwork().Path(), (Samples() / "pt_clipping-mask.psd").string());
  EXPECT_EQ(model.LayerMapping(1).MappedSlot, kWhiteRamp);
  EXPECT_EQ(model.LayerMapping(1).BaseLevel, 99);
  EXPECT_EQ(model.LayerMapping(0).MappedSlot, kGreyRamp);

  const std::string png = testing::ScratchPath("out.png");
  form.FileCommands().runArtworkExportDialog = [&png] {
    TArtworkExportChoice choice;
    choice.path = QString::fromStdString(png);
    return std::optional<TArtworkExportChoice>(choice);
  };
  form.FileCommands().P1Click();
  ASSERT_TRUE(messages.shown.empty()) << messages.shown.front();
  const QImage written(QString::fromStdString(png));
  EXPECT_EQ(written.size(), QSize(360, 200));
  ExpectUsable();

  // The layers sent back as a PSD the program opens again, layer for layer.
  const std::string psd = testing::ScratchPath("layers.psd");
  form.FileCommands().runLayeredExportDialog = [&psd] { return QString::fromStdString(psd); };
  form.findChild<QAction*>("LP1")->trigger();
  ASSERT_TRUE(messages.shown.empty()) << messages.shown.front();
  TPSD read;
  TSilentProgress silent;
  ASSERT_TRUE(LoadFromFile(psd, read, silent).ok());
  EXPECT_EQ(read.layerCount, model.LayerCount());
  EXPECT_EQ(read.width, 360);
  ExpectUsable();
  std::filesystem::remove(work);
  std::filesystem::remove(png);
  std::filesystem::remove(psd);
}

TEST_F(OpeningSamples, AnExportNameThatCannotBeWrittenIsSaidAndTheDialogStaysToCorrectIt) {
  Open("pt_clipping-mask.psd");
  ASSERT_GT(form.Model().LayerCount(), 0);
  const std::string folder = testing::ScratchPath("export-folder");
  std::filesystem::create_directories(folder);
  // What the user types, one name per showing of the dialog; the warnings
  // that come between are read and closed.
  const QStringList typed = {QString::fromStdString(folder + "/missing/x.png"), QString::fromStdString(folder + "/x.jpg"),
                             QString::fromStdString(folder + "/x.png")};
  int shown = 0;
  QStringList warnings;
  QStringList keptFiles;
  std::vector<int> keptBackgrounds;
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      warnings << box->text();
      box->accept();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal); dialog != nullptr && dialog->objectName() == "ExportDialog") {
      if (shown >= typed.size()) return;
      auto* file = dialog->findChild<QLineEdit*>("ExportFile");
      auto* background = dialog->findChild<QComboBox*>("ExportBackground");
      keptFiles << file->text();
      keptBackgrounds.push_back(background->currentIndex());
      if (shown == 0) background->setCurrentIndex(3);
      file->setText(typed[shown++]);
      dialog->accept();
    }
  });
  driver.start(10);
  const std::optional<TArtworkExportChoice> choice = AskArtworkExport(&form, form.Model());
  driver.stop();
  ASSERT_TRUE(choice.has_value());
  EXPECT_EQ(choice->path, typed[2]);
  EXPECT_FALSE(choice->background.transparent);
  EXPECT_EQ(choice->background.colour, TColor{0x000000});
  // Each wrong name said what is wrong; the dialog came back holding it and
  // the background chosen.
  ASSERT_EQ(warnings.size(), 2);
  EXPECT_TRUE(warnings[0].startsWith(QString::fromUtf8("書き出し先のフォルダがありません"))) << warnings[0].toStdString();
  EXPECT_TRUE(warnings[0].contains(QString::fromStdString(folder + "/missing"))) << warnings[0].toStdString();
  EXPECT_TRUE(warnings[1].contains(".png")) << warnings[1].toStdString();
  ASSERT_EQ(keptFiles.size(), 3);
  EXPECT_EQ(keptFiles[1], typed[0]);
  EXPECT_EQ(keptFiles[2], typed[1]);
  EXPECT_EQ(keptBackgrounds[1], 3);
  EXPECT_EQ(keptBackgrounds[2], 3);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tintloom

namespace tintloom {
namespace {

// The shown picture is the kept one through the view's filter, pixel for pixel.
int PixelsNotFiltered(const QImage& shown, const TSurface& kept, const TViewFilter& filter) {
  int wrong = 0;
  for (int y = 0; y < kept.height; ++y) {
    for (int x = 0; x < kept.width; ++x) {
      const TRgb24 p = filter.Apply(kept.At(x, y));
      wrong += shown.pixelColor(x, y) == QColor(p.red, p.green, p.blue) ? 0 : 1;
    }
  }
  return wrong;
}

TEST_F(OpeningSamples, CanvasViewsChangeOnlyTheScreenAndFollowEveryEdit) {
  Open("pt_clipping-mask.psd");
  ASSERT_TRUE(messages.shown.empty()) << messages.shown.front();
  TCoordinationModel& model = form.Model();
  ASSERT_GT(model.LayerCount(), 1);
  model.SelectLayer(1);
  model.SelectSlot(3);
  model.MapSelectedLayerToRamp(3);  // a colour, so that a view has something to change
  const QPoint onArtwork(model.Artwork().Origin().x + 180, model.Artwork().Origin().y + 100);

  // What the program keeps and writes: the canvas, the export, the canvas
  // copy, and the level a Shift+click takes.
  const std::string png = testing::ScratchPath("view.png");
  form.FileCommands().runArtworkExportDialog = [&png] {
    TArtworkExportChoice choice;
    choice.path = QString::fromStdString(png);
    return std::optional<TArtworkExportChoice>(choice);
  };
  struct Kept {
    std::vector<std::uint8_t> canvas, exported;
    QImage copied;
    int level;
  };
  const auto keep = [&] {
    Kept k;
    k.canvas = model.Canvas().bitmap;
    form.FileCommands().P1Click();
    std::ifstream file(png, std::ios::binary);
    k.exported.assign(std::istreambuf_iterator<char>(file), {});
    form.C1Click();
    k.copied = QGuiApplication::clipboard()->image();
    QTest::mouseClick(form.Canvas(), Qt::LeftButton, Qt::ShiftModifier, onArtwork - QPoint(0, 0));
    k.level = model.LayerMapping(1).BaseLevel;
    model.Undo();
    return k;
  };
  const Kept plain = keep();
  ASSERT_FALSE(plain.exported.empty());

  form.ValueViewAction()->trigger();
  form.findChild<QAction*>("VisionDeutan")->trigger();
  EXPECT_EQ(form.CanvasView(), (TCanvasView{true, TColourVision::Deutan}));
  const TViewFilter canvasFilter(form.CanvasView());
  const Kept viewed = keep();
  EXPECT_TRUE(viewed.canvas == plain.canvas);
  EXPECT_TRUE(viewed.exported == plain.exported);
  EXPECT_EQ(viewed.copied, plain.copied);
  EXPECT_EQ(viewed.level, plain.level);

  // The screen shows the filtered canvas, grey, after every kind of change.
  const auto expectShownFiltered = [&](const char* after) {
    const QImage shown = form.Canvas()->grab().toImage();
    EXPECT_EQ(PixelsNotFiltered(shown, model.Canvas(), canvasFilter), 0) << after;
    const QColor c = shown.pixelColor(onArtwork);
    EXPECT_TRUE(c.red() == c.green() && c.green() == c.blue()) << after;
  };
  expectShownFiltered("switching on");
  const std::vector<std::uint8_t> before = model.Canvas().bitmap;
  model.SetLayerBaseLevel(60);
  ASSERT_FALSE(model.Canvas().bitmap == before);
  expectShownFiltered("a level");
  model.Undo();
  expectShownFiltered("an undo");

  // The slot strips follow the simulation only: colours, not values.
  const THueForm& hue = *form.Windows().hue;
  EXPECT_EQ(PixelsNotFiltered(hue.StripBox()->grab().toImage(), hue.StripSurface(),
                              TViewFilter({false, TColourVision::Deutan})),
            0);
  form.findChild<QAction*>("VisionNormal")->trigger();
  EXPECT_EQ(PixelsNotFiltered(hue.StripBox()->grab().toImage(), hue.StripSurface(), TViewFilter()), 0);
  form.ValueViewAction()->trigger();
  EXPECT_FALSE(form.CanvasView().ChangesColours());
  EXPECT_EQ(PixelsNotFiltered(form.Canvas()->grab().toImage(), model.Canvas(), TViewFilter()), 0);
  std::filesystem::remove(png);
}

}  // namespace
}  // namespace tintloom
