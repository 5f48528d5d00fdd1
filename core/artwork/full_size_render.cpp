#include "core/artwork/full_size_render.h"

#include <algorithm>
#include <new>
#include <vector>

#include "core/artwork/compositor.h"
#include "core/artwork/full_size_layers.h"
#include "core/colour/surface.h"

namespace tintloom {

namespace {

// Document rows composed at a time: the band layers' planes stay small (a
// 4000-pixel-wide file of thirty layers needs about 15 MB for them).
constexpr std::int32_t kRenderBandRows = 64;

// Whether the re-read file gives the working layers the canvas shows.
bool SameLayers(const TPSD& shown, int count, const std::function<const std::optional<std::string>&(int)>& name) {
  if (count != shown.workingLayerCount || static_cast<std::size_t>(count) > shown.Simples.size()) return false;
  for (int i = 0; i < count; ++i) {
    if (shown.Simples[static_cast<std::size_t>(i)].Name != name(i)) return false;
  }
  return true;
}

// The coverage of all layers together over rows [0, rows) of `doc`: each
// layer's alpha a takes its share of what is still uncovered,
// A + (255 - A) x a / 255.
// Layers hidden in the layer window cover nothing, as they draw nothing.
void CoverageUnion(const TPSD& doc, std::span<const TArtworkLayer> layers, std::int32_t width, std::int32_t rows,
                   std::vector<std::uint8_t>& coverage) {
  coverage.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows), 0);
  const auto count = static_cast<std::size_t>(std::max(doc.workingLayerCount, 0));
  for (std::size_t i = 0; i < count && i < doc.Simples.size(); ++i) {
    const TSimpleLayer& layer = doc.Simples[i];
    if (layer.width <= 0 || layer.height <= 0 || (i < layers.size() && layers[i].hidden)) continue;
    const auto size = static_cast<std::size_t>(layer.width) * static_cast<std::size_t>(layer.height);
    if (layer.Alpha.size() < size) continue;
    const std::int64_t x0 = std::max<std::int64_t>(0, layer.left);
    const std::int64_t x1 = std::min<std::int64_t>(width, std::int64_t{layer.left} + layer.width);
    const std::int64_t y0 = std::max<std::int64_t>(0, layer.top);
    const std::int64_t y1 = std::min<std::int64_t>(rows, std::int64_t{layer.top} + layer.height);
    for (std::int64_t y = y0; y < y1; ++y) {
      const std::uint8_t* a = layer.Alpha.data() + static_cast<std::size_t>(y - layer.top) * static_cast<std::size_t>(layer.width);
      std::uint8_t* c = coverage.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
      for (std::int64_t x = x0; x < x1; ++x) {
        const unsigned v = c[x];
        c[x] = static_cast<std::uint8_t>(v + (255u - v) * a[x - layer.left] / 255u);
      }
    }
  }
}

// Surface rows [0, rows) to the sink. Transparent pictures were composed over
// white: the colour is taken back out of white by the coverage, which gives a
// normal layer its own colour exactly (and a multiplying one its colour as
// over white), and the coverage becomes the alpha.
Result<> EmitRows(const TSurface& surface, std::int32_t rows, const std::vector<std::uint8_t>* coverage,
                  std::vector<std::uint8_t>& row, TRowSink& sink) {
  const std::int32_t width = surface.width;
  for (std::int32_t y = 0; y < rows; ++y) {
    const TRgb24* in = surface.rows[static_cast<std::size_t>(y)];
    if (coverage == nullptr) {
      for (std::int32_t x = 0; x < width; ++x) {
        row[3 * x] = in[x].red;
        row[3 * x + 1] = in[x].green;
        row[3 * x + 2] = in[x].blue;
      }
    } else {
      const std::uint8_t* a = coverage->data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
      for (std::int32_t x = 0; x < width; ++x) {
        const int alpha = a[x];
        const auto unmix = [alpha](int over_white) {
          if (alpha == 0) return std::uint8_t{0};
          const int v = (over_white - (255 - alpha)) * 255 + alpha / 2;
          return static_cast<std::uint8_t>(std::clamp(v / alpha, 0, 255));
        };
        row[4 * x] = unmix(in[x].red);
        row[4 * x + 1] = unmix(in[x].green);
        row[4 * x + 2] = unmix(in[x].blue);
        row[4 * x + 3] = static_cast<std::uint8_t>(alpha);
      }
    }
    TRY(sink.WriteRow(row.data()));
  }
  return Ok();
}

// The user's blend codes over the file's.
void TakeBlendCodes(const TPSD& shown, TPSD& doc) {
  const auto count = std::min(doc.Simples.size(), shown.Simples.size());
  for (std::size_t i = 0; i < count; ++i) doc.Simples[i].BlendModeKey = shown.Simples[i].BlendModeKey;
}

TColor UnderColour(const TRenderBackground& background) {
  return background.transparent ? TColor{0xFFFFFF} : background.colour;
}

