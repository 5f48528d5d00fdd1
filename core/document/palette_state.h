#pragma once
// The palette part of the coordination: the colour scheme, the ten slots,
// the tone filter and the light balance. An edit step keeps exactly this
// part of the palette, so it is captured into and restored from a step here.

#include <array>
#include <cstdint>

#include "core/colour/colour.h"
#include "core/document/edit_history.h"
#include "core/palette/colour_slots.h"
#include "core/palette/harmony_rules.h"

namespace tintloom {

// Tone filter masks that mean "no filter".
inline constexpr std::uint32_t kNoToneFilter = 0xFFFFFFFFu;
inline constexpr std::uint32_t kAllTones = 0x1FFFFu;

class TPaletteState {
 public:
  TScheme& Scheme() { return scheme_; }
  const TScheme& Scheme() const { return scheme_; }
  std::array<TColorSlot, kSlotCount>& Slots() { return slots_; }
  const std::array<TColorSlot, kSlotCount>& Slots() const { return slots_; }

  // Bit t allows tone class t for the rule slots.
  std::uint32_t ToneFilter() const { return toneFilter_; }
  bool ToneFilterActive() const { return toneFilter_ != kNoToneFilter && toneFilter_ != kAllTones; }
  void SetToneFilter(std::uint32_t mask) { toneFilter_ = mask; }

  // Ambient and light colours as HSV.
  const TColorF& AmbientColour() const { return ambientColour_; }
  const TColorF& LightColour() const { return lightColour_; }
  void SetLightColours(const TColorF& ambient, const TColorF& light) {
    ambientColour_ = ambient;
    lightColour_ = light;
  }
  bool LightBalanceEnabled() const { return lightBalanceEnabled_; }
  void SetLightBalanceEnabled(bool on) { lightBalanceEnabled_ = on; }
  bool IgnoresShadeSettings() const { return ignoreShadeSettings_; }
  void SetIgnoreShadeSettings(bool on) { ignoreShadeSettings_ = on; }

  // The palette part of an edit step, and back.
  void CaptureInto(TEditState& state) const {
    state.scheme = scheme_;
    state.toneFilter = toneFilter_;
    state.colourSlots = slots_;
    state.lightBalanceEnabled = lightBalanceEnabled_;
    state.ignoreShadeSettings = ignoreShadeSettings_;
    state.ambientColour = ambientColour_;
    state.lightColour = lightColour_;
  }
  void RestoreFrom(const TEditState& state) {
    scheme_ = state.scheme;
    toneFilter_ = state.toneFilter;
    slots_ = state.colourSlots;
    lightBalanceEnabled_ = state.lightBalanceEnabled;
    ignoreShadeSettings_ = state.ignoreShadeSettings;
    ambientColour_ = state.ambientColour;
    lightColour_ = state.lightColour;
  }

 private:
  TScheme scheme_;
  std::array<TColorSlot, kSlotCount> slots_{};
  std::uint32_t toneFilter_ = kNoToneFilter;
  bool lightBalanceEnabled_ = false;
  bool ignoreShadeSettings_ = false;
  TColorF ambientColour_{0.0f, 0.0f, 1.0f};
  TColorF lightColour_{0.0f, 0.0f, 1.0f};
};

}  // namespace tintloom
