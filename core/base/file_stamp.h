#pragma once
// What tells one state of a file from another without reading it: which file
// the path names now (device and inode, so a file renamed over it counts),
// its size and the time it was last written.

#include <cstdint>
#include <string>

namespace tintloom {

struct TFileStamp {
  bool exists = false;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = 0;
  std::int64_t modifiedNs = 0;  // last write, nanoseconds since the epoch
  bool operator==(const TFileStamp&) const = default;
};

// The stamp of the regular file at `path`; not existing for anything else
// (no file, a folder, one that cannot be looked at).
TFileStamp StampFile(const std::string& path);

}  // namespace tintloom
