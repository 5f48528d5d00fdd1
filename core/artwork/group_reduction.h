#pragma once
// One clipping group (a base layer and the layers clipped onto it) reduced
// to one grey working layer with alpha, a band of rows at a time: the band's
// rows of every layer decoded, blended, made grey with their alpha and, when
// the group is shrunk, averaged across; a second pass averages down.
//
// Every quantity the algorithm keeps (the scale, window starts, sums,
// fractions, coverage) is a 32-bit float, while each expression is evaluated
// in double before it is stored or truncated, as the original x87 code did
// in extended precision. The results must match another implementation
// pixel for pixel, so the order of operations is deliberate; do not
// "simplify" it.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/artwork/area_shrink.h"
#include "core/artwork/blend_table.h"
#include "core/artwork/compose_kernels.h"
#include "core/artwork/compositor.h"
#include "core/artwork/psd_document.h"
#include "core/artwork/psd_row_source.h"
#include "core/base/messages.h"
#include "core/base/result.h"

namespace tintloom {

// The half-open range of indices i in [0, n) for which i + offset lies in
// [0, limit).
struct TSpan {
  std::int64_t begin = 0, end = 0;
};

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

// Work this small stays on the calling thread.
inline constexpr std::uint64_t kSharedPixels = std::uint64_t{1} << 16;

// The part of a base layer a group makes: columns [x0, x1), rows [y0, y1).
struct TBasePart {
  std::int64_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
};

// The planes averaged across, kept from group to group: each band writes
// every byte it owns, so they need no clearing, and reusing them spares the
// system clearing fresh pages for every group.
struct TAcrossPlanes {
  std::vector<std::uint8_t> pixel, alpha;
};

// A band worker's scratch of at least `bytes`; false, with `short_of_memory`
// set, when it cannot be had (a band job must not throw).
bool HaveScratch(std::vector<std::uint8_t>& scratch, std::size_t bytes, std::atomic<bool>& short_of_memory);

// Base rows [y0, y1) of a group made grey levels (into `red`) and alpha, at
// the file's own size. The rows are the base's own, inside what the group
// makes of it; `scratch` holds g.scratch_bytes.
void ReduceRows(const TGroupBands& g, std::int64_t y0, std::int64_t y1, std::uint8_t* red, std::uint8_t* alpha,
                std::uint8_t* scratch);

// Binds the rows of the part `part` (not empty) of a group's base and of the
// clipped layers that reach it, reading their bytes from the file.
// `row_bytes` and `columns` receive the widest decoded row and the widest
// clipped span, which size the scratch.
Result<> BindGroup(const TPSD& doc, const TPSDLayer& base, std::span<TPSDLayer* const> clipped, bool rgb,
                   const TBlendTable& blend, const TBasePart& part, TGroupBands* g, std::size_t& row_bytes,
                   std::size_t& columns);

// A thread's scratch for bands of `band_rows` rows: the band's colour planes
// (red and alpha only when shrunk, as unshrunk they are the caller's), five
// decoded rows, a row of coverage and one of table results, and the
// shrink's words.
void LayOutScratch(TGroupBands* g, bool rgb, std::int64_t band_rows, std::size_t row_bytes, std::size_t columns,
                   const TShrinkPlan* shrink);

// The working layer of one clipping group: `base` with `clipped` over it.
// Fails only when a channel's rows cannot be indexed (the load stops); a
// working layer whose planes cannot be had shows the memory message and
// stays empty.
Result<> ReduceGroup(TPSD& doc, const TPSDLayer& base, std::span<TPSDLayer* const> clipped, bool rgb,
                     const TBlendTable& blend, const TShrinkPlan* shrink, const TBasePart& part,
                     TAcrossPlanes& across_planes, TMessageSink& messages);

}  // namespace tintloom
