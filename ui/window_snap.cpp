#include "ui/window_snap.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

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
