#include "core/artwork/compositor.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/artwork/band_workers.h"
#include "core/document/coordination_model.h"
#include "support/artwork.h"
#include "support/recording.h"

namespace tintloom {
namespace {

using testing::SolidLayer;

constexpr std::int16_t kTestMode = 0;  // the one table the test blend file holds

// A blend table whose mode 0 gives 255 - source, so a table blend can never be
// mistaken for a normal one; the modes a short file lacks give the source.
void LoadTestTable(TBlendTable& t) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("compositor_bm_" + std::to_string(::getpid()) + ".dat")).string();
    std::vector<std::uint8_t> bytes(kBlendTableSize);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(255 - i % 256);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    EXPECT_TRUE(t.LoadBlendTable(path).ok());
    std::filesystem::remove(path);
}

const TBlendTable& TestBlendTable() {
  static TBlendTable table = [] {
    TBlendTable t;
    LoadTestTable(t);
    return t;
  }();
  return table;
}

class CompositorTest : public ::testing::Test {
 protected:
  testing::TRecordingViews views;
  testing::TRecordingMessages messages;
  TCoordinationModel model{views, messages};

  void SetUp() override { ASSERT_TRUE(TestBlendTable().Loaded()); }

  // One layer mapped to `ramp`, composed over a 1 x 1 surface of `backdrop`.
  int ComposeOne(int ramp, std::uint8_t grey, std::uint8_t alpha, std::int16_t blend, std::uint8_t backdrop) {
    std::vector<TSimpleLayer> layers;
    layers.push_back(SolidLayer(0, 0, 1, 1, grey, alpha, blend));
    testing::LoadLayers(model, 1, 1, std::move(layers));
    model.LayerMapping(0).MappedSlot = static_cast<std::int16_t>(ramp);
    model.BuildLayerLookup(0);
    testing::Raw(model).artworkSurface.At(0, 0) = TRgb24{backdrop, backdrop, backdrop};
    CompositeArtwork(model.Artwork().Document(), testing::Raw(model).artworkSurface, model.Artwork().Layers(),
                     TestBlendTable());
    const TRgb24 p = model.Artwork().ArtworkSurface().At(0, 0);
    EXPECT_TRUE(p.blue == p.red && p.green == p.red);
    return p.red;
  }
};

TEST_F(CompositorTest, OnePixelThroughRampAlphaAndMode) {
  struct Case {
    const char* what;
    int ramp;
    std::uint8_t grey, alpha;
    std::int16_t blend;
    std::uint8_t backdrop;
    int expected;
  };
  const Case cases[] = {
      {"black layer paints black whatever its grey", kBlackRamp, 200, 255, kBlendNormal, 77, 0},
      {"white layer paints white whatever its grey", kWhiteRamp, 3, 255, kBlendNormal, 77, 255},
      {"alpha 128, colour 255 over 0", kWhiteRamp, 9, 128, kBlendNormal, 0, 128},
      {"alpha 128, colour 0 over 255: 255 - 128", kBlackRamp, 9, 128, kBlendNormal, 255, 127},
      {"alpha 0 leaves the backdrop", kBlackRamp, 9, 0, kBlendNormal, 200, 200},
      {"grey ramp keeps grey 0", kGreyRamp, 0, 255, kBlendNormal, 99, 0},
      {"grey ramp keeps the shadow level", kGreyRamp, 85, 255, kBlendNormal, 99, 85},
      {"grey ramp keeps the base level", kGreyRamp, 170, 255, kBlendNormal, 99, 170},
      {"grey ramp keeps white", kGreyRamp, 255, 255, kBlendNormal, 99, 255},
      {"table result replaces an opaque pixel", kBlackRamp, 0, 255, kTestMode, 100, 255},
      // 100 + (255 - 100) * 128 / 255 = 100 + 77
      {"table result mixed by alpha", kBlackRamp, 0, 128, kTestMode, 100, 177},
      // falling: 200 + (0 - 200) * 100 / 255 = 200 - 78 (toward zero, not 79)
      {"table mix truncates toward zero", kWhiteRamp, 0, 100, kTestMode, 200, 122},
      {"a mode the table lacks draws as normal", kWhiteRamp, 0, 128, 5, 0, 128},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ComposeOne(c.ramp, c.grey, c.alpha, c.blend, c.backdrop), c.expected) << c.what;
  }
}

