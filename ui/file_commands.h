#pragma once
// The commands that read and write files: the File menu, files dropped on the
// main window and files named on the command line. Each dialog and each
// loader is a replaceable hook, so that tests run the commands without
// dialogs or files.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>

#include "ui/artwork_export_dialog.h"

class QDropEvent;
class QWidget;

namespace tintloom {

class TCoordinationModel;
struct TToolWindows;

// Takes a drag or drop of files only as a copy (or else a link), never as a
// move a file manager could follow by deleting the user's file; ignores
// anything else. True when the event was accepted.
bool TakeDropAsCopy(QDropEvent* event);

class TFileCommands {
 public:
  // The dialogs open over `parent`; a dropped palette goes to the swatch
  // window among `windows`.
  TFileCommands(QWidget& parent, TCoordinationModel& model, const TToolWindows& windows);

  // "開く(&O)...": asks for a file and opens it as a drop on the main window
  // would: a palette document (.tlp, any case), a work document (.tlw),
  // artwork (.psd, .kra, .ora), a palette of another program into the swatches;
  // anything else is named in a message.
  void N1Click();
  // "名前を付けて保存(&S)...": asks for a file name and saves the palette or
  // exports it by the name's extension.
  void S1Click();
  // "見本用PSDファイルを開く...": asks for a PSD, Krita or OpenRaster file and
  // opens it.
  void PSD1Click();
  // "配色した画像を書き出す(&P)...": asks for a PNG file and its background,
  // then writes the recoloured artwork at full size with a cancellable
  // progress window.
  void P1Click();
  // "配色したレイヤーをPSDで書き出す(&L)...": asks for a PSD file, then
  // writes every layer recoloured, with the same progress window.
  void LP1Click();
  // A dropped file: only the first counts; a .psd, .kra or .ora (any case) is opened, a
  // .tlw opens as a work document, a .tlp as a palette document, a palette
  // from another program (.gpl .ase .aco .pal .hex .txt) is imported into
  // the swatches; anything else is ignored.
  void DropFiles(const QStringList& paths);
  // Opens files named on the command line (a file manager's %F): the last
  // ".tlw", ".tlp" and ".psd" (or ".kra", ".ora") as a drop opens them, and every palette of
  // another program into the swatches; a missing file, a folder or another
  // kind of file gets one message each.
  void OpenCommandLineFiles(const QStringList& paths);
  // The palette document reader behind openPaletteDocument.
  void OpenPaletteDocumentFile(const std::string& path);
  // "保存" when quitting: writes the open document again when it keeps all
  // the work, or else asks for a name (a .tlw while artwork is open, else a
  // .tlp). True once nothing is left unsaved; false when the dialog was
  // cancelled or the file could not be written.
  bool SaveWork();

  // The dialogs of N1Click, S1Click and PSD1Click: the chosen path, empty
  // when cancelled.
  std::function<QString()> runPaletteOpenDialog;
  std::function<QString()> runPaletteSaveDialog;
  std::function<QString()> runOpenDialog;
  // The dialog of P1Click; nothing when cancelled.
  std::function<std::optional<TArtworkExportChoice>()> runArtworkExportDialog;
  // The dialog of LP1Click; empty when cancelled.
  std::function<QString()> runLayeredExportDialog;
  // The dialog of SaveWork, offered `suggested` (a file name with the
  // extension the work needs, in the open document's folder when there is
  // one): the chosen path, empty when cancelled.
  std::function<QString(const QString& suggested)> runWorkSaveDialog;
  // Opens a PSD, Krita or OpenRaster file as sample artwork (the model's loader).
  std::function<void(const std::string& path)> openSampleArtwork;
  // Reads a palette document named on the command line.
  std::function<void(const std::string& path)> openPaletteDocument;
  // Reads a work document (.tlw) from the open command, a drop or the
  // command line.
  std::function<void(const std::string& path)> openWorkDocument;
  // Imports a palette of another program into the swatch window, shown.
  std::function<void(const std::string& path)> importPalette;

 private:
  // Opens the file as its extension says; false for a kind not ours.
  bool OpenByKind(const QString& path);

  QWidget& parent_;
  TCoordinationModel& model_;
  const TToolWindows& windows_;
};

}  // namespace tintloom
