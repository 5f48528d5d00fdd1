// The layer preparation's row steps for processors with AVX-512 (F, BW, DQ,
// VL and VBMI), built with those instructions for this file only and chosen
// at run time with the compositor's vector kernel.

#include "core/artwork/preparation_kernels.h"

#if defined(__x86_64__)

#include "core/artwork/avx512_begin.h"

namespace tintloom {

namespace {

inline __mmask64 Lanes64(std::int64_t n) { return n >= 64 ? ~__mmask64{0} : n <= 0 ? 0 : (__mmask64{1} << n) - 1; }
inline __mmask16 Lanes16(std::size_t n) { return n >= 16 ? __mmask16(0xFFFF) : static_cast<__mmask16>((1u << n) - 1); }

}  // namespace

// The plain form (FinishAverage) per output, in eight double lanes with the
// same operations in the same order: the whole-byte sum as a float (exact,
// below 2^24), less lead x first rounded to a float, plus tail x last
// rounded to a float, then sum / s + 0.5 clamped to 0..255 and truncated.
// Every step is one correctly rounded IEEE operation in both forms, so the
// bytes are the same. A whole window has lead = tail = 0, where those two
// steps leave the sum as it is and are skipped.
void ShrinkAcrossAvx512(const TAcrossChunks& c, const std::uint8_t* row, std::uint8_t* out) {
  const __m512i zero = _mm512_setzero_si512();
  const __m512d span = _mm512_set1_pd(c.span);
  const __m512d half = _mm512_set1_pd(0.5);
  const __m512d low = _mm512_setzero_pd();
  const __m512d high = _mm512_set1_pd(255.0);
  const __m512i byte = _mm512_set1_epi64(0xFF);
  for (std::size_t k = 0; k < c.chunks; ++k) {
    const std::int64_t at = c.offset[k];
    // Only bytes inside the row are read; the permutes never pick the others.
    const __m512i data = _mm512_maskz_loadu_epi8(Lanes64(c.row_width - at), row + at);
    const __m512i bytes = _mm512_maskz_permutexvar_epi8(c.sum_keep[k], _mm512_loadu_si512(c.sum_index + 64 * k), data);
    __m512d sum = _mm512_cvtepi64_pd(_mm512_sad_epu8(bytes, zero));
    if (!c.whole) {
      const __m512i ends = _mm512_maskz_permutexvar_epi8(c.ends_keep[k], _mm512_loadu_si512(c.ends_index + 64 * k), data);
      const __m512d first = _mm512_cvtepi64_pd(_mm512_and_si512(ends, byte));
      const __m512d last = _mm512_cvtepi64_pd(_mm512_srli_epi64(ends, 8));
      const __m512d lead = _mm512_loadu_pd(c.lead + 8 * k);
      const __m512d tail = _mm512_loadu_pd(c.tail + 8 * k);
      sum = _mm512_cvtps_pd(_mm512_cvtpd_ps(_mm512_sub_pd(sum, _mm512_mul_pd(lead, first))));
      sum = _mm512_cvtps_pd(_mm512_cvtpd_ps(_mm512_add_pd(sum, _mm512_mul_pd(tail, last))));
    }
    __m512d v = _mm512_add_pd(_mm512_div_pd(sum, span), half);
    v = _mm512_min_pd(_mm512_max_pd(v, low), high);
    const __m128i bytes8 = _mm256_cvtepi32_epi8(_mm512_cvttpd_epi32(v));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 8 * k), bytes8);
  }
}

// The plain form is trunc(d + f x (s - d)) in double. With delta = s - d an
// integer in -255..255 and f a float in 0..1, f x delta is exact in double,
// and so (as the result lies between d and s, never below 0) the plain
// result is d + floor(f x delta): its sum with d is rounded only where f is
// so small (below 1/255) that the fraction stays far from a whole number.
// Here f x delta is rounded to a float p and k = floor(p). Rounding is
// monotonic and whole numbers are floats, so k is floor(f x delta) or one
// more (when f x delta lies just below k and rounded up to it). The fused
// multiply-add f x delta - k is rounded once from the exact value, which is
// a multiple of f's last place and so never rounds to zero: its sign says
// which, and k steps down when it is negative.
void MoveTowardAvx512(std::uint8_t* d, const std::uint8_t* s, const float* f, std::size_t n) {
  const __m512 one = _mm512_set1_ps(1.0f);
  for (std::size_t i = 0; i < n; i += 16) {
    const __mmask16 lanes = Lanes16(n - i);
    const __m512i dv = _mm512_cvtepu8_epi32(_mm_maskz_loadu_epi8(lanes, d + i));
    const __m512i sv = s != nullptr ? _mm512_cvtepu8_epi32(_mm_maskz_loadu_epi8(lanes, s + i)) : _mm512_setzero_si512();
    const __m512 delta = _mm512_cvtepi32_ps(_mm512_sub_epi32(sv, dv));
    const __m512 fv = _mm512_maskz_loadu_ps(lanes, f + i);
    __m512 k = _mm512_roundscale_ps(_mm512_mul_ps(fv, delta), _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    const __m512 rest = _mm512_fmadd_ps(fv, delta, _mm512_sub_ps(_mm512_setzero_ps(), k));
    k = _mm512_mask_sub_ps(k, _mm512_cmp_ps_mask(rest, _mm512_setzero_ps(), _CMP_LT_OQ), k, one);
    const __m512i result = _mm512_add_epi32(dv, _mm512_cvtps_epi32(k));
    _mm_mask_storeu_epi8(d + i, lanes, _mm512_cvtepi32_epi8(result));
  }
}

// A 256-entry float table as eight pairs of registers: a two-register
// permute looks up the low five bits, and bits 5, 6 and 7 choose among the
// eight results.
bool CoverageRowAvx512(const std::uint8_t* t, const float* coverage, float* f, std::size_t n) {
  __m512 table[16];
  for (int q = 0; q < 16; ++q) table[q] = _mm512_loadu_ps(coverage + 16 * q);
  const __m512i bit5 = _mm512_set1_epi32(32), bit6 = _mm512_set1_epi32(64), bit7 = _mm512_set1_epi32(128);
  __mmask16 any = 0;
  for (std::size_t i = 0; i < n; i += 16) {
    const __mmask16 lanes = Lanes16(n - i);
    const __m512i index = _mm512_cvtepu8_epi32(_mm_maskz_loadu_epi8(lanes, t + i));
    __m512 r[8];
    for (int p = 0; p < 8; ++p) r[p] = _mm512_permutex2var_ps(table[2 * p], index, table[2 * p + 1]);
    const __mmask16 b5 = _mm512_test_epi32_mask(index, bit5);
    const __mmask16 b6 = _mm512_test_epi32_mask(index, bit6);
    const __mmask16 b7 = _mm512_test_epi32_mask(index, bit7);
    const __m512 lo = _mm512_mask_blend_ps(b6, _mm512_mask_blend_ps(b5, r[0], r[1]), _mm512_mask_blend_ps(b5, r[2], r[3]));
    const __m512 hi = _mm512_mask_blend_ps(b6, _mm512_mask_blend_ps(b5, r[4], r[5]), _mm512_mask_blend_ps(b5, r[6], r[7]));
    const __m512 v = _mm512_mask_blend_ps(b7, lo, hi);
    any = static_cast<__mmask16>(any | _mm512_mask_cmp_ps_mask(lanes, v, _mm512_setzero_ps(), _CMP_NEQ_UQ));
    _mm512_mask_storeu_ps(f + i, lanes, v);
  }
  return any != 0;
}

}  // namespace tintloom

#include "core/artwork/avx512_end.h"

#endif
