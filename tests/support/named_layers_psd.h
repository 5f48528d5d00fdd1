#pragma once
// Small layered PSD files of named layers, for the tests of artwork read
// again after a save: each layer a square of its own grey.

#include <cstdint>
#include <string>
#include <vector>

#include "bench/psd_generator.h"
#include "core/artwork/psd_document.h"

namespace tintloom::testing {

struct TNamedLayer {
  std::string name;
  std::uint8_t grey = 128;
  std::string key = "norm";
};

inline std::vector<std::uint8_t> NamedLayersPsd(const std::vector<TNamedLayer>& layers, int side = 64) {
  std::vector<psdgen::TLayer> records;
  int at = 0;
  for (const TNamedLayer& named : layers) {
    const int left = (at * 7) % (side / 2);
    psdgen::TLayer l(left, left, left + side / 2, left + side / 2);
    for (const std::int16_t id : {-1, 0, 1, 2}) {
      l.channels.emplace_back(id, side / 2, psdgen::Plane(side / 2, side / 2, [&](int x, int) {
                                return id == -1 ? 255 : (named.grey + x) & 0xFF;
                              }));
    }
    l.name = named.name;
    l.key = named.key;
    records.push_back(std::move(l));
    ++at;
  }
  return psdgen::MakePsd(side, side, kPsdColourRgb, records);
}

}  // namespace tintloom::testing
