// Opening for the canvas reads the file where it needs it, decodes each
// layer's planes only when its group is reduced and shrinks each working
// layer as soon as it is made.
// None of that may change a byte, a message or a progress step compared with
// reading everything first: sample files, a generated file large enough to be
// shrunk, and every cut of it are opened both ways and compared.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/psd_generator.h"
#include "core/artwork/blend_formulas.h"
#include "core/artwork/psd_document.h"
#include "core/document/coordination_model.h"
#include "support/paths.h"
#include "support/recording.h"

namespace tintloom {
namespace {

namespace fs = std::filesystem;

struct TOpened {
  bool ok = false;
  std::string failure;
  std::vector<std::string> progress, messages;
  TPSD doc;
};

TOpened Open(const std::string& path, bool deferred) {
  TOpened o;
  testing::TRecordingProgress progress;
  testing::TRecordingMessages messages;
  const TBlendTable blend;
  Result<> r = LoadFromFile(path, o.doc, progress, deferred);
  if (r) r = ReduceLayers(o.doc, blend, progress, messages, deferred);
  if (r) ShrinkToCanvas(o.doc, progress);
  o.ok = static_cast<bool>(r);
  if (!r) o.failure = r.error().message;
  o.progress = progress.calls;
  o.messages = messages.shown;
  return o;
}

void ExpectSameOpening(const std::string& path, const std::string& what) {
  const TOpened a = Open(path, false);
  const TOpened b = Open(path, true);
  ASSERT_EQ(a.ok, b.ok) << what;
  EXPECT_EQ(a.failure, b.failure) << what;
  EXPECT_EQ(a.progress, b.progress) << what;
  EXPECT_EQ(a.messages, b.messages) << what;
  EXPECT_EQ(a.doc.width, b.doc.width) << what;
  EXPECT_EQ(a.doc.height, b.doc.height) << what;
  ASSERT_EQ(a.doc.workingLayerCount, b.doc.workingLayerCount) << what;
  for (std::size_t i = 0; i < static_cast<std::size_t>(a.doc.workingLayerCount); ++i) {
    const TSimpleLayer& x = a.doc.Simples[i];
    const TSimpleLayer& y = b.doc.Simples[i];
    EXPECT_TRUE(x.left == y.left && x.top == y.top && x.width == y.width && x.height == y.height &&
                x.BlendModeKey == y.BlendModeKey && x.Name == y.Name)
        << what << " layer " << i;
    EXPECT_TRUE(x.Pixel == y.Pixel && x.Alpha == y.Alpha) << what << " layer " << i;
  }
  EXPECT_TRUE(b.doc.deferredBytes.empty() && b.doc.deferredFile == nullptr) << what << ": file kept";
}

TEST(DeferredOpening, SampleFilesOpenAsWhenReadWhole) {
  const fs::path folder = TINTLOOM_PSD_SAMPLES;
  if (!fs::is_directory(folder)) GTEST_SKIP() << "no sample folder";
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == ".psd") ExpectSameOpening(entry.path().string(), entry.path().filename());
  }
}

// 1300 x 700 so the shrink runs: RGB layers with transparency, a user mask,
// clipped layers with blend modes, one hidden, raw and PackBits channels.
std::vector<std::uint8_t> GeneratedFile() {
  constexpr int kW = 1300, kH = 700;
  std::vector<psdgen::TLayer> layers;
  for (int i = 0; i < 6; ++i) {
    const int top = i * 37, left = i * 91, bottom = kH - i * 23, right = kW - i * 55;
    psdgen::TLayer l(top, left, bottom, right);
    const int w = right - left, h = bottom - top;
    for (std::int16_t id : {-1, 0, 1, 2}) {
      l.channels.emplace_back(id, w, psdgen::Plane(w, h, [i, id](int x, int y) {
                                return (x / (7 + i) + y / 5 + id * 31) % 3 == 0 ? 255 : (x * 3 + y + id * 50 + i) & 0xFF;
                              }),
                              i % 2 == 0);
    }
    if (i == 1) {
      l.channels.emplace_back(-2, 200, psdgen::Plane(200, 100, [](int x, int y) { return (x ^ y) & 0xFF; }));
      psdgen::TBytes mask;
      mask.U32(static_cast<std::uint32_t>(top + 10)).U32(static_cast<std::uint32_t>(left + 20));
      mask.U32(static_cast<std::uint32_t>(top + 110)).U32(static_cast<std::uint32_t>(left + 220)).U8(0).U8(0).U16(0);
      l.mask_block = mask.data;
    }
    l.clipping = i % 3 == 0 ? 0 : 1;
    l.key = i == 2 ? "mul " : "norm";
    l.flags = i == 4 ? 2 : 0;
    l.opacity = static_cast<std::uint8_t>(255 - i * 20);
    l.name = "layer " + std::to_string(i);
    layers.push_back(std::move(l));
  }
  return psdgen::MakePsd(kW, kH, kPsdColourRgb, layers);
}

