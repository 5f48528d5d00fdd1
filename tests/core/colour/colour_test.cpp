#include "core/colour/colour.h"

#include <gtest/gtest.h>

#include <limits>

namespace tintloom {
namespace {

TEST(ColourConversion, UnpackThenPackReturnsEveryPackedColour) {
  for (TColor c = 0; c < (1u << 24); ++c) {
    if (PackColour(UnpackColour(c)) != c) {
      FAIL() << "round trip changed 0x" << std::hex << c;
    }
  }
}

TEST(ColourConversion, HsvToRgbUsesWholeDegreesWrappedOnce) {
  // 359.9 is hue 359, never 360: red with a touch of blue.
  const TColorF almost = HsvToRgb(TColorF(359.9f, 1.0f, 1.0f));
  EXPECT_FLOAT_EQ(almost.r(), 1.0f);
  EXPECT_FLOAT_EQ(almost.g(), 0.0f);
  EXPECT_NEAR(almost.b(), 1.0f / 60.0f, 1e-6);
  // C remainder then +360: -30 is 330, 725 is 5.
  EXPECT_EQ(HsvToRgb(TColorF(-30.0f, 1.0f, 1.0f)), HsvToRgb(TColorF(330.0f, 1.0f, 1.0f)));
  EXPECT_EQ(HsvToRgb(TColorF(725.0f, 1.0f, 1.0f)), HsvToRgb(TColorF(5.0f, 1.0f, 1.0f)));
  // The fraction never reaches the colour.
  EXPECT_EQ(HsvToRgb(TColorF(30.99f, 0.7f, 0.9f)), HsvToRgb(TColorF(30.0f, 0.7f, 0.9f)));
  // Each sextant.
  EXPECT_EQ(PackColour(HsvToRgb(TColorF(0, 1, 1))), 0x0000FFu);
  EXPECT_EQ(PackColour(HsvToRgb(TColorF(60, 1, 1))), 0x00FFFFu);
  EXPECT_EQ(PackColour(HsvToRgb(TColorF(120, 1, 1))), 0x00FF00u);
  EXPECT_EQ(PackColour(HsvToRgb(TColorF(180, 1, 1))), 0xFFFF00u);
  EXPECT_EQ(PackColour(HsvToRgb(TColorF(240, 1, 1))), 0xFF0000u);
  EXPECT_EQ(PackColour(HsvToRgb(TColorF(300, 1, 1))), 0xFF00FFu);
}

// Hues and products past the int range: converting those to int directly is
// undefined. A far hue still turns by whole circles; NaN reads as hue 0.
TEST(ColourConversion, FloatsPastTheIntRangeConvertSafely) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    float hue;
    TColor expected;
  } hues[] = {{3e9f, 0x00FF00u}, {-3e9f, 0xFF0000u}, {nan, 0x0000FFu}, {inf, 0x0000FFu}, {-inf, 0x0000FFu}};
  for (const auto& h : hues) EXPECT_EQ(HsvToColor(h.hue, 1, 1), h.expected) << h.hue;
  const struct {
    long double x;
    std::int32_t truncated;
  } values[] = {{3e9L, INT32_MAX}, {-3e9L, INT32_MIN}, {2147483647.9L, INT32_MAX}, {-2147483648.9L, INT32_MIN},
                {-1.9L, -1}, {1.9L, 1}, {static_cast<long double>(nan), 0}, {static_cast<long double>(-inf), INT32_MIN}};
  for (const auto& v : values) EXPECT_EQ(Trunc(v.x), v.truncated) << static_cast<double>(v.x);
  EXPECT_EQ(RoundHalfUp(2147483647.4L), INT32_MAX);
  EXPECT_EQ(RoundHalfUp(-0.6L), 0);
}

TEST(ColourConversion, ZeroSaturationIsGreyWhateverTheHue) {
  for (float hue : {0.0f, 123.4f, -50.0f, 720.0f}) {
    EXPECT_EQ(HsvToRgb(TColorF(hue, 0.0f, 0.25f)), TColorF(0.25f, 0.25f, 0.25f));
  }
}

TEST(ColourConversion, RgbToHsvEdges) {
  EXPECT_EQ(RgbToHsv(TColorF(0.5f, 0.5f, 0.5f)), TColorF(0.0f, 0.0f, 0.5f));
  EXPECT_EQ(RgbToHsv(TColorF(0.0f, 0.0f, 0.0f)), TColorF(0.0f, 0.0f, 0.0f));
  // Red maximum with blue above green: h' = -0.5 before the correction.
  const TColorF magenta = RgbToHsv(TColorF(1.0f, 0.0f, 0.5f));
  EXPECT_FLOAT_EQ(magenta.h(), 330.0f);
  EXPECT_FLOAT_EQ(magenta.s(), 1.0f);
  EXPECT_FLOAT_EQ(magenta.v(), 1.0f);
  EXPECT_FLOAT_EQ(RgbToHsv(TColorF(0.0f, 1.0f, 0.0f)).h(), 120.0f);
  EXPECT_FLOAT_EQ(RgbToHsv(TColorF(0.0f, 0.0f, 1.0f)).h(), 240.0f);
  // Ties: red equal to green counts as red being the maximum.
  EXPECT_FLOAT_EQ(RgbToHsv(TColorF(1.0f, 1.0f, 0.0f)).h(), 60.0f);
}

TEST(ColourConversion, PackRoundsHalfUpAndHexSwapsTheBytes) {
  EXPECT_EQ(PackColour(TColorF(1.0f, 0.5f, 0.0f)), 0x000080FFu);
  EXPECT_EQ(PackHexColour(TColorF(1.0f, 0.5f, 0.0f)), 0x00FF8000u);
  // Just below the half stays down.
  EXPECT_EQ(PackColour(TColorF(0.0f, 0.0f, 127.49f / 255.0f)), 0x7F0000u);
  EXPECT_EQ(ToRgb24(0x123456u), (TRgb24{0x12, 0x34, 0x56}));
  EXPECT_EQ(FromRgb24(TRgb24{0x12, 0x34, 0x56}), 0x123456u);
  EXPECT_EQ(HsvToColor(240.0f, 1.0f, 1.0f), 0xFF0000u);
}

TEST(ColourConversion, HsvRoundTripOfPackedColoursStaysWithinOneStep) {
  // HSV to RGB drops the hue's fraction, so a packed colour may move, but by
  // no more than one byte step per degree of lost hue.
  for (TColor c = 0; c < (1u << 24); c += 9973) {
    const TColor back = PackColour(HsvToRgb(RgbToHsv(UnpackColour(c))));
    for (int shift = 0; shift < 24; shift += 8) {
      const int a = static_cast<int>(c >> shift & 0xFF);
      const int b = static_cast<int>(back >> shift & 0xFF);
      ASSERT_LE(std::abs(a - b), 5) << std::hex << c << " -> " << back;
    }
  }
}

}  // namespace
}  // namespace tintloom
