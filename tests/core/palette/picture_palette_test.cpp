#include "core/palette/picture_palette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "core/document/swatch_commands.h"
#include "support/model_fixture.h"

namespace tintloom {
namespace {

constexpr TColor Rgb(int r, int g, int b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}

// A picture of vertical stripes, one a colour, each pixel given gaussian
// noise on every channel; alpha 255.
struct TTestPicture {
  std::vector<std::uint8_t> bytes;
  std::int64_t width = 0, height = 0;
  TPicturePixels Pixels() const { return TPicturePixels{bytes, width, height, width * 4}; }
};

TTestPicture Stripes(const std::vector<TColor>& colours, std::int64_t stripe, std::int64_t height, double noise,
                     unsigned seed = 7) {
  TTestPicture picture;
  picture.width = stripe * static_cast<std::int64_t>(colours.size());
  picture.height = height;
  picture.bytes.resize(static_cast<std::size_t>(picture.width * height * 4));
  std::mt19937 random(seed);
  std::normal_distribution<double> jitter(0.0, noise);
  for (std::int64_t y = 0; y < height; ++y) {
    for (std::int64_t x = 0; x < picture.width; ++x) {
      const TColor c = colours[static_cast<std::size_t>(x / stripe)];
      std::uint8_t* p = &picture.bytes[static_cast<std::size_t>((y * picture.width + x) * 4)];
      for (int ch = 0; ch < 3; ++ch) {
        const double v = static_cast<double>((c >> (8 * ch)) & 0xFF) + (noise > 0 ? jitter(random) : 0.0);
        p[ch] = static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
      }
      p[3] = 255;
    }
  }
  return picture;
}

double NearestDeltaE(TColor want, const std::vector<TColor>& got) {
  double best = 1e9;
  for (TColor c : got) best = std::min(best, DeltaE(LabOfColour(want), LabOfColour(c)));
  return best;
}

constexpr TPictureMood kMoods[] = {TPictureMood::Colourful, TPictureMood::Bright, TPictureMood::Muted,
                                   TPictureMood::Deep, TPictureMood::Dark};

TEST(PicturePalette, NoisyPatchesGiveTheirColoursBackUnderEveryMood) {
  const std::vector<TColor> patches = {Rgb(200, 40, 50),  Rgb(240, 230, 200), Rgb(30, 60, 120),
                                       Rgb(110, 150, 90), Rgb(40, 35, 30),    Rgb(230, 150, 40)};
  // Large enough to be read on a grid, not pixel by pixel.
  const TTestPicture picture = Stripes(patches, 200, 800, 6.0);
  for (TPictureMood mood : kMoods) {
    Result<std::vector<TColor>> got = ExtractPictureColours(picture.Pixels(), 6, mood);
    ASSERT_TRUE(got.ok()) << got.error().message;
    ASSERT_EQ(got->size(), patches.size()) << static_cast<int>(mood);
    for (TColor want : patches) EXPECT_LT(NearestDeltaE(want, *got), 1.0) << std::hex << want << " mood " << static_cast<int>(mood);
  }
}

TEST(PicturePalette, MoodsOrderEqualPatchesByTheirWeight) {
  const TColor red = Rgb(220, 30, 40), cream = Rgb(250, 245, 225), greyBlue = Rgb(120, 130, 140),
               navy = Rgb(20, 30, 110), black = Rgb(15, 15, 18);
  const std::vector<TColor> patches = {red, cream, greyBlue, navy, black};
  const TTestPicture picture = Stripes(patches, 64, 64, 0.0);
  const std::pair<TPictureMood, TColor> firsts[] = {{TPictureMood::Colourful, red},
                                                    {TPictureMood::Bright, cream},
                                                    {TPictureMood::Muted, greyBlue},
                                                    {TPictureMood::Deep, navy},
                                                    {TPictureMood::Dark, black}};
  for (const auto& [mood, first] : firsts) {
    Result<std::vector<TColor>> got = ExtractPictureColours(picture.Pixels(), 5, mood);
    ASSERT_TRUE(got.ok());
    ASSERT_EQ(got->size(), 5u);
    EXPECT_EQ(got->front(), first) << static_cast<int>(mood);
    // The whole order is the documented weights', largest first.
    std::vector<TColor> want = patches;
    std::stable_sort(want.begin(), want.end(), [&](TColor x, TColor y) {
      const TLab a = LabOfColour(x), b = LabOfColour(y);
      return MoodWeight(mood, a.l, std::hypot(a.a, a.b)) > MoodWeight(mood, b.l, std::hypot(b.a, b.b));
    });
    EXPECT_EQ(*got, want) << static_cast<int>(mood);
  }
}

TEST(PicturePalette, SamePictureAndSettingsGiveTheSameColours) {
  const TTestPicture picture = Stripes({Rgb(10, 120, 200), Rgb(200, 200, 30), Rgb(90, 20, 80), Rgb(250, 250, 250)}, 500, 700, 25.0);
  for (int count : {3, 8, 16}) {
    Result<std::vector<TColor>> a = ExtractPictureColours(picture.Pixels(), count, TPictureMood::Muted);
    Result<std::vector<TColor>> b = ExtractPictureColours(picture.Pixels(), count, TPictureMood::Muted);
    ASSERT_TRUE(a.ok() && b.ok());
    EXPECT_EQ(*a, *b);
    EXPECT_EQ(a->size(), static_cast<std::size_t>(count)) << "a noisy picture has colours enough";
  }
}

TEST(PicturePalette, TransparentPixelsAreLeftOutAndFewColoursGiveFewSwatches) {
  TTestPicture picture = Stripes({Rgb(0, 255, 0), Rgb(180, 20, 20), Rgb(20, 20, 180)}, 40, 40, 0.0);
  // The green stripe is there only under alpha 0 (and a soft edge under 127).
  for (std::int64_t y = 0; y < picture.height; ++y) {
    for (std::int64_t x = 0; x < 40; ++x) picture.bytes[static_cast<std::size_t>((y * picture.width + x) * 4 + 3)] = x < 20 ? 0 : 127;
  }
  Result<std::vector<TColor>> got = ExtractPictureColours(picture.Pixels(), 8, TPictureMood::Colourful);
  ASSERT_TRUE(got.ok());
  std::vector<TColor> sorted = *got;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<TColor>{Rgb(180, 20, 20), Rgb(20, 20, 180)}));
}

