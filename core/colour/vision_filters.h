#pragma once
// Ways of looking at a picture that change only how it is shown: as its
// values alone (a grey of the same luminance), or as a viewer with one of the
// three dichromacies would see it. The filters read one surface and write
// another; the picture the program keeps, exports and picks from is never
// touched.
//
// Values: relative luminance Y with the Rec. 709 weights of the sRGB
// primaries (0.2126 R + 0.7152 G + 0.0722 B, in linear light), shown as the
// sRGB grey that gives off that same luminance. That grey has exactly the
// colour's CIE L* too, since L* is a function of Y alone, so both measures
// order and match values alike; but spreading L* evenly over the bytes would
// show a grey pixel as a different grey (128 as 137), and a value check must
// leave greys as they are.
//
// Colour vision: Machado, Oliveira and Fernandes, "A Physiologically-based
// Model for Simulation of Color Vision Deficiency", IEEE Transactions on
// Visualization and Computer Graphics 15(6), 2009, at severity 1.0
// (protanopia, deuteranopia, tritanopia). The matrices are the severity 1.0
// rows of the table the authors publish with the paper, applied to linear
// RGB. Each row sums to one, so greys stay grey.
//
// With both on, the simulation comes first: the values a dichromat sees.

#include <array>
#include <cstdint>

#include "core/colour/surface.h"

namespace tintloom {

enum class TColourVision : std::uint8_t { Normal, Protan, Deutan, Tritan };

struct TCanvasView {
  bool values = false;
  TColourVision vision = TColourVision::Normal;

  // False when the view shows every colour as it is.
  bool ChangesColours() const { return values || vision != TColourVision::Normal; }
  bool operator==(const TCanvasView&) const = default;
};

// A 3 x 3 matrix on linear (R, G, B), row by row.
using TLinearMatrix = std::array<std::array<double, 3>, 3>;
// The simulation's matrix (the identity for normal vision).
const TLinearMatrix& ColourVisionMatrix(TColourVision vision);

// The instruction set of the pixel loop this processor runs ("AVX2"...).
const char* ViewFilterInstructionSet();

// A view made ready to apply: its tables cost a few thousand multiplies, so
// keep one while the view stays the same.
class TViewFilter {
 public:
  explicit TViewFilter(TCanvasView view = {});

  const TCanvasView& View() const { return view_; }
  TRgb24 Apply(TRgb24 pixel) const;
  // `to` becomes `from` as this view shows it, at `from`'s size (created
  // anew only when the size differs). False, with `to` left empty, when a
  // surface of that size cannot be made.
  bool Apply(const TSurface& from, TSurface& to) const;
  // The rows [firstRow, endRow) of `from` into the same rows of `to`, which
  // has `from`'s size; rows may be shared among threads.
  void ApplyRows(const TSurface& from, TSurface& to, std::int32_t firstRow, std::int32_t endRow) const;

 private:
  TCanvasView view_;
  // For each input channel in memory order (blue, green, red) and each byte,
  // what it adds in linear light to the output's blue, green and red (and an
  // unused fourth lane): a pixel is three table rows summed.
  alignas(16) float contributions_[3][256][4] = {};
};

}  // namespace tintloom
