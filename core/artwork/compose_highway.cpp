// The composition kernel for processors without 512-bit byte permutes (AVX2,
// SSE4, NEON): one source built for each of those instruction sets by
// Google Highway, the one to use chosen at run time.
//
// A band of surface rows is widened to four bytes a pixel (blue, green, red,
// unused), the form a layer's colours are kept in, so that one 32-bit load
// per pixel fetches all three channels of its colour: without a 256-entry
// byte permute that is the cheapest lookup there is. Every layer
// passes over the band a vector at a time, and the band is narrowed back.
// The blend modes are computed from their formulas, as in the AVX-512
// kernel; the dividing modes divide in floats, which is exact at these
// operand sizes, and soft light gathers its curves. A formula counts only
// once it has given every entry of the loaded table (CheckBlendFormulas);
// lanes a formula cannot vouch for (exact halves, soft light too near one)
// come from the table.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/artwork/compose_kernels.h"
#include "core/artwork/soft_light_curves.h"

// AVX-512 processors use the hand-written kernel (its byte permutes win), so
// Highway's AVX-512 builds would only cost build time; SSSE3 adds nothing
// SSE4 lacks here.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_SSSE3 | HWY_AVX3 | HWY_AVX3_DL)
#endif

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "core/artwork/compose_highway.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#ifndef TINTLOOM_COMPOSE_HIGHWAY_ONCE
#define TINTLOOM_COMPOSE_HIGHWAY_ONCE
namespace tintloom {
namespace {

// Soft light's curves as one 32-bit table for gathers: below the half first,
// then above it.
struct TSoftLightTable {
  alignas(64) std::uint32_t entries[512];
};
constexpr TSoftLightTable MakeSoftLightTable() {
  TSoftLightTable t{};
  for (std::size_t d = 0; d < 256; ++d) {
    t.entries[d] = soft_light::kCurves.below[d];
    t.entries[256 + d] = soft_light::kCurves.above[d];
  }
  return t;
}
alignas(64) constexpr TSoftLightTable kSoftLightTable = MakeSoftLightTable();

}  // namespace
}  // namespace tintloom
#endif

