// The reader on small files built byte by byte: each refusal with its exact
// message, each branch of the layer record, PackBits edge cases, and damaged
// files that must be refused without reading or allocating past reason.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/psd_generator.h"
#include "core/artwork/packbits.h"
#include "core/artwork/psd_document.h"

namespace tintloom {
namespace {

using psdgen::Plane;
using psdgen::TBytes;
using psdgen::TChannel;
using psdgen::TLayer;

Result<> Decode(const std::vector<std::uint8_t>& bytes, TPSD& doc) {
  TSilentProgress progress;
  return DecodePsd(bytes, "a.psd", doc, progress);
}

std::string DecodeError(const std::vector<std::uint8_t>& bytes) {
  TPSD doc;
  const Result<> r = Decode(bytes, doc);
  if (r.ok()) return "(read)";
  EXPECT_EQ(doc.layerCount, 0);
  EXPECT_TRUE(doc.Layers.empty());
  return r.error().message;
}

std::vector<std::uint8_t> Header(std::uint32_t height, std::uint32_t width, std::uint16_t depth, std::uint16_t mode) {
  TBytes b;
  b.Raw("8BPS").U16(1).U32(0).U16(0).U16(3).U32(height).U32(width).U16(depth).U16(mode).U32(0).U32(0).U32(0);
  return b.data;
}

TLayer RgbLayer(std::int32_t top, std::int32_t left, std::int32_t h, std::int32_t w, bool packbits = true) {
  TLayer l(top, left, top + h, left + w);
  for (std::int16_t id : {-1, 0, 1, 2}) {
    l.channels.push_back({id, w, Plane(w, h, [id](int x, int y) { return x * 10 + y + id * 50; }), packbits});
  }
  return l;
}

TEST(PsdHeader, RefusalsComeInOrderWithTheirMessages) {
  const std::string size_message =
      "画像サイズが大きすぎます(4096×4096ピクセル). ファイルを開けません\n4096×4096以上の画像サイズはサポートしていません";
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::string message;
  };
  std::vector<std::uint8_t> cut_header = Header(10, 10, 8, 3);
  cut_header.resize(20);
  const std::vector<Case> cases = {
      {{}, "PSDファイルではありません.\n->a.psd"},
      {{'8', 'B', 'P'}, "PSDファイルではありません.\n->a.psd"},
      {{'8', 'B', 'P', 'B', 0, 1}, "PSDファイルではありません.\n->a.psd"},
      {Header(4096, 4096, 8, 3), size_message},
      {Header(0xFFFFF000u, 4096, 8, 3), size_message},  // stored negative: its absolute value
      {Header(4096, 4096, 16, 3), size_message},        // the size is tested before the depth
      {Header(100, 30001, 8, 3),
       "画像サイズが大きすぎます(30001×100ピクセル). ファイルを開けません\n4096×4096以上の画像サイズはサポートしていません"},
      {Header(0x80000000u, 1, 8, 3),
       "画像サイズが大きすぎます(1×2147483648ピクセル). ファイルを開けません\n4096×4096以上の画像サイズはサポートしていません"},
      {Header(10, 10, 16, 3), "サポートしていない色深度です(16). ファイルを開けません"},
      {Header(10, 10, 8, 4), "サポートしていないカラーモード(4)です. ファイルを開けません"},
      {Header(10, 10, 8, 2), "サポートしていないカラーモード(2)です. ファイルを開けません"},
      {cut_header, "ファイルが途中で終わっています.\n->a.psd"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeError(c.bytes), c.message);

  // Accepted sizes: only both sides at 4096 or more are refused.
  for (auto [h, w] : {std::pair{4096u, 4095u}, std::pair{5000u, 100u}}) {
    TPSD doc;
    EXPECT_TRUE(Decode(Header(h, w, 8, 1), doc).ok()) << h << " x " << w;
    EXPECT_EQ(doc.height, static_cast<std::int32_t>(h));
  }
  TPSD doc;
  TSilentProgress progress;
  const Result<> missing = LoadFromFile("/nonexistent/dir/x.psd", doc, progress);
  EXPECT_EQ(missing.error().message, "ファイルを開けません.\n->/nonexistent/dir/x.psd");
  const std::string folder = std::filesystem::temp_directory_path().string();  // opens, but cannot be read
  EXPECT_EQ(LoadFromFile(folder, doc, progress).error().message, "ファイルを開けません.\n->" + folder);
}

TEST(PsdLayers, CountSignEmptyLayersAndEmptySections) {
  // A negative stored count is read as its absolute value.
  TPSD doc;
  ASSERT_TRUE(Decode(psdgen::MakePsd(8, 8, 3, {RgbLayer(0, 0, 2, 2), RgbLayer(1, 1, 3, 2)}, -1), doc).ok());
  EXPECT_EQ(doc.layerCount, 2);
  EXPECT_EQ(doc.Layers[1].width, 2);
  EXPECT_EQ(doc.Layers[1].height, 3);

  // An empty rectangle gets no planes; its channels hold only the
  // compression field and the next layer is still read right.
  TLayer empty(5, 5, 5, 5, {{-1, 0, {}}, {0, 0, {1, 2, 3}}});  // data with nowhere to go is passed over
  ASSERT_TRUE(Decode(psdgen::MakePsd(8, 8, 3, {empty, RgbLayer(0, 0, 2, 3)}), doc).ok());
  EXPECT_TRUE(doc.Layers[0].PixelData.empty());
  EXPECT_FALSE(LayerUsable(doc.Layers[0]));
  EXPECT_EQ(doc.Layers[1].PixelData[2][1], 10 + 50);  // red (id 0) at x 1

  // No layer records at all: a count of 0, or no layer section.
  ASSERT_TRUE(Decode(psdgen::MakePsd(8, 8, 3, {}), doc).ok());
  EXPECT_EQ(doc.layerCount, 0);
  ASSERT_TRUE(Decode(Header(8, 8, 8, 3), doc).ok());
  EXPECT_EQ(doc.layerCount, 0);
}

TEST(PsdLayers, MaskBlocksOfEverySizeKeepTheRecordAligned) {
  const std::vector<std::uint8_t> rect = {0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0, 7};  // 1, 2, 4, 7
  struct Case {
    std::size_t size;
    std::int32_t maskWidth, maskHeight;
  };
  for (const Case& c : {Case{20, 5, 3}, Case{36, 5, 3}, Case{28, 5, 3}, Case{56, 5, 3}, Case{10, 0, 0}}) {
    SCOPED_TRACE(c.size);
    TLayer l = RgbLayer(0, 0, 3, 3);
    l.mask_block.assign(c.size, 0);
    if (c.size >= 18) std::copy(rect.begin(), rect.end(), l.mask_block.begin());
    l.mask_block[c.size - 1] = 0xEE;  // garbage at the block's end must be skipped
    if (c.size >= 36) l.mask_block[18] = 0x42;  // real mask flags
    l.channels.push_back({-2, c.maskWidth, Plane(c.maskWidth, c.maskHeight, [](int x, int) { return x; })});
    l.name = "after mask";
    TPSD doc;
    ASSERT_TRUE(Decode(psdgen::MakePsd(8, 8, 3, {l}), doc).ok());
    const TPSDLayer& got = doc.Layers[0];
    EXPECT_EQ(got.maskWidth, c.maskWidth);
    EXPECT_EQ(got.maskHeight, c.maskHeight);
    EXPECT_EQ(got.realMaskFlags, c.size >= 36 ? 0x42 : 0);
    EXPECT_EQ(got.Name.value_or("-"), "after mask");
    ASSERT_EQ(got.PixelData[4].size(), static_cast<std::size_t>(c.maskWidth * c.maskHeight));
    if (c.maskWidth > 0) {
      EXPECT_EQ(got.PixelData[4][4], 4);
    }
  }
}

TEST(PsdLayers, BlendKeysNamesAndFlags) {
  struct Case {
    std::string key;
    int code;
  };
  for (const Case& c : {Case{"MUL ", 1}, Case{"NORM", -1}, Case{"LbRn", 3}, Case{"hue ", -1}, Case{"smud", 16}}) {
    TLayer l = RgbLayer(0, 0, 1, 1);
    l.key = c.key;
    l.opacity = 77;
    l.clipping = 1;
    l.flags = 2 | 8;
    TPSD doc;
    ASSERT_TRUE(Decode(psdgen::MakePsd(8, 8, 3, {l}), doc).ok());
    EXPECT_EQ(doc.Layers[0].BlendModeKey, c.code) << c.key;
    EXPECT_EQ(doc.Layers[0].Opacity, 77);
    EXPECT_EQ(doc.Layers[0].Clipping, 1);
    EXPECT_FALSE(LayerUsable(doc.Layers[0]));  // hidden
  }
  // A name of length 0 is absent; the record's name is the file's bytes.
  // The Unicode name block, after another block, is the name a drawing
  // program wrote where the record's 8-bit copy has only "?" (surrogate
  // pairs and all).
  TLayer unnamed = RgbLayer(0, 0, 2, 2);
  TBytes luni;
  luni.Raw("8BIMlsct").U32(4).U32(0);
  luni.Raw("8BIMluni").U32(16).U32(4).U16(0x30EC).U16(0x30A4).U16(0xD83D).U16(0xDC7D).U32(0);
  unnamed.after_name = luni.data;
  TLayer named = RgbLayer(0, 0, 2, 2);
  named.name = "\x83\x8C\x83\x43";  // Shift-JIS bytes kept as they are
  TLayer questioned = RgbLayer(0, 0, 2, 2);
  questioned.name = "??";
  TBytes bad;  // a count the block cannot hold
  bad.Raw("8BIMluni").U32(8).U32(9).U16(0x30EC).U16(0);
  questioned.after_name = bad.data;
  TPSD doc;
  ASSERT_TRUE(Decode(psdgen::MakePsd(8, 8, 3, {unnamed, named, questioned}), doc).ok());
  EXPECT_FALSE(doc.Layers[0].Name.has_value());
  EXPECT_EQ(doc.Layers[0].UnicodeName.value_or(""), "\u30EC\u30A4\U0001F47D");
  EXPECT_EQ(doc.Layers[1].Name.value_or(""), "\x83\x8C\x83\x43");
  EXPECT_FALSE(doc.Layers[1].UnicodeName.has_value());
  EXPECT_EQ(doc.Layers[1].PixelData[1][3], 10 + 1);
  EXPECT_EQ(doc.Layers[2].Name.value_or(""), "??");
  EXPECT_FALSE(doc.Layers[2].UnicodeName.has_value());
}

TEST(PsdChannels, PackBitsRunsAreClippedToTheirRow) {
  struct Case {
    std::vector<std::uint8_t> packed;
    std::size_t row;
    std::vector<std::uint8_t> want;
  };
  std::vector<std::uint8_t> literal128 = {127};
  for (int i = 0; i < 128; ++i) literal128.push_back(static_cast<std::uint8_t>(i));
  const std::vector<Case> cases = {
      {{255, 9}, 3, {9, 9, 0}},                      // 255: two copies
      {{129, 7}, 130, std::vector<std::uint8_t>(128, 7)},  // 129: 128 copies
      // 128 is no run but a header to pass over, with no value byte after it;
      // read as 129 copies it shifted every byte after it.
      {{128, 255, 9, 128, 128, 1, 4, 5}, 6, {9, 9, 4, 5, 0, 0}},
      {literal128, 128, std::vector<std::uint8_t>(literal128.begin() + 1, literal128.end())},  // 127: 128 bytes
      {{129, 7}, 4, {7, 7, 7, 7}},                   // a run longer than the row stops at its end
      {{3, 1, 2, 3, 4, 2, 5}, 3, {1, 2, 3}},          // so does a literal
      {{4, 1, 2}, 4, {1, 2, 0, 0}},                  // a literal cut by the end of the data
      {{0, 6, 255}, 3, {6, 0, 0}},                   // a repeat with no value byte
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> row(c.row, 0);
    UnpackRow(row, c.packed);
    if (c.want.size() == c.row) {
      EXPECT_EQ(row, c.want);
    } else {
      EXPECT_EQ(std::vector<std::uint8_t>(row.begin(), row.begin() + static_cast<long>(c.want.size())), c.want);
    }
  }
}

// Hand-written channel data of a 1 x `width` layer with channels 0 and 1.
std::vector<std::uint8_t> OneLayer(const std::vector<std::uint8_t>& first, const std::vector<std::uint8_t>& second,
                                   std::uint32_t width = 3) {
  TBytes b;
  b.Raw("8BPS").U16(1).U32(0).U16(0).U16(3).U32(1).U32(width).U16(8).U16(1).U32(0).U32(0);
  TBytes rec;
  rec.U16(1).U32(0).U32(0).U32(1).U32(width).U16(2);
  rec.U16(0).U32(static_cast<std::uint32_t>(first.size())).U16(1).U32(static_cast<std::uint32_t>(second.size()));
  rec.Raw("8BIMnorm").U8(255).U8(0).U8(0).U8(0).U32(12).U32(0).U32(0).U8(0).U8(0).U8(0).U8(0);
  rec.Raw(first).Raw(second);
  b.U32(static_cast<std::uint32_t>(rec.data.size() + 4)).U32(static_cast<std::uint32_t>(rec.data.size())).Raw(rec.data);
  return b.data;
}

TEST(PsdChannels, RawAndPackedDataNeverSpillIntoTheNextChannel) {
  struct Case {
    std::vector<std::uint8_t> first;
    std::vector<std::uint8_t> want_first;
  };
  const std::vector<Case> cases = {
      {{0, 0, 1, 2, 3, 4, 5}, {1, 2, 3}},     // raw, longer than its plane
      {{0, 0, 9}, {9, 0, 0}},                 // raw, shorter
      {{0, 1, 0, 5, 130, 8, 1, 5, 6}, {8, 8, 8}},  // packed row longer than the row
  };
  for (const Case& c : cases) {
    TPSD doc;
    ASSERT_TRUE(Decode(OneLayer(c.first, {0, 0, 7, 8, 9}), doc).ok());
    EXPECT_EQ(doc.Layers[0].PixelData[0], c.want_first);
    EXPECT_EQ(doc.Layers[0].PixelData[1], (std::vector<std::uint8_t>{7, 8, 9}));
  }
  // ZIP, with or without prediction, is not decoded: refused with a message
  // rather than its compressed bytes shown as pixels (and no compression a
  // PSD file has as damage).
  const std::vector<std::uint8_t> zlib = {0x78, 0x9C, 0x63, 0x60, 0x80, 0x00, 0x00, 0x00, 0x03, 0x00, 0x01};
  for (const std::uint16_t compression : {2, 3, 4}) {
    TBytes channel;
    channel.U16(compression).Raw(zlib);
    const std::string error = DecodeError(OneLayer(channel.data, {0, 0, 7, 8, 9}));
    EXPECT_NE(error.find(compression < 4 ? "ZIP" : "壊れている"), std::string::npos) << error;
  }
}

// PackBits decoded one header at a time, writing nothing past the row.
std::vector<std::uint8_t> PlainUnpack(const std::vector<std::uint8_t>& packed, std::size_t width) {
  std::vector<std::uint8_t> row;
  for (std::size_t in = 0; in < packed.size() && row.size() < width;) {
    const std::uint8_t h = packed[in++];
    if (h == 128) continue;
    if (h < 128) {
      for (std::size_t k = 0; k <= h && in + k < packed.size() && row.size() < width; ++k) row.push_back(packed[in + k]);
      in += std::size_t{h} + 1;
    } else if (in < packed.size()) {
      for (int k = 0; k < 257 - h && row.size() < width; ++k) row.push_back(packed[in]);
      ++in;
    }
  }
  return row;
}

TEST(PsdChannels, LongRowsOfRandomRunsDecodeExactlyAndShortRowsEndInZeros) {
  std::mt19937 random(24);
  for (int trial = 0; trial < 400; ++trial) {
    std::vector<std::uint8_t> packed;
    const int runs = static_cast<int>(random() % 40);
    for (int r = 0; r < runs; ++r) {
      const auto h = static_cast<std::uint8_t>(random());
      packed.push_back(h);
      for (int k = 0; k < (h < 128 ? h + 1 : 1); ++k) packed.push_back(static_cast<std::uint8_t>(random()));
    }
    const std::size_t cut = random() % (packed.size() + 1);
    if (random() % 2 == 0) packed.resize(packed.size() - cut);  // cut short
    const std::size_t width = 1 + random() % 1500;
    const std::size_t skip = random() % 4 == 0 ? random() % width : 0;
    const std::vector<std::uint8_t> want = PlainUnpack(packed, width);
    std::vector<std::uint8_t> row(width - skip, 0xEE);
    const std::size_t got = UnpackColumns(row, packed, skip);
    ASSERT_EQ(got, want.size() > skip ? want.size() - skip : 0) << trial;
    ASSERT_TRUE(std::equal(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(got), want.begin() + static_cast<std::ptrdiff_t>(skip)))
        << trial;
  }
  // A 400-pixel row whose data ends after a literal of 127 pixels and a
  // header with no bytes: the rest of the plane is zero, whatever the
  // decoding wrote ahead.
  TBytes row;
  row.U16(1).U16(129).U8(126);
  for (int k = 0; k < 127; ++k) row.U8(9);
  row.U8(5);
  TPSD doc;
  ASSERT_TRUE(Decode(OneLayer(row.data, std::vector<std::uint8_t>(402, 0), 400), doc).ok());
  std::vector<std::uint8_t> want(400, 0);
  std::fill_n(want.begin(), 127, 9);
  EXPECT_EQ(doc.Layers[0].PixelData[0], want);
}

TEST(PsdDamage, CutOrImpossibleFilesAreRefusedBeforeAllocating) {
  const std::string ends_early = "ファイルが途中で終わっています.\n->a.psd";
  auto good = psdgen::MakePsd(8, 8, 3, {RgbLayer(0, 0, 4, 4), RgbLayer(2, 2, 4, 4, false)});
  for (std::size_t cut : {good.size() - 1, good.size() - 20, std::size_t{40}, std::size_t{60}}) {
    EXPECT_EQ(DecodeError(std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<long>(cut))), ends_early);
  }
  // A count of 32767 records in a file of a few bytes.
  auto many = Header(8, 8, 8, 3);
  TBytes tail;
  tail.U32(100).U32(96).U16(0x7FFF);
  many.insert(many.end() - 4, tail.data.begin(), tail.data.end());
  many.resize(many.size() - 4);
  EXPECT_EQ(DecodeError(many), ends_early);

