// Window tests run the real widgets on Qt's offscreen platform, under the
// program's own application object.

#include <QDir>
#include <QTemporaryFile>
#include <gtest/gtest.h>

#include "ui/application.h"

int main(int argc, char** argv) {
  QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (platform.isEmpty()) platform = "offscreen";
  // The offscreen platform's own screen is 800 x 600, smaller than the
  // windows' designed layout, which start-up would then fold up: the tests
  // get a desktop where it fits. (The platform reads the file at start.)
  QTemporaryFile screens(QDir::tempPath() + "/tintloom_screens_XXXXXX.json");
  if (platform == "offscreen" && screens.open()) {
    screens.write(R"({"screens": [{"name": "desktop", "x": 0, "y": 0, "width": 1920, "height": 1200,)"
                  R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    screens.flush();
    platform += ":configfile=" + QFile::encodeName(screens.fileName());
  }
  qputenv("QT_QPA_PLATFORM", platform);
  tintloom::TApplication app(argc, argv);
  QApplication::setApplicationName("Tintloom");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
