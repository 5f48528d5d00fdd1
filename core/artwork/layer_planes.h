#pragma once
// One layer's pixels as a Krita or OpenRaster document is decoded: 8-bit
// planes of the part of the layer that lies on the document.

#include <cstdint>
#include <vector>

namespace tintloom {

struct TLayerPlanes {
  // The rectangle on the document; every plane holds width x height bytes.
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  std::vector<std::uint8_t> red, green, blue, alpha;
};

}  // namespace tintloom
