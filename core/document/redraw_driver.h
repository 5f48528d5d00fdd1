#pragma once
// The redraw driver's own part: the ramps the layers are coloured through,
// which of them an edit can have changed and so builds again, and the time
// the last redraw of an edited slot took. The model runs it on every edit,
// around telling the windows and composing the canvas.

#include <array>
#include <cstdint>
#include <string>

#include "core/artwork/artwork_layer.h"
#include "core/artwork/slot_ramps.h"
#include "core/document/palette_state.h"

namespace tintloom {

class TRedrawDriver {
 public:
  const TRamp& Ramp(int i) const { return ramps_[static_cast<std::size_t>(i)]; }
  // Ramp i from its slot's four lit shades, or the grey, black or white ramp
  // (10, 11, 12); i must be 0 .. kRampCount - 1.
  void BuildRamp(int i, const TPaletteState& palette);
  // The ten slots' ramps.
  void BuildSlotRamps(const TPaletteState& palette);
  // The ramps an edit of slot `edited` can have changed: under the custom
  // rule the rule slots are independent, so a rule slot other than 0 changes
  // alone; under the other rules the rule slots move together.
  void BuildEditedRamps(const TPaletteState& palette, int edited);
  // The layer's lookup into the ramp its mapping names (grey for a name out
  // of range). A lookup points into its ramp, which a rebuild changes in place.
  void BuildLookup(TLayerMapping& mapping) const;

  // A redraw's time: StartTiming at its beginning; FinishTiming at its end
  // keeps it, and the text for developers shows it.
  void StartTiming();
  void FinishTiming();
  // " [DEBUG:DRAWING SCORE 2ms]": the last timed redraw's milliseconds.
  std::string DrawingTimeText() const;

 private:
  std::array<TRamp, kRampCount> ramps_{};
  std::int64_t start_ = 0;
  // Milliseconds of the last timed redraw.
  std::int64_t lastDrawingMs_ = 0;
};

}  // namespace tintloom
