#include "core/document/palette_document_commands.h"
#include "core/document/swatch_commands.h"
#include "core/formats/palette_import.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "core/formats/byte_stream.h"
#include "core/base/file_io.h"
#include "core/formats/palette_document.h"
#include "core/formats/swatch_exports.h"
#include "core/formats/swatch_file.h"
#include "support/model_fixture.h"
#include "support/paths.h"

namespace tintloom {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Colours = std::vector<TColor>;

Bytes AsBytes(std::string_view s) { return Bytes(s.begin(), s.end()); }
TColor Rgb(unsigned r, unsigned g, unsigned b) { return r | g << 8 | b << 16; }

// Every prefix of a whole file (none of which is itself a whole file) is refused.
template <typename Decoder>
void ExpectEveryCutRefused(Decoder decode, const Bytes& whole, std::size_t wholeToo = SIZE_MAX) {
  for (std::size_t n = 0; n < whole.size(); ++n) {
    if (n == wholeToo) continue;
    EXPECT_FALSE(decode(std::span(whole.data(), n)).ok()) << "cut at " << n;
  }
}

TEST(GimpPalette, ReadsRowsWithAnySpacingNamesCommentsHeadersAndLineEnds) {
  const std::string text =
      "\xEF\xBB\xBFGIMP Palette\r\n"
      "Name: Brand colours\r\n"
      "Columns: 4\r\n"
      "# a comment\r\n"
      "\r\n"
      "255   0   0\tRed\r\n"
      "  0\t128 255 Sky blue with spaces\n"
      "\t16 32 64\n"
      "   # indented comment\n"
      "1 2 3 Untitled";  // no end on the last line
  Result<TPaletteColours> palette = DecodeGimpPalette(AsBytes(text));
  ASSERT_TRUE(palette.ok()) << palette.error().message;
  EXPECT_EQ(palette->colours, (Colours{Rgb(255, 0, 0), Rgb(0, 128, 255), Rgb(16, 32, 64), Rgb(1, 2, 3)}));

  const struct {
    std::string text;
    std::string problem;
  } damaged[] = {
      {"GIMP Palet\n1 2 3\n", "GIMP パレットではありません"},
      {"GIMP Palette\n1 2 3\n4 5\n", "3 行目の色が読めません"},
      {"GIMP Palette\r\n1 2 3\r\n256 0 0\r\n", "3 行目の値が 0～255 の範囲にありません"},
      {"GIMP Palette\n12 34 56abc\n", "2 行目の色が読めません"},
  };
  for (const auto& d : damaged) {
    Result<TPaletteColours> refused = DecodeGimpPalette(AsBytes(d.text));
    ASSERT_FALSE(refused.ok()) << d.text;
    EXPECT_NE(refused.error().message.find(d.problem), std::string::npos) << refused.error().message;
  }
}

// An ASE colour block with a name of `units` UTF-16 units.
void PutAseColour(TByteWriter& w, std::u16string_view name, const char* model, std::initializer_list<float> values) {
  w.U16BE(0x0001);
  w.U32BE(static_cast<std::uint32_t>(2 + 2 * name.size() + 4 + 4 * values.size() + 2));
  w.U16BE(static_cast<std::uint16_t>(name.size()));
  for (char16_t u : name) w.U16BE(u);
  w.Raw(std::string_view(model, 4));
  for (float v : values) w.F32BE(v);
  w.U16BE(2);
}

Bytes AseWithGroups() {
  TByteWriter w;
  w.Raw("ASEF");
  w.U16BE(1);
  w.U16BE(0);
  w.U32BE(7);
  w.U16BE(0xC001);  // group start, named "G"
  w.U32BE(6);
  w.U16BE(2);
  w.U16BE(u'G');
  w.U16BE(0);
  PutAseColour(w, u"R\0", "RGB ", {1.0f, 0.5f, 0.0f});
  PutAseColour(w, u"", "LAB ", {1.0f, 0.0f, 0.0f});          // zero-length name; white
  PutAseColour(w, u"K\0", "CMYK", {0.0f, 0.0f, 0.0f, 1.0f});  // skipped
  PutAseColour(w, u"g\0", "Gray", {0.25f});
  PutAseColour(w, u"x\0", "HSV?", {0.25f});  // unknown model: skipped
  w.U16BE(0xC002);  // group end
  w.U32BE(0);
  return w.Take();
}

TEST(SwatchExchange, ReadsGroupsRgbLabAndGrayAndCountsWhatItSkips) {
  const Bytes bytes = AseWithGroups();
  Result<TPaletteColours> palette = DecodeSwatchExchange(bytes);
  ASSERT_TRUE(palette.ok()) << palette.error().message;
  EXPECT_EQ(palette->colours, (Colours{Rgb(255, 128, 0), Rgb(255, 255, 255), Rgb(64, 64, 64)}));
  EXPECT_EQ(palette->skippedCmyk, 1u);
  EXPECT_EQ(palette->skippedOther, 1u);

  ExpectEveryCutRefused(DecodeSwatchExchange, bytes);
  Bytes foreign = bytes;
  foreign[3] = 'X';
  EXPECT_NE(DecodeSwatchExchange(foreign).error().message.find("ASEF"), std::string::npos);
  Bytes version2 = bytes;
  version2[5] = 2;
  EXPECT_NE(DecodeSwatchExchange(version2).error().message.find("バージョン"), std::string::npos);
  // A block whose length is too short for its name and values.
  Bytes shortBlock = bytes;
  shortBlock[12 + 6 + 6 + 5] = 8;  // the first colour block's length, low byte
  EXPECT_FALSE(DecodeSwatchExchange(shortBlock).ok());
  // Not a number in a value.
  TByteWriter nan;
  nan.Raw("ASEF");
  nan.U16BE(1);
  nan.U16BE(0);
  nan.U32BE(1);
  PutAseColour(nan, u"", "RGB ", {std::numeric_limits<float>::quiet_NaN(), 0, 0});
  EXPECT_FALSE(DecodeSwatchExchange(nan.Take()).ok());
}

TEST(SwatchExchange, LabGoesThroughD50WithBradfordAdaptation) {
  const auto near = [](TColor got, TColor want) {
    for (int shift : {0, 8, 16}) {
      const int d = static_cast<int>(got >> shift & 0xFF) - static_cast<int>(want >> shift & 0xFF);
      if (d < -1 || d > 1) return false;
    }
    return true;
  };
  EXPECT_EQ(LabToColour(100, 0, 0), Rgb(255, 255, 255));
  EXPECT_EQ(LabToColour(0, 0, 0), Rgb(0, 0, 0));
  // sRGB red and a mid grey, as L*a*b* under D50.
  EXPECT_TRUE(near(LabToColour(54.29, 80.80, 69.89), Rgb(255, 0, 0)));
  EXPECT_TRUE(near(LabToColour(53.59, 0, 0), Rgb(128, 128, 128)));
  // Far outside sRGB is clipped, not wrapped.
  EXPECT_EQ(LabToColour(50, 500, -500) & 0x00FF00u, 0u);
  // Values so large the arithmetic loses them still give a colour.
  EXPECT_LE(LabToColour(1e30, 3e38, -3e38), 0xFFFFFFu);
}

// A swatch record: colour space and four values.
void PutAcoRecord(TByteWriter& w, std::uint16_t space, std::uint16_t a, std::uint16_t b, std::uint16_t c) {
  w.U16BE(space);
  w.U16BE(a);
  w.U16BE(b);
  w.U16BE(c);
  w.U16BE(0);
}

TEST(PhotoshopSwatches, ReadsVersionOneAloneAndTakesVersionTwoWhenItFollows) {
  TByteWriter w;
  w.U16BE(1);
  w.U16BE(6);
  PutAcoRecord(w, 0, 65535, 32896, 0);   // RGB
  PutAcoRecord(w, 1, 21845, 65535, 65535);  // HSB: 120 degrees, full
  PutAcoRecord(w, 8, 0, 0, 0);            // grey, no black: white
  PutAcoRecord(w, 8, 7500, 0, 0);         // three quarters black
  PutAcoRecord(w, 2, 0, 0, 0);            // CMYK: skipped
  PutAcoRecord(w, 7, 0, 0, 0);            // Lab: skipped
  const Bytes versionOne = w.bytes();
  Result<TPaletteColours> palette = DecodePhotoshopSwatches(versionOne);
  ASSERT_TRUE(palette.ok()) << palette.error().message;
  EXPECT_EQ(palette->colours, (Colours{Rgb(255, 128, 0), Rgb(0, 255, 0), Rgb(255, 255, 255), Rgb(64, 64, 64)}));
  EXPECT_EQ(palette->skippedCmyk, 1u);
  EXPECT_EQ(palette->skippedOther, 1u);
  ExpectEveryCutRefused(DecodePhotoshopSwatches, versionOne);

  // Version 2 follows, with names (one empty); its colours are the ones taken.
  w.U16BE(2);
  w.U16BE(2);
  PutAcoRecord(w, 0, 0, 0, 65535);
  w.U32BE(2);
  w.U16BE(u'B');
  w.U16BE(0);
  PutAcoRecord(w, 0, 257, 514, 771);
  w.U32BE(0);
  const Bytes both = w.Take();
  palette = DecodePhotoshopSwatches(both);
  ASSERT_TRUE(palette.ok()) << palette.error().message;
  EXPECT_EQ(palette->colours, (Colours{Rgb(0, 0, 255), Rgb(1, 2, 3)}));
  EXPECT_EQ(palette->skippedCmyk, 0u);
  ExpectEveryCutRefused(DecodePhotoshopSwatches, both, versionOne.size());

  // A name longer than the file, and something foreign after version 1.
  Bytes longName = both;
  longName[versionOne.size() + 4 + 10] = 0x7F;
  EXPECT_FALSE(DecodePhotoshopSwatches(longName).ok());
  Bytes trailing = versionOne;
  trailing.push_back(0);
  trailing.push_back(3);
  EXPECT_FALSE(DecodePhotoshopSwatches(trailing).ok());
  EXPECT_FALSE(DecodePhotoshopSwatches(AsBytes("GIMP Palette\n")).ok());
}

TEST(JascPalette, ReadsTheCountedRowsAndRefusesFewerRows) {
  Result<TPaletteColours> palette =
      DecodeJascPalette(AsBytes("JASC-PAL\r\n0100\r\n3\r\n255 0 0\r\n0 255 0\r\n0 0 255 255\r\n7 7 7\r\n"));
  ASSERT_TRUE(palette.ok()) << palette.error().message;
  EXPECT_EQ(palette->colours, (Colours{Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255)}));  // rows past the count ignored

