#include "core/model/coordination_model.h"

#include <cassert>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tintloom {

namespace {

// A hue in whole degrees as an index 0..359. For the hues the model holds
// (0..360 after the scheme's wrap) this is the plain truncation with 360 read
// as 0; anything further out wraps instead of reaching outside a table.
int WholeHue(long double hue) {
  if (!std::isfinite(hue)) return 0;
  int h = Trunc(std::fmod(hue, 360.0L));
  if (h < 0) h += 360;
  return h;
}

float Clamp01(float x) { return x > 1.0f ? 1.0f : (x < 0.0f ? 0.0f : x); }

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

TCoordinationModel::TCoordinationModel(TModelViews& views, TMessageSink& messages)
    : views_(views), messages_(messages) {
  canvasSurface.Create(kCanvasSize, kCanvasSize);
  MakeCheckerBrush(checkerBrush);
  SetInitialSlotParameters();
}

void TCoordinationModel::SetInitialSlotParameters() {
  for (TColorSlot& slot : slots_) {
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
    messages_.ShowMessage("参照");
    return nullptr;
  }
  return &slots_[static_cast<std::size_t>(selectedSlot)];
}

void TCoordinationModel::SelectSlot(int i) {
  if (busy) return;
  assert(i >= 0 && i < kSlotCount);
  selectedSlot = i;
  RefreshSelection();
}

void TCoordinationModel::RefreshSelection() {
  if (busy) return;
  selectedShade = kBase;
  if (views_.HueWindowVisible()) {
    PaintHueWindow();
    views_.RepaintValueSlider();
  }
  if (views_.PickerWindowVisible()) views_.RefreshPicker();
  if (LayerSelected()) {
    LayerMapping(selectedLayer).MappedSlot = static_cast<std::int16_t>(selectedSlot);
    BuildLayerLookup(selectedLayer);
  }
  if (views_.LayerWindowVisible()) {
    views_.RefreshSlotGrid();
    views_.RefreshLayerList();
    views_.PaintMappingPreview();
  }
  ComposeCanvas();
}

void TCoordinationModel::SelectShade(int i) {
  if (busy) return;
  assert(i >= 0 && i < 4);
  selectedShade = i;
  if (views_.PickerWindowVisible()) views_.RefreshPicker();
}

TColorF& TCoordinationModel::SelectedShadeParams() {
  assert(selectedSlot >= 0 && selectedSlot < kSlotCount && selectedShade >= 0 && selectedShade < 4);
  return slots_[static_cast<std::size_t>(selectedSlot)].shades[static_cast<std::size_t>(selectedShade)].Param;
}

void TCoordinationModel::RefreshSelectedSlot() {
  if (busy) return;
  BuildSlotRamp(selectedSlot);
  if (views_.LayerWindowVisible()) {
    views_.RefreshLayerList();
    views_.PaintMappingPreview();
  }
}

// ---------------------------------------------------------------- colours

void TCoordinationModel::ApplyScheme(int rule, const float (&hues)[kSlotCount], float (&weights)[kRuleSlotCount]) {
  if (busy) return;
  for (int i = 0; i < kSlotCount; ++i) {
    float h = hues[i];
    // One correction only: the scheme's hues stray at most one turn.
    if (h < 0.0f) {
      h = static_cast<float>(static_cast<long double>(h) + 360.0L);
    } else if (h > 360.0f) {
      h = static_cast<float>(static_cast<long double>(h) - 360.0L);
    }
    slots_[static_cast<std::size_t>(i)].shades[kBase].Param.h() = h;
  }
  slots_[0].shades[kBase].Param.s() = weights[0];
  for (int i = 1; i < kRuleSlotCount; ++i) {
    float& saturation = slots_[static_cast<std::size_t>(i)].shades[kBase].Param.s();
    if (rule == kCustomRule) {
      saturation = weights[i];
    } else {
      saturation = static_cast<float>(static_cast<long double>(weights[0]) + weights[i]);
      if (saturation > 1.0f) {
        saturation = 1.0f;
        weights[i] = static_cast<float>(1.0L - weights[0]);
      } else if (saturation < 0.0f) {
        // A negative offset can outrun slot 0's saturation when slot 0 is
        // turned down; below 0 there is no colour (its channels would pack
        // past a byte), so the slot rests at grey and keeps its offset.
        saturation = 0.0f;
      }
    }
  }
  for (int i = 0; i < kSlotCount; ++i) {
    TColorSlot& slot = slots_[static_cast<std::size_t>(i)];
    for (int j = 0; j < 4; ++j) {
      TShade& shade = slot.shades[static_cast<std::size_t>(j)];
      ComputeShade(slot, j, i, shade.Hsv);
      shade.Rgb = HsvToRgb(shade.Hsv);
      shade.Color = shade.LitColor = PackColor(shade.Rgb);
    }
  }
}

void TCoordinationModel::ComputeShade(TColorSlot& slot, int j, int slotIndex, TColorF& out) {
  TColorF base = slot.shades[kBase].Param;
  if (ToneFilterActive() && slotIndex >= 0 && slotIndex < kRuleSlotCount) {
    SnapToAllowedTones(slot.shades[kBase].Param, base);
  }
  const TColorF rb = HsvToRgb(base);
  TColorF result;
  switch (j) {
    case kHighlight: {
      TShade& hl = slot.shades[kHighlight];
      const TColorF m = HsvToRgb(TColorF(static_cast<float>(static_cast<long double>(base.h()) + hl.Param.h()),
                                         hl.Param.s(), hl.Param.v()));
      hl.Mix = m;
      for (int c = 0; c < 3; ++c) {
        // Screen; a channel already at 1 stays exactly 1.
        result.c[c] = rb.c[c] == 1.0f
                          ? 1.0f
                          : static_cast<float>(1.0L - (1.0L - m.c[c]) * (1.0L - static_cast<long double>(rb.c[c])));
      }
      break;
    }
    case kBase:
      result = rb;
      break;
    case kShadow: {
      TShade& sh = slot.shades[kShadow];
      const TColorF m = HsvToRgb(TColorF(static_cast<float>(static_cast<long double>(base.h()) + sh.Param.h()),
                                         sh.Param.s(), sh.Param.v()));
      sh.Mix = m;
      for (int c = 0; c < 3; ++c) result.c[c] = static_cast<float>(static_cast<long double>(rb.c[c]) * m.c[c]);
      break;
    }
    default: {
      // The deep shadow darkens the shadow of this same pass, read back from
      // its packed colour.
      const TShade& sh = slot.shades[kShadow];
      TShade& dp = slot.shades[kDeepShadow];
      const TColorF shadow = UnpackColor(sh.Color);
      const TColorF m = HsvToRgb(TColorF(
          static_cast<float>(static_cast<long double>(base.h()) + sh.Param.h() + dp.Param.h()), dp.Param.s(),
          dp.Param.v()));
      dp.Mix = m;
      for (int c = 0; c < 3; ++c) result.c[c] = static_cast<float>(static_cast<long double>(shadow.c[c]) * m.c[c]);
      break;
    }
  }
  out = RgbToHsv(result);
}

void TCoordinationModel::SnapToAllowedTones(const TColorF& in, TColorF& out) const {
  // Without tone data nothing can be classified, so nothing is snapped.
  if (!toneData.Present()) {
    out = in;
    return;
  }
  // A colour that is no colour at all (not a number) has no cell to start from.
  if (!std::isfinite(in.h()) || !std::isfinite(in.s()) || !std::isfinite(in.v())) {
    out = in;
    return;
  }
  const int h = WholeHue(in.h());
  // Far-out saturations and values start just outside the grid: the scan then
  // walks in from the nearest edge, as it does for any value past it.
  const auto gridStart = [](float x) { return RoundHalfUp(std::clamp(100.0L * x, -101.0L, 201.0L)); };
  const int s0 = gridStart(in.s());
  const int v0 = gridStart(in.v());
  std::uint32_t bestDistance = std::numeric_limits<std::uint32_t>::max();
  int bestS = -1;
  int bestV = -1;
  const auto allowed = [&](int s, int v) {
    const int tone = toneData.ToneClassAtCell(h, s, v);
    return tone >= 0 && (toneFilterMask >> tone & 1u) != 0;
  };
  const auto consider = [&](int s, int v) {
    const auto d = static_cast<std::uint32_t>((s - s0) * (s - s0) + (v - v0) * (v - v0));
    if (d < bestDistance) {
      bestDistance = d;
      bestS = s;
      bestV = v;
    }
  };
  const auto scanColumn = [&](int s) {
    for (int v = v0; v <= 100; ++v) {
      if (allowed(s, v)) {
        consider(s, v);
        break;
      }
    }
    for (int v = v0 - 1; v >= 0; --v) {
      if (allowed(s, v)) {
        consider(s, v);
        break;
      }
    }
  };
  for (int s = s0; s <= 100; ++s) scanColumn(s);
  for (int s = s0 - 1; s >= 0; --s) scanColumn(s);
  // No allowed cell at this hue (for instance an empty filter): keep the colour.
  if (bestS < 0) {
    out = in;
    return;
  }
  out = TColorF(in.h(), static_cast<float>(bestS / 100.0L), static_cast<float>(bestV / 100.0L));
}

void TCoordinationModel::FitShadeToColor(TColorSlot& slot, int j, const TColorF& target) {
  if (busy) return;
  const TColorF t = HsvToRgb(target);
  const TColorF rb = HsvToRgb(slot.shades[kBase].Param);
  const float baseHue = slot.shades[kBase].Param.h();
  TColorF& param = slot.shades[static_cast<std::size_t>(j)].Param;

  // The mixing colour that turns `from` into the target by screen (highlight)
  // or multiply (shadows), as far as that is possible, with its hue stored as
  // an offset from `hueOrigin`.
  const auto fitMix = [&](const TColorF& from, bool screen, long double hueOrigin) {
    TColorF m;
    for (int c = 0; c < 3; ++c) {
      const long double tc = t.c[c];
      const long double fc = from.c[c];
      if (screen) {
        m.c[c] = (tc >= fc && from.c[c] != 1.0f) ? static_cast<float>(1.0L - (1.0L - tc) / (1.0L - fc))
                                                  : (tc >= fc ? 1.0f : 0.0f);
      } else {
        m.c[c] = from.c[c] == 0.0f ? 0.0f : (tc >= fc ? 1.0f : static_cast<float>(tc / fc));
      }
    }
    param = RgbToHsv(m);
    param.h() = static_cast<float>(param.h() - hueOrigin);
    if (param.h() > 180.0f) param.h() = static_cast<float>(static_cast<long double>(param.h()) - 360.0L);
  };

  switch (j) {
    case kBase:
      param = target;
      if (selectedSlot >= 0 && selectedSlot < kSlotCount) {
        scheme_.SetSlotHue(selectedSlot, target.h());
        if (selectedSlot < kRuleSlotCount) {
          scheme_.SetCustomHueOffset(selectedSlot, target.h());
          scheme_.SetSaturationWeight(selectedSlot, target.s());
        }
      }
      break;
    case kHighlight:
      fitMix(rb, true, baseHue);
      break;
    case kShadow:
      fitMix(rb, false, baseHue);
      break;
    default:
      fitMix(UnpackColor(slot.shades[kShadow].Color), false,
             static_cast<long double>(slot.shades[kShadow].Param.h()) + baseHue);
      break;
  }
  param.s() = Clamp01(param.s());
  param.v() = Clamp01(param.v());
  // Only the base is snapped to the allowed tones. The other shades hold a
  // mixing colour whose hue is an offset (-180..180), not a colour of the
  // slot's own: the tone of the slot is decided by its base alone, which
  // ComputeShade snaps on every pass anyway.
  if (j == kBase && ToneFilterActive() && selectedSlot >= 0 && selectedSlot < kRuleSlotCount) {
    const TColorF unsnapped = param;
    SnapToAllowedTones(unsnapped, param);
  }
}

void TCoordinationModel::ApplyLightBalance() {
  if (busy || !lightBalanceEnabled) return;
  const TColorF a = HsvToRgb(ambientColor);
  const TColorF l = HsvToRgb(lightColor);
  for (TColorSlot& slot : slots_) {
    if (ignoreShadeSettings) {
      const TColorF bc = UnpackColor(slot.shades[kBase].Color);
      TColorF lit[4];
      for (int c = 0; c < 3; ++c) {
        const long double bl = static_cast<long double>(bc.c[c]) * l.c[c];
        lit[kHighlight].c[c] = static_cast<float>(l.c[c] + (bl - l.c[c]) * 0.5L);
        lit[kBase].c[c] = static_cast<float>(bl);
        lit[kShadow].c[c] = static_cast<float>(bl * a.c[c]);
        lit[kDeepShadow].c[c] = static_cast<float>(a.c[c] * (bl * a.c[c]));
      }
      for (int j = 0; j < 4; ++j) slot.shades[static_cast<std::size_t>(j)].LitColor = PackColor(lit[j]);
    } else {
      for (int j = 0; j < 4; ++j) {
        TShade& shade = slot.shades[static_cast<std::size_t>(j)];
        const TColorF c0 = UnpackColor(shade.Color);
        TColorF lit;
        for (int c = 0; c < 3; ++c) {
          const long double cl = static_cast<long double>(c0.c[c]) * l.c[c];
          lit.c[c] = static_cast<float>(j <= kBase ? cl : a.c[c] * cl);
        }
        shade.LitColor = PackColor(lit);
      }
    }
  }
}

// ---------------------------------------------------------------- picking

void TCoordinationModel::PickScreenColour(int shade, TColor pixel) {
  if (busy) return;
  TColorSlot* slot = SelectedSlot();
  if (slot == nullptr) return;
  FitShadeToColor(*slot, shade, RgbToHsv(UnpackColor(pixel)));
  if (shade == kBase) {
    // The base belongs to the scheme: the fitted hue and saturation go back
    // in the form the current rule keeps them.
    const TColorF& base = slot->shades[kBase].Param;
    scheme_.TakeBaseColour(selectedSlot, base.h(), base.s());
  }
  Redraw(kRedrawSelected);
}

void TCoordinationModel::PickLevelAt(bool shadowLevel, int x, int y) {
  if (busy || !LayerSelected() || artworkSurface.width <= 0) return;
  x -= artworkOriginX;
  y -= artworkOriginY;
  if (!pickSurface.Contains(x, y)) return;
  const int grey = pickSurface.At(x, y).red;
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
      slots_[static_cast<std::size_t>(selectedSlot)].shades[static_cast<std::size_t>(shade)].Hsv);
}

