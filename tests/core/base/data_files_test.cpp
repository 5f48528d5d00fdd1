#include "core/base/data_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/paths.h"

namespace tintloom {
namespace {

namespace fs = std::filesystem;

TEST(DataFileLookup, CurrentFolderThenTheProgramFolderThenTheInstalledShareElseTheBareName) {
  const fs::path root = testing::ScratchPath("lookup");
  const fs::path current = root / "current";
  const fs::path program = root / "program";
  // An installed copy: PREFIX/bin/tintloom reads PREFIX/share/tintloom/.
  const fs::path bin = root / "prefix" / "bin";
  const fs::path share = root / "prefix" / "share" / "tintloom";
  fs::create_directories(current);
  fs::create_directories(program);
  fs::create_directories(bin);
  fs::create_directories(share);
  for (const fs::path& file : {current / "both.dat", program / "both.dat", current / "current.dat",
                               program / "program.dat", program / "folder.dat", share / "shared.dat",
                               bin / "shared.dat", share / "installed.dat", current / "installed-here.dat",
                               share / "installed-here.dat"}) {
    std::ofstream(file) << "x";
  }
  fs::create_directories(share / "bin-folder.dat");  // a folder in share/ is passed over too
  std::ofstream(bin / "bin-folder.dat") << "x";
  fs::create_directories(bin / "share-folder.dat");
  fs::create_directories(share / "share-folder.dat");
  fs::create_directories(current / "folder.dat");  // a folder is not the file
  const fs::path before = fs::current_path();
  fs::current_path(current);

  struct Case {
    const char* name;
    std::string programDir;
    std::string expected;
  };
  const Case cases[] = {
      {"both.dat", program.string(), "both.dat"},
      {"current.dat", program.string(), "current.dat"},
      {"program.dat", program.string(), (program / "program.dat").string()},
      {"folder.dat", program.string(), (program / "folder.dat").string()},
      {"neither.dat", program.string(), "neither.dat"},
      {"program.dat", "", "program.dat"},
      {"installed.dat", bin.string(), (share / "installed.dat").string()},
      {"installed.dat", (root / "prefix" / "bin/").string(), (share / "installed.dat").string()},
      {"shared.dat", bin.string(), (bin / "shared.dat").string()},
      {"installed-here.dat", bin.string(), "installed-here.dat"},
      {"bin-folder.dat", bin.string(), (bin / "bin-folder.dat").string()},
      {"share-folder.dat", bin.string(), "share-folder.dat"},
      {"installed.dat", program.string(), "installed.dat"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LocateDataFile(c.name, c.programDir), c.expected) << c.name << " with program folder '" << c.programDir << "'";
  }
  fs::current_path(before);
  fs::remove_all(root);
}

}  // namespace
}  // namespace tintloom
