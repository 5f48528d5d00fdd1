// Saves a file the way painting programs do, as a process of its own, for
// the tests that follow the open artwork's file:
//
//   artwork_writer rename SOURCE TARGET [PAUSE_MS]   SOURCE's bytes written to
//       a temporary file beside TARGET (pausing halfway), then renamed over it
//   artwork_writer inplace SOURCE TARGET [PAUSE_MS]  TARGET emptied and
//       written again, pausing halfway
//   artwork_writer delete TARGET

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// The first half, a pause, the rest.
bool WriteWithPause(const std::string& path, const std::vector<char>& bytes, int pauseMs) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  const std::size_t half = bytes.size() / 2;
  bool ok = WriteAll(fd, bytes.data(), half);
  if (pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
  ok = ok && WriteAll(fd, bytes.data() + half, bytes.size() - half);
  return ::close(fd) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "delete") == 0) return ::unlink(argv[2]) == 0 ? 0 : 1;
  if (argc < 4) {
    std::fprintf(stderr, "usage: artwork_writer rename|inplace SOURCE TARGET [PAUSE_MS] | delete TARGET\n");
    return 2;
  }
  std::ifstream in(argv[2], std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) return 1;
  const std::string target = argv[3];
  const int pauseMs = argc > 4 ? std::atoi(argv[4]) : 0;
  if (std::strcmp(argv[1], "inplace") == 0) return WriteWithPause(target, bytes, pauseMs) ? 0 : 1;
  if (std::strcmp(argv[1], "rename") == 0) {
    const std::string temporary = target + ".saving~";
    if (!WriteWithPause(temporary, bytes, pauseMs)) return 1;
    return std::rename(temporary.c_str(), target.c_str()) == 0 ? 0 : 1;
  }
  return 2;
}
