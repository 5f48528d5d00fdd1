#pragma once
// A fixed-size drawing area whose painting and mouse input are handled by its
// owning window, as named handlers (PaintBox1Paint, PaintBox1MouseDown...).

#include <QAccessible>
#include <QRect>
#include <QWidget>
#include <functional>
#include <vector>

namespace tintloom {

struct TMouseInput {
  Qt::MouseButton button = Qt::NoButton;  // the button that changed
  Qt::MouseButtons buttons;               // every button held after the event
  Qt::KeyboardModifiers modifiers;
  int x = 0;
  int y = 0;
};

// One thing drawn in a paint box that a screen reader lists on its own (a
// marker, a cell): where it is, what it is called and the value it shows.
struct TPaintBoxPart {
  QRect rect;
  QString name;
  QString value;
  bool selected = false;
};

class TPaintBox : public QWidget {
  Q_OBJECT
 public:
  TPaintBox(QWidget* parent, int x, int y, int width, int height);

  std::function<void(QPainter&)> onPaint;
  std::function<void(const TMouseInput&)> onMouseDown;
  std::function<void(const TMouseInput&)> onMouseMove;
  std::function<void(const TMouseInput&)> onMouseUp;
  // The tooltip for the spot (x, y): what lies there and its value. Empty
  // leaves the box's own tooltip, which says what the whole area does.
  std::function<QString(int x, int y)> onToolTip;
  // The parts drawn now, for assistive technology; none when unset.
  std::function<std::vector<TPaintBoxPart>()> onParts;
  // What the box is to assistive technology, and what each of its parts is.
  QAccessible::Role accessibleRole = QAccessible::Graphic;
  QAccessible::Role partRole = QAccessible::ListItem;
  // Keys for the box itself (a marker moved by arrows); true when used.
  std::function<bool(const QKeyEvent& event)> onKey;
  // Set when the parts can be applied from the keyboard: arrows move the
  // keyboard cursor from part to part, Enter or Space applies the part under it.
  std::function<void(int part, Qt::KeyboardModifiers modifiers)> onActivate;
  // The part under the keyboard cursor, -1 before the keys moved it.
  int Cursor() const { return cursor_; }

  // The value the whole box shows (a slider's position, 0 to valueMaximum),
  // for assistive technology.
  std::function<double()> onValue;
  double valueMaximum = 100;

  bool Painting() const { return painting_; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // The part the focus frame goes round: the cursor's, else the selected one.
  int FocusPart(const std::vector<TPaintBoxPart>& parts) const;

  bool painting_ = false;
  int cursor_ = -1;
};

// Lets assistive technology see inside paint boxes: the box with its
// tooltip as description, and each of its parts with name and value.
void InstallPaintBoxAccessibility();

// Gives a plain widget (a colour swatch) a tooltip made when it is asked for,
// so that it always names the value on show.
void SetLiveToolTip(QWidget* widget, std::function<QString()> text);

}  // namespace tintloom
