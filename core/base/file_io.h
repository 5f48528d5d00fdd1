#pragma once
// Whole-file reads and writes for the program's own files and exports. A
// write goes to a new file beside the target and is renamed over it only
// when every byte is on disk, so a failed or interrupted write leaves the
// previous file exactly as it was.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/base/result.h"
#include "core/base/user_text.h"

namespace tintloom {

// The one message for a file that cannot be opened, created or written.
inline constexpr const char* kFileAccessMessage = TL_TEXT("tintloom", "ファイルにアクセスできません");

// Reads the whole file. Fails with kFileAccessMessage when it cannot be
// opened or read, or is larger than maxBytes.
Result<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::uint64_t maxBytes);
// Reads at most the first `count` bytes; a shorter file gives what it has.
Result<std::vector<std::uint8_t>> ReadFileStart(const std::string& path, std::uint64_t count);

// A new, empty file of our own beside the file `path` names, open for
// writing, to be renamed over that file once it is complete. A `path` that is
// a symbolic link stands for the file it points to (`target`); an existing
// target's permission bits are given to the new file. Fails with
// kFileAccessMessage (a folder, an unwritable folder).
struct TFileBeside {
  int fd = -1;
  std::string temporary;
  std::string target;
};
Result<TFileBeside> CreateFileBeside(const std::string& path);

// Writes bytes as the file's whole new content through a temporary file in
// the same folder, renamed over the target. A target that is a symbolic link
// keeps its link: the file it points to is replaced. An existing target's
// permission bits are kept; a new file gets the usual ones for the user.
// Fails with kFileAccessMessage, the target untouched.
Result<> ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace tintloom
