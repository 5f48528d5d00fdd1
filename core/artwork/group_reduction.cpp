#include "core/artwork/group_reduction.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "core/artwork/band_workers.h"
#include "core/artwork/channel_mix.h"
#include "core/artwork/preparation_kernels.h"

namespace tintloom {

namespace {

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

TSpan Overlap(std::int64_t n, std::int64_t offset, std::int64_t limit) {
  TSpan span{std::max<std::int64_t>(0, -offset), std::min<std::int64_t>(n, limit - offset)};
  if (span.end < span.begin) span.end = span.begin;
  return span;
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
    const std::int64_t my = r + layer.top - layer.maskTop;
    // Outside its rectangle a mask is its default colour: 0 hides the
    // layer there, 255 leaves it as it is.
    const bool hides_outside = c.mask.Present() && layer.maskDefaultColour == 0;
    if (covered && c.mask.Present() && my >= 0 && my < layer.maskHeight && c.mask_columns.begin < c.mask_columns.end) {
      const std::uint8_t* mask = c.mask.Row(my, row_buffer[4]);
      const std::int64_t inside = std::max(c.columns.begin, c.mask_columns.begin);
      const std::int64_t after = std::max(inside, c.mask_columns.end);
      if (hides_outside) {
        std::fill(f, f + (inside - c.columns.begin), 0.0f);
        std::fill(f + (after - c.columns.begin), f + n, 0.0f);
      }
      for (std::int64_t k = inside; k < c.mask_columns.end; ++k) {
        float& v = f[static_cast<std::size_t>(k - c.columns.begin)];
        v = static_cast<float>(mask[k + c.mask_dx - c.mask_first] / 255.0 * v);
      }
    } else if (hides_outside) {
      covered = false;
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

}  // namespace

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
    const std::int64_t my = j + base.top - base.maskTop;
    // Outside its rectangle a mask is its default colour: 0 hides the layer
    // there, 255 leaves it as it is.
    const bool hides_outside = g.mask.Present() && base.maskDefaultColour == 0;
    const auto outside = [&](std::uint8_t* from, std::size_t count) {
      if (hides_outside) {
        std::memset(from, 0, count);
      } else {
        ApplyOpacity(from, count, base.Opacity);
      }
    };
    if (!g.mask.Present() || my < 0 || my >= base.maskHeight || g.mask_columns.begin >= g.mask_columns.end) {
      outside(row, g.width);
      continue;
    }
    // The mask's source starts at the first mask column used.
    const std::uint8_t* mask = g.mask.Row(my, scratch + g.at_rows);
    outside(row, static_cast<std::size_t>(g.mask_columns.begin));
    for (std::int64_t k = g.mask_columns.begin; k < g.mask_columns.end; ++k) {
      row[k] = static_cast<std::uint8_t>(base.Opacity * row[k] * mask[k - g.mask_columns.begin] / 65025);
    }
    outside(row + g.mask_columns.end, g.width - static_cast<std::size_t>(g.mask_columns.end));
  }
}

namespace {

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

// About this many bytes of each band plane, so that a band's planes and the
// clipped layers' rows stay in a core's cache together.
constexpr std::size_t kBandPlaneBytes = std::size_t{48} << 10;

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
  TRY(BindRows(doc, layer, layer.transparencyPlane, false, part, transparency));
  TRY(BindRows(doc, layer, layer.redPlane, false, part, red));
  TRY(BindRows(doc, layer, layer.greenPlane, false, part, green));
  return BindRows(doc, layer, layer.bluePlane, false, part, blue);
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
  c.mask_dx = std::int64_t{layer.left} - layer.maskLeft;
  c.mask_columns = Overlap(c.columns.end, c.mask_dx, layer.maskWidth);
  if (c.rows.begin >= c.rows.end || c.columns.begin >= c.columns.end) return c;
  TRY(BindColourRows(doc, layer, {c.rows.begin, c.rows.end, c.columns.begin, c.columns.end}, c.transparency, c.red,
                     c.green, c.blue));
  const std::int64_t first = std::max(c.columns.begin, c.mask_columns.begin);
  c.mask_first = first + c.mask_dx;
  const auto [r0, r1] = RowsWithin(c.rows.begin, c.rows.end, std::int64_t{layer.top} - layer.maskTop, layer.maskHeight);
  TRY(BindRows(doc, layer, layer.maskPlane, true,
               {r0, r1, c.mask_first, std::max(c.mask_first, c.mask_columns.end + c.mask_dx)}, c.mask));
  return c;
}

}  // namespace

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
  g->mask_dx = std::int64_t{base.left} - base.maskLeft + part.x0;
  g->mask_columns = Overlap(static_cast<std::int64_t>(g->width), g->mask_dx, base.maskWidth);
  {
    const auto [r0, r1] = RowsWithin(part.y0, part.y1, std::int64_t{base.top} - base.maskTop, base.maskHeight);
    TRY(BindRows(doc, base, base.maskPlane, true,
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
  TSimpleLayer& s = doc.Simples[static_cast<std::size_t>(doc.workingLayerCount++)];
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
    s.heldLeft = static_cast<std::int32_t>(shrink->j0);
    s.heldTop = static_cast<std::int32_t>(shrink->i0);
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

}  // namespace tintloom
