#include "core/formats/work_document.h"

#include <filesystem>
#include <map>
#include <utility>

#include "core/artwork/blend_table.h"
#include "core/artwork/slot_ramps.h"
#include "core/base/file_io.h"
#include "core/formats/json_text.h"
#include "core/formats/palette_document.h"

namespace tintloom {

namespace {

constexpr std::int64_t kMaxLayers = 1 << 20;

std::string Hex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const std::uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

std::optional<std::vector<std::uint8_t>> FromHex(const std::string& text) {
  if (text.size() % 2 != 0) return std::nullopt;
  const auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::vector<std::uint8_t> out(text.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const int high = digit(text[2 * i]);
    const int low = digit(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    out[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return out;
}

std::string GenericPath(const std::filesystem::path& path) { return path.generic_string(); }

}  // namespace

std::string EncodeWorkDocument(const TWorkDocument& document) {
  std::string out = "{\n  \"format\": \"";
  out += kWorkDocumentFormat;
  out += "\",\n  \"version\": " + std::to_string(kWorkDocumentVersion) + ",\n";
  out += "  \"palette\": \"" + Hex(document.palette) + "\",\n";
  out += "  \"artwork\": " + (document.artwork ? JsonQuote(*document.artwork) : std::string("null")) + ",\n";
  out += "  \"layers\": [";
  for (std::size_t i = 0; i < document.layers.size(); ++i) {
    const TWorkLayer& layer = document.layers[i];
    out += i == 0 ? "\n" : ",\n";
    out += "    {\"position\": " + std::to_string(layer.position);
    out += ", \"name\": " + (layer.name ? JsonQuote(*layer.name) : std::string("null"));
    out += ", \"slot\": " + std::to_string(layer.slot);
    out += ", \"base\": " + std::to_string(layer.base);
    out += ", \"shadow\": " + std::to_string(layer.shadow);
    out += ", \"blend\": " + std::to_string(layer.blend);
    // Written only when set, so a work without hidden layers saves as before.
    out += layer.hidden ? ", \"hidden\": true}" : "}";
  }
  out += document.layers.empty() ? "]\n}\n" : "\n  ]\n}\n";
  return out;
}

Result<TWorkDocument> DecodeWorkDocument(std::span<const std::uint8_t> bytes) {
  const std::optional<TJsonValue> root = ParseJson(bytes);
  if (!root || root->kind != TJsonValue::TKind::kObject) return Fail(kDocumentDamagedMessage);
  const TJsonValue* format = root->Member("format");
  if (format == nullptr || format->kind != TJsonValue::TKind::kString || format->text != kWorkDocumentFormat) {
    return Fail(kDocumentDamagedMessage);
  }
  const TJsonValue* versionValue = root->Member("version");
  const std::optional<std::int64_t> version = versionValue ? versionValue->Integer(1, 1 << 30) : std::nullopt;
  if (!version) return Fail(kDocumentDamagedMessage);
  if (*version > kWorkDocumentVersion) return Fail(kDocumentVersionMessage);

  TWorkDocument document;
  const TJsonValue* palette = root->Member("palette");
  if (palette == nullptr || palette->kind != TJsonValue::TKind::kString) return Fail(kDocumentDamagedMessage);
  std::optional<std::vector<std::uint8_t>> paletteBytes = FromHex(palette->text);
  if (!paletteBytes || paletteBytes->size() != kPaletteDocumentSize) return Fail(kDocumentDamagedMessage);
  // The palette part is checked as a palette document is, before anything
  // else of the model can change.
  TPaletteDocument scratch;
  TRY(DecodePaletteDocument(*paletteBytes, scratch));
  document.palette = std::move(*paletteBytes);

  const TJsonValue* artwork = root->Member("artwork");
  if (artwork != nullptr && artwork->kind == TJsonValue::TKind::kString && !artwork->text.empty()) {
    document.artwork = artwork->text;
  } else if (artwork != nullptr && artwork->kind != TJsonValue::TKind::kNull) {
    return Fail(kDocumentDamagedMessage);
  }

  const TJsonValue* layers = root->Member("layers");
  if (layers == nullptr || layers->kind != TJsonValue::TKind::kArray ||
      static_cast<std::int64_t>(layers->items.size()) > kMaxLayers) {
    return Fail(kDocumentDamagedMessage);
  }
  document.layers.reserve(layers->items.size());
  for (const TJsonValue& item : layers->items) {
    if (item.kind != TJsonValue::TKind::kObject) return Fail(kDocumentDamagedMessage);
    const auto field = [&item](const char* key, std::int64_t low, std::int64_t high) -> std::optional<std::int64_t> {
      const TJsonValue* v = item.Member(key);
      return v != nullptr ? v->Integer(low, high) : std::nullopt;
    };
    const auto position = field("position", 0, kMaxLayers);
    const auto slot = field("slot", 0, kRampCount - 1);
    const auto base = field("base", 0, 255);
    const auto shadow = field("shadow", 0, 255);
    const auto blend = field("blend", kBlendNormal, kBlendModeCount - 1);
    const TJsonValue* name = item.Member("name");
    const TJsonValue* hidden = item.Member("hidden");
    if (hidden != nullptr && hidden->kind != TJsonValue::TKind::kBool) return Fail(kDocumentDamagedMessage);
    if (!position || !slot || !base || !shadow || !blend || name == nullptr ||
        (name->kind != TJsonValue::TKind::kString && name->kind != TJsonValue::TKind::kNull)) {
      return Fail(kDocumentDamagedMessage);
    }
    TWorkLayer layer;
    layer.position = static_cast<std::int32_t>(*position);
    if (name->kind == TJsonValue::TKind::kString) layer.name = name->text;
    layer.slot = static_cast<std::int16_t>(*slot);
    layer.base = static_cast<std::uint8_t>(*base);
    layer.shadow = static_cast<std::uint8_t>(*shadow);
    layer.blend = static_cast<std::int16_t>(*blend);
    layer.hidden = hidden != nullptr && hidden->boolean;
    document.layers.push_back(std::move(layer));
  }
  return document;
}

std::string StoredArtworkPath(const std::string& artwork, const std::string& workPath) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path file = fs::absolute(artwork, ec).lexically_normal();
  if (ec) return artwork;
  const fs::path folder = fs::absolute(workPath, ec).lexically_normal().parent_path();
  if (ec) return GenericPath(file);
  const fs::path relative = file.lexically_relative(folder);
  // Beside or below the work file: it moves with the folder it lies in.
  if (!relative.empty() && *relative.begin() != ".." && relative.is_relative()) return GenericPath(relative);
  return GenericPath(file);
}

std::string ResolveArtworkPath(const std::string& stored, const std::string& workPath) {
  namespace fs = std::filesystem;
  const fs::path path(stored);
  if (path.is_absolute()) return path.lexically_normal().string();
  std::error_code ec;
  const fs::path folder = fs::absolute(workPath, ec).lexically_normal().parent_path();
  return (folder / path).lexically_normal().string();
}

TLayerMatch MatchLayers(const std::vector<TWorkLayer>& saved, const std::vector<std::optional<std::string>>& names) {
  TLayerMatch match;
  match.savedFor.assign(names.size(), -1);
  std::vector<bool> used(saved.size(), false);
  // The layers of each name, bottom first (a file may hold very many
  // entries: no search runs over all layers per entry).
  struct TSameName {
    std::vector<std::size_t> layers;
    std::size_t next = 0;  // layers before it are taken
  };
  std::map<std::optional<std::string>, TSameName> byName;
  for (std::size_t i = 0; i < names.size(); ++i) byName[names[i]].layers.push_back(i);
  // By name: the layer of that name at the saved position first, then the
  // first free one of that name.
  for (std::size_t s = 0; s < saved.size(); ++s) {
    const TWorkLayer& entry = saved[s];
    const auto position = static_cast<std::size_t>(entry.position);
    int found = -1;
    if (position < names.size() && match.savedFor[position] < 0 && names[position] == entry.name) {
      found = static_cast<int>(position);
    }
    if (found < 0) {
      const auto same = byName.find(entry.name);
      if (same != byName.end()) {
        TSameName& free = same->second;
        while (free.next < free.layers.size() && match.savedFor[free.layers[free.next]] >= 0) ++free.next;
        if (free.next < free.layers.size()) found = static_cast<int>(free.layers[free.next]);
      }
    }
    if (found >= 0) {
      match.savedFor[static_cast<std::size_t>(found)] = static_cast<int>(s);
      used[s] = true;
    }
  }
  // By position: a renamed layer still where it was.
  for (std::size_t s = 0; s < saved.size(); ++s) {
    const auto position = static_cast<std::size_t>(saved[s].position);
    if (used[s] || position >= names.size() || match.savedFor[position] >= 0) continue;
    match.savedFor[position] = static_cast<int>(s);
    used[s] = true;
  }
  for (const int s : match.savedFor) match.unmatchedLayers += s < 0 ? 1 : 0;
  for (const bool u : used) match.unusedSettings += u ? 0 : 1;
  return match;
}

}  // namespace tintloom
