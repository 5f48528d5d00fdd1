#include "core/artwork/psd_document.h"

#include "core/artwork/band_workers.h"
#include "core/artwork/packbits.h"
#include "core/artwork/psd_file.h"
#include "core/base/file_io.h"
#include "core/base/memory_error.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <new>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include "core/base/user_text.h"

namespace tintloom {

namespace {

// PSD (not PSB) documents are at most 30000 pixels a side.
constexpr std::int64_t kMaxDocumentSide = 30000;
// PackBits turns 2 bytes into at most 128, so no channel of a real file holds
// more than 64 pixels per byte of the file (raw channels hold one). A layer
// whose planes would need more is refused before anything is allocated.
constexpr std::int64_t kMaxPixelsPerFileByte = 64;
// Above this a single plane is refused whatever the file's size.
constexpr std::int64_t kMaxPlanePixels = std::int64_t{1} << 30;

// UTF-16 code units as UTF-8; a surrogate without its partner becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& units) {
  std::string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    std::uint32_t c = units[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00u);
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | c >> 6));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | c >> 12));
      out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | c >> 18));
      out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::int32_t Saturate32(std::int64_t v) {
  return static_cast<std::int32_t>(std::min<std::int64_t>(v, std::numeric_limits<std::int32_t>::max()));
}

std::int64_t Distance(std::int32_t a, std::int32_t b) {
  const std::int64_t d = static_cast<std::int64_t>(b) - a;
  return d < 0 ? -d : d;
}

// Big-endian reads over the file's bytes: the caller's bytes, or the file
// read through a window. The position may pass the end (a skip or a seek
// does not check), but nothing is read there.
class TPsdReader {
 public:
  TPsdReader(std::span<const std::uint8_t> bytes, const std::string& path)
      : bytes_(bytes), size_(bytes.size()), path_(path) {}
  TPsdReader(const TDeferredFile& file, const std::string& path) : file_(&file), size_(file.size), path_(path) {}

  std::uint64_t Position() const { return pos_; }
  std::uint64_t Size() const { return size_; }
  std::uint64_t Remaining() const { return pos_ < size_ ? size_ - pos_ : 0; }
  void Skip(std::uint64_t n) { pos_ += n; }
  void Seek(std::uint64_t at) { pos_ = at; }

  Failure EndsEarly() const { return Fail(WithPath(TL_TEXT("tintloom", "ファイルが途中で終わっています."), path_)); }

  // The next n bytes, or a failure when the file ends first. Read from a
  // file, they stay valid until the next Take.
  Result<std::span<const std::uint8_t>> Take(std::uint64_t n) {
    if (n > Remaining()) return EndsEarly();
    if (file_ != nullptr) {
      TRY(HaveWindow(n));
      const std::span<const std::uint8_t> part(window_.data() + (pos_ - window_at_), static_cast<std::size_t>(n));
      pos_ += n;
      return part;
    }
    auto part = bytes_.subspan(static_cast<std::size_t>(pos_), static_cast<std::size_t>(n));
    pos_ += n;
    return part;
  }
  // Passes over the next n bytes, or fails when the file ends first.
  Result<> Pass(std::uint64_t n) {
    if (n > Remaining()) return EndsEarly();
    pos_ += n;
    return Ok();
  }
  Result<std::uint8_t> U8() {
    TRY_ASSIGN(auto p, Take(1));
    return p[0];
  }
  Result<std::uint16_t> U16() {
    TRY_ASSIGN(auto p, Take(2));
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
  }
  Result<std::uint32_t> U32() {
    TRY_ASSIGN(auto p, Take(4));
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]};
  }
  Result<std::int16_t> I16() {
    TRY_ASSIGN(auto v, U16());
    return static_cast<std::int16_t>(v);
  }
  Result<std::int32_t> I32() {
    TRY_ASSIGN(auto v, U32());
    return static_cast<std::int32_t>(v);
  }

 private:
  // Reads ahead, so that the records' many small reads cost one read per
  // window; a window grows only for a larger Take (a table of row counts).
  static constexpr std::uint64_t kReadAhead = std::uint64_t{64} << 10;

  Result<> HaveWindow(std::uint64_t n) {
    if (pos_ >= window_at_ && pos_ + n <= window_at_ + window_.size()) return Ok();
    const std::uint64_t want = std::min(Remaining(), std::max(n, kReadAhead));
    if (!TryResize(window_, static_cast<std::size_t>(want))) {
      return Fail(MemoryErrorText("TPSD::LoadFromFile()::Buffer[]", 0, want));
    }
    window_at_ = pos_;
    return file_->ReadAt(pos_, window_);
  }

  std::span<const std::uint8_t> bytes_;
  const TDeferredFile* file_ = nullptr;
  std::uint64_t size_ = 0;
  const std::string& path_;
  std::uint64_t pos_ = 0;
  std::vector<std::uint8_t> window_;
  std::uint64_t window_at_ = 0;
};

}  // namespace

