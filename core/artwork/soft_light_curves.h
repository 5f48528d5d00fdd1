#pragma once
// Soft light's two curves of the backdrop, as the vector kernels compute the
// mode: on the 0..255 scale soft light is d + m c(d), with m = 2t - 255 and c
// d (255 - d) / 255^2 where t is below the half (m is negative there), and
// above it D(b) - b, with b = d / 255 and D the cubic up to b = 1/4 and the
// square root beyond. Both curves stay below 1/4, so each is kept as a
// 16-bit count of 2^-18, rounded, the two values next to 1/4 cut to 65535:
// off by at most 0.9 of a count. P = |m| c(d) is then an exact product of 24
// bits, within 0.9 x 255 < 230 counts of the exact |m| c(d). The result,
// d +- |m| c(d) plus a half truncated, is d +- floor(|m| c(d) + 1/2) wherever
// |m| c(d) + 1/2 is not a whole number, and so d +- ((P + 2^17) >> 18)
// wherever P + 2^17 lies at least kSoftLightNear counts from every multiple
// of 2^18: the exact value is then on the same side of it. The lanes nearer
// than that are taken from the table.
//
// Everything here is evaluated at compile time; the kernels include it before
// they switch on their own instructions.

#include <array>
#include <cstdint>

namespace tintloom::soft_light {

inline constexpr int kSoftLightNear = 256;
static_assert(kSoftLightNear > 230 && kSoftLightNear % 4 == 0 && kSoftLightNear < (1 << 17),
              "the margin must exceed the curves' error and be tested in fours");

// Newton's method, to double precision (the curve is rounded to counts of
// 2^-18 after it), since the square root of the standard library cannot
// fill a table at compile time.
constexpr double RootOf(double x) {
  double r = x < 1.0 ? 1.0 : x;
  for (int i = 0; i < 64 && x > 0.0; ++i) r = 0.5 * (r + x / r);
  return x > 0.0 ? r : 0.0;
}

struct TCurves {
  std::array<std::uint16_t, 256> above{};  // for sources from the half up
  std::array<std::uint16_t, 256> below{};
};

constexpr TCurves MakeCurves() {
  TCurves c{};
  const auto counts = [](double v) {
    const double n = v * 262144.0 + 0.5;
    return n >= 65535.0 ? 65535 : static_cast<int>(n);
  };
  for (int d = 0; d < 256; ++d) {
    const double b = d / 255.0;
    const double curve = b <= 0.25 ? ((16.0 * b - 12.0) * b + 4.0) * b : RootOf(b);
    c.above[static_cast<std::size_t>(d)] = static_cast<std::uint16_t>(counts(curve - b));
    c.below[static_cast<std::size_t>(d)] = static_cast<std::uint16_t>(counts(b * (1.0 - b)));
  }
  return c;
}

inline constexpr TCurves kCurves = MakeCurves();

}  // namespace tintloom::soft_light
