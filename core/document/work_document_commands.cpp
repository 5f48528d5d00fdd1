#include "core/document/work_document_commands.h"

#include <filesystem>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "core/base/file_io.h"
#include "core/base/user_text.h"
#include "core/document/coordination_model.h"
#include "core/document/palette_document_commands.h"

namespace tintloom {

TWorkDocument CaptureWorkDocument(const TCoordinationModel& model, const std::string& workPath) {
  TWorkDocument document;
  document.palette = EncodePaletteDocument(CapturePaletteDocument(model));
  const int count = model.LayerCount();
  if (count > 0 && !model.Artwork().Path().empty()) {
    document.artwork = StoredArtworkPath(model.Artwork().Path(), workPath);
    document.layers.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      const TLayerMapping& mapping = model.Artwork().Mapping(i);
      TWorkLayer layer;
      layer.position = i;
      layer.name = model.Artwork().Document().Simples[static_cast<std::size_t>(i)].Name;
      layer.slot = mapping.MappedSlot;
      layer.base = mapping.BaseLevel;
      layer.shadow = mapping.ShadowLevel;
      layer.blend = static_cast<std::int16_t>(model.LayerBlendMode(i));
      layer.hidden = model.LayerHidden(i);
      document.layers.push_back(std::move(layer));
    }
  }
  return document;
}

bool SaveWorkDocument(TCoordinationModel& model, const std::string& path) {
  const TWorkDocument document = CaptureWorkDocument(model, path);
  const std::string text = EncodeWorkDocument(document);
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  if (Result<> written = ReplaceFileContents(path, bytes); !written) {
    model.Messages().ShowMessage(written.error().message);
    return false;
  }
  model.MarkSaved(TDocumentKind::Work, path, document.artwork ? model.Artwork().Path() : std::string());
  return true;
}

void LoadWorkDocument(TCoordinationModel& model, const std::string& path) {
  if (model.Busy()) return;
  // Every refusal names the file, as the artwork's messages do.
  const auto refuse = [&model, &path](const std::string& text) { model.Messages().ShowMessage(text + "\n->" + path); };
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (!ec && size > kMaxWorkDocumentBytes) {
    refuse(FillText(TL_TEXT("tintloom", "ファイルが大きすぎます(作業ファイルは%1MBまでです)"), kMaxWorkDocumentBytes >> 20));
    return;
  }
  Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(path, kMaxWorkDocumentBytes);
  if (!bytes) {
    refuse(bytes.error().message);
    return;
  }
  Result<TWorkDocument> document = DecodeWorkDocument(*bytes);
  if (!document) {
    refuse(document.error().message);
    return;
  }
  (void)ApplyWorkDocument(model, *document, path);
}

bool ApplyWorkDocument(TCoordinationModel& model, const TWorkDocument& document, const std::string& workPath) {
  if (model.Busy()) return false;
  // Checked when the document was decoded: this read cannot be refused.
  if (Result<> palette = ReadPaletteDocumentInto(model, document.palette); !palette) {
    model.Messages().ShowMessage(palette.error().message);
    return false;
  }
  if (!document.artwork) {
    model.MarkSaved(TDocumentKind::Work, workPath);
    return true;
  }
  const std::string artwork = ResolveArtworkPath(*document.artwork, workPath);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(artwork, ec)) {
    // The document still names its artwork: saved over as it is, the work
    // would lose it and its layers' settings.
    model.MarkSaved(TDocumentKind::Work, workPath, artwork);
    model.Messages().ShowMessage(std::string(kArtworkMissing) + "\n->" + artwork);
    return false;
  }
  // A file that fails to open leaves the artwork shown before, and its path.
  if (!model.OpenSampleArtwork(artwork) || model.LayerCount() < 1) {
    model.MarkSaved(TDocumentKind::Work, workPath, artwork);
    return false;
  }

  const int count = model.LayerCount();
  std::vector<std::optional<std::string>> names;
  names.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) names.push_back(model.Artwork().Document().Simples[static_cast<std::size_t>(i)].Name);
  const TLayerMatch match = MatchLayers(document.layers, names);
  std::vector<int> hidden;
  for (int i = 0; i < count; ++i) {
    const int s = match.savedFor[static_cast<std::size_t>(i)];
    if (s < 0) continue;
    const TWorkLayer& entry = document.layers[static_cast<std::size_t>(s)];
    TLayerMapping& mapping = model.LayerMapping(i);
    mapping.MappedSlot = entry.slot;
    mapping.BaseLevel = entry.base;
    mapping.ShadowLevel = entry.shadow;
    model.RestoreLayerBlendMode(i, entry.blend);
    model.BuildLayerLookup(i);
    if (entry.hidden) hidden.push_back(i);
  }
  model.SetLayersHidden(hidden, true);
  model.Views().FillLayerList();
  model.ComposeCanvas();
  model.ForgetLayerSteps();
  model.MarkSaved(TDocumentKind::Work, workPath, model.Artwork().Path());
  if (match.unmatchedLayers > 0 || match.unusedSettings > 0) {
    std::string text = FillText(TL_TEXT("tintloom", "見本のレイヤーが作業ファイルの保存時と変わっています。") "\n"
                                    TL_TEXT("tintloom", "%1枚のレイヤーは設定を対応づけられず、未設定のままです"),
                                match.unmatchedLayers);
    if (match.unusedSettings > 0) {
      text += FillText("\n" TL_TEXT("tintloom", "(対応するレイヤーがない設定: %1件)"), match.unusedSettings);
    }
    model.Messages().ShowMessage(text);
  }
  return true;
}

}  // namespace tintloom
