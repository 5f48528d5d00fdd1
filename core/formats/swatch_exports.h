#pragma once
// The palette's forty lit colours as swatch files for other painting
// programs: Photoshop swatches (.aco), Adobe Swatch Exchange (.ase), a
// Painter colour set (.colors) and a GIMP palette (.gpl). Each encoder takes
// the colours and their names (Shift-JIS) in order and returns the file's
// bytes; nothing else of the program's state is read.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/colour/colour.h"

namespace tintloom {

// The colours an export receives, slot by slot, highlight to deep shadow
// within a slot, each the shade's lit colour; and one name per colour.
struct TExportColours {
  std::vector<TRgb24> colours;
  std::vector<std::string> names;  // Shift-JIS
};

// Names longer than this many UTF-16 units are cut (ACO and ASE).
inline constexpr std::size_t kMaxExportNameUnits = 127;

// Version 1 (colours) then version 2 (colours with names), big-endian,
// components x 257.
std::vector<std::uint8_t> EncodeAco(const TExportColours& list);
// One colour block per colour, float32 RGB from the bytes times 1/255.
std::vector<std::uint8_t> EncodeAse(const TExportColours& list);
// Seven header lines and one line per colour, CR LF, Shift-JIS.
std::vector<std::uint8_t> EncodeColorSet(const TExportColours& list);
// "GIMP Palette", a name, four columns (the shades of a slot), the colours
// with their names in UTF-8.
std::vector<std::uint8_t> EncodeGimpPalette(const TExportColours& list, const std::string& paletteName);

}  // namespace tintloom
