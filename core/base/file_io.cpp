#include "core/base/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <utility>

namespace tintloom {

namespace {

// Closes a descriptor on every path out.
class TDescriptor {
 public:
  explicit TDescriptor(int fd) : fd_(fd) {}
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;
  ~TDescriptor() { Close(); }
  int get() const { return fd_; }
  // Gives the descriptor up to the caller.
  int Release() { return std::exchange(fd_, -1); }
  bool Close() {
    if (fd_ < 0) return true;
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool IsNotRegularFileFailure(const Failure& failure) { return failure.message.starts_with(kNotRegularFileMessage); }

Result<int> OpenRegularFile(const std::string& path) {
  // O_NONBLOCK: opening a FIFO for reading otherwise waits for a writer for
  // ever. The flag is taken off again, though a regular file ignores it.
  const int raw = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (raw < 0) return Fail(kFileAccessMessage);
  TDescriptor fd(raw);
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return Fail(kFileAccessMessage);
  if (!S_ISREG(info.st_mode)) return Fail(std::string(kNotRegularFileMessage) + "\n->" + path);
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return Fail(kFileAccessMessage);
  return fd.Release();
}

namespace {

Result<std::vector<std::uint8_t>> ReadUpTo(const std::string& path, std::uint64_t maxBytes, bool longerFails) {
  TRY_ASSIGN(const int opened, OpenRegularFile(path));
  TDescriptor fd(opened);
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return Fail(kFileAccessMessage);
  std::vector<std::uint8_t> bytes;
  // The size is only a hint (the file may change while read): the loop below
  // is what bounds the read.
  if (info.st_size > 0 && static_cast<std::uint64_t>(info.st_size) <= maxBytes) {
    bytes.reserve(static_cast<std::size_t>(info.st_size));
  }
  std::uint8_t chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(kFileAccessMessage);
    if (n == 0) break;
    const std::uint64_t room = maxBytes - bytes.size();
    if (static_cast<std::uint64_t>(n) > room) {
      if (longerFails) return Fail(kFileAccessMessage);
      bytes.insert(bytes.end(), chunk, chunk + room);
      break;
    }
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  return bytes;
}

}  // namespace

Result<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::uint64_t maxBytes) {
  return ReadUpTo(path, maxBytes, true);
}

Result<std::vector<std::uint8_t>> ReadFileStart(const std::string& path, std::uint64_t count) {
  return ReadUpTo(path, count, false);
}

Result<TFileBeside> CreateFileBeside(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target(path);
  if (fs::is_symlink(target, ec)) {
    const fs::path resolved = fs::weakly_canonical(target, ec);
    if (ec) return Fail(kFileAccessMessage);
    target = resolved;
  }
  if (fs::is_directory(target, ec)) return Fail(kFileAccessMessage);
  // The target with its links followed (a link that names nothing yet is
  // written through): a FIFO, a device or a socket is refused, not replaced.
  struct stat node {};
  if (::lstat(target.c_str(), &node) == 0 && !S_ISREG(node.st_mode)) {
    return Fail(std::string(kNotRegularFileMessage) + "\n->" + path);
  }
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");

  // A name of our own beside the target; O_EXCL makes sure it is new.
  static std::atomic<unsigned> counter{0};
  TFileBeside file;
  for (int attempt = 0; attempt < 100 && file.fd < 0; ++attempt) {
    std::string name = ".";
    name += target.filename().string();
    name += ".tmp-";
    name += std::to_string(::getpid());
    name += '-';
    name += std::to_string(counter++);
    file.temporary = (folder / name).string();
    file.fd = ::open(file.temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file.fd < 0 && errno != EEXIST) break;
  }
  if (file.fd < 0) return Fail(kFileAccessMessage);
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0) (void)::fchmod(file.fd, existing.st_mode & 07777);
  file.target = target.string();
  return file;
}

Result<> ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes) {
  TRY_ASSIGN(TFileBeside beside, CreateFileBeside(path));
  const std::string& temporary = beside.temporary;
  const int raw = beside.fd;
  TDescriptor fd(raw);
  const auto abandon = [&temporary]() -> Result<> {
    ::unlink(temporary.c_str());
    return Fail(kFileAccessMessage);
  };
  if (!WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0 || !fd.Close()) return abandon();
  if (::rename(temporary.c_str(), beside.target.c_str()) != 0) return abandon();
  return Ok();
}

}  // namespace tintloom
