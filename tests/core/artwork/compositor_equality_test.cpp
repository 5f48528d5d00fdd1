// The fast compositor against the one-pixel-at-a-time loop: the chunked,
// vectorised paths must give the same bytes on every mode, alpha, mapping and
// placement, including layers hanging over every edge.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/scalar_compositor.h"
#include "core/artwork/blend_formulas.h"
#include "core/artwork/channel_mix.h"
#include "core/artwork/compositor.h"
#include "core/model/coordination_model.h"
#include "support/artwork.h"
#include "support/recording.h"

namespace tintloom {
namespace {

const TBlendTable& FullBlendTable() {
  static TBlendTable table = [] {
    TBlendTable t;
    const std::vector<std::uint8_t> bytes = BuildBlendTableFile();
    const auto path = std::filesystem::temp_directory_path() / ("equality_bm_" + std::to_string(::getpid()) + ".dat");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    EXPECT_TRUE(t.LoadBlendTable(path.string()).ok());
    std::filesystem::remove(path);
    return t;
  }();
  return table;
}

TEST(ChannelMix, MatchesTheTruncatingDivisionForEveryInput) {
  int mismatches = 0;
  for (int d = 0; d < 256; ++d) {
    for (int t = 0; t < 256; ++t) {
      for (int a = 0; a < 256; ++a) {
        const auto fast = MixChannel(static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(t),
                                     static_cast<std::uint8_t>(a));
        if (fast != reference::Mix(d, t, a) && ++mismatches <= 5) {
          ADD_FAILURE() << "d " << d << " t " << t << " a " << a;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

// Alpha in runs, so whole chunks come out transparent, opaque or mixed.
std::vector<std::uint8_t> AlphaRuns(std::mt19937& rng, std::size_t size) {
  std::vector<std::uint8_t> alpha(size);
  for (std::size_t p = 0; p < size;) {
    const auto kind = rng() % 3;
    const std::size_t run = 1 + rng() % 80;
    for (std::size_t i = 0; i < run && p < size; ++i, ++p) {
      alpha[p] = static_cast<std::uint8_t>(kind == 0 ? 0 : kind == 1 ? 255 : rng() % 256);
    }
  }
  return alpha;
}

class CompositorEqualityTest : public ::testing::TestWithParam<bool> {
 protected:
  testing::TRecordingViews views;
  testing::TRecordingMessages messages;
  TCoordinationModel model{views, messages};
};

// Random layers on a small canvas, every blend code in turn, against the
// reference. Without a loaded table every mode draws as normal in both.
TEST_P(CompositorEqualityTest, RandomLayersGiveTheReferenceBytes) {
  const bool withTable = GetParam();
  const TBlendTable emptyTable;
  const TBlendTable& blend = withTable ? FullBlendTable() : emptyTable;
  for (std::uint32_t seed = 1; seed <= 6; ++seed) {
    std::mt19937 rng(seed);
    const int width = 20 + static_cast<int>(rng() % 90);
    const int height = 5 + static_cast<int>(rng() % 30);
    std::vector<TSimpleLayer> layers;
    for (int i = 0; i < 2 * (kBlendModeCount + 1); ++i) {
      TSimpleLayer layer;
      layer.left = static_cast<int>(rng() % (width + 40)) - 30;
      layer.top = static_cast<int>(rng() % (height + 10)) - 6;
      layer.width = 1 + static_cast<int>(rng() % (width + 30));
      layer.height = 1 + static_cast<int>(rng() % (height + 8));
      const auto size = static_cast<std::size_t>(layer.width) * static_cast<std::size_t>(layer.height);
      layer.Pixel.resize(size);
      for (auto& g : layer.Pixel) g = static_cast<std::uint8_t>(rng());
      layer.Alpha = AlphaRuns(rng, size);
      layer.BlendModeKey = static_cast<std::int16_t>(i % (kBlendModeCount + 1) - 1);
      layers.push_back(std::move(layer));
    }
    testing::LoadLayers(model, width, height, std::move(layers));
    for (int i = 0; i < model.document.working_layer_count; ++i) {
      auto& mapping = model.LayerMapping(i);
      mapping.MappedSlot = static_cast<std::int16_t>(rng() % 13);
      mapping.BaseLevel = static_cast<std::uint8_t>(rng());
      mapping.ShadowLevel = static_cast<std::uint8_t>(rng());
      model.BuildLayerLookup(i);
    }
    model.LayerMapping(3).Lookup.fill(nullptr);  // never mapped: both skip it
    TSurface expected;
    expected.Create(width, height);
    for (auto& b : model.artworkSurface.bitmap) b = static_cast<std::uint8_t>(rng());
    expected.bitmap = model.artworkSurface.bitmap;
    reference::ScalarCompositeArtwork(model.document, expected, model.artworkLayers, blend);
    CompositeArtwork(model.document, model.artworkSurface, model.artworkLayers, blend);
    ASSERT_EQ(model.artworkSurface.bitmap, expected.bitmap) << "seed " << seed;
  }
}

INSTANTIATE_TEST_SUITE_P(Tables, CompositorEqualityTest, ::testing::Values(true, false));

}  // namespace
}  // namespace tintloom
