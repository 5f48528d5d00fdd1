// Any bytes given to the zip container and carried along the way the program
// opens Krita and OpenRaster artwork: the container, its layer tree, each
// layer's PNG or tiles decoded as the layer preparation reaches it, the
// working layers shrunk and placed. No read outside the input, no write
// outside a plane, no entry inflated past the size it declares.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/artwork/layered_archive.h"
#include "core/artwork/psd_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tintloom;
  TPSD doc;
  TSilentProgress progress;
  TSilentMessages messages;
  if (!DecodeLayeredArchive(std::vector<std::uint8_t>(data, data + size), "fuzz.kra", doc, progress)) return 0;
  static const TBlendTable blend;
  if (!ReduceLayers(doc, blend, progress, messages, true, true)) return 0;
  ShrinkToCanvas(doc, progress);
  return 0;
}
