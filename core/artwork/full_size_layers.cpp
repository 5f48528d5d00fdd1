#include "core/artwork/full_size_layers.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "core/artwork/area_shrink.h"
#include "core/artwork/band_workers.h"
#include "core/artwork/group_reduction.h"

namespace tintloom {

struct TFullSizeLayers::TGroups {
  const TPSD* doc = nullptr;
  const TBlendTable* blend = nullptr;
  bool rgb = false;
  // A clipping group as ReduceLayers forms it, and its rows bound for the
  // current band (none when the group has no rows there).
  struct TGroup {
    const TPSDLayer* base = nullptr;
    std::vector<TPSDLayer*> clipped;
    std::unique_ptr<TGroupBands> rows;
  };
  std::vector<TGroup> groups;
  std::size_t scratch_bytes = 0;
  // Where each group writes the current band's rows.
  TPSD* band = nullptr;
};

namespace {

// The rows of one group inside the current band, into its band layer.
void ReduceGroupRows(const void* context, std::size_t index, std::vector<std::uint8_t>& scratch) {
  const auto& all = *static_cast<const TFullSizeLayers::TGroups*>(context);
  const TGroupBands* g = all.groups[index].rows.get();
  TSimpleLayer& out = all.band->Simples[index];
  if (g == nullptr || out.height == 0) return;
  if (!HaveScratch(scratch, all.scratch_bytes, g->short_of_memory)) return;
  ReduceRows(*g, g->y0, g->y0 + g->height, out.Pixel.data(), out.Alpha.data(), scratch.data());
}

}  // namespace

TFullSizeLayers::~TFullSizeLayers() = default;

Result<std::unique_ptr<TFullSizeLayers>> TFullSizeLayers::Bind(const TPSD& doc, const TBlendTable& blend) {
  std::unique_ptr<TFullSizeLayers> layers(new TFullSizeLayers);
  layers->groups_ = std::make_unique<TGroups>();
  TGroups& all = *layers->groups_;
  all.doc = &doc;
  all.blend = &blend;
  all.rgb = doc.colourMode == kPsdColourRgb;
  try {
    // The groups exactly as ReduceLayers forms them.
    const std::size_t records = std::min(doc.Layers.size(), static_cast<std::size_t>(std::max(doc.layerCount, 0)));
    bool open = false;  // whether clipped layers go to the last group
    for (std::size_t i = 0; i < records; ++i) {
      const TPSDLayer& layer = doc.Layers[i];
      if (layer.Clipping == 0) {
        open = LayerUsable(layer);
        if (open) all.groups.push_back({&layer, {}, nullptr});
      } else if (layer.Clipping == 1 && open) {
        all.groups.back().clipped.push_back(const_cast<TPSDLayer*>(&layer));
      }
    }
  } catch (const std::bad_alloc&) {
    return Fail(MemoryErrorText("TPSDLayer::InitializePictureData()::Layer->PixelData[i][]", 0, 0));
  }
  return layers;
}

int TFullSizeLayers::Count() const { return static_cast<int>(groups_->groups.size()); }

const std::optional<std::string>& TFullSizeLayers::Name(int i) const {
  return groups_->groups[static_cast<std::size_t>(i)].base->Name;
}

Result<> TFullSizeLayers::ReduceRows(std::int32_t y0, std::int32_t y1, TPSD& band) {
  TGroups& all = *groups_;
  const std::size_t count = all.groups.size();
  // Each group's rows are bound (their bytes read from the file) for this
  // band only, so what is held follows the band, not the file.
  const auto release = [&all] {
    for (TGroups::TGroup& group : all.groups) group.rows.reset();
  };
  try {
    band.Simples.resize(count);
    all.scratch_bytes = 0;
    std::uint64_t pixels = 0;
    for (std::size_t i = 0; i < count; ++i) {
      TGroups::TGroup& group = all.groups[i];
      const TPSDLayer& base = *group.base;
      TSimpleLayer& out = band.Simples[i];
      // Only the columns on the document can show.
      const auto [x0, x1] = ElementsShown(base.left, base.width, all.doc->width);
      const std::int64_t top = std::max<std::int64_t>(y0, base.top);
      const std::int64_t bottom = std::min<std::int64_t>(y1, std::int64_t{base.top} + base.height);
      out.left = static_cast<std::int32_t>(base.left + x0);
      out.width = static_cast<std::int32_t>(x1 - x0);
      out.top = static_cast<std::int32_t>(top - y0);
      out.height = bottom > top && x1 > x0 ? static_cast<std::int32_t>(bottom - top) : 0;
      out.BlendModeKey = base.BlendModeKey;
      if (out.height == 0) continue;
      const TBasePart part{x0, x1, top - base.top, bottom - base.top};
      group.rows = std::make_unique<TGroupBands>();
      std::size_t row_bytes = 0, columns = 0;
      if (Result<> bound = BindGroup(*all.doc, base, group.clipped, all.rgb, *all.blend, part, group.rows.get(),
                                     row_bytes, columns);
          !bound) {
        release();
        return bound;
      }
      LayOutScratch(group.rows.get(), all.rgb, part.y1 - part.y0, row_bytes, columns, nullptr);
      all.scratch_bytes = std::max(all.scratch_bytes, group.rows->scratch_bytes);
      const std::size_t n = static_cast<std::size_t>(out.height) * static_cast<std::size_t>(out.width);
      // The planes only grow: a band's rows overwrite every byte they use.
      if (out.Pixel.size() < n) {
        out.Pixel.resize(n);
        out.Alpha.resize(n);
      }
      pixels += n;
    }
    band.workingLayerCount = static_cast<std::int32_t>(count);
    band.layerCount = band.workingLayerCount;
    band.width = all.doc->width;
    band.height = y1 - y0;
    all.band = &band;
    const unsigned threads = pixels >= kSharedPixels ? CompositionThreads() : 1u;
    RunBands(count, threads, ReduceGroupRows, &all);
  } catch (const std::bad_alloc&) {
    release();
    return Fail(MemoryErrorText("TSimpleLayer::Alloc()::Alpha[]", 0, 0));
  }
  bool short_of_memory = false;
  for (const TGroups::TGroup& group : all.groups) {
    if (group.rows && group.rows->short_of_memory.load()) short_of_memory = true;
  }
  release();
  if (short_of_memory) return Fail(MemoryErrorText("TSimpleLayer::Alloc()::Alpha[]", 0, 0));
  return Ok();
}

}  // namespace tintloom

