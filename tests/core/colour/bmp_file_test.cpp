#include "core/colour/bmp_file.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace tintloom {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Le(Bytes& out, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A bitmap file around the given pixel bytes: file header, a header of
// `headerSize` bytes (12 is the OS/2 core header), the colour masks (inside
// the larger headers, after a 40-byte one), the colour table, then the pixels.
struct BmpSpec {
  std::uint32_t headerSize = 40;
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint16_t bits = 24;
  std::uint32_t compression = 0;
  std::vector<std::uint32_t> palette = {};  // 0x00RRGGBB
  std::vector<std::uint32_t> masks = {};    // red, green, blue
  std::uint32_t coloursUsed = 0;
  Bytes pixels = {};
};

Bytes Build(const BmpSpec& b) {
  Bytes h;
  if (b.headerSize == 12) {
    Le(h, 12, 4);
    Le(h, static_cast<std::uint32_t>(b.width), 2);
    Le(h, static_cast<std::uint32_t>(b.height), 2);
    Le(h, 1, 2);
    Le(h, b.bits, 2);
  } else {
    Le(h, b.headerSize, 4);
    Le(h, static_cast<std::uint32_t>(b.width), 4);
    Le(h, static_cast<std::uint32_t>(b.height), 4);
    Le(h, 1, 2);
    Le(h, b.bits, 2);
    Le(h, b.compression, 4);
    Le(h, static_cast<std::uint32_t>(b.pixels.size()), 4);
    Le(h, 2835, 4);
    Le(h, 2835, 4);
    Le(h, b.coloursUsed, 4);
    Le(h, 0, 4);
    for (std::uint32_t m : b.masks) Le(h, m, 4);
    h.resize(std::max<std::size_t>(h.size(), b.headerSize), 0);
  }
  for (std::uint32_t c : b.palette) Le(h, c, b.headerSize == 12 ? 3 : 4);
  Bytes out = {'B', 'M'};
  Le(out, static_cast<std::uint32_t>(14 + h.size() + b.pixels.size()), 4);
  Le(out, 0, 4);
  Le(out, static_cast<std::uint32_t>(14 + h.size()), 4);
  out.insert(out.end(), h.begin(), h.end());
  out.insert(out.end(), b.pixels.begin(), b.pixels.end());
  return out;
}

constexpr TRgb24 kBlack{0, 0, 0};
constexpr TRgb24 kA{10, 20, 30};  // palette 0x1E140A
constexpr TRgb24 kB{40, 50, 60};  // palette 0x3C3228
constexpr TRgb24 kC{70, 80, 90};  // palette 0x5A5046
constexpr TRgb24 kD{1, 2, 3};     // palette 0x030201
const std::vector<std::uint32_t> kPalette = {0x1E140A, 0x3C3228, 0x5A5046, 0x030201};

struct DecodeCase {
  const char* name;
  BmpSpec spec;
  std::vector<std::vector<TRgb24>> rows;  // expected, top row first
};

