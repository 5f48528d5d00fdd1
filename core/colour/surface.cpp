#include "core/colour/surface.h"

#include <algorithm>
#include <cmath>

namespace tintloom {

bool TSurface::Create(std::int32_t w, std::int32_t h) {
  Release();
  if (w < 0 || h < 0 || w > kMaxSurfaceSide || h > kMaxSurfaceSide) return false;
  if (w == 0 || h == 0) return true;
  const std::int64_t rowBytes = SurfaceStride(w);
  if (rowBytes * h > kMaxSurfaceBytes) return false;
  width = w;
  height = h;
  stride = static_cast<std::int32_t>(rowBytes);
  bitmap.assign(static_cast<std::size_t>(rowBytes * h), 0xFF);
  BuildRowTable();
  return true;
}

void TSurface::Release() {
  width = 0;
  height = 0;
  stride = 0;
  bitmap.clear();
  bitmap.shrink_to_fit();
  rows.clear();
  rows.shrink_to_fit();
}

void TSurface::BuildRowTable() {
  rows.resize(static_cast<std::size_t>(height));
  for (std::int32_t y = 0; y < height; ++y) {
    rows[static_cast<std::size_t>(y)] =
        reinterpret_cast<TRgb24*>(bitmap.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride));
  }
}

namespace {

struct Span {
  std::int32_t x0, y0, x1, y1;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
};

// Rectangle edges are summed in 64 bits: x + w can pass the int range for a
// rectangle that still touches the surface.
Span Clip(const TSurface& s, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) {
  const auto clamp = [](std::int64_t v, std::int32_t hi) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 0, hi));
  };
  return Span{clamp(x, s.width), clamp(y, s.height), clamp(x + w, s.width), clamp(y + h, s.height)};
}

}  // namespace

void FillAll(TSurface& s, TColor colour) { FillRect(s, 0, 0, s.width, s.height, colour); }

void FillRect(TSurface& s, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, TColor colour) {
  const Span span = Clip(s, x, y, w, h);
  if (span.empty()) return;
  const TRgb24 p = ToRgb24(colour);
  for (std::int32_t j = span.y0; j < span.y1; ++j) {
    std::fill(s.rows[static_cast<std::size_t>(j)] + span.x0, s.rows[static_cast<std::size_t>(j)] + span.x1, p);
  }
}

void FillRectPattern(TSurface& s, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                     const TSurface& pattern) {
  const Span span = Clip(s, x, y, w, h);
  if (span.empty() || pattern.Empty()) return;
  // Each pattern row is tiled across the span once, then copied to every
  // surface row that uses it.
  const std::int32_t width = span.x1 - span.x0;
  std::vector<TRgb24> tiled(static_cast<std::size_t>(width));
  for (std::int32_t py = 0; py < pattern.height; ++py) {
    const TRgb24* prow = pattern.rows[static_cast<std::size_t>(py)];
    for (std::int32_t i = 0; i < width; ++i) tiled[static_cast<std::size_t>(i)] = prow[(span.x0 + i) % pattern.width];
    std::int32_t first = span.y0 + ((py - span.y0 % pattern.height) + pattern.height) % pattern.height;
    for (std::int32_t j = first; j < span.y1; j += pattern.height) {
      std::copy(tiled.begin(), tiled.end(), s.rows[static_cast<std::size_t>(j)] + span.x0);
    }
  }
}

void FrameRect(TSurface& s, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::int32_t inset,
               TColor colour) {
  const std::int64_t left = std::int64_t{x} + inset;
  const std::int64_t top = std::int64_t{y} + inset;
  const std::int64_t right = std::int64_t{x} + w - inset;
  const std::int64_t bottom = std::int64_t{y} + h - inset;
  if (left >= right || top >= bottom) return;
  // Each side is clipped as a rectangle of its own, still in 64 bits.
  const auto fill = [&](std::int64_t fx, std::int64_t fy, std::int64_t fw, std::int64_t fh) {
    const Span span = Clip(s, fx, fy, fw, fh);
    if (!span.empty()) FillRect(s, span.x0, span.y0, span.x1 - span.x0, span.y1 - span.y0, colour);
  };
  fill(left, top, right - left, 1);
  fill(left, bottom - 1, right - left, 1);
  fill(left, top, 1, bottom - top);
  fill(right - 1, top, 1, bottom - top);
}

void CopyRect(TSurface& dst, std::int32_t dx, std::int32_t dy, const TSurface& src, std::int32_t sx,
              std::int32_t sy, std::int32_t w, std::int32_t h) {
  // Clip against the source, then against the destination, moving both
  // origins together; in 64 bits, so far-off origins cannot overflow.
  std::int64_t x0 = dx, y0 = dy, x1 = sx, y1 = sy, cw = w, ch = h;
  if (x1 < 0) { x0 -= x1; cw += x1; x1 = 0; }
  if (y1 < 0) { y0 -= y1; ch += y1; y1 = 0; }
  if (x0 < 0) { x1 -= x0; cw += x0; x0 = 0; }
  if (y0 < 0) { y1 -= y0; ch += y0; y0 = 0; }
  cw = std::min({cw, src.width - x1, dst.width - x0});
  ch = std::min({ch, src.height - y1, dst.height - y0});
  if (cw <= 0 || ch <= 0) return;
  for (std::int64_t j = 0; j < ch; ++j) {
    const TRgb24* from = src.rows[static_cast<std::size_t>(y1 + j)] + x1;
    std::copy(from, from + cw, dst.rows[static_cast<std::size_t>(y0 + j)] + x0);
  }
}

