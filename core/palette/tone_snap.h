#pragma once
// The tone filter's search: the nearest saturation/value cell of a hue whose
// tone class the filter allows.

#include <cstdint>

#include "core/colour/colour.h"
#include "core/palette/tone_data.h"

namespace tintloom {

// A hue in whole degrees as an index 0..359: truncated, 360 read as 0, and
// anything further out wrapped instead of reaching outside a table.
int WholeHue(TExtended hue);

// The cell nearest to `in` (squared distance in whole percent) at the same
// whole hue whose tone class has its bit set in `allowedTones`, scanning
// saturation up then down from the start and, in each column, value up then
// down, the first found winning ties. The hue is kept. Without tone data,
// without any allowed cell, or for a colour that is not a number, `in`
// itself.
TColorF NearestAllowedTone(const TToneData& tones, std::uint32_t allowedTones, const TColorF& in);

}  // namespace tintloom