TPlaneShape PlaneShape(const TPSDLayer& layer, std::int16_t id) {
  if (id == -2) {
    if (layer.maskDataSize == 0) return {};
    return {Distance(layer.maskTop, layer.maskBottom), Distance(layer.maskLeft, layer.maskRight)};
  }
  if (id == -3 && layer.maskDataSize >= 36) {
    return {Distance(layer.realMaskTop, layer.realMaskBottom), Distance(layer.realMaskLeft, layer.realMaskRight)};
  }
  return {Distance(layer.top, layer.bottom), Distance(layer.left, layer.right)};
}

namespace {

class TPsdDecoder {
 public:
  TPsdDecoder(TPsdReader in, const std::string& path, TPSD& doc, TProgressSink& progress, bool defer)
      : in_(std::move(in)), path_(path), doc_(doc), progress_(progress), defer_(defer) {}

  Result<> Run() {
    TRY(ReadHeader());
    // A record takes at least 34 bytes; a count the rest of the file cannot
    // hold is a cut or damaged file, found before allocating the records.
    if (static_cast<std::uint64_t>(doc_.layerCount) * 34 > in_.Remaining()) return in_.EndsEarly();
    if (doc_.layerCount > 0 && !TryResize(doc_.Layers, static_cast<std::size_t>(doc_.layerCount))) {
      return OutOfMemory();
    }
    progress_.ShowProgress(kProgressReading, doc_.layerCount);
    for (std::int32_t i = 0; i < doc_.layerCount; ++i) {
      progress_.StepProgress(i);
      TRY(ReadLayerRecord(doc_.Layers[static_cast<std::size_t>(i)]));
    }
    for (TPSDLayer& layer : doc_.Layers) {
      for (std::size_t c = 0; c < layer.ChannelData.size(); ++c) TRY(ReadChannel(layer, c));
    }
    ApplyGroups();
    return Ok();
  }

  // Groups are drawn as every painting program draws them: a hidden group
  // hides its layers, and a group's opacity multiplies into theirs. Read
  // from the top, a group's record comes before its layers and the closing
  // record after them. A document without groups is left as it is.
  void ApplyGroups() {
    struct TGroup {
      bool hidden = false;
      unsigned opacity = 255;
    };
    std::vector<TGroup> open;
    for (auto it = doc_.Layers.rbegin(); it != doc_.Layers.rend(); ++it) {
      TPSDLayer& layer = *it;
      const TGroup outer = open.empty() ? TGroup{} : open.back();
      if (layer.sectionType == 1 || layer.sectionType == 2) {
        try {
          open.push_back({outer.hidden || (layer.flags & 2) != 0, (outer.opacity * layer.Opacity + 127) / 255});
        } catch (const std::exception&) {
          return;  // no more groups than records, each a few bytes: not reached in practice
        }
        continue;
      }
      if (layer.sectionType == 3) {
        if (!open.empty()) open.pop_back();
        continue;
      }
      if (outer.hidden) layer.flags |= 2;
      layer.Opacity = static_cast<std::uint8_t>((layer.Opacity * outer.opacity + 127) / 255);
    }
  }

 private:
  Failure OutOfMemory() const { return Fail(WithPath(TL_TEXT("tintloom", "メモリが足りないためファイルを開けません."), path_)); }

