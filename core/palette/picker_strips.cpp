#include "core/palette/picker_strips.h"

namespace tintloom {

void FillPickerStrips(const TColorSlot& slot, int shade, TSurface& hueStrip, TSurface& saturationStrip,
                      TSurface& valueStrip) {
  if (hueStrip.width < 128 || saturationStrip.width < 128 || valueStrip.width < 128 || hueStrip.height < 1 ||
      saturationStrip.height < 1 || valueStrip.height < 1) {
    return;
  }
  const TColorF centre = slot.shades[static_cast<std::size_t>(shade)].Hsv;
  int lo = 0;
  int hi = 360;
  if (shade != kBase) {
    const TExtended baseHue = slot.shades[kBase].Param.h();
    lo = Trunc(baseHue - 180.0_x);
    hi = Trunc(baseHue + 180.0_x);
  }
  const auto toPixel = [](const TColorF& rgb) {
    return TRgb24{static_cast<std::uint8_t>(Trunc(static_cast<TExtended>(rgb.b()) * 255.0_x)),
                  static_cast<std::uint8_t>(Trunc(static_cast<TExtended>(rgb.g()) * 255.0_x)),
                  static_cast<std::uint8_t>(Trunc(static_cast<TExtended>(rgb.r()) * 255.0_x))};
  };
  for (int i = 0; i < 128; ++i) {
    const auto hue = static_cast<float>(lo + static_cast<TExtended>(i * (hi - lo)) / 128.0_x);
    const auto fraction = static_cast<float>(i / 128.0_x);
    hueStrip.rows[0][i] = toPixel(HsvToRgb(TColorF(hue, centre.s(), centre.v())));
    saturationStrip.rows[0][i] = toPixel(HsvToRgb(TColorF(centre.h(), fraction, centre.v())));
    valueStrip.rows[0][i] = toPixel(HsvToRgb(TColorF(centre.h(), centre.s(), fraction)));
  }
}

}  // namespace tintloom
