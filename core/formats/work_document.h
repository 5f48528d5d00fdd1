#pragma once
// The work document (.tlw): a whole evening's work in one file, the
// coordination together with the artwork it was made for and every working
// layer's settings. Versioned JSON text, UTF-8 (layer names are the PSD's own
// bytes: printable ASCII as it is, every other byte as \u00XX):
//
//   {
//     "format": "tintloom-work",
//     "version": 1,
//     "palette": "544c504c02000000...",   the palette document's 2384 bytes
//                                         in hexadecimal, exactly as a .tlp
//     "artwork": "picture.psd",           relative to this file when the
//                                         artwork lies beside or below it,
//                                         else absolute; null without one
//     "layers": [                         the working layers, bottom first
//       {"position": 0, "name": "line", "slot": 3, "base": 170, "shadow": 85,
//        "blend": -1},
//       {"position": 1, ..., "blend": -1, "hidden": true},
//       ...
//     ]
//   }
//
// slot: 0..9 a colour slot, 10 the grey ramp, 11 black, 12 white; base and
// shadow: levels 0..255; blend: -1 normal, 0..16 a blend mode; name: null
// for a layer without one; hidden: only on a layer set aside in the layer
// window, absent (false) otherwise. Members a reader does not know are passed over,
// so later versions may add some; a larger version is refused.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/base/result.h"
#include "core/base/user_text.h"

namespace tintloom {

inline constexpr std::int64_t kWorkDocumentVersion = 1;
inline constexpr const char* kWorkDocumentFormat = "tintloom-work";
// Far more than any real document (a layer entry is about a hundred bytes).
inline constexpr std::uint64_t kMaxWorkDocumentBytes = 64ull << 20;
inline constexpr const char* kArtworkMissing = TL_TEXT("tintloom", "見本用PSDファイルが見つかりません");

struct TWorkLayer {
  std::int32_t position = 0;
  std::optional<std::string> name;
  std::int16_t slot = 10;
  std::uint8_t base = 170;
  std::uint8_t shadow = 85;
  std::int16_t blend = -1;
  bool hidden = false;
};

struct TWorkDocument {
  std::vector<std::uint8_t> palette;   // a whole palette document
  std::optional<std::string> artwork;  // as stored
  std::vector<TWorkLayer> layers;
};

std::string EncodeWorkDocument(const TWorkDocument& document);
// Refuses anything but a complete document of a known version with every
// field in range: "ファイルが壊れています", or "フォーマットバージョンがあいません"
// for a version this reader does not know.
Result<TWorkDocument> DecodeWorkDocument(std::span<const std::uint8_t> bytes);

// How the artwork path is stored for a work file at `workPath`, and back.
std::string StoredArtworkPath(const std::string& artwork, const std::string& workPath);
std::string ResolveArtworkPath(const std::string& stored, const std::string& workPath);

// For every layer of the artwork (by index), the saved entry it takes its
// settings from, or -1. A saved layer goes to a layer of the same name (the
// one at its own position when several share it), else to the layer at its
// position if that one is still free.
struct TLayerMatch {
  std::vector<int> savedFor;
  int unmatchedLayers = 0;   // artwork layers left as opened
  int unusedSettings = 0;    // saved entries that found no layer
};
TLayerMatch MatchLayers(const std::vector<TWorkLayer>& saved, const std::vector<std::optional<std::string>>& names);

}  // namespace tintloom
