#include "core/artwork/layer_stack.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include "core/artwork/blend_table.h"
#include "core/artwork/psd_file.h"
#include "core/base/user_text.h"

namespace tintloom {

namespace {

constexpr const char* kDamaged = TL_TEXT("tintloom", "ファイルが壊れています");

struct TModeName {
  const char* name;
  const char* key;  // the PSD key of the mode that draws the same
};

// OpenRaster's composite operations and Krita's own mode names with the same
// meaning as one of the seventeen modes. Any other mode (hue, colour,
// saturation, luminosity, the SVG compositing operators, Krita's many
// variants) has no match and draws as normal.
constexpr TModeName kOraModes[] = {
    {"svg:src-over", "norm"},       {"svg:darken", "dark"},        {"svg:multiply", "mul "},
    {"svg:color-burn", "idiv"},     {"krita:linear_burn", "lbrn"}, {"svg:lighten", "lite"},
    {"svg:screen", "scrn"},         {"svg:color-dodge", "div "},   {"svg:plus", "lddg"},
    {"krita:linear_dodge", "lddg"}, {"svg:overlay", "over"},       {"svg:soft-light", "sLit"},
    {"svg:hard-light", "hLit"},     {"krita:vivid_light", "vLit"}, {"krita:linear_light", "lLit"},
    {"krita:pin_light", "pLit"},    {"krita:hard_mix_photoshop", "hMix"}, {"svg:difference", "diff"},
    {"svg:exclusion", "smud"},
};
constexpr TModeName kKraModes[] = {
    {"normal", "norm"},        {"darken", "dark"},         {"multiply", "mul "},
    {"burn", "idiv"},          {"linear_burn", "lbrn"},    {"lighten", "lite"},
    {"screen", "scrn"},        {"dodge", "div "},          {"add", "lddg"},
    {"linear_dodge", "lddg"},  {"overlay", "over"},        {"soft_light", "sLit"},
    {"hard_light", "hLit"},    {"vivid_light", "vLit"},    {"linear light", "lLit"},
    {"linear_light", "lLit"},  {"pin_light", "pLit"},      {"hard_mix_photoshop", "hMix"},
    {"diff", "diff"},          {"exclusion", "smud"},
};

// The blend code of a mode name, or nothing when no mode means the same.
std::optional<std::int16_t> ModeCode(std::string_view name, TStackFormat format) {
  if (name.empty()) return kBlendNormal;
  const auto match = [&](const auto& table) -> std::optional<std::int16_t> {
    for (const TModeName& mode : table) {
      if (name == mode.name) return BlendCodeFromKey(mode.key);
    }
    return std::nullopt;
  };
  return format == TStackFormat::kOra ? match(kOraModes) : match(kKraModes);
}

// What the groups above a layer contribute.
struct TInherited {
  double opacity = 1.0;
  bool unknownMode = false;
};

std::uint8_t Opacity255(double opacity) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(opacity, 0.0, 1.0) * 255.0));
}

std::int64_t Coordinate(const pugi::xml_node& node, const char* name) {
  // Far beyond any real position, but far inside 64 bits.
  return std::clamp<std::int64_t>(node.attribute(name).as_llong(0), -(std::int64_t{1} << 40), std::int64_t{1} << 40);
}

class TStackReader {
 public:
  TStackReader(TStackFormat format, TLayerStack& stack) : format_(format), stack_(stack) {}