  Result<> ReadHeader() {
    if (in_.Size() < 4) return Fail(WithPath(TL_TEXT("tintloom", "PSDファイルではありません."), path_));
    TRY_ASSIGN(doc_.signature, in_.U32());
    if (doc_.signature != kPsdSignature) return Fail(WithPath(TL_TEXT("tintloom", "PSDファイルではありません."), path_));
    TRY_ASSIGN(doc_.version, in_.U16());
    in_.Skip(6);
    TRY_ASSIGN(doc_.channels, in_.U16());
    TRY_ASSIGN(const std::int32_t stored_height, in_.I32());
    TRY_ASSIGN(const std::int32_t stored_width, in_.I32());
    const std::int64_t height = stored_height < 0 ? -std::int64_t{stored_height} : stored_height;
    const std::int64_t width = stored_width < 0 ? -std::int64_t{stored_width} : stored_width;
    doc_.height = Saturate32(height);
    doc_.width = Saturate32(width);
    // Refused when both sides reach 4096. A side beyond the format's own limit
    // is refused the same way: no real document has one, and the size is then
    // given in full instead of wrapping.
    if ((height >= kPsdRefusedSide && width >= kPsdRefusedSide) || height > kMaxDocumentSide ||
        width > kMaxDocumentSide) {
      return Fail(FillText(TL_TEXT("tintloom", "画像サイズが大きすぎます(%1×%2ピクセル). ファイルを開けません") "\n"
                               TL_TEXT("tintloom", "4096×4096以上の画像サイズはサポートしていません"),
                           static_cast<long long>(width), static_cast<long long>(height)));
    }
    TRY_ASSIGN(doc_.depth, in_.U16());
    if (doc_.depth != 8) {
      return Fail(FillText(TL_TEXT("tintloom", "サポートしていない色深度です(%1). ファイルを開けません"), doc_.depth));
    }
    TRY_ASSIGN(doc_.colourMode, in_.U16());
    if (doc_.colourMode != kPsdColourRgb && doc_.colourMode != kPsdColourGrey) {
      return Fail(FillText(TL_TEXT("tintloom", "サポートしていないカラーモード(%1)です. ファイルを開けません"), doc_.colourMode));
    }
    TRY_ASSIGN(doc_.colourModeDataLength, in_.U32());
    in_.Skip(doc_.colourModeDataLength);
    TRY_ASSIGN(doc_.imageResourcesLength, in_.U32());
    in_.Skip(doc_.imageResourcesLength);
    TRY_ASSIGN(doc_.layerAndMaskLength, in_.U32());
    // An empty layer and mask section, or one without layer information, has
    // no layer records: what follows is something else, not a layer count.
    if (doc_.layerAndMaskLength == 0) return Ok();
    TRY_ASSIGN(doc_.layerInfoLength, in_.U32());
    if (doc_.layerInfoLength == 0) return Ok();
    TRY_ASSIGN(const std::int16_t count, in_.I16());
    doc_.layerCount = count < 0 ? -std::int32_t{count} : count;
    return Ok();
  }

