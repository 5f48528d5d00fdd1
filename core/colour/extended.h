#pragma once
// The colour arithmetic's extended precision: a 64-bit mantissa, each
// operation rounded once to the nearest value (ties to even), as the x87
// unit does. The figures users know (edits, scheme steps, ramps, exports)
// come out of that rounding, and a binary128 long double (ARM) or a double
// would round some of them differently. Where long double is the x87 type
// TExtended is long double; elsewhere it is TSoftExtended, the same
// arithmetic done in integers.
//
// Values below the smallest normal x87 number (about 3.4e-4932) are taken
// as zero; the colour arithmetic never comes near them.

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace tintloom {

// 128-bit whole numbers, which GCC and Clang have on every 64-bit target.
__extension__ typedef unsigned __int128 TWide;

class TSoftExtended {
 public:
  constexpr TSoftExtended() = default;
  template <class I, std::enable_if_t<std::is_integral_v<I>, int> = 0>
  constexpr TSoftExtended(I v) {  // NOLINT: converts implicitly, as a long double does
    if (v == 0) return;
    const bool negative = v < 0;
    // The magnitude, also of the most negative value.
    const auto magnitude = negative ? static_cast<std::uint64_t>(0) - static_cast<std::uint64_t>(v)
                                    : static_cast<std::uint64_t>(v);
    *this = Rounded(negative, magnitude, 0, false);
  }
  TSoftExtended(float v) : TSoftExtended(static_cast<double>(v)) {}  // NOLINT
  TSoftExtended(double v) { FromFloating(v); }                       // NOLINT
  TSoftExtended(long double v) { FromFloating(v); }                  // NOLINT

  explicit operator double() const { return ToFloating<double>(); }
  explicit operator float() const { return ToFloating<float>(); }
  // Toward zero, as a cast of a long double; the caller keeps the value in
  // range (Trunc in colour.h does).
  template <class I, std::enable_if_t<std::is_integral_v<I>, int> = 0>
  explicit operator I() const {
    if (kind_ != kFinite || lsb_ <= -64 || lsb_ >= 64) return 0;
    const std::uint64_t whole = lsb_ >= 0 ? mantissa_ << lsb_ : mantissa_ >> -lsb_;
    return static_cast<I>(negative_ ? static_cast<std::uint64_t>(0) - whole : whole);
  }

  friend TSoftExtended operator-(TSoftExtended a) {
    a.negative_ = !a.negative_;
    return a;
  }
  friend TSoftExtended operator+(const TSoftExtended& a, const TSoftExtended& b) { return Sum(a, b, false); }
  friend TSoftExtended operator-(const TSoftExtended& a, const TSoftExtended& b) { return Sum(a, b, true); }
  friend TSoftExtended operator*(const TSoftExtended& a, const TSoftExtended& b) {
    const bool negative = a.negative_ != b.negative_;
    if (a.kind_ == kNaN || b.kind_ == kNaN) return NaN();
    if (a.kind_ == kInfinite || b.kind_ == kInfinite) {
      return a.kind_ == kZero || b.kind_ == kZero ? NaN() : Infinite(negative);
    }
    if (a.kind_ == kZero || b.kind_ == kZero) return Zero(negative);
    return Rounded(negative, static_cast<TWide>(a.mantissa_) * b.mantissa_, a.lsb_ + b.lsb_, false);
  }
  friend TSoftExtended operator/(const TSoftExtended& a, const TSoftExtended& b) {
    const bool negative = a.negative_ != b.negative_;
    if (a.kind_ == kNaN || b.kind_ == kNaN) return NaN();
    if (a.kind_ == kInfinite) return b.kind_ == kInfinite ? NaN() : Infinite(negative);
    if (b.kind_ == kInfinite) return Zero(negative);
    if (b.kind_ == kZero) return a.kind_ == kZero ? NaN() : Infinite(negative);
    if (a.kind_ == kZero) return Zero(negative);
    // A quotient of 64 or 65 bits, one more bit from the remainder, and
    // whether anything is left below it.
    const TWide n = static_cast<TWide>(a.mantissa_) << 64;
    const TWide q = n / b.mantissa_;
    TWide r = (n % b.mantissa_) << 1;
    const bool half = r >= b.mantissa_;
    if (half) r -= b.mantissa_;
    return Rounded(negative, (q << 1) | (half ? 1u : 0u), a.lsb_ - b.lsb_ - 65, r != 0);
  }
  TSoftExtended& operator+=(const TSoftExtended& b) { return *this = *this + b; }
  TSoftExtended& operator-=(const TSoftExtended& b) { return *this = *this - b; }
  TSoftExtended& operator*=(const TSoftExtended& b) { return *this = *this * b; }
  TSoftExtended& operator/=(const TSoftExtended& b) { return *this = *this / b; }

  friend bool operator==(const TSoftExtended& a, const TSoftExtended& b) { return Compare(a, b) == 0; }
  friend bool operator!=(const TSoftExtended& a, const TSoftExtended& b) { return Compare(a, b) != 0; }
  friend bool operator<(const TSoftExtended& a, const TSoftExtended& b) { return Compare(a, b) == -1; }
  friend bool operator>(const TSoftExtended& a, const TSoftExtended& b) { return Compare(a, b) == 1; }
  friend bool operator<=(const TSoftExtended& a, const TSoftExtended& b) {
    const int c = Compare(a, b);
    return c == -1 || c == 0;
  }
  friend bool operator>=(const TSoftExtended& a, const TSoftExtended& b) {
    const int c = Compare(a, b);
    return c == 1 || c == 0;
  }

  // The largest whole number not above x.
  friend TSoftExtended Floor(const TSoftExtended& x) {
    if (x.kind_ != kFinite || x.lsb_ >= 0) return x;
    if (x.lsb_ <= -64) return x.negative_ ? TSoftExtended(-1) : Zero(false);
    const std::uint64_t whole = x.mantissa_ >> -x.lsb_;
    const bool fraction = (x.mantissa_ & ((std::uint64_t{1} << -x.lsb_) - 1)) != 0;
    return Rounded(x.negative_, whole + (x.negative_ && fraction ? 1u : 0u), 0, false);
  }
  // x - n y for the whole n that leaves the sign of x and less than |y|:
  // exact, as the x87 remainder is.
  friend TSoftExtended Fmod(const TSoftExtended& x, const TSoftExtended& y) {
    if (x.kind_ == kNaN || y.kind_ == kNaN || x.kind_ == kInfinite || y.kind_ == kZero) return NaN();
    if (x.kind_ == kZero || y.kind_ == kInfinite || x.lsb_ < y.lsb_ ||
        (x.lsb_ == y.lsb_ && x.mantissa_ < y.mantissa_)) {
      return x;
    }
    // (mx 2^(lx - ly)) mod my, a bit at a time past the first remainder.
    TWide r = x.mantissa_ % y.mantissa_;
    for (std::int32_t k = x.lsb_ - y.lsb_; k > 0; --k) r = (r << 1) % y.mantissa_;
    return r == 0 ? Zero(x.negative_) : Rounded(x.negative_, r, y.lsb_, false);
  }
  friend TSoftExtended Sqrt(const TSoftExtended& x) {
    if (x.kind_ == kZero || x.kind_ == kNaN || (x.kind_ == kInfinite && !x.negative_)) return x;
    if (x.negative_) return NaN();
    // n = m 2^64, or m 2^63 for an odd last place: an even power is left
    // over, and the whole root has 64 bits. The next bit is set when the
    // rest exceeds the root (the root of a whole number is never a whole
    // number and a half), and any rest leaves more below it.
    const int shift = (x.lsb_ & 1) != 0 ? 63 : 64;
    const TWide n = static_cast<TWide>(x.mantissa_) << shift;
    TWide root = 0;
    for (int bit = 63; bit >= 0; --bit) {
      const TWide trial = root | (static_cast<TWide>(1) << bit);
      if (trial * trial <= n) root = trial;
    }
    const TWide rest = n - root * root;
    return Rounded(false, (root << 1) | (rest > root ? 1u : 0u), (x.lsb_ - shift) / 2 - 1, rest != 0);
  }
  friend TSoftExtended Fabs(TSoftExtended x) {
    x.negative_ = false;
    return x;
  }
  friend bool IsNaN(const TSoftExtended& x) { return x.kind_ == kNaN; }
  friend bool IsFinite(const TSoftExtended& x) { return x.kind_ == kZero || x.kind_ == kFinite; }

 private:
  enum TKind : std::uint8_t { kZero, kFinite, kInfinite, kNaN };
  static constexpr std::int32_t kHighest = 16383;  // of the top bit
  static constexpr std::int32_t kLowest = -16382;

  static constexpr TSoftExtended Zero(bool negative) {
    TSoftExtended z;
    z.negative_ = negative;
    return z;
  }
  static constexpr TSoftExtended Infinite(bool negative) {
    TSoftExtended v;
    v.kind_ = kInfinite;
    v.negative_ = negative;
    return v;
  }
  static constexpr TSoftExtended NaN() {
    TSoftExtended v;
    v.kind_ = kNaN;
    return v;
  }

  // m 2^scale, with `sticky` for a nonzero rest below m's last bit, rounded
  // to 64 bits.
  static constexpr TSoftExtended Rounded(bool negative, TWide m, std::int32_t scale, bool sticky) {
    if (m == 0) return Zero(negative);
    int top = 127;
    while (((m >> top) & 1u) == 0) --top;
    std::uint64_t mantissa;
    if (top > 63) {
      const int shift = top - 63;
      const TWide rest = m & ((static_cast<TWide>(1) << shift) - 1);
      const TWide half = static_cast<TWide>(1) << (shift - 1);
      mantissa = static_cast<std::uint64_t>(m >> shift);
      scale += shift;
      if (rest > half || (rest == half && (sticky || (mantissa & 1u) != 0))) {
        if (++mantissa == 0) {
          mantissa = std::uint64_t{1} << 63;
          ++scale;
        }
      }
    } else {
      // Whatever lies below is under half of the last place.
      mantissa = static_cast<std::uint64_t>(m) << (63 - top);
      scale -= 63 - top;
    }
    if (scale + 63 > kHighest) return Infinite(negative);
    if (scale + 63 < kLowest) return Zero(negative);
    TSoftExtended v;
    v.kind_ = kFinite;
    v.negative_ = negative;
    v.mantissa_ = mantissa;
    v.lsb_ = scale;
    return v;
  }

  static TSoftExtended Sum(const TSoftExtended& a, TSoftExtended b, bool subtract) {
    if (subtract) b.negative_ = !b.negative_;
    if (a.kind_ == kNaN || b.kind_ == kNaN) return NaN();
    if (a.kind_ == kInfinite || b.kind_ == kInfinite) {
      if (a.kind_ == kInfinite && b.kind_ == kInfinite && a.negative_ != b.negative_) return NaN();
      return a.kind_ == kInfinite ? a : b;
    }
    if (a.kind_ == kZero) return b.kind_ == kZero ? Zero(a.negative_ && b.negative_) : b;
    if (b.kind_ == kZero) return a;
    // The larger magnitude first; both are normalised, so its last place
    // is at least as high.
    const bool swap = b.lsb_ > a.lsb_ || (b.lsb_ == a.lsb_ && b.mantissa_ > a.mantissa_);
    const TSoftExtended& big = swap ? b : a;
    const TSoftExtended& small = swap ? a : b;
    const std::int32_t gap = big.lsb_ - small.lsb_;
    const TWide wide = static_cast<TWide>(big.mantissa_) << 63;
    const TWide other = static_cast<TWide>(small.mantissa_) << 63;
    TWide part = gap >= 127 ? 0 : other >> gap;
    const bool sticky = gap >= 127 ? true : (other & ((static_cast<TWide>(1) << gap) - 1)) != 0;
    if (big.negative_ == small.negative_) return Rounded(big.negative_, wide + part, big.lsb_ - 63, sticky);
    // A rest taken off: one unit less, and the rest's complement below it.
    if (sticky) ++part;
    const TWide difference = wide - part;
    if (difference == 0) return Zero(false);
    return Rounded(big.negative_, difference, big.lsb_ - 63, sticky);
  }

  // -1, 0, 1, or 2 when unordered.
  static int Compare(const TSoftExtended& a, const TSoftExtended& b) {
    if (a.kind_ == kNaN || b.kind_ == kNaN) return 2;
    const int sa = a.Sign(), sb = b.Sign();
    if (sa != sb) return sa < sb ? -1 : 1;
    if (sa == 0) return 0;
    int magnitude;  // of |a| against |b|
    if (a.kind_ == kInfinite || b.kind_ == kInfinite) {
      magnitude = (a.kind_ == kInfinite) - (b.kind_ == kInfinite);
    } else if (a.lsb_ != b.lsb_) {
      magnitude = a.lsb_ < b.lsb_ ? -1 : 1;
    } else {
      magnitude = a.mantissa_ < b.mantissa_ ? -1 : a.mantissa_ > b.mantissa_ ? 1 : 0;
    }
    return sa * magnitude;
  }
  int Sign() const { return kind_ == kZero ? 0 : negative_ ? -1 : 1; }

  // Any binary floating type, rounded once to 64 bits.
  template <class F>
  void FromFloating(F v) {
    if (v != v) {
      *this = NaN();
      return;
    }
    if (v == 0) {
      *this = Zero(std::signbit(v));
      return;
    }
    if (std::isinf(v)) {
      *this = Infinite(v < 0);
      return;
    }
    int e = 0;
    const F m = std::frexp(std::fabs(v), &e);  // 0.5 <= m < 1
    const F scaled = std::ldexp(m, 64);
    // The whole part and the rest are exact in F; the whole part has 64 bits.
    const F high = std::floor(std::ldexp(scaled, -32));
    const F low = std::floor(scaled - std::ldexp(high, 32));
    const F rest = scaled - std::ldexp(high, 32) - low;
    const TWide whole =
        (static_cast<TWide>(static_cast<std::uint64_t>(high)) << 32) | static_cast<std::uint64_t>(low);
    // The rest is a fraction of the last place: twice it against one says
    // which side of the half it lies; two more bits stand for it.
    const TWide guard = rest * 2 > 1 ? 3 : rest * 2 == 1 ? 2 : rest > 0 ? 1 : 0;
    *this = Rounded(v < 0, (whole << 2) | guard, e - 66, false);
  }

  template <class F>
  F ToFloating() const {
    switch (kind_) {
      case kNaN: return std::numeric_limits<F>::quiet_NaN();
      case kZero: return negative_ ? -F(0) : F(0);
      case kInfinite: return negative_ ? -std::numeric_limits<F>::infinity() : std::numeric_limits<F>::infinity();
      case kFinite: break;
    }
    constexpr int kDrop = 64 - std::numeric_limits<F>::digits;
    std::uint64_t kept = mantissa_ >> kDrop;
    const std::uint64_t rest = mantissa_ & ((std::uint64_t{1} << kDrop) - 1), half = std::uint64_t{1} << (kDrop - 1);
    if (rest > half || (rest == half && (kept & 1u) != 0)) ++kept;  // may reach 2^digits: still exact in F
    const F magnitude = std::ldexp(static_cast<F>(kept), lsb_ + kDrop);
    return negative_ ? -magnitude : magnitude;
  }

  TKind kind_ = kZero;
  bool negative_ = false;
  std::int32_t lsb_ = 0;          // the exponent of the mantissa's last bit
  std::uint64_t mantissa_ = 0;    // top bit set when finite
};

// TINTLOOM_SOFT_EXTENDED takes the integer form on x86 too, so that the
// test suite can check it there.
#if (defined(__x86_64__) || defined(__i386__)) && !defined(TINTLOOM_SOFT_EXTENDED)
static_assert(std::numeric_limits<long double>::digits == 64, "long double is the x87 type here");
using TExtended = long double;
inline TExtended Floor(TExtended x) { return std::floor(x); }
inline TExtended Fmod(TExtended x, TExtended y) { return std::fmod(x, y); }
inline TExtended Sqrt(TExtended x) { return std::sqrt(x); }
inline TExtended Fabs(TExtended x) { return std::fabs(x); }
inline bool IsFinite(TExtended x) { return std::isfinite(x); }
#else
using TExtended = TSoftExtended;
#endif

// An extended constant: 360.0_x, rounded once from the compiler's long
// double (exact for the whole numbers and halves the colour code writes).
#if (defined(__x86_64__) || defined(__i386__)) && !defined(TINTLOOM_SOFT_EXTENDED)
constexpr TExtended operator""_x(long double v) { return v; }
#else
inline TExtended operator""_x(long double v) { return TExtended(v); }
#endif

}  // namespace tintloom
