#include "core/artwork/kra_tiles.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <string_view>
#include <vector>

#include "core/artwork/lzf.h"
#include "core/artwork/psd_file.h"
#include "core/base/user_text.h"

namespace tintloom {

namespace {

constexpr const char* kDamaged = TL_TEXT("tintloom", "ファイルが壊れています");
constexpr std::int64_t kTilePixels = kKraTileSide * kKraTileSide;
// Tile positions beyond this are no real painting; refusing them keeps every
// sum far inside 64 bits.
constexpr std::int64_t kMaxTilePosition = std::int64_t{1} << 31;

// Reads the header lines and tile lines of the text parts.
class TTileText {
 public:
  explicit TTileText(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  // The next line without its newline; nothing at the end of the bytes or
  // for a line longer than any the format has.
  std::optional<std::string_view> Line() {
    const std::size_t limit = std::min(bytes_.size(), pos_ + 128);
    for (std::size_t i = pos_; i < limit; ++i) {
      if (bytes_[i] == '\n') {
        std::string_view line(reinterpret_cast<const char*>(bytes_.data()) + pos_, i - pos_);
        pos_ = i + 1;
        return line;
      }
    }
    return std::nullopt;
  }
  // "KEY value" with the key expected.
  std::optional<std::int64_t> Field(std::string_view key) {
    const std::optional<std::string_view> line = Line();
    if (!line || line->size() <= key.size() + 1 || line->substr(0, key.size()) != key || (*line)[key.size()] != ' ') {
      return std::nullopt;
    }
    std::string_view rest = line->substr(key.size() + 1);
    return Number(rest, true);
  }
  // A decimal number (with a sign) taking the whole of `text` when `whole`,
  // else up to the next comma, which is consumed.
  static std::optional<std::int64_t> Number(std::string_view& text, bool whole) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    const std::size_t digits = i;
    std::int64_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      if (value > (std::int64_t{1} << 40)) return std::nullopt;
      value = value * 10 + (text[i++] - '0');
    }
    if (i == digits) return std::nullopt;
    if (whole) {
      if (i != text.size()) return std::nullopt;
      text = {};
    } else {
      if (i >= text.size() || text[i] != ',') return std::nullopt;
      text.remove_prefix(i + 1);
    }
    return negative ? -value : value;
  }
  std::size_t Position() const { return pos_; }
  std::size_t Remaining() const { return bytes_.size() - pos_; }
  std::span<const std::uint8_t> Take(std::size_t n) {
    const std::span<const std::uint8_t> part = bytes_.subspan(pos_, n);
    pos_ += n;
    return part;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

struct TTile {
  std::int64_t x = 0, y = 0;
  std::span<const std::uint8_t> data;  // the flag and the pixels
};

// The channel value as 8 bits: 16-bit values rounded, as Krita converts.
std::uint8_t Channel8(const std::uint8_t* pixel, int channel, int channelBytes) {
  if (channelBytes == 1) return pixel[channel];
  const unsigned v = pixel[channel * 2] | pixel[channel * 2 + 1] << 8;
  return static_cast<std::uint8_t>((v * 255u + 32767u) / 65535u);
}

}  // namespace

std::optional<TTilePixel> KraPixelLayout(const std::string& colourSpace) {
  if (colourSpace == "RGBA") return TTilePixel{4, 1, 2, 1, 0, 3};
  if (colourSpace == "RGBA16") return TTilePixel{8, 2, 2, 1, 0, 3};
  if (colourSpace == "GRAYA") return TTilePixel{2, 1, 0, 0, 0, 1};
  if (colourSpace == "GRAYA16") return TTilePixel{4, 2, 0, 0, 0, 1};
  return std::nullopt;
}

TTilePixel KraMaskLayout() { return TTilePixel{1, 1, -1, -1, -1, 0}; }

Result<TLayerPlanes> DecodeKraTiles(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> defaultPixel,
                                    const TTilePixel& pixel, std::int64_t dx, std::int64_t dy, std::int64_t docWidth,
                                    std::int64_t docHeight, const std::string& path) {
  const auto damaged = [&] { return Fail(WithPath(kDamaged, path)); };
  TTileText text(bytes);
  const std::optional<std::int64_t> version = text.Field("VERSION");
  const std::optional<std::int64_t> tile_width = text.Field("TILEWIDTH");
  const std::optional<std::int64_t> tile_height = text.Field("TILEHEIGHT");
  const std::optional<std::int64_t> pixel_size = text.Field("PIXELSIZE");
  const std::optional<std::int64_t> count = text.Field("DATA");
  if (version != 2 || tile_width != kKraTileSide || tile_height != kKraTileSide || pixel_size != pixel.size ||
      !count || *count < 0) {
    return damaged();
  }
  // A tile takes at least its line ("0,0,LZF,1" and a newline) and a flag.
  if (static_cast<std::uint64_t>(*count) > text.Remaining() / 11) return damaged();
  if (!defaultPixel.empty() && defaultPixel.size() != static_cast<std::size_t>(pixel.size)) return damaged();
  const auto tile_bytes = static_cast<std::size_t>(kTilePixels * pixel.size);

  // Every tile line is read and checked first, and the part of the document
  // the tiles reach found, before anything is allocated.
  std::vector<TTile> tiles;
  std::int64_t x0 = docWidth, y0 = docHeight, x1 = 0, y1 = 0;
  for (std::int64_t i = 0; i < *count; ++i) {
    std::optional<std::string_view> line = text.Line();
    if (!line) return damaged();
    std::string_view rest = *line;
    const std::optional<std::int64_t> x = TTileText::Number(rest, false);
    const std::optional<std::int64_t> y = TTileText::Number(rest, false);
    if (!x || !y || rest.size() < 5 || rest.substr(0, 4) != "LZF,") return damaged();
    rest.remove_prefix(4);
    const std::optional<std::int64_t> size = TTileText::Number(rest, true);
    if (!size || *size < 1 || static_cast<std::uint64_t>(*size) > text.Remaining() ||
        static_cast<std::size_t>(*size) > tile_bytes + 1) {
      return damaged();
    }
    // Krita places tiles on the 64-pixel grid.
    if (*x % kKraTileSide != 0 || *y % kKraTileSide != 0 || *x < -kMaxTilePosition || *x > kMaxTilePosition ||
        *y < -kMaxTilePosition || *y > kMaxTilePosition) {
      return damaged();
    }
    const TTile tile{*x + dx, *y + dy, text.Take(static_cast<std::size_t>(*size))};
    const std::int64_t tx0 = std::max<std::int64_t>(tile.x, 0), ty0 = std::max<std::int64_t>(tile.y, 0);
    const std::int64_t tx1 = std::min(tile.x + kKraTileSide, docWidth), ty1 = std::min(tile.y + kKraTileSide, docHeight);
    if (tx0 >= tx1 || ty0 >= ty1) continue;  // off the document: never shows
    x0 = std::min(x0, tx0);
    y0 = std::min(y0, ty0);
    x1 = std::max(x1, tx1);
    y1 = std::max(y1, ty1);
    try {
      tiles.push_back(tile);
    } catch (const std::exception&) {
      return Fail(WithPath(TL_TEXT("tintloom", "メモリが足りないためファイルを開けません."), path));
    }
  }
  const bool opaque_default = !defaultPixel.empty() && defaultPixel[static_cast<std::size_t>(pixel.alpha * pixel.channelBytes + pixel.channelBytes - 1)] != 0;
  if (opaque_default) {
    x0 = y0 = 0;
    x1 = docWidth;
    y1 = docHeight;
  }
  TLayerPlanes out;
  if (x0 >= x1 || y0 >= y1) return out;  // nothing on the document
  out.left = static_cast<std::int32_t>(x0);
  out.top = static_cast<std::int32_t>(y0);
  out.width = static_cast<std::int32_t>(x1 - x0);
  out.height = static_cast<std::int32_t>(y1 - y0);
  const auto plane_size = static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height);
  const bool colour = pixel.red >= 0;
  std::vector<std::uint8_t> unpacked, planar;
  try {
    const auto fill = [&](int channel) {
      return channel < 0 || defaultPixel.empty() ? std::uint8_t{0} : Channel8(defaultPixel.data(), channel, pixel.channelBytes);
    };
    out.alpha.assign(plane_size, fill(pixel.alpha));
    if (colour) {
      out.red.assign(plane_size, fill(pixel.red));
      out.green.assign(plane_size, fill(pixel.green));
      out.blue.assign(plane_size, fill(pixel.blue));
    }
    unpacked.resize(tile_bytes);
    planar.resize(tile_bytes);
  } catch (const std::exception&) {
    return Fail(WithPath(TL_TEXT("tintloom", "メモリが足りないためファイルを開けません."), path));
  }
  for (const TTile& tile : tiles) {
    const std::uint8_t flag = tile.data[0];
    const std::span<const std::uint8_t> body = tile.data.subspan(1);
    if (flag == 1) {
      if (LzfDecompress(body, planar) != static_cast<std::ptrdiff_t>(tile_bytes)) return damaged();
      // Byte k of pixel p sits at k x 4096 + p.
      for (std::size_t p = 0; p < static_cast<std::size_t>(kTilePixels); ++p) {
        for (int k = 0; k < pixel.size; ++k) {
          unpacked[p * static_cast<std::size_t>(pixel.size) + static_cast<std::size_t>(k)] =
              planar[static_cast<std::size_t>(k) * static_cast<std::size_t>(kTilePixels) + p];
        }
      }
    } else if (flag == 0 && body.size() == tile_bytes) {
      std::memcpy(unpacked.data(), body.data(), tile_bytes);
    } else {
      return damaged();
    }
    const std::int64_t cx0 = std::max(tile.x, x0), cx1 = std::min(tile.x + kKraTileSide, x1);
    const std::int64_t cy0 = std::max(tile.y, y0), cy1 = std::min(tile.y + kKraTileSide, y1);
    for (std::int64_t y = cy0; y < cy1; ++y) {
      const std::uint8_t* source = unpacked.data() + ((y - tile.y) * kKraTileSide + (cx0 - tile.x)) * pixel.size;
      const auto at = static_cast<std::size_t>((y - y0) * out.width + (cx0 - x0));
      for (std::int64_t x = cx0; x < cx1; ++x, source += pixel.size) {
        const auto i = at + static_cast<std::size_t>(x - cx0);
        out.alpha[i] = Channel8(source, pixel.alpha, pixel.channelBytes);
        if (colour) {
          out.red[i] = Channel8(source, pixel.red, pixel.channelBytes);
          out.green[i] = Channel8(source, pixel.green, pixel.channelBytes);
          out.blue[i] = Channel8(source, pixel.blue, pixel.channelBytes);
        }
      }
    }
  }
  return out;
}

}  // namespace tintloom
