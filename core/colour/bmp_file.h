#pragma once
// Reading and writing uncompressed Windows bitmaps (24 and 32 bits per pixel)
// into and out of surfaces.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/colour/surface.h"

namespace tintloom {

// Largest side accepted from a file; anything larger is refused before allocating.
inline constexpr std::int32_t kMaxBmpSide = 16384;

// Decodes a BMP held in memory. On failure returns false, leaves `out` empty
// and says why in `error` (English, for the exception display).
bool DecodeBmp(const std::uint8_t* data, std::size_t size, TSurface& out, std::string& error);
bool LoadBmpFile(const std::string& path, TSurface& out, std::string& error);

// 24-bit bottom-up BMP with 4-byte row padding.
std::vector<std::uint8_t> EncodeBmp24(const TSurface& s);
bool SaveBmpFile(const std::string& path, const TSurface& s);

}  // namespace tintloom
