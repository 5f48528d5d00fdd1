// The reader against real files written by other programs: every channel must
// decode to the bytes another reader found (recorded as SHA-256 digests in the
// folder's layers.json), and no cut of any file may crash or half-load.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/artwork/psd_document.h"
#include "support/sha256.h"

namespace tintloom {
namespace {

namespace fs = std::filesystem;

struct TExpectedChannel {
  int id = 0;
  long long bytes = 0;
  std::string sha256;  // empty for an empty plane
};
struct TExpectedLayer {
  long long values[8] = {};  // top, left, bottom, right, opacity, clipping, visible, unused
  std::string blend_key;
  std::string name;  // the Unicode name where the file has one
  std::vector<TExpectedChannel> channels;
};
struct TExpectedFile {
  std::string name;
  std::vector<TExpectedLayer> layers;
};

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// layers.json has a fixed shape, so a scan over its keys in order is enough:
// "file" opens an entry, "recordIndex" a layer record, "id" a layer channel
// (the merged image's channels have "index" instead and are passed over).
std::vector<TExpectedFile> ReadExpectations(const fs::path& path) {
  std::ifstream in(path);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<TExpectedFile> files;
  bool in_channel = false;
  std::size_t pos = 0;
  auto value_after = [&](std::size_t colon) {
    std::size_t v = text.find_first_not_of(" \n", colon + 1);
    if (text[v] == '"') return text.substr(v + 1, text.find('"', v + 1) - v - 1);
    return text.substr(v, text.find_first_of(",\n}", v) - v);
  };
  while ((pos = text.find('"', pos)) != std::string::npos) {
    const std::size_t end = text.find('"', pos + 1);
    const std::string key = text.substr(pos + 1, end - pos - 1);
    pos = end + 1;
    if (text[pos] != ':') continue;  // a string value, not a key
    const std::string value = value_after(pos);
    static const std::vector<std::string> kLayerKeys = {"top", "left", "bottom", "right", "opacityByte", "clipping",
                                                       "visible"};
    if (key == "file") {
      files.push_back({value, {}});
    } else if (key == "recordIndex") {
      files.back().layers.emplace_back();
      in_channel = false;
    } else if (key == "name" && !files.empty() && !files.back().layers.empty() &&
               files.back().layers.back().channels.empty()) {
      files.back().layers.back().name = value;
    } else if (key == "blendKey") {
      files.back().layers.back().blend_key = value;
    } else if (key == "id") {
      files.back().layers.back().channels.push_back({std::stoi(value), 0, {}});
      in_channel = true;
    } else if (in_channel && key == "bytes") {
      files.back().layers.back().channels.back().bytes = std::stoll(value);
    } else if (in_channel && key == "sha256") {
      files.back().layers.back().channels.back().sha256 = value == "null" ? "" : value;
      in_channel = false;
    } else if (!files.empty() && !files.back().layers.empty() && files.back().layers.back().channels.empty()) {
      auto it = std::find(kLayerKeys.begin(), kLayerKeys.end(), key);
      if (it != kLayerKeys.end()) {
        files.back().layers.back().values[it - kLayerKeys.begin()] = value == "true" ? 1 : value == "false" ? 0
                                                                                                    : std::stoll(value);
      }
    }
  }
  return files;
}

class PsdSamples : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(dir_ / "layers.json")) GTEST_SKIP() << "no sample folder at " << dir_;
  }
  fs::path dir_ = TINTLOOM_PSD_SAMPLES;
};

TEST_F(PsdSamples, EveryChannelDecodesToTheBytesAnotherReaderFound) {
  const auto files = ReadExpectations(dir_ / "layers.json");
  ASSERT_GE(files.size(), 20u);
  for (const TExpectedFile& expected : files) {
    SCOPED_TRACE(expected.name);
    TPSD doc;
    TSilentProgress progress;
    const auto bytes = ReadAll(dir_ / expected.name);
    const Result<> read = DecodePsd(bytes, expected.name, doc, progress);
    ASSERT_TRUE(read.ok()) << read.error().message;
    ASSERT_EQ(doc.layerCount, static_cast<int>(expected.layers.size()));
    for (std::size_t i = 0; i < expected.layers.size(); ++i) {
      SCOPED_TRACE("layer " + std::to_string(i));
      const TExpectedLayer& want = expected.layers[i];
      const TPSDLayer& got = doc.Layers[i];
      EXPECT_EQ(got.top, want.values[0]);
      EXPECT_EQ(got.left, want.values[1]);
      EXPECT_EQ(got.bottom, want.values[2]);
      EXPECT_EQ(got.right, want.values[3]);
      EXPECT_EQ(got.Opacity, want.values[4]);
      EXPECT_EQ(got.Clipping, want.values[5]);
      EXPECT_EQ((got.flags & 2) == 0, want.values[6] == 1);
      EXPECT_EQ(got.BlendModeKey, BlendCodeFromKey(want.blend_key));
      EXPECT_EQ(got.UnicodeName ? *got.UnicodeName : got.Name.value_or(""), want.name);
      ASSERT_EQ(got.ChannelData.size(), want.channels.size());
      const bool empty = got.width == 0 || got.height == 0;
      EXPECT_EQ(got.PixelData.empty(), empty);
      for (std::size_t c = 0; c < got.PixelData.size(); ++c) {
        EXPECT_EQ(got.ChannelData[c].id, want.channels[c].id);
        EXPECT_EQ(static_cast<long long>(got.PixelData[c].size()), want.channels[c].bytes) << "channel " << c;
        if (!want.channels[c].sha256.empty()) {
          EXPECT_EQ(testing::Sha256Hex(got.PixelData[c]), want.channels[c].sha256) << "channel " << c;
        }
      }
    }
  }
}

// Whatever the cut, the reader either reads what is there or refuses with a
// message, and a refusal leaves nothing behind. The cuts fall densely in the
// header and layer records and spread over the channel data.
TEST_F(PsdSamples, EveryCutOfEveryFileFailsCleanlyOrReads) {
  for (const auto& entry : fs::directory_iterator(dir_)) {
    if (entry.path().extension() != ".psd") continue;
    SCOPED_TRACE(entry.path().filename().string());
    const auto bytes = ReadAll(entry.path());
    std::vector<std::size_t> cuts;
    for (std::size_t at = 0; at < std::min<std::size_t>(bytes.size(), 600); ++at) cuts.push_back(at);
    const std::size_t spread = bytes.size() > 200'000 ? 30 : 150;  // the large files only cost time
    for (std::size_t step = 1; step <= spread; ++step) cuts.push_back(bytes.size() * step / (spread + 1));
    for (std::size_t at : cuts) {
      TPSD doc;
      TSilentProgress progress;
      const Result<> read = DecodePsd(std::span(bytes).first(at), "cut.psd", doc, progress);
      if (!read.ok()) {
        EXPECT_FALSE(read.error().message.empty());
        EXPECT_EQ(doc.layerCount, 0);
        EXPECT_TRUE(doc.Layers.empty());
        continue;
      }
      TSilentMessages messages;
      ASSERT_TRUE(ReduceLayers(doc, TBlendTable{}, progress, messages).ok());
      ShrinkToCanvas(doc, progress);
      EXPECT_LE(doc.width, 600);
      EXPECT_LE(doc.height, 600);
    }
  }
}

}  // namespace
}  // namespace tintloom
