#pragma once
// Palettes from other programs brought into the swatch collection: GIMP
// palettes (.gpl), Adobe Swatch Exchange (.ase), Photoshop swatches (.aco),
// JASC palettes (.pal), hex lists (.hex, .txt) and the program's own palette
// document (.tlp).
//
// Each format has its own decoder over the file's bytes. A decoder never
// reads past its span, takes no count from the file as a size to allocate,
// and refuses the whole file when any part of it is damaged: a palette comes
// in completely or not at all. Colours it cannot read (CMYK, other colour
// spaces) are counted, not guessed at.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/colour/colour.h"
#include "core/base/result.h"
#include "core/base/user_text.h"

namespace tintloom {

// One import takes at most this many colours; the rest are counted.
inline constexpr std::size_t kMaxImportedColours = 1024;
// A palette file larger than this is refused unread.
inline constexpr std::uint64_t kMaxPaletteFileBytes = std::uint64_t{16} << 20;

// The colours of a palette file in file order, packed 0x00BBGGRR.
struct TPaletteColours {
  std::vector<TColor> colours;  // the first kMaxImportedColours
  std::size_t leftOut = 0;      // readable colours past those
  std::size_t skippedCmyk = 0;
  std::size_t skippedOther = 0;  // other colour spaces (Lab in .aco, unknown models)

  void Add(TColor colour);
};

// The decoders. A failure's message is the problem alone, in the user's
// words; the file's name is added by the caller.
//
// "GIMP Palette" first, then "Name:", "Columns:" and other header lines,
// "#" comments, blank lines and "R G B name" rows (any spaces or tabs).
Result<TPaletteColours> DecodeGimpPalette(std::span<const std::uint8_t> bytes);
// Version 1, big-endian; group blocks; RGB, Gray and LAB entries (CMYK and
// unknown models counted).
Result<TPaletteColours> DecodeSwatchExchange(std::span<const std::uint8_t> bytes);
// Version 1, optionally followed by version 2 (names), whose colours are then
// the ones taken; RGB, HSB and grayscale (others counted).
Result<TPaletteColours> DecodePhotoshopSwatches(std::span<const std::uint8_t> bytes);
// "JASC-PAL", "0100", the count, then that many "R G B" rows.
Result<TPaletteColours> DecodeJascPalette(std::span<const std::uint8_t> bytes);
// One colour a line: RRGGBB or #RRGGBB; AARRGGBB (alpha not used); lines
// starting with ";" are comments; blank lines are passed over.
Result<TPaletteColours> DecodeHexList(std::span<const std::uint8_t> bytes);

// CIE L*a*b* (L 0..100, D50) as an sRGB colour: through XYZ, adapted to D65
// with the Bradford transform; colours outside sRGB are clipped.
TColor LabToColour(double L, double a, double b);

enum class TPaletteFormat { None, Gimp, SwatchExchange, PhotoshopSwatches, Jasc, HexList, PaletteDocument };
// By the file name's extension, without regard to case.
TPaletteFormat PaletteFormatForPath(const std::string& path);
// The decoder for a format (not for None or PaletteDocument).
Result<TPaletteColours> DecodePalette(TPaletteFormat format, std::span<const std::uint8_t> bytes);

// A palette file turned into swatch lines, and what was left out of it.
struct TPaletteImport {
  std::vector<std::string> lines;
  std::string notice;  // empty when every colour came in
};

inline constexpr const char* kPaletteImportFailedMessage = TL_TEXT("tintloom", "パレットを読み込めません");

}  // namespace tintloom
