#include "ui/paint_box.h"

#include <QMouseEvent>
#include <QPainter>

namespace tintloom {

namespace {

TMouseInput FromEvent(const QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  return TMouseInput{event->button(), event->buttons(), event->modifiers(), p.x(), p.y()};
}

}  // namespace

TPaintBox::TPaintBox(QWidget* parent, int x, int y, int width, int height) : QWidget(parent) {
  setGeometry(x, y, width, height);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaintBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painting_ = true;
  if (onPaint) onPaint(painter);
  painting_ = false;
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
