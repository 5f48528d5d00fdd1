#include "core/artwork/compositor.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/artwork/band_workers.h"
#include "core/artwork/channel_mix.h"
#include "core/artwork/compose_kernels.h"

namespace tintloom {

namespace {

// The working layers a document holds, whatever its record count says: a
// count beyond the array (never made by the reader) draws nothing extra.
std::span<const TSimpleLayer> WorkingLayers(const TPSD& document) {
  const auto count = static_cast<std::size_t>(document.workingLayerCount > 0 ? document.workingLayerCount : 0);
  return std::span<const TSimpleLayer>(document.Simples).first(std::min(count, document.Simples.size()));
}

bool HasFullPlanes(const TSimpleLayer& layer) {
  if (layer.width <= 0 || layer.height <= 0) return false;
  const auto size = static_cast<std::size_t>(layer.width) * static_cast<std::size_t>(layer.height);
  return layer.Pixel.size() >= size && layer.Alpha.size() >= size;
}

// Pixels are handled in chunks: a chunk whose alpha is all zero is passed
// over after reading only its alpha, an opaque normal chunk is copied, and
// any other chunk is spread into byte rows that MixBytes blends in one go.
constexpr std::size_t kChunk = 32;

bool AllZero(const std::uint8_t* a, std::size_t n) {
  std::uint8_t any = 0;
  for (std::size_t i = 0; i < n; ++i) any |= a[i];
  return any == 0;
}

bool AllOpaque(const std::uint8_t* a, std::size_t n) {
  std::uint8_t all = 255;
  for (std::size_t i = 0; i < n; ++i) all &= a[i];
  return all == 255;
}

// Blends n pixels of one layer row onto `out` (n <= kChunk pixels, three
// bytes each). Pixels with alpha 0 go through the mix too, which leaves them
// unchanged, as skipping them would.
void BlendChunk(const TLayerPass& pass, std::uint8_t* out, const std::uint8_t* grey, const std::uint8_t* alpha,
                std::size_t n) {
  if (AllZero(alpha, n)) return;
  if (pass.table == nullptr && AllOpaque(alpha, n)) {
    for (std::size_t i = 0; i + 1 < n; ++i) std::memcpy(out + 3 * i, pass.colours + 4 * grey[i], 4);
    std::memcpy(out + 3 * (n - 1), pass.colours + 4 * grey[n - 1], 3);
    return;
  }
  // One spare byte each for the four-byte stores of the last pixel.
  alignas(16) std::uint8_t target[3 * kChunk + 1];
  alignas(16) std::uint8_t weight[3 * kChunk + 1];
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t a = alpha[i] * 0x010101u;
    std::memcpy(weight + 3 * i, &a, 4);
    std::memcpy(target + 3 * i, pass.colours + 4 * grey[i], 4);
  }
  if (pass.table != nullptr) {
    for (std::size_t b = 0; b < 3 * n; ++b) target[b] = pass.table[out[b] * 256u + target[b]];
  }
  MixBytes(out, target, weight, 3 * n);
}

void BlendRow(const TLayerPass& pass, std::int64_t y, TRgb24* row) {
  const TSimpleLayer& layer = *pass.layer;
  const std::int64_t j = y - layer.top;
  const auto start = static_cast<std::size_t>(j * layer.width + pass.firstColumn);
  const std::uint8_t* grey = layer.Pixel.data() + start;
  const std::uint8_t* alpha = layer.Alpha.data() + start;
  auto* out = reinterpret_cast<std::uint8_t*>(row + (layer.left + pass.firstColumn));
  const auto count = static_cast<std::size_t>(pass.endColumn - pass.firstColumn);
  for (std::size_t s = 0; s < count; s += kChunk) {
    BlendChunk(pass, out + 3 * s, grey + s, alpha + s, std::min(kChunk, count - s));
  }
}

// Clips the layer to the surface; false when nothing of it lands there.
bool PlaceLayer(const TSimpleLayer& layer, const TSurface& surface, TLayerPass& pass) {
  pass.layer = &layer;
  pass.grey = layer.Pixel.data();
  pass.alpha = layer.Alpha.data();
  pass.left = layer.left;
  pass.top = layer.top;
  pass.width = layer.width;
  pass.firstColumn = std::max<std::int64_t>(0, -static_cast<std::int64_t>(layer.left));
  pass.endColumn = std::min<std::int64_t>(layer.width, static_cast<std::int64_t>(surface.width) - layer.left);
  pass.firstRow = std::max<std::int64_t>(0, layer.top);
  pass.endRow = std::min<std::int64_t>(surface.height, static_cast<std::int64_t>(layer.top) + layer.height);
  return pass.firstColumn < pass.endColumn && pass.firstRow < pass.endRow;
}

// How the vector kernel's formulas stand to the loaded table, checked once
// per table and kernel on first use (by the thread that owns the table).
const TBlendTable::TFormulaCheck& FormulaCheck(const TBlendTable& blend, TComposeKernel kernel) {
  TBlendTable::TFormulaCheck& check = blend.FormulaCheck();
  const TVectorKernel* vector = VectorKernel(kernel);
  if (vector != nullptr && check.kernel != static_cast<int>(kernel)) {
    std::array<const std::uint8_t*, kBlendModeCount> tables;
    for (int c = 0; c < kBlendModeCount; ++c) tables[static_cast<std::size_t>(c)] = blend.Table(c);
    vector->checkBlendFormulas(tables.data(), check.exact.data());
    check.kernel = static_cast<int>(kernel);
  }
  return check;
}

// Whether the vector formula of `code` gives every entry of the loaded table.
bool FormulaReproduces(const TBlendTable& blend, int code, TComposeKernel kernel) {
  if (code < 0 || code >= kBlendModeCount || VectorKernel(kernel) == nullptr) return false;
  return FormulaCheck(blend, kernel).exact[static_cast<std::size_t>(code)];
}

// Below this many layer pixels a composition is done on the calling thread:
// waking the others would cost more than it saves.
constexpr std::int64_t kThreadedPixels = 256 * 1024;

struct TComposition {
  TBandWork work;
  TComposeBand band;
  std::int64_t height;
};

void ComposeOneBand(const void* context, std::size_t index, std::vector<std::uint8_t>& scratch) {
  const auto& job = *static_cast<const TComposition*>(context);
  const auto need = static_cast<std::size_t>(BandScratchBytes(job.work.width));
  if (scratch.size() < need) scratch.resize(need);
  const std::int64_t y0 = static_cast<std::int64_t>(index) * kBandRows;
  job.band(job.work, y0, std::min<std::int64_t>(job.height, y0 + kBandRows), scratch.data());
}

// Each pixel still sees the layers bottom first whichever band or thread
// takes it, so neither changes a byte of the result.
void ComposeLayers(std::span<TLayerPass> passes, TSurface& surface, const TBlendTable& blend, TComposeKernel kernel) {
  if (passes.empty() || surface.height <= 0) return;
  TComposeBand band = ComposeBandPortable;
  if (const TVectorKernel* vector = VectorKernel(kernel)) {
    band = vector->composeBand;
    for (TLayerPass& pass : passes) pass.computed = FormulaReproduces(blend, pass.code, kernel);
  }
  std::int64_t pixels = 0;
  for (const TLayerPass& pass : passes) {
    pixels += (pass.endRow - pass.firstRow) * (pass.endColumn - pass.firstColumn);
  }
  const TComposition job{{passes.data(), passes.size(), surface.rows.data(), surface.width}, band, surface.height};
  const auto bands = static_cast<std::size_t>((surface.height + kBandRows - 1) / kBandRows);
  RunBands(bands, pixels < kThreadedPixels ? 1u : CompositionThreads(), ComposeOneBand, &job);
}

std::uint32_t PackColour(const TRgb24& c) {
  return static_cast<std::uint32_t>(c.blue) | static_cast<std::uint32_t>(c.green) << 8u |
         static_cast<std::uint32_t>(c.red) << 16u;
}

// The layer's mode, and its colour per grey level (colourOf(g)) in the form
// `kernel` reads, the other form left unset: this runs for every layer of
// every composition, on the calling thread. A mode whose table is missing
// draws as normal.
template <class ColourOf>
void SetColours(TLayerPass& pass, const TBlendTable& blend, TComposeKernel kernel, ColourOf colourOf) {
  const TSimpleLayer& layer = *pass.layer;
  pass.table = layer.BlendModeKey == kBlendNormal ? nullptr : blend.Table(layer.BlendModeKey);
  pass.code = pass.table == nullptr ? kBlendNormal : layer.BlendModeKey;
  for (std::size_t g = 0; g < 256; ++g) {
    const TRgb24 c = colourOf(g);
    if (kernel == TComposeKernel::kAvx512) {  // the byte-permute kernel
      pass.planes[0][g] = c.blue;
      pass.planes[1][g] = c.green;
      pass.planes[2][g] = c.red;
    } else {
      const std::uint32_t packed = PackColour(c);
      std::memcpy(pass.colours + 4 * g, &packed, 4);
    }
  }
}

}  // namespace

