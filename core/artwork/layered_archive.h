#pragma once
// Krita (.kra) and OpenRaster (.ora) documents read into the same layer
// records as a PSD, so that the layer preparation makes their working layers
// exactly as it makes a PSD's.
//
// Both are zip files. An OpenRaster document holds stack.xml (the layer
// tree) and one PNG per layer; a Krita document holds maindoc.xml and each
// paint layer's pixels in Krita's tile layout (kra_tiles.h). The tree is
// flattened (layer_stack.h): the paint layers that show, bottom first, each
// with its groups' opacity folded in, and layers drawn over only what lies
// beneath them in their group as clipped layers. Every record is an 8-bit
// RGB layer with transparency whose planes are decoded when the layer
// preparation reaches it.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/artwork/psd_document.h"
#include "core/base/progress_sink.h"
#include "core/base/result.h"

namespace tintloom {

// Whether the bytes start as a zip file does.
bool LooksLikeZip(std::span<const std::uint8_t> bytes);

// Reads the document in `bytes` into `doc` (cleared first): its size and
// its layer records, their planes left to be decoded. The records keep the
// bytes alive. A document of the sizes a PSD is refused at is refused with
// the same message; a float depth, or a colour space other than RGB or grey,
// with a message naming it.
Result<> DecodeLayeredArchive(std::vector<std::uint8_t> bytes, const std::string& path, TPSD& doc,
                              TProgressSink& progress);

}  // namespace tintloom
