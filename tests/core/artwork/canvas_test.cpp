#include <gtest/gtest.h>

#include "core/artwork/compositor.h"
#include "support/artwork.h"
#include "support/model_fixture.h"

namespace tintloom {
namespace {

class CanvasTest : public testing::ModelFixture {
 protected:
  std::ptrdiff_t Entry(const TLayerMapping& m, int grey) { return m.Lookup[static_cast<std::size_t>(grey)] - &model.Ramp(m.MappedSlot)[0]; }
  TLayerMapping& Layer(int mapped, int base, int shadow) {
    testing::Raw(model).artworkLayers.clear();
    testing::Raw(model).artworkLayers.resize(1);
    TLayerMapping& m = model.LayerMapping(0);
    m.MappedSlot = static_cast<std::int16_t>(mapped);
    m.BaseLevel = static_cast<std::uint8_t>(base);
    m.ShadowLevel = static_cast<std::uint8_t>(shadow);
    model.BuildLayerLookup(0);
    return m;
  }
};

TEST_F(CanvasTest, FixedRamps) {
  model.BuildSlotRamp(kGreyRamp);
  EXPECT_EQ(model.Ramp(kGreyRamp)[767], (TRgb24{255, 255, 255}));
  EXPECT_EQ(model.Ramp(kGreyRamp)[384], (TRgb24{127, 127, 127}));
  EXPECT_EQ(model.Ramp(kGreyRamp)[0], (TRgb24{0, 0, 0}));
  model.BuildSlotRamp(kBlackRamp);
  model.BuildSlotRamp(kWhiteRamp);
  EXPECT_EQ(model.Ramp(kBlackRamp)[700], (TRgb24{0, 0, 0}));
  EXPECT_EQ(model.Ramp(kWhiteRamp)[3], (TRgb24{255, 255, 255}));
}

TEST_F(CanvasTest, SlotRampRunsDeepShadowShadowBaseHighlight) {
  TColorSlot& slot = model.SlotAt(4);
  slot.shades[kDeepShadow].LitColor = 0x000010;
  slot.shades[kShadow].LitColor = 0x000080;
  slot.shades[kBase].LitColor = 0x0000C0;
  slot.shades[kHighlight].LitColor = 0x0000FF;
  model.BuildSlotRamp(4);
  const TRamp& r = model.Ramp(4);
  EXPECT_EQ(r[0].red, 0x10);
  EXPECT_EQ(r[255].red, 0x80);
  EXPECT_EQ(r[256].red, 0x80);
  EXPECT_EQ(r[511].red, 0xC0);
  EXPECT_EQ(r[512].red, 0xC0);
  EXPECT_EQ(r[767].red, 0xFF);
  EXPECT_EQ(r[512 + 128].red, 0xC0 + 128 * 0x3F / 255);
  // A falling channel truncates toward zero: 0x80 + 1 x (0 - 0x80) / 255 = 0x80 - 0.
  slot.shades[kBase].LitColor = 0x000000;
  model.BuildSlotRamp(4);
  EXPECT_EQ(model.Ramp(4)[257].red, 0x80);
  EXPECT_EQ(model.Ramp(4)[258].red, 0x80 - 1);
}

TEST_F(CanvasTest, LayerLookupSegments) {
  const TLayerMapping& standard = Layer(3, 170, 85);
  EXPECT_EQ(Entry(standard, 255), 767);
  EXPECT_EQ(Entry(standard, 170), 512);
  EXPECT_EQ(Entry(standard, 169), 256 + 252);  // 84/85 x 255 = 252
  EXPECT_EQ(Entry(standard, 85), 256);
  EXPECT_EQ(Entry(standard, 84), 252);
  EXPECT_EQ(Entry(standard, 0), 0);

  const TLayerMapping& top = Layer(3, 255, 85);
  EXPECT_EQ(Entry(top, 255), 512);  // base level 255: the base itself
  EXPECT_EQ(Entry(top, 254), 256 + 253);

  const TLayerMapping& equal = Layer(3, 100, 100);
  EXPECT_EQ(Entry(equal, 100), 512);  // empty middle segment
  EXPECT_EQ(Entry(equal, 99), 252);

  const TLayerMapping& noShadow = Layer(3, 128, 0);
  EXPECT_EQ(Entry(noShadow, 0), 256);  // grey 0 maps into the middle segment

  const TLayerMapping& grey = Layer(kGreyRamp, 170, 85);
  EXPECT_EQ(grey.Lookup[255], &model.Ramp(kGreyRamp)[767]);

  // A shadow level above the base level never reaches outside the ramp.
  const TLayerMapping& inverted = Layer(3, 50, 200);
  for (int g = 0; g < 256; ++g) {
    EXPECT_GE(Entry(inverted, g), 0);
    EXPECT_LT(Entry(inverted, g), 768);
  }
}

TEST_F(CanvasTest, ComposeWithoutArtworkFillsTheBackgroundAndFrame) {
  model.ComposeCanvas();
  const TSurface& c = model.Canvas();
  EXPECT_EQ(FromRgb24(c.At(0, 0)), 0x000000u);      // frame
  EXPECT_EQ(FromRgb24(c.At(599, 300)), 0x000000u);
  EXPECT_EQ(FromRgb24(c.At(1, 1)), 0xD0D0D0u);      // checker, light square
  EXPECT_EQ(FromRgb24(c.At(9, 1)), 0xFFFFFFu);
  EXPECT_EQ(FromRgb24(c.At(9, 9)), 0xD0D0D0u);
  EXPECT_EQ(FromRgb24(c.At(17, 1)), 0xD0D0D0u);     // pattern repeats every 16
  EXPECT_EQ(views.canvasShows, 1);

  model.SetBackgroundMode(BackgroundMode::Grey);
  EXPECT_EQ(FromRgb24(c.At(300, 300)), 0x808080u);
  model.SetLightColors(TColorF(120, 1, 1), TColorF(0, 0, 1));
  model.SetBackgroundMode(BackgroundMode::Ambient);  // whether or not light balance is on
  EXPECT_EQ(FromRgb24(c.At(300, 300)), 0x00FF00u);
  model.SetBackgroundMode(BackgroundMode::Black);
  EXPECT_EQ(FromRgb24(c.At(300, 300)), 0x000000u);
}

TEST_F(CanvasTest, ComposeCentresTheArtworkOverItsBackground) {
  // A 101 x 50 artwork whose one layer is black except for a transparent
  // first column, which must show the background that lay under it.
  TSimpleLayer layer = testing::SolidLayer(0, 0, 101, 50, 0, 255);
  for (int y = 0; y < 50; ++y) layer.Alpha[static_cast<std::size_t>(y * 101)] = 0;
  testing::LoadLayers(model, 101, 50, [&] {
    std::vector<TSimpleLayer> layers;
    layers.push_back(std::move(layer));
    return layers;
  }());
  model.SetBackgroundMode(BackgroundMode::White);  // composes
  const TSurface& c = model.Canvas();
  // x = 300 - 50 = 250, y = 300 - 25 = 275
  EXPECT_EQ(FromRgb24(c.At(250, 275)), 0xFFFFFFu);
  EXPECT_EQ(FromRgb24(c.At(251, 275)), 0x000000u);
  EXPECT_EQ(FromRgb24(c.At(350, 324)), 0x000000u);
  EXPECT_EQ(FromRgb24(c.At(350, 325)), 0xFFFFFFu);
  EXPECT_EQ(FromRgb24(c.At(351, 300)), 0xFFFFFFu);
  EXPECT_EQ(model.Artwork().Origin().x, 250);
  EXPECT_EQ(model.Artwork().Origin().y, 275);
  EXPECT_EQ(views.canvasShows, 1);
}

// A layer whose every pixel differs: grey and alpha from its position.
TSimpleLayer PatternLayer(int w, int h) {
  TSimpleLayer layer = testing::SolidLayer(0, 0, w, h, 0, 255);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      layer.Pixel[static_cast<std::size_t>(y * w + x)] = static_cast<std::uint8_t>(x * 5 + y * 3);
      layer.Alpha[static_cast<std::size_t>(y * w + x)] = static_cast<std::uint8_t>((x + y) % 3 == 0 ? 90 : 255);
    }
  }
  return layer;
}

