#include "ui/artwork_follower.h"

#include <QFileInfo>
#include <mutex>
#include <utility>
#include <vector>

#include "core/document/artwork_reading.h"
#include "core/document/coordination_model.h"

namespace tintloom {

// One reading of the file on the reader thread: the file's stamp before and
// after it (a file that changed meanwhile may have been read half old, half
// new) and what came of it.
struct TArtworkReading {
  std::uint64_t generation = 0;
  bool manual = false;
  std::string path;
  TFileStamp before;
  TFileStamp after;
  std::optional<Result<TPSD>> document;
  // What the reader said on the way (a layer it had no memory for).
  std::vector<std::string> messages;
};

namespace {

// Collects the reader's messages on its thread, for the window thread to show.
class TCollectedMessages final : public TMessageSink {
 public:
  explicit TCollectedMessages(std::vector<std::string>& into) : into_(into) {}
  void ShowMessage(const std::string& text) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    into_.push_back(text);
  }

 private:
  std::mutex mutex_;
  std::vector<std::string>& into_;
};

}  // namespace

TArtworkFollower::TArtworkFollower(TCoordinationModel& model, QObject* parent) : QObject(parent), model_(model) {
  settleTimer_.setSingleShot(true);
  patienceTimer_.setSingleShot(true);
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { Changed(); });
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { Changed(); });
  connect(&settleTimer_, &QTimer::timeout, this, [this] { Settled(); });
  connect(&patienceTimer_, &QTimer::timeout, this, [this] { OutOfPatience(); });
}

TArtworkFollower::~TArtworkFollower() { Stop(); }

void TArtworkFollower::Stop() {
  path_.clear();
  ++generation_;
  Rewatch();
  settleTimer_.stop();
  patienceTimer_.stop();
  if (reader_.joinable()) reader_.join();
}

bool TArtworkFollower::Idle() const { return !reading_ && !settleTimer_.isActive(); }

void TArtworkFollower::FollowOpenArtwork() {
  ++generation_;
  path_ = model_.Artwork().Path();
  shown_ = StampFile(path_);
  tried_ = shown_;
  pending_ = shown_;
  settleTimer_.stop();
  patienceTimer_.stop();
  failingSince_.reset();
  reported_ = false;
  outOfPatience_ = false;
  again_ = false;
  Rewatch();
}

void TArtworkFollower::SetEnabled(bool on) {
  enabled_ = on;
  Rewatch();
  if (!on) {
    settleTimer_.stop();
    patienceTimer_.stop();
    return;
  }
  // Saved while nobody watched: read as after any change.
  if (!path_.empty()) Changed();
}

void TArtworkFollower::Rewatch() {
  const bool watching = enabled_ && !path_.empty();
  const QString file = QString::fromStdString(path_);
  const QString folder = QFileInfo(file).absolutePath();
  QStringList stale;
  for (const QString& p : watcher_.files() + watcher_.directories()) {
    if (!watching || (p != file && p != folder)) stale << p;
  }
  if (!stale.isEmpty()) watcher_.removePaths(stale);
  if (!watching) {
    watchedInode_ = 0;
    return;
  }
  if (!watcher_.directories().contains(folder)) watcher_.addPath(folder);
  // A file renamed over the path is another file: its watch is made afresh.
  const TFileStamp now = StampFile(path_);
  if (!now.exists) {
    if (watcher_.files().contains(file)) watcher_.removePath(file);
    watchedInode_ = 0;
  } else if (now.inode != watchedInode_ || !watcher_.files().contains(file)) {
    if (watcher_.files().contains(file)) watcher_.removePath(file);
    watcher_.addPath(file);
    watchedInode_ = now.inode;
  }
}

void TArtworkFollower::Changed() {
  if (!enabled_ || path_.empty()) return;
  Rewatch();
  const TFileStamp now = StampFile(path_);
  // News of another file of the folder, or of the old file a save renamed
  // its new one over, is no change of the file named: the wait goes on as
  // it was.
  if (settleTimer_.isActive() && now == pending_) return;
  pending_ = now;
  settleTimer_.start(settle);
}

