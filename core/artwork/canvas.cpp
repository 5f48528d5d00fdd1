// The canvas: slot ramps, layer lookups and the composition of the 600 x 600
// canvas from the background and the recoloured artwork.

#include <cassert>

#include "core/artwork/compositor.h"
#include "core/model/coordination_model.h"

namespace tintloom {

void TCoordinationModel::MakeCheckerBrush(TSurface& brush) {
  brush.Create(16, 16);
  FillAll(brush, 0xFFFFFF);
  FillRect(brush, 0, 0, 8, 8, 0xD0D0D0);
  FillRect(brush, 8, 8, 8, 8, 0xD0D0D0);
}

void TCoordinationModel::BuildSlotRamp(int i) {
  if (i < 0 || i >= kRampCount) {
    assert(false && "ramp index out of range");
    return;
  }
  TRamp& ramp = slotRamps_[static_cast<std::size_t>(i)];
  if (i == kGreyRamp) {
    for (int k = 0; k < kRampLength; ++k) {
      const auto g = static_cast<std::uint8_t>(k * 255 / 767);
      ramp[static_cast<std::size_t>(k)] = TRgb24{g, g, g};
    }
    return;
  }
  if (i == kBlackRamp || i == kWhiteRamp) {
    const std::uint8_t g = i == kBlackRamp ? 0 : 255;
    ramp.fill(TRgb24{g, g, g});
    return;
  }
  const TColorSlot& slot = slots_[static_cast<std::size_t>(i)];
  const TRgb24 h = ToRgb24(slot.shades[kHighlight].LitColor);
  const TRgb24 b = ToRgb24(slot.shades[kBase].LitColor);
  const TRgb24 s = ToRgb24(slot.shades[kShadow].LitColor);
  const TRgb24 d = ToRgb24(slot.shades[kDeepShadow].LitColor);
  // Integer steps with C division: toward zero for falling channels too.
  const auto segment = [&](int start, TRgb24 from, TRgb24 to) {
    for (int a = 0; a < 256; ++a) {
      TRgb24& p = ramp[static_cast<std::size_t>(start + a)];
      p.blue = static_cast<std::uint8_t>(from.blue + a * (to.blue - from.blue) / 255);
      p.green = static_cast<std::uint8_t>(from.green + a * (to.green - from.green) / 255);
      p.red = static_cast<std::uint8_t>(from.red + a * (to.red - from.red) / 255);
    }
  };
  segment(512, b, h);
  segment(256, s, b);
  segment(0, d, s);
}

void TCoordinationModel::BuildLayerLookup(int layer) {
  if (layer == -1) return;
  if (layer < 0 || layer >= static_cast<int>(artworkLayers.size())) {
    assert(false && "layer index out of range");
    return;
  }
  TLayerMapping& mapping = LayerMapping(layer);
  const int mapped = mapping.MappedSlot >= 0 && mapping.MappedSlot < kRampCount ? mapping.MappedSlot : kGreyRamp;
  const TRamp& ramp = slotRamps_[static_cast<std::size_t>(mapped)];
  const int b = mapping.BaseLevel;
  const int c = mapping.ShadowLevel;
  // t is stored as a float before it is scaled into its segment.
  const auto entry = [&](float t, int segmentStart) {
    const int n = Trunc(static_cast<long double>(t) * 255.0L + segmentStart);
    assert(n >= 0 && n < kRampLength);
    return &ramp[static_cast<std::size_t>(n)];
  };
  for (int g = b; g <= 255; ++g) {
    const float t = b == 255 ? 0.0f : static_cast<float>(static_cast<long double>(g - b) / (255 - b));
    mapping.Lookup[static_cast<std::size_t>(g)] = entry(t, 512);
  }
  for (int g = c; g < b; ++g) {
    const float t = c < b ? static_cast<float>(static_cast<long double>(g - c) / (b - c)) : 0.0f;
    mapping.Lookup[static_cast<std::size_t>(g)] = entry(t, 256);
  }
  for (int g = 0; g < c; ++g) {
    const float t = c > 0 ? static_cast<float>(static_cast<long double>(g) / c) : 0.0f;
    mapping.Lookup[static_cast<std::size_t>(g)] = entry(t, 0);
  }
}

TColor TCoordinationModel::BackgroundColour() const {
  switch (backgroundMode) {
    case BackgroundMode::White: return 0xFFFFFF;
    case BackgroundMode::Grey: return 0x808080;
    case BackgroundMode::Black: return 0x000000;
    case BackgroundMode::Ambient: return HsvToColor(ambientColor.h(), ambientColor.s(), ambientColor.v());
    case BackgroundMode::Checker: break;
  }
  return 0xFFFFFF;
}

void TCoordinationModel::SetBackgroundMode(BackgroundMode mode) {
  backgroundMode = mode;
  ComposeCanvas();
}

void TCoordinationModel::ComposeCanvas() {
  // A repaint requested while composing is dropped, not nested.
  if (busy || composing_) return;
  composing_ = true;
  if (backgroundMode == BackgroundMode::Checker) {
    FillRectPattern(canvasSurface, 0, 0, kCanvasSize, kCanvasSize, checkerBrush);
  } else {
    FillRect(canvasSurface, 0, 0, kCanvasSize, kCanvasSize, BackgroundColour());
  }
  if (artworkSurface.width > 0) {
    const int x = kCanvasSize / 2 - artworkSurface.width / 2;
    const int y = kCanvasSize / 2 - artworkSurface.height / 2;
    // Level picking reads the artwork relative to where it is shown.
    artworkOriginX = x;
    artworkOriginY = y;
    CopyRect(artworkSurface, 0, 0, canvasSurface, x, y, artworkSurface.width, artworkSurface.height);
    CompositeArtwork(document, artworkSurface, artworkLayers, GlobalBlendTable());
    DrawSurface(canvasSurface, x, y, artworkSurface);
  }
  FrameRect(canvasSurface, 0, 0, kCanvasSize, kCanvasSize, 0, 0x000000);
  views_.ShowCanvas();
  composing_ = false;
}

}  // namespace tintloom