// Built for vector targets only: the portable kernel covers the rest.
#if HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128
HWY_BEFORE_NAMESPACE();
namespace tintloom {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;

using D8 = hn::ScalableTag<std::uint8_t>;
using D16 = hn::Repartition<std::uint16_t, D8>;
using D32 = hn::Repartition<std::uint32_t, D8>;
using DI32 = hn::Repartition<std::int32_t, D8>;
using DF = hn::Repartition<float, D8>;
using DQ8 = hn::Rebind<std::uint8_t, D32>;  // a quarter of a byte vector
using DH8 = hn::Half<D8>;
using V8 = hn::Vec<D8>;
using V16 = hn::Vec<D16>;
using V32 = hn::Vec<D32>;
using M8 = hn::Mask<D8>;

inline V8 Bytes(int b) { return hn::Set(D8(), static_cast<std::uint8_t>(b)); }
inline V16 Words(int w) { return hn::Set(D16(), static_cast<std::uint16_t>(w)); }
inline V16 AsWords(V8 v) { return hn::BitCast(D16(), v); }
inline V8 AsBytes(V16 v) { return hn::BitCast(D8(), v); }
inline M8 AtLeast(V8 a, V8 b) { return hn::Eq(hn::Max(a, b), a); }  // a >= b, unsigned
inline M8 Upper(V8 t) { return hn::TestBit(t, Bytes(0x80)); }        // t >= 128

// ---- The mix: d + (t - d) * a / 255, truncating toward zero ----

// x / 255 == (x * 0x8081) >> 23 for every 16-bit x: 0x8081 / 2^23 exceeds
// 1 / 255 by under 6e-8, which over x < 65536 adds under 0.004, less than
// the 1/255 by which the fraction of x / 255 stays below 1.
inline V16 Div255(V16 x) { return hn::ShiftRight<7>(hn::MulHigh(x, Words(0x8081))); }

inline V16 Even16(V8 x) { return hn::And(AsWords(x), Words(0x00FF)); }
inline V16 Odd16(V8 x) { return hn::ShiftRight<8>(AsWords(x)); }
inline V8 JoinEvenOdd(V16 even, V16 odd) { return AsBytes(hn::Or(even, hn::ShiftLeft<8>(odd))); }

// For 0 <= a <= 254, floor(diff * a / 255) == (diff * w) >> 16 with
// w = 257 a + 1: w / 65536 exceeds a / 255 by under 1/65536, and over
// diff <= 255 that adds less than the 1/255 the fraction of diff * a / 255
// stays below 1. Alpha 255 (w would need 17 bits) takes the whole difference.
struct TAlpha {
  V16 even, odd;  // w for the even and the odd bytes
  M8 opaque;
};

inline TAlpha AlphaWeights(V8 a) {
  const V16 even = Even16(a), odd = Odd16(a);
  return {hn::Add(hn::Or(even, hn::ShiftLeft<8>(even)), Words(1)),
          hn::Add(hn::Or(odd, hn::ShiftLeft<8>(odd)), Words(1)), hn::Eq(a, Bytes(255))};
}

inline V8 Mix(V8 d, V8 t, const TAlpha& alpha) {
  const V8 high = hn::Max(d, t);
  const V8 diff = hn::Sub(high, hn::Min(d, t));
  const V16 even = hn::MulHigh(Even16(diff), alpha.even);
  // The odd bytes stay where they are: the high byte of (256 diff) w / 2^16
  // is floor(diff w / 2^16), its low byte is dropped.
  const V16 odd = hn::MulHigh(hn::And(AsWords(diff), Words(0xFF00)), alpha.odd);
  V8 q = AsBytes(hn::OrAnd(even, odd, Words(0xFF00)));
  q = hn::IfThenElse(alpha.opaque, diff, q);
  return hn::IfThenElse(hn::Eq(high, t), hn::Add(d, q), hn::Sub(d, q));
}

// ---- Blend formulas on bytes: d the backdrop, t the source ----

// round(y / 255), halves up, for every y up to 65408: whole y is never an
// exact half of 255, so it is floor((y + 127) / 255), which is Div255's.
inline V16 RoundDiv255(V16 y) { return Div255(hn::Add(y, Words(127))); }
inline V8 MulRound(V8 u, V8 v) {
  return JoinEvenOdd(RoundDiv255(hn::Mul(Even16(u), Even16(v))), RoundDiv255(hn::Mul(Odd16(u), Odd16(v))));
}

// round(2 u v / 255), halves up: with u v = 255 q + r, 2 u v / 255 =
// 2q + 2r / 255, and 2r / 255 rounds to 0, 1 or 2 as r reaches 64 and 192,
// which is (r + 64) >> 7.
inline V16 TwiceMulRound16(V16 u, V16 v) {
  const V16 x = hn::Mul(u, v);
  const V16 q = Div255(x);
  const V16 r = hn::Sub(x, hn::Sub(hn::ShiftLeft<8>(q), q));
  return hn::Add(hn::Add(q, q), hn::ShiftRight<7>(hn::Add(r, Words(64))));
}

// Hard light with `low` marking the lanes whose deciding value is at most
// 127: multiply by twice it there, screen by twice it less one elsewhere,
// where both factors and the result are inverted.
inline V8 HardLight(V8 d, V8 t, M8 low) {
  const V8 du = hn::IfThenElse(low, d, hn::Not(d));
  const V8 tv = hn::IfThenElse(low, t, hn::Not(t));
  // One factor is at most 127, so 2 u v stays below 65408.
  const auto twice = [](V16 a, V16 b) { return RoundDiv255(hn::ShiftLeft<1>(hn::Mul(a, b))); };
  const V8 r = JoinEvenOdd(twice(Even16(du), Even16(tv)), twice(Odd16(du), Odd16(tv)));
  return hn::IfThenElse(low, r, hn::Not(r));
}

// ---- Work on 32-bit lanes, a quarter of the bytes at a time ----

template <class F>
inline V8 ByQuarters(V8 a, V8 b, V8& flags, const F& f) {
  const D8 d8;
  const DH8 dh;
  const DQ8 dq;
  const D32 d32;
  const DI32 di32;
  const auto lowA = hn::LowerHalf(dh, a), highA = hn::UpperHalf(dh, a);
  const auto lowB = hn::LowerHalf(dh, b), highB = hn::UpperHalf(dh, b);
  const hn::Half<DH8> dhq;
  hn::Vec<DQ8> r[4], m[4];
  const hn::Vec<hn::Half<DH8>> qa[4] = {hn::LowerHalf(dhq, lowA), hn::UpperHalf(dhq, lowA),
                                        hn::LowerHalf(dhq, highA), hn::UpperHalf(dhq, highA)};
  const hn::Vec<hn::Half<DH8>> qb[4] = {hn::LowerHalf(dhq, lowB), hn::UpperHalf(dhq, lowB),
                                        hn::LowerHalf(dhq, highB), hn::UpperHalf(dhq, highB)};
  for (int k = 0; k < 4; ++k) {
    V32 flag;
    const V32 result = f(hn::PromoteTo(d32, qa[k]), hn::PromoteTo(d32, qb[k]), flag);
    r[k] = hn::DemoteTo(dq, hn::BitCast(di32, result));
    m[k] = hn::DemoteTo(dq, hn::BitCast(di32, flag));
  }
  flags = hn::Or(flags, hn::Combine(d8, hn::Combine(dh, m[3], m[2]), hn::Combine(dh, m[1], m[0])));
  return hn::Combine(d8, hn::Combine(dh, r[3], r[2]), hn::Combine(dh, r[1], r[0]));
}

// ---- The dividing modes ----
//
// Colour dodge, colour burn and vivid light all come down to round(255 x / D)
// for bytes x < D. With h = floor(D / 2) that rounding (halves up) is
// floor((255 x + h) / D): for even D it is the same sum, and for odd D no
// sum 255 x + h + 1/2 is a multiple of D. Both operands are whole floats
// below 2^16, so the float quotient is within 2^-24 of its value relative,
// under 0.004 absolute, and the true quotient lies a whole 1/D <= 1/255 from
// the next whole number unless it is whole: its floor is exact. An exact
// half (an even D dividing 255 x + h) is where the table's own arithmetic
// may have gone either way, so those lanes take the table's entry.

inline V32 RoundedQuotient32(V32 x, V32 divisor, V32& tie) {
  const D32 d32;
  const DI32 di32;
  const DF df;
  const V32 y = hn::Add(hn::Mul(x, hn::Set(d32, 255u)), hn::ShiftRight<1>(divisor));
  const auto fy = hn::ConvertTo(df, hn::BitCast(di32, y));
  // Lanes past the divisor are not used; a divisor of 0 there must not trap.
  const auto fd = hn::ConvertTo(df, hn::BitCast(di32, hn::Max(divisor, hn::Set(d32, 1u))));
  const auto q = hn::Floor(hn::Div(fy, fd));
  const auto exact = hn::RebindMask(d32, hn::Eq(hn::Mul(q, fd), fy));
  const auto even = hn::Eq(hn::And(divisor, hn::Set(d32, 1u)), hn::Zero(d32));
  tie = hn::IfThenElseZero(hn::And(exact, even), hn::Set(d32, 1u));
  return hn::BitCast(d32, hn::ConvertTo(di32, q));
}

// With x = d - k (0 when below): 0 where x is 0, 255 where x reaches D, else
// round(255 x / D).
//   colour dodge   k = 0, D = 255 - t
//   colour burn    k = 255 - t, D = t
//   vivid light    burn by 2t below the half, dodge by 2t - 255 above
// A black source in a burn (D = 0) would make every x 0, white backdrop
// included; k = 254 there leaves white at x = 1, which reaches D.
inline V8 DividingBytes(V8 d, V8 k, V8 divisor, V8& unsure) {
  const V8 x = hn::SaturatedSub(d, k);
  const M8 zero = hn::Eq(x, hn::Zero(D8()));
  const M8 full = AtLeast(x, divisor);
  V8 ties = hn::Zero(D8());
  const V8 q = ByQuarters(x, divisor, ties, RoundedQuotient32);
  const M8 used = hn::Not(hn::Or(zero, full));
  unsure = hn::Or(unsure, hn::IfThenElseZero(hn::And(used, hn::Ne(ties, hn::Zero(D8()))), Bytes(255)));
  return hn::IfThenZeroElse(zero, hn::IfThenElse(full, Bytes(255), q));
}

inline V8 BurnK(V8 fromWhite) { return hn::Min(fromWhite, Bytes(254)); }

inline V8 VividBytes(V8 d, V8 t, V8& unsure) {
  const M8 upper = Upper(t);
  const V8 twice = hn::Add(t, t);
  const V8 room = hn::Add(hn::Not(t), hn::Not(t));  // 510 - 2t above the half
  return DividingBytes(d, hn::IfThenZeroElse(upper, BurnK(hn::Not(twice))), hn::IfThenElse(upper, room, twice),
                       unsure);
}

// ---- Soft light (soft_light_curves.h), on 32-bit lanes ----

inline V32 SoftLight32(V32 d, V32 t, V32& near) {
  const D32 d32;
  const DI32 di32;
  const auto upper = hn::Gt(hn::BitCast(di32, t), hn::Set(di32, 127));
  const V32 twice = hn::Add(t, t);
  const V32 m = hn::IfThenElse(hn::RebindMask(d32, upper), hn::Sub(twice, hn::Set(d32, 255u)),
                               hn::Sub(hn::Set(d32, 255u), twice));
  const V32 index = hn::Add(d, hn::IfThenElseZero(hn::RebindMask(d32, upper), hn::Set(d32, 256u)));
  const V32 c = hn::GatherIndex(d32, kSoftLightTable.entries, hn::BitCast(di32, index));
  const V32 v = hn::Add(hn::Mul(m, c), hn::Set(d32, 1u << 17));
  const V32 share = hn::ShiftRight<18>(v);
  const V32 fraction = hn::And(hn::Add(v, hn::Set(d32, soft_light::kSoftLightNear)), hn::Set(d32, (1u << 18) - 1));
  const auto isNear = hn::Lt(hn::BitCast(di32, fraction), hn::Set(di32, 2 * soft_light::kSoftLightNear));
  near = hn::IfThenElseZero(hn::RebindMask(d32, isNear), hn::Set(d32, 1u));
  return hn::IfThenElse(hn::RebindMask(d32, upper), hn::Add(d, share), hn::Sub(d, share));
}

inline V8 SoftLightBytes(V8 d, V8 t, V8& unsure) {
  V8 near = hn::Zero(D8());
  const V8 r = ByQuarters(d, t, near, SoftLight32);
  unsure = hn::Or(unsure, hn::IfThenElseZero(hn::Ne(near, hn::Zero(D8())), Bytes(255)));
  return r;
}

// The formula of blend code `Code`; lanes it cannot vouch for are set in
// `unsure`.
template <int Code>
inline V8 Formula(V8 d, V8 t, V8& unsure) {
  if constexpr (Code == 0) return hn::Min(d, t);  // darken
  if constexpr (Code == 1) return MulRound(d, t);  // multiply
  if constexpr (Code == 2) return DividingBytes(d, BurnK(hn::Not(t)), t, unsure);  // colour burn
  if constexpr (Code == 3) return hn::SaturatedSub(d, hn::Not(t));  // linear burn: d + t - 255
  if constexpr (Code == 4) return hn::Max(d, t);                     // lighten
  if constexpr (Code == 5) return hn::Not(MulRound(hn::Not(d), hn::Not(t)));  // screen
  if constexpr (Code == 6) return DividingBytes(d, hn::Zero(D8()), hn::Not(t), unsure);  // colour dodge
  if constexpr (Code == 7) return hn::SaturatedAdd(d, t);  // linear dodge
  if constexpr (Code == 8) return HardLight(d, t, hn::Not(Upper(d)));  // overlay
  if constexpr (Code == 9) return SoftLightBytes(d, t, unsure);
  if constexpr (Code == 10) return HardLight(d, t, hn::Not(Upper(t)));  // hard light
  if constexpr (Code == 11) return VividBytes(d, t, unsure);
  if constexpr (Code == 12) {  // linear light: d + 2t - 255, as 2t - 255 or 255 - 2t by t's half
    const V8 twice = hn::Add(t, t);
    return hn::IfThenElse(Upper(t), hn::SaturatedAdd(d, hn::Add(twice, Bytes(1))), hn::SaturatedSub(d, hn::Not(twice)));
  }
  if constexpr (Code == 13) {  // pin light: min(d, 2t) below the half, max(d, 2t - 255) above
    const V8 twice = hn::Add(t, t);
    return hn::IfThenElse(Upper(t), hn::Max(d, hn::Add(twice, Bytes(1))), hn::Min(d, twice));
  }
  if constexpr (Code == 14) return hn::VecFromMask(D8(), AtLeast(d, hn::Not(t)));  // hard mix
  if constexpr (Code == 15) return hn::Sub(hn::Max(d, t), hn::Min(d, t));          // difference
  if constexpr (Code == 16) {  // exclusion: d + t - round(2 d t / 255)
    const auto part = [](V16 u, V16 v) { return hn::Sub(hn::Add(u, v), TwiceMulRound16(u, v)); };
    return JoinEvenOdd(part(Even16(d), Even16(t)), part(Odd16(d), Odd16(t)));
  }
  return t;
}

// The table's entries for the lanes set in `which`, the rest kept from `r`:
// rare, so kept out of the row loops.
HWY_NOINLINE V8 FromTable(V8 r, V8 d, V8 t, V8 which, const std::uint8_t* table) {
  const D8 d8;
  constexpr std::size_t kMost = hn::MaxLanes(D8());
  HWY_ALIGN std::uint8_t out[kMost], db[kMost], tb[kMost], wb[kMost];
  hn::Store(r, d8, out);
  hn::Store(d, d8, db);
  hn::Store(t, d8, tb);
  hn::Store(which, d8, wb);
  for (std::size_t i = 0; i < hn::Lanes(d8); ++i) {
    if (wb[i] != 0) out[i] = table[db[i] * 256u + tb[i]];
  }
  return hn::Load(d8, out);
}

// `lanes` marks the bytes whose result counts (the unused fourth byte of a
// pixel does not).
template <int Code>
inline V8 Blend(V8 d, V8 t, const std::uint8_t* table, bool computed, V8 lanes) {
  if constexpr (Code < 0) {
    return t;
  } else {
    if (!computed) return FromTable(t, d, t, lanes, table);
    V8 unsure = hn::Zero(D8());
    const V8 r = Formula<Code>(d, t, unsure);
    unsure = hn::And(unsure, lanes);
    return hn::AllTrue(D8(), hn::Eq(unsure, hn::Zero(D8()))) ? r : FromTable(r, d, t, unsure, table);
  }
}

// ---- One layer over the band ----

// The colour and blue, green, red bytes of each pixel, not its unused one.
inline V8 ColourLanes() { return hn::BitCast(D8(), hn::Set(D32(), 0x00FFFFFFu)); }

// A quarter vector of alpha bytes as one integer, where there is one that
// wide: testing it for all transparent or all opaque costs less in general
// registers than in vector ones.
constexpr std::size_t kPixelsPerVector = hn::MaxLanes(D32());
using TAlphaWord = hwy::UnsignedFromSize<kPixelsPerVector <= 8 ? kPixelsPerVector : 8>;
constexpr bool kAlphaInWord = kPixelsPerVector == sizeof(TAlphaWord) && !HWY_HAVE_SCALABLE;

// One vector of pixels: `grey` and `alpha` hold a quarter vector's bytes,
// `at` the band's pixels. Pixels whose alpha is 0 are left as they are,
// which the mix would do too.
template <int Code>
inline void BlendPixels(const TLayerPass& pass, const std::uint8_t* grey, const std::uint8_t* alpha,
                        std::uint8_t* at, V8 lanes) {
  const D8 d8;
  const D32 d32;
  const DQ8 dq;
  const V32 a = hn::PromoteTo(d32, hn::LoadU(dq, alpha));
  bool opaque;
  if constexpr (kAlphaInWord) {
    TAlphaWord word;
    std::memcpy(&word, alpha, sizeof word);
    if (word == 0) return;
    opaque = word == static_cast<TAlphaWord>(~TAlphaWord{0});
  } else {
    if (hn::AllTrue(d32, hn::Eq(a, hn::Zero(d32)))) return;
    opaque = hn::AllTrue(d32, hn::Eq(a, hn::Set(d32, 255u)));
  }
  // A pixel's colour is one four-byte load. Plain loads, not a gather: on
  // the AVX2 processor measured, eight loads cost no more than one gather in
  // the normal mode and two thirds less time over a multiply layer, and
  // they do not depend on how well a processor gathers.
  const auto* colours = reinterpret_cast<const std::uint32_t*>(pass.colours);
  HWY_ALIGN std::uint32_t fetched[kPixelsPerVector];
  for (std::size_t i = 0; i < kPixelsPerVector; ++i) fetched[i] = colours[grey[i]];
  const V8 colour = hn::BitCast(d8, hn::Load(d32, fetched));
  if (Code < 0 && opaque) {
    hn::StoreU(colour, d8, at);
    return;
  }
  const V8 d = hn::LoadU(d8, at);
  const V8 t = Blend<Code>(d, colour, pass.table, pass.computed, lanes);
  if (opaque) {
    hn::StoreU(t, d8, at);
    return;
  }
  // Every byte of a pixel has its alpha, so both bytes of a 16-bit lane
  // hold a: the lane is 257 a, and w = 257 a + 1 for the even bytes and the
  // odd ones alike.
  const V8 spread = hn::BitCast(d8, hn::Mul(a, hn::Set(d32, 0x01010101u)));
  const V16 w = hn::Add(AsWords(spread), Words(1));
  hn::StoreU(Mix(d, t, TAlpha{w, w, hn::Eq(spread, Bytes(255))}), d8, at);
}

template <int Code>
HWY_NOINLINE HWY_FLATTEN void BlendRows(const TLayerPass& pass, std::int64_t from, std::int64_t to,
                                        std::uint8_t* band, std::int64_t stride, std::int64_t bandTop,
                                        std::int64_t bandLeft) {
  const D32 d32;
  const auto step = static_cast<std::size_t>(hn::Lanes(d32));
  const V8 lanes = ColourLanes();
  const auto count = static_cast<std::size_t>(pass.endColumn - pass.firstColumn);
  const std::size_t whole = count / step * step, tail = count - whole;
  const std::int64_t x = pass.left + pass.firstColumn - bandLeft;
  constexpr std::size_t kMost = hn::MaxLanes(D32());
  for (std::int64_t y = from; y < to; ++y) {
    const auto start = static_cast<std::size_t>((y - pass.top) * pass.width + pass.firstColumn);
    const std::uint8_t* grey = pass.grey + start;
    const std::uint8_t* alpha = pass.alpha + start;
    std::uint8_t* row = band + ((y - bandTop) * stride + x) * 4;
    for (std::size_t s = 0; s < whole; s += step) BlendPixels<Code>(pass, grey + s, alpha + s, row + 4 * s, lanes);
    if (tail != 0) {
      // The last few pixels through a whole vector's copy, transparent past the row.
      HWY_ALIGN std::uint8_t g[kMost] = {}, a[kMost] = {}, pixels[4 * kMost] = {};
      std::memcpy(g, grey + whole, tail);
      std::memcpy(a, alpha + whole, tail);
      std::memcpy(pixels, row + 4 * whole, 4 * tail);
      BlendPixels<Code>(pass, g, a, pixels, lanes);
      std::memcpy(row + 4 * whole, pixels, 4 * tail);
    }
  }
}

using TBlendRows = void (*)(const TLayerPass&, std::int64_t, std::int64_t, std::uint8_t*, std::int64_t, std::int64_t,
                            std::int64_t);

// Index code + 1: normal first.
const TBlendRows kRowKernels[kBlendModeCount + 1] = {
    BlendRows<-1>, BlendRows<0>,  BlendRows<1>,  BlendRows<2>,  BlendRows<3>,  BlendRows<4>,
    BlendRows<5>,  BlendRows<6>,  BlendRows<7>,  BlendRows<8>,  BlendRows<9>,  BlendRows<10>,
    BlendRows<11>, BlendRows<12>, BlendRows<13>, BlendRows<14>, BlendRows<15>, BlendRows<16>};

// Three bytes a pixel to four and back.
void WidenRow(const std::uint8_t* row, std::size_t count, std::uint8_t* out) {
  const D8 d8;
  const std::size_t step = hn::Lanes(d8);
  std::size_t s = 0;
  if (count >= step) {
    for (; s + step <= count; s += step) {
      V8 b, g, r;
      hn::LoadInterleaved3(d8, row + 3 * s, b, g, r);
      hn::StoreInterleaved4(b, g, r, hn::Zero(d8), d8, out + 4 * s);
    }
  }
  for (; s < count; ++s) {
    std::memcpy(out + 4 * s, row + 3 * s, 3);
    out[4 * s + 3] = 0;
  }
}

void NarrowRow(const std::uint8_t* band, std::size_t count, std::uint8_t* row) {
  const D8 d8;
  const std::size_t step = hn::Lanes(d8);
  std::size_t s = 0;
  for (; s + step <= count; s += step) {
    V8 b, g, r, unused;
    hn::LoadInterleaved4(d8, band + 4 * s, b, g, r, unused);
    hn::StoreInterleaved3(b, g, r, d8, row + 3 * s);
  }
  for (; s < count; ++s) std::memcpy(row + 3 * s, band + 4 * s, 3);
}

}  // namespace

