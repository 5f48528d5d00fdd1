#pragma once
// The program's version, the one the build declares for the whole project:
// `--version`, `--help`, the windows and the package all show the same.

namespace tintloom {

const char* ProgramVersion();

}  // namespace tintloom
