#pragma once
// The headless render: `tintloom --render work.tlw ...` writes the recoloured
// artwork of a work document as PNG files without opening a window (no
// display needed), for batch previews of palette variants. Every failure is
// one English line on the error stream and a non-zero exit status.

#include <ostream>
#include <string>
#include <vector>

namespace tintloom {

// Whether the arguments (without the program name) ask for the headless
// render, its help or the version rather than the windows.
bool WantsCommandLineRender(const std::vector<std::string>& args);

// Runs it; returns the exit status (0 success, 1 a failed render, 2 a wrong
// command line). `programDir` is where the data files are looked for.
int RunCommandLineRender(const std::vector<std::string>& args, const std::string& programDir, std::ostream& out,
                         std::ostream& err);

}  // namespace tintloom
