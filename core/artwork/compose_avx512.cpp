// The composition kernel for processors with 512-bit byte permutes (AVX-512
// F, BW, DQ, VL and VBMI), built with those instructions enabled for this
// file only and chosen at run time.
//
// A band of surface rows is split into blue, green and red planes, every
// layer passes over it 64 pixels at a time, and the planes are woven back.
// A layer's colour per grey level is three 256-byte lookups, each two byte
// permutes; the blend modes are computed from their formulas rather than
// looked up, since gathering from a 64 KB table costs more than all the rest
// of the work. A formula counts only once it has been found to give every
// entry of the loaded table (CheckBlendFormulasAvx512). All of them work in
// bytes or 16-bit integers; results that are exactly a half, or too near one
// for soft light's fixed-point curves to tell, are taken from the table.

#include "core/artwork/compose_kernels.h"
#include "core/artwork/soft_light_curves.h"

#if defined(__x86_64__)

#include "core/artwork/avx512_begin.h"

namespace tintloom {

namespace {

inline std::int64_t Least(std::int64_t a, std::int64_t b) { return a < b ? a : b; }
inline std::int64_t Most(std::int64_t a, std::int64_t b) { return a < b ? b : a; }

using V = __m512i;

inline V Zero() { return _mm512_setzero_si512(); }
inline V Bytes(int b) { return _mm512_set1_epi8(static_cast<char>(b)); }
inline V Words(int w) { return _mm512_set1_epi16(static_cast<short>(w)); }
inline V Not(V x) { return _mm512_xor_si512(x, Bytes(-1)); }
inline __mmask64 Lanes(std::size_t n) { return n >= 64 ? ~__mmask64{0} : (__mmask64{1} << n) - 1; }

// ---- Colour lookup ----

struct TLut {
  V q0, q1, q2, q3;  // entries 0..63, 64..127, 128..191, 192..255
};

inline TLut LoadLut(const std::uint8_t* table) {
  return {_mm512_load_si512(table), _mm512_load_si512(table + 64), _mm512_load_si512(table + 128),
          _mm512_load_si512(table + 192)};
}

inline V Lookup(const TLut& lut, V index) {
  const V low = _mm512_permutex2var_epi8(lut.q0, index, lut.q1);  // bits 0..6 of the index
  const V high = _mm512_permutex2var_epi8(lut.q2, index, lut.q3);
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high);
}

// ---- The mix: d + (t - d) * a / 255, truncating toward zero ----

// x / 255 == (x * 0x8081) >> 23 for every 16-bit x: 0x8081 / 2^23 exceeds
// 1 / 255 by under 6e-8, which over x < 65536 adds under 0.004, less than
// the 1/255 by which the fraction of x / 255 stays below 1.
inline V Div255(V x) { return _mm512_srli_epi16(_mm512_mulhi_epu16(x, Words(0x8081)), 7); }

// The bytes at even and odd places, each in a 16-bit lane of its own: plain
// masks and shifts, which keep the shuffle unit free for the lookups.
inline V Even16(V x) { return _mm512_and_si512(x, Words(0x00FF)); }
inline V Odd16(V x) { return _mm512_srli_epi16(x, 8); }
inline V JoinEvenOdd(V even, V odd) { return _mm512_or_si512(even, _mm512_slli_epi16(odd, 8)); }

// A pixel's alpha as the multiplier that takes a difference straight to its
// share: for 0 <= a <= 254, floor(diff * a / 255) == (diff * w) >> 16 with
// w = 257 a + 1 (for a >= 1 that is ceil(a * 65536 / 255)), since w / 65536
// exceeds a / 255 by under 1/65536, and over diff <= 255 that adds less than
// the 1/255 the fraction of diff * a / 255 stays below 1; at a = 0, diff * 1
// >> 16 is 0. Alpha 255 (w would need 17 bits) is marked and takes the whole
// difference.
struct TAlpha {
  V even, odd;       // w per 16-bit lane for the even and the odd bytes
  __mmask64 opaque;  // lanes of alpha 255
};

inline TAlpha AlphaWeights(V a) {
  // a in both bytes of each word (257 a), by a bit select of a shifted copy.
  const V even = _mm512_ternarylogic_epi32(Words(0xFF00), _mm512_slli_epi16(a, 8), a, 0xCA);
  const V odd = _mm512_ternarylogic_epi32(Words(0xFF00), a, _mm512_srli_epi16(a, 8), 0xCA);
  return {_mm512_add_epi16(even, Words(1)), _mm512_add_epi16(odd, Words(1)), _mm512_cmpeq_epi8_mask(a, Bytes(255))};
}

inline V Mix(V d, V t, const TAlpha& alpha) {
  const V diff = _mm512_sub_epi8(_mm512_max_epu8(d, t), _mm512_min_epu8(d, t));
  // The odd bytes stay where they are: the high half of (256 diff) w / 2^16
  // is floor(diff w / 2^16), its low half is dropped by the merge.
  const V even = _mm512_mulhi_epu16(Even16(diff), alpha.even);
  const V odd = _mm512_mulhi_epu16(_mm512_and_si512(diff, Words(0xFF00)), alpha.odd);
  V q = _mm512_ternarylogic_epi32(Words(0xFF00), odd, even, 0xCA);  // mask ? odd : even, bit by bit
  q = _mm512_mask_mov_epi8(q, alpha.opaque, diff);
  const __mmask64 up = _mm512_cmpge_epu8_mask(t, d);
  return _mm512_mask_add_epi8(_mm512_sub_epi8(d, q), up, d, q);
}

// ---- Blend formulas on bytes: d the backdrop, t the source ----

// round(y / 255), halves up, per 16-bit lane, for every y up to 65408:
// whole y is never an exact half of 255, so rounding is floor((y + 127) / 255),
// and that division is Div255's (checked exhaustively when written; the blend
// formula check covers its use).
inline V RoundDiv255(V y) { return Div255(_mm512_add_epi16(y, Words(127))); }
inline V MulRound16(V u, V v) { return RoundDiv255(_mm512_mullo_epi16(u, v)); }
inline V MulRound(V u, V v) {
  return JoinEvenOdd(MulRound16(Even16(u), Even16(v)), MulRound16(Odd16(u), Odd16(v)));
}

// round(2 u v / 255), halves up, per 16-bit lane: with u v = 255 q + r,
// 2 u v / 255 = 2q + 2r / 255, and 2r / 255 rounds to 0, 1 or 2 as r
// reaches 64 and 192, which is (r + 64) >> 7.
inline V TwiceMulRound16(V u, V v) {
  const V x = _mm512_mullo_epi16(u, v);
  const V q = Div255(x);
  const V r = _mm512_sub_epi16(x, _mm512_sub_epi16(_mm512_slli_epi16(q, 8), q));
  return _mm512_add_epi16(_mm512_add_epi16(q, q), _mm512_srli_epi16(_mm512_add_epi16(r, Words(64)), 7));
}

// Hard light with `low` marking the lanes whose deciding value is at most
// 127: multiply by twice it there, screen by twice it less one elsewhere.
inline V HardLight(V d, V t, __mmask64 low) {
  const V ones = Bytes(-1);
  // Above the half both factors are inverted, and so is the result.
  const __mmask64 high = ~low;
  const V du = _mm512_mask_sub_epi8(d, high, ones, d);
  const V tv = _mm512_mask_sub_epi8(t, high, ones, t);
  // One factor is at most 127, so 2 u v stays below 65408.
  const auto twice = [](V a, V b) { return RoundDiv255(_mm512_slli_epi16(_mm512_mullo_epi16(a, b), 1)); };
  const V r = JoinEvenOdd(twice(Even16(du), Even16(tv)), twice(Odd16(du), Odd16(tv)));
  return _mm512_mask_sub_epi8(r, high, ones, r);
}

// ---- The dividing modes, in integers ----
//
// Colour dodge, colour burn and vivid light all come down to round(255 x / D)
// for bytes x < D: with q and r the quotient and remainder of 255 x by D, the
// result is q, plus one when 2r > D. At 2r = D the exact value is a half,
// where the table's own floating-point arithmetic may have gone either way,
// so those lanes take the table's entry.

// ceil(65536 / D) as low and high bytes, for the quotient's first guess;
// for D = 1, 65535 (only x = 0 is below 1, and 0 divides exactly whatever
// the guess).
struct TReciprocals {
  alignas(64) std::uint8_t low[256];
  alignas(64) std::uint8_t high[256];
};
constexpr TReciprocals MakeReciprocals() {
  TReciprocals r{};
  for (int d = 0; d < 256; ++d) {
    const int value = d == 0 ? 0 : d == 1 ? 65535 : (65536 + d - 1) / d;
    r.low[d] = static_cast<std::uint8_t>(value & 0xFF);
    r.high[d] = static_cast<std::uint8_t>(value >> 8);
  }
  return r;
}
alignas(64) constexpr TReciprocals kReciprocals = MakeReciprocals();

// round(255 x / D) halves up, per 16-bit lane, for x < D, with `r` the
// reciprocal guess; `tie` marks the lanes that are exactly a half. With
// h = floor(D / 2) that rounding is floor((255 x + h) / D): for even D it is
// the same sum, and for odd D no sum 255 x + h + 1/2 is a multiple of D, so
// dropping the half moves no quotient. A half is then an even D dividing
// Y = 255 x + h exactly. Y stays below 65025 + 128, so the guess
// q0 = Y r >> 16 is the quotient or one more (for D >= 2, r is at least
// 65536 / D and less than one above it; D = 1 only ever divides x = 0), and
// a negative remainder Y - q0 D says it was one more.
inline V RoundedQuotient16(V x, V d, V r, __mmask32& tie) {
  const V y = _mm512_add_epi16(_mm512_sub_epi16(_mm512_slli_epi16(x, 8), x), _mm512_srli_epi16(d, 1));
  const V q0 = _mm512_mulhi_epu16(y, r);
  const V remainder = _mm512_sub_epi16(y, _mm512_mullo_epi16(q0, d));  // in (-D, D)
  tie = _mm512_mask_testn_epi16_mask(_mm512_testn_epi16_mask(d, Words(1)), remainder, remainder);
  return _mm512_add_epi16(q0, _mm512_srai_epi16(remainder, 15));
}

// Flags of the even and the odd words back into byte order, even lanes' to
// the even bits and odd lanes' to the odd ones, in general registers: flags
// are rare and the vector units are the busy ones.
inline void AddWordFlags(__mmask64& flags, __mmask32 even, __mmask32 odd, __mmask64 valid) {
  if ((even | odd) != 0) {
    flags |= (_pdep_u64(even, 0x5555555555555555ull) | _pdep_u64(odd, 0xAAAAAAAAAAAAAAAAull)) & valid;
  }
}

// round(255 x / D) per byte lane, for bytes x < D; lanes in `valid` that are
// exact halves are added to `unsure`.
inline V RoundedQuotient(V x, V d, __mmask64 valid, __mmask64& unsure) {
  const V rLow = Lookup(LoadLut(kReciprocals.low), d), rHigh = Lookup(LoadLut(kReciprocals.high), d);
  // Each word's guess from its own byte's two halves, by bit selects.
  const V evenGuess = _mm512_ternarylogic_epi32(Words(0xFF00), _mm512_slli_epi16(rHigh, 8), rLow, 0xCA);
  const V oddGuess = _mm512_ternarylogic_epi32(Words(0xFF00), rHigh, _mm512_srli_epi16(rLow, 8), 0xCA);
  __mmask32 tieEven, tieOdd;
  const V qEven = RoundedQuotient16(Even16(x), Even16(d), evenGuess, tieEven);
  const V qOdd = RoundedQuotient16(Odd16(x), Odd16(d), oddGuess, tieOdd);
  AddWordFlags(unsure, tieEven, tieOdd, valid);
  // Lanes outside `valid` may hold quotients past 255; cut them to their own
  // byte so they cannot spill into the odd neighbour.
  return JoinEvenOdd(Even16(qEven), qOdd);
}

// The three modes as one: with x = d - k (0 when below), 0 where x is 0, 255
// where x reaches D, else round(255 x / D).
//   colour dodge   k = 0, D = 255 - t: black stays black, 255 once d reaches
//                  255 - t (a white source included)
//   colour burn    k = 255 - t, D = t: 0 while 255 - d reaches t, 255 for a
//                  white backdrop (x = D), the rest d + t - 255 over t
//   vivid light    burn by 2t below the half, dodge by 2t - 255 above
// A black source in a burn (D = 0) would make every x 0, white backdrop
// included; k = 254 there leaves white at x = 1, which reaches D.
inline V DividingBytes(V d, V k, V divisor, __mmask64& unsure) {
  const V x = _mm512_subs_epu8(d, k);
  const __mmask64 zero = _mm512_testn_epi8_mask(x, x);
  const __mmask64 full = _mm512_cmpge_epu8_mask(x, divisor);
  const V q = RoundedQuotient(x, divisor, ~(zero | full), unsure);
  return _mm512_maskz_mov_epi8(~zero, _mm512_mask_mov_epi8(q, full, Bytes(255)));
}

inline V BurnK(V fromWhite) { return _mm512_min_epu8(fromWhite, Bytes(254)); }

inline V VividBytes(V d, V t, __mmask64& unsure) {
  const __mmask64 upper = _mm512_cmpge_epu8_mask(t, Bytes(128));
  const V twice = _mm512_add_epi8(t, t);
  const V room = _mm512_add_epi8(Not(t), Not(t));  // 510 - 2t above the half
  return DividingBytes(d, _mm512_maskz_mov_epi8(~upper, BurnK(Not(twice))), _mm512_mask_blend_epi8(upper, twice, room),
                       unsure);
}

// ---- Soft light, in integers (see soft_light_curves.h) ----

using soft_light::kSoftLightNear;

struct TSoftLightCurves {
  alignas(64) std::uint8_t aboveLow[256];
  alignas(64) std::uint8_t aboveHigh[256];
  alignas(64) std::uint8_t belowLow[256];
  alignas(64) std::uint8_t belowHigh[256];
};

constexpr TSoftLightCurves MakeSoftLightCurves() {
  TSoftLightCurves c{};
  for (std::size_t d = 0; d < 256; ++d) {
    const int above = soft_light::kCurves.above[d], below = soft_light::kCurves.below[d];
    c.aboveLow[d] = static_cast<std::uint8_t>(above & 0xFF);
    c.aboveHigh[d] = static_cast<std::uint8_t>(above >> 8);
    c.belowLow[d] = static_cast<std::uint8_t>(below & 0xFF);
    c.belowHigh[d] = static_cast<std::uint8_t>(below >> 8);
  }
  return c;
}
alignas(64) constexpr TSoftLightCurves kSoftLightCurves = MakeSoftLightCurves();

// (P + 2^17) >> 18 per 16-bit lane for P = m c; `near` marks the lanes whose
// P + 2^17 lies within kSoftLightNear of a multiple of 2^18.
inline V RoundedShare16(V m, V c, __mmask32& near) {
  const V high = _mm512_add_epi16(_mm512_mulhi_epu16(m, c), Words(2));  // (P + 2^17) >> 16
  const V low = _mm512_mullo_epi16(m, c);
  // (P + 2^17) mod 2^18 in fours: its two low bits of `high` above the
  // top fourteen of `low`.
  const V fraction = _mm512_or_si512(_mm512_slli_epi16(high, 14), _mm512_srli_epi16(low, 2));
  near = _mm512_cmplt_epu16_mask(_mm512_add_epi16(fraction, Words(kSoftLightNear / 4)), Words(kSoftLightNear / 2));
  return _mm512_srli_epi16(high, 2);
}

inline V SoftLightBytes(V d, V t, __mmask64& unsure) {
  const __mmask64 upper = _mm512_cmpge_epu8_mask(t, Bytes(128));
  const V twice = _mm512_add_epi8(t, t);
  const V m = _mm512_mask_add_epi8(Not(twice), upper, twice, Bytes(1));  // |2t - 255|
  const auto curve = [&](const std::uint8_t* above, const std::uint8_t* below) {
    return _mm512_mask_blend_epi8(upper, Lookup(LoadLut(below), d), Lookup(LoadLut(above), d));
  };
  const V low = curve(kSoftLightCurves.aboveLow, kSoftLightCurves.belowLow);
  const V high = curve(kSoftLightCurves.aboveHigh, kSoftLightCurves.belowHigh);
  const V even = _mm512_ternarylogic_epi32(Words(0xFF00), _mm512_slli_epi16(high, 8), low, 0xCA);
  const V odd = _mm512_ternarylogic_epi32(Words(0xFF00), high, _mm512_srli_epi16(low, 8), 0xCA);
  __mmask32 nearEven, nearOdd;
  const V shareEven = RoundedShare16(Even16(m), even, nearEven);
  const V shareOdd = RoundedShare16(Odd16(m), odd, nearOdd);
  AddWordFlags(unsure, nearEven, nearOdd, ~__mmask64{0});
  // Each share is at most 64, within its own byte.
  const V share = _mm512_or_si512(shareEven, _mm512_slli_epi16(shareOdd, 8));
  return _mm512_mask_add_epi8(_mm512_sub_epi8(d, share), upper, d, share);
}

// The formula of blend code `Code`; lanes it cannot vouch for are added to
// `unsure`.
template <int Code>
inline V Formula(V d, V t, __mmask64& unsure) {
  if constexpr (Code == 0) return _mm512_min_epu8(d, t);  // darken
  if constexpr (Code == 1) return MulRound(d, t);         // multiply
  if constexpr (Code == 2) return DividingBytes(d, BurnK(Not(t)), t, unsure);  // colour burn
  if constexpr (Code == 3) return _mm512_subs_epu8(d, Not(t));  // linear burn: d + t - 255
  if constexpr (Code == 4) return _mm512_max_epu8(d, t);         // lighten
  if constexpr (Code == 5) return Not(MulRound(Not(d), Not(t)));  // screen
  if constexpr (Code == 6) return DividingBytes(d, Zero(), Not(t), unsure);  // colour dodge
  if constexpr (Code == 7) return _mm512_adds_epu8(d, t);                                       // linear dodge
  if constexpr (Code == 8) return HardLight(d, t, _mm512_cmple_epu8_mask(d, Bytes(127)));       // overlay
  if constexpr (Code == 9) return SoftLightBytes(d, t, unsure);
  if constexpr (Code == 10) return HardLight(d, t, _mm512_cmple_epu8_mask(t, Bytes(127)));     // hard light
  if constexpr (Code == 11) return VividBytes(d, t, unsure);  // vivid light
  if constexpr (Code == 12) {  // linear light: d + 2t - 255, in bytes 2t - 255 or 255 - 2t by t's half
    const __mmask64 upper = _mm512_cmpge_epu8_mask(t, Bytes(128));
    const V twice = _mm512_add_epi8(t, t);
    return _mm512_mask_blend_epi8(upper, _mm512_subs_epu8(d, Not(twice)),
                                  _mm512_adds_epu8(d, _mm512_add_epi8(twice, Bytes(1))));
  }
  if constexpr (Code == 13) {  // pin light: min(d, 2t) below the half, max(d, 2t - 255) above
    const __mmask64 upper = _mm512_cmpge_epu8_mask(t, Bytes(128));
    const V twice = _mm512_add_epi8(t, t);
    return _mm512_mask_blend_epi8(upper, _mm512_min_epu8(d, twice),
                                  _mm512_max_epu8(d, _mm512_add_epi8(twice, Bytes(1))));
  }
  if constexpr (Code == 14) return _mm512_movm_epi8(_mm512_cmpge_epu8_mask(d, Not(t)));  // hard mix
  if constexpr (Code == 15) return _mm512_sub_epi8(_mm512_max_epu8(d, t), _mm512_min_epu8(d, t));  // difference
  if constexpr (Code == 16) {  // exclusion: d + t - round(2 d t / 255)
    const auto half = [](V u, V v) { return _mm512_sub_epi16(_mm512_add_epi16(u, v), TwiceMulRound16(u, v)); };
    return JoinEvenOdd(half(Even16(d), Even16(t)), half(Odd16(d), Odd16(t)));
  }
  return t;
}

// The table's entries for the lanes in `which`, the rest kept from `r`:
// rare, so kept out of the row loops.
__attribute__((noinline)) V FromTable(V r, V d, V t, __mmask64 which, const std::uint8_t* table) {
  alignas(64) std::uint8_t db[64], tb[64];
  _mm512_store_si512(db, d);
  _mm512_store_si512(tb, t);
  for (; which != 0; which &= which - 1) {
    const int i = __builtin_ctzll(which);
    r = _mm512_mask_set1_epi8(r, __mmask64{1} << i, static_cast<char>(table[db[i] * 256u + tb[i]]));
  }
  return r;
}

template <int Code>
inline V Blend(V d, V t, const TLayerPass& pass, __mmask64 lanes) {
  if constexpr (Code < 0) {
    return t;
  } else {
    if (!pass.computed) return FromTable(t, d, t, lanes, pass.table);
    __mmask64 unsure = 0;
    const V r = Formula<Code>(d, t, unsure);
    unsure &= lanes;
    return unsure == 0 ? r : FromTable(r, d, t, unsure, pass.table);
  }
}

// ---- One layer over the band's planes ----

// One chunk: the layer's alpha and grey levels and the backdrop's three
// planes in, the three blended planes out; false when every lane is
// transparent and nothing changes.
template <int Code>
inline bool BlendChunk(const TLayerPass& pass, const TLut (&luts)[3], V a, V g, V (&planes)[3], __mmask64 lanes) {
  if (_mm512_test_epi8_mask(a, a) == 0) return false;
  const bool opaque = (_mm512_cmpeq_epi8_mask(a, Bytes(255)) & lanes) == lanes;
  const TAlpha weights = AlphaWeights(a);
  // Unrolled, so that each channel's table stays in its own registers.
#pragma GCC unroll 3
  for (int c = 0; c < 3; ++c) {
    const V t = Blend<Code>(planes[c], Lookup(luts[c], g), pass, lanes);
    planes[c] = opaque ? t : Mix(planes[c], t, weights);
  }
  return true;
}

inline V JoinHalves(__m256i low, __m256i high) { return _mm512_inserti64x4(_mm512_castsi256_si512(low), high, 1); }

// Everything a row loop calls is built into it, so that the tables and
// constants stay in registers across the chunks.
template <int Code>
__attribute__((flatten)) void BlendRows(const TLayerPass& pass, std::int64_t from, std::int64_t to,
                                        std::uint8_t* band, std::int64_t stride, std::int64_t bandTop,
                                        std::int64_t bandLeft) {
  const TLut luts[3] = {LoadLut(pass.planes[0]), LoadLut(pass.planes[1]), LoadLut(pass.planes[2])};
  const auto count = static_cast<std::size_t>(pass.endColumn - pass.firstColumn);
  const std::size_t whole = count / 64 * 64, tail = count - whole;
  const std::int64_t x = pass.left + pass.firstColumn - bandLeft;
  const auto layerRow = [&](std::int64_t y) {
    return static_cast<std::size_t>((y - pass.top) * pass.width + pass.firstColumn);
  };
  const auto plane = [&](std::int64_t y, int c) { return band + ((y - bandTop) * 3 + c) * stride + x; };
  for (std::int64_t y = from; y < to; ++y) {
    const std::size_t start = layerRow(y);
    // Short tails wait to be paired with the next row's below.
    const std::size_t end = tail <= 32 ? whole : count;
    // Whole chunks with plain loads and stores, which cost less than masked ones.
    std::size_t s = 0;
    for (; s < whole; s += 64) {
      V planes[3];
      for (int c = 0; c < 3; ++c) planes[c] = _mm512_loadu_si512(plane(y, c) + s);
      if (!BlendChunk<Code>(pass, luts, _mm512_loadu_si512(pass.alpha + start + s),
                            _mm512_loadu_si512(pass.grey + start + s), planes, ~__mmask64{0})) {
        continue;
      }
      for (int c = 0; c < 3; ++c) _mm512_storeu_si512(plane(y, c) + s, planes[c]);
    }
    for (; s < end; s += 64) {
      const __mmask64 lanes = Lanes(count - s);
      V planes[3];
      for (int c = 0; c < 3; ++c) planes[c] = _mm512_maskz_loadu_epi8(lanes, plane(y, c) + s);
      if (!BlendChunk<Code>(pass, luts, _mm512_maskz_loadu_epi8(lanes, pass.alpha + start + s),
                            _mm512_maskz_loadu_epi8(lanes, pass.grey + start + s), planes, lanes)) {
        continue;
      }
      for (int c = 0; c < 3; ++c) _mm512_mask_storeu_epi8(plane(y, c) + s, lanes, planes[c]);
    }
  }
  if (tail == 0 || tail > 32) return;
  if (tail <= 16) {
    // Four rows' tails share one chunk, a quarter each.
    const auto quarter = static_cast<__mmask16>(Lanes(tail));
    for (std::int64_t y = from; y < to; y += 4) {
      std::int64_t rows[4];
      __mmask16 masks[4];
      for (int k = 0; k < 4; ++k) {
        const bool inside = y + k < to;
        rows[k] = inside ? y + k : y;
        masks[k] = inside ? quarter : 0;
      }
      __mmask64 lanes = 0;
      for (int k = 0; k < 4; ++k) lanes |= static_cast<__mmask64>(masks[k]) << (16 * k);
      const auto load = [&](const auto& at) {
        V v = _mm512_castsi128_si512(_mm_maskz_loadu_epi8(masks[0], at(rows[0])));
        v = _mm512_inserti32x4(v, _mm_maskz_loadu_epi8(masks[1], at(rows[1])), 1);
        v = _mm512_inserti32x4(v, _mm_maskz_loadu_epi8(masks[2], at(rows[2])), 2);
        return _mm512_inserti32x4(v, _mm_maskz_loadu_epi8(masks[3], at(rows[3])), 3);
      };
      V planes[3];
      for (int c = 0; c < 3; ++c) planes[c] = load([&](std::int64_t r) { return plane(r, c) + whole; });
      const V a = load([&](std::int64_t r) { return pass.alpha + layerRow(r) + whole; });
      const V g = load([&](std::int64_t r) { return pass.grey + layerRow(r) + whole; });
      if (!BlendChunk<Code>(pass, luts, a, g, planes, lanes)) continue;
      for (int c = 0; c < 3; ++c) {
        _mm_mask_storeu_epi8(plane(rows[0], c) + whole, masks[0], _mm512_castsi512_si128(planes[c]));
        _mm_mask_storeu_epi8(plane(rows[1], c) + whole, masks[1], _mm512_extracti32x4_epi32(planes[c], 1));
        _mm_mask_storeu_epi8(plane(rows[2], c) + whole, masks[2], _mm512_extracti32x4_epi32(planes[c], 2));
        _mm_mask_storeu_epi8(plane(rows[3], c) + whole, masks[3], _mm512_extracti32x4_epi32(planes[c], 3));
      }
    }
    return;
  }
  // The tails of two rows share one chunk, one in each half: a layer 300
  // pixels wide takes four and a half chunks a row instead of five.
  const auto half = static_cast<__mmask32>(Lanes(tail));
  for (std::int64_t y = from; y < to; y += 2) {
    const bool pair = y + 1 < to;
    const std::int64_t y1 = pair ? y + 1 : y;
    const __mmask32 second = pair ? half : 0;
    const __mmask64 lanes = half | static_cast<__mmask64>(second) << 32;
    const auto load = [&](const std::uint8_t* low, const std::uint8_t* high) {
      return JoinHalves(_mm256_maskz_loadu_epi8(half, low), _mm256_maskz_loadu_epi8(second, high));
    };
    const std::size_t s0 = layerRow(y) + whole, s1 = layerRow(y1) + whole;
    V planes[3];
    for (int c = 0; c < 3; ++c) planes[c] = load(plane(y, c) + whole, plane(y1, c) + whole);
    if (!BlendChunk<Code>(pass, luts, load(pass.alpha + s0, pass.alpha + s1), load(pass.grey + s0, pass.grey + s1),
                          planes, lanes)) {
      continue;
    }
    for (int c = 0; c < 3; ++c) {
      _mm256_mask_storeu_epi8(plane(y, c) + whole, half, _mm512_castsi512_si256(planes[c]));
      _mm256_mask_storeu_epi8(plane(y1, c) + whole, second, _mm512_extracti64x4_epi64(planes[c], 1));
    }
  }
}

using TBlendRows = void (*)(const TLayerPass&, std::int64_t, std::int64_t, std::uint8_t*, std::int64_t, std::int64_t,
                            std::int64_t);

// Index code + 1: normal first.
constexpr TBlendRows kRowKernels[kBlendModeCount + 1] = {
    BlendRows<-1>, BlendRows<0>,  BlendRows<1>,  BlendRows<2>,  BlendRows<3>,  BlendRows<4>,
    BlendRows<5>,  BlendRows<6>,  BlendRows<7>,  BlendRows<8>,  BlendRows<9>,  BlendRows<10>,
    BlendRows<11>, BlendRows<12>, BlendRows<13>, BlendRows<14>, BlendRows<15>, BlendRows<16>};

// ---- Splitting rows into planes and weaving them back ----

struct TWeave {
  V split[3][2];   // per channel: from the first two registers, then with the third
  V weave[3][2];   // per output register: blue with green, then with red
};

const TWeave& Weave() {
  static const TWeave weave = [] {
    TWeave w{};
    alignas(64) std::uint8_t a[64], b[64];
    for (int c = 0; c < 3; ++c) {
      for (int i = 0; i < 64; ++i) {
        const int pos = 3 * i + c;
        a[i] = static_cast<std::uint8_t>(pos < 128 ? pos : 0);
        b[i] = static_cast<std::uint8_t>(pos < 128 ? i : 64 + pos - 128);
      }
      w.split[c][0] = _mm512_load_si512(a);
      w.split[c][1] = _mm512_load_si512(b);
    }
    for (int k = 0; k < 3; ++k) {
      for (int j = 0; j < 64; ++j) {
        const int o = 64 * k + j, c = o % 3, i = o / 3;
        a[j] = static_cast<std::uint8_t>(c == 0 ? i : 64 + i);  // blue or green
        b[j] = static_cast<std::uint8_t>(c == 2 ? 64 + i : j);  // red, or what the first step placed
      }
      w.weave[k][0] = _mm512_load_si512(a);
      w.weave[k][1] = _mm512_load_si512(b);
    }
    return w;
  }();
  return weave;
}

void SplitRow(const std::uint8_t* row, std::size_t count, std::uint8_t* blue, std::uint8_t* green,
              std::uint8_t* red) {
  const TWeave& w = Weave();
  std::uint8_t* planes[3] = {blue, green, red};
  // Whole runs of 64 pixels with plain moves, the last one masked.
  std::size_t s = 0;
  for (; s + 64 <= count; s += 64) {
    const std::uint8_t* p = row + 3 * s;
    const V r0 = _mm512_loadu_si512(p), r1 = _mm512_loadu_si512(p + 64), r2 = _mm512_loadu_si512(p + 128);
    for (int c = 0; c < 3; ++c) {
      const V first = _mm512_permutex2var_epi8(r0, w.split[c][0], r1);
      _mm512_storeu_si512(planes[c] + s, _mm512_permutex2var_epi8(first, w.split[c][1], r2));
    }
  }
  for (; s < count; s += 64) {
    const std::size_t n = count - s < 64 ? count - s : 64, bytes = 3 * n;
    const std::uint8_t* p = row + 3 * s;
    const V r0 = _mm512_maskz_loadu_epi8(Lanes(bytes), p);
    const V r1 = _mm512_maskz_loadu_epi8(Lanes(bytes > 64 ? bytes - 64 : 0), p + 64);
    const V r2 = _mm512_maskz_loadu_epi8(Lanes(bytes > 128 ? bytes - 128 : 0), p + 128);
    for (int c = 0; c < 3; ++c) {
      const V first = _mm512_permutex2var_epi8(r0, w.split[c][0], r1);
      _mm512_mask_storeu_epi8(planes[c] + s, Lanes(n), _mm512_permutex2var_epi8(first, w.split[c][1], r2));
    }
  }
}

void WeaveRow(std::uint8_t* row, std::size_t count, const std::uint8_t* blue, const std::uint8_t* green,
              const std::uint8_t* red) {
  const TWeave& w = Weave();
  std::size_t s = 0;  // as in SplitRow
  for (; s + 64 <= count; s += 64) {
    const V b = _mm512_loadu_si512(blue + s), g = _mm512_loadu_si512(green + s), r = _mm512_loadu_si512(red + s);
    std::uint8_t* p = row + 3 * s;
    for (std::size_t k = 0; k < 3; ++k) {
      const V bg = _mm512_permutex2var_epi8(b, w.weave[k][0], g);
      _mm512_storeu_si512(p + 64 * k, _mm512_permutex2var_epi8(bg, w.weave[k][1], r));
    }
  }
  for (; s < count; s += 64) {
    const std::size_t n = count - s < 64 ? count - s : 64, bytes = 3 * n;
    const V b = _mm512_maskz_loadu_epi8(Lanes(n), blue + s);
    const V g = _mm512_maskz_loadu_epi8(Lanes(n), green + s);
    const V r = _mm512_maskz_loadu_epi8(Lanes(n), red + s);
    std::uint8_t* p = row + 3 * s;
    for (std::size_t k = 0; k < 3; ++k) {
      const std::size_t left = bytes > 64 * k ? bytes - 64 * k : 0;
      if (left == 0) break;
      const V bg = _mm512_permutex2var_epi8(b, w.weave[k][0], g);
      _mm512_mask_storeu_epi8(p + 64 * k, Lanes(left), _mm512_permutex2var_epi8(bg, w.weave[k][1], r));
    }
  }
}

}  // namespace

