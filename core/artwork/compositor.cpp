#include "core/artwork/compositor.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace tintloom {

namespace {

// The working layers a document holds, whatever its record count says: a
// count beyond the array (never made by the reader) draws nothing extra.
std::span<const TSimpleLayer> WorkingLayers(const TPSD& document) {
  const auto count = static_cast<std::size_t>(document.working_layer_count > 0 ? document.working_layer_count : 0);
  return std::span<const TSimpleLayer>(document.Simples).first(std::min(count, document.Simples.size()));
}

bool HasFullPlanes(const TSimpleLayer& layer) {
  if (layer.width <= 0 || layer.height <= 0) return false;
  const auto size = static_cast<std::size_t>(layer.width) * static_cast<std::size_t>(layer.height);
  return layer.Pixel.size() >= size && layer.Alpha.size() >= size;
}

// d + (target - d) * a / 255, in ints: C division truncates toward zero, so
// the result lies between d and the target.
inline std::uint8_t Mix(int d, int target, int a) { return static_cast<std::uint8_t>(d + (target - d) * a / 255); }

// Walks the layer's pixels that land on the surface: rows above the surface
// are skipped and the first row below it ends the layer; columns left of it
// are skipped and the first column past its right edge ends the row.
template <typename Visit>
void ForEachPixelOnSurface(const TSimpleLayer& layer, const TSurface& surface, bool skipTransparent,
                           Visit&& visit) {
  const std::int64_t w = layer.width;
  for (std::int64_t j = 0; j < layer.height; ++j) {
    const std::int64_t y = static_cast<std::int64_t>(layer.top) + j;
    if (y < 0) continue;
    if (y >= surface.height) break;
    TRgb24* row = surface.rows[static_cast<std::size_t>(y)];
    const std::size_t rowStart = static_cast<std::size_t>(j * w);
    for (std::int64_t k = 0; k < w; ++k) {
      const std::size_t p = rowStart + static_cast<std::size_t>(k);
      const int a = layer.Alpha[p];
      if (skipTransparent && a == 0) continue;
      const std::int64_t x = static_cast<std::int64_t>(layer.left) + k;
      if (x < 0) continue;
      if (x >= surface.width) break;
      visit(row[x], layer.Pixel[p], a);
    }
  }
}

}  // namespace

void CompositeArtwork(const TPSD& document, TSurface& surface, std::span<const TArtworkLayer> records,
                      const TBlendTable& blend) {
  const std::span<const TSimpleLayer> layers = WorkingLayers(document);
  for (std::size_t i = 0; i < layers.size() && i < records.size(); ++i) {
    const TSimpleLayer& layer = layers[i];
    if (!HasFullPlanes(layer)) continue;
    const auto& lookup = records[i].mapping.Lookup;
    if (lookup[0] == nullptr) continue;  // never mapped
    const std::uint8_t* table = layer.BlendModeKey == kBlendNormal ? nullptr : blend.Table(layer.BlendModeKey);
    if (table == nullptr) {
      // Normal, or a mode whose table is missing: it draws as normal.
      ForEachPixelOnSurface(layer, surface, true, [&](TRgb24& d, std::uint8_t grey, int a) {
        const TRgb24& c = *lookup[grey];
        if (a == 255) {
          d = c;
          return;
        }
        d.blue = Mix(d.blue, c.blue, a);
        d.green = Mix(d.green, c.green, a);
        d.red = Mix(d.red, c.red, a);
      });
    } else {
      ForEachPixelOnSurface(layer, surface, true, [&](TRgb24& d, std::uint8_t grey, int a) {
        const TRgb24& c = *lookup[grey];
        d.blue = Mix(d.blue, table[d.blue * 256 + c.blue], a);
        d.green = Mix(d.green, table[d.green * 256 + c.green], a);
        d.red = Mix(d.red, table[d.red * 256 + c.red], a);
      });
    }
  }
}

void BuildPickImage(const TPSD& document, TSurface& surface, const TBlendTable& blend) {
  for (const TSimpleLayer& layer : WorkingLayers(document)) {
    if (!HasFullPlanes(layer)) continue;
    const std::uint8_t* table = layer.BlendModeKey == kBlendNormal ? nullptr : blend.Table(layer.BlendModeKey);
    // Transparent pixels are visited too: their update changes nothing.
    ForEachPixelOnSurface(layer, surface, false, [&](TRgb24& d, std::uint8_t g, int a) {
      const auto channel = [&](std::uint8_t& v) { v = Mix(v, table != nullptr ? table[v * 256 + g] : g, a); };
      channel(d.blue);
      channel(d.green);
      channel(d.red);
    });
  }
}

}  // namespace tintloom

namespace tintloom {

void BuildLayerThumbnail(const TSimpleLayer& layer, TSurface& thumbnail) {
  thumbnail.Create(kThumbnailSize, kThumbnailSize);
  if (!HasFullPlanes(layer)) return;
  const std::int64_t w = layer.width;
  // Sample steps as floats, positions truncated: the last sample stays inside.
  const float sx = static_cast<float>(layer.width) * 0.03125f;
  const float sy = static_cast<float>(layer.height) * 0.03125f;
  for (int r = 0; r < kThumbnailSize; ++r) {
    const auto row = static_cast<std::int64_t>(static_cast<float>(r) * sy);
    for (int k = 0; k < kThumbnailSize; ++k) {
      const auto column = static_cast<std::int64_t>(static_cast<float>(k) * sx);
      const auto p = static_cast<std::size_t>(column + row * w);
      const auto grey = static_cast<std::uint8_t>(255 + (layer.Pixel[p] - 255) * layer.Alpha[p] / 255);
      thumbnail.At(k, r) = TRgb24{grey, grey, grey};
    }
  }
}

}  // namespace tintloom
