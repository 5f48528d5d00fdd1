// Any bytes given to the PSD composite decoder: it must refuse or decode,
// never read outside the input or allocate from an unchecked size.

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/artwork/psd_composite.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tintloom::Result<tintloom::TPsdComposite> picture = tintloom::DecodePsdComposite(std::span(data, size));
  (void)picture;
  return 0;
}
