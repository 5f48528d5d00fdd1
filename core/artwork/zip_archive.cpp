#include "core/artwork/zip_archive.h"

#include <zip.h>

#include <exception>

#include "core/artwork/psd_file.h"
#include "core/base/user_text.h"

namespace tintloom {

struct TZipArchive::TState {
  zip_t* zip = nullptr;
  ~TState() {
    if (zip != nullptr) zip_discard(zip);
  }
};

TZipArchive::TZipArchive() : state_(std::make_unique<TState>()) {}
TZipArchive::~TZipArchive() = default;

namespace {

constexpr const char* kDamaged = TL_TEXT("tintloom", "ファイルが壊れています");
constexpr const char* kDamagedOrLarge = TL_TEXT("tintloom", "ファイルが壊れているか大きすぎるため開けません.");

}  // namespace

Result<> TZipArchive::Open(std::span<const std::uint8_t> bytes, const std::string& path) {
  path_ = path;
  if (state_->zip != nullptr) {
    zip_discard(state_->zip);
    state_->zip = nullptr;
  }
  zip_error_t error;
  zip_error_init(&error);
  // The buffer is not freed by libzip (the last argument): it is the caller's.
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  if (source == nullptr) {
    zip_error_fini(&error);
    return Fail(WithPath(kDamaged, path_));
  }
  // The central directory checked against the local headers as well.
  state_->zip = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
  zip_error_fini(&error);
  if (state_->zip == nullptr) {
    zip_source_free(source);
    return Fail(WithPath(kDamaged, path_));
  }
  return Ok();
}

std::optional<std::uint64_t> TZipArchive::EntrySize(const std::string& name) const {
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (state_->zip == nullptr || zip_stat(state_->zip, name.c_str(), 0, &stat) != 0 ||
      (stat.valid & ZIP_STAT_SIZE) == 0) {
    return std::nullopt;
  }
  return stat.size;
}

Result<std::vector<std::uint8_t>> TZipArchive::Read(const std::string& name, std::uint64_t most,
                                                    bool missing_ok) const {
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (state_->zip == nullptr || zip_stat(state_->zip, name.c_str(), 0, &stat) != 0) {
    if (missing_ok) return std::vector<std::uint8_t>{};
    return Fail(WithPath(kDamaged, path_));
  }
  if ((stat.valid & ZIP_STAT_SIZE) == 0 || (stat.valid & ZIP_STAT_COMP_SIZE) == 0) {
    return Fail(WithPath(kDamaged, path_));
  }
  // Sizes are checked before anything is allocated or inflated.
  if (stat.size > most || stat.size > stat.comp_size * kZipMaxRatio + 64) return Fail(WithPath(kDamagedOrLarge, path_));
  std::vector<std::uint8_t> out;
  try {
    out.resize(static_cast<std::size_t>(stat.size) + 1);
  } catch (const std::exception&) {
    return Fail(WithPath(TL_TEXT("tintloom", "メモリが足りないためファイルを開けません."), path_));
  }
  zip_file_t* file = zip_fopen_index(state_->zip, stat.index, 0);
  if (file == nullptr) return Fail(WithPath(kDamaged, path_));
  // One byte more than declared is asked for: an entry that holds more than
  // it says is damaged, and is not read past that byte.
  std::uint64_t got = 0;
  while (got < out.size()) {
    const zip_int64_t n = zip_fread(file, out.data() + got, out.size() - got);
    if (n < 0) {
      zip_fclose(file);
      return Fail(WithPath(kDamaged, path_));
    }
    if (n == 0) break;
    got += static_cast<std::uint64_t>(n);
  }
  // Closing reports a checksum that does not match.
  const int closed = zip_fclose(file);
  if (got != stat.size || closed != 0) return Fail(WithPath(kDamaged, path_));
  out.pop_back();
  return out;
}

}  // namespace tintloom
