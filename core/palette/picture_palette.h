#pragma once
// A palette taken from a picture: its colours found by clustering in CIELAB,
// weighted by a mood.
//
// The clustering is k-means, seeded the k-means++ way but deterministically
// (each next seed is the point whose squared distance to the seeds so far,
// times its weight, is the greatest, not one drawn at random). k-means was
// chosen over median cut because its centres are the means of what they
// gather: a patch of one colour under noise comes back as that colour,
// where median cut's axis-aligned boxes split a patch or lump neighbours
// together and give the average of the box. The points are not the pixels
// but a histogram of them (5 bits a channel, each bin keeping the sums of
// its pixels), so the work and memory do not grow with the picture; a large
// picture is read on a grid of at most kMaxPictureSamples pixels.

#include <cstdint>
#include <span>
#include <vector>

#include "core/base/result.h"
#include "core/base/user_text.h"
#include "core/colour/colour.h"

namespace tintloom {

// How many colours a picture may give, and the default.
inline constexpr int kMinPictureColours = 3;
inline constexpr int kMaxPictureColours = 16;
inline constexpr int kDefaultPictureColours = 8;
// The most pixels a picture taken for its colours may have: 64 megapixels,
// 256 MiB decoded (an 8000 x 6000 photo has 48); and what a larger one is told.
inline constexpr std::int64_t kMaxPicturePixels = 64LL * 1024 * 1024;
inline constexpr const char* kPictureTooLargeProblem = TL_TEXT("tintloom", "画像が大きすぎます (%1 × %2 画素、6400 万画素まで)");
// At most this many pixels are read, on an even grid, whatever the size.
inline constexpr std::int64_t kMaxPictureSamples = 1 << 19;

// Which colours a picture's palette leans to. Each weights every pixel by
// its CIELAB lightness L* and chroma C* (see MoodWeight). The weights choose
// the seeds, so the clusters gather where the mood looks, and order the
// colours by their weighted share, largest first; each colour itself is the
// plain mean of the pixels its cluster gathers.
enum class TPictureMood : int { Colourful = 0, Bright, Muted, Deep, Dark };
inline constexpr int kPictureMoodCount = 5;

// The weight a mood gives a colour of lightness `l` (0..100) and chroma `c`.
double MoodWeight(TPictureMood mood, double l, double c);

// Decoded pixels, four bytes each in the order R, G, B, A (not
// premultiplied), rows `stride` bytes apart.
struct TPicturePixels {
  std::span<const std::uint8_t> bytes;
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::int64_t stride = 0;
};

// The picture's colours, `count` of them (clamped to 3..16) or fewer when it
// has fewer distinct ones, ordered by the mood's weighted share. Pixels less
// than half opaque are left out. The same pixels and settings always give
// the same colours. A picture with no opaque pixel (or none at all) fails
// with the problem in the user's words; pixels that do not fit `bytes` are
// a programmer's error.
Result<std::vector<TColor>> ExtractPictureColours(const TPicturePixels& pixels, int count, TPictureMood mood);

// CIELAB (D65) of an 8-bit sRGB colour, and its distance (CIE76 ΔE*ab) to
// another; for the tests and the ordering.
struct TLab {
  double l = 0, a = 0, b = 0;
};
TLab LabOfColour(TColor colour);
double DeltaE(const TLab& x, const TLab& y);

}  // namespace tintloom
