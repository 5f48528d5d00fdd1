// Layer preparation: clipping groups merged into grey working layers with
// alpha, then shrunk to fit the canvas.
//
// Arithmetic model of the shrink and the clipped blend: every quantity the
// algorithm keeps (the scale, window starts, sums, fractions, coverage) is a
// 32-bit float, while each expression is evaluated in double before it is
// stored or truncated, as the original x87 code did in extended precision.
// The results must match another implementation pixel for pixel, so the
// order of operations below is deliberate; do not "simplify" it.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <atomic>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "core/artwork/band_workers.h"
#include "core/artwork/channel_mix.h"
#include "core/artwork/compose_kernels.h"
#include "core/artwork/compositor.h"
#include "core/artwork/full_size_layers.h"
#include "core/artwork/preparation_kernels.h"
#include "core/artwork/psd_document.h"

namespace tintloom {

namespace {

constexpr double kCanvasSide = 600.0;

std::uint8_t TruncByte(double v) {
  // Mathematically every value here lies in 0..255; the clamp only guards
  // against a rounding step past either end.
  if (!(v > 0.0)) return 0;
  if (v >= 255.0) return 255;
  return static_cast<std::uint8_t>(static_cast<int>(v));
}

template <typename T>
bool TryReserve(std::vector<T>& v, std::size_t n) {
  try {
    v.reserve(n);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

template <typename T>
bool TryAssign(std::vector<T>& v, std::size_t n, T value) {
  try {
    v.assign(n, value);
    return true;
  } catch (const std::bad_alloc&) {
    v = {};
    return false;
  }
}

// One colour row of a clipped layer onto the surface row: d moves toward the
// source (or the blend table's result) by the coverage f, truncated. The sum
// is formed in double, as everywhere in preparation; it lies between d and
// the target, so the truncation needs no clamp. Built also for AVX2 and
// AVX-512, chosen when the program loads: the same double operations on more
// lanes at once (the build never fuses a multiply and an add).
#if defined(__x86_64__)
__attribute__((target_clones("avx512f", "avx2", "default")))
#endif
void MoveToward(std::uint8_t* __restrict d, const std::uint8_t* s, const float* __restrict f, std::size_t n) {
  if (s != nullptr) {
    for (std::size_t i = 0; i < n; ++i) {
      d[i] = static_cast<std::uint8_t>(static_cast<int>(d[i] + static_cast<double>(f[i]) * (s[i] - d[i])));
    }
  } else {
    for (std::size_t i = 0; i < n; ++i) {
      d[i] = static_cast<std::uint8_t>(static_cast<int>(d[i] + static_cast<double>(f[i]) * (0 - d[i])));
    }
  }
}

// Whether the row steps take their AVX-512 forms: with the compositor's
// vector kernel, so that tests choosing a kernel compare both.
bool VectorRows() { return ActiveComposeKernel() == TComposeKernel::kAvx512; }

// The table's results first (for a mode with a table), then the move.
void BlendRow(std::uint8_t* d, const std::uint8_t* s, const float* f, std::size_t n, const TTableBlend& blend,
              std::uint8_t* scratch, bool vector) {
  if (blend.table != nullptr) {
    BlendTableRow(blend, d, s, scratch, n);
    s = scratch;
  }
#if defined(__x86_64__)
  if (vector) {
    MoveTowardAvx512(d, s, f, n);
    return;
  }
#endif
  if (const TMoveToward move = vector ? nullptr : HighwayMoveToward(ActiveComposeKernel())) {
    move(d, s, f, n);
    return;
  }
  MoveToward(d, s, f, n);
}

// The half-open range of indices i in [0, n) for which i + offset lies in
// [0, limit).
struct TSpan {
  std::int64_t begin = 0, end = 0;
};
TSpan Overlap(std::int64_t n, std::int64_t offset, std::int64_t limit) {
  TSpan span{std::max<std::int64_t>(0, -offset), std::min<std::int64_t>(n, limit - offset)};
  if (span.end < span.begin) span.end = span.begin;
  return span;
}

float CanvasScale(const TPSD& doc) {
  const double side = doc.fit_side > 0 ? doc.fit_side : kCanvasSide;
  const float sx = static_cast<float>(doc.width * (1.0 / side));
  const float sy = static_cast<float>(doc.height * (1.0 / side));
  return std::max(sx, sy);
}

// (77 red + 151 green + 28 blue) >> 8, into the red bytes.
void GreyLevels(std::uint8_t* __restrict red, const std::uint8_t* __restrict green,
                const std::uint8_t* __restrict blue, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    red[i] = static_cast<std::uint8_t>((77 * red[i] + 151 * green[i] + 28 * blue[i]) >> 8);
  }
}

// opacity x a x m / 65025, truncated. Without a mask m is 255, and then
// floor(255 x / 65025) = floor(x / 255) with x = opacity x a <= 65025.
void ApplyOpacity(std::uint8_t* alpha, std::size_t n, std::uint8_t opacity) {
  for (std::size_t i = 0; i < n; ++i) alpha[i] = static_cast<std::uint8_t>(Div255(static_cast<std::uint16_t>(opacity * alpha[i])));
}

}  // namespace

namespace {

// AreaAverage over a line of n elements of which `line` holds those from
// `origin` on (the window never starts before it).
std::uint8_t AreaAverageFrom(const std::uint8_t* line, std::ptrdiff_t stride, std::int64_t origin, std::int64_t n,
                             float start, float span, std::uint8_t outside) {
  auto value = [&](std::int64_t i) -> double {
    return i < n ? line[static_cast<std::ptrdiff_t>(i - origin) * stride] : outside;
  };
  const double a = start;
  const double s = span;
  const std::int64_t e = static_cast<std::int64_t>(a);
  const std::int64_t z = static_cast<std::int64_t>(a + s);
  float sum = 0.0f;
  for (std::int64_t i = e; i < z; ++i) sum = static_cast<float>(sum + value(i));
  sum = static_cast<float>(sum - (a - static_cast<double>(e)) * value(e));
  sum = static_cast<float>(sum + (a + s - static_cast<double>(z)) * value(z));
  return TruncByte(sum / s + 0.5);
}

}  // namespace

std::uint8_t AreaAverage(const std::uint8_t* line, std::ptrdiff_t stride, std::int32_t n, float start, float span,
                         std::uint8_t outside) {
  return AreaAverageFrom(line, stride, 0, n, start, span, outside);
}

namespace {

std::int32_t ShrunkSize(std::int32_t size, float s) {
  const double q = size / static_cast<double>(s);
  std::int32_t n = static_cast<std::int32_t>(q);
  if (static_cast<float>(q - n) > 0.0f) ++n;
  return n;
}

// Where each output of one pass takes its window: a_0 = 0, a_{j+1} = a_j + s
// accumulated as a float, the same for every row (and every column), so the
// integer bounds and the two fractions AreaAverage forms are made once.
struct TWindows {
  std::vector<float> start;
  std::vector<std::int64_t> first, last;   // e = trunc(a), z = trunc(a + s)
  std::vector<double> lead, tail;          // a - e, a + s - z
  // Outputs before this one have their whole window, last element included,
  // inside the line; the rest reach the outside value.
  std::size_t inside = 0;
};

// The windows of outputs [from, to) of a line of n elements. The starts
// before `from` are accumulated but not kept; once adding s no longer moves
// the start (far beyond any real line), no later window moves either.
TWindows Windows(std::int64_t from, std::int64_t to, float s, std::int64_t n) {
  TWindows w;
  float a = 0.0f;
  for (std::int64_t j = 0; j < from; ++j) {
    const auto next = static_cast<float>(static_cast<double>(a) + s);
    if (next == a) break;
    a = next;
  }
  const auto c = static_cast<std::size_t>(to - from);
  w.start.resize(c);
  w.first.resize(c);
  w.last.resize(c);
  w.lead.resize(c);
  w.tail.resize(c);
  for (std::size_t j = 0; j < c; ++j) {
    w.start[j] = a;
    const double ad = a;
    w.first[j] = static_cast<std::int64_t>(ad);
    w.last[j] = static_cast<std::int64_t>(ad + s);
    w.lead[j] = ad - static_cast<double>(w.first[j]);
    w.tail[j] = ad + s - static_cast<double>(w.last[j]);
    if (w.last[j] < n) w.inside = j + 1;
    a = static_cast<float>(ad + s);
  }
  return w;
}

// The first element the windows read and one past the last inside the
// line (at least one element), and the bounds made relative to the first.
std::pair<std::int64_t, std::int64_t> HeldElements(TWindows& w, std::int64_t n) {
  if (w.first.empty()) return {0, 0};
  const std::int64_t begin = std::min(w.first.front(), n - 1);
  const std::int64_t end = std::min(n, w.last.back() + 1);
  for (auto& e : w.first) e -= begin;
  for (auto& z : w.last) z -= begin;
  return {begin, end};
}

// AreaAverage's last steps, given the window's whole-element sum and its
// first and last elements. The sum of whole elements is an integer the
// float accumulation holds exactly (see FitsFloatSum).
// TruncByte without branches, so that whole rows go through vector registers.
std::uint8_t FinishAverage(std::int32_t whole, std::int32_t first, std::int32_t last, double lead, double tail,
                           double s) {
  float sum = static_cast<float>(whole);
  sum = static_cast<float>(sum - lead * first);
  sum = static_cast<float>(sum + tail * last);
  return static_cast<std::uint8_t>(static_cast<int>(std::min(std::max(sum / s + 0.5, 0.0), 255.0)));
}

std::uint32_t SumRun(const std::uint8_t* p, std::size_t n) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += p[i];
  return sum;
}

// The sum of the bytes of `word` that `keep` keeps (whole bytes, at most
// eight of them): added in pairs into four 16-bit lanes (each at most 510),
// then the lanes summed into the top one by one multiply (at most 2040, so
// no lane carries into the next).
std::uint32_t SumWordBytes(std::uint64_t word, std::uint64_t keep) {
  constexpr std::uint64_t kEvenBytes = 0x00FF00FF00FF00FFull;
  const std::uint64_t v = word & keep;
  const std::uint64_t pairs = (v & kEvenBytes) + ((v >> 8) & kEvenBytes);
  return static_cast<std::uint32_t>((pairs * 0x0001000100010001ull) >> 48);
}

std::int64_t LongestWindow(const TWindows& windows) {
  std::int64_t longest = 0;
  for (std::size_t j = 0; j < windows.inside; ++j) longest = std::max(longest, windows.last[j] - windows.first[j]);
  return longest;
}

// Whole-element sums stay below 2^24, where a float counts every integer,
// when a window holds at most 65537 bytes.
bool FitsFloatSum(float s) { return s < 65536.0f; }

// Everything about the shrink of a w x h plane by s that does not depend on
// its bytes, made once and shared by the bands that shrink it.
struct TShrinkPlan {
  // Made for outputs [j0, j0 + w2) across and [i0, i0 + h2) down of the
  // whole shrunk plane, which read the w x h elements from column x0 and
  // row y0 of the whole_w x whole_h plane (all of it unless the plane is
  // cropped to what can reach the canvas). Window bounds are relative to
  // x0 and y0; window starts stay those of the whole plane.
  std::int32_t w = 0, h = 0, w2 = 0, h2 = 0;
  std::int64_t j0 = 0, i0 = 0, x0 = 0, y0 = 0, whole_w = 0, whole_h = 0;
  float s = 1.0f;
  TWindows across, down;
  std::size_t across_inside = 0, down_inside = 0;
  // A window that starts and ends on element bounds (as every window does
  // at a whole-number scale) has nothing to take off or add, and its result
  // depends on its sum alone: those results are looked up.
  std::vector<std::uint8_t> by_sum;
  bool across_whole = true;
  // Windows of at most eight bytes are summed from one eight-byte read (on
  // a little-endian machine the first byte is the lowest), which must stay
  // inside the row: those form a leading run of the outputs.
  std::size_t by_word = 0;
  std::vector<std::uint64_t> keep;
  // The leading outputs the vector kernel takes, in chunks of eight (see
  // TAcrossChunks); `chunks` points into the vectors below.
  TAcrossChunks chunks;
  std::vector<std::int64_t> chunk_offset;
  std::vector<std::uint8_t> chunk_sum_index, chunk_ends_index;
  std::vector<std::uint64_t> chunk_sum_keep, chunk_ends_keep;
  std::vector<double> chunk_lead, chunk_tail;

