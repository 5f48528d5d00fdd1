#include "core/formats/palette_document.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "core/formats/byte_stream.h"
#include "core/base/file_io.h"

namespace tintloom {

namespace {

constexpr char kMagic[4] = {'T', 'L', 'P', 'L'};

void PutTriple(TByteWriter& w, const TColorF& c) {
  for (float f : c.c) w.F32LE(f);
}

void PutFloats(TByteWriter& w, const float* values, int count) {
  for (int i = 0; i < count; ++i) w.F32LE(values[i]);
}

bool TakeFloats(TFieldReader& r, float* values, int count) {
  bool all = true;
  for (int i = 0; i < count; ++i) all = r.F32LE(values[i]) && all;
  return all;
}

bool TakeTriple(TFieldReader& r, TColorF& c) { return TakeFloats(r, c.c, 3); }

}  // namespace

std::vector<std::uint8_t> EncodePaletteDocument(const TPaletteDocument& document) {
  const TScheme& scheme = document.scheme;
  TByteWriter w;
  w.bytes().reserve(kPaletteDocumentSize);
  w.Raw(std::string_view(kMagic, 4));
  w.I32LE(kPaletteDocumentVersion);
  w.I32LE(scheme.ruleIndex);
  w.U32LE(scheme.visibleSlotMask);
  w.I32LE(scheme.analogousSpread);
  w.U32LE(document.toneFilter);
  PutFloats(w, scheme.slotHues, kSlotCount);
  PutFloats(w, scheme.customHueOffsets, kRuleSlotCount);
  PutFloats(w, scheme.saturationWeights, kRuleSlotCount);
  PutFloats(w, scheme.customWeightStash, kRuleSlotCount);
  PutFloats(w, scheme.otherWeightStash, kRuleSlotCount);
  for (const TColorSlot& slot : document.colourSlots) {
    for (const TShade& shade : slot.shades) {
      PutTriple(w, shade.Param);
      PutTriple(w, shade.Hsv);
      PutTriple(w, shade.Mix);
      PutTriple(w, shade.Rgb);
      w.U32LE(shade.Color);
      w.U32LE(shade.LitColor);
    }
  }
  return w.Take();
}

Result<> DecodePaletteDocument(std::span<const std::uint8_t> bytes, TPaletteDocument& document) {
  // A file shorter than the magic cannot match it, nor one with a NUL in it.
  if (bytes.size() < 4 || std::memcmp(bytes.data(), kMagic, 4) != 0) return Fail(kDocumentDamagedMessage);
  TFieldReader r(bytes.subspan(4));
  std::int32_t version = 0;
  if (!r.I32LE(version) || version != kPaletteDocumentVersion) return Fail(kDocumentVersionMessage);
  // Every document this program writes is whole: a shorter one was cut off,
  // and half a coordination over the current one is neither.
  if (bytes.size() < kPaletteDocumentSize) return Fail(kDocumentDamagedMessage);

  TPaletteDocument read = document;
  TScheme& scheme = read.scheme;
  r.I32LE(scheme.ruleIndex);
  r.U32LE(scheme.visibleSlotMask);
  r.I32LE(scheme.analogousSpread);
  r.U32LE(read.toneFilter);
  TakeFloats(r, scheme.slotHues, kSlotCount);
  TakeFloats(r, scheme.customHueOffsets, kRuleSlotCount);
  TakeFloats(r, scheme.saturationWeights, kRuleSlotCount);
  TakeFloats(r, scheme.customWeightStash, kRuleSlotCount);
  TakeFloats(r, scheme.otherWeightStash, kRuleSlotCount);
  for (TColorSlot& slot : read.colourSlots) {
    for (TShade& shade : slot.shades) {
      TakeTriple(r, shade.Param);
      TakeTriple(r, shade.Hsv);
      TakeTriple(r, shade.Mix);
      TakeTriple(r, shade.Rgb);
      r.U32LE(shade.Color);
      r.U32LE(shade.LitColor);
    }
  }
  if (!PaletteDocumentInRange(read)) return Fail(kDocumentDamagedMessage);
  document = read;
  return Ok();
}

bool PaletteDocumentInRange(const TPaletteDocument& document) {
  const TScheme& scheme = document.scheme;
  // Fractions 0..1 come out of float arithmetic a rounding step either side.
  constexpr float kSlack = 1e-3f;
  const auto hue = [](float h) { return std::isfinite(h) && std::fabs(h) <= kMaxStoredHue; };
  const auto fraction = [](float f) { return std::isfinite(f) && f >= -kSlack && f <= 1.0f + kSlack; };
  // Saturation weights of rule slots 1..4 are offsets from slot 0's under
  // every rule but the custom one.
  const auto weight = [](float w) { return std::isfinite(w) && std::fabs(w) <= 1.0f + kSlack; };
  const auto colour = [](TColor c) { return c <= 0xFFFFFFu; };

  if (scheme.ruleIndex < 0 || scheme.ruleIndex >= kRuleCount) return false;
  // The rule's markers, or every bit before a rule was first chosen.
  if (scheme.visibleSlotMask > 0x3FFu && scheme.visibleSlotMask != 0xFFFFFFFFu) return false;
  // The analogous spread is the shorter way round between two markers.
  if (scheme.analogousSpread < 0 || scheme.analogousSpread > 180) return false;
  // Every bit of the tone filter is a tone allowed or not: no value is out of range.
  if (!std::all_of(std::begin(scheme.slotHues), std::end(scheme.slotHues), hue) ||
      !std::all_of(std::begin(scheme.customHueOffsets), std::end(scheme.customHueOffsets), hue) ||
      !fraction(scheme.saturationWeights[0]) ||
      !std::all_of(std::begin(scheme.saturationWeights), std::end(scheme.saturationWeights), weight) ||
      !std::all_of(std::begin(scheme.customWeightStash), std::end(scheme.customWeightStash), weight) ||
      !std::all_of(std::begin(scheme.otherWeightStash), std::end(scheme.otherWeightStash), weight)) {
    return false;
  }
  for (const TColorSlot& slot : document.colourSlots) {
    for (const TShade& shade : slot.shades) {
      // Param is the base's own hue, or another shade's hue offset; Hsv a
      // colour; Mix and Rgb channels.
      if (!hue(shade.Param.h()) || !fraction(shade.Param.s()) || !fraction(shade.Param.v())) return false;
      if (!hue(shade.Hsv.h()) || !fraction(shade.Hsv.s()) || !fraction(shade.Hsv.v())) return false;
      for (int c = 0; c < 3; ++c) {
        if (!fraction(shade.Mix.c[c]) || !fraction(shade.Rgb.c[c])) return false;
      }
      if (!colour(shade.Color) || !colour(shade.LitColor)) return false;
    }
  }
  return true;
}

}  // namespace tintloom
