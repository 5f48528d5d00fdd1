#pragma once
// Appending numbers to a byte vector in either byte order, and taking them
// from a span without ever reading past its end.

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace tintloom {

class TByteWriter {
 public:
  std::vector<std::uint8_t>& bytes() { return bytes_; }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

  void Raw(std::string_view text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }
  void Byte(std::uint8_t b) { bytes_.push_back(b); }

  void U16BE(std::uint16_t v) { PutBE(v, 2); }
  void U32BE(std::uint32_t v) { PutBE(v, 4); }
  void F32BE(float v) { PutBE(std::bit_cast<std::uint32_t>(v), 4); }
  void F64BE(double v) { PutBE(std::bit_cast<std::uint64_t>(v), 8); }
  void U32LE(std::uint32_t v) { PutLE(v, 4); }
  void I32LE(std::int32_t v) { PutLE(static_cast<std::uint32_t>(v), 4); }
  void F32LE(float v) { PutLE(std::bit_cast<std::uint32_t>(v), 4); }

 private:
  void PutBE(std::uint64_t v, int n) {
    for (int i = n - 1; i >= 0; --i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void PutLE(std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  std::vector<std::uint8_t> bytes_;
};

// Reads little-endian fields in order. A field the span does not hold
// completely is not read: the target keeps its value and every later read
// fails too.
class TFieldReader {
 public:
  explicit TFieldReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool U32LE(std::uint32_t& out) {
    if (bytes_.size() - pos_ < 4 || ended_) {
      ended_ = true;
      return false;
    }
    out = static_cast<std::uint32_t>(bytes_[pos_]) | static_cast<std::uint32_t>(bytes_[pos_ + 1]) << 8 |
          static_cast<std::uint32_t>(bytes_[pos_ + 2]) << 16 | static_cast<std::uint32_t>(bytes_[pos_ + 3]) << 24;
    pos_ += 4;
    return true;
  }
  bool I32LE(std::int32_t& out) {
    std::uint32_t v;
    if (!U32LE(v)) return false;
    out = static_cast<std::int32_t>(v);
    return true;
  }
  bool F32LE(float& out) {
    std::uint32_t v;
    if (!U32LE(v)) return false;
    out = std::bit_cast<float>(v);
    return true;
  }
  std::size_t Position() const { return pos_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
  bool ended_ = false;
};

}  // namespace tintloom
