#pragma once
// LZF, the small dictionary coding Krita compresses its pixel tiles with: a
// control byte starts either a run of up to 32 literal bytes or a back
// reference of 3 to 264 bytes reaching at most 8192 bytes back.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tintloom {

// Decodes `in` into `out`. Returns the bytes written, or -1 when the data is
// damaged: a run or reference that passes the end of `in` or of `out`, or a
// reference before the start of the output. Never reads or writes outside
// the two spans.
std::ptrdiff_t LzfDecompress(std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

}  // namespace tintloom
