#pragma once
// Vector forms of the layer preparation's row steps, for processors with
// AVX-512 (the same set the compositor's vector kernel needs), chosen with
// the compositor's kernel. Each gives the same bytes as the plain loop in
// layer_preparation.cpp; the arithmetic that shows why is beside each.

#include <cstddef>
#include <cstdint>

namespace tintloom {

// The leading outputs of a row's shrink across, in chunks of eight: chunk c
// reads the 64 bytes from offset[c] and takes output 8c + g's window from
// them by byte permutes (sum_index/sum_keep: the window's whole bytes into
// byte group g; ends_index/ends_keep: its first byte into byte 8g and the
// byte after it into byte 8g + 1). Plain pointers, so that nothing of the
// standard library crosses into the AVX-512 file.
struct TAcrossChunks {
  std::size_t chunks = 0;
  const std::int64_t* offset = nullptr;
  const std::uint8_t* sum_index = nullptr;   // 64 per chunk
  const std::uint64_t* sum_keep = nullptr;   // one per chunk
  const std::uint8_t* ends_index = nullptr;  // 64 per chunk
  const std::uint64_t* ends_keep = nullptr;
  const double* lead = nullptr;              // 8 per chunk: a - e
  const double* tail = nullptr;              // 8 per chunk: a + s - z
  bool whole = false;                        // every window whole: no ends, no fractions
  double span = 1.0;
  std::int64_t row_width = 0;
};

#if defined(__x86_64__)
// Outputs [0, 8 chunks) of one row.
void ShrinkAcrossAvx512(const TAcrossChunks& chunks, const std::uint8_t* row, std::uint8_t* out);
// d[i] moves toward s[i] (0 where s is null) by f[i], truncated.
void MoveTowardAvx512(std::uint8_t* d, const std::uint8_t* s, const float* f, std::size_t n);
// f[i] = coverage[t[i]]; true when any f[i] is not 0.
bool CoverageRowAvx512(const std::uint8_t* t, const float* coverage, float* f, std::size_t n);
#endif

// The move above and the coverage for other vector kernels (AVX2, NEON on
// 64-bit ARM): null
// where `kernel` has none here, and the plain loop serves.
enum class TComposeKernel;
using TMoveToward = void (*)(std::uint8_t* d, const std::uint8_t* s, const float* f, std::size_t n);
TMoveToward HighwayMoveToward(TComposeKernel kernel);

// f[i] = coverage[t[i]] over n bytes; true when any f[i] is not 0 (as
// CoverageRowAvx512). Null where `kernel` has none here.
using TCoverageRow = bool (*)(const std::uint8_t* t, const float* coverage, float* f, std::size_t n);
TCoverageRow HighwayCoverageRow(TComposeKernel kernel);

// A row's shrink across for outputs [from, to) whose windows are each one
// eight-byte read inside the row (first[j] + 8 <= row width), keep[j] the
// window's bytes of it, the last byte read at last[j]; as the plain
// FinishAverage. Null where `kernel` has none here.
struct TWordWindows {
  const std::int64_t* first = nullptr;
  const std::int64_t* last = nullptr;
  const std::uint64_t* keep = nullptr;
  const double* lead = nullptr;
  const double* tail = nullptr;
  double span = 1.0;
};
using TShrinkWords = void (*)(const TWordWindows& windows, const std::uint8_t* row, std::size_t from,
                              std::size_t to, std::uint8_t* out);
TShrinkWords HighwayShrinkWords(TComposeKernel kernel);

// The same finish for outputs [from, to) from their whole-byte sums and
// first and last bytes, gathered already (the windows longer than a word),
// for the AVX-512 kernel too. Null where `kernel` has none here.
struct TAverageInputs {
  const std::int32_t* whole = nullptr;
  const std::int32_t* first = nullptr;
  const std::int32_t* last = nullptr;
  const double* lead = nullptr;
  const double* tail = nullptr;
  double span = 1.0;
};
using TFinishAverages = void (*)(const TAverageInputs& inputs, std::size_t from, std::size_t to, std::uint8_t* out);
TFinishAverages HighwayFinishAverages(TComposeKernel kernel);

}  // namespace tintloom
