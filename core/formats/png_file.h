#pragma once
// A PNG file written a row at a time through libpng, so a picture of any
// size never needs to exist whole in memory. The rows go to a new file beside
// the target, which replaces the target only when the last row is on disk: a
// failed or cancelled write leaves an existing file exactly as it was.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/base/result.h"

namespace tintloom {

class TPngWriter {
 public:
  TPngWriter();
  ~TPngWriter();  // an unfinished file is removed
  TPngWriter(const TPngWriter&) = delete;
  TPngWriter& operator=(const TPngWriter&) = delete;

  // 8-bit RGB, or RGBA with `alpha`. Fails with kFileAccessMessage.
  Result<> Open(const std::string& path, std::int32_t width, std::int32_t height, bool alpha);
  // One row, top first: width x 3 (or 4) bytes, red first.
  Result<> WriteRow(const std::uint8_t* row);
  // After the last row: the file takes the target's place.
  Result<> Finish();

  struct TState;

 private:
  void Abandon();
  std::unique_ptr<TState> state_;
};

// Reads an 8-bit RGB or RGBA PNG into rows of 4 bytes per pixel (red, green,
// blue, alpha; alpha 255 for RGB). For tests and tools: it trusts libpng's
// own checks of the file.
struct TPngPicture {
  std::int32_t width = 0, height = 0;
  bool alpha = false;
  std::vector<std::uint8_t> rgba;
};
Result<TPngPicture> ReadPngFile(const std::string& path);

}  // namespace tintloom
