// Tintloom: start-up. Creates the main window (which loads the data files)
// and the tool windows in their fixed order, then runs the event loop. A PSD
// file named on the command line is opened as sample artwork.

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <exception>

#include "ui/main_form.h"
#include "ui/qt_messages.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tintloom");
  tintloom::TQtMessages messages;
  try {
    tintloom::TMainForm mainForm(messages, QApplication::applicationDirPath().toStdString());
    mainForm.CreateToolWindows();
    mainForm.show();
    // A file named on the command line (a file manager's "Open With") opens
    // exactly as if dropped on the window, once the windows are up.
    QStringList files = QApplication::arguments();
    files.removeFirst();
    if (!files.isEmpty()) {
      QTimer::singleShot(0, &mainForm, [&mainForm, files] { mainForm.OpenCommandLineFiles(files); });
    }
    return QApplication::exec();
  } catch (const std::exception& e) {
    // Without its data the program cannot draw its windows: say why and stop.
    QMessageBox::critical(nullptr, QApplication::applicationName(), QString::fromUtf8(e.what()));
    return 1;
  }
}
