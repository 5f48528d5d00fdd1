#pragma once
// A small JSON reader and the string escaping the work document writes with.
// The reader takes untrusted bytes: it never reads outside them, bounds the
// nesting depth (64) and the number of values (400,000, so at most about
// 52 MB however the file is made), and refuses anything that is not one
// complete JSON value.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tintloom {

struct TJsonValue {
  enum class TKind { kNull, kBool, kNumber, kString, kArray, kObject };
  TKind kind = TKind::kNull;
  bool boolean = false;
  double number = 0.0;
  // Strings: \uXXXX escapes below 0x100 are single bytes, so any byte string
  // written by JsonQuote reads back exactly; others become UTF-8.
  std::string text;
  std::vector<TJsonValue> items;
  std::map<std::string, TJsonValue> members;  // the last of duplicate keys wins

  const TJsonValue* Member(const std::string& key) const {
    const auto it = members.find(key);
    return it == members.end() ? nullptr : &it->second;
  }
  // The number when it is a whole number in [low, high].
  std::optional<std::int64_t> Integer(std::int64_t low, std::int64_t high) const;
};

// The value the bytes hold, or nothing when they are not JSON (or nest more
// than 64 deep, or hold more than 400,000 values).
std::optional<TJsonValue> ParseJson(std::span<const std::uint8_t> bytes);

// `bytes` as a JSON string literal: printable ASCII as it is (with \" and
// \\), every other byte as \u00XX.
std::string JsonQuote(const std::string& bytes);

}  // namespace tintloom
