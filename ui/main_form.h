#pragma once
// The main window: title strip, menu bar and the 600 x 600 canvas. It owns the
// coordination model and everything loaded at start-up, and is the model's
// view hooks: it forwards each hook to the tool window concerned.

#include <QKeyEvent>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/formats/swatch_file.h"
#include "core/document/coordination_model.h"
#include "core/document/model_views.h"
#include "ui/artwork_export_dialog.h"
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
class QDropEvent;

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

// Takes a drag or drop of files only as a copy (or else a link), never as a
// move a file manager could follow by deleting the user's file; ignores
// anything else. True when the event was accepted.
bool TakeDropAsCopy(QDropEvent* event);

// The one window drag in progress: any window, moved by its title bar or
// background. Windows only; the model knows nothing of it.
struct TWindowDrag {
  bool dragging = false;
  int anchorX = 0;  // the pointer's position in the window at the press
  int anchorY = 0;
  QPointer<QWidget> window;
};

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

class TMainForm : public QWidget, public TModelViews {
  Q_OBJECT
 public:
  // Loads the tone data, the blend table and the skin (found in the current
  // directory, then in `programDir`). A skin that cannot be read throws
  // std::runtime_error: the program cannot draw its windows without it.
  TMainForm(TMessageSink& messages, const std::string& programDir);
  ~TMainForm() override;

  // Creates the tool windows in start-up order and places them around the
  // main window, which is centred on the screen first.
  void CreateToolWindows();
  const TToolWindows& Windows() const { return windows_; }
  TToolWindows& Windows() { return windows_; }

  TCoordinationModel& Model() { return model_; }
  QWidget* ClientArea() const { return client_; }
  TPaintBox* Canvas() const { return canvasBox_; }
  QLabel* Caption() const { return caption_; }
  QMenuBar* Menu() const { return menuBar_; }

  // Menu handlers.
  void V1Click();
  void N3Click(QAction* item);
  void C1Click();
  void N8Click(QAction* item);
  // "小さい画像を拡大表示(&Z)": small artwork shown enlarged, or at 1:1.
  void Z1Click(bool on);
  void X1Click();
  // The View menu's remembered choice (the zoom of small artwork) read back
  // from the user's settings; from then on a change is written there too.
  // Only the program itself calls it, so a window test neither reads nor
  // writes the user's settings.
  void RestoreViewSettings();
  QAction* ZoomAction() const { return zoomAction_; }

  // Window dragging with snapping, shared by every window.
  void BeginWindowDrag(QWidget* window, int x, int y);
  // On a platform where the program cannot move its windows, hands the drag
  // to the compositor; false where the program moves them itself.
  bool StartCompositorMove(QWidget* window);
  void DragWindow(QWidget* window, int x, int y);
  void EndWindowDrag(QWidget* window);
  void SnapWindowPosition(QWidget* window, int& left, int& top);
  // The height of a window's top part that holds its title strip, which a
  // drag keeps on the screen.
  int TitleStripBottom(const QWidget* window) const;
  // Every window's mouse move: a drag step, or the end of a drag whose
  // release went elsewhere (no button is held any more).
  void WindowMouseMove(QWidget* window, const QMouseEvent& event);
  // A window was hidden: a drag of it ends, so it comes back opaque and
  // unattached to the pointer.
  void WindowHidden(QWidget* window);
  const TWindowDrag& WindowDrag() const { return windowDrag_; }

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
  // Opens a PSD file as sample artwork (the model's loader; tests replace it).
  std::function<void(const std::string& path)> openSampleArtwork;
  // A dropped file: only the first counts; a .psd (any case) is opened, a
  // palette from another program (.gpl .ase .aco .pal .hex .txt) is imported
  // into the swatches.
  void DropFiles(const QStringList& paths);
  // "見本用PSDファイルを開く...": asks for a PSD file and opens it.
  void PSD1Click();
  // The open dialog; returns the chosen path, empty when cancelled. Tests
  // replace it.
  std::function<QString()> runOpenDialog;
  // Opens files named on the command line (a file manager's %F): the last
  // ".psd" as sample artwork, the last ".tlp" as a palette document; a
  // missing file, a folder or another kind of file gets one message each.
  void OpenCommandLineFiles(const QStringList& paths);
  // Reads a palette document named on the command line (tests replace it).
  std::function<void(const std::string& path)> openPaletteDocument;
  // The palette document reader behind openPaletteDocument.
  void OpenPaletteDocumentFile(const std::string& path);
  // "開く(&O)...": asks for a palette document (.tlp, any case) and reads it;
  // a .psd opens as artwork, anything else is named in a message.
  void N1Click();
  // "名前を付けて保存(&S)...": asks for a file name and saves the palette or
  // exports it by the name's extension.
  void S1Click();
  // The two dialogs of N1Click and S1Click; the chosen path, empty when
  // cancelled. Tests replace them.
  std::function<QString()> runPaletteOpenDialog;
  std::function<QString()> runPaletteSaveDialog;
  // Reads a work document (.tlw) from the open command, a drop or the
  // command line (tests replace it).
  std::function<void(const std::string& path)> openWorkDocument;
  // "配色した画像を書き出す(&P)...": asks for a PNG file and its background,
  // then writes the recoloured artwork at full size with a cancellable
  // progress window.
  void P1Click();
  // Its dialog; nothing when cancelled. Tests replace it.
  std::function<std::optional<TArtworkExportChoice>()> runArtworkExportDialog;
  // Where the swatch window keeps its file; set before CreateToolWindows.
  // Left empty (as in tests) the swatches live only as long as the window.
  TSwatchFilePlaces swatchFilePlaces;

  // TModelViews
  bool HueWindowVisible() const override;
  void DrawHueWheel() override;
  void RepaintSlotStrip() override;
  void RepaintValueSlider() override;
  bool LayerWindowVisible() const override;
  void RefreshSlotGrid() override;
  void RefreshLayerList() override;
  void PaintMappingPreview() override;
  void ShowLayerBlendMode(int comboItem) override;
  void ShowLayerLevels(int baseLevel, int shadowLevel) override;
  void FillLayerList() override;
  bool PickerWindowVisible() const override;
  void RefreshPicker() override;
  void ShowCanvas() override;
  void SetTitleText(const std::string& text) override;
  void ShowUndoRedo(bool canUndo, bool canRedo) override;
  void ShowRestoredState() override;
  void EnterBusy() override;
  void LeaveBusy() override;
  TProgressSink& Progress() override;

 private:
  // The tool windows with a content panel, absent ones as null.
  std::vector<TToolForm*> ToolForms() const;
  void BuildMenu();
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
  bool canvasFresh_ = false;
  bool screenReadRefusedShown_ = false;
  TScreenColourPortal* screenColourPortal_ = nullptr;
  TToolWindows windows_;
  std::vector<QWidget*> snapPartners_;
  TWindowDrag windowDrag_;
  // Tool windows hidden because the main window was minimised, shown again
  // when it comes back.
  std::vector<QPointer<QWidget>> hiddenWhileMinimised_;
  bool toolsMinimised_ = false;
  bool watchingNativeWindow_ = false;
  bool shuttingDown_ = false;
};

}  // namespace tintloom
