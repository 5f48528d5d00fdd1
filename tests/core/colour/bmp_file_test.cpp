#include "core/colour/bmp_file.h"

#include <gtest/gtest.h>

namespace tintloom {
namespace {

TEST(BmpFile, RoundTripKeepsEveryPixelWithPaddedRows) {
  TSurface s;
  s.Create(5, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) s.At(x, y) = TRgb24{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7};
  }
  const std::vector<std::uint8_t> bytes = EncodeBmp24(s);
  EXPECT_EQ(bytes.size(), 54u + 16u * 3u);
  TSurface back;
  std::string error;
  ASSERT_TRUE(DecodeBmp(bytes.data(), bytes.size(), back, error)) << error;
  ASSERT_EQ(back.width, 5);
  ASSERT_EQ(back.height, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) EXPECT_EQ(back.At(x, y), s.At(x, y));
  }
}

TEST(BmpFile, RefusesTruncatedOversizedAndForeignData) {
  TSurface s;
  s.Create(4, 4);
  std::vector<std::uint8_t> bytes = EncodeBmp24(s);
  TSurface out;
  std::string error;
  EXPECT_FALSE(DecodeBmp(bytes.data(), bytes.size() - 1, out, error));
  EXPECT_TRUE(out.Empty());
  std::vector<std::uint8_t> huge = bytes;
  huge[18] = 0xFF;
  huge[19] = 0xFF;
  huge[20] = 0xFF;
  huge[21] = 0x7F;
  EXPECT_FALSE(DecodeBmp(huge.data(), huge.size(), out, error));
  std::vector<std::uint8_t> paletted = bytes;
  paletted[28] = 8;
  EXPECT_FALSE(DecodeBmp(paletted.data(), paletted.size(), out, error));
  const std::uint8_t junk[60] = {'P', 'K'};
  EXPECT_FALSE(DecodeBmp(junk, sizeof junk, out, error));
  EXPECT_FALSE(LoadBmpFile("/nonexistent/skin.bmp", out, error));
}

TEST(BmpFile, ReadsTopDownRows) {
  TSurface s;
  s.Create(1, 2);
  s.At(0, 0) = TRgb24{1, 1, 1};
  s.At(0, 1) = TRgb24{2, 2, 2};
  std::vector<std::uint8_t> bytes = EncodeBmp24(s);
  // Negative height: rows stored top first. Swap the two rows to match.
  bytes[22] = 0xFE;
  bytes[23] = bytes[24] = bytes[25] = 0xFF;
  std::swap_ranges(bytes.begin() + 54, bytes.begin() + 58, bytes.begin() + 58);
  TSurface out;
  std::string error;
  ASSERT_TRUE(DecodeBmp(bytes.data(), bytes.size(), out, error)) << error;
  EXPECT_EQ(out.At(0, 0).red, 1);
  EXPECT_EQ(out.At(0, 1).red, 2);
}

}  // namespace
}  // namespace tintloom