TEST_F(CanvasTest, ZoomedSmallArtworkIsTheOneToOneCanvasEnlargedAndPicksWhatIsShown) {
  testing::LoadLayers(model, 50, 50, [] {
    std::vector<TSimpleLayer> layers;
    layers.push_back(PatternLayer(50, 50));
    return layers;
  }());
  BuildPickImage(testing::Raw(model).document, testing::Raw(model).pickSurface, GlobalBlendTable());
  model.SetBackgroundMode(BackgroundMode::White);  // zoom off as at every start
  ASSERT_EQ(model.Artwork().Origin().x, 275);
  TSurface plain;
  plain.Create(50, 50);
  CopyRect(plain, 0, 0, model.Canvas(), 275, 275, 50, 50);

  model.SetZoomSmallArtwork(true);
  ASSERT_EQ(model.ArtworkZoom(), 12);
  EXPECT_EQ(model.Artwork().Origin().x, 0);
  int differing = 0;
  for (int y = 1; y < kCanvasSize - 1; ++y) {  // inside the frame
    for (int x = 1; x < kCanvasSize - 1; ++x) differing += model.Canvas().At(x, y) != plain.At(x / 12, y / 12);
  }
  EXPECT_EQ(differing, 0);

  // Over the checker its squares keep their size: the white ones show the
  // same blocks, the grey ones the artwork over grey where it lets them through.
  model.SetBackgroundMode(BackgroundMode::Checker);
  int whiteDiffering = 0, shadeDiffering = 0;
  for (int y = 1; y < kCanvasSize - 1; ++y) {
    for (int x = 1; x < kCanvasSize - 1; ++x) {
      const bool shade = model.CheckerBrush().At(x % 16, y % 16) != TRgb24{255, 255, 255};
      (shade ? shadeDiffering : whiteDiffering) += model.Canvas().At(x, y) != plain.At(x / 12, y / 12);
    }
  }
  EXPECT_EQ(whiteDiffering, 0);
  EXPECT_GT(shadeDiffering, 0);
  // The canvas copy takes the artwork as shown.
  ASSERT_EQ(model.Artwork().ZoomedSurface().width, 600);
  EXPECT_EQ(model.Artwork().ZoomedSurface().At(300, 301), model.Canvas().At(300, 301));

  // A level pick on any pixel of a block takes that artwork pixel's level.
  model.SelectLayer(0);
  model.PickLevelAt(false, 7 * 12 + 11, 9 * 12);
  EXPECT_EQ(model.LayerMapping(0).BaseLevel, model.Artwork().PickSurface().At(7, 9).red);
  EXPECT_EQ(model.LayerMapping(0).BaseLevel, 7 * 5 + 9 * 3);

  // 40 x 30 fits 15 times (600 x 450, from y 75): the row above the artwork
  // picks nothing rather than its first row.
  testing::LoadLayers(model, 40, 30, [] {
    std::vector<TSimpleLayer> layers;
    layers.push_back(PatternLayer(40, 30));
    return layers;
  }());
  BuildPickImage(testing::Raw(model).document, testing::Raw(model).pickSurface, GlobalBlendTable());
  model.ComposeCanvas();
  ASSERT_EQ(model.ArtworkZoom(), 15);
  EXPECT_EQ(model.Artwork().Origin().y, 75);
  model.SelectLayer(0);
  model.PickLevelAt(false, 3 * 15, 74);
  EXPECT_EQ(model.LayerMapping(0).BaseLevel, 170);
  model.PickLevelAt(false, 3 * 15, 75 + 29 * 15 + 14);
  EXPECT_EQ(model.LayerMapping(0).BaseLevel, 3 * 5 + 29 * 3);

  // Larger than 300 on a side: shown 1:1 whatever the setting.
  EXPECT_EQ(ArtworkZoom(301, 20), 1);
  EXPECT_EQ(ArtworkZoom(300, 300), 2);
}

}  // namespace
}  // namespace tintloom
