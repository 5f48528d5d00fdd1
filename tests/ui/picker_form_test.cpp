// The real picker and information windows, offscreen: typed edits, sliders,
// the tone diagram and mixing field, the presets, the preview timer and the
// copied code.

#include "ui/picker_form.h"

#include <QAction>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

#include "core/palette/impression_presets.h"
#include "core/palette/tone_vocabulary.h"
#include "support/paths.h"
#include "support/recording.h"
#include "ui/impression_combo.h"
#include "ui/info_form.h"
#include "ui/main_form.h"
#include "ui/paint_box.h"

namespace tintloom {
namespace {

void Send(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, held, {});
  QApplication::sendEvent(w, &event);
}
void Press(QWidget* w, QPoint p, Qt::MouseButton button = Qt::LeftButton) {
  Send(w, QEvent::MouseButtonPress, p, button, button);
}
void Drag(QWidget* w, QPoint p) { Send(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
void Hover(QWidget* w, QPoint p) { Send(w, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton); }
void Release(QWidget* w, QPoint p, Qt::MouseButton button = Qt::LeftButton) {
  Send(w, QEvent::MouseButtonRelease, p, button, Qt::NoButton);
}
void Click(QWidget* w, QPoint p, Qt::MouseButton button = Qt::LeftButton) {
  Press(w, p, button);
  Release(w, p, button);
}

class PickerFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = std::make_unique<TMainForm>(messages_, testing::ProgramDir());
    form_->CreateToolWindows();
    picker_ = form_->Windows().picker;
    info_ = form_->Windows().info;
    ASSERT_NE(picker_, nullptr);
    ASSERT_TRUE(picker_->isVisible());
    ASSERT_TRUE(Model().toneData.Present());
  }

  TCoordinationModel& Model() { return form_->Model(); }
  TScheme& Scheme() { return Model().Scheme(); }
  TShade& Shade(int slot, int shade) { return Model().SlotAt(slot).shades[static_cast<std::size_t>(shade)]; }
  void Type(int edit, const char* text) {
    QLineEdit* e = picker_->Edit(edit);
    e->selectAll();
    QTest::keyClicks(e, QString::fromUtf8(text));
  }
  void ChooseRule(int rule) { Model().ChangeRule(rule); }
  void ChoosePreset(int index) {
    picker_->ImpressionCombo()->setCurrentIndex(index);
    emit picker_->ImpressionCombo()->activated(index);
  }
  QPoint CellCentre(int tone) {
    const TToneCell& c = picker_->ToneCellRects()[static_cast<std::size_t>(tone)];
    return QPoint((c.left + c.right) / 2, (c.top + c.bottom) / 2);
  }
  void ShowInfo() {
    QAction* item = form_->findChild<QAction*>("N13");
    item->setChecked(true);
    form_->N3Click(item);
    ASSERT_TRUE(info_->isVisible());
  }
  QString InfoText(const char* label) { return info_->findChild<QLabel*>(label)->text(); }

  testing::TRecordingMessages messages_;
  std::unique_ptr<TMainForm> form_;
  TColorForm* picker_ = nullptr;
  TInfoForm* info_ = nullptr;
};

TEST_F(PickerFormTest, TypedNumbersAreKeptAsTypedAndTheSliderShowsTheNearestStep) {
  // A brand guide's hues, which the slider's steps turned into 101, 199, 56.
  for (const auto& [text, hue] : {std::pair{"100", 100.0f}, std::pair{"200", 200.0f}, std::pair{"55", 55.0f}}) {
    Type(kHueSlider, text);
    QTest::keyClick(picker_->Edit(kHueSlider), Qt::Key_Return);
    EXPECT_FLOAT_EQ(Scheme().SlotHue(0), hue) << text;
    EXPECT_FLOAT_EQ(Shade(0, kBase).Param.h(), hue) << text;
    EXPECT_EQ(picker_->Edit(kHueSlider)->text(), text);
  }
  Type(kValueSlider, "37");
  Type(kSaturationSlider, "37");
  EXPECT_FLOAT_EQ(Shade(0, kBase).Param.v(), 0.37f);
  EXPECT_FLOAT_EQ(Scheme().SaturationWeight(0), 0.37f);
  // The next refresh, a commit, and an undo and redo of the step all show
  // the numbers typed.
  Model().Redraw(TCoordinationModel::kRedrawSelected);
  QTest::keyClick(picker_->Edit(kSaturationSlider), Qt::Key_Return);
  const auto shows = [this](const char* h, const char* s, const char* v) {
    EXPECT_EQ(picker_->Edit(kHueSlider)->text(), h);
    EXPECT_EQ(picker_->Edit(kSaturationSlider)->text(), s);
    EXPECT_EQ(picker_->Edit(kValueSlider)->text(), v);
  };
  shows("55", "37", "37");
  Model().Undo();
  Model().Redo();
  shows("55", "37", "37");
  // The value slider's pointer sits on the step nearest 37 % (47 of 128).
  const TSurface& value = picker_->SliderSurface(kValueSlider);
  const auto pointerAt = [&value](int x) { return FromRgb24(value.At(x + 4, 16)) != FromRgb24(value.At(2, 16)); };
  EXPECT_TRUE(pointerAt(47) || pointerAt(48));
  EXPECT_FALSE(pointerAt(30));

  // The shadow's hue is an offset, all the way round both ways.
  Click(picker_->ShadeStripBox(), QPoint(10, 70));
  ASSERT_EQ(Model().selectedShade, kShadow);
  for (const auto& [text, offset] : {std::pair{"-180", -180.0f}, std::pair{"180", 180.0f}, std::pair{"0", 0.0f},
                                     std::pair{"abc", 0.0f}}) {
    Type(kHueSlider, "-90");
    Type(kHueSlider, text);
    EXPECT_FLOAT_EQ(Shade(0, kShadow).Param.h(), offset) << text;
  }
  // At most four characters; letters and signs are taken without harm.
  Type(kValueSlider, "12345");
  EXPECT_EQ(picker_->Edit(kValueSlider)->text(), "1234");
  EXPECT_FLOAT_EQ(Shade(0, kShadow).Param.v(), 1.0f);
  Type(kValueSlider, "-");
  EXPECT_FLOAT_EQ(Shade(0, kShadow).Param.v(), 0.0f);
}

TEST_F(PickerFormTest, HueSliderOffersNothingOnlyForRuleBoundBaseHues) {
  const TSurface& hue = picker_->SliderSurface(kHueSlider);
  const auto hasBand = [&hue] { return FromRgb24(hue.At(4, 8)) == 0x808080u; };
  ChooseRule(4);  // triad
  Model().SelectSlot(2);
  EXPECT_FALSE(hasBand());  // "(auto)"
  const float hue2 = Shade(2, kBase).Param.h();
  Press(picker_->SliderBox(kHueSlider), QPoint(100, 10));
  Release(picker_->SliderBox(kHueSlider), QPoint(100, 10));
  EXPECT_FLOAT_EQ(Shade(2, kBase).Param.h(), hue2);
  // The shadow's hue offset is the slot's own under every rule.
  Model().SelectShade(kShadow);
  EXPECT_TRUE(hasBand());
  Click(picker_->SliderBox(kHueSlider), QPoint(36, 10));
  EXPECT_FLOAT_EQ(Shade(2, kShadow).Param.h(), -90.0f);

  // Saturation of a rule slot is stored as an offset from slot 0's.
  Scheme().SetSaturationWeight(0, 0.75f);
  Model().SelectSlot(3);
  Click(picker_->SliderBox(kSaturationSlider), QPoint(68, 10));
  EXPECT_FLOAT_EQ(Scheme().SaturationWeight(3), -0.25f);
  EXPECT_FLOAT_EQ(Shade(3, kBase).Param.s(), 0.5f);

  // Under the custom rule the slider moves the slot's hue offset.
  ChooseRule(kCustomRule);
  Model().SelectSlot(2);
  EXPECT_TRUE(hasBand());
  QWidget* slider = picker_->SliderBox(kHueSlider);
  Press(slider, QPoint(4, 10));
  Drag(slider, QPoint(68, 10));
  Release(slider, QPoint(68, 10));
  EXPECT_FLOAT_EQ(Scheme().CustomHueOffset(2), 179.5f - Scheme().SlotHue(0));
  // Moves after the release, or with no button held, change nothing.
  Drag(slider, QPoint(120, 10));
  Hover(slider, QPoint(120, 10));
  EXPECT_FLOAT_EQ(Scheme().CustomHueOffset(2), 179.5f - Scheme().SlotHue(0));
  // The pointer sits at the hue: image left edge at 179 x 128 / 360 = 63.
  Model().Redraw(TCoordinationModel::kRedrawSelected);
  EXPECT_EQ(FromRgb24(hue.At(63 + 4, 14)), 0x404040u);  // the pointer's tip
}

TEST_F(PickerFormTest, RightClickTogglesAToneForEveryRuleSlotAndShowsCustom) {
  QWidget* panel = picker_->LowerPanelBox();
  // From "なし" (no filter): all bits but dk's.
  Click(panel, CellCentre(7), Qt::RightButton);
  EXPECT_EQ(Model().ToneFilter(), 0xFFFFFF7Fu);
  EXPECT_EQ(picker_->ImpressionCombo()->currentIndex(), kCustomPreset);
  EXPECT_EQ(picker_->PresetIndex(), kNoPreset);  // the preset's own mask was not chosen
  EXPECT_EQ(FromRgb24(picker_->LowerPanelSurface().At(CellCentre(7).x(), CellCentre(7).y())), 0x808080u);
  Click(panel, CellCentre(7), Qt::RightButton);
  EXPECT_FALSE(Model().ToneFilterActive());

  // Slot 7 selected: removing slot 0's tone still moves slot 0, and its ramp
  // (what the canvas shows) follows.
  const int tone0 = Model().toneData.ToneClassAt(Shade(0, kBase).Hsv);
  ASSERT_GE(tone0, 0);
  ASSERT_LT(tone0, kChromaticToneCount);
  Model().SelectSlot(7);
  const TColor before = Shade(0, kBase).Color;
  const TRamp rampBefore = Model().Ramp(0);
  Click(panel, CellCentre(tone0), Qt::RightButton);
  EXPECT_NE(Shade(0, kBase).Color, before);
  EXPECT_NE(Model().toneData.ToneClassAt(Shade(0, kBase).Hsv), tone0);
  EXPECT_NE(Model().Ramp(0), rampBefore);

  // Any other button applies the tone's colour to the selected slot.
  Click(panel, CellCentre(8));
  const TColorF pale = RgbToHsv(UnpackColour(ToneColorAtHue(Shade(7, kBase).Param.h(), 8)));
  EXPECT_FLOAT_EQ(Shade(7, kBase).Param.s(), pale.s());
  EXPECT_FLOAT_EQ(Shade(7, kBase).Param.v(), pale.v());
  // Outside every cell nothing happens.
  const std::uint32_t mask = Model().ToneFilter();
  Click(panel, QPoint(179, 59 + 5), Qt::RightButton);
  EXPECT_EQ(Model().ToneFilter(), mask);
}

TEST_F(PickerFormTest, MixingFieldSetsSaturationAndValueAndDraggingEndsWithTheRelease) {
  Click(picker_->ShadeStripBox(), QPoint(10, 5));
  ASSERT_EQ(Model().selectedShade, kHighlight);
  QWidget* panel = picker_->LowerPanelBox();
  Press(panel, QPoint(90, 30));
  EXPECT_FLOAT_EQ(Shade(0, kHighlight).Param.s(), 0.5f);
  EXPECT_FLOAT_EQ(Shade(0, kHighlight).Param.v(), 0.5f);
  Drag(panel, QPoint(400, -20));  // beyond the panel: limited
  EXPECT_FLOAT_EQ(Shade(0, kHighlight).Param.s(), 1.0f);
  EXPECT_FLOAT_EQ(Shade(0, kHighlight).Param.v(), 1.0f);
  EXPECT_EQ(picker_->Edit(kSaturationSlider)->text(), "100");
  Release(panel, QPoint(400, -20));
  Drag(panel, QPoint(0, 59));
  EXPECT_FLOAT_EQ(Shade(0, kHighlight).Param.s(), 1.0f);
}

TEST_F(PickerFormTest, PresetsFilterRuleSlotsOnlyAndNoneRestoresEveryColour) {
  TImpressionCombo* combo = picker_->ImpressionCombo();
  ASSERT_EQ(combo->count(), kPresetCount);
  EXPECT_EQ(combo->itemText(16), QString::fromUtf8("落ち着いた"));
  EXPECT_EQ(combo->maxVisibleItems(), 30);
  EXPECT_EQ(combo->currentIndex(), kNoPreset);

  // A pale slot 0 and a pale free slot 6.
  Scheme().SetSaturationWeight(0, 0.2f);
  Shade(6, kBase).Param = TColorF(0, 0.2f, 1.0f);
  Model().Redraw(TCoordinationModel::kRedrawAll);
  std::array<TColor, kSlotCount * kShadeCount> before{};
  for (int i = 0; i < kSlotCount * kShadeCount; ++i) before[static_cast<std::size_t>(i)] = Shade(i / 4, i % 4).Color;

  ChoosePreset(5);  // 派手な: v b s
  EXPECT_EQ(Model().ToneFilter(), 0x7u);
  EXPECT_EQ(picker_->PresetIndex(), 5);
  EXPECT_LE(Model().toneData.ToneClassAt(Shade(0, kBase).Hsv), 2);
  EXPECT_FLOAT_EQ(Shade(0, kBase).Param.s(), 0.2f);  // the parameters stay
  EXPECT_EQ(Shade(6, kBase).Color, before[6 * 4 + kBase]);
  ChoosePreset(kCustomPreset);
  EXPECT_EQ(Model().ToneFilter(), 0xFFFu);
  ChoosePreset(kNoPreset);
  EXPECT_EQ(Model().ToneFilter(), 0xFFFFFFFFu);
  for (int i = 0; i < kSlotCount * kShadeCount; ++i) {
    EXPECT_EQ(Shade(i / 4, i % 4).Color, before[static_cast<std::size_t>(i)]) << i;
  }
}

TEST_F(PickerFormTest, PresetItemsDrawTheNameAndTheSwatchBandFromTheRight) {
  QImage item(260, kPresetItemHeight, QImage::Format_RGB32);
  {
    QPainter painter(&item);
    DrawPresetItem(painter, item.rect(), 5, true, Qt::white);
  }
  const TColor expected[3] = {HsvToColor(0, ToneWords(0).sampleS, ToneWords(0).sampleV),
                              HsvToColor(0, ToneWords(1).sampleS, ToneWords(1).sampleV),
                              HsvToColor(0, ToneWords(2).sampleS, ToneWords(2).sampleV)};
  for (int k = 0; k < 3; ++k) {
    for (int x : {259 - 20 * k - 1, 259 - 20 * k - 19}) {
      const QColor c = item.pixelColor(x, 10);
      EXPECT_EQ(static_cast<TColor>(c.red() | c.green() << 8 | c.blue() << 16), expected[k]) << k << " " << x;
    }
    EXPECT_EQ(item.pixelColor(200, 4 - 1), QColor(0x78, 0xC8, 0xFF));  // above the band: selected colour
  }
  EXPECT_EQ(item.pixelColor(190, 10), QColor(0x78, 0xC8, 0xFF));  // left of the band
  // Every name fits between the item's left edge and the widest band.
  QFont font;
  font.setPixelSize(12);
  const QFontMetrics metrics(font);
  for (const TImpressionPreset& preset : kImpressionPresets) {
    EXPECT_LT(4 + metrics.horizontalAdvance(QString::fromUtf8(preset.name)), 260 - 60 - 20) << preset.name;
    EXPECT_LE(4 + metrics.height(), kPresetItemHeight) << preset.name;
  }
}

TEST_F(PickerFormTest, PreviewWaitsForTheTimerAndBusyStopsIt) {
  Model().Redraw(TCoordinationModel::kRedrawSelected);
  EXPECT_TRUE(picker_->PreviewDirty());
  EXPECT_TRUE(picker_->PreviewTimer()->isActive());
  EXPECT_EQ(picker_->PreviewTimer()->interval(), 100);
  picker_->Timer1Timer();
  EXPECT_FALSE(picker_->PreviewDirty());
  // The shaded preview: the lit shape's deepest and brightest points come
  // from the slot's deep shadow and highlight.
  const TSurface& preview = picker_->PreviewSurface();
  bool base = false;
  for (int y = 0; y < preview.height && !base; ++y) {
    for (int x = 0; x < preview.width && !base; ++x) base = FromRgb24(preview.At(x, y)) == Shade(0, kBase).Color;
  }
  EXPECT_TRUE(base);

  Model().BeginBusy();
  EXPECT_FALSE(picker_->PreviewTimer()->isActive());
  const TMouseInput press{Qt::LeftButton, Qt::LeftButton, {}, 90, 10};
  picker_->PaintBox2MouseDown(press);
  picker_->PaintBox3MouseDown(kValueSlider, press);
  picker_->PaintBox6MouseDown(TMouseInput{Qt::RightButton, Qt::RightButton, {}, 50, 50});
  picker_->Edit(kValueSlider)->setText("10");
  picker_->ComboBox1Change();
  Model().EndBusy();
  EXPECT_TRUE(picker_->PreviewTimer()->isActive());
  EXPECT_EQ(Model().selectedShade, kBase);
  EXPECT_FLOAT_EQ(Shade(0, kBase).Param.v(), 1.0f);
  EXPECT_FALSE(Model().ToneFilterActive());
}

TEST_F(PickerFormTest, InformationWindowShowsTheSelectedShadeAndCopiesItsCode) {
  // Orange on a free slot: hue 30, full saturation and value.
  Scheme().SetSlotHue(5, 30.0f);
  Shade(5, kBase).Param = TColorF(30, 1, 1);
  QGuiApplication::clipboard()->setText("untouched");
  Model().SelectSlot(5);
  ASSERT_EQ(Shade(5, kBase).Color, 0x000080FFu);
  // Hidden: neither filled nor copied.
  EXPECT_FALSE(info_->isVisible());
  EXPECT_EQ(InfoText("Label8"), "#FFFFFF");
  info_->Button1Click();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "untouched");

