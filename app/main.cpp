// Tintloom: start-up. Creates the main window (which loads the data files)
// and the tool windows in their fixed order, then runs the event loop.

#include <QApplication>
#include <QMessageBox>
#include <exception>
#include <memory>

#include "app/main_form.h"
#include "app/qt_messages.h"
#include "scheme/harmony_rules.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tintloom");
  tintloom::TQtMessages messages;
  try {
    tintloom::TMainForm mainForm(messages, QApplication::applicationDirPath().toStdString());
    tintloom::TScheme scheme(mainForm.Model());
    mainForm.Model().AttachScheme(&scheme);
    scheme.Construct();
    mainForm.show();
    return QApplication::exec();
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, QApplication::applicationName(), QString::fromUtf8(e.what()));
    return 1;
  }
}