  Result<> ReadLayerRecord(TPSDLayer& layer) {
    TRY_ASSIGN(layer.top, in_.I32());
    TRY_ASSIGN(layer.left, in_.I32());
    TRY_ASSIGN(layer.bottom, in_.I32());
    TRY_ASSIGN(layer.right, in_.I32());
    TRY_ASSIGN(layer.channelCount, in_.U16());
    if (layer.channelCount > 0) {
      if (std::uint64_t{layer.channelCount} * 6 > in_.Remaining()) return in_.EndsEarly();
      if (!TryResize(layer.ChannelData, layer.channelCount)) {
        return OutOfMemory();
      }
      for (TPSDChannel& channel : layer.ChannelData) {
        TRY_ASSIGN(channel.id, in_.I16());
        TRY_ASSIGN(channel.length, in_.U32());
      }
    }
    in_.Skip(4);  // blend-mode signature, not checked
    TRY_ASSIGN(auto key, in_.Take(4));
    layer.BlendModeKey = BlendCodeFromKey(std::string_view(reinterpret_cast<const char*>(key.data()), 4));
    TRY_ASSIGN(layer.Opacity, in_.U8());
    TRY_ASSIGN(layer.Clipping, in_.U8());
    TRY_ASSIGN(layer.flags, in_.U8());
    in_.Skip(1);
    TRY_ASSIGN(const std::uint32_t extra_length, in_.U32());
    const std::uint64_t record_end = in_.Position() + extra_length;

    TRY_ASSIGN(layer.maskDataSize, in_.U32());
    const std::uint64_t mask_end = in_.Position() + layer.maskDataSize;
    if (layer.maskDataSize >= 18) {
      TRY_ASSIGN(layer.maskTop, in_.I32());
      TRY_ASSIGN(layer.maskLeft, in_.I32());
      TRY_ASSIGN(layer.maskBottom, in_.I32());
      TRY_ASSIGN(layer.maskRight, in_.I32());
      TRY_ASSIGN(layer.maskDefaultColour, in_.U8());
      TRY_ASSIGN(layer.maskFlags, in_.U8());
      // The real-mask fields sit at the same place in longer blocks too (the
      // mask parameters follow them); they size a -3 channel.
      if (layer.maskDataSize >= 36) {
        TRY_ASSIGN(layer.realMaskFlags, in_.U8());
        TRY_ASSIGN(layer.realMaskBackground, in_.U8());
        TRY_ASSIGN(layer.realMaskTop, in_.I32());
        TRY_ASSIGN(layer.realMaskLeft, in_.I32());
        TRY_ASSIGN(layer.realMaskBottom, in_.I32());
        TRY_ASSIGN(layer.realMaskRight, in_.I32());
      }
    }
    // Sizes 20 and 36 end exactly here; any other size is skipped to its end.
    // A block shorter than the 18 bytes of a rectangle and two flags holds no
    // rectangle: it is skipped whole rather than read past its end, and the
    // mask rectangle stays empty.
    in_.Seek(mask_end);

    TRY_ASSIGN(const std::uint32_t ranges_length, in_.U32());
    in_.Skip(ranges_length);
    const std::uint64_t name_start = in_.Position();
    TRY_ASSIGN(layer.nameLength, in_.U8());
    if (layer.nameLength > 0) {
      TRY_ASSIGN(auto name, in_.Take(layer.nameLength));
      layer.Name.emplace(reinterpret_cast<const char*>(name.data()), name.size());
    }
    TRY(InitializePictureData(layer));
    // The name with its length byte fills a multiple of 4 bytes; the
    // additional information follows it up to the record's end.
    in_.Seek(name_start + ((1u + layer.nameLength + 3u) & ~std::uint64_t{3}));
    ReadUnicodeName(layer, record_end);
    in_.Seek(record_end);
    return Ok();
  }

  // Drawing programs keep the real name in a Unicode block of the additional
  // information; the record's own name is an 8-bit copy that loses whatever
  // the writer's code page lacks ("?" for Japanese on other systems). A block
  // that does not add up is passed over: the record's name stays. The
  // section divider block says whether the record opens or closes a group.
  void ReadUnicodeName(TPSDLayer& layer, std::uint64_t record_end) {
    constexpr std::uint32_t kSignature = 0x3842494D;  // "8BIM"
    constexpr std::uint32_t kSignature64 = 0x38423634;  // "8B64"
    constexpr std::uint32_t kUnicodeName = 0x6C756E69;  // "luni"
    constexpr std::uint32_t kSection = 0x6C736374;      // "lsct"
    constexpr std::uint32_t kNestedSection = 0x6C73646B;  // "lsdk"
    while (in_.Position() + 12 <= record_end) {
      const Result<std::uint32_t> signature = in_.U32();
      const Result<std::uint32_t> key = in_.U32();
      const Result<std::uint32_t> length = in_.U32();
      if (!signature || !key || !length || (*signature != kSignature && *signature != kSignature64)) return;
      const std::uint64_t data_start = in_.Position();
      if (data_start + *length > record_end) return;
      if (*key == kUnicodeName) {
        const Result<std::uint32_t> count = in_.U32();
        if (!count || std::uint64_t{*count} * 2 > *length - std::min<std::uint32_t>(*length, 4)) return;
        std::u16string units;
        for (std::uint32_t i = 0; i < *count; ++i) {
          const Result<std::uint16_t> unit = in_.U16();
          if (!unit) return;
          units.push_back(static_cast<char16_t>(*unit));
        }
        while (!units.empty() && units.back() == 0) units.pop_back();
        if (!units.empty()) layer.UnicodeName = Utf16ToUtf8(units);
      } else if ((*key == kSection || *key == kNestedSection) && *length >= 4) {
        const Result<std::uint32_t> type = in_.U32();
        if (type && *type <= 3) layer.sectionType = *type;
      }
      in_.Seek(data_start + *length);
    }
  }

