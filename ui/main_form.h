#pragma once
// The main window: title strip, menu bar and the 600 x 600 canvas. It owns the
// coordination model and everything loaded at start-up, the model's view
// hooks, the window drags and the file commands.

#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/colour/vision_filters.h"
#include "core/document/coordination_model.h"
#include "core/document/model_views.h"
#include "core/formats/swatch_file.h"
#include "ui/artwork_export_dialog.h"
#include "ui/artwork_follower.h"
#include "ui/autosave.h"
#include "ui/file_commands.h"
#include "ui/model_views_adapter.h"
#include "ui/translation.h"
#include "ui/window_drag.h"
#include "ui/window_snap.h"
// Complete types of the tool windows, so that users of TToolWindows can
// reach them as the windows they are.
#include "ui/info_form.h"
#include "ui/picker_form.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QMenuBar;
class QToolButton;
class QDBusConnection;

namespace tintloom {

class TPaintBox;
struct TMouseInput;
class TToolForm;
class THueForm;
class TProgressForm;
class TSwatchForm;
class TScreenColourPortal;
class TLayerForm;
class TPaletteForm;
class TStatusNotice;

// The tool windows, created at start-up in this order after the main window.
// A window deleted before the main window (as Qt may do at shutdown) reads as
// absent, so the model's view hooks never reach a destroyed window.
struct TToolWindows {
  QPointer<THueForm> hue;
  QPointer<TColorForm> picker;
  QPointer<TPaletteForm> lightBalance;
  QPointer<TLayerForm> layer;
  QPointer<TProgressForm> progress;
  QPointer<TSwatchForm> swatch;
  QPointer<TInfoForm> info;
};

class TMainForm : public QWidget {
  Q_OBJECT
 public:
  // Loads the tone data, the blend table and the skin (found in the current
  // directory, then in `programDir`). A skin that cannot be read throws
  // std::runtime_error: the program cannot draw its windows without it.
  TMainForm(TMessageSink& messages, const std::string& programDir);
  ~TMainForm() override;

  // Creates the tool windows in start-up order and places them around the
  // main window, which is centred on the screen first. None covers the menu
  // bar.
  void CreateToolWindows();
  // A tool window about to be shown: the first time, the light balance,
  // swatch and information windows go beside the windows on show (see
  // PlaceBeside), where they hide no menu and no other window.
  void PlaceOnFirstShow(QWidget* tool);
  const TToolWindows& Windows() const { return windows_; }
  TToolWindows& Windows() { return windows_; }

  TCoordinationModel& Model() { return model_; }
  QWidget* ClientArea() const { return client_; }
  TPaintBox* Canvas() const { return canvasBox_; }
  QLabel* Caption() const { return caption_; }
  QMenuBar* Menu() const { return menuBar_; }

  // Menu handlers.
  // "アートワークを読み込み直す(&R)" (F5): the open artwork read again from its
  // file now, every layer's settings kept.
  void ReloadArtworkClick();
  // "保存されたら読み込み直す(&W)": follow the painting program's saves or not;
  // remembered once the program restores its view settings.
  void FollowSavesClick(bool on);
  QAction* ReloadAction() const { return reloadAction_; }
  QAction* FollowSavesAction() const { return followSavesAction_; }
  // The open artwork's file, watched and read again after each save.
  TArtworkFollower& Follower() { return follower_; }
  // Unsaved work copied into `folder` from now on, and the program's normal
  // end removing the copy. Only the program itself calls it, so a window
  // test writes no copies unless it asks.
  void StartAutosave(const std::string& folder);
  TAutosave* Autosave() const { return autosave_.get(); }
  // The model opened artwork from a file: that file is followed now.
  void FollowOpenArtwork();
  // What a reading after a save changed, said along the foot of the canvas.
  void ShowReloadNews(const TArtworkReloaded& reloaded);
  TStatusNotice* Notice() const { return notice_; }
  void V1Click();
  void N3Click(QAction* item);
  void C1Click();
  void N8Click(QAction* item);
  // "小さい画像を拡大表示(&Z)": small artwork shown enlarged, or at 1:1.
  void Z1Click(bool on);
  void X1Click();
  // "言語 / Language": the language the windows show from the next start on,
  // remembered once the program restores its view settings.
  void LanguageClick(TLanguage language);
  // The View menu's remembered choice (the zoom of small artwork) read back
  // from the user's settings; from then on a change is written there too.
  // Only the program itself calls it, so a window test neither reads nor
  // writes the user's settings.
  void RestoreViewSettings();
  QAction* ZoomAction() const { return zoomAction_; }

  // "明度で表示(&V)" and "色覚シミュレーション": how the canvas is shown (and
  // the hue window's slot strips, which follow the simulation but keep their
  // colours' values). Only what is shown changes: the model's surfaces, and
  // with them exports, the canvas copy and level picking, keep the colours.
  const TCanvasView& CanvasView() const { return canvasFilter_.View(); }
  void SetCanvasView(TCanvasView view);
  QAction* ValueViewAction() const { return valueViewAction_; }
  QActionGroup* VisionGroup() const { return visionGroup_; }
  // The canvas as it is on the screen: the composed canvas, or its filtered
  // copy while a view is on.
  const TSurface& ShownCanvas();
  const TViewFilter& SlotStripFilter() const { return stripFilter_; }