TColor TCoordinationModel::ToneColorAtSelectedHue(int tone) const {
  if (selectedSlot < 0 || selectedSlot >= kSlotCount) return 0;
  return ToneColorAt(WholeHue(slots_[static_cast<std::size_t>(selectedSlot)].shades[kBase].Param.h()), tone);
}

void TCoordinationModel::ApplyToneToSelectedSlot(int tone) {
  if (busy) return;
  TColorSlot* slot = SelectedSlot();
  if (slot == nullptr) return;
  TColorF& base = slot->shades[kBase].Param;
  const TColorF hsv = RgbToHsv(UnpackColor(ToneColorAtHue(base.h(), tone)));
  if (selectedShade == kBase && selectedSlot < kRuleSlotCount) scheme_.SetRuleSlotSaturation(selectedSlot, hsv.s());
  base.s() = hsv.s();
  base.v() = hsv.v();
  Redraw(kRedrawLayer);
  RefreshSelectedSlot();
  Redraw(kRedrawSelected);
}

// ---------------------------------------------------------------- picker strips

void TCoordinationModel::BuildPickerStrips(TSurface& hueStrip, TSurface& saturationStrip,
                                           TSurface& valueStrip) const {
  if (busy || selectedSlot < 0 || selectedSlot >= kSlotCount) return;
  if (hueStrip.width < 128 || saturationStrip.width < 128 || valueStrip.width < 128 || hueStrip.height < 1 ||
      saturationStrip.height < 1 || valueStrip.height < 1) {
    return;
  }
  const TColorSlot& slot = slots_[static_cast<std::size_t>(selectedSlot)];
  const TColorF centre = slot.shades[static_cast<std::size_t>(selectedShade)].Hsv;
  int lo = 0;
  int hi = 360;
  if (selectedShade != kBase) {
    const long double baseHue = slot.shades[kBase].Param.h();
    lo = Trunc(baseHue - 180.0L);
    hi = Trunc(baseHue + 180.0L);
  }
  const auto toPixel = [](const TColorF& rgb) {
    return TRgb24{static_cast<std::uint8_t>(Trunc(static_cast<long double>(rgb.b()) * 255.0L)),
                  static_cast<std::uint8_t>(Trunc(static_cast<long double>(rgb.g()) * 255.0L)),
                  static_cast<std::uint8_t>(Trunc(static_cast<long double>(rgb.r()) * 255.0L))};
  };
  for (int i = 0; i < 128; ++i) {
    const auto hue = static_cast<float>(lo + static_cast<long double>(i * (hi - lo)) / 128.0L);
    const auto fraction = static_cast<float>(i / 128.0L);
    hueStrip.rows[0][i] = toPixel(HsvToRgb(TColorF(hue, centre.s(), centre.v())));
    saturationStrip.rows[0][i] = toPixel(HsvToRgb(TColorF(centre.h(), fraction, centre.v())));
    valueStrip.rows[0][i] = toPixel(HsvToRgb(TColorF(centre.h(), centre.s(), fraction)));
  }
}

