#pragma once
// The one message for an allocation of the artwork code that failed: the
// operation stops and the user is told which buffer and how large it was.

#include <new>
#include <stdexcept>
#include <vector>

#include "core/base/result.h"

namespace tintloom {

// "[ Memory Error ]" with the label (class, operation and field), a value the
// caller chooses (a layer or channel number) and the bytes asked for.
Failure ReportMemoryError(const char* label, int value, long long bytes);

// Allocation that reports failure instead of throwing.
template <typename T>
bool TryResize(std::vector<T>& v, std::size_t n) {
  try {
    v.assign(n, T{});
    return true;
  } catch (const std::bad_alloc&) {
    v = {};
    return false;
  } catch (const std::length_error&) {
    v = {};
    return false;
  }
}

}  // namespace tintloom
