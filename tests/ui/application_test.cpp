// An exception thrown by any event handler becomes a message and the event
// loop keeps running.

#include "ui/application.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <stdexcept>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "support/recording.h"

namespace tintloom {
namespace {

class TThrowingWidget final : public QWidget {
 protected:
  void mousePressEvent(QMouseEvent*) override { throw std::runtime_error("ファイルを読めません"); }
  void keyPressEvent(QKeyEvent*) override { throw 42; }
};

// Qt's event delivery is not written for exceptions passing through it: the
// event it was delivering is left half built and never freed. That is the
// price of carrying on after a throw, not a leak of ours, so the leak checker
// is told to look away while the handlers throw.
class TIgnoreLeaksInScope {
 public:
  TIgnoreLeaksInScope() {
#if defined(__SANITIZE_ADDRESS__)
    __lsan_disable();
#endif
  }
  ~TIgnoreLeaksInScope() {
#if defined(__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
  }
  TIgnoreLeaksInScope(const TIgnoreLeaksInScope&) = delete;
  TIgnoreLeaksInScope& operator=(const TIgnoreLeaksInScope&) = delete;
};

TEST(Application, ThrowingHandlersBecomeMessagesAndTheLoopCarriesOn) {
  auto* app = dynamic_cast<TApplication*>(QCoreApplication::instance());
  ASSERT_NE(app, nullptr);
  testing::TRecordingMessages messages;
  app->SetMessages(&messages);
  TThrowingWidget widget;
  widget.resize(40, 40);
  widget.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));

  TIgnoreLeaksInScope ignoreQtLeaks;
  QTest::mouseClick(&widget, Qt::LeftButton);
  QTest::keyClick(&widget, Qt::Key_A);
  QTimer::singleShot(0, [] { throw std::runtime_error("timer"); });
  bool later = false;
  QTimer::singleShot(0, [&] { later = true; });
  QCoreApplication::processEvents();

  EXPECT_TRUE(later);
  EXPECT_EQ(messages.shown, (std::vector<std::string>{"ファイルを読めません", kUnknownExceptionText, "timer"}));
  // Still answering: a second click is handled (and reported) like the first.
  QTest::mouseClick(&widget, Qt::LeftButton);
  EXPECT_EQ(messages.shown.size(), 4u);
  app->SetMessages(nullptr);
}

}  // namespace
}  // namespace tintloom
