#pragma once
// "名前を付けて保存": the file name's extension chooses between the palette
// document and the exports, without regard to case. Any other extension
// writes nothing and says which ones can be saved.

#include <string>
#include "core/base/user_text.h"

namespace tintloom {

class TCoordinationModel;

inline constexpr const char* kUnknownSaveExtensionMessage =
    TL_TEXT("tintloom", "この拡張子では保存できません.") "\n" TL_TEXT("tintloom", "保存できるのは .tlp .tlw .aco .ase .grd .colors .bmp .gpl です");

enum class TSaveFormat { None, PaletteDocument, Aco, Ase, Gradient, ColorSet, Bitmap, GimpPalette, WorkDocument };

// True when the extension of the path's file name (from its last dot on) is
// `extension` (with its dot, as ".tlp") in any mix of cases: how saving and
// the open commands tell a file's kind by its name.
bool HasExtension(const std::string& path, const char* extension);

// The format for a path, by the extension of its file name.
TSaveFormat SaveFormatForPath(const std::string& path);

inline constexpr const char* kNotADocumentMessage =
    TL_TEXT("tintloom", "作業を保存できるのは Tintloomパレット(.tlp)と作業ファイル(.tlw)です");

// Saves the work as the document the name's extension says: a palette
// document (.tlp) or a work document (.tlw). Any other name writes nothing
// and gets the message above with the path. True when written.
bool SaveDocument(TCoordinationModel& model, const std::string& path);
// The extension a new name for the work takes: ".tlw" while artwork is open,
// whose layers only a work document keeps, else ".tlp".
const char* WorkDocumentExtension(const TCoordinationModel& model);

// Writes the current coordination in the chosen format; a file that cannot
// be written is reported and an existing one is left whole, and a name
// whose extension is none of them gets the message above with the path.
void SaveOrExport(TCoordinationModel& model, const std::string& path);

}  // namespace tintloom
