// Any bytes given to the PSD reader and carried along the way the program
// opens artwork: the records read with the planes left in the bytes, each
// group's planes decoded when it is reduced and each working layer shrunk as
// soon as it is made, then placed, the pick image and the thumbnails built.
// No read outside the input, no write outside a plane or surface, no
// allocation from an unchecked size.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/artwork/artwork_layer.h"
#include "core/artwork/canvas.h"
#include "core/artwork/compositor.h"
#include "core/artwork/psd_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tintloom;
  TPSD doc;
  TSilentProgress progress;
  TSilentMessages messages;
  if (!DecodePsd(std::span(data, size), "fuzz.psd", doc, progress, true)) return 0;
  // No blend table: clipped layers with a table code draw as normal, and the
  // table is never read.
  static const TBlendTable blend;
  if (!ReduceLayers(doc, blend, progress, messages, true, true)) return 0;
  ShrinkToCanvas(doc, progress);
  // Sized as the open command sizes its surfaces: the shrink leaves at most
  // the canvas.
  TSurface pick;
  pick.Create(std::clamp(doc.width, 0, kCanvasSize + 1), std::clamp(doc.height, 0, kCanvasSize + 1));
  BuildPickImage(doc, pick, blend);
  TSurface thumbnail;
  for (std::int32_t i = 0; i < doc.workingLayerCount; ++i) {
    BuildLayerThumbnail(doc.Simples[static_cast<std::size_t>(i)], thumbnail);
  }
  return 0;
}
