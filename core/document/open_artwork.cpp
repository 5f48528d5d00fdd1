// Opening sample artwork: the whole pipeline from a PSD file to the composed
// canvas, run in the model's busy state so that no window reacts meanwhile.

#include <filesystem>
#include <string>
#include <vector>

#include "core/artwork/artwork_file.h"
#include "core/artwork/compositor.h"
#include "core/artwork/psd_document.h"
#include "core/base/user_text.h"
#include "core/document/artwork_reading.h"
#include "core/document/coordination_model.h"

namespace tintloom {

namespace {

constexpr const char* kLoadAbandoned = TL_TEXT("tintloom", "PSDファイルオープン中にエラーが発生したため処理を中断します");

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute.lexically_normal().string();
}

}  // namespace

Result<TPSD> ReadArtworkForCanvas(const std::string& path, TProgressSink& progress, TMessageSink& messages) {
  TPSD incoming;
  TRY(LoadArtworkFile(path, incoming, progress, true));
  TRY(ReduceLayers(incoming, GlobalBlendTable(), progress, messages, true, true));
  ShrinkToCanvas(incoming, progress);
  // Nothing in it could be recoloured: not worth the artwork it would replace.
  if (incoming.workingLayerCount < 1) return Fail(kNoLayersMessage);
  return incoming;
}

bool TCoordinationModel::OpenSampleArtwork(const std::string& path) {
  if (busy_) return false;
  // A drag or a typed value still open is a step of the previous artwork.
  EndGesture();
  BeginBusy();
  TProgressSink& progress = views_.Progress();
  // The new file is read and reduced completely into a document of its own.
  // The artwork on the canvas, its layers and their mappings are the user's
  // work: they are replaced only once the new artwork is whole, so a file
  // that cannot be used leaves them exactly as they were.
  Result<TPSD> incoming = ReadArtworkForCanvas(path, progress, messages_);
  if (!incoming) {
    if (incoming.error().message != kNoLayersMessage) {
      AbandonLoad(incoming.error().message);
      return false;
    }
    progress.HideProgress();
    messages_.ShowMessage(kNoLayersMessage);
    KeepCurrentArtwork();
    return false;
  }

  progress.HideProgress();
  // What the file draws that its layers here cannot, said once it is open.
  const std::vector<std::string> notes = std::move(incoming.value().notes);
  artwork_.Replace(std::move(incoming).value(), AbsolutePath(path));
  for (int i = 0; i < kRampCount; ++i) BuildSlotRamp(i);
  InitLayerMappings(artwork_.Document().workingLayerCount);
  BuildLayerThumbnails();
  views_.FillLayerList();
  EndBusy();
  ComposeCanvas();
  views_.ArtworkOpened();
  for (const std::string& note : notes) messages_.ShowMessage(note);
  return true;
}

void TCoordinationModel::AbandonLoad(const std::string& reason) {
  views_.Progress().HideProgress();
  // The artwork is back in its windows before the message says the open
  // failed, so it never shows an empty layer list as if the work were gone.
  // The reason and the stop are one message: one box to read and close.
  KeepCurrentArtwork();
  messages_.ShowMessage(reason.empty() ? std::string(kLoadAbandoned) : reason + "\n" + kLoadAbandoned);
}

void TCoordinationModel::KeepCurrentArtwork() {
  EndBusy();
  // The busy state emptied the layer list; the layers it named are still here.
  views_.FillLayerList();
  ComposeCanvas();
}

void TCoordinationModel::InitLayerMappings(int count) {
  artwork_.ResetMappings(count);
  for (int i = 0; i < count; ++i) BuildLayerLookup(i);
  ForgetLayerSteps();
}

void TCoordinationModel::BuildLayerThumbnails() { artwork_.BuildThumbnails(); }

}  // namespace tintloom
