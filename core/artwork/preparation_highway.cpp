// The layer preparation's row steps for processors without AVX-512 (the
// clipped layers' move and the shrink across): one source built by Google
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
void MoveToward(std::uint8_t* d, const std::uint8_t* s, const float* f, std::size_t n) {
  const hn::ScalableTag<float> df;
  const hn::RebindToSigned<decltype(df)> di;
  const hn::Rebind<std::uint8_t, decltype(df)> d8;
  const std::size_t step = hn::Lanes(df);
  const auto one = hn::Set(df, 1.0f);
  const auto lane = [&](std::size_t i, auto fv, auto sv) {
    const auto dv = hn::BitCast(di, hn::PromoteTo(hn::RebindToUnsigned<decltype(di)>(), hn::LoadU(d8, d + i)));
    const auto delta = hn::ConvertTo(df, hn::Sub(sv, dv));
    auto k = hn::Floor(hn::Mul(fv, delta));
    const auto rest = hn::MulAdd(fv, delta, hn::Neg(k));
    k = hn::IfThenElse(hn::Lt(rest, hn::Zero(df)), hn::Sub(k, one), k);
    return hn::DemoteTo(d8, hn::Add(dv, hn::ConvertTo(di, k)));
  };
  std::size_t i = 0;
  for (; i + step <= n; i += step) {
    const auto sv = s != nullptr ? hn::BitCast(di, hn::PromoteTo(hn::RebindToUnsigned<decltype(di)>(),
                                                                    hn::LoadU(d8, s + i)))
                                 : hn::Zero(di);
    hn::StoreU(lane(i, hn::LoadU(df, f + i), sv), d8, d + i);
  }
  for (; i < n; ++i) {  // the last few as the plain form
    d[i] = static_cast<std::uint8_t>(
        static_cast<int>(d[i] + static_cast<double>(f[i]) * ((s != nullptr ? s[i] : 0) - d[i])));
  }
}

// The plain form (FinishAverage) per output, in double lanes with the same
// operations in the same order: the whole-byte sum (exact), less lead x
// first rounded to a float, plus tail x last rounded to a float, then
// sum / s + 0.5 clamped to 0..255 and truncated. Every step is one correctly
// rounded IEEE operation in both forms, so the bytes are the same. Each
// window's bytes are one eight-byte read, its kept bytes summed at once.
void ShrinkWords(const TWordWindows& w, const std::uint8_t* row, std::size_t from, std::size_t to,
                 std::uint8_t* out) {
  const hn::ScalableTag<double> df;
  const hn::RebindToUnsigned<decltype(df)> du;
  const hn::Repartition<std::uint8_t, decltype(du)> d8;
  constexpr std::size_t kMost = hn::MaxLanes(df);
  const std::size_t step = hn::Lanes(df);
  const auto span = hn::Set(df, w.span), half = hn::Set(df, 0.5);
  const auto low = hn::Zero(df), high = hn::Set(df, 255.0);
  // Whole numbers below 2^52 to doubles and back by the bits of 2^52 + x,
  // exact, and cheaper than the general conversions where 64-bit integers
  // have no conversion instruction (AVX2).
  const auto magic = hn::Set(df, 4503599627370496.0);
  const auto Whole = [&](auto x) { return hn::Sub(hn::BitCast(df, hn::Or(x, hn::BitCast(du, magic))), magic); };
  std::size_t j = from;
  for (; j + step <= to; j += step) {
    HWY_ALIGN std::uint64_t words[kMost], lasts[kMost];
    HWY_ALIGN std::uint64_t bytes[kMost];
    for (std::size_t k = 0; k < step; ++k) {
      std::memcpy(&words[k], row + w.first[j + k], 8);
      lasts[k] = row[w.last[j + k]];
    }
    const auto word = hn::Load(du, words);
    const auto kept = hn::And(word, hn::LoadU(du, w.keep + j));
    auto sum = Whole(hn::SumsOf8(hn::BitCast(d8, kept)));
    const auto first = Whole(hn::And(word, hn::Set(du, 0xFF)));
    const auto last = Whole(hn::Load(du, lasts));
    const hn::Rebind<float, decltype(df)> dfloat;
    sum = hn::PromoteTo(df, hn::DemoteTo(dfloat, hn::Sub(sum, hn::Mul(hn::LoadU(df, w.lead + j), first))));
    sum = hn::PromoteTo(df, hn::DemoteTo(dfloat, hn::Add(sum, hn::Mul(hn::LoadU(df, w.tail + j), last))));
    const auto v = hn::Min(hn::Max(hn::Add(hn::Div(sum, span), half), low), high);
    // v >= 0, so truncating is flooring; the whole number then lands in the
    // low bits of 2^52 + v.
    hn::Store(hn::BitCast(du, hn::Add(hn::Floor(v), magic)), du, bytes);
    for (std::size_t k = 0; k < step; ++k) out[j + k] = static_cast<std::uint8_t>(bytes[k]);
  }
  for (; j < to; ++j) {  // the last few as the plain form
    std::uint64_t word;
    std::memcpy(&word, row + w.first[j], 8);
    float sum = static_cast<float>(hn::GetLane(hn::SumsOf8(hn::BitCast(d8, hn::Set(du, word & w.keep[j])))));
    sum = static_cast<float>(sum - w.lead[j] * row[w.first[j]]);
    sum = static_cast<float>(sum + w.tail[j] * row[w.last[j]]);
    out[j] = static_cast<std::uint8_t>(static_cast<int>(std::min(std::max(sum / w.span + 0.5, 0.0), 255.0)));
  }
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
