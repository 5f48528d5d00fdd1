// Peak memory of opening large artwork, for /usr/bin/time -v or the VmHWM it
// prints itself:
//   open_memory write FILE        writes a 4000 x 3000 PSD of 30 PackBits RGBA
//                                 layers, streamed so writing needs little memory
//   open_memory open FILE         opens it as the program does (through the model)
//   open_memory open-whole FILE   reads every plane first, then reduces and
//                                 shrinks: the way without deferred planes
//   open_memory decode FILE       only unpacks every channel, one at a time
//   open_memory export FILE OUT   opens it, then writes the recoloured artwork
//                                 at full size as PNG (goal: peak under 300 MB);
//                                 an OUT ending in .psd writes the layered PSD
//                                 (the same goal)
//   open_memory export FILE OUT SIDE [transparent]   the PNG fitted to SIDE
//   open_memory open-work FILE    opens a work document as the program does
// and hostile files whose memory must follow the document, not the layer:
//   open_memory write-large-layer FILE   a 600 x 600 greyscale document holding
//                                        one 20000 x 20000 PackBits layer (6.3 MB)
//   open_memory write-bare-rectangle FILE   119 bytes: a 600 x 600 document with
//                                        one 50000 x 50000 layer whose only
//                                        channel is a 1 x 1 user mask
//   open_memory write-tall FILE          99 bytes: a 30000 x 4095 document of one
//                                        1 x 1 layer
//   open_memory write-many-layers FILE   32,767 layers of 1 x 1 pixel (1.4 MB)
//   open_memory write-long-strings FILE  a 65 MB work document of 399,000 strings

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench/psd_generator.h"
#include "bench/whole_planes.h"
#include "core/artwork/compositor.h"
#include "core/artwork/psd_document.h"
#include "core/document/palette_document_commands.h"
#include "core/document/work_document_commands.h"
#include "core/formats/palette_document.h"
#include "core/formats/work_document.h"
#include "core/document/artwork_export.h"
#include "core/document/coordination_model.h"
#include "core/document/layered_export.h"

