#pragma once
// Where the data files read at start-up are found.

#include <string>

namespace tintloom {

// The data files are opened by bare name from the current directory; when the
// program is started from elsewhere (a desktop menu, another shell directory)
// they are found next to the program, and for an installed copy
// (PREFIX/bin/tintloom) in PREFIX/share/tintloom/. Returns the path to open,
// which is the bare name when no place has the file.
std::string LocateDataFile(const std::string& name, const std::string& programDir);

}  // namespace tintloom
