#include "core/formats/layered_psd.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <limits>

#include "core/base/file_io.h"

namespace tintloom {

namespace {

constexpr std::int32_t kMaxSide = 30000;
constexpr std::uint64_t kMaxLength = std::numeric_limits<std::uint32_t>::max();
// Coded rows are copied into the file through a buffer of this size.
constexpr std::size_t kCopyBytes = std::size_t{1} << 20;

std::size_t PackedBound(std::size_t n) { return n + (n + 127) / 128; }

// Where one band's rows of a channel went in the scratch file.
struct TSegment {
  std::uint64_t at = 0;
  std::uint64_t size = 0;
};

struct TChannelRows {
  std::vector<std::uint16_t> lengths;  // one per row, top first
  std::vector<TSegment> segments;      // one per band, top first
  std::uint64_t bytes = 0;
  std::uint64_t bandBytes = 0;         // of the band being coded
  // The channel's length as its record gives it: compression, the row
  // lengths and the rows.
  std::uint64_t Length() const { return 2 + (lengths.empty() ? 0 : 2 * lengths.size() + bytes); }
};

// Codes `rows` rows of `width` bytes, `stride` apart, onto the end of `out`.
void CodeRows(const std::uint8_t* plane, std::int32_t rows, std::size_t width, std::size_t stride,
              std::vector<std::uint8_t>& out, std::size_t& used, TChannelRows& channel) {
  for (std::int32_t y = 0; y < rows; ++y) {
    const std::size_t n = PackRow(plane + static_cast<std::size_t>(y) * stride, width, out.data() + used);
    used += n;
    channel.lengths.push_back(static_cast<std::uint16_t>(n));
    channel.bandBytes += n;
  }
}

bool WriteAllAt(int fd, const std::uint8_t* data, std::size_t n) {
  while (n > 0) {
    const ssize_t written = ::write(fd, data, n);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    n -= static_cast<std::size_t>(written);
  }
  return true;
}

bool ReadAllAt(int fd, std::uint64_t at, std::uint8_t* data, std::size_t n) {
  while (n > 0) {
    const ssize_t got = ::pread(fd, data, n, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    data += got;
    at += static_cast<std::uint64_t>(got);
    n -= static_cast<std::size_t>(got);
  }
  return true;
}

// The file's bytes in order, through a buffer.
class TOutput {
 public:
  explicit TOutput(int fd) : fd_(fd) { buffer_.reserve(kCopyBytes); }
  bool ok() const { return ok_; }
  void Bytes(const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (n > 0 && ok_) {
      const std::size_t take = std::min(n, kCopyBytes - buffer_.size());
      buffer_.insert(buffer_.end(), p, p + take);
      p += take;
      n -= take;
      if (buffer_.size() == kCopyBytes) Flush();
    }
  }
  void U8(std::uint8_t v) { Bytes(&v, 1); }
  void U16(std::uint16_t v) {
    const std::uint8_t b[2] = {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
    Bytes(b, 2);
  }
  void U32(std::uint32_t v) {
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                               static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
    Bytes(b, 4);
  }
  void Zeros(std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) U8(0);
  }
  void Flush() {
    if (ok_ && !buffer_.empty()) ok_ = WriteAllAt(fd_, buffer_.data(), buffer_.size());
    buffer_.clear();
  }

 private:
  int fd_;
  bool ok_ = true;
  std::vector<std::uint8_t> buffer_;
};

// UTF-8 as UTF-16 code units; a byte that starts no valid sequence becomes
// U+FFFD.
std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    std::uint32_t c = 0xFFFD;
    std::size_t extra = 0;
    if (b < 0x80) {
      c = b;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1Fu, extra = 1;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0Fu, extra = 2;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07u, extra = 3;
    }
    bool valid = b < 0x80 || extra > 0;
    for (std::size_t k = 1; valid && k <= extra; ++k) {
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
        valid = false;
      } else {
        c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
      }
    }
    if (!valid || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    i += extra + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

}  // namespace

struct TLayeredPsdWriter::TState {
  struct TLayer {
    TPsdLayerHead head;
    std::u16string unicodeName;
    std::int32_t left = 0, top = 0, width = 0, height = 0;
    std::array<TChannelRows, 4> channels;  // transparency, red, green, blue
    std::vector<std::uint8_t> band;
    std::size_t bandUsed = 0;
  };
  std::int32_t width = 0, height = 0;
  std::vector<TLayer> layers;
  std::array<TChannelRows, 3> merged;
  std::vector<std::uint8_t> mergedBand, mergedRow;
  std::size_t mergedUsed = 0;
  std::int32_t mergedRows = 0;
  int scratchWrite = -1, scratchRead = -1;
  std::uint64_t scratchSize = 0;
  int outputFd = -1;
  std::string temporary, target;
  bool broken = false;  // a layer's rows did not fit its rectangle

