// Colours taken from an 8000 x 6000 photo (48 megapixels): the whole
// extraction against one plain pass over every pixel of the picture. The
// goal is the time itself, under 200 ms; the ratio says how much of a
// single read of the picture that is, since the picture is sampled.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "bench/ratio_reporter.h"
#include "core/palette/picture_palette.h"

namespace tintloom {
namespace {

constexpr std::int64_t kWidth = 8000;
constexpr std::int64_t kHeight = 6000;

// Smooth regions of changing colour under grain, as a photo has them.
const std::vector<std::uint8_t>& Photo() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(kWidth * kHeight * 4));
    std::uint32_t grain = 12345;
    for (std::int64_t y = 0; y < kHeight; ++y) {
      for (std::int64_t x = 0; x < kWidth; ++x) {
        grain = grain * 1664525u + 1013904223u;
        const double u = static_cast<double>(x) / kWidth, v = static_cast<double>(y) / kHeight;
        const int n = static_cast<int>(grain >> 28) - 8;
        std::uint8_t* p = &out[static_cast<std::size_t>((y * kWidth + x) * 4)];
        p[0] = static_cast<std::uint8_t>(std::clamp(128 + 100 * std::sin(6 * u + 2 * v) + n, 0.0, 255.0));
        p[1] = static_cast<std::uint8_t>(std::clamp(110 + 90 * std::cos(4 * v - 3 * u) + n, 0.0, 255.0));
        p[2] = static_cast<std::uint8_t>(std::clamp(100 + 80 * std::sin(9 * u * v + 1) + n, 0.0, 255.0));
        p[3] = 255;
      }
    }
    return out;
  }();
  return bytes;
}

void ReadEveryPixel(benchmark::State& state) {
  const std::vector<std::uint8_t>& photo = Photo();
  for (auto _ : state) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < photo.size(); i += 4) sum += photo[i];
    benchmark::DoNotOptimize(sum);
  }
}

void Extract(benchmark::State& state) {
  const std::vector<std::uint8_t>& photo = Photo();
  const TPicturePixels pixels{photo, kWidth, kHeight, kWidth * 4};
  for (auto _ : state) {
    Result<std::vector<TColor>> colours =
        ExtractPictureColours(pixels, static_cast<int>(state.range(0)), static_cast<TPictureMood>(state.range(1)));
    benchmark::DoNotOptimize(colours.ok());
  }
}

BENCHMARK(ReadEveryPixel)->Unit(benchmark::kMillisecond)->Apply(bench::WithMinimum);
BENCHMARK(Extract)
    ->Args({8, 0})
    ->Args({16, 0})
    ->Args({16, 2})
    ->Unit(benchmark::kMillisecond)
    ->Apply(bench::WithMinimum);

}  // namespace
}  // namespace tintloom

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  tintloom::bench::TRatioReporter reporter({
      {"8 colours / one read of the picture", "Extract/8/0", "ReadEveryPixel", "the time itself under 200 ms"},
      {"16 colours, muted / one read of the picture", "Extract/16/2", "ReadEveryPixel", "the time itself under 200 ms"},
  });
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("Goal: an 8000 x 6000 photo's colours under 200 ms (times above); memory: a 1 MiB histogram\n"
              "and at most 32768 points, whatever the picture's size.\n");
  benchmark::Shutdown();
  return 0;
}
