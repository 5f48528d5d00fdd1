#pragma once
// The palette document (.tlp): a whole coordination, the colour scheme and
// the forty shades, in 2384 little-endian bytes. Version 2 is the only one.
//
//   0    "TLPL"            4 bytes, no terminator
//   4    int32 version     2
//   8    int32 rule index, uint32 visible-slot mask, int32 analogous spread,
//        uint32 tone filter mask
//   24   float32[10] slot hues, then float32[5] x 4: custom hue offsets,
//        saturation weights, custom-rule stash, other-rule stash
//   144  40 shade records of 56 bytes, slot by slot, highlight first:
//        Param, Hsv, Mix, Rgb (3 x float32 each), Color, LitColor (uint32)

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/base/result.h"
#include "core/base/user_text.h"
#include "core/palette/colour_slots.h"
#include "core/palette/harmony_rules.h"

namespace tintloom {

inline constexpr std::size_t kPaletteDocumentSize = 2384;
inline constexpr std::int32_t kPaletteDocumentVersion = 2;

inline constexpr const char* kDocumentDamagedMessage = TL_TEXT("tintloom", "ファイルが壊れています");
inline constexpr const char* kDocumentVersionMessage = TL_TEXT("tintloom", "フォーマットバージョンがあいません");

// Everything a document holds. The scheme's previous rule is not stored.
struct TPaletteDocument {
  TScheme scheme;
  std::uint32_t toneFilter = 0xFFFFFFFFu;
  std::array<TColorSlot, kSlotCount> colourSlots{};
};

std::vector<std::uint8_t> EncodePaletteDocument(const TPaletteDocument& document);

// Reads a whole document into `document`: the magic, then the version, then
// the length and every value are checked, and a document that fails any of
// them is refused (damaged, or of another version) and changes nothing.
// Bytes past the document's end are not looked at.
Result<> DecodePaletteDocument(std::span<const std::uint8_t> bytes, TPaletteDocument& document);
// Whether every field holds a value the program itself could have written:
// a rule, a spread and slot bits it knows, finite hues within a few turns,
// saturations, values and channels 0..1, weights -1..1, colours of 24 bits.
bool PaletteDocumentInRange(const TPaletteDocument& document);

}  // namespace tintloom
