#include "ui/progress_form.h"
#include "ui/translation.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>

namespace tintloom {

TProgressForm::TProgressForm(QWidget& anchor)
    : QWidget(&anchor, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), anchor_(anchor) {
  setObjectName("ProgressForm");
  setAttribute(Qt::WA_QuitOnClose, false);
  setFixedSize(kProgressWidth, kProgressHeight);

  panel_ = new QWidget(this);
  panel_->setObjectName("Panel1");
  panel_->setGeometry(0, 0, kProgressWidth, kProgressHeight);
  panel_->setAutoFillBackground(true);

  caption_ = new QLabel(panel_);
  caption_->setObjectName("Label1");
  caption_->move(16, 16);
  caption_->resize(kProgressWidth - 32, 16);

  bar_ = new QProgressBar(panel_);
  bar_->setObjectName("ProgressBar1");
  bar_->setGeometry(16, 35, 345, 41);
  bar_->setTextVisible(false);
  bar_->setRange(0, 0);
  bar_->setValue(0);
  bar_->setAccessibleName(tr("読み込みの進み具合"));
}

QPoint TProgressForm::Placement(int mainLeft, int mainTop, int width, int height) {
  return {mainLeft + 300 - width / 2, mainTop + 300 - height / 2};
}

void TProgressForm::ShowProgress(const std::string& text, int count) {
  const QRect main = anchor_.frameGeometry();
  move(Placement(main.left(), main.top(), width(), height()));
  // Caption and range first, so that the one pass of events below draws this
  // step and not the previous one: nothing else repaints the window until the
  // next step starts.
  caption_->setText(UserText(text));
  const int position = bar_->value();
  bar_->setRange(0, count > 0 ? count : 0);
  // A range of 0..0 shows a busy bar; a step that has nothing to step through
  // shows an empty one instead. The position carries over until stepped.
  if (count <= 0) bar_->setRange(0, 1);
  if (position >= bar_->minimum() && position <= bar_->maximum()) bar_->setValue(position);
  show();
  raise();
  ++eventPasses_;
  QApplication::processEvents();
}

void TProgressForm::StepProgress(int position) { bar_->setValue(position); }

void TProgressForm::HideProgress() { close(); }

void TProgressForm::closeEvent(QCloseEvent* event) {
  // Hidden, never destroyed: the next load shows it again.
  event->accept();
  hide();
}

}  // namespace tintloom