  TShrinkPlan() = default;
  TShrinkPlan(const TShrinkPlan&) = delete;  // `chunks` points into this plan
  TShrinkPlan& operator=(const TShrinkPlan&) = delete;

  bool WholeWindow(const TWindows& windows, std::size_t j) const {
    return !by_sum.empty() && windows.lead[j] == 0.0 && windows.tail[j] == 0.0;
  }
  // The 32-bit words ShrinkAcross and ShrinkDown work in.
  std::size_t ScratchWords() const { return std::max(3 * across_inside, static_cast<std::size_t>(w2)); }
};

// Chunks of eight leading windows for the vector kernel, while each window
// holds at most eight bytes and a chunk's windows, with the byte after
// each, lie within 64 bytes of its first.
void PlanAcrossChunks(TShrinkPlan& p) {
  const TWindows& w = p.across;
  std::size_t chunks = 0;
  bool whole = true;
  for (std::size_t k = 0; 8 * k + 8 <= p.across_inside; ++k) {
    const std::int64_t at = w.first[8 * k];
    bool fits = true;
    for (std::size_t j = 8 * k; j < 8 * k + 8; ++j) fits = fits && w.last[j] - w.first[j] <= 8 && w.last[j] - at <= 63;
    if (!fits) break;
    p.chunk_offset.push_back(at);
    std::uint64_t sum_keep = 0, ends_keep = 0;
    for (std::size_t g = 0; g < 8; ++g) {
      const std::size_t j = 8 * k + g;
      for (std::int64_t i = 0; i < 8; ++i) {
        const bool in = i < w.last[j] - w.first[j];
        p.chunk_sum_index.push_back(static_cast<std::uint8_t>(in ? w.first[j] - at + i : 0));
        if (in) sum_keep |= std::uint64_t{1} << (8 * g + static_cast<std::size_t>(i));
      }
      for (std::int64_t i = 0; i < 8; ++i) {
        p.chunk_ends_index.push_back(static_cast<std::uint8_t>(i == 0 ? w.first[j] - at : i == 1 ? w.last[j] - at : 0));
      }
      ends_keep |= std::uint64_t{3} << (8 * g);
      p.chunk_lead.push_back(w.lead[j]);
      p.chunk_tail.push_back(w.tail[j]);
      whole = whole && w.lead[j] == 0.0 && w.tail[j] == 0.0;
    }
    p.chunk_sum_keep.push_back(sum_keep);
    p.chunk_ends_keep.push_back(ends_keep);
    ++chunks;
  }
  p.chunks.chunks = chunks;
  p.chunks.offset = p.chunk_offset.data();
  p.chunks.sum_index = p.chunk_sum_index.data();
  p.chunks.sum_keep = p.chunk_sum_keep.data();
  p.chunks.ends_index = p.chunk_ends_index.data();
  p.chunks.ends_keep = p.chunk_ends_keep.data();
  p.chunks.lead = p.chunk_lead.data();
  p.chunks.tail = p.chunk_tail.data();
  p.chunks.whole = whole;
  p.chunks.span = p.s;
  p.chunks.row_width = p.w;
}

// The plan of outputs [j0, j1) across and [i0, i1) down of a w x h plane.
void MakeShrinkPlan(TShrinkPlan& p, std::int32_t w, std::int32_t h, float s, std::int64_t j0, std::int64_t j1,
                    std::int64_t i0, std::int64_t i1) {
  p.s = s;
  p.whole_w = w;
  p.whole_h = h;
  p.j0 = j0;
  p.i0 = i0;
  p.w2 = static_cast<std::int32_t>(j1 - j0);
  p.h2 = static_cast<std::int32_t>(i1 - i0);
  p.across = Windows(j0, j1, s, w);
  p.down = Windows(i0, i1, s, h);
  const auto [x0, x1] = HeldElements(p.across, w);
  const auto [y0, y1] = HeldElements(p.down, h);
  p.x0 = x0;
  p.y0 = y0;
  p.w = static_cast<std::int32_t>(x1 - x0);
  p.h = static_cast<std::int32_t>(y1 - y0);
  w = p.w;
  p.across_inside = FitsFloatSum(s) ? p.across.inside : 0;
  p.down_inside = FitsFloatSum(s) ? p.down.inside : 0;
  const std::int64_t longest = std::max(LongestWindow(p.across), LongestWindow(p.down));
  if (FitsFloatSum(s) && longest <= 256) {
    p.by_sum.resize(static_cast<std::size_t>(longest * 255 + 1));
    for (std::size_t v = 0; v < p.by_sum.size(); ++v) {
      p.by_sum[v] = FinishAverage(static_cast<std::int32_t>(v), 0, 0, 0.0, 0.0, s);
    }
  }
  for (std::size_t j = 0; j < p.across_inside; ++j) p.across_whole = p.across_whole && p.WholeWindow(p.across, j);
  p.keep.resize(p.across_inside);
  if (std::endian::native == std::endian::little && LongestWindow(p.across) <= 8) {
    while (p.by_word < p.across_inside && p.across.first[p.by_word] + 8 <= w) {
      const std::int64_t n = p.across.last[p.by_word] - p.across.first[p.by_word];
      p.keep[p.by_word] = n == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * n)) - 1;
      ++p.by_word;
    }
  }
  PlanAcrossChunks(p);
}

void MakeShrinkPlan(TShrinkPlan& p, std::int32_t w, std::int32_t h, float s) {
  MakeShrinkPlan(p, w, h, s, 0, ShrunkSize(w, s), 0, ShrunkSize(h, s));
}

