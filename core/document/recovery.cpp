#include "core/document/recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "core/base/file_io.h"
#include "core/document/work_document_commands.h"
#include "core/formats/json_text.h"

namespace tintloom {

namespace {

constexpr const char* kDamaged = TL_TEXT("tintloom", "ファイルが壊れています");
constexpr const char* kRecoveryExtension = ".recovery";
constexpr const char* kLockExtension = ".lock";
// The header is one short line; anything longer is no recovery file.
constexpr std::size_t kMaxHeaderBytes = 1u << 20;

std::string LockPathFor(const std::string& recovery) {
  return recovery.substr(0, recovery.size() - std::string(kRecoveryExtension).size()) + kLockExtension;
}

// Locks the file (made when missing) without waiting: -1 when another
// instance holds it or it cannot be opened.
int TryLock(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::string RecoveryFolder() {
  namespace fs = std::filesystem;
  const char* state = std::getenv("XDG_STATE_HOME");
  fs::path base;
  // Relative values are to be ignored, as for every XDG folder.
  if (state != nullptr && *state == '/') {
    base = state;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    base = fs::path(home) / ".local" / "state";
  } else {
    return {};
  }
  return (base / "Tintloom" / "recovery").string();
}

std::string EncodeRecovery(const TCoordinationModel& model) {
  TWorkDocument document = CaptureWorkDocument(model, "/");
  // Whole, not relative to any document: the copy lies elsewhere.
  if (document.artwork) {
    std::error_code ec;
    const std::filesystem::path whole = std::filesystem::absolute(model.Artwork().Path(), ec).lexically_normal();
    if (!ec) document.artwork = whole.generic_string();
  }
  const std::string work = EncodeWorkDocument(document);
  std::string text = "{\"format\":\"";
  text += kRecoveryFormat;
  text += "\",\"version\":" + std::to_string(kRecoveryVersion);
  text += ",\"kind\":" + std::to_string(static_cast<int>(model.DocumentKind()));
  text += ",\"document\":";
  text += model.DocumentPath().empty() ? std::string("null") : JsonQuote(model.DocumentPath());
  text += ",\"slot\":" + std::to_string(model.selectedSlot);
  text += ",\"shade\":" + std::to_string(model.selectedShade);
  text += ",\"layers\":[";
  bool first = true;
  for (const int layer : model.SelectedLayers()) {
    if (!first) text += ',';
    first = false;
    text += std::to_string(layer);
  }
  text += "]}\n";
  text += work;
  return text;
}

Result<TRecoveryState> DecodeRecovery(std::span<const std::uint8_t> bytes) {
  const auto newline = std::find(bytes.begin(), bytes.end(), std::uint8_t{'\n'});
  if (newline == bytes.end()) return Fail(kDamaged);
  const auto headerSize = static_cast<std::size_t>(newline - bytes.begin());
  if (headerSize > kMaxHeaderBytes) return Fail(kDamaged);
  const std::optional<TJsonValue> header = ParseJson(bytes.first(headerSize));
  if (!header || header->kind != TJsonValue::TKind::kObject) return Fail(kDamaged);
  const TJsonValue* format = header->Member("format");
  if (format == nullptr || format->kind != TJsonValue::TKind::kString || format->text != kRecoveryFormat) {
    return Fail(kDamaged);
  }
  const TJsonValue* version = header->Member("version");
  if (version == nullptr || version->Integer(1, kRecoveryVersion) != kRecoveryVersion) return Fail(kDamaged);
  TRecoveryState state;
  const TJsonValue* kind = header->Member("kind");
  const std::optional<std::int64_t> kindValue = kind != nullptr ? kind->Integer(0, 2) : std::nullopt;
  if (!kindValue) return Fail(kDamaged);
  state.kind = static_cast<TDocumentKind>(*kindValue);
  const TJsonValue* document = header->Member("document");
  if (document == nullptr) return Fail(kDamaged);
  if (document->kind == TJsonValue::TKind::kString) {
    state.document = document->text;
  } else if (document->kind != TJsonValue::TKind::kNull) {
    return Fail(kDamaged);
  }
  const TJsonValue* slot = header->Member("slot");
  const TJsonValue* shade = header->Member("shade");
  const std::optional<std::int64_t> slotValue = slot != nullptr ? slot->Integer(0, kSlotCount - 1) : std::nullopt;
  const std::optional<std::int64_t> shadeValue = shade != nullptr ? shade->Integer(0, 3) : std::nullopt;
  if (!slotValue || !shadeValue) return Fail(kDamaged);
  state.slot = static_cast<std::int32_t>(*slotValue);
  state.shade = static_cast<std::int32_t>(*shadeValue);
  const TJsonValue* layers = header->Member("layers");
  if (layers == nullptr || layers->kind != TJsonValue::TKind::kArray) return Fail(kDamaged);
  for (const TJsonValue& item : layers->items) {
    const std::optional<std::int64_t> layer = item.Integer(0, 1 << 20);
    if (!layer) return Fail(kDamaged);
    state.layers.push_back(static_cast<int>(*layer));
  }
  Result<TWorkDocument> work = DecodeWorkDocument(bytes.subspan(headerSize + 1));
  if (!work) return Fail(work.error().message);
  state.work = std::move(work).value();
  return state;
}

bool ApplyRecovery(TCoordinationModel& model, const TRecoveryState& state) {
  const bool artworkOpened = ApplyWorkDocument(model, state.work, "/");
  // Selected layers beyond the artwork read now are left out.
  std::vector<int> layers;
  for (const int layer : state.layers) {
    if (layer < model.LayerCount()) layers.push_back(layer);
  }
  // The slot first: choosing a slot maps the selected layers onto it.
  model.SelectLayers({});
  model.SelectSlot(state.slot);
  model.SelectShade(state.shade);
  model.SelectLayers(layers);
  model.selectedSlot = state.slot;
  model.selectedShade = state.shade;
  model.RefreshSelectedSlot();
  // The layer list shows the selection it is filled with.
  model.Views().FillLayerList();
  model.MarkRecovered(state.kind, state.document);
  return artworkOpened;
}

// ---------------------------------------------------------------- left-overs

TLeftOverRecovery::TLeftOverRecovery(std::string path, int lockFd, std::int64_t modified)
    : path_(std::move(path)), lockFd_(lockFd), modified_(modified) {}

TLeftOverRecovery::TLeftOverRecovery(TLeftOverRecovery&& other) noexcept
    : path_(std::move(other.path_)), lockFd_(std::exchange(other.lockFd_, -1)), modified_(other.modified_) {}

TLeftOverRecovery& TLeftOverRecovery::operator=(TLeftOverRecovery&& other) noexcept {
  if (this != &other) {
    if (lockFd_ >= 0) ::close(lockFd_);
    path_ = std::move(other.path_);
    lockFd_ = std::exchange(other.lockFd_, -1);
    modified_ = other.modified_;
  }
  return *this;
}

TLeftOverRecovery::~TLeftOverRecovery() {
  if (lockFd_ >= 0) ::close(lockFd_);
}

Result<TRecoveryState> TLeftOverRecovery::Read() const {
  TRY_ASSIGN(std::vector<std::uint8_t> bytes, ReadWholeFile(path_, kMaxWorkDocumentBytes + kMaxHeaderBytes));
  return DecodeRecovery(bytes);
}

void TLeftOverRecovery::Discard() {
  ::unlink(path_.c_str());
  ::unlink(LockPathFor(path_).c_str());
}

void TLeftOverRecovery::SetAside() {
  const std::string damaged = path_.substr(0, path_.size() - std::string(kRecoveryExtension).size()) + ".damaged";
  if (::rename(path_.c_str(), damaged.c_str()) != 0) ::unlink(path_.c_str());
  ::unlink(LockPathFor(path_).c_str());
}

std::vector<TLeftOverRecovery> FindLeftOverRecoveries(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<TLeftOverRecovery> found;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return found;
  for (const fs::directory_entry& entry : it) {
    const fs::path& path = entry.path();
    if (path.extension() != kRecoveryExtension || !entry.is_regular_file(ec)) continue;
    const int fd = TryLock(LockPathFor(path.string()));
    if (fd < 0) continue;  // a running instance's own file
    struct stat info {};
    const std::int64_t modified =
        ::stat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec : 0;
    found.emplace_back(path.string(), fd, modified);
  }
  std::sort(found.begin(), found.end(),
            [](const TLeftOverRecovery& a, const TLeftOverRecovery& b) { return a.Modified() > b.Modified(); });
  return found;
}

// ---------------------------------------------------------------- writer

struct TRecoveryWriter::TState {
  std::string folder;
  std::string path;
  std::string lockPath;
  int lockFd = -1;
  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable idle;
  std::optional<std::string> pending;  // bytes to write
  bool erase = false;
  bool busy = false;
  bool stop = false;
  bool failing = false;
  bool written = false;
  std::function<void()>* onFailure = nullptr;
  std::thread thread;

  bool EnsureLock() {
    if (lockFd >= 0) return true;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return false;
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return false;
    }
    lockFd = fd;
    return true;
  }

  void Run() {
    std::unique_lock lock(mutex);
    for (;;) {
      wake.wait(lock, [this] { return stop || pending || erase; });
      if (!pending && !erase) break;
      std::optional<std::string> bytes = std::exchange(pending, std::nullopt);
      const bool removing = std::exchange(erase, false);
      busy = true;
      lock.unlock();
      bool failed = false;
      if (bytes) {
        const std::span<const std::uint8_t> span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size());
        failed = !EnsureLock() || !ReplaceFileContents(path, span);
        if (!failed) written = true;
      } else if (removing && written) {
        ::unlink(path.c_str());
        written = false;
      }
      // One report for a run of failures; a write that works ends the run.
      const bool report = failed && !failing;
      failing = failed ? true : (bytes ? false : failing);
      if (report && onFailure != nullptr && *onFailure) (*onFailure)();
      lock.lock();
      busy = false;
      idle.notify_all();
    }
  }
};

TRecoveryWriter::TRecoveryWriter(std::string folder) : state_(std::make_unique<TState>()) {
  static std::atomic<unsigned> counter{0};
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const std::string id = std::to_string(::getpid()) + "-" +
                         std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()) + "-" +
                         std::to_string(counter++);
  state_->folder = folder;
  state_->path = (std::filesystem::path(folder) / (id + kRecoveryExtension)).string();
  state_->lockPath = LockPathFor(state_->path);
  state_->onFailure = &onFailure;
  state_->thread = std::thread([state = state_.get()] { state->Run(); });
}

