#include "ui/session_platform.h"

#include <QByteArray>
#include <QtGlobal>

namespace tintloom {

namespace {

std::string Variable(const char* name) { return qgetenv(name).toStdString(); }

}  // namespace

TSessionEnvironment ReadSessionEnvironment() {
  return TSessionEnvironment{Variable("XDG_SESSION_TYPE"), Variable("WAYLAND_DISPLAY"), Variable("DISPLAY"),
                             Variable("QT_QPA_PLATFORM")};
}

bool IsWaylandSession(const TSessionEnvironment& session) {
  return session.sessionType == "wayland" || !session.waylandDisplay.empty();
}

std::string ChooseQtPlatform(const TSessionEnvironment& session) {
  if (!session.userPlatform.empty() || !IsWaylandSession(session) || session.display.empty()) return {};
  // The list form: should the X connection fail after all, Qt goes on to
  // native Wayland instead of stopping.
  return "xcb;wayland";
}

bool ScreenColourThroughPortal(const TSessionEnvironment& session, std::string_view qtPlatform) {
  return IsWaylandSession(session) || !PlatformPlacesWindows(qtPlatform);
}

bool PlatformPlacesWindows(std::string_view qtPlatform) { return !qtPlatform.starts_with("wayland"); }

bool ApplyQtPlatformChoice() {
  const std::string platform = ChooseQtPlatform(ReadSessionEnvironment());
  if (platform.empty()) return false;
  qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platform));
  return true;
}

}  // namespace tintloom
