// Files named on the command line, as a file manager passes them (%F).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/document/palette_document_commands.h"
#include "core/formats/palette_document.h"
#include "ui/main_form.h"
#include "support/paths.h"
#include "support/recording.h"

namespace tintloom {
namespace {

namespace fs = std::filesystem;

constexpr const char* kOnlyOurs =
    "開けるのはPSD・Krita・OpenRasterの画像(*.psd *.kra *.ora)、Tintloomパレット(*.tlp)、作業ファイル(*.tlw)とパレットファイル(*.gpl *.ase *.aco *.pal *.hex *.txt)だけです";

class CommandLine : public ::testing::Test {
 protected:
  testing::TRecordingMessages messages;
  TMainForm form{messages, testing::ProgramDir()};
  fs::path dir = testing::ScratchPath("files");
  // What was opened, in order: "psd <path>" or "tlp <path>".
  std::vector<std::string> opened;

  void SetUp() override {
    fs::create_directories(dir / "folder.psd");
    for (const char* name : {"a.psd", "B.PSD", "c.psd", "one.tlp", "Two.TLP", "w.TLW", "x.gpl", "y.ASE", "notes.doc", "psd", "a.psd.zip"}) {
      std::ofstream(dir / name) << "x";
    }
    form.FileCommands().openSampleArtwork = [this](const std::string& path) { opened.push_back("psd " + path); };
    form.FileCommands().openPaletteDocument = [this](const std::string& path) { opened.push_back("tlp " + path); };
    form.FileCommands().openWorkDocument = [this](const std::string& path) { opened.push_back("tlw " + path); };
    form.FileCommands().importPalette = [this](const std::string& path) { opened.push_back("swatches " + path); };
  }
  void TearDown() override { fs::remove_all(dir); }
  QString Path(const char* name) const { return QString::fromStdString((dir / name).string()); }
  std::string Shown(const char* name) const { return "\n->" + (dir / name).string(); }
};

TEST_F(CommandLine, TheLastOfEachKindOpensThePaletteBeforeTheArtwork) {
  struct Case {
    std::vector<const char*> names;
    std::vector<std::string> opened;
  };
  const std::string a = (dir / "a.psd").string(), b = (dir / "B.PSD").string(), c = (dir / "c.psd").string();
  const std::string one = (dir / "one.tlp").string(), two = (dir / "Two.TLP").string(), w = (dir / "w.TLW").string();
  const std::string x = (dir / "x.gpl").string(), y = (dir / "y.ASE").string();
  const Case cases[] = {
      {{}, {}},
      {{"a.psd"}, {"psd " + a}},
      {{"a.psd", "B.PSD", "c.psd"}, {"psd " + c}},
      {{"c.psd", "B.PSD"}, {"psd " + b}},
      {{"one.tlp"}, {"tlp " + one}},
      {{"a.psd", "one.tlp", "B.PSD", "Two.TLP"}, {"tlp " + two, "psd " + b}},
      {{"Two.TLP", "one.tlp", "a.psd"}, {"tlp " + one, "psd " + a}},
      // A work document brings its own palette and artwork: files named with
      // it are opened over it.
      {{"a.psd", "one.tlp", "w.TLW"}, {"tlw " + w, "tlp " + one, "psd " + a}},
      // Palettes of other programs each add to the swatches, as a drop does.
      {{"x.gpl", "a.psd", "y.ASE"}, {"psd " + a, "swatches " + x, "swatches " + y}},
  };
  for (const Case& test : cases) {
    opened.clear();
    QStringList paths;
    for (const char* name : test.names) paths << Path(name);
    form.FileCommands().OpenCommandLineFiles(paths);
    EXPECT_EQ(opened, test.opened) << paths.join(' ').toStdString();
  }
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(CommandLine, EachUnusableNameGetsOneMessageAndTheRestStillOpens) {
  struct Case {
    const char* name;
    std::string message;
  };
  const Case cases[] = {
      {"missing.psd", "ファイルが見つかりません" + Shown("missing.psd")},
      {"missing.tlp", "ファイルが見つかりません" + Shown("missing.tlp")},
      {"folder.psd", "フォルダーは開けません" + Shown("folder.psd")},
      {"notes.doc", kOnlyOurs + Shown("notes.doc")},
      {"psd", kOnlyOurs + Shown("psd")},
      {"a.psd.zip", kOnlyOurs + Shown("a.psd.zip")},
  };
  for (const Case& c : cases) {
    messages.shown.clear();
    opened.clear();
    form.FileCommands().OpenCommandLineFiles({Path(c.name)});
    EXPECT_EQ(messages.shown, std::vector<std::string>{c.message}) << c.name;
    EXPECT_TRUE(opened.empty()) << c.name;
    // Named after a good file, the bad one does not stop it, nor take its place.
    messages.shown.clear();
    opened.clear();
    form.FileCommands().OpenCommandLineFiles({Path("a.psd"), Path(c.name)});
    EXPECT_EQ(messages.shown.size(), 1u) << c.name;
    EXPECT_EQ(opened, std::vector<std::string>{"psd " + (dir / "a.psd").string()}) << c.name;
  }
  EXPECT_FALSE(form.Model().Busy());
}

TEST_F(CommandLine, ANamedPaletteDocumentBringsBackItsColours) {
  const std::string saved = (dir / "saved.tlp").string();
  form.Model().SelectSlot(4);
  form.Model().PickScreenColour(kBase, 0x2080C0);
  const TColor picked = form.Model().SlotAt(4).shades[kBase].Color;
  SavePaletteDocument(form.Model(), saved);
  ASSERT_TRUE(messages.shown.empty()) << messages.shown.front();

  testing::TRecordingMessages otherMessages;
  TMainForm other(otherMessages, testing::ProgramDir());
  other.CreateToolWindows();
  ASSERT_NE(other.Model().SlotAt(4).shades[kBase].Color, picked);
  other.FileCommands().OpenCommandLineFiles({QString::fromStdString(saved)});
  EXPECT_TRUE(otherMessages.shown.empty()) << otherMessages.shown.front();
  for (int slot = 0; slot < kSlotCount; ++slot) {
    for (int shade = 0; shade < 4; ++shade) {
      EXPECT_EQ(other.Model().SlotAt(slot).shades[shade].Color, form.Model().SlotAt(slot).shades[shade].Color)
          << slot << "," << shade;
    }
  }
}

}  // namespace
}  // namespace tintloom
