#include "core/palette/tone_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>

#include "support/paths.h"

#include "core/palette/tone_classifier.h"

namespace tintloom {
namespace {

int Channel(TColor c, int k) { return static_cast<int>(c >> (8 * k) & 0xFFu); }

using testing::ScratchPath;

TEST(ToneColourTable, MeetsTheSamplesExactlyAndStaysSmoothRoundTheCircle) {
  // One column of the sample table per tone: 0, 90, 180 and 270 degrees.
  const TColor samples[12][4] = {
      {0x1C1DFC, 0x26BC71, 0x808000, 0x7F0643}, {0x3536FC, 0x33BC78, 0xB2B21F, 0xAB6186},
      {0x1A1BCB, 0x1B9859, 0x717127, 0x832453}, {0x0B0CA3, 0x18844E, 0x5F5E0A, 0x631B3F},
      {0x7273FA, 0x74D9A7, 0xC4C466, 0xB87898}, {0x5E5ECE, 0x52B081, 0x95954E, 0x8F5673},
      {0x4344B1, 0x4A8065, 0x6A6A2A, 0x793155}, {0x2B2B69, 0x396851, 0x4D4D16, 0x4A2E3C},
      {0xB6B6FA, 0xBFF7DB, 0xDEDEB4, 0xD6B2C4}, {0xA8A8D6, 0x9AC2AE, 0xB7B791, 0xAF95A2},
      {0x61617E, 0x5B7065, 0x63633E, 0x523141}, {0x2B2C3A, 0x2D3B34, 0x353525, 0x312A2E}};
  for (int tone = 0; tone < 12; ++tone) {
    for (int k = 0; k < 4; ++k) EXPECT_EQ(ToneColorAt(90 * k, tone), samples[tone][k]) << tone << " " << 90 * k;
  }
  EXPECT_EQ(ToneColorAt(30, 0), 0x007FFFu);
  EXPECT_EQ(ToneColorAt(330, 11), 0x322D38u);
  EXPECT_EQ(ToneColorAt(210, 10), 0x5B4938u);

  for (int tone = 0; tone < kToneCount; ++tone) {
    for (int hue = 0; hue < 360; ++hue) {
      const TColor a = ToneColorAt(hue, tone);
      const TColor b = ToneColorAt((hue + 1) % 360, tone);
      for (int k = 0; k < 3; ++k) {
        EXPECT_LE(std::abs(Channel(a, k) - Channel(b, k)), 12) << "tone " << tone << " hue " << hue;
      }
    }
  }
  const TColor greys[5] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
  for (int grey = 0; grey < 5; ++grey) {
    for (int hue : {0, 1, 77, 359}) EXPECT_EQ(ToneColorAt(hue, 12 + grey), greys[grey]);
  }
}

TEST(ToneColourTable, FloatHuesRoundHalfUpAndWrap) {
  EXPECT_EQ(ToneColorAtHue(59.5f, 0), 0x00E7E7u);
  EXPECT_NE(ToneColorAt(59, 0), 0x00E7E7u);
  EXPECT_EQ(ToneColorAtHue(59.4f, 0), ToneColorAt(59, 0));
  EXPECT_EQ(ToneColorAtHue(359.6f, 3), ToneColorAt(0, 3));
  EXPECT_EQ(ToneColorAtHue(360.0f, 3), ToneColorAt(0, 3));
  EXPECT_EQ(ToneColorAtHue(-5.0f, 3), ToneColorAt(355, 3));
  EXPECT_EQ(ToneColorAt(-1, 4), ToneColorAt(359, 4));
  EXPECT_EQ(ToneColorAtHue(std::numeric_limits<float>::quiet_NaN(), 4), ToneColorAt(0, 4));
  // "No tone", as a lookup without tone data answers, has no colour.
  EXPECT_EQ(ToneColorAtHue(120.0f, -1), 0u);
  EXPECT_EQ(ToneColorAt(120, kToneCount), 0u);
}

TEST(ToneData, LooksUpRoundedCellsAtTheirIndex) {
  std::vector<std::uint8_t> block(kToneDataSize, 0);
  block[5150] = 7;
  block[1224220] = 8;
  block[kToneDataSize - 1] = 9;
  TToneData data;
  data.Assign(block);
  EXPECT_EQ(data.ToneClassAt(TColorF(359.6f, 0.5f, 1.0f)), 7);    // cell (0, 50, 100)
  EXPECT_EQ(data.ToneClassAt(TColorF(120.4f, 0.004f, 0.995f)), 8);  // cell (120, 0, 100)
  EXPECT_EQ(data.ToneClassAtCell(359, 100, 100), 9);
  EXPECT_EQ(data.ToneClassAtCell(0, 50, 100), 7);
  EXPECT_EQ(data.ToneClassAt(TColorF(359.4f, 0.5f, 1.0f)), 0);
  // Outside the grid, or not a number: no tone rather than a stray read.
  EXPECT_EQ(data.ToneClassAt(TColorF(10.0f, 1.2f, 0.5f)), -1);
  EXPECT_EQ(data.ToneClassAt(TColorF(std::numeric_limits<float>::quiet_NaN(), 0.5f, 0.5f)), -1);
  EXPECT_EQ(data.ToneClassAt(TColorF(1e30f, 0.5f, 0.5f)), -1);
  EXPECT_EQ(data.ToneClassAtCell(360, 0, 0), -1);
}

TEST(ToneData, MissingFileSaysSoAndLeavesTheTableAbsent) {
  TToneData data;
  data.Assign(std::vector<std::uint8_t>(kToneDataSize, 3));
  const Result<> loaded = data.LoadToneData(ScratchPath("absent.tid"));
  ASSERT_FALSE(loaded.ok());
  EXPECT_EQ(loaded.error().message, "トーンデータを開けません");
  EXPECT_FALSE(data.Present());
  EXPECT_EQ(data.ToneClassAtCell(0, 0, 0), -1);
}

TEST(ToneData, ShortFileLoadsWithZerosPastItsEnd) {
  const std::string path = ScratchPath("short.tid");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  const std::uint8_t bytes[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  std::fwrite(bytes, 1, sizeof bytes, f);
  std::fclose(f);
  TToneData data;
  EXPECT_TRUE(data.LoadToneData(path).ok());
  std::filesystem::remove(path);
  EXPECT_TRUE(data.Present());
  EXPECT_EQ(data.ToneClassAtCell(0, 0, 9), 10);
  EXPECT_EQ(data.ToneClassAtCell(0, 0, 10), 0);
  EXPECT_EQ(data.ToneClassAtCell(359, 100, 100), 0);
  data.Release();
  EXPECT_FALSE(data.Present());
}

TEST(ToneClassifier, NeutralColoursAreGreysOfTheirOwnLightness) {
  const TToneClassifier classifier;
  for (int h : {0, 45, 200, 270, 359}) {
    EXPECT_EQ(classifier.Classify(h, 0, 100), 12);
    EXPECT_EQ(classifier.Classify(h, 0, 75), 13);
    EXPECT_EQ(classifier.Classify(h, 0, 50), 14);
    EXPECT_EQ(classifier.Classify(h, 0, 25), 15);
    for (int s : {0, 50, 100}) EXPECT_EQ(classifier.Classify(h, s, 0), 16);
  }
  // A neutral between two grey points is still grey, although at hue 270
  // the dark greyish tone's colour (0x2E2A31) lies nearer than either grey.
  EXPECT_EQ(classifier.Classify(270, 0, 18), 15);
  EXPECT_EQ(classifier.Classify(270, 14, 19), 11);
}

}  // namespace
}  // namespace tintloom