namespace {

using namespace tintloom;

constexpr int kWidth = 4000, kHeight = 3000, kLayers = 30;
constexpr std::int16_t kIds[] = {-1, 0, 1, 2};

// Flat areas with soft edges, as painted artwork has: long runs and literal
// stretches both occur.
void Row(int layer, int id, int y, std::vector<std::uint8_t>& row) {
  for (int x = 0; x < kWidth; ++x) {
    const int band = (x / (97 + layer) + y / (61 + 3 * layer)) % 4;
    row[static_cast<std::size_t>(x)] =
        static_cast<std::uint8_t>(band == 0 ? (x * 7 + y * 3 + id * 40 + layer) & 0xFF : 60 * band + id * 20);
  }
}

// Each channel's compressed data, made row by row; `out` null only measures.
std::uint64_t Channel(int layer, int id, std::FILE* out) {
  std::vector<std::uint8_t> row(kWidth);
  std::vector<std::uint16_t> counts(kHeight);
  std::vector<std::vector<std::uint8_t>> packed(kHeight);
  std::uint64_t size = 2 + 2ull * kHeight;
  for (int y = 0; y < kHeight; ++y) {
    Row(layer, id, y, row);
    packed[static_cast<std::size_t>(y)] = psdgen::PackRow(row.data(), kWidth);
    counts[static_cast<std::size_t>(y)] = static_cast<std::uint16_t>(packed[static_cast<std::size_t>(y)].size());
    size += counts[static_cast<std::size_t>(y)];
  }
  if (out != nullptr) {
    psdgen::TBytes head;
    head.U16(1);
    for (std::uint16_t c : counts) head.U16(c);
    std::fwrite(head.data.data(), 1, head.data.size(), out);
    for (const auto& p : packed) std::fwrite(p.data(), 1, p.size(), out);
  }
  return size;
}

int Write(const char* path) {
  psdgen::TBytes records;
  records.U16(kLayers);
  for (int i = 0; i < kLayers; ++i) {
    records.U32(0).U32(0).U32(kHeight).U32(kWidth).U16(4);
    for (std::int16_t id : kIds) records.U16(static_cast<std::uint16_t>(id)).U32(static_cast<std::uint32_t>(Channel(i, id, nullptr)));
    records.Raw("8BIM").Raw(i % 2 == 0 ? "norm" : "mul ").U8(255 - i * 4).U8(i % 3 == 2 ? 1 : 0).U8(0).U8(0);
    records.U32(12).U32(0).U32(0).U8(3).Raw("lay");  // no mask, no ranges, a padded name
  }
  std::uint64_t data = 0;
  for (int i = 0; i < kLayers; ++i)
    for (std::int16_t id : kIds) data += Channel(i, id, nullptr);
  std::FILE* out = std::fopen(path, "wb");
  if (out == nullptr) return 1;
  psdgen::TBytes head;
  head.Raw("8BPS").U16(1).U32(0).U16(0).U16(3).U32(kHeight).U32(kWidth).U16(8).U16(kPsdColourRgb).U32(0).U32(0);
  const auto info = static_cast<std::uint32_t>(records.data.size() + data);
  head.U32(info + 4).U32(info);
  std::fwrite(head.data.data(), 1, head.data.size(), out);
  std::fwrite(records.data.data(), 1, records.data.size(), out);
  for (int i = 0; i < kLayers; ++i)
    for (std::int16_t id : kIds) Channel(i, id, out);
  std::fclose(out);
  return 0;
}

// The header of a 600 x 600 greyscale document, up to its layer count.
psdgen::TBytes SmallDocumentHead(std::uint32_t layer_info) {
  psdgen::TBytes head;
  head.Raw("8BPS").U16(1).U32(0).U16(0).U16(1).U32(600).U32(600).U16(8).U16(kPsdColourGrey).U32(0).U32(0);
  head.U32(layer_info + 4).U32(layer_info);
  return head;
}

// A document that is only its header and layer records.
int WriteHeadAndRecords(const char* path, const psdgen::TBytes& head, const psdgen::TBytes& records) {
  std::FILE* out = std::fopen(path, "wb");
  if (out == nullptr) return 1;
  std::fwrite(head.data.data(), 1, head.data.size(), out);
  std::fwrite(records.data.data(), 1, records.data.size(), out);
  std::fclose(out);
  return 0;
}

int WriteLargeLayer(const char* path) {
  constexpr std::uint32_t kSide = 20000;
  // Each row one value: 156 repeats of 128 bytes and one of 32.
  constexpr std::uint32_t kPackedRow = 157 * 2;
  const std::uint32_t channel = 2 + 2 * kSide + kSide * kPackedRow;
  psdgen::TBytes records;
  records.U16(1).U32(0).U32(0).U32(kSide).U32(kSide).U16(1).U16(0).U32(channel);
  records.Raw("8BIM").Raw("norm").U8(255).U8(0).U8(0).U8(0).U32(12).U32(0).U32(0).U8(3).Raw("big");
  std::FILE* out = std::fopen(path, "wb");
  if (out == nullptr) return 1;
  const psdgen::TBytes head = SmallDocumentHead(static_cast<std::uint32_t>(records.data.size()) + channel);
  std::fwrite(head.data.data(), 1, head.data.size(), out);
  std::fwrite(records.data.data(), 1, records.data.size(), out);
  psdgen::TBytes counts;
  counts.U16(1);
  for (std::uint32_t r = 0; r < kSide; ++r) counts.U16(kPackedRow);
  std::fwrite(counts.data.data(), 1, counts.data.size(), out);
  std::vector<std::uint8_t> row;
  for (std::uint32_t r = 0; r < kSide; ++r) {
    row.clear();
    const auto value = static_cast<std::uint8_t>(r * 7);
    for (int i = 0; i < 156; ++i) row.insert(row.end(), {static_cast<std::uint8_t>(257 - 128), value});
    row.insert(row.end(), {static_cast<std::uint8_t>(257 - 32), value});
    std::fwrite(row.data(), 1, row.size(), out);
  }
  std::fclose(out);
  return 0;
}

int WriteBareRectangle(const char* path) {
  psdgen::TBytes records;
  records.U16(1).U32(0).U32(0).U32(50000).U32(50000).U16(1).U16(static_cast<std::uint16_t>(-2)).U32(3);
  records.Raw("8BIM").Raw("norm").U8(255).U8(0).U8(0).U8(0).U32(32);
  records.U32(20).U32(10).U32(10).U32(11).U32(11).U8(0).U8(0).U16(0);  // the 1 x 1 mask
  records.U32(0).U8(0).U8(0).U16(0);                                  // no ranges, no name
  records.U16(0).U8(128);                                             // the mask's one raw byte
  const psdgen::TBytes head = SmallDocumentHead(static_cast<std::uint32_t>(records.data.size()));
  return WriteHeadAndRecords(path, head, records);
}

struct Quiet final : TModelViews {};

// The largest document opened, of one pixel: the picture is all there is
// to hold.
int WriteTall(const char* path) {
  psdgen::TBytes records;
  records.U16(1).U32(0).U32(0).U32(1).U32(1).U16(1).U16(0).U32(3);
  records.Raw("8BIM").Raw("norm").U8(255).U8(0).U8(0).U8(0).U32(12).U32(0).U32(0).U8(3).Raw("dot");
  records.U16(0).U8(200);  // raw
  psdgen::TBytes head;
  head.Raw("8BPS").U16(1).U32(0).U16(0).U16(1).U32(4095).U32(30000).U16(8).U16(kPsdColourGrey).U32(0).U32(0);
  head.U32(static_cast<std::uint32_t>(records.data.size()) + 4).U32(static_cast<std::uint32_t>(records.data.size()));
  return WriteHeadAndRecords(path, head, records);
}

// As many layers as a PSD can count, each one pixel: what a working layer
// costs besides its pixels decides.
int WriteManyLayers(const char* path) {
  constexpr int kCount = 32767;
  psdgen::TBytes records;
  records.U16(kCount);
  for (int i = 0; i < kCount; ++i) {
    const std::uint32_t top = static_cast<std::uint32_t>(i / 600 % 600), left = static_cast<std::uint32_t>(i % 600);
    records.U32(top).U32(left).U32(top + 1).U32(left + 1).U16(1).U16(0).U32(3);
    records.Raw("8BIM").Raw(i % 2 == 0 ? "norm" : "mul ").U8(255).U8(0).U8(0).U8(0);
    records.U32(12).U32(0).U32(0).U8(3).Raw("lay");
  }
  for (int i = 0; i < kCount; ++i) records.U16(0).U8(static_cast<std::uint32_t>(i));
  const psdgen::TBytes head = SmallDocumentHead(static_cast<std::uint32_t>(records.data.size()));
  return WriteHeadAndRecords(path, head, records);
}

// A work document just under the size cap, nearly all of it strings, which
// the cap on values counts only as values: as many as the cap allows, of the
// length that fills the file (of the layouts tried, 399,000 strings of 160
// bytes cost the most; fewer, longer strings or layer names cost less).
int WriteLongStrings(const char* path) {
  std::FILE* out = std::fopen(path, "wb");
  if (out == nullptr) return 1;
  const std::string value = "\"" + std::string(160, 's') + "\"";
  std::string text = "{\"format\": \"tintloom-work\", \"version\": 1, \"later\": [";
  for (int i = 0; i < 399000; ++i) text += (i > 0 ? ", " : "") + value;
  // A palette the reader takes, so that the whole document is read.
  Quiet views;
  TSilentMessages messages;
  TCoordinationModel model(views, messages);
  model.ConstructScheme();
  text += "], \"layers\": [], \"artwork\": null, \"palette\": \"";
  for (const std::uint8_t b : EncodePaletteDocument(CapturePaletteDocument(model))) {
    static const char kHex[] = "0123456789abcdef";
    text += kHex[b >> 4];
    text += kHex[b & 15];
  }
  text += "\"}";
  std::fwrite(text.data(), 1, text.size(), out);
  std::fclose(out);
  return 0;
}

void PrintPeak(const char* what) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM", 0) == 0) std::printf("%s: %s\n", what, line.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && !(argc >= 4 && argc <= 6 && std::strcmp(argv[1], "export") == 0)) {
    std::fprintf(stderr,
                 "usage: open_memory write|write-large-layer|write-bare-rectangle|write-tall|write-many-layers|"
                 "write-long-strings|open|open-whole|decode|open-work FILE, or export FILE OUT.png [SIDE [transparent]]\n");
    return 2;
  }
  const std::string mode = argv[1];
  const char* path = argv[2];
  if (mode == "write") return Write(path);
  if (mode == "write-large-layer") return WriteLargeLayer(path);
  if (mode == "write-bare-rectangle") return WriteBareRectangle(path);
  if (mode == "write-tall") return WriteTall(path);
  if (mode == "write-many-layers") return WriteManyLayers(path);
  if (mode == "write-long-strings") return WriteLongStrings(path);
  TSilentProgress progress;
  TSilentMessages messages;
  if (mode == "open") {
    Quiet views;
    TCoordinationModel model(views, messages);
    model.OpenSampleArtwork(path);
    std::printf("working layers %d, artwork %d x %d\n", model.LayerCount(), model.Artwork().ArtworkSurface().width,
                model.Artwork().ArtworkSurface().height);
  } else if (mode == "export") {
    Quiet views;
    TCoordinationModel model(views, messages);
    model.ConstructScheme();
    model.OpenSampleArtwork(path);
    PrintPeak("open");
    for (int i = 0; i < model.LayerCount(); ++i) {
      model.LayerMapping(i).MappedSlot = static_cast<std::int16_t>(i % 10);
      model.BuildLayerLookup(i);
    }
    const std::string out = argv[3];
    const bool layered = out.size() > 4 && out.substr(out.size() - 4) == ".psd";
    TRenderBackground background;
    background.transparent = argc == 6 && std::strcmp(argv[5], "transparent") == 0;
    const std::int32_t side = argc >= 5 ? std::atoi(argv[4]) : 0;
    const Result<TRenderOutcome> written = layered ? ExportLayeredPsd(model, out, nullptr)
                                                   : ExportArtworkPng(model, out, background, side, nullptr);
    if (!written) {
      std::fprintf(stderr, "%s\n", written.error().message.c_str());
      return 1;
    }
  } else if (mode == "open-work") {
    Quiet views;
    TCoordinationModel model(views, messages);
    model.ConstructScheme();
    LoadWorkDocument(model, path);
  } else if (mode == "open-whole") {
    TPSD doc;
    const TBlendTable blend;
    if (!LoadFromFile(path, doc, progress) || !ReduceLayers(doc, blend, progress, messages)) return 1;
    ShrinkToCanvas(doc, progress);
    std::printf("working layers %d, artwork %d x %d\n", doc.workingLayerCount, doc.width, doc.height);
  } else if (mode == "decode") {
    TPSD doc;
    if (!LoadFromFile(path, doc, progress, true)) return 1;
    std::uint64_t sum = 0;
    for (TPSDLayer& layer : doc.Layers) {
      if (!DecodeDeferredPlanes(doc, layer)) return 1;
      for (const auto& plane : layer.PixelData) sum += plane.empty() ? 0 : plane[plane.size() / 2];
      layer.Release();
    }
    std::printf("checksum %llu\n", static_cast<unsigned long long>(sum));
  } else {
    return 2;
  }
  PrintPeak(mode.c_str());
  return 0;
}
