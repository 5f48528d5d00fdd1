#include "core/artwork/png_layer.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <exception>
#include <vector>

#include "core/artwork/psd_file.h"
#include "core/artwork/zip_archive.h"
#include "core/base/user_text.h"

namespace tintloom {

namespace {

constexpr const char* kDamaged = TL_TEXT("tintloom", "ファイルが壊れています");

// libpng reports an error by calling this; it must not return, so it jumps
// back to the setjmp of the call in progress. The functions that set the
// jump hold nothing that needs destroying.
[[noreturn]] void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

struct TMemoryRead {
  std::span<const std::uint8_t> bytes;
  std::size_t pos = 0;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* in = static_cast<TMemoryRead*>(png_get_io_ptr(png));
  if (n > in->bytes.size() - in->pos) png_error(png, "cut short");
  std::memcpy(out, in->bytes.data() + in->pos, n);
  in->pos += n;
}

struct TReader {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~TReader() { png_destroy_read_struct(&png, &info, nullptr); }
};

// The header, with every transformation to 8-bit RGBA set up; width and
// height of the picture and whether it is interlaced.
bool ReadHeader(TReader& r, png_uint_32& width, png_uint_32& height, int& passes) {
  if (setjmp(png_jmpbuf(r.png))) return false;
  png_read_info(r.png, r.info);
  width = png_get_image_width(r.png, r.info);
  height = png_get_image_height(r.png, r.info);
  const int type = png_get_color_type(r.png, r.info);
  png_set_expand(r.png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
  png_set_scale_16(r.png);
  if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(r.png);
  png_set_add_alpha(r.png, 0xFF, PNG_FILLER_AFTER);
  passes = png_set_interlace_handling(r.png);
  png_read_update_info(r.png, r.info);
  return png_get_rowbytes(r.png, r.info) == static_cast<png_size_t>(width) * 4;
}

bool ReadRow(TReader& r, std::uint8_t* row) {
  if (setjmp(png_jmpbuf(r.png))) return false;
  png_read_row(r.png, row, nullptr);
  return true;
}

}  // namespace

Result<TLayerPlanes> DecodePngLayer(std::span<const std::uint8_t> bytes, std::int64_t x, std::int64_t y,
                                    std::int64_t docWidth, std::int64_t docHeight, const std::string& path) {
  const auto damaged = [&] { return Fail(WithPath(kDamaged, path)); };
  const auto short_of_memory = [&] {
    return Fail(WithPath(TL_TEXT("tintloom", "メモリが足りないためファイルを開けません."), path));
  };
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) return damaged();
  TReader reader;
  reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (reader.png == nullptr) return short_of_memory();
  reader.info = png_create_info_struct(reader.png);
  if (reader.info == nullptr) return short_of_memory();
  TMemoryRead in{bytes};
  png_set_read_fn(reader.png, &in, ReadFromMemory);
  // libpng's own bounds on the header: no side over the PNG maximum, and
  // no chunk larger than what the bytes hold.
  png_set_user_limits(reader.png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_set_chunk_malloc_max(reader.png, bytes.size() + 1);
  png_uint_32 width = 0, height = 0;
  int passes = 1;
  if (!ReadHeader(reader, width, height, passes)) return damaged();
  // Every row takes at least a filter byte of deflated data: a header
  // claiming more rows than the bytes could make is refused before any row
  // is allocated.
  const std::uint64_t raw = (std::uint64_t{width} * 4 + 1) * height;
  if (width == 0 || height == 0 || raw / kZipMaxRatio > bytes.size()) return damaged();

  TLayerPlanes out;
  const std::int64_t x0 = std::max<std::int64_t>(x, 0), x1 = std::min<std::int64_t>(x + width, docWidth);
  const std::int64_t y0 = std::max<std::int64_t>(y, 0), y1 = std::min<std::int64_t>(y + height, docHeight);
  if (x0 >= x1 || y0 >= y1) return out;  // off the document: nothing shows
  out.left = static_cast<std::int32_t>(x0);
  out.top = static_cast<std::int32_t>(y0);
  out.width = static_cast<std::int32_t>(x1 - x0);
  out.height = static_cast<std::int32_t>(y1 - y0);
  const auto plane = static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height);
  std::vector<std::uint8_t> rows;
  try {
    out.red.resize(plane);
    out.green.resize(plane);
    out.blue.resize(plane);
    out.alpha.resize(plane);
    // An interlaced picture is assembled whole (its passes revisit every
    // row); it is bounded like the rest by what its bytes can make. Any
    // other is read one row at a time.
    rows.resize(static_cast<std::size_t>(width) * 4 * (passes > 1 ? height : 1));
  } catch (const std::exception&) {
    return short_of_memory();
  }
  const auto store = [&](const std::uint8_t* row, std::int64_t r) {
    const std::int64_t on = y + r;
    if (on < y0 || on >= y1) return;
    const auto at = static_cast<std::size_t>((on - y0) * out.width);
    const std::uint8_t* p = row + (x0 - x) * 4;
    for (std::int64_t k = 0; k < out.width; ++k, p += 4) {
      out.red[at + static_cast<std::size_t>(k)] = p[0];
      out.green[at + static_cast<std::size_t>(k)] = p[1];
      out.blue[at + static_cast<std::size_t>(k)] = p[2];
      out.alpha[at + static_cast<std::size_t>(k)] = p[3];
    }
  };
  if (passes > 1) {
    for (int pass = 0; pass < passes; ++pass) {
      for (png_uint_32 r = 0; r < height; ++r) {
        if (!ReadRow(reader, rows.data() + static_cast<std::size_t>(r) * width * 4)) return damaged();
      }
    }
    for (png_uint_32 r = 0; r < height; ++r) store(rows.data() + static_cast<std::size_t>(r) * width * 4, r);
    return out;
  }
  // Rows below the document are not decoded.
  const std::int64_t last = std::min<std::int64_t>(height, y1 - y);
  for (std::int64_t r = 0; r < last; ++r) {
    if (!ReadRow(reader, rows.data())) return damaged();
    store(rows.data(), r);
  }
  return out;
}

}  // namespace tintloom
