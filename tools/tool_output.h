#pragma once
// Writing a generated data file so that a failed or interrupted run never
// leaves a truncated file behind for the build to mistake as up to date.

#include <cstdint>
#include <string>
#include <vector>

namespace tintloom {

// Writes `bytes` to `path` through a temporary file beside it, renamed into
// place once complete. On failure says why on stderr and returns false.
bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// The shared main of the generators: one argument, the output path.
int RunGenerator(int argc, char** argv, const char* what, std::vector<std::uint8_t> (*build)());

}  // namespace tintloom