// ---------------------------------------------------------------- redraw

void TCoordinationModel::PaintHueWindow() {
  RepaintWheel();
  views_.RepaintSlotStrip();
}

// ---------------------------------------------------------------- scheme

void TCoordinationModel::ConstructScheme() {
  scheme_.Reset();
  // The first choice of the custom rule comes from rule 0, so the custom
  // weights are loaded; the start has nothing drawn yet to redraw.
  scheme_.SwitchRule(kCustomRule, static_cast<std::uint32_t>(enabledSlotMask));
  RepaintWheel();
}

void TCoordinationModel::ChangeRule(int rule) {
  if (busy) return;
  scheme_.SwitchRule(rule, static_cast<std::uint32_t>(enabledSlotMask));
  Redraw(kRedrawAll);
}

void TCoordinationModel::RepaintWheel() {
  if (busy) return;
  scheme_.DeriveRuleHues();
  ApplyScheme(scheme_.ruleIndex, scheme_.slotHues, scheme_.saturationWeights);
  ApplyLightBalance();
  views_.DrawHueWheel();
}

void TCoordinationModel::Redraw(int mode) {
  if (busy) return;
  const std::int64_t start = NowMs();
  PaintHueWindow();
  views_.RepaintValueSlider();
  if (views_.PickerWindowVisible()) views_.RefreshPicker();
  if (views_.LayerWindowVisible()) views_.RefreshSlotGrid();

  if (mode == kRedrawAll) {
    for (int i = 0; i < kSlotCount; ++i) BuildSlotRamp(i);
    ComposeCanvas();
    return;
  }
  if (mode == kRedrawLayer) {
    BuildLayerLookup(selectedLayer);
    ComposeCanvas();
    return;
  }
  // Only the ramps that can have changed: under the custom rule the rule
  // slots are independent, so a rule slot other than 0 changes alone; under
  // the other rules the rule slots move together.
  const bool alone = scheme_.ruleIndex == kCustomRule ? selectedSlot != 0 : selectedSlot >= kRuleSlotCount;
  if (alone) {
    if (selectedSlot >= 0 && selectedSlot < kSlotCount) BuildSlotRamp(selectedSlot);
  } else {
    for (int i = 0; i < kRuleSlotCount; ++i) BuildSlotRamp(i);
  }
  ComposeCanvas();
  lastDrawingMs = NowMs() - start;
  char title[64];
  std::snprintf(title, sizeof title, "Tintloom [DEBUG:DRAWING SCORE %dms]", static_cast<int>(lastDrawingMs));
  views_.SetTitleText(title);
}

