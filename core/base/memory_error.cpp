#include "core/base/memory_error.h"

#include <cstdio>

namespace tintloom {

Failure ReportMemoryError(const char* label, int value, long long bytes) {
  char text[512];
  std::snprintf(text, sizeof text,
                "[ Memory Error ]\nメモリを確保できません. 処理を中断します.\nFunction: %s\nValue: %d\nDataSize: %lld "
                "byte\n",
                label, value, bytes);
  return Fail(text);
}

}  // namespace tintloom
