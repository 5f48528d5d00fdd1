#pragma once
// A layer stored as a PNG (every layer of an OpenRaster document), decoded
// through libpng a row at a time onto the document: only the part of the
// layer on the document is kept. Any PNG colour type and depth is read as
// 8-bit red, green, blue and alpha (16-bit samples rounded).

#include <cstdint>
#include <span>
#include <string>

#include "core/artwork/layer_planes.h"
#include "core/base/result.h"

namespace tintloom {

// Decodes the PNG in `bytes` placed at (x, y) on a document of docWidth x
// docHeight. A PNG whose rows could not all be made from its bytes (more
// pixels than kZipMaxRatio times its size), or that libpng finds damaged,
// fails with "ファイルが壊れています" naming `path`.
Result<TLayerPlanes> DecodePngLayer(std::span<const std::uint8_t> bytes, std::int64_t x, std::int64_t y,
                                    std::int64_t docWidth, std::int64_t docHeight, const std::string& path);

}  // namespace tintloom
