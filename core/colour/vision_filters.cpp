// The canvas views' pixel loop, built by Google Highway for each instruction
// set that helps (SSE4, AVX2, NEON), the one to run chosen at run time. A
// pixel is three table rows of four floats summed in one vector and
// rounded to steps of a table back to bytes: no gathers, which some
// processors run slowly.

#include "core/colour/vision_filters.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <vector>

// The loop works on one pixel's four lanes: wider vectors add nothing, so
// the AVX-512 builds would only cost build time, and an AVX-512 processor
// runs the AVX2 build, as an AVX2 one does.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS \
  (HWY_SSSE3 | HWY_AVX3 | HWY_AVX3_DL | HWY_SVE | HWY_SVE2 | HWY_SVE_256 | HWY_SVE2_128)
#endif

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "core/colour/vision_filters.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#ifndef TINTLOOM_VISION_FILTERS_ONCE
#define TINTLOOM_VISION_FILTERS_ONCE
namespace tintloom {
namespace {

// Rec. 709 luminance weights of linear R, G and B.
constexpr std::array<double, 3> kLuminance = {0.2126, 0.7152, 0.0722};

constexpr TLinearMatrix kIdentity = {{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}}};
// Machado, Oliveira and Fernandes (2009), severity 1.0, on linear RGB.
constexpr TLinearMatrix kProtanopia = {{{0.152286, 1.052583, -0.204868},
                                        {0.114503, 0.786281, 0.099216},
                                        {-0.003882, -0.048116, 1.051998}}};
constexpr TLinearMatrix kDeuteranopia = {{{0.367322, 0.860646, -0.227968},
                                          {0.280085, 0.672501, 0.047413},
                                          {-0.011820, 0.042940, 0.968881}}};
constexpr TLinearMatrix kTritanopia = {{{1.255528, -0.076749, -0.178779},
                                        {-0.078411, 0.930809, 0.147602},
                                        {0.004733, 0.691367, 0.303900}}};

double SrgbToLinear(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }

double LinearToSrgb(double x) { return x <= 0.0031308 ? 12.92 * x : 1.055 * std::pow(x, 1.0 / 2.4) - 0.055; }

// Linear light back to a byte through a table of 65,536 even steps over
// 0..1 (and as far again on either side, where the simulations can reach,
// that clamps to 0 and 255). The closest two byte boundaries (near black,
// where the curve is steepest) lie 1/3294 apart, twenty steps: a value comes
// out as its exact rounding unless it lies within half a step (1/131070) of
// a boundary, where it may fall to the boundary's other side.
constexpr double kEncodeSteps = 65535.0;
constexpr std::int32_t kEncodeBias = 65536;  // steps below linear 0
constexpr std::size_t kEncodeSize = 3 * 65536 + 1;

const std::uint8_t* EncodeTable() {
  static const std::vector<std::uint8_t> table = [] {
    std::vector<std::uint8_t> t(kEncodeSize);
    for (std::size_t i = 0; i < kEncodeSize; ++i) {
      const double x = std::clamp((static_cast<double>(i) - kEncodeBias) / kEncodeSteps, 0.0, 1.0);
      t[i] = static_cast<std::uint8_t>(std::clamp(std::lround(LinearToSrgb(x) * 255.0), 0L, 255L));
    }
    return t;
  }();
  return table.data();
}

// A float of at most 2^22 plus 1.5 x 2^23 keeps no fraction: the sum is its
// nearest whole number, held in the low bits. Cheaper than a conversion,
// which must also mind values out of the int range.
constexpr float kRoundingAddend = 12582912.0f;
constexpr std::uint32_t kRoundingBits = 0x4B400000u;

// The last entry of the encode table. Every index is held to it: the
// matrices keep their sums inside the table (checked when a filter is made),
// but a read past its end must not depend on that alone. An index below the
// table wraps to a large one and is held there too.
constexpr std::uint32_t kLastEncodeIndex = kEncodeSize - 1;

// One pixel as every build computes it: the same float additions in the
// same order, then the rounding, so that the vector loops give these bytes.
inline TRgb24 FilterPixel(const float (*contributions)[256][4], const std::uint8_t* encode, TRgb24 p) {
  const float* b = contributions[0][p.blue];
  const float* g = contributions[1][p.green];
  const float* r = contributions[2][p.red];
  const auto at = [&](int k) {
    return encode[std::min(std::bit_cast<std::uint32_t>(b[k] + g[k] + r[k] + kRoundingAddend) - kRoundingBits,
                           kLastEncodeIndex)];
  };
  return TRgb24{at(0), at(1), at(2)};
}

}  // namespace
}  // namespace tintloom
#endif

