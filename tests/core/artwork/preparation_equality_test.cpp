// The layer preparation works on colour planes, a row at a time, with looked-
// up coverage, opacity by a multiply and shift, and window sums formed once
// per shrink. Here it is run against the plain per-pixel form of the same
// arithmetic on random documents (grey and RGB, masks, missing channels,
// clipping, every blend code, whole and fractional scales) and random planes.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/artwork/blend_formulas.h"
#include "core/artwork/compose_kernels.h"
#include "core/artwork/preparation_kernels.h"
#include "core/artwork/area_shrink.h"
#include "core/artwork/psd_document.h"
#include "support/recording.h"

namespace tintloom {
namespace {

using Bytes = std::vector<std::uint8_t>;

// body(name) under each kernel the processor has: the preparation's row
// steps follow the compositor's choice.
template <typename Body>
void ForEachKernel(const Body& body) {
  const TComposeKernel saved = ActiveComposeKernel();
  for (const TComposeKernel kernel : kComposeKernels) {
    if (!ComposeKernelAvailable(kernel)) continue;
    SelectComposeKernel(kernel);
    body(ComposeKernelName(kernel));
  }
  SelectComposeKernel(saved);
}

// ---------------------------------------------------------------- the plain form

std::uint8_t TruncByte(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 255.0) return 255;
  return static_cast<std::uint8_t>(static_cast<int>(v));
}

std::uint8_t PlaneByte(const std::uint8_t* plane, std::size_t at) { return plane != nullptr ? plane[at] : 0; }

int MaskAt(const TPSDLayer& layer, const std::uint8_t* mask, std::int64_t k, std::int64_t j) {
  if (mask == nullptr) return 255;
  const std::int64_t mx = k + layer.left - layer.maskLeft;
  const std::int64_t my = j + layer.top - layer.maskTop;
  if (mx < 0 || my < 0 || mx >= layer.maskWidth || my >= layer.maskHeight) return layer.maskDefaultColour == 0 ? 0 : 255;
  return mask[static_cast<std::size_t>(my * layer.maskWidth + mx)];
}

// Interleaved B, G, R, as the group is described.
struct TSurfaceBgr {
  std::int64_t width = 0, height = 0;
  Bytes bgr;
  std::uint8_t* At(std::int64_t x, std::int64_t y) { return &bgr[static_cast<std::size_t>((y * width + x) * 3)]; }
};

void PlainCopyBase(const TPSDLayer& layer, bool rgb, TSurfaceBgr& s) {
  s.width = layer.width;
  s.height = layer.height;
  const auto pixels = static_cast<std::size_t>(s.width * s.height);
  s.bgr.assign(pixels * 3, 0);
  const std::uint8_t* red = layer.Plane(layer.redPlane);
  const std::uint8_t* green = rgb ? layer.Plane(layer.greenPlane) : red;
  const std::uint8_t* blue = rgb ? layer.Plane(layer.bluePlane) : red;
  for (std::size_t i = 0; i < pixels; ++i) {
    s.bgr[i * 3] = PlaneByte(blue, i);
    s.bgr[i * 3 + 1] = PlaneByte(green, i);
    s.bgr[i * 3 + 2] = PlaneByte(red, i);
  }
}

std::uint8_t PlainBlend(std::uint8_t d, std::uint8_t s, float f, const std::uint8_t* table) {
  const int target = table != nullptr ? table[d * 256 + s] : s;
  return TruncByte(static_cast<double>(d) + static_cast<double>(f) * (target - d));
}

void PlainClipped(const TPSDLayer& layer, const TPSDLayer& base, bool rgb, const TBlendTable& blend, TSurfaceBgr& s) {
  if (!LayerUsable(layer)) return;
  const std::uint8_t* table = blend.Table(layer.BlendModeKey);
  const std::uint8_t* transparency = layer.Plane(layer.transparencyPlane);
  const std::uint8_t *red = layer.Plane(layer.redPlane), *green = layer.Plane(layer.greenPlane),
                     *blue = layer.Plane(layer.bluePlane), *mask = layer.Plane(layer.maskPlane);
  const double opacity = layer.Opacity / 255.0;
  for (std::int64_t r = 0; r < layer.height; ++r) {
    const std::int64_t y = r + layer.top - base.top;
    if (y < 0) continue;
    if (y >= s.height) break;
    for (std::int64_t k = 0; k < layer.width; ++k) {
      const std::int64_t x = k + layer.left - base.left;
      if (x < 0) continue;
      if (x >= s.width) break;
      const auto at = static_cast<std::size_t>(r * layer.width + k);
      float f = static_cast<float>((transparency != nullptr ? transparency[at] / 255.0 : 1.0) * opacity);
      if (mask != nullptr) f = static_cast<float>(MaskAt(layer, mask, k, r) / 255.0 * f);
      std::uint8_t* d = s.At(x, y);
      d[2] = PlainBlend(d[2], PlaneByte(red, at), f, table);
      if (rgb) {
        d[1] = PlainBlend(d[1], PlaneByte(green, at), f, table);
        d[0] = PlainBlend(d[0], PlaneByte(blue, at), f, table);
      } else {
        d[1] = d[0] = d[2];
      }
    }
  }
}

TSimpleLayer PlainFinish(const TPSDLayer& base, bool rgb, TSurfaceBgr& s) {
  TSimpleLayer out;
  out.left = base.left;
  out.top = base.top;
  out.width = base.width;
  out.height = base.height;
  out.BlendModeKey = base.BlendModeKey;
  out.Name = base.Name;
  const auto pixels = static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height);
  out.Pixel.resize(pixels);
  out.Alpha.resize(pixels);
  for (std::size_t i = 0; i < pixels; ++i) {
    const std::uint8_t* p = &s.bgr[i * 3];
    out.Pixel[i] = rgb ? static_cast<std::uint8_t>((77 * p[2] + 151 * p[1] + 28 * p[0]) >> 8) : p[2];
  }
  const std::uint8_t* transparency = base.Plane(base.transparencyPlane);
  const std::uint8_t* mask = base.Plane(base.maskPlane);
  for (std::int64_t j = 0; j < out.height; ++j) {
    for (std::int64_t k = 0; k < out.width; ++k) {
      const auto at = static_cast<std::size_t>(j * out.width + k);
      const int a = transparency != nullptr ? transparency[at] : 255;
      out.Alpha[at] = static_cast<std::uint8_t>(base.Opacity * a * MaskAt(base, mask, k, j) / 65025);
    }
  }
  return out;
}

