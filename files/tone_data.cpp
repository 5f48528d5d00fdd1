#include "files/tone_data.h"

#include <cstdio>

namespace tintloom {

bool TToneData::LoadToneData(const std::string& path, TMessageSink& messages) {
  Release();
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    messages.ShowMessage("トーンデータを開けません");
    return false;
  }
  block_.assign(kToneDataSize, 0);
  const std::size_t got = std::fread(block_.data(), 1, kToneDataSize, f);
  (void)got;  // a short file is accepted; the rest stays zero
  std::fclose(f);
  return true;
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
  int h = RoundHalfUp(hsv.h());
  if (h == 360) h = 0;
  return ToneClassAtCell(h, RoundHalfUp(100.0L * hsv.s()), RoundHalfUp(100.0L * hsv.v()));
}

TColor ToneColorAtHue(float hue, int tone) {
  int h = RoundHalfUp(hue);
  if (h == 360) h = 0;
  return ToneColorAt(h, tone);
}

}  // namespace tintloom
