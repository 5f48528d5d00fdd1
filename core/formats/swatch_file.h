#pragma once
// Swatches: one colour slot as a line of text, and the file that keeps the
// user's swatches between runs, one line each.
//
// A line is sixteen comma-separated fields: the four shades' colours as
// "0x%06X" (packed 0x00BBGGRR, highlight, base, shadow, deep shadow), then
// the four shades' parameters as hue, saturation, value with six decimals
// and a point, e.g.
//   0x8080FF,0x0000FF,0x000080,0x000040,0.000000,0.250000,0.500000,...

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/colour/colour.h"
#include "core/base/messages.h"
#include "core/base/result.h"
#include "core/base/user_text.h"
#include "core/palette/colour_slots.h"

namespace tintloom {

inline constexpr const char* kSwatchFileName = "DefaultSwatch.swo";
// A swatch file is read whole; one larger than this is refused.
inline constexpr std::uint64_t kMaxSwatchFileBytes = std::uint64_t{64} << 20;

// ---- lines ----
std::string FormatSwatchLine(const TColorSlot& slot);
// The four colours of a line, for its cell. A field that is missing or does
// not convert is black (0); "0x" marks hexadecimal.
std::array<TColor, kShadeCount> SwatchCellColors(std::string_view line);
// Fields 5..16 over `params` (highlight, base, shadow, deep shadow; hue,
// saturation, value each). A field that is missing, is no number, or is not
// finite leaves its parameter as it was.
void ReadSwatchParams(std::string_view line, std::array<TColorF, kShadeCount>& params);
// Hues within a few turns, saturations and values 0..1.
bool SwatchParamsInRange(const std::array<TColorF, kShadeCount>& params);

// ---- the grid ----
// Cells of 32 x 32 pixels, eight to a row; the scroll position counts rows.
inline constexpr int kSwatchCellSide = 32;
inline constexpr int kSwatchColumns = 8;
// The scroll bar's largest position for a count of swatches.
int SwatchScrollMaximum(std::size_t count);
// The swatch under (x, y) of an area `width` pixels wide scrolled by
// `scrollRow` rows; -1 left of or above the area.
std::int64_t SwatchIndexAt(int x, int y, int width, int scrollRow);

// ---- the file ----
// The most swatches a file gives: far more than anyone collects by hand (the
// window scrolls through 12,500 rows of them), yet a file of nothing but
// line ends cannot become millions of strings. The rest of a longer file is
// left unread, with kSwatchCutMessage.
inline constexpr std::size_t kMaxSwatches = 100000;
inline constexpr const char* kSwatchCutMessage =
    TL_TEXT("tintloom", "スウォッチが多すぎるため, 最初の100000個だけを読み込みました");
// Lines end at CR, LF or CR LF; a last line without an end counts; empty
// lines are no swatches and are passed over. At most `limit` lines are
// taken; `more` (when given) tells whether the bytes held more, and `rest`
// (when given) where the first line not taken starts (the size when all
// were taken).
std::vector<std::string> SplitSwatchLines(std::span<const std::uint8_t> bytes, std::size_t limit = kMaxSwatches,
                                          bool* more = nullptr, std::size_t* rest = nullptr);
// Every line ended by CR LF.
std::vector<std::uint8_t> JoinSwatchLines(const std::vector<std::string>& lines);

// Where the swatch file is read from and written to. The program's folder
// keeps it when the folder can be written and is not an installed copy's
// (PREFIX/bin with PREFIX/share/tintloom); otherwise the file lives in the
// user's data folder, read from the program's folder until the user's own
// copy exists. Once a user's copy exists it is the newer one and is used
// from then on.
struct TSwatchFilePlaces {
  std::string readPath;
  std::string writePath;
  std::string fallbackPath;  // the user's copy, when writePath is not it; else empty
};
TSwatchFilePlaces LocateSwatchFile(const std::string& programDir, const std::string& userDataDir);

// The swatches kept at readPath; a missing file is an empty list. A file
// that cannot be read fails, with a message that says so. A file of more
// than kMaxSwatches swatches gives the first ones and shows kSwatchCutMessage
// through `messages` (when given); the bytes from the first line left unread
// to the end go to `unread` (when given), so that saving can keep them.
Result<std::vector<std::string>> LoadSwatchLines(const TSwatchFilePlaces& places, TMessageSink* messages = nullptr,
                                                 std::vector<std::uint8_t>* unread = nullptr);
// Replaces the file at writePath (or, when that cannot be written, at
// fallbackPath, its folder made when missing) with the lines, followed by
// `unread` as it was read: swatches that were never shown are never lost.
// The previous file is left whole when nothing could be written.
Result<> SaveSwatchLines(const TSwatchFilePlaces& places, const std::vector<std::string>& lines,
                         std::span<const std::uint8_t> unread = {});
// Adding and importing stop at kMaxSwatches, so that a collection never
// grows past what the next start reads back.
inline constexpr const char* kSwatchFullMessage =
    TL_TEXT("tintloom", "スウォッチは100000個までです. 追加するには先に削除してください");

inline constexpr const char* kSwatchReadMessage = TL_TEXT("tintloom", "スウォッチファイルを読み込めません");
inline constexpr const char* kSwatchWriteMessage = TL_TEXT("tintloom", "スウォッチファイルを保存できません");

}  // namespace tintloom
