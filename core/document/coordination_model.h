#pragma once
// The coordination model: ten colour slots of four shades, the colour scheme,
// the selection, the tone filter, the light balance and the sample artwork
// with its layer mappings (an artwork session), with every operation that
// edits them and the redraw driver that keeps the windows and the canvas in
// step. Owned by the
// main window; tool windows call its operations and read its state. The
// arithmetic lives below it: shade mixing and the tone search in core/palette,
// ramps, lookups and the canvas's pixels in core/artwork.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/artwork/artwork_layer.h"
#include "core/artwork/canvas.h"
#include "core/artwork/slot_ramps.h"
#include "core/colour/colour.h"
#include "core/colour/surface.h"
#include "core/palette/tone_data.h"
#include "core/base/messages.h"
#include "core/palette/colour_slots.h"
#include "core/document/artwork_reading.h"
#include "core/document/artwork_session.h"
#include "core/document/edit_history.h"
#include "core/palette/harmony_rules.h"
#include "core/document/model_views.h"
#include "core/document/palette_state.h"
#include "core/document/redraw_driver.h"
#include "core/base/user_text.h"

namespace tintloom {


// The kind of document the work was last saved as or opened from.
enum class TDocumentKind { None, Palette, Work };

class TCoordinationModel {
 public:
  TCoordinationModel(TModelViews& views, TMessageSink& messages);
  TCoordinationModel(const TCoordinationModel&) = delete;
  TCoordinationModel& operator=(const TCoordinationModel&) = delete;

  // The colour scheme belongs to the document: the hue window views and
  // edits it here, and every redraw pushes it into the slots.
  TScheme& Scheme() { return palette_.Scheme(); }
  const TScheme& Scheme() const { return palette_.Scheme(); }
  TModelViews& Views() const { return views_; }
  TMessageSink& Messages() const { return messages_; }

  // ---- slots and selection ----
  TColorSlot& SlotAt(int i) { return palette_.Slots()[static_cast<std::size_t>(i)]; }
  const TColorSlot& SlotAt(int i) const { return palette_.Slots()[static_cast<std::size_t>(i)]; }
  TColorSlot* SelectedSlot();  // shows "参照" and returns null for an index of 10 or more
  void SelectSlot(int i);
  void RefreshSelection();
  void SelectShade(int i);
  TColorF& SelectedShadeParams();
  void RefreshSelectedSlot();

  // ---- colour computation ----
  void ApplyScheme(int rule, const float (&hues)[kSlotCount], float (&weights)[kRuleSlotCount]);
  void ComputeShade(TColorSlot& slot, int shade, int slotIndex, TColorF& out);
  void SnapToAllowedTones(const TColorF& in, TColorF& out) const;
  void FitShadeToColor(TColorSlot& slot, int shade, const TColorF& target);
  void ApplyLightBalance();

  // ---- tone filter ----
  std::uint32_t ToneFilter() const { return palette_.ToneFilter(); }
  bool ToneFilterActive() const { return palette_.ToneFilterActive(); }
  // Bit t allows tone class t for the rule slots; all shades and ramps follow.
  void SetToneFilter(std::uint32_t mask);
  // A mask read back from a palette document, stored without a redraw: the
  // document's loader redraws once everything is in place.
  void RestoreToneFilter(std::uint32_t mask) { palette_.SetToneFilter(mask); }

  // ---- picking ----
  // A screen pixel taken into shade 0..3 of the selected slot (keys F1..F4).
  void PickScreenColour(int shade, TColor pixel);
  // What the selected slot would hold after PickScreenColour(shade, pixel)
  // and its redraw, found by the same fit and scheme arithmetic; the model
  // itself is left exactly as it was and nothing is drawn. Empty while busy
  // or without a selected slot.
  std::optional<TColorSlot> SlotAfterPick(int shade, TColor pixel);
  // The selected slot as a swatch of `colour`: its base exactly that colour
  // (neither snapped to the tone filter's tones nor turned to the rule's
  // hue), the other three shades mixed from it with the slot's own mixing
  // colours. Empty while busy or without a selected slot.
  std::optional<TColorSlot> SlotOfColour(TColor colour);
  // Shift-click on the canvas at (x, y): the artwork's grey level there
  // becomes the selected layer's shadow level (right button) or base level.
  void PickLevelAt(bool shadowLevel, int x, int y);

