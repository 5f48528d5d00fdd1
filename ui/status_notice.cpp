#include "ui/status_notice.h"

#include <QMouseEvent>

namespace tintloom {

TStatusNotice::TStatusNotice(QWidget* area, int bottom, int width) : QLabel(area), bottom_(bottom) {
  setObjectName("StatusNotice");
  setWordWrap(true);
  setMargin(4);
  setStyleSheet("color: white; background: rgba(32, 32, 32, 215);");
  setFixedWidth(width);
  hide();
  hide_.setSingleShot(true);
  connect(&hide_, &QTimer::timeout, this, &QWidget::hide);
}

void TStatusNotice::Say(const QString& text) {
  setText(text);
  adjustSize();
  move(0, bottom_ - height());
  raise();
  show();
  hide_.start(kShownMs);
}

void TStatusNotice::mousePressEvent(QMouseEvent* event) {
  event->accept();
  hide_.stop();
  hide();
}

}  // namespace tintloom
