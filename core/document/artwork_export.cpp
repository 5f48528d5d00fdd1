#include "core/document/artwork_export.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "core/artwork/blend_table.h"
#include "core/base/file_io.h"
#include "core/formats/png_file.h"
#include "core/document/coordination_model.h"

namespace tintloom {

namespace {

// Rows are gathered into blocks and compressed on a thread of their own, so
// that deflating one block overlaps composing the next: the compressor is a
// large share of the export's time and runs on one core only.
class TPngRowSink final : public TRowSink {
 public:
  explicit TPngRowSink(std::string path) : path_(std::move(path)) {}
  ~TPngRowSink() override { Stop(); }

  Result<> Begin(std::int32_t width, std::int32_t height, bool alpha) override {
    TRY(writer_.Open(path_, width, height, alpha));
    rowBytes_ = static_cast<std::size_t>(width) * (alpha ? 4 : 3);
    try {
      filling_.reserve(rowBytes_ * kBlockRows);
      writing_.reserve(rowBytes_ * kBlockRows);
      thread_ = std::thread([this] { Compress(); });
    } catch (const std::exception&) {
      return Fail(kFileAccessMessage);
    }
    return Ok();
  }

  Result<> WriteRow(const std::uint8_t* row) override {
    filling_.insert(filling_.end(), row, row + rowBytes_);
    if (filling_.size() >= rowBytes_ * kBlockRows) return HandOver();
    return Ok();
  }

  Result<> Finish() {
    TRY(HandOver());
    Stop();
    if (failed_) return Fail(kFileAccessMessage);
    return writer_.Finish();
  }

 private:
  static constexpr std::size_t kBlockRows = 64;

  // Waits for the compressor to take the previous block, then gives it this one.
  Result<> HandOver() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !full_ || failed_; });
    if (failed_) return Fail(kFileAccessMessage);
    std::swap(filling_, writing_);
    filling_.clear();
    full_ = !writing_.empty();
    changed_.notify_all();
    return Ok();
  }

  void Compress() {
    for (;;) {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return full_ || stopping_; });
      if (!full_) return;
      lock.unlock();
      // The block is the compressor's alone until `full_` is cleared.
      bool ok = true;
      for (std::size_t at = 0; ok && at < writing_.size(); at += rowBytes_) ok = writer_.WriteRow(writing_.data() + at).ok();
      lock.lock();
      failed_ = failed_ || !ok;
      full_ = false;
      changed_.notify_all();
      if (failed_) return;
    }
  }

  void Stop() {
    if (!thread_.joinable()) return;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return !full_ || failed_; });
      stopping_ = true;
      changed_.notify_all();
    }
    thread_.join();
  }

  std::string path_;
  TPngWriter writer_;
  std::size_t rowBytes_ = 0;
  std::vector<std::uint8_t> filling_, writing_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool full_ = false;
  bool stopping_ = false;
  bool failed_ = false;
};

}  // namespace

std::optional<TPictureFormat> PictureFormatForPath(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const TPictureFormatName& name : kPictureFormats) {
    if (extension == name.extension) return name.format;
  }
  return std::nullopt;
}

std::string PictureFormatList() {
  std::string list;
  for (const TPictureFormatName& name : kPictureFormats) list += (list.empty() ? "" : ", ") + std::string(name.extension);
  return list;
}

std::optional<std::string> PictureTargetProblem(const std::string& path) {
  if (!PictureFormatForPath(path)) return std::string(kPictureFormatMessage) + "\n" + PictureFormatList();
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ec;
  if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
    return std::string(kNoSuchFolderMessage) + "\n->" + folder.string();
  }
  return std::nullopt;
}

Result<TRenderOutcome> ExportArtwork(const TCoordinationModel& model, const std::string& path,
                                     const TRenderBackground& background, std::int32_t fitSide,
                                     const TRenderProgress& progress) {
  if (const std::optional<std::string> problem = PictureTargetProblem(path)) return Fail(*problem);
  switch (*PictureFormatForPath(path)) {
    case TPictureFormat::kPng: return ExportArtworkPng(model, path, background, fitSide, progress);
  }
  return Fail(kFileAccessMessage);  // not reached: every format has its case
}

Result<TRenderOutcome> ExportArtworkPng(const TCoordinationModel& model, const std::string& path,
                                        const TRenderBackground& background, std::int32_t fitSide,
                                        const TRenderProgress& progress) {
  if (model.LayerCount() < 1 || model.Artwork().Path().empty()) return Fail(kNoArtworkMessage);
  TPngRowSink sink(path);
  const TArtworkSession& artwork = model.Artwork();
  TRY_ASSIGN(const TRenderOutcome outcome, RenderArtwork(artwork.Path(), artwork.Document(), artwork.Layers(),
                                                         GlobalBlendTable(), background, fitSide, sink, progress));
  if (outcome == TRenderOutcome::kDone) TRY(sink.Finish());
  return outcome;
}

}  // namespace tintloom
