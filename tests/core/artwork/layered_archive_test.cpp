// Krita and OpenRaster artwork: files written by Krita itself open to the
// same canvas as the same artwork saved by Krita as PSD; the layer tree is
// flattened as painting programs draw it; damaged and hostile files are
// refused with a message before they can cost memory.

#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/artwork/artwork_file.h"
#include "core/artwork/kra_tiles.h"
#include "core/artwork/layered_archive.h"
#include "core/artwork/lzf.h"
#include "core/document/coordination_model.h"
#include "core/formats/png_file.h"
#include "support/recording.h"

namespace tintloom {
namespace {

namespace fs = std::filesystem;

fs::path Data(const char* name) { return fs::path(TINTLOOM_TEST_DATA) / "layered" / name; }

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A PNG of w x h pixels of one RGBA colour, as bytes.
std::vector<std::uint8_t> SolidPng(const fs::path& scratch, int w, int h, std::uint8_t r, std::uint8_t g,
                                   std::uint8_t b, std::uint8_t a) {
  TPngWriter writer;
  const fs::path path = scratch / "layer.png";
  EXPECT_TRUE(writer.Open(path.string(), w, h, true));
  std::vector<std::uint8_t> row;
  for (int x = 0; x < w; ++x) row.insert(row.end(), {r, g, b, a});
  for (int y = 0; y < h; ++y) EXPECT_TRUE(writer.WriteRow(row.data()));
  EXPECT_TRUE(writer.Finish());
  return ReadAll(path);
}

// A zip of the named entries, written by libzip, as bytes.
std::vector<std::uint8_t> Zip(const fs::path& scratch, const std::vector<std::pair<std::string, std::string>>& entries) {
  const fs::path path = scratch / "archive.zip";
  fs::remove(path);
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  EXPECT_NE(zip, nullptr);
  for (const auto& [name, data] : entries) {
    zip_source_t* source = zip_source_buffer(zip, data.data(), data.size(), 0);
    EXPECT_GE(zip_file_add(zip, name.c_str(), source, ZIP_FL_OVERWRITE), 0);
  }
  EXPECT_EQ(zip_close(zip), 0);
  return ReadAll(path);
}

std::string Text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

class LayeredArtwork : public ::testing::Test {
 protected:
  testing::TRecordingViews views;
  testing::TRecordingMessages messages;
  TCoordinationModel model{views, messages};
  fs::path scratch = fs::temp_directory_path() / ("tintloom_layered_" + std::to_string(::getpid()));
  void SetUp() override { fs::create_directories(scratch); }
  void TearDown() override { fs::remove_all(scratch); }

