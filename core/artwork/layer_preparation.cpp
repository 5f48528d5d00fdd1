// Layer preparation: every clipping group of a document merged into a grey
// working layer with alpha (group_reduction.h), shrunk to fit the canvas
// (area_shrink.h) as it is made or afterwards.

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <span>
#include <utility>
#include <vector>

#include "core/artwork/area_shrink.h"
#include "core/artwork/group_reduction.h"
#include "core/artwork/psd_document.h"

namespace tintloom {

namespace {

constexpr double kCanvasSide = 600.0;

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

float CanvasScale(const TPSD& doc) {
  const double side = doc.fitSide > 0 ? doc.fitSide : kCanvasSide;
  const float sx = static_cast<float>(doc.width * (1.0 / side));
  const float sy = static_cast<float>(doc.height * (1.0 / side));
  return std::max(sx, sy);
}

}  // namespace

Result<> ReduceLayers(TPSD& doc, const TBlendTable& blend, TProgressSink& progress, TMessageSink& messages,
                      bool shrinkEachGroup, bool onlyWhatShows) {
  progress.ShowProgress(kProgressGrey, doc.layerCount);
  doc.Simples = {};
  doc.workingLayerCount = 0;
  if (!TryAssign(doc.Simples, static_cast<std::size_t>(doc.layerCount), TSimpleLayer{})) {
    // Nowhere to put the working layers: the load stops as after a failed read.
    const int count = doc.layerCount;
    DocumentClear(doc);
    return Fail(MemoryErrorText("TPSD::CreateSimpleLayer()::Simples[i]", count, static_cast<long long>(count) * 32));
  }
  const bool rgb = doc.colourMode == kPsdColourRgb;
  const float scale = CanvasScale(doc);
  doc.planesBoxShrunk = (shrinkEachGroup || onlyWhatShows) && scale > 1.0f;
  doc.croppedToCanvas = onlyWhatShows;
  const std::int64_t canvas_w = doc.planesBoxShrunk ? ShrunkSide(doc.width, scale) : doc.width;
  const std::int64_t canvas_h = doc.planesBoxShrunk ? ShrunkSide(doc.height, scale) : doc.height;
  // The rows of the fitted document to make: a band of them, or all.
  const bool band = onlyWhatShows && doc.planesBoxShrunk && doc.fitRowEnd > 0;
  const std::int64_t rows_from = band ? doc.fitRowBegin : 0;
  const std::int64_t rows_to = band ? std::min<std::int64_t>(doc.fitRowEnd, canvas_h) : canvas_h;
  // Groups of one size and part (the usual case: every layer the
  // document's size) share one plan.
  std::optional<TShrinkPlan> plan;
  TAcrossPlanes across;
  // A group is reduced when the next base (or the end) shows it complete.
  TPSDLayer* base = nullptr;
  std::vector<TPSDLayer*> clipped;
  const std::size_t records = std::min(doc.Layers.size(), static_cast<std::size_t>(doc.layerCount));
  const auto reduce = [&]() -> Result<> {
    try {
      const TShrinkPlan* shrink = nullptr;
      TBasePart part{0, base->width, 0, base->height};
      if (doc.planesBoxShrunk) {
        std::pair<std::int64_t, std::int64_t> across_part{0, ShrunkSize(base->width, scale)};
        std::pair<std::int64_t, std::int64_t> down_part{0, ShrunkSize(base->height, scale)};
        if (onlyWhatShows) {
          across_part = OutputsShown(base->left, base->width, scale, 0, canvas_w);
          down_part = OutputsShown(base->top, base->height, scale, rows_from, rows_to);
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
    if (Result<> decoded = DecodePendingPlanes(layer); !decoded) {
      DocumentClear(doc);
      return decoded;
    }
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
  doc.deferredBytes = {};
  doc.deferredFile.reset();
  return Ok();
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
  // A layer made only in part holds the outputs from heldLeft, heldTop on.
  layer.left = nx + layer.heldLeft;
  layer.top = ny + layer.heldTop;
  layer.heldLeft = layer.heldTop = 0;
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
  const std::int64_t width = ShrunkSide(doc.width, s);
  std::int64_t height = ShrunkSide(doc.height, s);
  const bool band = doc.croppedToCanvas && doc.planesBoxShrunk && doc.fitRowEnd > 0;
  const std::int32_t rows_from = band ? static_cast<std::int32_t>(std::min<std::int64_t>(doc.fitRowBegin, height)) : 0;
  if (band) height = std::clamp<std::int64_t>(doc.fitRowEnd, rows_from, height) - rows_from;
  progress.ShowProgress(kProgressResize, doc.layerCount);
  for (std::int32_t i = 0; i < doc.layerCount; ++i) {
    progress.StepProgress(i);
    if (i < doc.workingLayerCount && static_cast<std::size_t>(i) < doc.Simples.size()) {
      TSimpleLayer& layer = doc.Simples[static_cast<std::size_t>(i)];
      ShrinkLayer(layer, s, doc.planesBoxShrunk);
      layer.top -= rows_from;
      // A layer made only in part has, at its edges, pixels that lacked
      // their neighbours off the canvas (or off the band): they are cut with
      // the rest that cannot show.
      if (doc.croppedToCanvas) TrimToCanvas(layer, width, height);
    }
  }
  doc.width = static_cast<std::int32_t>(width);
  doc.height = static_cast<std::int32_t>(height);
}

std::pair<std::int32_t, std::int32_t> FittedSize(const TPSD& doc) {
  const float s = CanvasScale(doc);
  if (!(s > 1.0f)) return {doc.width, doc.height};
  return {static_cast<std::int32_t>(ShrunkSide(doc.width, s)), static_cast<std::int32_t>(ShrunkSide(doc.height, s))};
}

}  // namespace tintloom
