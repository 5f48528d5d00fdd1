#include "ui/window_snap.h"

#include <gtest/gtest.h>

#include <vector>

namespace tintloom {
namespace {

const TWindowRect kMain{240, 120, 600, 645};

TEST(WindowSnap, EdgeTenPixelsAwayInTheSameCellSnapsFlush) {
  // Picker dragged so its left edge is 10 px right of the main window's right edge (840 -> 850).
  const std::vector<TSnapPartner> partners = {{kMain, true, false}};
  std::int32_t left = 850;
  std::int32_t top = 300;
  SnapWindowPosition(partners, 262, 350, left, top);
  EXPECT_EQ(left, 840);
  EXPECT_EQ(top, 300);  // 300 and 650 share no cell with 120 or 765
  // Right edge 10 px past the main window's left edge (same cell): flush against it.
  left = 240 - 262 + 10;
  SnapWindowPosition(partners, 262, 350, left, top);
  EXPECT_EQ(left, 240 - 262);
}

TEST(WindowSnap, RulesApplyInOrderPerAxisAndOnlyOnce) {
  // Tops aligned (rule 3) since no other vertical rule matches.
  const std::vector<TSnapPartner> partners = {{kMain, true, false}, {TWindowRect{0, 0, 100, 100}, true, false}};
  std::int32_t left = 2000;
  std::int32_t top = 130;
  SnapWindowPosition(partners, 50, 50, left, top);
  EXPECT_EQ(top, 120);
  EXPECT_EQ(left, 2000);
  // Rule 1 beats rule 3 when both match: partner right edge in the same cell as our left.
  const std::vector<TSnapPartner> tight = {{TWindowRect{0, 0, 10, 10}, true, false}};
  left = 5;
  top = 500;
  SnapWindowPosition(tight, 50, 50, left, top);
  EXPECT_EQ(left, 10);
  // The second partner cannot move an axis the first snapped.
  const std::vector<TSnapPartner> two = {{TWindowRect{0, 0, 10, 10}, true, false}, {TWindowRect{3, 3, 10, 10}, true, false}};
  left = 5;
  top = 5;
  SnapWindowPosition(two, 50, 50, left, top);
  EXPECT_EQ(left, 10);
  EXPECT_EQ(top, 10);
}

TEST(WindowSnap, HiddenWindowsAndTheMovingWindowAreNeverPartners) {
  const std::vector<TSnapPartner> partners = {{kMain, false, false}, {TWindowRect{850, 120, 10, 10}, true, true}};
  std::int32_t left = 850;
  std::int32_t top = 130;
  SnapWindowPosition(partners, 262, 350, left, top);
  EXPECT_EQ(left, 850);
  EXPECT_EQ(top, 130);
}

TEST(WindowSnap, CellsTruncateTowardZero) {
  // -10 and 10 are both in cell 0 with C division.
  const std::vector<TSnapPartner> partners = {{TWindowRect{-500, -500, 490, 490}, true, false}};
  std::int32_t left = 10;
  std::int32_t top = 10;
  SnapWindowPosition(partners, 100, 100, left, top);
  EXPECT_EQ(left, -10);
  EXPECT_EQ(top, -10);
}

TEST(WindowSnap, ScreenEdgesPullWithinTheDistanceFromEitherSide) {
  const TWindowRect area{0, 30, 1600, 970};  // a panel takes the top 30 pixels
  struct Case {
    std::int32_t left, top, expectedLeft, expectedTop;
  };
  // A 262 x 332 window, distance 32.
  const Case cases[] = {
      {20, 400, 0, 400},                      // left edge inside
      {-32, 400, 0, 400},                     // left edge outside, at the distance
      {-33, 400, -33, 400},                   // just beyond it
      {1600 - 262 - 25, 400, 1600 - 262, 400},  // right edge
      {1600 - 262 + 30, 400, 1600 - 262, 400},  // right edge, outside
      {500, 45, 500, 30},                     // top of the work area, not of the screen
      {500, 1000 - 332 - 32, 500, 1000 - 332},  // bottom edge
      {500, 1000 - 332 - 33, 500, 1000 - 332 - 33},
      {-2147483647 - 1, 2147483647, -2147483647 - 1, 2147483647},  // no overflow far away
  };
  for (const Case& c : cases) {
    std::int32_t left = c.left;
    std::int32_t top = c.top;
    SnapToScreenEdges(area, 32, 262, 332, left, top);
    EXPECT_EQ(left, c.expectedLeft) << c.left << "," << c.top;
    EXPECT_EQ(top, c.expectedTop) << c.left << "," << c.top;
  }
  // A window wider than the screen keeps its left edge on the screen's.
  std::int32_t left = 10;
  std::int32_t top = 400;
  SnapToScreenEdges(TWindowRect{0, 0, 500, 1000}, 16, 520, 100, left, top);
  EXPECT_EQ(left, 0);
}

// Start-up: the main window centred with the hue and picker windows on its
// left and the layer window on its right is 1124 pixels wide.
TEST(WindowSnap, TheStartLayoutMovesInsideASmallScreen) {
  const TWindowRect main{212, 60, 600, 647};
  const TWindowRect hue{212 - 262, 60, 262, 333};
  const TWindowRect picker{212 - 262, 60 + 333, 262, 350};
  const TWindowRect layer{812, 60, 262, 625};
  std::vector<TWindowRect> group = {main, hue, picker, layer};
  const TWindowRect small{0, 0, 1024, 768};
  FitGroupInside(small, group);
  for (const TWindowRect& w : group) {
    EXPECT_GE(w.left, 0);
    EXPECT_GE(w.top, 0);
    EXPECT_LE(w.left + w.width, 1024);
    EXPECT_LE(w.top + w.height, 768);
  }
  // The group moved as one as far as it could: the hue window still meets
  // the main window; only the layer window overlaps it.
  EXPECT_EQ(group[1].left, 0);
  EXPECT_EQ(group[0].left, 262);
  EXPECT_EQ(group[2].top, group[1].top + 333);
  EXPECT_EQ(group[3].left, 1024 - 262);
  EXPECT_EQ(group[0].top, 60);
  // It covered the right end of the menu bar: moved down clear of it, still
  // on the screen. Where that would leave the screen, it stays.
  const TWindowRect menu{262, 60, 600, 19};
  KeepOffMenuBar(small, menu, group[3]);
  EXPECT_EQ(group[3].top, 79);
  TWindowRect tall{762, 60, 262, 700};
  KeepOffMenuBar(small, menu, tall);
  EXPECT_EQ(tall.top, 60);
  TWindowRect clear = group[1];
  KeepOffMenuBar(small, menu, clear);
  EXPECT_EQ(clear.top, group[1].top);

  // Where the layout fits but hangs off one side it moves whole.
  group = {main, hue, picker, layer};
  FitGroupInside(TWindowRect{0, 0, 1920, 1080}, group);
  EXPECT_EQ(group[1].left, 0);
  EXPECT_EQ(group[0].left, 262);
  EXPECT_EQ(group[3].left, 862);
}

}  // namespace
}  // namespace tintloom
