#include "core/palette/shade_mixing.h"

namespace tintloom {

TColorF MixShade(TColorSlot& slot, int shade, const TColorF& base) {
  const TColorF rb = HsvToRgb(base);
  TColorF result;
  switch (shade) {
    case kHighlight: {
      TShade& hl = slot.shades[kHighlight];
      const TColorF m = HsvToRgb(TColorF(static_cast<float>(static_cast<TExtended>(base.h()) + hl.Param.h()),
                                         hl.Param.s(), hl.Param.v()));
      hl.Mix = m;
      // Screen. A base channel at 1 comes out exactly 1 by the formula itself.
      for (int c = 0; c < 3; ++c) {
        result.c[c] = static_cast<float>(1.0_x - (1.0_x - m.c[c]) * (1.0_x - static_cast<TExtended>(rb.c[c])));
      }
      break;
    }
    case kBase:
      result = rb;
      break;
    case kShadow: {
      TShade& sh = slot.shades[kShadow];
      const TColorF m = HsvToRgb(TColorF(static_cast<float>(static_cast<TExtended>(base.h()) + sh.Param.h()),
                                         sh.Param.s(), sh.Param.v()));
      sh.Mix = m;
      for (int c = 0; c < 3; ++c) result.c[c] = static_cast<float>(static_cast<TExtended>(rb.c[c]) * m.c[c]);
      break;
    }
    default: {
      // The deep shadow darkens the shadow of this same pass, read back from
      // its packed colour.
      const TShade& sh = slot.shades[kShadow];
      TShade& dp = slot.shades[kDeepShadow];
      const TColorF shadow = UnpackColour(sh.Color);
      const TColorF m = HsvToRgb(TColorF(
          static_cast<float>(static_cast<TExtended>(base.h()) + sh.Param.h() + dp.Param.h()), dp.Param.s(),
          dp.Param.v()));
      dp.Mix = m;
      for (int c = 0; c < 3; ++c) result.c[c] = static_cast<float>(static_cast<TExtended>(shadow.c[c]) * m.c[c]);
      break;
    }
  }
  return RgbToHsv(result);
}

void FitMixingColour(TColorSlot& slot, int shade, const TColorF& target) {
  const TColorF t = HsvToRgb(target);
  const TExtended baseHue = slot.shades[kBase].Param.h();
  const bool screen = shade == kHighlight;
  // The highlight and the shadow start from the base (unsnapped); the deep
  // shadow from the shadow, whose hue offset adds to the base hue.
  const TColorF from = shade == kDeepShadow ? UnpackColour(slot.shades[kShadow].Color) : HsvToRgb(slot.shades[kBase].Param);
  const TExtended hueOrigin =
      shade == kDeepShadow ? static_cast<TExtended>(slot.shades[kShadow].Param.h()) + baseHue : baseHue;
  TColorF m;
  for (int c = 0; c < 3; ++c) {
    const TExtended tc = t.c[c];
    const TExtended fc = from.c[c];
    if (screen) {
      m.c[c] = (tc >= fc && from.c[c] != 1.0f) ? static_cast<float>(1.0_x - (1.0_x - tc) / (1.0_x - fc))
                                                : (tc >= fc ? 1.0f : 0.0f);
    } else {
      m.c[c] = from.c[c] == 0.0f ? 0.0f : (tc >= fc ? 1.0f : static_cast<float>(tc / fc));
    }
  }
  TColorF& param = slot.shades[static_cast<std::size_t>(shade)].Param;
  param = RgbToHsv(m);
  param.h() = static_cast<float>(param.h() - hueOrigin);
  if (param.h() > 180.0f) param.h() = static_cast<float>(static_cast<TExtended>(param.h()) - 360.0_x);
}

void LightSlot(TColorSlot& slot, const TColorF& a, const TColorF& l, bool ignoreShadeSettings) {
  if (ignoreShadeSettings) {
    const TColorF bc = UnpackColour(slot.shades[kBase].Color);
    TColorF lit[kShadeCount];
    for (int c = 0; c < 3; ++c) {
      const TExtended bl = static_cast<TExtended>(bc.c[c]) * l.c[c];
      lit[kHighlight].c[c] = static_cast<float>(l.c[c] + (bl - l.c[c]) * 0.5_x);
      lit[kBase].c[c] = static_cast<float>(bl);
      lit[kShadow].c[c] = static_cast<float>(bl * a.c[c]);
      lit[kDeepShadow].c[c] = static_cast<float>(a.c[c] * (bl * a.c[c]));
    }
    for (int j = 0; j < kShadeCount; ++j) slot.shades[static_cast<std::size_t>(j)].LitColor = PackColour(lit[j]);
    return;
  }
  for (int j = 0; j < kShadeCount; ++j) {
    TShade& shade = slot.shades[static_cast<std::size_t>(j)];
    const TColorF c0 = UnpackColour(shade.Color);
    TColorF lit;
    for (int c = 0; c < 3; ++c) {
      const TExtended cl = static_cast<TExtended>(c0.c[c]) * l.c[c];
      lit.c[c] = static_cast<float>(j <= kBase ? cl : a.c[c] * cl);
    }
    shade.LitColor = PackColour(lit);
  }
}

}  // namespace tintloom
