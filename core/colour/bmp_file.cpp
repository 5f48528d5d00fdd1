#include "core/colour/bmp_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>

#include "core/base/file_io.h"

namespace tintloom {

namespace {

std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}
std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;

// One colour channel of a 16- or 32-bit pixel: where its bits are, and how
// to widen (or narrow) them to a byte so that the channel's maximum is 255.
class TChannelMask {
 public:
  // False for a mask whose bits are not one contiguous run.
  bool Set(std::uint32_t mask) {
    mask_ = mask;
    shift_ = bits_ = 0;
    if (mask == 0) return true;  // the channel is absent: always 0
    shift_ = std::countr_zero(mask);
    const std::uint32_t run = mask >> shift_;
    if ((run & (run + 1)) != 0) return false;
    bits_ = std::popcount(run);
    return true;
  }
  std::uint8_t Extract(std::uint32_t pixel) const {
    if (bits_ == 0) return 0;
    const std::uint32_t v = (pixel & mask_) >> shift_;
    if (bits_ >= 8) return static_cast<std::uint8_t>(v >> (bits_ - 8));
    const std::uint32_t max = (1u << bits_) - 1;
    return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
  }

 private:
  std::uint32_t mask_ = 0;
  int shift_ = 0;
  int bits_ = 0;
};

struct TBmpLayout {
  std::int64_t width = 0;
  std::int64_t height = 0;
  bool topDown = false;
  std::uint16_t bits = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t pixelOffset = 0;
  std::array<TRgb24, 256> palette{};  // entries the file lacks stay black
  TChannelMask red, green, blue;
};

bool SupportedFormat(std::uint16_t bits, std::uint32_t compression) {
  switch (bits) {
    case 1: case 24: return compression == kRgb;
    case 4: return compression == kRgb || compression == kRle4;
    case 8: return compression == kRgb || compression == kRle8;
    case 16: case 32: return compression == kRgb || compression == kBitFields || compression == kAlphaBitFields;
    default: return false;
  }
}

Result<TBmpLayout> ReadLayout(std::span<const std::uint8_t> bytes) {
  const std::uint8_t* p = bytes.data();
  const std::size_t size = bytes.size();
  if (size < 18 || p[0] != 'B' || p[1] != 'M') return Fail("not a BMP file");
  TBmpLayout layout;
  layout.pixelOffset = U32(p + 10);
  const std::uint32_t headerSize = U32(p + 14);
  if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
      headerSize != 124) {
    return Fail("unsupported BMP header");
  }
  if (14u + headerSize > size) return Fail("BMP header is truncated");
  std::uint32_t coloursUsed = 0;
  if (headerSize == 12) {
    layout.width = U16(p + 18);
    layout.height = U16(p + 20);
    layout.bits = U16(p + 24);
  } else {
    layout.width = static_cast<std::int32_t>(U32(p + 18));
    const auto rawHeight = static_cast<std::int32_t>(U32(p + 22));
    layout.topDown = rawHeight < 0;
    layout.height = layout.topDown ? -std::int64_t{rawHeight} : rawHeight;
    layout.bits = U16(p + 28);
    layout.compression = U32(p + 30);
    coloursUsed = U32(p + 46);
  }
  if (layout.width <= 0 || layout.height <= 0 || layout.width > kMaxBmpSide || layout.height > kMaxBmpSide) {
    return Fail("BMP size out of range");
  }
  if (!SupportedFormat(layout.bits, layout.compression)) return Fail("unsupported BMP format");
  if (layout.pixelOffset > size) return Fail("BMP pixel data is truncated");

