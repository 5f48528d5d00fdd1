#include "core/artwork/area_shrink.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "core/artwork/compose_kernels.h"

namespace tintloom {

namespace {

std::uint8_t TruncByte(double v) {
  // Mathematically every value here lies in 0..255; the clamp only guards
  // against a rounding step past either end.
  if (!(v > 0.0)) return 0;
  if (v >= 255.0) return 255;
  return static_cast<std::uint8_t>(static_cast<int>(v));
}

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

std::int32_t ShrunkSize(std::int32_t size, float s) {
  const double q = size / static_cast<double>(s);
  std::int32_t n = static_cast<std::int32_t>(q);
  if (static_cast<float>(q - n) > 0.0f) ++n;
  return n;
}

namespace {

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

}  // namespace

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

bool VectorRows() { return ActiveComposeKernel() == TComposeKernel::kAvx512; }

std::int64_t ShrunkSide(std::int32_t side, float s) {
  // A side far shorter than the other keeps one pixel: rounded to none, a
  // 30000 x 2 document would become a picture of no rows.
  const auto rounded = static_cast<std::int32_t>(side / static_cast<double>(s) + 0.5);
  return side > 0 ? std::max(rounded, 1) : rounded;
}

std::pair<std::int64_t, std::int64_t> OutputsShown(std::int32_t at, std::int32_t size, float s, std::int64_t from,
                                                   std::int64_t to) {
  const double exact = at / static_cast<double>(s);
  const auto moved = static_cast<std::int32_t>(exact);
  const std::int64_t shifted = static_cast<float>(exact - moved) > 0.0f ? 1 : 0;
  const std::int64_t count = ShrunkSize(size, s);
  const std::int64_t begin = std::max<std::int64_t>(0, from - moved);
  const std::int64_t end = std::min<std::int64_t>(count + shifted, to - moved);
  if (begin >= end) return {0, 0};
  return {std::max<std::int64_t>(0, begin - shifted), std::min(count, end)};
}

std::pair<std::int64_t, std::int64_t> ElementsShown(std::int32_t at, std::int32_t size, std::int64_t canvas) {
  const std::int64_t first = std::clamp<std::int64_t>(-std::int64_t{at}, 0, size);
  return {first, std::clamp<std::int64_t>(canvas - at, first, size)};
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

}  // namespace tintloom
