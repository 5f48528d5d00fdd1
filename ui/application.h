#pragma once
// The program's QApplication. Qt does not let an exception pass through its
// event loop, so every event is delivered inside a catch: a handler that
// throws becomes a message box and the program carries on with the next
// event, as users of a desktop program expect.

#include <QApplication>

#include "core/base/messages.h"
#include "core/base/user_text.h"

namespace tintloom {

class TApplication final : public QApplication {
 public:
  TApplication(int& argc, char** argv);

  // Where the message of a caught exception goes; by default a modal box.
  void SetMessages(TMessageSink* messages) { messages_ = messages; }

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  void ShowCaught(const char* text);

  TMessageSink* messages_ = nullptr;
  bool showing_ = false;  // a message box is open: do not stack another
};

// Shown for something thrown that is not a std::exception.
inline constexpr const char* kUnknownExceptionText = TL_TEXT("tintloom", "予期しないエラーが発生しました");

}  // namespace tintloom
