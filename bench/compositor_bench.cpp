// Speed of one canvas composition: every colour, level, mode or background
// change recomposes all layers, so this sets how smooth editing feels once
// artwork is loaded. Each case runs beside a floor that only reads the grey
// and alpha planes and writes the artwork surface once, and the ratios to it
// (and to the one-pixel-at-a-time loop) are printed at the end, since on a
// shared machine only ratios within one run mean anything.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "bench/scalar_compositor.h"
#include "core/artwork/blend_formulas.h"
#include "core/artwork/compose_kernels.h"
#include "core/artwork/compositor.h"
#include "core/document/coordination_model.h"
#include "tests/support/artwork.h"

namespace tintloom {
namespace {

struct Quiet final : TModelViews {};

// Every mode's table, computed from the formulas, through a scratch file.
void LoadFullBlendTable(TBlendTable& table) {
  if (table.Loaded()) return;
  const std::vector<std::uint8_t> bytes = BuildBlendTableFile();
  const auto path = std::filesystem::temp_directory_path() / ("bench_bm_" + std::to_string(::getpid()) + ".dat");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  const Result<> loaded = table.LoadBlendTable(path.string());
  std::filesystem::remove(path);
  if (!loaded) std::fprintf(stderr, "%s\n", loaded.error().message.c_str());
}

constexpr int kSide = 600;

// `count` layers on a 600 x 600 artwork, a third of them normal and the rest
// spread over the blend modes; alpha mixes transparent, opaque and partial
// pixels, grey levels vary across each layer. Dense layers cover the whole
// artwork; the others are squares of a fifth of its area at varying places,
// as the parts of a typical illustration are.
struct Artwork {
  Quiet views;
  TSilentMessages messages;
  TCoordinationModel model{views, messages};
  // The artwork is made by hand, straight into the model's artwork session.
  TArtworkSessionProbe raw{model};

  // mode: every layer in that blend code; below -1, mixed as described.
  Artwork(int count, bool dense, int mode = -2) {
    LoadFullBlendTable(GlobalBlendTable());
    raw.document.width = kSide;
    raw.document.height = kSide;
    raw.document.Simples.resize(static_cast<std::size_t>(count));
    raw.document.layerCount = count;
    raw.document.workingLayerCount = count;
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
      seed = seed * 1664525u + 1013904223u;
      return seed >> 24;
    };
    const int side = dense ? kSide : 268;  // 268^2 is a fifth of 600^2
    for (int i = 0; i < count; ++i) {
      TSimpleLayer& layer = raw.document.Simples[static_cast<std::size_t>(i)];
      layer.width = side;
      layer.height = side;
      layer.left = dense ? 0 : (i * 97) % (kSide - side);
      layer.top = dense ? 0 : (i * 61) % (kSide - side);
      layer.BlendModeKey = static_cast<std::int16_t>(mode >= -1 ? mode : i % 3 == 0 ? kBlendNormal : i % kBlendModeCount);
      layer.Pixel.resize(static_cast<std::size_t>(side * side));
      layer.Alpha.resize(layer.Pixel.size());
      for (std::size_t p = 0; p < layer.Pixel.size(); ++p) {
        layer.Pixel[p] = static_cast<std::uint8_t>(next());
        // Kinds mixed pixel by pixel: the hardest case for skipping.
        const std::uint32_t r = next();
        layer.Alpha[p] = static_cast<std::uint8_t>(r < 64 ? 0 : (r < 160 ? 255 : r));
      }
    }
    for (int i = 0; i < kRampCount; ++i) model.BuildSlotRamp(i);
    model.InitLayerMappings(count);
    for (int i = 0; i < count; ++i) {
      model.LayerMapping(i).MappedSlot = static_cast<std::int16_t>(i % kRampCount);
      model.BuildLayerLookup(i);
    }
    raw.artworkSurface.Create(kSide, kSide);
  }
};

// One artwork per shape, built on first use and kept for the whole run.
Artwork& Shared(int count, bool dense) {
  static std::map<std::pair<int, bool>, std::unique_ptr<Artwork>> artworks;
  auto& slot = artworks[{count, dense}];
  if (!slot) slot = std::make_unique<Artwork>(count, dense);
  return *slot;
}

void SetItems(benchmark::State& state, const Artwork& art) {
  std::int64_t pixels = 0;
  for (const TSimpleLayer& l : art.raw.document.Simples) pixels += static_cast<std::int64_t>(l.width) * l.height;
  state.SetItemsProcessed(state.iterations() * pixels);
}

// Reads every grey and alpha byte once and writes the surface once.
void BM_Floor(benchmark::State& state) {
  Artwork& art = Shared(static_cast<int>(state.range(0)), state.range(1) != 0);
  for (auto _ : state) {
    std::uint64_t sum = 0;
    for (const TSimpleLayer& l : art.raw.document.Simples) {
      for (std::size_t p = 0; p < l.Pixel.size(); ++p) sum += static_cast<std::uint8_t>(l.Pixel[p] ^ l.Alpha[p]);
    }
    std::memset(art.raw.artworkSurface.bitmap.data(), static_cast<int>(sum & 0xFF),
                art.raw.artworkSurface.bitmap.size());
    benchmark::DoNotOptimize(art.raw.artworkSurface.bitmap.data());
    benchmark::ClobberMemory();
  }
  SetItems(state, art);
}

void BM_Composite(benchmark::State& state) {
  Artwork& art = Shared(static_cast<int>(state.range(0)), state.range(1) != 0);
  for (auto _ : state) {
    CompositeArtwork(art.raw.document, art.raw.artworkSurface, art.raw.artworkLayers, GlobalBlendTable());
    benchmark::DoNotOptimize(art.raw.artworkSurface.bitmap.data());
    benchmark::ClobberMemory();
  }
  SetItems(state, art);
}

// Every other layer set aside in the layer window: a working session with
// half the artwork hidden must compose no slower than with all of it shown.
void BM_CompositeHalfHidden(benchmark::State& state) {
  Artwork& art = Shared(static_cast<int>(state.range(0)), state.range(1) != 0);
  for (std::size_t i = 1; i < art.raw.artworkLayers.size(); i += 2) art.raw.artworkLayers[i].hidden = true;
  for (auto _ : state) {
    CompositeArtwork(art.raw.document, art.raw.artworkSurface, art.raw.artworkLayers, GlobalBlendTable());
    benchmark::DoNotOptimize(art.raw.artworkSurface.bitmap.data());
    benchmark::ClobberMemory();
  }
  for (TArtworkLayer& layer : art.raw.artworkLayers) layer.hidden = false;
  SetItems(state, art);
}

// Each kernel this processor runs (range(0), as TComposeKernel), for the
// ratios per kernel: on an AVX-512 machine the AVX2 kernel's figures stand
// in for those of a machine that has only AVX2.
class TKernelChoice {
 public:
  explicit TKernelChoice(std::int64_t kernel) : saved_(ActiveComposeKernel()) {
    SelectComposeKernel(static_cast<TComposeKernel>(kernel));
  }
  ~TKernelChoice() { SelectComposeKernel(saved_); }
  TKernelChoice(const TKernelChoice&) = delete;
  TKernelChoice& operator=(const TKernelChoice&) = delete;

