#include "core/formats/palette_import.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "core/base/file_io.h"
#include "core/base/user_text.h"
#include "core/formats/palette_document.h"
#include "core/formats/swatch_file.h"

namespace tintloom {

namespace {

constexpr const char* kTruncatedProblem = TL_TEXT("tintloom", "ファイルが途中で切れています");

std::string Numbered(std::size_t n, const char* text) { return FillText(text, n); }

TColor PackBytes(unsigned r, unsigned g, unsigned b) { return r | g << 8 | b << 16; }

// A fraction 0..1 as a byte, rounded; anything below 0 (or no number at
// all, as far-out L*a*b* values can give) is 0, anything above 1 is 255.
unsigned UnitByte(double f) {
  if (!(f > 0.0)) return 0;
  if (f >= 1.0) return 255;
  return static_cast<unsigned>(f * 255.0 + 0.5);
}

Result<> RefuseOversized(std::span<const std::uint8_t> bytes) {
  if (bytes.size() > kMaxPaletteFileBytes) return Fail(TL_TEXT("tintloom", "ファイルが大きすぎます（16 MB まで）"));
  return Ok();
}

// ---------------------------------------------------------------- text

// The lines of a text file: CR, LF and CR LF end a line; a UTF-8 byte order
// mark at the start is not part of the first line.
class TTextLines {
 public:
  explicit TTextLines(std::span<const std::uint8_t> bytes)
      : text_(reinterpret_cast<const char*>(bytes.data()), bytes.size()) {
    if (text_.starts_with("\xEF\xBB\xBF")) text_.remove_prefix(3);
  }
  // The next line and its number (from 1); false at the end.
  bool Next(std::string_view& line, std::size_t& number) {
    if (pos_ >= text_.size()) return false;
    const std::size_t end = text_.find_first_of("\r\n", pos_);
    if (end == std::string_view::npos) {
      line = text_.substr(pos_);
      pos_ = text_.size();
    } else {
      line = text_.substr(pos_, end - pos_);
      pos_ = end + 1;
      if (text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    }
    number = ++number_;
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t number_ = 0;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A run of decimal digits at the front of s, taken off it. Empty: false.
// More than nine digits read as a value past any range.
bool TakeNumber(std::string_view& s, std::uint32_t& value) {
  std::size_t n = 0;
  std::uint64_t v = 0;
  while (n < s.size() && IsDigit(s[n])) {
    if (v < 1000000000u) v = v * 10 + static_cast<std::uint64_t>(s[n] - '0');
    ++n;
  }
  if (n == 0) return false;
  value = v < 1000000000u ? static_cast<std::uint32_t>(v) : 1000000000u;
  s.remove_prefix(n);
  return true;
}

enum class TRowRead { Ok, NotARow, OutOfRange };

// "R G B" at the front of a line (blanks between and before), each 0..255;
// what follows the third number must start with a blank, or be nothing.
// At most `extra` further numbers (an alpha) may follow when `rest` is null.
TRowRead ReadRgbRow(std::string_view s, TColor& colour, std::string_view* rest, int extra) {
  std::uint32_t v[3];
  for (std::uint32_t& x : v) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    if (!TakeNumber(s, x)) return TRowRead::NotARow;
    if (!s.empty() && !IsBlank(s.front())) return TRowRead::NotARow;
  }
  if (rest != nullptr) {
    *rest = s;
  } else {
    for (int i = 0; i < extra; ++i) {
      while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
      std::uint32_t ignored;
      if (!s.empty() && (!TakeNumber(s, ignored) || (!s.empty() && !IsBlank(s.front())))) return TRowRead::NotARow;
    }
    if (!Trim(s).empty()) return TRowRead::NotARow;
  }
  if (v[0] > 255 || v[1] > 255 || v[2] > 255) return TRowRead::OutOfRange;
  colour = PackBytes(v[0], v[1], v[2]);
  return TRowRead::Ok;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// ---------------------------------------------------------------- binary

// Big-endian fields taken in order from a span; a field the span does not
// hold completely is not taken.
class TBigEndianReader {
 public:
  explicit TBigEndianReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::size_t Remaining() const { return bytes_.size() - pos_; }
  bool U16(std::uint16_t& out) {
    if (Remaining() < 2) return false;
    out = static_cast<std::uint16_t>(bytes_[pos_] << 8 | bytes_[pos_ + 1]);
    pos_ += 2;
    return true;
  }
  bool U32(std::uint32_t& out) {
    if (Remaining() < 4) return false;
    out = static_cast<std::uint32_t>(bytes_[pos_]) << 24 | static_cast<std::uint32_t>(bytes_[pos_ + 1]) << 16 |
          static_cast<std::uint32_t>(bytes_[pos_ + 2]) << 8 | bytes_[pos_ + 3];
    pos_ += 4;
    return true;
  }
  bool F32(float& out) {
    std::uint32_t v;
    if (!U32(v)) return false;
    out = std::bit_cast<float>(v);
    return true;
  }
  // The next n bytes as a span of their own (n counted in 64 bits).
  bool Take(std::uint64_t n, std::span<const std::uint8_t>& out) {
    if (n > Remaining()) return false;
    out = bytes_.subspan(pos_, static_cast<std::size_t>(n));
    pos_ += static_cast<std::size_t>(n);
    return true;
  }
  bool Skip(std::uint64_t n) {
    std::span<const std::uint8_t> ignored;
    return Take(n, ignored);
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

// ---------------------------------------------------------------- .ase

std::string BlockProblem(std::size_t block, const char* text) {
  return FillText(text, block + 1);
}

Result<> ReadSwatchExchangeColour(std::span<const std::uint8_t> block, std::size_t index, TPaletteColours& out) {
  TBigEndianReader r(block);
  std::uint16_t nameUnits = 0;
  char model[4];
  std::span<const std::uint8_t> modelBytes;
  if (!r.U16(nameUnits) || !r.Skip(std::uint64_t{2} * nameUnits) || !r.Take(4, modelBytes)) {
    return Fail(BlockProblem(index, TL_TEXT("tintloom", "ブロック %1 の長さが中身に足りません")));
  }
  std::memcpy(model, modelBytes.data(), 4);
  const std::string_view name(model, 4);
  int count = 0;
  if (name == "RGB " || name == "LAB ") {
    count = 3;
  } else if (name == "CMYK") {
    count = 4;
  } else if (name == "Gray") {
    count = 1;
  } else {
    ++out.skippedOther;
    return Ok();
  }
  float v[4] = {0, 0, 0, 0};
  for (int i = 0; i < count; ++i) {
    if (!r.F32(v[i])) return Fail(BlockProblem(index, TL_TEXT("tintloom", "ブロック %1 の長さが中身に足りません")));
    if (!std::isfinite(v[i])) return Fail(BlockProblem(index, TL_TEXT("tintloom", "ブロック %1 の色の値が数ではありません")));
  }
  if (name == "RGB ") {
    out.Add(PackBytes(UnitByte(v[0]), UnitByte(v[1]), UnitByte(v[2])));
  } else if (name == "LAB ") {
    out.Add(LabToColour(100.0 * v[0], v[1], v[2]));
  } else if (name == "Gray") {
    const unsigned g = UnitByte(v[0]);
    out.Add(PackBytes(g, g, g));
  } else {
    ++out.skippedCmyk;
  }
  return Ok();
}

// ---------------------------------------------------------------- .aco

// One section of a swatch file: the count, then the colour records, each
// followed by its name in version 2.
Result<TPaletteColours> ReadPhotoshopSection(TBigEndianReader& r, int version) {
  TPaletteColours out;
  std::uint16_t count = 0;
  if (!r.U16(count)) return Fail(kTruncatedProblem);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint16_t space = 0;
    std::uint16_t w = 0;
    std::uint16_t x = 0;
    std::uint16_t y = 0;
    std::uint16_t z = 0;
    if (!r.U16(space) || !r.U16(w) || !r.U16(x) || !r.U16(y) || !r.U16(z)) return Fail(kTruncatedProblem);
    if (version == 2) {
      std::uint32_t nameUnits = 0;
      if (!r.U32(nameUnits) || !r.Skip(std::uint64_t{2} * nameUnits)) return Fail(kTruncatedProblem);
    }
    switch (space) {
      case 0:  // RGB, 0..65535 each
        out.Add(PackBytes((w * 255u + 32767u) / 65535u, (x * 255u + 32767u) / 65535u, (y * 255u + 32767u) / 65535u));
        break;
      case 1:  // HSB, hue 0..65535 for a whole turn
        out.Add(PackColour(HsvToRgb(TColorF(static_cast<float>(w * 360.0 / 65535.0), static_cast<float>(x / 65535.0),
                                           static_cast<float>(y / 65535.0)))));
        break;
      case 8: {  // grayscale as an amount of black, 0..10000
        const unsigned g = UnitByte(1.0 - std::min<double>(w, 10000.0) / 10000.0);
        out.Add(PackBytes(g, g, g));
        break;
      }
      case 2:  // CMYK
      case 9:  // wide CMYK
        ++out.skippedCmyk;
        break;
      default:
        ++out.skippedOther;
        break;
    }
  }
  return out;
}

std::string Extension(const std::string& path) {
  std::string name = std::filesystem::path(path).filename().string();
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return "";
  std::string extension = name.substr(dot);
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension;
}


}  // namespace

void TPaletteColours::Add(TColor colour) {
  if (colours.size() < kMaxImportedColours) {
    colours.push_back(colour);
  } else {
    ++leftOut;
  }
}

Result<TPaletteColours> DecodeGimpPalette(std::span<const std::uint8_t> bytes) {
  TRY(RefuseOversized(bytes));
  TTextLines lines(bytes);
  std::string_view line;
  std::size_t number = 0;
  if (!lines.Next(line, number) || Trim(line) != "GIMP Palette") {
    return Fail(TL_TEXT("tintloom", "GIMP パレットではありません（1 行目が「GIMP Palette」ではありません）"));
  }
  TPaletteColours out;
  while (lines.Next(line, number)) {
    const std::string_view t = Trim(line);
    if (t.empty() || t.front() == '#') continue;
    TColor colour = 0;
    std::string_view name;
    switch (ReadRgbRow(t, colour, &name, 0)) {
      case TRowRead::Ok:
        out.Add(colour);
        continue;
      case TRowRead::OutOfRange:
        return Fail(FillText(TL_TEXT("tintloom", "%1 行目の値が %2～%3 の範囲にありません"), number, 0, 255));
      case TRowRead::NotARow:
        break;
    }
    // "Name:", "Columns:" and the like: header lines, not colours.
    if (!IsDigit(t.front()) && t.find(':') != std::string_view::npos) continue;
    return Fail(Numbered(number, TL_TEXT("tintloom", "%1 行目の色が読めません")));
  }
  return out;
}

Result<TPaletteColours> DecodeSwatchExchange(std::span<const std::uint8_t> bytes) {
  TRY(RefuseOversized(bytes));
  if (bytes.size() < 4 || std::memcmp(bytes.data(), "ASEF", 4) != 0) {
    return Fail(TL_TEXT("tintloom", "Adobe スウォッチ交換ファイルではありません（先頭が「ASEF」ではありません）"));
  }
  TBigEndianReader r(bytes.subspan(4));
  std::uint16_t major = 0;
  std::uint16_t minor = 0;
  std::uint32_t blocks = 0;
  if (!r.U16(major) || !r.U16(minor) || !r.U32(blocks)) return Fail(kTruncatedProblem);
  if (major != 1) {
    return Fail(FillText(TL_TEXT("tintloom", "対応していないバージョンです（%1.%2）"), major, minor));
  }
  TPaletteColours out;
  // Every block takes at least six bytes, so a count larger than the file
  // can hold ends at the file's end, reported as cut short.
  for (std::uint32_t i = 0; i < blocks; ++i) {
    std::uint16_t type = 0;
    std::uint32_t length = 0;
    std::span<const std::uint8_t> block;
    if (!r.U16(type) || !r.U32(length) || !r.Take(length, block)) return Fail(kTruncatedProblem);
    if (type == 0x0001) {
      TRY(ReadSwatchExchangeColour(block, i, out));
    } else if (type == 0xC001) {
      // A group's start holds its name; it must fit in the block.
      TBigEndianReader g(block);
      std::uint16_t nameUnits = 0;
      if (!block.empty() && (!g.U16(nameUnits) || !g.Skip(std::uint64_t{2} * nameUnits))) {
        return Fail(BlockProblem(i, TL_TEXT("tintloom", "ブロック %1 の長さが中身に足りません")));
      }
    }
    // A group's end, and block kinds not known here, hold nothing to read.
  }
  return out;
}

Result<TPaletteColours> DecodePhotoshopSwatches(std::span<const std::uint8_t> bytes) {
  TRY(RefuseOversized(bytes));
  TBigEndianReader r(bytes);
  std::uint16_t version = 0;
  if (!r.U16(version) || (version != 1 && version != 2)) {
    return Fail(TL_TEXT("tintloom", "Photoshop スウォッチファイルではありません（バージョンが 1 でも 2 でもありません）"));
  }
  TRY_ASSIGN(TPaletteColours out, ReadPhotoshopSection(r, version));
  if (version == 1 && r.Remaining() > 0) {
    // The named version 2 list follows: it is the one Photoshop shows.
    if (!r.U16(version) || version != 2) return Fail(TL_TEXT("tintloom", "バージョン 1 の色の後に読めないデータがあります"));
    TRY_ASSIGN(out, ReadPhotoshopSection(r, 2));
  }
  return out;
}

Result<TPaletteColours> DecodeJascPalette(std::span<const std::uint8_t> bytes) {
  TRY(RefuseOversized(bytes));
  TTextLines lines(bytes);
  std::string_view line;
  std::size_t number = 0;
  if (!lines.Next(line, number) || Trim(line) != "JASC-PAL") {
    return Fail(TL_TEXT("tintloom", "JASC パレットではありません（1 行目が「JASC-PAL」ではありません）"));
  }
  if (!lines.Next(line, number)) return Fail(kTruncatedProblem);
  if (Trim(line) != "0100") return Fail(FillText(TL_TEXT("tintloom", "対応していないバージョンです（%1）"), std::string(Trim(line).substr(0, 16))));
  if (!lines.Next(line, number)) return Fail(kTruncatedProblem);
  std::string_view countText = Trim(line);
  std::uint32_t count = 0;
  if (!TakeNumber(countText, count) || !countText.empty()) return Fail(TL_TEXT("tintloom", "3 行目の色の数が読めません"));
  TPaletteColours out;
  std::size_t rows = 0;
  while (rows < count && lines.Next(line, number)) {
    const std::string_view t = Trim(line);
    if (t.empty()) continue;
    TColor colour = 0;
    switch (ReadRgbRow(t, colour, nullptr, 1)) {
      case TRowRead::Ok:
        out.Add(colour);
        ++rows;
        break;
      case TRowRead::OutOfRange:
        return Fail(FillText(TL_TEXT("tintloom", "%1 行目の値が %2～%3 の範囲にありません"), number, 0, 255));
      case TRowRead::NotARow:
        return Fail(Numbered(number, TL_TEXT("tintloom", "%1 行目の色が読めません")));
    }
  }
  if (rows < count) {
    return Fail(FillText(TL_TEXT("tintloom", "色の数は %1 ですが、色の行が %2 行しかありません"), count, rows));
  }
  return out;
}

Result<TPaletteColours> DecodeHexList(std::span<const std::uint8_t> bytes) {
  TRY(RefuseOversized(bytes));
  TTextLines lines(bytes);
  std::string_view line;
  std::size_t number = 0;
  TPaletteColours out;
  while (lines.Next(line, number)) {
    std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';') continue;
    if (t.front() == '#') t.remove_prefix(1);
    // Eight digits are alpha, red, green, blue.
    if (t.size() == 8) t.remove_prefix(2);
    std::uint32_t rgb = 0;
    bool ok = t.size() == 6;
    for (std::size_t i = 0; ok && i < t.size(); ++i) {
      const int d = HexDigit(t[i]);
      ok = d >= 0;
      rgb = rgb << 4 | static_cast<std::uint32_t>(ok ? d : 0);
    }
    if (!ok) return Fail(Numbered(number, TL_TEXT("tintloom", "%1 行目が色（RRGGBB）ではありません")));
    out.Add(PackBytes(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF));
  }
  return out;
}

TColor LabToColour(double L, double a, double b) {
  // L*a*b* to XYZ under D50.
  constexpr double kEpsilon = 216.0 / 24389.0;
  constexpr double kKappa = 24389.0 / 27.0;
  const double fy = (L + 16.0) / 116.0;
  const double fx = fy + a / 500.0;
  const double fz = fy - b / 200.0;
  const auto inverse = [&](double f) { return f * f * f > kEpsilon ? f * f * f : (116.0 * f - 16.0) / kKappa; };
  const double x50 = 0.96422 * inverse(fx);
  const double y50 = L > kKappa * kEpsilon ? fy * fy * fy : L / kKappa;
  const double z50 = 0.82521 * inverse(fz);
  // Bradford adaptation D50 to D65.
  const double x = 0.9555766 * x50 - 0.0230393 * y50 + 0.0631636 * z50;
  const double y = -0.0282895 * x50 + 1.0099416 * y50 + 0.0210077 * z50;
  const double z = 0.0122982 * x50 - 0.0204830 * y50 + 1.3299098 * z50;
  // XYZ (D65) to linear sRGB, then the sRGB curve.
  const double linear[3] = {3.2404542 * x - 1.5371385 * y - 0.4985314 * z,
                            -0.9692660 * x + 1.8760108 * y + 0.0415560 * z,
                            0.0556434 * x - 0.2040259 * y + 1.0572252 * z};
  unsigned out[3];
  for (int i = 0; i < 3; ++i) {
    const double c = linear[i];
    out[i] = UnitByte(c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(std::min(c, 1.0), 1.0 / 2.4) - 0.055);
  }
  return PackBytes(out[0], out[1], out[2]);
}

TPaletteFormat PaletteFormatForPath(const std::string& path) {
  const std::string e = Extension(path);
  if (e == ".gpl") return TPaletteFormat::Gimp;
  if (e == ".ase") return TPaletteFormat::SwatchExchange;
  if (e == ".aco") return TPaletteFormat::PhotoshopSwatches;
  if (e == ".pal") return TPaletteFormat::Jasc;
  if (e == ".hex" || e == ".txt") return TPaletteFormat::HexList;
  if (e == ".tlp") return TPaletteFormat::PaletteDocument;
  return TPaletteFormat::None;
}

Result<TPaletteColours> DecodePalette(TPaletteFormat format, std::span<const std::uint8_t> bytes) {
  switch (format) {
    case TPaletteFormat::Gimp: return DecodeGimpPalette(bytes);
    case TPaletteFormat::SwatchExchange: return DecodeSwatchExchange(bytes);
    case TPaletteFormat::PhotoshopSwatches: return DecodePhotoshopSwatches(bytes);
    case TPaletteFormat::Jasc: return DecodeJascPalette(bytes);
    case TPaletteFormat::HexList: return DecodeHexList(bytes);
    case TPaletteFormat::None:
    case TPaletteFormat::PaletteDocument: break;
  }
  return Fail(TL_TEXT("tintloom", "この種類のファイルは読み込めません"));
}

}  // namespace tintloom