  // Rectangles no file of this size could fill: refused in the user's words,
  // naming the file, before anything is allocated.
  const std::string damaged = "ファイルが壊れているか大きすぎるため開けません.\n->a.psd";
  TLayer huge = RgbLayer(0, 0, 1, 1);
  huge.bottom = 100000;
  huge.right = 100000;
  EXPECT_EQ(DecodeError(psdgen::MakePsd(8, 8, 3, {huge})), damaged);
  TLayer extreme = RgbLayer(0, 0, 1, 1);
  extreme.top = INT32_MIN;
  extreme.bottom = INT32_MAX;
  extreme.left = INT32_MIN;
  extreme.right = INT32_MAX;  // sides of 2^32 - 1: the plane size overflows signed 64 bits
  EXPECT_EQ(DecodeError(psdgen::MakePsd(8, 8, 3, {extreme})), damaged);
  TLayer mask = RgbLayer(0, 0, 1, 1);
  mask.mask_block = {0x80, 0, 0, 0, 0, 0, 0, 0, 0x7F, 0, 0, 0, 0x7F, 0, 0, 0, 0, 0, 0, 0};
  mask.channels.push_back({-2, 0, {}});
  EXPECT_EQ(DecodeError(psdgen::MakePsd(8, 8, 3, {mask})), damaged);
  // A 50000 x 50000 rectangle whose only channel is a 1 x 1 user mask: no
  // plane is sized by it, yet it would become a working layer of its size.
  TLayer bare(0, 0, 50000, 50000);
  bare.mask_block = {0, 0, 0, 10, 0, 0, 0, 10, 0, 0, 0, 11, 0, 0, 0, 11, 0, 0, 0, 0};
  bare.channels.push_back({-2, 1, {128}, false});
  EXPECT_EQ(DecodeError(psdgen::MakePsd(600, 600, 1, {bare})), damaged);
}

TEST(PsdChannels, SecondUserMaskFollowsTheRealMaskRectangle) {
  TLayer l = RgbLayer(0, 0, 4, 4);
  TBytes block;
  block.U32(0).U32(0).U32(4).U32(4).U8(0).U8(0).U8(0).U8(255).U32(1).U32(1).U32(3).U32(2);
  l.mask_block = block.data;
  l.channels.push_back({-2, 4, Plane(4, 4, [](int, int) { return 200; })});
  l.channels.push_back({-3, 1, Plane(1, 2, [](int, int y) { return 30 + y; })});
  l.channels.push_back({-1, 4, Plane(4, 4, [](int x, int) { return x; })});
  TPSD doc;
  ASSERT_TRUE(Decode(psdgen::MakePsd(8, 8, 3, {l}), doc).ok());
  EXPECT_EQ(doc.Layers[0].PixelData[5], (std::vector<std::uint8_t>{30, 31}));
  EXPECT_EQ(doc.Layers[0].PixelData[6][3], 3);  // the channel after it is read in place
}

}  // namespace
}  // namespace tintloom
