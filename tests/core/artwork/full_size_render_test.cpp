// The recoloured artwork written as a picture: at scale 1 it must be the
// canvas's own pixels, fitted to a side the canvas's shrink, and a picture
// that cannot be made right must not be made at all.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench/psd_generator.h"
#include "core/artwork/compositor.h"
#include "core/artwork/full_size_render.h"
#include "core/document/artwork_export.h"
#include "core/base/data_files.h"
#include "core/base/file_io.h"
#include "core/formats/png_file.h"
#include "core/document/coordination_model.h"
#include "bench/psd_generator.h"
#include "support/paths.h"
#include "support/recording.h"

namespace tintloom {
namespace {

namespace fs = std::filesystem;
using testing::ScratchPath;

std::string Sample(const char* name) { return (fs::path(TINTLOOM_PSD_SAMPLES) / name).string(); }

class FullSizeRender : public ::testing::Test {
 protected:
  testing::TRecordingViews views;
  testing::TRecordingMessages messages;
  TCoordinationModel model{views, messages};

  void SetUp() override {
    if (!fs::exists(TINTLOOM_PSD_SAMPLES)) GTEST_SKIP() << "no sample folder";
    ASSERT_TRUE(GlobalBlendTable().LoadBlendTable(LocateDataFile(kBlendFileName, testing::ProgramDir())).ok());
    model.ConstructScheme();
    model.Redraw(TCoordinationModel::kRedrawAll);
  }

  // Every layer on a slot of its own with its own levels, and some on blend
  // modes, so that every lookup and table is used.
  void Recolour() {
    for (int i = 0; i < model.LayerCount(); ++i) {
      TLayerMapping& mapping = model.LayerMapping(i);
      mapping.MappedSlot = static_cast<std::int16_t>(i % kRampCount);
      mapping.BaseLevel = static_cast<std::uint8_t>(120 + i * 7 % 100);
      mapping.ShadowLevel = static_cast<std::uint8_t>(20 + i * 11 % 90);
      if (i % 3 == 1) model.RestoreLayerBlendMode(i, i % kBlendModeCount);
      model.BuildLayerLookup(i);
    }
    model.ComposeCanvas();
  }

  TPngPicture Export(const TRenderBackground& background, std::int32_t fitSide = 0) {
    const std::string path = ScratchPath("out.png");
    const Result<TRenderOutcome> written = ExportArtworkPng(model, path, background, fitSide, nullptr);
    EXPECT_TRUE(written.ok()) << (written ? "" : written.error().message);
    Result<TPngPicture> picture = ReadPngFile(path);
    fs::remove(path);
    EXPECT_TRUE(picture.ok());
    return picture ? std::move(picture).value() : TPngPicture{};
  }

  // The artwork surface as the canvas composed it, pixel for pixel.
  void ExpectCanvasPixels(const TPngPicture& picture, const std::string& what) {
    ASSERT_EQ(picture.width, model.Artwork().ArtworkSurface().width) << what;
    ASSERT_EQ(picture.height, model.Artwork().ArtworkSurface().height) << what;
    int differing = 0;
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        const TRgb24 c = model.Artwork().ArtworkSurface().At(x, y);
        const std::uint8_t* p = &picture.rgba[(static_cast<std::size_t>(y) * picture.width + x) * 4];
        if (p[0] != c.red || p[1] != c.green || p[2] != c.blue) ++differing;
      }
    }
    EXPECT_EQ(differing, 0) << what;
  }
};

TEST_F(FullSizeRender, AtScaleOneEverySampleIsTheCanvasPixelForPixel) {
  int compared = 0;
  model.SetBackgroundMode(BackgroundMode::Grey);
  for (const auto& entry : fs::directory_iterator(TINTLOOM_PSD_SAMPLES)) {
    if (entry.path().extension() != ".psd") continue;
    model.OpenSampleArtwork(entry.path().string());
    messages.shown.clear();
    if (model.LayerCount() < 1 || model.Artwork().Document().planesBoxShrunk ||
        std::max(model.Artwork().ArtworkSurface().width, model.Artwork().ArtworkSurface().height) >= kCanvasSize) {
      continue;
    }
    Recolour();
    TRenderBackground background;
    background.colour = model.BackgroundColour();
    ExpectCanvasPixels(Export(background), entry.path().filename().string());
    ++compared;
  }
  EXPECT_GE(compared, 15);
}

