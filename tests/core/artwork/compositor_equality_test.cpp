// The fast compositor against the one-pixel-at-a-time loop: each kernel must
// give the same bytes on every mode, alpha, mapping and placement, including
// layers hanging over every edge, with the generated blend table, a table
// that differs from the formulas in places, and no table; and so must a
// composition large enough to be shared among threads.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <array>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "bench/scalar_compositor.h"
#include "core/artwork/blend_formulas.h"
#include "core/artwork/channel_mix.h"
#include "core/artwork/compose_kernels.h"
#include "core/artwork/compositor.h"
#include "core/document/coordination_model.h"
#include "core/base/progress_sink.h"
#include "support/artwork.h"
#include "support/recording.h"

namespace tintloom {
namespace {

void LoadTable(TBlendTable& table, const std::vector<std::uint8_t>& bytes) {
  const auto path = std::filesystem::temp_directory_path() / ("equality_bm_" + std::to_string(::getpid()) + ".dat");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  EXPECT_TRUE(table.LoadBlendTable(path.string()).ok());
  std::filesystem::remove(path);
}

const TBlendTable& FullBlendTable() {
  static TBlendTable table = [] {
    TBlendTable t;
    LoadTable(t, BuildBlendTableFile());
    return t;
  }();
  return table;
}

// The generated table with one entry in every 97 of each mode changed, as a
// hand-made blend file might be: no formula matches it, so every mode must
// come from the table.
const TBlendTable& AlteredBlendTable() {
  static TBlendTable table = [] {
    TBlendTable t;
    std::vector<std::uint8_t> bytes = BuildBlendTableFile();
    for (std::size_t i = 0; i < bytes.size(); i += 97) bytes[i] = static_cast<std::uint8_t>(bytes[i] ^ 0x5A);
    LoadTable(t, bytes);
    return t;
  }();
  return table;
}

enum class TTableKind { kGenerated, kAltered, kNone };

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

// Each vector kernel this processor runs, with its name; the others are
// named with the reason they cannot run here, so a test log shows what was
// and was not tested.
std::vector<std::pair<TComposeKernel, const TVectorKernel*>> RunnableVectorKernels() {
  std::vector<std::pair<TComposeKernel, const TVectorKernel*>> kernels;
  for (const TComposeKernel kernel : kComposeKernels) {
    const char* why = nullptr;
    if (!ComposeKernelAvailable(kernel, &why)) {
      std::printf("[ kernel   ] %s: not run (%s)\n", ComposeKernelName(kernel), why);
    } else if (const TVectorKernel* vector = VectorKernel(kernel)) {
      std::printf("[ kernel   ] %s: run\n", ComposeKernelName(kernel));
      kernels.emplace_back(kernel, vector);
    }
  }
  return kernels;
}

TEST(ChannelMix, VectorKernelsMatchTheTruncatingDivisionForEveryInput) {
  std::vector<std::uint8_t> d(65536), t(65536), a(65536), out(65536);
  for (std::size_t i = 0; i < d.size(); ++i) {
    d[i] = static_cast<std::uint8_t>(i >> 8);
    t[i] = static_cast<std::uint8_t>(i);
  }
  for (const auto& [kernel, vector] : RunnableVectorKernels()) {
    int mismatches = 0;
    for (int alpha = 0; alpha < 256; ++alpha) {
      std::fill(a.begin(), a.end(), static_cast<std::uint8_t>(alpha));
      vector->mixBytes(d.data(), t.data(), a.data(), out.data(), out.size());
      for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] != reference::Mix(d[i], t[i], alpha) && ++mismatches <= 5) {
          ADD_FAILURE() << ComposeKernelName(kernel) << ": d " << int{d[i]} << " t " << int{t[i]} << " a " << alpha;
        }
      }
    }
    EXPECT_EQ(mismatches, 0) << ComposeKernelName(kernel);
  }
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

