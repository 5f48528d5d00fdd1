// The layer preparation's row steps for processors without AVX-512 (the
// clipped layers' coverage and move, and the shrink across): one source built by Google
// Highway for each instruction set that has a fused multiply-add (AVX2, NEON
// on 64-bit ARM), chosen with the compositor's kernel.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/artwork/compose_kernels.h"
#include "core/artwork/preparation_kernels.h"

#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_SSSE3 | HWY_AVX3 | HWY_AVX3_DL)
#endif

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "core/artwork/preparation_highway.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

// Only where a multiply and an add fuse into one rounding: the argument below
// needs it, and an unfused pair would round twice.
#if HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128 && HWY_NATIVE_FMA
HWY_BEFORE_NAMESPACE();
namespace tintloom {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

// As MoveTowardAvx512, whose argument holds lane by lane: the plain form is
// trunc(d + f x (s - d)) in double, which is d + floor(f x delta) with
// delta = s - d; f x delta rounded to a float, floored, is that or one
// more, and the sign of the fused f x delta - k, rounded once from the exact
// value (a multiple of f's last place, never rounded to zero), says which.
// Coverage 0 and 1 are most of a row (outside the base and inside it):
// those vectors only keep d or take s, whose bytes the move would give.
// Elsewhere the sum d + k is a whole number 0..255 held exactly in a float,
// and its bits over 1.5 x 2^23 carry it in their low byte, which is kept.
void MoveToward(std::uint8_t* d, const std::uint8_t* s, const float* f, std::size_t n) {
  const hn::ScalableTag<float> df;
  const hn::RebindToSigned<decltype(df)> di;
  const hn::RebindToUnsigned<decltype(df)> du;
  const hn::Rebind<std::uint8_t, decltype(df)> d8;
  const std::size_t step = hn::Lanes(df);
  const auto one = hn::Set(df, 1.0f), zero = hn::Zero(df);
  const auto magic = hn::Set(df, 12582912.0f);
  const auto Widen = [&](const std::uint8_t* p) { return hn::ConvertTo(df, hn::BitCast(di, hn::PromoteTo(du, hn::LoadU(d8, p)))); };
  // The moved value d + k, a whole number 0..255, of lanes [at, at + step).
  const auto Moved = [&](std::size_t at, decltype(zero) fv) {
    const auto dv = Widen(d + at);
    const auto delta = hn::Sub(s != nullptr ? Widen(s + at) : zero, dv);
    auto k = hn::Floor(hn::Mul(fv, delta));
    const auto rest = hn::MulAdd(fv, delta, hn::Neg(k));
    k = hn::IfThenElse(hn::Lt(rest, zero), hn::Sub(k, one), k);
    return hn::Add(dv, k);
  };
  std::size_t i = 0;
#if HWY_TARGET == HWY_AVX2
  // Four vectors narrowed together: three packs and one lane permute for
  // 32 bytes, where narrowing each alone takes three shuffles for 8, and
  // shuffles are what this loop waits for (one port on these processors).
  for (; i + 4 * step <= n; i += 4 * step) {
    const hn::Vec<decltype(df)> fv[4] = {hn::LoadU(df, f + i), hn::LoadU(df, f + i + step),
                                         hn::LoadU(df, f + i + 2 * step), hn::LoadU(df, f + i + 3 * step)};
    const auto lowest = hn::Min(hn::Min(fv[0], fv[1]), hn::Min(fv[2], fv[3]));
    const auto highest = hn::Max(hn::Max(fv[0], fv[1]), hn::Max(fv[2], fv[3]));
    if (hn::AllTrue(df, hn::Eq(highest, zero)) && hn::AllTrue(df, hn::Eq(lowest, zero))) continue;
    if (hn::AllTrue(df, hn::Eq(highest, one)) && hn::AllTrue(df, hn::Eq(lowest, one))) {
      if (s != nullptr) {
        std::memcpy(d + i, s + i, 4 * step);
      } else {
        std::memset(d + i, 0, 4 * step);
      }
      continue;
    }
    const __m256i low = _mm256_packus_epi32(_mm256_cvttps_epi32(Moved(i, fv[0]).raw),
                                            _mm256_cvttps_epi32(Moved(i + step, fv[1]).raw));
    const __m256i high = _mm256_packus_epi32(_mm256_cvttps_epi32(Moved(i + 2 * step, fv[2]).raw),
                                             _mm256_cvttps_epi32(Moved(i + 3 * step, fv[3]).raw));
    // Each 128-bit half now holds four bytes of every vector in turn.
    const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(low, high),
                                                      _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), bytes);
  }