 private:
  TComposeKernel saved_;
};

void BM_CompositeWith(benchmark::State& state) {
  Artwork& art = Shared(static_cast<int>(state.range(1)), state.range(2) != 0);
  const TKernelChoice choice(state.range(0));
  for (auto _ : state) {
    CompositeArtwork(art.raw.document, art.raw.artworkSurface, art.raw.artworkLayers, GlobalBlendTable());
    benchmark::DoNotOptimize(art.raw.artworkSurface.bitmap.data());
    benchmark::ClobberMemory();
  }
  SetItems(state, art);
}

void BM_ScalarReference(benchmark::State& state) {
  Artwork& art = Shared(static_cast<int>(state.range(0)), state.range(1) != 0);
  for (auto _ : state) {
    reference::ScalarCompositeArtwork(art.raw.document, art.raw.artworkSurface, art.raw.artworkLayers,
                                      GlobalBlendTable());
    benchmark::DoNotOptimize(art.raw.artworkSurface.bitmap.data());
    benchmark::ClobberMemory();
  }
  SetItems(state, art);
}

// Ten dense layers all in one mode (range(0) is the blend code, -1 normal):
// where the time of the mixed cases goes.
void BM_CompositeOneMode(benchmark::State& state) {
  static std::map<int, std::unique_ptr<Artwork>> artworks;
  auto& art = artworks[static_cast<int>(state.range(0))];
  if (!art) art = std::make_unique<Artwork>(10, true, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CompositeArtwork(art->raw.document, art->raw.artworkSurface, art->raw.artworkLayers, GlobalBlendTable());
    benchmark::DoNotOptimize(art->raw.artworkSurface.bitmap.data());
    benchmark::ClobberMemory();
  }
  SetItems(state, *art);
}

// A slot edit as the windows make it: ramps rebuilt, background, artwork and
// frame composed onto the canvas.
void BM_RedrawSelected(benchmark::State& state) {
  Artwork& art = Shared(static_cast<int>(state.range(1)), state.range(2) != 0);
  const TKernelChoice choice(state.range(0));
  for (auto _ : state) {
    art.model.Redraw(TCoordinationModel::kRedrawSelected);
    benchmark::DoNotOptimize(art.model.Canvas().bitmap.data());
    benchmark::ClobberMemory();
  }
  SetItems(state, art);
}

std::vector<TComposeKernel> RunnableKernels() {
  std::vector<TComposeKernel> kernels;
  for (const TComposeKernel k : kComposeKernels) {
    if (ComposeKernelAvailable(k)) kernels.push_back(k);
  }
  return kernels;
}

// Kernel first: 30 layers dense and typical.
void PerKernel(benchmark::internal::Benchmark* b) {
  for (const TComposeKernel k : RunnableKernels()) {
    b->Args({static_cast<int>(k), 30, 1})->Args({static_cast<int>(k), 30, 0});
  }
}
void PerKernelRedraw(benchmark::internal::Benchmark* b) {
  for (const TComposeKernel k : RunnableKernels()) b->Args({static_cast<int>(k), 60, 1});
}

// Every case also reports the least of its repetitions (--benchmark_repetitions).
#define SHAPES Args({30, 1})->Args({30, 0})
BENCHMARK(BM_Floor)->SHAPES->Args({60, 1})->Unit(benchmark::kMillisecond)->Apply(bench::WithMinimum);
BENCHMARK(BM_Composite)->SHAPES->Unit(benchmark::kMillisecond)->Apply(bench::WithMinimum);
BENCHMARK(BM_CompositeHalfHidden)->SHAPES->Unit(benchmark::kMillisecond)->Apply(bench::WithMinimum);
BENCHMARK(BM_CompositeWith)->Apply(PerKernel)->Unit(benchmark::kMillisecond)->Apply(bench::WithMinimum);
BENCHMARK(BM_ScalarReference)->SHAPES->Unit(benchmark::kMillisecond)->Apply(bench::WithMinimum);
BENCHMARK(BM_CompositeOneMode)->DenseRange(-1, kBlendModeCount - 1)->Unit(benchmark::kMicrosecond)->Apply(bench::WithMinimum);
BENCHMARK(BM_RedrawSelected)->Apply(PerKernelRedraw)->Unit(benchmark::kMillisecond)->Apply(bench::WithMinimum);

}  // namespace
}  // namespace tintloom

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  using tintloom::ComposeKernelName;
  std::vector<tintloom::bench::TRatio> ratios = {
      {"dense 30 layers / floor", "BM_Composite/30/1", "BM_Floor/30/1", "<= 3x"},
      {"typical 30 layers (1/5 coverage) / floor", "BM_Composite/30/0", "BM_Floor/30/0", "<= 2x"},
      {"half the layers hidden / all shown, dense", "BM_CompositeHalfHidden/30/1", "BM_Composite/30/1", "<= 1x"},
      {"half the layers hidden / all shown, typical", "BM_CompositeHalfHidden/30/0", "BM_Composite/30/0", "<= 1x"},
      {"scalar reference / fast, dense", "BM_ScalarReference/30/1", "BM_Composite/30/1", ">= 10x"},
      {"scalar reference / fast, typical", "BM_ScalarReference/30/0", "BM_Composite/30/0", ">= 10x"},
  };
  const auto kernels = tintloom::RunnableKernels();
  for (const tintloom::TComposeKernel k : kernels) {
    const std::string id = std::to_string(static_cast<int>(k)), name = ComposeKernelName(k);
    ratios.push_back({name + ": dense 30 layers / floor", "BM_CompositeWith/" + id + "/30/1", "BM_Floor/30/1", "<= 3x"});
    ratios.push_back({name + ": typical 30 layers / floor", "BM_CompositeWith/" + id + "/30/0", "BM_Floor/30/0", "<= 2x"});
    ratios.push_back(
        {name + ": scalar reference / kernel, dense", "BM_ScalarReference/30/1", "BM_CompositeWith/" + id + "/30/1", ">= 10x"});
    ratios.push_back(
        {name + ": Redraw(0), 60 dense layers / floor", "BM_RedrawSelected/" + id + "/60/1", "BM_Floor/60/1", "report"});
  }
  // Each mode's ten dense layers against ten normal ones, with the names
  // the table prints.
  for (int code = 0; code < tintloom::kBlendModeCount; ++code) {
    ratios.push_back({"mode " + std::to_string(code) + " / normal, 10 dense layers",
                      "BM_CompositeOneMode/" + std::to_string(code), "BM_CompositeOneMode/-1", "<= 2.5x"});
  }
  tintloom::bench::TRatioReporter reporter(ratios);
  std::printf("Processor: %s\n", tintloom::bench::ProcessorClass().c_str());
  std::printf("Kernel in use (the cases without one named): %s\n", ComposeKernelName(tintloom::ActiveComposeKernel()));
  benchmark::RunSpecifiedBenchmarks(&reporter);
  // The one absolute goal: an edit must reach the canvas within a 60 Hz frame.
  for (const tintloom::TComposeKernel k : kernels) {
    const std::string name = "BM_RedrawSelected/" + std::to_string(static_cast<int>(k)) + "/60/1";
    const double redraw = reporter.Time(name), least = reporter.Minimum(name);
    const std::string label = std::string(ComposeKernelName(k)) + ": Redraw(0), 60 dense layers";
    if (redraw > 0) std::printf("%-46s %6.2f ms, least %6.2f ms (goal < 16.7 ms)\n", label.c_str(), redraw, least);
  }
  benchmark::Shutdown();
  return 0;
}
