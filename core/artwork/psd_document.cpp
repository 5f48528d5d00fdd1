#include "core/artwork/psd_document.h"

namespace tintloom {

void TPSDLayer::Release() {
  ChannelData = {};
  Name.reset();
  PixelData = {};
  mask_plane = transparency_plane = red_plane = green_plane = blue_plane = -1;
}

void DocumentClear(TPSD& doc) {
  doc.Layers = {};
  doc.Simples = {};
  doc.layer_count = 0;
  doc.working_layer_count = 0;
}

bool LayerUsable(const TPSDLayer& layer) {
  return layer.channel_count != 0 && layer.width != 0 && layer.height != 0 && (layer.flags & 2) == 0 &&
         layer.Opacity != 0;
}

std::string MemoryErrorText(const char*, long long, long long) { return {}; }

Result<> DecodePsd(std::span<const std::uint8_t>, const std::string& path, TPSD& doc, TProgressSink&) {
  DocumentClear(doc);
  return Fail("PSDファイルではありません.\n->" + path);
}

Result<> LoadFromFile(const std::string& path, TPSD& doc, TProgressSink&) {
  DocumentClear(doc);
  return Fail("ファイルを開けません.\n->" + path);
}

std::size_t UnpackRow(std::span<std::uint8_t>, std::span<const std::uint8_t>) { return 0; }

Result<> ReduceLayers(TPSD& doc, const TBlendTable&, TProgressSink&, TMessageSink&) {
  DocumentClear(doc);
  return Ok();
}

void ShrinkToCanvas(TPSD&, TProgressSink&) {}

std::uint8_t AreaAverage(const std::uint8_t*, std::ptrdiff_t, std::int32_t, float, float, std::uint8_t outside) {
  return outside;
}
void BoxShrink(std::vector<std::uint8_t>&, std::int32_t&, std::int32_t&, float, std::uint8_t) {}
void ShiftRight(std::vector<std::uint8_t>&, std::int32_t&, std::int32_t, float, std::uint8_t) {}
void ShiftDown(std::vector<std::uint8_t>&, std::int32_t, std::int32_t&, float, std::uint8_t) {}

}  // namespace tintloom