std::vector<TSimpleLayer> PlainReduce(const TPSD& doc, const TBlendTable& blend) {
  const bool rgb = doc.colourMode == kPsdColourRgb;
  std::vector<TSimpleLayer> out;
  TSurfaceBgr surface;
  const TPSDLayer* base = nullptr;
  for (const TPSDLayer& layer : doc.Layers) {
    if (layer.Clipping == 0) {
      if (base != nullptr) out.push_back(PlainFinish(*base, rgb, surface));
      base = nullptr;
      if (LayerUsable(layer)) {
        PlainCopyBase(layer, rgb, surface);
        base = &layer;
      }
    } else if (layer.Clipping == 1 && base != nullptr) {
      PlainClipped(layer, *base, rgb, blend, surface);
    }
  }
  if (base != nullptr) out.push_back(PlainFinish(*base, rgb, surface));
  return out;
}

std::int32_t PlainShrunkSize(std::int32_t size, float s) {
  const double q = size / static_cast<double>(s);
  auto n = static_cast<std::int32_t>(q);
  if (static_cast<float>(q - n) > 0.0f) ++n;
  return n;
}

void PlainBoxShrink(Bytes& plane, std::int32_t& w, std::int32_t& h, float s, std::uint8_t outside) {
  const std::int32_t w2 = PlainShrunkSize(w, s), h2 = PlainShrunkSize(h, s);
  Bytes across(static_cast<std::size_t>(w2) * static_cast<std::size_t>(h));
  for (std::int32_t y = 0; y < h; ++y) {
    float a = 0.0f;
    for (std::int32_t j = 0; j < w2; ++j) {
      across[static_cast<std::size_t>(y * w2 + j)] =
          AreaAverage(plane.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w), 1, w, a, s, outside);
      a = static_cast<float>(static_cast<double>(a) + s);
    }
  }
  Bytes out(static_cast<std::size_t>(w2) * static_cast<std::size_t>(h2));
  for (std::int32_t x = 0; x < w2; ++x) {
    float a = 0.0f;
    for (std::int32_t i = 0; i < h2; ++i) {
      out[static_cast<std::size_t>(i * w2 + x)] = AreaAverage(across.data() + x, w2, h, a, s, outside);
      a = static_cast<float>(static_cast<double>(a) + s);
    }
  }
  plane = std::move(out);
  w = w2;
  h = h2;
}

