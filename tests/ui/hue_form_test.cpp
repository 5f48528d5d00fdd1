// The real hue window, offscreen, driven with mouse events on its paint boxes.

#include "ui/hue_form.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "ui/main_form.h"
#include "ui/paint_box.h"
#include "core/colour/skin_layout.h"
#include "support/artwork.h"
#include "support/paths.h"
#include "support/recording.h"

namespace tintloom {
namespace {

// Moves carry modifiers and pressed buttons, which QTest::mouseMove cannot.
void Move(QWidget* w, QPoint p, Qt::MouseButtons held = Qt::NoButton, Qt::KeyboardModifiers mods = {}) {
  QMouseEvent event(QEvent::MouseMove, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::NoButton, held, mods);
  QApplication::sendEvent(w, &event);
}

// QTest takes (0, 0) for "the widget's centre", so clicks are sent directly.
void Click(QWidget* w, QPoint p) {
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::LeftButton,
                    Qt::LeftButton, {});
  QApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::LeftButton,
                      Qt::NoButton, {});
  QApplication::sendEvent(w, &release);
}

class HueFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = std::make_unique<TMainForm>(messages_, testing::ProgramDir());
    form_->CreateToolWindows();
    hue_ = form_->Windows().hue;
    ASSERT_NE(hue_, nullptr);
    ASSERT_TRUE(hue_->isVisible());
  }

  TCoordinationModel& Model() { return form_->Model(); }
  TScheme& Scheme() { return Model().Scheme(); }
  QWidget* Wheel() { return hue_->WheelBox(); }
  const TShade& Base(int slot) { return Model().SlotAt(slot).shades[kBase]; }

  void ChooseRule(int rule) {
    hue_->RuleCombo()->setCurrentIndex(rule);
    emit hue_->RuleCombo()->activated(rule);
    ASSERT_EQ(Scheme().ruleIndex, rule);
  }
  // Puts slot 0 at hue h and saturation s, then redraws as an edit would.
  void SetBase(float h, float s) {
    Scheme().SetSlotHue(0, h);
    Scheme().SetSaturationWeight(0, s);
    Model().Redraw(TCoordinationModel::kRedrawSelected);
  }
  // Grabs the marker of `slot` at its centre and drags it so that its centre
  // goes to `to`.
  void DragMarker(int slot, QPoint to, Qt::KeyboardModifiers mods = {}) {
    const QPoint from = hue_->MarkerCentre(slot);
    Move(Wheel(), from);
    ASSERT_EQ(hue_->HoveredMarker(), slot) << "marker " << slot << " at " << from.x() << "," << from.y();
    QTest::mousePress(Wheel(), Qt::LeftButton, mods, from);
    Move(Wheel(), to, Qt::LeftButton, mods);
    QTest::mouseRelease(Wheel(), Qt::LeftButton, mods, to);
  }
  TRgb24 WheelPixel(QPoint p) { return hue_->WheelSurface().At(p.x(), p.y()); }

  testing::TRecordingMessages messages_;
  std::unique_ptr<TMainForm> form_;
  THueForm* hue_ = nullptr;
};

TEST_F(HueFormTest, MarkersSitByHueAndSaturationWithTheirColourAtTheCentre) {
  SetBase(0.0f, 1.0f);
  EXPECT_EQ(hue_->MarkerCentre(0), QPoint(89, 9));
  EXPECT_EQ(WheelPixel(QPoint(89, 9)), ToRgb24(Base(0).Color));

  SetBase(90.0f, 0.5f);
  EXPECT_EQ(hue_->MarkerCentre(0), QPoint(129, 89));
  EXPECT_EQ(WheelPixel(QPoint(129, 89)), ToRgb24(Base(0).Color));
  // A rule slot's spoke darkens the wheel between the centre and its marker.
  EXPECT_EQ(FromRgb24(WheelPixel(QPoint(109, 89))), 0x000000u);

  // Custom rule at start: slots 1..4 at 20, 40, 60, 80 degrees past slot 0,
  // so at 110, 130, 150 and 170 degrees, saturation 0.5 (radius 40). For 110:
  // 89.5 + 40 sin 110 = 127.09 and 89.5 - 40 cos 110 = 103.18, truncated.
  const QPoint centres[5] = {{}, {127, 103}, {120, 115}, {109, 124}, {96, 128}};
  for (int i = 1; i < 5; ++i) {
    EXPECT_EQ(hue_->MarkerCentre(i), centres[i]) << i;
    EXPECT_EQ(WheelPixel(centres[i]), ToRgb24(Base(i).Color)) << i;
  }
}

