#include "tools/skin_art.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace tintloom {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Each pixel is the mean of kSub x kSub samples spread evenly over it, which
// anti-aliases every edge the same way.
constexpr int kSub = 8;

// Average of f over the pixel whose top-left corner is (x, y).
double PixelMean(double x, double y, const std::function<double(double, double)>& f) {
  double sum = 0.0;
  for (int j = 0; j < kSub; ++j) {
    for (int i = 0; i < kSub; ++i) sum += f(x + (i + 0.5) / kSub, y + (j + 0.5) / kSub);
  }
  return sum / (kSub * kSub);
}

std::uint8_t ToByte(double unit) { return static_cast<std::uint8_t>(std::clamp(unit, 0.0, 1.0) * 255.0 + 0.5); }

void PutGrey(TSurface& s, std::int32_t x, std::int32_t y, double unit) {
  const std::uint8_t g = ToByte(unit);
  s.At(x, y) = TRgb24{g, g, g};
}

// A mask of size n: a disc (inner radius 0) or a ring, centred on the middle
// of pixel (n / 2, n / 2). The hue window places an n-pixel mask at
// (x - n / 2, y - n / 2) to centre it on the pixel (x, y), so that is the
// pixel the shape must surround.
void PaintRing(TSurface& s, std::int32_t left, std::int32_t top, std::int32_t n, double inner, double outer) {
  const double c = n / 2 + 0.5;
  for (std::int32_t y = 0; y < n; ++y) {
    for (std::int32_t x = 0; x < n; ++x) {
      const double cover = PixelMean(x, y, [&](double px, double py) {
        const double r = std::hypot(px - c, py - c);
        return r >= inner && r <= outer ? 1.0 : 0.0;
      });
      PutGrey(s, left + x, top + y, cover);
    }
  }
}

// Fully saturated colour of hue h (degrees, fractional) at saturation sat and
// value 1, without the whole-degree steps of the program's conversion, so
// the wheel has no visible spokes.
void WheelColour(double h, double sat, double rgb[3]) {
  const double sector = std::fmod(std::fmod(h, 360.0) + 360.0, 360.0) / 60.0;
  const int i = static_cast<int>(sector) % 6;
  const double f = sector - std::floor(sector);
  const double p = 1.0 - sat;
  const double q = 1.0 - sat * f;
  const double t = 1.0 - sat * (1.0 - f);
  const double table[6][3] = {{1, t, p}, {q, 1, p}, {p, 1, t}, {p, q, 1}, {t, p, 1}, {1, p, q}};
  for (int k = 0; k < 3; ++k) rgb[k] = table[i][k];
}

// ---- The picker preview: a sphere lit from the upper left ----
//
// The shading mask is read through the picker's ramp: 0..70 deep shadow,
// 71..190 shadow to base, 191..255 base to highlight. So the mask is a map of
// "how lit" rather than a grey picture: 255 is the highlight colour itself.

