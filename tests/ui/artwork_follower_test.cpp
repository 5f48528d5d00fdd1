// Following the painting: the open artwork's file saved by another process
// (by rename, in place with a pause, cut short, deleted and restored, saved
// again and again) while the program runs, offscreen.

#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/document/work_document_commands.h"
#include "ui/layer_form.h"
#include "ui/main_form.h"
#include "ui/status_notice.h"
#include "support/named_layers_psd.h"
#include "support/paths.h"
#include "support/recording.h"

namespace tintloom {
namespace {

using testing::NamedLayersPsd;
using testing::TNamedLayer;

class Following : public ::testing::Test {
 protected:
  testing::TRecordingMessages messages;
  TMainForm form{messages, testing::ProgramDir()};
  std::filesystem::path folder = testing::ScratchPath("follow");
  std::string path = (folder / "art.psd").string();
  int versions = 0;

  void SetUp() override {
    std::filesystem::create_directories(folder);
    form.CreateToolWindows();
    form.show();
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  // The layers as a file beside the artwork, for the writer to save.
  std::string Version(const std::vector<TNamedLayer>& layers, std::size_t keep = 0) {
    std::vector<std::uint8_t> bytes = NamedLayersPsd(layers);
    if (keep > 0) bytes.resize(keep);
    std::string name = std::to_string(++versions);
    name.insert(name.begin(), 'v');
    name += ".bin";
    const std::string file = (folder / name).string();
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return file;
  }
  // The writer process, run to its end while the program goes on; without a
  // source it deletes the artwork's file.
  void Save(const char* how, const std::string& source, int pauseMs = 0) {
    QProcess writer;
    if (source.empty()) {
      writer.start(TINTLOOM_ARTWORK_WRITER, {how, QString::fromStdString(path)});
    } else {
      writer.start(TINTLOOM_ARTWORK_WRITER, {how, QString::fromStdString(source), QString::fromStdString(path),
                                             QString::number(pauseMs)});
    }
    ASSERT_TRUE(writer.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return writer.state() == QProcess::NotRunning; }, 10000));
    ASSERT_EQ(writer.exitCode(), 0);
  }
  bool WaitForReloads(int n, int ms = 5000) {
    return QTest::qWaitFor([&] { return form.Follower().Reloads() >= n && form.Follower().Idle(); }, ms);
  }
  TCoordinationModel& Model() { return form.Model(); }
  int LayerNamed(const std::string& name) {
    for (int i = 0; i < Model().LayerCount(); ++i) {
      if (Model().Artwork().Document().Simples[static_cast<std::size_t>(i)].Name == name) return i;
    }
    return -1;
  }
  void OpenByDrop(const std::vector<TNamedLayer>& layers) {
    std::filesystem::copy_file(Version(layers), path, std::filesystem::copy_options::overwrite_existing);
    form.FileCommands().DropFiles({QString::fromStdString(path)});
    ASSERT_EQ(Model().LayerCount(), static_cast<int>(layers.size()));
    ASSERT_EQ(form.Follower().Path(), Model().Artwork().Path());
  }
};

TEST_F(Following, SavesByRenameAndInPlaceCarryEveryLayersSettings) {
  OpenByDrop({{"paper", 200}, {"skin", 150}, {"hair", 60}});
  Model().SelectLayer(1);
  Model().SelectSlot(5);
  Model().SetLayerBaseLevel(120);
  const std::size_t steps = Model().History().UndoSteps();

  // Saved by rename: skin repainted, a line layer added on top.
  Save("rename", Version({{"paper", 200}, {"skin", 90}, {"hair", 60}, {"line", 10}}));
  ASSERT_TRUE(WaitForReloads(1));
  ASSERT_EQ(Model().LayerCount(), 4);
  EXPECT_EQ(Model().LayerMapping(LayerNamed("skin")).MappedSlot, 5);
  EXPECT_EQ(Model().LayerMapping(LayerNamed("skin")).BaseLevel, 120);
  EXPECT_TRUE(Model().Artwork().Fresh(LayerNamed("line")));
  EXPECT_EQ(Model().SelectedLayers(), std::vector<int>{LayerNamed("skin")});
  EXPECT_EQ(Model().History().UndoSteps(), steps);
  EXPECT_TRUE(form.Notice()->isVisible());
  // The file named now is another file: it is watched again.
  EXPECT_TRUE(form.Follower().Watcher().files().contains(QString::fromStdString(path)));

  // Saved in place, pausing halfway for longer than the program waits: the
  // half-written file is passed over in silence and the whole one is read.
  Save("inplace", Version({{"paper", 200}, {"skin", 90}, {"line", 10}}), 900);
  ASSERT_TRUE(WaitForReloads(2));
  EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
  ASSERT_EQ(Model().LayerCount(), 3);
  EXPECT_EQ(LayerNamed("hair"), -1);
  EXPECT_TRUE(form.Notice()->text().contains(QStringLiteral("hair")));
  EXPECT_EQ(Model().LayerMapping(LayerNamed("skin")).MappedSlot, 5);
}

TEST_F(Following, ACutFileNeverReplacesTheArtworkAndOnlyALastingOneIsSaidOnce) {
  OpenByDrop({{"paper", 200}, {"skin", 150}});
  form.Follower().patience = std::chrono::milliseconds(1500);
  const std::vector<std::uint8_t> whole = NamedLayersPsd({{"paper", 200}, {"skin", 150}, {"line", 10}});
  Save("inplace", Version({{"paper", 200}, {"skin", 150}, {"line", 10}}, whole.size() - 700));
  QTest::qWait(900);
  EXPECT_EQ(Model().LayerCount(), 2);
  EXPECT_TRUE(messages.shown.empty());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.shown.empty(); }, 5000));
  QTest::qWait(500);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find(path), std::string::npos) << messages.shown[0];
  EXPECT_EQ(Model().LayerCount(), 2);

  // Whole again: read as usual.
  Save("rename", Version({{"paper", 200}, {"skin", 150}, {"line", 10}}));
  ASSERT_TRUE(WaitForReloads(1));
  EXPECT_EQ(Model().LayerCount(), 3);
  EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(Following, ADeletedFileKeepsTheArtworkAndIsPickedUpWhenRestored) {
  OpenByDrop({{"paper", 200}, {"skin", 150}});
  Save("delete", {});
  QTest::qWait(800);
  EXPECT_EQ(Model().LayerCount(), 2);
  EXPECT_TRUE(messages.shown.empty());
  Save("rename", Version({{"paper", 200}, {"skin", 150}, {"eyes", 30}}));
  ASSERT_TRUE(WaitForReloads(1));
  EXPECT_EQ(Model().LayerCount(), 3);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Following, QuickSavesInSuccessionEndOnTheLastOne) {
  OpenByDrop({{"l0", 0}});
  for (int n = 2; n <= 6; ++n) {
    std::vector<TNamedLayer> layers;
    for (int i = 0; i < n; ++i) {
      TNamedLayer layer;
      layer.name = std::to_string(i);
      layer.name.insert(layer.name.begin(), 'l');
      layer.grey = static_cast<std::uint8_t>(40 * i);
      layers.push_back(layer);
    }
    Save(n % 2 == 0 ? "rename" : "inplace", Version(layers));
    QTest::qWait(60);
  }
  ASSERT_TRUE(WaitForReloads(1));
  ASSERT_TRUE(QTest::qWaitFor([&] { return Model().LayerCount() == 6 && form.Follower().Idle(); }, 5000));
  QTest::qWait(600);
  EXPECT_EQ(Model().LayerCount(), 6);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Following, AWorkDocumentsArtworkIsFollowedAndTheMenuReloadsWhenWatchingIsOff) {
  OpenByDrop({{"paper", 200}, {"skin", 150}});
  const std::string work = (folder / "evening.tlw").string();
  SaveWorkDocument(Model(), work);
  form.FileCommands().openWorkDocument(work);
  EXPECT_EQ(form.Follower().Path(), Model().Artwork().Path());

  // Off: a save is left alone until the menu asks for it.
  ASSERT_TRUE(form.FollowSavesAction()->isChecked());
  form.FollowSavesAction()->trigger();
  EXPECT_FALSE(form.Follower().Enabled());
  Save("rename", Version({{"paper", 200}, {"skin", 150}, {"line", 10}}));
  QTest::qWait(700);
  EXPECT_EQ(Model().LayerCount(), 2);
  form.ReloadAction()->trigger();
  ASSERT_TRUE(WaitForReloads(1));
  EXPECT_EQ(Model().LayerCount(), 3);

  // F5 is the reload's alone.
  EXPECT_EQ(form.ReloadAction()->shortcut(), QKeySequence(Qt::Key_F5));
  for (QAction* action : form.findChildren<QAction*>()) {
    if (action == form.ReloadAction()) continue;
    EXPECT_FALSE(action->shortcuts().contains(QKeySequence(Qt::Key_F5))) << action->objectName().toStdString();
  }
}

TEST_F(Following, ALayerWindowHiddenDuringASaveShowsTheLayersReadWhenItComesBack) {
  OpenByDrop({{"paper", 200}, {"skin", 150}});
  TLayerForm& layers = *form.Windows().layer;
  layers.hide();
  Save("rename", Version({{"paper", 200}, {"face", 150}}));
  ASSERT_TRUE(WaitForReloads(1));
  layers.show();
  ASSERT_EQ(layers.LayerList()->count(), 2);
  EXPECT_EQ(layers.LayerList()->item(0)->text(), QStringLiteral("face"));
}

}  // namespace
}  // namespace tintloom
