// The composition kernel for processors without 512-bit byte permutes (AVX2,
// SSE4, NEON): one source built for each of those instruction sets by
// Google Highway, the one to use chosen at run time.
//
// A band of surface rows is split into blue, green and red planes, so that
// every blend and mix operation works on bytes that all count. A layer's
// colours are kept as four bytes per grey level (blue, green, red, unused):
// one 32-bit load per pixel fetches all three channels, which without a
// 256-entry byte permute is the cheapest lookup there is, and a byte shuffle
// and two rounds of interleaving turn a vector's worth into planes. Every
// layer passes over the band a vector at a time, and the band is joined back.
// The blend modes are computed from their formulas in bytes and 16-bit
// integers, as in the AVX-512 kernel; the dividing modes' quotients and soft
// light's curves in floats, a byte position of the 32-bit lanes at a time,
// since looking them up per pixel would take gathers. A formula
// counts only once it has given every entry of the loaded table
// (CheckBlendFormulas); lanes a formula cannot vouch for (exact halves, soft
// light too near one) come from the table.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/artwork/channel_mix.h"
#include "core/artwork/compose_kernels.h"
#include "core/artwork/soft_light_curves.h"

// AVX-512 processors use the hand-written kernel (its byte permutes win), so
// Highway's AVX-512 builds would only cost build time; SSSE3 adds nothing
// SSE4 lacks here. The kernel keeps vectors in structs, which SVE's sizeless
// vectors cannot be: ARM processors run the NEON build.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS \
  (HWY_SSSE3 | HWY_AVX3 | HWY_AVX3_DL | HWY_SVE | HWY_SVE2 | HWY_SVE_256 | HWY_SVE2_128)
