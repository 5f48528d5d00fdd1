// The recoloured artwork sent back as a layered PSD: read again by the
// program's own reader, every layer must be its working layer in its ramp's
// colours where the source had it, and the merged picture the PNG export on
// white; a file that cannot be written right must not be written at all.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/artwork/full_size_layers.h"
#include "core/artwork/packbits.h"
#include "core/base/data_files.h"
#include "core/base/file_io.h"
#include "core/document/artwork_export.h"
#include "core/document/coordination_model.h"
#include "core/document/layered_export.h"
#include "core/formats/layered_psd.h"
#include "core/formats/png_file.h"
#include "support/paths.h"
#include "support/recording.h"
#include "support/sha256.h"

namespace tintloom {
namespace {

namespace fs = std::filesystem;
using testing::ScratchPath;

std::string Sample(const char* name) { return (fs::path(TINTLOOM_PSD_SAMPLES) / name).string(); }

std::uint32_t BigEndian(const std::vector<std::uint8_t>& b, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = 0; i < n; ++i) v = v << 8 | b[at + static_cast<std::size_t>(i)];
  return v;
}

// The merged picture a written file ends with, as red, green, blue planes.
std::vector<std::uint8_t> MergedPlanes(const std::vector<std::uint8_t>& file, std::int32_t width, std::int32_t height) {
  std::size_t at = 26;
  at += 4 + BigEndian(file, at, 4);  // colour mode data
  at += 4 + BigEndian(file, at, 4);  // image resources
  at += 4 + BigEndian(file, at, 4);  // layers and masks
  EXPECT_EQ(BigEndian(file, at, 2), 1u);
  at += 2;
  const std::size_t rows = 3 * static_cast<std::size_t>(height);
  std::size_t data = at + 2 * rows;
  std::vector<std::uint8_t> planes(rows * static_cast<std::size_t>(width));
  for (std::size_t r = 0; r < rows; ++r) {
    const std::uint32_t length = BigEndian(file, at + 2 * r, 2);
    const std::size_t decoded =
        UnpackRow(std::span<std::uint8_t>(planes).subspan(r * static_cast<std::size_t>(width), static_cast<std::size_t>(width)),
                  std::span<const std::uint8_t>(file).subspan(data, length));
    EXPECT_EQ(decoded, static_cast<std::size_t>(width));
    data += length;
  }
  EXPECT_EQ(data, file.size());
  return planes;
}

class LayeredExport : public ::testing::Test {
 protected:
  testing::TRecordingViews views;
  testing::TRecordingMessages messages;
  TCoordinationModel model{views, messages};

  void SetUp() override {
    if (!fs::exists(TINTLOOM_PSD_SAMPLES)) GTEST_SKIP() << "no sample folder";
    ASSERT_TRUE(GlobalBlendTable().LoadBlendTable(LocateDataFile(kBlendFileName, testing::ProgramDir())).ok());
    model.ConstructScheme();
    model.Redraw(TCoordinationModel::kRedrawAll);
  }

  // Every layer on a ramp of its own (the colour slots, grey, black and
  // white), some on blend modes and every third one hidden.
  void Recolour() {
    for (int i = 0; i < model.LayerCount(); ++i) {
      TLayerMapping& mapping = model.LayerMapping(i);
      mapping.MappedSlot = static_cast<std::int16_t>((i + 7) % kRampCount);
      mapping.BaseLevel = static_cast<std::uint8_t>(120 + i * 7 % 100);
      mapping.ShadowLevel = static_cast<std::uint8_t>(20 + i * 11 % 90);
      if (i % 3 == 1) model.RestoreLayerBlendMode(i, i % kBlendModeCount);
      model.BuildLayerLookup(i);
    }
    if (model.LayerCount() > 2) model.SetLayersHidden({2}, true);
    model.ComposeCanvas();
  }

  // The working layers at full size, straight from the source: what each
  // written layer must hold.
  TPSD FullSizeLayers() {
    TPSD doc, whole;
    TSilentProgress silent;
    EXPECT_TRUE(LoadFromFile(model.Artwork().Path(), doc, silent, true).ok());
    Result<std::unique_ptr<TFullSizeLayers>> bound = TFullSizeLayers::Bind(doc, GlobalBlendTable());
    EXPECT_TRUE(bound.ok());
    if (bound) {
      EXPECT_TRUE((*bound)->ReduceRows(0, doc.height, whole).ok());
    }
    return whole;
  }

