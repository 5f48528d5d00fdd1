// The canvas views (values, colour-vision simulation) run on every repaint
// of the 600 x 600 canvas, so each edit pays for them: their cost must stay
// under a millisecond on an AVX2 machine. Two pictures: every pixel a
// random colour (the tables read all over, the worst case) and smooth
// shading as recoloured artwork has. The floor is a plain copy of the
// surface, which any view showing a separate picture pays anyway.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "bench/ratio_reporter.h"
#include "core/colour/vision_filters.h"

namespace tintloom {
namespace {

constexpr int kSide = 600;

TSurface Picture(bool noise) {
  TSurface s;
  s.Create(kSide, kSide);
  std::mt19937 random(29);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      TRgb24& p = s.At(x, y);
      if (noise) {
        const std::uint32_t v = random();
        p = TRgb24{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16)};
      } else {
        p = TRgb24{static_cast<std::uint8_t>(x * 255 / kSide), static_cast<std::uint8_t>(y * 255 / kSide),
                   static_cast<std::uint8_t>((x + y) * 127 / kSide)};
      }
    }
  }
  return s;
}

void Copy(benchmark::State& state) {
  const TSurface from = Picture(state.range(0) != 0);
  TSurface to;
  to.Create(kSide, kSide);
  for (auto _ : state) {
    std::memcpy(to.bitmap.data(), from.bitmap.data(), from.bitmap.size());
    benchmark::DoNotOptimize(to.bitmap.data());
    benchmark::ClobberMemory();
  }
}

void View(benchmark::State& state, TCanvasView view) {
  const TSurface from = Picture(state.range(0) != 0);
  const TViewFilter filter(view);
  TSurface to;
  to.Create(kSide, kSide);
  for (auto _ : state) {
    filter.Apply(from, to);
    benchmark::DoNotOptimize(to.bitmap.data());
    benchmark::ClobberMemory();
  }
}

void Values(benchmark::State& state) { View(state, TCanvasView{true, TColourVision::Normal}); }
void Protan(benchmark::State& state) { View(state, TCanvasView{false, TColourVision::Protan}); }
void Deutan(benchmark::State& state) { View(state, TCanvasView{false, TColourVision::Deutan}); }
void Tritan(benchmark::State& state) { View(state, TCanvasView{false, TColourVision::Tritan}); }
void ValuesOfDeutan(benchmark::State& state) { View(state, TCanvasView{true, TColourVision::Deutan}); }

// Argument: 1 for random colours, 0 for smooth shading.
BENCHMARK(Copy)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(Values)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(Protan)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(Deutan)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(Tritan)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(ValuesOfDeutan)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tintloom

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  tintloom::bench::TRatioReporter reporter({
      {"deutan, random colours / copy", "Deutan/1", "Copy/1", "the time itself under 1 ms"},
      {"values, random colours / copy", "Values/1", "Copy/1", "the time itself under 1 ms"},
      {"deutan, shading / copy", "Deutan/0", "Copy/0", "the time itself under 1 ms"},
  });
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("Goal: each view under 1000 us for the 600 x 600 canvas on an AVX2 machine (times above).\n"
              "Pixel loop run here: %s\n",
              tintloom::ViewFilterInstructionSet());
  benchmark::Shutdown();
  return 0;
}