TEST_F(HueFormTest, PressingAMarkerSelectsItAndKeepsItsPlace) {
  SetBase(0.0f, 1.0f);
  DragMarker(0, QPoint(89, 9));
  EXPECT_EQ(Model().selectedSlot, 0);
  EXPECT_FLOAT_EQ(Scheme().SlotHue(0), 0.0f);
  EXPECT_FLOAT_EQ(Scheme().SaturationWeight(0), 1.0f);

  // Pressing slot 3 selects it; its values come back from its centre pixel.
  const float hueBefore = Scheme().SlotHue(3);
  DragMarker(3, hue_->MarkerCentre(3));
  EXPECT_EQ(Model().selectedSlot, 3);
  EXPECT_NEAR(Scheme().customHueOffsets[3], 60.0f, 1.5f);
  EXPECT_NEAR(Scheme().SlotHue(3), hueBefore, 1.5f);
  EXPECT_NEAR(Scheme().SaturationWeight(3), 0.5f, 0.0125f);
}

TEST_F(HueFormTest, DraggingSlotZeroStoresTheUnwrappedPointerAngle) {
  SetBase(0.0f, 0.75f);
  // Up and to the left: pointer angle -45.
  DragMarker(0, QPoint(59, 59));
  EXPECT_FLOAT_EQ(Scheme().SlotHue(0), -45.0f);
  EXPECT_FLOAT_EQ(Base(0).Param.h(), 315.0f);
  // Radius sqrt(1800) = 42.4 rounds to 42.
  EXPECT_FLOAT_EQ(Scheme().SaturationWeight(0), 42 * 0.0125f);
  EXPECT_EQ(hue_->MarkerCentre(0), QPoint(59, 59));
  EXPECT_EQ(hue_->HoveredMarker(), 0);
}

TEST_F(HueFormTest, AnalogousMarkersSetTheSpreadTheShorterWayRound) {
  ChooseRule(0);
  Scheme().analogousSpread = 15;  // keeps neighbouring markers apart for grabbing
  SetBase(10.0f, 0.75f);
  // Marker 3 to a pointer angle of 50.4: 40.4 degrees from h0, halved.
  DragMarker(3, QPoint(89 + 46, 89 - 38));
  EXPECT_EQ(Scheme().analogousSpread, 20);
  EXPECT_FLOAT_EQ(Scheme().SlotHue(0), 10.0f);
  const float expected[5] = {10, 30, -10, 50, -30};
  for (int i = 1; i < 5; ++i) EXPECT_FLOAT_EQ(Scheme().SlotHue(i), expected[i]) << i;
  EXPECT_FLOAT_EQ(Base(4).Param.h(), 330.0f);
  // Same radius as slot 0 under a non-custom rule: an offset of zero.
  EXPECT_FLOAT_EQ(Scheme().SaturationWeight(3), 0.0f);

  // Marker 1 to a pointer angle of -10.4 (349.6): 20.4 degrees the short way.
  Scheme().analogousSpread = 15;
  Model().Redraw(TCoordinationModel::kRedrawSelected);
  DragMarker(1, QPoint(89 - 11, 89 - 60));
  EXPECT_EQ(Scheme().analogousSpread, 20);
  EXPECT_FLOAT_EQ(Scheme().SlotHue(1), 30.0f);
}

TEST_F(HueFormTest, NonCustomRulesTurnTheWholeSchemeAndStoreSaturationOffsets) {
  ChooseRule(4);  // triad
  SetBase(0.0f, 0.75f);
  ASSERT_FLOAT_EQ(Scheme().SlotHue(2), -120.0f);
  // Marker 2 from 240 to 270 degrees, radius 60 kept.
  DragMarker(2, QPoint(89 - 60, 89));
  EXPECT_FLOAT_EQ(Scheme().SlotHue(0), 390.0f);
  EXPECT_FLOAT_EQ(Base(0).Param.h(), 30.0f);
  EXPECT_FLOAT_EQ(Base(1).Param.h(), 150.0f);
  EXPECT_FLOAT_EQ(Base(2).Param.h(), 270.0f);
  EXPECT_EQ(Model().selectedSlot, 2);

  // Marker 2 towards the centre to radius 40: saturation 0.5, stored as
  // 0.5 - 0.75 while slot 0 keeps 0.75.
  SetBase(0.0f, 0.75f);
  DragMarker(2, QPoint(89 - 35, 89 + 20));
  EXPECT_FLOAT_EQ(Scheme().SaturationWeight(2), -0.25f);
  EXPECT_FLOAT_EQ(Scheme().SaturationWeight(0), 0.75f);
  EXPECT_FLOAT_EQ(Base(2).Param.s(), 0.5f);
}

