#include "ui/application.h"

#include <QMessageBox>
#include <cstdio>
#include <exception>

#include "ui/translation.h"

namespace tintloom {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowCaught(e.what());
  } catch (...) {
    ShowCaught(kUnknownExceptionText);
  }
  return false;
}

void TApplication::ShowCaught(const char* text) {
  // A handler that throws on every paint would otherwise open box after box
  // from inside the first one's event loop.
  if (showing_) {
    std::fprintf(stderr, "%s\n", text);
    return;
  }
  showing_ = true;
  try {
    if (messages_ != nullptr) {
      messages_->ShowMessage(text);
    } else {
      QMessageBox::critical(activeWindow(), applicationName(), UserText(text));
    }
  } catch (...) {
    std::fprintf(stderr, "%s\n", text);
  }
  showing_ = false;
}

}  // namespace tintloom
