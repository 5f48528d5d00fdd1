#pragma once
// The layer window: maps each working layer of the sample artwork onto the
// coordination. The blend-mode combo, the base and shadow level edits with
// their grey swatches, the mapping preview (the selected layer's lookup as a
// strip, with a marker per level), the slot grid (ten columns of four lit
// shades; a click picks the slot the selected layer takes its colours from),
// the owner-drawn layer list (top layer first, several rows selectable, an
// eye per row that shows or hides its layer, Space doing the same for the
// selected rows) with its popup menu for the
// grey, black and white ramps, and the splitter strip that sets the window's
// height. It keeps no state of its own beyond its surfaces and the splitter
// drag: every change goes through the model.

#include <QImage>

#include "core/colour/surface.h"
#include "ui/tool_form.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QAction;

namespace tintloom {

class TCoordinationModel;
class TPaintBox;
struct TMouseInput;

class TLayerForm : public TToolForm {
  Q_OBJECT
 public:
  explicit TLayerForm(TMainForm& main);
  ~TLayerForm() override;

  // The model's view hooks. Each does nothing while the window is hidden or
  // the model busy.
  void RefreshSlotGrid();
  void PaintMappingPreview();
  void RefreshLayerList();
  void ShowLayerBlendMode(int comboItem);
  void ShowLayerLevels(int baseLevel, int shadowLevel);
  // The working layers' names, top layer first; only while visible and when
  // the document has layers.
  void FillLayerList();
  void ClearLayerList();
  // After an undo or a redo: the selected layer's row, blend mode and levels.
  void ShowRestoredState();

  // Handlers, named as the controls and events they serve.
  void ListBox1Click();
  void ComboBox1Change();
  // A keystroke in a level edit: a preview that never moves the other level.
  void Edit1Change();
  void Edit2Change();
  // Enter, Tab or the focus leaving a level edit: its level is set, and a
  // base below the shadow takes the shadow to 0.
  void CommitLevelEdit(bool shadow);
  // A popup item: the selected layer takes the grey ramp (10), black (11) or
  // white (12).
  void N1Click(int tag);
  void PaintBox2MouseDown(const TMouseInput& input);
  void ListBox1DrawItem(QPainter& painter, int row, const QRect& rect, bool selected);

  // The layer index shown in list row `row` (top layer first), or -1.
  int LayerAtRow(int row) const;

  // The window's parts, for whoever inspects it.
  QComboBox* BlendCombo() const { return blendCombo_; }
  QLineEdit* BaseEdit() const { return baseEdit_; }
  QLineEdit* ShadowEdit() const { return shadowEdit_; }
  QWidget* BaseSwatch() const { return baseSwatch_; }
  QWidget* ShadowSwatch() const { return shadowSwatch_; }
  TPaintBox* PreviewBox() const { return previewBox_; }
  TPaintBox* SlotGridBox() const { return slotGridBox_; }
  QListWidget* LayerList() const { return layerList_; }
  QWidget* Splitter() const { return splitter_; }
  QMenu* PopupMenu() const { return popupMenu_; }
  const TSurface& PreviewSurface() const { return preview_; }
  const TSurface& SlotGridSurface() const { return slotGrid_; }
  static QImage GreyRampIcon();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  TCoordinationModel& Model() const;
  // Every tooltip and accessible name of the window and the spot texts of
  // the slot grid's cells, in one place.
  void ExplainControls();
  void PlaceLowerArea();
  void SetSwatch(QWidget* swatch, int level);
  void SetLevelText(QLineEdit* edit, int level);
  // An empty level edit while several layers are selected: no value given.
  bool UnsetLevel(const QLineEdit* edit) const;
  // A layer is selected whose levels the edits set.
  bool LevelSelectable();
  // The list row of the model's selected layer, selected without running the
  // click handler.
  void ShowSelectedRow();
  void SplitterEvent(QEvent* event);
  // Typing into a level edit begins one step; Enter or leaving the edit ends it.
  void BeginTypingGesture();
  void EndTypingGesture(bool cancelled = false);

  QComboBox* blendCombo_ = nullptr;
  QLineEdit* baseEdit_ = nullptr;
  QLineEdit* shadowEdit_ = nullptr;
  QWidget* baseSwatch_ = nullptr;
  QWidget* shadowSwatch_ = nullptr;
  TPaintBox* previewBox_ = nullptr;
  TPaintBox* slotGridBox_ = nullptr;
  QListWidget* layerList_ = nullptr;
  QWidget* splitter_ = nullptr;
  QMenu* popupMenu_ = nullptr;

  TSurface preview_;
  TSurface strip_;
  TSurface slotGrid_;
  QImage greyRampIcon_;
  QImage baseMarker_;
  QImage shadowMarker_;

  // Set while the model writes the level texts, and while the window itself
  // changes the list's rows or selection: the change handlers then do nothing.
  bool suppress_ = false;
  bool listing_ = false;
  bool typingGesture_ = false;
  bool splitterDragging_ = false;
  int splitterAnchorY_ = 0;
};

}  // namespace tintloom
