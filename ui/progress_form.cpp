#include "ui/progress_form.h"

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

  Panel1 = new QWidget(this);
  Panel1->setObjectName("Panel1");
  Panel1->setGeometry(0, 0, kProgressWidth, kProgressHeight);
  Panel1->setAutoFillBackground(true);

  Label1 = new QLabel(Panel1);
  Label1->setObjectName("Label1");
  Label1->move(16, 16);
  Label1->resize(kProgressWidth - 32, 16);

  ProgressBar1 = new QProgressBar(Panel1);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setGeometry(16, 35, 345, 41);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setRange(0, 0);
  ProgressBar1->setValue(0);
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
  Label1->setText(QString::fromStdString(text));
  const int position = ProgressBar1->value();
  ProgressBar1->setRange(0, count > 0 ? count : 0);
  // A range of 0..0 shows a busy bar; a step that has nothing to step through
  // shows an empty one instead. The position carries over until stepped.
  if (count <= 0) ProgressBar1->setRange(0, 1);
  if (position >= ProgressBar1->minimum() && position <= ProgressBar1->maximum()) ProgressBar1->setValue(position);
  show();
  raise();
  ++eventPasses_;
  QApplication::processEvents();
}

void TProgressForm::StepProgress(int position) { ProgressBar1->setValue(position); }

void TProgressForm::HideProgress() { close(); }

void TProgressForm::closeEvent(QCloseEvent* event) {
  // Hidden, never destroyed: the next load shows it again.
  event->accept();
  hide();
}

}  // namespace tintloom