class CompositorEqualityTest : public ::testing::TestWithParam<std::tuple<TComposeKernel, TTableKind>> {
 protected:
  void SetUp() override {
    const char* why = nullptr;
    if (!ComposeKernelAvailable(std::get<0>(GetParam()), &why)) {
      GTEST_SKIP() << ComposeKernelName(std::get<0>(GetParam())) << " kernel not run: " << why;
    }
    saved_ = ActiveComposeKernel();
    SelectComposeKernel(std::get<0>(GetParam()));
  }
  void TearDown() override { SelectComposeKernel(saved_); }

  const TBlendTable& Table() const {
    static const TBlendTable none;
    switch (std::get<1>(GetParam())) {
      case TTableKind::kGenerated: return FullBlendTable();
      case TTableKind::kAltered: return AlteredBlendTable();
      case TTableKind::kNone: break;
    }
    return none;
  }

  // Random layers, every blend code in turn, each mapped at random.
  void MakeArtwork(std::mt19937& rng, int width, int height, int layerCount) {
    std::vector<TSimpleLayer> layers;
    for (int i = 0; i < layerCount; ++i) {
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
    for (int i = 0; i < model.Artwork().Document().workingLayerCount; ++i) {
      auto& mapping = model.LayerMapping(i);
      mapping.MappedSlot = static_cast<std::int16_t>(rng() % 13);
      mapping.BaseLevel = static_cast<std::uint8_t>(rng());
      mapping.ShadowLevel = static_cast<std::uint8_t>(rng());
      model.BuildLayerLookup(i);
    }
    for (auto& b : testing::Raw(model).artworkSurface.bitmap) b = static_cast<std::uint8_t>(rng());
  }

  void ExpectReferenceBytes(const std::string& what) {
    TSurface expected;
    expected.Create(model.Artwork().ArtworkSurface().width, model.Artwork().ArtworkSurface().height);
    expected.bitmap = model.Artwork().ArtworkSurface().bitmap;
    reference::ScalarCompositeArtwork(model.Artwork().Document(), expected, model.Artwork().Layers(), Table());
    CompositeArtwork(model.Artwork().Document(), testing::Raw(model).artworkSurface, model.Artwork().Layers(),
                     Table());
    ASSERT_EQ(model.Artwork().ArtworkSurface().bitmap, expected.bitmap) << what;
  }

  testing::TRecordingViews views;
  testing::TRecordingMessages messages;
  TCoordinationModel model{views, messages};
  TComposeKernel saved_ = TComposeKernel::kPortable;
};

TEST_P(CompositorEqualityTest, RandomLayersGiveTheReferenceBytes) {
  for (std::uint32_t seed = 1; seed <= 6; ++seed) {
    std::mt19937 rng(seed);
    const int width = 20 + static_cast<int>(rng() % 90);
    const int height = 5 + static_cast<int>(rng() % 30);
    MakeArtwork(rng, width, height, 2 * (kBlendModeCount + 1));
    model.LayerMapping(3).Lookup.fill(nullptr);  // never mapped: both skip it
    ExpectReferenceBytes("seed " + std::to_string(seed));
  }
}

// Enough pixels that the bands are shared among threads.
TEST_P(CompositorEqualityTest, ThreadedCompositionGivesTheReferenceBytes) {
  std::mt19937 rng(77);
  MakeArtwork(rng, 600, 300, kBlendModeCount + 1);
  ExpectReferenceBytes("600 x 300");
}

// Real files as the program opens them, every layer mapped at random, over
// a random backdrop.
TEST_P(CompositorEqualityTest, SampleFilesGiveTheReferenceBytes) {
  if (std::get<1>(GetParam()) != TTableKind::kGenerated) GTEST_SKIP() << "the generated table is enough here";
  const std::filesystem::path folder = TINTLOOM_PSD_SAMPLES;
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no sample folder";
  std::mt19937 rng(5);
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".psd") continue;
    TSilentProgress progress;
    TPSD doc;
    if (!LoadFromFile(entry.path().string(), doc, progress).ok()) continue;  // refused files are another test's
    if (!ReduceLayers(doc, Table(), progress, messages).ok()) continue;
    ShrinkToCanvas(doc, progress);
    if (doc.workingLayerCount <= 0) continue;
    std::vector<TSimpleLayer> layers(doc.Simples.begin(), doc.Simples.begin() + doc.workingLayerCount);
    testing::LoadLayers(model, doc.width, doc.height, std::move(layers));
    for (int i = 0; i < model.Artwork().Document().workingLayerCount; ++i) {
      model.LayerMapping(i).MappedSlot = static_cast<std::int16_t>(rng() % 13);
      model.BuildLayerLookup(i);
    }
    for (auto& b : testing::Raw(model).artworkSurface.bitmap) b = static_cast<std::uint8_t>(rng());
    ExpectReferenceBytes(entry.path().filename().string());
    ++files;
  }
  EXPECT_GT(files, 5);
}

