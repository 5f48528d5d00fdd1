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

// Moves (left, top) of a window of the given size so that its edges meet the
// edges of the first partners (in list order) sharing a grid cell. Each axis
// snaps at most once and independently of the other.
void SnapWindowPosition(std::span<const TSnapPartner> partners, std::int32_t width, std::int32_t height,
                        std::int32_t& left, std::int32_t& top);

}  // namespace tintloom
