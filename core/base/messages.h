#pragma once
// How core code talks to the user. The program shows each message in a modal
// box with exactly this text; tests record it.

#include <string>

namespace tintloom {

class TMessageSink {
 public:
  virtual ~TMessageSink() = default;
  virtual void ShowMessage(const std::string& text) = 0;
};

// Used where nobody listens (tools, some tests): drops every message.
class TSilentMessages final : public TMessageSink {
 public:
  void ShowMessage(const std::string&) override {}
};

}  // namespace tintloom
