#include "core/formats/json_text.h"

#include <cmath>
#include <cstdlib>

namespace tintloom {

namespace {

constexpr int kMaxDepth = 64;
// A value costs about 130 bytes once parsed, whatever its few bytes of text
// ("0,"), so without a bound a file of N bytes would take some 65 N. A work
// document of the most layers a PSD file can hold (32,767) has fewer than
// 400,000 values; more is not a work document.
constexpr std::size_t kMaxValues = 400'000;

class TJsonParser {
 public:
  explicit TJsonParser(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool Document(TJsonValue& out) {
    SkipSpace();
    if (!Value(out, 0)) return false;
    SkipSpace();
    return at_ == bytes_.size();
  }

 private:
  bool AtEnd() const { return at_ >= bytes_.size(); }
  char Peek() const { return AtEnd() ? '\0' : static_cast<char>(bytes_[at_]); }

  void SkipSpace() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) ++at_;
  }

  bool Take(char c) {
    if (Peek() != c || AtEnd()) return false;
    ++at_;
    return true;
  }

  bool Word(const char* word) {
    for (const char* p = word; *p != '\0'; ++p) {
      if (!Take(*p)) return false;
    }
    return true;
  }

  bool Value(TJsonValue& out, int depth) {
    if (depth > kMaxDepth || AtEnd() || ++values_ > kMaxValues) return false;
    switch (Peek()) {
      case '{': return Object(out, depth);
      case '[': return Array(out, depth);
      case '"': out.kind = TJsonValue::TKind::kString; return String(out.text);
      case 't': out.kind = TJsonValue::TKind::kBool; out.boolean = true; return Word("true");
      case 'f': out.kind = TJsonValue::TKind::kBool; out.boolean = false; return Word("false");
      case 'n': out.kind = TJsonValue::TKind::kNull; return Word("null");
      default: return Number(out);
    }
  }

  bool Object(TJsonValue& out, int depth) {
    out.kind = TJsonValue::TKind::kObject;
    ++at_;
    SkipSpace();
    if (Take('}')) return true;
    for (;;) {
      SkipSpace();
      std::string key;
      if (!String(key)) return false;
      SkipSpace();
      if (!Take(':')) return false;
      SkipSpace();
      TJsonValue value;
      if (!Value(value, depth + 1)) return false;
      out.members[key] = std::move(value);
      SkipSpace();
      if (Take('}')) return true;
      if (!Take(',')) return false;
    }
  }

  bool Array(TJsonValue& out, int depth) {
    out.kind = TJsonValue::TKind::kArray;
    ++at_;
    SkipSpace();
    if (Take(']')) return true;
    for (;;) {
      SkipSpace();
      out.items.emplace_back();
      if (!Value(out.items.back(), depth + 1)) return false;
      SkipSpace();
      if (Take(']')) return true;
      if (!Take(',')) return false;
    }
  }

  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  bool Hex4(unsigned& code) {
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const int d = HexDigit(Peek());
      if (AtEnd() || d < 0) return false;
      ++at_;
      code = code * 16 + static_cast<unsigned>(d);
    }
    return true;
  }

  static void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x800) {
      out += static_cast<char>(0xC0 | code >> 6);
    } else {
      if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
      } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      }
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    }
    out += static_cast<char>(0x80 | (code & 0x3F));
  }

  bool String(std::string& out) {
    if (!Take('"')) return false;
    for (;;) {
      if (AtEnd()) return false;
      const auto c = static_cast<unsigned char>(bytes_[at_++]);
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (AtEnd()) return false;
      const char e = static_cast<char>(bytes_[at_++]);
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          unsigned code = 0;
          if (!Hex4(code)) return false;
          if (code >= 0xD800 && code < 0xDC00) {
            unsigned low = 0;
            if (!Take('\\') || !Take('u') || !Hex4(low) || low < 0xDC00 || low >= 0xE000) return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else if (code >= 0xDC00 && code < 0xE000) {
            return false;
          }
          if (code < 0x100) {
            out += static_cast<char>(code);
          } else {
            AppendUtf8(out, code);
          }
          break;
        }
        default: return false;
      }
    }
  }

  bool Number(TJsonValue& out) {
    const std::size_t start = at_;
    Take('-');
    if (Take('0')) {
    } else if (Peek() >= '1' && Peek() <= '9') {
      while (Peek() >= '0' && Peek() <= '9' && !AtEnd()) ++at_;
    } else {
      return false;
    }
    if (Take('.')) {
      if (!(Peek() >= '0' && Peek() <= '9') || AtEnd()) return false;
      while (Peek() >= '0' && Peek() <= '9' && !AtEnd()) ++at_;
    }
    if (Peek() == 'e' || Peek() == 'E') {
      ++at_;
      if (Peek() == '+' || Peek() == '-') ++at_;
      if (!(Peek() >= '0' && Peek() <= '9') || AtEnd()) return false;
      while (Peek() >= '0' && Peek() <= '9' && !AtEnd()) ++at_;
    }
    if (at_ - start > 64) return false;
    const std::string text(reinterpret_cast<const char*>(bytes_.data() + start), at_ - start);
    out.kind = TJsonValue::TKind::kNumber;
    out.number = std::strtod(text.c_str(), nullptr);
    return std::isfinite(out.number);
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
  std::size_t values_ = 0;
};

}  // namespace

std::optional<std::int64_t> TJsonValue::Integer(std::int64_t low, std::int64_t high) const {
  if (kind != TKind::kNumber || number != std::floor(number)) return std::nullopt;
  if (number < static_cast<double>(low) || number > static_cast<double>(high)) return std::nullopt;
  return static_cast<std::int64_t>(number);
}

std::optional<TJsonValue> ParseJson(std::span<const std::uint8_t> bytes) {
  TJsonValue value;
  TJsonParser parser(bytes);
  if (!parser.Document(value)) return std::nullopt;
  return value;
}

std::string JsonQuote(const std::string& bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c >= 0x20 && c < 0x7F) {
      out += ch;
    } else {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  out += '"';
  return out;
}

}  // namespace tintloom