  // Writes the file and reads it back whole with the program's own reader.
  std::vector<std::uint8_t> Written(const std::string& path, TPSD& read) {
    const Result<TRenderOutcome> written = ExportLayeredPsd(model, path, nullptr);
    EXPECT_TRUE(written.ok()) << (written ? "" : written.error().message);
    Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(path, 1ull << 30);
    EXPECT_TRUE(bytes.ok());
    if (!bytes) return {};
    TSilentProgress silent;
    const Result<> decoded = DecodePsd(*bytes, path, read, silent);
    EXPECT_TRUE(decoded.ok()) << (decoded ? "" : decoded.error().message);
    return std::move(bytes).value();
  }

  // Layer by layer: rectangle, name, mode, hidden flag and every pixel.
  void ExpectLayers(const TPSD& read, const TPSD& whole, const std::string& what) {
    const TPSD& shown = model.Artwork().Document();
    ASSERT_EQ(read.layerCount, model.LayerCount()) << what;
    ASSERT_EQ(read.depth, 8) << what;
    ASSERT_EQ(read.colourMode, kPsdColourRgb) << what;
    for (int i = 0; i < model.LayerCount(); ++i) {
      const auto at = static_cast<std::size_t>(i);
      const TPSDLayer& layer = read.Layers[at];
      const TSimpleLayer& expected = whole.Simples[at];
      const std::string where = what + " layer " + std::to_string(i);
      EXPECT_EQ(layer.Name, shown.Simples[at].Name) << where;
      EXPECT_EQ(layer.UnicodeName, shown.Simples[at].UnicodeName) << where;
      EXPECT_EQ(layer.BlendModeKey, shown.Simples[at].BlendModeKey) << where;
      EXPECT_EQ((layer.flags & 2) != 0, model.Artwork().Hidden(i)) << where;
      EXPECT_EQ(layer.Opacity, 255) << where;
      EXPECT_EQ(layer.Clipping, 0) << where;
      if (expected.height == 0) {
        EXPECT_EQ(layer.width * layer.height, 0) << where;
        continue;
      }
      ASSERT_EQ(layer.left, expected.left) << where;
      ASSERT_EQ(layer.top, expected.top) << where;
      ASSERT_EQ(layer.width, expected.width) << where;
      ASSERT_EQ(layer.height, expected.height) << where;
      ASSERT_EQ(layer.ChannelData.size(), 4u) << where;
      const auto& lookup = model.Artwork().Layers()[at].mapping.Lookup;
      int wrong = 0;
      for (std::size_t p = 0; p < expected.Alpha.size() && p < static_cast<std::size_t>(layer.width) * layer.height; ++p) {
        const TRgb24 c = *lookup[expected.Pixel[p]];
        wrong += layer.Plane(layer.transparencyPlane)[p] != expected.Alpha[p] || layer.Plane(layer.redPlane)[p] != c.red ||
                 layer.Plane(layer.greenPlane)[p] != c.green || layer.Plane(layer.bluePlane)[p] != c.blue;
      }
      EXPECT_EQ(wrong, 0) << where;
    }
  }

  // The merged picture against the PNG export on white.
  void ExpectMergedIsThePngOnWhite(const std::vector<std::uint8_t>& file, const std::string& what) {
    const std::string png = ScratchPath("merged.png");
    ASSERT_TRUE(ExportArtworkPng(model, png, TRenderBackground{}, 0, nullptr).ok());
    const TPngPicture picture = ReadPngFile(png).value();
    fs::remove(png);
    const std::vector<std::uint8_t> planes = MergedPlanes(file, picture.width, picture.height);
    const std::size_t n = static_cast<std::size_t>(picture.width) * picture.height;
    ASSERT_EQ(planes.size(), 3 * n) << what;
    int wrong = 0;
    for (std::size_t p = 0; p < n; ++p) {
      for (std::size_t c = 0; c < 3; ++c) wrong += planes[c * n + p] != picture.rgba[4 * p + c];
    }
    EXPECT_EQ(wrong, 0) << what;
  }
};

TEST_F(LayeredExport, EverySampleReadsBackAsItsRecolouredLayersWithThePngAsMergedPicture) {
  int compared = 0;
  const std::string path = ScratchPath("layers.psd");
  for (const auto& entry : fs::directory_iterator(TINTLOOM_PSD_SAMPLES)) {
    if (entry.path().extension() != ".psd") continue;
    model.OpenSampleArtwork(entry.path().string());
    messages.shown.clear();
    if (model.LayerCount() < 1) continue;
    Recolour();
    const std::string name = entry.path().filename().string();
    TPSD read;
    const std::vector<std::uint8_t> file = Written(path, read);
    ExpectLayers(read, FullSizeLayers(), name);
    ExpectMergedIsThePngOnWhite(file, name);
    ++compared;
  }
  fs::remove(path);
  EXPECT_GE(compared, 20);
}

TEST_F(LayeredExport, TransparentAreasStayTransparentInEveryLayer) {
  model.OpenSampleArtwork(Sample("pt_transparentbg-gimp.psd"));
  ASSERT_EQ(model.LayerCount(), 1);
  Recolour();
  TRenderBackground transparent;
  transparent.transparent = true;
  const std::string png = ScratchPath("clear.png");
  ASSERT_TRUE(ExportArtworkPng(model, png, transparent, 0, nullptr).ok());
  const TPngPicture picture = ReadPngFile(png).value();
  fs::remove(png);
  TPSD read;
  const std::string path = ScratchPath("clear.psd");
  Written(path, read);
  fs::remove(path);
  const TPSDLayer& layer = read.Layers[0];
  int clear = 0;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const int lx = x - layer.left, ly = y - layer.top;
      const bool inside = lx >= 0 && ly >= 0 && lx < layer.width && ly < layer.height;
      const std::uint8_t a = inside ? layer.Plane(layer.transparencyPlane)[static_cast<std::size_t>(ly) * layer.width + lx] : 0;
      ASSERT_EQ(a, picture.rgba[(static_cast<std::size_t>(y) * picture.width + x) * 4 + 3]) << x << "," << y;
      clear += a == 0;
    }
  }
  EXPECT_GT(clear, 0);
}

