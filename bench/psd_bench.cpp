// Opening large artwork: a generated 3000 x 2000 PSD of 30 PackBits-compressed
// RGBA layers opened as the program opens it, against a floor that only
// unpacks the PackBits of every channel of the same file. The ratio between
// the two is the goal (at most 4x); it is printed after the table. The
// full-size PNG export of the same file is held to at most twice the open,
// the layered PSD export to at most three times the PNG export, and the
// same artwork as an OpenRaster document (a PNG per layer) to at most one and
// a half times the PSD's open.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>
#include <zip.h>

#include "bench/psd_generator.h"
#include "bench/ratio_reporter.h"
#include "core/artwork/blend_formulas.h"
#include "core/artwork/compose_kernels.h"
#include "core/artwork/packbits.h"
#include "core/artwork/psd_document.h"
#include "core/document/artwork_export.h"
#include "core/document/coordination_model.h"
#include "core/document/layered_export.h"
#include "core/formats/png_file.h"

namespace tintloom {
namespace {

struct Quiet final : TModelViews {};

constexpr std::int32_t kWidth = 3000, kHeight = 2000;

std::vector<std::uint8_t> GeneratedArtwork() {
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
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// The generated file on disk for the run, removed at exit.
struct TArtworkFile {
  std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("tintloom_psd_bench_" + std::to_string(::getpid()) + ".psd");
  std::uint64_t size = 0;
  TArtworkFile() {
    const std::vector<std::uint8_t> bytes = GeneratedArtwork();
    size = bytes.size();
    WriteFile(path, bytes);
  }
  ~TArtworkFile() { std::filesystem::remove(path); }
};

const TArtworkFile& ArtworkFile() {
  static const TArtworkFile file;
  return file;
}

// The same 30 layers as an OpenRaster document: each layer a PNG as Krita
// writes them (stored in the zip, as PNGs are compressed already), clipped
// layers drawn over what lies beneath them, the same modes and opacities.
struct TOraFile {
  std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("tintloom_psd_bench_" + std::to_string(::getpid()) + ".ora");
  std::uint64_t size = 0;
  TOraFile() {
    const auto folder = std::filesystem::path(path.string() + ".layers");
    std::filesystem::create_directories(folder);
    std::string stack = "<image w='" + std::to_string(kWidth) + "' h='" + std::to_string(kHeight) + "'><stack>";
    std::vector<std::uint8_t> row(static_cast<std::size_t>(kWidth) * 4);
    for (int i = 29; i >= 0; --i) {  // top first
      const std::string name = "layer" + std::to_string(i) + ".png";
      TPngWriter png;
      if (!png.Open((folder / name).string(), kWidth, kHeight, true)) return;
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
          const int band = (x / (97 + i) + y / (61 + 3 * i)) % 4;
          for (int id : {0, 1, 2, -1}) {
            row[static_cast<std::size_t>(x) * 4 + static_cast<std::size_t>(id < 0 ? 3 : id)] =
                static_cast<std::uint8_t>(band == 0 ? (x * 7 + y * 3 + id * 40 + i) & 0xFF : 60 * band + id * 20);
          }
        }
        if (!png.WriteRow(row.data())) return;
      }
      if (!png.Finish()) return;
      const char* mode = i % 3 == 2 ? "svg:src-atop" : i % 2 == 0 ? "svg:src-over" : "svg:multiply";
      stack += "<layer name='" + std::to_string(i) + "' src='data/" + name + "' composite-op='" + mode +
               "' opacity='" + std::to_string((255 - i * 4) / 255.0) + "'/>";
    }
    stack += "</stack></image>";
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (zip == nullptr) return;
    static const char kMime[] = "image/openraster";
    zip_file_add(zip, "mimetype", zip_source_buffer(zip, kMime, sizeof kMime - 1, 0), 0);
    zip_file_add(zip, "stack.xml", zip_source_buffer(zip, stack.data(), stack.size(), 0), 0);
    for (int i = 0; i < 30; ++i) {
      const std::string name = "layer" + std::to_string(i) + ".png";
      const zip_int64_t at =
          zip_file_add(zip, ("data/" + name).c_str(), zip_source_file(zip, (folder / name).c_str(), 0, -1), 0);
      if (at >= 0) zip_set_file_compression(zip, static_cast<zip_uint64_t>(at), ZIP_CM_STORE, 0);
    }
    zip_close(zip);
    std::filesystem::remove_all(folder);
    size = std::filesystem::file_size(path);
  }
  ~TOraFile() { std::filesystem::remove(path); }
};

// Every blend mode's table, as the program has it after start-up.
void LoadBlendTable() {
  TBlendTable& table = GlobalBlendTable();
  if (table.Loaded()) return;
  const auto path = std::filesystem::temp_directory_path() / ("tintloom_psd_bench_" + std::to_string(::getpid()) + ".dat");
  WriteFile(path, BuildBlendTableFile());
  const Result<> loaded = table.LoadBlendTable(path.string());
  std::filesystem::remove(path);
  if (!loaded) std::fprintf(stderr, "%s\n", loaded.error().message.c_str());
}

// The whole open command through the model: read and check the file, reduce
// and shrink each group as it is decoded, place, pick image, ramps, mappings,
// thumbnails and the first composition.
void BM_OpenSampleArtwork(benchmark::State& state) {
  const TArtworkFile& file = ArtworkFile();
  LoadBlendTable();
  Quiet views;
  TSilentMessages messages;
  TCoordinationModel model(views, messages);
  for (auto _ : state) {
    model.OpenSampleArtwork(file.path.string());
    if (model.LayerCount() != 20) state.SkipWithError("open failed");
    benchmark::DoNotOptimize(model.Canvas().rows.data());
  }
  state.counters["file_MB"] = static_cast<double>(file.size) / 1e6;
}
BENCHMARK(BM_OpenSampleArtwork)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true)->Apply(bench::WithMinimum);

