#include "core/palette/picture_palette.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <tuple>

#include "core/base/user_text.h"

namespace tintloom {

namespace {

constexpr int kBinBits = 5;
constexpr int kBinCount = 1 << (3 * kBinBits);
constexpr int kMaxIterations = 60;
// Pixels below this alpha are left out: the soft edge of a cut-out is mostly
// whatever lay under it, not the picture's own colour.
constexpr std::uint8_t kOpaqueAlpha = 128;

struct TBin {
  std::uint32_t count = 0;
  std::uint64_t r = 0, g = 0, b = 0;
};

struct TPoint {
  TLab lab;
  double count = 0;   // pixels in the bin
  double weight = 0;  // the pixels times the mood's weight
};

double Linear(double channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Encoded(double linear) {
  const double c = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
  return std::clamp(c * 255.0, 0.0, 255.0);
}

// D65 white.
constexpr double kWhiteX = 0.95047;
constexpr double kWhiteZ = 1.08883;
constexpr double kEpsilon = 216.0 / 24389.0;
constexpr double kKappa = 24389.0 / 27.0;

double LabF(double t) { return t > kEpsilon ? std::cbrt(t) : (kKappa * t + 16.0) / 116.0; }
double LabFInverse(double f) {
  const double t = f * f * f;
  return t > kEpsilon ? t : (116.0 * f - 16.0) / kKappa;
}

TLab LabOfRgb(double r8, double g8, double b8) {
  const double r = Linear(r8), g = Linear(g8), b = Linear(b8);
  const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / kWhiteX;
  const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
  const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / kWhiteZ;
  const double fx = LabF(x), fy = LabF(y), fz = LabF(z);
  return TLab{116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

TColor ColourOfLab(const TLab& lab) {
  const double fy = (lab.l + 16.0) / 116.0;
  const double x = LabFInverse(fy + lab.a / 500.0) * kWhiteX;
  const double y = LabFInverse(fy);
  const double z = LabFInverse(fy - lab.b / 200.0) * kWhiteZ;
  const double r = 3.2404542 * x - 1.5371385 * y - 0.4985314 * z;
  const double g = -0.9692660 * x + 1.8760108 * y + 0.0415560 * z;
  const double b = 0.0556434 * x - 0.2040259 * y + 1.0572252 * z;
  const auto byte = [](double linear) { return static_cast<TColor>(std::lround(Encoded(std::max(linear, 0.0)))); };
  return byte(r) | (byte(g) << 8) | (byte(b) << 16);
}

double Distance2(const TLab& x, const TLab& y) {
  const double dl = x.l - y.l, da = x.a - y.a, db = x.b - y.b;
  return dl * dl + da * da + db * db;
}

// The histogram of the opaque pixels read, on a grid of at most
// kMaxPictureSamples of them.
std::vector<TBin> Histogram(const TPicturePixels& pixels) {
  std::vector<TBin> bins(kBinCount);
  const std::int64_t total = pixels.width * pixels.height;
  std::int64_t step = 1;
  while (total / (step * step) > kMaxPictureSamples) ++step;
  constexpr int kShift = 8 - kBinBits;
  for (std::int64_t y = step / 2; y < pixels.height; y += step) {
    const std::uint8_t* row = pixels.bytes.data() + y * pixels.stride;
    for (std::int64_t x = step / 2; x < pixels.width; x += step) {
      const std::uint8_t* p = row + x * 4;
      if (p[3] < kOpaqueAlpha) continue;
      TBin& bin = bins[static_cast<std::size_t>(((p[0] >> kShift) << (2 * kBinBits)) | ((p[1] >> kShift) << kBinBits) |
                                                (p[2] >> kShift))];
      ++bin.count;
      bin.r += p[0];
      bin.g += p[1];
      bin.b += p[2];
    }
  }
  return bins;
}

// Seeds the k-means++ way, deterministically: the heaviest point first, then
// each time the point farthest from the seeds so far in weighted squared
// distance (the lowest index on a tie). Fewer seeds when every point sits on
// one already.
std::vector<TLab> Seeds(const std::vector<TPoint>& points, int count) {
  std::vector<TLab> seeds;
  std::size_t first = 0;
  for (std::size_t i = 1; i < points.size(); ++i) {
    if (points[i].weight > points[first].weight) first = i;
  }
  seeds.push_back(points[first].lab);
  std::vector<double> nearest(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) nearest[i] = Distance2(points[i].lab, seeds.back());
  while (static_cast<int>(seeds.size()) < count) {
    std::size_t best = 0;
    double bestScore = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
      const double score = points[i].weight * nearest[i];
      if (score > bestScore) {
        bestScore = score;
        best = i;
      }
    }
    if (bestScore <= 0) break;
    seeds.push_back(points[best].lab);
    for (std::size_t i = 0; i < points.size(); ++i) nearest[i] = std::min(nearest[i], Distance2(points[i].lab, seeds.back()));
  }
  return seeds;
}

}  // namespace

double MoodWeight(TPictureMood mood, double l, double c) {
  // Chroma counted up to a vivid colour's; lightness as a fraction.
  const double vivid = std::min(c / 80.0, 1.5);
  const double light = std::clamp(l / 100.0, 0.0, 1.0);
  // Every colour keeps some weight, so none is ever out of reach.
  constexpr double kFloor = 0.1;
  switch (mood) {
    case TPictureMood::Colourful: return kFloor + vivid;
    case TPictureMood::Bright: return kFloor + light * light * (0.5 + vivid);
    case TPictureMood::Muted: return kFloor + (1.0 - std::min(c / 60.0, 1.0)) * (1.0 - std::min(std::abs(l - 55.0) / 55.0, 1.0));
    case TPictureMood::Deep: return kFloor + vivid * (1.0 - light);
    case TPictureMood::Dark: return kFloor + (1.0 - light) * (1.0 - light);
  }
  return 1.0;
}

TLab LabOfColour(TColor colour) {
  return LabOfRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

double DeltaE(const TLab& x, const TLab& y) { return std::sqrt(Distance2(x, y)); }

Result<std::vector<TColor>> ExtractPictureColours(const TPicturePixels& pixels, int count, TPictureMood mood) {
  if (pixels.width <= 0 || pixels.height <= 0) return Fail(TL_TEXT("tintloom", "画像に画素がありません"));
  assert(pixels.stride >= pixels.width * 4);
  assert(static_cast<std::uint64_t>((pixels.height - 1) * pixels.stride + pixels.width * 4) <= pixels.bytes.size());
  count = std::clamp(count, kMinPictureColours, kMaxPictureColours);

  const std::vector<TBin> bins = Histogram(pixels);
  std::vector<TPoint> points;
  for (const TBin& bin : bins) {
    if (bin.count == 0) continue;
    const double n = bin.count;
    TPoint point;
    point.lab = LabOfRgb(static_cast<double>(bin.r) / n, static_cast<double>(bin.g) / n, static_cast<double>(bin.b) / n);
    point.count = n;
    point.weight = n * MoodWeight(mood, point.lab.l, std::hypot(point.lab.a, point.lab.b));
    points.push_back(point);
  }
  if (points.empty()) return Fail(TL_TEXT("tintloom", "画像が全部透明です"));

  std::vector<TLab> centres = Seeds(points, count);
  std::vector<std::size_t> owner(points.size(), 0);
  std::vector<double> counts(centres.size());
  std::vector<double> weights(centres.size());
  for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
    bool moved = iteration == 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
      std::size_t best = 0;
      double bestDistance = Distance2(points[i].lab, centres[0]);
      for (std::size_t k = 1; k < centres.size(); ++k) {
        const double d = Distance2(points[i].lab, centres[k]);
        if (d < bestDistance) {
          bestDistance = d;
          best = k;
        }
      }
      if (owner[i] != best) moved = true;
      owner[i] = best;
    }
    if (!moved) break;
    // Each centre is the plain mean of its pixels, so a patch comes back as
    // its own colour whatever the mood; the mood chose the seeds, and its
    // weights order the clusters.
    std::vector<TLab> sums(centres.size());
    std::fill(counts.begin(), counts.end(), 0.0);
    std::fill(weights.begin(), weights.end(), 0.0);
    for (std::size_t i = 0; i < points.size(); ++i) {
      const TPoint& p = points[i];
      TLab& s = sums[owner[i]];
      s.l += p.count * p.lab.l;
      s.a += p.count * p.lab.a;
      s.b += p.count * p.lab.b;
      counts[owner[i]] += p.count;
      weights[owner[i]] += p.weight;
    }
    // A centre left without points keeps its place: it gathers none and is
    // left out at the end.
    for (std::size_t k = 0; k < centres.size(); ++k) {
      if (counts[k] > 0) centres[k] = TLab{sums[k].l / counts[k], sums[k].a / counts[k], sums[k].b / counts[k]};
    }
  }

  // Largest weighted share first; equal shares by lightness, then a and b.
  std::vector<std::size_t> order;
  for (std::size_t k = 0; k < centres.size(); ++k) {
    if (weights[k] > 0) order.push_back(k);
  }
  std::sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
    if (weights[x] != weights[y]) return weights[x] > weights[y];
    return std::tie(centres[x].l, centres[x].a, centres[x].b) < std::tie(centres[y].l, centres[y].a, centres[y].b);
  });
  std::vector<TColor> colours;
  for (std::size_t k : order) {
    const TColor colour = ColourOfLab(centres[k]);
    if (std::find(colours.begin(), colours.end(), colour) == colours.end()) colours.push_back(colour);
  }
  return colours;
}

}  // namespace tintloom
