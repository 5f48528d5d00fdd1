#include "core/base/data_files.h"

#include <filesystem>

namespace tintloom {

std::string LocateDataFile(const std::string& name, const std::string& programDir) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(name, ec)) return name;
  if (!programDir.empty()) {
    const std::filesystem::path dir(programDir);
    for (const std::filesystem::path& candidate : {dir / name, dir / ".." / "share" / "tintloom" / name}) {
      if (std::filesystem::is_regular_file(candidate, ec)) return candidate.lexically_normal().string();
    }
  }
  return name;
}

}  // namespace tintloom
