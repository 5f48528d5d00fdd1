// The export formats, byte for byte where other programs read them.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <string>
#include <vector>

#include "core/formats/gradient_export.h"
#include "core/document/save_as.h"
#include "core/formats/shift_jis.h"
#include "core/formats/swatch_bitmap.h"
#include "core/formats/swatch_exports.h"

namespace tintloom {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Forty colours, all different; colour 0 is red 255, green 128, blue 0.
TExportColours FortyColours() {
  TExportColours list;
  for (int i = 0; i < 40; ++i) {
    list.colours.push_back(i == 0 ? TRgb24{0, 128, 255}
                                  : TRgb24{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(2 * i),
                                           static_cast<std::uint8_t>(255 - i)});
    list.names.emplace_back(kCustomColourName);
  }
  return list;
}

Bytes Slice(const Bytes& b, std::size_t at, std::size_t n) {
  return Bytes(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n));
}
std::uint32_t BigU32(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) << 24 | static_cast<std::uint32_t>(b[at + 1]) << 16 |
         static_cast<std::uint32_t>(b[at + 2]) << 8 | b[at + 3];
}
// The bytes of "カスタムカラー" and its terminator in UTF-16BE.
const Bytes kNameUnits = {0x30, 0xAB, 0x30, 0xB9, 0x30, 0xBF, 0x30, 0xE0, 0x30, 0xAB, 0x30, 0xE9, 0x30, 0xFC, 0x00, 0x00};

TEST(ShiftJis, ConvertsTheCodePageAndSurvivesBadBytes) {
  EXPECT_EQ(ShiftJisToUtf16(kCustomColourName, 127), u"カスタムカラー");
  EXPECT_EQ(ShiftJisToUtf8(kCustomColourName), "カスタムカラー");
  // Code page 932 rather than plain Shift-JIS: the wave dash and NEC signs.
  EXPECT_EQ(ShiftJisToUtf16("\x81\x60\x87\x40", 127), u"\uFF5E\u2460");
  // A lone lead byte, a bad trail byte: replaced, the rest still converts.
  EXPECT_EQ(ShiftJisToUtf16("A\x83", 127), u"A\uFFFD");
  EXPECT_EQ(ShiftJisToUtf16("\xA0" "B", 127), u"\uFFFDB");
  EXPECT_EQ(ShiftJisToUtf16(std::string(300, 'a'), 127).size(), 127u);
}

TEST(SwatchExports, AcoHasBothSectionsWithNamesOfEightUnits) {
  const Bytes b = EncodeAco(FortyColours());
  ASSERT_EQ(b.size(), 1608u);
  EXPECT_EQ(Slice(b, 0, 12), (Bytes{0x00, 0x01, 0x00, 0x28, 0x00, 0x00, 0xFF, 0xFF, 0x80, 0x80, 0x00, 0x00}));
  // Colour 1 of version 1: 254, 2, 1 times 257.
  EXPECT_EQ(Slice(b, 14, 10), (Bytes{0x00, 0x00, 0xFE, 0xFE, 0x02, 0x02, 0x01, 0x01, 0x00, 0x00}));
  // Version 2 starts after 4 + 40 x 10 bytes; each record 10 + 4 + 16.
  EXPECT_EQ(Slice(b, 404, 4), (Bytes{0x00, 0x02, 0x00, 0x28}));
  for (std::size_t at = 408; at < b.size(); at += 30) {
    EXPECT_EQ(BigU32(b, at + 10), 8u) << at;
    EXPECT_EQ(Slice(b, at + 14, 16), kNameUnits) << at;
  }
  EXPECT_EQ(Slice(b, 408, 10), Slice(b, 4, 10));
}

