#include "core/artwork/blend_table.h"

#include <gtest/gtest.h>

#include "support/paths.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/artwork/blend_formulas.h"

namespace tintloom {
namespace {

enum Code {
  kDarken, kMultiply, kColourBurn, kLinearBurn, kLighten, kScreen, kColourDodge, kLinearDodge, kOverlay,
  kSoftLight, kHardLight, kVividLight, kLinearLight, kPinLight, kHardMix, kDifference, kExclusion
};

int Blend(int code, int b, int s) {
  return BlendChannel(code, static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(s));
}

using testing::ScratchPath;

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);
}

TEST(BlendFormulas, IdentitiesHoldForEveryBackdropAndSource) {
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(Blend(kMultiply, b, 255), b);
    EXPECT_EQ(Blend(kMultiply, b, 0), 0);
    EXPECT_EQ(Blend(kScreen, b, 0), b);
    EXPECT_EQ(Blend(kScreen, b, 255), 255);
    EXPECT_EQ(Blend(kColourDodge, b, 0), b);
    EXPECT_EQ(Blend(kColourBurn, b, 255), b);
    EXPECT_EQ(Blend(kExclusion, b, 0), b);
    EXPECT_EQ(Blend(kExclusion, b, 255), 255 - b);
    EXPECT_EQ(Blend(kDifference, b, b), 0);
    // Soft light with a black source is the backdrop multiplied by itself.
    EXPECT_EQ(Blend(kSoftLight, b, 0), Blend(kMultiply, b, b));
    EXPECT_EQ(Blend(kPinLight, b, 0), 0);
    EXPECT_EQ(Blend(kPinLight, b, 255), 255);
    for (int s = 0; s < 256; ++s) {
      EXPECT_EQ(Blend(kDarken, b, s), std::min(b, s));
      EXPECT_EQ(Blend(kLighten, b, s), std::max(b, s));
      EXPECT_EQ(Blend(kDifference, b, s), std::abs(b - s));
      EXPECT_EQ(Blend(kLinearDodge, b, s), std::min(255, b + s));
      EXPECT_EQ(Blend(kLinearBurn, b, s), std::max(0, b + s - 255));
      EXPECT_EQ(Blend(kHardMix, b, s), b + s >= 255 ? 255 : 0);
      EXPECT_EQ(Blend(kOverlay, b, s), Blend(kHardLight, s, b));
      EXPECT_EQ(Blend(kMultiply, b, s), Blend(kMultiply, s, b));
      EXPECT_EQ(Blend(kScreen, b, s), 255 - Blend(kMultiply, 255 - b, 255 - s));
      // The light modes darken with a source below the middle and lighten
      // with one above it.
      for (int code : {kSoftLight, kHardLight}) {
        if (s < 128) {
          EXPECT_LE(Blend(code, b, s), b) << code << " " << b << " " << s;
        } else {
          EXPECT_GE(Blend(code, b, s), b) << code << " " << b << " " << s;
        }
      }
    }
  }
}

TEST(BlendFormulas, HandWorkedValuesRoundHalfUp) {
  EXPECT_EQ(Blend(kMultiply, 128, 128), 64);        // 64.25
  EXPECT_EQ(Blend(kScreen, 128, 128), 192);         // 191.75
  EXPECT_EQ(Blend(kOverlay, 64, 200), 100);         // multiply by 2b: 100.39
  EXPECT_EQ(Blend(kColourDodge, 50, 100), 82);      // 50 / 155 x 255 = 82.26
  EXPECT_EQ(Blend(kColourDodge, 100, 200), 255);    // clipped
  EXPECT_EQ(Blend(kColourDodge, 0, 255), 0);        // black backdrop stays black
  EXPECT_EQ(Blend(kColourBurn, 200, 100), 115);     // 1 - 55 / 100 = 0.45: 114.75
  EXPECT_EQ(Blend(kColourBurn, 255, 0), 255);       // white backdrop stays white
  EXPECT_EQ(Blend(kLinearLight, 100, 0), 0);
  EXPECT_EQ(Blend(kLinearLight, 100, 200), 245);    // 100 + 400 - 255
  EXPECT_EQ(Blend(kVividLight, 100, 0), 0);
  EXPECT_EQ(Blend(kVividLight, 100, 255), 255);
  EXPECT_EQ(Blend(kVividLight, 200, 100), 185);     // colour burn by 2s: 255 - 55 x 255 / 200 = 184.875
  EXPECT_EQ(Blend(kPinLight, 100, 40), 80);         // min(100, 80)
  EXPECT_EQ(Blend(kPinLight, 100, 240), 225);       // max(100, 225)
  EXPECT_EQ(Blend(kSoftLight, 64, 255), 128);       // sqrt(64 / 255) x 255 = 127.75
  EXPECT_EQ(Blend(kHardMix, 100, 155), 255);
  EXPECT_EQ(Blend(kHardMix, 100, 154), 0);
}

