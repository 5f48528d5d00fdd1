#include "core/artwork/packbits.h"

#include <algorithm>
#include <cstring>

namespace tintloom {

namespace {

// The header -128 (0x80) is no run at all: PackBits defines it as a no-op,
// with no value byte after it, and other readers skip it likewise. Read as a
// run of 129 it would shift every byte after it.
constexpr std::uint8_t kNoOperation = 0x80;

}  // namespace

std::size_t UnpackColumns(std::span<std::uint8_t> out, std::span<const std::uint8_t> packed, std::size_t skip) {
  if (skip == 0) return UnpackRow(out, packed);
  const std::size_t end = skip + out.size();
  std::size_t in = 0, at = 0;  // `at`: position in the decoded row
  // The part of decoded bytes [at, at + n) that falls in [skip, end).
  const auto part = [&](std::size_t n, std::size_t& from, std::size_t& count) {
    from = std::max(at, skip);
    const std::size_t to = std::min(at + n, end);
    count = to > from ? to - from : 0;
  };
  while (in < packed.size() && at < end) {
    const std::uint8_t h = packed[in++];
    std::size_t from = 0, count = 0;
    if (h == kNoOperation) continue;
    if (h < 128) {
      const std::size_t n = std::min(std::size_t{h} + 1, packed.size() - in);
      part(n, from, count);
      if (count > 0) std::memcpy(out.data() + (from - skip), packed.data() + in + (from - at), count);
      in += std::size_t{h} + 1;
      at += n;
    } else {
      if (in >= packed.size()) break;
      const std::uint8_t value = packed[in++];
      const std::size_t n = 257u - h;
      part(n, from, count);
      if (count > 0) std::memset(out.data() + (from - skip), value, count);
      at += n;
    }
  }
  return at > skip ? std::min(at, end) - skip : 0;
}

namespace {

constexpr std::size_t kChunk = 32;

}  // namespace

std::size_t UnpackRow(std::span<std::uint8_t> row, std::span<const std::uint8_t> packed) {
  std::size_t in = 0;
  std::size_t out = 0;
  // While a whole literal can be read and any run written in whole chunks
  // without leaving the row, runs are copied in fixed chunks: a library
  // call per run cost more than the bytes it moved. The last chunk may
  // write past the run, into bytes the following runs overwrite.
  const std::uint8_t* p = packed.data();
  std::uint8_t* d = row.data();
  constexpr std::size_t kLongestLiteral = 128, kLongestRepeat = 129;
  constexpr std::size_t kWidest = (kLongestRepeat + kChunk - 1) / kChunk * kChunk;
  while (in + 1 + kLongestLiteral <= packed.size() && out + kWidest <= row.size()) {
    const std::uint8_t h = p[in];
    if (h == kNoOperation) {
      ++in;
    } else if (h < 128) {
      const std::size_t n = std::size_t{h} + 1;
      for (std::size_t k = 0; k < n; k += kChunk) std::memcpy(d + out + k, p + in + 1 + k, kChunk);
      in += n + 1;
      out += n;
    } else {
      const std::uint8_t value = p[in + 1];
      const std::size_t n = 257u - h;
      for (std::size_t k = 0; k < n; k += kChunk) std::memset(d + out + k, value, kChunk);
      in += 2;
      out += n;
    }
  }
  while (in < packed.size() && out < row.size()) {
    const std::uint8_t h = packed[in++];
    if (h == kNoOperation) continue;
    if (h < 128) {
      // Literal run of h + 1 bytes, cut by the end of the packed bytes or of the row.
      const std::size_t n = std::min({std::size_t{h} + 1, packed.size() - in, row.size() - out});
      std::copy_n(packed.begin() + static_cast<std::ptrdiff_t>(in), n, row.begin() + static_cast<std::ptrdiff_t>(out));
      in += std::size_t{h} + 1;
      out += n;
    } else {
      if (in >= packed.size()) break;  // a repeat header with no value byte
      const std::uint8_t value = packed[in++];
      const std::size_t n = std::min<std::size_t>(257u - h, row.size() - out);
      std::fill_n(row.begin() + static_cast<std::ptrdiff_t>(out), n, value);
      out += n;
    }
  }
  return out;
}

}  // namespace tintloom
