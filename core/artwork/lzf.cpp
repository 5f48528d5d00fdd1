#include "core/artwork/lzf.h"

#include <cstring>

namespace tintloom {

std::ptrdiff_t LzfDecompress(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
  std::size_t ip = 0, op = 0;
  const std::size_t in_end = in.size(), out_end = out.size();
  while (ip < in_end) {
    std::size_t ctrl = in[ip++];
    if (ctrl < 32) {
      // ctrl + 1 literal bytes.
      const std::size_t length = ctrl + 1;
      if (length > in_end - ip || length > out_end - op) return -1;
      std::memcpy(out.data() + op, in.data() + ip, length);
      ip += length;
      op += length;
      continue;
    }
    // A back reference: the top three bits hold the length less 2 (7: one
    // more byte follows with the rest), the low five and the next byte the
    // distance less 1.
    std::size_t length = ctrl >> 5;
    if (ip >= in_end) return -1;
    if (length == 7) {
      length += in[ip++];
      if (ip >= in_end) return -1;
    }
    const std::size_t distance = ((ctrl & 0x1F) << 8) + in[ip++] + 1;
    length += 2;
    if (distance > op || length > out_end - op) return -1;
    // Byte by byte: a reference may overlap what it writes (a run).
    for (std::size_t k = 0; k < length; ++k, ++op) out[op] = out[op - distance];
  }
  return static_cast<std::ptrdiff_t>(op);
}

}  // namespace tintloom
