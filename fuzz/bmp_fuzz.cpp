// Any bytes given to the bitmap decoder: it must refuse or decode, never read
// outside the input or allocate from an unchecked size.

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/colour/bmp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tintloom::TSurface surface;
  std::string error;
  tintloom::DecodeBmp(data, size, surface, error);
  return 0;
}