void PlainShrink(std::vector<TSimpleLayer>& layers, const TPSD& doc) {
  const float s = std::max(static_cast<float>(doc.width * (1.0 / 600.0)), static_cast<float>(doc.height * (1.0 / 600.0)));
  if (!(s > 1.0f)) return;
  for (TSimpleLayer& l : layers) {
    const double nx_exact = l.left / static_cast<double>(s), ny_exact = l.top / static_cast<double>(s);
    const auto nx = static_cast<std::int32_t>(nx_exact), ny = static_cast<std::int32_t>(ny_exact);
    const auto fx = static_cast<float>(nx_exact - nx), fy = static_cast<float>(ny_exact - ny);
    std::int32_t pw = l.width, ph = l.height, aw = l.width, ah = l.height;
    PlainBoxShrink(l.Pixel, pw, ph, s, 255);
    PlainBoxShrink(l.Alpha, aw, ah, s, 0);
    if (fx > 0) ShiftRight(l.Pixel, pw, ph, fx, 255);
    if (fy > 0) ShiftDown(l.Pixel, pw, ph, fy, 255);
    if (fx > 0) ShiftRight(l.Alpha, aw, ah, fx, 0);
    if (fy > 0) ShiftDown(l.Alpha, aw, ah, fy, 0);
    l.left = nx;
    l.top = ny;
    l.width = pw;
    l.height = ph;
  }
}

// ---------------------------------------------------------------- random input

Bytes RandomPlane(std::mt19937& rng, std::size_t n) {
  // Runs of one value and noise, with the ends 0 and 255 common.
  Bytes p(n);
  std::uniform_int_distribution<int> byte(0, 255), kind(0, 5), run(1, 40);
  for (std::size_t i = 0; i < n;) {
    const int k = kind(rng);
    const std::uint8_t v = k == 0 ? 0 : k == 1 ? 255 : static_cast<std::uint8_t>(byte(rng));
    for (int r = k <= 2 ? run(rng) : 1; r > 0 && i < n; --r) p[i++] = k <= 2 ? v : static_cast<std::uint8_t>(byte(rng));
  }
  return p;
}

