// Opening sample files through the model, with the progress and the messages
// recorded: the order of the steps, what a load leaves behind, failures.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/document/coordination_model.h"
#include "core/base/progress_sink.h"
#include "support/recording.h"

namespace tintloom {
namespace {

std::string Sample(const char* name) { return (std::filesystem::path(TINTLOOM_PSD_SAMPLES) / name).string(); }

std::string Show(const char* caption, int count) { return std::string("show ") + caption + " " + std::to_string(count); }

class OpenArtwork : public ::testing::Test {
 protected:
  testing::TRecordingViews views;
  testing::TRecordingMessages messages;
  TCoordinationModel model{views, messages};
  void SetUp() override {
    if (!std::filesystem::exists(TINTLOOM_PSD_SAMPLES)) GTEST_SKIP() << "no sample folder";
  }
};

TEST_F(OpenArtwork, StepsReportTheirLayersInOrderAndALoadEndsReady) {
  model.OpenSampleArtwork(Sample("pt_hidden-layer.psd"));
  ASSERT_TRUE(messages.shown.empty()) << messages.shown.front();
  // 100 x 150 is not shrunk: no resize step.
  const std::vector<std::string> expected = {
      Show(kProgressReading, 3), "step 0", "step 1", "step 2", Show(kProgressGrey, 3), "step 0", "step 1", "step 2",
      "hide"};
  EXPECT_EQ(views.progress.calls, expected);
  EXPECT_FALSE(model.Busy());
  EXPECT_EQ(views.busyEntered, 1);
  EXPECT_EQ(views.busyLeft, 1);
  EXPECT_EQ(views.layerListFills, 1);
  ASSERT_EQ(model.LayerCount(), 2);  // the hidden layer is left out
  EXPECT_EQ(model.Artwork().SelectedLayer(), -1);
  EXPECT_EQ(model.Artwork().ArtworkSurface().width, 100);
  EXPECT_EQ(model.Artwork().ArtworkSurface().height, 150);
  EXPECT_EQ(model.Artwork().Origin().x, 250);
  EXPECT_EQ(model.Artwork().Origin().y, 225);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(model.LayerMapping(i).MappedSlot, kGreyRamp);
    EXPECT_NE(model.LayerThumbnail(i), nullptr);
  }
  EXPECT_EQ(model.LayerThumbnail(2), nullptr);
}

TEST_F(OpenArtwork, AFileWithoutLayersIsReportedAndOpensNothing) {
  model.OpenSampleArtwork(Sample("pt_0layers.psd"));
  EXPECT_EQ(messages.shown, std::vector<std::string>{"PSDファイルはレイヤーをもちません"});
  // 1600 x 1200 is larger than the canvas: the resize step runs, over no layers.
  const std::vector<std::string> expected = {Show(kProgressReading, 0), Show(kProgressGrey, 0),
                                             Show(kProgressResize, 0), "hide"};
  EXPECT_EQ(views.progress.calls, expected);
  EXPECT_FALSE(model.Busy());
  EXPECT_EQ(model.Artwork().ArtworkSurface().width, 0);
  EXPECT_EQ(model.LayerCount(), 0);
}

// A file that cannot be used, for whatever reason, must not cost the user the
// artwork they were working on: canvas, layers, mappings and selection stay.
TEST_F(OpenArtwork, AFileThatFailsToOpenKeepsTheArtworkItsMappingsAndSelection) {
  model.OpenSampleArtwork(Sample("pt_hidden-layer.psd"));
  ASSERT_EQ(model.LayerCount(), 2);
  model.SelectLayer(1);
  model.SelectSlot(2);  // maps layer 1 to slot 2
  model.SetLayerBaseLevel(200);
  const std::vector<std::uint8_t> canvas = model.Canvas().bitmap;
  const TColor colour = model.SlotAt(2).shades[kBase].Color;

  const auto cut = std::filesystem::temp_directory_path() / ("cut_" + std::to_string(::getpid()) + ".psd");
  {
    std::ifstream in(Sample("pt_clipping-mask.psd"), std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream out(cut, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 3));
  }
  const auto folder = std::filesystem::temp_directory_path() / ("folder_" + std::to_string(::getpid()) + ".psd");
  std::filesystem::create_directory(folder);
  for (const std::string& path : {std::string("/nonexistent/gone.psd"), cut.string(), folder.string(),
                                  Sample("pt_0layers.psd")}) {
    messages.shown.clear();
    views.progress.calls.clear();
    const int fills = views.layerListFills;
    model.OpenSampleArtwork(path);
    ASSERT_FALSE(messages.shown.empty()) << path;
    ASSERT_EQ(messages.shown.size(), 1u) << path;
    EXPECT_FALSE(model.Busy()) << path;
    ASSERT_EQ(model.LayerCount(), 2) << path;
    EXPECT_EQ(model.Artwork().SelectedLayer(), 1) << path;
    EXPECT_EQ(model.LayerMapping(1).MappedSlot, 2) << path;
    EXPECT_EQ(model.LayerMapping(1).BaseLevel, 200) << path;
    EXPECT_EQ(model.Artwork().ArtworkSurface().width, 100) << path;
    EXPECT_EQ(model.SlotAt(2).shades[kBase].Color, colour) << path;
    EXPECT_EQ(model.Canvas().bitmap, canvas) << path;
    // The busy state emptied the layer list: it is filled again.
    EXPECT_EQ(views.layerListFills, fills + 1) << path;
  }
  std::filesystem::remove(cut);
  std::filesystem::remove(folder);
}

TEST_F(OpenArtwork, EverySampleWholeOrCutOpensCleanlyOrSaysWhy) {
  const auto scratch = std::filesystem::temp_directory_path() / ("cut_" + std::to_string(::getpid()) + ".psd");
  for (const auto& entry : std::filesystem::directory_iterator(TINTLOOM_PSD_SAMPLES)) {
    if (entry.path().extension() != ".psd") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (int eighths = 1; eighths <= 8; ++eighths) {
      {
        std::ofstream out(scratch, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size() * static_cast<std::size_t>(eighths) / 8));
      }
      messages.shown.clear();
      model.OpenSampleArtwork(scratch.string());
      const std::string what = entry.path().filename().string() + " cut at " + std::to_string(eighths) + "/8";
      EXPECT_FALSE(model.Busy()) << what;
      if (!messages.shown.empty()) {
        ASSERT_EQ(messages.shown.size(), 1u) << what;
        if (!messages.shown[0].ends_with("\nPSDファイルオープン中にエラーが発生したため処理を中断します")) {
          EXPECT_EQ(messages.shown[0], "PSDファイルはレイヤーをもちません") << what;
        }
      } else {
        EXPECT_GT(model.LayerCount(), 0) << what;
        EXPECT_LE(model.Artwork().ArtworkSurface().width, kCanvasSize) << what;
        EXPECT_LE(model.Artwork().ArtworkSurface().height, kCanvasSize) << what;
      }
      // Whatever is left composes and picks without reaching outside anything.
      model.SetBackgroundMode(BackgroundMode::White);
      model.SelectLayer(model.LayerCount() - 1);
      model.PickLevelAt(false, 300, 300);
    }
  }
  std::filesystem::remove(scratch);
}

TEST_F(OpenArtwork, NothingOpensWhileALoadIsRunning) {
  model.BeginBusy();
  model.OpenSampleArtwork(Sample("pt_hidden-layer.psd"));
  EXPECT_TRUE(views.progress.calls.empty());
  EXPECT_EQ(model.LayerCount(), 0);
  model.EndBusy();
}

}  // namespace
}  // namespace tintloom
