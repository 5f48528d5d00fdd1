// Included by the vector kernels' source files, after their own includes:
// everything from here to avx512_end.h is built for the instructions that
// ComposeKernelAvailable checks for (AVX-512 F, BW, DQ, VL and VBMI, and
// BMI2), and is only ever called once that check has passed. Code there
// must be plain functions of its own file (no standard templates, no inline
// code shared with other files), so that no other file can end up calling an
// AVX-512 copy of it. No include guard: each kernel file takes it once.

#if !defined(__clang__)
// Vector arguments and results here never cross into code built without
// AVX-512, and GCC 12's own AVX-512 header trips its uninitialised-use
// check (its "undefined" vectors), reported at the header's lines.
#pragma GCC diagnostic ignored "-Wpsabi"
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,avx512dq,avx512vl,avx512vbmi,bmi2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512dq,avx512vl,avx512vbmi,bmi2")
#endif
