#include "core/document/palette_document_commands.h"

#include <vector>

#include "core/base/file_io.h"
#include "core/document/coordination_model.h"

namespace tintloom {

TPaletteDocument CapturePaletteDocument(const TCoordinationModel& model) {
  TPaletteDocument document;
  document.scheme = model.Scheme();
  document.toneFilter = model.ToneFilter();
  for (int i = 0; i < kSlotCount; ++i) document.colourSlots[static_cast<std::size_t>(i)] = model.SlotAt(i);
  return document;
}

bool SavePaletteDocument(TCoordinationModel& model, const std::string& path) {
  const std::vector<std::uint8_t> bytes = EncodePaletteDocument(CapturePaletteDocument(model));
  if (Result<> written = ReplaceFileContents(path, bytes); !written) {
    model.Messages().ShowMessage(written.error().message);
    return false;
  }
  model.MarkSaved(TDocumentKind::Palette, path);
  return true;
}

void LoadPaletteDocument(TCoordinationModel& model, const std::string& path) {
  if (model.Busy()) return;
  // Bytes past the document's end are not part of it.
  Result<std::vector<std::uint8_t>> bytes = ReadFileStart(path, kPaletteDocumentSize);
  Result<> read = bytes ? ReadPaletteDocumentInto(model, *bytes) : Result<>(bytes.take_error());
  if (!read) {
    model.Messages().ShowMessage(read.error().message);
    return;
  }
  // The redraw recorded the opening as one step; what was opened is saved.
  model.MarkSaved(TDocumentKind::Palette, path);
}

Result<> ReadPaletteDocumentInto(TCoordinationModel& model, std::span<const std::uint8_t> bytes) {
  if (model.Busy()) return Ok();
  TPaletteDocument document = CapturePaletteDocument(model);
  TRY(DecodePaletteDocument(bytes, document));
  TScheme& scheme = model.Scheme();
  scheme = document.scheme;
  // No rule change happened: the next one moves weights only to or from the
  // custom rule.
  scheme.previousRule = -1;
  model.RestoreToneFilter(document.toneFilter);
  for (int i = 0; i < kSlotCount; ++i) model.SlotAt(i) = document.colourSlots[static_cast<std::size_t>(i)];
  // The ramps first show the colours as read; the redraw then recomputes
  // the shades and rebuilds the ramps that can have changed.
  for (int i = 0; i < kSlotCount; ++i) model.BuildSlotRamp(i);
  model.Redraw(TCoordinationModel::kRedrawSelected);
  return Ok();
}

}  // namespace tintloom
