#pragma once
// Recovery copies of unsaved work, so a crash, a killed session or a flat
// battery costs at most the last half minute.
//
// Each running instance owns one pair of files in the recovery folder:
// "<id>.lock", held with flock for as long as the instance runs, and
// "<id>.recovery", the work as it was at the last autosave. The recovery file
// is one header line of JSON followed by the work document's own bytes:
//
//   {"format":"tintloom-recovery","version":1,"kind":2,"document":"/a/evening.tlw",
//    "slot":3,"shade":1,"layers":[2,0]}
//   {"format":"tintloom-work", ...}          exactly what a .tlw holds
//
// kind: the document the work belongs to (0 none, 1 palette, 2 work) and
// document its path (null without one); slot and shade: the selected colour
// slot and shade; layers: the selected layers, the one shown first. A pair
// whose lock nobody holds was left by an instance that did not end normally.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/base/result.h"
#include "core/base/user_text.h"
#include "core/document/coordination_model.h"
#include "core/formats/work_document.h"

namespace tintloom {

inline constexpr const char* kRecoveryFormat = "tintloom-recovery";
inline constexpr std::int64_t kRecoveryVersion = 1;
inline constexpr const char* kRecoveryFolderUnwritable =
    TL_TEXT("tintloom", "復元用の作業ファイルを保存できません。作業はこのまま続けられますが、こまめに保存してください");
inline constexpr const char* kRecoveryFileDamaged =
    TL_TEXT("tintloom", "復元用の作業ファイルが壊れているため復元できません。ファイルは別名で残しました");

struct TRecoveryState {
  TDocumentKind kind = TDocumentKind::None;
  std::string document;
  std::int32_t slot = 0;
  std::int32_t shade = kBase;
  std::vector<int> layers;
  TWorkDocument work;
};

// The folder recovery files go to: $XDG_STATE_HOME/Tintloom/recovery, else
// $HOME/.local/state/Tintloom/recovery; empty without either.
std::string RecoveryFolder();

// The model's work as a recovery file's bytes. Artwork paths are stored
// whole, so the file means the same wherever it is read from.
std::string EncodeRecovery(const TCoordinationModel& model);
// Refuses anything but a complete recovery file with "ファイルが壊れています".
Result<TRecoveryState> DecodeRecovery(std::span<const std::uint8_t> bytes);
// Brings the state back: the work document applied, the selection restored,
// and the work unsaved against the document it belonged to. False when the
// artwork could not be opened (the rest is restored all the same).
bool ApplyRecovery(TCoordinationModel& model, const TRecoveryState& state);

// A left-over pair, its lock held by this process until it is restored,
// discarded or dropped.
class TLeftOverRecovery {
 public:
  TLeftOverRecovery(std::string path, int lockFd, std::int64_t modified);
  TLeftOverRecovery(TLeftOverRecovery&& other) noexcept;
  TLeftOverRecovery& operator=(TLeftOverRecovery&& other) noexcept;
  ~TLeftOverRecovery();
  const std::string& Path() const { return path_; }
  std::int64_t Modified() const { return modified_; }
  Result<TRecoveryState> Read() const;
  // Both files removed.
  void Discard();
  // A file that cannot be read is renamed "<id>.damaged" beside it and its
  // lock removed, so it is offered no more but kept for whoever wants it.
  void SetAside();

 private:
  std::string path_;
  int lockFd_ = -1;
  std::int64_t modified_ = 0;
};

// The recovery files in `folder` whose instance is gone, newest first.
std::vector<TLeftOverRecovery> FindLeftOverRecoveries(const std::string& folder);

// One instance's recovery file. Writes happen on a thread of its own, the
// latest bytes only; a failure is reported through onFailure (called on that
// thread) once per failing run of writes.
class TRecoveryWriter {
 public:
  explicit TRecoveryWriter(std::string folder);
  ~TRecoveryWriter();
  TRecoveryWriter(const TRecoveryWriter&) = delete;
  TRecoveryWriter& operator=(const TRecoveryWriter&) = delete;

  std::function<void()> onFailure;
  // Queues the bytes as the file's new content (the folder and the lock are
  // made on the first write).
  void Write(std::string bytes);
  // Queues the removal of the file (the work is saved again); the lock stays.
  void Erase();
  // Waits for what is queued, then removes the file and the lock: the
  // instance ended normally.
  void Finish();
  // Waits for what is queued.
  void Flush();
  const std::string& Path() const;

 private:
  struct TState;
  std::unique_ptr<TState> state_;
};

}  // namespace tintloom
