#pragma once
// "名前を付けて保存": the file name's extension chooses between the palette
// document and the exports, without regard to case. Any other extension
// writes nothing and says nothing.

#include <string>

namespace tintloom {

class TCoordinationModel;

enum class TSaveFormat { None, PaletteDocument, Aco, Ase, Gradient, ColorSet, Bitmap, GimpPalette, WorkDocument };

// The format for a path, by the extension of its file name (from its last
// dot on).
TSaveFormat SaveFormatForPath(const std::string& path);

// Writes the current coordination in the chosen format; a file that cannot
// be written is reported and an existing one is left whole.
void SaveOrExport(TCoordinationModel& model, const std::string& path);

}  // namespace tintloom
