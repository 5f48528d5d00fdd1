#pragma once
// The working layers of a PSD file at the file's own size, made a band of
// document rows at a time: the same reduction opening does (clipping groups
// merged into grey levels and alpha), but never shrunk and never whole, so a
// full-size picture can be composed a band at a time in little memory.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/artwork/blend_table.h"
#include "core/artwork/psd_document.h"
#include "core/base/result.h"

namespace tintloom {

class TFullSizeLayers {
 public:
  // `doc` was read by LoadFromFile with deferred planes; it and `blend` must
  // outlive this object and stay unchanged. Nothing is read from the file
  // yet; fails with the memory message.
  static Result<std::unique_ptr<TFullSizeLayers>> Bind(const TPSD& doc, const TBlendTable& blend);
  ~TFullSizeLayers();
  TFullSizeLayers(const TFullSizeLayers&) = delete;
  TFullSizeLayers& operator=(const TFullSizeLayers&) = delete;

  // Working layers, in the order opening gives them.
  int Count() const;
  const std::optional<std::string>& Name(int i) const;

  // Document rows [y0, y1) of every working layer into band.Simples, which
  // is resized to Count(): layer i keeps the columns of it on the document
  // (left and width), its top is relative to y0 and its planes hold only its
  // rows inside the band (none when it has none there). band.width and
  // band.height become the document's width and y1 - y0. Only the band's
  // bytes of the file are read, and only while the call runs. Fails with the
  // memory message, or with the read error of a file changed since it was
  // opened.
  Result<> ReduceRows(std::int32_t y0, std::int32_t y1, TPSD& band);

  struct TGroups;

 private:
  TFullSizeLayers() = default;
  std::unique_ptr<TGroups> groups_;
};

}  // namespace tintloom
