#pragma once
// Carrying every layer's settings over when the artwork's file is read again
// after the painting program saved it: the layers shown hand their settings
// to the layers read by the work document's rules (name first, then
// position); a layer that vanished in the save keeps its settings aside, by
// name, for a later save that brings it back.

#include <optional>
#include <string>
#include <vector>

#include "core/formats/work_document.h"

namespace tintloom {

// One layer's settings as the user left them.
struct TLayerSettings {
  // Its position, name (the file's bytes), slot, levels, blend code and
  // whether it is set aside in the layer window, as a work document keeps them.
  TWorkLayer layer;
  // Whether the blend code is the user's own choice rather than the one the
  // file gave the layer: only a chosen one outlasts a save, so a blend mode
  // changed in the painting program shows.
  bool ownBlend = false;
  // The name as the user reads it (UTF-8), for saying that it vanished.
  std::string shownName;
};

struct TCarryOver {
  // Per layer read (bottom first): the layer shown it continues, or -1.
  std::vector<int> from;
  // Per layer read: the settings it takes (from a layer shown or set aside),
  // or none for a layer new to the artwork, which takes the opening defaults.
  std::vector<std::optional<TLayerSettings>> settings;
  // The layers shown that found no layer read, bottom first.
  std::vector<int> vanished;
  // What stays set aside afterwards: the layers that vanished now and those
  // set aside before that did not come back, one per name.
  std::vector<TLayerSettings> setAside;
};

// What reading the open artwork's file again changed, to tell the user.
struct TArtworkReloaded {
  // The names (UTF-8) of the layers that vanished, their settings set aside.
  std::vector<std::string> vanished;
  int added = 0;     // layers new to the artwork, on the opening defaults
  int returned = 0;  // layers that took back settings set aside
};

// `shown` are the artwork's layers as they are now, bottom first, each with
// its own position; `setAside` what earlier readings kept; `names` the names
// of the layers read. A shown layer goes to a layer of its name, else to the
// layer at its position; a layer that still finds none takes what was set
// aside under its name. Layers without a name are not set aside: nothing
// could tell them again.
TCarryOver CarryOverLayers(const std::vector<TLayerSettings>& shown, const std::vector<TLayerSettings>& setAside,
                           const std::vector<std::optional<std::string>>& names);

}  // namespace tintloom