  Result<> InitializePictureData(TPSDLayer& layer) {
    if (layer.channelCount == 0) return Ok();
    const std::int64_t width = Distance(layer.left, layer.right);
    const std::int64_t height = Distance(layer.top, layer.bottom);
    const std::int64_t mask_width = layer.maskDataSize != 0 ? Distance(layer.maskLeft, layer.maskRight) : 0;
    const std::int64_t mask_height = layer.maskDataSize != 0 ? Distance(layer.maskTop, layer.maskBottom) : 0;
    layer.width = Saturate32(width);
    layer.height = Saturate32(height);
    layer.maskWidth = Saturate32(mask_width);
    layer.maskHeight = Saturate32(mask_height);
    if (width == 0 || height == 0) return Ok();

    const std::int64_t budget = kMaxPixelsPerFileByte * static_cast<std::int64_t>(in_.Size());
    // Sides reach 2^32 - 1, so their product needs 64 unsigned bits.
    auto plane_size = [&](std::int16_t id) {
      const TPlaneShape shape = PlaneShape(layer, id);
      return static_cast<std::uint64_t>(shape.rows) * static_cast<std::uint64_t>(shape.row_width);
    };
    for (std::size_t i = 0; i < layer.ChannelData.size(); ++i) {
      const std::uint64_t size = plane_size(layer.ChannelData[i].id);
      if (size > static_cast<std::uint64_t>(kMaxPlanePixels) ||
          static_cast<std::int64_t>(size) > budget - planned_pixels_) {
        // A rectangle no file of this size could fill: damaged, or a
        // picture far larger than this program opens.
        return Fail(WithPath(TL_TEXT("tintloom", "ファイルが壊れているか大きすぎるため開けません."), path_));
      }
      planned_pixels_ += static_cast<std::int64_t>(size);
    }
    // A rectangle that no channel is sized by still becomes a working layer
    // of its size: it counts as one plane, so that a few bytes (a 1 x 1 mask
    // as the only channel) cannot claim one of gigabytes.
    const std::uint64_t rectangle = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    const bool sized = std::any_of(layer.ChannelData.begin(), layer.ChannelData.end(), [&](const TPSDChannel& c) {
      return plane_size(c.id) == rectangle && PlaneShape(layer, c.id).row_width == width;
    });
    if (!sized) {
      if (rectangle > static_cast<std::uint64_t>(kMaxPlanePixels) ||
          static_cast<std::int64_t>(rectangle) > budget - planned_pixels_) {
        return Fail(WithPath(TL_TEXT("tintloom", "ファイルが壊れているか大きすぎるため開けません."), path_));
      }
      planned_pixels_ += static_cast<std::int64_t>(rectangle);
    }
    if (!TryResize(layer.PixelData, layer.ChannelData.size())) {
      return OutOfMemory();
    }
    for (std::size_t i = 0; i < layer.ChannelData.size(); ++i) {
      const std::int16_t id = layer.ChannelData[i].id;
      const std::uint64_t size = plane_size(id);
      // Deferred planes are allocated when they are decoded.
      if (!defer_ && !TryResize(layer.PixelData[i], static_cast<std::size_t>(size))) {
        return OutOfMemory();
      }
      const int index = static_cast<int>(i);
      switch (id) {
        case -2: layer.maskPlane = index; break;
        case -1: layer.transparencyPlane = index; break;
        case 0: layer.redPlane = index; break;
        case 1: layer.greenPlane = index; break;
        case 2: layer.bluePlane = index; break;
        default: break;  // kept, unbound
      }
    }
    return Ok();
  }

