#include "core/formats/swatch_exports.h"

#include <cassert>
#include <cstdio>

#include "core/formats/byte_stream.h"
#include "core/formats/shift_jis.h"

namespace tintloom {

namespace {

// The name's UTF-16 units and the terminator, counted in the length.
std::u16string StoredName(const std::string& name) {
  std::u16string units = ShiftJisToUtf16(name, kMaxExportNameUnits);
  units.push_back(u'\0');
  return units;
}

void PutUtf16(TByteWriter& w, const std::u16string& units) {
  for (char16_t u : units) w.U16BE(static_cast<std::uint16_t>(u));
}

void PutAcoColour(TByteWriter& w, const TRgb24& c) {
  w.U16BE(0);  // RGB
  w.U16BE(static_cast<std::uint16_t>(c.red * 257));
  w.U16BE(static_cast<std::uint16_t>(c.green * 257));
  w.U16BE(static_cast<std::uint16_t>(c.blue * 257));
  w.U16BE(0);
}

void PutLine(TByteWriter& w, const std::string& line) {
  w.Raw(line);
  w.Raw("\r\n");
}

}  // namespace

std::vector<std::uint8_t> EncodeAco(const TExportColours& list) {
  assert(list.names.size() >= list.colours.size());
  const auto count = static_cast<std::uint16_t>(list.colours.size());
  TByteWriter w;
  w.U16BE(1);
  w.U16BE(count);
  for (const TRgb24& c : list.colours) PutAcoColour(w, c);
  w.U16BE(2);
  w.U16BE(count);
  for (std::size_t i = 0; i < list.colours.size(); ++i) {
    PutAcoColour(w, list.colours[i]);
    const std::u16string name = StoredName(list.names[i]);
    w.U32BE(static_cast<std::uint32_t>(name.size()));
    PutUtf16(w, name);
  }
  return w.Take();
}

std::vector<std::uint8_t> EncodeAse(const TExportColours& list) {
  assert(list.names.size() >= list.colours.size());
  TByteWriter w;
  w.Raw("ASEF");
  w.U16BE(1);
  w.U16BE(0);
  w.U32BE(static_cast<std::uint32_t>(list.colours.size()));
  for (std::size_t i = 0; i < list.colours.size(); ++i) {
    const TRgb24& c = list.colours[i];
    const std::u16string name = StoredName(list.names[i]);
    w.U16BE(0x0001);  // colour entry
    w.U32BE(static_cast<std::uint32_t>(2 * name.size() + 20));
    w.U16BE(static_cast<std::uint16_t>(name.size()));
    PutUtf16(w, name);
    w.Raw("RGB ");
    const TExtended kInv255 = 1.0_x / 255.0_x;
    for (std::uint8_t byte : {c.red, c.green, c.blue}) w.F32BE(static_cast<float>(byte * kInv255));
    w.U16BE(2);
  }
  return w.Take();
}

std::vector<std::uint8_t> EncodeColorSet(const TExportColours& list) {
  assert(list.names.size() >= list.colours.size());
  TByteWriter w;
  for (const char* header : {"ROWS 1", "", "WIDTH 24", "HEIGHT 24", "TEXTHEIGHT 0", "MODIFIED 0", "SPACING 1"}) {
    PutLine(w, *header != '\0' ? header : "COLS " + std::to_string(list.colours.size()));
  }
  for (std::size_t i = 0; i < list.colours.size(); ++i) {
    const TRgb24& c = list.colours[i];
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "R: %03d, G:%03d, B:%03d HV:0.00, SV:0.00, VV:0.00 ", c.red, c.green,
                  c.blue);
    PutLine(w, numbers + list.names[i]);
  }
  return w.Take();
}

std::vector<std::uint8_t> EncodeGimpPalette(const TExportColours& list, const std::string& paletteName) {
  assert(list.names.size() >= list.colours.size());
  TByteWriter w;
  w.Raw("GIMP Palette\n");
  // The name is one line whatever the file was called.
  std::string name = paletteName;
  for (char& ch : name) {
    if (ch == '\r' || ch == '\n') ch = ' ';
  }
  w.Raw("Name: " + name + "\n");
  w.Raw("Columns: 4\n");
  w.Raw("#\n");
  for (std::size_t i = 0; i < list.colours.size(); ++i) {
    const TRgb24& c = list.colours[i];
    char numbers[32];
    std::snprintf(numbers, sizeof numbers, "%3d %3d %3d\t", c.red, c.green, c.blue);
    w.Raw(numbers);
    w.Raw(ShiftJisToUtf8(list.names[i]));
    w.Raw("\n");
  }
  return w.Take();
}

}  // namespace tintloom
