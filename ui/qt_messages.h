#pragma once
// Messages from the core shown as modal boxes with exactly their text, in
// the user's language.

#include "core/base/messages.h"

namespace tintloom {

class TQtMessages final : public TMessageSink {
 public:
  void ShowMessage(const std::string& text) override;
};

}  // namespace tintloom
