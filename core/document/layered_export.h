#pragma once
// The recoloured artwork sent back as a layered PSD: one RGBA layer per
// working layer, recoloured exactly as the full-size picture recolours it,
// and the merged picture as that picture over white.

#include <string>

#include "core/artwork/full_size_render.h"
#include "core/base/result.h"
#include "core/base/user_text.h"

namespace tintloom {

class TCoordinationModel;

inline constexpr const char* kExportOverArtworkMessage =
    TL_TEXT("tintloom", "見本用PSDファイル自身には書き出せません。別のファイル名を選んでください");

// Writes the layered PSD to `path` at the artwork's own size. Each layer is
// its working layer's group (the base with its clipped layers merged, as the
// canvas shows them) in its ramp's colours, its opacity in its alpha, with
// the name it has in the file (the 8-bit name and the Unicode name), the
// blend mode the layer window gives it and the hidden flag of a layer set
// aside. The file is read again a band of rows at a time, as the PNG export
// reads it; a new file replaces an existing one only when complete, and a
// cancelled or failed export leaves it as it was. The artwork's own file is
// never a target. Failures carry the message to show.
Result<TRenderOutcome> ExportLayeredPsd(const TCoordinationModel& model, const std::string& path,
                                        const TRenderProgress& progress);

}  // namespace tintloom
