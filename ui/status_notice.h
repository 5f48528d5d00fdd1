#pragma once
// A line of news along the foot of the canvas that asks for nothing: shown
// for a while, gone on a click or when its time is up. For what the user
// should hear of without being stopped (layers that vanished in a save).

#include <QLabel>
#include <QTimer>

namespace tintloom {

class TStatusNotice : public QLabel {
  Q_OBJECT
 public:
  // Along the bottom edge of `area`, over whatever it shows.
  TStatusNotice(QWidget* area, int bottom, int width);
  void Say(const QString& text);
  static constexpr int kShownMs = 10000;

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QTimer hide_;
  int bottom_;
};

}  // namespace tintloom