TEST_F(FullSizeRender, FittedToTheCanvasSideLargeArtworkIsTheCanvasAndUnfittedItKeepsItsSize) {
  model.SetBackgroundMode(BackgroundMode::Black);
  for (const char* name : {"pt_gray1.psd", "pt_background-red-opacity-80.psd", "pt_group-clipping__group-clipping.psd"}) {
    model.OpenSampleArtwork(Sample(name));
    ASSERT_GT(model.LayerCount(), 0) << name;
    Recolour();
    TRenderBackground background;
    background.colour = model.BackgroundColour();
    ExpectCanvasPixels(Export(background, kCanvasSize), name);
    TPSD header;
    TSilentProgress silent;
    ASSERT_TRUE(LoadFromFile(Sample(name), header, silent, true).ok());
    const TPngPicture full = Export(background);
    EXPECT_EQ(full.width, header.width) << name;
    EXPECT_EQ(full.height, header.height) << name;
  }
}

TEST_F(FullSizeRender, TransparentPictureKeepsTheArtworksOwnCoverageAndColours) {
  // A 100 x 150 layer set with hidden parts and masks: uncovered pixels must
  // come out fully transparent, opaque ones in exactly the canvas colour.
  model.SetBackgroundMode(BackgroundMode::White);
  model.OpenSampleArtwork(Sample("pt_transparentbg-gimp.psd"));
  ASSERT_EQ(model.LayerCount(), 1);
  Recolour();
  TRenderBackground transparent;
  transparent.transparent = true;
  const TPngPicture picture = Export(transparent);
  ASSERT_TRUE(picture.alpha);
  int clear = 0, opaque = 0;
  const TSimpleLayer& layer = model.Artwork().Document().Simples[0];
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const std::uint8_t* p = &picture.rgba[(static_cast<std::size_t>(y) * picture.width + x) * 4];
      const int lx = x - layer.left, ly = y - layer.top;
      const bool inside = lx >= 0 && ly >= 0 && lx < layer.width && ly < layer.height;
      const std::uint8_t a = inside ? layer.Alpha[static_cast<std::size_t>(ly) * layer.width + lx] : 0;
      ASSERT_EQ(p[3], a) << x << "," << y;
      if (a == 0) ++clear;
      if (a == 255) {
        ++opaque;
        const TRgb24 c = model.Artwork().ArtworkSurface().At(x, y);
        ASSERT_EQ(p[0], c.red);
        ASSERT_EQ(p[1], c.green);
        ASSERT_EQ(p[2], c.blue);
      }
    }
  }
  EXPECT_GT(clear, 0);
  EXPECT_GT(opaque, 0);

  // A layer hidden while working covers nothing in the picture either.
  model.SetLayersHidden({0}, true);
  const TPngPicture hidden = Export(transparent);
  int covered = 0;
  for (std::size_t i = 3; i < hidden.rgba.size(); i += 4) covered += hidden.rgba[i] != 0;
  EXPECT_EQ(covered, 0);
}