TEST_F(LayeredExport, ACancelAChangedOrCutSourceAnUnwritableTargetOrTheSourceItselfLeavesNoFile) {
  const std::string copy = ScratchPath("art.psd");
  fs::copy_file(Sample("pt_clipping-mask.psd"), copy, fs::copy_options::overwrite_existing);
  model.OpenSampleArtwork(copy);
  ASSERT_GT(model.LayerCount(), 0);
  const std::string target = ScratchPath("kept.psd");
  {
    std::ofstream(target) << "previous";
  }
  const auto kept = [&target] { return ReadWholeFile(target, 100).value().size() == 8u; };
  // Cancelled while the bands are made, and while the file is laid out.
  for (const bool late : {false, true}) {
    const Result<TRenderOutcome> cancelled = ExportLayeredPsd(model, target, [late](std::int32_t done, std::int32_t rows) {
      return late ? done < rows / 2 + 1 : done == 0;
    });
    ASSERT_TRUE(cancelled.ok());
    EXPECT_EQ(*cancelled, TRenderOutcome::kCancelled) << late;
    EXPECT_TRUE(kept()) << late;
  }

  const Result<TRenderOutcome> cut = ExportLayeredPsd(model, target, [&copy](std::int32_t done, std::int32_t) {
    if (done > 0) fs::resize_file(copy, 0);
    return true;
  });
  ASSERT_FALSE(cut.ok());
  EXPECT_EQ(cut.error().message, "ファイルが途中で終わっています.\n->" + copy);
  EXPECT_TRUE(kept());

  fs::copy_file(Sample("pt_hidden-layer.psd"), copy, fs::copy_options::overwrite_existing);
  const Result<TRenderOutcome> changed = ExportLayeredPsd(model, target, nullptr);
  ASSERT_FALSE(changed.ok());
  EXPECT_EQ(changed.error().message, kArtworkChangedMessage);
  EXPECT_TRUE(kept());

  // Written over the artwork it reads, the export would destroy the user's
  // own layers: refused, the file untouched.
  fs::copy_file(Sample("pt_clipping-mask.psd"), copy, fs::copy_options::overwrite_existing);
  const auto size = fs::file_size(copy);
  const Result<TRenderOutcome> over = ExportLayeredPsd(model, copy, nullptr);
  ASSERT_FALSE(over.ok());
  EXPECT_EQ(over.error().message, kExportOverArtworkMessage);
  EXPECT_EQ(fs::file_size(copy), size);

  const Result<TRenderOutcome> unwritable = ExportLayeredPsd(model, "/nonexistent-folder/x.psd", nullptr);
  ASSERT_FALSE(unwritable.ok());
  EXPECT_EQ(unwritable.error().message, kFileAccessMessage);
  for (const auto& entry : fs::directory_iterator(fs::path(target).parent_path())) {
    EXPECT_EQ(entry.path().filename().string().find(".kept.psd.tmp"), std::string::npos) << entry.path();
  }
  fs::remove(copy);
  fs::remove(target);
}