  // Window dragging with snapping, shared by every window.
  TWindowDragger& WindowDragger() { return dragger_; }
  const TWindowDragger& WindowDragger() const { return dragger_; }
  // The File menu's commands, dropped files and files named on the command
  // line.
  TFileCommands& FileCommands() { return fileCommands_; }

  // Asked when the main window is closed (File › 終了, its ×) while the work
  // differs from the document last saved or opened: Save, Discard or Cancel.
  // Tests replace it.
  std::function<QMessageBox::StandardButton()> askSaveBeforeQuit;
  // Whether the program may end now: nothing unsaved, or the user's answer
  // (Save that wrote everything, or Discard). Cancel, or a save that failed
  // or was cancelled, keeps it running.
  bool MayQuit();

  // The one way the program ends, whichever way the main window is closed:
  // ends any drag, lets the tool windows go (the swatch file is written here
  // once the swatch window exists) and leaves the event loop, whatever
  // windows are open. Runs once.
  void ShutDown();
  bool ShuttingDown() const { return shuttingDown_; }

  // Keys from any window that forwards keys: F1..F4 take the screen colour
  // under the pointer into a shade of the selected slot; Ctrl+Z undoes,
  // Ctrl+Y and Ctrl+Shift+Z redo. True when the key was used.
  bool HandleShortcutKey(QWidget* source, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  bool HandleShortcutKey(QWidget* source, const QKeyEvent& event) {
    return HandleShortcutKey(source, event.key(), event.modifiers());
  }
  // Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z alone; true when the key was one of them.
  bool HandleUndoRedoKey(int key, Qt::KeyboardModifiers modifiers);
  // "元に戻す(&U)" and "やり直し(&R)".
  void UndoClick();
  void RedoClick();
  // Reads the screen pixel under the pointer; empty when the platform refuses.
  std::function<std::optional<TColor>()> readScreenPixel;
  // Where the screen cannot be read, the desktop portal on this bus is asked
  // instead (the session bus unless a test gives another).
  void UseScreenColourPortal(const QDBusConnection& bus);
  TScreenColourPortal* ScreenColourPortal() const { return screenColourPortal_; }
  // Where the swatch window keeps its file; set before CreateToolWindows.
  // Left empty (as in tests) the swatches live only as long as the window.
  TSwatchFilePlaces swatchFilePlaces;

  // What the model's view hooks show in the main window: the canvas as the
  // model last composed it, the caption, the undo and redo items and the
  // background chosen in the View menu.
  void ShowCanvas();
  void SetTitleText(const std::string& text);
  void ShowUndoRedo(bool canUndo, bool canRedo);
  void ShowBackgroundChoice();

 private:
  void BuildMenu();
  // Every tooltip and accessible name of the window, in one place.
  void ExplainControls();
  // The menu bar on the screen, with the main window's top left at `mainTopLeft`.
  TWindowRect MenuBarRect(QPoint mainTopLeft) const;
  void BuildCanvasViewMenu(QMenu* view);
  // The tool windows created so far, in start-up order.
  std::vector<QWidget*> ToolWindowList() const;
  // Minimised by the desktop: the open tool windows hide; restored: they
  // come back.
  void FollowMinimised(bool minimised);
  void PaintBox1Paint(QPainter& painter);
  void PaintBox1MouseDown(const TMouseInput& input);
  void PickScreenColourThroughPortal(int shade);
  // The screen colour cannot be had at all: said once per run.
  void ReportScreenUnreadable();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // Built before the model, which shows its first state through it.
  TModelViewsAdapter views_;
  TCoordinationModel model_;
  QMenuBar* menuBar_ = nullptr;
  QWidget* client_ = nullptr;
  QLabel* titleImage_ = nullptr;
  QLabel* caption_ = nullptr;
  QToolButton* closeButton_ = nullptr;
  QToolButton* minimiseButton_ = nullptr;
  TPaintBox* canvasBox_ = nullptr;
  QActionGroup* backgroundGroup_ = nullptr;
  QAction* undoAction_ = nullptr;
  QAction* redoAction_ = nullptr;
  QMenu* viewMenu_ = nullptr;
  QAction* zoomAction_ = nullptr;
  bool remembersViewSettings_ = false;
  QAction* valueViewAction_ = nullptr;
  QActionGroup* visionGroup_ = nullptr;
  TViewFilter canvasFilter_;
  TViewFilter stripFilter_;
  TSurface shownCanvas_;
  bool canvasFresh_ = false;
  bool screenReadRefusedShown_ = false;
  TScreenColourPortal* screenColourPortal_ = nullptr;
  TToolWindows windows_;
  TWindowDragger dragger_;
  TFileCommands fileCommands_;
  // Tool windows hidden because the main window was minimised, shown again
  // when it comes back.
  std::vector<QPointer<QWidget>> hiddenWhileMinimised_;
  // Tool windows not shown yet, placed when they first are.
  std::vector<QPointer<QWidget>> awaitingPlace_;
  bool toolsMinimised_ = false;
  bool watchingNativeWindow_ = false;
  bool shuttingDown_ = false;
  QAction* reloadAction_ = nullptr;
  QAction* followSavesAction_ = nullptr;
  TStatusNotice* notice_ = nullptr;
  std::unique_ptr<TAutosave> autosave_;
  // Last, so that it goes first: it waits for a reading under way.
  TArtworkFollower follower_;
};

}  // namespace tintloom