TEST_F(HueFormTest, CustomMarkersMoveTheirOwnOffsetAndSaturation) {
  SetBase(0.0f, 0.75f);
  // Marker 2 (offset 40) to 90 degrees, radius 64 (0.8).
  DragMarker(2, QPoint(89 + 64, 89));
  EXPECT_NEAR(Scheme().customHueOffsets[2], 90.5f, 1e-4f);
  EXPECT_FLOAT_EQ(Scheme().SlotHue(0), 0.0f);
  EXPECT_FLOAT_EQ(Scheme().SaturationWeight(2), 0.8f);
  EXPECT_FLOAT_EQ(Base(1).Param.h(), 20.0f);
}

TEST_F(HueFormTest, CtrlKeepsTheHueAndShiftKeepsTheSaturation) {
  SetBase(0.0f, 0.75f);
  DragMarker(0, QPoint(89 + 40, 89), Qt::ControlModifier);
  EXPECT_FLOAT_EQ(Scheme().SlotHue(0), 0.0f);
  EXPECT_FLOAT_EQ(Scheme().SaturationWeight(0), 0.5f);

  DragMarker(0, QPoint(89 + 70, 89), Qt::ShiftModifier);
  EXPECT_FLOAT_EQ(Scheme().SlotHue(0), 90.0f);
  EXPECT_FLOAT_EQ(Scheme().SaturationWeight(0), 0.5f);
}

TEST_F(HueFormTest, DraggingBeyondTheRimStopsAtFullSaturation) {
  SetBase(0.0f, 0.75f);
  DragMarker(0, QPoint(89, 89 + 150));
  EXPECT_FLOAT_EQ(Scheme().SlotHue(0), 180.0f);
  EXPECT_FLOAT_EQ(Scheme().SaturationWeight(0), 1.0f);
}

TEST_F(HueFormTest, FreeSlotSelectedShowsAndGrabsOnlyTheFreeMarkers) {
  SetBase(0.0f, 0.75f);
  const QPoint slot0 = hue_->MarkerCentre(0);
  Click(hue_->StripBox(), QPoint(100, 40));  // lower row, column 2
  ASSERT_EQ(Model().selectedSlot, 7);

  // Slot 0's marker is gone: the wheel picture shows through.
  const TRgb24 picture = Model().skinSurface.At(kWheelPicture.left + slot0.x() - 4, kWheelPicture.top + slot0.y() - 4);
  EXPECT_EQ(WheelPixel(slot0), picture);
  Move(Wheel(), slot0);
  EXPECT_EQ(hue_->HoveredMarker(), -1);
  for (int i = 5; i < 10; ++i) {
    EXPECT_EQ(WheelPixel(hue_->MarkerCentre(i)), ToRgb24(Base(i).Color)) << i;
  }

  // Dragging a free marker writes its hue to the scheme and its saturation
  // straight into the model.
  DragMarker(7, QPoint(89, 89 + 72));
  EXPECT_FLOAT_EQ(Scheme().SlotHue(7), 180.0f);
  EXPECT_FLOAT_EQ(Base(7).Param.s(), 0.9f);
  EXPECT_FLOAT_EQ(Scheme().SaturationWeight(0), 0.75f);
  EXPECT_FLOAT_EQ(Scheme().SlotHue(0), 0.0f);
}

