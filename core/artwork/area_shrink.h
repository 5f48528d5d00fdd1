#pragma once
// The area-averaging shrink of a plane by a scale s > 1: each output is the
// average of the window of s x s elements it covers, the end elements' parts
// included, made across the rows and then down the columns, planned once per
// plane and run on bands of rows; and the shift by the fraction of a pixel
// a shrunk layer's position leaves.
//
// Every quantity the algorithm keeps (the scale, window starts, sums,
// fractions, coverage) is a 32-bit float, while each expression is evaluated
// in double before it is stored or truncated, as the original x87 code did
// in extended precision. The results must match another implementation
// pixel for pixel, so the order of operations is deliberate; do not
// "simplify" it.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/artwork/preparation_kernels.h"

namespace tintloom {

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

std::int32_t ShrunkSize(std::int32_t size, float s);

// The plan of outputs [j0, j1) across and [i0, i1) down of a w x h plane.
void MakeShrinkPlan(TShrinkPlan& p, std::int32_t w, std::int32_t h, float s, std::int64_t j0, std::int64_t j1,
                    std::int64_t i0, std::int64_t i1);

void MakeShrinkPlan(TShrinkPlan& p, std::int32_t w, std::int32_t h, float s);

// Across `count` rows of w bytes into as many rows of w2 bytes. The bounds,
// the whole-element sums and the end bytes of a row are gathered first, so
// that the arithmetic runs on whole rows. `scratch` holds ScratchWords().
void ShrinkAcross(const TShrinkPlan& p, const std::uint8_t* rows, std::int64_t count, std::uint8_t* out,
                  std::uint8_t outside, std::int32_t* scratch, bool vector);

// Output rows [o0, o1) down the columns of `across` (h rows of w2 bytes),
// into `out` from row o0 on, a whole output row at a time: the window's rows
// are summed into one accumulator row, so every read runs along a row.
// `scratch` holds ScratchWords().
void ShrinkDown(const TShrinkPlan& p, const std::uint8_t* across, std::int64_t o0, std::int64_t o1, std::uint8_t* out,
                std::uint8_t outside, std::int32_t* scratch);

// Whether the row steps take their AVX-512 forms: with the compositor's
// vector kernel, so that tests choosing a kernel compare both.
bool VectorRows();

// A side of the document once shrunk by s, as ShrinkToCanvas rewrites it:
// rounded, but never below one pixel.
std::int64_t ShrunkSide(std::int32_t side, float s);

// The outputs [j0, j1) of the shrink of a layer side `size` long at `at`
// whose placed pixels can land on [from, to) (the whole canvas, or a band of
// its rows). ShrinkToCanvas moves a layer to trunc(at / s) and, for a
// positive fraction, shifts it by that fraction, so that a placed pixel then
// takes its output and the one before it.
std::pair<std::int64_t, std::int64_t> OutputsShown(std::int32_t at, std::int32_t size, float s, std::int64_t from,
                                                   std::int64_t to);

// The elements [first, end) of a side `size` long at `at` that lie on [0, canvas).
std::pair<std::int64_t, std::int64_t> ElementsShown(std::int32_t at, std::int32_t size, std::int64_t canvas);

// The pieces of the shrink on whole planes, exposed for testing. Planes are row-major.

std::uint8_t AreaAverage(const std::uint8_t* line, std::ptrdiff_t stride, std::int32_t n, float start, float span,
                         std::uint8_t outside);

void BoxShrink(std::vector<std::uint8_t>& plane, std::int32_t& w, std::int32_t& h, float s, std::uint8_t outside);

void ShiftRight(std::vector<std::uint8_t>& plane, std::int32_t& w, std::int32_t h, float f, std::uint8_t outside);

void ShiftDown(std::vector<std::uint8_t>& plane, std::int32_t w, std::int32_t& h, float f, std::uint8_t outside);

}  // namespace tintloom
