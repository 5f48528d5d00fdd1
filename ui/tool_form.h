#pragma once
// A borderless tool window: the stretched title picture, a white caption, an
// 18 x 18 close button at the right end, and a content panel below. Dragging
// by the title, caption or background moves the window half transparent and
// snaps it to its partners; closing only hides it. Keys it does not use go to
// the main window's shortcut handler.

#include <QWidget>

#include "core/colour/skin_layout.h"

class QLabel;
class QToolButton;

namespace tintloom {

// A label of the tool windows' text size placed at (x, y) and sized to its text.
QLabel* MakeToolLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int pixelSize = 12);

class TMainForm;

inline constexpr int kToolTitleHeight = 18;

class TToolForm : public QWidget {
  Q_OBJECT
 public:
  TToolForm(TMainForm& main, const char* objectName, const QString& caption, int clientWidth, int clientHeight);

  QWidget* ContentPanel() const { return panel_; }
  QLabel* CaptionLabel() const { return caption_; }
  QToolButton* CloseButton() const { return closeButton_; }
  TMainForm& Main() const { return main_; }

  // Makes a passive child (label, picture) move the window when dragged.
  void RouteDragEvents(QWidget* child);
  // Whether key presses are handed to the main window's shortcut handler;
  // undo and redo are, either way.
  void SetForwardsKeys(bool forwards) { forwardsKeys_ = forwards; }
  void SetClientHeight(int height);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  TMainForm& main_;
  QLabel* title_ = nullptr;
  QLabel* caption_ = nullptr;
  QToolButton* closeButton_ = nullptr;
  QWidget* panel_ = nullptr;
  bool forwardsKeys_ = true;
};

// A flat title-bar button. It never takes the keyboard focus: a focused one
// would turn the next Space into a click on it (minimise, close, exit).
QToolButton* NewTitleButton(QWidget* parent, const char* objectName, const QRect& geometry);

// The 1 x 12 title picture shared by every window.
QPixmap TitlePicture();
// The tool windows' close glyph: a white cross on black, black transparent.
QPixmap CloseGlyph();

}  // namespace tintloom
