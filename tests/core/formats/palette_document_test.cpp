#include "core/document/palette_document_commands.h"
#include "core/formats/palette_document.h"

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "core/base/file_io.h"
#include "support/model_fixture.h"
#include "support/paths.h"

namespace tintloom {
namespace {

std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
float F32At(const std::vector<std::uint8_t>& b, std::size_t at) { return std::bit_cast<float>(U32At(b, at)); }
void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

class PaletteDocumentTest : public testing::ModelFixture {
 protected:
  void SetUp() override { model.ConstructScheme(); }
  std::vector<std::uint8_t> Saved() { return EncodePaletteDocument(CapturePaletteDocument(model)); }
  std::string path = testing::ScratchPath("palette.tlp");
  void TearDown() override { std::filesystem::remove(path); }
};

TEST_F(PaletteDocumentTest, DocumentAfterStartHoldsTheStartingScheme) {
  const std::vector<std::uint8_t> b = Saved();
  ASSERT_EQ(b.size(), kPaletteDocumentSize);
  EXPECT_EQ(std::vector<std::uint8_t>(b.begin(), b.begin() + 8),
            (std::vector<std::uint8_t>{0x54, 0x4C, 0x50, 0x4C, 0x02, 0x00, 0x00, 0x00}));
  EXPECT_EQ(U32At(b, 8), 7u);
  EXPECT_EQ(U32At(b, 12), 0x3FFu);
  EXPECT_EQ(U32At(b, 16), 10u);
  EXPECT_EQ(U32At(b, 20), 0xFFFFFFFFu);
  const float hues[10] = {0, 20, 40, 60, 80, 100, 140, 180, 220, 260};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(F32At(b, 24 + 4 * i), hues[i]) << i;
  const float arrays[4][5] = {{0, 20, 40, 60, 80}, {0.75f, 0.5f, 0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f, 0.5f, 0.5f}, {0, 0, 0, 0, 0}};
  for (int a = 0; a < 4; ++a) {
    for (int i = 0; i < 5; ++i) EXPECT_EQ(F32At(b, 64 + 20 * a + 4 * i), arrays[a][i]) << a << "," << i;
  }
  // Slot 3's shadow record: Param, Hsv, Mix, Rgb, Color, LitColor.
  const TShade& shadow = Shade(3, kShadow);
  const std::size_t at = 144 + 56 * (4 * 3 + 2);
  EXPECT_EQ(F32At(b, at + 4), shadow.Param.s());
  EXPECT_EQ(F32At(b, at + 12), shadow.Hsv.h());
  EXPECT_EQ(F32At(b, at + 24), shadow.Mix.r());
  EXPECT_EQ(F32At(b, at + 44), shadow.Rgb.b());
  EXPECT_EQ(U32At(b, at + 48), shadow.Color);
  EXPECT_EQ(U32At(b, at + 52), shadow.LitColor);
}

TEST_F(PaletteDocumentTest, SaveThenLoadRestoresTheWholeCoordination) {
  // A coordination unlike the start in every stored field.
  TScheme& s = Scheme();
  model.ChangeRule(0);
  s.analogousSpread = 25;
  s.slotHues[0] = 33.5f;
  s.slotHues[7] = 301.25f;
  s.customHueOffsets[3] = -12.5f;
  s.saturationWeights[0] = 0.6f;
  s.saturationWeights[2] = 0.125f;
  s.customWeightStash[4] = 0.9f;
  for (int i = 0; i < kSlotCount; ++i) {
    Shade(i, kHighlight).Param = TColorF(10.0f + i, 0.3f, 0.7f);
    Shade(i, kShadow).Param = TColorF(-20.0f - i, 0.6f, 0.5f);
    Shade(i, kDeepShadow).Param = TColorF(5.0f, 0.2f, 0.4f + 0.01f * i);
    Shade(i, kBase).Param.v() = 0.9f - 0.02f * i;
  }
  model.SetToneFilter(0x1F0u);
  model.Redraw(TCoordinationModel::kRedrawAll);
  const TPaletteDocument before = CapturePaletteDocument(model);
  SavePaletteDocument(model, path);
  ASSERT_TRUE(messages.shown.empty());

  // Everything changes...
  model.ConstructScheme();
  model.SetToneFilter(kNoToneFilter);
  for (int i = 0; i < kSlotCount; ++i) Shade(i, kDeepShadow).Param = TColorF(0, 0, 0.1f);
  model.Redraw(TCoordinationModel::kRedrawAll);
  ASSERT_NE(EncodePaletteDocument(CapturePaletteDocument(model)), EncodePaletteDocument(before));

  // ... and comes back whole: every scheme field, every shade.
  LoadPaletteDocument(model, path);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(EncodePaletteDocument(CapturePaletteDocument(model)), EncodePaletteDocument(before));
  EXPECT_EQ(Scheme().previousRule, -1);
  EXPECT_EQ(model.ToneFilter(), 0x1F0u);
  for (int i = 0; i < kSlotCount; ++i) {
    for (int j = 0; j < kShadeCount; ++j) {
      EXPECT_EQ(Shade(i, j).Color, before.colourSlots[static_cast<std::size_t>(i)].shades[static_cast<std::size_t>(j)].Color);
    }
  }
  // The ramps follow the restored colours.
  EXPECT_EQ(model.Ramp(7)[767], ToRgb24(Shade(7, kHighlight).LitColor));
}

TEST_F(PaletteDocumentTest, RefusedDocumentsSayWhyAndChangeNothing) {
  std::vector<std::uint8_t> good = Saved();
  struct Case {
    const char* what;
    std::size_t keep;        // bytes of the good document kept
    std::size_t at;          // byte changed...
    std::uint32_t value;     // ... to this int32 (for the version) or byte
    bool word;
    const char* message;
  };
  const Case cases[] = {
      {"version 1", kPaletteDocumentSize, 4, 1, true, kDocumentVersionMessage},
      {"version 3", kPaletteDocumentSize, 4, 3, true, kDocumentVersionMessage},
      {"fourth magic byte", kPaletteDocumentSize, 3, 'X', false, kDocumentDamagedMessage},
      {"NUL in the magic", kPaletteDocumentSize, 2, 0, false, kDocumentDamagedMessage},
      {"shorter than the magic", 3, 0, 'T', false, kDocumentDamagedMessage},
      {"no version", 6, 0, 'T', false, kDocumentVersionMessage},
      {"empty", 0, 0, 0, false, kDocumentDamagedMessage},
  };
  model.ChangeRule(3);
  const std::vector<std::uint8_t> state = Saved();
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(c.keep));
    if (c.keep > c.at) {
      if (c.word) {
        PutU32(bytes, c.at, c.value);
      } else {
        bytes[c.at] = static_cast<std::uint8_t>(c.value);
      }
    }
    WriteFile(path, bytes);
    messages.shown.clear();
    LoadPaletteDocument(model, path);
    ASSERT_EQ(messages.shown.size(), 1u) << c.what;
    EXPECT_EQ(messages.shown[0], c.message) << c.what;
    EXPECT_EQ(Saved(), state) << c.what;
    EXPECT_EQ(Scheme().previousRule, 3) << c.what;
  }
  messages.shown.clear();
  LoadPaletteDocument(model, testing::ScratchPath("no such file.tlp"));
  EXPECT_EQ(messages.shown, std::vector<std::string>{kFileAccessMessage});
}

