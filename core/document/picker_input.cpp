#include "core/document/picker_input.h"

#include <cctype>
#include <cmath>

#include "core/document/coordination_model.h"

namespace tintloom {

float SliderFraction(int x) {
  const float f = static_cast<float>(x - kSliderBandLeft) * 0.0078125f;
  return f > 1.0f ? 1.0f : (f < 0.0f ? 0.0f : f);
}

int EditNumber(const std::string& text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return 0;
  long long n = 0;
  for (; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!std::isdigit(c)) return 0;
    n = n * 10 + (c - '0');
    if (n > 1000000000LL) return 0;  // not an int: reads as not a number
  }
  return static_cast<int>(negative ? -n : n);
}

float TypedValue(int slider, bool baseShade, int n) {
  const auto limit = [](int v, int low, int high) { return v < low ? low : (v > high ? high : v); };
  if (slider != kHueSlider) return static_cast<float>(limit(n, 0, 100) * 0.01_x);
  if (baseShade) return static_cast<float>(limit(n % 360, 0, 359));
  return static_cast<float>(limit(n, -180, 180));
}

std::array<int, 3> EditNumbers(const TColorF& param) {
  // Rounded to the nearest degree both ways: a hue offset of -59.06 shows as
  // -59, where adding 0.5 and truncating would show -58.
  const TExtended h = param.h();
  return {static_cast<int>(Floor(h + 0.5_x)), RoundHalfUp(static_cast<TExtended>(param.s()) * 100.0_x),
          Trunc(static_cast<TExtended>(param.v()) * 100.5_x)};
}

int HuePointer(float hue, bool baseShade) {
  const int h = std::isfinite(hue) && std::fabs(hue) < 1e6f ? Trunc(hue) : 0;
  return baseShade ? h * 128 / 360 : h * 64 / 180 + 64;
}

int LevelPointer(float fraction) {
  return std::isfinite(fraction) && std::fabs(fraction) < 1e6f
             ? Trunc(static_cast<TExtended>(fraction) * 128.0_x + 0.5_x)
             : 0;
}

bool HueFollowsRule(int rule, int slot, int shade) {
  return shade == kBase && rule != kCustomRule && slot >= 1 && slot < kRuleSlotCount;
}

bool WantsWhiteText(TColor c) {
  const double r = c & 0xFFu;
  const double g = c >> 8 & 0xFFu;
  const double b = c >> 16 & 0xFFu;
  return Trunc(0.3 * r + 0.59 * g + 0.11 * b) <= 160;
}

namespace {

// A slider's value for the selected shade of the selected slot, in the
// parameter's own units: degrees for a hue (an offset for a shade other than
// the base), 0..1 for saturation and value.
void ApplyPickerValue(TCoordinationModel& model, int slider, float value) {
  const int c = model.selectedSlot;
  if (c < 0 || c >= kSlotCount) return;
  TScheme& scheme = model.Scheme();
  const bool base = model.selectedShade == kBase;
  const bool ruleSlot = c < kRuleSlotCount;
  TColorF& param = model.SelectedShadeParams();
  switch (slider) {
    case kHueSlider:
      if (!base) {
        param.h() = value;
      } else if (c == 0 || !ruleSlot) {
        scheme.SetSlotHue(c, value);
      } else if (scheme.ruleIndex == kCustomRule) {
        scheme.SetCustomHueOffset(c, value - scheme.SlotHue(0));
      }
      // Slots 1..4 under the other rules: the hue is the rule's.
      break;
    case kSaturationSlider:
      if (base && ruleSlot) {
        scheme.SetRuleSlotSaturation(c, value);
      } else {
        param.s() = value;
      }
      break;
    case kValueSlider:
      param.v() = value;
      break;
    default:
      break;
  }
}

}  // namespace

void ApplySliderFraction(TCoordinationModel& model, int slider, float f) {
  float value = f;
  if (slider == kHueSlider) {
    // The base hue runs over 0..359, another shade's offset over -180..180.
    value = model.selectedShade == kBase ? f * 359.0f : f * 360.0f - 180.0f;
  }
  ApplyPickerValue(model, slider, value);
}

void ApplyTypedNumber(TCoordinationModel& model, int slider, int n) {
  ApplyPickerValue(model, slider, TypedValue(slider, model.selectedShade == kBase, n));
}

std::array<TToneCell, 12> ToneCells(int width, int height) {
  const int q = width / 4;
  const int t = height / 3;
  const int f = height / 4;
  const int w4 = 4 * q;
  return {{
      {3 * q, 0, w4, height},
      {2 * q, 0, 3 * q, t},
      {2 * q, t, 3 * q, 2 * t},
      {2 * q, 2 * t, 3 * q, 3 * t},
      {q, 0, 2 * q, f},
      {q, f, 2 * q, 2 * f},
      {q, 2 * f, 2 * q, 3 * f},
      {q, 3 * f, 2 * q, 4 * f},
      {0, 0, q, f},
      {0, f, q, 2 * f},
      {0, 2 * f, q, 3 * f},
      {0, 3 * f, q, 4 * f},
  }};
}

int ToneCellAt(const std::array<TToneCell, 12>& cells, int x, int y) {
  for (std::size_t t = 0; t < cells.size(); ++t) {
    const TToneCell& r = cells[t];
    if (r.left <= x && x < r.right && r.top <= y && y < r.bottom) return static_cast<int>(t);
  }
  return -1;
}

}  // namespace tintloom