TPSD RandomDocument(std::mt19937& rng, std::int32_t doc_w, std::int32_t doc_h) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  TPSD doc;
  doc.colourMode = pick(0, 2) == 0 ? kPsdColourGrey : kPsdColourRgb;
  doc.width = doc_w;
  doc.height = doc_h;
  const int count = pick(1, 7);
  for (int i = 0; i < count; ++i) {
    TPSDLayer l;
    // Near one another, so that clipped layers overlap their base.
    l.left = pick(-40, std::min(doc_w - 10, 120));
    l.top = pick(-40, std::min(doc_h - 10, 90));
    // Some wide enough that a group is reduced in several bands of rows.
    l.width = pick(0, 3) == 0 ? pick(1100, 2300) : pick(1, 90);
    l.height = pick(1, 70);
    l.right = l.left + l.width;
    l.bottom = l.top + l.height;
    l.Opacity = static_cast<std::uint8_t>(pick(0, 4) == 0 ? 255 : pick(0, 255));
    l.Clipping = static_cast<std::uint8_t>(i == 0 ? 0 : std::vector<int>{0, 1, 1, 1, 2}[static_cast<std::size_t>(pick(0, 4))]);
    l.flags = pick(0, 9) == 0 ? 2 : 0;
    l.BlendModeKey = static_cast<std::int16_t>(pick(0, 2) == 0 ? kBlendNormal : pick(0, 16));
    if (pick(0, 1) == 0) l.Name = "layer " + std::to_string(i);
    std::vector<int> ids = {0};
    if (doc.colourMode == kPsdColourRgb) ids = {0, 1, 2};
    if (pick(0, 5) == 0) ids.erase(ids.begin() + pick(0, static_cast<int>(ids.size()) - 1));  // a channel missing
    if (pick(0, 3) != 0) ids.push_back(-1);
    if (pick(0, 2) == 0) {
      ids.push_back(-2);
      l.maskLeft = l.left + pick(-20, l.width);
      l.maskTop = l.top + pick(-20, l.height);
      l.maskWidth = pick(1, 80);
      l.maskHeight = pick(1, 60);
      l.maskDefaultColour = pick(0, 1) == 0 ? 0 : 255;
    }
    for (int id : ids) {
      const int index = static_cast<int>(l.PixelData.size());
      l.ChannelData.push_back({static_cast<std::int16_t>(id), 0});
      const std::size_t n = id == -2 ? static_cast<std::size_t>(l.maskWidth * l.maskHeight)
                                     : static_cast<std::size_t>(l.width * l.height);
      l.PixelData.push_back(RandomPlane(rng, n));
      (id == -2 ? l.maskPlane : id == -1 ? l.transparencyPlane : id == 0 ? l.redPlane : id == 1 ? l.greenPlane
                                                                                                    : l.bluePlane) = index;
    }
    l.channelCount = static_cast<std::uint16_t>(l.ChannelData.size());
    doc.Layers.push_back(std::move(l));
  }
  doc.layerCount = count;
  return doc;
}

TBlendTable RandomBlendTable(std::mt19937& rng) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("equality_bm_" + std::to_string(::getpid()) + ".dat")).string();
  const Bytes tables = RandomPlane(rng, 17 * 65536);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(tables.data(), 1, tables.size(), f);
  std::fclose(f);
  TBlendTable blend;
  EXPECT_TRUE(blend.LoadBlendTable(path).ok());
  std::filesystem::remove(path);
  return blend;
}

TEST(PreparationEquality, RandomDocumentsReduceAndShrinkAsThePlainForm) {
  std::mt19937 rng(20261208);
  const TBlendTable blend = RandomBlendTable(rng);
  // No shrink, whole scales (2, 3) and fractional ones.
  const std::vector<std::pair<std::int32_t, std::int32_t>> sizes = {
      {500, 300}, {1200, 700}, {1800, 900}, {700, 650}, {1000, 1333}, {2345, 400}};
  for (int round = 0; round < 60; ++round) {
    const auto [w, h] = sizes[static_cast<std::size_t>(round) % sizes.size()];
    const TPSD original = RandomDocument(rng, w, h);
    std::vector<TSimpleLayer> want = PlainReduce(original, blend);
    PlainShrink(want, original);
    for (const bool shrink_each : {false, true}) ForEachKernel([&](const char* kernel) {
      TPSD doc = original;
      TSilentProgress progress;
      testing::TRecordingMessages messages;
      ASSERT_TRUE(ReduceLayers(doc, blend, progress, messages, shrink_each).ok());
      ShrinkToCanvas(doc, progress);
      const std::string what = "round " + std::to_string(round) + (shrink_each ? ", each group shrunk" : "") + ", " + kernel;
      ASSERT_EQ(doc.workingLayerCount, static_cast<std::int32_t>(want.size())) << what;
      for (std::size_t i = 0; i < want.size(); ++i) {
        const TSimpleLayer &a = doc.Simples[i], &b = want[i];
        EXPECT_TRUE(a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height &&
                    a.BlendModeKey == b.BlendModeKey && a.Name == b.Name)
            << what << " layer " << i;
        EXPECT_EQ(a.Pixel, b.Pixel) << what << " layer " << i;
        EXPECT_EQ(a.Alpha, b.Alpha) << what << " layer " << i;
      }
    });
  }
}

