#pragma once
// The recoloured artwork written as a PNG file, at the artwork's own size or
// fitted to a side: the model's current colours, mappings and blend modes.

#include <cstdint>
#include <optional>
#include <string>

#include "core/artwork/full_size_render.h"
#include "core/base/result.h"
#include "core/base/user_text.h"

namespace tintloom {

class TCoordinationModel;

inline constexpr const char* kNoArtworkMessage = TL_TEXT("tintloom", "見本用PSDファイルが開かれていません");

// The formats a picture is written in, each named by its file extension (in
// any case). A new format is one entry in kPictureFormats and one case in
// ExportArtwork.
enum class TPictureFormat { kPng };
struct TPictureFormatName {
  const char* extension;  // with its dot, lower case
  TPictureFormat format;
};
inline constexpr TPictureFormatName kPictureFormats[] = {{".png", TPictureFormat::kPng}};

std::optional<TPictureFormat> PictureFormatForPath(const std::string& path);
// The extensions of kPictureFormats for messages: ".png", or ".png, .psd".
std::string PictureFormatList();

inline constexpr const char* kPictureFormatMessage =
    TL_TEXT("tintloom", "この拡張子の画像は書き出せません。拡張子で形式を選んでください:");
inline constexpr const char* kNoSuchFolderMessage = TL_TEXT("tintloom", "書き出し先のフォルダがありません");

// What keeps a picture from being written to `path` before anything is
// composed: an extension that names no format (kPictureFormatMessage and the
// list on a line of its own), or a folder that does not exist
// (kNoSuchFolderMessage and the folder). Nothing when it can be tried.
std::optional<std::string> PictureTargetProblem(const std::string& path);

// Writes the picture in the format its extension names, after checking the
// target with PictureTargetProblem; otherwise as ExportArtworkPng.
Result<TRenderOutcome> ExportArtwork(const TCoordinationModel& model, const std::string& path,
                                     const TRenderBackground& background, std::int32_t fitSide,
                                     const TRenderProgress& progress);

// Writes the picture as PNG to `path` (a new file replaces an existing one only
// when complete; a cancelled or failed export leaves it as it was). With
// `fitSide` > 0 the longer side is fitted to it by the canvas's shrink.
// Failures carry the message to show.
Result<TRenderOutcome> ExportArtworkPng(const TCoordinationModel& model, const std::string& path,
                                        const TRenderBackground& background, std::int32_t fitSide,
                                        const TRenderProgress& progress);

}  // namespace tintloom