// A cut-off or damaged document used to replace the palette with whatever it
// held (edits then showed 2147483647): it is refused whole instead.
TEST_F(PaletteDocumentTest, DamagedDocumentsAreRefusedWholeAndChangeNothing) {
  model.ChangeRule(3);
  const std::vector<std::uint8_t> good = Saved();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* what;
    std::size_t keep;  // bytes of the good document kept
    std::size_t at;    // a field changed (0: none)...
    std::uint32_t bits;  // ... to these bits
  };
  const std::size_t shade = 144 + 56 * (4 * 2 + 1);  // slot 2's base
  const Case cases[] = {
      {"10 bytes", 10, 0, 0},
      {"cut after the weights", 104, 0, 0},
      {"one byte short", kPaletteDocumentSize - 1, 0, 0},
      {"rule 8", kPaletteDocumentSize, 8, 8},
      {"rule -1", kPaletteDocumentSize, 8, 0xFFFFFFFFu},
      {"slot bits past slot 9", kPaletteDocumentSize, 12, 0x7FF},
      {"spread -1", kPaletteDocumentSize, 16, 0xFFFFFFFFu},
      {"spread INT_MAX", kPaletteDocumentSize, 16, 0x7FFFFFFF},
      {"hue NaN", kPaletteDocumentSize, 24 + 4 * 3, std::bit_cast<std::uint32_t>(nan)},
      {"hue offset infinite", kPaletteDocumentSize, 64 + 4 * 2, std::bit_cast<std::uint32_t>(-inf)},
      {"hue 1e30", kPaletteDocumentSize, shade, std::bit_cast<std::uint32_t>(1e30f)},
      {"weight 2", kPaletteDocumentSize, 84 + 4 * 2, std::bit_cast<std::uint32_t>(2.0f)},
      {"stash NaN", kPaletteDocumentSize, 104 + 4, std::bit_cast<std::uint32_t>(nan)},
      {"saturation -99 %", kPaletteDocumentSize, shade + 4, std::bit_cast<std::uint32_t>(-0.99f)},
      {"value -100 %", kPaletteDocumentSize, shade + 8, std::bit_cast<std::uint32_t>(-1.0f)},
      {"mixing channel 1.5", kPaletteDocumentSize, shade + 24, std::bit_cast<std::uint32_t>(1.5f)},
      {"colour with a high byte", kPaletteDocumentSize, shade + 48, 0x01000000u},
  };
  // The current state differs from `good` everywhere that matters.
  model.ChangeRule(5);
  Scheme().slotHues[0] = 123.0f;
  model.Redraw(TCoordinationModel::kRedrawAll);
  const std::vector<std::uint8_t> state = Saved();
  const auto expectRefused = [&](const std::vector<std::uint8_t>& bytes, const std::string& what) {
    WriteFile(path, bytes);
    messages.shown.clear();
    LoadPaletteDocument(model, path);
    EXPECT_EQ(messages.shown, std::vector<std::string>{kDocumentDamagedMessage}) << what;
    EXPECT_EQ(Saved(), state) << what;
    EXPECT_EQ(Scheme().previousRule, 5) << what;
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(c.keep));
    if (c.at != 0) PutU32(bytes, c.at, c.bits);
    expectRefused(bytes, c.what);
  }
  // A good header over random bytes.
  std::uint32_t seed = 12345;
  for (int round = 0; round < 20; ++round) {
    std::vector<std::uint8_t> bytes = good;
    for (std::size_t at = 8; at < bytes.size(); ++at) {
      seed = seed * 1664525u + 1013904223u;
      bytes[at] = static_cast<std::uint8_t>(seed >> 24);
    }
    expectRefused(bytes, "random body " + std::to_string(round));
  }
}

