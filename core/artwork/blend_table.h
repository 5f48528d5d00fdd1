#pragma once
// Blend modes: their PSD keys and codes, and the table of seventeen 256 x 256
// lookups read from "bm.dat" that holds every mode's result. Normal (-1) is
// computed directly and has no table.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/base/memory_error.h"
#include "core/base/result.h"

namespace tintloom {

inline constexpr int kBlendModeCount = 17;     // codes 0..16
inline constexpr std::int16_t kBlendNormal = -1;
inline constexpr std::size_t kBlendTableSize = 256u * 256u;
inline constexpr std::size_t kBlendFileSize = kBlendModeCount * kBlendTableSize;  // 1,114,112
inline constexpr const char* kBlendFileName = "bm.dat";
inline constexpr std::size_t kBlendTableMargin = 4;

struct TBlendMode {
  const char* label;  // the layer window's combo text
  const char* key;    // four characters of the PSD layer record
};
// Item i is blend code i - 1: normal first, then codes 0..16.
extern const std::array<TBlendMode, kBlendModeCount + 1> kBlendModes;

// Case-insensitive match of the four raw bytes of a layer record's blend key
// (no terminator; a NUL inside simply does not match). Unknown keys, and keys
// that are not four bytes long, are normal (-1).
std::int16_t BlendCodeFromKey(std::string_view key);

// Allocation hook so the out-of-memory path can be exercised in tests.
using TBlendAllocator = std::unique_ptr<std::uint8_t[]> (*)(std::size_t bytes);

// The blend table, global as the compositors see it: loaded once at start-up,
// read-only afterwards.
class TBlendTable {
 public:
  // Frees any previous table, then reads the file. Fails with
  // "bm.datを開けません" when it cannot be opened, and with the memory-error
  // message (label "PSDBLENDER") when a table cannot be allocated; either way
  // no table is left. A short file loads; every entry it lacks holds the
  // source value, so the modes it cut off draw as normal, not black.
  Result<> LoadBlendTable(const std::string& path, TBlendAllocator allocate = nullptr);
  void FreeBlendTable();
  bool Loaded() const { return tables_[0] != nullptr; }
  // Table of code 0..16; null when not loaded. Each table has
  // kBlendTableMargin readable bytes before and after its entries, so that a
  // vector kernel may read the four bytes around any entry in one go.
  const std::uint8_t* Table(int code) const;
  // The table entry for backdrop and source. Without a table for `code` (not
  // loaded, or normal) the result is the source, as the normal mode gives.
  std::uint8_t Lookup(int code, std::uint8_t backdrop, std::uint8_t source) const {
    const std::uint8_t* table = Table(code);
    return table != nullptr ? table[backdrop * 256 + source] : source;
  }

  // The compositor's note of which tables its vector formulas reproduce,
  // made on first use for the kernel in use and dropped whenever the tables
  // change.
  struct TFormulaCheck {
    int kernel = -1;  // whose formulas were tried; -1: none yet
    std::array<bool, kBlendModeCount> exact{};
  };
  TFormulaCheck& FormulaCheck() const { return formulaCheck_; }

 private:
  std::array<std::unique_ptr<std::uint8_t[]>, kBlendModeCount> tables_;
  mutable TFormulaCheck formulaCheck_;
};

TBlendTable& GlobalBlendTable();

}  // namespace tintloom
