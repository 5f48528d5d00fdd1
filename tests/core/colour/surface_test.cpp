#include "core/colour/surface.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <utility>

namespace tintloom {
namespace {

TMask8 SolidMask(int w, int h, std::uint8_t value) {
  return TMask8(static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h), value);
}

TEST(Surface, CreateIsWhiteWithPaddedRowTable) {
  TSurface s;
  s.Create(5, 3);
  EXPECT_EQ(s.stride, 16);  // 15 bytes padded to 4
  ASSERT_EQ(s.rows.size(), 3u);
  EXPECT_EQ(reinterpret_cast<std::uint8_t*>(s.rows[2]) - s.bitmap.data(), 32);
  EXPECT_EQ(s.At(4, 2), (TRgb24{255, 255, 255}));
  s.Release();
  EXPECT_TRUE(s.Empty());
  EXPECT_TRUE(s.rows.empty());
}

TEST(Surface, BlendThroughMaskZeroKeepsFullReplacesAndMiddleTruncates) {
  TSurface s;
  s.Create(3, 1);
  FillAll(s, 0x000000);
  TMask8 m = SolidMask(3, 1, 0);
  m.At(1, 0) = 255;
  m.At(2, 0) = 128;
  BlendColourThroughMask(s, 0, 0, TRgb24{200, 100, 51}, m);
  EXPECT_EQ(s.At(0, 0), (TRgb24{0, 0, 0}));
  EXPECT_EQ(s.At(1, 0), (TRgb24{200, 100, 51}));
  // 0 + 128 x 200 / 255 = 100.39 -> 100; 128 x 51 / 255 = 25.6 -> 25
  EXPECT_EQ(s.At(2, 0), (TRgb24{100, 50, 25}));
  // Falling channels truncate toward zero too: 255 + 128 x (0 - 255) / 255 = 255 - 128.
  FillAll(s, 0xFFFFFF);
  BlendColourThroughMask(s, 0, 0, TRgb24{0, 0, 0}, m);
  EXPECT_EQ(s.At(2, 0), (TRgb24{127, 127, 127}));
}

TEST(Surface, MaskHalfOutsideDrawsOnlyItsVisiblePartAligned) {
  TSurface s;
  s.Create(4, 4);
  FillAll(s, 0x000000);
  TMask8 m = SolidMask(3, 3, 0);
  for (int i = 0; i < 9; ++i) m.At(i % 3, i / 3) = static_cast<std::uint8_t>(10 * (i + 1));
  TRgb24 palette[256];
  for (int i = 0; i < 256; ++i) palette[i] = TRgb24{static_cast<std::uint8_t>(i), 0, 0};
  // Top-left corner at (-1, -2): only mask row 2 and columns 1..2 land on the surface.
  MapMaskThroughPalette(s, -1, -2, palette, m);
  EXPECT_EQ(s.At(0, 0).blue, 80);  // mask (1, 2) = 10 x 8
  EXPECT_EQ(s.At(1, 0).blue, 90);
  EXPECT_EQ(s.At(2, 0).blue, 0);
  EXPECT_EQ(s.At(0, 1).blue, 0);
  // Past the right and bottom edges the walk stops.
  FillAll(s, 0x000000);
  MapMaskThroughPalette(s, 2, 3, palette, m);
  EXPECT_EQ(s.At(2, 3).blue, 10);
  EXPECT_EQ(s.At(3, 3).blue, 20);
}

TEST(Surface, DarkPointAtWholePixelBlackensOnlyThatPixel) {
  TSurface s;
  s.Create(4, 4);
  DarkPoint(s, 1.0f, 1.0f);
  EXPECT_EQ(s.At(1, 1), (TRgb24{0, 0, 0}));
  EXPECT_EQ(s.At(2, 1), (TRgb24{255, 255, 255}));
  EXPECT_EQ(s.At(1, 2), (TRgb24{255, 255, 255}));
  EXPECT_EQ(s.At(2, 2), (TRgb24{255, 255, 255}));
  // Half way: (1 - 0.5)(1 - 0.5) = 0.25 coverage each -> weight 191.
  DarkPoint(s, 2.5f, 2.5f);
  EXPECT_EQ(s.At(2, 2).red, 191 * 255 / 255);
  EXPECT_EQ(s.At(3, 3).red, 191);
  // Outside: nothing, and no reach past the edges.
  DarkPoint(s, 3.5f, 3.5f);
  EXPECT_EQ(s.At(3, 3).red, 191 * 191 / 255);
  // Points wholly outside change no byte, row padding included.
  const auto bytes = s.bitmap;
  DarkPoint(s, 4.0f, 0.0f);
  DarkPoint(s, 0.0f, 7.0f);
  DarkPoint(s, -1.0f, 2.0f);
  EXPECT_EQ(s.bitmap, bytes);
}

TEST(Surface, DarkLineDrawsTruncatedLengthPlusOnePoints) {
  TSurface s;
  s.Create(32, 32);
  DarkLine(s, 10, 10, 20, 20);  // length 14.14 -> 14 steps, 15 points
  int touched = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) touched += s.At(x, y).red != 255;
  }
  EXPECT_EQ(s.At(10, 10).red, 0);
  EXPECT_EQ(s.At(20, 20).red, 0);
  EXPECT_GT(touched, 15);
  TSurface t;
  t.Create(8, 8);
  DarkLine(t, 3, 3, 3.5f, 3.5f);  // length 0.7 -> nothing
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) ASSERT_EQ(t.At(x, y).red, 255);
  }
}

