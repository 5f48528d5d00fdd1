#include "core/files/data_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/paths.h"

namespace tintloom {
namespace {

namespace fs = std::filesystem;

TEST(DataFileLookup, CurrentFolderFirstThenTheProgramFolderElseTheBareName) {
  const fs::path root = testing::ScratchPath("lookup");
  const fs::path current = root / "current";
  const fs::path program = root / "program";
  fs::create_directories(current);
  fs::create_directories(program);
  for (const fs::path& file : {current / "both.dat", program / "both.dat", current / "current.dat",
                               program / "program.dat", program / "folder.dat"}) {
    std::ofstream(file) << "x";
  }
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
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LocateDataFile(c.name, c.programDir), c.expected) << c.name << " with program folder '" << c.programDir << "'";
  }
  fs::current_path(before);
  fs::remove_all(root);
}

}  // namespace
}  // namespace tintloom
