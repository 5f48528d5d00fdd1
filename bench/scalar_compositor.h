#pragma once
// The composition written as the plainest possible loop: one pixel at a time,
// one division per channel. The fast compositor must match it byte for byte
// (the equality test compares them) and beat it by a wide margin (the
// composition benchmark measures both).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/artwork/artwork_layer.h"
#include "core/artwork/blend_table.h"
#include "core/artwork/psd_document.h"
#include "core/colour/surface.h"

namespace tintloom::reference {

inline std::uint8_t Mix(int d, int target, int a) { return static_cast<std::uint8_t>(d + (target - d) * a / 255); }

inline void ScalarCompositeArtwork(const TPSD& document, TSurface& surface, std::span<const TArtworkLayer> records,
                                   const TBlendTable& blend) {
  const auto count = static_cast<std::size_t>(std::max(document.workingLayerCount, 0));
  for (std::size_t i = 0; i < count && i < document.Simples.size() && i < records.size(); ++i) {
    const TSimpleLayer& layer = document.Simples[i];
    const auto& M = records[i].mapping.Lookup;
    if (layer.width <= 0 || layer.height <= 0 || M[0] == nullptr) continue;
    const auto size = static_cast<std::size_t>(layer.width) * static_cast<std::size_t>(layer.height);
    if (layer.Pixel.size() < size || layer.Alpha.size() < size) continue;
    const std::uint8_t* T = layer.BlendModeKey == kBlendNormal ? nullptr : blend.Table(layer.BlendModeKey);
    for (std::int64_t j = 0; j < layer.height; ++j) {
      const std::int64_t y = layer.top + j;
      if (y < 0) continue;
      if (y >= surface.height) break;
      for (std::int64_t k = 0; k < layer.width; ++k) {
        const auto p = static_cast<std::size_t>(j * layer.width + k);
        const int a = layer.Alpha[p];
        if (a == 0) continue;
        const std::int64_t x = layer.left + k;
        if (x < 0) continue;
        if (x >= surface.width) break;
        const TRgb24 c = *M[layer.Pixel[p]];
        TRgb24& d = surface.rows[static_cast<std::size_t>(y)][x];
        if (T == nullptr && a == 255) {
          d = c;
        } else if (T == nullptr) {
          d.blue = Mix(d.blue, c.blue, a);
          d.green = Mix(d.green, c.green, a);
          d.red = Mix(d.red, c.red, a);
        } else {
          d.blue = Mix(d.blue, T[d.blue * 256 + c.blue], a);
          d.green = Mix(d.green, T[d.green * 256 + c.green], a);
          d.red = Mix(d.red, T[d.red * 256 + c.red], a);
        }
      }
    }
  }
}

}  // namespace tintloom::reference
