#include "ui/paint_box.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cstdlib>

namespace tintloom {

namespace {

// The part nearest to `from` in the direction (dx, dy), or `from` when none
// lies that way; a part straight ahead beats a nearer one off to the side.
int Neighbour(const std::vector<TPaintBoxPart>& parts, int from, int dx, int dy) {
  const QPoint origin = parts[static_cast<std::size_t>(from)].rect.center();
  int best = from;
  long bestCost = 0;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const QPoint d = parts[i].rect.center() - origin;
    const long ahead = static_cast<long>(d.x()) * dx + static_cast<long>(d.y()) * dy;
    if (ahead <= 0) continue;
    const long aside = std::abs(static_cast<long>(d.x()) * dy) + std::abs(static_cast<long>(d.y()) * dx);
    const long cost = ahead + 3 * aside;
    if (best == from || cost < bestCost) {
      best = static_cast<int>(i);
      bestCost = cost;
    }
  }
  return best;
}

TMouseInput FromEvent(const QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  return TMouseInput{event->button(), event->buttons(), event->modifiers(), p.x(), p.y()};
}

class TLiveToolTip final : public QObject {
 public:
  TLiveToolTip(QWidget* widget, std::function<QString()> text) : QObject(widget), text_(std::move(text)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ToolTip) return false;
    auto* widget = static_cast<QWidget*>(watched);
    const auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), text_(), widget);
    return true;
  }

 private:
  std::function<QString()> text_;
};

}  // namespace

void SetLiveToolTip(QWidget* widget, std::function<QString()> text) {
  widget->setToolTip(text());
  widget->installEventFilter(new TLiveToolTip(widget, std::move(text)));
}

TPaintBox::TPaintBox(QWidget* parent, int x, int y, int width, int height) : QWidget(parent) {
  setGeometry(x, y, width, height);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  InstallPaintBoxAccessibility();
}

bool TPaintBox::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip && onToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    QString text = onToolTip(help->pos().x(), help->pos().y());
    if (text.isEmpty()) text = toolTip();
    if (text.isEmpty()) {
      QToolTip::hideText();
    } else {
      // The spot's rectangle is the box: moving to another spot asks again.
      QToolTip::showText(help->globalPos(), text, this, QRect(help->pos(), QSize(1, 1)));
    }
    return true;
  }
  return QWidget::event(event);
}

void TPaintBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painting_ = true;
  if (onPaint) onPaint(painter);
  painting_ = false;
  if (hasFocus()) {
    // A frame that shows on any colour: white under black dashes.
    const std::vector<TPaintBoxPart> parts = onParts ? onParts() : std::vector<TPaintBoxPart>{};
    const int part = FocusPart(parts);
    const QRect frame = (part >= 0 ? parts[static_cast<std::size_t>(part)].rect : rect()).adjusted(0, 0, -1, -1);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(frame);
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    painter.drawRect(frame);
  }
}

int TPaintBox::FocusPart(const std::vector<TPaintBoxPart>& parts) const {
  if (cursor_ >= 0 && static_cast<std::size_t>(cursor_) < parts.size()) return cursor_;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].selected) return static_cast<int>(i);
  }
  return -1;
}

void TPaintBox::keyPressEvent(QKeyEvent* event) {
  if (onKey && onKey(*event)) {
    update();
    return;
  }
  if (onActivate && onParts) {
    const std::vector<TPaintBoxPart> parts = onParts();
    if (!parts.empty()) {
      const int from = std::max(FocusPart(parts), 0);
      int dx = 0;
      int dy = 0;
      switch (event->key()) {
        case Qt::Key_Left: dx = -1; break;
        case Qt::Key_Right: dx = 1; break;
        case Qt::Key_Up: dy = -1; break;
        case Qt::Key_Down: dy = 1; break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
          cursor_ = from;
          onActivate(from, event->modifiers());
          update();
          return;
        default: break;
      }
      if (dx != 0 || dy != 0) {
        cursor_ = Neighbour(parts, from, dx, dy);
        update();
        // A screen reader follows the cursor from part to part.
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(cursor_);
        QAccessible::updateAccessibility(&focus);
        return;
      }
    }
  }
  QWidget::keyPressEvent(event);
}

void TPaintBox::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void TPaintBox::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
  if (onMouseDown) onMouseDown(FromEvent(event));
}

void TPaintBox::mouseMoveEvent(QMouseEvent* event) {
  if (onMouseMove) onMouseMove(FromEvent(event));
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event) {
  if (onMouseUp) onMouseUp(FromEvent(event));
}

}  // namespace tintloom