TEST(Surface, CutMaskTakesTheRedByteAndRefusesRectanglesOutside) {
  TSurface s;
  s.Create(4, 4);
  s.At(2, 1) = TRgb24{1, 2, 77};
  TMask8 m;
  ASSERT_TRUE(CutMask(m, s, 1, 1, 2, 2));
  EXPECT_EQ(m.size(), 4);
  EXPECT_EQ(m.At(1, 0), 77);
  EXPECT_EQ(m.At(0, 0), 255);
  EXPECT_FALSE(CutMask(m, s, 3, 3, 2, 2));
  EXPECT_EQ(m.size(), 0);
  EXPECT_EQ(m.width(), 0);
  // x + w past the int range is outside, not a wrapped small number.
  EXPECT_FALSE(CutMask(m, s, 1, 1, 0xFFFF, 2));
  EXPECT_FALSE(CutMask(m, s, INT32_MAX - 1, 0, 4, 1));
}

TEST(Surface, FillsFramesAndCopiesClipToBothSurfaces) {
  TSurface s;
  s.Create(6, 6);
  FillRect(s, -2, -2, 4, 4, 0x0000FF);
  EXPECT_EQ(s.At(1, 1), (TRgb24{0, 0, 255}));
  EXPECT_EQ(s.At(2, 2), (TRgb24{255, 255, 255}));
  FrameRect(s, 0, 0, 6, 6, 2, 0x000000);  // (2,2)-(4,4): a 2x2 ring
  EXPECT_EQ(s.At(2, 2).red, 0);
  EXPECT_EQ(s.At(3, 3).red, 0);
  EXPECT_EQ(s.At(4, 4).red, 255);
  TSurface pattern;
  pattern.Create(2, 2);
  pattern.At(0, 0) = TRgb24{9, 9, 9};
  FillRectPattern(s, 0, 0, 6, 6, pattern);
  EXPECT_EQ(s.At(4, 2).red, 9);
  EXPECT_EQ(s.At(5, 2).red, 255);
  // The pattern stays anchored to the surface's origin when the fill starts elsewhere.
  TSurface stripes;
  stripes.Create(3, 3);
  for (int py = 0; py < 3; ++py) {
    for (int px = 0; px < 3; ++px) stripes.At(px, py) = TRgb24{static_cast<std::uint8_t>(10 * py + px), 0, 0};
  }
  TSurface big;
  big.Create(7, 7);
  FillRectPattern(big, 2, 4, 5, 3, stripes);
  EXPECT_EQ(big.At(2, 4).blue, 12);  // row 4 -> pattern row 1, column 2 -> 2
  EXPECT_EQ(big.At(6, 6).blue, 0);   // (6 % 3, 6 % 3)
  EXPECT_EQ(big.At(4, 5).blue, 21);
  EXPECT_EQ(big.At(1, 4).blue, 255);
  TSurface small;
  small.Create(3, 3);
  FillAll(small, 0x010203);
  CopyRect(s, 4, -1, small, 0, 0, 3, 3);
  EXPECT_EQ(s.At(5, 1), (TRgb24{1, 2, 3}));
  EXPECT_EQ(s.At(4, 2).red, 9);
}

