#include "ui/qt_messages.h"

#include <QApplication>
#include <QMessageBox>

#include "ui/translation.h"

namespace tintloom {

void TQtMessages::ShowMessage(const std::string& text) {
  QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(),
                           UserText(text));
}

}  // namespace tintloom
