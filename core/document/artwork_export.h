#pragma once
// The recoloured artwork written as a PNG file, at the artwork's own size or
// fitted to a side: the model's current colours, mappings and blend modes.

#include <cstdint>
#include <string>

#include "core/artwork/full_size_render.h"
#include "core/base/result.h"
#include "core/base/user_text.h"

namespace tintloom {

class TCoordinationModel;

inline constexpr const char* kNoArtworkMessage = TL_TEXT("tintloom", "見本用PSDファイルが開かれていません");

// Writes the picture to `path` (a new file replaces an existing one only
// when complete; a cancelled or failed export leaves it as it was). With
// `fitSide` > 0 the longer side is fitted to it by the canvas's shrink.
// Failures carry the message to show.
Result<TRenderOutcome> ExportArtworkPng(const TCoordinationModel& model, const std::string& path,
                                        const TRenderBackground& background, std::int32_t fitSide,
                                        const TRenderProgress& progress);

}  // namespace tintloom
