// Any bytes given to the PSD reader, and whatever it accepts carried through
// the layer reduction and the shrink: no read outside the input, no write
// outside a plane, no allocation from an unchecked size.

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/artwork/psd_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tintloom::TPSD doc;
  tintloom::TSilentProgress progress;
  tintloom::TSilentMessages messages;
  if (!tintloom::DecodePsd(std::span(data, size), "fuzz.psd", doc, progress)) return 0;
  // No blend table: clipped layers with a table code draw as normal, and the
  // table is never read.
  static const tintloom::TBlendTable blend;
  if (!tintloom::ReduceLayers(doc, blend, progress, messages)) return 0;
  tintloom::ShrinkToCanvas(doc, progress);
  return 0;
}