TEST(SwatchExports, AseBlocksCarryTheNameAndFloatComponents) {
  const Bytes b = EncodeAse(FortyColours());
  ASSERT_EQ(b.size(), 1692u);
  EXPECT_EQ(Slice(b, 0, 20), (Bytes{0x41, 0x53, 0x45, 0x46, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x28, 0x00,
                                    0x01, 0x00, 0x00, 0x00, 0x24, 0x00, 0x08}));
  EXPECT_EQ(Slice(b, 20, 16), kNameUnits);
  EXPECT_EQ(Slice(b, 36, 4), (Bytes{'R', 'G', 'B', ' '}));
  EXPECT_EQ(std::bit_cast<float>(BigU32(b, 40)), 1.0f);
  EXPECT_EQ(std::bit_cast<float>(BigU32(b, 44)), 0.50196081f);
  EXPECT_EQ(std::bit_cast<float>(BigU32(b, 48)), 0.0f);
  EXPECT_EQ(Slice(b, 52, 2), (Bytes{0x00, 0x02}));
  // Every block is 42 bytes: the last one ends the file with its type.
  EXPECT_EQ(Slice(b, 12 + 39 * 42, 2), (Bytes{0x00, 0x01}));
  // 1/255 taken in extended precision, rounded once to float.
  for (int v = 0; v < 256; ++v) {
    TExportColours one;
    one.colours.push_back(TRgb24{0, 0, static_cast<std::uint8_t>(v)});
    one.names.emplace_back("");
    const Bytes single = EncodeAse(one);
    ASSERT_EQ(single.size(), 12u + 6 + 22);
    EXPECT_EQ(std::bit_cast<float>(BigU32(single, 26)), static_cast<float>(v * (1.0L / 255.0L))) << v;
  }
}

TEST(SwatchExports, ColourSetLinesKeepTheirOddBlanksAndShiftJisNames) {
  const Bytes b = EncodeColorSet(FortyColours());
  const std::string text(b.begin(), b.end());
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "every line, the last too, ends with CR LF";
  ASSERT_EQ(lines.size(), 47u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 7),
            (std::vector<std::string>{"ROWS 1", "COLS 40", "WIDTH 24", "HEIGHT 24", "TEXTHEIGHT 0", "MODIFIED 0",
                                      "SPACING 1"}));
  EXPECT_EQ(lines[7], "R: 255, G:128, B:000 HV:0.00, SV:0.00, VV:0.00 " + std::string(kCustomColourName));
  EXPECT_EQ(lines[8].substr(0, 21), "R: 254, G:002, B:001 ");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(text.begin(), text.end(), '\r'));
}