// A formula that misses a single entry quietly sends its mode back to table
// lookups, correct but many times slower; and one that passed a table it does
// not match would draw wrong colours.
TEST(VectorBlendFormulas, MatchTheGeneratedTableAndNoAlteredOne) {
  for (const auto& [kernel, vector] : RunnableVectorKernels()) {
    for (const TBlendTable* table : {&FullBlendTable(), &AlteredBlendTable()}) {
      std::array<const std::uint8_t*, kBlendModeCount> tables;
      for (int code = 0; code < kBlendModeCount; ++code) tables[static_cast<std::size_t>(code)] = table->Table(code);
      std::array<bool, kBlendModeCount> exact{};
      vector->checkBlendFormulas(tables.data(), exact.data());
      for (int code = 0; code < kBlendModeCount; ++code) {
        EXPECT_EQ(exact[static_cast<std::size_t>(code)], table == &FullBlendTable())
            << ComposeKernelName(kernel) << " code " << code;
      }
    }
  }
}

// Rows of table results, as opening blends clipped layers with them: every
// pair of every mode, with and without sources, an odd length for the tail.
TEST_P(CompositorEqualityTest, TableRowsGiveTheTableEntries) {
  const TBlendTable& table = Table();
  if (!table.Loaded()) GTEST_SKIP() << "rows only blend through a loaded table";
  const std::size_t n = 65536 - 3;
  std::vector<std::uint8_t> d(n), s(n), out(n);
  for (std::size_t i = 0; i < n; ++i) {
    const auto p = static_cast<std::uint32_t>(i) * 40503u;
    d[i] = static_cast<std::uint8_t>(p >> 8);
    s[i] = static_cast<std::uint8_t>(p);
  }
  for (int code = 0; code < kBlendModeCount; ++code) {
    const TTableBlend blend = TableBlendFor(table, code);
    const std::uint8_t* entries = table.Table(code);
    for (const bool sources : {true, false}) {
      BlendTableRow(blend, d.data(), sources ? s.data() : nullptr, out.data(), n);
      int mismatches = 0;
      for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t expected = entries[d[i] * 256u + (sources ? s[i] : 0u)];
        if (out[i] != expected && ++mismatches <= 3) ADD_FAILURE() << "code " << code << " at " << i;
      }
      ASSERT_EQ(mismatches, 0);
    }
  }
}

std::string KernelAndTableName(const ::testing::TestParamInfo<std::tuple<TComposeKernel, TTableKind>>& info) {
  static const char* const kTables[] = {"generated", "altered", "none"};
  return std::string(ComposeKernelName(std::get<0>(info.param))) + "_" + kTables[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(
    Kernels, CompositorEqualityTest,
    ::testing::Combine(::testing::ValuesIn(kComposeKernels),
                       ::testing::Values(TTableKind::kGenerated, TTableKind::kAltered, TTableKind::kNone)),
    KernelAndTableName);

}  // namespace
}  // namespace tintloom
