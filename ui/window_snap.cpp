#include "ui/window_snap.h"

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

}  // namespace

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
