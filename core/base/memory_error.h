#pragma once
// The one message for an allocation of the artwork code that failed: the
// operation stops and the user is told which buffer and how large it was.

#include "core/base/result.h"

namespace tintloom {

// "[ Memory Error ]" with the label (class, operation and field), a value the
// caller chooses (a layer or channel number) and the bytes asked for.
Failure ReportMemoryError(const char* label, int value, long long bytes);

}  // namespace tintloom
