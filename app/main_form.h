#pragma once
// The main window: title strip, menu bar and the 600 x 600 canvas. It owns the
// coordination model and everything loaded at start-up, and is the model's
// view hooks: it forwards each hook to the tool window concerned.

#include <QWidget>
#include <memory>
#include <string>

#include "app/coordination_model.h"
#include "app/model_views.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QMenuBar;
class QToolButton;

namespace tintloom {

class TPaintBox;

class TMainForm : public QWidget, public TModelViews {
  Q_OBJECT
 public:
  // Loads the tone data, the blend table and the skin (found in the current
  // directory, then in `programDir`). A skin that cannot be read throws
  // std::runtime_error: the program cannot draw its windows without it.
  TMainForm(TMessageSink& messages, const std::string& programDir);
  ~TMainForm() override;

  TCoordinationModel& Model() { return model_; }
  QWidget* ClientArea() const { return client_; }
  TPaintBox* Canvas() const { return PaintBox1; }
  QLabel* Caption() const { return Label1; }
  QMenuBar* Menu() const { return MainMenu1; }

  // Menu handlers.
  void N8Click(QAction* item);
  void X1Click();

  // TModelViews
  void ShowCanvas() override;
  void SetTitleText(const std::string& text) override;

 private:
  void BuildMenu();
  void PaintBox1Paint(QPainter& painter);

  TCoordinationModel model_;
  QMenuBar* MainMenu1 = nullptr;
  QWidget* client_ = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Label1 = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QToolButton* SpeedButton2 = nullptr;
  TPaintBox* PaintBox1 = nullptr;
  QActionGroup* backgroundGroup_ = nullptr;
  bool canvasFresh_ = false;
};

}  // namespace tintloom
