// The integer form of extended precision must round exactly as the x87 unit
// does, or an ARM build would show other edit figures, scheme steps and
// ramps. Where the x87 type exists the two are compared operation by
// operation on operands chosen to hit the rounding's hard cases: ties,
// cancellation, long carries, far-apart exponents.

#include "core/colour/extended.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace tintloom {
namespace {

#if defined(__x86_64__) || defined(__i386__)

// The x87 value's bits (sign, exponent and mantissa; the padding left out).
struct TBits {
  std::uint64_t mantissa;
  std::uint16_t top;
  bool operator==(const TBits&) const = default;
};
TBits BitsOf(long double v) {
  TBits b{};
  std::memcpy(&b.mantissa, &v, 8);
  std::memcpy(&b.top, reinterpret_cast<const char*>(&v) + 8, 2);
  return b;
}

// The soft value back in the x87 type, through two exact doubles.
long double Hard(const TSoftExtended& v) {
  const auto high = static_cast<double>(v);
  const TSoftExtended rest = v - TSoftExtended(high);
  if (rest == TSoftExtended(0)) return high;  // a negative zero stays one
  return static_cast<long double>(high) + static_cast<long double>(static_cast<double>(rest));
}

std::vector<long double> Operands() {
  std::mt19937_64 rng(24);
  std::vector<long double> v = {0.0L, -0.0L, 1.0L, -1.0L, 0.5L, 255.0L, 360.0L, 359.0L, 100.5L, 0.01L, 1.0L / 255.0L,
                                1.0L / 3.0L, 65025.0L, 2147483648.0L, -2147483649.0L, 1e-30L, 1e30L};
  for (int i = 0; i < 600; ++i) {
    std::uint64_t m = rng() | (std::uint64_t{1} << 63);
    if (i % 4 == 1) m |= 0x7FF;  // long runs of ones: carries through the whole mantissa
    if (i % 4 == 2) m &= ~std::uint64_t{0x7FF};  // short mantissas: exact sums, ties after a product
    const int e = static_cast<int>(rng() % 160) - 80;
    const long double x = std::ldexp(static_cast<long double>(m), e - 63);
    v.push_back(i % 3 == 0 ? -x : x);
    if (i % 5 == 0) v.push_back(static_cast<float>(x));  // values the colour code starts from
  }
  return v;
}

TEST(SoftExtended, RoundsEveryOperationAsTheX87Unit) {
  const std::vector<long double> values = Operands();
  for (const long double a : values) {
    const TSoftExtended sa(a);
    ASSERT_EQ(BitsOf(Hard(sa)), BitsOf(a)) << static_cast<double>(a);
    EXPECT_EQ(static_cast<float>(sa), static_cast<float>(a));
    EXPECT_EQ(static_cast<double>(sa), static_cast<double>(a));
    EXPECT_EQ(BitsOf(Hard(Floor(sa))), BitsOf(std::floor(a)));
    if (a >= 0) {
      EXPECT_EQ(BitsOf(Hard(Sqrt(sa))), BitsOf(std::sqrt(a))) << static_cast<double>(a);
    }
    if (std::fabs(a) < 2e9L) {
      EXPECT_EQ(static_cast<std::int32_t>(sa), static_cast<std::int32_t>(a));
    }
    for (const long double b : values) {
      const TSoftExtended sb(b);
      ASSERT_EQ(BitsOf(Hard(sa + sb)), BitsOf(a + b)) << static_cast<double>(a) << " + " << static_cast<double>(b);
      ASSERT_EQ(BitsOf(Hard(sa - sb)), BitsOf(a - b)) << static_cast<double>(a) << " - " << static_cast<double>(b);
      ASSERT_EQ(BitsOf(Hard(sa * sb)), BitsOf(a * b)) << static_cast<double>(a) << " * " << static_cast<double>(b);
      if (b != 0) {
        ASSERT_EQ(BitsOf(Hard(sa / sb)), BitsOf(a / b)) << static_cast<double>(a) << " / " << static_cast<double>(b);
      }
      ASSERT_EQ(sa < sb, a < b);
      ASSERT_EQ(sa == sb, a == b);
    }
  }
}

TEST(SoftExtended, RemaindersAndTiesAsTheX87Unit) {
  // Hues folded into a turn, the colour code's one remainder.
  for (const long double h : {725.5L, -725.5L, 359.999999L, -0.25L, 1e7L + 0.5L, 360.0L}) {
    EXPECT_EQ(BitsOf(Hard(Fmod(TSoftExtended(h), TSoftExtended(360.0L)))), BitsOf(std::fmod(h, 360.0L)));
  }
  // Exact ties both ways: 2^64 + 1 and + 3 halves to even, and a double
  // half a unit beyond a 64-bit mantissa.
  const long double big = 18446744073709551616.0L;
  for (const long double t : {1.0L, 3.0L, 5.0L}) {
    EXPECT_EQ(BitsOf(Hard(TSoftExtended(big) + TSoftExtended(t))), BitsOf(big + t));
  }
  // Division by zero, infinities and NaN compare and convert as they do.
  const TSoftExtended inf = TSoftExtended(1) / TSoftExtended(0);
  EXPECT_TRUE(std::isinf(static_cast<double>(inf)));
  EXPECT_TRUE(IsNaN(inf - inf));
  EXPECT_FALSE(TSoftExtended(std::nan("")) < TSoftExtended(0));
  EXPECT_FALSE(TSoftExtended(std::nan("")) >= TSoftExtended(0));
}

#endif

// On every build: the values the program's figures hang on.
TEST(SoftExtended, GivesTheProgramsFigures) {
  EXPECT_EQ(static_cast<int>(TSoftExtended(0.5f) * 128 + 4 + 0.5L), 68);
  EXPECT_EQ(static_cast<float>(TSoftExtended(359) / 360), 359.0f / 360.0f);
  EXPECT_EQ(static_cast<int>(TSoftExtended(0.57f) * 100.5L), 57);
  EXPECT_EQ(static_cast<double>(Floor(TSoftExtended(-59.06f) + 0.5L)), -59.0);
}

}  // namespace
}  // namespace tintloom