void DrawSurface(TSurface& dst, std::int32_t x, std::int32_t y, const TSurface& src) {
  CopyRect(dst, x, y, src, 0, 0, src.width, src.height);
}

bool CutMask(TMask8& mask, const TSurface& src, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  mask = TMask8{};
  if (x < 0 || y < 0 || w <= 0 || h <= 0 || w > 0xFFFF || h > 0xFFFF || std::int64_t{x} + w > src.width ||
      std::int64_t{y} + h > src.height) {
    return false;
  }
  mask = TMask8(static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h));
  for (std::int32_t j = 0; j < h; ++j) {
    for (std::int32_t i = 0; i < w; ++i) mask.At(i, j) = src.At(x + i, y + j).red;
  }
  return true;
}

namespace {

// Walks the mask over the surface: rows above or left of the surface are
// skipped but still advance, so mask and surface stay aligned; the walk stops
// at the surface's bottom and right edges.
template <typename PixelOp>
void ForEachMaskPixel(TSurface& s, std::int32_t x, std::int32_t y, const TMask8& mask, PixelOp op) {
  for (std::int32_t r = 0; r < mask.height(); ++r) {
    const std::int64_t sy = std::int64_t{y} + r;
    if (sy < 0) continue;
    if (sy >= s.height) break;
    TRgb24* row = s.rows[static_cast<std::size_t>(sy)];
    const std::uint8_t* m = mask.Row(r);
    for (std::int32_t k = 0; k < mask.width(); ++k) {
      const std::int64_t sx = std::int64_t{x} + k;
      if (sx < 0) continue;
      if (sx >= s.width) break;
      op(row[sx], m[k]);
    }
  }
}

std::uint8_t BlendChannel(std::uint8_t c, std::uint8_t p, std::uint8_t m) {
  return static_cast<std::uint8_t>(c + m * (p - c) / 255);
}

}  // namespace

void BlendColourThroughMask(TSurface& s, std::int32_t x, std::int32_t y, TRgb24 colour, const TMask8& mask) {
  ForEachMaskPixel(s, x, y, mask, [&](TRgb24& px, std::uint8_t m) {
    px.blue = BlendChannel(px.blue, colour.blue, m);
    px.green = BlendChannel(px.green, colour.green, m);
    px.red = BlendChannel(px.red, colour.red, m);
  });
}

void MapMaskThroughPalette(TSurface& s, std::int32_t x, std::int32_t y, const TRgb24 (&palette)[256],
                           const TMask8& mask) {
  ForEachMaskPixel(s, x, y, mask, [&](TRgb24& px, std::uint8_t m) { px = palette[m]; });
}

void DarkPoint(TSurface& s, float fx, float fy) {
  const std::int32_t x = Trunc(fx);
  const std::int32_t y = Trunc(fy);
  if (!s.Contains(x, y)) return;
  const float dx = fx - static_cast<float>(x);
  const float dy = fy - static_cast<float>(y);
  const auto weight = [](TExtended coverage) { return Trunc(255.0_x - coverage * 255.0_x); };
  const std::int32_t w00 = weight((1.0_x - dx) * (1.0_x - dy));
  const std::int32_t w10 = weight(static_cast<TExtended>(dx) * (1.0_x - dy));
  const std::int32_t w01 = weight((1.0_x - dx) * dy);
  const std::int32_t w11 = weight(static_cast<TExtended>(dx) * dy);
  const auto darken = [](TRgb24& p, std::int32_t w) {
    p.blue = static_cast<std::uint8_t>(w * p.blue / 255);
    p.green = static_cast<std::uint8_t>(w * p.green / 255);
    p.red = static_cast<std::uint8_t>(w * p.red / 255);
  };
  const bool right = x + 1 < s.width;
  const bool below = y + 1 < s.height;
  darken(s.At(x, y), w00);
  if (right) darken(s.At(x + 1, y), w10);
  if (below) darken(s.At(x, y + 1), w01);
  if (right && below) darken(s.At(x + 1, y + 1), w11);
}

namespace {
constexpr TExtended kMaxLinePoints = 1 << 20;
}  // namespace

void DarkLine(TSurface& s, float x1, float y1, float x2, float y2) {
  const TExtended ddx = static_cast<TExtended>(x1) - x2;
  const TExtended ddy = static_cast<TExtended>(y1) - y2;
  const TExtended length = Sqrt(ddx * ddx + ddy * ddy);
  // Lines in windows are a few hundred pixels; one longer than any surface
  // could be would only walk far outside it (and its count overflow).
  if (!(length < kMaxLinePoints)) return;
  const std::int32_t n = Trunc(length);
  if (n == 0) return;
  for (std::int32_t i = 0; i <= n; ++i) {
    const TExtended t = static_cast<TExtended>(i) / n;
    DarkPoint(s, static_cast<float>(x1 + (static_cast<TExtended>(x2) - x1) * t),
              static_cast<float>(y1 + (static_cast<TExtended>(y2) - y1) * t));
  }
}

}  // namespace tintloom