  if (layout.bits <= 8) {
    // The colour table follows the header: B, G, R (and a spare byte, except
    // after a core header). It may hold fewer entries than the indices reach.
    const std::size_t tableStart = 14u + headerSize;
    const std::size_t entrySize = headerSize == 12 ? 3 : 4;
    const std::size_t tableEnd = layout.pixelOffset >= tableStart ? layout.pixelOffset : size;
    std::size_t count = std::size_t{1} << layout.bits;
    if (coloursUsed != 0 && coloursUsed < count) count = coloursUsed;
    count = std::min(count, (tableEnd - tableStart) / entrySize);
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint8_t* e = p + tableStart + i * entrySize;
      layout.palette[i] = TRgb24{e[0], e[1], e[2]};
    }
  } else if (layout.bits == 16 || layout.bits == 32) {
    std::uint32_t masks[3] = {0xFF0000, 0xFF00, 0xFF};
    if (layout.bits == 16) {
      masks[0] = 0x7C00;  // 5-5-5 unless the file gives masks
      masks[1] = 0x03E0;
      masks[2] = 0x001F;
    }
    if (layout.compression != kRgb) {
      // Inside the larger headers; straight after a 40-byte one.
      if (14u + 40u + 12u > size) return Fail("BMP header is truncated");
      for (int k = 0; k < 3; ++k) masks[k] = U32(p + 54 + 4 * k);
    }
    if (!layout.red.Set(masks[0]) || !layout.green.Set(masks[1]) || !layout.blue.Set(masks[2])) {
      return Fail("unsupported BMP colour masks");
    }
  }
  return layout;
}

// Index x of a row of 1-, 4- or 8-bit pixels, the leftmost in the high bits.
std::uint8_t PackedIndex(const std::uint8_t* row, std::int64_t x, int bits) {
  const std::int64_t bit = x * bits;
  const int shift = 8 - bits - static_cast<int>(bit % 8);
  return static_cast<std::uint8_t>((row[bit / 8] >> shift) & ((1u << bits) - 1));
}

std::int64_t RowBytes(const TBmpLayout& layout) { return (layout.width * layout.bits + 31) / 32 * 4; }

// At best a run-length stream gives 255 pixels for every two bytes.
constexpr std::int64_t kMaxRunLengthPixelsPerByte = 128;

// Checked before the image is allocated: rows must be there in full, and a
// run-length stream may not claim more pixels than its bytes can describe
// at best, so that a small file cannot make a large allocation.
Result<> CheckDataSize(std::span<const std::uint8_t> bytes, const TBmpLayout& layout) {
  const auto data = static_cast<std::int64_t>(bytes.size()) - std::int64_t{layout.pixelOffset};
  if (layout.compression == kRle8 || layout.compression == kRle4) {
    if (layout.width * layout.height > kMaxRunLengthPixelsPerByte * std::max<std::int64_t>(data, 2)) {
      return Fail("BMP pixel data is truncated");
    }
    return Ok();
  }
  if (RowBytes(layout) * layout.height > data) return Fail("BMP pixel data is truncated");
  return Ok();
}

Result<> DecodeRows(std::span<const std::uint8_t> bytes, const TBmpLayout& layout, TSurface& out) {
  const std::int64_t rowBytes = RowBytes(layout);
  for (std::int64_t r = 0; r < layout.height; ++r) {
    const std::uint8_t* src = bytes.data() + layout.pixelOffset + r * rowBytes;
    TRgb24* dst = out.rows[static_cast<std::size_t>(layout.topDown ? r : layout.height - 1 - r)];
    for (std::int64_t x = 0; x < layout.width; ++x) {
      switch (layout.bits) {
        case 24: dst[x] = TRgb24{src[3 * x], src[3 * x + 1], src[3 * x + 2]}; break;
        case 16: case 32: {
          const std::uint32_t px = layout.bits == 16 ? U16(src + 2 * x) : U32(src + 4 * x);
          dst[x] = TRgb24{layout.blue.Extract(px), layout.green.Extract(px), layout.red.Extract(px)};
          break;
        }
        default: dst[x] = layout.palette[PackedIndex(src, x, layout.bits)]; break;
      }
    }
  }
  return Ok();
}

