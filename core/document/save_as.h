#pragma once
// "名前を付けて保存": the file name's extension chooses between the palette
// document and the exports, without regard to case. Any other extension
// writes nothing and says which ones can be saved.

#include <string>

namespace tintloom {

class TCoordinationModel;

inline constexpr const char* kUnknownSaveExtensionMessage =
    "この拡張子では保存できません.\n保存できるのは .tlp .tlw .aco .ase .grd .colors .bmp .gpl です";

enum class TSaveFormat { None, PaletteDocument, Aco, Ase, Gradient, ColorSet, Bitmap, GimpPalette, WorkDocument };

// The format for a path, by the extension of its file name (from its last
// dot on).
TSaveFormat SaveFormatForPath(const std::string& path);

// Writes the current coordination in the chosen format; a file that cannot
// be written is reported and an existing one is left whole, and a name
// whose extension is none of them gets the message above with the path.
void SaveOrExport(TCoordinationModel& model, const std::string& path);

}  // namespace tintloom
