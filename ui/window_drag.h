#pragma once
// Moving the program's windows by their title strips or backgrounds: one drag
// at a time, for the main window and every tool window alike, snapping to the
// other windows and to the screen's edges. Windows only; the model knows
// nothing of it.

#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

class QMouseEvent;

namespace tintloom {

// The one window drag in progress.
struct TWindowDrag {
  bool dragging = false;
  int anchorX = 0;  // the pointer's position in the window at the press
  int anchorY = 0;
  QPointer<QWidget> window;
};

class TWindowDragger {
 public:
  // `mainWindow` snaps to the screen from nearer than the tool windows, and
  // its title strip ends where `mainTitleStripBottom` says (under its menu
  // bar); `snapPartners` lists the windows a drag snaps to, absent ones as
  // null.
  TWindowDragger(QWidget& mainWindow, std::function<int()> mainTitleStripBottom,
                 std::function<std::vector<QWidget*>()> snapPartners);

  // A press at (x, y) in `window` starts its drag.
  void BeginWindowDrag(QWidget* window, int x, int y);
  // On a platform where the program cannot move its windows, hands the drag
  // to the compositor; false where the program moves them itself.
  bool StartCompositorMove(QWidget* window);
  // The pointer at (x, y) in `window` during its drag moves it there.
  void DragWindow(QWidget* window, int x, int y);
  void EndWindowDrag(QWidget* window);
  void SnapWindowPosition(QWidget* window, int& left, int& top);
  // The height of a window's top part that holds its title strip, which a
  // drag keeps on the screen.
  int TitleStripBottom(const QWidget* window) const;
  // Every window's mouse move: a drag step, or the end of a drag whose
  // release went elsewhere (no button is held any more).
  void WindowMouseMove(QWidget* window, const QMouseEvent& event);
  // A window was hidden: a drag of it ends, so it comes back opaque and
  // unattached to the pointer.
  void WindowHidden(QWidget* window);
  const TWindowDrag& WindowDrag() const { return drag_; }

 private:
  QWidget& mainWindow_;
  std::function<int()> mainTitleStripBottom_;
  std::function<std::vector<QWidget*>()> snapPartners_;
  TWindowDrag drag_;
};

}  // namespace tintloom
