#pragma once
// PackBits, the run-length coding of PSD channels: a row decoded whole, or
// only its columns from a given one on.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tintloom {

// Decodes `packed` into `row`, at most row.size() bytes. Runs that would
// pass the end of the row are cut; a run cut off by the end of the packed
// bytes copies what there is. Returns the bytes decoded; the bytes of `row`
// after them may have been overwritten.
std::size_t UnpackRow(std::span<std::uint8_t> row, std::span<const std::uint8_t> packed);

// PackBits as UnpackRow decodes it, but only the bytes from `skip` on of the
// decoded row, into `out`; returns the bytes decoded (and, like UnpackRow,
// may overwrite the bytes of `out` after them).
std::size_t UnpackColumns(std::span<std::uint8_t> out, std::span<const std::uint8_t> packed, std::size_t skip);

}  // namespace tintloom
