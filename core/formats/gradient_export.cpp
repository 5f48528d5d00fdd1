#include "core/formats/gradient_export.h"

#include <cassert>
#include <string>

#include "core/formats/byte_stream.h"

namespace tintloom {

namespace {

// A descriptor stream: keys and class IDs are a zero length followed by a
// four-byte ID; strings are UTF-16 with their terminator counted.
class TDescriptorWriter {
 public:
  void Id(const char (&id)[5]) { w_.Raw(std::string_view(id, 4)); }
  void Key(const char (&id)[5]) {
    w_.U32BE(0);
    Id(id);
  }
  void Text(std::u16string_view text) {
    w_.U32BE(static_cast<std::uint32_t>(text.size() + 1));
    for (char16_t u : text) w_.U16BE(static_cast<std::uint16_t>(u));
    w_.U16BE(0);
  }
  // Name, class and item count of a descriptor.
  void Descriptor(std::u16string_view name, const char (&classId)[5], std::uint32_t items) {
    Text(name);
    Key(classId);
    w_.U32BE(items);
  }
  void Double(const char (&key)[5], double value) {
    Key(key);
    Id("doub");
    w_.F64BE(value);
  }
  void Long(const char (&key)[5], std::uint32_t value) {
    Key(key);
    Id("long");
    w_.U32BE(value);
  }
  void Enum(const char (&key)[5], const char (&type)[5], const char (&value)[5]) {
    Key(key);
    Id("enum");
    Key(type);
    Key(value);
  }
  void ListStart(const char (&key)[5], std::uint32_t count) {
    Key(key);
    Id("VlLs");
    w_.U32BE(count);
  }
  TByteWriter& Bytes() { return w_; }

 private:
  TByteWriter w_;
};

constexpr std::u16string_view kGradientName = u"グラデーション";
constexpr std::u16string_view kCustomName = u"カスタム";
constexpr std::uint32_t kGradientSteps = 4096;

void PutGradient(TDescriptorWriter& d, std::span<const TRgb24> shades) {
  d.Id("Objc");
  d.Descriptor(kGradientName, "Grdn", 1);
  d.Key("Grad");
  d.Id("Objc");
  d.Descriptor(kGradientName, "Grdn", 5);
  d.Key("Nm  ");
  d.Id("TEXT");
  d.Text(kCustomName);
  d.Enum("GrdF", "GrdF", "CstS");
  d.Double("Intr", kGradientSteps);
  d.ListStart("Clrs", 4);
  for (int i = 0; i < 4; ++i) {
    // Dark to light: deep shadow, shadow, base, highlight.
    const TRgb24& c = shades[static_cast<std::size_t>(3 - i)];
    d.Id("Objc");
    d.Descriptor(u"", "Clrt", 4);
    d.Key("Clr ");
    d.Id("Objc");
    d.Descriptor(u"", "RGBC", 3);
    // A channel unpacked to 0..1 and multiplied back by 255 is the byte again.
    d.Double("Rd  ", c.red);
    d.Double("Grn ", c.green);
    d.Double("Bl  ", c.blue);
    d.Enum("Type", "Clry", "UsrS");
    d.Long("Lctn", static_cast<std::uint32_t>(i) * kGradientSteps / 3);
    d.Long("Mdpn", 50);
  }
  d.ListStart("Trns", 2);
  for (std::uint32_t location : {0u, kGradientSteps}) {
    d.Id("Objc");
    d.Descriptor(u"", "TrnS", 3);
    d.Key("Opct");
    d.Id("UntF");
    d.Id("#Prc");
    d.Bytes().F64BE(100.0);
    d.Long("Lctn", location);
    d.Long("Mdpn", 50);
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeGradient(std::span<const TRgb24> colours) {
  assert(colours.size() % 4 == 0);
  const std::size_t gradients = colours.size() / 4;
  TDescriptorWriter d;
  d.Id("8BGR");
  d.Bytes().U16BE(5);
  d.Bytes().U32BE(16);
  d.Descriptor(u"", "null", 1);
  d.ListStart("GrdL", static_cast<std::uint32_t>(gradients));
  for (std::size_t s = 0; s < gradients; ++s) PutGradient(d, colours.subspan(4 * s, 4));
  return d.Bytes().Take();
}

}  // namespace tintloom
