// Opening sample artwork: the whole pipeline from a PSD file to the composed
// canvas, run in the model's busy state so that no window reacts meanwhile.

#include <algorithm>
#include <filesystem>
#include <string>

#include "core/artwork/compositor.h"
#include "core/artwork/psd_document.h"
#include "core/base/user_text.h"
#include "core/document/coordination_model.h"

namespace tintloom {

namespace {

constexpr const char* kLoadAbandoned = TL_TEXT("tintloom", "PSDファイルオープン中にエラーが発生したため処理を中断します");
constexpr const char* kNoLayers = TL_TEXT("tintloom", "PSDファイルはレイヤーをもちません");

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute.lexically_normal().string();
}

}  // namespace

void TCoordinationModel::OpenSampleArtwork(const std::string& path) {
  if (busy_) return;
  // A drag or a typed value still open is a step of the previous artwork.
  EndGesture();
  BeginBusy();
  TProgressSink& progress = views_.Progress();
  // The new file is read and reduced completely into a document of its own.
  // The artwork on the canvas, its layers and their mappings are the user's
  // work: they are replaced only once the new artwork is whole, so a file
  // that cannot be used leaves them exactly as they were.
  TPSD incoming;
  if (Result<> read = LoadFromFile(path, incoming, progress, true); !read) {
    AbandonLoad(read.error().message);
    return;
  }
  if (Result<> reduced = ReduceLayers(incoming, GlobalBlendTable(), progress, messages_, true, true); !reduced) {
    AbandonLoad(reduced.error().message);
    return;
  }
  ShrinkToCanvas(incoming, progress);
  if (incoming.workingLayerCount < 1) {
    // Nothing in it could be recoloured: not worth the artwork it would replace.
    progress.HideProgress();
    messages_.ShowMessage(kNoLayers);
    KeepCurrentArtwork();
    return;
  }

  document = std::move(incoming);
  selectedLayer = -1;
  selectedLayers_.clear();
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

  for (int i = 0; i < kRampCount; ++i) BuildSlotRamp(i);
  InitLayerMappings(document.workingLayerCount);
  artworkPath = AbsolutePath(path);
  BuildLayerThumbnails();
  views_.FillLayerList();
  EndBusy();
  ComposeCanvas();
}

void TCoordinationModel::AbandonLoad(const std::string& reason) {
  views_.Progress().HideProgress();
  if (!reason.empty()) messages_.ShowMessage(reason);
  messages_.ShowMessage(kLoadAbandoned);
  KeepCurrentArtwork();
}

void TCoordinationModel::KeepCurrentArtwork() {
  EndBusy();
  // The busy state emptied the layer list; the layers it named are still here.
  views_.FillLayerList();
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
    const auto at = static_cast<std::size_t>(i);
    if (at < document.Simples.size()) artworkLayers[at].loadedBlendMode = document.Simples[at].BlendModeKey;
  }
  selectedLayer = -1;
  selectedLayers_.clear();
  ForgetLayerSteps();
}

void TCoordinationModel::BuildLayerThumbnails() {
  const int count = LayerCount();
  for (int i = 0; i < count; ++i) {
    BuildLayerThumbnail(document.Simples[static_cast<std::size_t>(i)],
                        artworkLayers[static_cast<std::size_t>(i)].thumbnail);
  }
}

}  // namespace tintloom