TEST_F(HueFormTest, HiddenRuleSlotsCannotBeGrabbedAndTheHoverTestIsStrict) {
  SetBase(0.0f, 0.75f);
  const QPoint slot3 = hue_->MarkerCentre(3);
  Move(Wheel(), slot3);
  ASSERT_EQ(hue_->HoveredMarker(), 3);
  ChooseRule(3);  // complementary: markers 0 and 1 only
  Move(Wheel(), slot3);
  EXPECT_EQ(hue_->HoveredMarker(), -1);
  // Slot 3 now sits with slot 1 at 180 degrees: the hit is slot 1.
  Move(Wheel(), QPoint(89, 89 + 60));
  EXPECT_EQ(hue_->HoveredMarker(), 1);
  // Exactly 10 pixels off is outside; 9 is inside.
  Move(Wheel(), hue_->MarkerCentre(1) + QPoint(10, 0));
  EXPECT_EQ(hue_->HoveredMarker(), -1);
  Move(Wheel(), hue_->MarkerCentre(1) + QPoint(9, -9));
  EXPECT_EQ(hue_->HoveredMarker(), 1);
}

TEST_F(HueFormTest, StripClicksMapToSlotsAndIgnoreTheCellessColumns) {
  struct Case {
    QPoint at;
    int slot;
  };
  for (const Case& c : {Case{{0, 0}, 4}, Case{{200, 10}, 0}, Case{{188, 29}, 0}, Case{{187, 33}, 1},
                        Case{{0, 34}, 9}, Case{{234, 60}, 5}, Case{{237, 60}, 4}}) {
    Model().selectedSlot = 2;
    Click(hue_->StripBox(), c.at);
    EXPECT_EQ(Model().selectedSlot, c.slot) << c.at.x() << "," << c.at.y();
  }
  // Right of the upper row's last cell there is no slot: nothing is selected.
  Model().selectedSlot = 2;
  Click(hue_->StripBox(), QPoint(236, 5));
  EXPECT_EQ(Model().selectedSlot, 2);
  EXPECT_EQ(THueForm::StripSlotAt(235, 0, 238, 61), -1);
  EXPECT_EQ(THueForm::StripSlotAt(10, 61, 238, 61), -1);
  EXPECT_EQ(THueForm::StripSlotAt(-1, 0, 238, 61), -1);
}

TEST_F(HueFormTest, StripShowsBaseColoursWithSelectionAndHoverFrames) {
  SetBase(0.0f, 0.75f);
  Move(Wheel(), hue_->MarkerCentre(1));
  ASSERT_EQ(hue_->HoveredMarker(), 1);
  const TSurface& strip = hue_->StripSurface();
  // Slot 0, selected: upper right cell from x = 188, black frames at insets 2 and 3.
  EXPECT_EQ(FromRgb24(strip.At(188 + 2, 12)), 0x000000u);
  EXPECT_EQ(FromRgb24(strip.At(188 + 3, 12)), 0x000000u);
  EXPECT_EQ(FromRgb24(strip.At(188 + 10, 12)), Base(0).Color);
  // Slot 1, hovered: white frame at inset 1 next to its black left line.
  EXPECT_EQ(FromRgb24(strip.At(141, 12)), 0x000000u);
  EXPECT_EQ(FromRgb24(strip.At(142, 12)), 0xFFFFFFu);
  EXPECT_EQ(FromRgb24(strip.At(150, 12)), Base(1).Color);
  // Slot 9 at the lower left; the gap between the rows is the form colour.
  EXPECT_EQ(FromRgb24(strip.At(10, 40)), Base(9).Color);
  EXPECT_EQ(FromRgb24(strip.At(10, 28)), 0xF0F0F0u);
}

TEST_F(HueFormTest, ValueSliderPointerAndDragging) {
  const TSurface& slider = hue_->SliderSurface();
  // The gradient: white at the top down to grey 15 (divisor 181).
  for (int row = 1; row < 171; ++row) {
    const auto grey = static_cast<std::uint8_t>(255 - row * 255 / 181);
    ASSERT_EQ(slider.At(15, 4 + row), (TRgb24{grey, grey, grey})) << row;
  }
  for (QPoint frame : {QPoint(9, 50), QPoint(21, 50), QPoint(15, 4), QPoint(15, 175)}) {
    EXPECT_EQ(FromRgb24(slider.At(frame.x(), frame.y())), 0x000000u);
  }

  QWidget* box = hue_->SliderBox();
  QTest::mousePress(box, Qt::LeftButton, {}, QPoint(15, 4));
  EXPECT_FLOAT_EQ(Base(0).Param.v(), 1.0f);
  EXPECT_EQ(hue_->SliderPointerTop(), 0);
  Move(box, QPoint(15, 176), Qt::LeftButton);
  EXPECT_FLOAT_EQ(Base(0).Param.v(), 0.0f);
  EXPECT_EQ(hue_->SliderPointerTop(), 172);
  EXPECT_NE(FromRgb24(slider.At(0, 172)), 0xF0F0F0u);  // the pointer's outline
  Move(box, QPoint(15, 300), Qt::LeftButton);
  EXPECT_FLOAT_EQ(Base(0).Param.v(), 0.0f);  // limited
  Move(box, QPoint(15, 90), Qt::LeftButton);
  EXPECT_FLOAT_EQ(Base(0).Param.v(), 0.5f);
  QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(15, 90));
  // Moves after the release do nothing.
  Move(box, QPoint(15, 4));
  EXPECT_FLOAT_EQ(Base(0).Param.v(), 0.5f);
}