TEST(PicturePalette, EmptyAndFullyTransparentPicturesFail) {
  EXPECT_FALSE(ExtractPictureColours(TPicturePixels{}, 8, TPictureMood::Colourful).ok());
  TTestPicture clear = Stripes({Rgb(1, 2, 3)}, 10, 10, 0.0);
  for (std::size_t i = 3; i < clear.bytes.size(); i += 4) clear.bytes[i] = 0;
  Result<std::vector<TColor>> got = ExtractPictureColours(clear.Pixels(), 8, TPictureMood::Colourful);
  ASSERT_FALSE(got.ok());
  EXPECT_FALSE(got.error().message.empty());
}

class PictureColoursInModel : public testing::ModelFixture {
 protected:
  void SetUp() override { model.ConstructScheme(); }
};

TEST_F(PictureColoursInModel, SlotsTakeTheColoursAsOneStepThatUndoesWhole) {
  model.Redraw(TCoordinationModel::kRedrawAll);
  model.SelectSlot(4);
  const std::vector<TColor> colours = {Rgb(200, 40, 50), Rgb(240, 230, 200), Rgb(30, 60, 120)};
  std::array<TColor, kSlotCount> before{};
  for (int s = 0; s < kSlotCount; ++s) before[static_cast<std::size_t>(s)] = Shade(s, kBase).Color;
  const std::size_t steps = model.History().UndoSteps();
  UseColoursInSlots(model, colours);
  EXPECT_EQ(model.History().UndoSteps(), steps + 1);
  EXPECT_EQ(model.selectedSlot, 4);
  for (std::size_t i = 0; i < colours.size(); ++i) {
    EXPECT_LT(DeltaE(LabOfColour(Shade(static_cast<int>(i), kBase).Color), LabOfColour(colours[i])), 1.0) << i;
  }
  ASSERT_TRUE(model.Undo());
  for (int s = 0; s < kSlotCount; ++s) EXPECT_EQ(Shade(s, kBase).Color, before[static_cast<std::size_t>(s)]) << s;
}

}  // namespace
}  // namespace tintloom
