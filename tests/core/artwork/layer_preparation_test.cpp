// Clipping groups reduced to grey working layers, and the shrink to the
// canvas, on numbers worked out by hand from the arithmetic they must follow.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/artwork/area_shrink.h"
#include "core/artwork/psd_document.h"
#include "support/recording.h"

namespace tintloom {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A layer record with the given planes (each w x h, or mask-sized for -2).
TPSDLayer Layer(std::int32_t left, std::int32_t top, std::int32_t w, std::int32_t h,
                const std::map<int, Bytes>& planes, std::uint8_t opacity = 255, std::uint8_t clipping = 0) {
  TPSDLayer l;
  l.left = left;
  l.top = top;
  l.right = left + w;
  l.bottom = top + h;
  l.width = w;
  l.height = h;
  l.Opacity = opacity;
  l.Clipping = clipping;
  for (const auto& [id, plane] : planes) {
    const int index = static_cast<int>(l.PixelData.size());
    l.ChannelData.push_back({static_cast<std::int16_t>(id), 0});
    l.PixelData.push_back(plane);
    (id == -2 ? l.maskPlane : id == -1 ? l.transparencyPlane : id == 0 ? l.redPlane : id == 1 ? l.greenPlane
                                                                                                  : l.bluePlane) = index;
  }
  l.channelCount = static_cast<std::uint16_t>(l.ChannelData.size());
  return l;
}

TPSD Document(std::uint16_t mode, std::vector<TPSDLayer> layers, std::int32_t w = 100, std::int32_t h = 100) {
  TPSD doc;
  doc.colourMode = mode;
  doc.width = w;
  doc.height = h;
  doc.layerCount = static_cast<std::int32_t>(layers.size());
  doc.Layers = std::move(layers);
  return doc;
}

void Reduce(TPSD& doc, const TBlendTable& blend = TBlendTable{}) {
  TSilentProgress progress;
  testing::TRecordingMessages messages;
  ASSERT_TRUE(ReduceLayers(doc, blend, progress, messages).ok());
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_TRUE(doc.Layers.empty());
}

TEST(ReduceLayers, GreyLevelsAndAlphaOfABaseLayer) {
  struct Case {
    Bytes rgb;
    std::uint8_t grey;
  };
  // (77 r + 151 g + 28 b) >> 8
  for (const Case& c : {Case{{255, 255, 255}, 255}, Case{{255, 0, 0}, 76}, Case{{0, 255, 0}, 150},
                        Case{{0, 0, 255}, 27}, Case{{10, 20, 30}, 18}}) {
    TPSD doc = Document(kPsdColourRgb, {Layer(0, 0, 1, 1, {{0, {c.rgb[0]}}, {1, {c.rgb[1]}}, {2, {c.rgb[2]}}})});
    Reduce(doc);
    EXPECT_EQ(doc.Simples[0].Pixel[0], c.grey);
  }
  // Alpha = opacity x transparency x mask / 65025, the mask inside its
  // rectangle and its default colour outside (white shows the layer, black
  // hides it, as painting programs draw it); opacity 128 alone gives 128.
  TPSD doc = Document(kPsdColourGrey, {Layer(0, 0, 3, 1, {{0, {9, 9, 9}}}, 128),
                                       Layer(5, 2, 3, 1, {{0, {9, 9, 9}}, {-1, {100, 100, 100}}, {-2, {50}}})});
  TPSDLayer& masked = doc.Layers[1];
  masked.maskLeft = 6;
  masked.maskTop = 2;
  masked.maskWidth = 1;
  masked.maskHeight = 1;
  TPSD black_outside = doc;
  masked.maskDefaultColour = 255;
  Reduce(doc);
  ASSERT_EQ(doc.workingLayerCount, 2);
  EXPECT_EQ(doc.Simples[0].Alpha, (Bytes{128, 128, 128}));
  EXPECT_EQ(doc.Simples[1].Alpha, (Bytes{100, 19, 100}));
  Reduce(black_outside);
  EXPECT_EQ(black_outside.Simples[1].Alpha, (Bytes{0, 19, 0}));
  EXPECT_EQ(doc.Simples[1].Pixel, (Bytes{9, 9, 9}));
  EXPECT_EQ(doc.Simples[1].left, 5);
  EXPECT_EQ(doc.Simples[1].top, 2);
}

TEST(ReduceLayers, GroupsWhoseBaseIsUnusableVanishWhole) {
  auto grey = [](std::uint8_t v, std::uint8_t clipping = 0, std::uint8_t opacity = 255) {
    return Layer(0, 0, 1, 1, {{0, {v}}}, opacity, clipping);
  };
  TPSDLayer hidden = grey(1);
  hidden.flags = 2;
  TPSDLayer empty = Layer(0, 0, 0, 0, {});
  empty.channelCount = 1;
  TPSD doc = Document(kPsdColourGrey, {grey(2, 1),           // clipped with nothing below
                                       hidden, grey(3, 1),   // the group of a hidden base
                                       grey(4), grey(5, 2),  // a clipping value with no meaning
                                       empty, grey(6, 1),    // the group of an empty base
                                       grey(7, 0, 0), grey(8, 1),  // the group of a transparent base
                                       grey(9), grey(10, 1, 255)});
  Reduce(doc);
  ASSERT_EQ(doc.workingLayerCount, 2);
  EXPECT_EQ(doc.Simples[0].Pixel[0], 4);
  EXPECT_EQ(doc.Simples[1].Pixel[0], 10);  // the clipped layer covers its base fully
  EXPECT_EQ(doc.Simples.size(), 11u);      // one slot per record
}

TEST(ReduceLayers, ClippedLayersBlendByCoverageInsideTheirBase) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("clip_bm_" + std::to_string(::getpid()) + ".dat")).string();
  {
    Bytes tables(2 * 65536, 10);  // code 0 gives 10 whatever the inputs; the rest of the file is missing
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(tables.data()), 2 * 65536);
  }
  TBlendTable blend;
  ASSERT_TRUE(blend.LoadBlendTable(path).ok());
  std::filesystem::remove(path);

  struct Case {
    std::int16_t code;
    std::uint8_t opacity;
    Bytes transparency, mask;  // empty: none
    Bytes want;                // the base row after blending, grey
  };
  // Base row 100 x 4 at left 0; the clipped layer (200) covers columns 2..5,
  // its last two columns outside the base. f = opacity / 255 x t / 255
  // (x mask / 255); d = trunc(d + f (s - d)).
  const std::vector<Case> cases = {
      {kBlendNormal, 255, {}, {}, {100, 100, 200, 200}},
      {kBlendNormal, 128, {}, {}, {100, 100, 150, 150}},
      {kBlendNormal, 255, {255, 51, 0, 0}, {}, {100, 100, 200, 120}},
      {0, 128, {}, {}, {100, 100, 54, 54}},
      {0, 255, {}, {0, 255, 0, 0}, {100, 100, 100, 10}},
      {5, 255, {}, {}, {100, 100, 200, 200}},  // a table the file lacks holds the source: normal
  };
  for (const Case& c : cases) {
    std::map<int, Bytes> planes = {{0, {200, 200, 200, 200}}};
    if (!c.transparency.empty()) planes[-1] = c.transparency;
    if (!c.mask.empty()) planes[-2] = c.mask;
    TPSDLayer clipped = Layer(2, 0, 4, 1, planes, c.opacity, 1);
    clipped.BlendModeKey = c.code;
    clipped.maskLeft = 2;
    clipped.maskWidth = c.mask.empty() ? 0 : 4;
    clipped.maskHeight = c.mask.empty() ? 0 : 1;
    TPSD doc = Document(kPsdColourGrey, {Layer(0, 0, 4, 1, {{0, {100, 100, 100, 100}}}), clipped});
    Reduce(doc, blend);
    ASSERT_EQ(doc.workingLayerCount, 1);
    EXPECT_EQ(doc.Simples[0].Pixel, c.want) << "code " << c.code << " opacity " << int{c.opacity};
  }
  // RGB: each colour channel with its own plane; a missing plane reads as 0.
  TPSD doc = Document(kPsdColourRgb, {Layer(0, 0, 1, 1, {{0, {255}}, {1, {255}}, {2, {255}}}),
                                      Layer(0, 0, 1, 1, {{0, {0}}, {2, {255}}}, 255, 1)});
  Reduce(doc);
  EXPECT_EQ(doc.Simples[0].Pixel[0], 28 * 255 >> 8);
}