  void Close() {
    for (int* fd : {&scratchWrite, &scratchRead, &outputFd}) {
      if (*fd >= 0) ::close(*fd);
      *fd = -1;
    }
    if (!temporary.empty()) ::unlink(temporary.c_str());
    temporary.clear();
  }
};

TLayeredPsdWriter::TLayeredPsdWriter() : state_(std::make_unique<TState>()) {}

TLayeredPsdWriter::~TLayeredPsdWriter() { state_->Close(); }

Result<> TLayeredPsdWriter::Open(const std::string& path, std::int32_t width, std::int32_t height,
                                 std::vector<TPsdLayerHead> layers) {
  TState& s = *state_;
  s.Close();
  s = TState{};
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return Fail(kFileAccessMessage);
  if (layers.size() > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) {
    return Fail(kPsdTooLargeMessage);
  }
  s.width = width;
  s.height = height;
  s.layers.resize(layers.size());
  for (std::size_t i = 0; i < layers.size(); ++i) {
    s.layers[i].head = std::move(layers[i]);
    assert(s.layers[i].head.blendKey.size() == 4);
    if (s.layers[i].head.unicodeName) s.layers[i].unicodeName = Utf8ToUtf16(*s.layers[i].head.unicodeName);
  }
  for (TChannelRows& channel : s.merged) channel.lengths.reserve(static_cast<std::size_t>(height));

  // The file that will take the target's place, and the scratch file beside
  // it, which lives only as long as its descriptors.
  TRY_ASSIGN(TFileBeside output, CreateFileBeside(path));
  s.outputFd = output.fd;
  s.temporary = std::move(output.temporary);
  s.target = std::move(output.target);
  TRY_ASSIGN(TFileBeside scratch, CreateFileBeside(path));
  s.scratchWrite = scratch.fd;
  s.scratchRead = ::open(scratch.temporary.c_str(), O_RDONLY | O_CLOEXEC);
  ::unlink(scratch.temporary.c_str());
  if (s.scratchRead < 0) {
    s.Close();
    return Fail(kFileAccessMessage);
  }
  return Ok();
}

void TLayeredPsdWriter::CodeLayerRows(std::size_t index, const TPsdLayerRows& rows) {
  TState& s = *state_;
  assert(index < s.layers.size());
  TState::TLayer& layer = s.layers[index];
  if (rows.width <= 0 || rows.height <= 0) return;
  if (layer.height == 0) {
    layer.left = rows.left;
    layer.top = rows.top;
    layer.width = rows.width;
  } else if (rows.left != layer.left || rows.width != layer.width || rows.top != layer.top + layer.height) {
    assert(false && "a layer's bands must follow each other in one rectangle");
    s.broken = true;
    return;
  }
  layer.height += rows.height;
  const auto width = static_cast<std::size_t>(rows.width);
  const std::size_t bound = 4 * static_cast<std::size_t>(rows.height) * PackedBound(width);
  if (layer.band.size() < layer.bandUsed + bound) layer.band.resize(layer.bandUsed + bound);
  const std::uint8_t* planes[4] = {rows.alpha, rows.red, rows.green, rows.blue};
  for (std::size_t c = 0; c < 4; ++c) {
    CodeRows(planes[c], rows.height, width, width, layer.band, layer.bandUsed, layer.channels[c]);
  }
}

void TLayeredPsdWriter::CodeMergedRows(std::span<const std::uint8_t* const> rows, std::size_t step, std::size_t red,
                                       std::size_t green, std::size_t blue) {
  TState& s = *state_;
  const auto count = static_cast<std::int32_t>(rows.size());
  assert(s.mergedRows + count <= s.height);
  const auto width = static_cast<std::size_t>(s.width);
  const std::size_t bound = 3 * static_cast<std::size_t>(count) * PackedBound(width);
  if (s.mergedBand.size() < s.mergedUsed + bound) s.mergedBand.resize(s.mergedUsed + bound);
  s.mergedRow.resize(width);
  const std::size_t offsets[3] = {red, green, blue};
  for (std::size_t c = 0; c < 3; ++c) {
    for (std::int32_t y = 0; y < count; ++y) {
      const std::uint8_t* in = rows[static_cast<std::size_t>(y)] + offsets[c];
      for (std::size_t x = 0; x < width; ++x) s.mergedRow[x] = in[x * step];
      CodeRows(s.mergedRow.data(), 1, width, width, s.mergedBand, s.mergedUsed, s.merged[c]);
    }
  }
  s.mergedRows += count;
}

Result<> TLayeredPsdWriter::EndBand() {
  TState& s = *state_;
  const auto put = [&s](std::span<TChannelRows> channels, const std::vector<std::uint8_t>& band,
                        std::size_t& used) -> bool {
    if (used == 0) return true;
    if (!WriteAllAt(s.scratchWrite, band.data(), used)) return false;
    std::uint64_t at = s.scratchSize;
    for (TChannelRows& channel : channels) {
      if (channel.bandBytes > 0) channel.segments.push_back({at, channel.bandBytes});
      at += channel.bandBytes;
      channel.bytes += channel.bandBytes;
      channel.bandBytes = 0;
    }
    s.scratchSize += used;
    used = 0;
    return true;
  };
  bool ok = s.scratchWrite >= 0;
  for (TState::TLayer& layer : s.layers) ok = ok && put(layer.channels, layer.band, layer.bandUsed);
  ok = ok && put(s.merged, s.mergedBand, s.mergedUsed);
  if (!ok) {
    s.Close();
    return Fail(kFileAccessMessage);
  }
  return Ok();
}

Result<TPsdFinish> TLayeredPsdWriter::Finish(const TPsdFinishProgress& progress) {
  TState& s = *state_;
  if (s.outputFd < 0 || s.broken || s.mergedRows != s.height) {
    s.Close();
    return Fail(kFileAccessMessage);
  }
  // Each record: rectangle, channel table, blend signature and key, opacity,
  // clipping, flags, filler, the extra data's length, then the extra data:
  // an empty mask, empty blending ranges, the name padded to four bytes and
  // the Unicode name block (its data padded to four bytes too).
  const auto nameBytes = [](const TState::TLayer& layer) {
    return layer.head.name ? std::min<std::size_t>(layer.head.name->size(), 255) : 0;
  };
  const auto unicodeBytes = [](const TState::TLayer& layer) -> std::uint64_t {
    if (layer.unicodeName.empty()) return 0;
    return (4 + 2 * std::uint64_t{layer.unicodeName.size()} + 3) & ~std::uint64_t{3};
  };
  const auto extraBytes = [&](const TState::TLayer& layer) -> std::uint64_t {
    const std::uint64_t unicode = unicodeBytes(layer);
    return 8 + ((1 + nameBytes(layer) + 3) & ~std::size_t{3}) + (unicode > 0 ? 12 + unicode : 0);
  };
  std::uint64_t layerInfo = 2;
  std::uint64_t pixels = 0;  // coded bytes to copy
  for (const TState::TLayer& layer : s.layers) {
    layerInfo += 16 + 2 + 4 * 6 + 4 + 4 + 4 + 4 + extraBytes(layer);
    for (const TChannelRows& channel : layer.channels) {
      if (channel.Length() > kMaxLength) return Fail(kPsdTooLargeMessage);
      layerInfo += channel.Length();
      pixels += channel.bytes;
    }
  }
  const std::uint64_t layerInfoPadded = (layerInfo + 3) & ~std::uint64_t{3};
  const std::uint64_t layerAndMask = 4 + layerInfoPadded + 4;
  if (layerAndMask > kMaxLength) return Fail(kPsdTooLargeMessage);
  for (const TChannelRows& channel : s.merged) pixels += channel.bytes;

  TOutput out(s.outputFd);
  // Header: version 1, three channels (the merged picture has no alpha),
  // 8 bits, RGB; no colour mode data and no image resources.
  out.Bytes("8BPS", 4);
  out.U16(1);
  out.Zeros(6);
  out.U16(3);
  out.U32(static_cast<std::uint32_t>(s.height));
  out.U32(static_cast<std::uint32_t>(s.width));
  out.U16(8);
  out.U16(3);
  out.U32(0);
  out.U32(0);

  out.U32(static_cast<std::uint32_t>(layerAndMask));
  out.U32(static_cast<std::uint32_t>(layerInfoPadded));
  out.U16(static_cast<std::uint16_t>(s.layers.size()));
  static constexpr std::int16_t kChannelIds[4] = {-1, 0, 1, 2};
  for (const TState::TLayer& layer : s.layers) {
    out.U32(static_cast<std::uint32_t>(layer.top));
    out.U32(static_cast<std::uint32_t>(layer.left));
    out.U32(static_cast<std::uint32_t>(layer.top + layer.height));
    out.U32(static_cast<std::uint32_t>(layer.left + layer.width));
    out.U16(4);
    for (std::size_t c = 0; c < 4; ++c) {
      out.U16(static_cast<std::uint16_t>(kChannelIds[c]));
      out.U32(static_cast<std::uint32_t>(layer.channels[c].Length()));
    }
    out.Bytes("8BIM", 4);
    out.Bytes(layer.head.blendKey.data(), 4);
    // The layer's opacity is already in its alpha.
    out.U8(255);
    out.U8(0);                                          // not clipped
    out.U8(layer.head.hidden ? std::uint8_t{2} : std::uint8_t{0});  // bit 1: hidden
    out.U8(0);
    out.U32(static_cast<std::uint32_t>(extraBytes(layer)));
    out.U32(0);  // no mask
    out.U32(0);  // no blending ranges
    const std::size_t name = nameBytes(layer);
    out.U8(static_cast<std::uint8_t>(name));
    if (name > 0) out.Bytes(layer.head.name->data(), name);
    out.Zeros(((1 + name + 3) & ~std::size_t{3}) - 1 - name);
    if (const std::uint64_t unicode = unicodeBytes(layer); unicode > 0) {
      out.Bytes("8BIMluni", 8);
      out.U32(static_cast<std::uint32_t>(unicode));
      out.U32(static_cast<std::uint32_t>(layer.unicodeName.size()));
      for (const char16_t unit : layer.unicodeName) out.U16(static_cast<std::uint16_t>(unit));
      out.Zeros(static_cast<std::size_t>(unicode - 4 - 2 * layer.unicodeName.size()));
    }
  }

  std::vector<std::uint8_t> copy;
  std::uint64_t copied = 0;
  bool cancelled = false;
  const auto copySegments = [&](const TChannelRows& channel) {
    for (const TSegment& segment : channel.segments) {
      for (std::uint64_t at = 0; at < segment.size && out.ok();) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(segment.size - at, kCopyBytes));
        copy.resize(n);
        if (!ReadAllAt(s.scratchRead, segment.at + at, copy.data(), n)) return false;
        out.Bytes(copy.data(), n);
        at += n;
        copied += n;
      }
      if (progress && !progress(copied, pixels)) {
        cancelled = true;
        return false;
      }
    }
    return out.ok();
  };
  const auto abandon = [&s]() -> Result<TPsdFinish> {
    s.Close();
    return Fail(kFileAccessMessage);
  };
  for (const TState::TLayer& layer : s.layers) {
    for (const TChannelRows& channel : layer.channels) {
      if (channel.lengths.empty()) {
        out.U16(0);  // raw, and no rows
        continue;
      }
      out.U16(1);
      for (const std::uint16_t length : channel.lengths) out.U16(length);
      if (!copySegments(channel)) {
        if (cancelled) {
          s.Close();
          return TPsdFinish::kCancelled;
        }
        return abandon();
      }
    }
  }
  out.Zeros(static_cast<std::size_t>(layerInfoPadded - layerInfo));
  out.U32(0);  // no global layer mask