// Real files, opened as the program opens them (read where needed, reduced
// a band at a time, each group shrunk as it is made; that only the part on
// the canvas is made is checked further down), against the plain form of
// the fully decoded file, with the blend table the program generates.
TEST(PreparationEquality, SampleFilesOpenAsThePlainForm) {
  const std::filesystem::path folder = TINTLOOM_PSD_SAMPLES;
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no sample folder";
  const std::string table_path = (std::filesystem::temp_directory_path() /
                                  ("samples_bm_" + std::to_string(::getpid()) + ".dat")).string();
  const Bytes tables = BuildBlendTableFile();
  std::FILE* f = std::fopen(table_path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(tables.data(), 1, tables.size(), f);
  std::fclose(f);
  TBlendTable blend;
  ASSERT_TRUE(blend.LoadBlendTable(table_path).ok());
  std::filesystem::remove(table_path);
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".psd") continue;
    const std::string path = entry.path().string();
    TSilentProgress progress;
    TPSD whole;
    if (!LoadFromFile(path, whole, progress).ok()) continue;  // refused files are another test's
    std::vector<TSimpleLayer> want = PlainReduce(whole, blend);
    PlainShrink(want, whole);
    ForEachKernel([&](const char* kernel) {
      TPSD doc;
      testing::TRecordingMessages messages;
      ASSERT_TRUE(LoadFromFile(path, doc, progress, true).ok()) << path;
      ASSERT_TRUE(ReduceLayers(doc, blend, progress, messages, true).ok()) << path;
      ShrinkToCanvas(doc, progress);
      ASSERT_EQ(doc.workingLayerCount, static_cast<std::int32_t>(want.size())) << path;
      for (std::size_t i = 0; i < want.size(); ++i) {
        const TSimpleLayer &a = doc.Simples[i], &b = want[i];
        EXPECT_TRUE(a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height &&
                    a.Pixel == b.Pixel && a.Alpha == b.Alpha)
            << entry.path().filename() << " layer " << i << ", " << kernel;
      }
    });
  }
}