struct TVec {
  double x, y, z;
};
TVec Normalised(TVec v) {
  const double n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return {v.x / n, v.y / n, v.z / n};
}
double Dot(TVec a, TVec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Sphere in mask pixels; y grows downwards, z towards the viewer.
constexpr double kSphereX = 64.0;
constexpr double kSphereY = 60.0;
constexpr double kSphereR = 48.0;
const TVec kLight = Normalised({-0.6, -0.75, 0.75});       // key light, upper left
const TVec kBounce = Normalised({0.45, 0.85, -0.15});      // light thrown back by the floor
const TVec kHalfway = Normalised({kLight.x, kLight.y, kLight.z + 1.0});  // key light and eye

// Unit normal of the sphere at (x, y), or false outside it.
bool SphereNormal(double x, double y, TVec& n) {
  const double nx = (x - kSphereX) / kSphereR;
  const double ny = (y - kSphereY) / kSphereR;
  const double zz = 1.0 - nx * nx - ny * ny;
  if (zz < 0.0) return false;
  n = {nx, ny, std::sqrt(zz)};
  return true;
}

double SmoothStep(double e0, double e1, double x) {
  const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

// Ramp position 0..255 of the sphere's surface with normal n.
double SphereTone(const TVec& n) {
  const double d = Dot(n, kLight);
  if (d >= 0.0) {
    // Lit side: the shadow colour at the terminator, base over most of the
    // lit half, the highlight colour only where the light falls square on.
    constexpr double kBaseFrom = 0.3;
    if (d < kBaseFrom) return 71.0 + 120.0 * SmoothStep(0.0, kBaseFrom, d);
    return 191.0 + 64.0 * std::pow((d - kBaseFrom) / (1.0 - kBaseFrom), 1.8);
  }
  // Turned away: the shadow colour deepens to the deep shadow, then a little
  // light thrown back from the floor lifts the lower right rim again.
  const double core = 70.0 * (1.0 - SmoothStep(0.0, 0.3, -d));
  const double bounce = 48.0 * std::pow(std::max(0.0, Dot(n, kBounce)), 2.0);
  return std::min(70.0, std::max(core, bounce));
}

// Ramp position of the backdrop: between shadow and base, so both the lit
// and the shadowed side of the sphere stand out from it, a little lighter at
// the top, with the sphere's soft shadow on the floor to the lower right.
double BackdropTone(double x, double y) {
  const double wall = 160.0 - 22.0 * (y / kShadingMask.height);
  const double sx = (x - (kSphereX + 14.0)) / (kSphereR * 1.05);
  const double sy = (y - (kSphereY + kSphereR - 4.0)) / (kSphereR * 0.28);
  const double shadow = std::exp(-(sx * sx + sy * sy) * 1.6);
  return wall - 95.0 * shadow;
}

double ShadingAt(double x, double y) {
  TVec n{};
  return SphereNormal(x, y, n) ? SphereTone(n) : BackdropTone(x, y);
}

double GlossAt(double x, double y) {
  TVec n{};
  if (!SphereNormal(x, y, n)) return 0.0;
  // A soft Blinn-Phong highlight, not a hard white spot.
  return 0.85 * std::pow(std::max(0.0, Dot(n, kHalfway)), 36.0);
}

}  // namespace

double WheelHue(double dx, double dy) {
  double h = std::atan2(dx, -dy) * 180.0 / kPi;
  if (h < 0.0) h += 360.0;
  return h;
}

void PaintMarkerMasks(TSurface& s, std::int32_t left, std::int32_t top) {
  // The largest mask is a ring: it is drawn last, on top of the base
  // marker, to tell it from the others, and must not cover the colour.
  PaintRing(s, left + kMarkerMask20.left, top + kMarkerMask20.top, kMarkerMask20.width, 7.9, 9.5);
  for (const TSkinRect& r : {kMarkerMask16, kMarkerMask12, kMarkerMask8}) {
    PaintRing(s, left + r.left, top + r.top, r.width, 0.0, r.width / 2.0 - 0.5);
  }
}

void PaintHueWheel(TSurface& s, std::int32_t left, std::int32_t top) {
  // Picture pixel (i, j) has its centre at (i - 85, j - 85) from the wheel's
  // centre: the hue window draws the picture at (4, 4) and computes with
  // the centre 89 (pixel 89's middle is 89.5).
  const double centre = kWheelPicture.width / 2.0;  // 85.5, in picture coordinates
  const TRgb24 bg = ToRgb24(kToolBackground);
  const double back[3] = {bg.red / 255.0, bg.green / 255.0, bg.blue / 255.0};
  for (std::int32_t j = 0; j < kWheelPicture.height; ++j) {
    for (std::int32_t i = 0; i < kWheelPicture.width; ++i) {
      const double dx = i + 0.5 - centre;
      const double dy = j + 0.5 - centre;
      const double cover = PixelMean(i, j, [&](double px, double py) {
        return std::hypot(px - centre, py - centre) <= kWheelDiscRadius ? 1.0 : 0.0;
      });
      double rgb[3];
      WheelColour(WheelHue(dx, dy), std::min(1.0, std::hypot(dx, dy) / kWheelSaturationRadius), rgb);
      for (int k = 0; k < 3; ++k) rgb[k] = back[k] + cover * (rgb[k] - back[k]);
      s.At(left + i, top + j) = TRgb24{ToByte(rgb[2]), ToByte(rgb[1]), ToByte(rgb[0])};
    }
  }
}

void PaintShadingMask(TSurface& s, std::int32_t left, std::int32_t top) {
  for (std::int32_t y = 0; y < kShadingMask.height; ++y) {
    for (std::int32_t x = 0; x < kShadingMask.width; ++x) {
      PutGrey(s, left + x, top + y, PixelMean(x, y, ShadingAt) / 255.0);
    }
  }
}

void PaintGlossMask(TSurface& s, std::int32_t left, std::int32_t top) {
  for (std::int32_t y = 0; y < kGlossMask.height; ++y) {
    for (std::int32_t x = 0; x < kGlossMask.width; ++x) PutGrey(s, left + x, top + y, PixelMean(x, y, GlossAt));
  }
}

void PaintSkin(TSurface& skin) {
  skin.Create(kSkinWidth, kSkinHeight);
  FillAll(skin, 0x000000);
  PaintMarkerMasks(skin, 0, 0);
  PaintHueWheel(skin, kWheelPicture.left, kWheelPicture.top);
  PaintShadingMask(skin, kShadingMask.left, kShadingMask.top);
  PaintGlossMask(skin, kGlossMask.left, kGlossMask.top);
}

}  // namespace tintloom
