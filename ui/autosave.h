#pragma once
// Autosave of unsaved work into a recovery copy, and the offer at start of
// the copies that instances which did not end normally left behind.

#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

#include "core/document/recovery.h"

class QWidget;

namespace tintloom {

class TCoordinationModel;

class TAutosave : public QObject {
  Q_OBJECT

 public:
  // Copies go to `folder`; nothing is written before the work first differs
  // from what was saved or opened.
  TAutosave(TCoordinationModel& model, const std::string& folder);
  ~TAutosave() override;

  // Time from the first edit after a write to the next write.
  int intervalMs = 30000;
  // The work changed (or was saved): a write within the interval while it is
  // unsaved, the copy removed once it is saved again.
  void NoteChange();
  // A write at once (after the artwork was read again), when unsaved.
  void SaveNow();
  // The program ends normally: the copy and the lock go. Without it the
  // copy stays for the next start.
  void Finish();
  // Waits for the write under way (tests).
  void Flush() { writer_.Flush(); }
  const std::string& Path() const { return writer_.Path(); }

 private:
  void Write();
  TCoordinationModel& model_;
  TRecoveryWriter writer_;
  QTimer timer_;
  bool failureShown_ = false;
  bool finished_ = false;
};

// Offers, newest first, each copy in `folder` whose instance is gone:
// "前回の作業を復元しますか", Restore or Discard. A restored copy becomes the
// work (the copies after it wait for the next start); a damaged one is set
// aside with a message; one whose question is closed unanswered stays for the
// next start. True when one was restored.
bool OfferRecoveries(TCoordinationModel& model, const std::string& folder, QWidget* parent);

}  // namespace tintloom
