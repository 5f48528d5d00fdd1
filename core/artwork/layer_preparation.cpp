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
#include <cmath>
#include <new>

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

// Where a group is assembled: B, G, R bytes per pixel, rows without padding.
struct TWorkingSurface {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> bgr;
  std::uint8_t* At(std::int64_t x, std::int64_t y) { return &bgr[static_cast<std::size_t>((y * width + x) * 3)]; }
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

// The byte of a plane, or 0 when the layer lacks that channel (a usable RGB
// layer may miss one of its colour channels; it reads as black, as a
// zero-filled plane would).
std::uint8_t PlaneByte(const std::uint8_t* plane, std::size_t at) { return plane != nullptr ? plane[at] : 0; }

// The user mask byte at a layer pixel, or 255 outside the mask rectangle or
// without a mask plane.
int MaskAt(const TPSDLayer& layer, const std::uint8_t* mask, std::int64_t k, std::int64_t j) {
  if (mask == nullptr) return 255;
  const std::int64_t mx = k + layer.left - layer.mask_left;
  const std::int64_t my = j + layer.top - layer.mask_top;
  if (mx < 0 || my < 0 || mx >= layer.mask_width || my >= layer.mask_height) return 255;
  return mask[static_cast<std::size_t>(my * layer.mask_width + mx)];
}

bool CopyBase(const TPSDLayer& layer, bool rgb, TWorkingSurface& surface) {
  surface.width = layer.width;
  surface.height = layer.height;
  const std::size_t pixels = static_cast<std::size_t>(layer.width) * static_cast<std::size_t>(layer.height);
  try {
    surface.bgr.resize(pixels * 3);
  } catch (const std::bad_alloc&) {
    surface = {};
    return false;
  }
  const std::uint8_t* red = layer.Plane(layer.red_plane);
  const std::uint8_t* green = rgb ? layer.Plane(layer.green_plane) : red;
  const std::uint8_t* blue = rgb ? layer.Plane(layer.blue_plane) : red;
  for (std::size_t i = 0; i < pixels; ++i) {
    surface.bgr[i * 3 + 0] = PlaneByte(blue, i);
    surface.bgr[i * 3 + 1] = PlaneByte(green, i);
    surface.bgr[i * 3 + 2] = PlaneByte(red, i);
  }
  return true;
}

std::uint8_t BlendChannel(std::uint8_t d, std::uint8_t s, float f, const std::uint8_t* table) {
  const int target = table != nullptr ? table[d * 256 + s] : s;
  return TruncByte(static_cast<double>(d) + static_cast<double>(f) * (target - d));
}

void CompositeClipped(const TPSDLayer& layer, const TPSDLayer& base, bool rgb, const TBlendTable& blend,
                      TWorkingSurface& surface) {
  if (!LayerUsable(layer)) return;
  const std::uint8_t* table = blend.Table(layer.BlendModeKey);  // null: normal, or no table loaded
  const std::uint8_t* transparency = layer.Plane(layer.transparency_plane);
  const std::uint8_t* red = layer.Plane(layer.red_plane);
  const std::uint8_t* green = layer.Plane(layer.green_plane);
  const std::uint8_t* blue = layer.Plane(layer.blue_plane);
  const double opacity = layer.Opacity / 255.0;
  const std::uint8_t* mask = layer.Plane(layer.mask_plane);
  for (std::int64_t r = 0; r < layer.height; ++r) {
    const std::int64_t y = r + layer.top - base.top;
    if (y < 0) continue;
    if (y >= surface.height) break;
    for (std::int64_t k = 0; k < layer.width; ++k) {
      const std::int64_t x = k + layer.left - base.left;
      if (x < 0) continue;
      if (x >= surface.width) break;
      const std::size_t at = static_cast<std::size_t>(r * layer.width + k);
      float f = static_cast<float>((transparency != nullptr ? transparency[at] / 255.0 : 1.0) * opacity);
      // Outside the mask rectangle MaskAt gives 255, which leaves f as it is.
      if (mask != nullptr) f = static_cast<float>(MaskAt(layer, mask, k, r) / 255.0 * f);
      std::uint8_t* d = surface.At(x, y);
      d[2] = BlendChannel(d[2], PlaneByte(red, at), f, table);
      if (rgb) {
        d[1] = BlendChannel(d[1], PlaneByte(green, at), f, table);
        d[0] = BlendChannel(d[0], PlaneByte(blue, at), f, table);
      } else {
        d[1] = d[0] = d[2];
      }
    }
  }
}

float CanvasScale(const TPSD& doc) {
  const float sx = static_cast<float>(doc.width * (1.0 / kCanvasSide));
  const float sy = static_cast<float>(doc.height * (1.0 / kCanvasSide));
  return std::max(sx, sy);
}

void FinishGroup(TPSD& doc, TPSDLayer* base, bool rgb, const TWorkingSurface& surface, TMessageSink& messages) {
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
  const auto bytes = static_cast<unsigned long long>(pixels);
  if (!TryAssign<std::uint8_t>(s.Pixel, pixels, 0)) {
    messages.ShowMessage(MemoryErrorText("TSimpleLayer::Alloc()::Pixel[]", 0, bytes));
  } else if (!TryAssign<std::uint8_t>(s.Alpha, pixels, 0)) {
    messages.ShowMessage(MemoryErrorText("TSimpleLayer::Alloc()::Alpha[]", 0, bytes));
  }
  if (!s.HasPlanes()) {
    s.Pixel = {};
    s.Alpha = {};
    s.width = s.height = 0;
    base->Release();
    return;
  }
  for (std::size_t i = 0; i < pixels; ++i) {
    const std::uint8_t* p = &surface.bgr[i * 3];
    s.Pixel[i] = rgb ? static_cast<std::uint8_t>((77 * p[2] + 151 * p[1] + 28 * p[0]) >> 8) : p[2];
  }
  const std::uint8_t* transparency = base->Plane(base->transparency_plane);
  const std::uint8_t* mask = base->Plane(base->mask_plane);
  for (std::int64_t j = 0; j < s.height; ++j) {
    for (std::int64_t k = 0; k < s.width; ++k) {
      const std::size_t at = static_cast<std::size_t>(j * s.width + k);
      const int a = transparency != nullptr ? transparency[at] : 255;
      s.Alpha[at] = static_cast<std::uint8_t>(base->Opacity * a * MaskAt(*base, mask, k, j) / 65025);
    }
  }
  base->Release();
}

// The area averaging of ShrinkToCanvas, done as soon as the group is made.
void BoxShrinkWorkingLayer(TSimpleLayer& layer, float s) {
  if (!layer.HasPlanes()) return;
  std::int32_t pw = layer.width, ph = layer.height;
  std::int32_t aw = layer.width, ah = layer.height;
  BoxShrink(layer.Pixel, pw, ph, s, 255);
  BoxShrink(layer.Alpha, aw, ah, s, 0);
  layer.width = pw;
  layer.height = ph;
}

}  // namespace