  const struct {
    const char* text;
    const char* problem;
  } damaged[] = {
      {"JASC-PAL\n0100\n4\n1 2 3\n4 5 6\n", "色の数は 4 ですが、色の行が 2 行しかありません"},
      {"JASC-PAL\n0100\n4294967296\n1 2 3\n", "色の行が 1 行しかありません"},  // a count no file holds
      {"JASC-PAL\n0200\n1\n1 2 3\n", "バージョン"},
      {"JASC-PAL\n0100\n1\n1 2 x\n", "4 行目の色が読めません"},
      {"RIFF\0\0\0\0PAL data", "JASC パレットではありません"},
  };
  for (const auto& d : damaged) {
    Result<TPaletteColours> refused = DecodeJascPalette(AsBytes(d.text));
    ASSERT_FALSE(refused.ok()) << d.text;
    EXPECT_NE(refused.error().message.find(d.problem), std::string::npos) << refused.error().message;
  }
}

TEST(HexList, ReadsWithAndWithoutHashCommentsAlphaAndAnyLineEnd) {
  Result<TPaletteColours> palette =
      DecodeHexList(AsBytes(";paint.net Palette File\r\nff0000\r\n#00FF80\r\n\r\n  #0000ff  \rFF102030\n"));
  ASSERT_TRUE(palette.ok()) << palette.error().message;
  EXPECT_EQ(palette->colours, (Colours{Rgb(255, 0, 0), Rgb(0, 255, 128), Rgb(0, 0, 255), Rgb(16, 32, 48)}));
  for (const char* bad : {"ff0000\n#ff00\n", "ff0000\nff00zz\n", "ff0000\n##ff0000\n", "ff0000\nff0000 red\n"}) {
    Result<TPaletteColours> refused = DecodeHexList(AsBytes(bad));
    ASSERT_FALSE(refused.ok()) << bad;
    EXPECT_NE(refused.error().message.find("2 行目が色"), std::string::npos) << refused.error().message;
  }
}

