// Window tests run the real widgets on Qt's offscreen platform, under the
// program's own application object.

#include <gtest/gtest.h>

#include "ui/application.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
  tintloom::TApplication app(argc, argv);
  QApplication::setApplicationName("Tintloom");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