void ComposeBandAvx512(const TBandWork& work, std::int64_t y0, std::int64_t y1, std::uint8_t* scratch) {
  // Only the columns some layer reaches in this band are split and woven.
  std::int64_t left = work.width, right = 0;
  for (std::size_t i = 0; i < work.passCount; ++i) {
    const TLayerPass& pass = work.passes[i];
    if (pass.endRow <= y0 || pass.firstRow >= y1) continue;
    left = Least(left, pass.left + pass.firstColumn);
    right = Most(right, pass.left + pass.endColumn);
  }
  if (left >= right) return;
  const std::int64_t stride = (right - left + 63) / 64 * 64;
  const std::int64_t rows = y1 - y0;
  // Planes start on whole cache lines.
  auto* band = reinterpret_cast<std::uint8_t*>((reinterpret_cast<std::uintptr_t>(scratch) + 63) &
                                               ~std::uintptr_t{63});
  const auto width = static_cast<std::size_t>(right - left);
  for (std::int64_t r = 0; r < rows; ++r) {
    std::uint8_t* planes = band + r * 3 * stride;
    SplitRow(reinterpret_cast<const std::uint8_t*>(work.rows[y0 + r] + left), width, planes, planes + stride,
             planes + 2 * stride);
  }
  for (std::size_t i = 0; i < work.passCount; ++i) {
    const TLayerPass& pass = work.passes[i];
    const std::int64_t from = Most(y0, pass.firstRow), to = Least(y1, pass.endRow);
    if (from >= to) continue;
    kRowKernels[pass.code + 1](pass, from, to, band, stride, y0, left);
  }
  for (std::int64_t r = 0; r < rows; ++r) {
    const std::uint8_t* planes = band + r * 3 * stride;
    WeaveRow(reinterpret_cast<std::uint8_t*>(work.rows[y0 + r] + left), width, planes, planes + stride,
             planes + 2 * stride);
  }
}

