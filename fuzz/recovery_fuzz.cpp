// Any bytes as a recovery file left by an instance that did not end: the
// reader must refuse or decode, never read outside the input.

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/document/recovery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)tintloom::DecodeRecovery(std::span<const std::uint8_t>(data, size));
  return 0;
}
