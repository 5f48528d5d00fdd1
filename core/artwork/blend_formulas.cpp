#include "core/artwork/blend_formulas.h"

#include <algorithm>
#include <cmath>

#include "core/artwork/blend_table.h"

namespace tintloom {

namespace {

// Every mode works on channel values as fractions 0..1 (byte / 255) and its
// result goes back to a byte as trunc(r x 255 + 0.5), limited to 0..255.
//
// Darken, multiply, colour burn, lighten, screen, colour dodge, overlay, soft
// light, hard light, difference and exclusion are the separable modes of the
// W3C "Compositing and Blending Level 1" recommendation (the same as PDF's):
// colour burn and colour dodge with its guards for a white or black backdrop,
// soft light with its D(b) curve. The remaining six, which that document does
// not define, follow Adobe's descriptions of the Photoshop modes:
//   linear burn   b + s - 1
//   linear dodge  b + s
//   vivid light   colour burn of b by 2s when s <= 1/2, else colour dodge of b by 2s - 1
//   linear light  b + 2s - 1
//   pin light     min(b, 2s) when s <= 1/2, else max(b, 2s - 1)
//   hard mix      1 when b + s >= 1, else 0 (tested on the bytes: b + s >= 255)
// Results below 0 or above 1 are limited.

double Multiply(double b, double s) { return b * s; }
double Screen(double b, double s) { return b + s - b * s; }

double ColourDodge(double b, double s) {
  if (b == 0.0) return 0.0;
  if (s >= 1.0) return 1.0;
  return std::min(1.0, b / (1.0 - s));
}

double ColourBurn(double b, double s) {
  if (b >= 1.0) return 1.0;
  if (s <= 0.0) return 0.0;
  return 1.0 - std::min(1.0, (1.0 - b) / s);
}

double HardLight(double b, double s) { return s <= 0.5 ? Multiply(b, 2.0 * s) : Screen(b, 2.0 * s - 1.0); }

double SoftLight(double b, double s) {
  if (s <= 0.5) return b - (1.0 - 2.0 * s) * b * (1.0 - b);
  const double d = b <= 0.25 ? ((16.0 * b - 12.0) * b + 4.0) * b : std::sqrt(b);
  return b + (2.0 * s - 1.0) * (d - b);
}

double VividLight(double b, double s) { return s <= 0.5 ? ColourBurn(b, 2.0 * s) : ColourDodge(b, 2.0 * s - 1.0); }

double PinLight(double b, double s) { return s <= 0.5 ? std::min(b, 2.0 * s) : std::max(b, 2.0 * s - 1.0); }

std::uint8_t ToByte(double r) {
  const double scaled = std::clamp(r, 0.0, 1.0) * 255.0 + 0.5;
  return static_cast<std::uint8_t>(scaled);
}

}  // namespace

std::uint8_t BlendChannel(int code, std::uint8_t backdrop, std::uint8_t source) {
  const double b = backdrop / 255.0;
  const double s = source / 255.0;
  switch (code) {
    case 0: return std::min(backdrop, source);                  // darken
    case 1: return ToByte(Multiply(b, s));                      // multiply
    case 2: return ToByte(ColourBurn(b, s));                    // colour burn
    case 3: return ToByte(b + s - 1.0);                         // linear burn
    case 4: return std::max(backdrop, source);                  // lighten
    case 5: return ToByte(Screen(b, s));                        // screen
    case 6: return ToByte(ColourDodge(b, s));                   // colour dodge
    case 7: return ToByte(b + s);                               // linear dodge (add)
    case 8: return ToByte(HardLight(s, b));                     // overlay: hard light, roles swapped
    case 9: return ToByte(SoftLight(b, s));                     // soft light
    case 10: return ToByte(HardLight(b, s));                    // hard light
    case 11: return ToByte(VividLight(b, s));                   // vivid light
    case 12: return ToByte(b + 2.0 * s - 1.0);                  // linear light
    case 13: return ToByte(PinLight(b, s));                     // pin light
    case 14: return backdrop + source >= 255 ? 255 : 0;         // hard mix
    case 15: return static_cast<std::uint8_t>(std::abs(backdrop - source));  // difference
    case 16: return ToByte(b + s - 2.0 * b * s);                // exclusion
    default: return source;
  }
}

std::vector<std::uint8_t> BuildBlendTableFile() {
  std::vector<std::uint8_t> file(kBlendFileSize);
  std::size_t at = 0;
  for (int code = 0; code < kBlendModeCount; ++code) {
    for (int b = 0; b < 256; ++b) {
      for (int s = 0; s < 256; ++s) {
        file[at++] = BlendChannel(code, static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(s));
      }
    }
  }
  return file;
}

}  // namespace tintloom
