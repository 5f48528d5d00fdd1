#pragma once
// Tone classes of every whole (hue, saturation %, value %) cell, read from the
// tone data file, and the built-in table of each tone's representative colour
// at every hue.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/colour/colour.h"
#include "core/base/result.h"

namespace tintloom {

inline constexpr int kToneCount = 17;           // 12 chromatic tones, then 5 greys
inline constexpr int kChromaticToneCount = 12;
inline constexpr std::size_t kToneDataSize = 360u * 101u * 101u;  // 3,672,360 bytes
inline constexpr const char* kToneDataFileName = "Tintloom.tid";

// Index of cell (h, s, v): hue slowest, value fastest.
constexpr std::size_t ToneCellIndex(int h, int s, int v) {
  return static_cast<std::size_t>(h) * 10201u + static_cast<std::size_t>(s) * 101u + static_cast<std::size_t>(v);
}

class TToneData {
 public:
  // Releases any previous table, then reads up to kToneDataSize bytes from
  // `path`. A short file still loads: the bytes past its end read as zero.
  // Fails with "トーンデータを開けません" when it cannot be opened.
  Result<> LoadToneData(const std::string& path);
  // Takes a table already in memory (tools and tests); the same padding rule.
  void Assign(std::vector<std::uint8_t> bytes);
  void Release();
  bool Present() const { return !block_.empty(); }

  // Without a table there is no classification: both lookups answer -1
  // ("no tone"), as they do for a cell outside the grid or a byte that is not
  // a tone class.
  int ToneClassAt(const TColorF& hsv) const;
  int ToneClassAtCell(int h, int s, int v) const;

 private:
  std::vector<std::uint8_t> block_;
};

// Representative colour of `tone` at whole hue 0..359 (built into the program).
// Other hues wrap round the circle; a tone outside 0..16 gives black.
TColor ToneColorAt(int hue, int tone);
// The same at trunc(hue + 0.5); a hue that rounds to 360 is hue 0.
TColor ToneColorAtHue(float hue, int tone);

}  // namespace tintloom
