#include "core/files/data_files.h"

#include <filesystem>

namespace tintloom {

std::string LocateDataFile(const std::string& name, const std::string& programDir) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(name, ec)) return name;
  if (!programDir.empty()) {
    const std::filesystem::path beside = std::filesystem::path(programDir) / name;
    if (std::filesystem::is_regular_file(beside, ec)) return beside.string();
  }
  return name;
}

}  // namespace tintloom
