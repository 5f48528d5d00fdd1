#include "ui/qt_messages.h"

#include <QApplication>
#include <QMessageBox>

namespace tintloom {

void TQtMessages::ShowMessage(const std::string& text) {
  QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(),
                           QString::fromStdString(text));
}

}  // namespace tintloom
