#include "core/colour/surface.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace tintloom {

void TSurface::Create(std::int32_t w, std::int32_t h) {
  assert(w >= 0 && h >= 0);
  Release();
  if (w <= 0 || h <= 0) return;
  width = w;
  height = h;
  stride = (w * 3 + 3) & ~3;
  bitmap.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(h), 0xFF);
  BuildRowTable();
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

Span Clip(const TSurface& s, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  return Span{std::max(x, 0), std::max(y, 0), std::min(x + w, s.width), std::min(y + h, s.height)};
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
  const std::int32_t left = x + inset;
  const std::int32_t top = y + inset;
  const std::int32_t right = x + w - inset;
  const std::int32_t bottom = y + h - inset;
  if (left >= right || top >= bottom) return;
  FillRect(s, left, top, right - left, 1, colour);
  FillRect(s, left, bottom - 1, right - left, 1, colour);
  FillRect(s, left, top, 1, bottom - top, colour);
  FillRect(s, right - 1, top, 1, bottom - top, colour);
}

void CopyRect(TSurface& dst, std::int32_t dx, std::int32_t dy, const TSurface& src, std::int32_t sx,
              std::int32_t sy, std::int32_t w, std::int32_t h) {
  // Clip against the source, then against the destination, moving both origins together.
  if (sx < 0) { dx -= sx; w += sx; sx = 0; }
  if (sy < 0) { dy -= sy; h += sy; sy = 0; }
  if (dx < 0) { sx -= dx; w += dx; dx = 0; }
  if (dy < 0) { sy -= dy; h += dy; dy = 0; }
  w = std::min({w, src.width - sx, dst.width - dx});
  h = std::min({h, src.height - sy, dst.height - dy});
  if (w <= 0 || h <= 0) return;
  for (std::int32_t j = 0; j < h; ++j) {
    const TRgb24* from = src.rows[static_cast<std::size_t>(sy + j)] + sx;
    std::copy(from, from + w, dst.rows[static_cast<std::size_t>(dy + j)] + dx);
  }
}

void DrawSurface(TSurface& dst, std::int32_t x, std::int32_t y, const TSurface& src) {
  CopyRect(dst, x, y, src, 0, 0, src.width, src.height);
}

bool CutMask(TMask8& mask, const TSurface& src, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  mask = TMask8{};
  if (x < 0 || y < 0 || w <= 0 || h <= 0 || w > 0xFFFF || h > 0xFFFF || x + w > src.width || y + h > src.height) {
    return false;
  }
  mask.width = static_cast<std::uint16_t>(w);
  mask.height = static_cast<std::uint16_t>(h);
  mask.size = w * h;
  mask.data.assign(static_cast<std::size_t>(mask.size), 0);
  for (std::int32_t j = y; j < y + h; ++j) {
    for (std::int32_t i = x; i < x + w; ++i) {
      mask.data[static_cast<std::size_t>((j - y) * w + (i - x))] = src.At(i, j).red;
    }
  }
  return true;
}

namespace {

// Walks the mask over the surface: rows above or left of the surface are
// skipped but still advance, so mask and surface stay aligned; the walk stops
// at the surface's bottom and right edges.
template <typename PixelOp>
void ForEachMaskPixel(TSurface& s, std::int32_t x, std::int32_t y, const TMask8& mask, PixelOp op) {
  for (std::int32_t r = 0; r < mask.height; ++r) {
    const std::int32_t sy = y + r;
    if (sy < 0) continue;
    if (sy >= s.height) break;
    TRgb24* row = s.rows[static_cast<std::size_t>(sy)];
    const std::uint8_t* m = mask.data.data() + static_cast<std::size_t>(r) * mask.width;
    for (std::int32_t k = 0; k < mask.width; ++k) {
      const std::int32_t sx = x + k;
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

void BlendColorThroughMask(TSurface& s, std::int32_t x, std::int32_t y, TRgb24 colour, const TMask8& mask) {
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
  const auto weight = [](long double coverage) { return Trunc(255.0L - coverage * 255.0L); };
  const std::int32_t w00 = weight((1.0L - dx) * (1.0L - dy));
  const std::int32_t w10 = weight(static_cast<long double>(dx) * (1.0L - dy));
  const std::int32_t w01 = weight((1.0L - dx) * dy);
  const std::int32_t w11 = weight(static_cast<long double>(dx) * dy);
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

void DarkLine(TSurface& s, float x1, float y1, float x2, float y2) {
  const long double ddx = static_cast<long double>(x1) - x2;
  const long double ddy = static_cast<long double>(y1) - y2;
  const std::int32_t n = Trunc(std::sqrt(ddx * ddx + ddy * ddy));
  if (n == 0) return;
  for (std::int32_t i = 0; i <= n; ++i) {
    const long double t = static_cast<long double>(i) / n;
    DarkPoint(s, static_cast<float>(x1 + (static_cast<long double>(x2) - x1) * t),
              static_cast<float>(y1 + (static_cast<long double>(y2) - y1) * t));
  }
}

}  // namespace tintloom