  out.U16(1);
  for (const TChannelRows& channel : s.merged) {
    for (const std::uint16_t length : channel.lengths) out.U16(length);
  }
  for (const TChannelRows& channel : s.merged) {
    if (!copySegments(channel)) {
      if (cancelled) {
        s.Close();
        return TPsdFinish::kCancelled;
      }
      return abandon();
    }
  }
  out.Flush();
  if (!out.ok() || ::fsync(s.outputFd) != 0) return abandon();
  const int fd = s.outputFd;
  s.outputFd = -1;
  if (::close(fd) != 0 || ::rename(s.temporary.c_str(), s.target.c_str()) != 0) return abandon();
  s.temporary.clear();
  s.Close();
  if (progress) progress(pixels, pixels);
  return TPsdFinish::kWritten;
}

std::size_t PackRow(const std::uint8_t* in, std::size_t n, std::uint8_t* out) {
  std::size_t i = 0, o = 0;
  while (i < n) {
    // A run of equal bytes at i: compared eight at a time while it lasts.
    std::size_t run = 1;
    const std::size_t most = std::min<std::size_t>(128, n - i);
    if (most >= 3 && in[i + 1] == in[i] && in[i + 2] == in[i]) {
      std::uint64_t same;
      std::memset(&same, in[i], sizeof same);
      run = 3;
      while (run + 8 <= most) {
        std::uint64_t next;
        std::memcpy(&next, in + i + run, sizeof next);
        if (next != same) break;
        run += 8;
      }
      while (run < most && in[i + run] == in[i]) ++run;
      out[o++] = static_cast<std::uint8_t>(1 - static_cast<int>(run));  // -(run - 1)
      out[o++] = in[i];
      i += run;
      continue;
    }
    // A literal up to the next run of three (or 128 bytes, or the row's end).
    const std::size_t start = i;
    std::size_t end = i + 1;
    const std::size_t limit = std::min(n, start + 128);
    while (end < limit && !(end + 2 < n && in[end] == in[end + 1] && in[end] == in[end + 2])) ++end;
    out[o++] = static_cast<std::uint8_t>(end - start - 1);
    std::memcpy(out + o, in + start, end - start);
    o += end - start;
    i = end;
  }
  return o;
}

}  // namespace tintloom
