#include "core/artwork/blend_table.h"

#include <cctype>
#include <cstdio>

#include <unistd.h>
#include <cstring>
#include <new>
#include "core/base/file_io.h"
#include "core/base/user_text.h"

namespace tintloom {

const std::array<TBlendMode, kBlendModeCount + 1> kBlendModes = {{
    {TL_TEXT("tintloom", "通常"), "norm"},
    {TL_TEXT("tintloom", "比較(暗)"), "dark"},
    {TL_TEXT("tintloom", "乗算"), "mul "},
    {TL_TEXT("tintloom", "焼き込みカラー"), "idiv"},
    {TL_TEXT("tintloom", "焼き込みリニア"), "lbrn"},
    {TL_TEXT("tintloom", "比較(明)"), "lite"},
    {TL_TEXT("tintloom", "スクリーン"), "scrn"},
    {TL_TEXT("tintloom", "覆い焼きカラー"), "div "},
    {TL_TEXT("tintloom", "覆い焼きリニア - 加算"), "lddg"},
    {TL_TEXT("tintloom", "オーバーレイ"), "over"},
    {TL_TEXT("tintloom", "ソフトライト"), "sLit"},
    {TL_TEXT("tintloom", "ハードライト"), "hLit"},
    {TL_TEXT("tintloom", "ビビッドライト"), "vLit"},
    {TL_TEXT("tintloom", "リニアライト"), "lLit"},
    {TL_TEXT("tintloom", "ピンライト"), "pLit"},
    {TL_TEXT("tintloom", "ハードミックス"), "hMix"},
    {TL_TEXT("tintloom", "差の絶対値"), "diff"},
    {TL_TEXT("tintloom", "除外"), "smud"},
}};

std::int16_t BlendCodeFromKey(std::string_view key) {
  if (key.size() != 4) return kBlendNormal;
  for (std::size_t i = 0; i < kBlendModes.size(); ++i) {
    const char* known = kBlendModes[i].key;
    bool same = true;
    for (int k = 0; k < 4 && same; ++k) {
      same = std::tolower(static_cast<unsigned char>(key[k])) == std::tolower(static_cast<unsigned char>(known[k]));
    }
    if (same) return static_cast<std::int16_t>(static_cast<int>(i) - 1);
  }
  return kBlendNormal;
}

namespace {

std::unique_ptr<std::uint8_t[]> DefaultAllocate(std::size_t bytes) {
  return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[bytes]);
}

}  // namespace

Result<> TBlendTable::LoadBlendTable(const std::string& path, TBlendAllocator allocate) {
  FreeBlendTable();
  // Opened without waiting, so a FIFO in its place is refused, not waited on.
  Result<int> opened = OpenRegularFile(path);
  std::FILE* f = opened ? ::fdopen(*opened, "rb") : nullptr;
  if (opened && f == nullptr) ::close(*opened);
  if (f == nullptr) return Fail(TL_TEXT("tintloom", "bm.datを開けません"));
  if (allocate == nullptr) allocate = DefaultAllocate;
  for (auto& table : tables_) {
    table = allocate(kBlendTableSize + 2 * kBlendTableMargin);
    if (table == nullptr) {
      FreeBlendTable();
      std::fclose(f);
      return ReportMemoryError("PSDBLENDER", 0, static_cast<long long>(kBlendTableSize));
    }
    // A short file: zeros would turn every layer of a cut-off mode black;
    // the source value (entry b x 256 + s holds s) makes it draw as normal.
    std::uint8_t* entries = table.get() + kBlendTableMargin;
    std::memset(table.get(), 0, kBlendTableMargin);
    std::memset(entries + kBlendTableSize, 0, kBlendTableMargin);
    const std::size_t got = std::fread(entries, 1, kBlendTableSize, f);
    for (std::size_t i = got; i < kBlendTableSize; ++i) entries[i] = static_cast<std::uint8_t>(i & 0xFFu);
  }
  std::fclose(f);
  formulaCheck_ = {};
  return Ok();
}

void TBlendTable::FreeBlendTable() {
  for (auto& table : tables_) table.reset();
  formulaCheck_ = {};
}

const std::uint8_t* TBlendTable::Table(int code) const {
  if (code < 0 || code >= kBlendModeCount) return nullptr;
  const std::uint8_t* table = tables_[static_cast<std::size_t>(code)].get();
  return table != nullptr ? table + kBlendTableMargin : nullptr;
}

TBlendTable& GlobalBlendTable() {
  static TBlendTable table;
  return table;
}

}  // namespace tintloom
