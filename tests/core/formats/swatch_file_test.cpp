#include "core/document/swatch_commands.h"
#include "core/formats/swatch_file.h"
#include "support/recording.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/base/file_io.h"
#include "support/model_fixture.h"
#include "support/paths.h"

namespace tintloom {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes AsBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST(SwatchLine, FormatsColoursInUpperCaseHexAndParamsWithSixDecimals) {
  TColorSlot slot;
  slot.shades[kHighlight].Color = 0x00A0FF;
  slot.shades[kBase].Color = 0x0000FF;
  slot.shades[kShadow].Color = 0x1234567;  // more than six digits stay whole
  slot.shades[kDeepShadow].Color = 0;
  slot.shades[kHighlight].Param = TColorF(120.0f, 0.5f, 1.0f);
  slot.shades[kBase].Param = TColorF(-35.25f, 0.125f, 1e-7f);
  slot.shades[kShadow].Param = TColorF(359.999f, 0, 0);
  slot.shades[kDeepShadow].Param = TColorF(0, 1, 0.8f);
  EXPECT_EQ(FormatSwatchLine(slot),
            "0x00A0FF,0x0000FF,0x1234567,0x000000,120.000000,0.500000,1.000000,-35.250000,0.125000,0.000000,"
            "359.998993,0.000000,0.000000,0.000000,1.000000,0.800000");
}

TEST(SwatchLine, CellColoursTakeWhatConvertsAndBlackForTheRest) {
  struct Case {
    const char* line;
    std::array<TColor, 4> colours;
  };
  const Case cases[] = {
      {"0x00A0FF,0x0000FF,0x000080,0x000040,1,2,3", {0x00A0FF, 0x0000FF, 0x000080, 0x000040}},
      {",,0x10,,,0x20,0x30,0x40", {0x10, 0x20, 0x30, 0x40}},   // runs and leading commas are one separator
      {"0x10,0x20", {0x10, 0x20, 0, 0}},                      // missing pieces stay black
      {"0x1G,red,255,-1", {0, 0, 255, 0xFFFFFFFF}},           // garbage is black; decimal converts
      {"0x1FFFFFFFF,0x,12ab, 0xff ", {0, 0, 0, 0xFF}},         // too large, empty hex, trailing text
      {"", {0, 0, 0, 0}},
      {",,,,", {0, 0, 0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(SwatchCellColors(c.line), c.colours) << c.line;
  const std::string overlong = "0x0000FF," + std::string(100000, '9');
  EXPECT_EQ(SwatchCellColors(overlong), (std::array<TColor, 4>{0xFF, 0, 0, 0}));
}

TEST(SwatchLine, ParamsKeepTheirValueWhereTheLineHasNoUsableNumber) {
  const std::array<TColorF, 4> start = {TColorF(1, 2, 3), TColorF(4, 5, 6), TColorF(7, 8, 9), TColorF(10, 11, 12)};
  struct Case {
    std::string line;
    std::array<TColorF, 4> params;
  };
  const Case cases[] = {
      {"0,0,0,0,10.5,0.25,1,20,0.5,0.75,-30,0.1,0.2,40,0.3,0.4",
       {TColorF(10.5f, 0.25f, 1), TColorF(20, 0.5f, 0.75f), TColorF(-30, 0.1f, 0.2f), TColorF(40, 0.3f, 0.4f)}},
      // Fewer than sixteen fields: the rest stay.
      {"0,0,0,0,10.5,0.25", {TColorF(10.5f, 0.25f, 3), start[1], start[2], start[3]}},
      // Garbage, NaN, infinities and overflow are no usable number.
      {"0,0,0,0,x,nan,inf,-inf,1e999,1.5.2,+2,0.5 , 7e-1", {start[0], start[1], TColorF(2, 0.5f, 0.7f), start[3]}},
      {"", start},
      // Beyond sixteen fields nothing is read.
      {"0,0,0,0,1,1,1,2,2,2,3,3,3,4,4,4,5,5,5", {TColorF(1, 1, 1), TColorF(2, 2, 2), TColorF(3, 3, 3), TColorF(4, 4, 4)}},
  };
  for (const Case& c : cases) {
    std::array<TColorF, 4> params = start;
    ReadSwatchParams(c.line, params);
    EXPECT_EQ(params, c.params) << c.line;
  }
}

TEST(SwatchFile, LinesEndAtCrLfOrCrLfAndAreWrittenWithCrLf) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb\rc\r\nd", {"a", "b", "c", "d"}},
      {"a\r\n\r\nb", {"a", "b"}},  // an empty line is no swatch
      {"\r\r\n", {}},
      {std::string("x\0y\r\n", 5), {std::string("x\0y", 3)}},
  };
  for (const auto& [text, lines] : cases) EXPECT_EQ(SplitSwatchLines(AsBytes(text)), lines) << text;
  EXPECT_EQ(JoinSwatchLines({"0x1", "0x2"}), AsBytes("0x1\r\n0x2\r\n"));
  EXPECT_TRUE(JoinSwatchLines({}).empty());
}

class SwatchPlacesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(programDir);
    std::filesystem::remove_all(userDir);
  }
  void TearDown() override {
    std::filesystem::remove_all(programDir);
    std::filesystem::remove_all(userRoot);
  }
  std::string programDir = testing::ScratchPath("program");
  std::string userRoot = testing::ScratchPath("user");
  std::string userDir = userRoot + "/deeper/Tintloom";
  std::string ProgramFile() const { return programDir + "/DefaultSwatch.swo"; }
  std::string UserFile() const { return userDir + "/DefaultSwatch.swo"; }
};

