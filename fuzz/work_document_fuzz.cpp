// Any bytes as a work document: the reader must refuse or decode, never read
// outside the input or nest without bound, and whatever it decodes must be
// written back and read again to the same document.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "core/formats/work_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tintloom::Result<tintloom::TWorkDocument> document =
      tintloom::DecodeWorkDocument(std::span<const std::uint8_t>(data, size));
  if (!document) return 0;
  const std::string again = tintloom::EncodeWorkDocument(*document);
  const tintloom::Result<tintloom::TWorkDocument> back = tintloom::DecodeWorkDocument(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(again.data()), again.size()));
  if (!back || tintloom::EncodeWorkDocument(*back) != again) std::abort();
  return 0;
}
