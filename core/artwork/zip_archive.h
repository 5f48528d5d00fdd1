#pragma once
// A zip file held in memory (the container of Krita and OpenRaster
// documents), read through libzip. Its entries are untrusted: each is read
// only up to the size it declares, which the caller bounds by what the
// document can use, and an entry claiming to expand further than deflate
// can (about 1032 to 1) is refused unread as a zip bomb.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/base/result.h"

namespace tintloom {

// The most one compressed byte can become: deflate's own limit, rounded up.
inline constexpr std::uint64_t kZipMaxRatio = 1100;

class TZipArchive {
 public:
  TZipArchive();
  ~TZipArchive();
  TZipArchive(const TZipArchive&) = delete;
  TZipArchive& operator=(const TZipArchive&) = delete;

  // Opens the zip in `bytes`, which must outlive the archive. `path` only
  // appears in the messages: "ファイルが壊れています" for anything that is not
  // a readable zip.
  Result<> Open(std::span<const std::uint8_t> bytes, const std::string& path);

  // The declared size of the entry named `name`, or nothing when there is
  // none.
  std::optional<std::uint64_t> EntrySize(const std::string& name) const;

  // The entry's bytes. Refused with "ファイルが壊れているか大きすぎるため開けません."
  // when it declares more than `most` bytes or more than kZipMaxRatio times
  // its compressed size, and with "ファイルが壊れています" when it is missing
  // (unless `missing_ok`, which gives an empty vector), fails its checksum,
  // or holds more or fewer bytes than it declared.
  Result<std::vector<std::uint8_t>> Read(const std::string& name, std::uint64_t most, bool missing_ok = false) const;

 private:
  struct TState;
  std::unique_ptr<TState> state_;
  std::string path_;
};

}  // namespace tintloom
