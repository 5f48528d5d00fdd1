#pragma once
// The per-channel step of every composition: d + (target - d) * a / 255 with
// the division truncating toward zero, done without a division so that whole
// rows of bytes go through vector registers.

#include <cstddef>
#include <cstdint>

namespace tintloom {

// x / 255 for 0 <= x <= 65279, with one add, two shifts and no division.
// Write x = 255q + r with 0 <= r <= 254, so q <= 255 here. Then
//   x >> 8 = floor((256q - q + r) / 256) = q + floor((r - q) / 256),
// and as -255 <= r - q <= 254 the last term e is -1 when r < q, else 0. So
//   x + 1 + (x >> 8) = 256q + (r + 1 + e),
// where r + 1 + e lies in 0..255 in both cases, and shifting by 8 leaves q.
// The sum stays at most 65280, so 16-bit lanes hold it. The test suite checks
// every input the mix can produce.
inline std::uint16_t Div255(std::uint16_t x) {
  return static_cast<std::uint16_t>((x + 1u + (x >> 8u)) >> 8u);
}

// One channel moved from d toward t by a / 255. The signed product is split
// into a magnitude and a direction so the truncation toward zero of the
// signed division becomes the floor of an unsigned one.
inline std::uint8_t MixChannel(std::uint8_t d, std::uint8_t t, std::uint8_t a) {
  const std::uint8_t hi = d > t ? d : t;
  const std::uint8_t lo = d > t ? t : d;
  const std::uint16_t q = Div255(static_cast<std::uint16_t>((hi - lo) * a));
  return static_cast<std::uint8_t>(t >= d ? d + q : d - q);
}

// MixChannel over n bytes; the plain loop is there for the compiler to
// vectorise.
inline void MixBytes(std::uint8_t* __restrict d, const std::uint8_t* __restrict t, const std::uint8_t* __restrict a,
                     std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) d[i] = MixChannel(d[i], t[i], a[i]);
}

}  // namespace tintloom
