#pragma once
// Opening an artwork file of any kind the program reads: a layered PSD, a
// Krita document (.kra) or an OpenRaster document (.ora), told apart by
// their first bytes, into the same layer records.

#include <string>

#include "core/artwork/psd_document.h"
#include "core/base/progress_sink.h"
#include "core/base/result.h"

namespace tintloom {

// Whether the name ends in .psd, .kra or .ora (any case): the names the
// windows take as artwork.
bool IsArtworkPath(const std::string& path);

// Reads the file at `path` into `doc`: a PSD as LoadFromFile does (with
// `deferPlanes` kept open), a zip as a Krita or OpenRaster document, read
// whole and its layers' planes decoded as the layer preparation reaches
// them. "ファイルを開けません.\n->" + path when it cannot be read.
Result<> LoadArtworkFile(const std::string& path, TPSD& doc, TProgressSink& progress, bool deferPlanes = false);

}  // namespace tintloom