TEST_F(FullSizeRender, TransparentPictureBlendsEachModeWithTheCoverageBelowIt) {
  // A layer of every mode over three backdrops side by side: nothing
  // (columns 0..15), a half-covering layer (16..31) and an opaque one
  // (32..47); opaque in row 0, at alpha 160 in row 1.
  constexpr int kW = 48;
  const auto grey = [](int x, int) { return (x % 16) * 16 + 5; };
  psdgen::TLayer below(0, 16, 2, kW, {{-1, kW - 16, psdgen::Plane(kW - 16, 2, [](int x, int) { return x < 16 ? 128 : 255; })},
                                      {0, kW - 16, psdgen::Plane(kW - 16, 2, [](int x, int) { return 250 - x * 7; })},
                                      {1, kW - 16, psdgen::Plane(kW - 16, 2, [](int x, int) { return 250 - x * 7; })},
                                      {2, kW - 16, psdgen::Plane(kW - 16, 2, [](int x, int) { return 250 - x * 7; })}});
  psdgen::TLayer over(0, 0, 2, kW, {{-1, kW, psdgen::Plane(kW, 2, [](int, int y) { return y == 0 ? 255 : 160; })},
                                    {0, kW, psdgen::Plane(kW, 2, grey)},
                                    {1, kW, psdgen::Plane(kW, 2, grey)},
                                    {2, kW, psdgen::Plane(kW, 2, grey)}});
  below.name = "below";
  over.name = "over";
  const std::string file = ScratchPath("modes.psd");
  {
    const std::vector<std::uint8_t> bytes = psdgen::MakePsd(kW, 2, 3, {below, over});
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  ASSERT_TRUE(model.OpenSampleArtwork(file));
  ASSERT_EQ(model.LayerCount(), 2);
  model.LayerMapping(0).MappedSlot = 3;
  model.LayerMapping(1).MappedSlot = 0;
  model.BuildLayerLookup(0);
  model.BuildLayerLookup(1);
  const auto colourOf = [this](int layer, std::uint8_t level) { return *model.Artwork().Mapping(layer).Lookup[level]; };
  const auto at = [](const TPngPicture& p, int x, int y, int k) {
    return static_cast<int>(p.rgba[(static_cast<std::size_t>(y) * p.width + x) * 4 + k]);
  };
  TRenderBackground transparent;
  transparent.transparent = true;
  for (int mode = kBlendNormal; mode < kBlendModeCount; ++mode) {
    model.RestoreLayerBlendMode(1, mode);
    const TPngPicture picture = Export(transparent);
    ASSERT_EQ(picture.width, kW);
    const std::uint8_t* table = mode == kBlendNormal ? nullptr : GlobalBlendTable().Table(mode);
    for (const TColor under : {TColor{0xFFFFFF}, TColor{0x000000}, TColor{0x808080}}) {
      TRenderBackground colour;
      colour.colour = under;
      const TPngPicture onColour = Export(colour);
      for (int y = 0; y < 2; ++y) {
        const int a = y == 0 ? 255 : 160;
        for (int x = 0; x < kW; ++x) {
          const std::string where = "mode " + std::to_string(mode) + " at " + std::to_string(x) + "," + std::to_string(y) +
                                    " under " + std::to_string(under);
          const TRgb24 s = colourOf(1, static_cast<std::uint8_t>(grey(x, y)));
          const int source[3] = {s.red, s.green, s.blue};
          if (x >= 32) {
            // Over a covered backdrop the picture is the canvas's pixel, on any colour.
            ASSERT_EQ(at(picture, x, y, 3), 255) << where;
            for (int k = 0; k < 3; ++k) ASSERT_EQ(at(picture, x, y, k), at(onColour, x, y, k)) << where;
          } else if (x < 16) {
            // Over nothing the layer shows its own colour at its own alpha.
            ASSERT_EQ(at(picture, x, y, 3), a) << where;
            for (int k = 0; k < 3; ++k) ASSERT_EQ(at(picture, x, y, k), source[k]) << where;
          } else {
            // Over half coverage: Cs' = (1 - ab) Cs + ab B(Cb, Cs), laid over the backdrop.
            const double ab = 128.0 / 255.0, as = a / 255.0;
            const TRgb24 b = colourOf(0, static_cast<std::uint8_t>(250 - (x - 16) * 7));
            const int backdrop[3] = {b.red, b.green, b.blue};
            const double ao = as + ab * (1 - as);
            EXPECT_NEAR(at(picture, x, y, 3), ao * 255, 1.0) << where;
            for (int k = 0; k < 3; ++k) {
              const int blended = table == nullptr ? source[k] : table[backdrop[k] * 256 + source[k]];
              const double weighted = (1 - ab) * source[k] + ab * blended;
              const double expected = (as * weighted + ab * (1 - as) * backdrop[k]) / ao;
              ASSERT_NEAR(at(picture, x, y, k), expected, 1.0) << where;
            }
          }
          if (mode == kBlendNormal) {
            // Normal layers laid over any colour give the picture made on it.
            const int alpha = at(picture, x, y, 3);
            const int underRgb[3] = {static_cast<int>(under & 0xFF), static_cast<int>(under >> 8 & 0xFF),
                                     static_cast<int>(under >> 16 & 0xFF)};
            for (int k = 0; k < 3; ++k) {
              const double laid = (at(picture, x, y, k) * alpha + underRgb[k] * (255 - alpha)) / 255.0;
              ASSERT_NEAR(laid, at(onColour, x, y, k), 1.5) << where;
            }
          }
        }
      }
    }
  }
  fs::remove(file);
}

TEST_F(FullSizeRender, AChangedOrCutFileACancelOrAnUnwritableTargetLeavesNoPicture) {
  const std::string copy = ScratchPath("art.psd");
  fs::copy_file(Sample("pt_clipping-mask.psd"), copy, fs::copy_options::overwrite_existing);
  model.OpenSampleArtwork(copy);
  ASSERT_GT(model.LayerCount(), 0);
  const std::string target = ScratchPath("kept.png");
  {
    std::ofstream(target) << "previous";
  }
  // Cancelled after the first band: the previous file stays as it was.
  const Result<TRenderOutcome> cancelled =
      ExportArtworkPng(model, target, {}, 0, [](std::int32_t done, std::int32_t) { return done == 0; });
  ASSERT_TRUE(cancelled.ok());
  EXPECT_EQ(*cancelled, TRenderOutcome::kCancelled);
  EXPECT_EQ(ReadWholeFile(target, 100).value().size(), 8u);

  // The file cut short by another program while the bands read it: a read
  // error, not a crash, and the previous file stays.
  const Result<TRenderOutcome> cut = ExportArtworkPng(model, target, {}, 0, [&copy](std::int32_t done, std::int32_t) {
    if (done > 0) fs::resize_file(copy, 0);
    return true;
  });
  ASSERT_FALSE(cut.ok());
  EXPECT_EQ(cut.error().message, "ファイルが途中で終わっています.\n->" + copy);
  EXPECT_EQ(ReadWholeFile(target, 100).value().size(), 8u);

  // The file replaced by another since it was opened: the mappings would fall
  // on other layers, so nothing is written.
  fs::copy_file(Sample("pt_hidden-layer.psd"), copy, fs::copy_options::overwrite_existing);
  const Result<TRenderOutcome> changed = ExportArtworkPng(model, target, {}, 0, nullptr);
  ASSERT_FALSE(changed.ok());
  EXPECT_EQ(changed.error().message, kArtworkChangedMessage);
  EXPECT_EQ(ReadWholeFile(target, 100).value().size(), 8u);

  fs::copy_file(Sample("pt_clipping-mask.psd"), copy, fs::copy_options::overwrite_existing);
  const Result<TRenderOutcome> unwritable = ExportArtworkPng(model, "/nonexistent-folder/x.png", {}, 0, nullptr);
  ASSERT_FALSE(unwritable.ok());
  EXPECT_EQ(unwritable.error().message, kFileAccessMessage);
  for (const auto& entry : fs::directory_iterator(fs::path(target).parent_path())) {
    EXPECT_EQ(entry.path().filename().string().find(".kept.png.tmp"), std::string::npos);
  }
  fs::remove(copy);
  fs::remove(target);
}

// The rows a render hands out, kept.
class TKeptRows final : public TRowSink {
 public:
  Result<> Begin(std::int32_t w, std::int32_t h, bool a) override {
    width = w;
    height = h;
    alpha = a;
    return Ok();
  }
  Result<> WriteRow(const std::uint8_t* row) override {
    bytes.insert(bytes.end(), row, row + static_cast<std::size_t>(width) * (alpha ? 4 : 3));
    return Ok();
  }
  std::int32_t width = 0, height = 0;
  bool alpha = false;
  std::vector<std::uint8_t> bytes;
};

// The artwork as the canvas opens it (the document the render checks the
// file against) and a mapping for each of its working layers.
struct TOpened {
  TPSD shown;
  std::vector<TArtworkLayer> layers;
};
TOpened OpenAsCanvas(const std::string& path) {
  TOpened opened;
  TSilentProgress silent;
  TSilentMessages quiet;
  static const TBlendTable blend;
  EXPECT_TRUE(LoadFromFile(path, opened.shown, silent, true).ok());
  EXPECT_TRUE(ReduceLayers(opened.shown, blend, silent, quiet, true, true).ok());
  ShrinkToCanvas(opened.shown, silent);
  opened.layers.resize(static_cast<std::size_t>(opened.shown.workingLayerCount));
  for (std::size_t i = 0; i < opened.layers.size(); ++i) opened.layers[i].mapping.MappedSlot = static_cast<std::int16_t>(i);
  return opened;
}

// Made in bands of rows, the fitted picture must be the document fitted
// whole and composed at once, byte for byte, whatever the scale: each band
// reads and shrinks only the rows that reach it, and a window of the shrink
// that straddles two bands, or a layer's sub-pixel shift across a band's
// first row, must come out as in the whole. Large sides used to build the
// whole fitted picture at once (nearly 400 MB for 30000 x 4095 fitted to
// 29999); a very wide, very low document fitted to a side lost its only
// row to rounding and failed with the memory message.
TEST(FittedRender, MadeInBandsItIsTheWholeFittedDocumentAndKeepsAtLeastOneRow) {
  using psdgen::Plane;
  std::vector<psdgen::TLayer> layers;
  const auto pattern = [](int seed) {
    return [seed](int x, int y) { return (x * (3 + seed) + y * (5 + 2 * seed) + (x / 7 ^ y / 5) * 31) & 0xFF; };
  };
  const auto layer = [&](int top, int left, int bottom, int right, int seed) {
    psdgen::TLayer l(top, left, bottom, right);
    const int w = right - left, h = bottom - top;
    for (std::int16_t id : {-1, 0, 1, 2}) l.channels.emplace_back(id, w, Plane(w, h, pattern(seed + id)));
    l.name = "layer" + std::to_string(seed);
    return l;
  };
  layers.push_back(layer(0, 0, 701, 1003, 0));
  layers.push_back(layer(113, -37, 913, 463, 1));  // beyond the left and bottom edges
  layers.push_back(layer(51, 47, 352, 349, 2));
  layers.back().clipping = 1;
  layers.push_back(layer(699, 1001, 700, 1002, 3));  // one pixel near the corner
  const std::string path = ScratchPath("fitted.psd");
  ASSERT_TRUE(ReplaceFileContents(path, psdgen::MakePsd(1003, 701, kPsdColourRgb, layers)).ok());
  const TOpened opened = OpenAsCanvas(path);
  ASSERT_EQ(opened.shown.workingLayerCount, 3);
  static const TBlendTable blend;
  TRenderBackground background;
  background.colour = 0x203040;
  for (const std::int32_t side : {1002, 997, 650, 333, 64, 7}) {
    TKeptRows rows;
    const Result<TRenderOutcome> rendered =
        RenderArtwork(path, opened.shown, opened.layers, blend, background, side, rows, nullptr);
    ASSERT_TRUE(rendered.ok()) << side << ": " << rendered.error().message;
    // The whole document fitted, then composed on one surface.
    TPSD whole;
    TSilentProgress silent;
    TSilentMessages quiet;
    ASSERT_TRUE(LoadFromFile(path, whole, silent, true).ok());
    whole.fitSide = side;
    ASSERT_TRUE(ReduceLayers(whole, blend, silent, quiet, true, true).ok());
    ShrinkToCanvas(whole, silent);
    ASSERT_EQ(rows.width, whole.width) << side;
    ASSERT_EQ(rows.height, whole.height) << side;
    TSurface surface;
    ASSERT_TRUE(surface.Create(whole.width, whole.height));
    FillRect(surface, 0, 0, whole.width, whole.height, background.colour);
    CompositeArtwork(whole, surface, opened.layers, blend);
    std::int64_t differing = 0;
    for (std::int32_t y = 0; y < whole.height; ++y) {
      for (std::int32_t x = 0; x < whole.width; ++x) {
        const TRgb24 c = surface.At(x, y);
        const std::uint8_t* p = &rows.bytes[(static_cast<std::size_t>(y) * whole.width + x) * 3];
        differing += p[0] != c.red || p[1] != c.green || p[2] != c.blue;
      }
    }
    EXPECT_EQ(differing, 0) << side;
  }

  // 30000 x 2 fitted to 601 (and on the canvas): one row, not none.
  psdgen::TLayer thin(0, 0, 2, 30000);
  thin.channels.emplace_back(0, 30000, Plane(30000, 2, [](int x, int) { return x & 0xFF; }));
  thin.name = "thin";
  ASSERT_TRUE(ReplaceFileContents(path, psdgen::MakePsd(30000, 2, kPsdColourGrey, {thin})).ok());
  const TOpened thinOpened = OpenAsCanvas(path);
  EXPECT_EQ(thinOpened.shown.width, 600);
  EXPECT_EQ(thinOpened.shown.height, 1);
  TRenderBackground transparent;
  transparent.transparent = true;
  TKeptRows rows;
  const Result<TRenderOutcome> rendered =
      RenderArtwork(path, thinOpened.shown, thinOpened.layers, blend, transparent, 601, rows, nullptr);
  ASSERT_TRUE(rendered.ok()) << rendered.error().message;
  EXPECT_EQ(rows.width, 601);
  EXPECT_EQ(rows.height, 1);
  fs::remove(path);
}

}  // namespace
}  // namespace tintloom
