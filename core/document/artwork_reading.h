#pragma once
// Reading a layered file into the artwork the canvas shows: the one pipeline
// behind opening artwork and reading it again after the painting program
// saved it.

#include <string>

#include "core/artwork/psd_document.h"
#include "core/base/messages.h"
#include "core/base/progress_sink.h"
#include "core/base/result.h"
#include "core/base/user_text.h"

namespace tintloom {

// What opening says of a readable file none of whose layers has a pixel to
// recolour; the headless render says the same in its own words.
inline constexpr const char* kNoLayersMessage = TL_TEXT("tintloom", "PSDファイルはレイヤーをもちません");

// The file read whole, each clipping group reduced to a grey working layer
// as far as it can reach the canvas, and shrunk to fit it. A file that
// cannot be read fails with the reader's reason (which names the file); one
// without a visible layer with kNoLayersMessage. It touches nothing but its
// arguments and the blend table loaded at start-up, so it may run on any
// thread, beside compositions of the canvas.
Result<TPSD> ReadArtworkForCanvas(const std::string& path, TProgressSink& progress, TMessageSink& messages);

}  // namespace tintloom
