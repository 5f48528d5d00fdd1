// The program inside a real compositor, started by under_compositor.sh in a
// Wayland session of its own: weston runs it natively on Wayland, mutter
// under XWayland. The platform is the program's own choice, and F1..F4 reach
// the stand-in portal on the session's bus instead of reading black.

#include <QDBusConnection>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/application.h"
#include "ui/hue_form.h"
#include "ui/layer_form.h"
#include "ui/palette_form.h"
#include "ui/swatch_form.h"
#include "ui/main_form.h"
#include "ui/screen_colour_portal.h"
#include "ui/session_platform.h"
#include "ui/window_snap.h"
#include "ui/fake_portal.h"
#include "support/paths.h"
#include "support/recording.h"

namespace tintloom {
namespace {

// Qt's warnings while a test runs ("This plugin does not support ...").
std::vector<std::string>* capturedWarnings = nullptr;

void CaptureWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (capturedWarnings != nullptr && type != QtDebugMsg && type != QtInfoMsg) {
    capturedWarnings->push_back(text.toStdString());
  }
}

class UnderCompositor : public ::testing::Test {
 protected:
  testing::TRecordingMessages messages;
  TMainForm form{messages, testing::ProgramDir()};
  testing::TFakePortal portal;
  QDBusConnection portalBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("portal"));
  std::vector<std::string> warnings;

  // Starts as the program does and waits until the compositor has mapped
  // every start-up window.
  void SetUp() override {
    capturedWarnings = &warnings;
    qInstallMessageHandler(CaptureWarnings);
    ASSERT_TRUE(portalBus.isConnected()) << "no session bus";
    ASSERT_TRUE(testing::OfferPortal(portalBus, portal));
    // The picked colours are no work to keep: quitting asks nothing.
    form.askSaveBeforeQuit = [] { return QMessageBox::Discard; };
    form.CreateToolWindows();
    form.show();
    for (QWidget* window : StartWindows()) {
      ASSERT_TRUE(QTest::qWaitForWindowExposed(window, 10000)) << window->objectName().toStdString();
    }
  }
  void TearDown() override {
    form.close();
    qInstallMessageHandler(nullptr);
    capturedWarnings = nullptr;
    QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
  }
  std::vector<QWidget*> StartWindows() {
    return {&form, form.Windows().hue, form.Windows().picker, form.Windows().layer};
  }
  // Presses a colour key and waits until the program has heard the portal.
  void PressAndWait(Qt::Key key) {
    const int before = form.ScreenColourPortal() != nullptr ? form.ScreenColourPortal()->Answers() : 0;
    QTest::keyClick(&form, key);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return form.ScreenColourPortal() != nullptr && form.ScreenColourPortal()->Answers() > before; },
        5000));
  }
};

// ---------------------------------------------------------------- weston, native Wayland

using NativeWayland = UnderCompositor;

// How many windows the compositor has been told belong to another so far,
// from the program's protocol log (libwayland's WAYLAND_DEBUG=client).
int ParentsGiven() {
  QFile log(qEnvironmentVariable("CLIENT_PROTOCOL_LOG"));
  if (!log.open(QIODevice::ReadOnly)) return -1;
  return static_cast<int>(log.readAll().count(".set_parent(xdg_toplevel@"));
}

TEST_F(NativeWayland, F1AsksThePortalAndTitleStripDragsGoToTheCompositorQuietly) {
  ASSERT_TRUE(QGuiApplication::platformName().startsWith("wayland")) << QGuiApplication::platformName().toStdString();
  // The three start-up tool windows are the main window's own: the
  // compositor keeps them above it and minimises them with it.
  EXPECT_EQ(ParentsGiven(), 3);
  portal.rgb = {0.2, 0.6, 1.0};
  PressAndWait(Qt::Key_F1);
  EXPECT_EQ(portal.calls, 1);
  // The same key on a program handed that colour directly.
  testing::TRecordingMessages otherMessages;
  TMainForm reference(otherMessages, testing::ProgramDir());
  reference.CreateToolWindows();
  reference.readScreenPixel = [] { return std::optional<TColor>(51u | 153u << 8 | 255u << 16); };
  QTest::keyClick(&reference, Qt::Key_F1);
  EXPECT_EQ(form.Model().SlotAt(0).shades[kHighlight].Color, reference.Model().SlotAt(0).shades[kHighlight].Color);
  EXPECT_TRUE(messages.shown.empty());

  // A title strip pressed and dragged: the compositor moves the window, the
  // program neither moves it on its own nor fades it (which the platform
  // refuses with a warning each time).
  for (QWidget* window : {static_cast<QWidget*>(form.Windows().picker), static_cast<QWidget*>(&form)}) {
    SCOPED_TRACE(window->objectName().toStdString());
    const QPoint before = window->pos();
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(60, 6));
    QTest::mouseMove(window, QPoint(160, 106));
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(160, 106));
    EXPECT_FALSE(form.WindowDragger().WindowDrag().dragging);
    EXPECT_EQ(window->pos(), before);
    EXPECT_DOUBLE_EQ(window->windowOpacity(), 1.0);
  }
  // Quitting with every window open.
  form.Windows().lightBalance->show();
  form.Windows().swatch->show();
  form.Windows().info->show();
  form.close();
  EXPECT_TRUE(form.ShuttingDown());
  for (QWidget* window : StartWindows()) EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(warnings.empty()) << warnings.front();
}

