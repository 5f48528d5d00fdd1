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
#include <exception>
#include <new>

#include "core/artwork/band_workers.h"
#include "core/artwork/channel_mix.h"
#include "core/artwork/compositor.h"
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

// Where a group is assembled: one plane per colour, width x height bytes
// each, rows without padding. A grayscale document uses only `red`. Planes
// let every step run along contiguous bytes.
struct TWorkingSurface {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> red, green, blue;
};

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

// The decoded plane `index` of a layer becomes `to`: it is taken over, not
// copied, as the layer is freed once its group is done. A layer without
// that channel gives zeros, as a zero-filled plane would read.
bool TakePlane(TPSDLayer& layer, int index, std::size_t pixels, std::vector<std::uint8_t>& to) {
  if (index >= 0) {
    std::vector<std::uint8_t>& plane = layer.PixelData[static_cast<std::size_t>(index)];
    if (plane.size() == pixels) {
      to = std::move(plane);
      plane = {};
      return true;
    }
  }
  return TryAssign<std::uint8_t>(to, pixels, 0);
}

bool CopyBase(TPSDLayer& layer, bool rgb, TWorkingSurface& surface) {
  surface.width = layer.width;
  surface.height = layer.height;
  const std::size_t pixels = static_cast<std::size_t>(layer.width) * static_cast<std::size_t>(layer.height);
  // Green and blue first: in a grayscale document the grey plane is red.
  const bool taken = (!rgb || (TakePlane(layer, layer.green_plane, pixels, surface.green) &&
                               TakePlane(layer, layer.blue_plane, pixels, surface.blue))) &&
                     TakePlane(layer, layer.red_plane, pixels, surface.red);
  if (!taken) surface = {};
  return taken;
}