#endif

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "core/artwork/compose_highway.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#ifndef TINTLOOM_COMPOSE_HIGHWAY_ONCE
#define TINTLOOM_COMPOSE_HIGHWAY_ONCE
namespace tintloom {
namespace {

// Soft light's curves as one array of 32-bit entries, looked up a 32-bit
// lane at a time: below the half first, then above it.
struct TSoftLightTable {
  std::uint32_t curves[512];
};
constexpr TSoftLightTable MakeSoftLightTable() {
  TSoftLightTable t{};
  for (std::size_t d = 0; d < 256; ++d) {
    t.curves[d] = soft_light::kCurves.below[d];
    t.curves[256 + d] = soft_light::kCurves.above[d];
  }
  return t;
}
constexpr TSoftLightTable kSoftLightTable = MakeSoftLightTable();

// ceil(65536 / D) for the dividing modes' integer quotients.
struct TReciprocals {
  std::uint16_t r[256];
};
constexpr TReciprocals MakeReciprocals() {
  TReciprocals t{};
  for (int d = 0; d < 256; ++d) t.r[d] = static_cast<std::uint16_t>(d == 0 ? 0 : d == 1 ? 65535 : (65536 + d - 1) / d);
  return t;
}
constexpr TReciprocals kReciprocals = MakeReciprocals();

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
using V8 = hn::Vec<D8>;
using V16 = hn::Vec<D16>;
using V32 = hn::Vec<D32>;
using M8 = hn::Mask<D8>;

inline V8 Bytes(int b) { return hn::Set(D8(), static_cast<std::uint8_t>(b)); }
inline V16 Words(int w) { return hn::Set(D16(), static_cast<std::uint16_t>(w)); }
inline V16 AsWords(V8 v) { return hn::BitCast(D16(), v); }
inline V8 AsBytes(V16 v) { return hn::BitCast(D8(), v); }
inline M8 AtLeast(V8 a, V8 b) { return hn::Eq(hn::Max(a, b), a); }  // a >= b, unsigned
inline V8 UpperHalf(V8 v) {  // 0xFF in the lanes at or above 128, 0 elsewhere
  const hn::RebindToSigned<D8> di8;
  return hn::BitCast(D8(), hn::BroadcastSignBit(hn::BitCast(di8, v)));
}
inline M8 Upper(V8 t) { return hn::MaskFromVec(UpperHalf(t)); }  // t >= 128

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
  // d - q where the backdrop is the higher, as d + (q ^ 255) + 1; where both
  // are equal q is 0 and either way gives d.
  const V8 down = hn::VecFromMask(D8(), hn::Eq(high, d));
  return hn::Sub(hn::Add(d, hn::Xor(q, down)), down);
}

// ---- Blend formulas on bytes: d the backdrop, t the source ----

// round(y / 255), halves up, for every y up to 65408: whole y is never an
// exact half of 255, so it is floor((y + 127) / 255), which is Div255's.
inline V16 RoundDiv255(V16 y) { return Div255(hn::Add(y, Words(127))); }
inline V8 MulRound(V8 u, V8 v) {
  return JoinEvenOdd(RoundDiv255(hn::Mul(Even16(u), Even16(v))), RoundDiv255(hn::Mul(Odd16(u), Odd16(v))));
}

// Hard light with `flip` (UpperHalf) set in the lanes whose deciding value
// is above 127: multiply by twice it below, screen by twice it less one
// above, where both factors and the result are inverted (x ^ 255).
inline V8 HardLight(V8 d, V8 t, V8 flip) {
  const V8 du = hn::Xor(d, flip);
  const V8 tv = hn::Xor(t, flip);
  // One factor is at most 127, so 2 u v stays below 65408.
  const auto twice = [](V16 a, V16 b) { return RoundDiv255(hn::ShiftLeft<1>(hn::Mul(a, b))); };
  const V8 r = JoinEvenOdd(twice(Even16(du), Even16(tv)), twice(Odd16(du), Odd16(tv)));
  return hn::Xor(r, flip);
}

// Exclusion, d + t - round(2 d t / 255), as round((d (255 - t) + t (255 - d))
// / 255): the two differ only where 2 d t / 255 is a half, and 4 d t is never
// an odd multiple of 255. The sum stays within 65025.
inline V8 Exclusion(V8 d, V8 t) {
  const auto part = [](V16 u, V16 v) {
    return RoundDiv255(hn::Add(hn::Mul(u, hn::Xor(v, Words(255))), hn::Mul(v, hn::Xor(u, Words(255)))));
  };
  return JoinEvenOdd(part(Even16(d), Even16(t)), part(Odd16(d), Odd16(t)));
}

// Flags of the even and the odd words back into byte lanes.
inline V8 WordFlags(hn::Mask<D16> even, hn::Mask<D16> odd) {
  const D16 d16;
  return AsBytes(hn::Or(hn::And(hn::VecFromMask(d16, even), Words(0x00FF)),
                        hn::And(hn::VecFromMask(d16, odd), Words(0xFF00))));
}

// Where the dividing modes' reciprocals and soft light's curves come from.
// AVX2 would look them up with hardware gathers, slow on AMD's processors
// and on Intel's with the Gather Data Sampling fix, so there they are worked
// out in floats. SSE4 and NEON have no gathers: a lookup is one ordinary
// load per lane, which costs less than the float arithmetic (measured on
// SSE4 over ten 600 x 600 layers of one mode, minima: colour burn 4.4 ms in
// floats, 3.9 ms looked up; soft light 7.3 and 5.3).
constexpr bool kLooksUp = HWY_TARGET != HWY_AVX2;

// A vector of 16-bit values, even and odd byte lanes' apart.
struct TWordPair {
  V16 even, odd;
};

// table[v[i]] for every byte lane i, the even lanes' values and the odd
// lanes' in 16-bit lanes of their own, a load per lane.
inline TWordPair LookUpWords(V8 v, const std::uint16_t* table) {
  const D8 d8;
  const D16 d16;
  constexpr std::size_t kMost = hn::MaxLanes(D8());
  HWY_ALIGN std::uint8_t bytes[kMost];
  HWY_ALIGN std::uint16_t even[kMost / 2], odd[kMost / 2];
  hn::Store(v, d8, bytes);
  for (std::size_t i = 0; i < hn::Lanes(d16); ++i) {
    even[i] = table[bytes[2 * i]];
    odd[i] = table[bytes[2 * i + 1]];
  }
  return {hn::Load(d16, even), hn::Load(d16, odd)};
}

// ---- Per-byte arithmetic in floats ----
//
// The dividing modes' quotients and soft light's curves are computed, not
// looked up: a lookup per byte lane is a hardware gather or a load per lane
// put together in memory, and gathers are slow on many processors (AMD's,
// and Intel's with the Gather Data Sampling fix). Byte K of every 32-bit
// lane is worked as a float, each step exact or within a stated error.
//
// Both end in a value y >= 0 whose nearest whole number Q is wanted,
// together with whether y lies near a whole number plus a half, where the
// table decides. y is rounded as 2^S (y + 1/2), which is 2^S Q + F with F
// the fraction in 2^S-ths: F is 0 within 2^-(S+1) of a half. Adding 2^23 to
// a float rounds it to a whole number its low bits then hold, and the four
// byte positions' Q and F are put back into bytes by shifts.

using DF = hn::Repartition<float, D8>;
using DI32 = hn::RebindToSigned<D32>;
using VF = hn::Vec<DF>;

inline VF Floats(float f) { return hn::Set(DF(), f); }
inline V32 Dwords(std::uint32_t u) { return hn::Set(D32(), u); }

// Byte K of every 32-bit lane, as a float: one byte shuffle places it
// (within 16-byte blocks, as the lanes are), one conversion.
template <int K>
inline VF FloatOf(V8 v) {
  HWY_ALIGN static constexpr std::uint8_t kPick[16] = {
      K, 0x80, 0x80, 0x80, 4 + K, 0x80, 0x80, 0x80, 8 + K, 0x80, 0x80, 0x80, 12 + K, 0x80, 0x80, 0x80};
  const V8 picked = hn::TableLookupBytesOr0(v, hn::LoadDup128(D8(), kPick));
  return hn::ConvertTo(DF(), hn::BitCast(DI32(), picked));
}

// The bits of 2^23 + round(a b + 2^(S-1)), for a b = 2^S y.
template <int S>
inline V32 RoundedScaled(VF a, VF b) {
  return hn::BitCast(D32(), hn::MulAdd(a, b, Floats(8388608.0f + static_cast<float>(1 << (S - 1)))));
}

// Byte positions 0 to 3 of RoundedScaled's 2^S Q + F (below 2^16) into Q
// bytes; `exact` set where F is 0. The float's exponent leaves with the
// masks and shifts.
template <int S>
inline V8 JoinRounded(V32 r0, V32 r1, V32 r2, V32 r3, M8& exact) {
  static_assert(S == 8 || S == 9, "Q must fit the bits above F in a word");
  // Words 2^S Q + F: byte positions 0 and 2 in one vector, 1 and 3 in the
  // other.
  const V32 low = Dwords(0xFFFF);
  const V32 even = hn::Or(hn::And(r0, low), hn::ShiftLeft<16>(r2));
  const V32 odd = hn::Or(hn::And(r1, low), hn::ShiftLeft<16>(r3));
  if constexpr (S == 8) {  // Q the high byte of each word, F the low one
    const V32 evenBytes = Dwords(0x00FF00FF);
    exact = hn::Eq(hn::BitCast(D8(), hn::Or(hn::And(even, evenBytes), hn::AndNot(evenBytes, hn::ShiftLeft<8>(odd)))),
                   hn::Zero(D8()));
    return hn::BitCast(D8(), hn::Or(hn::And(hn::ShiftRight<8>(even), evenBytes), hn::AndNot(evenBytes, odd)));
  } else {  // Q below 128 in the top seven bits, F in the low nine
    const V16 fraction = Words(0x1FF);
    const hn::Mask<D16> evenExact = hn::Eq(hn::And(hn::BitCast(D16(), even), fraction), hn::Zero(D16()));
    const hn::Mask<D16> oddExact = hn::Eq(hn::And(hn::BitCast(D16(), odd), fraction), hn::Zero(D16()));
    exact = hn::MaskFromVec(WordFlags(evenExact, oddExact));
    return hn::BitCast(D8(), hn::Or(hn::And(hn::ShiftRight<9>(even), Dwords(0x007F007F)),
                                    hn::And(hn::ShiftRight<1>(odd), Dwords(0x7F007F00))));
  }
}

// scale / v within 3.6e-7 of its size, for 1 <= v <= 255: one Newton step
// from the processor's estimate (within 1.5 x 2^-12 on x86), which squares
// its error, and three roundings. NEON's estimate is within only 2^-8, so
// there the division itself.
inline VF Reciprocal(VF v, float scale) {
#if HWY_ARCH_X86
  const VF r0 = hn::ApproximateReciprocal(v);
  return hn::Mul(hn::Mul(r0, Floats(scale)), hn::NegMulAdd(v, r0, Floats(2.0f)));
#else
  return hn::Div(Floats(scale), v);
#endif
}

// `scale` sqrt(v) - `slope` v within 4e-7 of scale sqrt(v) (the same way,
// from the estimate of 1 / sqrt(v)), for 1 <= v <= 255.
inline VF RootLess(VF v, float scale, float slope) {
#if HWY_ARCH_X86
  const VF y = hn::ApproximateReciprocalSqrt(v);
  const VF root = hn::Mul(v, y);  // sqrt(v)(1 + e)
  const VF refined = hn::NegMulAdd(root, hn::Mul(y, Floats(0.5f * scale)), Floats(1.5f * scale));
  return hn::MulAdd(root, refined, hn::Mul(v, Floats(-slope)));
#else
  return hn::NegMulAdd(v, Floats(slope), hn::Mul(hn::Sqrt(v), Floats(scale)));
#endif
}

// ---- The dividing modes ----
//
// Colour dodge, colour burn and vivid light all come down to round(255 x / D)
// for bytes x < D, halves up; at an exact half the table's own arithmetic
// may have gone either way, so those lanes take the table's entry. Worked
// with S = 8: 256 x (255 / D) with the reciprocal's 3.6e-7 moves by under
// 0.024, so F is 0 at every half, and elsewhere (where 255 x / D is at least
// 1/2D from a half) wherever that distance is at least 0.524 / 256, that is
// for every D up to 244 and nearly every pair above.

// Looked up instead: with h = floor(D / 2), round(255 x / D) is
// floor((255 x + h) / D): for even D it is the same sum, and for odd D no
// sum 255 x + h + 1/2 is a multiple of D, so dropping the half moves no
// quotient. A half is then an even D dividing Y = 255 x + h exactly. Y stays
// below 65025 + 128, so with r = ceil(65536 / D) the guess q0 = Y r >> 16 is
// the quotient or one more (for D >= 2, r is at least 65536 / D and less
// than one above it; D = 1 only ever divides x = 0), and a negative
// remainder Y - q0 D says it was one more.
inline V16 RoundedQuotient16(V16 x, V16 d, V16 r, hn::Mask<D16>& tie) {
  const hn::RebindToSigned<D16> di16;
  const V16 y = hn::Add(hn::Sub(hn::ShiftLeft<8>(x), x), hn::ShiftRight<1>(d));
  const V16 q0 = hn::MulHigh(y, r);
  const V16 remainder = hn::Sub(y, hn::Mul(q0, d));  // in (-D, D)
  tie = hn::And(hn::Eq(hn::And(d, Words(1)), hn::Zero(D16())), hn::Eq(remainder, hn::Zero(D16())));
  return hn::Add(q0, hn::BitCast(D16(), hn::ShiftRight<15>(hn::BitCast(di16, remainder))));
}

template <int K>
inline V32 QuotientAt(V8 x, V8 divisor) {
  return RoundedScaled<8>(FloatOf<K>(x), Reciprocal(FloatOf<K>(divisor), 256.0f * 255.0f));
}

// With x = d - k (0 when below): 0 where x is 0, 255 where x reaches D, else
// round(255 x / D).
//   colour dodge   k = 0, D = 255 - t
//   colour burn    k = 255 - t, D = t
//   vivid light    burn by 2t below the half, dodge by 2t - 255 above
// A black source in a burn (D = 0) would make every x 0, white backdrop
// included; k = 254 there leaves white at x = 1, which reaches D.
// `known`: the divisors' reciprocals where they are looked up and the
// caller has them already.
inline V8 DividingBytes(V8 d, V8 k, V8 divisor, V8& unsure, const TWordPair* known) {
  const V8 x = hn::SaturatedSub(d, k);
  const M8 zero = hn::Eq(x, hn::Zero(D8()));
  const M8 full = AtLeast(x, divisor);
  const M8 used = hn::Not(hn::Or(zero, full));
  if constexpr (kLooksUp) {
    const TWordPair r = known != nullptr ? *known : LookUpWords(divisor, kReciprocals.r);
    hn::Mask<D16> tieEven, tieOdd;
    const V16 qEven = RoundedQuotient16(Even16(x), Even16(divisor), r.even, tieEven);
    const V16 qOdd = RoundedQuotient16(Odd16(x), Odd16(divisor), r.odd, tieOdd);
    // Lanes past the divisor may hold quotients past 255; each is cut to its
    // own byte.
    const V8 q = JoinEvenOdd(hn::And(qEven, Words(0x00FF)), qOdd);
    unsure = hn::Or(unsure, hn::IfThenElseZero(used, WordFlags(tieEven, tieOdd)));
    return hn::IfThenZeroElse(zero, hn::IfThenElse(full, Bytes(255), q));
  }
  (void)known;
  // Lanes that end 0 or 255 are worked too, kept to quotients within a
  // byte: D at least 1 and x at most D.
  const V8 divisorUsed = hn::Max(divisor, Bytes(1));
  const V8 xUsed = hn::Min(x, divisorUsed);
  M8 half;
  const V8 q = JoinRounded<8>(QuotientAt<0>(xUsed, divisorUsed), QuotientAt<1>(xUsed, divisorUsed),
                              QuotientAt<2>(xUsed, divisorUsed), QuotientAt<3>(xUsed, divisorUsed), half);
  unsure = hn::Or(unsure, hn::VecFromMask(D8(), hn::And(used, half)));
  return hn::IfThenZeroElse(zero, hn::IfThenElse(full, Bytes(255), q));
}

inline V8 BurnK(V8 fromWhite) { return hn::Min(fromWhite, Bytes(254)); }

inline V8 VividBytes(V8 d, V8 t, V8& unsure, const TWordPair* known) {
  const M8 upper = Upper(t);
  const V8 twice = hn::Add(t, t);
  const V8 room = hn::Add(hn::Not(t), hn::Not(t));  // 510 - 2t above the half
  return DividingBytes(d, hn::IfThenZeroElse(upper, BurnK(hn::Not(twice))), hn::IfThenElse(upper, room, twice),
                       unsure, known);
}

// ---- Soft light ----
//
// On the 0..255 scale soft light is d +- floor(|m| c(d) + 1/2), m = 2t - 255,
// with c(d) = b (1 - b) for b = d / 255 below the half and D(b) - b above
// it, D the cubic up to b = 1/4 (d <= 63) and sqrt(b) beyond (see
// soft_light_curves.h), exactly where |m| c(d) + 1/2 is not a whole number.
// Worked with S = 9 (Q is at most 64): 512 c(d) is within 2.5e-4 (the
// square root's 4e-7 of 512 and the roundings of values below 1024), so
// 512 |m| c(d) within 0.07 of the 512ths, and the lanes left where F is not
// 0 are at least 0.43 / 512 from a whole number.

template <int K>
inline V32 ShareAt(V8 d, V8 t, V8 m) {
  constexpr double kByte = 255.0;
  const VF x = FloatOf<K>(d);
  constexpr float kBelow = static_cast<float>(512.0 / (kByte * kByte));
  const VF below = hn::Mul(x, hn::NegMulAdd(x, Floats(kBelow), Floats(255.0f * kBelow)));
  const VF cubic = hn::Mul(
      hn::MulAdd(hn::MulAdd(x, Floats(static_cast<float>(512.0 * 16.0 / (kByte * kByte * kByte))),
                            Floats(static_cast<float>(-512.0 * 12.0 / (kByte * kByte)))),
                 x, Floats(static_cast<float>(512.0 * 3.0 / kByte))),
      x);
  // sqrt(255) = 15.968719422671311; where d is 0 the root is not taken (nor defined).
  const VF root = RootLess(x, static_cast<float>(512.0 / 15.968719422671311), static_cast<float>(512.0 / kByte));
  const VF above = hn::IfThenElse(hn::Lt(x, Floats(63.5f)), cubic, root);
  // The source's top bit of byte K as the sign.
  const VF sign = hn::BitCast(DF(), hn::ShiftLeft<24 - 8 * K>(hn::BitCast(D32(), t)));
  return RoundedScaled<9>(hn::IfNegativeThenElse(sign, above, below), FloatOf<K>(m));
}

// Looked up instead (soft_light_curves.h), in 16-bit integers: (P + 2^17)
// >> 18 for P = m c; `near` marks the lanes whose P + 2^17 lies within
// kSoftLightNear of a multiple of 2^18.
inline V16 RoundedShare16(V16 m, V16 c, hn::Mask<D16>& near) {
  const V16 high = hn::Add(hn::MulHigh(m, c), Words(2));  // (P + 2^17) >> 16
  const V16 low = hn::Mul(m, c);
  // (P + 2^17) mod 2^18 in fours: the two low bits of `high` above the top
  // fourteen of `low`.
  const V16 fraction = hn::Or(hn::ShiftLeft<14>(high), hn::ShiftRight<2>(low));
  const V16 shifted = hn::Add(fraction, Words(soft_light::kSoftLightNear / 4));
  near = hn::Eq(hn::Min(shifted, Words(soft_light::kSoftLightNear / 2 - 1)), shifted);  // shifted < Near / 2
  return hn::ShiftRight<2>(high);
}

// Byte K of every 32-bit lane.
template <int K>
inline V32 ByteOf(V32 v) {
  if constexpr (K == 3) return hn::ShiftRight<24>(v);
  return hn::And(hn::ShiftRight<8 * K>(v), Dwords(0xFFu));
}

// The curve for byte K of every 32-bit lane, the source's half choosing
// the table: a load per lane.
template <int K>
inline V32 SoftLightCurve(V32 d, V32 t) {
  // The source's top bit moved to 0x100.
  V32 half;
  if constexpr (K == 0) {
    half = hn::ShiftLeft<1>(hn::And(t, Dwords(0x80u)));
  } else {
    half = hn::And(hn::ShiftRight<8 * K - 1>(t), Dwords(0x100u));
  }
  return hn::GatherIndex(D32(), kSoftLightTable.curves, hn::BitCast(DI32(), hn::Or(ByteOf<K>(d), half)));
}

inline V8 SoftLightBytes(V8 d, V8 t, V8& unsure) {
  const M8 upper = Upper(t);
  const V8 twice = hn::Add(t, t);
  const V8 m = hn::IfThenElse(upper, hn::Add(twice, Bytes(1)), hn::Not(twice));  // |2t - 255|
  if constexpr (kLooksUp) {
    // The even 16-bit lanes take bytes 0 and 2 of each 32-bit lane, the odd
    // ones bytes 1 and 3.
    const V32 dw = hn::BitCast(D32(), d), tw = hn::BitCast(D32(), t);
    const V32 even = hn::Or(SoftLightCurve<0>(dw, tw), hn::ShiftLeft<16>(SoftLightCurve<2>(dw, tw)));
    const V32 odd = hn::Or(SoftLightCurve<1>(dw, tw), hn::ShiftLeft<16>(SoftLightCurve<3>(dw, tw)));
    hn::Mask<D16> nearEven, nearOdd;
    const V16 shareEven = RoundedShare16(Even16(m), hn::BitCast(D16(), even), nearEven);
    const V16 shareOdd = RoundedShare16(Odd16(m), hn::BitCast(D16(), odd), nearOdd);
    unsure = hn::Or(unsure, WordFlags(nearEven, nearOdd));
    const V8 share = JoinEvenOdd(shareEven, shareOdd);
    return hn::IfThenElse(upper, hn::Add(d, share), hn::Sub(d, share));
  }
  M8 near;
  // Each share is at most 64, within its own byte.
  const V8 share = JoinRounded<9>(ShareAt<0>(d, t, m), ShareAt<1>(d, t, m), ShareAt<2>(d, t, m),
                                  ShareAt<3>(d, t, m), near);
  unsure = hn::Or(unsure, hn::VecFromMask(D8(), near));
  return hn::IfThenElse(upper, hn::Add(d, share), hn::Sub(d, share));
}

// The formula of blend code `Code`; lanes it cannot vouch for are set in
// `unsure`.
template <int Code>
inline V8 Formula(V8 d, V8 t, V8& unsure, const TWordPair* known = nullptr) {
  if constexpr (Code == 0) return hn::Min(d, t);  // darken
  if constexpr (Code == 1) return MulRound(d, t);  // multiply
  if constexpr (Code == 2) return DividingBytes(d, BurnK(hn::Not(t)), t, unsure, known);  // colour burn
  if constexpr (Code == 3) return hn::SaturatedSub(d, hn::Not(t));  // linear burn: d + t - 255
  if constexpr (Code == 4) return hn::Max(d, t);                     // lighten
  if constexpr (Code == 5) return hn::Not(MulRound(hn::Not(d), hn::Not(t)));  // screen
  if constexpr (Code == 6) return DividingBytes(d, hn::Zero(D8()), hn::Not(t), unsure, known);  // colour dodge
  if constexpr (Code == 7) return hn::SaturatedAdd(d, t);  // linear dodge
  if constexpr (Code == 8) return HardLight(d, t, UpperHalf(d));  // overlay
  if constexpr (Code == 9) return SoftLightBytes(d, t, unsure);
  if constexpr (Code == 10) return HardLight(d, t, UpperHalf(t));  // hard light
  if constexpr (Code == 11) return VividBytes(d, t, unsure, known);
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
  if constexpr (Code == 16) return Exclusion(d, t);
  return t;
}

// The table's entries for the lanes set in `which`, the rest kept from `r`:
// rare, so kept out of the row loops.
HWY_NOINLINE V8 FromTable(V8 r, V8 d, V8 t, V8 which, const std::uint8_t* table) {
  const D8 d8;
  constexpr std::size_t kMost = hn::MaxLanes(D8());
  HWY_ALIGN std::uint8_t out[kMost], db[kMost], tb[kMost];
  std::uint8_t bits[(kMost + 7) / 8 + 8] = {};
  hn::Store(r, d8, out);
  hn::Store(d, d8, db);
  hn::Store(t, d8, tb);
  hn::StoreMaskBits(d8, hn::MaskFromVec(which), bits);
  for (std::size_t byte = 0; byte < (hn::Lanes(d8) + 7) / 8; ++byte) {
    for (unsigned set = bits[byte]; set != 0; set &= set - 1) {
      const std::size_t i = 8 * byte + static_cast<std::size_t>(__builtin_ctz(set));
      out[i] = table[db[i] * 256u + tb[i]];
    }
  }
  return hn::Load(d8, out);
}

template <int Code>
inline V8 Blend(V8 d, V8 t, const std::uint8_t* table, bool computed, const TWordPair* known = nullptr) {
  if constexpr (Code < 0) {
    return t;
  } else {
    if (!computed) return FromTable(t, d, t, Bytes(255), table);
    V8 unsure = hn::Zero(D8());
    const V8 r = Formula<Code>(d, t, unsure, known);
    return hn::AllTrue(D8(), hn::Eq(unsure, hn::Zero(D8()))) ? r : FromTable(r, d, t, unsure, table);
  }
}

// ---- One layer over the band ----


// A vector of pixels' colours as blue, green and red planes. Each colour is
// one four-byte load; the loads go in such an order that one byte shuffle
// and two rounds of interleaving within each 16-byte block leave every
// plane in pixel order: load vector j takes pixels 16 b + 4 j + (0..3) into
// its block b.
struct TPlanes {
  V8 blue, green, red;
};
inline TPlanes FetchColours(const std::uint32_t* colours, const std::uint8_t* grey) {
  const D8 d8;
  const D32 d32;
  const hn::Repartition<std::uint64_t, D8> d64;
  constexpr std::size_t kMostQuarter = hn::MaxLanes(D32());
  const std::size_t quarter = hn::Lanes(d32);
  // Each block from four blue, green, red, unused pixels to four blues,
  // then greens, reds and unused bytes.
  HWY_ALIGN static constexpr std::uint8_t kByChannel[16] = {0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15};
  const V8 byChannel = hn::LoadDup128(d8, kByChannel);
  hn::Vec<decltype(d64)> grouped[4];
  for (std::size_t j = 0; j < 4; ++j) {
    HWY_ALIGN std::uint32_t fetched[kMostQuarter];
    for (std::size_t i = 0; i < quarter; ++i) fetched[i] = colours[grey[16 * (i / 4) + 4 * j + i % 4]];
    grouped[j] = hn::BitCast(d64, hn::TableLookupBytes(hn::BitCast(d8, hn::Load(d32, fetched)), byChannel));
  }
  // Per block, as 32-bit lanes: blue and green of loads 0 and 1 (and of 2
  // and 3), then their red and unused.
  const auto lower = [&](auto a, auto b) { return hn::BitCast(d64, hn::InterleaveLower(d32, hn::BitCast(d32, a), hn::BitCast(d32, b))); };
  const auto upper = [&](auto a, auto b) { return hn::BitCast(d64, hn::InterleaveUpper(d32, hn::BitCast(d32, a), hn::BitCast(d32, b))); };
  const auto low01 = lower(grouped[0], grouped[1]), low23 = lower(grouped[2], grouped[3]);
  const auto high01 = upper(grouped[0], grouped[1]), high23 = upper(grouped[2], grouped[3]);
  return {hn::BitCast(d8, hn::InterleaveLower(d64, low01, low23)),
          hn::BitCast(d8, hn::InterleaveUpper(d64, low01, low23)),
          hn::BitCast(d8, hn::InterleaveLower(d64, high01, high23))};
}

// Lanes whose formula left them to the table, mended after the row's
// vectors: branching to the table in the loop took as long as the formula
// itself where halves are common (a dividing mode's even divisors), since
// the branch is mispredicted and the looked-up bytes go back to a vector
// through memory. Each entry holds a vector's backdrop in one plane and
// which of its lanes to mend.
constexpr bool MayBeUnsure(int code) { return code == 2 || code == 6 || code == 9 || code == 11; }

struct TUnsureLanes {
  static constexpr std::size_t kMostLanes = hn::MaxLanes(D8());
  struct TEntry {
    HWY_ALIGN std::uint8_t backdrop[kMostLanes];
    std::uint8_t lanes[(kMostLanes + 7) / 8 + 8];
    std::uint32_t column = 0;  // of the vector's first pixel in the row
    std::uint32_t channel = 0;
  };
  static constexpr std::size_t kEntries = 48;  // mended when full, and after each row
  TEntry entries[kEntries];
  std::size_t count = 0;
};

// The table's entries for the kept lanes, mixed by alpha as the vector
// would have: `grey` and `alpha` are the row's, `planes` its blue, green
// and red.
HWY_NOINLINE void MendUnsure(const TLayerPass& pass, TUnsureLanes& unsure, const std::uint8_t* grey,
                             const std::uint8_t* alpha, std::uint8_t* const* planes) {
  const std::size_t bytes = (hn::Lanes(D8()) + 7) / 8;
  for (std::size_t e = 0; e < unsure.count; ++e) {
    const TUnsureLanes::TEntry& entry = unsure.entries[e];
    std::uint8_t* plane = planes[entry.channel];
    for (std::size_t byte = 0; byte < bytes; ++byte) {
      for (unsigned set = entry.lanes[byte]; set != 0; set &= set - 1) {
        const std::size_t lane = 8 * byte + static_cast<std::size_t>(__builtin_ctz(set));
        const std::size_t at = entry.column + lane;
        const std::uint8_t d = entry.backdrop[lane];
        const std::uint8_t t = pass.colours[4 * grey[at] + entry.channel];
        plane[at] = MixChannel(d, pass.table[d * 256u + t], alpha[at]);
      }
    }
  }
  unsure.count = 0;
}

// One plane of one vector of pixels: blended, mixed by alpha and stored.
// With `unsure`, lanes the formula cannot vouch for are noted there and
// stored as computed, for MendUnsure to replace.
template <int Code>
inline void BlendPlane(const TLayerPass& pass, V8 colour, std::uint8_t* at, bool opaque, const TAlpha& alpha,
                       TUnsureLanes* unsure, std::uint32_t column, std::uint32_t channel, const TWordPair* known) {
  const D8 d8;
  const V8 d = hn::LoadU(d8, at);
  if constexpr (MayBeUnsure(Code)) {
    if (unsure != nullptr) {
      V8 lanes = hn::Zero(d8);
      const V8 t = Formula<Code>(d, colour, lanes, known);
      hn::StoreU(opaque ? t : Mix(d, t, alpha), d8, at);
      // Written every time and kept only when a lane is set: no branch.
      TUnsureLanes::TEntry& entry = unsure->entries[unsure->count];
      hn::Store(d, d8, entry.backdrop);
      const M8 set = hn::MaskFromVec(lanes);
      hn::StoreMaskBits(d8, set, entry.lanes);
      entry.column = column;
      entry.channel = channel;
      unsure->count += hn::AllFalse(d8, set) ? 0 : 1;
      return;
    }
  }
  (void)column;
  (void)channel;
  const V8 t = Blend<Code>(d, colour, pass.table, pass.computed, known);
  hn::StoreU(opaque ? t : Mix(d, t, alpha), d8, at);
}

constexpr bool Dividing(int code) { return code == 2 || code == 6 || code == 11; }

// The divisor of a dividing mode for source byte t, as DividingBytes gets it.
constexpr int DivisorOf(int code, int t) {
  if (code == 2) return t;
  if (code == 6) return 255 - t;
  return t >= 128 ? 510 - 2 * t : 2 * t;
}

// Where the reciprocals are looked up, a dividing layer's source is its
// colour, so its divisors' reciprocals are looked up by grey level: blue's
// and green's in one 32-bit entry, red's in another.
struct TLayerReciprocals {
  std::uint32_t blueGreen[256], red[256];
};
inline void FillReciprocals(int code, const std::uint8_t* colours, TLayerReciprocals& r) {
  for (std::size_t g = 0; g < 256; ++g) {
    const auto of = [&](std::size_t c) -> std::uint32_t { return kReciprocals.r[DivisorOf(code, colours[4 * g + c])]; };
    r.blueGreen[g] = of(0) | of(1) << 16;
    r.red[g] = of(2);
  }
}

// The reciprocals for one vector of pixels, per plane, in the 16-bit lanes
// DividingBytes splits bytes into: the even lanes hold bytes 0 and 2 of each
// 32-bit lane, the odd ones bytes 1 and 3. A lookup per byte position and
// table.
inline void LookUpReciprocals(const TLayerReciprocals& r, V8 grey, TWordPair (&out)[3]) {
  const D16 d16;
  const D32 d32;
  const V32 g = hn::BitCast(d32, grey);
  const auto at = [&](const std::uint32_t* table, V32 index) { return hn::GatherIndex(d32, table, hn::BitCast(DI32(), index)); };
  const V32 bg0 = at(r.blueGreen, ByteOf<0>(g));
  const V32 bg1 = at(r.blueGreen, ByteOf<1>(g));
  const V32 bg2 = at(r.blueGreen, ByteOf<2>(g));
  const V32 bg3 = at(r.blueGreen, ByteOf<3>(g));
  const V32 red0 = at(r.red, ByteOf<0>(g));
  const V32 red1 = at(r.red, ByteOf<1>(g));
  const V32 red2 = at(r.red, ByteOf<2>(g));
  const V32 red3 = at(r.red, ByteOf<3>(g));
  const auto words = [d16](V32 v) { return hn::BitCast(d16, v); };
  out[0] = {hn::OddEven(words(hn::ShiftLeft<16>(bg2)), words(bg0)),
            hn::OddEven(words(hn::ShiftLeft<16>(bg3)), words(bg1))};
  out[1] = {hn::OddEven(words(bg2), words(hn::ShiftRight<16>(bg0))),
            hn::OddEven(words(bg3), words(hn::ShiftRight<16>(bg1)))};
  out[2] = {words(hn::Or(red0, hn::ShiftLeft<16>(red2))), words(hn::Or(red1, hn::ShiftLeft<16>(red3)))};
}

// One vector of pixels: `grey` and `alpha` hold a vector's bytes, `blue`,
// `green` and `red` the band's planes, from `column` of the row. Vectors
// whose alpha is all 0 are left as they are, which the mix would do too.
template <int Code>
inline void BlendPixels(const TLayerPass& pass, const std::uint8_t* grey, const std::uint8_t* alpha,
                        std::uint8_t* blue, std::uint8_t* green, std::uint8_t* red, TUnsureLanes* unsure,
                        std::uint32_t column, const TLayerReciprocals* reciprocals) {
  const D8 d8;
  const V8 a = hn::LoadU(d8, alpha);
  if (hn::AllTrue(d8, hn::Eq(a, hn::Zero(d8)))) return;
  const bool opaque = hn::AllTrue(d8, hn::Eq(a, Bytes(255)));
  const TPlanes colour = FetchColours(reinterpret_cast<const std::uint32_t*>(pass.colours), grey);
  if (Code < 0 && opaque) {
    hn::StoreU(colour.blue, d8, blue);
    hn::StoreU(colour.green, d8, green);
    hn::StoreU(colour.red, d8, red);
    return;
  }
  const TAlpha weights = AlphaWeights(a);
  if constexpr (kLooksUp && Dividing(Code)) {
    // Built from values: NEON's vectors have a constructor of their own,
    // which a struct's implicit default constructor (built without the
    // target's instructions) cannot inline.
    const TWordPair none = {hn::Zero(D16()), hn::Zero(D16())};  // unused: the table decides
    TWordPair known[3] = {none, none, none};
    if (pass.computed) LookUpReciprocals(*reciprocals, hn::LoadU(d8, grey), known);
    BlendPlane<Code>(pass, colour.blue, blue, opaque, weights, unsure, column, 0, &known[0]);
    BlendPlane<Code>(pass, colour.green, green, opaque, weights, unsure, column, 1, &known[1]);
    BlendPlane<Code>(pass, colour.red, red, opaque, weights, unsure, column, 2, &known[2]);
  } else {
    (void)reciprocals;
    BlendPlane<Code>(pass, colour.blue, blue, opaque, weights, unsure, column, 0, nullptr);
    BlendPlane<Code>(pass, colour.green, green, opaque, weights, unsure, column, 1, nullptr);
    BlendPlane<Code>(pass, colour.red, red, opaque, weights, unsure, column, 2, nullptr);
  }
}

// The band holds each row as three planes of `stride` bytes: blue, green, red.
template <int Code>
HWY_NOINLINE HWY_FLATTEN void BlendRows(const TLayerPass& pass, std::int64_t from, std::int64_t to,
                                        std::uint8_t* band, std::int64_t stride, std::int64_t bandTop,
                                        std::int64_t bandLeft) {
  const D8 d8;
  const std::size_t step = hn::Lanes(d8);
  const auto count = static_cast<std::size_t>(pass.endColumn - pass.firstColumn);
  const std::size_t whole = count / step * step, tail = count - whole;
  const std::int64_t x = pass.left + pass.firstColumn - bandLeft;
  constexpr std::size_t kMost = hn::MaxLanes(D8());
  // Only where the formula may leave lanes to the table, and is used.
  TUnsureLanes noted;
  TUnsureLanes* const unsure = MayBeUnsure(Code) && pass.computed ? &noted : nullptr;
  TLayerReciprocals reciprocals;
  if (kLooksUp && Dividing(Code) && pass.computed) FillReciprocals(Code, pass.colours, reciprocals);
  for (std::int64_t y = from; y < to; ++y) {
    const auto start = static_cast<std::size_t>((y - pass.top) * pass.width + pass.firstColumn);
    const std::uint8_t* grey = pass.grey + start;
    const std::uint8_t* alpha = pass.alpha + start;
    std::uint8_t* blue = band + (y - bandTop) * 3 * stride + x;
    std::uint8_t* green = blue + stride;
    std::uint8_t* red = green + stride;
    std::uint8_t* const planes[3] = {blue, green, red};
    for (std::size_t s = 0; s < whole; s += step) {
      BlendPixels<Code>(pass, grey + s, alpha + s, blue + s, green + s, red + s, unsure, static_cast<std::uint32_t>(s),
                        &reciprocals);
      // Room for the next vector's three entries.
      if (unsure != nullptr && noted.count + 3 > TUnsureLanes::kEntries) MendUnsure(pass, noted, grey, alpha, planes);
    }
    if (unsure != nullptr && noted.count != 0) MendUnsure(pass, noted, grey, alpha, planes);
    if (tail != 0) {
      // The last few pixels through a whole vector's copy, transparent past the row.
      HWY_ALIGN std::uint8_t g[kMost] = {}, a[kMost] = {}, b[kMost] = {}, gr[kMost] = {}, r[kMost] = {};
      std::memcpy(g, grey + whole, tail);
      std::memcpy(a, alpha + whole, tail);
      std::memcpy(b, blue + whole, tail);
      std::memcpy(gr, green + whole, tail);
      std::memcpy(r, red + whole, tail);
      BlendPixels<Code>(pass, g, a, b, gr, r, unsure, 0, &reciprocals);
      if (unsure != nullptr && noted.count != 0) {
        std::uint8_t* const copies[3] = {b, gr, r};
        MendUnsure(pass, noted, g, a, copies);
      }
      std::memcpy(blue + whole, b, tail);
      std::memcpy(green + whole, gr, tail);
      std::memcpy(red + whole, r, tail);
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

// Three bytes a pixel to three planes and back.
void SplitRow(const std::uint8_t* row, std::size_t count, std::uint8_t* blue, std::uint8_t* green,
              std::uint8_t* red) {
  const D8 d8;
  const std::size_t step = hn::Lanes(d8);
  std::size_t s = 0;
  for (; s + step <= count; s += step) {
    V8 b, g, r;
    hn::LoadInterleaved3(d8, row + 3 * s, b, g, r);
    hn::StoreU(b, d8, blue + s);
    hn::StoreU(g, d8, green + s);
    hn::StoreU(r, d8, red + s);
  }
  for (; s < count; ++s) {
    blue[s] = row[3 * s];
    green[s] = row[3 * s + 1];
    red[s] = row[3 * s + 2];
  }
}

void JoinRow(const std::uint8_t* blue, const std::uint8_t* green, const std::uint8_t* red, std::size_t count,
             std::uint8_t* row) {
  const D8 d8;
  const std::size_t step = hn::Lanes(d8);
  std::size_t s = 0;
  for (; s + step <= count; s += step) {
    hn::StoreInterleaved3(hn::LoadU(d8, blue + s), hn::LoadU(d8, green + s), hn::LoadU(d8, red + s), d8,
                          row + 3 * s);
  }
  for (; s < count; ++s) {
    row[3 * s] = blue[s];
    row[3 * s + 1] = green[s];
    row[3 * s + 2] = red[s];
  }
}

}  // namespace

void ComposeBand(const TBandWork& work, std::int64_t y0, std::int64_t y1, std::uint8_t* scratch) {
  // Only the columns some layer reaches in this band are split and joined.
  std::int64_t left = work.width, right = 0;
  for (std::size_t i = 0; i < work.passCount; ++i) {
    const TLayerPass& pass = work.passes[i];
    if (pass.endRow <= y0 || pass.firstRow >= y1) continue;
    left = left < pass.left + pass.firstColumn ? left : pass.left + pass.firstColumn;
    right = right > pass.left + pass.endColumn ? right : pass.left + pass.endColumn;
  }
  if (left >= right) return;
  const std::int64_t stride = (right - left + 63) / 64 * 64;  // bytes of one plane
  auto* band = reinterpret_cast<std::uint8_t*>((reinterpret_cast<std::uintptr_t>(scratch) + 63) &
                                               ~std::uintptr_t{63});
  const auto width = static_cast<std::size_t>(right - left);
  const auto planes = [&](std::int64_t r) { return band + r * 3 * stride; };
  for (std::int64_t r = 0; r < y1 - y0; ++r) {
    SplitRow(reinterpret_cast<const std::uint8_t*>(work.rows[y0 + r] + left), width, planes(r),
             planes(r) + stride, planes(r) + 2 * stride);
  }
  for (std::size_t i = 0; i < work.passCount; ++i) {
    const TLayerPass& pass = work.passes[i];
    const std::int64_t from = y0 > pass.firstRow ? y0 : pass.firstRow, to = y1 < pass.endRow ? y1 : pass.endRow;
    if (from >= to) continue;
    kRowKernels[pass.code + 1](pass, from, to, band, stride, y0, left);
  }
  for (std::int64_t r = 0; r < y1 - y0; ++r) {
    JoinRow(planes(r), planes(r) + stride, planes(r) + 2 * stride, width,
            reinterpret_cast<std::uint8_t*>(work.rows[y0 + r] + left));
  }
}

namespace {

template <int Code>
HWY_NOINLINE HWY_FLATTEN void BlendBytesOf(const std::uint8_t* table, bool computed, const std::uint8_t* d,
                                           const std::uint8_t* s, std::uint8_t* out, std::size_t n) {
  const D8 d8;
  const std::size_t step = hn::Lanes(d8);
  std::size_t i = 0;
  for (; i + step <= n; i += step) {
    const V8 source = s != nullptr ? hn::LoadU(d8, s + i) : hn::Zero(d8);
    hn::StoreU(Blend<Code>(hn::LoadU(d8, d + i), source, table, computed), d8, out + i);
  }
  if (i < n) {
    constexpr std::size_t kMost = hn::MaxLanes(D8());
    HWY_ALIGN std::uint8_t db[kMost] = {}, sb[kMost] = {}, ob[kMost];
    std::memcpy(db, d + i, n - i);
    if (s != nullptr) std::memcpy(sb, s + i, n - i);
    hn::Store(Blend<Code>(hn::Load(d8, db), hn::Load(d8, sb), table, computed), d8, ob);
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
  // Asked once: the answer does not change, and asking costs.
  static const std::int64_t supported = hwy::SupportedTargets();
  switch (kernel) {
    case TComposeKernel::kAvx2: return (supported & HWY_AVX2) != 0 && HighwayKernel(kernel) != nullptr;
    case TComposeKernel::kSse4: return (supported & HWY_SSE4) != 0 && HighwayKernel(kernel) != nullptr;
    case TComposeKernel::kNeon: return (supported & HWY_NEON) != 0 && HighwayKernel(kernel) != nullptr;
    default: return false;
  }
}

}  // namespace tintloom
#endif
