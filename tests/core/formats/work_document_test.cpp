// The work document: an evening's mapping must come back exactly, a changed
// artwork must keep what can be kept, and a bad file must change nothing.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <string>

#include "core/base/data_files.h"
#include "core/base/file_io.h"
#include "core/document/palette_document_commands.h"
#include "core/document/work_document_commands.h"
#include "core/formats/json_text.h"
#include "core/formats/palette_document.h"
#include "core/document/save_as.h"
#include "core/formats/work_document.h"
#include "core/document/coordination_model.h"
#include "support/paths.h"
#include "support/recording.h"

namespace tintloom {
namespace {

namespace fs = std::filesystem;
using testing::ScratchPath;

std::string Sample(const char* name) { return (fs::path(TINTLOOM_PSD_SAMPLES) / name).string(); }

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string Text(const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(path, 1 << 20).value();
  return {bytes.begin(), bytes.end()};
}

struct TModelUnderTest {
  testing::TRecordingViews views;
  testing::TRecordingMessages messages;
  TCoordinationModel model{views, messages};
  TModelUnderTest() {
    model.ConstructScheme();
    model.Redraw(TCoordinationModel::kRedrawAll);
  }
  std::vector<std::uint8_t> Palette() const { return EncodePaletteDocument(CapturePaletteDocument(model)); }
};

class WorkDocument : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(TINTLOOM_PSD_SAMPLES)) GTEST_SKIP() << "no sample folder";
    (void)GlobalBlendTable().LoadBlendTable(LocateDataFile(kBlendFileName, testing::ProgramDir()));
    folder = ScratchPath("work");
    fs::create_directories(folder / "art");
  }
  void TearDown() override { fs::remove_all(folder); }

  // A coordination and layer settings no fresh start would give.
  static void DoAnEveningsWork(TCoordinationModel& model) {
    model.ChangeRule(3);
    model.SetToneFilter(0x5u);
    for (int i = 0; i < model.LayerCount(); ++i) {
      TLayerMapping& mapping = model.LayerMapping(i);
      mapping.MappedSlot = static_cast<std::int16_t>((i + 1) % kRampCount);
      mapping.BaseLevel = static_cast<std::uint8_t>(200 - i);
      mapping.ShadowLevel = static_cast<std::uint8_t>(30 + i);
      model.RestoreLayerBlendMode(i, i % 4 - 1);
      model.BuildLayerLookup(i);
    }
    model.SetLayersHidden({1}, true);
    model.ComposeCanvas();
  }

  fs::path folder;
};

TEST_F(WorkDocument, SavedWorkComesBackWholeFromAnotherStartAndTheTlpIsUnchanged) {
  const fs::path artwork = folder / "art" / "picture.psd";
  fs::copy_file(Sample("pt_clipping-mask.psd"), artwork);
  TModelUnderTest first;
  first.model.OpenSampleArtwork(artwork.string());
  ASSERT_GT(first.model.LayerCount(), 2);
  DoAnEveningsWork(first.model);
  const std::string work = (folder / "evening.tlw").string();
  SaveOrExport(first.model, work);
  ASSERT_TRUE(first.messages.shown.empty());

  // Stored relative to the work file, so the folder can move as a whole.
  const fs::path moved = ScratchPath("moved");
  fs::rename(folder, moved);
  folder = moved;
  const std::string text = Text((moved / "evening.tlw").string());
  EXPECT_NE(text.find("\"artwork\": \"art/picture.psd\""), std::string::npos) << text;

  TModelUnderTest second;
  LoadWorkDocument(second.model, (moved / "evening.tlw").string());
  ASSERT_TRUE(second.messages.shown.empty()) << second.messages.shown.front();
  EXPECT_EQ(second.Palette(), first.Palette());
  ASSERT_EQ(second.model.LayerCount(), first.model.LayerCount());
  for (int i = 0; i < first.model.LayerCount(); ++i) {
    EXPECT_EQ(second.model.LayerMapping(i).MappedSlot, first.model.LayerMapping(i).MappedSlot);
    EXPECT_EQ(second.model.LayerMapping(i).BaseLevel, first.model.LayerMapping(i).BaseLevel);
    EXPECT_EQ(second.model.LayerMapping(i).ShadowLevel, first.model.LayerMapping(i).ShadowLevel);
    EXPECT_EQ(second.model.LayerBlendMode(i), first.model.LayerBlendMode(i));
    EXPECT_EQ(second.model.LayerHidden(i), i == 1);
  }
  EXPECT_EQ(second.model.Canvas().bitmap, first.model.Canvas().bitmap);
  EXPECT_EQ(second.model.Artwork().PickSurface().bitmap, first.model.Artwork().PickSurface().bitmap);

  // The palette document written beside it is the 2384 bytes it always was.
  const std::string tlp = (moved / "p.tlp").string();
  SaveOrExport(second.model, tlp);
  EXPECT_EQ(ReadWholeFile(tlp, 1 << 20).value(), first.Palette());
}