// The fitted picture a band of its rows at a time: each band reduces and
// shrinks only the file's rows that reach it, from a copy of the records, so
// memory follows the band, as at full size, not the fitted picture.
Result<TRenderOutcome> RenderFitted(const TPSD& opened, const TPSD& shown, std::span<const TArtworkLayer> layers,
                                    const TBlendTable& blend, const TRenderBackground& background, TRowSink& sink,
                                    const TRenderProgress& progress) {
  TSilentProgress silent;
  TSilentMessages quiet;
  const auto [width, height] = FittedSize(opened);
  TSurface surface;
  if (width <= 0 || height <= 0 || !surface.Create(width, std::min(height, kRenderBandRows))) {
    return Fail(MemoryErrorText("TSurface::Create()", width, 3ull * static_cast<unsigned>(std::max(width, 0)) * kRenderBandRows));
  }
  std::vector<std::uint8_t> coverage;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 4);
  for (std::int32_t y0 = 0; y0 < height; y0 += kRenderBandRows) {
    if (progress && !progress(y0, height)) return TRenderOutcome::kCancelled;
    const std::int32_t y1 = std::min(height, y0 + kRenderBandRows);
    TPSD band;
    try {
      band = opened;
    } catch (const std::bad_alloc&) {
      return Fail(MemoryErrorText("TPSD::Layers", opened.layerCount, 0));
    }
    band.fitRowBegin = y0;
    band.fitRowEnd = y1;
    TRY(ReduceLayers(band, blend, silent, quiet, true, true));
    ShrinkToCanvas(band, silent);
    if (!SameLayers(shown, band.workingLayerCount, [&band](int i) -> const std::optional<std::string>& {
          return band.Simples[static_cast<std::size_t>(i)].Name;
        })) {
      return Fail(kArtworkChangedMessage);
    }
    if (band.width != width || band.height != y1 - y0) return Fail(kArtworkChangedMessage);
    // The sink is begun once the first band shows the file still matches.
    if (y0 == 0) TRY(sink.Begin(width, height, background.transparent));
    TakeBlendCodes(shown, band);
    FillRect(surface, 0, 0, surface.width, surface.height, UnderColour(background));
    CompositeArtwork(band, surface, layers, blend);
    if (background.transparent) CoverageUnion(band, layers, width, y1 - y0, coverage);
    TRY(EmitRows(surface, y1 - y0, background.transparent ? &coverage : nullptr, row, sink));
  }
  if (progress) progress(height, height);
  return TRenderOutcome::kDone;
}

}  // namespace

Result<TRenderOutcome> RenderArtwork(const std::string& path, const TPSD& shown, std::span<const TArtworkLayer> layers,
                                     const TBlendTable& blend, const TRenderBackground& background,
                                     std::int32_t fitSide, TRowSink& sink, const TRenderProgress& progress) {
  TSilentProgress silent;
  TPSD doc;
  TRY(LoadFromFile(path, doc, silent, true));
  if (fitSide > 0 && std::max(doc.width, doc.height) > fitSide) {
    doc.fitSide = fitSide;
    return RenderFitted(doc, shown, layers, blend, background, sink, progress);
  }

  TRY_ASSIGN(std::unique_ptr<TFullSizeLayers> bound, TFullSizeLayers::Bind(doc, blend));
  if (!SameLayers(shown, bound->Count(), [&bound](int i) -> const std::optional<std::string>& { return bound->Name(i); })) {
    return Fail(kArtworkChangedMessage);
  }
  const std::int32_t width = doc.width;
  const std::int32_t height = doc.height;
  TSurface surface;
  if (width <= 0 || height <= 0 || !surface.Create(width, std::min(height, kRenderBandRows))) {
    return Fail(MemoryErrorText("TSurface::Create()", width, 3ull * static_cast<unsigned>(std::max(width, 0)) * kRenderBandRows));
  }
  TRY(sink.Begin(width, height, background.transparent));
  TPSD band;
  std::vector<std::uint8_t> coverage;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 4);
  for (std::int32_t y0 = 0; y0 < height; y0 += kRenderBandRows) {
    if (progress && !progress(y0, height)) return TRenderOutcome::kCancelled;
    const std::int32_t y1 = std::min(height, y0 + kRenderBandRows);
    TRY(bound->ReduceRows(y0, y1, band));
    TakeBlendCodes(shown, band);
    FillRect(surface, 0, 0, surface.width, surface.height, UnderColour(background));
    CompositeArtwork(band, surface, layers, blend);
    if (background.transparent) CoverageUnion(band, layers, width, y1 - y0, coverage);
    TRY(EmitRows(surface, y1 - y0, background.transparent ? &coverage : nullptr, row, sink));
  }
  if (progress) progress(height, height);
  return TRenderOutcome::kDone;
}

}  // namespace tintloom
