#include "core/document/save_as.h"

#include <filesystem>
#include <vector>

#include "core/base/file_io.h"
#include "core/document/palette_document_commands.h"
#include "core/document/swatch_commands.h"
#include "core/document/work_document_commands.h"
#include "core/formats/gradient_export.h"
#include "core/formats/palette_document.h"
#include "core/formats/swatch_bitmap.h"
#include "core/formats/swatch_exports.h"
#include "core/formats/work_document.h"
#include "core/document/coordination_model.h"

namespace tintloom {

namespace {

bool SameIgnoringCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return i == a.size() && b[i] == '\0';
}

}  // namespace

bool HasExtension(const std::string& path, const char* extension) {
  const std::string name = std::filesystem::path(path).filename().string();
  const std::size_t dot = name.rfind('.');
  return dot != std::string::npos && SameIgnoringCase(name.substr(dot), extension);
}

TSaveFormat SaveFormatForPath(const std::string& path) {
  struct Entry {
    const char* extension;
    TSaveFormat format;
  };
  static constexpr Entry kOrder[] = {
      {".tlp", TSaveFormat::PaletteDocument}, {".aco", TSaveFormat::Aco},       {".ase", TSaveFormat::Ase},
      {".grd", TSaveFormat::Gradient},        {".colors", TSaveFormat::ColorSet}, {".bmp", TSaveFormat::Bitmap},
      {".gpl", TSaveFormat::GimpPalette},     {".tlw", TSaveFormat::WorkDocument},
  };
  for (const Entry& e : kOrder) {
    if (HasExtension(path, e.extension)) return e.format;
  }
  return TSaveFormat::None;
}

bool SaveDocument(TCoordinationModel& model, const std::string& path) {
  if (model.Busy()) return false;
  switch (SaveFormatForPath(path)) {
    case TSaveFormat::PaletteDocument: return SavePaletteDocument(model, path);
    case TSaveFormat::WorkDocument: return SaveWorkDocument(model, path);
    default: break;
  }
  // An export would leave the work unsaved while looking saved.
  model.Messages().ShowMessage(kNotADocumentMessage + ("\n->" + path));
  return false;
}

const char* WorkDocumentExtension(const TCoordinationModel& model) { return model.LayerCount() > 0 ? ".tlw" : ".tlp"; }

void SaveOrExport(TCoordinationModel& model, const std::string& path) {
  const TSaveFormat format = SaveFormatForPath(path);
  if (format == TSaveFormat::None) {
    // Writing nothing without a word would look like a save that worked.
    model.Messages().ShowMessage(kUnknownSaveExtensionMessage + ("\n->" + path));
    return;
  }
  if (format == TSaveFormat::PaletteDocument) {
    SavePaletteDocument(model, path);
    return;
  }
  if (format == TSaveFormat::WorkDocument) {
    SaveWorkDocument(model, path);
    return;
  }
  const TExportColours list = BuildExportColours(model);
  std::vector<std::uint8_t> bytes;
  switch (format) {
    case TSaveFormat::Aco: bytes = EncodeAco(list); break;
    case TSaveFormat::Ase: bytes = EncodeAse(list); break;
    case TSaveFormat::Gradient: bytes = EncodeGradient(list.colours); break;
    case TSaveFormat::ColorSet: bytes = EncodeColorSet(list); break;
    case TSaveFormat::Bitmap: bytes = EncodeSwatchBitmap(list.colours); break;
    case TSaveFormat::GimpPalette:
      bytes = EncodeGimpPalette(list, std::filesystem::path(path).stem().string());
      break;
    default: return;
  }
  // Every format says when its file could not be written: a silent failure
  // would leave the user believing the export is there.
  if (Result<> written = ReplaceFileContents(path, bytes); !written) {
    model.Messages().ShowMessage(written.error().message);
  }
}

}  // namespace tintloom
