#pragma once
// Off-screen 24-bit drawing surfaces and the pixel loops that draw on them.
// A surface is a plain buffer of B,G,R bytes with a table of its rows; the
// windows show it through an image that views the same memory, so drawing
// here and showing there never copies pixels.

#include <cstdint>
#include <vector>

#include "core/colour/colour.h"

namespace tintloom {

// Largest surface side and bitmap accepted. Sizes come from files (bitmaps,
// artwork), so they are checked in 64 bits before anything is allocated.
inline constexpr std::int32_t kMaxSurfaceSide = 32767;
inline constexpr std::int64_t kMaxSurfaceBytes = std::int64_t{1} << 30;

// Bytes per row of a 24-bit bitmap w pixels wide, padded to 4.
constexpr std::int64_t SurfaceStride(std::int64_t w) { return (w * 3 + 3) & ~std::int64_t{3}; }

struct TSurface {
  std::vector<std::uint8_t> bitmap;  // rows top to bottom, each padded to 4 bytes
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t stride = 0;           // bytes per row
  std::vector<TRgb24*> rows;         // row y's first pixel

  TSurface() = default;
  TSurface(const TSurface&) = delete;
  TSurface& operator=(const TSurface&) = delete;
  TSurface(TSurface&&) = default;
  TSurface& operator=(TSurface&&) = default;

  // New w x h bitmap, every pixel white. A size of 0 leaves the surface empty.
  // A negative size, or one over kMaxSurfaceSide or kMaxSurfaceBytes, is
  // refused: the surface is left empty and the answer is false. Callers that
  // size a surface from a file check it; fixed window sizes cannot fail.
  bool Create(std::int32_t w, std::int32_t h);
  void Release();
  bool Empty() const { return width <= 0 || height <= 0; }

  TRgb24& At(std::int32_t x, std::int32_t y) { return rows[static_cast<std::size_t>(y)][x]; }
  const TRgb24& At(std::int32_t x, std::int32_t y) const { return rows[static_cast<std::size_t>(y)][x]; }
  bool Contains(std::int32_t x, std::int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }

  // Rebuilds the row table after the bitmap changed size.
  void BuildRowTable();
};

// A one-byte-per-pixel blending weight cut from the skin. Its bytes and its
// size are set together, so the pixel loops can trust width x height.
class TMask8 {
 public:
  TMask8() = default;
  TMask8(std::uint16_t w, std::uint16_t h, std::uint8_t fill = 0)
      : data_(std::size_t{w} * h, fill), width_(w), height_(h) {}

  std::uint16_t width() const { return width_; }
  std::uint16_t height() const { return height_; }
  std::int32_t size() const { return static_cast<std::int32_t>(data_.size()); }  // width x height
  const std::vector<std::uint8_t>& data() const { return data_; }
  std::uint8_t At(std::int32_t x, std::int32_t y) const { return data_[Index(x, y)]; }
  std::uint8_t& At(std::int32_t x, std::int32_t y) { return data_[Index(x, y)]; }
  const std::uint8_t* Row(std::int32_t y) const { return data_.data() + std::size_t{width_} * static_cast<std::size_t>(y); }

 private:
  std::size_t Index(std::int32_t x, std::int32_t y) const {
    return static_cast<std::size_t>(y) * width_ + static_cast<std::size_t>(x);
  }
  std::vector<std::uint8_t> data_;  // width x height, row by row
  std::uint16_t width_ = 0;
  std::uint16_t height_ = 0;
};

// Solid and patterned fills, clipped to the surface. Rectangles are half-open:
// (x, y)-(x + w, y + h).
void FillAll(TSurface& s, TColor colour);
void FillRect(TSurface& s, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, TColor colour);
// Tiles `pattern` from the surface's origin, as a pattern brush does.
void FillRectPattern(TSurface& s, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                     const TSurface& pattern);
// One-pixel border of (x + inset, y + inset)-(x + w - inset, y + h - inset).
void FrameRect(TSurface& s, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::int32_t inset,
               TColor colour);
// Unscaled copy of a w x h block, clipped to both surfaces.
void CopyRect(TSurface& dst, std::int32_t dx, std::int32_t dy, const TSurface& src, std::int32_t sx,
              std::int32_t sy, std::int32_t w, std::int32_t h);
void DrawSurface(TSurface& dst, std::int32_t x, std::int32_t y, const TSurface& src);

// The red byte of each pixel of the rectangle becomes the mask. Returns false
// (and leaves the mask empty) if the rectangle is not inside the surface.
bool CutMask(TMask8& mask, const TSurface& src, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
// Each channel C under the mask becomes C + m x (P - C) / 255.
void BlendColourThroughMask(TSurface& s, std::int32_t x, std::int32_t y, TRgb24 colour, const TMask8& mask);
// Each pixel under the mask becomes palette[m].
void MapMaskThroughPalette(TSurface& s, std::int32_t x, std::int32_t y, const TRgb24 (&palette)[256],
                           const TMask8& mask);
// Anti-aliased black point and line. A line too long to walk point by point
// (or with a coordinate that is not a number) draws nothing.
void DarkPoint(TSurface& s, float fx, float fy);
void DarkLine(TSurface& s, float x1, float y1, float x2, float y2);

}  // namespace tintloom