// Every backdrop under every source byte, at every coverage a transparency
// byte gives at full opacity, at other opacities, and through a mask: the
// clipped blend against its plain double form.
TEST(PreparationEquality, ClippedBlendAtEveryBackdropSourceAndCoverage) {
  Bytes backdrop(65536), source(65536);
  for (std::size_t i = 0; i < 65536; ++i) {
    backdrop[i] = static_cast<std::uint8_t>(i & 0xFF);
    source[i] = static_cast<std::uint8_t>(i >> 8);
  }
  const auto layer = [](const Bytes& grey, std::uint8_t clipping) {
    TPSDLayer l;
    l.right = l.bottom = 256;
    l.width = l.height = 256;
    l.Opacity = 255;
    l.Clipping = clipping;
    l.ChannelData.push_back({0, 0});
    l.PixelData.push_back(grey);
    l.redPlane = 0;
    l.channelCount = 1;
    return l;
  };
  struct Case {
    int transparency, opacity, mask;  // -1: no such plane
  };
  std::vector<Case> cases;
  for (int t = 0; t < 256; ++t) cases.push_back({t, 255, -1});
  for (int o : {1, 2, 77, 128, 200, 254}) cases.push_back({-1, o, -1});
  for (int m : {1, 3, 100, 128, 254, 255}) cases.push_back({255, 255, m});
  cases.push_back({1, 1, 1});  // the smallest coverage there is
  for (const Case& c : cases) {
    TPSD doc;
    doc.colourMode = kPsdColourGrey;
    doc.width = doc.height = 256;
    doc.Layers = {layer(backdrop, 0), layer(source, 1)};
    doc.layerCount = 2;
    TPSDLayer& clipped = doc.Layers[1];
    clipped.Opacity = static_cast<std::uint8_t>(c.opacity);
    if (c.transparency >= 0) {
      clipped.transparencyPlane = static_cast<int>(clipped.PixelData.size());
      clipped.ChannelData.push_back({-1, 0});
      clipped.PixelData.push_back(Bytes(65536, static_cast<std::uint8_t>(c.transparency)));
    }
    if (c.mask >= 0) {
      clipped.maskPlane = static_cast<int>(clipped.PixelData.size());
      clipped.ChannelData.push_back({-2, 0});
      clipped.PixelData.push_back(Bytes(65536, static_cast<std::uint8_t>(c.mask)));
      clipped.maskWidth = clipped.maskHeight = 256;
    }
    clipped.channelCount = static_cast<std::uint16_t>(clipped.ChannelData.size());
    const TBlendTable blend;
    std::vector<TSimpleLayer> want = PlainReduce(doc, blend);
    ForEachKernel([&](const char* kernel) {
      TPSD reduced = doc;
      TSilentProgress progress;
      testing::TRecordingMessages messages;
      ASSERT_TRUE(ReduceLayers(reduced, blend, progress, messages).ok());
      ASSERT_EQ(reduced.workingLayerCount, 1);
      EXPECT_EQ(reduced.Simples[0].Pixel, want[0].Pixel)
          << "transparency " << c.transparency << " opacity " << c.opacity << " mask " << c.mask << ", " << kernel;
    });
  }
}

// The vector moves round f x (s - d) to a float and correct its floor; the
// coverages where that rounding crosses a whole number are those just above
// and below m / delta. Each against the plain double form, at every
// backdrop and source, under every kernel that has such a move.
TEST(PreparationEquality, VectorMoveAtCoveragesNextToWholeSteps) {
  std::vector<std::pair<const char*, TMoveToward>> moves;
#if defined(__x86_64__)
  if (ComposeKernelAvailable(TComposeKernel::kAvx512)) moves.emplace_back("avx512", MoveTowardAvx512);
#endif
  for (const TComposeKernel kernel : kComposeKernels) {
    if (const TMoveToward move = HighwayMoveToward(kernel)) moves.emplace_back(ComposeKernelName(kernel), move);
  }
  if (moves.empty()) GTEST_SKIP() << "no vector move on this processor";
  std::vector<float> coverages = {0.0f, 1.0f, 0.5f, 1.0f / 65025.0f, 1.0f / (255.0f * 65025.0f)};
  for (int delta = 1; delta < 256; delta += 7) {
    for (int m = 1; m < delta; m += 3) {
      const float q = static_cast<float>(static_cast<double>(m) / delta);
      coverages.insert(coverages.end(), {q, std::nextafter(q, 0.0f), std::nextafter(q, 1.0f)});
    }
  }
  Bytes d(65536), s(65536), want(65536);
  for (std::size_t i = 0; i < 65536; ++i) {
    d[i] = static_cast<std::uint8_t>(i & 0xFF);
    s[i] = static_cast<std::uint8_t>(i >> 8);
  }
  for (const auto& [name, move] : moves) {
    for (const float c : coverages) {
      const std::vector<float> f(65536, c);
      for (std::size_t i = 0; i < 65536; ++i) {
        want[i] = static_cast<std::uint8_t>(static_cast<int>(d[i] + static_cast<double>(c) * (s[i] - d[i])));
      }
      Bytes got = d;
      move(got.data(), s.data(), f.data(), got.size() - 3);  // a tail of 13 lanes too
      got[65533] = want[65533], got[65534] = want[65534], got[65535] = want[65535];
      ASSERT_EQ(got, want) << name << ", coverage " << c;
    }
  }
}