TEST(BmpFile, DecodesEveryKindToTwentyFourBits) {
  const DecodeCase cases[] = {
      {"1-bit, bottom-up, rows padded to 4 bytes",
       {.width = 2, .height = 2, .bits = 1, .palette = {0x1E140A, 0x3C3228},
        .pixels = {0x80, 0, 0, 0, 0x40, 0, 0, 0}},
       {{kA, kB}, {kB, kA}}},
      {"4-bit, high nibble first",
       {.width = 3, .bits = 4, .palette = kPalette, .pixels = {0x12, 0x30, 0, 0}},
       {{kB, kC, kD}}},
      {"8-bit, an index past a short table is black",
       {.width = 3, .bits = 8, .palette = {0x1E140A, 0x3C3228}, .coloursUsed = 2, .pixels = {1, 0, 5, 0}},
       {{kB, kA, kBlack}}},
      {"8-bit under an OS/2 core header, three-byte table entries",
       {.headerSize = 12, .width = 2, .bits = 8, .palette = std::vector<std::uint32_t>(256, 0x030201),
        .pixels = {0, 255, 0, 0}},
       {{kD, kD}}},
      {"RLE8: runs, a literal run clipped at the edge, end of line, delta, unwritten pixels black",
       {.width = 4, .height = 3, .bits = 8, .compression = 1, .palette = kPalette,
        .pixels = {2, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 1, 1, 1, 3, 0, 1}},
       {{kBlack, kD, kBlack, kBlack}, {kBlack, kBlack, kBlack, kBlack}, {kB, kB, kC, kD}}},
      {"RLE4: alternating nibbles, a literal run clipped at the edge",
       {.width = 4, .bits = 4, .compression = 2, .palette = kPalette, .pixels = {3, 0x12, 0, 3, 0x33, 0x30, 0, 1}},
       {{kB, kC, kB, kD}}},
      {"RLE8 top-down",
       {.width = 1, .height = -2, .bits = 8, .compression = 1, .palette = kPalette, .pixels = {1, 2, 0, 0, 1, 3, 0, 1}},
       {{kC}, {kD}}},
      {"16-bit defaults to 5-5-5",
       {.width = 2, .bits = 16, .pixels = {0x00, 0x7C, 0x10, 0x42}},
       {{TRgb24{0, 0, 255}, TRgb24{132, 132, 132}}}},
      {"16-bit 5-6-5 masks after a 40-byte header",
       {.width = 2, .bits = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F}, .pixels = {0xE0, 0x07, 0x20, 0x00}},
       {{TRgb24{0, 255, 0}, TRgb24{0, 4, 0}}}},
      {"16-bit 4-4-4 masks inside a 108-byte header",
       {.headerSize = 108, .width = 2, .bits = 16, .compression = 3, .masks = {0x0F00, 0x00F0, 0x000F},
        .pixels = {0x00, 0x0F, 0x08, 0x00}},
       {{TRgb24{0, 0, 255}, TRgb24{136, 0, 0}}}},
      {"24-bit top-down",
       {.width = 1, .height = -2, .pixels = {1, 2, 3, 0, 4, 5, 6, 0}},
       {{TRgb24{1, 2, 3}}, {TRgb24{4, 5, 6}}}},
      {"32-bit without masks: blue, green, red, unused",
       {.width = 1, .bits = 32, .pixels = {1, 2, 3, 99}},
       {{TRgb24{1, 2, 3}}}},
      {"32-bit red-first masks after a 40-byte header",
       {.width = 1, .bits = 32, .compression = 3, .masks = {0x000000FF, 0x0000FF00, 0x00FF0000}, .pixels = {1, 2, 3, 0}},
       {{TRgb24{3, 2, 1}}}},
      {"32-bit masks inside a 124-byte header, alpha in the low byte",
       {.headerSize = 124, .width = 1, .bits = 32, .compression = 3,
        .masks = {0xFF000000, 0x00FF0000, 0x0000FF00}, .pixels = {0xAA, 3, 2, 1}},
       {{TRgb24{3, 2, 1}}}},
      {"32-bit masks inside a 56-byte header",
       {.headerSize = 56, .width = 1, .bits = 32, .compression = 6,
        .masks = {0x00FF0000, 0x000000FF, 0x0000FF00}, .pixels = {7, 8, 9, 0}},
       {{TRgb24{8, 7, 9}}}},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Result<TSurface> s = DecodeBmp(Build(c.spec));
    ASSERT_TRUE(s.ok()) << s.error().message;
    ASSERT_EQ(s->height, static_cast<int>(c.rows.size()));
    ASSERT_EQ(s->width, static_cast<int>(c.rows[0].size()));
    for (int y = 0; y < s->height; ++y) {
      for (int x = 0; x < s->width; ++x) {
        const TRgb24 want = c.rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
        EXPECT_EQ(s->At(x, y), want) << "pixel " << x << "," << y << ": got " << int{s->At(x, y).blue} << " "
                                     << int{s->At(x, y).green} << " " << int{s->At(x, y).red};
      }
    }
  }
}

