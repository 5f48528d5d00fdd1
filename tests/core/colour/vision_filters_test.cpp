#include "core/colour/vision_filters.h"

#include <gtest/gtest.h>

#include <random>

namespace tintloom {
namespace {

// Colours given as red, green, blue, the way the expected bytes were worked
// out by hand (sRGB decoded, the matrix applied in double, encoded, rounded).
TRgb24 Rgb(int r, int g, int b) {
  return TRgb24{static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(r)};
}

struct Case {
  TRgb24 in;
  TRgb24 out;
};

void ExpectPixels(TCanvasView view, std::initializer_list<Case> cases) {
  const TViewFilter filter(view);
  for (const Case& c : cases) {
    const TRgb24 got = filter.Apply(c.in);
    EXPECT_EQ(got, c.out) << "in " << int{c.in.red} << "," << int{c.in.green} << "," << int{c.in.blue} << " got "
                          << int{got.red} << "," << int{got.green} << "," << int{got.blue};
  }
}

TEST(VisionFilters, ValuesShowTheGreyOfTheSameLuminanceAndLeaveGreysAlone) {
  ExpectPixels({true, TColourVision::Normal},
               {{Rgb(255, 0, 0), Rgb(127, 127, 127)},
                {Rgb(0, 255, 0), Rgb(220, 220, 220)},
                {Rgb(0, 0, 255), Rgb(76, 76, 76)},
                {Rgb(128, 128, 128), Rgb(128, 128, 128)},
                {Rgb(200, 120, 40), Rgb(139, 139, 139)},
                {Rgb(255, 255, 255), Rgb(255, 255, 255)},
                {Rgb(0, 0, 0), Rgb(0, 0, 0)}});
  // Both on: the values of what a deuteranope sees.
  ExpectPixels({true, TColourVision::Deutan}, {{Rgb(200, 120, 40), Rgb(146, 146, 146)}});
}

TEST(VisionFilters, SimulationsGiveTheModelsColours) {
  // Protan's green goes past white in linear light: it must clamp, not wrap.
  ExpectPixels({false, TColourVision::Protan}, {{Rgb(255, 0, 0), Rgb(109, 95, 0)},
                                                {Rgb(0, 255, 0), Rgb(255, 229, 0)},
                                                {Rgb(0, 0, 255), Rgb(0, 89, 255)},
                                                {Rgb(60, 170, 90), Rgb(171, 156, 84)}});
  ExpectPixels({false, TColourVision::Deutan}, {{Rgb(255, 0, 0), Rgb(163, 144, 0)},
                                                {Rgb(0, 255, 0), Rgb(239, 214, 58)},
                                                {Rgb(200, 120, 40), Rgb(164, 146, 41)},
                                                {Rgb(60, 170, 90), Rgb(157, 146, 96)}});
  ExpectPixels({false, TColourVision::Tritan}, {{Rgb(255, 0, 0), Rgb(255, 0, 15)},
                                                {Rgb(0, 255, 0), Rgb(0, 247, 217)},
                                                {Rgb(0, 0, 255), Rgb(0, 107, 150)},
                                                {Rgb(200, 120, 40), Rgb(219, 102, 104)}});
}

TEST(VisionFilters, SurfacesGetThePixelsBytesAndGreysStayGrey) {
  TSurface from;
  ASSERT_TRUE(from.Create(257, 256));
  std::mt19937 random(7);
  for (int y = 0; y < from.height; ++y) {
    for (int x = 0; x < from.width; ++x) {
      const std::uint32_t v = random();
      // The first column holds every grey.
      from.At(x, y) = x == 0 ? Rgb(y, y, y)
                             : TRgb24{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                      static_cast<std::uint8_t>(v >> 16)};
    }
  }
  for (const TColourVision vision :
       {TColourVision::Normal, TColourVision::Protan, TColourVision::Deutan, TColourVision::Tritan}) {
    for (const bool values : {false, true}) {
      const TViewFilter filter({values, vision});
      TSurface to;
      ASSERT_TRUE(filter.Apply(from, to));
      ASSERT_EQ(to.width, from.width);
      ASSERT_EQ(to.height, from.height);
      int wrong = 0;
      for (int y = 0; y < from.height; ++y) {
        EXPECT_EQ(to.At(0, y), from.At(0, y)) << "grey " << y;
        for (int x = 0; x < from.width; ++x) wrong += to.At(x, y) == filter.Apply(from.At(x, y)) ? 0 : 1;
      }
      EXPECT_EQ(wrong, 0) << static_cast<int>(vision) << " values " << values;
    }
  }
  // No view: the same picture.
  TSurface same;
  ASSERT_TRUE(TViewFilter().Apply(from, same));
  EXPECT_EQ(same.bitmap, from.bitmap);
}

}  // namespace
}  // namespace tintloom
