#pragma once
// The recoloured artwork: every working layer's grey levels looked up through
// its mapping and blended by its alpha and blend mode over what lies below,
// and the grey composite that level picking reads.

#include <span>

#include "core/artwork/blend_table.h"
#include "core/artwork/artwork_layer.h"
#include "core/artwork/psd_document.h"
#include "core/colour/surface.h"

namespace tintloom {

// Paints the working layers, bottom first, onto `surface`, which already holds
// the background under the artwork. Layer i uses layers[i].mapping; a layer without
// a mapping, without planes, or with a lookup that was never built is skipped.
// Pixels outside the surface are clipped.
void CompositeArtwork(const TPSD& document, TSurface& surface, std::span<const TArtworkLayer> layers,
                      const TBlendTable& blend);

// The same walk with each layer's own grey level in place of its colour. All
// three channels of `surface` end up holding the same grey; the caller starts
// from a white surface so that uncovered pixels read 255.
void BuildPickImage(const TPSD& document, TSurface& surface, const TBlendTable& blend);

}  // namespace tintloom
