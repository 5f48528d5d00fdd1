// Artwork read again from its file after a save, put in place of the artwork
// shown with every layer's settings carried over.

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/document/coordination_model.h"
#include "core/document/layer_carry_over.h"
#include "core/formats/shift_jis.h"

namespace tintloom {

namespace {

std::string ShownName(const TSimpleLayer& layer) {
  if (layer.UnicodeName) return *layer.UnicodeName;
  return layer.Name ? ShiftJisToUtf8(*layer.Name) : std::string();
}

}  // namespace

std::optional<TArtworkReloaded> TCoordinationModel::ReloadArtwork(TPSD incoming) {
  if (busy_ || LayerCount() < 1 || incoming.workingLayerCount < 1) return std::nullopt;
  // A drag or a typed value still open is a step on the layers shown.
  EndGesture();

  const int shownCount = LayerCount();
  std::vector<TLayerSettings> shown(static_cast<std::size_t>(shownCount));
  std::vector<std::int16_t> shownLoadedBlend(static_cast<std::size_t>(shownCount));
  for (int i = 0; i < shownCount; ++i) {
    const auto at = static_cast<std::size_t>(i);
    const TSimpleLayer& simple = artwork_.Document().Simples[at];
    const TLayerMapping& mapping = artwork_.Mapping(i);
    TLayerSettings& s = shown[at];
    s.layer.position = i;
    s.layer.name = simple.Name;
    s.layer.slot = mapping.MappedSlot;
    s.layer.base = mapping.BaseLevel;
    s.layer.shadow = mapping.ShadowLevel;
    s.layer.blend = static_cast<std::int16_t>(LayerBlendMode(i));
    s.layer.hidden = LayerHidden(i);
    shownLoadedBlend[at] = artwork_.Layers()[at].loadedBlendMode;
    s.ownBlend = s.layer.blend != shownLoadedBlend[at];
    s.shownName = ShownName(simple);
  }
  const int count = incoming.workingLayerCount;
  std::vector<std::optional<std::string>> names;
  names.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) names.push_back(incoming.Simples[static_cast<std::size_t>(i)].Name);
  TCarryOver carry = CarryOverLayers(shown, artwork_.SetAside(), names);
  const std::vector<int> selected = SelectedLayers();

  // The same file: its path stays as the session holds it.
  const std::string path = artwork_.Path();
  artwork_.Replace(std::move(incoming), path);
  artwork_.ResetMappings(count);
  TArtworkReloaded report;
  bool anyHidden = false;
  for (int i = 0; i < count; ++i) {
    const std::optional<TLayerSettings>& settings = carry.settings[static_cast<std::size_t>(i)];
    if (!settings) {
      artwork_.MarkFresh(i);
      ++report.added;
      continue;
    }
    if (carry.from[static_cast<std::size_t>(i)] < 0) ++report.returned;
    TLayerMapping& mapping = artwork_.Mapping(i);
    mapping.MappedSlot = settings->layer.slot;
    mapping.BaseLevel = settings->layer.base;
    mapping.ShadowLevel = settings->layer.shadow;
    if (settings->ownBlend) artwork_.SetBlendMode(i, settings->layer.blend);
    if (settings->layer.hidden) anyHidden = artwork_.SetHidden(i, true) || anyHidden;
  }
  for (const int v : carry.vanished) report.vanished.push_back(shown[static_cast<std::size_t>(v)].shownName);
  artwork_.KeepSetAside(std::move(carry.setAside));
  if (anyHidden) artwork_.RebuildPickImage();
  for (int i = 0; i < count; ++i) BuildLayerLookup(i);
  BuildLayerThumbnails();

  // The selection stays on the same layers, wherever the save put them.
  std::vector<int> reselected;
  for (const int old : selected) {
    const auto continued = std::find(carry.from.begin(), carry.from.end(), old);
    if (continued != carry.from.end()) reselected.push_back(static_cast<int>(continued - carry.from.begin()));
  }
  if (!reselected.empty()) artwork_.Select(reselected.front());
  if (reselected.size() > 1) {
    for (const int i : reselected) artwork_.AddToSelection(i);
  }

  // Not an edit: each kept step holds the layers read, the layers that
  // continue with the settings they had then (a blend mode the file gave
  // follows the file), the others with the settings they have now.
  std::vector<TLayerRecord> now = CaptureState().layers;
  const auto remap = [&](const std::vector<TLayerRecord>& then) {
    std::vector<TLayerRecord> layers = now;
    for (int i = 0; i < count; ++i) {
      const int old = carry.from[static_cast<std::size_t>(i)];
      if (old < 0 || static_cast<std::size_t>(old) >= then.size()) continue;
      TLayerRecord record = then[static_cast<std::size_t>(old)];
      if (record.blendMode == shownLoadedBlend[static_cast<std::size_t>(old)]) {
        record.blendMode = artwork_.Layers()[static_cast<std::size_t>(i)].loadedBlendMode;
      }
      layers[static_cast<std::size_t>(i)] = record;
    }
    return layers;
  };
  history_.RemapLayers(remap, carry.from);
  // The unsaved mark does not change by itself: what was saved follows the
  // layers the same way (a layer new to the file counts as saved on its
  // defaults).
  savedState_.layers = remap(savedState_.layers);
  // A baseline of other artwork (opened over a work document) stays as it is.
  if (savedLayers_.size() == static_cast<std::size_t>(shownCount)) savedLayers_ = remap(savedLayers_);

  views_.FillLayerList();
  // Shown as one composition that is no step.
  restoring_ = true;
  ComposeCanvas();
  restoring_ = false;
  history_.ReplaceCurrent(CaptureState());
  ShowSelectedLayerValues(true);
  if (views_.LayerWindowVisible()) views_.PaintMappingPreview();
  ShowHistory();
  return report;
}

}  // namespace tintloom
