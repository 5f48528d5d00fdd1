#include "ui/paint_box.h"

#include <QMouseEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace tintloom {

namespace {

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
