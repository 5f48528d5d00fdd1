#pragma once
// The layer tree of a Krita (.kra, maindoc.xml) or OpenRaster (.ora,
// stack.xml) document, flattened into the paint layers that show, in
// stacking order: bottom first, as PSD records are stored.
//
// The XML is untrusted. pugixml expands no entity a document declares (it
// reads no DTD and fetches nothing), so a few bytes cannot become gigabytes
// of text; nesting deeper than kStackMaxDepth and more than kStackMaxLayers
// layers are refused.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/base/result.h"

namespace tintloom {

inline constexpr int kStackMaxDepth = 64;
inline constexpr std::size_t kStackMaxLayers = 32767;  // the most a PSD holds

enum class TStackFormat : std::uint8_t { kOra, kKra };

// One paint layer as it shows: its group's visibility and opacity already
// folded in.
struct TStackLayer {
  std::string name;    // UTF-8
  std::string source;  // the zip entry holding its pixels
  std::string mask;    // .kra: the entry of its transparency mask, if any
  std::int64_t x = 0, y = 0;
  std::uint8_t opacity = 255;  // the layer's times its groups'
  std::int16_t blendCode = -1;  // one of the blend codes; normal when no mode means the same
  bool blendUnknown = false;    // its mode (or a group's) has no match and draws as normal
  bool clipped = false;         // drawn only over what lies beneath it in its group
  std::string colourSpace;      // .kra: the layer's colour space ("RGBA", "RGBA16", ...)
};

struct TLayerStack {
  std::int64_t width = 0, height = 0;
  std::string colourSpace;  // .kra: the image's
  std::string imageName;    // .kra: the folder of its layers' pixels
  std::vector<TStackLayer> layers;  // bottom first, only those that show
  // What could not be taken as it is drawn: layers without pixels of their
  // own (vector, text, fill, filter, clone layers of a .kra), and clipped
  // layers ("inherit alpha") over more than one layer, drawn clipped to the
  // nearest one.
  int leftOut = 0;
  int clipApproximated = 0;
};

// Parses `xml` (stack.xml or maindoc.xml). Fails with
// "ファイルが壊れています" naming `path` when it is not such a document.
Result<TLayerStack> ParseLayerStack(std::span<const std::uint8_t> xml, TStackFormat format, const std::string& path);

}  // namespace tintloom
