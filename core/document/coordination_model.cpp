#include "core/document/coordination_model.h"

#include <algorithm>
#include <cassert>

#include "core/artwork/compositor.h"
#include "core/base/user_text.h"
#include "core/document/picker_input.h"
#include "core/palette/picker_strips.h"
#include "core/palette/shade_mixing.h"
#include "core/palette/tone_snap.h"

namespace tintloom {

namespace {

float Clamp01(float x) { return x > 1.0f ? 1.0f : (x < 0.0f ? 0.0f : x); }

}  // namespace

TCoordinationModel::TCoordinationModel(TModelViews& views, TMessageSink& messages)
    : views_(views), messages_(messages) {
  canvasSurface_.Create(kCanvasSize, kCanvasSize);
  MakeCheckerBrush(checkerBrush_);
  SetInitialSlotParameters();
  // The views may not exist yet: the history starts without showing itself.
  history_.Start(CaptureState());
  savedState_ = history_.Current();
}

void TCoordinationModel::SetInitialSlotParameters() {
  for (TColorSlot& slot : palette_.Slots()) {
    slot = TColorSlot{};
    slot.shades[kHighlight].Param = TColorF(0.0f, 0.25f, 0.5f);
    slot.shades[kBase].Param = TColorF(0.0f, 0.5f, 1.0f);
    slot.shades[kShadow].Param = TColorF(0.0f, 0.5f, 0.8f);
    slot.shades[kDeepShadow].Param = TColorF(0.0f, 0.0f, 0.8f);
  }
}

// ---------------------------------------------------------------- selection

TColorSlot* TCoordinationModel::SelectedSlot() {
  if (selectedSlot < 0 || selectedSlot >= kSlotCount) {
    messages_.ShowMessage(TL_TEXT("tintloom", "参照"));
    return nullptr;
  }
  return &palette_.Slots()[static_cast<std::size_t>(selectedSlot)];
}

void TCoordinationModel::SelectSlot(int i) {
  if (busy_) return;
  assert(i >= 0 && i < kSlotCount);
  selectedSlot = i;
  RefreshSelection();
}

void TCoordinationModel::RefreshSelection() {
  if (busy_) return;
  selectedShade = kBase;
  if (views_.HueWindowVisible()) {
    PaintHueWindow();
    views_.RepaintValueSlider();
  }
  if (views_.PickerWindowVisible()) views_.RefreshPicker();
  for (const int layer : SelectedLayers()) {
    LayerMapping(layer).MappedSlot = static_cast<std::int16_t>(selectedSlot);
    BuildLayerLookup(layer);
  }
  if (views_.LayerWindowVisible()) {
    views_.RefreshSlotGrid();
    views_.RefreshLayerList();
    views_.PaintMappingPreview();
  }
  ComposeCanvas();
}

void TCoordinationModel::SelectShade(int i) {
  if (busy_) return;
  assert(i >= 0 && i < kShadeCount);
  selectedShade = i;
  if (views_.PickerWindowVisible()) views_.RefreshPicker();
}

TColorF& TCoordinationModel::SelectedShadeParams() {
  assert(selectedSlot >= 0 && selectedSlot < kSlotCount && selectedShade >= 0 && selectedShade < kShadeCount);
  return palette_.Slots()[static_cast<std::size_t>(selectedSlot)].shades[static_cast<std::size_t>(selectedShade)].Param;
}

void TCoordinationModel::RefreshSelectedSlot() {
  if (busy_) return;
  BuildSlotRamp(selectedSlot);
  if (views_.LayerWindowVisible()) {
    views_.RefreshLayerList();
    views_.PaintMappingPreview();
  }
}

// ---------------------------------------------------------------- colours

void TCoordinationModel::ApplyScheme(int rule, const float (&hues)[kSlotCount], float (&weights)[kRuleSlotCount]) {
  if (busy_) return;
  TakeSchemeBases(rule, hues, weights);
  for (int i = 0; i < kSlotCount; ++i) ComputeSlotShades(i);
}

void TCoordinationModel::TakeSchemeBases(int rule, const float (&hues)[kSlotCount], float (&weights)[kRuleSlotCount]) {
  for (int i = 0; i < kSlotCount; ++i) {
    float h = hues[i];
    // One correction only: the scheme's hues stray at most one turn.
    if (h < 0.0f) {
      h = static_cast<float>(static_cast<TExtended>(h) + 360.0_x);
    } else if (h > 360.0f) {
      h = static_cast<float>(static_cast<TExtended>(h) - 360.0_x);
    }
    palette_.Slots()[static_cast<std::size_t>(i)].shades[kBase].Param.h() = h;
  }
  palette_.Slots()[0].shades[kBase].Param.s() = weights[0];
  for (int i = 1; i < kRuleSlotCount; ++i) {
    float& saturation = palette_.Slots()[static_cast<std::size_t>(i)].shades[kBase].Param.s();
    if (rule == kCustomRule) {
      saturation = weights[i];
    } else {
      saturation = static_cast<float>(static_cast<TExtended>(weights[0]) + weights[i]);
      if (saturation > 1.0f) {
        saturation = 1.0f;
        weights[i] = static_cast<float>(1.0_x - weights[0]);
      } else if (saturation < 0.0f) {
        // A negative offset can outrun slot 0's saturation when slot 0 is
        // turned down; below 0 there is no colour (its channels would pack
        // past a byte), so the slot rests at grey and keeps its offset.
        saturation = 0.0f;
      }
    }
  }
}

void TCoordinationModel::ComputeSlotShades(int i) {
  TColorSlot& slot = palette_.Slots()[static_cast<std::size_t>(i)];
  for (int j = 0; j < kShadeCount; ++j) {
    TShade& shade = slot.shades[static_cast<std::size_t>(j)];
    ComputeShade(slot, j, i, shade.Hsv);
    shade.Rgb = HsvToRgb(shade.Hsv);
    shade.Color = shade.LitColor = PackColour(shade.Rgb);
  }
}

void TCoordinationModel::ComputeShade(TColorSlot& slot, int j, int slotIndex, TColorF& out) {
  // Under a tone filter a rule slot is shown at its nearest allowed tone; its
  // own base stays as the user set it.
  TColorF base = slot.shades[kBase].Param;
  if (ToneFilterActive() && slotIndex >= 0 && slotIndex < kRuleSlotCount) {
    SnapToAllowedTones(slot.shades[kBase].Param, base);
  }
  out = MixShade(slot, j, base);
}

void TCoordinationModel::SnapToAllowedTones(const TColorF& in, TColorF& out) const {
  out = NearestAllowedTone(toneData, palette_.ToneFilter(), in);
}

void TCoordinationModel::FitShadeToColor(TColorSlot& slot, int j, const TColorF& target) {
  if (busy_) return;
  // The pick keys fit the selected slot; the scheme's entries written below
  // are that slot's.
  assert(selectedSlot >= 0 && selectedSlot < kSlotCount && &slot == &palette_.Slots()[static_cast<std::size_t>(selectedSlot)]);
  TColorF& param = slot.shades[static_cast<std::size_t>(j)].Param;
  if (j == kBase) {
    param = target;
    palette_.Scheme().SetSlotHue(selectedSlot, target.h());
    if (selectedSlot < kRuleSlotCount) {
      palette_.Scheme().SetCustomHueOffset(selectedSlot, target.h());
      palette_.Scheme().SetSaturationWeight(selectedSlot, target.s());
    }
  } else {
    FitMixingColour(slot, j, target);
  }
  param.s() = Clamp01(param.s());
  param.v() = Clamp01(param.v());
  // Only the base is snapped to the allowed tones. The other shades hold a
  // mixing colour whose hue is an offset (-180..180), not a colour of the
  // slot's own: the tone of the slot is decided by its base alone, which
  // ComputeShade snaps on every pass anyway.
  if (j == kBase && ToneFilterActive() && selectedSlot < kRuleSlotCount) {
    const TColorF unsnapped = param;
    SnapToAllowedTones(unsnapped, param);
  }
}

void TCoordinationModel::ApplyLightBalance() {
  if (busy_ || !palette_.LightBalanceEnabled()) return;
  const TColorF ambient = HsvToRgb(palette_.AmbientColour());
  const TColorF light = HsvToRgb(palette_.LightColour());
  for (TColorSlot& slot : palette_.Slots()) LightSlot(slot, ambient, light, palette_.IgnoresShadeSettings());
}

// ---------------------------------------------------------------- picking

void TCoordinationModel::PickScreenColour(int shade, TColor pixel) {
  if (busy_) return;
  TColorSlot* slot = SelectedSlot();
  if (slot == nullptr) return;
  TakePickedColour(*slot, shade, pixel);
  Redraw(kRedrawSelected);
}

void TCoordinationModel::TakePickedColour(TColorSlot& slot, int shade, TColor pixel) {
  FitShadeToColor(slot, shade, RgbToHsv(UnpackColour(pixel)));
  if (shade == kBase) {
    // The base belongs to the scheme: the fitted hue and saturation go back
    // in the form the current rule keeps them.
    const TColorF& base = slot.shades[kBase].Param;
    palette_.Scheme().TakeBaseColour(selectedSlot, base.h(), base.s());
  }
}

std::optional<TColorSlot> TCoordinationModel::SlotAfterPick(int shade, TColor pixel) {
  if (busy_ || selectedSlot < 0 || selectedSlot >= kSlotCount) return std::nullopt;
  // The pick runs on the live state, which is put back whole afterwards:
  // only the selected slot's shades are computed, and nothing is drawn.
  const std::array<TColorSlot, kSlotCount> keptSlots = palette_.Slots();
  const TScheme keptScheme = palette_.Scheme();
  TakePickedColour(palette_.Slots()[static_cast<std::size_t>(selectedSlot)], shade, pixel);
  palette_.Scheme().DeriveRuleHues();
  TakeSchemeBases(palette_.Scheme().ruleIndex, palette_.Scheme().slotHues, palette_.Scheme().saturationWeights);
  ComputeSlotShades(selectedSlot);
  const TColorSlot picked = palette_.Slots()[static_cast<std::size_t>(selectedSlot)];
  palette_.Slots() = keptSlots;
  palette_.Scheme() = keptScheme;
  return picked;
}

std::optional<TColorSlot> TCoordinationModel::SlotOfColour(TColor colour) {
  if (busy_ || selectedSlot < 0 || selectedSlot >= kSlotCount) return std::nullopt;
  TColorSlot slot = palette_.Slots()[static_cast<std::size_t>(selectedSlot)];
  TColorF& base = slot.shades[kBase].Param;
  base = RgbToHsv(UnpackColour(colour));
  base.s() = Clamp01(base.s());
  base.v() = Clamp01(base.v());
  const TColorF exact = base;
  // In shade order: the deep shadow starts from the packed shadow.
  for (int j = 0; j < kShadeCount; ++j) {
    TShade& shade = slot.shades[static_cast<std::size_t>(j)];
    shade.Hsv = MixShade(slot, j, exact);
    shade.Rgb = HsvToRgb(shade.Hsv);
    shade.Color = shade.LitColor = PackColour(shade.Rgb);
  }
  // The conversion there and back may stray by one step of a channel.
  slot.shades[kBase].Color = slot.shades[kBase].LitColor = colour;
  return slot;
}

void TCoordinationModel::PickLevelAt(bool shadowLevel, int x, int y) {
  if (busy_ || !LayerSelected() || artwork_.ArtworkSurface().width <= 0) return;
  // The pixel under the pointer is the artwork pixel shown there, zoomed or
  // not; left of or above the artwork is nothing (a division would round
  // those onto the first row or column).
  x -= artwork_.Origin().x;
  y -= artwork_.Origin().y;
  if (x < 0 || y < 0) return;
  const int zoom = ArtworkZoom();
  x /= zoom;
  y /= zoom;
  const TSurface& pick = artwork_.PickSurface();
  if (!pick.Contains(x, y)) return;
  const int grey = pick.At(x, y).red;
  if (shadowLevel) {
    SetLayerShadowLevel(grey);
  } else {
    SetLayerBaseLevel(grey);
  }
}

// ---------------------------------------------------------------- tones

int TCoordinationModel::ShadeToneClass(int shade) const {
  if (selectedSlot < 0 || selectedSlot >= kSlotCount) return -1;
  return toneData.ToneClassAt(
      palette_.Slots()[static_cast<std::size_t>(selectedSlot)].shades[static_cast<std::size_t>(shade)].Hsv);
}

TColor TCoordinationModel::ToneColorAtSelectedHue(int tone) const {
  if (selectedSlot < 0 || selectedSlot >= kSlotCount) return 0;
  return ToneColorAt(WholeHue(palette_.Slots()[static_cast<std::size_t>(selectedSlot)].shades[kBase].Param.h()), tone);
}

void TCoordinationModel::ApplyToneToSelectedSlot(int tone) {
  if (busy_) return;
  TColorSlot* slot = SelectedSlot();
  if (slot == nullptr) return;
  TColorF& base = slot->shades[kBase].Param;
  const TColorF hsv = RgbToHsv(UnpackColour(ToneColorAtHue(base.h(), tone)));
  if (selectedShade == kBase && selectedSlot < kRuleSlotCount) palette_.Scheme().SetRuleSlotSaturation(selectedSlot, hsv.s());
  base.s() = hsv.s();
  base.v() = hsv.v();
  Redraw(kRedrawLayer);
  RefreshSelectedSlot();
  Redraw(kRedrawSelected);
}

// ---------------------------------------------------------------- picker strips

void TCoordinationModel::BuildPickerStrips(TSurface& hueStrip, TSurface& saturationStrip,
                                           TSurface& valueStrip) const {
  if (busy_ || selectedSlot < 0 || selectedSlot >= kSlotCount || selectedShade < 0 || selectedShade >= kShadeCount) {
    return;
  }
  FillPickerStrips(palette_.Slots()[static_cast<std::size_t>(selectedSlot)], selectedShade, hueStrip, saturationStrip,
                   valueStrip);
}

// ---------------------------------------------------------------- redraw

void TCoordinationModel::PaintHueWindow() {
  RepaintWheel();
  views_.RepaintSlotStrip();
}

// ---------------------------------------------------------------- scheme

void TCoordinationModel::ConstructScheme() {
  palette_.Scheme().Reset();
  // The first choice of the custom rule comes from rule 0, so the custom
  // weights are loaded; the start has nothing drawn yet to redraw.
  palette_.Scheme().SwitchRule(kCustomRule, static_cast<std::uint32_t>(enabledSlotMask_));
  RepaintWheel();
  // The start is no edit: nothing before it to go back to.
  StartHistory();
}

void TCoordinationModel::ChangeRule(int rule) {
  if (busy_) return;
  palette_.Scheme().SwitchRule(rule, static_cast<std::uint32_t>(enabledSlotMask_));
  Redraw(kRedrawAll);
}

void TCoordinationModel::RepaintWheel() {
  if (busy_) return;
  palette_.Scheme().DeriveRuleHues();
  ApplyScheme(palette_.Scheme().ruleIndex, palette_.Scheme().slotHues, palette_.Scheme().saturationWeights);
  ApplyLightBalance();
  views_.DrawHueWheel();
}

void TCoordinationModel::Redraw(int mode) {
  if (busy_) return;
  redraw_.StartTiming();
  PaintHueWindow();
  views_.RepaintValueSlider();
  if (views_.PickerWindowVisible()) views_.RefreshPicker();
  if (views_.LayerWindowVisible()) views_.RefreshSlotGrid();

  if (mode == kRedrawAll) {
    redraw_.BuildSlotRamps(palette_);
    ComposeCanvas();
    ShowRampsInLayerWindow();
    return;
  }
  if (mode == kRedrawLayer) {
    for (const int layer : SelectedLayers()) BuildLayerLookup(layer);
    ComposeCanvas();
    ShowRampsInLayerWindow();
    return;
  }
  // Only the ramps that can have changed.
  redraw_.BuildEditedRamps(palette_, selectedSlot);
  ComposeCanvas();
  ShowRampsInLayerWindow();
  redraw_.FinishTiming();
  if (showsDrawingTime_) ShowTitle();
}

void TCoordinationModel::ShowRampsInLayerWindow() {
  // The list's swatches show the slots' colours and the preview looks its
  // strip up in the ramps just rebuilt: both follow every redraw, not only
  // the end of a drag.
  if (!views_.LayerWindowVisible()) return;
  views_.RefreshLayerList();
  views_.PaintMappingPreview();
}

// ---------------------------------------------------------------- layers

void TCoordinationModel::SelectLayer(int i) {
  if (busy_) return;
  if (i < -1 || i >= LayerCount()) {
    assert(false && "layer index out of range");
    return;
  }
  artwork_.Select(i);
  if (i == -1) return;
  // A layer new since a save loses its mark once the user has picked it.
  if (artwork_.Touch(i) && views_.LayerWindowVisible()) views_.RefreshLayerList();
  const TLayerMapping& mapping = LayerMapping(i);
  if (mapping.MappedSlot < kSlotCount) SelectSlot(mapping.MappedSlot);
  if (views_.LayerWindowVisible()) {
    views_.ShowLayerBlendMode(LayerBlendMode(i) + 1);
    views_.ShowLayerLevels(mapping.BaseLevel, mapping.ShadowLevel);
    views_.PaintMappingPreview();
  }
}

void TCoordinationModel::SelectLayers(const std::vector<int>& layers) {
  if (busy_) return;
  for (const int i : layers) {
    if (i < 0 || i >= LayerCount()) {
      assert(false && "layer index out of range");
      return;
    }
  }
  // The first layer is selected as a single one would be (its slot becomes
  // the selected slot) before the others join: selecting must not map them.
  SelectLayer(layers.empty() ? -1 : layers.front());
  if (layers.size() < 2) return;
  bool touched = false;
  for (const int i : layers) {
    artwork_.AddToSelection(i);
    touched = artwork_.Touch(i) || touched;
  }
  if (touched && views_.LayerWindowVisible()) views_.RefreshLayerList();
  ShowSelectedLayerValues(true);
}

void TCoordinationModel::ShowSelectedLayerValues(bool blendMode) {
  if (!views_.LayerWindowVisible()) return;
  const std::vector<int> layers = SelectedLayers();
  if (layers.empty()) return;
  int blend = LayerBlendMode(layers.front());
  int base = LayerMapping(layers.front()).BaseLevel;
  int shadow = LayerMapping(layers.front()).ShadowLevel;
  for (const int i : layers) {
    if (LayerBlendMode(i) != blend) blend = -2;
    if (LayerMapping(i).BaseLevel != base) base = -1;
    if (LayerMapping(i).ShadowLevel != shadow) shadow = -1;
  }
  if (blendMode) views_.ShowLayerBlendMode(blend + 1);
  views_.ShowLayerLevels(base, shadow);
}

void TCoordinationModel::SetLayerBaseLevel(int v) {
  if (!LayerSelected()) return;
  for (const int layer : SelectedLayers()) LayerMapping(layer).BaseLevel = static_cast<std::uint8_t>(v);
  ApplyLayerLevels();
}

void TCoordinationModel::SetLayerShadowLevel(int v) {
  if (!LayerSelected()) return;
  for (const int layer : SelectedLayers()) LayerMapping(layer).ShadowLevel = static_cast<std::uint8_t>(v);
  ApplyLayerLevels();
}

void TCoordinationModel::ApplyLayerLevels() {
  if (busy_) return;
  // A level picked from the canvas with the layer window closed still takes
  // effect at once; the window shows the levels when it is opened.
  for (const int layer : SelectedLayers()) {
    TLayerMapping& mapping = LayerMapping(layer);
    if (mapping.BaseLevel < mapping.ShadowLevel) mapping.ShadowLevel = 0;
    BuildLayerLookup(layer);
  }
  ShowSelectedLayerValues(false);
  ComposeCanvas();
  if (views_.LayerWindowVisible()) views_.PaintMappingPreview();
}

void TCoordinationModel::SetLayerBlendMode(int m) {
  // The selection can outlive the layers it pointed at only through a bug;
  // the blend code lives in the document's own working layer.
  if (!LayerSelected() || m < kBlendNormal || m >= kBlendModeCount) return;
  for (const int layer : SelectedLayers()) artwork_.SetBlendMode(layer, m);
  ComposeCanvas();
}

void TCoordinationModel::MapSelectedLayerToRamp(int ramp) {
  if (busy_ || !LayerSelected() || ramp < kGreyRamp || ramp > kWhiteRamp) return;
  for (const int layer : SelectedLayers()) LayerMapping(layer).MappedSlot = static_cast<std::int16_t>(ramp);
  Redraw(kRedrawLayer);
  if (views_.LayerWindowVisible()) views_.RefreshLayerList();
}

void TCoordinationModel::SetLayersHidden(const std::vector<int>& layers, bool hidden) {
  if (busy_) return;
  bool changed = false;
  bool touched = false;
  for (const int i : layers) {
    changed = artwork_.SetHidden(i, hidden) || changed;
    touched = artwork_.Touch(i) || touched;
  }
  if (!changed) {
    if (touched && views_.LayerWindowVisible()) views_.RefreshLayerList();
    return;
  }
  artwork_.RebuildPickImage();
  ComposeCanvas();
  if (views_.LayerWindowVisible()) views_.RefreshLayerList();
}

// ---------------------------------------------------------------- tone filter, light balance

void TCoordinationModel::SetToneFilter(std::uint32_t mask) {
  if (busy_) return;
  palette_.SetToneFilter(mask);
  // The filter moves every rule slot at once, whichever slot is selected.
  Redraw(kRedrawAll);
}

void TCoordinationModel::SetLightColors(const TColorF& ambient, const TColorF& light) {
  if (busy_) return;
  palette_.SetLightColours(ambient, light);
  if (palette_.LightBalanceEnabled()) {
    Redraw(kRedrawAll);
  } else if (backgroundMode_ == BackgroundMode::Ambient) {
    // The ambient background shows the ambient colour with the balance off
    // too; the lit colours have not changed, so only the canvas follows.
    ComposeCanvas();
  }
  // The colours are state even while they light nothing.
  RecordEdit();
}

void TCoordinationModel::SetLightBalanceEnabled(bool on) {
  if (busy_ || on == palette_.LightBalanceEnabled()) return;
  palette_.SetLightBalanceEnabled(on);
  Redraw(kRedrawAll);
}

void TCoordinationModel::SetIgnoreShadeSettings(bool on) {
  palette_.SetIgnoreShadeSettings(on);
  // The lit colours follow at once when the light balance is on.
  if (palette_.LightBalanceEnabled()) Redraw(kRedrawAll);
  RecordEdit();
}

// ---------------------------------------------------------------- canvas

void TCoordinationModel::BuildSlotRamp(int i) { redraw_.BuildRamp(i, palette_); }

void TCoordinationModel::BuildLayerLookup(int layer) {
  if (layer == -1) return;
  if (layer < 0 || layer >= static_cast<int>(artwork_.Layers().size())) {
    assert(false && "layer index out of range");
    return;
  }
  redraw_.BuildLookup(LayerMapping(layer));
}

void TCoordinationModel::SetZoomSmallArtwork(bool on) {
  zoomSmallArtwork_ = on;
  ComposeCanvas();
}

int TCoordinationModel::ArtworkZoom() const {
  const TSurface& artwork = artwork_.ArtworkSurface();
  return zoomSmallArtwork_ ? tintloom::ArtworkZoom(artwork.width, artwork.height) : 1;
}

void TCoordinationModel::SetBackgroundMode(BackgroundMode mode) {
  backgroundMode_ = mode;
  ComposeCanvas();
}

TColor TCoordinationModel::BackgroundColour() const {
  return tintloom::BackgroundColour(backgroundMode_, palette_.AmbientColour());
}

void TCoordinationModel::ComposeCanvas() {
  // A repaint requested while composing is dropped, not nested.
  if (busy_ || composing_) return;
  composing_ = true;
  FillCanvasBackground(canvasSurface_, backgroundMode_, checkerBrush_, palette_.AmbientColour());
  artwork_.ComposeOnto(canvasSurface_, ArtworkZoom(), backgroundMode_ == BackgroundMode::Checker, BackgroundColour(),
                       checkerBrush_);
  FrameCanvas(canvasSurface_);
  views_.ShowCanvas();
  composing_ = false;
  // Every edit ends in a composition: here it becomes a step.
  RecordEdit();
}

// ---------------------------------------------------------------- busy

void TCoordinationModel::BeginBusy() {
  if (busy_) return;
  busy_ = true;
  views_.EnterBusy();
}

void TCoordinationModel::EndBusy() {
  busy_ = false;
  views_.LeaveBusy();
}

}  // namespace tintloom
