#include "tools/tool_output.h"

#include <cstdio>
#include <filesystem>

namespace tintloom {

bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const std::string temporary = path + ".part";
  std::FILE* f = std::fopen(temporary.c_str(), "wb");
  if (f == nullptr) {
    std::perror(temporary.c_str());
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  std::error_code ec;
  if (!written || !closed) {
    std::fprintf(stderr, "%s: write failed\n", temporary.c_str());
    std::filesystem::remove(temporary, ec);
    return false;
  }
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), ec.message().c_str());
    std::filesystem::remove(temporary, ec);
    return false;
  }
  return true;
}

int RunGenerator(int argc, char** argv, const char* what, std::vector<std::uint8_t> (*build)()) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT\nwrites %s\n", argc > 0 ? argv[0] : "generator", what);
    return 2;
  }
  return WriteWholeFile(argv[1], build()) ? 0 : 1;
}

}  // namespace tintloom