// ---------------------------------------------------------------- mutter, XWayland

// A window's place as the X server has it, not as Qt last asked for it.
QRect ServerGeometry(QWidget* window) {
  QProcess xdotool;
  xdotool.start(QStringLiteral("xdotool"),
                {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), QString::number(window->winId())});
  if (!xdotool.waitForFinished(5000)) return {};
  int x = 0, y = 0, w = 0, h = 0;
  for (const QString& line : QString::fromUtf8(xdotool.readAllStandardOutput()).split('\n')) {
    const QStringList pair = line.split('=');
    if (pair.size() != 2) continue;
    if (pair[0] == "X") x = pair[1].toInt();
    if (pair[0] == "Y") y = pair[1].toInt();
    if (pair[0] == "WIDTH") w = pair[1].toInt();
    if (pair[0] == "HEIGHT") h = pair[1].toInt();
  }
  return QRect(x, y, w, h);
}

void Pointer(const QStringList& arguments) {
  QProcess::execute(QStringLiteral("xdotool"), arguments);
}

using XWayland = UnderCompositor;

TEST_F(XWayland, WindowsArePlacedAsDesignedADragSnapsAndF2AsksThePortal) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) << "xdotool is not installed";
  // Placement: the main window centred, hue and picker stacked at its left,
  // the layer window at its right.
  const QRect main = ServerGeometry(&form);
  const QRect hue = ServerGeometry(form.Windows().hue);
  const QRect picker = ServerGeometry(form.Windows().picker);
  const QRect layer = ServerGeometry(form.Windows().layer);
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE(std::abs(main.center().x() - screen.center().x()), 1);
  EXPECT_EQ(hue.topLeft(), QPoint(main.left() - hue.width(), main.top()));
  EXPECT_EQ(picker.topLeft(), QPoint(hue.left(), hue.bottom() + 1));
  EXPECT_EQ(layer.topLeft(), QPoint(main.right() + 1, main.top()));

  // A real drag of the layer window's title strip, dropped a little right of
  // the main window's edge and well below: it snaps flush to the edge.
  const int mainEnd = main.right() + 1;
  ASSERT_EQ(mainEnd / kSnapCell, (mainEnd + 10) / kSnapCell) << "the drop would not snap";
  const QPoint grip = layer.topLeft() + QPoint(60, 6);
  Pointer({"mousemove", QString::number(grip.x()), QString::number(grip.y()), "mousedown", "1"});
  for (int step = 1; step <= 10; ++step) {
    Pointer({"mousemove", QString::number(grip.x() + step), QString::number(grip.y() + 20 * step)});
    QTest::qWait(10);
  }
  Pointer({"mouseup", "1"});
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form.WindowDragger().WindowDrag().dragging; }, 5000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return ServerGeometry(form.Windows().layer).top() > layer.top() + 150; }, 5000));
  const QRect dropped = ServerGeometry(form.Windows().layer);
  EXPECT_EQ(dropped.left(), mainEnd);
  EXPECT_NEAR(dropped.top(), layer.top() + 200, kSnapCell);
  EXPECT_DOUBLE_EQ(form.Windows().layer->windowOpacity(), 1.0);

  // F2 with the pointer over the grey canvas: the portal's colour, not the
  // black an X screen shows in a Wayland session.
  Pointer({"mousemove", QString::number(main.left() + 300), QString::number(main.top() + 300)});
  portal.rgb = {0.8, 0.4, 0.2};
  PressAndWait(Qt::Key_F2);
  EXPECT_EQ(form.Model().SlotAt(0).shades[kBase].Color, 204u | 102u << 8 | 51u << 16);
  EXPECT_EQ(portal.lastParentWindow, QStringLiteral("x11:") + QString::number(form.winId(), 16));
  EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace tintloom

// The platform is chosen exactly as the program chooses it.
int main(int argc, char** argv) {
  tintloom::ApplyQtPlatformChoice();
  tintloom::TApplication app(argc, argv);
  QApplication::setApplicationName("Tintloom");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