TEST(BlendFormulas, FileHoldsSeventeenTablesInCodeOrder) {
  const std::vector<std::uint8_t> file = BuildBlendTableFile();
  ASSERT_EQ(file.size(), 1114112u);
  EXPECT_EQ(file[kMultiply * 65536 + 200 * 256 + 255], 200);
  EXPECT_EQ(file[kScreen * 65536 + 0 * 256 + 77], 77);
  EXPECT_EQ(file[kDifference * 65536 + 10 * 256 + 250], 240);
  EXPECT_EQ(file[kExclusion * 65536 + 255 * 256 + 255], 0);
}

TEST(BlendKeys, MatchWithoutRegardToCaseAndUnknownKeysAreNormal) {
  for (std::size_t i = 0; i < kBlendModes.size(); ++i) {
    EXPECT_EQ(BlendCodeFromKey(kBlendModes[i].key), static_cast<int>(i) - 1) << kBlendModes[i].key;
  }
  EXPECT_EQ(BlendCodeFromKey("NORM"), -1);
  EXPECT_EQ(BlendCodeFromKey("MUL "), 1);
  EXPECT_EQ(BlendCodeFromKey("Div "), 6);
  EXPECT_EQ(BlendCodeFromKey("slit"), 9);
  EXPECT_EQ(BlendCodeFromKey("HMIX"), 14);
  EXPECT_EQ(BlendCodeFromKey("smud"), 16);
  for (const char* key : {"fsub", "fdiv", "hue ", "sat ", "colr", "lum ", "pass", "mul", "", "dark "}) {
    EXPECT_EQ(BlendCodeFromKey(key), -1) << '"' << key << '"';
  }
  // Raw record bytes: a NUL where "mul " has its space is not "mul ".
  EXPECT_EQ(BlendCodeFromKey(std::string_view("mul\0", 4)), -1);
  EXPECT_STREQ(kBlendModes[0].label, "通常");
  EXPECT_STREQ(kBlendModes[17].label, "除外");
}

TEST(BlendTable, LoadsTheFileAndFreesIt) {
  const std::string path = ScratchPath("bm.dat");
  WriteFile(path, BuildBlendTableFile());
  TBlendTable table;
  EXPECT_TRUE(table.LoadBlendTable(path).ok());
  std::filesystem::remove(path);
  ASSERT_TRUE(table.Loaded());
  EXPECT_EQ(table.Lookup(kMultiply, 255, 77), 77);
  EXPECT_EQ(table.Lookup(kLighten, 3, 200), 200);
  EXPECT_EQ(table.Lookup(kExclusion, 255, 0), 255);
  table.FreeBlendTable();
  EXPECT_FALSE(table.Loaded());
  EXPECT_EQ(table.Table(0), nullptr);
  // Without a table every mode draws as normal: the source.
  EXPECT_EQ(table.Lookup(kMultiply, 10, 77), 77);
  table.FreeBlendTable();
}

TEST(BlendTable, MissingFileSaysSoOnce) {
  TBlendTable table;
  const Result<> loaded = table.LoadBlendTable(ScratchPath("absent.dat"));
  ASSERT_FALSE(loaded.ok());
  EXPECT_EQ(loaded.error().message, "bm.datを開けません");
  EXPECT_FALSE(table.Loaded());
}

TEST(BlendTable, ShortFileDrawsWhatItLacksAsNormal) {
  const std::string path = ScratchPath("short.dat");
  std::vector<std::uint8_t> bytes(65536 + 3, 9);
  WriteFile(path, bytes);
  TBlendTable table;
  EXPECT_TRUE(table.LoadBlendTable(path).ok());
  std::filesystem::remove(path);
  EXPECT_EQ(table.Lookup(0, 255, 255), 9);
  EXPECT_EQ(table.Lookup(1, 0, 2), 9);
  EXPECT_EQ(table.Lookup(1, 0, 3), 3);
  EXPECT_EQ(table.Lookup(1, 200, 77), 77);
  EXPECT_EQ(table.Lookup(16, 255, 0), 0);
  EXPECT_EQ(table.Lookup(16, 0, 255), 255);
}

int allocations = 0;
std::unique_ptr<std::uint8_t[]> FailOnThird(std::size_t bytes) {
  if (++allocations == 3) return nullptr;
  return std::make_unique<std::uint8_t[]>(bytes);
}

TEST(BlendTable, FailedAllocationReportsPsdBlenderAndLeavesNoTable) {
  const std::string path = ScratchPath("bm.dat");
  WriteFile(path, std::vector<std::uint8_t>(kBlendFileSize, 1));
  TBlendTable table;
  allocations = 0;
  const Result<> loaded = table.LoadBlendTable(path, FailOnThird);
  std::filesystem::remove(path);
  ASSERT_FALSE(loaded.ok());
  EXPECT_EQ(loaded.error().message,
            "[ Memory Error ]\nメモリを確保できません. 処理を中断します.\nFunction: PSDBLENDER\nValue: 0\n"
            "DataSize: 65536 byte\n");
  EXPECT_FALSE(table.Loaded());
  for (int code = 0; code < kBlendModeCount; ++code) EXPECT_EQ(table.Table(code), nullptr);
}

}  // namespace
}  // namespace tintloom
