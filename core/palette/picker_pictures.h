#pragma once
// The picker's two pictures of a slot: the mixing field (the shade for every
// saturation and value of its mixing colour) and the shaded preview (the four
// shades laid over a lit shape through the skin's shading and gloss masks).

#include <array>

#include "core/colour/surface.h"
#include "core/palette/colour_slots.h"

namespace tintloom {

// Fills the whole surface with shade `shade` (highlight, shadow or deep
// shadow) of the slot as its mixing colour would make it: saturation left to
// right, value top (full) to bottom, in integer maths.
void DrawMixingField(TSurface& panel, const TColorSlot& slot, int shade);
// The mark of the current mixing colour: a small cross that inverts the
// pixels under it, clipped to the surface.
void DrawInvertingCross(TSurface& s, int x, int y);

// 256 steps from the deep shadow through the shadow (71) and the base (191)
// to the highlight (255), per channel in integer maths.
using TPreviewRamp = std::array<TRgb24, 256>;
void BuildPreviewRamp(const TColorSlot& slot, TPreviewRamp& ramp);

// The preview: the shading mask mapped through the slot's ramp at (0, 0),
// then white blended through the gloss mask.
void DrawShadedPreview(TSurface& preview, const TColorSlot& slot, const TMask8& shading, const TMask8& gloss);

}  // namespace tintloom
