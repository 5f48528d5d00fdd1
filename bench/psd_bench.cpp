// Opening large artwork: reading a generated 3000 x 2000 PSD of 30
// PackBits-compressed RGBA layers, reducing it to working layers and shrinking
// them to the canvas.

#include <benchmark/benchmark.h>

#include <vector>

#include "bench/psd_generator.h"
#include "core/artwork/psd_document.h"

namespace {

using namespace tintloom;

const std::vector<std::uint8_t>& GeneratedArtwork() {
  static const std::vector<std::uint8_t> file = [] {
    constexpr std::int32_t kWidth = 3000, kHeight = 2000;
    std::vector<psdgen::TLayer> layers;
    for (int i = 0; i < 30; ++i) {
      psdgen::TLayer l(0, 0, kHeight, kWidth);
      // Flat areas with soft edges, as painted artwork has: long runs and
      // literal stretches both occur.
      for (std::int16_t id : {-1, 0, 1, 2}) {
        l.channels.emplace_back(id, kWidth, psdgen::Plane(kWidth, kHeight, [i, id](int x, int y) {
                                  const int band = (x / (97 + i) + y / (61 + 3 * i)) % 4;
                                  return band == 0 ? (x * 7 + y * 3 + id * 40 + i) & 0xFF : 60 * band + id * 20;
                                }));
      }
      l.clipping = i % 3 == 2 ? 1 : 0;
      l.key = i % 2 == 0 ? "norm" : "mul ";
      l.opacity = static_cast<std::uint8_t>(255 - i * 4);
      layers.push_back(std::move(l));
    }
    return psdgen::MakePsd(kWidth, kHeight, kPsdColourRgb, layers);
  }();
  return file;
}

void BM_OpenGeneratedArtwork(benchmark::State& state) {
  const auto& file = GeneratedArtwork();
  TSilentProgress progress;
  TSilentMessages messages;
  const TBlendTable blend;  // not loaded: table modes draw as normal
  for (auto _ : state) {
    TPSD doc;
    if (!DecodePsd(file, "bench.psd", doc, progress)) state.SkipWithError("read failed");
    if (!ReduceLayers(doc, blend, progress, messages)) state.SkipWithError("reduce failed");
    ShrinkToCanvas(doc, progress);
    benchmark::DoNotOptimize(doc.Simples.data());
  }
  state.counters["file_MB"] = static_cast<double>(file.size()) / 1e6;
}
BENCHMARK(BM_OpenGeneratedArtwork)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