  Result<> ReadChannel(TPSDLayer& layer, std::size_t c) {
    TPSDChannel& channel = layer.ChannelData[c];
    std::vector<std::uint8_t>* plane = c < layer.PixelData.size() && !defer_ ? &layer.PixelData[c] : nullptr;
    TRY_ASSIGN(const std::uint16_t compression, in_.U16());
    channel.compression = compression;
    channel.dataOffset = in_.Position();
    const Result<> read = ReadChannelData(layer, channel, plane);
    channel.dataLength = in_.Position() - channel.dataOffset;
    return read;
  }

  // Every read is checked as when decoding; only the unpacking and copying
  // wait when `plane` is null.
  Result<> ReadChannelData(const TPSDLayer& layer, const TPSDChannel& channel, std::vector<std::uint8_t>* plane) {
    const std::uint16_t compression = channel.compression;
    const bool has_pixels = std::int64_t{layer.width} * layer.height > 0;
    if (compression == 1 && has_pixels) {
      const auto [rows, row_width] = PlaneShape(layer, channel.id);
      TRY_ASSIGN(auto counts, in_.Take(static_cast<std::uint64_t>(rows) * 2));
      for (std::int64_t r = 0; r < rows; ++r) {
        const std::size_t at = static_cast<std::size_t>(r) * 2;
        const std::uint32_t count = static_cast<std::uint32_t>(counts[at] << 8 | counts[at + 1]);
        if (plane == nullptr) {
          TRY(in_.Pass(count));
          continue;
        }
        TRY_ASSIGN(auto packed, in_.Take(count));
        // The plane holds rows x row width bytes exactly (checked when it was made).
        auto row = std::span<std::uint8_t>(*plane).subspan(static_cast<std::size_t>(r * row_width),
                                                           static_cast<std::size_t>(row_width));
        // A row whose data stops short reads as zeros after what it holds.
        const std::size_t decoded = UnpackRow(row, packed);
        std::fill(row.begin() + static_cast<std::ptrdiff_t>(decoded), row.end(), std::uint8_t{0});
      }
      return Ok();
    }
    // ZIP (2, and 3 with prediction) is not decoded: copied as it is it would
    // show as noise. Any other value is no compression a PSD file has.
    if (has_pixels && channel.length > 2 && (compression == 2 || compression == 3)) {
      return Fail(WithPath(TL_TEXT("tintloom", "ZIP圧縮されたレイヤーには対応していません. ファイルを開けません"), path_));
    }
    if (has_pixels && channel.length > 2 && compression > 3) {
      return Fail(WithPath(TL_TEXT("tintloom", "ファイルが壊れているか大きすぎるため開けません."), path_));
    }
    // Raw data (or an empty layer): the bytes after the compression field go
    // straight into the plane. Bytes beyond the plane, or with no plane at
    // all, are passed over so the next channel starts where it should.
    const std::int64_t n = static_cast<std::int64_t>(channel.length) - 2;
    if (n <= 0) return Ok();
    if (plane == nullptr) return in_.Pass(static_cast<std::uint64_t>(n));
    TRY_ASSIGN(auto data, in_.Take(static_cast<std::uint64_t>(n)));
    const std::size_t copied = std::min(data.size(), plane->size());
    std::copy_n(data.begin(), copied, plane->begin());
    return Ok();
  }

  TPsdReader in_;
  const std::string& path_;
  TPSD& doc_;
  TProgressSink& progress_;
  bool defer_ = false;
  std::int64_t planned_pixels_ = 0;
};

}  // namespace

void TPSDLayer::Release() {
  pendingPlanes = nullptr;
  ChannelData = {};
  Name.reset();
  UnicodeName.reset();
  PixelData = {};
  maskPlane = transparencyPlane = redPlane = greenPlane = bluePlane = -1;
}