  // ---- tones ----
  int ShadeToneClass(int shade) const;
  TColor ToneColorAtSelectedHue(int tone) const;
  void ApplyToneToSelectedSlot(int tone);

  // ---- picker strips: first row of three surfaces at least 128 wide ----
  void BuildPickerStrips(TSurface& hueStrip, TSurface& saturationStrip, TSurface& valueStrip) const;

  // ---- redraw driver ----
  enum RedrawMode : int { kRedrawSelected = 0, kRedrawLayer = 1, kRedrawAll = 100 };
  void Redraw(int mode);
  // The hue window's repaint: scheme into model, then wheel and strip.
  void PaintHueWindow();

  // ---- scheme ----
  // The scheme's start: every field at its start value, the custom rule
  // chosen (its weights loaded) and pushed into the slots, without a redraw.
  void ConstructScheme();
  // The rule combo's choice: the rule with its weights, then a full redraw.
  void ChangeRule(int rule);
  // Derives the rule hues, pushes the scheme into the slots, applies the
  // light balance, then has the wheel drawn; whether or not it is visible.
  void RepaintWheel();

  // ---- sample artwork ----
  // Reads a layered PSD file, reduces it to grey working layers that fit the
  // canvas, maps every layer to the grey ramp and composes the canvas. A file
  // that cannot be read is reported (its reason, then that loading stopped),
  // as is one without a visible layer; either leaves the current artwork, its
  // layers, mappings and selection as they were. The colours are never touched.
  // True when the file's artwork is the one shown now.
  bool OpenSampleArtwork(const std::string& path);
  // Artwork read again from the open artwork's file (ReadArtworkForCanvas)
  // after the painting program saved it, put in place of the artwork shown
  // in one go, as no edit: every layer's settings carry over (layer carry-
  // over), new layers take the opening defaults and are marked fresh, the
  // selection stays on the same layers and the history keeps the steps of
  // the layers that remain. Nothing while busy or without artwork open.
  std::optional<TArtworkReloaded> ReloadArtwork(TPSD incoming);
  // The open artwork: its document, layers, surfaces, file and selection.
  const TArtworkSession& Artwork() const { return artwork_; }
  // Working layers of the loaded artwork (0 without artwork).
  int LayerCount() const { return artwork_.LayerCount(); }
  // Layer i's mapping; i must be 0 .. LayerCount() - 1.
  TLayerMapping& LayerMapping(int i) { return artwork_.Mapping(i); }
  // Layer i's blend code as the document holds it; -1 (normal) out of range.
  int LayerBlendMode(int i) const { return artwork_.BlendMode(i); }
  // Layer i's blend code as a work document read back stores it, without a
  // redraw: the document's loader composes once everything is in place.
  void RestoreLayerBlendMode(int i, int code) { artwork_.SetBlendMode(i, code); }
  void SelectLayer(int i);
  // Several layers selected at once, the first shown in the layer window (its
  // preview and levels); an empty list selects none, one layer is SelectLayer.
  // Slot clicks, ramp choices, levels and blend modes then apply to each of
  // them. Where they differ, the window is told -1 for that value (no blend
  // item, an empty level edit).
  void SelectLayers(const std::vector<int>& layers);
  // The selected layers, first the one shown; empty without a selection.
  std::vector<int> SelectedLayers() const { return artwork_.SelectedLayers(); }
  // The selected layers' levels (and blend item) in the layer window, -1
  // where they differ.
  void ShowSelectedLayerValues(bool blendMode);
  void SetLayerBaseLevel(int v);
  void SetLayerShadowLevel(int v);
  void SetLayerBlendMode(int m);
  // The selected layer takes the grey ramp, black or white (ramp 10, 11 or
  // 12) instead of a slot; nothing without a selected layer.
  void MapSelectedLayerToRamp(int ramp);
  // Whether layer i is set aside (false out of range). Hiding or showing
  // layers rebuilds the pick image, so that a pick reaches what is shown,
  // and composes the canvas; the mappings stay as they are.
  bool LayerHidden(int i) const { return artwork_.Hidden(i); }
  void SetLayersHidden(const std::vector<int>& layers, bool hidden);
  // Thumbnail of layer i (bottom layer 0), null out of range.
  const TSurface* LayerThumbnail(int i) const { return artwork_.Thumbnail(i); }
  // Every layer on the grey ramp with levels 170 and 85; no layer selected.
  void InitLayerMappings(int count);
  void BuildLayerThumbnails();