void Write(const std::string& path, const std::vector<std::uint8_t>& bytes, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, size, f);
  std::fclose(f);
}

TEST(DeferredOpening, GeneratedFileWholeAndCutOpensAsWhenReadWhole) {
  const std::vector<std::uint8_t> file = GeneratedFile();
  const std::string path = testing::ScratchPath("generated.psd");
  Write(path, file, file.size());
  const TOpened whole = Open(path, true);
  ASSERT_TRUE(whole.ok) << whole.failure;
  EXPECT_EQ(whole.doc.workingLayerCount, 2);  // two groups, the hidden layer dropped
  EXPECT_EQ(whole.doc.width, 600);              // shrunk
  // Whole, then cut inside the records, the row counts and the packed data.
  for (int cut = 16; cut >= 1; --cut) {
    const std::size_t size = file.size() * static_cast<std::size_t>(cut) / 16 - (cut < 16 ? 7 : 0);
    Write(path, file, size);
    ExpectSameOpening(path, "cut at " + std::to_string(size));
  }
  fs::remove(path);
}

// Planes are decoded into planes given up by earlier layers, whose bytes are
// stale. Rows that decode short and raw channels that end early must still
// read as zero there, as in a plane zero-filled before reading.
TEST(DeferredOpening, ShortRowsAndChannelsReadZeroInReusedPlanes) {
  constexpr int kW = 1400, kH = 300;  // shrunk, so the full-size planes are given up too
  std::vector<psdgen::TLayer> layers;
  for (int i = 0; i < 4; ++i) {
    psdgen::TLayer l(0, 0, kH, kW);
    // The first layers fill every byte; the later ones hold half-width rows
    // (PackBits) or half the plane (raw).
    const bool short_data = i >= 2;
    const int w = short_data ? kW / 2 : kW;
    for (std::int16_t id : {-1, 0, 1, 2}) {
      const bool raw = short_data && id == 1;
      const int rows = raw ? kH / 2 : kH;
      l.channels.emplace_back(id, raw ? kW : w,
                              psdgen::Plane(raw ? kW : w, rows, [i, id](int x, int y) { return 200 + (x + y + i + id) % 50; }),
                              !raw);
    }
    layers.push_back(std::move(l));
  }
  const std::string path = testing::ScratchPath("short.psd");
  const std::vector<std::uint8_t> file = psdgen::MakePsd(kW, kH, kPsdColourRgb, layers);
  Write(path, file, file.size());
  const TOpened deferred = Open(path, true);
  ASSERT_TRUE(deferred.ok) << deferred.failure;
  ASSERT_EQ(deferred.doc.workingLayerCount, 4);
  ExpectSameOpening(path, "short rows");
  fs::remove(path);
}

// Another program cuts the file short once its records are read, while
// its groups are still to be reduced (a save from the drawing program, a
// sync client). The file used to be mapped, and the process died of SIGBUS;
// now the load stops with the usual messages and the program goes on.
TEST(DeferredOpening, AFileCutShortWhileItOpensIsAReadErrorAndTheProgramGoesOn) {
  const std::vector<std::uint8_t> file = GeneratedFile();
  const std::string path = testing::ScratchPath("changing.psd");
  Write(path, file, file.size());
  struct TCuttingViews final : TModelViews {
    struct TSink final : TProgressSink {
      std::string path;
      std::uintmax_t cut = 0;
      void ShowProgress(const std::string& text, int) override {
        if (text != kProgressGrey || cut == 0) return;
        std::thread([this] { fs::resize_file(path, cut); }).join();
        cut = 0;
      }
      void StepProgress(int) override {}
      void HideProgress() override {}
    } sink;
    TProgressSink& Progress() override { return sink; }
  } views;
  views.sink.path = path;
  testing::TRecordingMessages messages;
  TCoordinationModel model(views, messages);
  for (const std::uintmax_t cut : {file.size() / 2, file.size() - 100, std::uintmax_t{5000}}) {
    views.sink.cut = cut;
    messages.shown.clear();
    // A failed open keeps the artwork shown before it (none the first time).
    const int before = model.LayerCount();
    model.OpenSampleArtwork(path);
    ASSERT_EQ(messages.shown.size(), 1u) << cut;
    EXPECT_EQ(messages.shown[0], "ファイルが途中で終わっています.\n->" + path + "\nPSDファイルオープン中にエラーが発生したため処理を中断します");
    EXPECT_EQ(model.LayerCount(), before);
    EXPECT_FALSE(model.Busy());
    // Saved whole again, it opens.
    Write(path, file, file.size());
    messages.shown.clear();
    model.OpenSampleArtwork(path);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(model.LayerCount(), 2);
  }
  fs::remove(path);
}

}  // namespace
}  // namespace tintloom