HWY_BEFORE_NAMESPACE();
namespace tintloom {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

void FilterRow(const float (*contributions)[256][4], const std::uint8_t* encode, const TRgb24* in, TRgb24* out,
               std::int32_t width) {
#if HWY_TARGET == HWY_SCALAR
  for (std::int32_t x = 0; x < width; ++x) out[x] = FilterPixel(contributions, encode, in[x]);
#else
  const hn::FixedTag<float, 4> df;
  const hn::FixedTag<std::uint32_t, 4> du;
  const auto rounding = hn::Set(df, kRoundingAddend);
  const auto roundingBits = hn::Set(du, kRoundingBits);
  const auto last = hn::Set(du, kLastEncodeIndex);
  HWY_ALIGN std::uint32_t index[4];
  for (std::int32_t x = 0; x < width; ++x) {
    const TRgb24 p = in[x];
    const auto sum = hn::Add(hn::Add(hn::Load(df, contributions[0][p.blue]), hn::Load(df, contributions[1][p.green])),
                             hn::Load(df, contributions[2][p.red]));
    hn::Store(hn::Min(hn::Sub(hn::BitCast(du, hn::Add(sum, rounding)), roundingBits), last), du, index);
    out[x] = TRgb24{encode[index[0]], encode[index[1]], encode[index[2]]};
  }
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace tintloom
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace tintloom {

HWY_EXPORT(FilterRow);

const char* ViewFilterInstructionSet() {
  // Highway's targets are bits, the better the lower: the lowest this build
  // has and the processor runs is the one dispatched to.
  const std::int64_t runs = hwy::SupportedTargets() & HWY_TARGETS;
  return hwy::TargetName(runs & -runs);
}

const TLinearMatrix& ColourVisionMatrix(TColourVision vision) {
  switch (vision) {
    case TColourVision::Protan: return kProtanopia;
    case TColourVision::Deutan: return kDeuteranopia;
    case TColourVision::Tritan: return kTritanopia;
    case TColourVision::Normal: break;
  }
  return kIdentity;
}

TViewFilter::TViewFilter(TCanvasView view) : view_(view) {
  // Showing colours as they are needs no tables (nor start-up time).
  if (!view.ChangesColours()) return;
  // The whole view as one matrix on linear RGB: the simulation, then (for
  // values) every output the luminance of what the simulation gives.
  TLinearMatrix m = ColourVisionMatrix(view.vision);
  if (view.values) {
    std::array<double, 3> y{};
    for (int c = 0; c < 3; ++c) {
      for (int k = 0; k < 3; ++k) y[c] += kLuminance[k] * m[k][c];
    }
    m = {y, y, y};
  }
  // Rows and columns of m are (R, G, B); a surface's bytes are (B, G, R).
  // The tables hold encode-table steps, and the blue input's the bias too.
  constexpr int kRgbOfMemory[3] = {2, 1, 0};
  for (int in = 0; in < 3; ++in) {
    for (int b = 0; b < 256; ++b) {
      const double linear = SrgbToLinear(b / 255.0);
      for (int out = 0; out < 4; ++out) {
        const double weight = out < 3 ? m[kRgbOfMemory[out]][kRgbOfMemory[in]] : 0.0;
        const double offset = in == 0 ? kEncodeBias : 0.0;
        contributions_[in][b][out] = static_cast<float>(weight * linear * kEncodeSteps + offset);
      }
    }
  }
  // Every sum stays inside the table: each output's weights add up to
  // between -1 and 2 on either side.
  for (int out = 0; out < 3; ++out) {
    double low = 0.0, high = 0.0;
    for (int in = 0; in < 3; ++in) (m[out][in] < 0 ? low : high) += m[out][in];
    assert(low > -0.99 && high < 1.99);
    (void)low;
    (void)high;
  }
  EncodeTable();  // built with the first view, rather than inside a paint
}

TRgb24 TViewFilter::Apply(TRgb24 pixel) const {
  if (!view_.ChangesColours()) return pixel;
  return FilterPixel(contributions_, EncodeTable(), pixel);
}

void TViewFilter::ApplyRows(const TSurface& from, TSurface& to, std::int32_t firstRow, std::int32_t endRow) const {
  const std::int32_t width = std::min(from.width, to.width);
  const std::int32_t end = std::min(endRow, std::min(from.height, to.height));
  const std::uint8_t* encode = view_.ChangesColours() ? EncodeTable() : nullptr;
  for (std::int32_t y = std::max(firstRow, 0); y < end; ++y) {
    const TRgb24* in = from.rows[static_cast<std::size_t>(y)];
    TRgb24* out = to.rows[static_cast<std::size_t>(y)];
    if (encode != nullptr) {
      HWY_DYNAMIC_DISPATCH(FilterRow)(contributions_, encode, in, out, width);
    } else {
      std::copy(in, in + width, out);
    }
  }
}

bool TViewFilter::Apply(const TSurface& from, TSurface& to) const {
  if (to.width != from.width || to.height != from.height || to.Empty() != from.Empty()) {
    if (from.Empty()) {
      to.Release();
      return true;
    }
    if (!to.Create(from.width, from.height)) return false;
  }
  ApplyRows(from, to, 0, from.height);
  return true;
}

}  // namespace tintloom
#endif
