#pragma once
// The ten slots as Photoshop gradients (.grd, version 5, descriptor-based):
// one gradient per slot with four colour stops, deep shadow to highlight,
// the order a slot's ramp runs from dark to light.

#include <cstdint>
#include <span>
#include <vector>

#include "core/colour/colour.h"

namespace tintloom {

// `colours` is the export list: slot by slot, highlight to deep shadow within
// a slot (4 x slots entries). Every gradient is named "カスタム".
std::vector<std::uint8_t> EncodeGradient(std::span<const TRgb24> colours);

}  // namespace tintloom
