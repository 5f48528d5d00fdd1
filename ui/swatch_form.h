#pragma once
// The swatch window: the user's collection of saved slots as a grid of
// 32-pixel cells, eight to a row, with a scroll bar counted in rows. A left
// click on an empty cell keeps the selected slot as a new swatch, a click on
// a swatch loads it into the selected slot, an Alt-click deletes it. A right
// click opens a menu: add (on an empty cell), delete (on a swatch), and
// palette import, which palette files dropped on the window also get, and
// colours taken from a picture, which a picture dropped there also gets. The
// wheel, Page Up, Page Down, Home and End scroll the grid. The collection
// is the model's (adding, deleting and importing are undone like any edit);
// it is read from the swatch file when the window is made and written back
// once when the program ends.

#include <QPointer>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/colour/surface.h"
#include "core/formats/swatch_file.h"
#include "ui/tool_form.h"

class QAction;
class QMenu;
class QScrollBar;

namespace tintloom {

class TPictureColoursDialog;

class TPaintBox;
struct TMouseInput;

class TSwatchForm : public TToolForm {
  Q_OBJECT
 public:
  // With no read path the collection starts empty and is never written.
  TSwatchForm(TMainForm& main, const TSwatchFilePlaces& places);
  ~TSwatchForm() override;

  void AddSwatch();
  void DeleteSwatch(int index);
  // The scroll bar's range follows the count, then the grid is repainted.
  void RefreshSwatches();
  std::array<TColor, kShadeCount> SwatchCellColors(int index) const;
  void PaintBox1MouseDown(const TMouseInput& input);
  // The right-click menu for the cell `index` (past the end: an empty cell)
  // at a screen position.
  void ShowSwatchMenu(std::int64_t index, const QPoint& globalPos);
  // A palette file's colours appended as swatches, all or none; the first
  // new one is scrolled into view. Problems are reported.
  void ImportPaletteFile(const QString& path);
  // "パレットを読み込む(&I)...": asks for a palette file and imports it.
  void ImportPaletteClick();
  // The menu's run and the import's file dialog; tests replace them. The
  // menu returns the chosen action or null; the dialog the chosen path or
  // an empty text.
  std::function<QAction*(QMenu& menu, const QPoint& globalPos)> runSwatchMenu;
  std::function<QString()> runImportDialog;
  // A picture's colours in the dialog; then added as swatches (one step, the
  // first new one scrolled into view) or put into the slots' bases (one
  // step). A picture that cannot be read is reported and changes nothing.
  void TakeColoursFromPicture(const QString& path);
  // "画像から色を取り出す(&E)...": asks for a picture, then as above.
  void TakeColoursClick();
  // The picture's file dialog and the colours dialog's run; tests replace them.
  std::function<QString()> runPictureDialog;
  std::function<void(TPictureColoursDialog& dialog)> runColoursDialog;
  // Writes the collection to the swatch file once, when it was changed (an
  // unchanged file is left as it is); a file that cannot be written is
  // reported. Later calls do nothing.
  void SaveSwatchFile();

  const std::vector<std::string>& Swatches() const;
  TPaintBox* SwatchBox() const { return paintBox_; }
  QScrollBar* ScrollBar() const { return scrollBar_; }
  const TSurface& GridSurface() const { return grid_; }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void DrawGrid();
  // Every tooltip and accessible name of the window and the swatch cells'
  // spot texts, in one place.
  void ExplainControls();

  // Whether `count` more swatches fit under kMaxSwatches; says so when not.
  bool RoomFor(std::size_t count);

  TSwatchFilePlaces places_;
  // The end of a file longer than kMaxSwatches swatches, as read: written
  // back after the collection, so the swatches not shown are kept.
  std::vector<std::uint8_t> unread_;
  // Whether a swatch was added, deleted or imported (an undo of such a step
  // counts too): an unchanged collection leaves its file as it is.
  bool changed_ = false;
  TPaintBox* paintBox_ = nullptr;
  QScrollBar* scrollBar_ = nullptr;
  TSurface grid_;
  // Set when the file could not be read: it is then not replaced at the end,
  // so nothing the user kept is lost to a passing fault.
  bool keepFile_ = false;
  bool saved_ = false;
};

}  // namespace tintloom
