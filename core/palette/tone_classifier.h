#pragma once
// Decides the tone class of every (hue, saturation %, value %) cell: the
// contents of the tone data file. A cell belongs to the tone whose
// representative colour it looks most like, judged in CIELAB:
// - a chromatic tone is represented by its tone colour table entries around
//   the cell's hue (see kToneHueTolerance);
// - each grey stands for a stretch of the neutral axis (split at the
//   lightness midway between neighbouring greys), so a neutral or nearly
//   neutral colour is a grey of its own lightness instead of falling to
//   whichever chromatic tone happens to lie closest to a lone grey point.

#include <array>
#include <cstdint>
#include <vector>

#include "core/colour/colour.h"

namespace tintloom {

struct TLab {
  double L = 0.0;
  double a = 0.0;
  double b = 0.0;
};

// sRGB (0..1 per channel, D65) to CIELAB.
TLab RgbToLab(const TColorF& rgb);
double LabDistance(const TLab& x, const TLab& y);

// The representative colours of the chromatic tones lie up to about five
// degrees off their nominal hue (ten for the dark greyish tone, whose colours
// are nearly grey), and where two tones are close (vivid and strong around
// purple) that is enough for the neighbour to win. A chromatic tone is
// therefore compared through its entries within this many degrees either
// side of the cell's hue, so a tone's own colour classifies as that tone
// wherever its real hue puts it.
inline constexpr int kToneHueTolerance = 4;

class TToneClassifier {
 public:
  TToneClassifier();
  // Tone class 0..16 of the cell at hue 0..359, saturation and value 0..100.
  int Classify(int h, int s, int v) const;
  // Tone class 0..16 of a colour given in CIELAB, compared at hue 0..359.
  int ClassifyLab(int h, const TLab& lab) const;

 private:
  std::array<std::array<TLab, 360>, 12> toneLab_{};  // chromatic tone x hue
  std::array<double, 5> greyL_{};                     // lightness of each grey
};

// The whole tone data file: 360 x 101 x 101 tone classes in file order.
std::vector<std::uint8_t> BuildToneData();

}  // namespace tintloom
