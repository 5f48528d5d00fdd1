#pragma once
// The picture a PSD file keeps after its layers: the composite that
// Photoshop and most painting programs write for viewers, 8-bit RGB or
// grayscale, raw or PackBits. Taken for its colours, not for the canvas.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/base/result.h"
#include "core/palette/picture_palette.h"

namespace tintloom {

// A file read for its composite is read whole; larger ones are refused.
inline constexpr std::uint64_t kMaxCompositeFileBytes = 1ULL << 30;

struct TPsdComposite {
  std::int64_t width = 0;
  std::int64_t height = 0;
  // Four bytes a pixel, R, G, B, A (opaque where the file keeps no alpha).
  std::vector<std::uint8_t> rgba;
};

// The composite of the PSD (or PSB) in `bytes`. A file that is no PSD, is cut
// short, has another depth or colour mode, or a composite over
// kMaxPicturePixels fails with the problem in the user's words; nothing is
// allocated from a size before the bytes it stands for are known to be there.
Result<TPsdComposite> DecodePsdComposite(std::span<const std::uint8_t> bytes);

// The same from a file, refused unread above kMaxCompositeFileBytes.
Result<TPsdComposite> ReadPsdComposite(const std::string& path);

}  // namespace tintloom
