// Any bytes given to the LZF decoder, into outputs of a tile's size and of a
// few bytes: no read outside the input, no write outside the output.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/artwork/lzf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tintloom;
  static std::vector<std::uint8_t> tile(64 * 64 * 8), small(7);
  (void)LzfDecompress(std::span(data, size), tile);
  (void)LzfDecompress(std::span(data, size), small);
  return 0;
}
