#include "core/formats/png_file.h"

#include <fcntl.h>
#include <png.h>
#include <zlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cassert>
#include <csetjmp>
#include <cstdio>
#include <filesystem>

#include "core/base/file_io.h"

namespace tintloom {

struct TPngWriter::TState {
  std::FILE* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::string temporary;
  std::string target;
  std::int32_t height = 0;
  std::int32_t rowsWritten = 0;
};

namespace {

// libpng reports an error by calling this; it must not return, so it jumps
// back to the setjmp of the call in progress. The functions that set the jump
// hold nothing that needs destroying.
[[noreturn]] void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

bool StartFile(png_structp png, png_infop info, std::FILE* file, std::int32_t width, std::int32_t height,
               bool alpha) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // Run-length deflate after one cheap row filter: at full size the
  // compressor is the largest share of the export's time, and flat-painted
  // artwork, whose filtered rows are mostly runs of zeros, loses little by
  // it.
  png_set_compression_level(png, 1);
  png_set_compression_strategy(png, Z_RLE);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_write_info(png, info);
  return true;
}

bool PutRow(png_structp png, const std::uint8_t* row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_write_row(png, row);
  return true;
}

bool EndFile(png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_write_end(png, info);
  return true;
}

}  // namespace

TPngWriter::TPngWriter() : state_(std::make_unique<TState>()) {}

TPngWriter::~TPngWriter() { Abandon(); }

void TPngWriter::Abandon() {
  TState& s = *state_;
  if (s.png != nullptr) png_destroy_write_struct(&s.png, &s.info);
  s.png = nullptr;
  s.info = nullptr;
  if (s.file != nullptr) std::fclose(s.file);
  s.file = nullptr;
  if (!s.temporary.empty()) ::unlink(s.temporary.c_str());
  s.temporary.clear();
}

Result<> TPngWriter::Open(const std::string& path, std::int32_t width, std::int32_t height, bool alpha) {
  Abandon();
  TState& s = *state_;
  if (width <= 0 || height <= 0 || width > 0x7FFFFFF || height > 0x7FFFFFF) return Fail(kFileAccessMessage);
  TRY_ASSIGN(TFileBeside beside, CreateFileBeside(path));
  const int fd = beside.fd;
  s.temporary = std::move(beside.temporary);
  s.file = ::fdopen(fd, "wb");
  if (s.file == nullptr) {
    ::close(fd);
    Abandon();
    return Fail(kFileAccessMessage);
  }
  s.target = std::move(beside.target);
  s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (s.png != nullptr) s.info = png_create_info_struct(s.png);
  if (s.info == nullptr || !StartFile(s.png, s.info, s.file, width, height, alpha)) {
    Abandon();
    return Fail(kFileAccessMessage);
  }
  s.height = height;
  s.rowsWritten = 0;
  return Ok();
}

Result<> TPngWriter::WriteRow(const std::uint8_t* row) {
  TState& s = *state_;
  assert(s.png != nullptr && s.rowsWritten < s.height);
  if (s.png == nullptr || !PutRow(s.png, row)) {
    Abandon();
    return Fail(kFileAccessMessage);
  }
  ++s.rowsWritten;
  return Ok();
}

Result<> TPngWriter::Finish() {
  TState& s = *state_;
  if (s.png == nullptr || s.rowsWritten != s.height || !EndFile(s.png, s.info)) {
    Abandon();
    return Fail(kFileAccessMessage);
  }
  png_destroy_write_struct(&s.png, &s.info);
  s.png = nullptr;
  s.info = nullptr;
  const bool flushed = std::fflush(s.file) == 0 && ::fsync(::fileno(s.file)) == 0;
  const bool closed = std::fclose(s.file) == 0;
  s.file = nullptr;
  if (!flushed || !closed || ::rename(s.temporary.c_str(), s.target.c_str()) != 0) {
    Abandon();
    return Fail(kFileAccessMessage);
  }
  s.temporary.clear();
  return Ok();
}

namespace {

struct TPngReading {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::FILE* file = nullptr;
};

bool ReadHeader(TPngReading& r, png_uint_32& width, png_uint_32& height, int& type) {
  if (setjmp(png_jmpbuf(r.png))) return false;
  png_init_io(r.png, r.file);
  png_read_info(r.png, r.info);
  int depth = 0;
  png_get_IHDR(r.png, r.info, &width, &height, &depth, &type, nullptr, nullptr, nullptr);
  if (depth != 8 || (type != PNG_COLOR_TYPE_RGB && type != PNG_COLOR_TYPE_RGB_ALPHA)) return false;
  if (type == PNG_COLOR_TYPE_RGB) png_set_filler(r.png, 0xFF, PNG_FILLER_AFTER);
  png_read_update_info(r.png, r.info);
  return true;
}

bool ReadRows(TPngReading& r, std::uint8_t* pixels, png_uint_32 width, png_uint_32 height) {
  if (setjmp(png_jmpbuf(r.png))) return false;
  for (png_uint_32 y = 0; y < height; ++y) png_read_row(r.png, pixels + std::size_t{y} * width * 4, nullptr);
  png_read_end(r.png, nullptr);
  return true;
}

}  // namespace

Result<TPngPicture> ReadPngFile(const std::string& path) {
  TPngReading r;
  r.file = std::fopen(path.c_str(), "rb");
  if (r.file == nullptr) return Fail(kFileAccessMessage);
  r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (r.png != nullptr) r.info = png_create_info_struct(r.png);
  TPngPicture picture;
  png_uint_32 width = 0, height = 0;
  int type = 0;
  bool ok = r.info != nullptr && ReadHeader(r, width, height, type) && width < 65536 && height < 65536;
  if (ok) {
    picture.width = static_cast<std::int32_t>(width);
    picture.height = static_cast<std::int32_t>(height);
    picture.alpha = type == PNG_COLOR_TYPE_RGB_ALPHA;
    picture.rgba.resize(std::size_t{width} * height * 4);
    ok = ReadRows(r, picture.rgba.data(), width, height);
  }
  if (r.png != nullptr) png_destroy_read_struct(&r.png, r.info != nullptr ? &r.info : nullptr, nullptr);
  std::fclose(r.file);
  if (!ok) return Fail(kFileAccessMessage);
  return picture;
}

}  // namespace tintloom