  // ---- light balance ----
  // Ambient and light colours as HSV; a redraw follows when the balance is on.
  void SetLightColors(const TColorF& ambient, const TColorF& light);
  void SetLightBalanceEnabled(bool on);
  // Derive all four lit shades from the base alone; a redraw follows when the
  // balance is on.
  void SetIgnoreShadeSettings(bool on);
  const TColorF& AmbientColour() const { return palette_.AmbientColour(); }
  const TColorF& LightColour() const { return palette_.LightColour(); }
  bool LightBalanceEnabled() const { return palette_.LightBalanceEnabled(); }
  bool IgnoresShadeSettings() const { return palette_.IgnoresShadeSettings(); }

  // ---- busy state (artwork loading) ----
  void BeginBusy();
  void EndBusy();
  bool Busy() const { return busy_; }

  // ---- edit history ----
  // Every change of the document's state is shown on the canvas, so the
  // canvas's composition records it, and so do the few edits that can leave
  // the canvas as it was. Between BeginGesture and EndGesture (a drag, a value
  // being typed) nothing is recorded; the end records the whole gesture as
  // one step. A gesture begun while another is open ends that one first.
  void BeginGesture();
  void EndGesture();
  // Drops what the open gesture changed: the state of the last step comes back.
  void CancelGesture();
  bool InGesture() const { return gesture_; }
  // The state as it is now becomes a step when it differs from the last.
  void RecordEdit();
  // Restores the state before the last step or after the next one and
  // redraws everything; an open gesture is ended first. Nothing while busy or
  // with no step; false then.
  bool Undo();
  bool Redo();
  bool CanUndo() const { return history_.CanUndo(); }
  bool CanRedo() const { return history_.CanRedo(); }
  // The work as it is now is what `path` holds, just saved or opened: the
  // caption names the file and loses its unsaved mark until the work differs
  // from it again. A palette document holds the palette alone, so layer work
  // stays unsaved; a work document holds the palette, the layers and the
  // artwork they belong to, given as `artworkPath` (the file the document
  // names, opened or not; empty for a document without artwork).
  void MarkSaved(TDocumentKind kind, const std::string& path, const std::string& artworkPath = {});
  // The document last saved or opened, and its path; None and empty before.
  TDocumentKind DocumentKind() const { return documentKind_; }
  const std::string& DocumentPath() const { return documentPath_; }
  // The work as it is now was brought back from a recovery copy of unsaved
  // work on the document `path` of `kind`: it names that document and counts
  // as unsaved until it is saved or another document is opened.
  void MarkRecovered(TDocumentKind kind, const std::string& path);
  // Whether the work differs from the document last saved or opened (from the
  // start, before any): the palette it keeps, and, while artwork is open or
  // a work document was opened, the artwork and its layers' settings (slot,
  // levels, blend mode, hidden). The swatches are no part of it. What the
  // caption's "*" shows and quitting asks about.
  bool PaletteUnsaved() const;
  bool LayersUnsaved() const;
  // Whether writing the open document again keeps all the work there is: a
  // work document whose artwork is the one open (none, if it names none), or
  // a palette document while no layer work is unsaved. Otherwise saving
  // needs a new name.
  bool DocumentHoldsWork() const;
  // The layers as they are now take the place of the layers in every kept
  // step, and steps that then change nothing are merged away: after new
  // artwork the old layer steps are of no use, and a work document's layer
  // settings are where the history starts, not an edit to undo.
  void ForgetLayerSteps();
  bool Unsaved() const { return shownUnsaved_; }
  const TEditHistory& History() const { return history_; }
  // The caption names the drawing time of the last redraw too, for developers.
  void ShowDrawingTime(bool on);
  TEditState CaptureState() const;