TEST(PreparationEquality, BoxShrinkAsThePlainFormAtAnyScale) {
  std::mt19937 rng(7);
  // Whole and fractional scales; windows longer than eight bytes, and longer
  // than the looked-up sums allow.
  for (const float s : {1.5f, 2.0f, 3.0f, 4.9999f, 5.0f, 6.6666665f, 7.25f, 8.0f, 9.5f, 40.0f, 300.0f}) {
    for (int round = 0; round < 4; ++round) {
      const std::int32_t w = std::uniform_int_distribution<std::int32_t>(1, 700)(rng);
      const std::int32_t h = std::uniform_int_distribution<std::int32_t>(1, 90)(rng);
      const Bytes plane = RandomPlane(rng, static_cast<std::size_t>(w * h));
      for (const std::uint8_t outside : {std::uint8_t{0}, std::uint8_t{255}}) {
        Bytes want = plane;
        std::int32_t bw = w, bh = h;
        PlainBoxShrink(want, bw, bh, s, outside);
        ForEachKernel([&](const char* kernel) {
          Bytes a = plane;
          std::int32_t aw = w, ah = h;
          BoxShrink(a, aw, ah, s, outside);
          ASSERT_EQ(aw, bw);
          ASSERT_EQ(ah, bh);
          EXPECT_EQ(a, want) << "s " << s << " plane " << w << " x " << h << " outside " << int{outside} << ", " << kernel;
        });
      }
    }
  }
}

// The part of a placed working layer on the canvas (the document's size
// after the shrink).
TSimpleLayer ShownPart(const TSimpleLayer& l, std::int32_t canvas_w, std::int32_t canvas_h) {
  TSimpleLayer out;
  const std::int64_t x0 = std::clamp<std::int64_t>(-std::int64_t{l.left}, 0, l.width);
  const std::int64_t x1 = std::clamp<std::int64_t>(std::int64_t{canvas_w} - l.left, x0, l.width);
  const std::int64_t y0 = std::clamp<std::int64_t>(-std::int64_t{l.top}, 0, l.height);
  const std::int64_t y1 = std::clamp<std::int64_t>(std::int64_t{canvas_h} - l.top, y0, l.height);
  if (x0 == x1 || y0 == y1 || l.Pixel.empty()) return out;
  out.left = static_cast<std::int32_t>(l.left + x0);
  out.top = static_cast<std::int32_t>(l.top + y0);
  out.width = static_cast<std::int32_t>(x1 - x0);
  out.height = static_cast<std::int32_t>(y1 - y0);
  for (std::int64_t y = y0; y < y1; ++y) {
    const auto at = static_cast<std::ptrdiff_t>(y * l.width);
    out.Pixel.insert(out.Pixel.end(), l.Pixel.begin() + at + x0, l.Pixel.begin() + at + x1);
    out.Alpha.insert(out.Alpha.end(), l.Alpha.begin() + at + x0, l.Alpha.begin() + at + x1);
  }
  return out;
}