  // The canvas and layer names of the file as the program opens it.
  struct TShown {
    std::vector<std::uint8_t> canvas;
    std::vector<std::string> names;
  };
  TShown Open(const fs::path& path) {
    messages.shown.clear();
    EXPECT_TRUE(model.OpenSampleArtwork(path.string())) << path;
    TShown shown;
    const TSurface& canvas = model.Canvas();
    for (int y = 0; y < canvas.height; ++y) {
      for (int x = 0; x < canvas.width; ++x) {
        const TRgb24 c = canvas.At(x, y);
        shown.canvas.insert(shown.canvas.end(), {c.red, c.green, c.blue});
      }
    }
    for (int i = 0; i < model.LayerCount(); ++i) {
      shown.names.push_back(model.Artwork().Document().Simples[static_cast<std::size_t>(i)].UnicodeName.value_or(""));
    }
    return shown;
  }
  Result<> Decode(std::vector<std::uint8_t> bytes, TPSD& doc) {
    TSilentProgress progress;
    TSilentMessages quiet;
    TRY(DecodeLayeredArchive(std::move(bytes), "a.ora", doc, progress));
    TRY(ReduceLayers(doc, TBlendTable{}, progress, quiet, true, true));
    ShrinkToCanvas(doc, progress);
    return Ok();
  }
};

// The artwork (tests/data/layered/README.md): a background, a multiplying
// layer at 80 %, a layer in a group at 60 %, a hidden group, a screen layer
// hanging off the bottom right. Krita saved it as .kra, .ora and .psd.
TEST_F(LayeredArtwork, FilesWrittenByKritaShowTheSameCanvasAsItsPsd) {
  const TShown psd = Open(Data("krita.psd"));
  EXPECT_TRUE(messages.shown.empty());
  ASSERT_EQ(psd.names, (std::vector<std::string>{"background", "shade", "paint", "light"}));
  for (const char* name : {"krita.kra", "krita.ora", "artwork.ora"}) {
    const TShown other = Open(Data(name));
    EXPECT_TRUE(messages.shown.empty()) << name << ": " << (messages.shown.empty() ? "" : messages.shown.front());
    EXPECT_EQ(other.names, psd.names) << name;
    EXPECT_EQ(other.canvas, psd.canvas) << name;
  }
}

// Krita's "inherit alpha" (the alpha channel off in the channel flags):
// "light" is clipped onto the layer below it, and as three layers lie
// beneath it the message says it is drawn clipped to the nearest.
TEST_F(LayeredArtwork, KritasInheritAlphaIsReadAsClipping) {
  const TShown shown = Open(Data("krita_inherit_alpha.kra"));
  EXPECT_EQ(shown.names, (std::vector<std::string>{"background", "shade", "paint"}));
  EXPECT_EQ(messages.shown, (std::vector<std::string>{
                                "1個の「アルファを継承」レイヤーは、すぐ下のレイヤーにクリッピングして表示します"}));
}

TEST_F(LayeredArtwork, TheTreeIsFlattenedAsPaintingProgramsDrawIt) {
  const std::string red = Text(SolidPng(scratch, 8, 8, 255, 0, 0, 255));
  const std::string grey = Text(SolidPng(scratch, 8, 8, 128, 128, 128, 255));
  const auto stack = [](const std::string& layers) {
    return "<image w='8' h='8'><stack>" + layers + "</stack></image>";
  };
  TPSD doc;
  // Top first: a layer clipped onto the one below it, a layer in a hidden
  // group, a layer in a group at half opacity, one of a mode no mode here
  // means, one off the left edge by 6 pixels.
  ASSERT_TRUE(Decode(Zip(scratch, {{"mimetype", "image/openraster"},
                                   {"stack.xml",
                                    stack("<layer name='clip' src='r.png' composite-op='svg:src-atop'/>"
                                          "<stack visibility='hidden'><layer name='gone' src='r.png'/></stack>"
                                          "<stack opacity='0.5'><layer name='half' src='g.png' opacity='0.5'/></stack>"
                                          "<layer name='hue' src='g.png' composite-op='svg:hue'/>"
                                          "<layer name='edge' src='g.png' x='-6'/>")},
                                   {"r.png", red},
                                   {"g.png", grey}}),
                     doc));
  ASSERT_EQ(doc.workingLayerCount, 3);
  const TSimpleLayer& edge = doc.Simples[0];
  EXPECT_EQ(*edge.Name, "edge");
  EXPECT_EQ(edge.left, 0);
  EXPECT_EQ(edge.width, 2);  // only what lies on the document
  EXPECT_EQ(*doc.Simples[1].Name, "hue");
  EXPECT_EQ(doc.Simples[1].BlendModeKey, kBlendNormal);
  // The clipped red layer colours "half", whose alpha is a quarter.
  const TSimpleLayer& half = doc.Simples[2];
  EXPECT_EQ(*half.Name, "half");
  EXPECT_EQ(half.Alpha[0], 64);
  EXPECT_EQ(half.Pixel[0], (77 * 255) >> 8);
  // The clipped layer lies over three: drawn clipped to the nearest, and
  // said so, as is the mode drawn as normal.
  EXPECT_EQ(doc.notes, (std::vector<std::string>{
                           "1個のレイヤーは対応していない描画モードのため「通常」で表示します",
                           "1個の「アルファを継承」レイヤーは、すぐ下のレイヤーにクリッピングして表示します"}));
}

TEST_F(LayeredArtwork, DamagedAndHostileFilesAreRefusedBeforeTheyCostMemory) {
  const std::string png = Text(SolidPng(scratch, 4, 4, 1, 2, 3, 255));
  const std::string one_layer = "<image w='4' h='4'><stack><layer src='l.png'/></stack></image>";
  const auto refused = [&](std::vector<std::uint8_t> bytes, const std::string& message) {
    TPSD doc;
    const Result<> result = Decode(std::move(bytes), doc);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message, message + "\n->a.ora");
    EXPECT_EQ(doc.workingLayerCount, 0);
  };
  const std::string damaged = "ファイルが壊れています";
  const std::string too_large = "ファイルが壊れているか大きすぎるため開けません.";
  refused({'P', 'K', 3, 4, 0, 0}, damaged);
  refused(Zip(scratch, {{"readme.txt", "hello"}}), "開けるのはPSD、Krita(.kra)とOpenRaster(.ora)の画像だけです");
  refused(Zip(scratch, {{"mimetype", "image/openraster"}, {"stack.xml", "<image"}}), damaged);
  // An entity declared in the document is never expanded.
  refused(Zip(scratch, {{"mimetype", "image/openraster"},
                        {"stack.xml", "<!DOCTYPE image [<!ENTITY a 'aaaaaaaa'>]><image w='4' h='4'><stack>"
                                      "<layer src='&a;'/></stack></image>"}}),
          damaged);
  // A layer tree nested deeper than any real one.
  std::string deep;
  for (int i = 0; i < 70; ++i) deep += "<stack>";
  refused(Zip(scratch, {{"mimetype", "image/openraster"}, {"stack.xml", "<image w='4' h='4'><stack>" + deep}}), damaged);
  // A layer tree of 17 MB of spaces: over what any tree needs, refused before
  // it is inflated.
  refused(Zip(scratch, {{"mimetype", "image/openraster"}, {"stack.xml", std::string(17 << 20, ' ')}}), too_large);
  // A PNG claiming 30000 x 30000 pixels in a few bytes.
  std::string huge = png;
  huge[16] = huge[20] = 0, huge[17] = huge[21] = 0, huge[18] = huge[22] = 0x75, huge[19] = huge[23] = 0x30;
  const auto crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(huge.data() + 12), 17));
  for (int i = 0; i < 4; ++i) huge[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
  refused(Zip(scratch, {{"mimetype", "image/openraster"}, {"stack.xml", one_layer}, {"l.png", huge}}), damaged);
  // A missing layer entry, and the document's size refused as a PSD's is.
  refused(Zip(scratch, {{"mimetype", "image/openraster"}, {"stack.xml", one_layer}}), damaged);
  {
    TPSD doc;
    TSilentProgress progress;
    const Result<> result = DecodeLayeredArchive(
        Zip(scratch, {{"mimetype", "image/openraster"}, {"stack.xml", "<image w='5000' h='5000'><stack/></image>"}}),
        "a.ora", doc, progress);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message.rfind("画像サイズが大きすぎます(5000×5000ピクセル)", 0), 0u);
  }
  // Krita documents in a float depth or another colour space.
  const auto kra = [&](const char* space) {
    return Zip(scratch, {{"mimetype", "application/x-krita"},
                         {"maindoc.xml", std::string("<DOC><IMAGE name='U' width='4' height='4' colorspacename='") +
                                             space + "'><layers/></IMAGE></DOC>"}});
  };
  {
    TPSD doc;
    TSilentProgress progress;
    Result<> result = DecodeLayeredArchive(kra("RGBAF16"), "a.kra", doc, progress);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message, "浮動小数点の色深度(16ビット)には対応していません. ファイルを開けません\n->a.kra");
    result = DecodeLayeredArchive(kra("CMYKA"), "a.kra", doc, progress);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message, "サポートしていない色空間です. ファイルを開けません\nCMYKA\n->a.kra");
  }
}

