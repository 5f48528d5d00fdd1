#pragma once
// A layered PSD file (version 1, 8-bit RGB, every channel PackBits-coded)
// written a band of rows at a time, so that neither the layers nor the
// merged picture ever exist whole in memory.
//
// A PSD keeps each layer's channels one after another, every row of one
// channel before the next channel, and each channel's row lengths before its
// rows; the merged picture likewise keeps all its red rows before its green
// ones. Rows arrive a band at a time across every layer, so each band's coded
// rows go to a scratch file beside the target (unlinked at once, so nothing
// is left behind whatever happens), and Finish lays them out in file order in
// a new file that replaces the target only when complete. Memory follows the
// band: the coded rows of one band, the row lengths (two bytes per row and
// channel) and where each band's rows went.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/base/result.h"
#include "core/base/user_text.h"

namespace tintloom {

inline constexpr const char* kPsdTooLargeMessage =
    TL_TEXT("tintloom", "PSDファイルの大きさの上限(4GB)を超えるため書き出せません");

// What a layer record says besides its pixels.
struct TPsdLayerHead {
  std::optional<std::string> name;         // the record's 8-bit name, raw bytes (at most 255 are kept)
  std::optional<std::string> unicodeName;  // UTF-8, written as the Unicode name block
  std::string blendKey = "norm";           // four characters
  bool hidden = false;
};

// One layer's rows in a band: a rectangle of document rows [top, top +
// height) and columns [left, left + width), as four planes of height x width
// bytes.
struct TPsdLayerRows {
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  const std::uint8_t* alpha = nullptr;
  const std::uint8_t* red = nullptr;
  const std::uint8_t* green = nullptr;
  const std::uint8_t* blue = nullptr;
};

// Called while Finish lays the file out, after each band's rows of a
// channel, with bytes done and bytes in all; false stops it (the target is
// left as it was).
using TPsdFinishProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

enum class TPsdFinish { kWritten, kCancelled };

class TLayeredPsdWriter {
 public:
  TLayeredPsdWriter();
  ~TLayeredPsdWriter();  // an unfinished file and the scratch file are removed
  TLayeredPsdWriter(const TLayeredPsdWriter&) = delete;
  TLayeredPsdWriter& operator=(const TLayeredPsdWriter&) = delete;

  // The document's size (1 .. 30000 a side) and its layers, bottom first.
  // Fails with kFileAccessMessage when the scratch file cannot be made.
  Result<> Open(const std::string& path, std::int32_t width, std::int32_t height, std::vector<TPsdLayerHead> layers);

  // A band's rows of layer `index`. Each layer's rectangle is the same
  // columns in every band and its bands follow each other without a gap;
  // a layer never given rows is empty. Layers may be coded at the same time
  // from different threads, each layer by one thread.
  void CodeLayerRows(std::size_t index, const TPsdLayerRows& rows);
  // The merged picture's next rows of width pixels, each pixel `step` bytes
  // apart with red, green and blue at `red`, `green`, `blue` (offsets into a
  // pixel). Called once per band; may run beside CodeLayerRows.
  void CodeMergedRows(std::span<const std::uint8_t* const> rows, std::size_t step, std::size_t red,
                      std::size_t green, std::size_t blue);
  // Puts the band's coded rows into the scratch file. Fails with
  // kFileAccessMessage.
  Result<> EndBand();

  // After the merged picture's last row: the file laid out and put in the
  // target's place. Fails with kPsdTooLargeMessage for a file the format
  // cannot hold, or kFileAccessMessage.
  Result<TPsdFinish> Finish(const TPsdFinishProgress& progress);

  struct TState;

 private:
  std::unique_ptr<TState> state_;
};

// PackBits as PSD channels use it: runs of three or more equal bytes as
// runs, the rest as literals, no piece over 128 bytes. `out` holds at least
// n + (n + 127) / 128 bytes; returns the bytes written.
std::size_t PackRow(const std::uint8_t* in, std::size_t n, std::uint8_t* out);

}  // namespace tintloom
