#pragma once
// Writes layered 8-bit PSD files in memory: for the benchmarks (large
// generated artwork) and for tests that need a well-formed file to change one
// field of. Channels are stored raw or PackBits-compressed, rows top to bottom.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tintloom::psdgen {

// Big-endian byte writer.
struct TBytes {
  std::vector<std::uint8_t> data;
  TBytes& U8(std::uint32_t v) {
    data.push_back(static_cast<std::uint8_t>(v));
    return *this;
  }
  TBytes& U16(std::uint32_t v) { return U8(v >> 8).U8(v); }
  TBytes& U32(std::uint32_t v) { return U16(v >> 16).U16(v & 0xFFFF); }
  TBytes& Raw(const std::string& s) {
    data.insert(data.end(), s.begin(), s.end());
    return *this;
  }
  TBytes& Raw(const std::vector<std::uint8_t>& v) {
    data.insert(data.end(), v.begin(), v.end());
    return *this;
  }
};

struct TChannel {
  TChannel(std::int16_t id_, std::int32_t width_, std::vector<std::uint8_t> plane_, bool packbits_ = true)
      : id(id_), width(width_), plane(std::move(plane_)), packbits(packbits_) {}
  std::int16_t id = 0;
  std::int32_t width = 0;           // row width of `plane`
  std::vector<std::uint8_t> plane;  // rows x width bytes
  bool packbits = true;
};

struct TLayer {
  TLayer(std::int32_t top_, std::int32_t left_, std::int32_t bottom_, std::int32_t right_,
         std::vector<TChannel> channels_ = {})
      : top(top_), left(left_), bottom(bottom_), right(right_), channels(std::move(channels_)) {}
  std::int32_t top = 0, left = 0, bottom = 0, right = 0;
  std::vector<TChannel> channels;
  std::string key = "norm";
  std::uint8_t opacity = 255, clipping = 0, flags = 0;
  std::vector<std::uint8_t> mask_block;  // the mask data after its size field
  std::string name;
  std::vector<std::uint8_t> after_name;  // additional layer information
};

// PackBits, literal runs and repeats of up to 128 bytes.
inline std::vector<std::uint8_t> PackRow(const std::uint8_t* row, std::int32_t n) {
  std::vector<std::uint8_t> out;
  std::int32_t i = 0;
  while (i < n) {
    std::int32_t run = 1;
    while (i + run < n && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 2) {
      out.push_back(static_cast<std::uint8_t>(257 - run));
      out.push_back(row[i]);
      i += run;
      continue;
    }
    std::int32_t lit = 1;
    while (i + lit < n && lit < 128 && !(i + lit + 1 < n && row[i + lit] == row[i + lit + 1])) ++lit;
    out.push_back(static_cast<std::uint8_t>(lit - 1));
    out.insert(out.end(), row + i, row + i + lit);
    i += lit;
  }
  return out;
}

inline std::vector<std::uint8_t> ChannelData(const TChannel& c) {
  TBytes b;
  if (!c.packbits || c.width == 0) {
    b.U16(0).Raw(c.plane);
    return b.data;
  }
  const std::int32_t rows = static_cast<std::int32_t>(c.plane.size() / static_cast<std::size_t>(c.width));
  std::vector<std::vector<std::uint8_t>> packed;
  for (std::int32_t r = 0; r < rows; ++r) packed.push_back(PackRow(&c.plane[static_cast<std::size_t>(r) * c.width], c.width));
  b.U16(1);
  for (const auto& p : packed) b.U16(static_cast<std::uint32_t>(p.size()));
  for (const auto& p : packed) b.Raw(p);
  return b.data;
}

// A whole file. `count_sign` -1 stores the layer count negated, as files whose
// first alpha channel holds the merged transparency do.
inline std::vector<std::uint8_t> MakePsd(std::int32_t width, std::int32_t height, std::uint16_t mode,
                                         const std::vector<TLayer>& layers, int count_sign = 1) {
  std::vector<std::vector<std::uint8_t>> data;
  TBytes records;
  records.U16(static_cast<std::uint16_t>(count_sign * static_cast<int>(layers.size())));
  for (const TLayer& l : layers) {
    records.U32(static_cast<std::uint32_t>(l.top)).U32(static_cast<std::uint32_t>(l.left));
    records.U32(static_cast<std::uint32_t>(l.bottom)).U32(static_cast<std::uint32_t>(l.right));
    records.U16(static_cast<std::uint32_t>(l.channels.size()));
    for (const TChannel& c : l.channels) {
      data.push_back(ChannelData(c));
      records.U16(static_cast<std::uint16_t>(c.id)).U32(static_cast<std::uint32_t>(data.back().size()));
    }
    records.Raw("8BIM").Raw(l.key).U8(l.opacity).U8(l.clipping).U8(l.flags).U8(0);
    TBytes extra;
    extra.U32(static_cast<std::uint32_t>(l.mask_block.size())).Raw(l.mask_block);
    extra.U32(0);  // blending ranges
    extra.U8(static_cast<std::uint32_t>(l.name.size())).Raw(l.name);
    for (std::size_t pad = (4 - (l.name.size() + 1) % 4) % 4; pad > 0; --pad) extra.U8(0);
    extra.Raw(l.after_name);
    records.U32(static_cast<std::uint32_t>(extra.data.size())).Raw(extra.data);
  }
  for (const auto& d : data) records.Raw(d);
  TBytes file;
  file.Raw("8BPS").U16(1).U32(0).U16(0).U16(3).U32(static_cast<std::uint32_t>(height));
  file.U32(static_cast<std::uint32_t>(width)).U16(8).U16(mode);
  file.U32(0).U32(0);  // colour-mode data, image resources
  file.U32(static_cast<std::uint32_t>(records.data.size() + 4)).U32(static_cast<std::uint32_t>(records.data.size()));
  file.Raw(records.data);
  return file.data;
}

// A plane of w x h bytes from a function of (x, y).
template <typename F>
std::vector<std::uint8_t> Plane(std::int32_t w, std::int32_t h, F f) {
  std::vector<std::uint8_t> p(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) p[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>(f(x, y));
  return p;
}

}  // namespace tintloom::psdgen