TEST_F(WorkDocument, ArtworkOutsideTheWorkFoldersIsStoredAbsolute) {
  EXPECT_EQ(StoredArtworkPath("/a/b/pic.psd", "/a/b/w.tlw"), "pic.psd");
  EXPECT_EQ(StoredArtworkPath("/a/b/c/pic.psd", "/a/b/w.tlw"), "c/pic.psd");
  EXPECT_EQ(StoredArtworkPath("/a/pic.psd", "/a/b/w.tlw"), "/a/pic.psd");
  EXPECT_EQ(StoredArtworkPath("/x/pic.psd", "/a/b/w.tlw"), "/x/pic.psd");
  EXPECT_EQ(ResolveArtworkPath("c/pic.psd", "/a/b/w.tlw"), "/a/b/c/pic.psd");
  EXPECT_EQ(ResolveArtworkPath("/x/pic.psd", "/a/b/w.tlw"), "/x/pic.psd");
}

TEST_F(WorkDocument, AChangedArtworkIsMatchedByNameThenPositionAndTheRestCounted) {
  const auto saved = [](std::vector<std::optional<std::string>> names) {
    std::vector<TWorkLayer> layers;
    for (std::size_t i = 0; i < names.size(); ++i) {
      TWorkLayer layer;
      layer.position = static_cast<std::int32_t>(i);
      layer.name = names[i];
      layers.push_back(layer);
    }
    return layers;
  };
  // Reordered: each follows its name.
  TLayerMatch m = MatchLayers(saved({"skin", "hair", "eyes"}), {"eyes", "skin", "hair"});
  EXPECT_EQ(m.savedFor, (std::vector<int>{2, 0, 1}));
  EXPECT_EQ(m.unmatchedLayers, 0);
  // Renamed in place: taken by position; a layer added on top stays unmapped.
  m = MatchLayers(saved({"skin", "hair"}), {"skin", "hair2", "new"});
  EXPECT_EQ(m.savedFor, (std::vector<int>{0, 1, -1}));
  EXPECT_EQ(m.unmatchedLayers, 1);
  // Removed: the setting finds no layer and is counted.
  m = MatchLayers(saved({"skin", "hair", "eyes"}), {"skin", "eyes"});
  EXPECT_EQ(m.savedFor, (std::vector<int>{0, 2}));
  EXPECT_EQ(m.unusedSettings, 1);
  // Two layers of one name keep their own settings by position.
  m = MatchLayers(saved({"line", "fill", "line", std::nullopt}), {"line", "fill", "line", std::nullopt});
  EXPECT_EQ(m.savedFor, (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(WorkDocument, ReopenedOnAnArtworkWithALayerMoreOneMessageCountsIt) {
  const fs::path artwork = folder / "pic.psd";
  fs::copy_file(Sample("pt_hidden-layer.psd"), artwork);
  TModelUnderTest first;
  first.model.OpenSampleArtwork(artwork.string());
  DoAnEveningsWork(first.model);
  const std::string work = (folder / "w.tlw").string();
  SaveWorkDocument(first.model, work);
  // The same artwork with its layer list edited in the file: one layer less.
  Result<TWorkDocument> document = DecodeWorkDocument(ReadWholeFile(work, 1 << 20).value());
  ASSERT_TRUE(document.ok());
  ASSERT_EQ(document->layers.size(), 2u);
  document->layers.pop_back();
  const std::string text = EncodeWorkDocument(*document);
  ASSERT_TRUE(ReplaceFileContents(work, Bytes(text)).ok());

  TModelUnderTest second;
  LoadWorkDocument(second.model, work);
  ASSERT_EQ(second.messages.shown.size(), 1u);
  EXPECT_NE(second.messages.shown[0].find("1枚"), std::string::npos) << second.messages.shown[0];
  EXPECT_EQ(second.model.LayerMapping(0).MappedSlot, first.model.LayerMapping(0).MappedSlot);
  EXPECT_EQ(second.model.LayerMapping(1).MappedSlot, kGreyRamp);
  // The restored settings are where the history starts, and the work counts
  // as saved: an undo takes back the opened palette, never the mapping.
  EXPECT_FALSE(second.model.Unsaved());
  second.model.Undo();
  EXPECT_EQ(second.model.LayerMapping(0).MappedSlot, first.model.LayerMapping(0).MappedSlot);
}

TEST_F(WorkDocument, AMissingArtworkIsNamedAndTheCoordinationStillRestored) {
  TModelUnderTest first;
  first.model.OpenSampleArtwork(Sample("pt_hidden-layer.psd"));
  DoAnEveningsWork(first.model);
  const std::string work = (folder / "w.tlw").string();
  SaveWorkDocument(first.model, work);

  TModelUnderTest second;
  second.model.OpenSampleArtwork(Sample("pt_mask.psd"));
  const std::string text = Text(work);
  const std::string gone = (folder / "gone.psd").string();
  std::string edited = text;
  const std::size_t at = edited.find(Sample("pt_hidden-layer.psd"));
  ASSERT_NE(at, std::string::npos);
  edited.replace(at, Sample("pt_hidden-layer.psd").size(), gone);
  ASSERT_TRUE(ReplaceFileContents(work, Bytes(edited)).ok());
  LoadWorkDocument(second.model, work);
  ASSERT_EQ(second.messages.shown.size(), 1u);
  EXPECT_NE(second.messages.shown[0].find(gone), std::string::npos);
  EXPECT_EQ(second.Palette(), first.Palette());
  EXPECT_EQ(second.model.Artwork().Path(), Sample("pt_mask.psd"));  // the shown artwork stays
}

// Quitting asks about the work only when it differs from what was saved or
// opened: layer work counts (slot, levels, blend mode, eye), undoing back
// clears it, and the document kind says what it holds.
TEST_F(WorkDocument, LayerWorkIsUnsavedUntilAWorkDocumentHoldsItAndTheCaptionNamesTheFile) {
  TModelUnderTest m;
  TCoordinationModel& model = m.model;
  ASSERT_TRUE(model.OpenSampleArtwork(Sample("pt_hidden-layer.psd")));
  EXPECT_FALSE(model.Unsaved()) << "fresh artwork holds nothing to save";
  EXPECT_EQ(m.views.title, "Tintloom");
  model.SelectLayer(0);
  const struct {
    const char* what;
    std::function<void()> edit;
  } edits[] = {
      {"slot", [&] { model.SelectSlot(4); }},
      {"levels", [&] { model.SetLayerBaseLevel(201); }},
      {"blend mode", [&] { model.SetLayerBlendMode(3); }},
      {"eye", [&] { model.SetLayersHidden({0}, true); }},
  };
  for (const auto& e : edits) {
    SCOPED_TRACE(e.what);
    e.edit();
    EXPECT_TRUE(model.Unsaved());
    EXPECT_TRUE(model.LayersUnsaved());
    EXPECT_EQ(m.views.title, "*Tintloom");
    ASSERT_TRUE(model.Undo());
    EXPECT_FALSE(model.Unsaved()) << "undone back to the opened state";
  }

  // A palette document keeps the palette alone: the layer work stays unsaved
  // and saving under that name would not keep it.
  model.SelectSlot(5);
  model.ChangeRule(2);
  const std::string palette = (folder / "evening.tlp").string();
  ASSERT_TRUE(SavePaletteDocument(model, palette));
  EXPECT_FALSE(model.PaletteUnsaved());
  EXPECT_TRUE(model.Unsaved());
  EXPECT_FALSE(model.DocumentHoldsWork());
  EXPECT_EQ(m.views.title, "*evening.tlp \u2014 Tintloom");
  EXPECT_STREQ(WorkDocumentExtension(model), ".tlw");

  const std::string work = (folder / "evening.tlw").string();
  ASSERT_TRUE(SaveDocument(model, work));
  EXPECT_FALSE(model.Unsaved());
  EXPECT_TRUE(model.DocumentHoldsWork());
  EXPECT_EQ(m.views.title, "evening.tlw \u2014 Tintloom");
  model.SetLayerShadowLevel(12);
  EXPECT_EQ(m.views.title, "*evening.tlw \u2014 Tintloom");
  model.Undo();
  EXPECT_EQ(m.views.title, "evening.tlw \u2014 Tintloom");

  // Reopened elsewhere it counts as saved; other artwork opened over it is
  // unsaved work that its name cannot take without losing the first artwork.
  TModelUnderTest other;
  LoadWorkDocument(other.model, work);
  EXPECT_FALSE(other.model.Unsaved());
  EXPECT_EQ(other.model.DocumentKind(), TDocumentKind::Work);
  EXPECT_EQ(other.views.title, "evening.tlw \u2014 Tintloom");
  ASSERT_TRUE(other.model.OpenSampleArtwork(Sample("pt_mask.psd")));
  EXPECT_TRUE(other.model.Unsaved());
  EXPECT_FALSE(other.model.DocumentHoldsWork());

  // Neither an export nor a name of another kind counts as saving the work.
  const std::string aco = (folder / "evening.aco").string();
  EXPECT_FALSE(SaveDocument(other.model, aco));
  EXPECT_FALSE(fs::exists(aco));
  EXPECT_EQ(other.messages.shown.size(), 1u);
  SaveOrExport(other.model, aco);
  EXPECT_TRUE(other.model.Unsaved());
  // A work document whose artwork is missing is not written over as it is:
  // that would lose the artwork's name and its layers' settings.
  std::string text = Text(work);
  const std::size_t at = text.find("pt_hidden-layer.psd");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 3, "gone");
  ASSERT_TRUE(ReplaceFileContents(work, Bytes(text)).ok());
  TModelUnderTest third;
  LoadWorkDocument(third.model, work);
  EXPECT_EQ(third.model.DocumentKind(), TDocumentKind::Work);
  EXPECT_FALSE(third.model.DocumentHoldsWork());
}

TEST_F(WorkDocument, DamagedOrForeignFilesAreRefusedAndChangeNothing) {
  TModelUnderTest first;
  first.model.OpenSampleArtwork(Sample("pt_hidden-layer.psd"));
  DoAnEveningsWork(first.model);
  const std::string good = EncodeWorkDocument(CaptureWorkDocument(first.model, (folder / "w.tlw").string()));
  ASSERT_TRUE(DecodeWorkDocument(Bytes(good)).ok());
  const auto with = [&good](const std::string& from, const std::string& to) {
    std::string s = good;
    const std::size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return s.replace(at, from.size(), to);
  };
  const std::vector<std::uint8_t> tlp = first.Palette();
  const struct {
    std::string bytes;
    const char* message;
  } cases[] = {
      {good.substr(0, good.size() / 2), kDocumentDamagedMessage},
      {std::string(tlp.begin(), tlp.end()), kDocumentDamagedMessage},
      {"{\"format\": \"other\", \"version\": 1}", kDocumentDamagedMessage},
      {with("\"version\": 1", "\"version\": 2"), kDocumentVersionMessage},
      {with("\"version\": 1", "\"version\": 0.5"), kDocumentDamagedMessage},
      {with("\"palette\": \"544c504c", "\"palette\": \"544c504c00"), kDocumentDamagedMessage},
      {with("\"palette\": \"544c504c02", "\"palette\": \"544c504c03"), kDocumentVersionMessage},
      {with("\"slot\": 1,", "\"slot\": 13,"), kDocumentDamagedMessage},
      {with("\"base\": 200,", "\"base\": 256,"), kDocumentDamagedMessage},
      {with("\"blend\": -1}", "\"blend\": 17}"), kDocumentDamagedMessage},
      {with("\"position\": 0,", "\"position\": -1,"), kDocumentDamagedMessage},
      {with("\"layers\": [", "\"layers\": [[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[["),
       kDocumentDamagedMessage},
      {good + "x", kDocumentDamagedMessage},
  };
  TModelUnderTest other;
  other.model.OpenSampleArtwork(Sample("pt_mask.psd"));
  other.model.LayerMapping(0).MappedSlot = 4;
  const std::vector<std::uint8_t> palette = other.Palette();
  const std::vector<std::uint8_t> canvas = other.model.Canvas().bitmap;
  for (const auto& c : cases) {
    const std::string path = (folder / "bad.tlw").string();
    ASSERT_TRUE(ReplaceFileContents(path, Bytes(c.bytes)).ok());
    other.messages.shown.clear();
    LoadWorkDocument(other.model, path);
    ASSERT_EQ(other.messages.shown.size(), 1u) << c.bytes.substr(0, 80);
    // The message names the file.
    EXPECT_EQ(other.messages.shown[0], c.message + ("\n->" + path)) << c.bytes.substr(0, 80);
    EXPECT_EQ(other.Palette(), palette);
    EXPECT_EQ(other.model.LayerMapping(0).MappedSlot, 4);
    EXPECT_EQ(other.model.Artwork().Path(), Sample("pt_mask.psd"));
    EXPECT_EQ(other.model.Canvas().bitmap, canvas);
  }
  // Too large to be one of ours: said so, not that the file cannot be read.
  const std::string large = (folder / "large.tlw").string();
  ASSERT_TRUE(ReplaceFileContents(large, Bytes(good)).ok());
  std::filesystem::resize_file(large, kMaxWorkDocumentBytes + 1);
  other.messages.shown.clear();
  LoadWorkDocument(other.model, large);
  EXPECT_EQ(other.messages.shown, std::vector<std::string>{"ファイルが大きすぎます(作業ファイルは64MBまでです)\n->" + large});
  EXPECT_EQ(other.Palette(), palette);
  std::filesystem::remove(large);
}

TEST(WorkDocumentText, HalfAMillionTinyValuesAreRefusedBeforeTheyTakeGigabytes) {
  std::string many = "[";
  for (int i = 0; i < 500'000; ++i) many += "0,";
  EXPECT_FALSE(ParseJson(Bytes(many + "0]")).has_value());
}

TEST_F(WorkDocument, LayerNamesOfAnyBytesComeBackExactly) {
  std::string name;
  for (int b = 1; b < 256; ++b) name += static_cast<char>(b);
  std::string quoted = "[";
  quoted += JsonQuote(name);
  quoted += ']';
  const std::optional<TJsonValue> back = ParseJson(Bytes(quoted));
  ASSERT_TRUE(back.has_value());
  ASSERT_EQ(back->items.size(), 1u);
  EXPECT_EQ(back->items[0].text, name);
}

}  // namespace
}  // namespace tintloom
