#include "core/palette/tone_snap.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tintloom {

int WholeHue(TExtended hue) {
  if (!IsFinite(hue)) return 0;
  int h = Trunc(Fmod(hue, 360.0_x));
  if (h < 0) h += 360;
  return h;
}

TColorF NearestAllowedTone(const TToneData& tones, std::uint32_t allowedTones, const TColorF& in) {
  // Without tone data nothing can be classified, so nothing is snapped; a
  // colour that is no colour at all has no cell to start from.
  if (!tones.Present() || !std::isfinite(in.h()) || !std::isfinite(in.s()) || !std::isfinite(in.v())) return in;
  const int h = WholeHue(in.h());
  // Far-out saturations and values start just outside the grid: the scan then
  // walks in from the nearest edge, as it does for any value past it.
  const auto gridStart = [](float x) { return RoundHalfUp(std::clamp(100.0_x * x, -101.0_x, 201.0_x)); };
  const int s0 = gridStart(in.s());
  const int v0 = gridStart(in.v());
  std::uint32_t bestDistance = std::numeric_limits<std::uint32_t>::max();
  int bestS = -1;
  int bestV = -1;
  const auto allowed = [&](int s, int v) {
    const int tone = tones.ToneClassAtCell(h, s, v);
    return tone >= 0 && (allowedTones >> tone & 1u) != 0;
  };
  const auto consider = [&](int s, int v) {
    const auto d = static_cast<std::uint32_t>((s - s0) * (s - s0) + (v - v0) * (v - v0));
    if (d < bestDistance) {
      bestDistance = d;
      bestS = s;
      bestV = v;
    }
  };
  const auto scanColumn = [&](int s) {
    for (int v = v0; v <= 100; ++v) {
      if (allowed(s, v)) {
        consider(s, v);
        break;
      }
    }
    for (int v = v0 - 1; v >= 0; --v) {
      if (allowed(s, v)) {
        consider(s, v);
        break;
      }
    }
  };
  for (int s = s0; s <= 100; ++s) scanColumn(s);
  for (int s = s0 - 1; s >= 0; --s) scanColumn(s);
  // No allowed cell at this hue (for instance an empty filter): keep the colour.
  if (bestS < 0) return in;
  return TColorF(in.h(), static_cast<float>(bestS / 100.0_x), static_cast<float>(bestV / 100.0_x));
}

}  // namespace tintloom