void TArtworkFollower::Settled() {
  const TFileStamp now = StampFile(path_);
  if (now != pending_) {
    // Still being written.
    pending_ = now;
    settleTimer_.start(settle);
    return;
  }
  // Gone (moved or deleted): the artwork stays, and the folder is watched
  // for the file to come back. Unchanged: another file of the folder moved.
  if (!now.exists || now == shown_ || now == tried_) return;
  StartReading(false);
}

void TArtworkFollower::ReloadNow() {
  if (path_.empty()) return;
  StartReading(true);
}

void TArtworkFollower::StartReading(bool manual) {
  if (path_.empty()) return;
  if (reading_) {
    again_ = true;
    againManual_ = againManual_ || manual;
    return;
  }
  reading_ = true;
  tried_ = StampFile(path_);
  auto reading = std::make_shared<TArtworkReading>();
  reading->generation = generation_;
  reading->manual = manual;
  reading->path = path_;
  if (reader_.joinable()) reader_.join();
  reader_ = std::thread([this, reading] {
    TSilentProgress progress;
    TCollectedMessages messages(reading->messages);
    reading->before = StampFile(reading->path);
    reading->document.emplace(ReadArtworkForCanvas(reading->path, progress, messages));
    reading->after = StampFile(reading->path);
    // Back on the window thread; dropped with this object, which waits for
    // the thread before it goes.
    QMetaObject::invokeMethod(this, [this, reading] { Finished(reading); }, Qt::QueuedConnection);
  });
}

void TArtworkFollower::Finished(std::shared_ptr<TArtworkReading> reading) {
  if (reader_.joinable()) reader_.join();
  reading_ = false;
  if (again_) {
    // The file changed again, or a reload was asked for, while this reading
    // ran: only a reading begun after that counts.
    const bool manual = againManual_;
    again_ = againManual_ = false;
    StartReading(manual);
    return;
  }
  if (reading->generation != generation_) return;
  if (reading->before != reading->after || reading->after != StampFile(path_)) {
    // Written while it was read: read again once it has settled.
    Changed();
    return;
  }
  Result<TPSD>& document = *reading->document;
  if (!reading->after.exists && !reading->manual) return;  // gone: watched for until it comes back
  if (!document) {
    if (reading->manual) {
      ReportFailure(document.error().message);
      return;
    }
    // Most likely caught half written: quietly wait for the next change,
    // and say so only if it stays unreadable.
    const auto now = std::chrono::steady_clock::now();
    if (!failingSince_) {
      failingSince_ = now;
      patienceTimer_.start(patience);
    } else if ((outOfPatience_ || now - *failingSince_ >= patience) && !reported_) {
      ReportFailure(document.error().message);
    }
    return;
  }
  failingSince_.reset();
  reported_ = false;
  outOfPatience_ = false;
  patienceTimer_.stop();
  // Opened other artwork meanwhile: this reading is of no use now (the
  // other artwork is followed from its opening).
  if (model_.Artwork().Path() != reading->path) return;
  const std::optional<TArtworkReloaded> reloaded =
      model_.Busy() ? std::nullopt : model_.ReloadArtwork(std::move(document).value());
  if (!reloaded) {
    // Busy opening a file: read this one again once that is done.
    tried_ = TFileStamp{};
    settleTimer_.start(settle);
    return;
  }
  shown_ = reading->before;
  ++reloads_;
  for (const std::string& message : reading->messages) model_.Messages().ShowMessage(message);
  if (onReloaded) onReloaded(*reloaded);
}

void TArtworkFollower::OutOfPatience() {
  if (!failingSince_ || reported_) return;
  if (!StampFile(path_).exists) {
    // Gone meanwhile: nothing to say until it comes back.
    failingSince_.reset();
    outOfPatience_ = false;
    return;
  }
  // Read once more, whatever it looks like: that reading decides (the
  // timer may come a little early; its word counts all the same).
  outOfPatience_ = true;
  if (!reading_ && !settleTimer_.isActive()) StartReading(false);
}

void TArtworkFollower::ReportFailure(const std::string& reason) {
  reported_ = true;
  // The opening's message, which names the file; said here for every reason.
  std::string text = reason;
  if (text.find(path_) == std::string::npos) text += "\n->" + path_;
  model_.Messages().ShowMessage(text);
}

}  // namespace tintloom