TEST_F(HueFormTest, RuleComboListsTheRulesAndShowsOnlyTheRulesMarkers) {
  QComboBox* combo = hue_->RuleCombo();
  ASSERT_EQ(combo->count(), 8);
  EXPECT_EQ(combo->currentIndex(), 7);
  EXPECT_EQ(combo->itemText(4), QString::fromUtf8("トライアード"));
  SetBase(0.0f, 0.75f);
  const QPoint slot3 = hue_->MarkerCentre(3);
  ChooseRule(1);  // hue dominant: only slot 0 among the rule slots
  EXPECT_EQ(Scheme().visibleSlotMask, 0x3E1u);
  EXPECT_EQ(WheelPixel(slot3), Model().skinSurface.At(kWheelPicture.left + slot3.x() - 4, kWheelPicture.top + slot3.y() - 4));
  // A rule set from elsewhere shows in the combo on the next redraw.
  Scheme().ruleIndex = 5;
  Model().Redraw(TCoordinationModel::kRedrawAll);
  EXPECT_EQ(combo->currentIndex(), 5);
}

TEST_F(HueFormTest, ScreenColourKeysReachTheShortcutHandlerFromTheCombo) {
  int reads = 0;
  form_->readScreenPixel = [&reads]() -> std::optional<TColor> {
    ++reads;
    return 0x0000FF;
  };
  QTest::keyClick(hue_->RuleCombo(), Qt::Key_F4);
  QTest::keyClick(hue_->RuleCombo(), Qt::Key_F2);
  EXPECT_EQ(reads, 2);
  EXPECT_EQ(Base(0).Color, 0x0000FFu);
}

TEST_F(HueFormTest, TheSchemeOutlivesTheHueWindow) {
  Scheme().SetSlotHue(0, 120.0f);
  delete hue_;
  hue_ = nullptr;
  EXPECT_EQ(form_->Windows().hue, nullptr);
  // The redraw still pushes the scheme (custom offsets 0, 20, ...) and no
  // view hook reaches the deleted window.
  Model().Redraw(TCoordinationModel::kRedrawAll);
  EXPECT_FLOAT_EQ(Base(0).Param.h(), 120.0f);
  EXPECT_FLOAT_EQ(Base(1).Param.h(), 140.0f);
}

TEST_F(HueFormTest, EverythingIsIgnoredWhileBusy) {
  SetBase(0.0f, 0.75f);
  const QPoint centre = hue_->MarkerCentre(0);
  Model().BeginBusy();
  // The busy state disables the panels too; the handlers are called directly
  // so that their own guards are what is tested.
  const auto at = [](QPoint p) {
    TMouseInput input;
    input.button = Qt::LeftButton;
    input.buttons = Qt::LeftButton;
    input.x = p.x();
    input.y = p.y();
    return input;
  };
  hue_->PaintBox1MouseMove(at(centre));
  hue_->PaintBox1MouseDown(at(centre));
  hue_->PaintBox1MouseMove(at(QPoint(10, 89)));
  hue_->PaintBox1MouseUp(at(QPoint(10, 89)));
  hue_->PaintBox2MouseDown(at(QPoint(0, 40)));
  hue_->PaintBox3MouseDown(at(QPoint(15, 150)));
  hue_->PaintBox3MouseMove(at(QPoint(15, 150)));
  Model().EndBusy();
  EXPECT_EQ(hue_->HoveredMarker(), -1);
  EXPECT_EQ(Model().selectedSlot, 0);
  EXPECT_FLOAT_EQ(Scheme().SlotHue(0), 0.0f);
  EXPECT_FLOAT_EQ(Base(0).Param.v(), 1.0f);
}