// `part` (made only where it can reach the canvas) against `whole` cut to
// the canvas.
void ExpectShownPart(const TPSD& whole, const TPSD& part, const std::string& what) {
  ASSERT_EQ(part.workingLayerCount, whole.workingLayerCount) << what;
  ASSERT_TRUE(part.width == whole.width && part.height == whole.height) << what;
  for (std::size_t i = 0; i < static_cast<std::size_t>(whole.workingLayerCount); ++i) {
    const TSimpleLayer want = ShownPart(whole.Simples[i], whole.width, whole.height);
    const TSimpleLayer& a = part.Simples[i];
    if (want.Pixel.empty()) {
      EXPECT_TRUE(a.Pixel.empty() && a.Alpha.empty() && (a.width == 0 || a.height == 0)) << what << " layer " << i;
      continue;
    }
    EXPECT_TRUE(a.left == want.left && a.top == want.top && a.width == want.width && a.height == want.height &&
                a.Name == whole.Simples[i].Name && a.BlendModeKey == whole.Simples[i].BlendModeKey)
        << what << " layer " << i << ": " << a.left << "," << a.top << " " << a.width << "x" << a.height << " for "
        << want.left << "," << want.top << " " << want.width << "x" << want.height;
    EXPECT_TRUE(a.Pixel == want.Pixel && a.Alpha == want.Alpha) << what << " layer " << i;
  }
}

// Opening makes only the part of each group that can reach the canvas: the
// canvas must not change by a byte. Layers partly off the document, far off
// it, larger than it, at every kind of scale; and the sample files.
TEST(PreparationEquality, OnlyWhatShowsIsTheShownPartOfTheWhole) {
  std::mt19937 rng(22);
  const TBlendTable blend = RandomBlendTable(rng);
  const std::vector<std::pair<std::int32_t, std::int32_t>> sizes = {
      {500, 300}, {1200, 700}, {1800, 900}, {700, 650}, {1000, 1333}, {2345, 400}, {601, 601}};
  for (int round = 0; round < 50; ++round) {
    const auto [w, h] = sizes[static_cast<std::size_t>(round) % sizes.size()];
    TPSD original = RandomDocument(rng, w, h);
    for (TPSDLayer& l : original.Layers) {
      if (std::uniform_int_distribution<int>(0, 2)(rng) != 0) continue;
      const std::int32_t dx = std::uniform_int_distribution<std::int32_t>(-2 * w, 2 * w)(rng);
      const std::int32_t dy = std::uniform_int_distribution<std::int32_t>(-2 * h, 2 * h)(rng);
      l.left += dx, l.right += dx, l.maskLeft += dx;
      l.top += dy, l.bottom += dy, l.maskTop += dy;
    }
    TPSD whole = original;
    TSilentProgress progress;
    testing::TRecordingMessages messages;
    ASSERT_TRUE(ReduceLayers(whole, blend, progress, messages, true).ok());
    ShrinkToCanvas(whole, progress);
    ForEachKernel([&](const char* kernel) {
      TPSD part = original;
      ASSERT_TRUE(ReduceLayers(part, blend, progress, messages, true, true).ok());
      ShrinkToCanvas(part, progress);
      ExpectShownPart(whole, part, "round " + std::to_string(round) + ", " + kernel);
    });
  }
  const std::filesystem::path folder = TINTLOOM_PSD_SAMPLES;
  if (!std::filesystem::is_directory(folder)) return;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".psd") continue;
    const std::string path = entry.path().string();
    TSilentProgress progress;
    testing::TRecordingMessages messages;
    TPSD whole, part;
    if (!LoadFromFile(path, whole, progress, true).ok()) continue;
    ASSERT_TRUE(ReduceLayers(whole, blend, progress, messages, true).ok()) << path;
    ShrinkToCanvas(whole, progress);
    ASSERT_TRUE(LoadFromFile(path, part, progress, true).ok()) << path;
    ASSERT_TRUE(ReduceLayers(part, blend, progress, messages, true, true).ok()) << path;
    ShrinkToCanvas(part, progress);
    ExpectShownPart(whole, part, entry.path().filename().string());
  }
}

}  // namespace
}  // namespace tintloom