TEST_F(CompositorTest, LaterLayersDrawOverEarlierOnes) {
  std::vector<TSimpleLayer> layers;
  layers.push_back(SolidLayer(0, 0, 2, 1, 0, 255));
  layers.push_back(SolidLayer(1, 0, 1, 1, 0, 128));
  testing::LoadLayers(model, 2, 1, std::move(layers));
  model.LayerMapping(0).MappedSlot = kWhiteRamp;
  model.BuildLayerLookup(0);
  model.LayerMapping(1).MappedSlot = kBlackRamp;
  model.BuildLayerLookup(1);
  CompositeArtwork(model.Artwork().Document(), testing::Raw(model).artworkSurface, model.Artwork().Layers(),
                   TestBlendTable());
  EXPECT_EQ(model.Artwork().ArtworkSurface().At(0, 0).red, 255);
  EXPECT_EQ(model.Artwork().ArtworkSurface().At(1, 0).red, 127);
}

// A 4 x 4 surface whose rows sit inside a 6 x 6 bitmap: the one-pixel ring
// around it is a guard that no layer may touch.
struct GuardedSurface {
  TSurface backing;
  TSurface inner;
  GuardedSurface() {
    backing.Create(6, 6);
    FillAll(backing, 0x123456);
    inner.width = 4;
    inner.height = 4;
    inner.stride = backing.stride;
    for (int y = 0; y < 4; ++y) inner.rows.push_back(&backing.At(1, y + 1));
    FillAll(inner, 0xFFFFFF);
  }
  bool GuardIntact() const {
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 6; ++x) {
        const bool ring = x == 0 || y == 0 || x == 5 || y == 5;
        if (ring && FromRgb24(backing.At(x, y)) != 0x123456u) return false;
      }
    }
    return true;
  }
  // Inner pixels painted black, as a string of rows: '#' black, '.' white.
  std::string Painted() const {
    std::string s;
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) s += inner.At(x, y).red == 0 ? '#' : '.';
      s += '/';
    }
    return s;
  }
};

TEST_F(CompositorTest, LayersPartlyOutsideAreClippedToTheSurface) {
  struct Case {
    const char* what;
    int left, top, w, h;
    const char* painted;
  };
  const Case cases[] = {
      {"negative left and top", -2, -1, 4, 3, "##../##../..../..../"},
      {"past the right and bottom", 2, 3, 5, 4, "..../..../..../..##/"},
      {"larger than the surface on every side", -3, -3, 10, 10, "####/####/####/####/"},
      {"wholly left", -6, 0, 5, 4, "..../..../..../..../"},
      {"wholly below", 0, 4, 4, 9, "..../..../..../..../"},
      {"wholly right", 4, 0, 3, 4, "..../..../..../..../"},
  };
  for (const Case& c : cases) {
    for (bool pick : {false, true}) {
      GuardedSurface target;
      std::vector<TSimpleLayer> layers;
      layers.push_back(SolidLayer(c.left, c.top, c.w, c.h, 0, 255));
      testing::LoadLayers(model, 4, 4, std::move(layers));
      model.LayerMapping(0).MappedSlot = kBlackRamp;
      model.BuildLayerLookup(0);
      if (pick) {
        BuildPickImage(model.Artwork().Document(), target.inner, TestBlendTable());
      } else {
        CompositeArtwork(model.Artwork().Document(), target.inner, model.Artwork().Layers(), TestBlendTable());
      }
      EXPECT_EQ(target.Painted(), c.painted) << c.what << (pick ? " (pick image)" : "");
      EXPECT_TRUE(target.GuardIntact()) << c.what << (pick ? " (pick image)" : "");
    }
  }
}

TEST_F(CompositorTest, PickImageHoldsGreyLevelsOverWhite) {
  std::vector<TSimpleLayer> layers;
  layers.push_back(SolidLayer(0, 0, 1, 1, 100, 255));
  // 255 + (100 - 255) * 128 / 255 = 255 - 77: truncated toward zero, not down
  layers.push_back(SolidLayer(1, 0, 1, 1, 100, 128));
  layers.push_back(SolidLayer(2, 0, 1, 1, 100, 0));
  // table: 255 + (T[255][40] - 255) * 255 / 255 = 215
  layers.push_back(SolidLayer(3, 0, 1, 1, 40, 255, kTestMode));
  TPSD document;
  testing::SetWorkingLayers(document, std::move(layers));
  TSurface pick;
  pick.Create(5, 1);
  BuildPickImage(document, pick, TestBlendTable());
  const int expected[5] = {100, 178, 255, 215, 255};
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(pick.At(x, 0).red, expected[x]) << x;
    EXPECT_EQ(pick.At(x, 0).green, expected[x]) << x;
    EXPECT_EQ(pick.At(x, 0).blue, expected[x]) << x;
  }
}

