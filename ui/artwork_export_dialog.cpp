#include "ui/artwork_export_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

#include "core/document/artwork_export.h"
#include "core/document/coordination_model.h"
#include "core/document/layered_export.h"
#include "ui/translation.h"

namespace tintloom {

std::optional<TArtworkExportChoice> AskArtworkExport(QWidget* parent, const TCoordinationModel& model) {
  QDialog dialog(parent);
  dialog.setObjectName("ExportDialog");
  dialog.setWindowTitle(UserText(TL_TEXT("tintloom", "配色した画像を書き出す")));
  auto* form = new QFormLayout(&dialog);

  auto* fileRow = new QHBoxLayout;
  auto* file = new QLineEdit(&dialog);
  file->setObjectName("ExportFile");
  file->setMinimumWidth(320);
  const QFileInfo artwork(QString::fromStdString(model.Artwork().Path()));
  file->setText(artwork.dir().filePath(artwork.completeBaseName() + ".png"));
  auto* browse = new QPushButton(UserText(TL_TEXT("tintloom", "参照...")), &dialog);
  fileRow->addWidget(file);
  fileRow->addWidget(browse);
  form->addRow(UserText(TL_TEXT("tintloom", "ファイル:")), fileRow);
  QObject::connect(browse, &QPushButton::clicked, &dialog, [&dialog, file] {
    QFileDialog files(&dialog, UserText(TL_TEXT("tintloom", "配色した画像を書き出す")));
    files.setNameFilter(UserText(TL_TEXT("tintloom", "PNG画像(*.png)")));
    files.setDefaultSuffix("png");
    files.setAcceptMode(QFileDialog::AcceptSave);
    files.selectFile(file->text());
    if (files.exec() == QDialog::Accepted && !files.selectedFiles().isEmpty()) file->setText(files.selectedFiles().front());
  });

  // The canvas's checker stands for "nothing here": it becomes transparency.
  const TColor canvas = model.BackgroundColour();
  auto* background = new QComboBox(&dialog);
  background->setObjectName("ExportBackground");
  background->addItem(UserText(TL_TEXT("tintloom", "透明")));
  background->addItem(UserText(TL_TEXT("tintloom", "キャンバスの背景色")));
  background->addItem(UserText(TL_TEXT("tintloom", "白")));
  background->addItem(UserText(TL_TEXT("tintloom", "黒")));
  background->setCurrentIndex(model.Background() == BackgroundMode::Checker ? 0 : 1);
  form->addRow(UserText(TL_TEXT("tintloom", "背景:")), background);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setText(UserText(TL_TEXT("tintloom", "書き出す")));
  buttons->button(QDialogButtonBox::Cancel)->setText(UserText(TL_TEXT("tintloom", "キャンセル")));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  file->setToolTip(UserText(TL_TEXT("tintloom", "書き出す PNG ファイルの名前")));
  file->setAccessibleName(UserText(TL_TEXT("tintloom", "書き出すファイル")));
  browse->setToolTip(UserText(TL_TEXT("tintloom", "書き出す先をファイルダイアログで選ぶ")));
  background->setToolTip(UserText(TL_TEXT("tintloom", "アートワークのない所を何で埋めるか")));
  background->setAccessibleName(UserText(TL_TEXT("tintloom", "背景")));

  TArtworkExportChoice choice;
  // The file is offered ready-made beside the artwork, so an existing one is
  // only replaced when the user says so, as a save dialog would ask.
  for (;;) {
    if (dialog.exec() != QDialog::Accepted || file->text().trimmed().isEmpty()) return std::nullopt;
    choice.path = file->text().trimmed();
    if (QFileInfo(choice.path).suffix().isEmpty()) choice.path += ".png";
    // A name that cannot be written is said before the dialog closes, and
    // the dialog comes back with every choice in it to correct.
    if (const std::optional<std::string> problem = PictureTargetProblem(choice.path.toStdString())) {
      QMessageBox::warning(&dialog, dialog.windowTitle(), UserText(*problem));
      continue;
    }
    if (!QFileInfo::exists(choice.path)) break;
    QMessageBox ask(QMessageBox::Question, dialog.windowTitle(),
                    UserText(TL_TEXT("tintloom", "%1 は既にあります。") "\n" TL_TEXT("tintloom", "上書きしますか?")).arg(QFileInfo(choice.path).fileName()),
                    QMessageBox::NoButton, &dialog);
    QPushButton* replace = ask.addButton(UserText(TL_TEXT("tintloom", "上書き")), QMessageBox::AcceptRole);
    ask.setDefaultButton(ask.addButton(UserText(TL_TEXT("tintloom", "キャンセル")), QMessageBox::RejectRole));
    ask.exec();
    if (ask.clickedButton() == replace) break;
  }
  switch (background->currentIndex()) {
    case 0: choice.background.transparent = true; break;
    case 1: choice.background.colour = canvas; break;
    case 2: choice.background.colour = 0xFFFFFF; break;
    default: choice.background.colour = 0x000000; break;
  }
  return choice;
}

namespace {

// Runs `write` under a progress window with a cancel button; a failure is
// shown through the model's messages.
template <class Write>
void WriteWithProgress(QWidget* parent, TCoordinationModel& model, const QString& title, const QString& label,
                       Write write) {
  QProgressDialog progress(label, UserText(TL_TEXT("tintloom", "キャンセル")), 0, 100, parent);
  progress.setObjectName("ExportProgress");
  progress.setWindowTitle(title);
  // Modal to the whole program: nothing may change the artwork while its
  // rows are being written.
  progress.setWindowModality(Qt::ApplicationModal);
  progress.setMinimumDuration(300);
  progress.setValue(0);
  const TRenderProgress step = [&progress](std::int32_t done, std::int32_t rows) {
    progress.setMaximum(std::max(rows, 1));
    progress.setValue(done);
    QApplication::processEvents();
    return !progress.wasCanceled();
  };
  const Result<TRenderOutcome> written = write(step);
  progress.reset();
  if (!written) model.Messages().ShowMessage(written.error().message);
}

}  // namespace

void ExportArtworkWithProgress(QWidget* parent, TCoordinationModel& model, const TArtworkExportChoice& choice) {
  WriteWithProgress(parent, model, UserText(TL_TEXT("tintloom", "配色した画像を書き出す")),
                    UserText(TL_TEXT("tintloom", "配色した画像を書き出しています...")), [&](const TRenderProgress& step) {
                      return ExportArtwork(model, choice.path.toStdString(), choice.background, 0, step);
                    });
}

QString AskLayeredExport(QWidget* parent, const TCoordinationModel& model) {
  QFileDialog files(parent, UserText(TL_TEXT("tintloom", "配色したレイヤーをPSDで書き出す")));
  files.setObjectName("LayeredExportDialog");
  files.setNameFilter(UserText(TL_TEXT("tintloom", "PSDファイル(*.psd)")));
  files.setDefaultSuffix("psd");
  files.setAcceptMode(QFileDialog::AcceptSave);
  // Offered beside the artwork, never as the artwork itself.
  const QFileInfo artwork(QString::fromStdString(model.Artwork().Path()));
  files.setDirectory(artwork.dir());
  files.selectFile(UserText(TL_TEXT("tintloom", "%1_配色")).arg(artwork.completeBaseName()) + ".psd");
  if (files.exec() != QDialog::Accepted || files.selectedFiles().isEmpty()) return {};
  return files.selectedFiles().front();
}

void ExportLayersWithProgress(QWidget* parent, TCoordinationModel& model, const QString& path) {
  WriteWithProgress(parent, model, UserText(TL_TEXT("tintloom", "配色したレイヤーをPSDで書き出す")),
                    UserText(TL_TEXT("tintloom", "配色したレイヤーを書き出しています...")),
                    [&](const TRenderProgress& step) { return ExportLayeredPsd(model, path.toStdString(), step); });
}

}  // namespace tintloom
