#pragma once
// Names in the exports are Japanese text in Shift-JIS (code page 932), the
// form the colour-set file stores; the Adobe formats want UTF-16 and GIMP
// palettes UTF-8. Conversions go through the system's iconv (CP932).

#include <cstddef>
#include <string>
#include <string_view>

namespace tintloom {

// "カスタムカラー" in Shift-JIS: the name every exported colour gets.
inline constexpr std::string_view kCustomColourName = "\x83\x4A\x83\x58\x83\x5E\x83\x80\x83\x4A\x83\x89\x81\x5B";

// Shift-JIS to UTF-16 code units, at most maxUnits of them (a
// character cut in two by the limit is left out). A byte sequence
// that is not Shift-JIS becomes U+FFFD and conversion goes on after it.
std::u16string ShiftJisToUtf16(std::string_view text, std::size_t maxUnits);
// Shift-JIS to UTF-8, bad sequences as U+FFFD.
std::string ShiftJisToUtf8(std::string_view text);

}  // namespace tintloom