// The same artwork opened from the OpenRaster document: every layer's PNG
// inflated, then prepared as the PSD's layers are.
void BM_OpenOraArtwork(benchmark::State& state) {
  static const TOraFile file;
  LoadBlendTable();
  Quiet views;
  TSilentMessages messages;
  TCoordinationModel model(views, messages);
  for (auto _ : state) {
    model.OpenSampleArtwork(file.path.string());
    if (model.LayerCount() != 20) state.SkipWithError("open failed");
    benchmark::DoNotOptimize(model.Canvas().rows.data());
  }
  state.counters["file_MB"] = static_cast<double>(file.size) / 1e6;
}
BENCHMARK(BM_OpenOraArtwork)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true);

// The recoloured artwork of the same file written at its own size: the file
// read again and reduced a band of rows at a time, composed, and written as
// PNG row by row. Every layer on a colour slot of its own.
// The full-size exports, PNG or layered PSD, of the opened file with `model`.
template <class Export>
void ExportFullSize(benchmark::State& state, const char* extension, Export write) {
  const TArtworkFile& file = ArtworkFile();
  LoadBlendTable();
  Quiet views;
  TSilentMessages messages;
  TCoordinationModel model(views, messages);
  model.ConstructScheme();
  model.OpenSampleArtwork(file.path.string());
  for (int i = 0; i < model.LayerCount(); ++i) {
    model.LayerMapping(i).MappedSlot = static_cast<std::int16_t>(i % 10);
    model.BuildLayerLookup(i);
  }
  const std::string out = file.path.string() + extension;
  for (auto _ : state) {
    const Result<TRenderOutcome> written = write(model, out);
    if (!written) state.SkipWithError(written.error().message.c_str());
  }
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(out)) / 1e6;
  std::filesystem::remove(out);
}

void BM_ExportArtworkFullSize(benchmark::State& state) {
  ExportFullSize(state, ".png", [](const TCoordinationModel& model, const std::string& out) {
    return ExportArtworkPng(model, out, TRenderBackground{}, 0, nullptr);
  });
}
BENCHMARK(BM_ExportArtworkFullSize)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true)->Apply(bench::WithMinimum);

// Every working layer recoloured and written as a layer of a PSD, with the
// merged picture the PNG export holds.
void BM_ExportLayeredPsd(benchmark::State& state) {
  ExportFullSize(state, ".psd", [](const TCoordinationModel& model, const std::string& out) {
    return ExportLayeredPsd(model, out, nullptr);
  });
}
BENCHMARK(BM_ExportLayeredPsd)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true)->Apply(bench::WithMinimum);

// The floor: only the PackBits of every channel unpacked, row by row, with
// the reader's own UnpackRow into one reused plane (the file read into memory
// and its records read once, outside the timing).
void BM_UnpackPackBits(benchmark::State& state) {
  const std::vector<std::uint8_t> bytes = GeneratedArtwork();
  TSilentProgress progress;
  TPSD doc;
  if (!DecodePsd(bytes, "bench.psd", doc, progress, true)) {
    state.SkipWithError("read failed");
    return;
  }
  std::vector<std::uint8_t> plane(static_cast<std::size_t>(kWidth) * kHeight);
  for (auto _ : state) {
    std::uint64_t unpacked = 0;
    for (const TPSDLayer& layer : doc.Layers) {
      const auto rows = static_cast<std::size_t>(layer.height);
      const auto row_width = static_cast<std::size_t>(layer.width);
      for (const TPSDChannel& channel : layer.ChannelData) {
        const auto data = std::span(bytes).subspan(static_cast<std::size_t>(channel.dataOffset),
                                                   static_cast<std::size_t>(channel.dataLength));
        std::size_t at = rows * 2;
        for (std::size_t r = 0; r < rows; ++r) {
          const std::size_t count = static_cast<std::size_t>(data[r * 2] << 8 | data[r * 2 + 1]);
          unpacked += UnpackRow(std::span(plane).subspan(r * row_width, row_width), data.subspan(at, count));
          at += count;
        }
      }
    }
    benchmark::DoNotOptimize(plane.data());
    benchmark::DoNotOptimize(unpacked);
  }
}
BENCHMARK(BM_UnpackPackBits)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5)->ReportAggregatesOnly(true)->Apply(bench::WithMinimum);

}  // namespace
}  // namespace tintloom

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  tintloom::bench::TRatioReporter reporter({
      {"open / PackBits floor", "BM_OpenSampleArtwork/iterations:3/repeats:5", "BM_UnpackPackBits/iterations:5/repeats:5", "<= 4x"},
      {"full-size PNG export / open", "BM_ExportArtworkFullSize/iterations:3/repeats:5",
       "BM_OpenSampleArtwork/iterations:3/repeats:5", "<= 2x"},
      {"layered PSD export / full-size PNG export", "BM_ExportLayeredPsd/iterations:3/repeats:5",
       "BM_ExportArtworkFullSize/iterations:3/repeats:5", "<= 3x"},
      {"OpenRaster open / PSD open", "BM_OpenOraArtwork/iterations:3/repeats:5",
       "BM_OpenSampleArtwork/iterations:3/repeats:5", "<= 1.5x"},
  });
  std::printf("Processor: %s\n", tintloom::bench::ProcessorClass().c_str());
  std::printf("Kernel in use: %s\n", tintloom::ComposeKernelName(tintloom::ActiveComposeKernel()));
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
