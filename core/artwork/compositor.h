#pragma once
// The recoloured artwork: every working layer's grey levels looked up through
// its mapping and blended by its alpha and blend mode over what lies below,
// and the grey composite that level picking reads.

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/artwork/blend_table.h"
#include "core/artwork/artwork_layer.h"
#include "core/artwork/psd_document.h"
#include "core/colour/surface.h"

namespace tintloom {

// Paints the working layers, bottom first, onto `surface`, which already holds
// the background under the artwork. Layer i uses layers[i].mapping; a layer without
// a mapping, without planes, with a lookup that was never built, or hidden is skipped.
// Pixels outside the surface are clipped.
void CompositeArtwork(const TPSD& document, TSurface& surface, std::span<const TArtworkLayer> layers,
                      const TBlendTable& blend);

// Rows of blend-table results for other pixel work (clipped layers while
// opening): out[i] = the entry of mode `code` for backdrop d[i] and source
// s[i] (a null s: every source 0), computed where the vector formulas are
// known to reproduce the table. Look the mode up with TableBlendFor on the
// thread that owns the table, then call BlendTableRow from any thread.
struct TTableBlend {
  int code = kBlendNormal;              // normal: no table, nothing to do
  const std::uint8_t* table = nullptr;
  bool computed = false;
};
TTableBlend TableBlendFor(const TBlendTable& blend, int code);
void BlendTableRow(const TTableBlend& blend, const std::uint8_t* d, const std::uint8_t* s, std::uint8_t* out,
                   std::size_t n);

// The same walk with each layer's own grey level in place of its colour. All
// three channels of `surface` end up holding the same grey; the caller starts
// from a white surface so that uncovered pixels read 255. Layer i is left out
// when layers[i] is hidden.
void BuildPickImage(const TPSD& document, TSurface& surface, const TBlendTable& blend,
                    std::span<const TArtworkLayer> layers = {});

}  // namespace tintloom
