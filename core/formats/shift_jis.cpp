#include "core/formats/shift_jis.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace tintloom {

namespace {

// One conversion of `text` with iconv; `replacement` (already in the target
// encoding) stands for each input byte that does not convert.
std::string Convert(const char* to, const char* from, std::string_view text, std::string_view replacement) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string();
  std::string out;
  std::vector<char> buffer(4096);
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  while (inLeft > 0) {
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    const std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer.data(), static_cast<std::size_t>(outPtr - buffer.data()));
    if (r != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // An invalid or cut-off sequence: one byte is replaced, then on.
    out.append(replacement);
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::u16string ShiftJisToUtf16(std::string_view text, std::size_t maxUnits) {
  const std::string bytes = Convert("UTF-16BE", "CP932", text, std::string_view("\xFF\xFD", 2));
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size() && units.size() < maxUnits; i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) << 8 |
                                          static_cast<unsigned char>(bytes[i + 1])));
  }
  const bool cut = units.size() * 2 < bytes.size();
  if (cut && !units.empty() && units.back() >= 0xD800 && units.back() < 0xDC00) units.pop_back();
  return units;
}

std::string ShiftJisToUtf8(std::string_view text) { return Convert("UTF-8", "CP932", text, "\xEF\xBF\xBD"); }

}  // namespace tintloom
