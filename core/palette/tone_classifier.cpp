#include "core/palette/tone_classifier.h"

#include <cmath>
#include <limits>

#include "core/palette/tone_data.h"

namespace tintloom {

namespace {

double SrgbToLinear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

double LabF(double t) {
  constexpr double kDelta = 6.0 / 29.0;
  return t > kDelta * kDelta * kDelta ? std::cbrt(t) : t / (3.0 * kDelta * kDelta) + 4.0 / 29.0;
}

// Distance from a colour to the stretch [low, high] of the neutral axis.
double DistanceToNeutral(const TLab& lab, double low, double high) {
  const double dL = lab.L < low ? low - lab.L : (lab.L > high ? lab.L - high : 0.0);
  return std::sqrt(dL * dL + lab.a * lab.a + lab.b * lab.b);
}

}  // namespace

TLab RgbToLab(const TColorF& rgb) {
  const double r = SrgbToLinear(rgb.r());
  const double g = SrgbToLinear(rgb.g());
  const double b = SrgbToLinear(rgb.b());
  // sRGB primaries, D65 white.
  const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
  const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
  const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
  const double fx = LabF(x);
  const double fy = LabF(y);
  const double fz = LabF(z);
  return TLab{116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

double LabDistance(const TLab& x, const TLab& y) {
  const double dL = x.L - y.L;
  const double da = x.a - y.a;
  const double db = x.b - y.b;
  return std::sqrt(dL * dL + da * da + db * db);
}

TToneClassifier::TToneClassifier() {
  for (int tone = 0; tone < kChromaticToneCount; ++tone) {
    for (int hue = 0; hue < 360; ++hue) {
      toneLab_[static_cast<std::size_t>(tone)][static_cast<std::size_t>(hue)] =
          RgbToLab(UnpackColour(ToneColorAt(hue, tone)));
    }
  }
  for (int grey = 0; grey < kToneCount - kChromaticToneCount; ++grey) {
    greyL_[static_cast<std::size_t>(grey)] = RgbToLab(UnpackColour(ToneColorAt(0, kChromaticToneCount + grey))).L;
  }
}

int TToneClassifier::ClassifyLab(int h, const TLab& lab) const {
  int best = kToneCount - 1;
  double bestDistance = std::numeric_limits<double>::max();
  // Greys first, from white down: on an exact tie the grey wins, since a
  // colour as close to the neutral axis as to any tone colour reads as grey.
  constexpr double kBelowAll = -std::numeric_limits<double>::max();
  constexpr double kAboveAll = std::numeric_limits<double>::max();
  for (std::size_t grey = 0; grey < greyL_.size(); ++grey) {
    const double high = grey == 0 ? kAboveAll : (greyL_[grey - 1] + greyL_[grey]) / 2.0;
    const double low = grey + 1 == greyL_.size() ? kBelowAll : (greyL_[grey] + greyL_[grey + 1]) / 2.0;
    const double d = DistanceToNeutral(lab, low, high);
    if (d < bestDistance) {
      bestDistance = d;
      best = kChromaticToneCount + static_cast<int>(grey);
    }
  }
  for (int tone = 0; tone < kChromaticToneCount; ++tone) {
    const auto& row = toneLab_[static_cast<std::size_t>(tone)];
    for (int dh = -kToneHueTolerance; dh <= kToneHueTolerance; ++dh) {
      const int hue = ((h + dh) % 360 + 360) % 360;
      const double d = LabDistance(lab, row[static_cast<std::size_t>(hue)]);
      if (d < bestDistance) {
        bestDistance = d;
        best = tone;
      }
    }
  }
  return best;
}

int TToneClassifier::Classify(int h, int s, int v) const {
  const TColorF rgb = HsvToRgb(TColorF(static_cast<float>(h), static_cast<float>(s) / 100.0f,
                                       static_cast<float>(v) / 100.0f));
  return ClassifyLab(h, RgbToLab(rgb));
}

std::vector<std::uint8_t> BuildToneData() {
  const TToneClassifier classifier;
  std::vector<std::uint8_t> data(kToneDataSize);
  for (int h = 0; h < 360; ++h) {
    for (int s = 0; s <= 100; ++s) {
      for (int v = 0; v <= 100; ++v) {
        data[ToneCellIndex(h, s, v)] = static_cast<std::uint8_t>(classifier.Classify(h, s, v));
      }
    }
  }
  return data;
}

}  // namespace tintloom