TEST(PackRow, EveryRowDecodesToItselfWithinTheBound) {
  // Runs at every length around the 128-byte limit, pairs, literals ending
  // in a run and rows that end inside a run.
  std::vector<std::vector<std::uint8_t>> rows;
  for (std::size_t run : {1u, 2u, 3u, 8u, 127u, 128u, 129u, 130u, 257u, 300u}) {
    std::vector<std::uint8_t> row(run, 7);
    rows.push_back(row);
    row.insert(row.begin(), {1, 2, 2, 3});
    row.push_back(9);
    rows.push_back(row);
  }
  std::vector<std::uint8_t> noise(1000);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
  rows.push_back(noise);
  for (const std::vector<std::uint8_t>& row : rows) {
    std::vector<std::uint8_t> packed(row.size() + (row.size() + 127) / 128);
    const std::size_t n = PackRow(row.data(), row.size(), packed.data());
    ASSERT_LE(n, packed.size());
    std::vector<std::uint8_t> back(row.size());
    EXPECT_EQ(UnpackRow(back, std::span<const std::uint8_t>(packed.data(), n)), row.size());
    EXPECT_EQ(back, row);
  }
}

// Readers no one here wrote: psd-tools must see every layer as written and
// the merged picture as the PNG export, and its own composite of normal
// layers must agree with it.
TEST_F(LayeredExport, PsdToolsReadsTheLayersAndTheMergedPicture) {
  // The system's Python holds the Debian package even where another Python
  // comes first on the path.
  std::string python;
  for (const char* candidate : {"python3", "/usr/bin/python3"}) {
    if (std::system((std::string(candidate) + " -c 'import psd_tools' >/dev/null 2>&1").c_str()) == 0) {
      python = candidate;
      break;
    }
  }
  if (python.empty()) {
    GTEST_SKIP() << "psd-tools is not installed (Debian: python3-psd-tools); the independent reader was not run";
  }
  for (const char* name : {"pt_clipping-mask.psd", "pt_layer-name-emoji.psd", "pt_transparentbg-gimp.psd",
                           "pt_blend-modes__rgb-blend-modes.psd", "pt_third-party-psds__cactus_top.psd"}) {
    model.OpenSampleArtwork(Sample(name));
    ASSERT_GT(model.LayerCount(), 0) << name;
    Recolour();
    const bool allNormal = std::string(name) != "pt_blend-modes__rgb-blend-modes.psd";
    if (allNormal) {
      for (int i = 0; i < model.LayerCount(); ++i) model.RestoreLayerBlendMode(i, kBlendNormal);
      model.ComposeCanvas();
    }
    const std::string psd = ScratchPath("tools.psd"), png = ScratchPath("tools.png");
    ASSERT_TRUE(ExportLayeredPsd(model, psd, nullptr).ok()) << name;
    ASSERT_TRUE(ExportArtworkPng(model, png, TRenderBackground{}, 0, nullptr).ok()) << name;
    const std::string report = ScratchPath("tools.txt");
    const std::string command = python + " '" + TINTLOOM_PSD_TOOLS_CHECK + "' '" + psd + "' '" + png + "' " +
                                (allNormal ? "composite" : "stored") + " > '" + report + "' 2>&1";
    const int status = std::system(command.c_str());
    std::stringstream text;
    text << std::ifstream(report).rdbuf();
    ASSERT_EQ(status, 0) << name << "\n" << text.str();

    // The script's lines: one per layer, top... bottom first as stored.
    const TPSD whole = FullSizeLayers();
    std::string line;
    int i = 0;
    while (std::getline(text, line)) {
      if (line.rfind("layer ", 0) != 0) continue;
      const auto at = static_cast<std::size_t>(i);
      const TSimpleLayer& layer = whole.Simples[at];
      const auto& lookup = model.Artwork().Layers()[at].mapping.Lookup;
      std::vector<std::uint8_t> rgba(layer.Alpha.size() * 4);
      for (std::size_t p = 0; p < layer.Alpha.size(); ++p) {
        const TRgb24 c = *lookup[layer.Pixel[p]];
        rgba[4 * p] = c.red, rgba[4 * p + 1] = c.green, rgba[4 * p + 2] = c.blue, rgba[4 * p + 3] = layer.Alpha[p];
      }
      const TSimpleLayer& shown = model.Artwork().Document().Simples[at];
      std::ostringstream expected;
      expected << "layer " << i << " name=" << shown.UnicodeName.value_or(shown.Name.value_or("")) << " visible="
               << !model.Artwork().Hidden(i) << " blend=" << kBlendModes[static_cast<std::size_t>(shown.BlendModeKey + 1)].key
               << " box=" << layer.left << "," << layer.top << "," << layer.left + layer.width << ","
               << layer.top + layer.height << " pixels=" << testing::Sha256Hex(rgba);
      EXPECT_EQ(line, expected.str()) << name;
      ++i;
    }
    EXPECT_EQ(i, model.LayerCount()) << name;
    fs::remove(psd);
    fs::remove(png);
    fs::remove(report);
  }
}

}  // namespace
}  // namespace tintloom
