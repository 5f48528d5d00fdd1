#pragma once
// A PSD file kept open while its layers are prepared, its bytes read where
// they are needed.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/base/result.h"

namespace tintloom {

// A file opened for reducing, kept open (never mapped) until its planes are
// decoded. Its bytes are read where they are needed, so another program
// truncating or rewriting it meanwhile gives a read error, not a crash.
struct TDeferredFile {
  int fd = -1;
  std::uint64_t size = 0;  // when it was opened
  std::string path;
  TDeferredFile() = default;
  TDeferredFile(const TDeferredFile&) = delete;
  TDeferredFile& operator=(const TDeferredFile&) = delete;
  ~TDeferredFile();
  // Fills `out` from `offset` on. A file that no longer holds those bytes
  // fails with "ファイルが途中で終わっています.", any other read error with
  // "ファイルを開けません.".
  Result<> ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const;
};

// Bytes read from such a file: made without zero-filling, since ReadAt
// writes every byte or fails. Zeroing a group's compressed channels before
// reading them cost about a tenth of opening a large file.
template <typename T>
struct TUnfilledAllocator : std::allocator<T> {
  using value_type = T;
  template <typename U>
  struct rebind {
    using other = TUnfilledAllocator<U>;
  };
  TUnfilledAllocator() = default;
  template <typename U>
  TUnfilledAllocator(const TUnfilledAllocator<U>&) noexcept {}
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};
using TFileBytes = std::vector<std::uint8_t, TUnfilledAllocator<std::uint8_t>>;

// A message naming the file it is about, on a line of its own.
std::string WithPath(const char* text, const std::string& path);

}  // namespace tintloom