// ---------------------------------------------------------------- layers

int TCoordinationModel::LayerCount() const {
  // Records and working layers are made together by a load; a document left
  // empty by a failed one has no layers whatever records remain.
  const int working = document.working_layer_count > 0 ? document.working_layer_count : 0;
  return std::min({working, static_cast<int>(document.Simples.size()), static_cast<int>(artworkLayers.size())});
}

bool TCoordinationModel::LayerSelected() const { return selectedLayer >= 0 && selectedLayer < LayerCount(); }

int TCoordinationModel::LayerBlendMode(int i) const {
  if (i < 0 || i >= LayerCount()) return kBlendNormal;
  return document.Simples[static_cast<std::size_t>(i)].BlendModeKey;
}

void TCoordinationModel::SelectLayer(int i) {
  if (busy) return;
  if (i < -1 || i >= LayerCount()) {
    assert(false && "layer index out of range");
    return;
  }
  selectedLayer = i;
  if (i == -1) return;
  const TLayerMapping& mapping = LayerMapping(i);
  if (mapping.MappedSlot < kSlotCount) SelectSlot(mapping.MappedSlot);
  if (views_.LayerWindowVisible()) {
    views_.ShowLayerBlendMode(LayerBlendMode(i) + 1);
    views_.ShowLayerLevels(mapping.BaseLevel, mapping.ShadowLevel);
    views_.PaintMappingPreview();
  }
}

