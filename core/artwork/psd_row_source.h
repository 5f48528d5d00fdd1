#pragma once
// The rows of one PSD channel as a clipping group's bands read them, decoded
// from the file's bytes a few rows at a time.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "core/artwork/packbits.h"
#include "core/artwork/psd_document.h"
#include "core/base/result.h"

namespace tintloom {

// Where the rows of one channel come from while its group is reduced: a
// plane decoded already, or the channel's bytes, decoded a few rows at a
// time as the bands reach them. No full-size plane is made, so a band's
// bytes are decoded, blended, made grey and shrunk while they are in the
// cache, and the group's decoded planes never exist whole. A source covers
// only the rows and columns its group can use (what reaches the canvas):
// rows [row_begin, row_end), columns [column_begin, column_begin + width) of
// rows `row_width` wide; Read and Rows hand out just those columns.
struct TRowSource {
  enum class TKind : std::uint8_t {
    kAbsent,  // the layer has no such channel
    kZeros,   // a plane of the wrong size: read as zeros, never indexed
    kPlane,   // decoded already
    kPacked,  // PackBits rows
    kRaw,     // raw bytes (or a compression not decoded)
  };
  TKind kind = TKind::kAbsent;
  std::int64_t row_begin = 0, row_end = 0;
  std::size_t column_begin = 0, width = 0, row_width = 0;
  const std::uint8_t* plane = nullptr;
  // kRaw: the channel's bytes from row row_begin on. kPacked: row r's packed
  // bytes are data[starts[r - row_begin], starts[r - row_begin + 1]); rows
  // from row_begin + starts.size() - 1 on have no complete data and read as
  // zeros, as in a plane zero-filled before reading.
  std::span<const std::uint8_t> data;
  std::vector<std::uint64_t> starts;
  // The bytes read from the file for `data`, when the file is not in memory.
  TFileBytes held;

  bool Present() const { return kind != TKind::kAbsent; }

  // Rows [r0, r1) into `out`, every byte written.
  void Read(std::int64_t r0, std::int64_t r1, std::uint8_t* out) const {
    const std::size_t n = static_cast<std::size_t>(r1 - r0) * width;
    switch (kind) {
      case TKind::kAbsent:
      case TKind::kZeros:
        std::memset(out, 0, n);
        return;
      case TKind::kPlane:
        if (width == row_width) {
          std::memcpy(out, plane + static_cast<std::size_t>(r0) * width, n);
          return;
        }
        for (std::int64_t r = r0; r < r1; ++r) {
          std::memcpy(out + static_cast<std::size_t>(r - r0) * width,
                      plane + static_cast<std::size_t>(r) * row_width + column_begin, width);
        }
        return;
      case TKind::kRaw:
        for (std::int64_t r = r0; r < r1; ++r) {
          std::uint8_t* row = out + static_cast<std::size_t>(r - r0) * width;
          const auto from = static_cast<std::uint64_t>(r - row_begin) * row_width + column_begin;
          const std::size_t copied = from < data.size() ? std::min<std::size_t>(width, data.size() - from) : 0;
          if (copied > 0) std::memcpy(row, data.data() + from, copied);
          std::memset(row + copied, 0, width - copied);
        }
        return;
      case TKind::kPacked:
        for (std::int64_t r = r0; r < r1; ++r) {
          std::uint8_t* row = out + static_cast<std::size_t>(r - r0) * width;
          std::size_t written = 0;
          const auto k = static_cast<std::size_t>(r - row_begin);
          if (k + 1 < starts.size()) {
            written = UnpackColumns(std::span<std::uint8_t>(row, width),
                                    data.subspan(starts[k], starts[k + 1] - starts[k]), column_begin);
          }
          std::memset(row + written, 0, width - written);
        }
        return;
    }
  }

  // Row r: straight from a decoded plane, else read into `buffer`; null for
  // an absent channel.
  const std::uint8_t* Row(std::int64_t r, std::uint8_t* buffer) const {
    if (kind == TKind::kPlane) return plane + static_cast<std::size_t>(r) * row_width + column_begin;
    if (kind == TKind::kAbsent) return nullptr;
    Read(r, r + 1, buffer);
    return buffer;
  }
};

// The part of a plane a source covers: rows [r0, r1) and columns [c0, c1),
// both empty or inside the plane.
struct TPlaneWindow {
  std::int64_t r0 = 0, r1 = 0, c0 = 0, c1 = 0;
};

// The source of the layer's plane `index`, the user mask (sized by the mask
// rectangle) or a plane of the layer rectangle, for the part `window`. Its
// bytes are read from the file now, for the whole group; fails with the
// memory message when they or the row index cannot be had, or with the read
// error of a file changed since it was opened. An absent channel still
// knows its size, so that it reads as rows of zeros.
Result<> BindRows(const TPSD& doc, const TPSDLayer& layer, int index, bool is_mask, TPlaneWindow window,
                  TRowSource& source);

}  // namespace tintloom
