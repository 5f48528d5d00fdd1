#include "ui/file_commands.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QSettings>

#include "core/artwork/artwork_file.h"
#include "core/document/artwork_export.h"
#include "core/document/coordination_model.h"
#include "core/document/palette_document_commands.h"
#include "core/document/save_as.h"
#include "core/document/swatch_commands.h"
#include "core/document/work_document_commands.h"
#include "core/formats/palette_document.h"
#include "core/formats/palette_import.h"
#include "core/formats/work_document.h"
#include "ui/main_form.h"
#include "ui/swatch_form.h"
#include "ui/translation.h"

namespace tintloom {

namespace {

// What "開く" and the command line take, said when given anything else.
constexpr const char* kOpenableFilesMessage = TL_TEXT(
    "tintloom",
    "開けるのはPSD・Krita・OpenRasterの画像(*.psd *.kra *.ora)、Tintloomパレット(*.tlp)、作業ファイル(*.tlw)とパレットファイル(*.gpl *.ase *.aco *.pal *.hex *.txt)だけです");
constexpr const char* kNotPsdMessage = TL_TEXT("tintloom", "PSD・Krita・OpenRasterの画像ではありません");
constexpr const char* kFolderMessage = TL_TEXT("tintloom", "フォルダーは開けません");
constexpr const char* kNoSuchFileMessage = TL_TEXT("tintloom", "ファイルが見つかりません");

// Layered artwork: PSD, Krita and OpenRaster, in either case.
QString ArtworkFilter() {
  return UserText(TL_TEXT("tintloom", "PSD・Krita・OpenRaster画像 (*.psd *.kra *.ora *.PSD *.KRA *.ORA)"));
}

// Every kind "開く" opens, first all together. Qt's filters tell case
// apart, so each extension is listed in both.
QStringList PaletteOpenFilters() {
  return {UserText(TL_TEXT("tintloom", "開けるファイルすべて")) +
              " (*.tlp *.TLP *.tlw *.TLW *.psd *.PSD *.kra *.KRA *.ora *.ORA *.gpl *.GPL *.ase *.ASE *.aco *.ACO *.pal *.PAL *.hex *.HEX *.txt *.TXT)",
          UserText(TL_TEXT("tintloom", "Tintloomパレット・作業ファイル(*.tlp *.tlw)")), UserText(TL_TEXT("tintloom", "Tintloomパレット(*.tlp)")),
          UserText(TL_TEXT("tintloom", "Tintloom作業ファイル(*.tlw)")), ArtworkFilter(),
          UserText(TL_TEXT("tintloom", "スウォッチに読み込むパレット(*.gpl *.ase *.aco *.pal *.hex *.txt)"))};
}

QString PaletteSaveTitle() { return UserText(TL_TEXT("tintloom", "パレットの書き出し")); }

QStringList PaletteSaveFilters() {
  return {UserText(TL_TEXT("tintloom", "Tintloomパレット(*.tlp)")),
          UserText(TL_TEXT("tintloom", "Tintloom作業ファイル(*.tlw)")),
          UserText(TL_TEXT("tintloom", "Photoshop互換スウォッチ(*.aco)")),
          UserText(TL_TEXT("tintloom", "Photoshop互換グラデーション(*.grd)")),
          UserText(TL_TEXT("tintloom", "Adobe互換スウォッチ交換(*.ase)")),
          UserText(TL_TEXT("tintloom", "Painter互換カラーセット(*.colors)")),
          UserText(TL_TEXT("tintloom", "ビットマップ(*.bmp)")),
          UserText(TL_TEXT("tintloom", "GIMPパレット(*.gpl)"))};
}


// File dialogs of one kind (palettes and exports, or artwork) start in the
// folder where the last file of that kind was chosen, in this run or before.
constexpr const char* kPaletteFolderKey = "folders/palettes";
constexpr const char* kArtworkFolderKey = "folders/artwork";

QSettings Settings() { return QSettings(QStringLiteral("Tintloom"), QStringLiteral("Tintloom")); }

void StartInLastFolder(QFileDialog& dialog, const char* key) {
  const QString folder = Settings().value(QLatin1String(key)).toString();
  if (!folder.isEmpty() && QFileInfo(folder).isDir()) dialog.setDirectory(folder);
}

// The dialog's choice, its folder remembered; empty when cancelled.
QString RunRememberingFolder(QFileDialog& dialog, const char* key) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  const QString chosen = dialog.selectedFiles().front();
  Settings().setValue(QLatin1String(key), QFileInfo(chosen).absolutePath());
  return chosen;
}

// What a file given to the main window is, by its extension (any case):
// the drop, "開く" and the command line all go by this.
enum class TOpenKind { kWork, kArtwork, kPaletteDocument, kSwatchPalette, kOther };

TOpenKind OpenKindForPath(const QString& path) {
  const std::string name = path.toStdString();
  if (HasExtension(name, ".tlw")) return TOpenKind::kWork;
  if (IsArtworkPath(name)) return TOpenKind::kArtwork;
  switch (PaletteFormatForPath(name)) {
    case TPaletteFormat::PaletteDocument: return TOpenKind::kPaletteDocument;
    case TPaletteFormat::None: return TOpenKind::kOther;
    default: return TOpenKind::kSwatchPalette;
  }
}

}  // namespace

