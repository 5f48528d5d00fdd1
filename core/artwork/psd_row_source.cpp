#include "core/artwork/psd_row_source.h"

namespace tintloom {

Result<> BindRows(const TPSD& doc, const TPSDLayer& layer, int index, bool is_mask, TPlaneWindow window,
                  TRowSource& source) {
  source = TRowSource{};
  const std::int64_t rows = is_mask ? layer.maskHeight : layer.height;
  source.row_width = static_cast<std::size_t>(is_mask ? layer.maskWidth : layer.width);
  source.row_begin = window.r0;
  source.row_end = window.r1;
  source.column_begin = static_cast<std::size_t>(window.c0);
  source.width = static_cast<std::size_t>(window.c1 - window.c0);
  const auto memory_error = [&] {
    const std::uint64_t size = static_cast<std::uint64_t>(rows) * source.row_width;
    return Fail(MemoryErrorText("TPSDLayer::InitializePictureData()::Layer->PixelData[i][]", index, size));
  };
  if (index < 0 || static_cast<std::size_t>(index) >= layer.PixelData.size() ||
      static_cast<std::size_t>(index) >= layer.ChannelData.size()) {
    return Ok();
  }
  const TPSDChannel& channel = layer.ChannelData[static_cast<std::size_t>(index)];
  const std::uint64_t size = static_cast<std::uint64_t>(rows) * source.row_width;
  const std::vector<std::uint8_t>& plane = layer.PixelData[static_cast<std::size_t>(index)];
  if (!plane.empty()) {
    source.kind = plane.size() == size ? TRowSource::TKind::kPlane : TRowSource::TKind::kZeros;
    source.plane = plane.data();
    return Ok();
  }
  // An empty plane reads as no channel at all.
  if ((doc.deferredBytes.empty() && !doc.deferredFile) || size == 0) return Ok();
  const bool has_pixels = std::int64_t{layer.width} * layer.height > 0;
  if (window.r0 >= window.r1 || window.c0 >= window.c1) {
    source.kind = TRowSource::TKind::kZeros;  // never read
    return Ok();
  }
  const std::uint64_t begin = channel.dataOffset, length = channel.dataLength;
  if (channel.compression != 1 || !has_pixels) {
    // Whole rows from row r0 up to row r1, as far as the data goes.
    const std::uint64_t from = std::min<std::uint64_t>(length, static_cast<std::uint64_t>(window.r0) * source.row_width);
    const std::uint64_t to = std::min<std::uint64_t>(length, static_cast<std::uint64_t>(window.r1) * source.row_width);
    source.kind = TRowSource::TKind::kRaw;
    TRY_ASSIGN(source.data, DeferredBytes(doc, begin + from, to - from, source.held));
    return Ok();
  }
  source.kind = TRowSource::TKind::kPacked;
  const auto count_bytes = static_cast<std::uint64_t>(rows) * 2;
  if (count_bytes > length) return Ok();  // not even the row counts: all zeros
  // The row counts up to row r1; rows decode until one's count passes the
  // end of the data.
  TFileBytes counts_held;
  TRY_ASSIGN(const std::span<const std::uint8_t> counts,
             DeferredBytes(doc, begin, static_cast<std::uint64_t>(window.r1) * 2, counts_held));
  try {
    source.starts.reserve(static_cast<std::size_t>(window.r1 - window.r0) + 1);
  } catch (const std::exception&) {
    return memory_error();
  }
  std::uint64_t at = count_bytes;
  for (std::size_t r = 0; r < static_cast<std::size_t>(window.r1); ++r) {
    if (r == static_cast<std::size_t>(window.r0)) source.starts.push_back(at);
    const std::uint64_t count = static_cast<std::uint64_t>(counts[r * 2] << 8 | counts[r * 2 + 1]);
    if (count > length - at) break;
    at += count;
    if (r >= static_cast<std::size_t>(window.r0)) source.starts.push_back(at);
  }
  if (source.starts.empty()) return Ok();  // the data ends before row r0
  // The packed rows of the window only, indexed from their first byte.
  const std::uint64_t first = source.starts.front();
  TRY_ASSIGN(source.data, DeferredBytes(doc, begin + first, source.starts.back() - first, source.held));
  for (auto& start : source.starts) start -= first;
  return Ok();
}

}  // namespace tintloom
