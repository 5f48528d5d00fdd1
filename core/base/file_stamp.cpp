#include "core/base/file_stamp.h"

#include <sys/stat.h>

namespace tintloom {

TFileStamp StampFile(const std::string& path) {
  struct stat info {};
  TFileStamp stamp;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return stamp;
  stamp.exists = true;
  stamp.device = static_cast<std::uint64_t>(info.st_dev);
  stamp.inode = static_cast<std::uint64_t>(info.st_ino);
  stamp.size = static_cast<std::int64_t>(info.st_size);
  stamp.modifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  return stamp;
}

}  // namespace tintloom
