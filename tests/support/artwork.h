#pragma once
// Working layers made by hand, for tests of everything after the reader.

#include <cstdint>
#include <utility>
#include <vector>

#include "core/artwork/psd_document.h"
#include "core/document/coordination_model.h"

namespace tintloom {

// The artwork session's parts as plain fields: for artwork made by hand and
// for states its operations never make (a stale selection, planted pixels).
struct TArtworkSessionProbe {
  explicit TArtworkSessionProbe(TCoordinationModel& model)
      : TArtworkSessionProbe(const_cast<TArtworkSession&>(model.Artwork())) {}
  explicit TArtworkSessionProbe(TArtworkSession& session)
      : document(session.document_),
        artworkLayers(session.layers_),
        artworkSurface(session.artworkSurface_),
        pickSurface(session.pickSurface_),
        selectedLayer(session.selectedLayer_) {}
  TPSD& document;
  std::vector<TArtworkLayer>& artworkLayers;
  TSurface& artworkSurface;
  TSurface& pickSurface;
  std::int32_t& selectedLayer;
};

}  // namespace tintloom

namespace tintloom::testing {

inline TArtworkSessionProbe Raw(TCoordinationModel& model) { return TArtworkSessionProbe(model); }

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
  TArtworkSessionProbe raw(model);
  raw.document.width = documentWidth;
  raw.document.height = documentHeight;
  const int count = static_cast<int>(layers.size());
  SetWorkingLayers(raw.document, std::move(layers));
  raw.artworkSurface.Create(documentWidth, documentHeight);
  raw.pickSurface.Create(documentWidth, documentHeight);
  for (int i = 0; i < kRampCount; ++i) model.BuildSlotRamp(i);
  model.InitLayerMappings(count);
}

}  // namespace tintloom::testing
