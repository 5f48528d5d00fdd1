// The headless render as a batch script uses it: one picture per palette,
// named after it, and every failure one English line with a non-zero status.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "core/document/command_line_render.h"
#include "core/base/data_files.h"
#include "core/document/palette_document_commands.h"
#include "core/document/work_document_commands.h"
#include "core/formats/palette_document.h"
#include "core/artwork/psd_document.h"
#include "core/base/file_io.h"
#include "core/formats/png_file.h"
#include "core/formats/work_document.h"
#include "core/document/coordination_model.h"
#include "support/paths.h"
#include "support/recording.h"

namespace tintloom {
namespace {

namespace fs = std::filesystem;

class CommandLineRender : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(TINTLOOM_PSD_SAMPLES)) GTEST_SKIP() << "no sample folder";
    folder = testing::ScratchPath("render");
    fs::create_directories(folder);
    fs::copy_file(fs::path(TINTLOOM_PSD_SAMPLES) / "pt_clipping-mask.psd", folder / "art.psd");
    // A work document and two palettes of different colours.
    testing::TRecordingViews views;
    testing::TRecordingMessages messages;
    TCoordinationModel model(views, messages);
    model.ConstructScheme();
    model.Redraw(TCoordinationModel::kRedrawAll);
    model.OpenSampleArtwork((folder / "art.psd").string());
    for (int i = 0; i < model.LayerCount(); ++i) {
      model.LayerMapping(i).MappedSlot = static_cast<std::int16_t>(i % 10);
      model.BuildLayerLookup(i);
    }
    SaveWorkDocument(model, (folder / "w.tlw").string());
    SavePaletteDocument(model, (folder / "a.tlp").string());
    model.ChangeRule(2);
    SavePaletteDocument(model, (folder / "b.tlp").string());
    ASSERT_TRUE(messages.shown.empty());
  }
  void TearDown() override { fs::remove_all(folder); }

  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return RunCommandLineRender(args, testing::ProgramDir(), out, err);
  }
  std::string P(const char* name) const { return (folder / name).string(); }
  long Lines() const {
    const std::string text = err.str();
    return std::count(text.begin(), text.end(), '\n');
  }

  fs::path folder;
  std::ostringstream out, err;
};

TEST_F(CommandLineRender, OnePicturePerPaletteNamedAfterItAndSizedOnRequest) {
  ASSERT_EQ(Run({"--render", P("w.tlw"), "--palette", P("a.tlp"), "--palette", P("b.tlp"), "--output-dir",
                 P("previews"), "--size", "100"}),
            0)
      << err.str();
  const Result<TPngPicture> a = ReadPngFile(P("previews/a.png"));
  const Result<TPngPicture> b = ReadPngFile(P("previews/b.png"));
  ASSERT_TRUE(a.ok() && b.ok());
  EXPECT_EQ(std::max(a->width, a->height), 100);
  EXPECT_NE(a->rgba, b->rgba);  // the palettes differ, so do the pictures

  ASSERT_EQ(Run({"--render", P("w.tlw"), "--output", P("full.png"), "--background", "transparent"}), 0) << err.str();
  const Result<TPngPicture> full = ReadPngFile(P("full.png"));
  ASSERT_TRUE(full.ok());
  EXPECT_EQ(full->width, 360);
  EXPECT_EQ(full->height, 200);
  EXPECT_TRUE(full->alpha);
}

