#pragma once
// The palette document as the model's coordination: captured from it, saved,
// and opened into it.

#include <cstdint>
#include <span>
#include <string>

#include "core/base/result.h"
#include "core/formats/palette_document.h"

namespace tintloom {

class TCoordinationModel;

// The model's current coordination as a document.
TPaletteDocument CapturePaletteDocument(const TCoordinationModel& model);

// Writes the current coordination to path; a file that cannot be written is
// reported and the previous file, if any, is left whole. Once written, the
// palette counts as saved and the document is the open one. True when written.
bool SavePaletteDocument(TCoordinationModel& model, const std::string& path);
// Reads a document into the scheme and the slots and refreshes everything:
// every slot's ramp from the colours read, then a redraw, which recomputes
// the shades from the scheme. The rule is selected without the rule change
// (no weights move) and the previous rule is forgotten (-1). A refused file
// is reported and changes nothing. Opening is one step to undo, and what was
// opened counts as saved: the document is the open one.
void LoadPaletteDocument(TCoordinationModel& model, const std::string& path);
// The same from the document's bytes, which come from no file of their own:
// it is for the caller to mark what is saved. The failure is the message to
// show.
Result<> ReadPaletteDocumentInto(TCoordinationModel& model, std::span<const std::uint8_t> bytes);

}  // namespace tintloom
