// Reading and replacing files named by the user when the name is no plain
// file: a FIFO must neither block a reader for ever nor be replaced by a
// writer, whichever way the name reaches it.

#include "core/base/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/artwork/psd_document.h"
#include "support/paths.h"

namespace tintloom {
namespace {

namespace fs = std::filesystem;

TEST(SpecialFiles, AFifoIsRefusedAtOnceByReadersAndLeftInPlaceByWriters) {
  const fs::path dir = testing::ScratchPath("special");
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string fifo = (dir / "pipe.tlw").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string link = (dir / "link.png").string();
  fs::create_symlink(fifo, link);

  // Opening a FIFO for reading used to wait for a writer for ever.
  for (const Result<std::vector<std::uint8_t>>& read : {ReadWholeFile(fifo, 100), ReadFileStart(fifo, 100)}) {
    ASSERT_FALSE(read.ok());
    EXPECT_TRUE(IsNotRegularFileFailure(read.error()));
    EXPECT_NE(read.error().message.find(fifo), std::string::npos);
  }
  for (const bool deferred : {true, false}) {
    TPSD doc;
    TSilentProgress silent;
    const Result<> opened = LoadFromFile(fifo, doc, silent, deferred);
    ASSERT_FALSE(opened.ok());
    EXPECT_EQ(opened.error().message, "ファイルを開けません.\n->" + fifo);
  }

  // Renamed over, the FIFO itself was replaced by a regular file (a device
  // node too, run as root), and the write was reported as done.
  const std::vector<std::uint8_t> bytes = {1, 2, 3};
  for (const std::string& name : {fifo, link}) {
    const Result<> written = ReplaceFileContents(name, bytes);
    ASSERT_FALSE(written.ok()) << name;
    EXPECT_TRUE(IsNotRegularFileFailure(written.error()));
    EXPECT_FALSE(CreateFileBeside(name).ok());
  }
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);  // no temporary left

  // A regular file, and a name where nothing is yet, are written as before.
  const std::string plain = (dir / "plain.tlp").string();
  ASSERT_TRUE(ReplaceFileContents(plain, bytes).ok());
  ASSERT_TRUE(ReplaceFileContents(plain, {}).ok());
  EXPECT_EQ(fs::file_size(plain), 0u);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tintloom