// Across `count` rows of w bytes into as many rows of w2 bytes. The bounds,
// the whole-element sums and the end bytes of a row are gathered first, so
// that the arithmetic runs on whole rows. `scratch` holds ScratchWords().
void ShrinkAcross(const TShrinkPlan& p, const std::uint8_t* rows, std::int64_t count, std::uint8_t* out,
                  std::uint8_t outside, std::int32_t* scratch, bool vector) {
  const TWindows& windows = p.across;
  const std::size_t inside = p.across_inside;
  const auto width = static_cast<std::size_t>(p.w), width2 = static_cast<std::size_t>(p.w2);
  const double span = p.s;
  std::int32_t* sums = scratch;
  std::int32_t* firsts = sums + inside;
  std::int32_t* lasts = firsts + inside;
  // The vector kernel's leading outputs, then the rest one by one. Without
  // AVX-512, the windows read in one word go through the other vector
  // kernels where they have a shrink and its arithmetic is not a lookup.
  const TShrinkWords words = vector || p.across_whole ? nullptr : HighwayShrinkWords(ActiveComposeKernel());
  const TWordWindows word_windows{windows.first.data(), windows.last.data(), p.keep.data(),
                                  windows.lead.data(), windows.tail.data(), span};
  const std::size_t from = vector ? 8 * p.chunks.chunks : words != nullptr ? p.by_word : 0;
  const TFinishAverages finish = p.across_whole ? nullptr : HighwayFinishAverages(ActiveComposeKernel());
  for (std::int64_t y = 0; y < count; ++y) {
    const std::uint8_t* row = rows + static_cast<std::size_t>(y) * width;
    std::uint8_t* out_row = out + static_cast<std::size_t>(y) * width2;
#if defined(__x86_64__)
    if (vector && from > 0) ShrinkAcrossAvx512(p.chunks, row, out_row);
#endif
    if (words != nullptr) words(word_windows, row, 0, p.by_word, out_row);
    for (std::size_t j = from; j < p.by_word; ++j) {
      std::uint64_t word;
      std::memcpy(&word, row + windows.first[j], 8);
      sums[j] = static_cast<std::int32_t>(SumWordBytes(word, p.keep[j]));
    }
    for (std::size_t j = std::max(from, p.by_word); j < inside; ++j) {
      const auto e = static_cast<std::size_t>(windows.first[j]);
      sums[j] = static_cast<std::int32_t>(SumRun(row + e, static_cast<std::size_t>(windows.last[j]) - e));
    }
    if (p.across_whole) {
      for (std::size_t j = from; j < inside; ++j) out_row[j] = p.by_sum[static_cast<std::size_t>(sums[j])];
    } else {
      for (std::size_t j = from; j < inside; ++j) {
        firsts[j] = row[windows.first[j]];
        lasts[j] = row[windows.last[j]];
      }
      if (finish != nullptr) {
        finish({sums, firsts, lasts, windows.lead.data(), windows.tail.data(), span}, from, inside, out_row);
      } else {
        for (std::size_t j = from; j < inside; ++j) {
          out_row[j] = FinishAverage(sums[j], firsts[j], lasts[j], windows.lead[j], windows.tail[j], span);
        }
      }
    }
    for (std::size_t j = inside; j < width2; ++j) {
      out_row[j] = AreaAverageFrom(row, 1, p.x0, p.whole_w, windows.start[j], p.s, outside);
    }
  }
}

// Output rows [o0, o1) down the columns of `across` (h rows of w2 bytes),
// into `out` from row o0 on, a whole output row at a time: the window's rows
// are summed into one accumulator row, so every read runs along a row.
// `scratch` holds ScratchWords().
void ShrinkDown(const TShrinkPlan& p, const std::uint8_t* across, std::int64_t o0, std::int64_t o1, std::uint8_t* out,
                std::uint8_t outside, std::int32_t* scratch) {
  const TWindows& windows = p.down;
  const auto width2 = static_cast<std::size_t>(p.w2);
  const double span = p.s;
  std::int32_t* whole = scratch;
  for (std::int64_t i = o0; i < o1; ++i) {
    const auto o = static_cast<std::size_t>(i);
    std::uint8_t* out_row = out + static_cast<std::size_t>(i - o0) * width2;
    if (o >= p.down_inside) {
      for (std::size_t x = 0; x < width2; ++x) {
        out_row[x] = AreaAverageFrom(across + x, p.w2, p.y0, p.whole_h, windows.start[o], p.s, outside);
      }
      continue;
    }
    const std::int64_t e = windows.first[o], z = windows.last[o];
    std::fill(whole, whole + width2, 0);
    for (std::int64_t r = e; r < z; ++r) {
      const std::uint8_t* in = across + static_cast<std::size_t>(r) * width2;
      for (std::size_t x = 0; x < width2; ++x) whole[x] += in[x];
    }
    const std::uint8_t* first = across + static_cast<std::size_t>(e) * width2;
    const std::uint8_t* last = across + static_cast<std::size_t>(z) * width2;
    const double lead = windows.lead[o], tail = windows.tail[o];
    if (p.WholeWindow(windows, o)) {
      for (std::size_t x = 0; x < width2; ++x) out_row[x] = p.by_sum[static_cast<std::size_t>(whole[x])];
    } else {
      for (std::size_t x = 0; x < width2; ++x) out_row[x] = FinishAverage(whole[x], first[x], last[x], lead, tail, span);
    }
  }
}

// ------------------------------------------------------------ groups in bands

// PackBits as UnpackRow decodes it, but only the bytes from `skip` on of the
// decoded row, into `out`; returns the bytes written.
std::size_t UnpackColumns(std::span<std::uint8_t> out, std::span<const std::uint8_t> packed, std::size_t skip) {
  if (skip == 0) return UnpackRow(out, packed);
  const std::size_t end = skip + out.size();
  std::size_t in = 0, at = 0;  // `at`: position in the decoded row
  // The part of decoded bytes [at, at + n) that falls in [skip, end).
  const auto part = [&](std::size_t n, std::size_t& from, std::size_t& count) {
    from = std::max(at, skip);
    const std::size_t to = std::min(at + n, end);
    count = to > from ? to - from : 0;
  };
  while (in < packed.size() && at < end) {
    const std::uint8_t h = packed[in++];
    std::size_t from = 0, count = 0;
    if (h < 128) {
      const std::size_t n = std::min(std::size_t{h} + 1, packed.size() - in);
      part(n, from, count);
      if (count > 0) std::memcpy(out.data() + (from - skip), packed.data() + in + (from - at), count);
      in += std::size_t{h} + 1;
      at += n;
    } else {
      if (in >= packed.size()) break;
      const std::uint8_t value = packed[in++];
      const std::size_t n = 257u - h;
      part(n, from, count);
      if (count > 0) std::memset(out.data() + (from - skip), value, count);
      at += n;
    }
  }
  return at > skip ? std::min(at, end) - skip : 0;
}

// Where the rows of one channel come from while its group is reduced: a
// plane decoded already, or the channel's bytes, decoded a few rows at a
// time as the bands reach them. No full-size plane is made, so a band's
// bytes are decoded, blended, made grey and shrunk while they are in the
// cache, and the group's decoded planes never exist whole. A source covers
// only the rows and columns its group can use (what reaches the canvas):
// rows [row_begin, row_end), columns [column_begin, column_begin + width) of
// rows `row_width` wide; Read and Rows hand out just those columns.
struct TRowSource {
  enum class TKind : std::uint8_t {
    kAbsent,  // the layer has no such channel
    kZeros,   // a plane of the wrong size: read as zeros, never indexed
    kPlane,   // decoded already
    kPacked,  // PackBits rows
    kRaw,     // raw bytes (or a compression not decoded)
  };
  TKind kind = TKind::kAbsent;
  std::int64_t row_begin = 0, row_end = 0;
  std::size_t column_begin = 0, width = 0, row_width = 0;
  const std::uint8_t* plane = nullptr;
  // kRaw: the channel's bytes from row row_begin on. kPacked: row r's packed
  // bytes are data[starts[r - row_begin], starts[r - row_begin + 1]); rows
  // from row_begin + starts.size() - 1 on have no complete data and read as
  // zeros, as in a plane zero-filled before reading.
  std::span<const std::uint8_t> data;
  std::vector<std::uint64_t> starts;
  // The bytes read from the file for `data`, when the file is not in memory.
  std::vector<std::uint8_t> held;

  bool Present() const { return kind != TKind::kAbsent; }

  // Rows [r0, r1) into `out`, every byte written.
  void Read(std::int64_t r0, std::int64_t r1, std::uint8_t* out) const {
    const std::size_t n = static_cast<std::size_t>(r1 - r0) * width;
    switch (kind) {
      case TKind::kAbsent:
      case TKind::kZeros:
        std::memset(out, 0, n);
        return;
      case TKind::kPlane:
        if (width == row_width) {
          std::memcpy(out, plane + static_cast<std::size_t>(r0) * width, n);
          return;
        }
        for (std::int64_t r = r0; r < r1; ++r) {
          std::memcpy(out + static_cast<std::size_t>(r - r0) * width,
                      plane + static_cast<std::size_t>(r) * row_width + column_begin, width);
        }
        return;
      case TKind::kRaw:
        for (std::int64_t r = r0; r < r1; ++r) {
          std::uint8_t* row = out + static_cast<std::size_t>(r - r0) * width;
          const auto from = static_cast<std::uint64_t>(r - row_begin) * row_width + column_begin;
          const std::size_t copied = from < data.size() ? std::min<std::size_t>(width, data.size() - from) : 0;
          if (copied > 0) std::memcpy(row, data.data() + from, copied);
          std::memset(row + copied, 0, width - copied);
        }
        return;
      case TKind::kPacked:
        for (std::int64_t r = r0; r < r1; ++r) {
          std::uint8_t* row = out + static_cast<std::size_t>(r - r0) * width;
          std::size_t written = 0;
          const auto k = static_cast<std::size_t>(r - row_begin);
          if (k + 1 < starts.size()) {
            written = UnpackColumns(std::span<std::uint8_t>(row, width),
                                    data.subspan(starts[k], starts[k + 1] - starts[k]), column_begin);
          }
          std::memset(row + written, 0, width - written);
        }
        return;
    }
  }

  // Row r: straight from a decoded plane, else read into `buffer`; null for
  // an absent channel.
  const std::uint8_t* Row(std::int64_t r, std::uint8_t* buffer) const {
    if (kind == TKind::kPlane) return plane + static_cast<std::size_t>(r) * row_width + column_begin;
    if (kind == TKind::kAbsent) return nullptr;
    Read(r, r + 1, buffer);
    return buffer;
  }
};