TEST_F(CompositorTest, ABlendModeChangeReachesTheCanvasButNotThePickImage) {
  LoadTestTable(GlobalBlendTable());  // the canvas composes through the global table
  std::vector<TSimpleLayer> layers;
  layers.push_back(SolidLayer(0, 0, 2, 2, 60, 255));
  testing::LoadLayers(model, 2, 2, std::move(layers));
  BuildPickImage(testing::Raw(model).document, testing::Raw(model).pickSurface, GlobalBlendTable());
  model.SetBackgroundMode(BackgroundMode::White);
  model.ComposeCanvas();
  const TRgb24 before = model.Artwork().ArtworkSurface().At(0, 0);
  testing::Raw(model).selectedLayer = 0;
  model.SetLayerBlendMode(kTestMode);
  EXPECT_EQ(model.LayerBlendMode(0), kTestMode);
  EXPECT_EQ(model.Artwork().PickSurface().At(0, 0).red, 60);
  EXPECT_NE(model.Artwork().ArtworkSurface().At(0, 0), before);
  // Nor when the pick image is built again for a layer hidden and shown.
  model.SetLayersHidden({0}, true);
  model.SetLayersHidden({0}, false);
  EXPECT_EQ(model.Artwork().PickSurface().At(0, 0).red, 60);
}

TEST_F(CompositorTest, HiddenLayersDropOutOfCanvasAndPickImageByteForByte) {
  LoadTestTable(GlobalBlendTable());
  // Overlapping layers, some half transparent, one through a table mode.
  const auto layers = [](std::initializer_list<int> keep) {
    const std::vector<TSimpleLayer> all = {
        SolidLayer(0, 0, 40, 30, 200, 255), SolidLayer(5, 3, 20, 20, 90, 128, kTestMode),
        SolidLayer(10, 8, 30, 15, 30, 200), SolidLayer(-4, 12, 25, 30, 150, 77)};
    std::vector<TSimpleLayer> kept;
    for (const int i : keep) kept.push_back(all[static_cast<std::size_t>(i)]);
    return kept;
  };
  const auto load = [&](TCoordinationModel& m, std::initializer_list<int> keep) {
    testing::LoadLayers(m, 40, 30, layers(keep));
    BuildPickImage(testing::Raw(m).document, testing::Raw(m).pickSurface, GlobalBlendTable());
    m.SetBackgroundMode(BackgroundMode::Checker);
  };
  const auto sameBytes = [](const TSurface& a, const TSurface& b) {
    return a.width == b.width && a.height == b.height && a.bitmap == b.bitmap;
  };
  load(model, {0, 1, 2, 3});
  testing::Raw(model).selectedLayer = 2;
  model.SelectSlot(3);
  model.ComposeCanvas();
  const std::vector<std::uint8_t> shown = model.Canvas().bitmap;
  const std::vector<std::uint8_t> shownPick = model.Artwork().PickSurface().bitmap;

  testing::TRecordingViews otherViews;
  testing::TRecordingMessages otherMessages;
  TCoordinationModel without{otherViews, otherMessages};
  load(without, {0, 2});
  testing::Raw(without).selectedLayer = 1;
  without.SelectSlot(3);
  without.ComposeCanvas();

  model.SetLayersHidden({1, 3}, true);
  EXPECT_TRUE(model.LayerHidden(1));
  EXPECT_FALSE(model.LayerHidden(2));
  EXPECT_TRUE(sameBytes(model.Canvas(), without.Canvas()));
  EXPECT_TRUE(sameBytes(model.Artwork().PickSurface(), without.Artwork().PickSurface()));
  EXPECT_EQ(model.LayerMapping(2).MappedSlot, 3);

  // Shown again, everything is as before; the mappings were kept throughout.
  model.SetLayersHidden({1, 3}, false);
  EXPECT_EQ(model.Canvas().bitmap, shown);
  EXPECT_EQ(model.Artwork().PickSurface().bitmap, shownPick);
}

