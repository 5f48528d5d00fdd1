// The real light-balance window, offscreen: sliders, labels, swatches, the
// two check boxes, and what they do to the lit colours and the canvas.

#include "ui/palette_form.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <gtest/gtest.h>

#include "support/artwork.h"
#include "support/paths.h"
#include "support/recording.h"
#include "ui/layer_form.h"
#include "ui/main_form.h"

namespace tintloom {
namespace {

TColor Swatch(QWidget* swatch) {
  const QRgb c = swatch->grab().toImage().pixel(12, 12);
  return static_cast<TColor>(qRed(c)) | static_cast<TColor>(qGreen(c)) << 8 | static_cast<TColor>(qBlue(c)) << 16;
}

class LightBalanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.CreateToolWindows();
    form.show();
    balance = form.Windows().lightBalance;
    ASSERT_NE(balance, nullptr);
    EXPECT_FALSE(balance->isVisible());
    form.findChild<QAction*>("N5")->trigger();
    ASSERT_TRUE(balance->isVisible());
    // Beside the layer window, covering none of the windows on show.
    EXPECT_EQ(balance->pos(), QPoint(form.Windows().layer->frameGeometry().right() + 1, form.frameGeometry().top()));
    // An artwork of one layer per slot, each a 2 x 2 block of grey 100 (between
    // the levels), so every slot's ramp shows on the canvas.
    std::vector<TSimpleLayer> layers;
    for (int i = 0; i < kSlotCount; ++i) layers.push_back(testing::SolidLayer(2 * i, 0, 2, 2, 100, 255));
    testing::LoadLayers(Model(), 2 * kSlotCount, 2, std::move(layers));
    for (int i = 0; i < kSlotCount; ++i) {
      testing::Raw(Model()).selectedLayer = i;
      Model().SelectSlot(i);
    }
    testing::Raw(Model()).selectedLayer = -1;
    Model().Redraw(TCoordinationModel::kRedrawAll);
  }

  TCoordinationModel& Model() { return form.Model(); }
  std::vector<TColor> Artwork() {
    std::vector<TColor> pixels;
    for (int i = 0; i < kSlotCount; ++i) pixels.push_back(FromRgb24(Model().Artwork().ArtworkSurface().At(2 * i, 0)));
    return pixels;
  }
  std::vector<TColor> LitColours() {
    std::vector<TColor> lit;
    for (int i = 0; i < kSlotCount; ++i) {
      for (const TShade& shade : Model().SlotAt(i).shades) lit.push_back(shade.LitColor);
    }
    return lit;
  }
  TColor CanvasCorner() { return FromRgb24(Model().Canvas().At(5, 5)); }

  testing::TRecordingMessages messages;
  TMainForm form{messages, testing::ProgramDir()};
  TPaletteForm* balance = nullptr;
};

TEST_F(LightBalanceTest, WhiteColoursLeaveEveryLitColourAndTheCanvasUnchanged) {
  std::vector<TColor> colours;
  for (int i = 0; i < kSlotCount; ++i) {
    for (const TShade& shade : Model().SlotAt(i).shades) colours.push_back(shade.Color);
  }
  const std::vector<TColor> canvas = Artwork();
  balance->EnableBox()->click();
  ASSERT_TRUE(Model().LightBalanceEnabled());
  EXPECT_EQ(LitColours(), colours);
  EXPECT_EQ(Artwork(), canvas);
}

TEST_F(LightBalanceTest, SlidersStoreTheColoursAndTheBalanceAppliesThemWhenOn) {
  const std::vector<TColor> canvas = Artwork();
  const std::vector<TColor> lit = LitColours();
  balance->TrackBar(2)->setValue(30);  // warm light
  balance->TrackBar(6)->setValue(40);
  balance->TrackBar(1)->setValue(220);  // cool ambient
  balance->TrackBar(4)->setValue(50);
  balance->TrackBar(3)->setValue(80);
  EXPECT_EQ(balance->ValueLabel(2)->text(), QString::fromUtf8("30°"));
  EXPECT_EQ(balance->ValueLabel(6)->text(), QString("40%"));
  EXPECT_EQ(balance->ValueLabel(3)->text(), QString("80%"));
  EXPECT_EQ(Swatch(balance->LightSwatch()), HsvToColor(30, 0.4f, 1.0f));
  EXPECT_EQ(Swatch(balance->AmbientSwatch()), HsvToColor(220, 0.5f, 0.8f));
  EXPECT_EQ(Model().LightColour(), TColorF(30, 0.4f, 1.0f));
  EXPECT_EQ(Model().AmbientColour(), TColorF(220, 0.5f, 0.8f));
  // Off: stored, nothing redrawn.
  EXPECT_EQ(LitColours(), lit);
  EXPECT_EQ(Artwork(), canvas);

  balance->EnableBox()->click();
  const std::vector<TColor> warm = Artwork();
  EXPECT_NE(LitColours(), lit);
  EXPECT_NE(warm, canvas);
  // Every slot's ramp follows: the canvas shows the lit shadow-to-base blend.
  for (int i = 0; i < kSlotCount; ++i) {
    EXPECT_EQ(warm[static_cast<std::size_t>(i)], FromRgb24(*Model().LayerMapping(i).Lookup[100])) << i;
  }
  // "Ignore the shade settings" re-sends the colours: redrawn at once.
  balance->IgnoreShadesBox()->click();
  EXPECT_TRUE(Model().IgnoresShadeSettings());
  EXPECT_NE(Artwork(), warm);
  balance->IgnoreShadesBox()->click();
  EXPECT_EQ(Artwork(), warm);

  balance->EnableBox()->click();
  EXPECT_EQ(LitColours(), lit);
  EXPECT_EQ(Artwork(), canvas);
}

TEST_F(LightBalanceTest, HueSlidersPast359WrapToTheStart) {
  balance->TrackBar(4)->setValue(100);
  balance->TrackBar(1)->setValue(5);
  const TColor at5 = Swatch(balance->AmbientSwatch());
  balance->TrackBar(1)->setValue(365);
  EXPECT_EQ(balance->ValueLabel(1)->text(), QString::fromUtf8("365°"));
  EXPECT_EQ(Swatch(balance->AmbientSwatch()), at5);
  EXPECT_EQ(at5, HsvToColor(5, 1.0f, 1.0f));
}

TEST_F(LightBalanceTest, AmbientBackgroundShowsTheAmbientColourWithTheBalanceOnOrOff) {
  form.findChild<QAction*>("N12")->trigger();
  EXPECT_EQ(CanvasCorner(), 0xFFFFFFu);  // white until a slider moves
  for (const bool on : {false, true}) {
    if (on) balance->EnableBox()->click();
    ASSERT_EQ(Model().LightBalanceEnabled(), on);
    balance->TrackBar(4)->setValue(on ? 70 : 90);
    balance->TrackBar(1)->setValue(on ? 120 : 240);
    EXPECT_EQ(CanvasCorner(), on ? HsvToColor(120, 0.7f, 1.0f) : HsvToColor(240, 0.9f, 1.0f)) << on;
  }
}

}  // namespace
}  // namespace tintloom
