#include "core/base/program_version.h"

// Only this file is compiled with the version, so a new version rebuilds
// one file rather than the whole program.
#ifndef TINTLOOM_VERSION
#error "the build defines TINTLOOM_VERSION for this file"
#endif

namespace tintloom {

const char* ProgramVersion() { return TINTLOOM_VERSION; }

}  // namespace tintloom
