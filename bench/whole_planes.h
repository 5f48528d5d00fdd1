#pragma once
// Every plane of a layer decoded whole, as the program itself never does
// (it decodes a band of rows at a time): what the opening benchmarks compare
// against.

#include "core/artwork/psd_document.h"
#include "core/base/result.h"

namespace tintloom {

// Decodes the planes of a layer whose data was left in the file (a no-op
// when the document holds no deferred bytes). Fails with the memory message
// when a plane cannot be had.
Result<> DecodeDeferredPlanes(const TPSD& doc, TPSDLayer& layer);

}  // namespace tintloom
