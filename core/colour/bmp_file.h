#pragma once
// Reading Windows bitmaps of every common kind into 24-bit surfaces, and
// writing surfaces as uncompressed 24-bit bitmaps.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/colour/surface.h"
#include "core/base/result.h"

namespace tintloom {

// Largest side accepted from a file; anything larger is refused before allocating.
inline constexpr std::int32_t kMaxBmpSide = 16384;

// Decodes a BMP held in memory: 1, 4 and 8 bits with a colour table (8 and 4
// also run-length encoded), 16 and 32 bits with default or given colour masks,
// 24 bits; rows top-down or bottom-up; core (12-byte) and info headers of 40,
// 52, 56, 108 and 124 bytes. The result has 24 bits per pixel. Pixels that a
// run-length stream skips stay black, as do colour indices past the table.
// Never reads outside `bytes`; fails with the reason in English.
Result<TSurface> DecodeBmp(std::span<const std::uint8_t> bytes);
// Reads the file and decodes it; a failure names the path.
Result<TSurface> LoadBmpFile(const std::string& path);

// 24-bit bottom-up BMP with 4-byte row padding.
std::vector<std::uint8_t> EncodeBmp24(const TSurface& s);
bool SaveBmpFile(const std::string& path, const TSurface& s);

}  // namespace tintloom
