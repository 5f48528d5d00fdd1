#include "core/document/layer_carry_over.h"

#include <algorithm>
#include <limits>

namespace tintloom {

namespace {

// Settings set aside have no place any more: they go by name alone.
constexpr std::int32_t kNoPosition = std::numeric_limits<std::int32_t>::max();

}  // namespace

TCarryOver CarryOverLayers(const std::vector<TLayerSettings>& shown, const std::vector<TLayerSettings>& setAside,
                           const std::vector<std::optional<std::string>>& names) {
  // The layers shown first, so that a layer shown wins over settings set
  // aside under the same name.
  std::vector<TWorkLayer> saved;
  saved.reserve(shown.size() + setAside.size());
  for (const TLayerSettings& s : shown) saved.push_back(s.layer);
  for (const TLayerSettings& s : setAside) {
    saved.push_back(s.layer);
    saved.back().position = kNoPosition;
  }
  const TLayerMatch match = MatchLayers(saved, names);

  TCarryOver out;
  out.from.assign(names.size(), -1);
  out.settings.assign(names.size(), std::nullopt);
  std::vector<bool> used(saved.size(), false);
  for (std::size_t i = 0; i < names.size(); ++i) {
    const int s = match.savedFor[i];
    if (s < 0) continue;
    const auto at = static_cast<std::size_t>(s);
    used[at] = true;
    out.settings[i] = at < shown.size() ? shown[at] : setAside[at - shown.size()];
    out.settings[i]->layer.position = static_cast<std::int32_t>(i);
    out.settings[i]->layer.name = names[i];
    if (at < shown.size()) out.from[i] = s;
  }

  // Set aside before and still away, then what vanished now; a name set
  // aside again keeps only its latest settings.
  const auto keep = [&out](TLayerSettings settings) {
    if (!settings.layer.name) return;
    std::erase_if(out.setAside, [&](const TLayerSettings& k) { return k.layer.name == settings.layer.name; });
    settings.layer.position = kNoPosition;
    out.setAside.push_back(std::move(settings));
  };
  for (std::size_t s = 0; s < setAside.size(); ++s) {
    if (!used[shown.size() + s]) keep(setAside[s]);
  }
  for (std::size_t s = 0; s < shown.size(); ++s) {
    if (used[s]) continue;
    out.vanished.push_back(static_cast<int>(s));
    keep(shown[s]);
  }
  return out;
}

}  // namespace tintloom
