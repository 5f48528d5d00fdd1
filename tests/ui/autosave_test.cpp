// Autosave and recovery through the real windows, offscreen: the copy a
// timer writes after an edit and a normal end removes, and the question at
// start that restores a left-over copy or sets a damaged one aside.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/document/recovery.h"
#include "ui/autosave.h"
#include "ui/main_form.h"
#include "support/paths.h"
#include "support/recording.h"

namespace tintloom {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class Autosave : public ::testing::Test {
 protected:
  testing::TRecordingMessages messages;
  TMainForm form{messages, testing::ProgramDir()};
  fs::path folder = testing::ScratchPath("recovery");
  void SetUp() override {
    fs::create_directories(folder);
    form.CreateToolWindows();
    form.show();
    form.askSaveBeforeQuit = [] { return QMessageBox::Discard; };
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
  // F2 over a screen pixel: the selected colour's base becomes it.
  void Edit(TColor pixel) { form.Model().PickScreenColour(kBase, pixel); }
};

TEST_F(Autosave, AnEditIsCopiedAfterTheIntervalAndQuittingWithoutSavingRemovesTheCopy) {
  form.StartAutosave(folder.string());
  form.Autosave()->intervalMs = 50;
  const fs::path copy = form.Autosave()->Path();
  QTest::qWait(120);
  EXPECT_FALSE(fs::exists(copy)) << "nothing unsaved, nothing written";
  Edit(0x2080C0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(copy); }, 5000));
  form.Autosave()->Flush();
  EXPECT_EQ(ReadText(copy), EncodeRecovery(form.Model()));
  form.close();
  EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(Autosave, LeftOverCopiesAreOfferedNewestFirstADamagedOneSetAsideAndTheOtherRestored) {
  Edit(0x40A020);
  form.Model().MarkSaved(TDocumentKind::Palette, "/somewhere/evening.tlp");
  Edit(0xC02080);
  const std::string whole = EncodeRecovery(form.Model());
  std::ofstream(folder / "1-old.recovery", std::ios::binary) << whole;
  std::ofstream(folder / "2-new.recovery", std::ios::binary) << whole.substr(0, 300);
  fs::last_write_time(folder / "1-old.recovery", fs::file_time_type::clock::now() - std::chrono::hours(1));
  Edit(0x808020);
  form.Model().MarkSaved(TDocumentKind::None, "");

  int asked = 0;
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || box->objectName() != "RecoveryBox") return;
    ++asked;
    EXPECT_TRUE(box->informativeText().contains("evening.tlp"));
    box->findChild<QPushButton*>("RestoreButton")->click();
  });
  driver.start(10);
  EXPECT_TRUE(OfferRecoveries(form.Model(), folder.string(), &form));
  driver.stop();

  // The damaged copy is not offered; the whole one is restored as it was.
  EXPECT_EQ(asked, 1);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find(kRecoveryFileDamaged), std::string::npos);
  EXPECT_TRUE(fs::exists(folder / "2-new.damaged"));
  EXPECT_FALSE(fs::exists(folder / "1-old.recovery"));
  EXPECT_EQ(EncodeRecovery(form.Model()), whole);
  EXPECT_TRUE(form.Model().Unsaved());
  EXPECT_EQ(form.Model().DocumentPath(), "/somewhere/evening.tlp");
  EXPECT_EQ(form.Model().DocumentKind(), TDocumentKind::Palette);
}

}  // namespace
}  // namespace tintloom