namespace {

// Every backdrop and source once, 64 pairs at a time in a scrambled order
// (an odd multiplier permutes 0..65535), so that neighbouring lanes hold
// unrelated pairs and a formula whose lanes leak into each other cannot pass.
struct TPairChunk {
  alignas(64) std::uint8_t backdrops[64], sources[64], expected[64];

  // Pairs p0 .. p0 + 63 and the table's entries for them.
  void Fill(const std::uint8_t* table, int p0) {
    for (int i = 0; i < 64; ++i) {
      const unsigned p = (static_cast<unsigned>(p0 + i) * 40503u) & 0xFFFFu, d = p >> 8, t = p & 255u;
      backdrops[i] = static_cast<std::uint8_t>(d);
      sources[i] = static_cast<std::uint8_t>(t);
      expected[i] = table[d * 256 + t];
    }
  }
  V Backdrops() const { return _mm512_load_si512(backdrops); }
  V Sources() const { return _mm512_load_si512(sources); }
  V Expected() const { return _mm512_load_si512(expected); }
};

template <int Code>
bool FormulaMatches(const std::uint8_t* table) {
  TPairChunk chunk;
  for (int p0 = 0; p0 < 65536; p0 += 64) {
    chunk.Fill(table, p0);
    __mmask64 unsure = 0;
    const V r = Formula<Code>(chunk.Backdrops(), chunk.Sources(), unsure);
    if ((_mm512_cmpneq_epi8_mask(r, chunk.Expected()) & ~unsure) != 0) return false;
  }
  return true;
}

using TFormulaMatches = bool (*)(const std::uint8_t*);
constexpr TFormulaMatches kFormulaChecks[kBlendModeCount] = {
    FormulaMatches<0>,  FormulaMatches<1>,  FormulaMatches<2>,  FormulaMatches<3>,  FormulaMatches<4>,  FormulaMatches<5>,
    FormulaMatches<6>,  FormulaMatches<7>,  FormulaMatches<8>,  FormulaMatches<9>,  FormulaMatches<10>, FormulaMatches<11>,
    FormulaMatches<12>, FormulaMatches<13>, FormulaMatches<14>, FormulaMatches<15>, FormulaMatches<16>};

}  // namespace

