#include "core/files/artwork_export.h"

#include "core/artwork/blend_table.h"
#include "core/files/png_file.h"
#include "core/model/coordination_model.h"

namespace tintloom {

namespace {

class TPngRowSink final : public TRowSink {
 public:
  explicit TPngRowSink(std::string path) : path_(std::move(path)) {}
  Result<> Begin(std::int32_t width, std::int32_t height, bool alpha) override {
    return writer_.Open(path_, width, height, alpha);
  }
  Result<> WriteRow(const std::uint8_t* row) override { return writer_.WriteRow(row); }
  Result<> Finish() { return writer_.Finish(); }

 private:
  std::string path_;
  TPngWriter writer_;
};

}  // namespace

Result<TRenderOutcome> ExportArtworkPng(const TCoordinationModel& model, const std::string& path,
                                        const TRenderBackground& background, std::int32_t fitSide,
                                        const TRenderProgress& progress) {
  if (model.LayerCount() < 1 || model.artworkPath.empty()) return Fail(kNoArtworkMessage);
  TPngRowSink sink(path);
  TRY_ASSIGN(const TRenderOutcome outcome, RenderArtwork(model.artworkPath, model.document, model.artworkLayers,
                                                         GlobalBlendTable(), background, fitSide, sink, progress));
  if (outcome == TRenderOutcome::kDone) TRY(sink.Finish());
  return outcome;
}

}  // namespace tintloom