TEST_F(CompositorTest, LayerOperationsIgnoreASelectionPastTheLayers) {
  std::vector<TSimpleLayer> layers;
  layers.push_back(SolidLayer(0, 0, 1, 1, 60, 255));
  testing::LoadLayers(model, 1, 1, std::move(layers));
  // Records of an earlier, larger artwork outlive an empty document.
  testing::Raw(model).artworkLayers.resize(3);
  testing::Raw(model).selectedLayer = 2;
  model.SetLayerBlendMode(kTestMode);
  model.SetLayerBaseLevel(10);
  EXPECT_EQ(model.LayerMapping(2).BaseLevel, 170);
  testing::Raw(model).selectedLayer = 0;
  model.SetLayerBlendMode(99);  // no such mode
  EXPECT_EQ(model.LayerBlendMode(0), kBlendNormal);
}

TEST_F(CompositorTest, InitLayerMappingsPutsEveryLayerOnTheGreyRamp) {
  for (int i = 0; i < kRampCount; ++i) model.BuildSlotRamp(i);
  testing::Raw(model).selectedLayer = 4;
  model.InitLayerMappings(3);
  ASSERT_EQ(model.Artwork().Layers().size(), 3u);
  EXPECT_EQ(model.Artwork().SelectedLayer(), -1);
  for (int i = 0; i < 3; ++i) {
    const TLayerMapping& m = model.LayerMapping(i);
    EXPECT_EQ(m.MappedSlot, kGreyRamp);
    EXPECT_EQ(m.BaseLevel, 170);
    EXPECT_EQ(m.ShadowLevel, 85);
    EXPECT_EQ(m.Lookup[255], &model.Ramp(kGreyRamp)[767]);
    EXPECT_EQ(m.Lookup[0], &model.Ramp(kGreyRamp)[0]);
  }
}

TEST_F(CompositorTest, ThumbnailShowsTheLayerOverWhite) {
  // 64 x 32: every other column sampled; left half grey 100 opaque, right half
  // grey 0 at alpha 128.
  TSimpleLayer layer = SolidLayer(0, 0, 64, 32, 100, 255);
  for (int y = 0; y < 32; ++y) {
    for (int x = 32; x < 64; ++x) {
      layer.Pixel[static_cast<std::size_t>(y * 64 + x)] = 0;
      layer.Alpha[static_cast<std::size_t>(y * 64 + x)] = 128;
    }
  }
  TSurface thumb;
  BuildLayerThumbnail(layer, thumb);
  ASSERT_EQ(thumb.width, 32);
  ASSERT_EQ(thumb.height, 32);
  EXPECT_EQ(thumb.At(15, 31).red, 100);
  EXPECT_EQ(thumb.At(16, 0).red, 127);  // 255 - 255 * 128 / 255
  EXPECT_EQ(thumb.At(31, 31).green, 127);
  TSurface empty;
  BuildLayerThumbnail(TSimpleLayer{}, empty);
  EXPECT_EQ(FromRgb24(empty.At(31, 31)), 0xFFFFFFu);
}

}  // namespace
}  // namespace tintloom

namespace tintloom {
namespace {

// A file read in the background beside the canvas being composed: two
// threads ask for the band workers at once, and each run still works every
// one of its bands exactly once.
TEST(BandWorkers, RunsFromTwoThreadsAtOnceEachWorkEveryBandOnce) {
  struct TCount {
    std::vector<std::atomic<int>> bands;
    explicit TCount(std::size_t n) : bands(n) {}
  };
  // Each band takes a while, as a band of a large file does, so that the
  // two runs overlap.
  const auto count = [](const void* context, std::size_t band, std::vector<std::uint8_t>&) {
    const auto* c = static_cast<const TCount*>(context);
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(20);
    while (std::chrono::steady_clock::now() < until) {
    }
    const_cast<std::atomic<int>&>(c->bands[band]).fetch_add(1);
  };
  for (int round = 0; round < 20; ++round) {
    TCount a(257), b(131);
    std::latch start(2);
    std::thread other([&] {
      start.arrive_and_wait();
      RunBands(b.bands.size(), 4, count, &b);
    });
    start.arrive_and_wait();
    RunBands(a.bands.size(), 4, count, &a);
    other.join();
    for (const auto& n : a.bands) ASSERT_EQ(n.load(), 1);
    for (const auto& n : b.bands) ASSERT_EQ(n.load(), 1);
  }
}

}  // namespace
}  // namespace tintloom
