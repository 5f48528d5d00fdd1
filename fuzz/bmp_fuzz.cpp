// Any bytes given to the bitmap decoder: it must refuse or decode, never read
// outside the input or allocate from an unchecked size.

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/colour/bmp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tintloom::Result<tintloom::TSurface> surface = tintloom::DecodeBmp(std::span(data, size));
  (void)surface;
  return 0;
}
