#include "core/palette/tone_data.h"

#include <cmath>
#include <cstdio>

#include <unistd.h>

#include "core/base/file_io.h"
#include "core/base/user_text.h"

namespace tintloom {

namespace {

// trunc(x + 0.5) when that lands in 0..limit, else -1. Checked before the
// conversion, so NaN or a huge value cannot reach an int.
int RoundToCell(TExtended x, int limit) {
  const TExtended r = x + 0.5_x;
  if (!(r > -1.0_x && r < static_cast<TExtended>(limit) + 1.0_x)) return -1;
  return static_cast<int>(r);
}

}  // namespace

Result<> TToneData::LoadToneData(const std::string& path) {
  Release();
  // Opened without waiting, so a FIFO in its place is refused, not waited on.
  Result<int> opened = OpenRegularFile(path);
  std::FILE* f = opened ? ::fdopen(*opened, "rb") : nullptr;
  if (opened && f == nullptr) ::close(*opened);
  if (f == nullptr) return Fail(TL_TEXT("tintloom", "トーンデータを開けません"));
  block_.assign(kToneDataSize, 0);
  const std::size_t got = std::fread(block_.data(), 1, kToneDataSize, f);
  (void)got;  // a short file is accepted; the rest stays zero
  std::fclose(f);
  return Ok();
}

void TToneData::Assign(std::vector<std::uint8_t> bytes) {
  block_ = std::move(bytes);
  block_.resize(kToneDataSize, 0);
}

void TToneData::Release() {
  block_.clear();
  block_.shrink_to_fit();
}

int TToneData::ToneClassAtCell(int h, int s, int v) const {
  if (!Present() || h < 0 || h > 359 || s < 0 || s > 100 || v < 0 || v > 100) return -1;
  const int tone = block_[ToneCellIndex(h, s, v)];
  return tone < kToneCount ? tone : -1;
}

int TToneData::ToneClassAt(const TColorF& hsv) const {
  int h = RoundToCell(hsv.h(), 360);
  if (h == 360) h = 0;
  return ToneClassAtCell(h, RoundToCell(100.0_x * hsv.s(), 100), RoundToCell(100.0_x * hsv.v(), 100));
}

TColor ToneColorAtHue(float hue, int tone) {
  if (!std::isfinite(hue)) return ToneColorAt(0, tone);
  // Hues from the model lie in 0..360; any other is first brought into a
  // single turn (fmod also keeps a huge value within int range).
  TExtended h = Fmod(static_cast<TExtended>(hue), 360.0_x);
  if (h < 0.0_x) h += 360.0_x;
  return ToneColorAt(RoundHalfUp(h) % 360, tone);
}

}  // namespace tintloom
