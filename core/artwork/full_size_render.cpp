#include "core/artwork/full_size_render.h"

#include <algorithm>
#include <new>
#include <vector>

#include "core/artwork/artwork_file.h"
#include "core/artwork/compositor.h"
#include "core/artwork/full_size_layers.h"
#include "core/base/memory_error.h"
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

// The layers composed over nothing, as layered image formats blend them: a
// layer meets the colour and the coverage of what lies below it. Where
// nothing lies below, a layer of any mode shows its own colour; where the
// layers below cover a pixel fully, it blends exactly as on the canvas (the
// same table entry and the same truncated mix, so those pixels are the
// canvas's bytes); in between, the blend's result is weighted by the
// backdrop's coverage ab, Cs' = (1 - ab) Cs + ab B(Cb, Cs), and laid over the
// backdrop. The coverage grows as A + (255 - A) x a / 255. Layers the canvas
// leaves out (hidden, unmapped, without planes) cover nothing. `rgba` holds
// rows [0, rows) of `doc` as straight red, green, blue and alpha; fails with
// the memory message.
Result<> ComposeOverNothing(const TPSD& doc, std::span<const TArtworkLayer> layers, const TBlendTable& blend,
                            std::int32_t width, std::int32_t rows, std::vector<std::uint8_t>& rgba) {
  const std::uint64_t bytes = 4ull * static_cast<std::uint64_t>(std::max(width, 0)) * static_cast<std::uint64_t>(std::max(rows, 0));
  if (!TryResize(rgba, static_cast<std::size_t>(bytes))) return Fail(MemoryErrorText("TRenderRows::Rgba[]", width, bytes));
  const auto count = static_cast<std::size_t>(std::max(doc.workingLayerCount, 0));
  for (std::size_t i = 0; i < count && i < doc.Simples.size() && i < layers.size(); ++i) {
    const TSimpleLayer& layer = doc.Simples[i];
    const auto& lookup = layers[i].mapping.Lookup;
    if (layer.width <= 0 || layer.height <= 0 || layers[i].hidden || lookup[0] == nullptr) continue;
    const auto size = static_cast<std::size_t>(layer.width) * static_cast<std::size_t>(layer.height);
    if (layer.Alpha.size() < size || layer.Pixel.size() < size) continue;
    const std::uint8_t* table = layer.BlendModeKey == kBlendNormal ? nullptr : blend.Table(layer.BlendModeKey);
    const std::int64_t x0 = std::max<std::int64_t>(0, layer.left);
    const std::int64_t x1 = std::min<std::int64_t>(width, std::int64_t{layer.left} + layer.width);
    const std::int64_t y0 = std::max<std::int64_t>(0, layer.top);
    const std::int64_t y1 = std::min<std::int64_t>(rows, std::int64_t{layer.top} + layer.height);
    for (std::int64_t y = y0; y < y1; ++y) {
      const std::size_t from = static_cast<std::size_t>(y - layer.top) * static_cast<std::size_t>(layer.width);
      std::uint8_t* out = rgba.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
      for (std::int64_t x = x0; x < x1; ++x) {
        const std::size_t at = from + static_cast<std::size_t>(x - layer.left);
        const int a = layer.Alpha[at];
        if (a == 0) continue;
        const TRgb24 c = *lookup[layer.Pixel[at]];
        const int source[3] = {c.red, c.green, c.blue};
        std::uint8_t* p = out + 4 * x;
        const int ab = p[3];
        for (int k = 0; k < 3; ++k) {
          const int s = source[k];
          const int b = p[k];
          const int blended = table == nullptr ? s : table[b * 256 + s];
          int v;
          if (ab == 0) {
            v = s;
          } else if (ab == 255) {
            v = b + (blended - b) * a / 255;
          } else {
            const int weighted = ((255 - ab) * s + ab * blended + 127) / 255;
            const int numerator = 255 * a * weighted + ab * (255 - a) * b;
            const int denominator = 255 * a + ab * (255 - a);
            v = (numerator + denominator / 2) / denominator;
          }
          p[k] = static_cast<std::uint8_t>(v);
        }
        p[3] = static_cast<std::uint8_t>(ab + (255 - ab) * a / 255);
      }
    }
  }
  return Ok();
}

// Rows [0, rows) of the opaque surface to the sink.
Result<> EmitRows(const TSurface& surface, std::int32_t rows, std::vector<std::uint8_t>& row, TRowSink& sink) {
  const std::int32_t width = surface.width;
  for (std::int32_t y = 0; y < rows; ++y) {
    const TRgb24* in = surface.rows[static_cast<std::size_t>(y)];
    for (std::int32_t x = 0; x < width; ++x) {
      row[3 * x] = in[x].red;
      row[3 * x + 1] = in[x].green;
      row[3 * x + 2] = in[x].blue;
    }
    TRY(sink.WriteRow(row.data()));
  }
  return Ok();
}

// The layers of `doc` (rows [0, rows)) to the sink: composed over nothing
// for a transparent picture, else onto `surface` filled with the colour.
// `buffer` holds a row, or the transparent rows.
Result<> ComposeAndEmit(const TPSD& doc, std::span<const TArtworkLayer> layers, const TBlendTable& blend,
                        const TRenderBackground& background, std::int32_t width, std::int32_t rows, TSurface& surface,
                        std::vector<std::uint8_t>& buffer, TRowSink& sink) {
  if (!background.transparent) {
    FillRect(surface, 0, 0, surface.width, surface.height, background.colour);
    CompositeArtwork(doc, surface, layers, blend);
    return EmitRows(surface, rows, buffer, sink);
  }
  TRY(ComposeOverNothing(doc, layers, blend, width, rows, buffer));
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  for (std::int32_t y = 0; y < rows; ++y) TRY(sink.WriteRow(buffer.data() + static_cast<std::size_t>(y) * rowBytes));
  return Ok();
}

// The user's blend codes over the file's.
void TakeBlendCodes(const TPSD& shown, TPSD& doc) {
  const auto count = std::min(doc.Simples.size(), shown.Simples.size());
  for (std::size_t i = 0; i < count; ++i) doc.Simples[i].BlendModeKey = shown.Simples[i].BlendModeKey;
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
    TRY(ComposeAndEmit(band, layers, blend, background, width, y1 - y0, surface, row, sink));
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
  TRY(LoadArtworkFile(path, doc, silent, true));
  if (fitSide > 0 && std::max(doc.width, doc.height) > fitSide) {
    doc.fitSide = fitSide;
    return RenderFitted(doc, shown, layers, blend, background, sink, progress);
  }
  // Every group's rows are read together, band by band: Krita and
  // OpenRaster layers are decoded whole first.
  TRY(DecodeAllPendingPlanes(doc));

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
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 4);
  for (std::int32_t y0 = 0; y0 < height; y0 += kRenderBandRows) {
    if (progress && !progress(y0, height)) return TRenderOutcome::kCancelled;
    const std::int32_t y1 = std::min(height, y0 + kRenderBandRows);
    TRY(bound->ReduceRows(y0, y1, band));
    TakeBlendCodes(shown, band);
    TRY(ComposeAndEmit(band, layers, blend, background, width, y1 - y0, surface, row, sink));
  }
  if (progress) progress(height, height);
  return TRenderOutcome::kDone;
}

}  // namespace tintloom