void ComposeBand(const TBandWork& work, std::int64_t y0, std::int64_t y1, std::uint8_t* scratch) {
  // Only the columns some layer reaches in this band are widened and narrowed.
  std::int64_t left = work.width, right = 0;
  for (std::size_t i = 0; i < work.passCount; ++i) {
    const TLayerPass& pass = work.passes[i];
    if (pass.endRow <= y0 || pass.firstRow >= y1) continue;
    left = left < pass.left + pass.firstColumn ? left : pass.left + pass.firstColumn;
    right = right > pass.left + pass.endColumn ? right : pass.left + pass.endColumn;
  }
  if (left >= right) return;
  const std::int64_t stride = (right - left + 63) / 64 * 64;  // pixels
  auto* band = reinterpret_cast<std::uint8_t*>((reinterpret_cast<std::uintptr_t>(scratch) + 63) &
                                               ~std::uintptr_t{63});
  const auto width = static_cast<std::size_t>(right - left);
  for (std::int64_t r = 0; r < y1 - y0; ++r) {
    WidenRow(reinterpret_cast<const std::uint8_t*>(work.rows[y0 + r] + left), width, band + r * stride * 4);
  }
  for (std::size_t i = 0; i < work.passCount; ++i) {
    const TLayerPass& pass = work.passes[i];
    const std::int64_t from = y0 > pass.firstRow ? y0 : pass.firstRow, to = y1 < pass.endRow ? y1 : pass.endRow;
    if (from >= to) continue;
    kRowKernels[pass.code + 1](pass, from, to, band, stride, y0, left);
  }
  for (std::int64_t r = 0; r < y1 - y0; ++r) {
    NarrowRow(band + r * stride * 4, width, reinterpret_cast<std::uint8_t*>(work.rows[y0 + r] + left));
  }
}