TEST_F(CommandLineRender, LayeredPsdByItsExtensionOrByFormatAndNeverOverTheArtwork) {
  const auto layers = [](const std::string& path) {
    TPSD doc;
    TSilentProgress silent;
    return LoadFromFile(path, doc, silent).ok() ? doc.layerCount : -1;
  };
  ASSERT_EQ(Run({"--render", P("w.tlw"), "--output", P("layers.PSD")}), 0) << err.str();
  const int working = [this] {
    testing::TRecordingViews views;
    testing::TRecordingMessages messages;
    TCoordinationModel model(views, messages);
    model.OpenSampleArtwork(P("art.psd"));
    return model.LayerCount();
  }();
  EXPECT_EQ(layers(P("layers.PSD")), working);
  ASSERT_EQ(Run({"--render", P("w.tlw"), "--palette", P("a.tlp"), "--palette", P("b.tlp"), "--output-dir",
                 P("psd"), "--format", "psd"}),
            0)
      << err.str();
  EXPECT_GT(layers(P("psd/a.psd")), 0);
  EXPECT_NE(ReadWholeFile(P("psd/a.psd"), 1 << 20).value(), ReadWholeFile(P("psd/b.psd"), 1 << 20).value());

  const std::uint64_t size = fs::file_size(P("art.psd"));
  for (const auto& [args, status] : std::vector<std::pair<std::vector<std::string>, int>>{
           {{"--render", P("w.tlw"), "--output", P("x.psd"), "--size", "100"}, 2},
           {{"--render", P("w.tlw"), "--output", P("x.psd"), "--background", "transparent"}, 2},
           {{"--render", P("w.tlw"), "--output-dir", P("d"), "--format", "tiff"}, 2},
           {{"--render", P("w.tlw"), "--output", P("x.psd"), "--format", "psd"}, 2},
           {{"--render", P("w.tlw"), "--output", P("art.psd")}, 1},
       }) {
    EXPECT_EQ(Run(args), status) << args.back();
    const std::string line = err.str();
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
    EXPECT_FALSE(fs::exists(P("x.psd")));
  }
  EXPECT_EQ(fs::file_size(P("art.psd")), size);
}

TEST_F(CommandLineRender, EveryFailureIsOneEnglishLineAndANonZeroStatus) {
  std::ofstream(P("junk.tlw")) << "{not json";
  std::ofstream(P("junk.tlp")) << "TLPX";
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"--render"}, 2},
      {{"--render", P("w.tlw")}, 2},
      {{"--render", P("w.tlw"), "--output", P("x.png"), "--size", "0"}, 2},
      {{"--render", P("w.tlw"), "--output", P("x.png"), "--bogus"}, 2},
      {{"--render", P("w.tlw"), "--palette", P("a.tlp"), "--palette", P("b.tlp"), "--output", P("x.png")}, 2},
      {{"--render", P("missing.tlw"), "--output", P("x.png")}, 1},
      {{"--render", P("junk.tlw"), "--output", P("x.png")}, 1},
      {{"--render", P("w.tlw"), "--palette", P("junk.tlp"), "--output", P("x.png")}, 1},
      {{"--render", P("w.tlw"), "--output", P("no-such-folder/x.png")}, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args), c.status) << c.args.back();
    const std::string line = err.str();
    EXPECT_EQ(line.rfind("tintloom: ", 0), 0u) << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
    EXPECT_FALSE(fs::exists(P("x.png")));
  }
  // The artwork gone: named in the one line.
  fs::remove(P("art.psd"));
  EXPECT_EQ(Run({"--render", P("w.tlw"), "--output", P("x.png")}), 1);
  EXPECT_NE(err.str().find("art.psd"), std::string::npos);

  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out.str().find("--output-dir"), std::string::npos);
  // The version alone on its line, as scripts and package tools read it,
  // also when given among other arguments.
  EXPECT_EQ(Run({"picture.psd", "--version"}), 0);
  EXPECT_TRUE(std::regex_match(out.str(), std::regex("tintloom [0-9]+(\\.[0-9]+)+\n"))) << out.str();
  EXPECT_TRUE(err.str().empty()) << err.str();
}

