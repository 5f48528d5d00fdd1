#pragma once
// Colour values and the exact conversions between their three forms: a float
// triple for arithmetic, a packed integer for windows and storage, and a byte
// triple for pixels. Colours are recomputed from one another many times and
// compared, so every truncation and float32 store here is deliberate.

#include <cstdint>

#include "core/colour/extended.h"

namespace tintloom {

// Packed colour 0x00BBGGRR: red in the low byte.
using TColor = std::uint32_t;

// Three 32-bit floats: an HSV triple (hue in degrees, saturation and value
// 0..1) or an RGB triple (0..1); which one is up to the context.
struct TColorF {
  float c[3] = {0.0f, 0.0f, 0.0f};

  TColorF() = default;
  TColorF(float a, float b, float d) : c{a, b, d} {}
  explicit TColorF(TColor packed);  // unpack to RGB

  float& h() { return c[0]; }
  float& s() { return c[1]; }
  float& v() { return c[2]; }
  float h() const { return c[0]; }
  float s() const { return c[1]; }
  float v() const { return c[2]; }
  float& r() { return c[0]; }
  float& g() { return c[1]; }
  float& b() { return c[2]; }
  float r() const { return c[0]; }
  float g() const { return c[1]; }
  float b() const { return c[2]; }

  bool operator==(const TColorF&) const = default;
};

// One pixel of a 24-bit bitmap row, in memory order blue, green, red.
struct TRgb24 {
  std::uint8_t blue = 0;
  std::uint8_t green = 0;
  std::uint8_t red = 0;

  bool operator==(const TRgb24&) const = default;
};
static_assert(sizeof(TRgb24) == 3);

TColorF HsvToRgb(const TColorF& hsv);
TColorF RgbToHsv(const TColorF& rgb);
TColor PackColour(const TColorF& rgb);     // 0x00BBGGRR, rounded
TColor PackHexColour(const TColorF& rgb);  // 0x00RRGGBB, for hexadecimal text
TColorF UnpackColour(TColor c);
TRgb24 ToRgb24(TColor c);
TColor FromRgb24(TRgb24 p);

// HSV to packed colour in one step.
TColor HsvToColor(float h, float s, float v);

// Float-to-integer as the program does it everywhere: toward zero. Rounding is
// written out as RoundHalfUp (add 0.5, then truncate), with the sum taken in
// extended precision. A value past the int range saturates and NaN gives 0:
// converting those directly is undefined, and a stray float must not be.
inline std::int32_t Trunc(TExtended x) {
  if (x != x) return 0;
  if (!(x > -2147483649.0_x)) return INT32_MIN;
  if (!(x < 2147483648.0_x)) return INT32_MAX;
  return static_cast<std::int32_t>(x);
}
inline std::int32_t RoundHalfUp(TExtended x) { return Trunc(x + 0.5_x); }

}  // namespace tintloom
