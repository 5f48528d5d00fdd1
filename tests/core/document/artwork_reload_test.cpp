// The open artwork read again after the painting program saved its file:
// which settings go to which layer, and what the model keeps around the swap.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/base/progress_sink.h"
#include "core/document/artwork_reading.h"
#include "core/document/coordination_model.h"
#include "core/document/layer_carry_over.h"
#include "support/model_fixture.h"
#include "support/named_layers_psd.h"
#include "support/paths.h"

namespace tintloom {
namespace {

using testing::NamedLayersPsd;
using testing::TNamedLayer;

TLayerSettings Settings(int position, const char* name, std::int16_t slot) {
  TLayerSettings s;
  s.layer.position = position;
  s.layer.name = std::string(name);
  s.layer.slot = slot;
  s.shownName = name;
  return s;
}

std::vector<std::optional<std::string>> Names(std::initializer_list<const char*> names) {
  std::vector<std::optional<std::string>> out;
  for (const char* n : names) out.emplace_back(n);
  return out;
}

int SlotOf(const TCarryOver& carry, std::size_t i) {
  return carry.settings[i] ? carry.settings[i]->layer.slot : -1;
}

TEST(LayerCarryOver, SettingsGoByNameThenPositionAndVanishedOnesWaitForTheirName) {
  const std::vector<TLayerSettings> shown = {Settings(0, "paper", 1), Settings(1, "skin", 2), Settings(2, "hair", 3)};

  // Reordered, one added on top: every name finds its settings.
  TCarryOver moved = CarryOverLayers(shown, {}, Names({"skin", "paper", "hair", "eyes"}));
  EXPECT_EQ(moved.from, (std::vector<int>{1, 0, 2, -1}));
  EXPECT_EQ(SlotOf(moved, 0), 2);
  EXPECT_EQ(SlotOf(moved, 3), -1);  // new: the opening defaults
  EXPECT_TRUE(moved.vanished.empty());

  // Renamed in place: the position carries it.
  TCarryOver renamed = CarryOverLayers(shown, {}, Names({"paper", "face", "hair"}));
  EXPECT_EQ(renamed.from, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(*renamed.settings[1]->layer.name, "face");

  // Removed: named, and set aside for a later save.
  TCarryOver removed = CarryOverLayers(shown, {}, Names({"paper", "hair"}));
  EXPECT_EQ(removed.from, (std::vector<int>{0, 2}));
  EXPECT_EQ(removed.vanished, (std::vector<int>{1}));
  ASSERT_EQ(removed.setAside.size(), 1u);
  EXPECT_EQ(removed.setAside[0].shownName, "skin");

  // Back in the save after that, elsewhere: its own settings again.
  std::vector<TLayerSettings> later = {Settings(0, "paper", 1), Settings(1, "hair", 3)};
  TCarryOver back = CarryOverLayers(later, removed.setAside, Names({"paper", "hair", "skin"}));
  EXPECT_EQ(back.from, (std::vector<int>{0, 1, -1}));
  EXPECT_EQ(SlotOf(back, 2), 2);
  EXPECT_TRUE(back.setAside.empty());

  // A layer shown wins over settings set aside under its name; a layer
  // without a name is never set aside.
  std::vector<TLayerSettings> withSkin = {Settings(0, "skin", 7)};
  TLayerSettings unnamed = Settings(1, "", 5);
  unnamed.layer.name.reset();
  withSkin.push_back(unnamed);
  TCarryOver both = CarryOverLayers(withSkin, removed.setAside, Names({"skin"}));
  EXPECT_EQ(SlotOf(both, 0), 7);
  EXPECT_EQ(both.vanished, (std::vector<int>{1}));
  ASSERT_EQ(both.setAside.size(), 1u);  // the old "skin" still waits; the unnamed one is not kept
  EXPECT_EQ(both.setAside[0].layer.slot, 2);
}

class ReloadArtwork : public testing::ModelFixture {
 protected:
  std::string path = testing::ScratchPath("art.psd");
  void TearDown() override { std::filesystem::remove(path); }

  void Write(const std::vector<TNamedLayer>& layers) {
    const std::vector<std::uint8_t> bytes = NamedLayersPsd(layers);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
  }
  std::optional<TArtworkReloaded> Reload() {
    TSilentProgress progress;
    Result<TPSD> read = ReadArtworkForCanvas(path, progress, messages);
    EXPECT_TRUE(read.ok());
    if (!read) return std::nullopt;
    return model.ReloadArtwork(std::move(read).value());
  }
  int LayerNamed(const std::string& name) {
    for (int i = 0; i < model.LayerCount(); ++i) {
      if (model.Artwork().Document().Simples[static_cast<std::size_t>(i)].Name == name) return i;
    }
    return -1;
  }
};

TEST_F(ReloadArtwork, EveryLayerKeepsItsSettingsTheSelectionAndTheHistoryAndNothingIsAnEdit) {
  Write({{"paper", 200}, {"skin", 150}, {"hair", 60, "mul "}});
  ASSERT_TRUE(model.OpenSampleArtwork(path));
  model.SelectLayer(1);  // skin
  model.SetLayerBaseLevel(140);
  model.SelectSlot(4);
  model.SelectLayer(2);  // hair: a slot and the blend mode the file gave
  model.SelectSlot(3);
  model.SelectLayers({0, 1});  // paper and skin, hidden
  model.SetLayersHidden({0}, true);
  model.SetLayerBlendMode(5);
  // Saved as a work document: the layers as they are now are the saved ones.
  model.MarkSaved(TDocumentKind::Work, testing::ScratchPath("evening.tlw"), model.Artwork().Path());
  ASSERT_FALSE(model.Unsaved());
  const std::size_t steps = model.History().UndoSteps();

  // Saved in the painting program: hair moved under a new line layer and
  // set to screen there; skin renamed in place.
  Write({{"paper", 200}, {"face", 150}, {"line", 0}, {"hair", 60, "scrn"}});
  const std::optional<TArtworkReloaded> reloaded = Reload();
  ASSERT_TRUE(reloaded);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(reloaded->added, 1);
  EXPECT_TRUE(reloaded->vanished.empty());
  ASSERT_EQ(model.LayerCount(), 4);

  const int paper = LayerNamed("paper"), face = LayerNamed("face"), line = LayerNamed("line"), hair = LayerNamed("hair");
  EXPECT_TRUE(model.LayerHidden(paper));
  EXPECT_EQ(model.LayerBlendMode(paper), 5);  // chosen here: it stays
  EXPECT_EQ(model.LayerMapping(face).MappedSlot, 4);
  EXPECT_EQ(model.LayerMapping(face).BaseLevel, 140);
  EXPECT_EQ(model.LayerBlendMode(face), 5);
  EXPECT_EQ(model.LayerMapping(hair).MappedSlot, 3);
  EXPECT_EQ(model.LayerBlendMode(hair), BlendCodeFromKey("scrn"));  // the file's own: it follows the file
  EXPECT_EQ(model.LayerMapping(line).MappedSlot, kGreyRamp);
  EXPECT_TRUE(model.Artwork().Fresh(line));
  EXPECT_FALSE(model.Artwork().Fresh(hair));
  EXPECT_EQ(model.SelectedLayers(), (std::vector<int>{paper, face}));

  // No step, no change of the unsaved mark; the earlier steps still undo
  // on the layers that remain.
  EXPECT_EQ(model.History().UndoSteps(), steps);
  EXPECT_FALSE(model.Unsaved());
  ASSERT_TRUE(model.Undo());  // the blend mode
  EXPECT_EQ(model.LayerBlendMode(face), kBlendNormal);
  ASSERT_TRUE(model.Undo());  // paper hidden
  EXPECT_FALSE(model.LayerHidden(paper));
  ASSERT_TRUE(model.Undo());  // hair's slot
  EXPECT_EQ(model.LayerMapping(hair).MappedSlot, kGreyRamp);
  EXPECT_EQ(model.LayerBlendMode(hair), BlendCodeFromKey("scrn"));

  // Picking the new layer takes its mark off.
  model.SelectLayer(line);
  EXPECT_FALSE(model.Artwork().Fresh(line));
}

TEST_F(ReloadArtwork, AVanishedLayerIsNamedOnceAndGetsItsSettingsBackWhenItReturns) {
  Write({{"paper", 200}, {"skin", 150}, {"hair", 60}});
  ASSERT_TRUE(model.OpenSampleArtwork(path));
  model.SelectLayer(1);
  model.SelectSlot(6);
  model.SetLayerShadowLevel(20);

  Write({{"paper", 200}, {"hair", 60}});
  std::optional<TArtworkReloaded> reloaded = Reload();
  ASSERT_TRUE(reloaded);
  EXPECT_EQ(reloaded->vanished, (std::vector<std::string>{"skin"}));
  EXPECT_EQ(model.SelectedLayers(), std::vector<int>{});
  EXPECT_EQ(model.Artwork().SetAside().size(), 1u);

  // Saved again without it: nothing more to say.
  reloaded = Reload();
  ASSERT_TRUE(reloaded);
  EXPECT_TRUE(reloaded->vanished.empty());

  Write({{"paper", 200}, {"hair", 60}, {"skin", 150}});
  reloaded = Reload();
  ASSERT_TRUE(reloaded);
  EXPECT_EQ(reloaded->returned, 1);
  EXPECT_EQ(reloaded->added, 0);
  const int skin = LayerNamed("skin");
  EXPECT_EQ(model.LayerMapping(skin).MappedSlot, 6);
  EXPECT_EQ(model.LayerMapping(skin).ShadowLevel, 20);
  EXPECT_TRUE(model.Artwork().SetAside().empty());

  // Opening the file anew forgets what was set aside and starts fresh.
  Write({{"paper", 200}, {"hair", 60}});
  ASSERT_TRUE(Reload());
  ASSERT_TRUE(model.OpenSampleArtwork(path));
  EXPECT_TRUE(model.Artwork().SetAside().empty());
}

TEST_F(ReloadArtwork, NothingHappensWithoutArtworkOrWhileBusy) {
  Write({{"paper", 200}});
  TSilentProgress progress;
  Result<TPSD> read = ReadArtworkForCanvas(path, progress, messages);
  ASSERT_TRUE(read.ok());
  EXPECT_FALSE(model.ReloadArtwork(std::move(read).value()));
  EXPECT_EQ(model.LayerCount(), 0);
}

}  // namespace
}  // namespace tintloom