  ShowInfo();
  EXPECT_EQ(InfoText("Label4"), "255");
  EXPECT_EQ(InfoText("Label5"), "128");
  EXPECT_EQ(InfoText("Label6"), "0");
  EXPECT_EQ(InfoText("Label8"), "#FF8000");
  const int tone = Model().ShadeToneClass(kBase);
  EXPECT_EQ(InfoText("Label10").toStdString(), ToneHeadingText(tone));
  EXPECT_EQ(InfoText("Label11"), QString::fromUtf8(ToneWords(tone).impression));
  EXPECT_EQ(InfoText("Label12"), QString::fromUtf8("[橙]色系が象徴するもの:"));
  EXPECT_EQ(InfoText("Label13"), QString::fromUtf8(HueFamily(1).meanings));
  EXPECT_EQ(info_->ColourSwatch()->palette().color(QPalette::Window), QColor(255, 128, 0));
  const TColor toneColour = ToneColorAtHue(30.0f, tone);
  EXPECT_EQ(info_->ToneSwatch()->palette().color(QPalette::Window), QColor(toneColour & 0xFF, toneColour >> 8 & 0xFF, toneColour >> 16));
  QTest::mouseClick(info_->CopyButton(), Qt::LeftButton);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "#FF8000");

  // The picker keeps it current; family texts are written only on a change.
  info_->findChild<QLabel*>("Label12")->setText("kept");
  Type(kValueSlider, "90");
  EXPECT_NE(InfoText("Label8"), "#FF8000");
  EXPECT_EQ(InfoText("Label12"), "kept");
  Type(kSaturationSlider, "0");
  EXPECT_EQ(InfoText("Label12"), QString::fromUtf8("[灰]色系が象徴するもの:"));
  // Busy: the copy does nothing.
  Model().BeginBusy();
  info_->Button1Click();
  Model().EndBusy();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "#FF8000");
}

