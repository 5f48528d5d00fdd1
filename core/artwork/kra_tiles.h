#pragma once
// Krita's tile layout: a paint device stored as a text header
//
//   VERSION 2 / TILEWIDTH 64 / TILEHEIGHT 64 / PIXELSIZE n / DATA count
//
// (one item a line) and `count` tiles, each a line "x,y,LZF,size" and
// `size` bytes: a flag (1: LZF-compressed, its bytes then planar, every
// pixel's first byte, then every pixel's second, ...; 0: the pixels as they
// are) and 64 x 64 pixels of n bytes. Tiles that are not stored hold the
// device's default pixel.
//
// The bytes are untrusted: counts, positions and sizes are checked against
// the data and the document before anything is allocated, and only the part
// of the layer on the document is made.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/artwork/layer_planes.h"
#include "core/base/result.h"

namespace tintloom {

inline constexpr std::int64_t kKraTileSide = 64;

// How a pixel of a colour space lies in its bytes: little-endian channels of
// 1 or 2 bytes; grey documents give the same channel for red, green and
// blue; a mask has alpha only (red, green and blue -1).
struct TTilePixel {
  int size = 4;
  int channelBytes = 1;
  int red = 2, green = 1, blue = 0, alpha = 3;  // channel indices
};

// The pixel layout of Krita's colour space names this program converts
// exactly enough: 8- and 16-bit integer RGBA and grey; nothing for float
// depths, CMYK, Lab and the rest.
std::optional<TTilePixel> KraPixelLayout(const std::string& colourSpace);
// The layout of a transparency mask's pixels: one alpha byte.
TTilePixel KraMaskLayout();

// Decodes the device in `bytes` moved by (dx, dy) onto a document of
// docWidth x docHeight, keeping only what lies on it. `defaultPixel` (size
// bytes, or empty for transparent) fills what no tile covers; a layer whose
// default pixel is not transparent covers the whole document. A mask fills
// `alpha` only. Fails with "ファイルが壊れています" naming `path` for a header,
// tile line, tile position or tile data that does not add up.
Result<TLayerPlanes> DecodeKraTiles(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> defaultPixel,
                                    const TTilePixel& pixel, std::int64_t dx, std::int64_t dy, std::int64_t docWidth,
                                    std::int64_t docHeight, const std::string& path);

}  // namespace tintloom