// The part of a plane a source covers: rows [r0, r1) and columns [c0, c1),
// both empty or inside the plane.
struct TPlaneWindow {
  std::int64_t r0 = 0, r1 = 0, c0 = 0, c1 = 0;
};

// The source of the layer's plane `index`, the user mask (sized by the mask
// rectangle) or a plane of the layer rectangle, for the part `window`. Its
// bytes are read from the file now, for the whole group; fails with the
// memory message when they or the row index cannot be had, or with the read
// error of a file changed since it was opened. An absent channel still
// knows its size, so that it reads as rows of zeros.
Result<> BindRows(const TPSD& doc, const TPSDLayer& layer, int index, bool is_mask, TPlaneWindow window,
                  TRowSource& source) {
  source = TRowSource{};
  const std::int64_t rows = is_mask ? layer.mask_height : layer.height;
  source.row_width = static_cast<std::size_t>(is_mask ? layer.mask_width : layer.width);
  source.row_begin = window.r0;
  source.row_end = window.r1;
  source.column_begin = static_cast<std::size_t>(window.c0);
  source.width = static_cast<std::size_t>(window.c1 - window.c0);
  const auto memory_error = [&] {
    const std::uint64_t size = static_cast<std::uint64_t>(rows) * source.row_width;
    return Fail(MemoryErrorText("TPSDLayer::InitializePictureData()::Layer->PixelData[i][]", index, size));
  };
  if (index < 0 || static_cast<std::size_t>(index) >= layer.PixelData.size() ||
      static_cast<std::size_t>(index) >= layer.ChannelData.size()) {
    return Ok();
  }
  const TPSDChannel& channel = layer.ChannelData[static_cast<std::size_t>(index)];
  const std::uint64_t size = static_cast<std::uint64_t>(rows) * source.row_width;
  const std::vector<std::uint8_t>& plane = layer.PixelData[static_cast<std::size_t>(index)];
  if (!plane.empty()) {
    source.kind = plane.size() == size ? TRowSource::TKind::kPlane : TRowSource::TKind::kZeros;
    source.plane = plane.data();
    return Ok();
  }
  // An empty plane reads as no channel at all.
  if ((doc.deferred_bytes.empty() && !doc.deferred_file) || size == 0) return Ok();
  const bool has_pixels = std::int64_t{layer.width} * layer.height > 0;
  if (window.r0 >= window.r1 || window.c0 >= window.c1) {
    source.kind = TRowSource::TKind::kZeros;  // never read
    return Ok();
  }
  const std::uint64_t begin = channel.data_offset, length = channel.data_length;
  if (channel.compression != 1 || !has_pixels) {
    // Whole rows from row r0 up to row r1, as far as the data goes.
    const std::uint64_t from = std::min<std::uint64_t>(length, static_cast<std::uint64_t>(window.r0) * source.row_width);
    const std::uint64_t to = std::min<std::uint64_t>(length, static_cast<std::uint64_t>(window.r1) * source.row_width);
    source.kind = TRowSource::TKind::kRaw;
    TRY_ASSIGN(source.data, DeferredBytes(doc, begin + from, to - from, source.held));
    return Ok();
  }
  source.kind = TRowSource::TKind::kPacked;
  const auto count_bytes = static_cast<std::uint64_t>(rows) * 2;
  if (count_bytes > length) return Ok();  // not even the row counts: all zeros
  // The row counts up to row r1; rows decode until one's count passes the
  // end of the data.
  std::vector<std::uint8_t> counts_held;
  TRY_ASSIGN(const std::span<const std::uint8_t> counts,
             DeferredBytes(doc, begin, static_cast<std::uint64_t>(window.r1) * 2, counts_held));
  try {
    source.starts.reserve(static_cast<std::size_t>(window.r1 - window.r0) + 1);
  } catch (const std::exception&) {
    return memory_error();
  }
  std::uint64_t at = count_bytes;
  for (std::size_t r = 0; r < static_cast<std::size_t>(window.r1); ++r) {
    if (r == static_cast<std::size_t>(window.r0)) source.starts.push_back(at);
    const std::uint64_t count = static_cast<std::uint64_t>(counts[r * 2] << 8 | counts[r * 2 + 1]);
    if (count > length - at) break;
    at += count;
    if (r >= static_cast<std::size_t>(window.r0)) source.starts.push_back(at);
  }
  if (source.starts.empty()) return Ok();  // the data ends before row r0
  // The packed rows of the window only, indexed from their first byte.
  const std::uint64_t first = source.starts.front();
  TRY_ASSIGN(source.data, DeferredBytes(doc, begin + first, source.starts.back() - first, source.held));
  for (auto& start : source.starts) start -= first;
  return Ok();
}

// A clipped layer as the bands blend it onto its base.
struct TClippedPass {
  const TPSDLayer* layer = nullptr;
  TRowSource transparency, red, green, blue, mask;
  TTableBlend table;  // no table: normal, or none loaded
  // Coverage by transparency byte: t / 255 x opacity / 255 as a float.
  float coverage[256] = {};
  float opaque = 0.0f;
  // Layer pixel (k, r) lands on band column k + dx of base row r + dy; only
  // the part inside what the group makes of the base (`rows`, `columns`) is
  // drawn, and its sources cover just that part (the mask's, the columns
  // from `mask_first` on).
  std::int64_t dx = 0, dy = 0;
  TSpan rows, columns;
  // The mask applies to columns whose mask x lies inside the mask; outside
  // its rectangle the coverage stays as it is.
  std::int64_t mask_dx = 0;
  TSpan mask_columns;
  std::int64_t mask_first = 0;
};

// Where each band's rows go, and what every band reads.
struct TGroupBands {
  const TPSDLayer* base = nullptr;
  bool rgb = false;
  bool vector = false;  // the AVX-512 row steps
  TRowSource red, green, blue, transparency, mask;
  // Band column k is base column x0 + k, and mask column k + mask_dx.
  std::int64_t mask_dx = 0;
  TSpan mask_columns;
  std::vector<TClippedPass> clipped;
  // The base columns [x0, x0 + width) and rows [y0, y0 + height) made.
  std::int64_t x0 = 0, y0 = 0;
  std::size_t width = 0;
  std::int64_t height = 0;
  std::int64_t band_rows = 1;
  // Without a shrink the bands write the working layer's planes; with one,
  // the planes averaged across (w2 wide, full height), which a second pass
  // averages down.
  const TShrinkPlan* shrink = nullptr;
  std::uint8_t* pixel = nullptr;
  std::uint8_t* alpha = nullptr;
  // Scratch layout, in bytes from the start of a thread's scratch.
  std::size_t at_red = 0, at_green = 0, at_blue = 0, at_alpha = 0, at_rows = 0, at_coverage = 0, at_targets = 0,
              at_words = 0, scratch_bytes = 0;
  std::size_t row_bytes = 0;  // one decoded row of the widest clipped layer or mask
  mutable std::atomic<bool> short_of_memory{false};
};

// One clipped layer's rows that land on base rows [y0, y1), blended into the
// band's colour planes (`red` etc. hold row y0 first).
void BlendClippedRows(const TGroupBands& g, const TClippedPass& c, std::int64_t y0, std::int64_t y1,
                      std::uint8_t* red, std::uint8_t* green, std::uint8_t* blue, std::uint8_t* scratch) {
  const TPSDLayer& layer = *c.layer;
  const auto n = static_cast<std::size_t>(c.columns.end - c.columns.begin);
  std::uint8_t* row_buffer[5];
  for (std::size_t i = 0; i < 5; ++i) row_buffer[i] = scratch + g.at_rows + i * g.row_bytes;
  auto* f = reinterpret_cast<float*>(scratch + g.at_coverage);
  std::uint8_t* targets = scratch + g.at_targets;
  const std::int64_t first = std::max(c.rows.begin, y0 - c.dy), end = std::min(c.rows.end, y1 - c.dy);
  for (std::int64_t r = first; r < end; ++r) {
    // The sources cover just the columns drawn.
    const std::uint8_t* transparency = c.transparency.Row(r, row_buffer[0]);
    bool covered = true;  // false: certainly no coverage in the row
    if (transparency == nullptr) {
      std::fill(f, f + n, c.opaque);
    } else if (g.vector) {
#if defined(__x86_64__)
      covered = CoverageRowAvx512(transparency, c.coverage, f, n);
#endif
    } else if (const TCoverageRow coverage = HighwayCoverageRow(ActiveComposeKernel())) {
      covered = coverage(transparency, c.coverage, f, n);
    } else {
      for (std::size_t i = 0; i < n; ++i) f[i] = c.coverage[transparency[i]];
    }
    const std::int64_t my = r + layer.top - layer.mask_top;
    if (covered && c.mask.Present() && my >= 0 && my < layer.mask_height && c.mask_columns.begin < c.mask_columns.end) {
      const std::uint8_t* mask = c.mask.Row(my, row_buffer[4]);
      for (std::int64_t k = std::max(c.columns.begin, c.mask_columns.begin); k < c.mask_columns.end; ++k) {
        float& v = f[static_cast<std::size_t>(k - c.columns.begin)];
        v = static_cast<float>(mask[k + c.mask_dx - c.mask_first] / 255.0 * v);
      }
    }
    // A row the layer does not cover at all (transparent, or masked out)
    // leaves the base as it is: d + 0 x (target - d) is d. Its colour rows
    // are not even decoded.
    if (!covered || std::all_of(f, f + n, [](float v) { return v == 0.0f; })) continue;
    const auto to = static_cast<std::size_t>((r + c.dy - y0) * static_cast<std::int64_t>(g.width) + c.columns.begin + c.dx);
    const auto from = [&](const TRowSource& source, std::uint8_t* buffer) { return source.Row(r, buffer); };
    BlendRow(red + to, from(c.red, row_buffer[1]), f, n, c.table, targets, g.vector);
    if (g.rgb) {
      BlendRow(green + to, from(c.green, row_buffer[2]), f, n, c.table, targets, g.vector);
      BlendRow(blue + to, from(c.blue, row_buffer[3]), f, n, c.table, targets, g.vector);
    }
  }
}

