#pragma once
// A coordination model with recording views and messages, as most core tests
// need it.

#include <gtest/gtest.h>

#include "core/document/coordination_model.h"
#include "support/recording.h"

namespace tintloom::testing {

class ModelFixture : public ::testing::Test {
 protected:
  TRecordingViews views;
  TRecordingMessages messages;
  TCoordinationModel model{views, messages};

  TScheme& Scheme() { return model.Scheme(); }
  TShade& Shade(int slot, int shade) { return model.SlotAt(slot).shades[static_cast<std::size_t>(shade)]; }
};

}  // namespace tintloom::testing
