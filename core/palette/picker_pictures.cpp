#include "core/palette/picker_pictures.h"

namespace tintloom {

namespace {

int Channel(TColor c, int shift) { return static_cast<int>(c >> shift & 0xFFu); }

}  // namespace

void DrawMixingField(TSurface& panel, const TColorSlot& slot, int shade) {
  const int w = panel.width;
  const int h = panel.height;
  if (panel.Empty() || shade == kBase || shade < 0 || shade >= kShadeCount) return;
  // The mixing hue is relative to the base; the deep shadow's adds to the shadow's.
  TExtended hue = static_cast<TExtended>(slot.shades[kBase].Param.h()) + slot.shades[static_cast<std::size_t>(shade)].Param.h();
  if (shade == kDeepShadow) hue += slot.shades[kShadow].Param.h();
  const TColor pure = PackColour(HsvToRgb(TColorF(static_cast<float>(hue), 1.0f, 1.0f)));
  const TColor base = slot.shades[kBase].Color;
  const TColor shadow = slot.shades[kShadow].Color;
  for (int r = 0; r < h; ++r) {
    const int k = 256 - r * 256 / h;
    TRgb24* row = panel.rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < w; ++c) {
      const int e = c * 256 / w;
      int out[3];
      for (int ch = 0; ch < 3; ++ch) {
        const int shift = 8 * ch;
        const int l = Channel(pure, shift);
        const int g = ((((l - 255) * e) >> 8) + 255) * k >> 8;
        const int b = Channel(base, shift);
        switch (shade) {
          case kHighlight: out[ch] = 255 - (255 - b) * (255 - g) / 255; break;
          case kShadow: out[ch] = b * g / 255; break;
          default: out[ch] = Channel(shadow, shift) * g / 255; break;
        }
      }
      row[c] = TRgb24{static_cast<std::uint8_t>(out[2]), static_cast<std::uint8_t>(out[1]),
                      static_cast<std::uint8_t>(out[0])};
    }
  }
}

void DrawInvertingCross(TSurface& s, int x, int y) {
  const auto invert = [&s](int px, int py) {
    if (!s.Contains(px, py)) return;
    TRgb24& p = s.At(px, py);
    p = TRgb24{static_cast<std::uint8_t>(~p.blue), static_cast<std::uint8_t>(~p.green),
               static_cast<std::uint8_t>(~p.red)};
  };
  // Two strokes of seven pixels; each inverts its own pixels, so the centre,
  // in both, shows through again.
  for (int i = -3; i < 4; ++i) invert(x + i, y);
  for (int i = -3; i < 4; ++i) invert(x, y + i);
}

void BuildPreviewRamp(const TColorSlot& slot, TPreviewRamp& ramp) {
  const TColor d = slot.shades[kDeepShadow].Color;
  const TColor s = slot.shades[kShadow].Color;
  const TColor b = slot.shades[kBase].Color;
  const TColor l = slot.shades[kHighlight].Color;
  const auto step = [](TColor from, TColor to, int i, int n) {
    int out[3];
    for (int ch = 0; ch < 3; ++ch) {
      const int a = Channel(from, 8 * ch);
      out[ch] = a + i * (Channel(to, 8 * ch) - a) / n;
    }
    return TRgb24{static_cast<std::uint8_t>(out[2]), static_cast<std::uint8_t>(out[1]),
                  static_cast<std::uint8_t>(out[0])};
  };
  for (int i = 0; i <= 70; ++i) ramp[static_cast<std::size_t>(i)] = step(d, s, i, 71);
  for (int i = 0; i < 120; ++i) ramp[static_cast<std::size_t>(71 + i)] = step(s, b, i, 120);
  for (int i = 0; i <= 64; ++i) ramp[static_cast<std::size_t>(191 + i)] = step(b, l, i, 64);
}

void DrawShadedPreview(TSurface& preview, const TColorSlot& slot, const TMask8& shading, const TMask8& gloss) {
  TPreviewRamp ramp;
  BuildPreviewRamp(slot, ramp);
  TRgb24 palette[256];
  for (std::size_t i = 0; i < ramp.size(); ++i) palette[i] = ramp[i];
  MapMaskThroughPalette(preview, 0, 0, palette, shading);
  BlendColourThroughMask(preview, 0, 0, TRgb24{255, 255, 255}, gloss);
}

}  // namespace tintloom