// A band worker's scratch of at least `bytes`; false, with `short_of_memory`
// set, when it cannot be had (a band job must not throw).
bool HaveScratch(std::vector<std::uint8_t>& scratch, std::size_t bytes, std::atomic<bool>& short_of_memory) {
  if (scratch.size() >= bytes) return true;
  try {
    scratch.resize(bytes);
    return true;
  } catch (const std::exception&) {
    short_of_memory.store(true);
    return false;
  }
}

// Base rows [y0, y1) of a group made grey levels (into `red`) and alpha, at
// the file's own size. The rows are the base's own, inside what the group
// makes of it; `scratch` holds g.scratch_bytes.
void ReduceRows(const TGroupBands& g, std::int64_t y0, std::int64_t y1, std::uint8_t* red, std::uint8_t* alpha,
                std::uint8_t* scratch) {
  const std::size_t n = static_cast<std::size_t>(y1 - y0) * g.width;
  std::uint8_t* green = scratch + g.at_green;
  std::uint8_t* blue = scratch + g.at_blue;

  // The base's colours (zeros for a channel it lacks), then each clipped
  // layer over them in file order.
  g.red.Read(y0, y1, red);
  if (g.rgb) {
    g.green.Read(y0, y1, green);
    g.blue.Read(y0, y1, blue);
  }
  for (const TClippedPass& c : g.clipped) BlendClippedRows(g, c, y0, y1, red, green, blue, scratch);
  if (g.rgb) GreyLevels(red, green, blue, n);

  // Alpha: the base's transparency (opaque without one) by its opacity and
  // mask.
  const TPSDLayer& base = *g.base;
  if (g.transparency.Present()) {
    g.transparency.Read(y0, y1, alpha);
  } else {
    std::memset(alpha, 255, n);
  }
  for (std::int64_t j = y0; j < y1; ++j) {
    std::uint8_t* row = alpha + static_cast<std::size_t>(j - y0) * g.width;
    const std::int64_t my = j + base.top - base.mask_top;
    if (!g.mask.Present() || my < 0 || my >= base.mask_height || g.mask_columns.begin >= g.mask_columns.end) {
      ApplyOpacity(row, g.width, base.Opacity);
      continue;
    }
    // The mask's source starts at the first mask column used.
    const std::uint8_t* mask = g.mask.Row(my, scratch + g.at_rows);
    ApplyOpacity(row, static_cast<std::size_t>(g.mask_columns.begin), base.Opacity);
    for (std::int64_t k = g.mask_columns.begin; k < g.mask_columns.end; ++k) {
      row[k] = static_cast<std::uint8_t>(base.Opacity * row[k] * mask[k - g.mask_columns.begin] / 65025);
    }
    ApplyOpacity(row + g.mask_columns.end, g.width - static_cast<std::size_t>(g.mask_columns.end), base.Opacity);
  }
}

// Base rows [y0, y1) of a group, from decoding to the working layer's rows
// (or their average across). Runs on any band worker.
void ReduceBand(const void* context, std::size_t band, std::vector<std::uint8_t>& scratch_memory) {
  const TGroupBands& g = *static_cast<const TGroupBands*>(context);
  if (!HaveScratch(scratch_memory, g.scratch_bytes, g.short_of_memory)) return;
  std::uint8_t* scratch = scratch_memory.data();
  const std::int64_t y0 = g.y0 + static_cast<std::int64_t>(band) * g.band_rows;
  const std::int64_t y1 = std::min(g.y0 + g.height, y0 + g.band_rows);
  const std::size_t offset = static_cast<std::size_t>(y0 - g.y0) * g.width;
  // Unshrunk, the grey levels and alpha are made in the working layer's own
  // planes.
  std::uint8_t* red = g.shrink != nullptr ? scratch + g.at_red : g.pixel + offset;
  std::uint8_t* alpha = g.shrink != nullptr ? scratch + g.at_alpha : g.alpha + offset;
  ReduceRows(g, y0, y1, red, alpha, scratch);

  if (g.shrink != nullptr) {
    auto* words = reinterpret_cast<std::int32_t*>(scratch + g.at_words);
    const std::size_t to = static_cast<std::size_t>(y0 - g.y0) * static_cast<std::size_t>(g.shrink->w2);
    ShrinkAcross(*g.shrink, red, y1 - y0, g.pixel + to, 255, words, g.vector);
    ShrinkAcross(*g.shrink, alpha, y1 - y0, g.alpha + to, 0, words, g.vector);
  }
}

// The second pass of a group's shrink: output rows averaged down, a band of
// them per job; even jobs do the grey levels, odd ones the alpha.
struct TShrinkDownBands {
  const TShrinkPlan* plan = nullptr;
  const std::uint8_t* across[2] = {};
  std::uint8_t* out[2] = {};
  std::int64_t band_rows = 1;
  mutable std::atomic<bool> short_of_memory{false};
};

void ShrinkDownBand(const void* context, std::size_t job, std::vector<std::uint8_t>& scratch) {
  const TShrinkDownBands& d = *static_cast<const TShrinkDownBands*>(context);
  if (!HaveScratch(scratch, d.plan->ScratchWords() * sizeof(std::int32_t), d.short_of_memory)) return;
  const std::size_t plane = job % 2;
  const std::int64_t o0 = static_cast<std::int64_t>(job / 2) * d.band_rows;
  const std::int64_t o1 = std::min<std::int64_t>(d.plan->h2, o0 + d.band_rows);
  ShrinkDown(*d.plan, d.across[plane], o0, o1, d.out[plane] + static_cast<std::size_t>(o0) * static_cast<std::size_t>(d.plan->w2),
             plane == 0 ? 255 : 0, reinterpret_cast<std::int32_t*>(scratch.data()));
}

constexpr std::size_t kAlign = 64;
std::size_t Aligned(std::size_t n) { return (n + kAlign - 1) / kAlign * kAlign; }

// Work this small stays on the calling thread.
constexpr std::uint64_t kSharedPixels = std::uint64_t{1} << 16;
// About this many bytes of each band plane, so that a band's planes and the
// clipped layers' rows stay in a core's cache together.
constexpr std::size_t kBandPlaneBytes = std::size_t{48} << 10;

// The part of a base layer a group makes: columns [x0, x1), rows [y0, y1).
struct TBasePart {
  std::int64_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
};

// Rows [r0 + offset, r1 + offset) as far as they lie in [0, rows).
std::pair<std::int64_t, std::int64_t> RowsWithin(std::int64_t r0, std::int64_t r1, std::int64_t offset,
                                                 std::int64_t rows) {
  const std::int64_t from = std::clamp<std::int64_t>(r0 + offset, 0, rows);
  return {from, std::clamp<std::int64_t>(r1 + offset, from, rows)};
}

// The row sources of the layer's colour and transparency planes, for the
// rows and columns `part` of the layer.
Result<> BindColourRows(const TPSD& doc, const TPSDLayer& layer, TPlaneWindow part, TRowSource& transparency,
                        TRowSource& red, TRowSource& green, TRowSource& blue) {
  TRY(BindRows(doc, layer, layer.transparency_plane, false, part, transparency));
  TRY(BindRows(doc, layer, layer.red_plane, false, part, red));
  TRY(BindRows(doc, layer, layer.green_plane, false, part, green));
  return BindRows(doc, layer, layer.blue_plane, false, part, blue);
}

// A clipped layer's pass over the part of its base the group makes, with
// its row sources.
Result<TClippedPass> MakeClippedPass(const TPSD& doc, const TPSDLayer& layer, const TPSDLayer& base,
                                     const TBasePart& part, const TBlendTable& blend) {
  TClippedPass c;
  c.layer = &layer;
  // Looked up here, on the thread that owns the table, for the bands.
  c.table = TableBlendFor(blend, layer.BlendModeKey);
  const double opacity = layer.Opacity / 255.0;
  for (int t = 0; t < 256; ++t) c.coverage[t] = static_cast<float>(t / 255.0 * opacity);
  c.opaque = static_cast<float>(1.0 * opacity);
  c.dx = std::int64_t{layer.left} - base.left - part.x0;
  c.dy = std::int64_t{layer.top} - base.top;
  c.rows = Overlap(layer.height, c.dy - part.y0, part.y1 - part.y0);
  c.columns = Overlap(layer.width, c.dx, part.x1 - part.x0);
  c.mask_dx = std::int64_t{layer.left} - layer.mask_left;
  c.mask_columns = Overlap(c.columns.end, c.mask_dx, layer.mask_width);
  if (c.rows.begin >= c.rows.end || c.columns.begin >= c.columns.end) return c;
  TRY(BindColourRows(doc, layer, {c.rows.begin, c.rows.end, c.columns.begin, c.columns.end}, c.transparency, c.red,
                     c.green, c.blue));
  const std::int64_t first = std::max(c.columns.begin, c.mask_columns.begin);
  c.mask_first = first + c.mask_dx;
  const auto [r0, r1] = RowsWithin(c.rows.begin, c.rows.end, std::int64_t{layer.top} - layer.mask_top, layer.mask_height);
  TRY(BindRows(doc, layer, layer.mask_plane, true,
               {r0, r1, c.mask_first, std::max(c.mask_first, c.mask_columns.end + c.mask_dx)}, c.mask));
  return c;
}

