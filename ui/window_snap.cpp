#include "ui/window_snap.h"

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
