#pragma once
// The two vocabularies that describe a colour in words: the seventeen tone
// classes (what kind of light, dark, clear or dull colour it is) and the
// twelve hue families (which colour family it belongs to and what that
// family stands for). The texts are shown to the user exactly as they are.

#include <cstdint>
#include <string>

#include "core/colour/colour.h"

namespace tintloom {

struct TToneWords {
  const char* name;
  const char* abbreviation;
  const char* impression;  // impression words, one text
  float sampleS;           // the tone's typical saturation and value, for
  float sampleV;           // the impression presets' swatches
};

inline constexpr int kHueFamilyCount = 12;

struct THueFamily {
  const char* name;
  const char* meanings;  // what the family symbolises, one text
};

// Tone class 0..16, in tone-mask bit order. Anything else ("no tone", which a
// lookup without tone data answers) has empty texts and a black sample.
const TToneWords& ToneWords(int tone);
// Family 0..11; anything else has empty texts.
const THueFamily& HueFamily(int family);

// The family of an HSV colour (hue in degrees, as RGB-to-HSV gives it): by
// the whole degree for a colour with any saturation, by its value for a grey.
int HueFamilyOf(const TColorF& hsv);

// The information window's texts.
std::string HexCodeText(TColor c);           // "#RRGGBB", red first, upper case
std::string ToneHeadingText(int tone);        // "name [abbreviation]"; empty for no tone
std::string FamilyHeadingText(int family);    // "[name]色系が象徴するもの:"

}  // namespace tintloom