TEST(PaletteDecoders, RefuseOversizedInputAndCapTheColoursTaken) {
  const Bytes huge(kMaxPaletteFileBytes + 1, '0');
  for (auto format : {TPaletteFormat::Gimp, TPaletteFormat::SwatchExchange, TPaletteFormat::PhotoshopSwatches,
                      TPaletteFormat::Jasc, TPaletteFormat::HexList}) {
    Result<TPaletteColours> refused = DecodePalette(format, huge);
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().message.find("大きすぎます"), std::string::npos);
  }
  std::string many;
  for (int i = 0; i < 1030; ++i) many += "#000000\n";
  Result<TPaletteColours> palette = DecodeHexList(AsBytes(many));
  ASSERT_TRUE(palette.ok());
  EXPECT_EQ(palette->colours.size(), kMaxImportedColours);
  EXPECT_EQ(palette->leftOut, 6u);
  // Damage past the first 1024 still refuses the file.
  EXPECT_FALSE(DecodeHexList(AsBytes(many + "nope\n")).ok());
}

class PaletteImport : public testing::ModelFixture {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir);
    model.ConstructScheme();
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = dir + "/" + name;
    EXPECT_TRUE(ReplaceFileContents(path, bytes).ok());
    return path;
  }
  // The lit export colours as packed colours.
  Colours ExportedColours() {
    Colours out;
    for (const TRgb24& c : BuildExportColours(model).colours) out.push_back(FromRgb24(c));
    return out;
  }

  std::string dir = testing::ScratchPath("palettes");
};

