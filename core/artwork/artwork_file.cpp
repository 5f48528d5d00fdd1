#include "core/artwork/artwork_file.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/artwork/layered_archive.h"
#include "core/artwork/psd_file.h"
#include "core/base/user_text.h"

namespace tintloom {

namespace {

// A zip document is read whole; none a painting program writes for a
// picture this program opens comes near this.
constexpr std::uintmax_t kMaxArchiveBytes = std::uintmax_t{2} << 30;

bool EndsWith(const std::string& path, const char* extension) {
  const std::string ext(extension);
  if (path.size() < ext.size()) return false;
  return std::equal(ext.begin(), ext.end(), path.end() - static_cast<std::ptrdiff_t>(ext.size()),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b)); });
}

}  // namespace

bool IsArtworkPath(const std::string& path) {
  return EndsWith(path, ".psd") || EndsWith(path, ".kra") || EndsWith(path, ".ora");
}

Result<> LoadArtworkFile(const std::string& path, TPSD& doc, TProgressSink& progress, bool deferPlanes) {
  const Failure cannot_open = Fail(WithPath(TL_TEXT("tintloom", "ファイルを開けません."), path));
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    DocumentClear(doc);
    return cannot_open;
  }
  std::ifstream file(path, std::ios::binary);
  std::uint8_t head[4] = {};
  if (!file || !file.read(reinterpret_cast<char*>(head), 4) || !LooksLikeZip(head)) {
    // A PSD, or something the PSD reader refuses with its own message.
    return LoadFromFile(path, doc, progress, deferPlanes);
  }
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  DocumentClear(doc);
  if (ec) return cannot_open;
  if (size > kMaxArchiveBytes) {
    return Fail(WithPath(TL_TEXT("tintloom", "ファイルが壊れているか大きすぎるため開けません."), path));
  }
  std::vector<std::uint8_t> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::exception&) {
    return Fail(WithPath(TL_TEXT("tintloom", "メモリが足りないためファイルを開けません."), path));
  }
  file.seekg(0);
  if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
    return Fail(WithPath(TL_TEXT("tintloom", "ファイルが途中で終わっています."), path));
  }
  return DecodeLayeredArchive(std::move(bytes), path, doc, progress);
}

}  // namespace tintloom