void ComposeBandPortable(const TBandWork& work, std::int64_t y0, std::int64_t y1, std::uint8_t* /*scratch*/) {
  for (const TLayerPass& pass : std::span<const TLayerPass>(work.passes, work.passCount)) {
    const std::int64_t from = std::max(y0, pass.firstRow), to = std::min(y1, pass.endRow);
    for (std::int64_t y = from; y < to; ++y) BlendRow(pass, y, work.rows[y]);
  }
}

namespace {

const char* const kKernelNames[] = {"portable", "sse4", "avx2", "avx512", "neon"};

// The fastest first.
constexpr TComposeKernel kByPreference[] = {TComposeKernel::kAvx512, TComposeKernel::kAvx2, TComposeKernel::kNeon,
                                            TComposeKernel::kSse4};

TComposeKernel BestKernel() {
  const char* forced = std::getenv("TINTLOOM_KERNEL");
  if (forced != nullptr && *forced != '\0') {
    for (const TComposeKernel kernel : kComposeKernels) {
      if (std::strcmp(forced, ComposeKernelName(kernel)) != 0) continue;
      const char* why = nullptr;
      if (ComposeKernelAvailable(kernel, &why)) return kernel;
      std::fprintf(stderr, "TINTLOOM_KERNEL=%s: %s; using the fastest available\n", forced, why);
    }
  }
  for (const TComposeKernel kernel : kByPreference) {
    if (ComposeKernelAvailable(kernel)) return kernel;
  }
  return TComposeKernel::kPortable;
}

TComposeKernel activeKernel = BestKernel();

#if defined(__x86_64__)
constexpr TVectorKernel kAvx512Kernel = {ComposeBandAvx512, BlendBytesAvx512, MixBytesAvx512,
                                         CheckBlendFormulasAvx512};
#endif

}  // namespace

