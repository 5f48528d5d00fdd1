// Speed of one canvas composition of a dense artwork: every colour, level,
// mode or background change recomposes all layers, so this sets how smooth
// editing feels once artwork is loaded.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/artwork/blend_formulas.h"
#include "core/artwork/compositor.h"
#include "core/model/coordination_model.h"

namespace tintloom {
namespace {

struct Quiet final : TModelViews {};

// Every mode's table, computed from the formulas, through a scratch file.
void LoadFullBlendTable(TBlendTable& table) {
  const std::vector<std::uint8_t> bytes = BuildBlendTableFile();
  const auto path = std::filesystem::temp_directory_path() / ("bench_bm_" + std::to_string(::getpid()) + ".dat");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  TSilentMessages messages;
  table.LoadBlendTable(path.string(), messages);
  std::filesystem::remove(path);
}

// 30 layers of 600 x 600 covering the canvas, a third of them normal and the
// rest spread over the blend modes; alpha mixes transparent, opaque and
// partial pixels, grey levels vary across each layer.
void BM_CompositeArtwork(benchmark::State& state) {
  Quiet views;
  TSilentMessages messages;
  TCoordinationModel model(views, messages);
  LoadFullBlendTable(GlobalBlendTable());
  constexpr int kSide = 600;
  constexpr int kLayers = 30;
  model.document.width = kSide;
  model.document.height = kSide;
  model.document.Simples.resize(kLayers);
  model.document.layer_count = kLayers;
  model.document.working_layer_count = kLayers;
  std::uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 24;
  };
  for (int i = 0; i < kLayers; ++i) {
    TSimpleLayer& layer = model.document.Simples[static_cast<std::size_t>(i)];
    layer.width = kSide;
    layer.height = kSide;
    layer.BlendModeKey = static_cast<std::int16_t>(i % 3 == 0 ? kBlendNormal : i % kBlendModeCount);
    layer.Pixel.resize(kSide * kSide);
    layer.Alpha.resize(kSide * kSide);
    for (std::size_t p = 0; p < layer.Pixel.size(); ++p) {
      layer.Pixel[p] = static_cast<std::uint8_t>(next());
      const std::uint32_t r = next();
      layer.Alpha[p] = static_cast<std::uint8_t>(r < 64 ? 0 : (r < 160 ? 255 : r));
    }
  }
  for (int i = 0; i < kRampCount; ++i) model.BuildSlotRamp(i);
  model.InitLayerMappings(kLayers);
  for (int i = 0; i < kLayers; ++i) {
    model.LayerMapping(i).MappedSlot = static_cast<std::int16_t>(i % kRampCount);
    model.BuildLayerLookup(i);
  }
  model.artworkSurface.Create(kSide, kSide);
  for (auto _ : state) {
    CompositeArtwork(model.document, model.artworkSurface, model.artworkLayers, GlobalBlendTable());
    benchmark::DoNotOptimize(model.artworkSurface.bitmap.data());
  }
  state.SetItemsProcessed(state.iterations() * kLayers * kSide * kSide);
  GlobalBlendTable().FreeBlendTable();
}
BENCHMARK(BM_CompositeArtwork)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tintloom