namespace {

template <int Code>
HWY_NOINLINE HWY_FLATTEN void BlendBytesOf(const std::uint8_t* table, bool computed, const std::uint8_t* d,
                                           const std::uint8_t* s, std::uint8_t* out, std::size_t n) {
  const D8 d8;
  const std::size_t step = hn::Lanes(d8);
  const V8 all = Bytes(255);
  std::size_t i = 0;
  for (; i + step <= n; i += step) {
    const V8 source = s != nullptr ? hn::LoadU(d8, s + i) : hn::Zero(d8);
    hn::StoreU(Blend<Code>(hn::LoadU(d8, d + i), source, table, computed, all), d8, out + i);
  }
  if (i < n) {
    constexpr std::size_t kMost = hn::MaxLanes(D8());
    HWY_ALIGN std::uint8_t db[kMost] = {}, sb[kMost] = {}, ob[kMost];
    std::memcpy(db, d + i, n - i);
    if (s != nullptr) std::memcpy(sb, s + i, n - i);
    hn::Store(Blend<Code>(hn::Load(d8, db), hn::Load(d8, sb), table, computed, all), d8, ob);
    std::memcpy(out + i, ob, n - i);
  }
}

using TBlendBytes = void (*)(const std::uint8_t*, bool, const std::uint8_t*, const std::uint8_t*, std::uint8_t*,
                             std::size_t);
const TBlendBytes kBlendBytes[kBlendModeCount] = {
    BlendBytesOf<0>,  BlendBytesOf<1>,  BlendBytesOf<2>,  BlendBytesOf<3>,  BlendBytesOf<4>,  BlendBytesOf<5>,
    BlendBytesOf<6>,  BlendBytesOf<7>,  BlendBytesOf<8>,  BlendBytesOf<9>,  BlendBytesOf<10>, BlendBytesOf<11>,
    BlendBytesOf<12>, BlendBytesOf<13>, BlendBytesOf<14>, BlendBytesOf<15>, BlendBytesOf<16>};

// Every backdrop and source once, a vector at a time in a scrambled order
// (an odd multiplier permutes 0..65535), so that neighbouring lanes hold
// unrelated pairs and a formula whose lanes leak into each other cannot pass.
template <int Code>
bool FormulaMatches(const std::uint8_t* table) {
  const D8 d8;
  const std::size_t step = hn::Lanes(d8);
  constexpr std::size_t kMost = hn::MaxLanes(D8());
  HWY_ALIGN std::uint8_t backdrops[kMost], sources[kMost], expected[kMost];
  for (std::size_t p0 = 0; p0 < 65536; p0 += step) {
    for (std::size_t i = 0; i < step; ++i) {
      const auto p = static_cast<unsigned>((p0 + i) * 40503u) & 0xFFFFu, d = p >> 8, t = p & 255u;
      backdrops[i] = static_cast<std::uint8_t>(d);
      sources[i] = static_cast<std::uint8_t>(t);
      expected[i] = table[d * 256 + t];
    }
    V8 unsure = hn::Zero(d8);
    const V8 r = Formula<Code>(hn::Load(d8, backdrops), hn::Load(d8, sources), unsure);
    const M8 wrong = hn::AndNot(hn::MaskFromVec(unsure), hn::Ne(r, hn::Load(d8, expected)));
    if (!hn::AllFalse(d8, wrong)) return false;
  }
  return true;
}

using TFormulaMatches = bool (*)(const std::uint8_t*);
const TFormulaMatches kFormulaChecks[kBlendModeCount] = {
    FormulaMatches<0>,  FormulaMatches<1>,  FormulaMatches<2>,  FormulaMatches<3>,  FormulaMatches<4>,
    FormulaMatches<5>,  FormulaMatches<6>,  FormulaMatches<7>,  FormulaMatches<8>,  FormulaMatches<9>,
    FormulaMatches<10>, FormulaMatches<11>, FormulaMatches<12>, FormulaMatches<13>, FormulaMatches<14>,
    FormulaMatches<15>, FormulaMatches<16>};

}  // namespace

