#pragma once
// Which of Qt's platforms the windows run on, and how the screen colour is
// had, decided from the desktop session the program starts in.
//
// In a Wayland session the windows prefer XWayland when an X display is
// there: under XWayland the program places, moves and snaps its own windows,
// which a Wayland compositor does not let a client do. The screen colour is
// a matter of the session, not of the platform: an X screen inside a Wayland
// session shows no Wayland surface, so reading it gives black, and the
// desktop portal is asked instead.

#include <string>
#include <string_view>

namespace tintloom {

// The environment variables the decisions look at.
struct TSessionEnvironment {
  std::string sessionType;     // XDG_SESSION_TYPE
  std::string waylandDisplay;  // WAYLAND_DISPLAY
  std::string display;         // DISPLAY
  std::string userPlatform;    // QT_QPA_PLATFORM, the user's own choice
};

TSessionEnvironment ReadSessionEnvironment();

bool IsWaylandSession(const TSessionEnvironment& session);

// The platform list to give Qt before the application object exists; empty
// leaves Qt's own choice. A platform the user chose is always kept.
std::string ChooseQtPlatform(const TSessionEnvironment& session);

// Whether F1..F4 ask the desktop portal for the colour rather than read the
// screen, given the platform Qt runs on.
bool ScreenColourThroughPortal(const TSessionEnvironment& session, std::string_view qtPlatform);

// Whether the program can place and move its own windows on this platform
// and fade them (native Wayland leaves all of that to the compositor).
bool PlatformPlacesWindows(std::string_view qtPlatform);

// Sets QT_QPA_PLATFORM from ChooseQtPlatform; returns whether it did, so the
// caller can clear it again once the application exists (programs started
// from ours should see the user's environment).
bool ApplyQtPlatformChoice();

}  // namespace tintloom
