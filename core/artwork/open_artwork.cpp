// Opening sample artwork: the whole pipeline from a PSD file to the composed
// canvas, run in the model's busy state so that no window reacts meanwhile.

#include <algorithm>
#include <string>

#include "core/artwork/compositor.h"
#include "core/artwork/psd_document.h"
#include "core/model/coordination_model.h"

namespace tintloom {

namespace {

constexpr const char* kLoadAbandoned = "PSDファイルオープン中にエラーが発生したため処理を中断します";
constexpr const char* kNoLayers = "PSDファイルはレイヤーをもちません";

}  // namespace

void TCoordinationModel::OpenSampleArtwork(const std::string& path) {
  if (busy_) return;
  BeginBusy();
  TProgressSink& progress = views_.Progress();
  DocumentClear(document);
  // The layer list was emptied with the document; a selection into it would
  // outlive the layers it named.
  selectedLayer = -1;

  if (Result<> read = LoadFromFile(path, document, progress, true); !read) {
    AbandonLoad(read.error().message);
    return;
  }
  if (Result<> reduced = ReduceLayers(document, GlobalBlendTable(), progress, messages_, true, true); !reduced) {
    AbandonLoad(reduced.error().message);
    return;
  }
  ShrinkToCanvas(document, progress);

  // The shrink leaves at most the canvas; the bound only keeps a header that
  // slipped past it from sizing surfaces by its own say.
  const int width = std::clamp(document.width, 0, kCanvasSize + 1);
  const int height = std::clamp(document.height, 0, kCanvasSize + 1);
  artworkSurface.Release();
  artworkSurface.Create(width, height);
  artworkOriginX = kCanvasSize / 2 - width / 2;
  artworkOriginY = kCanvasSize / 2 - height / 2;
  progress.HideProgress();

  pickSurface.Release();
  pickSurface.Create(width, height);  // white: uncovered pixels pick 255
  BuildPickImage(document, pickSurface, GlobalBlendTable());

  if (document.working_layer_count < 1) {
    messages_.ShowMessage(kNoLayers);
    EndBusy();
    ComposeCanvas();
    return;
  }
  for (int i = 0; i < kRampCount; ++i) BuildSlotRamp(i);
  InitLayerMappings(document.working_layer_count);
  BuildLayerThumbnails();
  views_.FillLayerList();
  EndBusy();
  ComposeCanvas();
}

void TCoordinationModel::AbandonLoad(const std::string& reason) {
  // Nothing of the file stays: the reader has already emptied the document.
  DocumentClear(document);
  views_.Progress().HideProgress();
  if (!reason.empty()) messages_.ShowMessage(reason);
  messages_.ShowMessage(kLoadAbandoned);
  EndBusy();
  // The canvas shows the state as it now is: background where the artwork was.
  ComposeCanvas();
}

void TCoordinationModel::InitLayerMappings(int count) {
  artworkLayers.clear();
  artworkLayers.resize(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int i = 0; i < count; ++i) {
    TLayerMapping& mapping = LayerMapping(i);
    mapping.MappedSlot = kGreyRamp;
    mapping.BaseLevel = 170;
    mapping.ShadowLevel = 85;
    BuildLayerLookup(i);
  }
  selectedLayer = -1;
}

void TCoordinationModel::BuildLayerThumbnails() {
  const int count = LayerCount();
  for (int i = 0; i < count; ++i) {
    BuildLayerThumbnail(document.Simples[static_cast<std::size_t>(i)],
                        artworkLayers[static_cast<std::size_t>(i)].thumbnail);
  }
}

}  // namespace tintloom