TEST_F(PaletteImport, OwnExportsComeBackWithTheirColours) {
  Scheme().SetSlotHue(0, 33.0f);
  model.Redraw(TCoordinationModel::kRedrawAll);
  const TExportColours list = BuildExportColours(model);
  const Colours want = ExportedColours();
  for (const auto& [format, bytes] : {std::pair{TPaletteFormat::Gimp, EncodeGimpPalette(list, "x")},
                                      std::pair{TPaletteFormat::SwatchExchange, EncodeAse(list)},
                                      std::pair{TPaletteFormat::PhotoshopSwatches, EncodeAco(list)}}) {
    Result<TPaletteColours> palette = DecodePalette(format, bytes);
    ASSERT_TRUE(palette.ok()) << palette.error().message;
    EXPECT_EQ(palette->colours, want) << static_cast<int>(format);
  }
}

TEST_F(PaletteImport, EachBaseIsThePaletteColourExactlyWhateverTheRuleAndToneFilter) {
  ASSERT_TRUE(model.toneData.LoadToneData(testing::ProgramDir() + "/Tintloom.tid").ok());
  // Pure red under a tone filter once came in as H0 S66 V84.
  const std::string path = Write("p.hex", AsBytes("#ff0000\n#c03020\n#20a0ff\n#808080\n"));
  const Colours colours = {Rgb(0xff, 0, 0), Rgb(0xc0, 0x30, 0x20), Rgb(0x20, 0xa0, 0xff), Rgb(0x80, 0x80, 0x80)};
  struct Case {
    int rule;
    int slot;
    std::uint32_t toneFilter;
  };
  for (const Case c : {Case{kCustomRule, 0, kNoToneFilter}, Case{kCustomRule, 3, kNoToneFilter},
                       Case{4, 2, kNoToneFilter}, Case{4, 0, 1u << 2}, Case{kCustomRule, 1, 1u << 5},
                       Case{kCustomRule, 7, kNoToneFilter}}) {
    model.ChangeRule(c.rule);
    model.SetToneFilter(c.toneFilter);
    model.SelectSlot(c.slot);
    const TPaletteDocument before = CapturePaletteDocument(model);
    const int drawsBefore = views.hueWheelDraws;
    const std::vector<std::string> lines = ImportPaletteFile(model, path)->lines;
    // Nothing of the coordination moved, and nothing was drawn.
    EXPECT_EQ(EncodePaletteDocument(CapturePaletteDocument(model)), EncodePaletteDocument(before));
    EXPECT_EQ(views.hueWheelDraws, drawsBefore);
    ASSERT_EQ(lines.size(), colours.size());
    for (std::size_t i = 0; i < colours.size(); ++i) {
      const std::string what = "rule " + std::to_string(c.rule) + " slot " + std::to_string(c.slot) + " colour " +
                               std::to_string(i);
      EXPECT_EQ(SwatchCellColors(lines[i])[kBase], colours[i]) << what;
      // The other shades, and every stored figure, as a pick into the base
      // makes them where neither a rule nor a filter changes the colour
      // picked; only the base's packed colour is the palette's own, where
      // the pick's conversion there and back may stray by a step.
      model.ChangeRule(kCustomRule);
      model.SetToneFilter(kNoToneFilter);
      model.PickScreenColour(kBase, colours[i]);
      std::string picked = SwatchLine(model);
      const std::size_t base = picked.find(',') + 1;
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%06X", static_cast<unsigned>(colours[i]));
      picked.replace(base, 8, hex);
      EXPECT_EQ(lines[i], picked) << what;
      ASSERT_TRUE(ReadPaletteDocumentInto(model, EncodePaletteDocument(before)).ok());
    }
  }
}

