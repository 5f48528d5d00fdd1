#pragma once
// What the program keeps per working layer of the sample artwork besides its
// planes: how the layer takes its colours (the ramp it is mapped to, its two
// levels and the lookup built from them) and its list thumbnail.

#include <array>
#include <cstdint>

#include "core/artwork/blend_table.h"
#include "core/colour/colour.h"
#include "core/colour/surface.h"

namespace tintloom {

struct TLayerMapping {
  std::int16_t MappedSlot = 10;  // 0..9 a slot, 10 grey, 11 black, 12 white
  std::uint8_t BaseLevel = 170;
  std::uint8_t ShadowLevel = 85;
  std::array<const TRgb24*, 256> Lookup{};  // per grey level, into the mapped ramp
};

inline constexpr int kThumbnailSize = 32;

struct TArtworkLayer {
  TLayerMapping mapping;
  TSurface thumbnail;  // 32 x 32: the layer over white
  // Set aside by the user while working: left out of the canvas and of the
  // pick image, its mapping kept.
  bool hidden = false;
  // The blend mode the layer was loaded with: the pick image keeps it when it
  // is built again for a layer shown or hidden, as it ignores later changes.
  std::int16_t loadedBlendMode = kBlendNormal;
  // Came into the artwork when its file was read again after a save, and not
  // selected since: the layer window marks it so the user finds it.
  bool fresh = false;
};

// The layer's 32 x 32 thumbnail: its grey levels over white, sampled every
// width / 32 and height / 32 pixels. A layer without planes leaves the
// thumbnail white.
struct TSimpleLayer;
void BuildLayerThumbnail(const TSimpleLayer& layer, TSurface& thumbnail);

}  // namespace tintloom