// A dropped file is only ever taken as a copy (or else a link): accepting the
// move a file manager may propose would let it delete the user's file once
// the drop is done. A source that offers nothing but a move is refused.
bool TakeDropAsCopy(QDropEvent* event) {
  const Qt::DropActions offered = event->possibleActions();
  if (!event->mimeData()->hasUrls() || !(offered & (Qt::CopyAction | Qt::LinkAction))) {
    event->ignore();
    return false;
  }
  event->setDropAction(offered & Qt::CopyAction ? Qt::CopyAction : Qt::LinkAction);
  event->accept();
  return true;
}

TFileCommands::TFileCommands(QWidget& parent, TCoordinationModel& model, const TToolWindows& windows)
    : parent_(parent), model_(model), windows_(windows) {
  openSampleArtwork = [this](const std::string& path) { model_.OpenSampleArtwork(path); };
  openPaletteDocument = [this](const std::string& path) { OpenPaletteDocumentFile(path); };
  openWorkDocument = [this](const std::string& path) { LoadWorkDocument(model_, path); };
  // Shown, so that the new swatches can be seen.
  importPalette = [this](const std::string& path) {
    if (windows_.swatch == nullptr) return;
    windows_.swatch->show();
    windows_.swatch->ImportPaletteFile(QString::fromStdString(path));
  };
  runArtworkExportDialog = [this] { return AskArtworkExport(&parent_, model_); };
  runLayeredExportDialog = [this] { return AskLayeredExport(&parent_, model_); };
  runPaletteOpenDialog = [this] {
    QFileDialog dialog(&parent_);
    dialog.setObjectName("OpenDialog1");
    dialog.setNameFilters(PaletteOpenFilters());
    dialog.setDefaultSuffix("tlp");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setSizeGripEnabled(true);
    StartInLastFolder(dialog, kPaletteFolderKey);
    return RunRememberingFolder(dialog, kPaletteFolderKey);
  };
  runPaletteSaveDialog = [this] {
    QFileDialog dialog(&parent_, PaletteSaveTitle());
    dialog.setObjectName("SaveDialog1");
    dialog.setNameFilters(PaletteSaveFilters());
    dialog.setDefaultSuffix("tlp");
    // A name typed without an extension takes the chosen kind's.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
      const qsizetype star = filter.lastIndexOf("*.");
      if (star >= 0) dialog.setDefaultSuffix(filter.mid(star + 2).chopped(1));
    });
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setSizeGripEnabled(true);
    StartInLastFolder(dialog, kPaletteFolderKey);
    return RunRememberingFolder(dialog, kPaletteFolderKey);
  };
  runWorkSaveDialog = [this](const QString& suggested) {
    QFileDialog dialog(&parent_, UserText(TL_TEXT("tintloom", "作業の保存")));
    dialog.setObjectName("WorkSaveDialog");
    const QString work = UserText(TL_TEXT("tintloom", "Tintloom作業ファイル(*.tlw)"));
    const QString palette = UserText(TL_TEXT("tintloom", "Tintloomパレット(*.tlp)"));
    const bool asWork = suggested.endsWith(".tlw");
    dialog.setNameFilters(asWork ? QStringList{work, palette} : QStringList{palette, work});
    dialog.setDefaultSuffix(asWork ? "tlw" : "tlp");
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, work](const QString& filter) {
      dialog.setDefaultSuffix(filter == work ? "tlw" : "tlp");
    });
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setSizeGripEnabled(true);
    if (!QFileInfo(suggested).isAbsolute()) StartInLastFolder(dialog, kPaletteFolderKey);
    dialog.selectFile(suggested);
    return RunRememberingFolder(dialog, kPaletteFolderKey);
  };
  runOpenDialog = [this] {
    QFileDialog dialog(&parent_);
    dialog.setObjectName("OpenDialog2");
    dialog.setNameFilter(ArtworkFilter());
    dialog.setDefaultSuffix("psd");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setSizeGripEnabled(true);
    StartInLastFolder(dialog, kArtworkFolderKey);
    return RunRememberingFolder(dialog, kArtworkFolderKey);
  };
}

bool TFileCommands::OpenByKind(const QString& path) {
  const std::string name = path.toStdString();
  const auto run = [&name](const std::function<void(const std::string&)>& open) {
    if (open) open(name);
  };
  switch (OpenKindForPath(path)) {
    case TOpenKind::kWork: run(openWorkDocument); return true;
    case TOpenKind::kArtwork: run(openSampleArtwork); return true;
    case TOpenKind::kPaletteDocument: run(openPaletteDocument); return true;
    case TOpenKind::kSwatchPalette: run(importPalette); return true;
    case TOpenKind::kOther: break;
  }
  return false;
}

