// Undo and redo against the edit they reverse: an undo restores a whole
// state and redraws everything, and must feel no slower than the drag step
// or click that made the change. Artwork is loaded, as when it matters. The
// ratio is printed at the end (only ratios within one run mean anything on
// a shared machine), then the memory 200 kept steps take.

#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench/ratio_reporter.h"
#include "core/document/coordination_model.h"
#include "tests/support/artwork.h"

namespace tintloom {
namespace {

struct Quiet final : TModelViews {};

constexpr int kSide = 600;
constexpr int kLayers = 16;

// 16 normal layers over a 600 x 600 artwork, each mapped to a slot of its
// own, with levels spread over the grey range and partial alpha here and there.
struct Artwork {
  Quiet views;
  TSilentMessages messages;
  TCoordinationModel model{views, messages};
  // The artwork is made by hand, straight into the model's artwork session.
  TArtworkSessionProbe raw{model};

  Artwork() {
    model.ConstructScheme();
    raw.document.width = kSide;
    raw.document.height = kSide;
    raw.document.Simples.resize(kLayers);
    raw.document.layerCount = kLayers;
    raw.document.workingLayerCount = kLayers;
    for (int i = 0; i < kLayers; ++i) {
      TSimpleLayer& layer = raw.document.Simples[static_cast<std::size_t>(i)];
      const int side = i < 4 ? kSide : 300;
      layer.width = layer.height = side;
      layer.left = (i * 37) % (kSide - side + 1);
      layer.top = (i * 53) % (kSide - side + 1);
      layer.BlendModeKey = kBlendNormal;
      layer.Pixel.resize(static_cast<std::size_t>(side) * side);
      layer.Alpha.resize(layer.Pixel.size());
      for (std::size_t p = 0; p < layer.Pixel.size(); ++p) {
        layer.Pixel[p] = static_cast<std::uint8_t>((p * 7 + static_cast<std::size_t>(i) * 31) & 0xFF);
        layer.Alpha[p] = static_cast<std::uint8_t>(p % 5 == 0 ? 128 : 255);
      }
    }
    raw.artworkSurface.Create(kSide, kSide);
    raw.pickSurface.Create(kSide, kSide);
    for (int i = 0; i < kRampCount; ++i) model.BuildSlotRamp(i);
    model.InitLayerMappings(kLayers);
    for (int i = 0; i < kLayers; ++i) {
      model.LayerMapping(i).MappedSlot = static_cast<std::int16_t>(i % kSlotCount);
      model.LayerMapping(i).BaseLevel = static_cast<std::uint8_t>(120 + i * 8);
      model.BuildLayerLookup(i);
    }
    model.ComposeCanvas();
  }

  // A click on the wheel: slot 0's hue moves, the rule slots follow, the
  // canvas is composed and the step recorded.
  void Edit(int i) {
    model.Scheme().SetSlotHue(0, static_cast<float>(i % 360));
    model.Redraw(TCoordinationModel::kRedrawSelected);
  }
};

void BM_EditOnTheWheel(benchmark::State& state) {
  Artwork art;
  int i = 0;
  for (auto _ : state) art.Edit(++i);
}
BENCHMARK(BM_EditOnTheWheel)->Unit(benchmark::kMillisecond);

void BM_UndoOrRedo(benchmark::State& state) {
  Artwork art;
  art.Edit(90);
  bool undo = true;
  for (auto _ : state) {
    benchmark::DoNotOptimize(undo ? art.model.Undo() : art.model.Redo());
    undo = !undo;
  }
}
BENCHMARK(BM_UndoOrRedo)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tintloom

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  tintloom::bench::TRatioReporter reporter({
      {"undo or redo / one edit", "BM_UndoOrRedo", "BM_EditOnTheWheel", "<= 1.0"},
  });
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  // Memory of a full history: 200 steps of distinct states past the start.
  tintloom::Artwork art;
  for (int i = 1; i <= 300; ++i) art.Edit(i);
  const tintloom::TEditHistory& history = art.model.History();
  std::printf("\nHistory of %zu steps with %d layers: %zu bytes (%zu per state)\n", history.UndoSteps(),
              tintloom::kLayers, history.MemoryBytes(), history.MemoryBytes() / (history.UndoSteps() + 1));
  return 0;
}
