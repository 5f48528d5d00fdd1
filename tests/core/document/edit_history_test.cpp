// Undo and redo through the model: every kind of edit comes back exactly, a
// drag is one step, the bound holds, new artwork leaves only the palette's
// steps, and the caption's unsaved mark follows the saved palette.

#include "core/document/edit_history.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/document/palette_document_commands.h"
#include "core/document/swatch_commands.h"
#include "core/formats/palette_document.h"
#include "core/formats/swatch_file.h"
#include "core/document/picker_input.h"
#include "support/artwork.h"
#include "support/model_fixture.h"
#include "support/paths.h"

namespace tintloom {
namespace {

// A started model with two working layers, the top one mapped to slot 0 and
// selected, so that palette and layer edits alike show on the canvas.
class HistoryTest : public testing::ModelFixture {
 protected:
  void SetUp() override {
    // Tone 1 everywhere, tone 2 in the darker half: a filter can move colours.
    std::vector<std::uint8_t> tones(kToneDataSize, 1);
    for (int h = 0; h < 360; ++h) {
      for (int s = 0; s <= 100; ++s) {
        for (int v = 0; v < 50; ++v) tones[ToneCellIndex(h, s, v)] = 2;
      }
    }
    model.toneData.Assign(std::move(tones));
    model.ConstructScheme();
    testing::LoadLayers(model, 40, 30,
                        {testing::SolidLayer(0, 0, 40, 30, 90, 255), testing::SolidLayer(5, 5, 20, 20, 200, 255)});
    model.SelectLayer(1);
    model.SelectSlot(0);
    model.ComposeCanvas();
  }

