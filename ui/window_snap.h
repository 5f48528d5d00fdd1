#pragma once
// Snapping a dragged window's edges to its partner windows on a 24-pixel grid.

#include <cstdint>
#include <span>

namespace tintloom {

struct TWindowRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

struct TSnapPartner {
  TWindowRect rect;
  bool visible = false;
  bool isMovingWindow = false;
};

inline constexpr std::int32_t kSnapCell = 24;
// How near a dragged window's edge must come to the screen's edge to be
// pulled onto it: the main window, and the tool windows.
inline constexpr std::int32_t kMainScreenSnapDistance = 16;
inline constexpr std::int32_t kToolScreenSnapDistance = 32;

// Moves (left, top) of a window of the given size so that its edges meet the
// edges of the first partners (in list order) sharing a grid cell. Each axis
// snaps at most once and independently of the other.
void SnapWindowPosition(std::span<const TSnapPartner> partners, std::int32_t width, std::int32_t height,
                        std::int32_t& left, std::int32_t& top);

// Pulls a window of the given size onto the edges of the screen's work area
// when an edge comes within `distance` pixels of it, inside or outside; the
// left and top edges win over the right and bottom ones on a small screen.
void SnapToScreenEdges(const TWindowRect& workArea, std::int32_t distance, std::int32_t width,
                       std::int32_t height, std::int32_t& left, std::int32_t& top);

// Moves (left, top) of a window `width` wide as little as needed to keep its
// title strip (the window's top rows down to `stripBottom`) wholly inside the
// work area, so that the window can always be taken by its title again, even
// with no window manager to fetch it. On a work area too small for it the
// left and top edges win.
void KeepTitleStripInside(const TWindowRect& workArea, std::int32_t width, std::int32_t stripBottom,
                          std::int32_t& left, std::int32_t& top);

// Moves a group of windows together, as little as needed, so that the
// rectangle around them lies inside the work area; where the group is wider
// or taller than the work area, each window is then moved into it on its own
// (they overlap rather than hang off the screen). Sizes are kept.
void FitGroupInside(const TWindowRect& workArea, std::span<TWindowRect> windows);

// Where a tool window shown for the first time goes: beside the windows on
// show (`shown`, the main window among them), right of them from the top
// down, then left of them, where it covers none of them and lies wholly in
// the work area. Where there is no such place (a small screen), it goes just
// below the main window's menu bar (`menuBar`), moved inside the work area
// and a grid cell on from a window already there, so that no menu is hidden.
TWindowRect PlaceBeside(const TWindowRect& workArea, std::span<const TWindowRect> shown, const TWindowRect& menuBar,
                        std::int32_t width, std::int32_t height);

// A window that covers part of the menu bar is moved down to just below it,
// as long as it then still fits in the work area.
void KeepOffMenuBar(const TWindowRect& workArea, const TWindowRect& menuBar, TWindowRect& window);

}  // namespace tintloom