  // ---- swatches ----
  // The swatch collection, one swatch line each. Adding, deleting and
  // importing are steps undone like any edit; the swatches are no part of a
  // document and leave the unsaved mark alone.
  const std::vector<std::string>& Swatches() const { return *swatches_; }
  // The collection read at start-up: where the history begins, not a step.
  void StartSwatches(std::vector<std::string> lines);
  // Lines appended as one step (nothing when `lines` is empty).
  void AddSwatches(std::vector<std::string> lines);
  // Swatch `index` removed as one step; nothing out of range.
  void DeleteSwatch(std::size_t index);

  // ---- canvas ----
  void BuildSlotRamp(int i);
  void BuildLayerLookup(int layer);
  void ComposeCanvas();
  // Small artwork (both sides at most kZoomableSide) shown enlarged by a whole
  // zoom, nearest neighbour; off by default. The canvas is composed again.
  void SetZoomSmallArtwork(bool on);
  bool ZoomsSmallArtwork() const { return zoomSmallArtwork_; }
  // The zoom the artwork is shown at: 1 unless zooming is on and it is small.
  int ArtworkZoom() const;
  // The background under the artwork; the canvas is composed again.
  void SetBackgroundMode(BackgroundMode mode);
  BackgroundMode Background() const { return backgroundMode_; }
  TColor BackgroundColour() const;
  // The pattern the checker background is filled with.
  const TSurface& CheckerBrush() const { return checkerBrush_; }
  const TRamp& Ramp(int i) const { return redraw_.Ramp(i); }
  // The canvas as composed: the background, the artwork on it, the frame.
  const TSurface& Canvas() const { return canvasSurface_; }

  // ---- model fields (read and written directly by the tool windows) ----
  std::int32_t selectedShade = kBase;
  std::int32_t selectedSlot = 0;
  TSurface skinSurface;
  TToneData toneData;

 private:
  void SetInitialSlotParameters();
  // The two halves of ApplyScheme: the scheme's hues and saturations into
  // the slots' bases, and one slot's four shades from its base.
  void TakeSchemeBases(int rule, const float (&hues)[kSlotCount], float (&weights)[kRuleSlotCount]);
  void ComputeSlotShades(int i);
  // A picked colour fitted into a shade of the selected slot; the base's
  // hue and saturation written back into the scheme.
  void TakePickedColour(TColorSlot& slot, int shade, TColor pixel);
  void ApplyLayerLevels();
  void ShowRampsInLayerWindow();
  bool LayerSelected() const { return artwork_.LayerSelected(); }
  void AbandonLoad(const std::string& reason);
  void KeepCurrentArtwork();
  // The history starts afresh from the state as it is now, which counts as saved.
  void StartHistory();
  void RestoreState(const TEditState& state);
  // The unsaved mark in the caption and the undo and redo commands follow the history.
  void ShowHistory();
  void ShowTitle();

  TModelViews& views_;
  TMessageSink& messages_;
  // The slots a rule may show; every slot.
  std::int32_t enabledSlotMask_ = -1;
  // The pattern the checker background is filled with.
  TSurface checkerBrush_;
  TSurface canvasSurface_;
  // The scheme, the slots, the tone filter and the light balance.
  TPaletteState palette_;
  // The sample artwork with its layer mappings and selection.
  TArtworkSession artwork_;
  // The ramps, which of them an edit rebuilds, and the redraw's time.
  TRedrawDriver redraw_;
  BackgroundMode backgroundMode_ = BackgroundMode::Checker;
  bool zoomSmallArtwork_ = false;
  // While set (artwork loading), every operation returns at once.
  bool busy_ = false;
  bool composing_ = false;
  TEditHistory history_;
  // The palette of the document last saved or opened.
  TEditState savedState_;
  // The layers' settings last saved or opened, and the artwork they belong
  // to; opening artwork outside a work document starts them afresh.
  std::vector<TLayerRecord> savedLayers_;
  std::string savedArtworkPath_;
  TDocumentKind documentKind_ = TDocumentKind::None;
  std::string documentPath_;
  TSwatchLines swatches_ = std::make_shared<const std::vector<std::string>>();
  bool gesture_ = false;
  bool restoring_ = false;
  bool shownUnsaved_ = false;
  bool recovered_ = false;
  bool showsDrawingTime_ = false;
};

}  // namespace tintloom