void BlendBytes(int code, const std::uint8_t* table, bool computed, const std::uint8_t* d, const std::uint8_t* s,
                std::uint8_t* out, std::size_t n) {
  kBlendBytes[code](table, computed, d, s, out, n);
}

// Per byte alpha, as MixBytes: the row kernels' mix on its own.
void MixBytes(const std::uint8_t* d, const std::uint8_t* t, const std::uint8_t* a, std::uint8_t* out, std::size_t n) {
  const D8 d8;
  const std::size_t step = hn::Lanes(d8);
  constexpr std::size_t kMost = hn::MaxLanes(D8());
  for (std::size_t i = 0; i < n; i += step) {
    const std::size_t k = n - i < step ? n - i : step;
    HWY_ALIGN std::uint8_t db[kMost] = {}, tb[kMost] = {}, ab[kMost] = {}, ob[kMost];
    std::memcpy(db, d + i, k);
    std::memcpy(tb, t + i, k);
    std::memcpy(ab, a + i, k);
    hn::Store(Mix(hn::Load(d8, db), hn::Load(d8, tb), AlphaWeights(hn::Load(d8, ab))), d8, ob);
    std::memcpy(out + i, ob, k);
  }
}

void CheckBlendFormulas(const std::uint8_t* const* tables, bool* exact) {
  for (int code = 0; code < kBlendModeCount; ++code) {
    exact[code] = tables[code] != nullptr && kFormulaChecks[code](tables[code]);
  }
}

}  // namespace HWY_NAMESPACE
}  // namespace tintloom
HWY_AFTER_NAMESPACE();
#endif

