#pragma once
// Texts the user reads. Japanese is the program's own language: every such
// text is written in Japanese where it is used, marked with TL_TEXT, and is
// its own key; the window level shows it in the user's language. The core
// stays free of the window library and hands over only the Japanese text.
//
// So that the window level can find a text's key again from what it is
// given, a key is one line, and whatever varies in it is a number written as
// %1, %2, ... from left to right and filled in by FillText (the window level
// puts the numbers back to placeholders to look the line up). A file name or
// another text from outside goes on a line of its own, which is shown as it
// is.

#include <string>
#include <string_view>
#include <type_traits>

// Marks a text for the translation catalogue, where it is found under
// `context` (always "tintloom", where the window level looks texts up); it
// stays the Japanese text.
#define TL_TEXT(context, text) text

namespace tintloom {

namespace user_text_detail {

inline std::string AsText(const std::string& s) { return s; }
inline std::string AsText(const char* s) { return s; }
template <class T>
  requires std::is_arithmetic_v<T>
std::string AsText(T n) {
  return std::to_string(n);
}

}  // namespace user_text_detail

// `text` with %1, %2, ... replaced by `values` in that order (at most nine).
template <class... T>
std::string FillText(std::string_view text, const T&... values) {
  const std::string filled[] = {user_text_detail::AsText(values)..., std::string()};
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (text[i] == '%' && next >= '1' && next <= '9' && static_cast<std::size_t>(next - '1') < sizeof...(T)) {
      out += filled[next - '1'];
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace tintloom