#endif
  for (; i + step <= n; i += step) {
    const auto fv = hn::LoadU(df, f + i);
    if (hn::AllTrue(df, hn::Eq(fv, zero))) continue;
    if (hn::AllTrue(df, hn::Eq(fv, one))) {
      hn::StoreU(s != nullptr ? hn::LoadU(d8, s + i) : hn::Zero(d8), d8, d + i);
      continue;
    }
    hn::StoreU(hn::TruncateTo(d8, hn::BitCast(du, hn::Add(Moved(i, fv), magic))), d8, d + i);
  }
  for (; i < n; ++i) {  // the last few as the plain form
    d[i] = static_cast<std::uint8_t>(
        static_cast<int>(d[i] + static_cast<double>(f[i]) * ((s != nullptr ? s[i] : 0) - d[i])));
  }
}

// Runs of transparency 0 and 255 (outside the base and inside it) are most
// of a row: those vectors take their one coverage without a lookup, the
// others gather theirs.
bool CoverageRow(const std::uint8_t* t, const float* coverage, float* f, std::size_t n) {
  const hn::ScalableTag<float> df;
  const hn::RebindToSigned<decltype(df)> di;
  const hn::RebindToUnsigned<decltype(df)> du;
  const hn::Rebind<std::uint8_t, decltype(df)> d8;
  const std::size_t step = hn::Lanes(df);
  const auto none = hn::Set(df, coverage[0]), full = hn::Set(df, coverage[255]), zero = hn::Zero(df);
  const auto clear = hn::Zero(d8), opaque = hn::Set(d8, 255);
  auto any = hn::Eq(zero, hn::Set(df, 1.0f));  // none yet
  std::size_t i = 0;
  for (; i + step <= n; i += step) {
    const auto bytes = hn::LoadU(d8, t + i);
    auto v = none;
    if (hn::AllTrue(d8, hn::Eq(bytes, opaque))) {
      v = full;
    } else if (!hn::AllTrue(d8, hn::Eq(bytes, clear))) {
      v = hn::GatherIndex(df, coverage, hn::BitCast(di, hn::PromoteTo(du, bytes)));
    }
    hn::StoreU(v, df, f + i);
    // Not equal to 0, a NaN included, as the plain check counts it.
    any = hn::Or(any, hn::Not(hn::Eq(v, zero)));
  }
  bool covered = !hn::AllFalse(df, any);
  for (; i < n; ++i) {
    f[i] = coverage[t[i]];
    covered = covered || !(f[i] == 0.0f);
  }
  return covered;
}

// The plain form (FinishAverage) per output, in double lanes with the same
// operations in the same order: the whole-byte sum (exact), less lead x
// first rounded to a float, plus tail x last rounded to a float, then
// sum / s + 0.5 clamped to 0..255 and truncated. Every step is one correctly
// rounded IEEE operation in both forms, so the bytes are the same, except
// the division, done by a multiply where that cannot change the result.
template <class DF>
class TFinish {
 public:
  using V = hn::Vec<DF>;
  // Plain numbers kept, not vectors: SVE's vectors cannot be members.
  explicit TFinish(double span) : span_(span), inverse_(1.0 / span) {}

