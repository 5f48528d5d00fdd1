#include "core/formats/swatch_file.h"

#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "core/base/file_io.h"

namespace tintloom {

namespace {

// The pieces of a line between commas; empty pieces (runs of commas, leading
// or trailing ones) do not count. At most `limit` pieces are taken.
std::vector<std::string_view> SplitFields(std::string_view line, std::size_t limit) {
  std::vector<std::string_view> fields;
  std::size_t pos = 0;
  while (pos < line.size() && fields.size() < limit) {
    const std::size_t comma = line.find(',', pos);
    const std::size_t end = comma == std::string_view::npos ? line.size() : comma;
    if (end > pos) fields.push_back(line.substr(pos, end - pos));
    pos = end + 1;
  }
  return fields;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A whole piece as a 32-bit integer: decimal, or hexadecimal after "0x".
// Anything else is 0.
TColor ColourField(std::string_view piece) {
  piece = Trim(piece);
  int base = 10;
  bool negative = false;
  if (!piece.empty() && (piece.front() == '-' || piece.front() == '+')) {
    negative = piece.front() == '-';
    piece.remove_prefix(1);
  }
  if (piece.size() > 2 && piece[0] == '0' && (piece[1] == 'x' || piece[1] == 'X')) {
    base = 16;
    piece.remove_prefix(2);
  }
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value, base);
  if (piece.empty() || error != std::errc() || end != piece.data() + piece.size() || value > 0xFFFFFFFFu) return 0;
  return static_cast<TColor>(negative ? 0u - value : value);
}

bool FloatField(std::string_view piece, float& out) {
  piece = Trim(piece);
  if (!piece.empty() && piece.front() == '+') piece.remove_prefix(1);
  double value = 0.0;
  const auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
  if (piece.empty() || error != std::errc() || end != piece.data() + piece.size()) return false;
  const auto f = static_cast<float>(value);
  if (!std::isfinite(f)) return false;
  out = f;
  return true;
}

void AppendFixed(std::string& out, float value) {
  // Six decimals and a point whatever the user's locale says.
  char buffer[400];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                          std::chars_format::fixed, 6);
  out.append(buffer, error == std::errc() ? end : buffer);
}

}  // namespace

std::string FormatSwatchLine(const TColorSlot& slot) {
  std::string line;
  for (const TShade& shade : slot.shades) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%06X,", static_cast<unsigned>(shade.Color));
    line += hex;
  }
  for (const TShade& shade : slot.shades) {
    for (float f : shade.Param.c) {
      AppendFixed(line, f);
      line += ',';
    }
  }
  line.pop_back();
  return line;
}

std::array<TColor, kShadeCount> SwatchCellColors(std::string_view line) {
  std::array<TColor, kShadeCount> colours{};
  const std::vector<std::string_view> fields = SplitFields(line, kShadeCount);
  for (std::size_t i = 0; i < fields.size(); ++i) colours[i] = ColourField(fields[i]);
  return colours;
}

void ReadSwatchParams(std::string_view line, std::array<TColorF, kShadeCount>& params) {
  const std::vector<std::string_view> fields = SplitFields(line, kShadeCount + 3 * kShadeCount);
  for (std::size_t f = kShadeCount; f < fields.size(); ++f) {
    const std::size_t k = f - kShadeCount;
    FloatField(fields[f], params[k / 3].c[k % 3]);
  }
}

bool SwatchParamsInRange(const std::array<TColorF, kShadeCount>& params) {
  for (const TColorF& p : params) {
    if (!(std::fabs(p.h()) <= kMaxStoredHue) || !(p.s() >= 0.0f && p.s() <= 1.0f) ||
        !(p.v() >= 0.0f && p.v() <= 1.0f)) {
      return false;
    }
  }
  return true;
}

int SwatchScrollMaximum(std::size_t count) {
  const std::size_t rows = count / kSwatchColumns;
  return rows > static_cast<std::size_t>(INT32_MAX) ? INT32_MAX : static_cast<int>(rows);
}