const char* ComposeKernelName(TComposeKernel kernel) { return kKernelNames[static_cast<int>(kernel)]; }

bool ComposeKernelAvailable(TComposeKernel kernel, const char** why) {
  const char* reason = nullptr;
  switch (kernel) {
    case TComposeKernel::kPortable:
      break;
    case TComposeKernel::kAvx512:
#if defined(__x86_64__)
      // Needs AVX-512 F, BW, DQ, VL and VBMI (and BMI2, which every
      // processor with those has) and an operating system that saves their
      // registers, which the compiler's check includes.
      __builtin_cpu_init();
      if (!(__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
            __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl") &&
            __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("bmi2"))) {
        reason = "the processor lacks AVX-512 F/BW/DQ/VL/VBMI";
      }
#else
      reason = "built for another processor family";
#endif
      break;
    default:
      if (HighwayKernel(kernel) == nullptr) {
        reason = "built for another processor family";
      } else if (!HighwayKernelRuns(kernel)) {
        reason = "the processor lacks its instructions";
      }
      break;
  }
  if (why != nullptr) *why = reason;
  return reason == nullptr;
}

const TVectorKernel* VectorKernel(TComposeKernel kernel) {
  switch (kernel) {
    case TComposeKernel::kPortable: return nullptr;
#if defined(__x86_64__)
    case TComposeKernel::kAvx512: return &kAvx512Kernel;
#endif
    default: return HighwayKernel(kernel);
  }
}

TComposeKernel ActiveComposeKernel() { return activeKernel; }

void SelectComposeKernel(TComposeKernel kernel) {
  if (ComposeKernelAvailable(kernel)) activeKernel = kernel;
}