  // Outputs [at, at + lanes) from their sums and end bytes.
  void operator()(V sum, V lead, V first, V tail, V last, std::uint8_t* out) const {
    const DF df;
    const hn::RebindToUnsigned<DF> du;
    const hn::Rebind<float, DF> dfloat;
    const hn::Rebind<std::uint8_t, DF> d8;
    sum = hn::PromoteTo(df, hn::DemoteTo(dfloat, hn::Sub(sum, hn::Mul(lead, first))));
    sum = hn::PromoteTo(df, hn::DemoteTo(dfloat, hn::Add(sum, hn::Mul(tail, last))));
    // sum / s + 0.5 by a multiply: the quotient stays below 2^9 wherever the
    // sums are exact floats, so the guess is within 1e-13 of the exact value,
    // as the divided form is, and where it lies more than 1e-9 from a whole
    // number both floor alike. Ties (an integer span, an odd sum) and near
    // ones divide.
    const V half = hn::Set(df, 0.5);
    auto v = hn::MulAdd(sum, hn::Set(df, inverse_), half);
    auto whole = hn::Floor(v);
    const auto fraction = hn::Sub(v, whole);
    if (!hn::AllTrue(df, hn::And(hn::Gt(fraction, hn::Set(df, 1e-9)), hn::Lt(fraction, hn::Set(df, 1.0 - 1e-9))))) {
      whole = hn::Floor(hn::Add(hn::Div(sum, hn::Set(df, span_)), half));
    }
    // Clamping after the floor is the same as before it, 0 and 255 being
    // whole; the whole number then lands in the low byte of 2^52 + v.
    v = hn::Min(hn::Max(whole, hn::Zero(df)), hn::Set(df, 255.0));
    hn::StoreU(hn::TruncateTo(d8, hn::BitCast(du, hn::Add(v, hn::Set(df, 4503599627370496.0)))), d8, out);
  }

 private:
  double span_, inverse_;
};

inline std::uint8_t FinishOne(double sum_in, std::int32_t first, std::int32_t last, double lead, double tail,
                              double span) {
  auto sum = static_cast<float>(sum_in);
  sum = static_cast<float>(sum - lead * first);
  sum = static_cast<float>(sum + tail * last);
  return static_cast<std::uint8_t>(static_cast<int>(std::min(std::max(sum / span + 0.5, 0.0), 255.0)));
}

// Each window's bytes are one eight-byte read, its kept bytes summed at once.
void ShrinkWords(const TWordWindows& w, const std::uint8_t* row, std::size_t from, std::size_t to,
                 std::uint8_t* out) {
  const hn::ScalableTag<double> df;
  const hn::RebindToUnsigned<decltype(df)> du;
  const hn::Repartition<std::uint8_t, decltype(du)> d8;
  constexpr std::size_t kMost = hn::MaxLanes(df);
  const std::size_t step = hn::Lanes(df);
  const TFinish<decltype(df)> finish(w.span);
  // Whole numbers below 2^52 to doubles by the bits of 2^52 + x, exact,
  // and cheaper than the general conversion where 64-bit integers have no
  // conversion instruction (AVX2).
  const auto magic = hn::Set(df, 4503599627370496.0);
  const auto Whole = [&](auto x) { return hn::Sub(hn::BitCast(df, hn::Or(x, hn::BitCast(du, magic))), magic); };
  std::size_t j = from;
  for (; j + step <= to; j += step) {
    HWY_ALIGN std::uint64_t words[kMost], lasts[kMost];
    for (std::size_t k = 0; k < step; ++k) {
      std::memcpy(&words[k], row + w.first[j + k], 8);
      lasts[k] = row[w.last[j + k]];
    }
    const auto word = hn::Load(du, words);
    const auto kept = hn::And(word, hn::LoadU(du, w.keep + j));
    finish(Whole(hn::SumsOf8(hn::BitCast(d8, kept))), hn::LoadU(df, w.lead + j), Whole(hn::And(word, hn::Set(du, 0xFF))),
           hn::LoadU(df, w.tail + j), Whole(hn::Load(du, lasts)), out + j);
  }
  for (; j < to; ++j) {  // the last few as the plain form
    std::uint64_t word;
    std::memcpy(&word, row + w.first[j], 8);
    out[j] = FinishOne(static_cast<double>(hn::GetLane(hn::SumsOf8(hn::BitCast(d8, hn::Set(du, word & w.keep[j]))))),
                       row[w.first[j]], row[w.last[j]], w.lead[j], w.tail[j], w.span);
  }
}

