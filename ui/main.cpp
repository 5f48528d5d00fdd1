// Tintloom: start-up. Creates the main window (which loads the data files)
// and the tool windows in their fixed order, then runs the event loop. Files
// named on the command line (a ".psd", ".kra" or ".ora" as sample artwork, a ".tlp" as a
// palette document, a ".tlw" as a work document) are opened once the windows
// are up. `--render` (or `--help`, `--version`) runs the headless render
// instead and never touches the display.
//
// TINTLOOM_QUIT_AFTER_START=1 in the environment ends the program normally
// right after that, which lets a script check that an installed copy starts:
// a start-up message would wait for its OK instead of ending.

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "core/document/command_line_render.h"
#include "core/document/recovery.h"

#include "ui/application.h"
#include "ui/autosave.h"
#include "ui/main_form.h"
#include "ui/qt_messages.h"
#include "ui/session_platform.h"
#include "ui/translation.h"

int main(int argc, char* argv[]) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (tintloom::WantsCommandLineRender(args)) {
    // No QApplication: a render needs no display.
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return tintloom::RunCommandLineRender(args, ec ? std::string(".") : self.parent_path().string(), std::cout,
                                          std::cerr);
  }
  // XWayland in a Wayland session, where the windows can be placed as designed.
  const bool platformChosen = tintloom::ApplyQtPlatformChoice();
  tintloom::TApplication app(argc, argv);
  if (platformChosen) qunsetenv("QT_QPA_PLATFORM");
  QApplication::setApplicationName("Tintloom");
  // Ties the windows to the installed launcher entry and its icon (the
  // Wayland application id, the X11 window class).
  QApplication::setDesktopFileName("org.tintloom.Tintloom");
  QApplication::setWindowIcon(QIcon::fromTheme("org.tintloom.Tintloom"));
  // Before any window: the windows take their texts as they are built.
  tintloom::InstallLanguage(tintloom::ChosenLanguage());
  tintloom::TQtMessages messages;
  app.SetMessages(&messages);
  try {
    tintloom::TMainForm mainForm(messages, QApplication::applicationDirPath().toStdString());
    // The swatches are kept beside the program, or in the user's data folder
    // when the program's folder cannot be written (an installed copy).
    mainForm.swatchFilePlaces =
        tintloom::LocateSwatchFile(QApplication::applicationDirPath().toStdString(),
                                   QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString());
    mainForm.CreateToolWindows();
    mainForm.RestoreViewSettings();
    mainForm.show();
    // Files named on the command line (a file manager's "Open With") open
    // once the windows are up.
    QStringList files = QApplication::arguments();
    files.removeFirst();
    const bool quitAfterStart = qEnvironmentVariableIntValue("TINTLOOM_QUIT_AFTER_START") == 1;
    // Work that an instance which did not end normally left unsaved is
    // offered first; files named on the command line open over it.
    const std::string recoveryFolder = tintloom::RecoveryFolder();
    if (!recoveryFolder.empty()) mainForm.StartAutosave(recoveryFolder);
    QTimer::singleShot(0, &mainForm, [&mainForm, files, quitAfterStart, recoveryFolder] {
      if (!recoveryFolder.empty() && !quitAfterStart) {
        // The restored work is this instance's now: its copy at once.
        if (tintloom::OfferRecoveries(mainForm.Model(), recoveryFolder, &mainForm)) mainForm.Autosave()->SaveNow();
      }
      if (!files.isEmpty()) mainForm.FileCommands().OpenCommandLineFiles(files);
      if (quitAfterStart) mainForm.close();
    });
    // Exceptions from event handlers are caught and shown by the
    // application itself (TApplication::notify); none reaches this loop, so
    // the catch below only sees a start-up that could not finish.
    return QApplication::exec();
  } catch (const std::exception& e) {
    // Without its data the program cannot draw its windows: say why and stop.
    QMessageBox::critical(nullptr, QApplication::applicationName(), tintloom::UserText(e.what()));
    return 1;
  }
}