TEST_F(SwatchPlacesTest, KeptBesideTheProgramOrElseInTheUsersFolder) {
  // A program folder that can be written keeps the file.
  TSwatchFilePlaces places = LocateSwatchFile(programDir, userDir);
  EXPECT_EQ(places.readPath, ProgramFile());
  EXPECT_EQ(places.writePath, ProgramFile());
  ASSERT_TRUE(SaveSwatchLines(places, {"a", "b"}).ok());
  Result<std::vector<std::string>> lines = LoadSwatchLines(places);
  ASSERT_TRUE(lines.ok());
  EXPECT_EQ(*lines, (std::vector<std::string>{"a", "b"}));

  // A program folder that cannot be written (here: one that is not there):
  // read from it, write to the user's folder, made on the way.
  const std::string missing = programDir + "/not-there";
  places = LocateSwatchFile(missing, userDir);
  EXPECT_EQ(places.writePath, UserFile());
  ASSERT_TRUE(SaveSwatchLines(places, {"c"}).ok());
  // From then on the user's copy is the one.
  places = LocateSwatchFile(programDir, userDir);
  EXPECT_EQ(places.readPath, UserFile());
  EXPECT_EQ(*LoadSwatchLines(places), std::vector<std::string>{"c"});
}

// An installed copy run by root, or installed into the user's own prefix,
// could write its bin/ folder; a swatch file left there would outlive the
// package. It still reads one found there until the user has their own.
TEST_F(SwatchPlacesTest, AnInstalledCopyNeverWritesBesideItself) {
  const std::string bin = programDir + "/usr/bin";
  std::filesystem::create_directories(bin);
  std::filesystem::create_directories(programDir + "/usr/share/tintloom");
  std::ofstream(bin + "/DefaultSwatch.swo", std::ios::binary) << "old\r\n";
  TSwatchFilePlaces places = LocateSwatchFile(bin, userDir);
  EXPECT_EQ(places.readPath, bin + "/DefaultSwatch.swo");
  EXPECT_EQ(places.writePath, UserFile());
  EXPECT_EQ(*LoadSwatchLines(places), std::vector<std::string>{"old"});
  ASSERT_TRUE(SaveSwatchLines(places, {"new"}).ok());
  EXPECT_EQ(*ReadWholeFile(bin + "/DefaultSwatch.swo", 100), AsBytes("old\r\n"));
  EXPECT_EQ(LocateSwatchFile(bin, userDir).readPath, UserFile());
}