TEST_F(CommandLineRender, OutputsItCannotWriteAsAskedAreRefusedBeforeAnythingIsWritten) {
  // Two palettes of one file name would make one picture twice over.
  fs::create_directories(folder / "pa");
  fs::create_directories(folder / "pb");
  fs::copy_file(P("a.tlp"), P("pa/autumn.tlp"));
  fs::copy_file(P("b.tlp"), P("pb/autumn.tlp"));
  EXPECT_EQ(Run({"--render", P("w.tlw"), "--palette", P("pa/autumn.tlp"), "--palette", P("pb/autumn.tlp"),
                 "--output-dir", P("dd")}),
            2);
  EXPECT_EQ(Lines(), 1) << err.str();
  EXPECT_NE(err.str().find("autumn.png"), std::string::npos) << err.str();
  EXPECT_FALSE(fs::exists(P("dd")));
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out.str().find("refused"), std::string::npos);

  // A picture is written in the format its extension names, or not at all.
  EXPECT_EQ(Run({"--render", P("w.tlw"), "--output", P("out.jpg")}), 2);
  EXPECT_EQ(Lines(), 1) << err.str();
  EXPECT_NE(err.str().find(".png"), std::string::npos) << err.str();
  EXPECT_FALSE(fs::exists(P("out.jpg")));
  ASSERT_EQ(Run({"--render", P("w.tlw"), "--output", P("out.PNG")}), 0) << err.str();
  EXPECT_TRUE(ReadPngFile(P("out.PNG")).ok());

  // A folder that is not there is named as such.
  EXPECT_EQ(Run({"--render", P("w.tlw"), "--output", P("nowhere/x.png")}), 1);
  EXPECT_NE(err.str().find("no such folder"), std::string::npos) << err.str();

  // A work document too large to be one is said to be.
  fs::copy_file(P("w.tlw"), P("large.tlw"));
  fs::resize_file(P("large.tlw"), kMaxWorkDocumentBytes + 1);
  EXPECT_EQ(Run({"--render", P("large.tlw"), "--output", P("x.png")}), 1);
  EXPECT_NE(err.str().find("too large"), std::string::npos) << err.str();
}

TEST_F(CommandLineRender, ReadableArtworkWithoutAVisibleLayerIsSaidToHaveNoLayersAsTheWindowSaysIt) {
  fs::copy_file(fs::path(TINTLOOM_PSD_SAMPLES) / "pt_0layers.psd", P("art.psd"), fs::copy_options::overwrite_existing);
  EXPECT_EQ(Run({"--render", P("w.tlw"), "--output", P("x.png")}), 1);
  EXPECT_NE(err.str().find("has no layers"), std::string::npos) << err.str();
  EXPECT_EQ(err.str().find("not a readable"), std::string::npos) << err.str();
  // A file that is no PSD at all is still called that.
  std::ofstream(P("art.psd"), std::ios::trunc) << "not a psd";
  EXPECT_EQ(Run({"--render", P("w.tlw"), "--output", P("x.png")}), 1);
  EXPECT_NE(err.str().find("not a readable layered PSD file"), std::string::npos) << err.str();
}

// A FIFO named as any of the files: readers used to block in open for ever,
// and the output used to be replaced by a regular file with success
// reported. Each is now one line naming it, exit 1, and the FIFO stays.
TEST_F(CommandLineRender, SpecialFilesAreRefusedWithOneLineAndLeftAlone) {
  for (const char* name : {"pipe.png", "pipe.tlw", "pipe.tlp"}) ASSERT_EQ(::mkfifo(P(name).c_str(), 0600), 0);
  const std::vector<std::string> cases[] = {
      {"--render", P("w.tlw"), "--output", P("pipe.png")},
      {"--render", P("pipe.tlw"), "--output", P("x.png")},
      {"--render", P("w.tlw"), "--palette", P("pipe.tlp"), "--output", P("x.png")},
  };
  for (const auto& args : cases) {
    EXPECT_EQ(Run(args), 1);
    const std::string line = err.str();
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
    EXPECT_NE(line.find("pipe."), std::string::npos) << line;
    EXPECT_NE(line.find("not a regular file"), std::string::npos) << line;
  }
  for (const char* name : {"pipe.png", "pipe.tlw", "pipe.tlp"}) EXPECT_TRUE(fs::is_fifo(P(name))) << name;
  EXPECT_FALSE(fs::exists(P("x.png")));
}

}  // namespace
}  // namespace tintloom
