#include "core/artwork/psd_composite.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/base/file_io.h"

namespace tintloom {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& out, std::uint64_t value, int width) {
  for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A PSD with empty colour mode data, resources and layers, then its
// composite: `planes` of width x height bytes, raw or as PackBits literal
// rows (width at most 128).
Bytes Psd(int mode, std::uint32_t width, std::uint32_t height, const std::vector<Bytes>& planes, bool packed) {
  Bytes out = {'8', 'B', 'P', 'S'};
  Put(out, 1, 2);
  Put(out, 0, 6);
  Put(out, planes.size(), 2);
  Put(out, height, 4);
  Put(out, width, 4);
  Put(out, 8, 2);
  Put(out, static_cast<std::uint64_t>(mode), 2);
  Put(out, 0, 4);
  Put(out, 4, 4);
  Put(out, 0, 4);  // a resource section of four bytes, skipped
  Put(out, 0, 4);
  Put(out, packed ? 1 : 0, 2);
  if (!packed) {
    for (const Bytes& plane : planes) out.insert(out.end(), plane.begin(), plane.end());
    return out;
  }
  for (std::size_t p = 0; p < planes.size(); ++p) {
    for (std::uint32_t y = 0; y < height; ++y) Put(out, width + 1, 2);
  }
  for (const Bytes& plane : planes) {
    for (std::uint32_t y = 0; y < height; ++y) {
      out.push_back(static_cast<std::uint8_t>(width - 1));
      out.insert(out.end(), plane.begin() + y * width, plane.begin() + (y + 1) * width);
    }
  }
  return out;
}

TEST(PsdComposite, RgbWithAlphaAndGreyComeOutAsRgbaRawOrPacked) {
  const Bytes r = {10, 20, 30, 40, 50, 60}, g = {1, 2, 3, 4, 5, 6}, b = {200, 201, 202, 203, 204, 205},
              a = {255, 0, 128, 255, 255, 7};
  for (bool packed : {false, true}) {
    Result<TPsdComposite> rgb = DecodePsdComposite(Psd(3, 3, 2, {r, g, b, a}, packed));
    ASSERT_TRUE(rgb.ok()) << rgb.error().message;
    EXPECT_EQ(rgb->width, 3);
    EXPECT_EQ(rgb->height, 2);
    Bytes want;
    for (std::size_t i = 0; i < 6; ++i) want.insert(want.end(), {r[i], g[i], b[i], a[i]});
    EXPECT_EQ(rgb->rgba, want);
    // Grey without alpha: opaque.
    Result<TPsdComposite> grey = DecodePsdComposite(Psd(1, 3, 2, {r}, packed));
    ASSERT_TRUE(grey.ok());
    EXPECT_EQ(grey->rgba[4 * 5], 60);
    EXPECT_EQ(grey->rgba[4 * 5 + 2], 60);
    EXPECT_EQ(grey->rgba[4 * 5 + 3], 255);
  }
  // A file as painting programs write it.
  Result<std::vector<std::uint8_t>> sample = ReadWholeFile(std::string(TINTLOOM_FUZZ_CORPUS) + "/psd_composite_fuzz/rgb_4x4.psd", 1 << 20);
  ASSERT_TRUE(sample.ok());
  Result<TPsdComposite> decoded = DecodePsdComposite(*sample);
  ASSERT_TRUE(decoded.ok()) << decoded.error().message;
  EXPECT_EQ(decoded->width * decoded->height * 4, static_cast<std::int64_t>(decoded->rgba.size()));
}

TEST(PsdComposite, CutShortForeignAndOversizedFilesAreRefused) {
  const Bytes plane(64, 77);
  for (bool packed : {false, true}) {
    const Bytes whole = Psd(3, 8, 8, {plane, plane, plane}, packed);
    for (std::size_t n = 0; n < whole.size(); ++n) {
      EXPECT_FALSE(DecodePsdComposite(std::span(whole).first(n)).ok()) << n;
    }
  }
  // 16 bits a channel, CMYK, and 10000 x 10000 pixels from a few bytes.
  Bytes deep = Psd(3, 8, 8, {plane, plane, plane}, false);
  deep[23] = 16;
  EXPECT_FALSE(DecodePsdComposite(deep).ok());
  EXPECT_FALSE(DecodePsdComposite(Psd(4, 8, 8, {plane, plane, plane, plane}, false)).ok());
  Bytes hugeFile = Psd(3, 10000, 10000, {}, false);
  hugeFile[13] = 3;  // three channels
  Result<TPsdComposite> huge = DecodePsdComposite(hugeFile);
  ASSERT_FALSE(huge.ok());
  EXPECT_NE(huge.error().message.find("10000"), std::string::npos);
  // Huge but within the limit, and only a few bytes of rows: refused before
  // the picture is allocated.
  Bytes thin = Psd(1, 8000, 8000, {}, true);
  thin[13] = 1;  // one channel
  EXPECT_FALSE(DecodePsdComposite(thin).ok());
}

}  // namespace
}  // namespace tintloom