// A file of nothing but line ends used to become millions of empty
// swatches (gigabytes); a file of too many swatches gives the first ones
// and says so.
TEST_F(SwatchPlacesTest, EmptyLinesAreSkippedAndTooManySwatchesAreCutWithAMessage) {
  std::string text(std::size_t{20} << 20, '\n');
  for (std::size_t i = 0; i <= kMaxSwatches; ++i) text += "0x" + std::to_string(i) + "\r\n";
  std::ofstream(ProgramFile(), std::ios::binary) << text;
  testing::TRecordingMessages messages;
  Result<std::vector<std::string>> lines = LoadSwatchLines(LocateSwatchFile(programDir, userDir), &messages);
  ASSERT_TRUE(lines.ok());
  ASSERT_EQ(lines->size(), kMaxSwatches);
  EXPECT_EQ(lines->front(), "0x0");
  EXPECT_EQ(lines->back(), "0x" + std::to_string(kMaxSwatches - 1));
  EXPECT_EQ(messages.shown, std::vector<std::string>{kSwatchCutMessage});

  // What was left unread is kept and written back after the collection, so
  // that saving never cuts the file to what was shown.
  std::vector<std::uint8_t> unread;
  lines = LoadSwatchLines(LocateSwatchFile(programDir, userDir), nullptr, &unread);
  ASSERT_TRUE(lines.ok());
  EXPECT_EQ(unread, AsBytes("0x" + std::to_string(kMaxSwatches) + "\r\n"));
  lines->erase(lines->begin());
  ASSERT_TRUE(SaveSwatchLines(LocateSwatchFile(programDir, userDir), *lines, unread).ok());
  lines = LoadSwatchLines(LocateSwatchFile(programDir, userDir), nullptr, &unread);
  ASSERT_TRUE(lines.ok());
  EXPECT_EQ(lines->size(), kMaxSwatches);
  EXPECT_EQ(lines->back(), "0x" + std::to_string(kMaxSwatches));
  EXPECT_TRUE(unread.empty());
}

TEST_F(SwatchPlacesTest, AFailedWriteFallsBackThenReportsAndKeepsTheOldFile) {
  std::ofstream(ProgramFile(), std::ios::binary) << "old\r\n";
  // A folder that cannot be made: its parent is a file.
  const std::string unwritable = ProgramFile() + "/DefaultSwatch.swo";
  // The program's folder is believed writable but the file cannot be
  // replaced there: the user's folder takes the swatches.
  TSwatchFilePlaces places{ProgramFile(), unwritable, UserFile()};
  ASSERT_TRUE(SaveSwatchLines(places, {"new"}).ok());
  EXPECT_EQ(*ReadWholeFile(UserFile(), 100), AsBytes("new\r\n"));
  // Nowhere to write: a message naming the file, the old file untouched.
  places = TSwatchFilePlaces{ProgramFile(), unwritable, ""};
  Result<> saved = SaveSwatchLines(places, {"x"});
  ASSERT_FALSE(saved.ok());
  EXPECT_EQ(saved.error().message.rfind(kSwatchWriteMessage, 0), 0u);
  EXPECT_EQ(*ReadWholeFile(ProgramFile(), 100), AsBytes("old\r\n"));
  // A missing file is an empty list; a folder in its place cannot be read.
  EXPECT_TRUE(LoadSwatchLines({UserFile() + ".none", "", ""})->empty());
  EXPECT_FALSE(LoadSwatchLines({programDir, "", ""}).ok());
}

class ApplySwatchTest : public testing::ModelFixture {
 protected:
  void SetUp() override { model.ConstructScheme(); }
};

TEST_F(ApplySwatchTest, AFreeSlotTakesTheSwatchAndTheOtherSlotsStay) {
  model.SelectSlot(2);
  Shade(2, kBase).Param = TColorF(0, 0.3f, 0.9f);
  Scheme().SetSlotHue(0, 0);
  Scheme().SetCustomHueOffset(2, 210.0f);
  model.Redraw(TCoordinationModel::kRedrawSelected);
  const std::string line = SwatchLine(model);

  std::array<TColorSlot, kSlotCount> before;
  for (int i = 0; i < kSlotCount; ++i) before[static_cast<std::size_t>(i)] = model.SlotAt(i);
  const TScheme schemeBefore = Scheme();
  model.SelectSlot(6);
  ApplySwatchLine(model, line);
  EXPECT_FLOAT_EQ(Scheme().SlotHue(6), 210.0f);
  EXPECT_EQ(Shade(6, kBase).Param, before[2].shades[kBase].Param);
  EXPECT_FLOAT_EQ(Shade(6, kBase).Param.h(), 210.0f);
  EXPECT_EQ(Shade(6, kBase).Color, before[2].shades[kBase].Color);
  EXPECT_EQ(Shade(6, kShadow).Param, before[2].shades[kShadow].Param);
  for (int k = 0; k < kRuleSlotCount; ++k) EXPECT_EQ(Scheme().SaturationWeight(k), schemeBefore.saturationWeights[k]);
  for (int i = 0; i < kSlotCount; ++i) {
    if (i == 6) continue;
    for (int j = 0; j < kShadeCount; ++j) {
      EXPECT_EQ(Shade(i, j).Color, before[static_cast<std::size_t>(i)].shades[static_cast<std::size_t>(j)].Color) << i;
    }
  }
}