void TCoordinationModel::SetLayerBaseLevel(int v) {
  if (!LayerSelected()) return;
  LayerMapping(selectedLayer).BaseLevel = static_cast<std::uint8_t>(v);
  ApplyLayerLevels();
}

void TCoordinationModel::SetLayerShadowLevel(int v) {
  if (!LayerSelected()) return;
  LayerMapping(selectedLayer).ShadowLevel = static_cast<std::uint8_t>(v);
  ApplyLayerLevels();
}

void TCoordinationModel::ApplyLayerLevels() {
  if (busy || !views_.LayerWindowVisible()) return;
  TLayerMapping& mapping = LayerMapping(selectedLayer);
  if (mapping.BaseLevel < mapping.ShadowLevel) mapping.ShadowLevel = 0;
  views_.ShowLayerLevels(mapping.BaseLevel, mapping.ShadowLevel);
  BuildLayerLookup(selectedLayer);
  ComposeCanvas();
  views_.PaintMappingPreview();
}

void TCoordinationModel::SetLayerBlendMode(int m) {
  // The selection can outlive the layers it pointed at only through a bug;
  // the blend code lives in the document's own working layer.
  if (!LayerSelected() || m < kBlendNormal || m >= kBlendModeCount) return;
  document.Simples[static_cast<std::size_t>(selectedLayer)].BlendModeKey = static_cast<std::int16_t>(m);
  ComposeCanvas();
}

const TSurface* TCoordinationModel::LayerThumbnail(int i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= artworkLayers.size()) return nullptr;
  const TSurface& thumbnail = artworkLayers[static_cast<std::size_t>(i)].thumbnail;
  return thumbnail.Empty() ? nullptr : &thumbnail;
}

// ---------------------------------------------------------------- light balance, busy

void TCoordinationModel::SetLightColors(const TColorF& ambient, const TColorF& light) {
  if (busy) return;
  ambientColor = ambient;
  lightColor = light;
  if (lightBalanceEnabled) Redraw(kRedrawAll);
}

void TCoordinationModel::SetLightBalanceEnabled(bool on) {
  if (busy || on == lightBalanceEnabled) return;
  lightBalanceEnabled = on;
  Redraw(kRedrawAll);
}

void TCoordinationModel::BeginBusy() {
  if (busy) return;
  busy = true;
  views_.EnterBusy();
}

void TCoordinationModel::EndBusy() {
  busy = false;
  views_.LeaveBusy();
}

}  // namespace tintloom
