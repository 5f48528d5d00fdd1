// The platform the windows start on and the way the screen colour is had,
// for every kind of session a user may start the program in.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "ui/session_platform.h"

namespace tintloom {
namespace {

using TCase = std::tuple<std::string, std::string, std::string, std::string>;  // type, WAYLAND_DISPLAY, DISPLAY, user

TSessionEnvironment Session(const TCase& c) {
  return TSessionEnvironment{std::get<0>(c), std::get<1>(c), std::get<2>(c), std::get<3>(c)};
}

template <typename F>
void ForEverySession(F&& f) {
  for (const char* type : {"", "x11", "wayland", "tty"}) {
    for (const char* wayland : {"", "wayland-0"}) {
      for (const char* display : {"", ":0"}) {
        for (const char* user : {"", "xcb", "wayland", "offscreen"}) f(TCase{type, wayland, display, user});
      }
    }
  }
}

// XWayland is chosen exactly in a Wayland session with an X display, the user
// having chosen nothing; every other start is left to Qt (or the user).
TEST(SessionPlatform, XWaylandOnlyInAWaylandSessionWithAnXDisplayAndNoChoiceOfTheUsers) {
  const std::set<TCase> xwayland = {
      {"wayland", "", ":0", ""}, {"wayland", "wayland-0", ":0", ""}, {"", "wayland-0", ":0", ""},
      {"tty", "wayland-0", ":0", ""}, {"x11", "wayland-0", ":0", ""},
  };
  int chosen = 0;
  ForEverySession([&](const TCase& c) {
    const std::string platform = ChooseQtPlatform(Session(c));
    SCOPED_TRACE(std::get<0>(c) + "|" + std::get<1>(c) + "|" + std::get<2>(c) + "|" + std::get<3>(c));
    if (xwayland.contains(c)) {
      EXPECT_EQ(platform, "xcb;wayland");  // native Wayland should the X connection fail
      ++chosen;
    } else {
      EXPECT_EQ(platform, "");
    }
  });
  EXPECT_EQ(chosen, 5);
}

// The portal wherever the session is Wayland, whatever Qt runs on: an X
// screen under XWayland reads black. Outside one the screen is read, unless
// Qt itself runs natively on Wayland.
TEST(SessionPlatform, ScreenColourComesFromThePortalInEveryWaylandSession) {
  ForEverySession([&](const TCase& c) {
    const TSessionEnvironment session = Session(c);
    const bool wayland = std::get<0>(c) == "wayland" || !std::get<1>(c).empty();
    SCOPED_TRACE(std::get<0>(c) + "|" + std::get<1>(c) + "|" + std::get<2>(c));
    EXPECT_EQ(ScreenColourThroughPortal(session, "xcb"), wayland);
    EXPECT_TRUE(ScreenColourThroughPortal(session, "wayland"));
    EXPECT_TRUE(ScreenColourThroughPortal(session, "wayland-egl"));
  });
  EXPECT_FALSE(PlatformPlacesWindows("wayland-egl"));
  EXPECT_TRUE(PlatformPlacesWindows("xcb"));
  EXPECT_TRUE(PlatformPlacesWindows("offscreen"));
}

}  // namespace
}  // namespace tintloom