TEST_F(ApplySwatchTest, ARuleSlotShowsTheSwatchSaturationUnderEveryRule) {
  const std::string line = "0,0,0,0,0,0.25,0.5,150,0.4,0.9,0,0.5,0.8,0,0,0.8";
  for (int rule : {kCustomRule, 0, 3}) {
    model.ChangeRule(rule);
    Scheme().SetSaturationWeight(0, 0.75f);
    model.SelectSlot(2);
    ApplySwatchLine(model, line);
    // Slot 2's saturation is the swatch's, not slot 0's plus it.
    EXPECT_FLOAT_EQ(Shade(2, kBase).Param.s(), 0.4f) << rule;
    EXPECT_FLOAT_EQ(Scheme().CustomHueOffset(2), 150.0f - Scheme().SlotHue(0)) << rule;
    if (rule == kCustomRule) {
      EXPECT_FLOAT_EQ(Shade(2, kBase).Param.h(), 150.0f);
    }
  }
  model.SelectSlot(0);
  ApplySwatchLine(model, line);
  EXPECT_FLOAT_EQ(Scheme().SlotHue(0), 150.0f);
  EXPECT_FLOAT_EQ(Scheme().SaturationWeight(0), 0.4f);
  // A line without numbers changes no parameter.
  const TColorF base = Shade(0, kBase).Param;
  ApplySwatchLine(model, "garbage");
  EXPECT_EQ(Shade(0, kBase).Param, base);
}

// A hand-edited line with values no colour has used to apply them (the
// picker then showed S -99 %): the whole line is passed over.
TEST_F(ApplySwatchTest, ALineWithValuesOutOfRangeChangesNothing) {
  model.SelectSlot(6);
  const std::array<TColorSlot, kSlotCount> before = [&] {
    std::array<TColorSlot, kSlotCount> slots;
    for (int i = 0; i < kSlotCount; ++i) slots[static_cast<std::size_t>(i)] = model.SlotAt(i);
    return slots;
  }();
  const float hue = Scheme().SlotHue(6);
  for (const char* line : {"0,0,0,0,0,-0.99,-1,120,0.4,0.9,0,0.5,0.8,30,0.1,0.2",
                           "0,0,0,0,0,0.5,0.5,120,0.4,1.5,0,0.5,0.8,30,0.1,0.2",
                           "0,0,0,0,0,0.5,0.5,1e30,0.4,0.9,0,0.5,0.8,30,0.1,0.2"}) {
    ApplySwatchLine(model, line);
    for (int j = 0; j < kShadeCount; ++j) {
      EXPECT_EQ(Shade(6, j).Param, before[6].shades[static_cast<std::size_t>(j)].Param) << line;
      EXPECT_EQ(Shade(6, j).Color, before[6].shades[static_cast<std::size_t>(j)].Color) << line;
    }
    EXPECT_EQ(Scheme().SlotHue(6), hue) << line;
  }
  // At the ends of the ranges a line applies.
  ApplySwatchLine(model, "0,0,0,0,0,0,0,240,1,1,-180,0,1,180,1,0");
  EXPECT_EQ(Shade(6, kBase).Param, TColorF(240, 1, 1));
  EXPECT_EQ(Shade(6, kBase).Color, 0xFF0000u);
}

// Every input the fuzzer kept, as a swatch file applied line by line.
TEST_F(ApplySwatchTest, FuzzCorpusLinesDrawAndApply) {
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(TINTLOOM_FUZZ_CORPUS "/swatch_line_fuzz")) {
    Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(entry.path().string(), 1 << 20);
    ASSERT_TRUE(bytes.ok()) << entry.path();
    for (const std::string& line : SplitSwatchLines(*bytes)) {
      (void)SwatchCellColors(line);
      ApplySwatchLine(model, line);
    }
    ++inputs;
  }
  EXPECT_GT(inputs, 0);
}

}  // namespace
}  // namespace tintloom
