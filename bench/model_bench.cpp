// Speed of the redraw chain's core steps: every edit on the hue wheel or in
// the picker ends in one scheme push, a few ramp rebuilds and a composition,
// so these set how smooth dragging feels.

#include <benchmark/benchmark.h>

#include "core/document/coordination_model.h"

namespace tintloom {
namespace {

struct Quiet final : TModelViews {};

void BM_ApplyScheme(benchmark::State& state) {
  Quiet views;
  TSilentMessages messages;
  TCoordinationModel model(views, messages);
  model.ConstructScheme();
  for (auto _ : state) {
    model.RepaintWheel();
    benchmark::DoNotOptimize(model.SlotAt(4).shades[kDeepShadow].Color);
  }
}
BENCHMARK(BM_ApplyScheme);

void BM_SnapToAllowedTones(benchmark::State& state) {
  Quiet views;
  TSilentMessages messages;
  TCoordinationModel model(views, messages);
  // The worst case: only the far corner of each hue is allowed.
  std::vector<std::uint8_t> bytes(kToneDataSize, 0);
  for (int h = 0; h < 360; ++h) bytes[ToneCellIndex(h, 0, 0)] = 1;
  model.toneData.Assign(std::move(bytes));
  model.SetToneFilter(2);
  TColorF out;
  for (auto _ : state) {
    model.SnapToAllowedTones(TColorF(200, 1.0f, 1.0f), out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_SnapToAllowedTones);

void BM_ComposeCanvasNoArtwork(benchmark::State& state) {
  Quiet views;
  TSilentMessages messages;
  TCoordinationModel model(views, messages);
  for (auto _ : state) model.ComposeCanvas();
}
BENCHMARK(BM_ComposeCanvasNoArtwork);

void BM_BuildAllRamps(benchmark::State& state) {
  Quiet views;
  TSilentMessages messages;
  TCoordinationModel model(views, messages);
  for (auto _ : state) {
    for (int i = 0; i < kRampCount; ++i) model.BuildSlotRamp(i);
    benchmark::DoNotOptimize(model.Ramp(3)[400]);
  }
}
BENCHMARK(BM_BuildAllRamps);

}  // namespace
}  // namespace tintloom
