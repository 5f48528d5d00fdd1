#include "core/colour/bmp_file.h"

#include <cstdio>
#include <fstream>
#include <iterator>

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

}  // namespace

bool DecodeBmp(const std::uint8_t* data, std::size_t size, TSurface& out, std::string& error) {
  out.Release();
  if (size < 54 || data[0] != 'B' || data[1] != 'M') {
    error = "not a BMP file";
    return false;
  }
  const std::uint32_t pixel_offset = U32(data + 10);
  const std::uint32_t header_size = U32(data + 14);
  if (header_size < 40 || 14ull + header_size > size) {
    error = "unsupported BMP header";
    return false;
  }
  const auto width = static_cast<std::int32_t>(U32(data + 18));
  const auto raw_height = static_cast<std::int32_t>(U32(data + 22));
  const std::uint16_t bits = U16(data + 28);
  const std::uint32_t compression = U32(data + 30);
  const bool top_down = raw_height < 0;
  const std::int64_t height = top_down ? -static_cast<std::int64_t>(raw_height) : raw_height;
  if (width <= 0 || height <= 0 || width > kMaxBmpSide || height > kMaxBmpSide) {
    error = "BMP size out of range";
    return false;
  }
  if ((bits != 24 && bits != 32) || !(compression == 0 || (compression == 3 && bits == 32))) {
    error = "only uncompressed 24- and 32-bit BMP files are supported";
    return false;
  }
  const std::int64_t bytes_per_pixel = bits / 8;
  const std::int64_t row_bytes = (static_cast<std::int64_t>(width) * bits + 31) / 32 * 4;
  if (static_cast<std::int64_t>(pixel_offset) + row_bytes * height > static_cast<std::int64_t>(size)) {
    error = "BMP pixel data is truncated";
    return false;
  }
  out.Create(width, static_cast<std::int32_t>(height));
  for (std::int64_t y = 0; y < height; ++y) {
    const std::int64_t file_row = top_down ? y : height - 1 - y;
    const std::uint8_t* src = data + pixel_offset + file_row * row_bytes;
    TRgb24* dst = out.rows[static_cast<std::size_t>(y)];
    for (std::int32_t x = 0; x < width; ++x, src += bytes_per_pixel) dst[x] = TRgb24{src[0], src[1], src[2]};
  }
  return true;
}

bool LoadBmpFile(const std::string& path, TSurface& out, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    out.Release();
    error = "cannot open " + path;
    return false;
  }
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!DecodeBmp(bytes.data(), bytes.size(), out, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
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
