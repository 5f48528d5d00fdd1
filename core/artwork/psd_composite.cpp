#include "core/artwork/psd_composite.h"

#include <algorithm>

#include "core/artwork/packbits.h"
#include "core/base/file_io.h"
#include "core/base/user_text.h"

namespace tintloom {

namespace {

constexpr const char* kNotPsd = TL_TEXT("tintloom", "PSDファイルではありません.");
constexpr const char* kEndsEarly = TL_TEXT("tintloom", "ファイルが途中で終わっています.");

// Big-endian reads that never pass the end.
class TReader {
 public:
  explicit TReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Has(std::uint64_t n) const { return n <= bytes_.size() - at_; }
  std::uint64_t Left() const { return bytes_.size() - at_; }
  std::uint64_t At() const { return at_; }
  bool Skip(std::uint64_t n) {
    if (!Has(n)) return false;
    at_ += n;
    return true;
  }
  bool Read(int width, std::uint64_t& out) {
    if (!Has(static_cast<std::uint64_t>(width))) return false;
    out = 0;
    for (int i = 0; i < width; ++i) out = (out << 8) | bytes_[at_ + static_cast<std::uint64_t>(i)];
    at_ += static_cast<std::uint64_t>(width);
    return true;
  }
  std::span<const std::uint8_t> Rest() const { return bytes_.subspan(at_); }

 private:
  std::span<const std::uint8_t> bytes_;
  std::uint64_t at_ = 0;
};

}  // namespace

Result<TPsdComposite> DecodePsdComposite(std::span<const std::uint8_t> bytes) {
  TReader in(bytes);
  std::uint64_t signature = 0, version = 0, channels = 0, height = 0, width = 0, depth = 0, mode = 0;
  if (!in.Read(4, signature) || signature != 0x38425053) return Fail(kNotPsd);
  if (!in.Read(2, version) || (version != 1 && version != 2)) return Fail(kNotPsd);
  if (!in.Skip(6) || !in.Read(2, channels) || !in.Read(4, height) || !in.Read(4, width) || !in.Read(2, depth) ||
      !in.Read(2, mode)) {
    return Fail(kEndsEarly);
  }
  const bool grey = mode == 1;
  const std::uint64_t colourChannels = grey ? 1 : 3;
  if (depth != 8 || (mode != 1 && mode != 3) || channels < colourChannels) {
    return Fail(TL_TEXT("tintloom", "8ビットのRGBかグレースケールの画像だけを読み込めます"));
  }
  if (width == 0 || height == 0) return Fail(TL_TEXT("tintloom", "画像に画素がありません"));
  if (width * height > static_cast<std::uint64_t>(kMaxPicturePixels)) {
    return Fail(FillText(kPictureTooLargeProblem, width, height));
  }
  // The colour mode data, the image resources, then the layers: skipped.
  for (int lengthWidth : {4, 4, version == 2 ? 8 : 4}) {
    std::uint64_t length = 0;
    if (!in.Read(lengthWidth, length) || !in.Skip(length)) return Fail(kEndsEarly);
  }
  std::uint64_t compression = 0;
  if (!in.Read(2, compression)) return Fail(kEndsEarly);
  if (compression != 0 && compression != 1) return Fail(TL_TEXT("tintloom", "この圧縮形式の画像は読み込めません"));
  // Colour channels, then alpha when the file keeps one.
  const std::uint64_t used = std::min<std::uint64_t>(channels, colourChannels + 1);
  const std::uint64_t rows = channels * height;
  // The bytes of every used row are known to be there before the picture is
  // allocated; a PackBits row needs two bytes for each 128 pixels at least,
  // so the picture never outgrows the file by more than that.
  const int countWidth = version == 2 ? 4 : 2;
  std::span<const std::uint8_t> counts;
  std::span<const std::uint8_t> data = in.Rest();
  if (compression == 0) {
    if (!in.Has(used * height * width)) return Fail(kEndsEarly);
  } else {
    if (!in.Has(rows * static_cast<std::uint64_t>(countWidth))) return Fail(kEndsEarly);
    counts = in.Rest().first(rows * static_cast<std::uint64_t>(countWidth));
    data = in.Rest().subspan(counts.size());
    TReader table(counts);
    std::uint64_t total = 0;
    for (std::uint64_t r = 0; r < used * height; ++r) {
      std::uint64_t count = 0;
      (void)table.Read(countWidth, count);
      total += count;
    }
    if (total > data.size() || total < used * height * ((width + 127) / 128) * 2) return Fail(kEndsEarly);
  }

  TPsdComposite picture;
  picture.width = static_cast<std::int64_t>(width);
  picture.height = static_cast<std::int64_t>(height);
  picture.rgba.assign(static_cast<std::size_t>(width * height * 4), 255);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width));
  TReader table(counts);
  std::uint64_t at = 0;
  for (std::uint64_t c = 0; c < used; ++c) {
    for (std::uint64_t y = 0; y < height; ++y) {
      if (compression == 0) {
        const auto source = data.subspan(at, width);
        std::copy(source.begin(), source.end(), row.begin());
        at += width;
      } else {
        std::uint64_t count = 0;
        (void)table.Read(countWidth, count);
        // A row that unpacks short is left black rather than refused: the
        // colours of the rest still count.
        std::fill(row.begin(), row.end(), 0);
        (void)UnpackRow(row, data.subspan(at, count));
        at += count;
      }
      std::uint8_t* out = &picture.rgba[static_cast<std::size_t>(y * width * 4)];
      for (std::uint64_t x = 0; x < width; ++x) {
        const std::uint8_t v = row[static_cast<std::size_t>(x)];
        if (c == colourChannels) {
          out[x * 4 + 3] = v;
        } else if (grey) {
          out[x * 4] = out[x * 4 + 1] = out[x * 4 + 2] = v;
        } else {
          out[x * 4 + c] = v;
        }
      }
    }
  }
  return picture;
}

Result<TPsdComposite> ReadPsdComposite(const std::string& path) {
  Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(path, kMaxCompositeFileBytes);
  if (!bytes) return Fail(bytes.error().message);
  return DecodePsdComposite(*bytes);
}

}  // namespace tintloom