#if HWY_ONCE
namespace tintloom {

// Each instruction set's build by name, rather than through Highway's own
// choice of the best, so that tests and benchmarks can run any of them.
const TVectorKernel* HighwayKernel(TComposeKernel kernel) {
  switch (kernel) {
#if HWY_TARGETS & HWY_AVX2
    case TComposeKernel::kAvx2: {
      static constexpr TVectorKernel k = {N_AVX2::ComposeBand, N_AVX2::BlendBytes, N_AVX2::MixBytes,
                                          N_AVX2::CheckBlendFormulas};
      return &k;
    }
#endif
#if HWY_TARGETS & HWY_SSE4
    case TComposeKernel::kSse4: {
      static constexpr TVectorKernel k = {N_SSE4::ComposeBand, N_SSE4::BlendBytes, N_SSE4::MixBytes,
                                          N_SSE4::CheckBlendFormulas};
      return &k;
    }
#endif
#if HWY_TARGETS & HWY_NEON
    case TComposeKernel::kNeon: {
      static constexpr TVectorKernel k = {N_NEON::ComposeBand, N_NEON::BlendBytes, N_NEON::MixBytes,
                                          N_NEON::CheckBlendFormulas};
      return &k;
    }
#endif
    default:
      return nullptr;
  }
}

bool HighwayKernelRuns(TComposeKernel kernel) {
  const std::int64_t supported = hwy::SupportedTargets();
  switch (kernel) {
    case TComposeKernel::kAvx2: return (supported & HWY_AVX2) != 0 && HighwayKernel(kernel) != nullptr;
    case TComposeKernel::kSse4: return (supported & HWY_SSE4) != 0 && HighwayKernel(kernel) != nullptr;
    case TComposeKernel::kNeon: return (supported & HWY_NEON) != 0 && HighwayKernel(kernel) != nullptr;
    default: return false;
  }
}

}  // namespace tintloom
#endif
