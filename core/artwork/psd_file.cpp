#include "core/artwork/psd_file.h"

#include <cerrno>

#include <unistd.h>

#include "core/base/user_text.h"

namespace tintloom {

std::string WithPath(const char* text, const std::string& path) { return std::string(text) + "\n->" + path; }

TDeferredFile::~TDeferredFile() {
  if (fd >= 0) ::close(fd);
}

Result<> TDeferredFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(WithPath(TL_TEXT("tintloom", "ファイルを開けません."), path));
    // The file is shorter than when it was opened: changed underneath.
    if (n == 0) return Fail(WithPath(TL_TEXT("tintloom", "ファイルが途中で終わっています."), path));
    done += static_cast<std::size_t>(n);
  }
  return Ok();
}

}  // namespace tintloom
