#pragma once
// How long core work (reading, converting and shrinking artwork) shows how far
// it has got. The program shows a small progress window; tests record the
// calls; tools pass TSilentProgress.

#include <string>
#include "core/base/user_text.h"

namespace tintloom {

class TProgressSink {
 public:
  virtual ~TProgressSink() = default;
  // Starts a step: shows the window with this caption and a bar of `count`
  // positions, and lets pending window events run once so that it is drawn.
  virtual void ShowProgress(const std::string& text, int count) = 0;
  // The item about to be worked on (0 .. count - 1). Never lets events run.
  virtual void StepProgress(int position) = 0;
  virtual void HideProgress() = 0;
};

class TSilentProgress final : public TProgressSink {
 public:
  void ShowProgress(const std::string&, int) override {}
  void StepProgress(int) override {}
  void HideProgress() override {}
};

// The captions of the three steps of opening artwork, in the order they appear.
inline constexpr const char* kProgressReading = TL_TEXT("tintloom", "ファイルからデータを読み取っています...");
inline constexpr const char* kProgressGrey = TL_TEXT("tintloom", "グレイスケールに変換しています...");
inline constexpr const char* kProgressResize = TL_TEXT("tintloom", "リサイズしています...");

}  // namespace tintloom
