// Recovery copies of unsaved work: what a killed instance leaves is brought
// back exactly, a running instance's copy is never offered or touched, and a
// folder that cannot be written or a damaged copy never stops the program.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/document/coordination_model.h"
#include "core/document/recovery.h"
#include "support/model_fixture.h"
#include "support/named_layers_psd.h"
#include "support/paths.h"

namespace tintloom {
namespace {

namespace fs = std::filesystem;

constexpr const char* kChildFolder = "TINTLOOM_RECOVERY_CHILD_FOLDER";

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
}

// An evening's work on a three-layer picture, named after a work document.
void MakeEdits(TCoordinationModel& model, const fs::path& folder) {
  const fs::path art = folder / "art.psd";
  const std::vector<std::uint8_t> psd = testing::NamedLayersPsd({{"paper", 200}, {"skin", 150}, {"hair", 60, "mul "}});
  WriteText(art, std::string(psd.begin(), psd.end()));
  ASSERT_TRUE(model.OpenSampleArtwork(art.string()));
  model.MarkSaved(TDocumentKind::Work, (folder / "evening.tlw").string(), art.string());
  model.Scheme().SetSlotHue(2, 0.42f);
  model.Redraw(TCoordinationModel::kRedrawAll);
  model.RecordEdit();
  model.SelectLayer(1);
  model.SetLayerBaseLevel(140);
  model.SelectSlot(4);
  model.SelectLayers({0, 2});
  model.SetLayerBlendMode(5);
  model.SetLayersHidden({0}, true);
  model.SelectLayers({2, 1});
  model.selectedSlot = 6;
  model.SelectShade(3);
}

// Run in a process of its own by the test below, which kills it.
TEST(RecoveryChild, WritesItsWorkAndWaitsToBeKilled) {
  const char* folder = std::getenv(kChildFolder);
  if (folder == nullptr) GTEST_SKIP() << "run by KilledInstance only";
  testing::TRecordingViews views;
  testing::TRecordingMessages messages;
  TCoordinationModel model(views, messages);
  const fs::path root = fs::path(folder).parent_path().parent_path();
  MakeEdits(model, root);
  TRecoveryWriter writer(folder);
  const std::string bytes = EncodeRecovery(model);
  writer.Write(bytes);
  writer.Flush();
  WriteText(root / "expected", bytes);
  WriteText(root / "ready", "");
  for (;;) ::pause();
}

class Recovery : public testing::ModelFixture {
 protected:
  fs::path root = testing::ScratchPath("recovery");
  fs::path folder = root / "Tintloom" / "recovery";
  void SetUp() override { fs::create_directories(folder); }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

TEST_F(Recovery, AnInstanceKilledAfterEditsIsRestoredExactlyAndUnsavedUnderItsDocument) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::setenv(kChildFolder, folder.c_str(), 1);
    ::execl("/proc/self/exe", "recovery_child", "--gtest_filter=RecoveryChild.*", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!fs::exists(root / "ready") && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // Still running: its copy is its own.
  EXPECT_TRUE(FindLeftOverRecoveries(folder.string()).empty());
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(fs::exists(root / "ready")) << "the child never wrote its work";
  ASSERT_TRUE(WIFSIGNALED(status));

  std::vector<TLeftOverRecovery> left = FindLeftOverRecoveries(folder.string());
  ASSERT_EQ(left.size(), 1u);
  Result<TRecoveryState> state = left[0].Read();
  ASSERT_TRUE(state.ok());
  EXPECT_TRUE(ApplyRecovery(model, *state));
  // The palette, the artwork, every layer's slot, levels, blend and eye, the
  // selection and the document's name: byte for byte.
  EXPECT_EQ(EncodeRecovery(model), ReadText(root / "expected"));
  EXPECT_EQ(model.DocumentPath(), (root / "evening.tlw").string());
  EXPECT_TRUE(model.Unsaved());
  EXPECT_EQ(model.SelectedLayers(), (std::vector<int>{2, 1}));
  EXPECT_TRUE(model.LayerHidden(0));
  left[0].Discard();
  EXPECT_TRUE(fs::is_empty(folder));
  // Saved again, the mark goes.
  model.MarkSaved(TDocumentKind::Work, model.DocumentPath(), model.Artwork().Path());
  EXPECT_FALSE(model.Unsaved());
}

TEST_F(Recovery, TwoInstancesKeepToTheirOwnCopiesAndANormalEndLeavesNothing) {
  MakeEdits(model, root);
  TRecoveryWriter first(folder.string());
  TRecoveryWriter second(folder.string());
  first.Write(EncodeRecovery(model));
  second.Write("second");
  first.Flush();
  second.Flush();
  ASSERT_NE(first.Path(), second.Path());
  EXPECT_EQ(ReadText(second.Path()), "second");
  EXPECT_EQ(ReadText(first.Path()), EncodeRecovery(model));
  // A third instance starting now is offered neither.
  EXPECT_TRUE(FindLeftOverRecoveries(folder.string()).empty());
  // Saved: the copy goes, the lock stays; then a normal end.
  first.Erase();
  first.Flush();
  EXPECT_FALSE(fs::exists(first.Path()));
  second.Finish();
  EXPECT_FALSE(fs::exists(second.Path()));
  first.Finish();
  EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(Recovery, LeftOversComeNewestFirstAndACutOneIsSetAside) {
  MakeEdits(model, root);
  const std::string whole = EncodeRecovery(model);
  WriteText(folder / "1-old.recovery", whole);
  WriteText(folder / "2-new.recovery", whole.substr(0, whole.size() / 2));
  fs::last_write_time(folder / "1-old.recovery", fs::file_time_type::clock::now() - std::chrono::hours(1));
  std::vector<TLeftOverRecovery> left = FindLeftOverRecoveries(folder.string());
  ASSERT_EQ(left.size(), 2u);
  EXPECT_EQ(fs::path(left[0].Path()).filename(), "2-new.recovery");
  EXPECT_FALSE(left[0].Read().ok());
  left[0].SetAside();
  EXPECT_TRUE(fs::exists(folder / "2-new.damaged"));
  EXPECT_TRUE(left[1].Read().ok());
  left.clear();
  // Offered no more; the whole one still is.
  left = FindLeftOverRecoveries(folder.string());
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(fs::path(left[0].Path()).filename(), "1-old.recovery");
  // Every cut of a good copy is refused, none read out of bounds.
  for (std::size_t size = 0; size < whole.size(); size += 7) {
    const std::span<const std::uint8_t> cut(reinterpret_cast<const std::uint8_t*>(whole.data()), size);
    EXPECT_FALSE(DecodeRecovery(cut).ok()) << size;
  }
}

// A folder that cannot be written: reported once for a run of failures, the
// writer carrying on, and reported again only after a write has worked.
void ExpectOneReportPerRun(const std::string& unwritable, const std::function<void()>& mend) {
  std::atomic<int> reports{0};
  TRecoveryWriter writer(unwritable);
  writer.onFailure = [&reports] { ++reports; };
  writer.Write(std::string(64 * 1024, 'x'));
  writer.Flush();
  writer.Write(std::string(64 * 1024, 'y'));
  writer.Flush();
  EXPECT_EQ(reports.load(), 1);
  mend();
  writer.Write("small");
  writer.Flush();
  EXPECT_EQ(reports.load(), 1);
  EXPECT_EQ(ReadText(writer.Path()), "small");
  writer.Finish();
}

TEST_F(Recovery, AFileInTheWayOfTheFolderIsReportedOnce) {
  const fs::path blocked = root / "blocked";
  WriteText(blocked, "in the way");
  ExpectOneReportPerRun((blocked / "recovery").string(), [&] {
    fs::remove(blocked);
  });
}

TEST_F(Recovery, AFullOrReadOnlyFolderIsReportedOnce) {
  const fs::path mount = root / "tiny";
  fs::create_directories(mount);
  if (::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=16k") != 0) {
    GTEST_SKIP() << "no tmpfs could be mounted here (needs root): " << std::strerror(errno);
  }
  ExpectOneReportPerRun(mount.string(), [&] {});
  WriteText(mount / "filler", "");
  ASSERT_EQ(::mount("tmpfs", mount.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=16k"), 0);
  {
    std::atomic<int> reports{0};
    TRecoveryWriter writer(mount.string());
    writer.onFailure = [&reports] { ++reports; };
    writer.Write("small");
    writer.Flush();
    writer.Write("small");
    writer.Flush();
    EXPECT_EQ(reports.load(), 1);
  }
  ::umount(mount.c_str());
}

}  // namespace
}  // namespace tintloom