// One colour row of a clipped layer onto the surface row: d moves toward the
// source (or the blend table's result) by the coverage f, truncated. The sum
// is formed in double, as everywhere in preparation; it lies between d and
// the target, so the truncation needs no clamp. Built also for AVX2 and
// AVX-512, chosen when the program loads: the same double operations on more
// lanes at once (the build never fuses a multiply and an add).
__attribute__((target_clones("avx512f", "avx2", "default")))
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
              std::uint8_t* scratch) {
  if (blend.table != nullptr) {
    BlendTableRow(blend, d, s, scratch, n);
    s = scratch;
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

// Bands of rows worked side by side (see band_workers.h): one when the work
// is too small to share.
std::size_t Bands(std::int64_t rows, std::int64_t row_width) {
  constexpr std::int64_t kSharedPixels = std::int64_t{1} << 16;
  if (rows < 2 || rows * row_width < kSharedPixels) return 1;
  return static_cast<std::size_t>(std::min<std::int64_t>(rows, 2 * std::int64_t{CompositionThreads()}));
}

// Band `band` of `bands` equal parts of `rows`.
TSpan BandRows(TSpan rows, std::size_t band, std::size_t bands) {
  const std::int64_t n = rows.end - rows.begin;
  const auto b = static_cast<std::int64_t>(band), count = static_cast<std::int64_t>(bands);
  return {rows.begin + n * b / count, rows.begin + n * (b + 1) / count};
}

// work(band) for every band, spread over the band workers; returns when all
// are done. The work must not throw: anything it needs is made beforehand.
template <typename Work>
void ForEachBand(std::size_t bands, const Work& work) {
  RunBands(
      bands, bands > 1 ? CompositionThreads() : 1u,
      [](const void* context, std::size_t band, std::vector<std::uint8_t>&) {
        (*static_cast<const Work*>(context))(band);
      },
      &work);
}

void CompositeClipped(const TPSDLayer& layer, const TPSDLayer& base, bool rgb, const TBlendTable& blend,
                      TWorkingSurface& surface) {
  if (!LayerUsable(layer)) return;
  // Looked up here, on the thread that owns the table, for the bands below.
  const TTableBlend table = TableBlendFor(blend, layer.BlendModeKey);  // no table: normal, or none loaded
  const std::uint8_t* transparency = layer.Plane(layer.transparency_plane);
  const std::uint8_t* red = layer.Plane(layer.red_plane);
  const std::uint8_t* green = layer.Plane(layer.green_plane);
  const std::uint8_t* blue = layer.Plane(layer.blue_plane);
  const std::uint8_t* mask = layer.Plane(layer.mask_plane);
  // Layer pixel (k, r) lands on surface pixel (k + dx, r + dy); only the
  // part inside the surface is drawn.
  const std::int64_t dx = std::int64_t{layer.left} - base.left;
  const std::int64_t dy = std::int64_t{layer.top} - base.top;
  const TSpan rows = Overlap(layer.height, dy, surface.height);
  const TSpan columns = Overlap(layer.width, dx, surface.width);
  if (rows.begin >= rows.end || columns.begin >= columns.end) return;
  const auto n = static_cast<std::size_t>(columns.end - columns.begin);

  // Coverage by transparency byte: t / 255 x opacity / 255 as a float.
  const double opacity = layer.Opacity / 255.0;
  float coverage[256];
  for (int t = 0; t < 256; ++t) coverage[t] = static_cast<float>(t / 255.0 * opacity);
  const auto opaque = static_cast<float>(1.0 * opacity);
  // The mask applies to columns whose mask x lies inside the mask; outside
  // its rectangle the coverage stays as it is.
  const std::int64_t mask_dx = std::int64_t{layer.left} - layer.mask_left;
  const TSpan mask_columns = Overlap(columns.end, mask_dx, layer.mask_width);

  // Rows are blended in bands side by side, each with its own row of
  // coverage and of table results.
  const std::size_t bands = Bands(rows.end - rows.begin, static_cast<std::int64_t>(n));
  std::vector<float> coverage_rows(bands * n);
  std::vector<std::uint8_t> target_rows(bands * n);
  ForEachBand(bands, [&](std::size_t band) {
    float* f = coverage_rows.data() + band * n;
    std::uint8_t* targets = target_rows.data() + band * n;
    const TSpan part = BandRows(rows, band, bands);
    for (std::int64_t r = part.begin; r < part.end; ++r) {
      const auto at = static_cast<std::size_t>(r * layer.width + columns.begin);
      if (transparency != nullptr) {
        for (std::size_t i = 0; i < n; ++i) f[i] = coverage[transparency[at + i]];
      } else {
        std::fill(f, f + n, opaque);
      }
      const std::int64_t my = r + layer.top - layer.mask_top;
      if (mask != nullptr && my >= 0 && my < layer.mask_height) {
        const std::int64_t mask_row = my * layer.mask_width + mask_dx;
        for (std::int64_t k = std::max(columns.begin, mask_columns.begin); k < mask_columns.end; ++k) {
          float& c = f[static_cast<std::size_t>(k - columns.begin)];
          c = static_cast<float>(mask[mask_row + k] / 255.0 * c);
        }
      }
      // A row the layer does not cover at all (transparent, or masked out)
      // leaves the surface as it is: d + 0 x (target - d) is d.
      if (std::all_of(f, f + n, [](float c) { return c == 0.0f; })) continue;
      const auto to = static_cast<std::size_t>((r + dy) * surface.width + columns.begin + dx);
      const auto from = [&](const std::uint8_t* plane) { return plane != nullptr ? plane + at : nullptr; };
      BlendRow(surface.red.data() + to, from(red), f, n, table, targets);
      if (rgb) {
        BlendRow(surface.green.data() + to, from(green), f, n, table, targets);
        BlendRow(surface.blue.data() + to, from(blue), f, n, table, targets);
      }
    }
  });
}

float CanvasScale(const TPSD& doc) {
  const float sx = static_cast<float>(doc.width * (1.0 / kCanvasSide));
  const float sy = static_cast<float>(doc.height * (1.0 / kCanvasSide));
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

void FinishGroup(TPSD& doc, TPSDLayer* base, bool rgb, TWorkingSurface& surface, TMessageSink& messages,
                 TPlanePool& pool) {
  if (base == nullptr) return;
  TSimpleLayer& s = doc.Simples[static_cast<std::size_t>(doc.working_layer_count++)];
  s.left = base->left;
  s.top = base->top;
  s.width = base->width;
  s.height = base->height;
  s.BlendModeKey = base->BlendModeKey;
  if (base->Name) {
    try {
      s.Name = *base->Name;
    } catch (const std::bad_alloc&) {
      s.Name.reset();
    }
  }
  const std::size_t pixels = static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height);
  // The grey levels are made in the surface's red plane, which becomes the
  // working layer's; the base's transparency plane becomes its alpha.
  // Only a layer without transparency needs a new plane.
  const bool has_transparency = base->Plane(base->transparency_plane) != nullptr;
  const bool has_alpha = has_transparency ? TakePlane(*base, base->transparency_plane, pixels, s.Alpha)
                                          : TryAssign<std::uint8_t>(s.Alpha, pixels, 255);
  if (!has_alpha) {
    messages.ShowMessage(MemoryErrorText("TSimpleLayer::Alloc()::Alpha[]", 0, static_cast<unsigned long long>(pixels)));
    s.Pixel = {};
    s.Alpha = {};
    s.width = s.height = 0;
    pool.GiveAll(*base);
    return;
  }
  const std::uint8_t* mask = base->Plane(base->mask_plane);
  const std::int64_t mask_dx = std::int64_t{base->left} - base->mask_left;
  const TSpan mask_columns = Overlap(s.width, mask_dx, mask != nullptr ? base->mask_width : 0);
  const auto width = static_cast<std::size_t>(s.width);
  const auto grey_rows = [&](TSpan rows) {
    if (!rgb) return;
    const std::size_t from = static_cast<std::size_t>(rows.begin) * width;
    GreyLevels(surface.red.data() + from, surface.green.data() + from, surface.blue.data() + from,
               static_cast<std::size_t>(rows.end - rows.begin) * width);
  };
  const auto alpha_rows = [&](TSpan rows) {
    for (std::int64_t j = rows.begin; j < rows.end; ++j) {
      std::uint8_t* alpha = s.Alpha.data() + static_cast<std::size_t>(j) * width;
      const std::int64_t my = j + base->top - base->mask_top;
      if (mask == nullptr || my < 0 || my >= base->mask_height || mask_columns.begin >= mask_columns.end) {
        ApplyOpacity(alpha, width, base->Opacity);
        continue;
      }
      const std::int64_t mask_row = my * base->mask_width + mask_dx;
      ApplyOpacity(alpha, static_cast<std::size_t>(mask_columns.begin), base->Opacity);
      for (std::int64_t k = mask_columns.begin; k < mask_columns.end; ++k) {
        alpha[k] = static_cast<std::uint8_t>(base->Opacity * alpha[k] * mask[mask_row + k] / 65025);
      }
      ApplyOpacity(alpha + mask_columns.end, width - static_cast<std::size_t>(mask_columns.end), base->Opacity);
    }
  };
  // Grey levels and alpha are independent: both go in bands side by side.
  const TSpan all{0, s.height};
  const std::size_t bands = Bands(s.height, s.width);
  ForEachBand(2 * bands, [&](std::size_t band) {
    if (band < bands) {
      grey_rows(BandRows(all, band, bands));
    } else {
      alpha_rows(BandRows(all, band - bands, bands));
    }
  });
  s.Pixel = std::move(surface.red);
  surface.red = {};
  // The surface's other colour planes are spent too.
  pool.Give(std::move(surface.green));
  pool.Give(std::move(surface.blue));
  pool.GiveAll(*base);
}

// The area averaging of ShrinkToCanvas, done as soon as the group is made.
// The full-size planes it replaces go back to the pool.
void BoxShrinkWorkingLayer(TSimpleLayer& layer, float s, TPlanePool& pool) {
  if (!layer.HasPlanes()) return;
  std::int32_t pw = layer.width, ph = layer.height;
  std::int32_t aw = layer.width, ah = layer.height;
  // The two planes shrink side by side. A shrink that cannot allocate
  // fails on the calling thread, as it would have alone.
  const bool side_by_side = Bands(layer.height, layer.width) > 1;
  std::vector<std::uint8_t> spent_pixel, spent_alpha;
  std::exception_ptr failed[2];
  ForEachBand(side_by_side ? 2 : 1, [&](std::size_t band) {
    try {
      if (band == 0) BoxShrink(layer.Pixel, pw, ph, s, 255, &spent_pixel);
      if (band == 1 || !side_by_side) BoxShrink(layer.Alpha, aw, ah, s, 0, &spent_alpha);
    } catch (...) {
      failed[band] = std::current_exception();
    }
  });
  for (const std::exception_ptr& failure : failed) {
    if (failure) std::rethrow_exception(failure);
  }
  pool.Give(std::move(spent_pixel));
  pool.Give(std::move(spent_alpha));
  layer.width = pw;
  layer.height = ph;
}

}  // namespace

Result<> ReduceLayers(TPSD& doc, const TBlendTable& blend, TProgressSink& progress, TMessageSink& messages,
                      bool shrinkEachGroup) {
  TWorkingSurface surface;
  TPlanePool pool;
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
  doc.planes_box_shrunk = shrinkEachGroup && scale > 1.0f;
  const auto finish = [&](TPSDLayer* group) {
    const std::int32_t made = doc.working_layer_count;
    FinishGroup(doc, group, rgb, surface, messages, pool);
    if (doc.planes_box_shrunk && doc.working_layer_count > made) {
      BoxShrinkWorkingLayer(doc.Simples[static_cast<std::size_t>(made)], scale, pool);
    }
  };
  // Planes left in the file are decoded just before their layer is used.
  const auto decode = [&](TPSDLayer& layer) -> Result<> {
    if (Result<> decoded = DecodeDeferredPlanes(doc, layer, &pool); !decoded) {
      DocumentClear(doc);
      return decoded;
    }
    return Ok();
  };
  TPSDLayer* base = nullptr;
  const std::size_t records = std::min(doc.Layers.size(), static_cast<std::size_t>(doc.layer_count));
  for (std::size_t i = 0; i < records; ++i) {
    progress.StepProgress(static_cast<int>(i));
    TPSDLayer& layer = doc.Layers[i];
    if (layer.Clipping == 0) {
      finish(base);
      base = nullptr;
      if (LayerUsable(layer)) TRY(decode(layer));
      if (LayerUsable(layer) && CopyBase(layer, rgb, surface)) {
        base = &layer;
      } else {
        pool.GiveAll(layer);
      }
    } else if (layer.Clipping == 1 && base != nullptr) {
      if (LayerUsable(layer)) TRY(decode(layer));
      CompositeClipped(layer, *base, rgb, blend, surface);
      pool.GiveAll(layer);
    } else {
      pool.GiveAll(layer);  // no base below it, or a clipping value with no meaning: dropped
    }
  }
  finish(base);
  doc.Layers = {};
  // Every plane is decoded: the file is no longer needed.
  doc.deferred_bytes = {};
  doc.deferred_owner.reset();
  return Ok();
}

std::uint8_t AreaAverage(const std::uint8_t* line, std::ptrdiff_t stride, std::int32_t n, float start, float span,
                         std::uint8_t outside) {
  auto value = [&](std::int64_t i) -> double {
    return i < n ? line[static_cast<std::ptrdiff_t>(i) * stride] : outside;
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

namespace {

std::int32_t ShrunkSize(std::int32_t size, float s) {
  const double q = size / static_cast<double>(s);
  std::int32_t n = static_cast<std::int32_t>(q);
  if (static_cast<float>(q - n) > 0.0f) ++n;
  return n;
}

}  // namespace

namespace {

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

TWindows Windows(std::int32_t count, float s, std::int32_t n) {
  TWindows w;
  const auto c = static_cast<std::size_t>(count);
  w.start.resize(c);
  w.first.resize(c);
  w.last.resize(c);
  w.lead.resize(c);
  w.tail.resize(c);
  float a = 0.0f;
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

}  // namespace

void BoxShrink(std::vector<std::uint8_t>& plane, std::int32_t& w, std::int32_t& h, float s, std::uint8_t outside,
               std::vector<std::uint8_t>* spent) {
  const std::int32_t w2 = ShrunkSize(w, s);
  const std::int32_t h2 = ShrunkSize(h, s);
  const std::size_t width2 = static_cast<std::size_t>(w2);
  const double span = s;
  const TWindows across_windows = Windows(w2, s, w);
  const TWindows down_windows = Windows(h2, s, h);
  const std::size_t across_inside = FitsFloatSum(s) ? across_windows.inside : 0;
  const std::size_t down_inside = FitsFloatSum(s) ? down_windows.inside : 0;
  // A window that starts and ends on element bounds (as every window does
  // at a whole-number scale) has nothing to take off or add, and its result
  // depends on its sum alone: those results are looked up.
  const std::int64_t longest = std::max(LongestWindow(across_windows), LongestWindow(down_windows));
  std::vector<std::uint8_t> by_sum;
  if (FitsFloatSum(s) && longest <= 256) {
    by_sum.resize(static_cast<std::size_t>(longest * 255 + 1));
    for (std::size_t v = 0; v < by_sum.size(); ++v) {
      by_sum[v] = FinishAverage(static_cast<std::int32_t>(v), 0, 0, 0.0, 0.0, span);
    }
  }
  const auto whole_window = [&](const TWindows& windows, std::size_t j) {
    return !by_sum.empty() && windows.lead[j] == 0.0 && windows.tail[j] == 0.0;
  };
  bool across_whole = true;
  for (std::size_t j = 0; j < across_inside; ++j) across_whole = across_whole && whole_window(across_windows, j);

  // Across each row: the bounds, the whole-element sums and the end bytes
  // are gathered first, so that the arithmetic runs on whole rows.
  std::vector<std::uint8_t> across(width2 * static_cast<std::size_t>(h));
  std::vector<std::int32_t> sums(across_inside), firsts(across_inside), lasts(across_inside);
  // Windows of at most eight bytes are summed from one eight-byte read (on
  // a little-endian machine the first byte is the lowest), which must stay
  // inside the row: those form a leading run of the outputs.
  std::size_t by_word = 0;
  std::vector<std::uint64_t> keep(across_inside);
  if (std::endian::native == std::endian::little && LongestWindow(across_windows) <= 8) {
    while (by_word < across_inside && across_windows.first[by_word] + 8 <= w) {
      const std::int64_t n = across_windows.last[by_word] - across_windows.first[by_word];
      keep[by_word] = n == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * n)) - 1;
      ++by_word;
    }
  }
  for (std::int32_t y = 0; y < h; ++y) {
    const std::uint8_t* row = plane.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
    std::uint8_t* out_row = across.data() + static_cast<std::size_t>(y) * width2;
    for (std::size_t j = 0; j < by_word; ++j) {
      std::uint64_t word;
      std::memcpy(&word, row + across_windows.first[j], 8);
      sums[j] = static_cast<std::int32_t>(SumWordBytes(word, keep[j]));
    }
    for (std::size_t j = by_word; j < across_inside; ++j) {
      const auto e = static_cast<std::size_t>(across_windows.first[j]);
      sums[j] = static_cast<std::int32_t>(SumRun(row + e, static_cast<std::size_t>(across_windows.last[j]) - e));
    }
    if (!across_whole) {
      for (std::size_t j = 0; j < across_inside; ++j) {
        firsts[j] = row[across_windows.first[j]];
        lasts[j] = row[across_windows.last[j]];
      }
    }
    if (across_whole) {
      for (std::size_t j = 0; j < across_inside; ++j) out_row[j] = by_sum[static_cast<std::size_t>(sums[j])];
    } else {
      for (std::size_t j = 0; j < across_inside; ++j) {
        out_row[j] = FinishAverage(sums[j], firsts[j], lasts[j], across_windows.lead[j], across_windows.tail[j], span);
      }
    }
    for (std::size_t j = across_inside; j < width2; ++j) {
      out_row[j] = AreaAverage(row, 1, w, across_windows.start[j], s, outside);
    }
  }

  // Down the columns, a whole output row at a time: the window's rows are
  // summed into one accumulator row, so every read runs along a row.
  std::vector<std::uint8_t> out(width2 * static_cast<std::size_t>(h2));
  std::vector<std::int32_t> whole(width2);
  for (std::int32_t i = 0; i < h2; ++i) {
    const auto o = static_cast<std::size_t>(i);
    std::uint8_t* out_row = out.data() + o * width2;
    if (o >= down_inside) {
      for (std::size_t x = 0; x < width2; ++x) {
        out_row[x] = AreaAverage(across.data() + x, w2, h, down_windows.start[o], s, outside);
      }
      continue;
    }
    const std::int64_t e = down_windows.first[o], z = down_windows.last[o];
    std::fill(whole.begin(), whole.end(), 0);
    for (std::int64_t r = e; r < z; ++r) {
      const std::uint8_t* in = across.data() + static_cast<std::size_t>(r) * width2;
      for (std::size_t x = 0; x < width2; ++x) whole[x] += in[x];
    }
    const std::uint8_t* first = across.data() + static_cast<std::size_t>(e) * width2;
    const std::uint8_t* last = across.data() + static_cast<std::size_t>(z) * width2;
    const double lead = down_windows.lead[o], tail = down_windows.tail[o];
    if (whole_window(down_windows, o)) {
      for (std::size_t x = 0; x < width2; ++x) out_row[x] = by_sum[static_cast<std::size_t>(whole[x])];
    } else {
      for (std::size_t x = 0; x < width2; ++x) out_row[x] = FinishAverage(whole[x], first[x], last[x], lead, tail, span);
    }
  }
  if (spent != nullptr) *spent = std::move(plane);
  plane = std::move(out);
  w = w2;
  h = h2;
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

void ShrinkLayer(TSimpleLayer& layer, float s, bool boxShrunk) {
  const double nx_exact = layer.left / static_cast<double>(s);
  const double ny_exact = layer.top / static_cast<double>(s);
  const auto nx = static_cast<std::int32_t>(nx_exact);
  const auto ny = static_cast<std::int32_t>(ny_exact);
  const auto fx = static_cast<float>(nx_exact - nx);
  const auto fy = static_cast<float>(ny_exact - ny);
  layer.left = nx;
  layer.top = ny;
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
      ShrinkLayer(doc.Simples[static_cast<std::size_t>(i)], s, doc.planes_box_shrunk);
    }
  }
  doc.width = static_cast<std::int32_t>(doc.width / static_cast<double>(s) + 0.5);
  doc.height = static_cast<std::int32_t>(doc.height / static_cast<double>(s) + 0.5);
}

}  // namespace tintloom