namespace {

template <int Code>
__attribute__((flatten)) void BlendBytes(const std::uint8_t* table, bool computed, const std::uint8_t* d,
                                         const std::uint8_t* s, std::uint8_t* out, std::size_t n) {
  TLayerPass pass;  // only its table and how the formulas stand for it
  pass.table = table;
  pass.computed = computed;
  for (std::size_t i = 0; i < n; i += 64) {
    const __mmask64 lanes = Lanes(n - i);
    const V backdrop = _mm512_maskz_loadu_epi8(lanes, d + i);
    const V source = s != nullptr ? _mm512_maskz_loadu_epi8(lanes, s + i) : Zero();
    _mm512_mask_storeu_epi8(out + i, lanes, Blend<Code>(backdrop, source, pass, lanes));
  }
}

using TBlendBytes = void (*)(const std::uint8_t*, bool, const std::uint8_t*, const std::uint8_t*, std::uint8_t*,
                             std::size_t);
constexpr TBlendBytes kBlendBytes[kBlendModeCount] = {
    BlendBytes<0>,  BlendBytes<1>,  BlendBytes<2>,  BlendBytes<3>,  BlendBytes<4>,  BlendBytes<5>,
    BlendBytes<6>,  BlendBytes<7>,  BlendBytes<8>,  BlendBytes<9>,  BlendBytes<10>, BlendBytes<11>,
    BlendBytes<12>, BlendBytes<13>, BlendBytes<14>, BlendBytes<15>, BlendBytes<16>};

}  // namespace

void BlendBytesAvx512(int code, const std::uint8_t* table, bool computed, const std::uint8_t* d,
                      const std::uint8_t* s, std::uint8_t* out, std::size_t n) {
  kBlendBytes[code](table, computed, d, s, out, n);
}

void MixBytesAvx512(const std::uint8_t* d, const std::uint8_t* t, const std::uint8_t* a, std::uint8_t* out,
                    std::size_t n) {
  for (std::size_t s = 0; s < n; s += 64) {
    const __mmask64 lanes = Lanes(n - s);
    const V backdrop = _mm512_maskz_loadu_epi8(lanes, d + s);
    const V target = _mm512_maskz_loadu_epi8(lanes, t + s);
    _mm512_mask_storeu_epi8(out + s, lanes, Mix(backdrop, target, AlphaWeights(_mm512_maskz_loadu_epi8(lanes, a + s))));
  }
}

void CheckBlendFormulasAvx512(const std::uint8_t* const* tables, bool* exact) {
  for (int code = 0; code < kBlendModeCount; ++code) {
    exact[code] = tables[code] != nullptr && kFormulaChecks[code](tables[code]);
  }
}

}  // namespace tintloom

#include "core/artwork/avx512_end.h"

#endif