TEST_F(PaletteImport, DamagedOrForeignFilesAreNamedAndGiveNothing) {
  const Bytes ase = AseWithGroups();
  const Bytes document = EncodePaletteDocument(CapturePaletteDocument(model));
  const struct {
    std::string name;
    Bytes bytes;
    std::string problem;
  } cases[] = {
      {"cut.ase", Bytes(ase.begin(), ase.end() - 3), "ファイルが途中で切れています"},
      {"foreign.aco", AsBytes("\x89PNG\r\n"), "Photoshop スウォッチファイルではありません"},
      {"bad.gpl", AsBytes("GIMP Palette\n1 2 3\n4 5 x6\n"), "3 行目の色が読めません"},
      {"empty.gpl", AsBytes("GIMP Palette\nName: none\n"), "このファイルには色がありません"},
      {"cut.tlp", Bytes(document.begin(), document.begin() + 200), "ファイルが壊れています"},
      {"picture.png", AsBytes("x"), "読み込めるのは"},
  };
  const auto expectRefused = [this](const std::string& path, const std::string& problem) {
    Result<TPaletteImport> refused = ImportPaletteFile(model, path);
    ASSERT_FALSE(refused.ok()) << path;
    const std::string& message = refused.error().message;
    EXPECT_EQ(message.rfind(kPaletteImportFailedMessage, 0), 0u) << message;
    EXPECT_NE(message.find(problem), std::string::npos) << message;
    EXPECT_NE(message.find("->" + path), std::string::npos) << message;
  };
  for (const auto& c : cases) expectRefused(Write(c.name, c.bytes), c.problem);
  // Larger than 16 MB: refused unread (a sparse file).
  const std::string big = Write("big.gpl", AsBytes("GIMP Palette\n"));
  std::filesystem::resize_file(big, kMaxPaletteFileBytes + 1);
  expectRefused(big, "大きすぎます");
  expectRefused(dir + "/missing.gpl", kFileAccessMessage);
}

TEST_F(PaletteImport, SkippedAndLeftOutColoursAreToldOnceAndTheRestComeIn) {
  std::string many;
  for (int i = 0; i < 1030; ++i) many += "#102030\n";
  Result<TPaletteImport> imported = ImportPaletteFile(model, Write("many.hex", AsBytes(many)));
  ASSERT_TRUE(imported.ok());
  EXPECT_EQ(imported->lines.size(), kMaxImportedColours);
  EXPECT_NE(imported->notice.find("1024 色を読み込みました。次の 6 色は読み込んでいません"), std::string::npos)
      << imported->notice;

  imported = ImportPaletteFile(model, Write("groups.ase", AseWithGroups()));
  ASSERT_TRUE(imported.ok());
  EXPECT_EQ(imported->lines.size(), 3u);
  EXPECT_NE(imported->notice.find("CMYK の色 1 色"), std::string::npos) << imported->notice;
  EXPECT_NE(imported->notice.find("対応していない色空間の色 1 色"), std::string::npos) << imported->notice;
  EXPECT_TRUE(ImportPaletteFile(model, Write("all.gpl", AsBytes("GIMP Palette\n1 2 3\n")))->notice.empty());
}

TEST_F(PaletteImport, OwnPaletteDocumentBringsItsTenSlotsExactly) {
  Scheme().SetSlotHue(6, 211.0f);
  model.SelectSlot(6);
  model.PickScreenColour(kShadow, Rgb(10, 20, 30));
  TPaletteDocument document = CapturePaletteDocument(model);
  Result<TPaletteImport> imported = ImportPaletteFile(model, Write("mine.TLP", EncodePaletteDocument(document)));
  ASSERT_TRUE(imported.ok());
  ASSERT_EQ(imported->lines.size(), static_cast<std::size_t>(kSlotCount));
  for (int i = 0; i < kSlotCount; ++i) {
    EXPECT_EQ(imported->lines[static_cast<std::size_t>(i)], FormatSwatchLine(model.SlotAt(i)));
  }
  EXPECT_TRUE(imported->notice.empty());
}

}  // namespace
}  // namespace tintloom