TEST(Surface, CreateRefusesSizesItCannotHold) {
  TSurface s;
  s.Create(2, 2);
  // 0x2AAAAAAB x 3 wraps to 1 in 32 bits; a cap refuses it before allocating.
  for (auto [w, h] : {std::pair{0x2AAAAAAB, 1}, {1, 0x7FFFFFFF}, {kMaxSurfaceSide + 1, 1}, {30000, 30000}, {-1, 4}}) {
    EXPECT_FALSE(s.Create(w, h)) << w << " x " << h;
    EXPECT_TRUE(s.Empty());
    EXPECT_TRUE(s.bitmap.empty());
    EXPECT_TRUE(s.rows.empty());
  }
  EXPECT_TRUE(s.Create(0, 5));
  EXPECT_TRUE(s.Empty());
  EXPECT_TRUE(s.Create(kMaxSurfaceSide, 1));
  EXPECT_EQ(s.stride, SurfaceStride(kMaxSurfaceSide));
}

// Rectangles and positions near the int limits: edges summed in 32 bits wrap
// and then draw on (or read from) the wrong place.
TEST(Surface, OperationsNearTheIntLimitsClipInsteadOfWrapping) {
  constexpr std::int32_t kMax = INT32_MAX;
  constexpr std::int32_t kMin = INT32_MIN;
  TSurface s;
  s.Create(4, 4);
  TSurface src;
  src.Create(4, 4);
  FillAll(src, 0x000000);
  TMask8 m = SolidMask(3, 3, 255);
  TRgb24 palette[256] = {};
  const std::function<void()> draws[] = {
      [&] { FillRect(s, 2, 2, kMax, kMax, 0x000000); },            // right edge 2 + kMax
      [&] { FillRect(s, kMax - 1, 0, 4, 4, 0x000000); },           // wraps onto column 0 if summed in 32 bits
      [&] { FrameRect(s, kMin, kMin, kMax, kMax, kMin, 0x000000); },
      [&] { FrameRect(s, kMax, 0, 8, 4, -4, 0x000000); },
      [&] { CopyRect(s, kMin, 0, src, kMax, 0, kMax, 4); },
      [&] { CopyRect(s, 0, 0, src, kMin, kMin, kMax, kMax); },
      [&] { CopyRect(s, kMax - 1, 0, src, 0, 0, 4, 4); },
      [&] { BlendColourThroughMask(s, kMax - 1, kMax - 1, TRgb24{}, m); },
      [&] { MapMaskThroughPalette(s, 0, kMax - 1, palette, m); },
      [&] { DarkLine(s, 0, 0, 3e9f, 3e9f); },
      [&] { DarkPoint(s, 3e9f, -3e9f); },
      [&] { DarkLine(s, 0, 0, std::numeric_limits<float>::quiet_NaN(), 2); },
  };
  for (std::size_t i = 0; i < std::size(draws); ++i) {
    FillAll(s, 0xFFFFFF);
    draws[i]();
    int touched = 0;
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) touched += s.At(x, y).red != 255;
    }
    const int expected = i == 0 ? 4 : 0;  // only the first rectangle reaches the surface: (2,2)-(4,4)
    EXPECT_EQ(touched, expected) << "draw " << i;
  }
}

}  // namespace
}  // namespace tintloom