TEST(SwatchExports, GimpPaletteListsEveryColourWithItsName) {
  const Bytes b = EncodeGimpPalette(FortyColours(), "My\npalette");
  const std::string text(b.begin(), b.end());
  EXPECT_EQ(text.substr(0, 43), "GIMP Palette\nName: My palette\nColumns: 4\n#\n");
  EXPECT_NE(text.find("\n255 128   0\tカスタムカラー\n"), std::string::npos);
  EXPECT_NE(text.find("\n254   2   1\tカスタムカラー\n"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 44);
}

TEST(GradientExport, TenGradientsOfFourStopsDarkToLight) {
  TExportColours list = FortyColours();
  list.colours[4 * 2 + 3] = TRgb24{0, 0, 255};  // slot 2's deep shadow: pure red
  const Bytes b = EncodeGradient(list.colours);
  ASSERT_EQ(b.size(), 10344u);
  EXPECT_EQ(Slice(b, 0, 44),
            (Bytes{0x38, 0x42, 0x47, 0x52, 0x00, 0x05, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00,
                   0x00, 0x00, 0x00, 0x00, 0x00, 0x6E, 0x75, 0x6C, 0x6C, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
                   0x00, 0x00, 0x47, 0x72, 0x64, 0x4C, 0x56, 0x6C, 0x4C, 0x73, 0x00, 0x00, 0x00, 0x0A}));
  const auto doubleAfter = [&b](std::size_t from, const std::string& key) {
    const std::string text(b.begin(), b.end());
    const std::size_t at = text.find(key + "doub", from);
    EXPECT_NE(at, std::string::npos) << key;
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = bits << 8 | b[at + 8 + static_cast<std::size_t>(i)];
    return std::pair<double, std::size_t>(std::bit_cast<double>(bits), at);
  };
  // Gradient s starts at 44 + 1030 x s; its first stop is the deep shadow.
  const std::size_t slot2 = 44 + 1030 * 2;
  EXPECT_EQ(Slice(b, slot2, 4), (Bytes{'O', 'b', 'j', 'c'}));
  auto [red, at] = doubleAfter(slot2, "Rd  ");
  EXPECT_EQ(red, 255.0);
  EXPECT_EQ(doubleAfter(at, "Grn ").first, 0.0);
  EXPECT_EQ(doubleAfter(at, "Bl  ").first, 0.0);
  // The fourth stop is the highlight, colour 8: 247, 16, 8.
  std::size_t from = slot2;
  for (int stop = 0; stop < 4; ++stop) from = doubleAfter(from, "Rd  ").second + 1;
  EXPECT_EQ(doubleAfter(from - 1, "Rd  ").first, 247.0);
  EXPECT_EQ(doubleAfter(from - 1, "Bl  ").first, 8.0);
  // Interpolation, locations and midpoints, whatever the colours.
  const std::string text(b.begin(), b.end());
  EXPECT_EQ(doubleAfter(slot2, "Intr").first, 4096.0);
  std::vector<std::uint32_t> locations;
  for (std::size_t p = text.find("Lctnlong", slot2); p < slot2 + 1030; p = text.find("Lctnlong", p + 1)) {
    locations.push_back(BigU32(b, p + 8));
    EXPECT_EQ(text.substr(p + 12 + 4, 8), "Mdpnlong");
    EXPECT_EQ(BigU32(b, p + 12 + 12), 50u);
  }
  EXPECT_EQ(locations, (std::vector<std::uint32_t>{0, 1365, 2730, 4096, 0, 4096}));
  std::size_t names = 0;
  const Bytes custom = {0x00, 0x00, 0x00, 0x05, 0x30, 0xAB, 0x30, 0xB9, 0x30, 0xBF, 0x30, 0xE0, 0x00, 0x00};
  for (auto it = b.begin(); (it = std::search(it, b.end(), custom.begin(), custom.end())) != b.end(); ++it) ++names;
  EXPECT_EQ(names, 10u);
}

TEST(BitmapExport, CellsOfTwentyFourPixelsOnBlack) {
  TExportColours list = FortyColours();
  TSurface picture;
  DrawSwatchPicture(list.colours, picture);
  ASSERT_EQ(picture.width, 576);
  ASSERT_EQ(picture.height, 48);
  EXPECT_EQ(picture.At(0, 0), list.colours[0]);
  EXPECT_EQ(picture.At(23, 23), list.colours[0]);
  EXPECT_EQ(picture.At(24, 0), list.colours[1]);
  EXPECT_EQ(picture.At(575, 0), list.colours[23]);
  EXPECT_EQ(picture.At(0, 24), list.colours[24]);
  EXPECT_EQ(picture.At(16 * 24 - 1, 47), list.colours[39]);
  EXPECT_EQ(picture.At(16 * 24, 24), TRgb24{});
  EXPECT_EQ(picture.At(575, 47), TRgb24{});

  // A full row still gets an empty row below; one short of it does not.
  for (auto [n, height] : {std::pair{24, 48}, std::pair{23, 24}, std::pair{0, 24}, std::pair{48, 72}}) {
    const std::vector<TRgb24> colours(static_cast<std::size_t>(n), TRgb24{1, 2, 3});
    TSurface p;
    DrawSwatchPicture(colours, p);
    EXPECT_EQ(p.height, height) << n;
    EXPECT_EQ(p.width, 576) << n;
  }

  // The file: a standard bottom-up 24-bit bitmap, 1728-byte rows.
  const Bytes b = EncodeSwatchBitmap(list.colours);
  ASSERT_EQ(b.size(), 54u + 1728 * 48);
  EXPECT_EQ(Slice(b, 0, 2), (Bytes{'B', 'M'}));
  const auto pixel = [&b](int x, int y) {
    const std::size_t at = 54 + static_cast<std::size_t>(47 - y) * 1728 + static_cast<std::size_t>(x) * 3;
    return TRgb24{b[at], b[at + 1], b[at + 2]};
  };
  EXPECT_EQ(pixel(0, 0), list.colours[0]);
  EXPECT_EQ(pixel(23, 0), list.colours[0]);
  EXPECT_EQ(pixel(24, 0), list.colours[1]);
  EXPECT_EQ(pixel(575, 47), TRgb24{});
}

TEST(SaveAs, TheExtensionChoosesTheFormatInAnyCase) {
  const std::pair<const char*, TSaveFormat> cases[] = {
      {"a.tlp", TSaveFormat::PaletteDocument}, {"/x/a.TlP", TSaveFormat::PaletteDocument},
      {"a.Aco", TSaveFormat::Aco},             {"a.ASE", TSaveFormat::Ase},
      {"a.grd", TSaveFormat::Gradient},        {"a.Colors", TSaveFormat::ColorSet},
      {"a.bmp", TSaveFormat::Bitmap},          {"a.GPL", TSaveFormat::GimpPalette},
      {"a.dat", TSaveFormat::None},            {"a", TSaveFormat::None},
      {"dir.tlp/a", TSaveFormat::None},        {"a.tlp.txt", TSaveFormat::None},
      {"a.tl", TSaveFormat::None},             {"a.tlpx", TSaveFormat::None},
  };
  for (const auto& [path, format] : cases) EXPECT_EQ(SaveFormatForPath(path), format) << path;
}

}  // namespace
}  // namespace tintloom