void TFileCommands::DropFiles(const QStringList& paths) {
  if (paths.isEmpty() || paths.front().isEmpty()) return;
  // Anything but our files and palettes is ignored, silently.
  (void)OpenByKind(paths.front());
}

void TFileCommands::PSD1Click() {
  if (model_.Busy() || !runOpenDialog) return;
  const QString path = runOpenDialog();
  if (path.isEmpty()) return;
  if (!IsArtworkPath(path.toStdString())) {
    model_.Messages().ShowMessage(kNotPsdMessage);
    return;
  }
  if (openSampleArtwork) openSampleArtwork(path.toStdString());
}

void TFileCommands::OpenCommandLineFiles(const QStringList& paths) {
  // A file manager passes every selected file: of several of one kind only
  // the last is opened (each would replace the one before). A name that
  // cannot be one of ours gets its own message and is passed over, and the
  // program goes on as if it had not been named.
  // Palettes of other programs add to the swatches, so each of them comes in.
  QString artwork;
  QString palette;
  QString work;
  QStringList swatchPalettes;
  for (const QString& path : paths) {
    const QFileInfo info(path);
    const std::string shown = "\n->" + path.toStdString();
    if (info.isDir()) {
      model_.Messages().ShowMessage(kFolderMessage + shown);
    } else if (!info.exists()) {
      model_.Messages().ShowMessage(kNoSuchFileMessage + shown);
    } else {
      switch (OpenKindForPath(path)) {
        case TOpenKind::kArtwork: artwork = path; break;
        case TOpenKind::kPaletteDocument: palette = path; break;
        case TOpenKind::kWork: work = path; break;
        case TOpenKind::kSwatchPalette: swatchPalettes << path; break;
        case TOpenKind::kOther: model_.Messages().ShowMessage(kOpenableFilesMessage + shown); break;
      }
    }
  }
  // A work document brings its own palette and artwork; files named beside
  // it open after it, over it.
  if (!work.isEmpty() && openWorkDocument) openWorkDocument(work.toStdString());
  // The palette first, so that the artwork is composed once, in its colours.
  if (!palette.isEmpty() && openPaletteDocument) openPaletteDocument(palette.toStdString());
  if (!artwork.isEmpty() && openSampleArtwork) openSampleArtwork(artwork.toStdString());
  for (const QString& path : swatchPalettes) {
    if (importPalette) importPalette(path.toStdString());
  }
}

void TFileCommands::OpenPaletteDocumentFile(const std::string& path) { LoadPaletteDocument(model_, path); }

void TFileCommands::N1Click() {
  if (model_.Busy() || !runPaletteOpenDialog) return;
  const QString path = runPaletteOpenDialog();
  if (path.isEmpty()) return;
  // Whatever a drop on the main window takes opens here the same way.
  if (!OpenByKind(path)) model_.Messages().ShowMessage(kOpenableFilesMessage + ("\n->" + path.toStdString()));
}

void TFileCommands::S1Click() {
  if (model_.Busy() || !runPaletteSaveDialog) return;
  const QString path = runPaletteSaveDialog();
  if (path.isEmpty()) return;
  // The windows the dialog covered are repainted before the file is written.
  QApplication::processEvents();
  if (model_.Busy()) return;
  SaveOrExport(model_, path.toStdString());
}

void TFileCommands::P1Click() {
  if (model_.Busy() || !runArtworkExportDialog) return;
  if (model_.LayerCount() < 1) {
    model_.Messages().ShowMessage(kNoArtworkMessage);
    return;
  }
  const std::optional<TArtworkExportChoice> choice = runArtworkExportDialog();
  if (!choice) return;
  ExportArtworkWithProgress(&parent_, model_, *choice);
}

void TFileCommands::LP1Click() {
  if (model_.Busy() || !runLayeredExportDialog) return;
  if (model_.LayerCount() < 1) {
    model_.Messages().ShowMessage(kNoArtworkMessage);
    return;
  }
  const QString path = runLayeredExportDialog();
  if (path.isEmpty()) return;
  ExportLayersWithProgress(&parent_, model_, path);
}

bool TFileCommands::SaveWork() {
  if (model_.Busy()) return false;
  if (model_.DocumentHoldsWork()) {
    if (!SaveDocument(model_, model_.DocumentPath())) return false;
  } else {
    if (!runWorkSaveDialog) return false;
    // The open document's name with the extension the work needs, beside it.
    const std::string extension = WorkDocumentExtension(model_);
    QString suggested = UserText(TL_TEXT("tintloom", "無題")) + QString::fromLatin1(extension);
    if (!model_.DocumentPath().empty()) {
      const QFileInfo document(QString::fromStdString(model_.DocumentPath()));
      suggested = document.absolutePath() + '/' + document.completeBaseName() + QString::fromLatin1(extension);
    }
    const QString path = runWorkSaveDialog(suggested);
    if (path.isEmpty()) return false;
    // The windows the dialog covered are repainted before the file is written.
    QApplication::processEvents();
    if (!SaveDocument(model_, path.toStdString())) return false;
  }
  // A palette document chosen for layer work keeps the palette only.
  return !model_.Unsaved();
}

}  // namespace tintloom
