#include "core/document/swatch_commands.h"

#include <array>
#include <optional>
#include <vector>

#include "core/base/file_io.h"
#include "core/base/user_text.h"
#include "core/document/coordination_model.h"
#include "core/formats/palette_document.h"
#include "core/formats/shift_jis.h"

namespace tintloom {

namespace {

constexpr const char* kNoColoursProblem = TL_TEXT("tintloom", "このファイルには色がありません");

std::string CountPhrase(std::size_t n, const char* text) {
  std::string line = "\n";
  line += FillText(text, n);
  return line;
}

}  // namespace

std::string SwatchLine(TCoordinationModel& model) {
  const TColorSlot* slot = model.SelectedSlot();
  return slot != nullptr ? FormatSwatchLine(*slot) : std::string();
}

void ApplySwatchLine(TCoordinationModel& model, std::string_view line) {
  if (model.Busy()) return;
  TColorSlot* slot = model.SelectedSlot();
  if (slot == nullptr) return;
  std::array<TColorF, kShadeCount> params;
  for (int j = 0; j < kShadeCount; ++j) params[static_cast<std::size_t>(j)] = slot->shades[static_cast<std::size_t>(j)].Param;
  ReadSwatchParams(line, params);
  // A line edited into values no colour has (S -99 %, V -100 %) is no
  // swatch: it is passed over whole, as a line of garbage is.
  if (!SwatchParamsInRange(params)) return;
  for (int j = 0; j < kShadeCount; ++j) slot->shades[static_cast<std::size_t>(j)].Param = params[static_cast<std::size_t>(j)];

  // The scheme decides the base hue and, for the rule slots, the saturation:
  // it is told the swatch's.
  const int s = model.selectedSlot;
  const float hue = params[kBase].h();
  const float saturation = params[kBase].s();
  TScheme& scheme = model.Scheme();
  if (s >= 1 && s < kRuleSlotCount) {
    const auto offset = static_cast<float>(static_cast<TExtended>(hue) - scheme.SlotHue(0));
    scheme.SetSlotHue(s, offset);
    scheme.SetCustomHueOffset(s, offset);
    // Under every rule but the custom one a rule slot's weight is an offset
    // from slot 0's saturation: stored in that form, the slot shows the
    // swatch's saturation rather than the sum of both.
    scheme.SetRuleSlotSaturation(s, saturation);
  } else if (s == 0) {
    scheme.SetSlotHue(0, hue);
    scheme.SetSaturationWeight(0, saturation);
  } else {
    scheme.SetSlotHue(s, hue);
  }
  model.Redraw(TCoordinationModel::kRedrawSelected);
  model.RefreshSelectedSlot();
}

TExportColours BuildExportColours(const TCoordinationModel& model) {
  TExportColours list;
  for (int s = 0; s < kSlotCount; ++s) {
    for (const TShade& shade : model.SlotAt(s).shades) {
      list.colours.push_back(ToRgb24(shade.LitColor));
      list.names.emplace_back(kCustomColourName);
    }
  }
  return list;
}

std::vector<std::string> ColourSwatchLines(TCoordinationModel& model, const std::vector<TColor>& colours) {
  std::vector<std::string> lines;
  for (TColor colour : colours) {
    const std::optional<TColorSlot> slot = model.SlotOfColour(colour);
    if (!slot) return {};
    lines.push_back(FormatSwatchLine(*slot));
  }
  return lines;
}

void UseColoursInSlots(TCoordinationModel& model, const std::vector<TColor>& colours) {
  if (model.Busy() || model.SelectedSlot() == nullptr || colours.empty()) return;
  const int keptSlot = model.selectedSlot;
  const int keptShade = model.selectedShade;
  // Every slot's change is one gesture, so the whole is one step.
  model.BeginGesture();
  for (std::size_t i = 0; i < colours.size() && i < static_cast<std::size_t>(kSlotCount); ++i) {
    // Each slot's own mixing colours make its other shades.
    model.selectedSlot = static_cast<int>(i);
    const std::optional<TColorSlot> slot = model.SlotOfColour(colours[i]);
    if (slot) ApplySwatchLine(model, FormatSwatchLine(*slot));
  }
  // The rule slots follow slot 0's hue: every slot is drawn again, and the
  // windows are told of the selection as it was.
  model.Redraw(TCoordinationModel::kRedrawAll);
  model.SelectSlot(keptSlot);
  model.selectedShade = keptShade;
  model.EndGesture();
}

Result<TPaletteImport> ImportPaletteFile(TCoordinationModel& model, const std::string& path) {
  TPaletteImport result;
  if (model.Busy()) return result;
  const auto refuse = [&](const std::string& problem) {
    return Fail(std::string(kPaletteImportFailedMessage) + "\n" + problem + "\n->" + path);
  };
  const TPaletteFormat format = PaletteFormatForPath(path);
  if (format == TPaletteFormat::None) {
    return refuse(TL_TEXT("tintloom", "読み込めるのは .gpl .ase .aco .pal .hex .txt .tlp のパレットです"));
  }
  // One byte more than allowed tells a file that is too large.
  Result<std::vector<std::uint8_t>> bytes = ReadFileStart(path, kMaxPaletteFileBytes + 1);
  if (!bytes) return refuse(bytes.error().message);

  if (format == TPaletteFormat::PaletteDocument) {
    TPaletteDocument document;
    // The decoder refuses a cut-off document or one with values never written.
    if (Result<> read = DecodePaletteDocument(*bytes, document); !read) return refuse(read.error().message);
    // The slots as stored, all four shades each.
    for (const TColorSlot& slot : document.colourSlots) result.lines.push_back(FormatSwatchLine(slot));
    return result;
  }

  Result<TPaletteColours> palette = DecodePalette(format, *bytes);
  if (!palette) return refuse(palette.error().message);
  const std::size_t skipped = palette->leftOut + palette->skippedCmyk + palette->skippedOther;
  if (palette->colours.empty() && skipped == 0) return refuse(kNoColoursProblem);
  if (model.SelectedSlot() == nullptr) return result;  // said already
  for (TColor colour : palette->colours) {
    const std::optional<TColorSlot> slot = model.SlotOfColour(colour);
    if (!slot) return TPaletteImport();
    result.lines.push_back(FormatSwatchLine(*slot));
  }
  if (skipped > 0) {
    result.notice = FillText(TL_TEXT("tintloom", "%1 色を読み込みました。次の %2 色は読み込んでいません:"), result.lines.size(), skipped);
    if (palette->skippedCmyk > 0) result.notice += CountPhrase(palette->skippedCmyk, TL_TEXT("tintloom", "・CMYK の色 %1 色"));
    if (palette->skippedOther > 0) result.notice += CountPhrase(palette->skippedOther, TL_TEXT("tintloom", "・対応していない色空間の色 %1 色"));
    if (palette->leftOut > 0) result.notice += FillText("\n" TL_TEXT("tintloom", "・%1 色を超えた分 %2 色"), 1024, palette->leftOut);
    result.notice += "\n->" + path;
  }
  return result;
}

}  // namespace tintloom
