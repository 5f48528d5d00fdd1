#include "ui/window_drag.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

#include "ui/session_platform.h"
#include "ui/tool_form.h"
#include "ui/window_snap.h"

namespace tintloom {

TWindowDragger::TWindowDragger(QWidget& mainWindow, std::function<int()> mainTitleStripBottom,
                               std::function<std::vector<QWidget*>()> snapPartners)
    : mainWindow_(mainWindow),
      mainTitleStripBottom_(std::move(mainTitleStripBottom)),
      snapPartners_(std::move(snapPartners)) {}

void TWindowDragger::BeginWindowDrag(QWidget* window, int x, int y) {
  if (StartCompositorMove(window)) return;
  // A drag of another window that never saw its release ends first.
  if (drag_.window != nullptr && drag_.window != window) EndWindowDrag(nullptr);
  window->setWindowOpacity(128.0 / 255.0);
  // Pressed, a window comes to the front, as under a window manager: with
  // none, a tool window dragged over another would stay behind it.
  window->raise();
  drag_.dragging = true;
  drag_.anchorX = x;
  drag_.anchorY = y;
  drag_.window = window;
}

bool TWindowDragger::StartCompositorMove(QWidget* window) {
  // Where only the compositor places windows (native Wayland) it also moves
  // them: it follows the pointer itself until the button comes up. A
  // position set from here would be ignored, snapping would work on
  // positions nobody can read back, and the platform refuses to fade.
  if (PlatformPlacesWindows(QGuiApplication::platformName().toStdString())) return false;
  if (QWindow* native = window->windowHandle()) native->startSystemMove();
  return true;
}

void TWindowDragger::DragWindow(QWidget* window, int x, int y) {
  if (!drag_.dragging || window != drag_.window) return;
  int left = window->x() + x - drag_.anchorX;
  int top = window->y() + y - drag_.anchorY;
  SnapWindowPosition(window, left, top);
  // The screen's edges pull last, as a move of the window itself would.
  const QRect own = window->frameGeometry();
  QScreen* screen = QGuiApplication::screenAt(QPoint(left + own.width() / 2, top + own.height() / 2));
  if (screen == nullptr) screen = QGuiApplication::screenAt(QCursor::pos());
  if (screen == nullptr) screen = window->screen();
  if (screen != nullptr) {
    const QRect area = screen->availableGeometry();
    const TWindowRect workArea{area.x(), area.y(), area.width(), area.height()};
    SnapToScreenEdges(workArea, window == &mainWindow_ ? kMainScreenSnapDistance : kToolScreenSnapDistance,
                      own.width(), own.height(), left, top);
    // However far the pointer goes, the title strip stays where it can be
    // taken again.
    KeepTitleStripInside(workArea, own.width(), TitleStripBottom(window), left, top);
  }
  window->move(left, top);
}

void TWindowDragger::EndWindowDrag(QWidget* window) {
  if (window != nullptr) window->setWindowOpacity(1.0);
  // One drag serves every window: whichever window was dragged is opaque again.
  if (drag_.window != nullptr && drag_.window != window) drag_.window->setWindowOpacity(1.0);
  drag_ = TWindowDrag{};
}

void TWindowDragger::WindowMouseMove(QWidget* window, const QMouseEvent& event) {
  if (event.buttons() == Qt::NoButton) {
    // The release went elsewhere (another program took the pointer, a popup
    // opened): nothing follows the pointer without a button.
    if (drag_.dragging) EndWindowDrag(drag_.window);
    return;
  }
  const QPoint p = event.position().toPoint();
  DragWindow(window, p.x(), p.y());
}

void TWindowDragger::WindowHidden(QWidget* window) {
  if (drag_.dragging && window == drag_.window) EndWindowDrag(window);
}

void TWindowDragger::SnapWindowPosition(QWidget* window, int& left, int& top) {
  std::vector<TSnapPartner> partners;
  for (QWidget* w : snapPartners_()) {
    if (w == nullptr) continue;
    const QRect r = w->frameGeometry();
    partners.push_back(TSnapPartner{TWindowRect{r.x(), r.y(), r.width(), r.height()}, w->isVisible(), w == window});
  }
  const QRect own = window->frameGeometry();
  tintloom::SnapWindowPosition(partners, own.width(), own.height(), left, top);
}

int TWindowDragger::TitleStripBottom(const QWidget* window) const {
  return window == &mainWindow_ ? mainTitleStripBottom_() : kToolTitleHeight;
}

}  // namespace tintloom