// The working layer of one clipping group: `base` with `clipped` over it.
// Fails only when a channel's rows cannot be indexed (the load stops); a
// working layer whose planes cannot be had shows the memory message and
// stays empty.
// The planes averaged across, kept from group to group: each band writes
// every byte it owns, so they need no clearing, and reusing them spares the
// system clearing fresh pages for every group.
struct TAcrossPlanes {
  std::vector<std::uint8_t> pixel, alpha;
};

// Binds the rows of the part `part` (not empty) of a group's base and of the
// clipped layers that reach it, reading their bytes from the file.
// `row_bytes` and `columns` receive the widest decoded row and the widest
// clipped span, which size the scratch.
Result<> BindGroup(const TPSD& doc, const TPSDLayer& base, std::span<TPSDLayer* const> clipped, bool rgb,
                   const TBlendTable& blend, const TBasePart& part, TGroupBands* g, std::size_t& row_bytes,
                   std::size_t& columns) {
  g->base = &base;
  g->rgb = rgb;
  g->vector = VectorRows();
  g->x0 = part.x0;
  g->y0 = part.y0;
  g->width = static_cast<std::size_t>(part.x1 - part.x0);
  g->height = part.y1 - part.y0;
  TRY(BindColourRows(doc, base, {part.y0, part.y1, part.x0, part.x1}, g->transparency, g->red, g->green, g->blue));
  g->mask_dx = std::int64_t{base.left} - base.mask_left + part.x0;
  g->mask_columns = Overlap(static_cast<std::int64_t>(g->width), g->mask_dx, base.mask_width);
  {
    const auto [r0, r1] = RowsWithin(part.y0, part.y1, std::int64_t{base.top} - base.mask_top, base.mask_height);
    TRY(BindRows(doc, base, base.mask_plane, true,
                 {r0, r1, g->mask_columns.begin + g->mask_dx, g->mask_columns.end + g->mask_dx}, g->mask));
  }
  if (!g->mask.Present()) g->mask_columns = {};
  row_bytes = g->mask.width;
  columns = 0;
  g->clipped.reserve(clipped.size());
  for (const TPSDLayer* layer : clipped) {
    if (!LayerUsable(*layer)) continue;
    TRY_ASSIGN(TClippedPass c, MakeClippedPass(doc, *layer, base, part, blend));
    if (c.rows.begin >= c.rows.end || c.columns.begin >= c.columns.end) continue;
    row_bytes = std::max({row_bytes, c.red.width, c.mask.width});
    columns = std::max(columns, static_cast<std::size_t>(c.columns.end - c.columns.begin));
    g->clipped.push_back(std::move(c));
  }
  return Ok();
}

// A thread's scratch for bands of `band_rows` rows: the band's colour planes
// (red and alpha only when shrunk, as unshrunk they are the caller's), five
// decoded rows, a row of coverage and one of table results, and the
// shrink's words.
void LayOutScratch(TGroupBands* g, bool rgb, std::int64_t band_rows, std::size_t row_bytes, std::size_t columns,
                   const TShrinkPlan* shrink) {
  g->band_rows = band_rows;
  const std::size_t band_bytes = static_cast<std::size_t>(g->band_rows) * g->width;
  std::size_t at = 0;
  const auto take = [&](std::size_t& where, std::size_t bytes) {
    where = at;
    at += Aligned(bytes);
  };
  const bool shrunk = shrink != nullptr;
  take(g->at_red, shrunk ? band_bytes : 0);
  take(g->at_alpha, shrunk ? band_bytes : 0);
  take(g->at_green, rgb ? band_bytes : 0);
  take(g->at_blue, rgb ? band_bytes : 0);
  g->row_bytes = Aligned(row_bytes);
  take(g->at_rows, 5 * g->row_bytes);
  take(g->at_coverage, columns * sizeof(float));
  take(g->at_targets, columns);
  take(g->at_words, shrunk ? shrink->ScratchWords() * sizeof(std::int32_t) : 0);
  g->scratch_bytes = at;
}

Result<> ReduceGroup(TPSD& doc, const TPSDLayer& base, std::span<TPSDLayer* const> clipped, bool rgb,
                     const TBlendTable& blend, const TShrinkPlan* shrink, const TBasePart& part,
                     TAcrossPlanes& across_planes, TMessageSink& messages) {
  TSimpleLayer& s = doc.Simples[static_cast<std::size_t>(doc.working_layer_count++)];
  s.BlendModeKey = base.BlendModeKey;
  if (base.Name) {
    try {
      s.Name = *base.Name;
    } catch (const std::bad_alloc&) {
      s.Name.reset();
    }
  }
  if (base.UnicodeName) {
    try {
      s.UnicodeName = *base.UnicodeName;
    } catch (const std::bad_alloc&) {
      s.UnicodeName.reset();
    }
  }
  if (shrink != nullptr) {
    // Placed by ShrinkToCanvas from the whole layer's position.
    s.left = base.left;
    s.top = base.top;
    s.held_left = static_cast<std::int32_t>(shrink->j0);
    s.held_top = static_cast<std::int32_t>(shrink->i0);
  } else {
    s.left = static_cast<std::int32_t>(base.left + part.x0);
    s.top = static_cast<std::int32_t>(base.top + part.y0);
  }
  if (part.x0 >= part.x1 || part.y0 >= part.y1) return Ok();  // nothing of it can reach the canvas

  auto g = std::make_unique<TGroupBands>();
  std::size_t row_bytes = 0;
  std::size_t columns = 0;
  TRY(BindGroup(doc, base, clipped, rgb, blend, part, g.get(), row_bytes, columns));
  s.width = static_cast<std::int32_t>(g->width);
  s.height = static_cast<std::int32_t>(g->height);
  const std::size_t pixels = g->width * static_cast<std::size_t>(g->height);
  const auto short_of_memory = [&] {
    messages.ShowMessage(MemoryErrorText("TSimpleLayer::Alloc()::Alpha[]", 0, static_cast<unsigned long long>(pixels)));
    s.Pixel = {};
    s.Alpha = {};
    s.width = s.height = 0;
    return Ok();
  };

  LayOutScratch(g.get(), rgb,
                std::clamp<std::int64_t>(static_cast<std::int64_t>(kBandPlaneBytes / g->width), 1, g->height),
                row_bytes, columns, shrink);
  const bool shrunk = shrink != nullptr;

  std::vector<std::uint8_t>& across_pixel = across_planes.pixel;
  std::vector<std::uint8_t>& across_alpha = across_planes.alpha;
  try {
    if (shrunk) {
      const std::size_t across = static_cast<std::size_t>(shrink->w2) * static_cast<std::size_t>(g->height);
      across_pixel.resize(across);
      across_alpha.resize(across);
      g->pixel = across_pixel.data();
      g->alpha = across_alpha.data();
    } else {
      s.Pixel.resize(pixels);
      s.Alpha.resize(pixels);
      g->pixel = s.Pixel.data();
      g->alpha = s.Alpha.data();
    }
  } catch (const std::exception&) {
    return short_of_memory();
  }
  g->shrink = shrink;
  const auto bands = static_cast<std::size_t>((g->height + g->band_rows - 1) / g->band_rows);
  const unsigned threads = pixels >= kSharedPixels ? CompositionThreads() : 1u;
  RunBands(bands, threads, ReduceBand, g.get());
  if (g->short_of_memory.load()) return short_of_memory();
  if (!shrunk) return Ok();

  try {
    s.Pixel.resize(static_cast<std::size_t>(shrink->w2) * static_cast<std::size_t>(shrink->h2));
    s.Alpha.resize(s.Pixel.size());
  } catch (const std::exception&) {
    return short_of_memory();
  }
  TShrinkDownBands down;
  down.plan = shrink;
  down.across[0] = across_pixel.data();
  down.across[1] = across_alpha.data();
  down.out[0] = s.Pixel.data();
  down.out[1] = s.Alpha.data();
  down.band_rows = std::max<std::int64_t>(1, shrink->h2 / 8);
  const auto down_bands = static_cast<std::size_t>((shrink->h2 + down.band_rows - 1) / down.band_rows);
  RunBands(2 * down_bands, threads, ShrinkDownBand, &down);
  if (down.short_of_memory.load()) return short_of_memory();
  s.width = shrink->w2;
  s.height = shrink->h2;
  return Ok();
}

}  // namespace

namespace {

// A side of the document once shrunk by s, as ShrinkToCanvas rewrites it.
std::int64_t ShrunkSide(std::int32_t side, float s) {
  return static_cast<std::int32_t>(side / static_cast<double>(s) + 0.5);
}

// The outputs [j0, j1) of the shrink of a layer side `size` long at `at`
// whose placed pixels can land on [0, canvas). ShrinkToCanvas moves a layer
// to trunc(at / s) and, for a positive fraction, shifts it by that fraction,
// so that a placed pixel then takes its output and the one before it.
std::pair<std::int64_t, std::int64_t> OutputsShown(std::int32_t at, std::int32_t size, float s, std::int64_t canvas) {
  const double exact = at / static_cast<double>(s);
  const auto moved = static_cast<std::int32_t>(exact);
  const std::int64_t shifted = static_cast<float>(exact - moved) > 0.0f ? 1 : 0;
  const std::int64_t count = ShrunkSize(size, s);
  const std::int64_t begin = std::max<std::int64_t>(0, -std::int64_t{moved});
  const std::int64_t end = std::min<std::int64_t>(count + shifted, canvas - moved);
  if (begin >= end) return {0, 0};
  return {std::max<std::int64_t>(0, begin - shifted), std::min(count, end)};
}

// The elements [first, end) of a side `size` long at `at` that lie on [0, canvas).
std::pair<std::int64_t, std::int64_t> ElementsShown(std::int32_t at, std::int32_t size, std::int64_t canvas) {
  const std::int64_t first = std::clamp<std::int64_t>(-std::int64_t{at}, 0, size);
  return {first, std::clamp<std::int64_t>(canvas - at, first, size)};
}

}  // namespace