// Tiles as Krita writes them, and the damage a hostile file can do to them.
TEST(KraTiles, TilesLandWhereTheySayAndBadOnesAreRefused) {
  // One raw tile of 8-bit RGBA (blue, green, red, alpha) at (64, 0), moved
  // by the layer's offset (-60, 2) onto a 16 x 8 document.
  const auto tiles = [](const std::string& line, std::uint8_t flag, std::size_t bytes) {
    std::string text = "VERSION 2\nTILEWIDTH 64\nTILEHEIGHT 64\nPIXELSIZE 4\nDATA 1\n" + line + "\n";
    text.push_back(static_cast<char>(flag));
    for (std::size_t i = 0; i < bytes; ++i) text.push_back(static_cast<char>(i % 4 == 3 ? 255 : i % 4 * 50));
    return std::vector<std::uint8_t>(text.begin(), text.end());
  };
  const TTilePixel rgba = *KraPixelLayout("RGBA");
  Result<TLayerPlanes> planes = DecodeKraTiles(tiles("64,0,LZF,16385", 0, 16384), {}, rgba, -60, 2, 16, 8, "a.kra");
  ASSERT_TRUE(planes);
  EXPECT_EQ(planes->left, 4);
  EXPECT_EQ(planes->top, 2);
  EXPECT_EQ(planes->width, 12);
  EXPECT_EQ(planes->height, 6);
  EXPECT_EQ(planes->red[0], 100);
  EXPECT_EQ(planes->green[0], 50);
  EXPECT_EQ(planes->blue[0], 0);
  EXPECT_EQ(planes->alpha[0], 255);
  for (const auto& bad : {tiles("65,0,LZF,16385", 0, 16384),    // off the tile grid
                          tiles("0,0,LZF,16385", 0, 16000),     // shorter than it says
                          tiles("0,0,LZF,16001", 0, 16000),     // raw, but not a whole tile
                          tiles("0,0,LZF,9", 1, 8),             // LZF that does not fill the tile
                          tiles("0,0,RLE,16385", 0, 16384)}) {  // a coding Krita does not write
    EXPECT_FALSE(DecodeKraTiles(bad, {}, rgba, 0, 0, 16, 8, "a.kra"));
  }
  // A count of tiles the bytes cannot hold is refused before any is read.
  std::string many = "VERSION 2\nTILEWIDTH 64\nTILEHEIGHT 64\nPIXELSIZE 4\nDATA 999999999\n";
  EXPECT_FALSE(DecodeKraTiles(std::vector<std::uint8_t>(many.begin(), many.end()), {}, rgba, 0, 0, 16, 8, "a.kra"));
}

TEST(Lzf, RunsAndReferencesDecodeAndNoneReachesOutside) {
  // "abc" as literals, then a reference 3 back of 8 bytes: the run repeats.
  const std::vector<std::uint8_t> in = {2, 'a', 'b', 'c', (6 << 5) | 0, 2};
  std::vector<std::uint8_t> out(11);
  ASSERT_EQ(LzfDecompress(in, out), 11);
  EXPECT_EQ(std::string(out.begin(), out.end()), "abcabcabcab");
  std::vector<std::uint8_t> small(10);
  EXPECT_EQ(LzfDecompress(in, small), -1);  // would write past the output
  const std::vector<std::uint8_t> before_start = {0, 'a', (1 << 5) | 0, 5};
  EXPECT_EQ(LzfDecompress(before_start, out), -1);
  const std::vector<std::uint8_t> cut = {5, 'a', 'b'};
  EXPECT_EQ(LzfDecompress(cut, out), -1);
}

}  // namespace
}  // namespace tintloom