void DocumentClear(TPSD& doc) {
  doc.Layers = {};
  doc.Simples = {};
  doc.deferredBytes = {};
  doc.deferredFile.reset();
  doc.planesBoxShrunk = false;
  doc.croppedToCanvas = false;
  doc.layerCount = 0;
  doc.workingLayerCount = 0;
  doc.notes = {};
}

Result<> DecodePendingPlanes(TPSDLayer& layer) {
  if (!layer.pendingPlanes) return Ok();
  const auto decode = std::move(layer.pendingPlanes);
  layer.pendingPlanes = nullptr;
  return decode(layer);
}

Result<> DecodeAllPendingPlanes(TPSD& doc) {
  for (TPSDLayer& layer : doc.Layers) TRY(DecodePendingPlanes(layer));
  return Ok();
}

bool LayerUsable(const TPSDLayer& layer) {
  return layer.channelCount != 0 && layer.width != 0 && layer.height != 0 && (layer.flags & 2) == 0 &&
         layer.Opacity != 0;
}

std::string MemoryErrorText(const char* label, long long value, unsigned long long bytes) {
  char text[512];
  std::snprintf(text, sizeof text,
                "[ Memory Error ]\n" TL_TEXT("tintloom", "メモリを確保できません. 処理を中断します.") "\nFunction: %s\nValue: %lld\nDataSize: %llu "
                "byte\n",
                label, value, bytes);
  return text;
}

namespace {

Result<> Decode(TPsdReader in, const std::string& path, TPSD& doc, TProgressSink& progress, bool deferPlanes) {
  DocumentClear(doc);
  Result<> result = TPsdDecoder(std::move(in), path, doc, progress, deferPlanes).Run();
  if (!result) DocumentClear(doc);
  return result;
}

}  // namespace

Result<> DecodePsd(std::span<const std::uint8_t> bytes, const std::string& path, TPSD& doc,
                   TProgressSink& progress, bool deferPlanes) {
  Result<> result = Decode(TPsdReader(bytes, path), path, doc, progress, deferPlanes);
  if (result && deferPlanes) doc.deferredBytes = bytes;
  return result;
}

Result<std::span<const std::uint8_t>> DeferredBytes(const TPSD& doc, std::uint64_t offset, std::uint64_t length,
                                                    TFileBytes& held) {
  if (!doc.deferredFile) {
    return doc.deferredBytes.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
  }
  try {
    held.clear();
    held.resize(static_cast<std::size_t>(length));  // left unfilled: the read writes every byte
  } catch (const std::exception&) {
    held = {};
    return Fail(MemoryErrorText("TPSDLayer::InitializePictureData()::Layer->PixelData[i][]", 0, length));
  }
  TRY(doc.deferredFile->ReadAt(offset, held));
  return std::span<const std::uint8_t>(held);
}

void ReleaseLayer(const TPSD& /*doc*/, TPSDLayer& layer) { layer.Release(); }

Result<> LoadFromFile(const std::string& path, TPSD& doc, TProgressSink& progress, bool deferPlanes) {
  DocumentClear(doc);
  const std::string cannot_open = std::string(TL_TEXT("tintloom", "ファイルを開けません.")) + "\n->" + path;
  // Only a regular file is read, as the opened descriptor shows it: a folder
  // reports a nonsense size, and a FIFO swapped in after any check by name
  // would block the open for ever.
  auto file = std::make_shared<TDeferredFile>();
  Result<int> opened = OpenRegularFile(path);
  if (!opened) return Fail(cannot_open);
  file->fd = *opened;
  struct stat status {};
  if (::fstat(file->fd, &status) != 0 || status.st_size < 0) return Fail(cannot_open);
  file->size = static_cast<std::uint64_t>(status.st_size);
  file->path = path;
  if (deferPlanes && file->size > 0) {
    Result<> result = Decode(TPsdReader(*file, path), path, doc, progress, true);
    if (result) doc.deferredFile = std::move(file);
    return result;
  }
  std::vector<std::uint8_t> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(file->size));
  } catch (const std::exception&) {
    return Fail(cannot_open);
  }
  if (!file->ReadAt(0, bytes)) return Fail(cannot_open);
  return DecodePsd(bytes, path, doc, progress);
}

}  // namespace tintloom
