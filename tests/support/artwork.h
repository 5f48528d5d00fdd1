#pragma once
// Working layers made by hand, for tests of everything after the reader.

#include <cstdint>
#include <utility>
#include <vector>

#include "core/artwork/psd_document.h"
#include "core/document/coordination_model.h"

namespace tintloom::testing {

// A w x h working layer at (left, top) of one grey level and one alpha.
inline TSimpleLayer SolidLayer(int left, int top, int w, int h, std::uint8_t grey, std::uint8_t alpha,
                               std::int16_t blend = kBlendNormal) {
  TSimpleLayer layer;
  layer.left = left;
  layer.top = top;
  layer.width = w;
  layer.height = h;
  layer.Pixel.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), grey);
  layer.Alpha.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), alpha);
  layer.BlendModeKey = blend;
  return layer;
}

inline void SetWorkingLayers(TPSD& document, std::vector<TSimpleLayer> layers) {
  document.layerCount = static_cast<std::int32_t>(layers.size());
  document.workingLayerCount = static_cast<std::int32_t>(layers.size());
  document.Simples = std::move(layers);
}

// Gives the model these working layers with fresh mappings on the grey ramp,
// as a load leaves them.
inline void LoadLayers(TCoordinationModel& model, int documentWidth, int documentHeight,
                       std::vector<TSimpleLayer> layers) {
  model.document.width = documentWidth;
  model.document.height = documentHeight;
  const int count = static_cast<int>(layers.size());
  SetWorkingLayers(model.document, std::move(layers));
  model.artworkSurface.Create(documentWidth, documentHeight);
  model.pickSurface.Create(documentWidth, documentHeight);
  for (int i = 0; i < kRampCount; ++i) model.BuildSlotRamp(i);
  model.InitLayerMappings(count);
}

}  // namespace tintloom::testing
