#pragma once
// What the compositor hands its row kernels: each layer clipped to the
// surface, with its colours per grey level and its blend. Three kinds of
// kernel share this: a portable one on the surface's interleaved rows; one
// for CPUs with 512-bit byte permutes, and one source built for AVX2, SSE4
// and NEON, both working on a band of rows split into blue, green and red
// planes. The vector ones compute most blend modes instead of looking them
// up. All give the same bytes as the one-pixel-at-a-time loop.

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/artwork/blend_table.h"
#include "core/colour/surface.h"

namespace tintloom {

struct TSimpleLayer;

// Plain data only: the vector kernel is built for other instructions than the
// rest of the program and so touches no shared inline code.
struct TLayerPass {
  const TSimpleLayer* layer = nullptr;
  const std::uint8_t* grey = nullptr;   // the layer's planes, width x height
  const std::uint8_t* alpha = nullptr;
  std::int64_t left = 0, top = 0, width = 0;  // the layer's place and row length
  std::int16_t code = kBlendNormal;     // the mode drawn: normal when its table is missing
  const std::uint8_t* table = nullptr;  // the mode's 256 x 256 table; null for normal
  bool computed = false;                // the vector formula gives this table's every entry
  // Colours per grey level, as blue, green, red, unused (four-byte loads)
  // for the portable kernel and the Highway one, or split into three planes
  // of 256 for the AVX-512 one's byte permutes. Only the form the kernel in
  // use reads is filled.
  alignas(64) std::uint8_t colours[256 * 4] = {};
  alignas(64) std::uint8_t planes[3][256] = {};
  std::int64_t firstColumn = 0, endColumn = 0;  // layer columns k on the surface
  std::int64_t firstRow = 0, endRow = 0;        // surface rows y
};

struct TBandWork {
  const TLayerPass* passes = nullptr;  // bottom first
  std::size_t passCount = 0;
  TRgb24* const* rows = nullptr;  // the surface's row table
  std::int64_t width = 0;         // surface width
};

// Rows a band holds, and the scratch bytes a band of a surface `width`
// pixels wide needs.
inline constexpr std::int64_t kBandRows = 16;
inline constexpr std::int64_t BandScratchBytes(std::int64_t width) {
  return kBandRows * 4 * ((width + 63) / 64 * 64) + 64;
}

// Composes every pass over surface rows [y0, y1), y1 - y0 <= kBandRows,
// bottom pass first. `scratch` (BandScratchBytes) is the calling thread's own.
using TComposeBand = void (*)(const TBandWork& work, std::int64_t y0, std::int64_t y1, std::uint8_t* scratch);

void ComposeBandPortable(const TBandWork& work, std::int64_t y0, std::int64_t y1, std::uint8_t* scratch);

#if defined(__x86_64__)
void ComposeBandAvx512(const TBandWork& work, std::int64_t y0, std::int64_t y1, std::uint8_t* scratch);
// out[i] = table[d[i] * 256 + s[i]] (s null: sources 0) for blend code
// 0..16, from the formula where `computed`.
void BlendBytesAvx512(int code, const std::uint8_t* table, bool computed, const std::uint8_t* d,
                      const std::uint8_t* s, std::uint8_t* out, std::size_t n);
// The kernel's mix, d + (t - d) * a / 255 truncated, over n bytes.
void MixBytesAvx512(const std::uint8_t* d, const std::uint8_t* t, const std::uint8_t* a, std::uint8_t* out,
                    std::size_t n);
// Which of the seventeen tables the vector formulas reproduce exactly, tried
// on every backdrop and source. A table that differs anywhere (a changed or
// short blend file) is looked up instead, entry by entry. tables[code] may
// be null (no table: not exact).
void CheckBlendFormulasAvx512(const std::uint8_t* const* tables, bool* exact);
#endif

// The kernel compositions use. The fastest the processor has is chosen,
// unless the environment variable TINTLOOM_KERNEL names another it has
// (portable, sse4, avx2, avx512, neon: for measuring and testing); tests
// select each in turn to compare them.
enum class TComposeKernel { kPortable, kSse4, kAvx2, kAvx512, kNeon };
inline constexpr TComposeKernel kComposeKernels[] = {TComposeKernel::kPortable, TComposeKernel::kSse4,
                                                     TComposeKernel::kAvx2, TComposeKernel::kAvx512,
                                                     TComposeKernel::kNeon};
const char* ComposeKernelName(TComposeKernel kernel);
// Whether this build has the kernel and this processor can run it; `why`
// (optional) is set to the reason when not.
bool ComposeKernelAvailable(TComposeKernel kernel, const char** why = nullptr);
TComposeKernel ActiveComposeKernel();
void SelectComposeKernel(TComposeKernel kernel);  // ignored when not available

// A vector kernel's entry points (the ones above for AVX-512).
struct TVectorKernel {
  TComposeBand composeBand;
  void (*blendBytes)(int code, const std::uint8_t* table, bool computed, const std::uint8_t* d,
                     const std::uint8_t* s, std::uint8_t* out, std::size_t n);
  void (*mixBytes)(const std::uint8_t* d, const std::uint8_t* t, const std::uint8_t* a, std::uint8_t* out,
                   std::size_t n);
  void (*checkBlendFormulas)(const std::uint8_t* const* tables, bool* exact);
};
// Null for the portable kernel and for kernels this build lacks.
const TVectorKernel* VectorKernel(TComposeKernel kernel);

// The kernels built from one source for several instruction sets
// (compose_highway.cpp): null where this build has none for `kernel`.
const TVectorKernel* HighwayKernel(TComposeKernel kernel);
bool HighwayKernelRuns(TComposeKernel kernel);  // this processor has its instructions

}  // namespace tintloom
