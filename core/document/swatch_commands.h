#pragma once
// Swatches and exports as the model sees them: the selected slot as a swatch
// line and a line taken into it, the palette's colours for an export, and a
// palette file of another program turned into swatch lines.

#include <string>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "core/formats/palette_import.h"
#include "core/formats/swatch_exports.h"
#include "core/formats/swatch_file.h"

namespace tintloom {

class TCoordinationModel;

// The selected slot as a swatch line.
std::string SwatchLine(TCoordinationModel& model);
// A swatch line into the selected slot: its parameters, then the scheme's
// entries for that slot (hue, custom offset and saturation of a rule slot,
// the hue of a free slot), then a redraw. A line whose parameters are out of
// range changes nothing.
void ApplySwatchLine(TCoordinationModel& model, std::string_view line);

// The colours an export receives, slot by slot, highlight to deep shadow
// within a slot, each the shade's lit colour; and one name per colour.
TExportColours BuildExportColours(const TCoordinationModel& model);

// A palette file as swatch lines to append to the collection. Each colour
// becomes what the selected slot would hold had it been picked into its base
// (F2); a palette document's ten slots come in as they are stored. A file
// that cannot be read, is damaged or has no colours fails with the message
// to show (the problem and the file); colours left out or skipped are told
// in the notice, to show once the lines are in.
Result<TPaletteImport> ImportPaletteFile(TCoordinationModel& model, const std::string& path);

// Colours taken from a picture as swatch lines: each becomes what the
// selected slot would hold with that colour as its base exactly, the other
// shades mixed from it (as a palette file's colours come in). Empty while
// busy or without a selected slot.
std::vector<std::string> ColourSwatchLines(TCoordinationModel& model, const std::vector<TColor>& colours);
// Colours put into the slots' bases in slot order, the first into slot 0, as
// if each were made a swatch and loaded into its slot; slots past the
// colours keep theirs, colours past the tenth are not used. One step to
// undo; the selected slot and shade stay selected.
void UseColoursInSlots(TCoordinationModel& model, const std::vector<TColor>& colours);

}  // namespace tintloom
