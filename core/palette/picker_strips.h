#pragma once
// The picker's three strips round a shade's colour: hue, saturation and value
// each swept across 128 pixels with the other two held.

#include "core/colour/surface.h"
#include "core/palette/colour_slots.h"

namespace tintloom {

// Fills the first row of three surfaces at least 128 x 1 around shade
// `shade` of the slot. The base's hue strip spans 0..360; another shade's
// spans its base hue -180..+180, since its hue is an offset from the base.
// Bytes are channels x 255 truncated. Smaller surfaces are left alone.
void FillPickerStrips(const TColorSlot& slot, int shade, TSurface& hueStrip, TSurface& saturationStrip,
                      TSurface& valueStrip);

}  // namespace tintloom
