#include "core/document/redraw_driver.h"

#include <cassert>
#include <chrono>
#include <cstdio>

#include "core/palette/harmony_rules.h"

namespace tintloom {

namespace {

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void TRedrawDriver::BuildRamp(int i, const TPaletteState& palette) {
  if (i < 0 || i >= kRampCount) {
    assert(false && "ramp index out of range");
    return;
  }
  TRamp& ramp = ramps_[static_cast<std::size_t>(i)];
  if (i == kGreyRamp) {
    FillGreyRamp(ramp);
  } else if (i == kBlackRamp || i == kWhiteRamp) {
    FillFlatRamp(ramp, i == kBlackRamp ? 0 : 255);
  } else {
    const TColorSlot& slot = palette.Slots()[static_cast<std::size_t>(i)];
    FillSlotRamp(ramp, slot.shades[kDeepShadow].LitColor, slot.shades[kShadow].LitColor, slot.shades[kBase].LitColor,
                 slot.shades[kHighlight].LitColor);
  }
}

void TRedrawDriver::BuildSlotRamps(const TPaletteState& palette) {
  for (int i = 0; i < kSlotCount; ++i) BuildRamp(i, palette);
}

void TRedrawDriver::BuildEditedRamps(const TPaletteState& palette, int edited) {
  const bool alone = palette.Scheme().ruleIndex == kCustomRule ? edited != 0 : edited >= kRuleSlotCount;
  if (alone) {
    if (edited >= 0 && edited < kSlotCount) BuildRamp(edited, palette);
  } else {
    for (int i = 0; i < kRuleSlotCount; ++i) BuildRamp(i, palette);
  }
}

void TRedrawDriver::BuildLookup(TLayerMapping& mapping) const {
  const int mapped = mapping.MappedSlot >= 0 && mapping.MappedSlot < kRampCount ? mapping.MappedSlot : kGreyRamp;
  FillLayerLookup(mapping, ramps_[static_cast<std::size_t>(mapped)]);
}

void TRedrawDriver::StartTiming() { start_ = NowMs(); }

void TRedrawDriver::FinishTiming() { lastDrawingMs_ = NowMs() - start_; }

std::string TRedrawDriver::DrawingTimeText() const {
  char text[64];
  std::snprintf(text, sizeof text, " [DEBUG:DRAWING SCORE %dms]", static_cast<int>(lastDrawingMs_));
  return text;
}

}  // namespace tintloom