Result<> ReduceLayers(TPSD& doc, const TBlendTable& blend, TProgressSink& progress, TMessageSink& messages,
                      bool shrinkEachGroup) {
  TWorkingSurface surface;
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
    FinishGroup(doc, group, rgb, surface, messages);
    if (doc.planes_box_shrunk && doc.working_layer_count > made) {
      BoxShrinkWorkingLayer(doc.Simples[static_cast<std::size_t>(made)], scale);
    }
  };
  // Planes left in the file are decoded just before their layer is used.
  const auto decode = [&](TPSDLayer& layer) -> Result<> {
    if (Result<> decoded = DecodeDeferredPlanes(doc, layer); !decoded) {
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
        layer.Release();
      }
    } else if (layer.Clipping == 1 && base != nullptr) {
      if (LayerUsable(layer)) TRY(decode(layer));
      CompositeClipped(layer, *base, rgb, blend, surface);
      layer.Release();
    } else {
      layer.Release();  // no base below it, or a clipping value with no meaning: dropped
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

// Window starts a_0 = 0, a_{j+1} = a_j + s, accumulated as a float. They are
// the same for every row (and every column), so they are made once.
std::vector<float> WindowStarts(std::int32_t count, float s) {
  std::vector<float> starts(static_cast<std::size_t>(count));
  float a = 0.0f;
  for (float& start : starts) {
    start = a;
    a = static_cast<float>(static_cast<double>(a) + s);
  }
  return starts;
}

void BoxShrink(std::vector<std::uint8_t>& plane, std::int32_t& w, std::int32_t& h, float s, std::uint8_t outside) {
  const std::int32_t w2 = ShrunkSize(w, s);
  const std::int32_t h2 = ShrunkSize(h, s);
  const std::size_t width2 = static_cast<std::size_t>(w2);
  const std::vector<float> across_starts = WindowStarts(w2, s);
  const std::vector<float> down_starts = WindowStarts(h2, s);
  std::vector<std::uint8_t> across(width2 * static_cast<std::size_t>(h));
  for (std::int32_t y = 0; y < h; ++y) {
    const std::uint8_t* row = plane.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
    std::uint8_t* out_row = across.data() + static_cast<std::size_t>(y) * width2;
    for (std::size_t j = 0; j < width2; ++j) out_row[j] = AreaAverage(row, 1, w, across_starts[j], s, outside);
  }
  // Each output is independent of the others; walking the output row by row
  // keeps the column reads close together in memory.
  std::vector<std::uint8_t> out(width2 * static_cast<std::size_t>(h2));
  for (std::int32_t i = 0; i < h2; ++i) {
    std::uint8_t* out_row = out.data() + static_cast<std::size_t>(i) * width2;
    for (std::size_t x = 0; x < width2; ++x) {
      out_row[x] = AreaAverage(across.data() + x, w2, h, down_starts[static_cast<std::size_t>(i)], s, outside);
    }
  }
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
