#include "core/base/memory_error.h"

#include <cstdio>
#include "core/base/user_text.h"

namespace tintloom {

Failure ReportMemoryError(const char* label, int value, long long bytes) {
  char text[512];
  std::snprintf(text, sizeof text,
                "[ Memory Error ]\n" TL_TEXT("tintloom", "メモリを確保できません. 処理を中断します.") "\nFunction: %s\nValue: %d\nDataSize: %lld "
                "byte\n",
                label, value, bytes);
  return Fail(text);
}

}  // namespace tintloom