TEST(ShrinkToCanvas, AreaAverageWithSubPixelShift) {
  // 1200 x 900: s = 2, the document becomes 600 x 450. A 7 x 2 layer at
  // left 3 becomes 4 columns (ceil), then the half-pixel shift to left 1
  // adds a fifth; the outside is 255 for grey levels and 0 for alpha.
  TPSD doc;
  doc.width = 1200;
  doc.height = 900;
  doc.layerCount = 2;
  doc.workingLayerCount = 2;
  doc.Simples.resize(2);
  TSimpleLayer& s = doc.Simples[0];
  s.left = 3;
  s.width = 7;
  s.height = 2;
  s.Pixel.assign(14, 100);
  s.Alpha.assign(14, 255);
  doc.Simples[1].left = -3;  // an empty working layer only moves
  TSilentProgress progress;
  ShrinkToCanvas(doc, progress);
  EXPECT_EQ(doc.width, 600);
  EXPECT_EQ(doc.height, 450);
  EXPECT_EQ(s.left, 1);
  EXPECT_EQ(s.top, 0);
  EXPECT_EQ(s.width, 5);
  EXPECT_EQ(s.height, 1);
  EXPECT_EQ(s.Pixel, (Bytes{177, 100, 100, 139, 216}));
  EXPECT_EQ(s.Alpha, (Bytes{127, 254, 254, 191, 64}));
  EXPECT_EQ(doc.Simples[1].left, -1);
  EXPECT_EQ(doc.Simples[1].width, 0);

  struct Size {
    std::int32_t w, h, want_w, want_h;
  };
  for (const Size& c : {Size{600, 600, 600, 600}, Size{3000, 2000, 600, 400}, Size{601, 10, 600, 10}}) {
    TPSD d;
    d.width = c.w;
    d.height = c.h;
    ShrinkToCanvas(d, progress);
    EXPECT_EQ(d.width, c.want_w);
    EXPECT_EQ(d.height, c.want_h);
  }
}

TEST(ShrinkToCanvas, FractionalWindowsAndShifts) {
  const Bytes line = {0, 255, 255};
  EXPECT_EQ(AreaAverage(line.data(), 1, 3, 0.0f, 1.5f, 255), 85);   // 0.5 x 255 / 1.5
  EXPECT_EQ(AreaAverage(line.data(), 1, 3, 1.5f, 1.5f, 255), 255);
  EXPECT_EQ(AreaAverage(line.data(), 1, 3, 3.0f, 1.5f, 7), 7);      // wholly outside

  Bytes plane = {10, 20, 30, 40};  // 2 x 2
  std::int32_t w = 2, h = 2;
  ShiftDown(plane, w, h, 0.25f, 0);
  EXPECT_EQ(h, 3);
  // out[j] = trunc(c_j 0.75 + trunc(c_{j-1} 0.25)), the first row mixing in the outside value.
  EXPECT_EQ(plane, (Bytes{7, 15, 24, 35, 7, 10}));
}

}  // namespace
}  // namespace tintloom