// Whatever the user does, what the program saves opens again, unchanged.
TEST_F(PaletteDocumentTest, EveryDocumentTheProgramWritesOpensAgain) {
  const TColor picks[] = {0x000000, 0xFFFFFF, 0x0000FF, 0xFF00FF, 0x10E0F0, 0x808080};
  int round = 0;
  for (int rule = 0; rule < kRuleCount; ++rule) {
    model.ChangeRule(rule);
    Scheme().analogousSpread = rule == 0 ? 180 : 90;
    Scheme().slotHues[0] = rule % 2 ? 359.9f : -170.0f;
    for (int slot = 0; slot < kSlotCount; ++slot) {
      model.SelectSlot(slot);
      for (int shade = 0; shade < kShadeCount; ++shade) {
        model.PickScreenColour(shade, picks[static_cast<std::size_t>(round++) % std::size(picks)]);
      }
    }
    // Toggled from "no filter", the filter keeps its high bits.
    model.SetToneFilter(rule == 3 ? kNoToneFilter ^ 0x4u : kNoToneFilter);
    model.SetLightBalanceEnabled(rule % 2 == 1);
    model.Redraw(TCoordinationModel::kRedrawAll);
    const std::vector<std::uint8_t> written = Saved();
    TPaletteDocument read;
    const Result<> decoded = DecodePaletteDocument(written, read);
    ASSERT_TRUE(decoded.ok()) << "rule " << rule << ": " << decoded.error().message;
    EXPECT_EQ(EncodePaletteDocument(read), written) << rule;
  }
}

TEST_F(PaletteDocumentTest, SavingReplacesTheFileWholeAndKeepsLinksAndPermissions) {
  namespace fs = std::filesystem;
  SavePaletteDocument(model, testing::ScratchPath("missing folder") + "/palette.tlp");
  EXPECT_EQ(messages.shown, std::vector<std::string>{kFileAccessMessage});

  // An existing file is replaced whole, keeps its permission bits, and a
  // link to it stays a link; no temporary file is left beside it.
  WriteFile(path, std::vector<std::uint8_t>(5000, 'x'));
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  const std::string link = path + ".link.tlp";
  fs::create_symlink(path, link);
  SavePaletteDocument(model, link);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::file_size(path), kPaletteDocumentSize);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path())) {
    EXPECT_EQ(entry.path().filename().string().find(fs::path(path).filename().string() + ".tmp-"), std::string::npos);
  }
  fs::remove(link);
}

// Every input the fuzzer kept goes through the reader into a live model.
TEST_F(PaletteDocumentTest, FuzzCorpusLoadsOrIsRefused) {
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(TINTLOOM_FUZZ_CORPUS "/palette_document_fuzz")) {
    Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(entry.path().string(), 1 << 20);
    ASSERT_TRUE(bytes.ok()) << entry.path();
    (void)ReadPaletteDocumentInto(model, *bytes);
    model.Redraw(TCoordinationModel::kRedrawAll);
    ++inputs;
  }
  EXPECT_GT(inputs, 0);
}

}  // namespace
}  // namespace tintloom
