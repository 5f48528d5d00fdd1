// The View menu's ways of showing the canvas: as values alone, and as a
// viewer with one of the three dichromacies sees it. Both are filters on
// what is drawn, applied at every paint, so they follow every edit, undo and
// load the moment the canvas shows it; the model never sees them.

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include "ui/hue_form.h"
#include "ui/main_form.h"
#include "ui/paint_box.h"

namespace tintloom {

void TMainForm::BuildCanvasViewMenu(QMenu* view) {
  view->addSeparator()->setObjectName("CanvasViewSeparator");
  valueViewAction_ = view->addAction(tr("明度で表示(&V)"));
  valueViewAction_->setObjectName("ValueView");
  valueViewAction_->setCheckable(true);
  connect(valueViewAction_, &QAction::triggered, this, [this](bool on) {
    TCanvasView v = CanvasView();
    v.values = on;
    SetCanvasView(v);
  });

  QMenu* vision = view->addMenu(tr("色覚シミュレーション"));
  vision->setObjectName("VisionSimulation");
  visionGroup_ = new QActionGroup(this);
  visionGroup_->setExclusive(true);
  struct VisionItem {
    const char* name;
    QString caption;
    TColourVision vision;
  };
  for (const VisionItem& item : {VisionItem{"VisionNormal", tr("なし(&N)"), TColourVision::Normal},
                                 VisionItem{"VisionProtan", tr("1型色覚 (P型)(&P)"), TColourVision::Protan},
                                 VisionItem{"VisionDeutan", tr("2型色覚 (D型)(&D)"), TColourVision::Deutan},
                                 VisionItem{"VisionTritan", tr("3型色覚 (T型)(&T)"), TColourVision::Tritan}}) {
    QAction* action = vision->addAction(item.caption);
    action->setObjectName(item.name);
    action->setCheckable(true);
    action->setChecked(item.vision == TColourVision::Normal);
    action->setData(static_cast<int>(item.vision));
    visionGroup_->addAction(action);
    connect(action, &QAction::triggered, this, [this, v = item.vision] {
      TCanvasView shown = CanvasView();
      shown.vision = v;
      SetCanvasView(shown);
    });
  }
}

void TMainForm::SetCanvasView(TCanvasView view) {
  if (valueViewAction_ != nullptr) valueViewAction_->setChecked(view.values);
  if (visionGroup_ != nullptr) {
    for (QAction* action : visionGroup_->actions()) {
      action->setChecked(action->data().toInt() == static_cast<int>(view.vision));
    }
  }
  if (view == CanvasView()) return;
  canvasFilter_ = TViewFilter(view);
  // The slot strips name colours, not values: they only follow the simulation.
  if (stripFilter_.View().vision != view.vision) stripFilter_ = TViewFilter(TCanvasView{false, view.vision});
  if (!view.ChangesColours()) shownCanvas_.Release();
  canvasBox_->update();
  if (windows_.hue != nullptr) windows_.hue->StripBox()->update();
}

const TSurface& TMainForm::ShownCanvas() {
  const TSurface& canvas = model_.Canvas();
  if (!canvasFilter_.View().ChangesColours()) return canvas;
  // Should the copy not fit in memory, the colours are better than nothing.
  return canvasFilter_.Apply(canvas, shownCanvas_) ? shownCanvas_ : canvas;
}

}  // namespace tintloom
