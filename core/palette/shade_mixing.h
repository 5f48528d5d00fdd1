#pragma once
// How a slot's four shades come from its base colour: the highlight screens
// the base with a mixing colour, the shadow multiplies it, the deep shadow
// multiplies the shadow again. Also the reverse (the mixing colour that gives
// a wanted shade) and the light balance's tint of the finished shades.

#include "core/colour/colour.h"
#include "core/palette/colour_slots.h"

namespace tintloom {

// Shade `shade` of the slot computed from the base HSV `base` (the slot's own
// base, or that base snapped to the allowed tones). Keeps the mixing colour in
// the shade's Mix and returns the shade's HSV. The deep shadow starts from
// the shadow's packed Color, so the shadow must be packed first.
TColorF MixShade(TColorSlot& slot, int shade, const TColorF& base);

// Sets the Param of the highlight, shadow or deep shadow to the mixing colour
// that turns the base (or, for the deep shadow, the shadow) into `target`
// (HSV) as far as screen or multiply can; its hue is stored as an offset
// (above 180 wrapped to below). Saturation and value are left unclamped.
void FitMixingColour(TColorSlot& slot, int shade, const TColorF& target);

// The light balance: each shade's LitColor from its Color, the ambient and
// the light colour (RGB). Ignoring the shade settings derives all four lit
// shades from the base alone.
void LightSlot(TColorSlot& slot, const TColorF& ambientRgb, const TColorF& lightRgb, bool ignoreShadeSettings);

}  // namespace tintloom