  std::vector<std::uint8_t> Canvas() const { return model.Canvas().bitmap; }
};

TEST_F(HistoryTest, EveryKindOfEditIsOneStepUndoneAndRedoneExactly) {
  TPaletteDocument opened = CapturePaletteDocument(model);
  opened.scheme.ruleIndex = 3;
  opened.colourSlots[6].shades[kShadow].Param = TColorF(40, 0.2f, 0.3f);
  const std::vector<std::uint8_t> documentBytes = EncodePaletteDocument(opened);
  model.selectedSlot = 8;
  const std::string swatch = SwatchLine(model);
  model.selectedSlot = 0;

  struct TEdit {
    const char* name;
    std::function<void(TCoordinationModel&)> apply;
  };
  const auto atSlot = [](int slot, std::function<void(TCoordinationModel&)> edit) {
    return [slot, edit](TCoordinationModel& m) {
      m.selectedSlot = slot;  // the selection alone, as a window sets it
      edit(m);
    };
  };
  const std::vector<TEdit> edits = {
      {"harmony rule", [](TCoordinationModel& m) { m.ChangeRule(4); }},
      {"free slot's saturation on the wheel", atSlot(7, [](TCoordinationModel& m) {
         m.SlotAt(7).shades[kBase].Param.s() = 0.9f;
         m.Redraw(TCoordinationModel::kRedrawSelected);
       })},
      {"picker slider of a mixing colour", atSlot(2, [](TCoordinationModel& m) {
         m.selectedShade = kShadow;
         ApplySliderFraction(m, kValueSlider, 0.25f);
         m.Redraw(TCoordinationModel::kRedrawSelected);
       })},
      {"tone filter", [](TCoordinationModel& m) { m.SetToneFilter(1u << 2); }},
      {"tone cell", [](TCoordinationModel& m) { m.ApplyToneToSelectedSlot(4); }},
      {"screen pick into the base", [](TCoordinationModel& m) { m.PickScreenColour(kBase, 0x20A040); }},
      {"swatch", atSlot(3, [&swatch](TCoordinationModel& m) { ApplySwatchLine(m, swatch); })},
      {"background", [](TCoordinationModel& m) { m.SetBackgroundMode(BackgroundMode::Grey); }},
      {"light balance on", [](TCoordinationModel& m) { m.SetLightBalanceEnabled(true); }},
      {"light colours while the balance is off",
       [](TCoordinationModel& m) { m.SetLightColors(TColorF(30, 0.5f, 0.8f), TColorF(200, 0.2f, 1.0f)); }},
      {"shade settings ignored while the balance is off",
       [](TCoordinationModel& m) { m.SetIgnoreShadeSettings(true); }},
      {"layer mapped to a slot", [](TCoordinationModel& m) { m.SelectSlot(5); }},
      {"layer mapped to black", [](TCoordinationModel& m) { m.MapSelectedLayerToRamp(kBlackRamp); }},
      {"base level", [](TCoordinationModel& m) { m.SetLayerBaseLevel(220); }},
      {"level picked on the canvas",
       [](TCoordinationModel& m) { m.PickLevelAt(true, m.Artwork().Origin().x + 10, m.Artwork().Origin().y + 10); }},
      {"blend mode", [](TCoordinationModel& m) { m.SetLayerBlendMode(3); }},
      {"palette document", [&documentBytes](TCoordinationModel& m) {
         ASSERT_TRUE(ReadPaletteDocumentInto(m, documentBytes));
       }},
  };
  for (const TEdit& edit : edits) {
    SCOPED_TRACE(edit.name);
    const TEditState before = model.CaptureState();
    const std::vector<std::uint8_t> canvasBefore = Canvas();
    const std::size_t steps = model.History().UndoSteps();
    edit.apply(model);
    const TEditState after = model.CaptureState();
    const std::vector<std::uint8_t> canvasAfter = Canvas();
    ASSERT_FALSE(SameState(before, after)) << "the edit changed nothing";
    EXPECT_EQ(model.History().UndoSteps(), steps + 1);

    const int restored = views.restoredShows;
    ASSERT_TRUE(model.Undo());
    EXPECT_TRUE(SameState(model.CaptureState(), before));
    EXPECT_TRUE(Canvas() == canvasBefore);
    EXPECT_EQ(views.restoredShows, restored + 1);
    EXPECT_TRUE(views.canRedo);
    ASSERT_TRUE(model.Redo());
    EXPECT_TRUE(SameState(model.CaptureState(), after));
    EXPECT_TRUE(Canvas() == canvasAfter);
    // A repaint of the canvas is no edit: the redo stays the last step.
    model.ComposeCanvas();
    EXPECT_EQ(model.History().UndoSteps(), steps + 1);
    EXPECT_FALSE(model.CanRedo());
  }
}

TEST_F(HistoryTest, ADragIsOneStepAndUndoShowsWhatItChanged) {
  model.SelectLayer(-1);
  model.selectedSlot = 2;
  const TEditState before = model.CaptureState();
  const std::size_t steps = model.History().UndoSteps();
  // Pressing free slot 6's marker selects it; a hundred moves follow.
  model.BeginGesture();
  model.selectedSlot = 6;
  for (int i = 0; i < 100; ++i) {
    model.Scheme().SetSlotHue(6, static_cast<float>(i));
    model.Redraw(TCoordinationModel::kRedrawSelected);
  }
  EXPECT_EQ(model.History().UndoSteps(), steps) << "nothing is recorded before the release";
  model.EndGesture();
  EXPECT_EQ(model.History().UndoSteps(), steps + 1);

  model.selectedSlot = 1;
  ASSERT_TRUE(model.Undo());
  EXPECT_TRUE(SameState(model.CaptureState(), before));
  EXPECT_EQ(model.selectedSlot, 6) << "the undone marker is the one on show";

  // A drag still open when undo comes is itself the step undone.
  model.BeginGesture();
  model.Scheme().SetSlotHue(6, 300.0f);
  model.Redraw(TCoordinationModel::kRedrawSelected);
  ASSERT_TRUE(model.Undo());
  EXPECT_TRUE(SameState(model.CaptureState(), before));
  EXPECT_FALSE(model.InGesture());

  // An undone mapping shows the layer with the slot it had again.
  model.SelectLayer(1);
  model.SelectSlot(4);
  ASSERT_EQ(model.LayerMapping(1).MappedSlot, 4);
  model.SelectLayer(0);
  ASSERT_TRUE(model.Undo());
  EXPECT_EQ(model.LayerMapping(1).MappedSlot, 0);
  EXPECT_EQ(model.Artwork().SelectedLayer(), 1);
  EXPECT_EQ(model.selectedSlot, 0);
}

TEST_F(HistoryTest, TheBoundDropsTheOldestAndANewEditDropsRedo) {
  std::vector<TEditState> states{model.CaptureState()};
  for (int i = 1; i <= 250; ++i) {
    model.SetLayerBaseLevel(i);
    states.push_back(model.CaptureState());
  }
  EXPECT_EQ(model.History().UndoSteps(), TEditHistory::kDefaultSteps);
  while (model.Undo()) {
  }
  EXPECT_TRUE(SameState(model.CaptureState(), states[250 - TEditHistory::kDefaultSteps]));
  EXPECT_FALSE(views.canUndo);

  ASSERT_TRUE(model.Redo());
  ASSERT_TRUE(model.CanRedo());
  model.SetLayerShadowLevel(3);
  EXPECT_FALSE(model.CanRedo());
  EXPECT_FALSE(views.canRedo);

  // Nothing moves while artwork is being opened.
  model.BeginBusy();
  EXPECT_FALSE(model.Undo());
  model.EndBusy();
  EXPECT_EQ(model.LayerMapping(1).ShadowLevel, 3);
}

TEST_F(HistoryTest, NewArtworkClearsOnlyTheLayerSteps) {
  const TEditState start = model.CaptureState();
  const std::size_t steps = model.History().UndoSteps();
  model.ChangeRule(2);
  const TEditState ruleChanged = model.CaptureState();
  model.SetLayerBlendMode(5);
  model.SetLayerBaseLevel(240);
  model.SetBackgroundMode(BackgroundMode::Black);
  const TEditState last = model.CaptureState();
  ASSERT_EQ(model.History().UndoSteps(), steps + 4);

  testing::LoadLayers(model, 20, 20, {testing::SolidLayer(0, 0, 20, 20, 128, 255)});
  model.ComposeCanvas();
  EXPECT_EQ(model.History().UndoSteps(), 2u);
  EXPECT_TRUE(SamePalette(model.CaptureState(), last));
  ASSERT_TRUE(model.Undo());
  EXPECT_TRUE(SamePalette(model.CaptureState(), ruleChanged));
  ASSERT_TRUE(model.Undo());
  EXPECT_TRUE(SamePalette(model.CaptureState(), start));
  // The new layer kept its own mapping through both.
  EXPECT_EQ(model.LayerMapping(0).BaseLevel, 170);
  EXPECT_EQ(model.LayerBlendMode(0), kBlendNormal);
  EXPECT_FALSE(model.CanUndo());
}

TEST_F(HistoryTest, TheCaptionMarksChangesSinceTheLastSaveOrOpen) {
  const std::string path = testing::ScratchPath("history.tlp");
  // The set-up mapped a layer to slot 0: work no document holds yet.
  EXPECT_EQ(views.title, "*Tintloom");
  model.Undo();
  ASSERT_EQ(views.title, "Tintloom");

  model.ChangeRule(5);
  EXPECT_EQ(views.title.rfind("*Tintloom", 0), 0u);
  model.Undo();
  EXPECT_EQ(views.title.rfind("Tintloom", 0), 0u) << "undone back to the start";
  // A layer's level is work too, which a palette document does not keep.
  const int level = model.LayerMapping(1).BaseLevel;
  model.SetLayerBaseLevel(100);
  EXPECT_TRUE(model.Unsaved());

  model.ChangeRule(5);
  SavePaletteDocument(model, path);
  EXPECT_TRUE(model.Unsaved());
  EXPECT_FALSE(model.PaletteUnsaved());
  model.SetLayerBaseLevel(level);
  EXPECT_FALSE(model.Unsaved()) << "the level back as it was, the palette as saved";
  model.SetToneFilter(1u << 1);
  EXPECT_TRUE(model.Unsaved());
  model.Undo();
  EXPECT_FALSE(model.Unsaved()) << "undone back to what was saved";

  // Opening is a step; undoing it leaves the palette unlike the opened one.
  model.ChangeRule(1);
  LoadPaletteDocument(model, path);
  EXPECT_FALSE(model.Unsaved());
  EXPECT_EQ(model.Scheme().ruleIndex, 5);
  model.Undo();
  EXPECT_EQ(model.Scheme().ruleIndex, 1);
  EXPECT_TRUE(model.Unsaved());
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace tintloom