std::int64_t SwatchIndexAt(int x, int y, int width, int scrollRow) {
  if (x < 0 || y < 0) return -1;
  return static_cast<std::int64_t>(y / kSwatchCellSide) * (width / kSwatchCellSide) + x / kSwatchCellSide +
         static_cast<std::int64_t>(kSwatchColumns) * scrollRow;
}

std::vector<std::string> SplitSwatchLines(std::span<const std::uint8_t> bytes, std::size_t limit, bool* more,
                                          std::size_t* rest) {
  std::vector<std::string> lines;
  if (more != nullptr) *more = false;
  if (rest != nullptr) *rest = bytes.size();
  const auto take = [&](std::size_t start, std::size_t end) {
    if (end == start) return true;  // an empty line
    if (lines.size() == limit) {
      if (more != nullptr) *more = true;
      if (rest != nullptr) *rest = start;
      return false;
    }
    lines.emplace_back(reinterpret_cast<const char*>(bytes.data()) + start, end - start);
    return true;
  };
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::uint8_t b = bytes[i];
    if (b == '\r' || b == '\n') {
      if (!take(start, i)) return lines;
      i += (b == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  take(start, bytes.size());
  return lines;
}

std::vector<std::uint8_t> JoinSwatchLines(const std::vector<std::string>& lines) {
  std::vector<std::uint8_t> bytes;
  for (const std::string& line : lines) {
    bytes.insert(bytes.end(), line.begin(), line.end());
    bytes.push_back('\r');
    bytes.push_back('\n');
  }
  return bytes;
}

TSwatchFilePlaces LocateSwatchFile(const std::string& programDir, const std::string& userDataDir) {
  namespace fs = std::filesystem;
  const std::string programFile = (fs::path(programDir) / kSwatchFileName).string();
  if (userDataDir.empty()) return {programFile, programFile, ""};
  const std::string userFile = (fs::path(userDataDir) / kSwatchFileName).string();
  std::error_code ec;
  if (fs::exists(userFile, ec)) return {userFile, userFile, ""};
  // An installed copy (PREFIX/bin beside PREFIX/share/tintloom) never writes
  // beside itself, even where it could (run by root, or installed into the
  // user's own prefix): a file left in a bin/ folder belongs to no package
  // and outlives the program's removal.
  const bool installed = fs::is_directory(fs::path(programDir) / ".." / "share" / "tintloom", ec);
  if (!installed && ::access(programDir.c_str(), W_OK) == 0) return {programFile, programFile, userFile};
  return {programFile, userFile, ""};
}

Result<std::vector<std::string>> LoadSwatchLines(const TSwatchFilePlaces& places, TMessageSink* messages,
                                                 std::vector<std::uint8_t>* unread) {
  if (unread != nullptr) unread->clear();
  std::error_code ec;
  if (!std::filesystem::exists(places.readPath, ec) && !ec) return std::vector<std::string>();
  Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(places.readPath, kMaxSwatchFileBytes);
  if (!bytes) return Fail(std::string(kSwatchReadMessage) + "\n->" + places.readPath);
  bool more = false;
  std::size_t rest = 0;
  std::vector<std::string> lines = SplitSwatchLines(*bytes, kMaxSwatches, &more, &rest);
  if (more && messages != nullptr) messages->ShowMessage(kSwatchCutMessage);
  if (more && unread != nullptr) unread->assign(bytes->begin() + static_cast<std::ptrdiff_t>(rest), bytes->end());
  return lines;
}

Result<> SaveSwatchLines(const TSwatchFilePlaces& places, const std::vector<std::string>& lines,
                         std::span<const std::uint8_t> unread) {
  std::vector<std::uint8_t> bytes = JoinSwatchLines(lines);
  bytes.insert(bytes.end(), unread.begin(), unread.end());
  for (const std::string& path : {places.writePath, places.fallbackPath}) {
    if (path.empty()) continue;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    if (ReplaceFileContents(path, bytes)) return Ok();
  }
  return Fail(std::string(kSwatchWriteMessage) + "\n->" + places.writePath);
}

}  // namespace tintloom