Result<> ReduceLayers(TPSD& doc, const TBlendTable& blend, TProgressSink& progress, TMessageSink& messages,
                      bool shrinkEachGroup, bool onlyWhatShows) {
  progress.ShowProgress(kProgressGrey, doc.layer_count);
  doc.Simples = {};
  doc.working_layer_count = 0;
  if (!TryAssign(doc.Simples, static_cast<std::size_t>(doc.layer_count), TSimpleLayer{})) {
    // Nowhere to put the working layers: the load stops as after a failed read.
    const int count = doc.layer_count;
    DocumentClear(doc);
    return Fail(MemoryErrorText("TPSD::CreateSimpleLayer()::Simples[i]", count, static_cast<long long>(count) * 32));
  }
  const bool rgb = doc.colour_mode == kPsdColourRgb;
  const float scale = CanvasScale(doc);
  doc.planes_box_shrunk = (shrinkEachGroup || onlyWhatShows) && scale > 1.0f;
  doc.cropped_to_canvas = onlyWhatShows;
  const std::int64_t canvas_w = doc.planes_box_shrunk ? ShrunkSide(doc.width, scale) : doc.width;
  const std::int64_t canvas_h = doc.planes_box_shrunk ? ShrunkSide(doc.height, scale) : doc.height;
  // Groups of one size and part (the usual case: every layer the
  // document's size) share one plan.
  std::optional<TShrinkPlan> plan;
  TAcrossPlanes across;
  // A group is reduced when the next base (or the end) shows it complete.
  TPSDLayer* base = nullptr;
  std::vector<TPSDLayer*> clipped;
  const std::size_t records = std::min(doc.Layers.size(), static_cast<std::size_t>(doc.layer_count));
  const auto reduce = [&]() -> Result<> {
    try {
      const TShrinkPlan* shrink = nullptr;
      TBasePart part{0, base->width, 0, base->height};
      if (doc.planes_box_shrunk) {
        std::pair<std::int64_t, std::int64_t> across_part{0, ShrunkSize(base->width, scale)};
        std::pair<std::int64_t, std::int64_t> down_part{0, ShrunkSize(base->height, scale)};
        if (onlyWhatShows) {
          across_part = OutputsShown(base->left, base->width, scale, canvas_w);
          down_part = OutputsShown(base->top, base->height, scale, canvas_h);
        }
        if (across_part.first >= across_part.second || down_part.first >= down_part.second) {
          return ReduceGroup(doc, *base, clipped, rgb, blend, nullptr, TBasePart{}, across, messages);
        }
        if (!plan || plan->whole_w != base->width || plan->whole_h != base->height ||
            plan->j0 != across_part.first || plan->j0 + plan->w2 != across_part.second ||
            plan->i0 != down_part.first || plan->i0 + plan->h2 != down_part.second) {
          plan.emplace();
          MakeShrinkPlan(*plan, base->width, base->height, scale, across_part.first, across_part.second,
                         down_part.first, down_part.second);
        }
        shrink = &*plan;
        part = {plan->x0, plan->x0 + plan->w, plan->y0, plan->y0 + plan->h};
      } else if (onlyWhatShows) {
        const auto [x0, x1] = ElementsShown(base->left, base->width, canvas_w);
        const auto [y0, y1] = ElementsShown(base->top, base->height, canvas_h);
        part = {x0, x1, y0, y1};
      }
      return ReduceGroup(doc, *base, clipped, rgb, blend, shrink, part, across, messages);
    } catch (const std::bad_alloc&) {
      // The group's bookkeeping, which is small: the load stops as when a
      // plane cannot be had.
      return Fail(MemoryErrorText("TPSDLayer::InitializePictureData()::Layer->PixelData[i][]", 0, 0));
    }
  };
  const auto finish = [&]() -> Result<> {
    if (base == nullptr) return Ok();
    const Result<> reduced = reduce();
    ReleaseLayer(doc, *base);
    for (TPSDLayer* layer : clipped) ReleaseLayer(doc, *layer);
    base = nullptr;
    clipped.clear();
    if (!reduced) DocumentClear(doc);
    return reduced;
  };
  if (!TryReserve(clipped, records)) {
    DocumentClear(doc);
    return Fail(MemoryErrorText("TPSD::CreateSimpleLayer()::Simples[i]", static_cast<long long>(records),
                                static_cast<long long>(records) * 8));
  }
  for (std::size_t i = 0; i < records; ++i) {
    progress.StepProgress(static_cast<int>(i));
    TPSDLayer& layer = doc.Layers[i];
    if (layer.Clipping == 0) {
      TRY(finish());
      if (LayerUsable(layer)) {
        base = &layer;
      } else {
        ReleaseLayer(doc, layer);
      }
    } else if (layer.Clipping == 1 && base != nullptr) {
      clipped.push_back(&layer);
    } else {
      ReleaseLayer(doc, layer);  // no base below it, or a clipping value with no meaning: dropped
    }
  }
  TRY(finish());
  doc.Layers = {};
  // Every plane is decoded: the file is no longer needed.
  doc.deferred_bytes = {};
  doc.deferred_file.reset();
  return Ok();
}

void BoxShrink(std::vector<std::uint8_t>& plane, std::int32_t& w, std::int32_t& h, float s, std::uint8_t outside) {
  TShrinkPlan p;
  MakeShrinkPlan(p, w, h, s);
  std::vector<std::int32_t> words(p.ScratchWords());
  std::vector<std::uint8_t> across(static_cast<std::size_t>(p.w2) * static_cast<std::size_t>(h));
  ShrinkAcross(p, plane.data(), h, across.data(), outside, words.data(), VectorRows());
  std::vector<std::uint8_t> out(static_cast<std::size_t>(p.w2) * static_cast<std::size_t>(p.h2));
  ShrinkDown(p, across.data(), 0, p.h2, out.data(), outside, words.data());
  plane = std::move(out);
  w = p.w2;
  h = p.h2;
}

void ShiftRight(std::vector<std::uint8_t>& plane, std::int32_t& w, std::int32_t h, float f, std::uint8_t outside) {
  const std::size_t w1 = static_cast<std::size_t>(w) + 1;
  std::vector<std::uint8_t> out(w1 * static_cast<std::size_t>(h), 0);
  const double keep = 1.0 - static_cast<double>(f);
  for (std::int32_t y = 0; y < h; ++y) {
    const std::uint8_t* v = plane.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
    std::uint8_t* o = out.data() + static_cast<std::size_t>(y) * w1;
    for (std::int32_t j = 0; j <= w; ++j) {
      const double c = j < w ? v[j] : outside;
      o[j] = TruncByte(c * keep + o[j]);
      if (j < w) o[j + 1] = TruncByte(o[j + 1] + c * f);
    }
    o[0] = TruncByte(o[0] + static_cast<double>(outside) * f);
  }
  plane = std::move(out);
  w = static_cast<std::int32_t>(w1);
}

void ShiftDown(std::vector<std::uint8_t>& plane, std::int32_t w, std::int32_t& h, float f, std::uint8_t outside) {
  const std::size_t width = static_cast<std::size_t>(w);
  const std::int32_t h1 = h + 1;
  std::vector<std::uint8_t> out(width * static_cast<std::size_t>(h1), 0);
  const double keep = 1.0 - static_cast<double>(f);
  for (std::size_t x = 0; x < width; ++x) {
    for (std::int32_t j = 0; j <= h; ++j) {
      const double c = j < h ? plane[static_cast<std::size_t>(j) * width + x] : outside;
      std::uint8_t& here = out[static_cast<std::size_t>(j) * width + x];
      here = TruncByte(c * keep + here);
      if (j < h) {
        std::uint8_t& below = out[static_cast<std::size_t>(j + 1) * width + x];
        below = TruncByte(below + c * f);
      }
    }
    out[x] = TruncByte(out[x] + static_cast<double>(outside) * f);
  }
  plane = std::move(out);
  h = h1;
}

