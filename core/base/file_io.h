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
// A name that stands for a FIFO, a device, a socket or a folder: nothing is
// read from it or written over it. Followed by "\n->" and the name.
inline constexpr const char* kNotRegularFileMessage = TL_TEXT("tintloom", "通常のファイルではありません");

// Whether a failure is the refusal of a name that is not a regular file.
bool IsNotRegularFileFailure(const Failure& failure);

// Opens an existing regular file for reading and gives its descriptor (the
// caller closes it). The open never waits: a FIFO or a device is opened
// without blocking, seen for what it is on the descriptor, and refused with
// kNotRegularFileMessage, so no one can swap one in between a check and the
// open. Fails with kFileAccessMessage when the file cannot be opened.
Result<int> OpenRegularFile(const std::string& path);

// Reads the whole file. Fails with kFileAccessMessage when it cannot be
// opened or read, or is larger than maxBytes, and as OpenRegularFile does
// for anything but a regular file.
Result<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::uint64_t maxBytes);
// Reads at most the first `count` bytes; a shorter file gives what it has.
Result<std::vector<std::uint8_t>> ReadFileStart(const std::string& path, std::uint64_t count);

// A new, empty file of our own beside the file `path` names, open for
// writing, to be renamed over that file once it is complete. A `path` that is
// a symbolic link stands for the file it points to (`target`); an existing
// target's permission bits are given to the new file. Only a regular file,
// or a name where nothing exists yet, is replaced: a FIFO, a device or a
// socket fails with kNotRegularFileMessage (renaming over one would replace
// the node itself, a device node too when run as root). Fails with
// kFileAccessMessage otherwise (a folder, an unwritable folder).
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