// Texts at their longest, Japanese and English, must show whole: no label
// cuts its text.
TEST_F(PickerFormTest, EveryInformationTextFitsItsLabelInEitherLanguage) {
  ShowInfo();
  const auto fits = [](QLabel* label, const QString& text) {
    const int flags = Qt::AlignLeft | Qt::AlignTop | (label->wordWrap() ? Qt::TextWordWrap : 0);
    const QRect need = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 1000), flags, text);
    return need.width() <= label->width() && need.height() <= label->height();
  };
  QLabel* name = info_->findChild<QLabel*>("Label10");
  QLabel* words = info_->findChild<QLabel*>("Label11");
  QLabel* heading = info_->findChild<QLabel*>("Label12");
  QLabel* meanings = info_->findChild<QLabel*>("Label13");
  for (const TLanguage language : {TLanguage::Japanese, TLanguage::English}) {
    InstallLanguage(language);
    for (int t = 0; t < kToneCount; ++t) {
      EXPECT_TRUE(fits(name, ToneHeading(t))) << t;
      EXPECT_TRUE(fits(words, UserText(ToneWords(t).impression))) << ToneWords(t).impression;
    }
    for (int f = 0; f < kHueFamilyCount; ++f) {
      info_->ShowFamily(f);
      EXPECT_TRUE(fits(heading, heading->text())) << f;
      EXPECT_TRUE(fits(meanings, meanings->text())) << HueFamily(f).meanings;
    }
  }
  InstallLanguage(TLanguage::Japanese);
  // The code starts clear of its caption.
  QLabel* caption = info_->findChild<QLabel*>("Label7");
  EXPECT_LE(caption->x() + caption->fontMetrics().horizontalAdvance(caption->text()),
            info_->findChild<QLabel*>("Label8")->x());
  EXPECT_TRUE(fits(info_->findChild<QLabel*>("Label8"), "#FFFFFF"));
}

}  // namespace
}  // namespace tintloom
