#pragma once
// A fixed-size drawing area whose painting and mouse input are handled by its
// owning window, as named handlers (PaintBox1Paint, PaintBox1MouseDown...).

#include <QWidget>
#include <functional>

namespace tintloom {

struct TMouseInput {
  Qt::MouseButton button = Qt::NoButton;  // the button that changed
  Qt::MouseButtons buttons;               // every button held after the event
  Qt::KeyboardModifiers modifiers;
  int x = 0;
  int y = 0;
};

class TPaintBox : public QWidget {
  Q_OBJECT
 public:
  TPaintBox(QWidget* parent, int x, int y, int width, int height);

  std::function<void(QPainter&)> onPaint;
  std::function<void(const TMouseInput&)> onMouseDown;
  std::function<void(const TMouseInput&)> onMouseMove;
  std::function<void(const TMouseInput&)> onMouseUp;

  bool Painting() const { return painting_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool painting_ = false;
};

}  // namespace tintloom