TTableBlend TableBlendFor(const TBlendTable& blend, int code) {
  TTableBlend result;
  result.table = blend.Table(code);
  if (result.table == nullptr) return result;
  result.code = code;
  result.computed = FormulaReproduces(blend, code, ActiveComposeKernel());
  return result;
}

void BlendTableRow(const TTableBlend& blend, const std::uint8_t* d, const std::uint8_t* s, std::uint8_t* out,
                   std::size_t n) {
  if (blend.table == nullptr) return;
  if (const TVectorKernel* vector = VectorKernel(ActiveComposeKernel())) {
    vector->blendBytes(blend.code, blend.table, blend.computed, d, s, out, n);
    return;
  }
  for (std::size_t i = 0; i < n; ++i) out[i] = blend.table[d[i] * 256u + (s != nullptr ? s[i] : 0u)];
}

void CompositeArtwork(const TPSD& document, TSurface& surface, std::span<const TArtworkLayer> records,
                      const TBlendTable& blend) {
  const std::span<const TSimpleLayer> layers = WorkingLayers(document);
  const TComposeKernel kernel = ActiveComposeKernel();
  std::vector<TLayerPass> passes;
  passes.reserve(std::min(layers.size(), records.size()));
  for (std::size_t i = 0; i < layers.size() && i < records.size(); ++i) {
    const TSimpleLayer& layer = layers[i];
    if (!HasFullPlanes(layer)) continue;
    if (records[i].hidden) continue;
    const auto& lookup = records[i].mapping.Lookup;
    if (lookup[0] == nullptr) continue;  // never mapped
    TLayerPass& pass = passes.emplace_back();
    if (!PlaceLayer(layer, surface, pass)) {
      passes.pop_back();
      continue;
    }
    SetColours(pass, blend, kernel, [&lookup](std::size_t g) { return *lookup[g]; });
  }
  ComposeLayers(passes, surface, blend, kernel);
}

void BuildPickImage(const TPSD& document, TSurface& surface, const TBlendTable& blend,
                    std::span<const TArtworkLayer> records) {
  const TComposeKernel kernel = ActiveComposeKernel();
  const std::span<const TSimpleLayer> layers = WorkingLayers(document);
  std::vector<TLayerPass> passes;
  for (std::size_t i = 0; i < layers.size(); ++i) {
    const TSimpleLayer& layer = layers[i];
    if (!HasFullPlanes(layer) || (i < records.size() && records[i].hidden)) continue;
    TLayerPass& pass = passes.emplace_back();
    if (!PlaceLayer(layer, surface, pass)) {
      passes.pop_back();
      continue;
    }
    // The layer's own grey level on all three channels.
    SetColours(pass, blend, kernel, [](std::size_t g) {
      const auto grey = static_cast<std::uint8_t>(g);
      return TRgb24{grey, grey, grey};
    });
    if (i < records.size()) {
      const std::int16_t mode = records[i].loadedBlendMode;
      pass.table = mode == kBlendNormal ? nullptr : blend.Table(mode);
      pass.code = pass.table == nullptr ? kBlendNormal : mode;
    }
  }
  ComposeLayers(passes, surface, blend, kernel);
}

}  // namespace tintloom

namespace tintloom {

void BuildLayerThumbnail(const TSimpleLayer& layer, TSurface& thumbnail) {
  thumbnail.Create(kThumbnailSize, kThumbnailSize);
  if (!HasFullPlanes(layer)) return;
  const std::int64_t w = layer.width;
  // Sample steps as floats, positions truncated: the last sample stays inside.
  const float sx = static_cast<float>(layer.width) * 0.03125f;
  const float sy = static_cast<float>(layer.height) * 0.03125f;
  for (int r = 0; r < kThumbnailSize; ++r) {
    const auto row = static_cast<std::int64_t>(static_cast<float>(r) * sy);
    for (int k = 0; k < kThumbnailSize; ++k) {
      const auto column = static_cast<std::int64_t>(static_cast<float>(k) * sx);
      const auto p = static_cast<std::size_t>(column + row * w);
      const auto grey = static_cast<std::uint8_t>(255 + (layer.Pixel[p] - 255) * layer.Alpha[p] / 255);
      thumbnail.At(k, r) = TRgb24{grey, grey, grey};
    }
  }
}

}  // namespace tintloom
