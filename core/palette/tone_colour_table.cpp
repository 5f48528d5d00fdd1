// The representative colour of each tone at each whole hue. The twelve
// chromatic tones are pinned every 30 degrees; the hues between are filled by
// linear interpolation of each channel, rounded, which moves no channel by
// more than ceil(255 / 30) = 9 between neighbouring hues. The five greys are
// the same at every hue.

#include <array>

#include "core/palette/tone_data.h"

namespace tintloom {

namespace {

// Packed 0x00BBGGRR at 0, 30, ..., 330 degrees for tones 0..11.
constexpr TColor kSamples[kChromaticToneCount][12] = {
    {0x1C1DFC, 0x007FFF, 0x00E7E7, 0x26BC71, 0x3AA53A, 0x559613, 0x808000, 0x874808, 0x891B1B, 0x7F0643, 0x730173, 0x5C00B9},
    {0x3536FC, 0x1A8CFF, 0x30EDED, 0x33BC78, 0x48A748, 0x6AA530, 0xB2B21F, 0xB07132, 0xAE6565, 0xAB6186, 0xAC59AC, 0x954DDD},
    {0x1A1BCB, 0x1074D9, 0x14B5B5, 0x1B9859, 0x328B32, 0x517A28, 0x717127, 0x865321, 0x872424, 0x832453, 0x841F84, 0x541099},
    {0x0B0CA3, 0x0252A3, 0x109090, 0x18844E, 0x307630, 0x496D26, 0x5F5E0A, 0x743E07, 0x662222, 0x631B3F, 0x5E105E, 0x430086},
    {0x7273FA, 0x6DB5FD, 0x76F0F0, 0x74D9A7, 0x7FC97F, 0x99C46F, 0xC4C466, 0xC8996A, 0xBB7F7F, 0xB87898, 0xB673B6, 0xA770DD},
    {0x5E5ECE, 0x4890D8, 0x41B1B1, 0x52B081, 0x6CAD6C, 0x7EA35A, 0x95954E, 0x92704F, 0x915858, 0x8F5673, 0x885588, 0x7D52A8},
    {0x4344B1, 0x3E71A4, 0x468686, 0x4A8065, 0x4C7C4C, 0x547335, 0x6A6A2A, 0x784C20, 0x7A3737, 0x793155, 0x782D78, 0x60348B},
    {0x2B2B69, 0x1C446C, 0x206262, 0x396851, 0x355935, 0x3C5126, 0x4D4D16, 0x503317, 0x4D2B2B, 0x4A2E3C, 0x4B304B, 0x47305D},
    {0xB6B6FA, 0xB1D6FB, 0xB3FEFE, 0xBFF7DB, 0xC7EAC7, 0xD1E8BB, 0xDEDEB4, 0xE1CAB3, 0xD8B5B5, 0xD6B2C4, 0xDBAFDB, 0xCEAFEE},
    {0xA8A8D6, 0x99B9D8, 0x9BCACA, 0x9AC2AE, 0x9FBD9F, 0xA8BA97, 0xB7B791, 0xB4A391, 0xAD9191, 0xAF95A2, 0xB599B5, 0xB39FC7},
    {0x61617E, 0x5C6D7D, 0x5A7474, 0x5B7065, 0x576E57, 0x5B6C49, 0x63633E, 0x5B4938, 0x543636, 0x523141, 0x563857, 0x5A466E},
    {0x2B2C3A, 0x313B45, 0x304040, 0x2D3B34, 0x2A372A, 0x2C3324, 0x353525, 0x322A22, 0x312424, 0x312A2E, 0x332B33, 0x322D38},
};

constexpr TColor kGreys[kToneCount - kChromaticToneCount] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};

using ToneTable = std::array<std::array<TColor, 360>, kToneCount>;

constexpr TColor Interpolate(TColor a, TColor b, int step) {
  TColor out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int ca = static_cast<int>(a >> shift & 0xFF);
    const int cb = static_cast<int>(b >> shift & 0xFF);
    // Rounded to nearest, half away from zero, in integers.
    const int delta = (cb - ca) * step;
    const int c = ca + (delta >= 0 ? (delta + 15) / 30 : -((-delta + 15) / 30));
    out |= static_cast<TColor>(c) << shift;
  }
  return out;
}

constexpr ToneTable BuildTable() {
  ToneTable table{};
  for (int tone = 0; tone < kChromaticToneCount; ++tone) {
    for (int hue = 0; hue < 360; ++hue) {
      const int sample = hue / 30;
      table[tone][hue] = Interpolate(kSamples[tone][sample], kSamples[tone][(sample + 1) % 12], hue % 30);
    }
  }
  for (int grey = 0; grey < kToneCount - kChromaticToneCount; ++grey) {
    table[kChromaticToneCount + grey].fill(kGreys[grey]);
  }
  return table;
}

constexpr ToneTable kToneColours = BuildTable();

}  // namespace

TColor ToneColorAt(int hue, int tone) {
  // "No tone" (-1, what a lookup gives without tone data) has no colour:
  // black, rather than a read outside the table.
  if (tone < 0 || tone >= kToneCount) return 0;
  const int h = (hue % 360 + 360) % 360;
  return kToneColours[static_cast<std::size_t>(tone)][static_cast<std::size_t>(h)];
}

}  // namespace tintloom
