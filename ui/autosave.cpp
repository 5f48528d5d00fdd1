#include "ui/autosave.h"

#include <QApplication>
#include <QDateTime>
#include <QLocale>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <utility>
#include <vector>

#include "core/document/coordination_model.h"
#include "ui/translation.h"

namespace tintloom {

TAutosave::TAutosave(TCoordinationModel& model, const std::string& folder) : model_(model), writer_(folder) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] { Write(); });
  // Reported from the writer's thread; the message is shown on this one,
  // once a session: the work goes on without copies.
  writer_.onFailure = [this] {
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (failureShown_) return;
          failureShown_ = true;
          model_.Messages().ShowMessage(kRecoveryFolderUnwritable);
        },
        Qt::QueuedConnection);
  };
}

// Destroyed without Finish (the desktop session ended the program), the copy
// stays: the work may not have been saved.
TAutosave::~TAutosave() = default;

void TAutosave::NoteChange() {
  if (finished_) return;
  if (!model_.Unsaved()) {
    timer_.stop();
    writer_.Erase();
    return;
  }
  // Not restarted by later edits: a steady stream of edits is still written
  // every interval.
  if (!timer_.isActive()) timer_.start(intervalMs);
}

void TAutosave::SaveNow() {
  if (finished_) return;
  timer_.stop();
  Write();
}

void TAutosave::Write() {
  if (finished_ || !model_.Unsaved()) return;
  // Encoding is all the main thread does; the file is written on the
  // writer's own thread.
  writer_.Write(EncodeRecovery(model_));
}

void TAutosave::Finish() {
  if (finished_) return;
  finished_ = true;
  timer_.stop();
  writer_.onFailure = nullptr;
  writer_.Finish();
}

bool OfferRecoveries(TCoordinationModel& model, const std::string& folder, QWidget* parent) {
  std::vector<TLeftOverRecovery> left = FindLeftOverRecoveries(folder);
  for (TLeftOverRecovery& copy : left) {
    Result<TRecoveryState> state = copy.Read();
    if (!state) {
      copy.SetAside();
      model.Messages().ShowMessage(std::string(kRecoveryFileDamaged) + "\n->" + copy.Path());
      continue;
    }
    const QString document = state->document.empty()
                                 ? TAutosave::tr("名前のない作業")
                                 : QFileInfo(QString::fromStdString(state->document)).fileName();
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(copy.Modified() / 1000000);
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), TAutosave::tr("前回の作業を復元しますか"),
                    QMessageBox::NoButton, parent);
    box.setObjectName("RecoveryBox");
    box.setInformativeText(TAutosave::tr("Tintloom が正しく終了しなかったため、%1 の保存されていない作業が残っています(%2)。")
                               .arg(document, QLocale().toString(when, QLocale::ShortFormat)));
    QPushButton* restore = box.addButton(TAutosave::tr("復元する"), QMessageBox::AcceptRole);
    restore->setObjectName("RestoreButton");
    QPushButton* discard = box.addButton(TAutosave::tr("破棄する"), QMessageBox::DestructiveRole);
    discard->setObjectName("DiscardButton");
    box.setDefaultButton(restore);
    box.exec();
    if (box.clickedButton() == discard) copy.Discard();
    if (box.clickedButton() != restore) continue;
    (void)ApplyRecovery(model, *state);
    copy.Discard();
    return true;
  }
  return false;
}

}  // namespace tintloom