TRecoveryWriter::~TRecoveryWriter() {
  {
    std::lock_guard lock(state_->mutex);
    state_->stop = true;
  }
  state_->wake.notify_all();
  state_->thread.join();
  if (state_->lockFd >= 0) ::close(state_->lockFd);
}

void TRecoveryWriter::Write(std::string bytes) {
  {
    std::lock_guard lock(state_->mutex);
    state_->pending = std::move(bytes);
    state_->erase = false;
  }
  state_->wake.notify_all();
}

void TRecoveryWriter::Erase() {
  {
    std::lock_guard lock(state_->mutex);
    state_->pending.reset();
    state_->erase = true;
  }
  state_->wake.notify_all();
}

void TRecoveryWriter::Flush() {
  std::unique_lock lock(state_->mutex);
  state_->idle.wait(lock, [this] { return !state_->busy && !state_->pending && !state_->erase; });
}

void TRecoveryWriter::Finish() {
  {
    std::unique_lock lock(state_->mutex);
    state_->pending.reset();
    state_->erase = false;
    state_->idle.wait(lock, [this] { return !state_->busy; });
  }
  if (state_->lockFd >= 0) {
    ::unlink(state_->path.c_str());
    ::unlink(state_->lockPath.c_str());
    ::close(state_->lockFd);
    state_->lockFd = -1;
    state_->written = false;
  }
}

const std::string& TRecoveryWriter::Path() const { return state_->path; }

}  // namespace tintloom
