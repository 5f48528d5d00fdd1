#pragma once
// The progress window: a small borderless, always-on-top window centred over
// the main window's canvas that shows which step of opening artwork is running
// and how far it has got. It has no buttons and cancels nothing.

#include <QWidget>

#include "core/base/progress_sink.h"

class QLabel;
class QProgressBar;

namespace tintloom {

inline constexpr int kProgressWidth = 377;
inline constexpr int kProgressHeight = 92;

class TProgressForm : public QWidget, public TProgressSink {
  Q_OBJECT
 public:
  // `anchor` is the main window: the progress window centres itself over its
  // canvas on every step, following it when it has been moved.
  explicit TProgressForm(QWidget& anchor);

  QLabel* Caption() const { return caption_; }
  QProgressBar* Bar() const { return bar_; }

  // Where the window goes for a main window whose top-left is (left, top).
  static QPoint Placement(int mainLeft, int mainTop, int width, int height);

  // TProgressSink
  void ShowProgress(const std::string& text, int count) override;
  void StepProgress(int position) override;
  void HideProgress() override;

  // Pending window events processed by ShowProgress so far (tests).
  int EventPasses() const { return eventPasses_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget& anchor_;
  QWidget* panel_ = nullptr;
  QLabel* caption_ = nullptr;
  QProgressBar* bar_ = nullptr;
  int eventPasses_ = 0;
};

}  // namespace tintloom
