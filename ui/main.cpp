// Tintloom: start-up. Creates the main window (which loads the data files)
// and the tool windows in their fixed order, then runs the event loop.

#include <QApplication>
#include <QMessageBox>
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
    return QApplication::exec();
  } catch (const std::exception& e) {
    // Without its data the program cannot draw its windows: say why and stop.
    QMessageBox::critical(nullptr, QApplication::applicationName(), QString::fromUtf8(e.what()));
    return 1;
  }
}
