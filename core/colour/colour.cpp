#include "core/colour/colour.h"

#include <cmath>

namespace tintloom {

TColorF::TColorF(TColor packed) : TColorF(UnpackColour(packed)) {}

TColorF HsvToRgb(const TColorF& hsv) {
  const float s = hsv.s();
  const float v = hsv.v();
  if (s == 0.0f) return TColorF(v, v, v);

  // Only whole degrees reach the colour: 359.9 is hue 359, never 360. The
  // remainder is taken on the float, so a hue past the int range still turns
  // by whole circles; one that is not a number reads as 0.
  // Both steps are exact, in any precision that holds the float.
  const double h = hsv.h();
  std::int32_t hi = std::isfinite(h) ? static_cast<std::int32_t>(std::fmod(std::trunc(h), 360.0)) : 0;
  if (hi < 0) hi += 360;
  const TExtended x = static_cast<TExtended>(hi) / 60.0_x;
  const std::int32_t i = Trunc(x);
  const TExtended f = x - i;
  const float p = static_cast<float>((1.0_x - s) * v);
  const float q = static_cast<float>((1.0_x - s * f) * v);
  const float t = static_cast<float>((1.0_x - (1.0_x - f) * s) * v);
  switch (i % 6) {
    case 0: return TColorF(v, t, p);
    case 1: return TColorF(q, v, p);
    case 2: return TColorF(p, v, t);
    case 3: return TColorF(p, q, v);
    case 4: return TColorF(t, p, v);
    default: return TColorF(v, p, q);
  }
}

TColorF RgbToHsv(const TColorF& rgb) {
  const float r = rgb.r();
  const float g = rgb.g();
  const float b = rgb.b();
  const float max = (r > g) ? (r > b ? r : b) : (g > b ? g : b);
  const float min = (r >= g) ? (g < b ? g : b) : (r >= b ? b : r);
  TColorF out;
  out.v() = max;
  if (max == 0.0f || max == min) return out;

  const float d = max - min;
  out.s() = static_cast<float>(static_cast<TExtended>(d) / max);
  const float cr = static_cast<float>((static_cast<TExtended>(max) - r) / d);
  const float cg = static_cast<float>((static_cast<TExtended>(max) - g) / d);
  const float cb = static_cast<float>((static_cast<TExtended>(max) - b) / d);
  TExtended h;
  if (max == r) {
    h = static_cast<TExtended>(cb) - cg;
  } else if (max == g) {
    h = 2.0_x + cr - cb;
  } else {
    h = 4.0_x + cg - cr;
  }
  out.h() = static_cast<float>(h * 60.0_x);
  if (out.h() < 0.0f) out.h() = static_cast<float>(static_cast<TExtended>(out.h()) + 360.0_x);
  return out;
}

namespace {

// A channel scaled to a byte. Channels outside 0..1 (from a saturation or
// value past 1 in a hand-edited document or swatch line) are held to the
// nearest byte and NaN is 0, so no channel spills into its neighbour; inside
// 0..1 this is the plain product.
TExtended ByteScale(float channel) {
  if (!(channel > 0.0f)) return 0.0_x;
  if (channel > 1.0f) return 255.0_x;
  return static_cast<TExtended>(channel) * 255.0_x;
}

}  // namespace

TColor PackColour(const TColorF& rgb) {
  const auto red = static_cast<TColor>(RoundHalfUp(ByteScale(rgb.r())));
  const auto green = static_cast<TColor>(RoundHalfUp(ByteScale(rgb.g())));
  const auto blue = static_cast<TColor>(RoundHalfUp(ByteScale(rgb.b())));
  return red | green << 8 | blue << 16;
}

TColor PackHexColour(const TColorF& rgb) {
  const TColor c = PackColour(rgb);
  return (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
}

TColorF UnpackColour(TColor c) {
  const TExtended kInv255 = 1.0_x / 255.0_x;
  return TColorF(static_cast<float>((c & 0xFFu) * kInv255),
                 static_cast<float>((c >> 8 & 0xFFu) * kInv255),
                 static_cast<float>((c >> 16 & 0xFFu) * kInv255));
}

TRgb24 ToRgb24(TColor c) {
  return TRgb24{static_cast<std::uint8_t>(c >> 16 & 0xFFu), static_cast<std::uint8_t>(c >> 8 & 0xFFu),
                static_cast<std::uint8_t>(c & 0xFFu)};
}

TColor FromRgb24(TRgb24 p) { return TColor{p.red} | TColor{p.green} << 8 | TColor{p.blue} << 16; }

TColor HsvToColor(float h, float s, float v) { return PackColour(HsvToRgb(TColorF(h, s, v))); }

}  // namespace tintloom
