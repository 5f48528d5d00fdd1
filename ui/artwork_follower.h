#pragma once
// Follows the painting: watches the file the open artwork came from and,
// once a save in the painting program has settled, reads it again in the
// background exactly as opening does and puts it in place with every
// layer's settings carried over (TCoordinationModel::ReloadArtwork).
//
// The path is watched, not the file: most programs save by renaming a new
// file over the old one, which ends any watch on the old file, so the folder
// is watched too and the file's watch made again for whatever file the path
// names. Nothing polls; a change starts a short timer, and the file is read
// once it has kept its size and time for that long. A file caught half
// written fails quietly and is read again at its next change; only one still
// unreadable after the patience runs out is reported, once, with the
// opening's message. A file that vanishes leaves the artwork as it is and is
// picked up when it comes back.

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "core/base/file_stamp.h"
#include "core/document/layer_carry_over.h"

namespace tintloom {

class TCoordinationModel;
struct TArtworkReading;

class TArtworkFollower : public QObject {
  Q_OBJECT
 public:
  explicit TArtworkFollower(TCoordinationModel& model, QObject* parent = nullptr);
  // Waits for a reading under way: it touches nothing but its own document.
  ~TArtworkFollower() override;

  // The model's artwork came from a file just now: that file is the one to
  // follow from here on (nothing to follow without artwork).
  void FollowOpenArtwork();
  // "保存されたら読み込み直す": watching on or off. Turned on, a file saved
  // meanwhile is read at once.
  void SetEnabled(bool on);
  bool Enabled() const { return enabled_; }
  // Stops following and waits for a reading under way: before the tables
  // a reading uses go (the blend table, at the end of the program).
  void Stop();
  // "アートワークを読み込み直す": the file read again now, watching or not; a
  // file that cannot be read is reported at once.
  void ReloadNow();

  // How long a file must stay as it is before it is read, and how long it may
  // stay unreadable before that is said. Tests shorten them.
  std::chrono::milliseconds settle{300};
  std::chrono::milliseconds patience{5000};
  // After artwork read again has taken the place of the artwork shown.
  std::function<void(const TArtworkReloaded&)> onReloaded;

  // The path followed (empty for none), and for tests: how many readings
  // have been put in place, and whether nothing is pending or under way.
  const std::string& Path() const { return path_; }
  int Reloads() const { return reloads_; }
  bool Idle() const;
  const QFileSystemWatcher& Watcher() const { return watcher_; }

 private:
  void Rewatch();
  void Changed();
  void Settled();
  void StartReading(bool manual);
  void Finished(std::shared_ptr<TArtworkReading> reading);
  void OutOfPatience();
  void ReportFailure(const std::string& reason);

  TCoordinationModel& model_;
  QFileSystemWatcher watcher_;
  QTimer settleTimer_;
  QTimer patienceTimer_;
  bool enabled_ = true;
  std::string path_;
  // Bumped whenever another file is followed: a reading of the one before
  // is dropped.
  std::uint64_t generation_ = 0;
  std::uint64_t watchedInode_ = 0;
  // The file as last put in place, as last tried, and as seen at the last change.
  TFileStamp shown_;
  TFileStamp tried_;
  TFileStamp pending_;
  std::thread reader_;
  bool reading_ = false;
  // A change settled, or a reload was asked for, while a reading ran.
  bool again_ = false;
  bool againManual_ = false;
  // Since when the file has failed to read, and whether that has been said.
  std::optional<std::chrono::steady_clock::time_point> failingSince_;
  bool reported_ = false;
  bool outOfPatience_ = false;
  int reloads_ = 0;
};

}  // namespace tintloom
