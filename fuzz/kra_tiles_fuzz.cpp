// Any bytes given to the tile layout reader as a layer of each pixel layout
// (the first byte picks it and a default pixel), placed anywhere on a
// document of up to 300 x 300: no read outside the input, no write outside
// a plane, no allocation from an unchecked size.

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/artwork/kra_tiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tintloom;
  if (size < 4) return 0;
  static const char* const kSpaces[] = {"RGBA", "RGBA16", "GRAYA", "GRAYA16"};
  const std::uint8_t choice = data[0];
  const TTilePixel pixel = (choice & 7) < 4 ? *KraPixelLayout(kSpaces[choice & 3]) : KraMaskLayout();
  const std::int64_t dx = static_cast<std::int8_t>(data[1]) * 4, dy = static_cast<std::int8_t>(data[2]) * 4;
  const std::int64_t side = 1 + data[3];
  // Half the inputs carry an opaque default pixel.
  static const std::uint8_t kOpaque[8] = {255, 255, 255, 255, 255, 255, 255, 255};
  const std::span<const std::uint8_t> fill =
      (choice & 8) != 0 ? std::span<const std::uint8_t>(kOpaque, static_cast<std::size_t>(pixel.size))
                        : std::span<const std::uint8_t>();
  (void)DecodeKraTiles(std::span(data + 4, size - 4), fill, pixel, dx, dy, side, side + 17, "fuzz.kra");
  return 0;
}
