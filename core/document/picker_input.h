#pragma once
// The picker's numbers: where its three sliders' pointers sit, what a slider
// position or a typed number means for the selected shade, and what it
// changes. A rule slot's base hue and saturation belong to the scheme, so
// those go there, in the form the current rule keeps them; everything else
// is the shade's own parameters.

#include <array>
#include <string>

#include "core/colour/colour.h"

namespace tintloom {

class TCoordinationModel;

// The picker's numbers and the scheme's hue and saturation steps are worked
// in extended precision (TExtended), as the figures users know were made.

enum PickerSlider : int { kHueSlider = 0, kSaturationSlider = 1, kValueSlider = 2 };

// Each slider's strip band starts 4 pixels in and is 128 pixels wide.
inline constexpr int kSliderBandLeft = 4;
inline constexpr int kSliderBandWidth = 128;

// The fraction 0..1 a slider position x stands for, in 1/128 steps.
float SliderFraction(int x);

// A typed text as a decimal integer: optional sign, then digits only; any
// other text (empty, letters, a lone sign) reads as 0.
int EditNumber(const std::string& text);
// The value a typed number stands for, exactly as typed within its range
// (a brand guide's H 100 is 100, not the slider's nearest step): the base's
// hue in degrees 0..359 (a remainder by 360; below 0 is 0), another shade's
// hue offset -180..180, saturation and value in percent as 0..1.
float TypedValue(int slider, bool baseShade, int n);
// The three numbers the edits show for a shade's parameters: the hue (or
// hue offset) rounded to the nearest degree, the saturation rounded; the
// value is scaled by 100.5 and truncated.
std::array<int, 3> EditNumbers(const TColorF& param);

// Pointer positions (the pointer image's left edge) on the 128-pixel band.
int HuePointer(float hue, bool baseShade);
int LevelPointer(float fraction);
// Whether the hue slider has nothing to offer: the base of rule slots 1..4,
// whose hue the rule derives from slot 0's.
bool HueFollowsRule(int rule, int slot, int shade);

// Whether text on a colour is written white: on dark colours (by their
// weighted brightness, 0.3 red + 0.59 green + 0.11 blue, at most 160).
bool WantsWhiteText(TColor c);

// A slider set to fraction f for the selected shade of the selected slot:
// the scheme or the shade's parameters change, nothing is redrawn.
void ApplySliderFraction(TCoordinationModel& model, int slider, float f);
// The same for a number typed into the slider's edit, kept as TypedValue
// gives it rather than as a slider step.
void ApplyTypedNumber(TCoordinationModel& model, int slider, int n);

// The tone diagram's twelve cells (left, top, right, bottom; right and bottom
// exclusive) in a panel of the given size: the chromatic tones laid out by
// brightness (rows) and clearness (columns), vivid alone on the right.
struct TToneCell {
  int left;
  int top;
  int right;
  int bottom;
};
std::array<TToneCell, 12> ToneCells(int width, int height);
// The first cell holding (x, y), or -1.
int ToneCellAt(const std::array<TToneCell, 12>& cells, int x, int y);

}  // namespace tintloom