TEST(BmpFile, RefusesTruncatedOversizedAndMalformedInput) {
  const auto with = [](std::initializer_list<std::pair<std::size_t, std::uint8_t>> edits, Bytes bytes) {
    for (auto [at, value] : edits) bytes[at] = value;
    return bytes;
  };
  const Bytes rgb = Build({.width = 2, .height = 2, .pixels = Bytes(16, 7)});
  const Bytes rle = Build({.width = 4, .bits = 8, .compression = 1, .palette = kPalette, .pixels = {0, 5, 1, 2}});
  const Bytes delta = Build({.width = 4, .bits = 8, .compression = 1, .palette = kPalette, .pixels = {0, 2, 1}});
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"foreign data", Bytes(60, 'P')},
      {"empty", {}},
      {"header cut short", Bytes(rgb.begin(), rgb.begin() + 40)},
      {"pixels cut short", Bytes(rgb.begin(), rgb.end() - 1)},
      {"pixel offset past the end", with({{10, 0xFF}, {11, 0xFF}}, rgb)},
      {"unknown header size", with({{14, 64}}, rgb)},
      {"width far too large", with({{18, 0xFF}, {19, 0xFF}, {20, 0xFF}, {21, 0x7F}}, rgb)},
      {"height of the most negative int", with({{22, 0}, {23, 0}, {24, 0}, {25, 0x80}}, rgb)},
      {"zero width", with({{18, 0}}, rgb)},
      {"2 bits per pixel", with({{28, 2}}, rgb)},
      {"run-length 24 bits", with({{30, 1}}, rgb)},
      {"literal run cut off", rle},
      {"delta cut off", delta},
      // Checked before the image is had: 805 MB from a few bytes otherwise.
      {"run-length image larger than its bytes can describe",
       Build({.width = 16384, .height = 16384, .bits = 8, .compression = 1, .palette = kPalette, .pixels = {0, 1}})},
      {"uncompressed image of the largest size from a header",
       Build({.width = 16384, .height = 16384, .bits = 24, .pixels = {}})},
      {"masks that are not one run of bits",
       Build({.width = 1, .bits = 16, .compression = 3, .masks = {0x0F0F, 0x00F0, 0x0000}, .pixels = {0, 0, 0, 0}})},
      {"masks missing", with({{30, 3}, {28, 32}}, Build({.width = 1, .pixels = {0, 0, 0}}))},
  };
  for (const auto& c : cases) {
    const Result<TSurface> s = DecodeBmp(c.bytes);
    EXPECT_FALSE(s.ok()) << c.name;
  }
  const Result<TSurface> missing = LoadBmpFile("/nonexistent/skin.bmp");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().message, "cannot open /nonexistent/skin.bmp");
}

TEST(BmpFile, RunLengthStreamWithoutEndMarkerKeepsWhatItDrew) {
  const Result<TSurface> s =
      DecodeBmp(Build({.width = 2, .height = 2, .bits = 8, .compression = 1, .palette = kPalette, .pixels = {2, 3}}));
  ASSERT_TRUE(s.ok()) << s.error().message;
  EXPECT_EQ(s->At(0, 1), kD);
  EXPECT_EQ(s->At(1, 1), kD);
  EXPECT_EQ(s->At(0, 0), kBlack);
}

TEST(BmpFile, RoundTripKeepsEveryPixelWithPaddedRows) {
  TSurface s;
  s.Create(5, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) s.At(x, y) = TRgb24{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7};
  }
  const std::vector<std::uint8_t> bytes = EncodeBmp24(s);
  EXPECT_EQ(bytes.size(), 54u + 16u * 3u);
  const Result<TSurface> back = DecodeBmp(bytes);
  ASSERT_TRUE(back.ok()) << back.error().message;
  ASSERT_EQ(back->width, 5);
  ASSERT_EQ(back->height, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) EXPECT_EQ(back->At(x, y), s.At(x, y));
  }
}

}  // namespace
}  // namespace tintloom
