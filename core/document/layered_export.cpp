#include "core/document/layered_export.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <new>
#include <vector>

#include "core/artwork/artwork_file.h"
#include "core/artwork/band_workers.h"
#include "core/artwork/blend_table.h"
#include "core/artwork/compositor.h"
#include "core/artwork/full_size_layers.h"
#include "core/colour/surface.h"
#include "core/document/artwork_export.h"
#include "core/document/coordination_model.h"
#include "core/formats/layered_psd.h"

namespace tintloom {

namespace {

// Document rows made at a time, as the PNG export makes them.
constexpr std::int32_t kBandRows = 64;

// One band's coding: job i < count codes working layer i, job count the
// merged rows. A job that runs out of memory marks it and codes nothing.
struct TBandCoding {
  const TPSD* band = nullptr;
  std::span<const TArtworkLayer> layers;
  const TSurface* surface = nullptr;
  TLayeredPsdWriter* writer = nullptr;
  std::int32_t y0 = 0;
  std::size_t count = 0;
  mutable std::atomic<bool> shortOfMemory{false};
};

void CodeBandJob(const void* context, std::size_t index, std::vector<std::uint8_t>& scratch) {
  const auto& job = *static_cast<const TBandCoding*>(context);
  try {
    if (index == job.count) {
      // The surface's pixels are blue, green, red.
      std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(job.band->height));
      for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = reinterpret_cast<const std::uint8_t*>(job.surface->rows[y]);
      job.writer->CodeMergedRows(rows, 3, 2, 1, 0);
      return;
    }
    const TSimpleLayer& layer = job.band->Simples[index];
    const auto n = static_cast<std::size_t>(std::max(layer.width, 0)) * static_cast<std::size_t>(std::max(layer.height, 0));
    if (n == 0 || layer.Pixel.size() < n || layer.Alpha.size() < n) return;
    // The layer's colour per grey level: its ramp through its levels, as the
    // compositor looks it up. A layer never mapped keeps its grey.
    const auto& lookup = job.layers[index].mapping.Lookup;
    std::uint8_t colours[3][256];
    for (int g = 0; g < 256; ++g) {
      const TRgb24 c = lookup[0] != nullptr ? *lookup[static_cast<std::size_t>(g)] : TRgb24{static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(g)};
      colours[0][g] = c.red;
      colours[1][g] = c.green;
      colours[2][g] = c.blue;
    }
    scratch.resize(3 * n);
    std::uint8_t* red = scratch.data();
    std::uint8_t* green = red + n;
    std::uint8_t* blue = green + n;
    const std::uint8_t* grey = layer.Pixel.data();
    for (std::size_t p = 0; p < n; ++p) {
      red[p] = colours[0][grey[p]];
      green[p] = colours[1][grey[p]];
      blue[p] = colours[2][grey[p]];
    }
    job.writer->CodeLayerRows(index, {layer.left, job.y0 + layer.top, layer.width, layer.height, layer.Alpha.data(),
                                      red, green, blue});
  } catch (const std::bad_alloc&) {
    job.shortOfMemory = true;
  }
}

Result<TRenderOutcome> WriteLayers(const TCoordinationModel& model, const std::string& path,
                                   const TRenderProgress& progress) {
  if (model.LayerCount() < 1 || model.Artwork().Path().empty()) return Fail(kNoArtworkMessage);
  const TArtworkSession& artwork = model.Artwork();
  std::error_code ec;
  if (std::filesystem::equivalent(path, artwork.Path(), ec)) return Fail(kExportOverArtworkMessage);
  const TPSD& shown = artwork.Document();
  const std::span<const TArtworkLayer> layers = artwork.Layers();
  const TBlendTable& blend = GlobalBlendTable();

  TSilentProgress silent;
  TPSD doc;
  TRY(LoadArtworkFile(artwork.Path(), doc, silent, true));
  // Krita and OpenRaster layers are decoded whole before the bands read them.
  TRY(DecodeAllPendingPlanes(doc));
  TRY_ASSIGN(std::unique_ptr<TFullSizeLayers> bound, TFullSizeLayers::Bind(doc, blend));
  const int count = bound->Count();
  if (count != shown.workingLayerCount || static_cast<std::size_t>(count) > shown.Simples.size() ||
      static_cast<std::size_t>(count) > layers.size()) {
    return Fail(kArtworkChangedMessage);
  }
  std::vector<TPsdLayerHead> heads(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < heads.size(); ++i) {
    const TSimpleLayer& layer = shown.Simples[i];
    if (layer.Name != bound->Name(static_cast<int>(i))) return Fail(kArtworkChangedMessage);
    heads[i].name = layer.Name;
    heads[i].unicodeName = layer.UnicodeName;
    const int code = layer.BlendModeKey;
    heads[i].blendKey = kBlendModes[static_cast<std::size_t>(code >= -1 && code < kBlendModeCount ? code + 1 : 0)].key;
    // A layer never mapped is not on the canvas either.
    heads[i].hidden = layers[i].hidden || layers[i].mapping.Lookup[0] == nullptr;
  }

  const std::int32_t width = doc.width;
  const std::int32_t height = doc.height;
  TSurface surface;
  if (width <= 0 || height <= 0 || !surface.Create(width, std::min(height, kBandRows))) {
    return Fail(MemoryErrorText("TSurface::Create()", width, 3ull * static_cast<unsigned>(std::max(width, 0)) * kBandRows));
  }
  TLayeredPsdWriter writer;
  TRY(writer.Open(path, width, height, std::move(heads)));
  // Progress runs over twice the rows: the bands, then laying the file out.
  const std::int32_t total = height > std::numeric_limits<std::int32_t>::max() / 2 ? height : 2 * height;
  TPSD band;
  for (std::int32_t y0 = 0; y0 < height; y0 += kBandRows) {
    if (progress && !progress(y0, total)) return TRenderOutcome::kCancelled;
    const std::int32_t y1 = std::min(height, y0 + kBandRows);
    TRY(bound->ReduceRows(y0, y1, band));
    // The canvas's blend modes, as the user set them.
    for (std::size_t i = 0; i < band.Simples.size() && i < shown.Simples.size(); ++i) {
      band.Simples[i].BlendModeKey = shown.Simples[i].BlendModeKey;
    }
    FillRect(surface, 0, 0, surface.width, surface.height, TColor{0xFFFFFF});
    CompositeArtwork(band, surface, layers, blend);
    const TBandCoding job{&band, layers, &surface, &writer, y0, static_cast<std::size_t>(count)};
    RunBands(job.count + 1, CompositionThreads(), CodeBandJob, &job);
    if (job.shortOfMemory) return Fail(MemoryErrorText("TLayeredPsdWriter::CodeLayerRows()", 0, 0));
    TRY(writer.EndBand());
  }
  const TPsdFinishProgress finishing = [&progress, height, total](std::uint64_t done, std::uint64_t all) {
    if (!progress) return true;
    const std::uint64_t part = all > 0 ? done * static_cast<std::uint64_t>(total - height) / all : 0;
    return progress(height + static_cast<std::int32_t>(part), total);
  };
  TRY_ASSIGN(const TPsdFinish finished, writer.Finish(finishing));
  return finished == TPsdFinish::kWritten ? TRenderOutcome::kDone : TRenderOutcome::kCancelled;
}

}  // namespace

Result<TRenderOutcome> ExportLayeredPsd(const TCoordinationModel& model, const std::string& path,
                                        const TRenderProgress& progress) {
  // The records and row lengths are small, but an allocation that fails
  // still must not leave the windows through an exception.
  try {
    return WriteLayers(model, path, progress);
  } catch (const std::bad_alloc&) {
    return Fail(MemoryErrorText("TLayeredPsdWriter::Open()", 0, 0));
  }
}

}  // namespace tintloom
