#include "ui/window_snap.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

namespace tintloom {

namespace {

// Cell numbers use C division, truncating toward zero (so cells -23..23 are all 0).
std::int32_t Cell(std::int32_t coordinate) { return coordinate / kSnapCell; }

// One axis: start/size of the moving window against start/size of a partner.
bool SnapAxis(std::int32_t partnerStart, std::int32_t partnerSize, std::int32_t size, std::int32_t& start) {
  const std::int32_t partnerEnd = partnerStart + partnerSize;
  if (Cell(partnerEnd) == Cell(start)) {
    start = partnerEnd;
  } else if (Cell(partnerStart) == Cell(start + size)) {
    start = partnerStart - size;
  } else if (Cell(partnerStart) == Cell(start)) {
    start = partnerStart;
  } else if (Cell(partnerEnd) == Cell(start + size)) {
    start = partnerEnd - size;
  } else {
    return false;
  }
  return true;
}

// One axis of the screen snap. Distances in 64 bits: a window far off screen
// must not overflow the subtraction.
void SnapAxisToScreen(std::int32_t areaStart, std::int32_t areaSize, std::int32_t distance, std::int32_t size,
                      std::int32_t& start) {
  const std::int64_t areaEnd = std::int64_t{areaStart} + areaSize;
  const std::int64_t end = std::int64_t{start} + size;
  if (std::llabs(std::int64_t{start} - areaStart) <= distance) {
    start = areaStart;
  } else if (std::llabs(end - areaEnd) <= distance) {
    start = static_cast<std::int32_t>(areaEnd - size);
  }
}

}  // namespace

void SnapToScreenEdges(const TWindowRect& workArea, std::int32_t distance, std::int32_t width,
                       std::int32_t height, std::int32_t& left, std::int32_t& top) {
  SnapAxisToScreen(workArea.left, workArea.width, distance, width, left);
  SnapAxisToScreen(workArea.top, workArea.height, distance, height, top);
}

namespace {

// The start of a span of `size` placed at `start` moved inside [low, low + room).
std::int32_t InsideAxis(std::int32_t low, std::int32_t room, std::int32_t size, std::int32_t start) {
  const std::int64_t high = std::int64_t{low} + room - size;
  std::int64_t moved = start;
  if (moved > high) moved = high;
  if (moved < low) moved = low;
  return static_cast<std::int32_t>(moved);
}

}  // namespace

void KeepTitleStripInside(const TWindowRect& workArea, std::int32_t width, std::int32_t stripBottom,
                          std::int32_t& left, std::int32_t& top) {
  left = InsideAxis(workArea.left, workArea.width, width, left);
  top = InsideAxis(workArea.top, workArea.height, stripBottom, top);
}

void FitGroupInside(const TWindowRect& workArea, std::span<TWindowRect> windows) {
  if (windows.empty()) return;
  std::int64_t left = windows.front().left, top = windows.front().top;
  std::int64_t right = left + windows.front().width, bottom = top + windows.front().height;
  for (const TWindowRect& w : windows) {
    left = std::min<std::int64_t>(left, w.left);
    top = std::min<std::int64_t>(top, w.top);
    right = std::max<std::int64_t>(right, std::int64_t{w.left} + w.width);
    bottom = std::max<std::int64_t>(bottom, std::int64_t{w.top} + w.height);
  }
  const auto groupWidth = static_cast<std::int32_t>(std::min<std::int64_t>(right - left, INT32_MAX));
  const auto groupHeight = static_cast<std::int32_t>(std::min<std::int64_t>(bottom - top, INT32_MAX));
  const std::int64_t dx = InsideAxis(workArea.left, workArea.width, groupWidth, static_cast<std::int32_t>(left)) - left;
  const std::int64_t dy = InsideAxis(workArea.top, workArea.height, groupHeight, static_cast<std::int32_t>(top)) - top;
  for (TWindowRect& w : windows) {
    w.left = InsideAxis(workArea.left, workArea.width, w.width, static_cast<std::int32_t>(w.left + dx));
    w.top = InsideAxis(workArea.top, workArea.height, w.height, static_cast<std::int32_t>(w.top + dy));
  }
}

namespace {

bool Overlap(const TWindowRect& a, const TWindowRect& b) {
  return std::int64_t{a.left} < std::int64_t{b.left} + b.width && std::int64_t{b.left} < std::int64_t{a.left} + a.width &&
         std::int64_t{a.top} < std::int64_t{b.top} + b.height && std::int64_t{b.top} < std::int64_t{a.top} + a.height;
}

bool Inside(const TWindowRect& area, const TWindowRect& r) {
  return r.left >= area.left && r.top >= area.top &&
         std::int64_t{r.left} + r.width <= std::int64_t{area.left} + area.width &&
         std::int64_t{r.top} + r.height <= std::int64_t{area.top} + area.height;
}

}  // namespace

TWindowRect PlaceBeside(const TWindowRect& workArea, std::span<const TWindowRect> shown, const TWindowRect& menuBar,
                        std::int32_t width, std::int32_t height) {
  if (!shown.empty()) {
    // Columns at the windows' right edges, the outermost first, then at
    // their left edges, the outermost first; in each, from the top down.
    std::int64_t top = shown.front().top;
    std::vector<std::int64_t> rights, lefts, tops;
    for (const TWindowRect& w : shown) {
      top = std::min<std::int64_t>(top, w.top);
      rights.push_back(std::int64_t{w.left} + w.width);
      lefts.push_back(std::int64_t{w.left} - width);
      tops.push_back(std::int64_t{w.top} + w.height);
    }
    tops.push_back(top);
    std::sort(tops.begin(), tops.end());
    std::sort(rights.begin(), rights.end(), std::greater<>());
    std::sort(lefts.begin(), lefts.end());
    std::vector<std::int64_t> columns = rights;
    columns.insert(columns.end(), lefts.begin(), lefts.end());
    for (const std::int64_t x : columns) {
      for (const std::int64_t y : tops) {
        if (y < top || x < INT32_MIN || x > INT32_MAX || y > INT32_MAX) continue;
        const TWindowRect r{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), width, height};
        if (!Inside(workArea, r)) continue;
        if (std::none_of(shown.begin(), shown.end(), [&r](const TWindowRect& w) { return Overlap(r, w); })) return r;
      }
    }
  }
  TWindowRect r{menuBar.left, static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{menuBar.top} + menuBar.height, INT32_MAX)),
                width, height};
  for (int step = 0; step < 16; ++step) {
    const bool taken = std::any_of(shown.begin(), shown.end(),
                                   [&r](const TWindowRect& w) { return w.left == r.left && w.top == r.top; });
    if (!taken) break;
    r.left += kSnapCell;
    r.top += kSnapCell;
  }
  r.left = InsideAxis(workArea.left, workArea.width, width, r.left);
  r.top = InsideAxis(workArea.top, workArea.height, height, r.top);
  return r;
}

void KeepOffMenuBar(const TWindowRect& workArea, const TWindowRect& menuBar, TWindowRect& window) {
  if (!Overlap(window, menuBar)) return;
  TWindowRect below = window;
  below.top = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{menuBar.top} + menuBar.height, INT32_MAX));
  if (std::int64_t{below.top} + below.height <= std::int64_t{workArea.top} + workArea.height) window = below;
}

void SnapWindowPosition(std::span<const TSnapPartner> partners, std::int32_t width, std::int32_t height,
                        std::int32_t& left, std::int32_t& top) {
  bool xSnapped = false;
  bool ySnapped = false;
  for (const TSnapPartner& partner : partners) {
    if (!partner.visible || partner.isMovingWindow) continue;
    if (!xSnapped) xSnapped = SnapAxis(partner.rect.left, partner.rect.width, width, left);
    if (!ySnapped) ySnapped = SnapAxis(partner.rect.top, partner.rect.height, height, top);
  }
}

}  // namespace tintloom
