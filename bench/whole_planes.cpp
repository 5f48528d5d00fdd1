#include "bench/whole_planes.h"

#include <algorithm>
#include <span>
#include <vector>

#include "core/artwork/band_workers.h"
#include "core/artwork/packbits.h"
#include "core/base/memory_error.h"

namespace tintloom {

namespace {

// Decodes one channel's data into its plane, writing every byte: decoded, or
// 0 where the data ends early, as in a plane zero-filled before reading.
void DecodePlane(const TPSDLayer& layer, const TPSDChannel& channel, std::span<const std::uint8_t> data,
                 std::vector<std::uint8_t>& plane) {
  const auto [rows, row_width] = PlaneShape(layer, channel.id);
  const bool has_pixels = std::int64_t{layer.width} * layer.height > 0;
  if (channel.compression == 1 && has_pixels) {
    const auto count_bytes = static_cast<std::size_t>(rows) * 2;
    const auto width = static_cast<std::size_t>(row_width);
    std::size_t at = count_bytes;
    std::size_t r = 0;
    for (; r < static_cast<std::size_t>(rows) && count_bytes <= data.size(); ++r) {
      const std::size_t count = static_cast<std::size_t>(data[r * 2] << 8 | data[r * 2 + 1]);
      if (count > data.size() - at) break;
      const auto row = std::span<std::uint8_t>(plane).subspan(r * width, width);
      const std::size_t written = UnpackRow(row, data.subspan(at, count));
      std::fill(row.begin() + static_cast<std::ptrdiff_t>(written), row.end(), std::uint8_t{0});
      at += count;
    }
    std::fill(plane.begin() + static_cast<std::ptrdiff_t>(r * width), plane.end(), std::uint8_t{0});
  } else {
    const std::size_t copied = std::min(data.size(), plane.size());
    std::copy_n(data.begin(), copied, plane.begin());
    std::fill(plane.begin() + static_cast<std::ptrdiff_t>(copied), plane.end(), std::uint8_t{0});
  }
}

}  // namespace

Result<> DecodeDeferredPlanes(const TPSD& doc, TPSDLayer& layer) {
  if (doc.deferredBytes.empty() && !doc.deferredFile) return Ok();
  // Only the planes that preparation reads; another channel (a second mask,
  // a duplicate id) is checked by the reader but never looked at. The planes
  // are all had first, then decoded side by side.
  std::vector<int> wanted;
  std::uint64_t pixels = 0;
  for (const int index : {layer.maskPlane, layer.transparencyPlane, layer.redPlane, layer.greenPlane,
                          layer.bluePlane}) {
    if (index < 0 || static_cast<std::size_t>(index) >= layer.PixelData.size()) continue;
    std::vector<std::uint8_t>& plane = layer.PixelData[static_cast<std::size_t>(index)];
    if (!plane.empty()) continue;  // bound twice, or decoded already
    const auto [rows, row_width] = PlaneShape(layer, layer.ChannelData[static_cast<std::size_t>(index)].id);
    const auto size = static_cast<std::uint64_t>(rows) * static_cast<std::uint64_t>(row_width);
    if (!TryResize(plane, static_cast<std::size_t>(size))) {
      return Fail(MemoryErrorText("TPSDLayer::InitializePictureData()::Layer->PixelData[i][]", index, size));
    }
    if (size > 0) wanted.push_back(index);
    pixels += size;
  }
  // Each channel's bytes, read (from a file) before the work is shared out.
  std::vector<TFileBytes> held(wanted.size());
  std::vector<std::span<const std::uint8_t>> data(wanted.size());
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    const TPSDChannel& channel = layer.ChannelData[static_cast<std::size_t>(wanted[i])];
    TRY_ASSIGN(data[i], DeferredBytes(doc, channel.dataOffset, channel.dataLength, held[i]));
  }
  struct TJob {
    TPSDLayer& layer;
    const std::vector<int>& wanted;
    const std::vector<std::span<const std::uint8_t>>& data;
  } job{layer, wanted, data};
  constexpr std::uint64_t kSharedPixels = std::uint64_t{1} << 16;
  RunBands(
      wanted.size(), pixels >= kSharedPixels ? CompositionThreads() : 1u,
      [](const void* context, std::size_t band, std::vector<std::uint8_t>&) {
        const TJob& j = *static_cast<const TJob*>(context);
        const auto index = static_cast<std::size_t>(j.wanted[band]);
        DecodePlane(j.layer, j.layer.ChannelData[index], j.data[band], j.layer.PixelData[index]);
      },
      &job);
  return Ok();
}

}  // namespace tintloom
