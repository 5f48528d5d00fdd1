#pragma once
// The coordination model: ten colour slots of four shades, the selection, the
// tone filter, the light balance and the artwork layer mappings, with every
// operation that edits them and the redraw driver that keeps the windows and
// the canvas in step. Owned by the main window; tool windows read and write
// its fields and call its operations.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/artwork/artwork_layer.h"
#include "core/artwork/psd_document.h"
#include "core/colour/colour.h"
#include "core/colour/surface.h"
#include "core/files/tone_data.h"
#include "core/messages.h"
#include "core/model/colour_slots.h"
#include "core/model/harmony_rules.h"
#include "core/model/model_views.h"

namespace tintloom {

inline constexpr int kRampCount = 13;
inline constexpr int kGreyRamp = 10;
inline constexpr int kBlackRamp = 11;
inline constexpr int kWhiteRamp = 12;
inline constexpr int kRampLength = 768;
inline constexpr int kCanvasSize = 600;
// Tone filter masks that mean "no filter".
inline constexpr std::uint32_t kNoToneFilter = 0xFFFFFFFFu;
inline constexpr std::uint32_t kAllTones = 0x1FFFFu;

using TRamp = std::array<TRgb24, kRampLength>;

enum class BackgroundMode : std::uint32_t { Checker = 0, White = 1, Grey = 2, Black = 3, Ambient = 4 };

class TCoordinationModel {
 public:
  TCoordinationModel(TModelViews& views, TMessageSink& messages);
  TCoordinationModel(const TCoordinationModel&) = delete;
  TCoordinationModel& operator=(const TCoordinationModel&) = delete;

  // The colour scheme belongs to the document: the hue window views and
  // edits it here, and every redraw pushes it into the slots.
  TScheme& Scheme() { return scheme_; }
  const TScheme& Scheme() const { return scheme_; }
  TModelViews& Views() const { return views_; }
  TMessageSink& Messages() const { return messages_; }

  // ---- slots and selection ----
  TColorSlot& SlotAt(int i) { return slots_[static_cast<std::size_t>(i)]; }
  const TColorSlot& SlotAt(int i) const { return slots_[static_cast<std::size_t>(i)]; }
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
  bool ToneFilterActive() const { return toneFilterMask != kNoToneFilter && toneFilterMask != kAllTones; }

  // ---- picking ----
  // A screen pixel taken into shade 0..3 of the selected slot (keys F1..F4).
  void PickScreenColour(int shade, TColor pixel);
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
  // that cannot be read is reported (its reason, then that loading stopped)
  // and leaves no artwork; the colours are never touched.
  void OpenSampleArtwork(const std::string& path);
  // Working layers of the loaded artwork (0 without artwork).
  int LayerCount() const;
  // Layer i's mapping; i must be 0 .. LayerCount() - 1.
  TLayerMapping& LayerMapping(int i) { return artworkLayers[static_cast<std::size_t>(i)].mapping; }
  // Layer i's blend code as the document holds it; -1 (normal) out of range.
  int LayerBlendMode(int i) const;
  void SelectLayer(int i);
  void SetLayerBaseLevel(int v);
  void SetLayerShadowLevel(int v);
  void SetLayerBlendMode(int m);
  // Thumbnail of layer i (bottom layer 0), null out of range.
  const TSurface* LayerThumbnail(int i) const;
  // Every layer on the grey ramp with levels 170 and 85; no layer selected.
  void InitLayerMappings(int count);
  void BuildLayerThumbnails();

  // ---- light balance ----
  void SetLightColors(const TColorF& ambient, const TColorF& light);
  void SetLightBalanceEnabled(bool on);

  // ---- busy state (artwork loading) ----
  void BeginBusy();
  void EndBusy();
  bool Busy() const { return busy; }

  // ---- canvas ----
  void BuildSlotRamp(int i);
  void BuildLayerLookup(int layer);
  void ComposeCanvas();
  void SetBackgroundMode(BackgroundMode mode);
  const TRamp& Ramp(int i) const { return slotRamps_[static_cast<std::size_t>(i)]; }
  static void MakeCheckerBrush(TSurface& brush);
  TColor BackgroundColour() const;

  // ---- model fields (read and written directly by the tool windows) ----
  std::int32_t selectedShade = kBase;
  std::int32_t selectedSlot = 0;
  std::int32_t enabledSlotMask = -1;
  std::uint32_t toneFilterMask = kNoToneFilter;
  TSurface skinSurface;
  TSurface canvasSurface;
  TSurface artworkSurface;
  TSurface pickSurface;
  TSurface checkerBrush;
  // The sample artwork: the document with its working layers (planes and
  // blend codes), and per working layer its mapping and thumbnail.
  TPSD document;
  std::vector<TArtworkLayer> artworkLayers;
  std::int32_t artworkOriginX = 0;
  std::int32_t artworkOriginY = 0;
  std::int32_t selectedLayer = -1;
  bool lightBalanceEnabled = false;
  TColorF ambientColor{0.0f, 0.0f, 1.0f};
  TColorF lightColor{0.0f, 0.0f, 1.0f};
  BackgroundMode backgroundMode = BackgroundMode::Checker;
  bool busy = false;
  bool ignoreShadeSettings = false;
  TToneData toneData;

  // Milliseconds of the last full redraw, shown in the title.
  std::int64_t lastDrawingMs = 0;

 private:
  void SetInitialSlotParameters();
  void ApplyLayerLevels();
  bool LayerSelected() const;
  void AbandonLoad(const std::string& reason);

  TModelViews& views_;
  TMessageSink& messages_;
  TScheme scheme_;
  std::array<TColorSlot, kSlotCount> slots_{};
  std::array<TRamp, kRampCount> slotRamps_{};
  bool composing_ = false;
};

}  // namespace tintloom
