#include "core/artwork/packbits.h"

#include <algorithm>
#include <cstring>

namespace tintloom {

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

std::size_t UnpackRow(std::span<std::uint8_t> row, std::span<const std::uint8_t> packed) {
  std::size_t in = 0;
  std::size_t out = 0;
  while (in < packed.size() && out < row.size()) {
    const std::uint8_t h = packed[in++];
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