// The same finish from sums and end bytes already gathered.
void FinishAverages(const TAverageInputs& a, std::size_t from, std::size_t to, std::uint8_t* out) {
  const hn::ScalableTag<double> df;
  const hn::Rebind<std::int32_t, decltype(df)> d32;
  const std::size_t step = hn::Lanes(df);
  const TFinish<decltype(df)> finish(a.span);
  const auto Load = [&](const std::int32_t* p) { return hn::PromoteTo(df, hn::LoadU(d32, p)); };
  std::size_t j = from;
  for (; j + step <= to; j += step) {
    finish(Load(a.whole + j), hn::LoadU(df, a.lead + j), Load(a.first + j), hn::LoadU(df, a.tail + j),
           Load(a.last + j), out + j);
  }
  for (; j < to; ++j) out[j] = FinishOne(a.whole[j], a.first[j], a.last[j], a.lead[j], a.tail[j], a.span);
}

}  // namespace HWY_NAMESPACE
}  // namespace tintloom
HWY_AFTER_NAMESPACE();
#endif

#if HWY_ONCE
namespace tintloom {

TMoveToward HighwayMoveToward(TComposeKernel kernel) {
  if (!ComposeKernelAvailable(kernel)) return nullptr;
  switch (kernel) {
#if (HWY_TARGETS & HWY_AVX2)
    case TComposeKernel::kAvx2: return N_AVX2::MoveToward;
#endif
#if (HWY_TARGETS & HWY_NEON) && HWY_ARCH_ARM_A64
    case TComposeKernel::kNeon: return N_NEON::MoveToward;
#endif
    default: return nullptr;
  }
}

TCoverageRow HighwayCoverageRow(TComposeKernel kernel) {
  if (!ComposeKernelAvailable(kernel)) return nullptr;
  switch (kernel) {
#if (HWY_TARGETS & HWY_AVX2)
    case TComposeKernel::kAvx2: return N_AVX2::CoverageRow;
#endif
#if (HWY_TARGETS & HWY_NEON) && HWY_ARCH_ARM_A64
    case TComposeKernel::kNeon: return N_NEON::CoverageRow;
#endif
    default: return nullptr;
  }
}

TFinishAverages HighwayFinishAverages(TComposeKernel kernel) {
  if (!ComposeKernelAvailable(kernel)) return nullptr;
  switch (kernel) {
#if (HWY_TARGETS & HWY_AVX2)
    // The AVX-512 kernel's own shrink covers only windows of up to eight
    // bytes; the longer ones take this (those processors have AVX2).
    case TComposeKernel::kAvx512:
    case TComposeKernel::kAvx2: return N_AVX2::FinishAverages;
#endif
#if (HWY_TARGETS & HWY_NEON) && HWY_ARCH_ARM_A64
    case TComposeKernel::kNeon: return N_NEON::FinishAverages;
#endif
    default: return nullptr;
  }
}

TShrinkWords HighwayShrinkWords(TComposeKernel kernel) {
  if (!ComposeKernelAvailable(kernel)) return nullptr;
  switch (kernel) {
#if (HWY_TARGETS & HWY_AVX2)
    case TComposeKernel::kAvx2: return N_AVX2::ShrinkWords;
#endif
#if (HWY_TARGETS & HWY_NEON) && HWY_ARCH_ARM_A64
    case TComposeKernel::kNeon: return N_NEON::ShrinkWords;
#endif
    default: return nullptr;
  }
}

}  // namespace tintloom
#endif