  // The children of one stack (or <layers>), top first in the file: each is
  // appended after what lies beneath it, so they are read bottom first.
  bool ReadChildren(const pugi::xml_node& parent, const TInherited& inherited, int depth) {
    if (depth > kStackMaxDepth) return false;
    std::vector<pugi::xml_node> children;
    for (const pugi::xml_node& child : parent.children()) {
      if (child.type() == pugi::node_element) children.push_back(child);
      if (children.size() > kStackMaxLayers) return false;
    }
    // The first layer of this group drawn unclipped, below which clipped
    // layers have nothing of the group to show over.
    std::size_t group_start = stack_.layers.size();
    int unclipped = 0;
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      if (++visited_ > kStackMaxLayers) return false;
      if (!ReadNode(*it, inherited, depth, group_start, unclipped)) return false;
    }
    return true;
  }

 private:
  bool ReadNode(const pugi::xml_node& node, const TInherited& inherited, int depth, std::size_t group_start,
                int& unclipped) {
    const std::string_view tag = node.name();
    const bool ora = format_ == TStackFormat::kOra;
    const bool visible = ora ? std::string_view(node.attribute("visibility").as_string("visible")) != "hidden"
                             : node.attribute("visible").as_int(1) != 0;
    const double opacity = ora ? node.attribute("opacity").as_double(1.0) : node.attribute("opacity").as_int(255) / 255.0;
    const std::string mode = ora ? node.attribute("composite-op").as_string("svg:src-over")
                                 : node.attribute("compositeop").as_string("normal");
    if (ora ? tag == "stack" : tag == "layer" && std::string_view(node.attribute("nodetype").as_string()) == "grouplayer") {
      // A hidden group hides everything in it; its opacity multiplies into
      // its layers'. A group drawn in a mode of its own is drawn as if it
      // passed its layers through.
      if (!visible) return true;
      TInherited inner = inherited;
      inner.opacity *= std::clamp(opacity, 0.0, 1.0);
      const std::optional<std::int16_t> code = ModeCode(mode, format_);
      const bool pass_through = ora ? std::string_view(node.attribute("isolation").as_string("auto")) != "isolate"
                                    : node.attribute("passthrough").as_int(0) != 0;
      if (!pass_through && code != kBlendNormal) inner.unknownMode = true;
      const std::size_t before = stack_.layers.size();
      if (!ReadChildren(ora ? node : node.child("layers"), inner, depth + 1)) return false;
      // A layer clipped onto a group is drawn clipped onto the group's top
      // layer: the same picture only when that is all the group shows.
      if (stack_.layers.size() - before == 1) {
        ++unclipped;
      } else if (stack_.layers.size() > before) {
        unclipped += 2;
      }
      return true;
    }
    if (tag != "layer") return true;  // text, foreign elements: not drawn
    const std::string_view type = ora ? "paintlayer" : node.attribute("nodetype").as_string();
    if (!visible) return true;
    if (type != "paintlayer") {
      // Vector, text, fill, filter, clone and file layers keep no pixels of
      // their own in a .kra.
      ++stack_.leftOut;
      return true;
    }
    TStackLayer layer;
    layer.name = node.attribute("name").as_string();
    layer.x = Coordinate(node, "x");
    layer.y = Coordinate(node, "y");
    layer.opacity = Opacity255(std::clamp(opacity, 0.0, 1.0) * inherited.opacity);
    const std::optional<std::int16_t> code = ModeCode(mode, format_);
    // Drawn over only what lies beneath it: OpenRaster's source-atop, Krita's
    // "inherit alpha" (the alpha channel switched off in the channel flags).
    if (ora) {
      layer.clipped = mode == "svg:src-atop";
    } else {
      const std::string_view flags = node.attribute("channelflags").as_string();
      layer.clipped = !flags.empty() && flags.back() == '0';
    }
    layer.blendCode = code.value_or(kBlendNormal);
    layer.blendUnknown = (!code && !(ora && layer.clipped)) || inherited.unknownMode;
    if (ora) {
      layer.source = node.attribute("src").as_string();
    } else {
      layer.source = std::string(node.attribute("filename").as_string());
      layer.colourSpace = node.attribute("colorspacename").as_string();
      for (const pugi::xml_node& mask : node.child("masks").children("mask")) {
        if (std::string_view(mask.attribute("nodetype").as_string()) == "transparencymask" &&
            mask.attribute("visible").as_int(1) != 0) {
          layer.mask = mask.attribute("filename").as_string();
        }
      }
    }
    if (layer.source.empty()) {
      ++stack_.leftOut;
      return true;
    }
    if (layer.clipped) {
      // Clipped onto the group's layers beneath it: the same picture as a
      // PSD clipping group only when exactly one of them is unclipped.
      if (unclipped == 0 || stack_.layers.size() == group_start) {
        ++stack_.leftOut;
        return true;
      }
      if (unclipped > 1) ++stack_.clipApproximated;
    } else {
      ++unclipped;
    }
    stack_.layers.push_back(std::move(layer));
    return true;
  }

  TStackFormat format_;
  TLayerStack& stack_;
  std::size_t visited_ = 0;
};

}  // namespace

Result<TLayerStack> ParseLayerStack(std::span<const std::uint8_t> xml, TStackFormat format, const std::string& path) {
  pugi::xml_document document;
  // No DOCTYPE is read, so no entity it declares is ever expanded; only the
  // five predefined entities and character references are.
  const pugi::xml_parse_result parsed =
      document.load_buffer(xml.data(), xml.size(), pugi::parse_default & ~pugi::parse_doctype, pugi::encoding_utf8);
  if (!parsed) return Fail(WithPath(kDamaged, path));
  TLayerStack stack;
  pugi::xml_node top;
  if (format == TStackFormat::kOra) {
    const pugi::xml_node image = document.child("image");
    stack.width = image.attribute("w").as_llong(0);
    stack.height = image.attribute("h").as_llong(0);
    top = image.child("stack");
  } else {
    const pugi::xml_node image = document.child("DOC").child("IMAGE");
    stack.width = image.attribute("width").as_llong(0);
    stack.height = image.attribute("height").as_llong(0);
    stack.colourSpace = image.attribute("colorspacename").as_string();
    top = image.child("layers");
    stack.imageName = image.attribute("name").as_string();
  }
  if (!top || stack.width <= 0 || stack.height <= 0) return Fail(WithPath(kDamaged, path));
  TStackReader reader(format, stack);
  if (!reader.ReadChildren(top, TInherited{}, 0)) return Fail(WithPath(kDamaged, path));
  return stack;
}

}  // namespace tintloom