namespace {

// Cuts a placed layer down to the part on a canvas of w x h.
void TrimToCanvas(TSimpleLayer& layer, std::int64_t w, std::int64_t h) {
  const std::pair<std::int64_t, std::int64_t> columns = ElementsShown(layer.left, layer.width, w);
  const std::pair<std::int64_t, std::int64_t> rows = ElementsShown(layer.top, layer.height, h);
  const std::int64_t x0 = columns.first, x1 = columns.second, y0 = rows.first, y1 = rows.second;
  if (x0 == 0 && y0 == 0 && x1 == layer.width && y1 == layer.height) return;
  const auto width = static_cast<std::size_t>(x1 - x0);
  const auto keep = [&](std::vector<std::uint8_t>& plane) {
    for (std::int64_t y = y0; y < y1; ++y) {
      std::memmove(plane.data() + static_cast<std::size_t>(y - y0) * width,
                   plane.data() + static_cast<std::size_t>(y * layer.width + x0), width);
    }
    plane.resize(width * static_cast<std::size_t>(y1 - y0));
    plane.shrink_to_fit();
  };
  keep(layer.Pixel);
  keep(layer.Alpha);
  layer.left = static_cast<std::int32_t>(layer.left + x0);
  layer.top = static_cast<std::int32_t>(layer.top + y0);
  layer.width = static_cast<std::int32_t>(x1 - x0);
  layer.height = static_cast<std::int32_t>(y1 - y0);
  if (layer.width == 0 || layer.height == 0) layer.Pixel = layer.Alpha = {};
}

void ShrinkLayer(TSimpleLayer& layer, float s, bool boxShrunk) {
  const double nx_exact = layer.left / static_cast<double>(s);
  const double ny_exact = layer.top / static_cast<double>(s);
  const auto nx = static_cast<std::int32_t>(nx_exact);
  const auto ny = static_cast<std::int32_t>(ny_exact);
  const auto fx = static_cast<float>(nx_exact - nx);
  const auto fy = static_cast<float>(ny_exact - ny);
  // A layer made only in part holds the outputs from held_left, held_top on.
  layer.left = nx + layer.held_left;
  layer.top = ny + layer.held_top;
  layer.held_left = layer.held_top = 0;
  if (!layer.HasPlanes()) {  // an empty working layer stays empty
    layer.width = layer.height = 0;
    return;
  }
  std::int32_t pw = layer.width, ph = layer.height;
  std::int32_t aw = layer.width, ah = layer.height;
  if (!boxShrunk) {
    BoxShrink(layer.Pixel, pw, ph, s, 255);
    BoxShrink(layer.Alpha, aw, ah, s, 0);
  }
  if (fx > 0) ShiftRight(layer.Pixel, pw, ph, fx, 255);
  if (fy > 0) ShiftDown(layer.Pixel, pw, ph, fy, 255);
  if (fx > 0) ShiftRight(layer.Alpha, aw, ah, fx, 0);
  if (fy > 0) ShiftDown(layer.Alpha, aw, ah, fy, 0);
  layer.width = pw;
  layer.height = ph;
}

}  // namespace

void ShrinkToCanvas(TPSD& doc, TProgressSink& progress) {
  // The size is rewritten even for a document whose layers all vanished, so
  // the artwork surface made from it never exceeds the canvas.
  const float s = CanvasScale(doc);
  if (!(s > 1.0f)) return;
  progress.ShowProgress(kProgressResize, doc.layer_count);
  for (std::int32_t i = 0; i < doc.layer_count; ++i) {
    progress.StepProgress(i);
    if (i < doc.working_layer_count && static_cast<std::size_t>(i) < doc.Simples.size()) {
      TSimpleLayer& layer = doc.Simples[static_cast<std::size_t>(i)];
      ShrinkLayer(layer, s, doc.planes_box_shrunk);
      // A layer made only in part has, at its edges, pixels that lacked
      // their neighbours off the canvas: they are cut with the rest that
      // cannot show.
      if (doc.cropped_to_canvas) TrimToCanvas(layer, ShrunkSide(doc.width, s), ShrunkSide(doc.height, s));
    }
  }
  doc.width = static_cast<std::int32_t>(ShrunkSide(doc.width, s));
  doc.height = static_cast<std::int32_t>(ShrunkSide(doc.height, s));
}

}  // namespace tintloom

// ------------------------------------------------------------ full size by bands

namespace tintloom {

struct TFullSizeLayers::TGroups {
  const TPSD* doc = nullptr;
  const TBlendTable* blend = nullptr;
  bool rgb = false;
  // A clipping group as ReduceLayers forms it, and its rows bound for the
  // current band (none when the group has no rows there).
  struct TGroup {
    const TPSDLayer* base = nullptr;
    std::vector<TPSDLayer*> clipped;
    std::unique_ptr<TGroupBands> rows;
  };
  std::vector<TGroup> groups;
  std::size_t scratch_bytes = 0;
  // Where each group writes the current band's rows.
  TPSD* band = nullptr;
};

namespace {

// The rows of one group inside the current band, into its band layer.
void ReduceGroupRows(const void* context, std::size_t index, std::vector<std::uint8_t>& scratch) {
  const auto& all = *static_cast<const TFullSizeLayers::TGroups*>(context);
  const TGroupBands* g = all.groups[index].rows.get();
  TSimpleLayer& out = all.band->Simples[index];
  if (g == nullptr || out.height == 0) return;
  if (!HaveScratch(scratch, all.scratch_bytes, g->short_of_memory)) return;
  ReduceRows(*g, g->y0, g->y0 + g->height, out.Pixel.data(), out.Alpha.data(), scratch.data());
}

}  // namespace

TFullSizeLayers::~TFullSizeLayers() = default;

Result<std::unique_ptr<TFullSizeLayers>> TFullSizeLayers::Bind(const TPSD& doc, const TBlendTable& blend) {
  std::unique_ptr<TFullSizeLayers> layers(new TFullSizeLayers);
  layers->groups_ = std::make_unique<TGroups>();
  TGroups& all = *layers->groups_;
  all.doc = &doc;
  all.blend = &blend;
  all.rgb = doc.colour_mode == kPsdColourRgb;
  try {
    // The groups exactly as ReduceLayers forms them.
    const std::size_t records = std::min(doc.Layers.size(), static_cast<std::size_t>(std::max(doc.layer_count, 0)));
    bool open = false;  // whether clipped layers go to the last group
    for (std::size_t i = 0; i < records; ++i) {
      const TPSDLayer& layer = doc.Layers[i];
      if (layer.Clipping == 0) {
        open = LayerUsable(layer);
        if (open) all.groups.push_back({&layer, {}, nullptr});
      } else if (layer.Clipping == 1 && open) {
        all.groups.back().clipped.push_back(const_cast<TPSDLayer*>(&layer));
      }
    }
  } catch (const std::bad_alloc&) {
    return Fail(MemoryErrorText("TPSDLayer::InitializePictureData()::Layer->PixelData[i][]", 0, 0));
  }
  return layers;
}

int TFullSizeLayers::Count() const { return static_cast<int>(groups_->groups.size()); }

const std::optional<std::string>& TFullSizeLayers::Name(int i) const {
  return groups_->groups[static_cast<std::size_t>(i)].base->Name;
}

Result<> TFullSizeLayers::ReduceRows(std::int32_t y0, std::int32_t y1, TPSD& band) {
  TGroups& all = *groups_;
  const std::size_t count = all.groups.size();
  // Each group's rows are bound (their bytes read from the file) for this
  // band only, so what is held follows the band, not the file.
  const auto release = [&all] {
    for (TGroups::TGroup& group : all.groups) group.rows.reset();
  };
  try {
    band.Simples.resize(count);
    all.scratch_bytes = 0;
    std::uint64_t pixels = 0;
    for (std::size_t i = 0; i < count; ++i) {
      TGroups::TGroup& group = all.groups[i];
      const TPSDLayer& base = *group.base;
      TSimpleLayer& out = band.Simples[i];
      // Only the columns on the document can show.
      const auto [x0, x1] = ElementsShown(base.left, base.width, all.doc->width);
      const std::int64_t top = std::max<std::int64_t>(y0, base.top);
      const std::int64_t bottom = std::min<std::int64_t>(y1, std::int64_t{base.top} + base.height);
      out.left = static_cast<std::int32_t>(base.left + x0);
      out.width = static_cast<std::int32_t>(x1 - x0);
      out.top = static_cast<std::int32_t>(top - y0);
      out.height = bottom > top && x1 > x0 ? static_cast<std::int32_t>(bottom - top) : 0;
      out.BlendModeKey = base.BlendModeKey;
      if (out.height == 0) continue;
      const TBasePart part{x0, x1, top - base.top, bottom - base.top};
      group.rows = std::make_unique<TGroupBands>();
      std::size_t row_bytes = 0, columns = 0;
      if (Result<> bound = BindGroup(*all.doc, base, group.clipped, all.rgb, *all.blend, part, group.rows.get(),
                                     row_bytes, columns);
          !bound) {
        release();
        return bound;
      }
      LayOutScratch(group.rows.get(), all.rgb, part.y1 - part.y0, row_bytes, columns, nullptr);
      all.scratch_bytes = std::max(all.scratch_bytes, group.rows->scratch_bytes);
      const std::size_t n = static_cast<std::size_t>(out.height) * static_cast<std::size_t>(out.width);
      // The planes only grow: a band's rows overwrite every byte they use.
      if (out.Pixel.size() < n) {
        out.Pixel.resize(n);
        out.Alpha.resize(n);
      }
      pixels += n;
    }
    band.working_layer_count = static_cast<std::int32_t>(count);
    band.layer_count = band.working_layer_count;
    band.width = all.doc->width;
    band.height = y1 - y0;
    all.band = &band;
    const unsigned threads = pixels >= kSharedPixels ? CompositionThreads() : 1u;
    RunBands(count, threads, ReduceGroupRows, &all);
  } catch (const std::bad_alloc&) {
    release();
    return Fail(MemoryErrorText("TSimpleLayer::Alloc()::Alpha[]", 0, 0));
  }
  bool short_of_memory = false;
  for (const TGroups::TGroup& group : all.groups) {
    if (group.rows && group.rows->short_of_memory.load()) short_of_memory = true;
  }
  release();
  if (short_of_memory) return Fail(MemoryErrorText("TSimpleLayer::Alloc()::Alpha[]", 0, 0));
  return Ok();
}

}  // namespace tintloom
