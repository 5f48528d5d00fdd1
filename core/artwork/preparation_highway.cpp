// The layer preparation's clipped-layer move for processors without
// AVX-512: one source built by Google Highway for each instruction set that
// has a fused multiply-add (AVX2, NEON on 64-bit ARM), chosen with the
// compositor's kernel.

#include <cstddef>
#include <cstdint>

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

}  // namespace tintloom
#endif
