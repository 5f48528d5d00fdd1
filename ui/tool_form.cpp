#include "ui/tool_form.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

#include "ui/main_form.h"
#include "ui/surface_view.h"

namespace tintloom {

QLabel* MakeToolLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int pixelSize) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  QFont font = label->font();
  font.setPixelSize(pixelSize);
  label->setFont(font);
  label->move(x, y);
  label->adjustSize();
  return label;
}

QPixmap TitlePicture() {
  static const int greys[12] = {0x5C, 0x59, 0x54, 0x53, 0x50, 0x4D, 0x4A, 0x47, 0x44, 0x42, 0x3E, 0x00};
  QImage image(1, 12, QImage::Format_RGB32);
  for (int y = 0; y < 12; ++y) image.setPixel(0, y, qRgb(greys[y], greys[y], greys[y]));
  return QPixmap::fromImage(image);
}

QPixmap CloseGlyph() {
  // 10 x 9: two diagonal two-pixel strokes crossing on the middle row; what
  // is black in the glyph shows the title bar through.
  QImage image(10, 9, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (int y = 0; y < 9; ++y) {
    for (int x = y; x < y + 2; ++x) {
      image.setPixel(x, y, qRgb(255, 255, 255));
      image.setPixel(9 - x, y, qRgb(255, 255, 255));
    }
  }
  return QPixmap::fromImage(image);
}

QToolButton* NewTitleButton(QWidget* parent, const char* objectName, const QRect& geometry) {
  auto* button = new QToolButton(parent);
  button->setObjectName(objectName);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setGeometry(geometry);
  return button;
}

TToolForm::TToolForm(TMainForm& main, const char* objectName, const QString& caption, int clientWidth,
                     int clientHeight)
    : QWidget(&main, Qt::Tool | Qt::FramelessWindowHint), main_(main) {
  setObjectName(objectName);
  setWindowTitle(caption);
  setAttribute(Qt::WA_QuitOnClose, false);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, ToQColor(kToolBackground));
  setPalette(pal);
  setFixedSize(clientWidth, clientHeight);
  // Buttonless moves too: they end a drag whose release never came.
  setMouseTracking(true);

  panel_ = new QWidget(this);
  panel_->setObjectName("Panel1");
  panel_->setGeometry(0, kToolTitleHeight, clientWidth, clientHeight - kToolTitleHeight);

  title_ = new QLabel(this);
  title_->setObjectName("TitleImage");
  title_->setGeometry(0, 0, clientWidth, kToolTitleHeight);
  title_->setScaledContents(true);
  title_->setPixmap(TitlePicture());

  caption_ = new QLabel(caption, this);
  caption_->setObjectName("Label14");
  QFont font("Tahoma");
  font.setPixelSize(11);
  caption_->setFont(font);
  caption_->setStyleSheet("color: white; background: transparent;");
  caption_->setGeometry(6, 2, clientWidth - 30, 14);

  closeButton_ = NewTitleButton(this, "SpeedButton2", QRect(clientWidth - 19, 0, 18, 18));
  closeButton_->setIcon(QIcon(CloseGlyph()));
  closeButton_->setIconSize(QSize(10, 9));
  closeButton_->setStyleSheet("QToolButton { background: transparent; border: none; }"
                              "QToolButton:hover { background: rgba(255,255,255,40); }");
  closeButton_->setAccessibleName(tr("閉じる"));
  closeButton_->setToolTip(tr("閉じる"));
  connect(closeButton_, &QToolButton::clicked, this, [this] { close(); });

  // Presses on the panel's background reach the window by propagation.
  RouteDragEvents(title_);
  RouteDragEvents(caption_);
}

void TToolForm::SetClientHeight(int height) {
  setFixedSize(width(), height);
  panel_->resize(width(), height - kToolTitleHeight);
}

void TToolForm::RouteDragEvents(QWidget* child) {
  // The child lets presses through to the window, which drags itself.
  child->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TToolForm::mousePressEvent(QMouseEvent* event) {
  // Any button drags the window by its title or background.
  const QPoint p = event->position().toPoint();
  main_.WindowDragger().BeginWindowDrag(this, p.x(), p.y());
}

void TToolForm::mouseMoveEvent(QMouseEvent* event) { main_.WindowDragger().WindowMouseMove(this, *event); }

void TToolForm::mouseReleaseEvent(QMouseEvent* /*event*/) {
  main_.WindowDragger().EndWindowDrag(this);
}

void TToolForm::keyPressEvent(QKeyEvent* event) {
  // Undo and redo work from every window, even one that keeps its other keys.
  const bool used = forwardsKeys_ ? main_.HandleShortcutKey(this, *event)
                                  : main_.HandleUndoRedoKey(event->key(), event->modifiers());
  if (used) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TToolForm::closeEvent(QCloseEvent* event) {
  // Tool windows live as long as the program: closing hides, except when the
  // program itself is ending.
  if (main_.ShuttingDown()) {
    event->accept();
    return;
  }
  hide();
  event->ignore();
}

void TToolForm::showEvent(QShowEvent* event) {
  // Before the window reaches the screen: its first place is decided now,
  // beside the windows then on show.
  main_.PlaceOnFirstShow(this);
  QWidget::showEvent(event);
}

void TToolForm::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  main_.WindowDragger().WindowHidden(this);
}

}  // namespace tintloom
