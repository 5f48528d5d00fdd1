#pragma once
// Where tests find the program folder (the build's data files sit there) and
// where they may write scratch files.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tintloom::testing {

// The folder of the program and its generated data files, from the test
// environment; empty when the test runs outside ctest.
inline std::string ProgramDir() {
  const char* dir = std::getenv("TINTLOOM_APP_DIR");
  return dir != nullptr ? dir : "";
}

// A file path of its own for the running test, so tests can run side by side.
inline std::string ScratchPath(const std::string& name) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string test = info != nullptr ? info->name() : "no_test";
  return (std::filesystem::temp_directory_path() / (test + "_" + std::to_string(::getpid()) + "_" + name)).string();
}

}  // namespace tintloom::testing