// A press whose release never arrives (the window hid under it, or the
// pointer comes back with no button held): afterwards nothing follows the
// pointer, on the wheel or on the value slider.
TEST_F(HueFormTest, DragsWhoseReleaseNeverComesEnd) {
  enum class Lost { HiddenAndShown, ButtonlessMove };
  for (const Lost lost : {Lost::HiddenAndShown, Lost::ButtonlessMove}) {
    SCOPED_TRACE(lost == Lost::HiddenAndShown ? "hidden and shown" : "buttonless move");
    SetBase(0.0f, 0.75f);
    const QPoint centre = hue_->MarkerCentre(0);
    Move(Wheel(), centre);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(centre), Wheel()->mapToGlobal(QPointF(centre)),
                      Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(Wheel(), &press);
    QWidget* slider = hue_->SliderBox();
    QMouseEvent sliderPress(QEvent::MouseButtonPress, QPointF(15, 4), slider->mapToGlobal(QPointF(15, 4)),
                            Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(slider, &sliderPress);
    ASSERT_FLOAT_EQ(Base(0).Param.v(), 1.0f);

    if (lost == Lost::HiddenAndShown) {
      hue_->hide();
      hue_->show();
    } else {
      Move(Wheel(), QPoint(10, 89));
      Move(slider, QPoint(15, 90));
    }
    // Passing over the wheel and the slider with no button changes nothing.
    Move(Wheel(), QPoint(170, 89));
    Move(Wheel(), QPoint(89, 170));
    Move(slider, QPoint(15, 150));
    EXPECT_FLOAT_EQ(Scheme().SlotHue(0), 0.0f);
    EXPECT_FLOAT_EQ(Scheme().SaturationWeight(0), 0.75f);
    EXPECT_FLOAT_EQ(Base(0).Param.v(), 1.0f);
    // The wheel is back to hovering: the marker under the pointer lights.
    Move(Wheel(), hue_->MarkerCentre(1));
    EXPECT_EQ(hue_->HoveredMarker(), 1);
  }
}

}  // namespace
}  // namespace tintloom

namespace tintloom {
namespace {

TEST_F(HueFormTest, CtrlZAfterAWheelDragBringsBackTheMarkerAndTheCanvas) {
  // Artwork whose layer takes slot 0's colours, so the canvas shows the drag.
  testing::LoadLayers(Model(), 40, 40, {testing::SolidLayer(0, 0, 40, 40, 128, 255)});
  Model().SelectLayer(0);
  Model().SelectSlot(0);
  SetBase(0.0f, 1.0f);
  QAction* undo = form_->findChild<QAction*>("U1");
  QAction* redo = form_->findChild<QAction*>("R1");
  ASSERT_NE(undo, nullptr);
  ASSERT_NE(redo, nullptr);
  const QPoint before = hue_->MarkerCentre(0);
  const std::vector<std::uint8_t> canvasBefore = Model().Canvas().bitmap;
  Model().MarkSaved(TDocumentKind::Work, "saved.tlw", Model().Artwork().Path());
  ASSERT_FALSE(form_->Caption()->text().startsWith('*'));

  DragMarker(0, QPoint(129, 89));
  const QPoint dragged = hue_->MarkerCentre(0);
  ASSERT_NE(dragged, before);
  const std::vector<std::uint8_t> canvasDragged = Model().Canvas().bitmap;
  ASSERT_NE(canvasDragged, canvasBefore);
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_FALSE(redo->isEnabled());
  EXPECT_TRUE(form_->Caption()->text().startsWith('*'));

  // From the rule combo, which holds the hue window's focus.
  QTest::keyClick(hue_->RuleCombo(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(hue_->MarkerCentre(0), before);
  EXPECT_TRUE(Model().Canvas().bitmap == canvasBefore);
  EXPECT_EQ(WheelPixel(before), ToRgb24(Base(0).Color));
  EXPECT_TRUE(redo->isEnabled());
  EXPECT_FALSE(form_->Caption()->text().startsWith('*')) << "back at the saved palette";

  // Redo from another tool window.
  QTest::keyClick(form_->Windows().picker, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(hue_->MarkerCentre(0), dragged);
  EXPECT_TRUE(Model().Canvas().bitmap == canvasDragged);
  EXPECT_FALSE(redo->isEnabled());
}

}  // namespace
}  // namespace tintloom