// Run-length streams: (count, index) runs, and after a zero count an escape:
// 0 end of line, 1 end of bitmap, 2 delta (right, up), 3..255 that many
// literal indices padded to a 16-bit boundary. Runs are clipped to the image;
// a stream cut off inside a command is refused, one that simply stops ends
// the bitmap there.
Result<> DecodeRunLengths(std::span<const std::uint8_t> bytes, const TBmpLayout& layout, TSurface& out) {
  const std::uint8_t* p = bytes.data();
  const std::size_t size = bytes.size();
  const bool nibbles = layout.compression == kRle4;
  const auto put = [&](std::int64_t x, std::int64_t y, std::uint8_t index) {
    if (x >= layout.width) return;
    out.rows[static_cast<std::size_t>(layout.topDown ? y : layout.height - 1 - y)][x] = layout.palette[index];
  };
  std::size_t i = layout.pixelOffset;
  std::int64_t x = 0;
  std::int64_t y = 0;
  while (y < layout.height) {
    if (i == size) break;
    if (size - i < 2) return Fail("BMP pixel data is truncated");
    const std::uint8_t count = p[i];
    const std::uint8_t value = p[i + 1];
    i += 2;
    if (count > 0) {
      for (int k = 0; k < count; ++k) {
        put(x + k, y, nibbles ? static_cast<std::uint8_t>(k % 2 == 0 ? value >> 4 : value & 0x0F) : value);
      }
      x += count;
    } else if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      if (size - i < 2) return Fail("BMP pixel data is truncated");
      x += p[i];
      y += p[i + 1];
      i += 2;
    } else {
      const std::size_t dataBytes = nibbles ? (value + 1u) / 2u : value;
      if (size - i < dataBytes) return Fail("BMP pixel data is truncated");
      for (int k = 0; k < value; ++k) {
        const std::uint8_t b = p[i + (nibbles ? static_cast<std::size_t>(k / 2) : static_cast<std::size_t>(k))];
        put(x + k, y, nibbles ? static_cast<std::uint8_t>(k % 2 == 0 ? b >> 4 : b & 0x0F) : b);
      }
      x += value;
      i += std::min(dataBytes + (dataBytes & 1u), size - i);
    }
  }
  return Ok();
}

}  // namespace

Result<TSurface> DecodeBmp(std::span<const std::uint8_t> bytes) {
  TRY_ASSIGN(const TBmpLayout layout, ReadLayout(bytes));
  TRY(CheckDataSize(bytes, layout));
  TSurface out;
  if (!out.Create(static_cast<std::int32_t>(layout.width), static_cast<std::int32_t>(layout.height))) {
    return Fail("BMP size out of range");
  }
  if (layout.compression == kRle8 || layout.compression == kRle4) {
    FillAll(out, 0x000000);
    TRY(DecodeRunLengths(bytes, layout, out));
  } else {
    TRY(DecodeRows(bytes, layout, out));
  }
  return out;
}

Result<TSurface> LoadBmpFile(const std::string& path) {
  // The largest bitmap we decode, with room for headers and a colour table.
  constexpr std::uint64_t kMaxFileBytes = std::uint64_t{4} * kMaxBmpSide * kMaxBmpSide + 65536;
  // Opened without waiting, so a FIFO in its place is refused, not waited on.
  Result<int> opened = OpenRegularFile(path);
  if (!opened) return Fail("cannot open " + path);
  struct stat info {};
  const bool sized = ::fstat(*opened, &info) == 0;
  ::close(*opened);
  if (!sized || info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > kMaxFileBytes) {
    return Fail(path + ": BMP file is too large");
  }
  Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(path, kMaxFileBytes);
  if (!bytes) return Fail("cannot read " + path);
  Result<TSurface> surface = DecodeBmp(*bytes);
  if (!surface) return Fail(path + ": " + surface.error().message);
  return surface;
}
std::vector<std::uint8_t> EncodeBmp24(const TSurface& s) {
  const std::uint32_t row_bytes = (static_cast<std::uint32_t>(s.width) * 3 + 3) & ~3u;
  const std::uint32_t image_size = row_bytes * static_cast<std::uint32_t>(s.height);
  std::vector<std::uint8_t> out;
  out.reserve(54 + image_size);
  out.push_back('B');
  out.push_back('M');
  Put32(out, 54 + image_size);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(s.width));
  Put32(out, static_cast<std::uint32_t>(s.height));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, image_size);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (std::int32_t y = s.height - 1; y >= 0; --y) {
    const TRgb24* row = s.rows[static_cast<std::size_t>(y)];
    for (std::int32_t x = 0; x < s.width; ++x) {
      out.push_back(row[x].blue);
      out.push_back(row[x].green);
      out.push_back(row[x].red);
    }
    for (std::uint32_t pad = static_cast<std::uint32_t>(s.width) * 3; pad < row_bytes; ++pad) out.push_back(0);
  }
  return out;
}

bool SaveBmpFile(const std::string& path, const TSurface& s) {
  const std::vector<std::uint8_t> bytes = EncodeBmp24(s);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace tintloom
