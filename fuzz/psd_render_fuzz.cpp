// Any bytes as a PSD file on disk, taken the ways that read the file itself
// rather than bytes in memory: opened as the program opens artwork (records
// read, planes left in the file and read where a group needs them), then
// rendered again from the file as the export does, at full size over a
// colour and fitted to a side with its transparency. The first input byte
// picks the side; the rest is the file. No read outside what the file holds,
// no write outside a band, plane or row, no allocation from an unchecked
// size, and no render that disagrees with the opening about the layers.

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/artwork/artwork_layer.h"
#include "core/artwork/full_size_render.h"
#include "core/artwork/psd_document.h"
#include "core/artwork/slot_ramps.h"

namespace {

// Takes the rows and checks that each band handed out only rows it announced.
class TCountingSink final : public tintloom::TRowSink {
 public:
  tintloom::Result<> Begin(std::int32_t width, std::int32_t height, bool alpha) override {
    if (width <= 0 || height <= 0) __builtin_trap();
    width_ = static_cast<std::size_t>(width) * (alpha ? 4 : 3);
    rows_ = height;
    return tintloom::Ok();
  }
  tintloom::Result<> WriteRow(const std::uint8_t* row) override {
    if (--rows_ < 0) __builtin_trap();
    // Reading every byte lets the sanitizer see a row shorter than announced.
    for (std::size_t i = 0; i < width_; ++i) sum_ += row[i];
    return tintloom::Ok();
  }

 private:
  std::size_t width_ = 0;
  std::int32_t rows_ = 0;
  std::uint64_t sum_ = 0;
};

const std::string& ScratchFile() {
  static const std::string path = [] {
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/psd_render_fuzz-" +
           std::to_string(::getpid()) + ".psd";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tintloom;
  if (size < 1) return 0;
  const std::string& path = ScratchFile();
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return 0;
    const bool written = std::fwrite(data + 1, 1, size - 1, f) == size - 1;
    if (std::fclose(f) != 0 || !written) return 0;
  }
  // No blend table: clipped layers with a table code draw as normal, and the
  // table is never read.
  static const TBlendTable blend;
  TSilentProgress progress;
  TSilentMessages messages;
  TPSD shown;
  if (LoadFromFile(path, shown, progress, true)) {
    // The full-size render of the largest documents (30000 x 4095) would
    // take seconds an input: those are rendered fitted only.
    const bool renderFull = std::int64_t{shown.width} * shown.height <= (std::int64_t{1} << 22);
    if (!ReduceLayers(shown, blend, progress, messages, true, true)) {
      ::unlink(path.c_str());
      return 0;
    }
    ShrinkToCanvas(shown, progress);
    std::vector<TArtworkLayer> layers(static_cast<std::size_t>(std::max(shown.workingLayerCount, 0)));
    for (std::size_t i = 0; i < layers.size(); ++i) {
      layers[i].mapping.MappedSlot = static_cast<std::int16_t>(i % kRampCount);
      layers[i].hidden = i % 5 == 3;
    }
    TRenderBackground colour;
    colour.colour = 0x336699;
    TRenderBackground transparent;
    transparent.transparent = true;
    // A side from 1 pixel up, sometimes larger than the artwork.
    const std::int32_t side = 1 + data[0] * 3;
    TCountingSink full, fitted;
    if (renderFull) (void)RenderArtwork(path, shown, layers, blend, colour, 0, full, nullptr);
    (void)RenderArtwork(path, shown, layers, blend, transparent, side, fitted, nullptr);
  }
  ::unlink(path.c_str());
  return 0;
}
