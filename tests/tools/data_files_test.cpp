// Checks the data files the build generates next to the program. Skipped
// when TINTLOOM_APP_DIR does not point at them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/artwork/blend_formulas.h"
#include "core/colour/bmp_file.h"
#include "core/colour/skin_layout.h"
#include "core/palette/tone_data.h"
#include "support/paths.h"

namespace tintloom {
namespace {

class DataFilesTest : public ::testing::Test {
 protected:
  // The generated file's bytes; skips the test when it is not there.
  std::vector<std::uint8_t> Read(const char* name) {
    const std::string dir = testing::ProgramDir();
    if (dir.empty()) return {};
    std::ifstream in(std::filesystem::path(dir) / name, std::ios::binary);
    if (!in) return {};
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  // The skin, with the picture regions cut out as masks where needed.
  bool LoadSkin() {
    const std::vector<std::uint8_t> bytes = Read("skin.bmp");
    if (bytes.empty()) return false;
    Result<TSurface> decoded = DecodeBmp(bytes);
    EXPECT_TRUE(decoded.ok()) << decoded.error().message;
    if (decoded) skin = std::move(decoded).value();
    EXPECT_EQ(bytes[28], 24);  // bits per pixel
    return !skin.Empty();
  }

  TSurface skin;
};

#define READ_OR_SKIP(var, name)                                       \
  const std::vector<std::uint8_t> var = Read(name);                   \
  if (var.empty()) GTEST_SKIP() << name << " not generated (TINTLOOM_APP_DIR)"

TEST_F(DataFilesTest, FilesHaveTheirSizes) {
  READ_OR_SKIP(tones, "Tintloom.tid");
  READ_OR_SKIP(blend, "bm.dat");
  EXPECT_EQ(tones.size(), 3672360u);
  EXPECT_EQ(blend.size(), 1114112u);
  ASSERT_TRUE(LoadSkin());
  EXPECT_GE(skin.width, kSkinWidth);
  EXPECT_GE(skin.height, kSkinHeight);
}

TEST_F(DataFilesTest, RepresentativeColoursClassifyAsTheirOwnTone) {
  READ_OR_SKIP(bytes, "Tintloom.tid");
  for (std::size_t i = 0; i < bytes.size(); ++i) ASSERT_LE(bytes[i], 16) << "byte " << i;
  TToneData data;
  data.Assign(bytes);
  int own = 0;
  for (int tone = 0; tone < kChromaticToneCount; ++tone) {
    for (int hue = 0; hue < 360; ++hue) {
      const int got = data.ToneClassAt(RgbToHsv(UnpackColour(ToneColorAt(hue, tone))));
      if (got == tone) ++own;
      EXPECT_EQ(got, tone) << "hue " << hue;
    }
  }
  RecordProperty("own_tone_share", std::to_string(own) + "/4320");
  std::printf("representative colours classified as their own tone: %d of 4320\n", own);
}

TEST_F(DataFilesTest, NeutralsAreGreysFromBlackToWhite) {
  READ_OR_SKIP(bytes, "Tintloom.tid");
  TToneData data;
  data.Assign(bytes);
  for (int h = 0; h < 360; ++h) {
    int previous = 16;
    for (int v = 0; v <= 100; ++v) {
      const int tone = data.ToneClassAtCell(h, 0, v);
      EXPECT_GE(tone, 12) << h << " " << v;
      EXPECT_LE(tone, previous) << "greys lighten with value, hue " << h << " value " << v;
      previous = tone;
    }
    EXPECT_EQ(data.ToneClassAtCell(h, 0, 100), 12);
    for (int s = 0; s <= 100; s += 10) EXPECT_EQ(data.ToneClassAtCell(h, s, 0), 16);
  }
  // The five greys' own colours, as the picker's tone lookup sees them.
  for (int tone = 12; tone < 17; ++tone) EXPECT_EQ(data.ToneClassAt(RgbToHsv(UnpackColour(ToneColorAt(0, tone)))), tone);
}

TEST_F(DataFilesTest, BlendFileIsTheFormulasInCodeOrder) {
  READ_OR_SKIP(bytes, "bm.dat");
  EXPECT_TRUE(bytes == BuildBlendTableFile());
}

TEST_F(DataFilesTest, MarkerMasksAreCentredDiscsAndARing) {
  if (!LoadSkin()) GTEST_SKIP() << "skin.bmp not generated";
  for (const TSkinRect& r : kMarkerMasks) {
    const int n = r.width;
    TMask8 m;
    ASSERT_TRUE(CutMask(m, skin, r.left, r.top, n, r.height));
    const auto at = [&](int x, int y) { return m.At(x, y); };
    EXPECT_EQ(at(0, 0), 0) << n;
    EXPECT_EQ(at(n - 1, 0), 0) << n;
    EXPECT_EQ(at(0, n - 1), 0) << n;
    EXPECT_EQ(at(n - 1, n - 1), 0) << n;
    // Centred on pixel (n/2, n/2), where the hue window puts the marker.
    const int c = n / 2;
    for (int d = 1; d < c; ++d) {
      EXPECT_EQ(at(c + d, c), at(c - d, c)) << n;
      EXPECT_EQ(at(c, c + d), at(c, c - d)) << n;
      EXPECT_EQ(at(c + d, c), at(c, c + d)) << n;
    }
    if (n == 20) {
      EXPECT_EQ(at(c, c), 0);
      EXPECT_EQ(at(c, c - 4), 0);
      EXPECT_GE(at(c, c - 9), 230);
    } else {
      EXPECT_EQ(at(c, c), 255) << n;
      EXPECT_EQ(at(c - n / 4, c), 255) << n;
    }
  }
}

TEST_F(DataFilesTest, WheelFollowsTheHueWindowsGeometry) {
  if (!LoadSkin()) GTEST_SKIP() << "skin.bmp not generated";
  struct Point {
    float hue, saturation;
    int i, j;  // picture pixel whose centre is at that hue and saturation
  };
  const Point points[] = {{0, 1.0f, 85, 5},     {90, 0.5f, 125, 85},  {180, 0.75f, 85, 145},
                          {270, 0.25f, 65, 85}, {45, 0.70710678f, 125, 45}, {0, 0.0f, 85, 85}};
  for (const Point& p : points) {
    const TRgb24 want = ToRgb24(PackColour(HsvToRgb(TColorF(p.hue, p.saturation, 1.0f))));
    const TRgb24 got = skin.At(kWheelPicture.left + p.i, kWheelPicture.top + p.j);
    EXPECT_NEAR(got.red, want.red, 3) << p.hue << " " << p.saturation;
    EXPECT_NEAR(got.green, want.green, 3) << p.hue << " " << p.saturation;
    EXPECT_NEAR(got.blue, want.blue, 3) << p.hue << " " << p.saturation;
  }
  const TRgb24 background{0xF0, 0xF0, 0xF0};
  for (const auto& [i, j] : {std::pair{0, 0}, {170, 0}, {0, 170}, {170, 170}, {0, 85}, {85, 170}, {20, 20}}) {
    EXPECT_EQ(skin.At(kWheelPicture.left + i, kWheelPicture.top + j), background) << i << " " << j;
  }
}

TEST_F(DataFilesTest, PickerMasksShowASphereLitFromTheUpperLeft) {
  if (!LoadSkin()) GTEST_SKIP() << "skin.bmp not generated";
  TMask8 shading;
  TMask8 gloss;
  ASSERT_TRUE(CutMask(shading, skin, kShadingMask.left, kShadingMask.top, kShadingMask.width, kShadingMask.height));
  ASSERT_TRUE(CutMask(gloss, skin, kGlossMask.left, kGlossMask.top, kGlossMask.width, kGlossMask.height));
  const auto peak = [](const TMask8& m, int& x, int& y) {
    int best = -1;
    for (int k = 0; k < m.size(); ++k) {
      if (m.data()[static_cast<std::size_t>(k)] > best) {
        best = m.data()[static_cast<std::size_t>(k)];
        x = k % 128;
        y = k / 128;
      }
    }
    return best;
  };
  int x = 0;
  int y = 0;
  // The highlight colour (ramp 191..255) where the light falls square on.
  EXPECT_GE(peak(shading, x, y), 250);
  EXPECT_LT(x, 64);
  EXPECT_LT(y, 64);
  // Deep shadow (ramp 0..70) on the far side, lower right of the sphere.
  EXPECT_LE(shading.At(91, 87), 70);
  // The backdrop lies between shadow and base, so both sides stand out.
  for (int k : {0, 127, 127 * 128}) {
    EXPECT_GE(shading.data()[static_cast<std::size_t>(k)], 71);
    EXPECT_LE(shading.data()[static_cast<std::size_t>(k)], 190);
  }
  // A soft gloss near the lit side, nothing elsewhere.
  EXPECT_GE(peak(gloss, x, y), 180);
  EXPECT_LT(x, 64);
  EXPECT_LT(y, 64);
  for (int yy = 64; yy < 128; ++yy) {
    for (int xx = 64; xx < 128; ++xx) EXPECT_LE(gloss.At(xx, yy), 4);
  }
  EXPECT_EQ(gloss.At(0, 0), 0);
}

}  // namespace
}  // namespace tintloom
