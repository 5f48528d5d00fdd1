#include "ui/hue_form.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "ui/main_form.h"
#include "ui/paint_box.h"
#include "ui/surface_view.h"
#include "ui/translation.h"
#include "core/palette/tone_vocabulary.h"

namespace tintloom {

namespace {

constexpr TColor kBlack = 0x000000;
constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kFreeRing = 0x808080;
// The value gradient leaves 4 pixels above and below for the pointer's tip.
constexpr int kGradientTop = 4;
constexpr int kGradientLeft = 9;
constexpr int kGradientWidth = 13;

// 9 x 9, a right-pointing triangle outline: the slider pointer.
QImage MakeSliderPointer() {
  QImage image(9, 9, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  const QRgb upper = qRgb(0x50, 0x50, 0x50);
  const QRgb lower = qRgb(0x30, 0x30, 0x30);
  for (int y = 0; y < 9; ++y) image.setPixel(0, y, upper);
  for (int x = 0; x < 9; ++x) {
    image.setPixel(x, x / 2, upper);
    image.setPixel(x, 8 - x / 2, lower);
  }
  return image;
}

// A small downward arrow that points from the "base colour" label at slot 0's cell.
QPixmap MakeBaseColourArrow() {
  QImage image(9, 5, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (int y = 0; y < 5; ++y) {
    for (int x = y; x < 9 - y; ++x) image.setPixel(x, y, qRgb(0x60, 0x60, 0x60));
  }
  return QPixmap::fromImage(image);
}


}  // namespace

THueForm::THueForm(TMainForm& main)
    : TToolForm(main, "HueForm", tr("配色"), 262, 333) {
  QWidget* panel = ContentPanel();
  ruleLabel_ = MakeToolLabel(panel, "Label1", tr("配色ルール : "), 22, 10);
  ruleCombo_ = new QComboBox(panel);
  ruleCombo_->setObjectName("ComboBox1");
  ruleCombo_->setGeometry(96, 6, 145, 21);
  for (const THarmonyRule& rule : kHarmonyRules) ruleCombo_->addItem(UserText(rule.name));
  // A rule's name longer than the box (English) takes the room a shorter
  // label leaves to its left.
  const int needed = ruleCombo_->sizeHint().width();
  if (needed > ruleCombo_->width()) {
    const int left = std::max(ruleLabel_->x() + ruleLabel_->width() + 4, ruleCombo_->x() + ruleCombo_->width() - needed);
    ruleCombo_->setGeometry(left, 6, ruleCombo_->x() + ruleCombo_->width() - left, 21);
  }
  ruleCombo_->installEventFilter(this);
  // Only the user's pick changes the rule; the window sets the index itself
  // without running the change.
  connect(ruleCombo_, &QComboBox::activated, this, [this] { ComboBox1Change(); });

  wheelBox_ = new TPaintBox(panel, 29, 35, 179, 179);
  wheelBox_->setObjectName("PaintBox1");
  wheelBox_->installEventFilter(this);
  sliderBox_ = new TPaintBox(panel, 217, 35, 22, 180);
  sliderBox_->setObjectName("PaintBox3");
  baseColourLabel_ = MakeToolLabel(panel, "Label4", tr("基本カラー"), 189, 221);
  baseColourArrow_ = new QLabel(panel);
  baseColourArrow_->setObjectName("Image2");
  baseColourArrow_->setPixmap(MakeBaseColourArrow());
  baseColourArrow_->setGeometry(230, 237, 9, 5);
  stripBox_ = new TPaintBox(panel, 12, 245, 238, 61);
  stripBox_->setObjectName("PaintBox2");
  for (QWidget* passive : {static_cast<QWidget*>(ruleLabel_), static_cast<QWidget*>(baseColourLabel_),
                           static_cast<QWidget*>(baseColourArrow_)}) {
    RouteDragEvents(passive);
  }
  sliderPointer_ = MakeSliderPointer();

  wheelBox_->onPaint = [this](QPainter& p) { p.drawImage(0, 0, SurfaceImage(std::as_const(wheel_))); };
  wheelBox_->onMouseDown = [this](const TMouseInput& in) { PaintBox1MouseDown(in); };
  wheelBox_->onMouseMove = [this](const TMouseInput& in) { PaintBox1MouseMove(in); };
  wheelBox_->onMouseUp = [this](const TMouseInput& in) { PaintBox1MouseUp(in); };
  sliderBox_->onPaint = [this](QPainter& p) { p.drawImage(0, 0, SurfaceImage(std::as_const(slider_))); };
  sliderBox_->onMouseDown = [this](const TMouseInput& in) { PaintBox3MouseDown(in); };
  sliderBox_->onMouseMove = [this](const TMouseInput& in) { PaintBox3MouseMove(in); };
  sliderBox_->onMouseUp = [this](const TMouseInput& in) { PaintBox3MouseUp(in); };
  stripBox_->onPaint = [this](QPainter& p) {
    // The colours as the chosen colour vision sees them, drawn from a copy:
    // the strip itself keeps the slots' colours.
    const TViewFilter& filter = Main().SlotStripFilter();
    const bool filtered = filter.View().ChangesColours() && filter.Apply(strip_, shownStrip_);
    p.drawImage(0, 0, SurfaceImage(std::as_const(filtered ? shownStrip_ : strip_)));
  };
  stripBox_->onMouseDown = [this](const TMouseInput& in) { PaintBox2MouseDown(in); };

  // Surfaces: the wheel picture from the skin, one surface per paint box and
  // the value gradient, white at the top down to grey 15.
  const TSurface& skin = main.Model().skinSurface;
  wheelPicture_.Create(kWheelPicture.width, kWheelPicture.height);
  CopyRect(wheelPicture_, 0, 0, skin, kWheelPicture.left, kWheelPicture.top, kWheelPicture.width,
           kWheelPicture.height);
  wheel_.Create(wheelBox_->width(), wheelBox_->height());
  strip_.Create(stripBox_->width(), stripBox_->height());
  slider_.Create(sliderBox_->width(), sliderBox_->height());
  valueGradient_.Create(1, sliderBox_->height() - 8);
  for (int i = 0; i < valueGradient_.height; ++i) {
    const auto grey = static_cast<std::uint8_t>(255 - i * 255 / 181);
    valueGradient_.At(0, i) = TRgb24{grey, grey, grey};
  }
  const auto cut = [&skin](TMask8& mask, const TSkinRect& r) { CutMask(mask, skin, r.left, r.top, r.width, r.height); };
  cut(mask8_, kMarkerMask8);
  cut(mask12_, kMarkerMask12);
  cut(mask16_, kMarkerMask16);
  cut(mask20_, kMarkerMask20);

  ExplainControls();
  main.Windows().hue = this;
  ruleCombo_->setCurrentIndex(kCustomRule);
  main.Model().ConstructScheme();
}

void THueForm::ExplainControls() {
  CloseButton()->setToolTip(tr("配色ウィンドウを閉じる（表示メニューでまた開けます）"));
  ruleCombo_->setToolTip(tr("配色ルール: 基本カラー（スロット 1）から他のスロットの色相を決める規則。"
                            "「カスタム」ではマーカーを一つずつ動かせます"));
  ruleCombo_->setAccessibleName(tr("配色ルール"));
  // Screen readers on Linux name a combo by its label.
  ruleLabel_->setBuddy(ruleCombo_);
  wheelBox_->setToolTip(tr("色相環: マーカー一つがスロット一つのベース色（角度が色相、中心からの距離が彩度）。\n"
                           "クリック: マーカーのスロットを選ぶ　ドラッグ: 色相と彩度を変える\n"
                           "Shift+ドラッグ: 色相だけ　Ctrl+ドラッグ: 彩度だけ\n"
                           "太い輪のマーカーが基本カラー、黒い輪が選択中のスロット"));
  wheelBox_->setAccessibleName(tr("色相環"));
  // The markers on show: those of the selected slot's group.
  const auto markers = [this] {
    std::vector<int> shown;
    const int first = Model().selectedSlot < kRuleSlotCount ? 0 : kRuleSlotCount;
    for (int i = first; i < first + kRuleSlotCount; ++i) {
      if (Scheme().visibleSlotMask >> i & 1u) shown.push_back(i);
    }
    return shown;
  };
  const auto markerValue = [this](int i) {
    const long hue = (std::lround(Scheme().SlotHue(i)) % 360 + 360) % 360;
    const long saturation = std::lround(Model().SlotAt(i).shades[kBase].Param.s() * 100.0f);
    return tr("色相 %1°、彩度 %2%").arg(hue).arg(saturation);
  };
  wheelBox_->onToolTip = [this, markers, markerValue](int x, int y) {
    for (const int i : markers()) {
      const QPoint c = markerCentres_[static_cast<std::size_t>(i)];
      if (std::abs(c.x() - x) < 10 && std::abs(c.y() - y) < 10) return tr("%1 — %2").arg(SlotText(i), markerValue(i));
    }
    return QString();
  };
  wheelBox_->accessibleRole = QAccessible::List;
  wheelBox_->setFocusPolicy(Qt::StrongFocus);
  wheelBox_->onKey = [this](const QKeyEvent& event) { return WheelKey(event); };
  wheelBox_->onParts = [this, markers, markerValue] {
    std::vector<TPaintBoxPart> parts;
    for (const int i : markers()) {
      const QPoint c = markerCentres_[static_cast<std::size_t>(i)];
      parts.push_back({QRect(c.x() - 10, c.y() - 10, 20, 20), SlotText(i), markerValue(i), i == Model().selectedSlot});
    }
    return parts;
  };
  sliderBox_->setToolTip(tr("明度: 選択中のスロットのベース色の明るさ（上ほど明るい）。クリックかドラッグで変える"));
  sliderBox_->setAccessibleName(tr("明度"));
  sliderBox_->accessibleRole = QAccessible::Slider;
  sliderBox_->setFocusPolicy(Qt::StrongFocus);
  sliderBox_->onKey = [this](const QKeyEvent& event) { return SliderKey(event); };
  sliderBox_->onValue = [this] {
    const int slot = Model().selectedSlot;
    if (slot < 0 || slot >= kSlotCount) return 0.0;
    return static_cast<double>(std::lround(Model().SlotAt(slot).shades[kBase].Param.v() * 100.0f));
  };
  stripBox_->setToolTip(tr("スロット: 10 スロットのベース色（上の段が 1〜5、右から）。クリックでスロットを選ぶ。"
                           "太い黒枠が選択中のスロット"));
  stripBox_->setAccessibleName(tr("スロット"));
  stripBox_->onToolTip = [this](int x, int y) {
    const int slot = StripSlotAt(x, y, stripBox_->width(), stripBox_->height());
    return slot < 0 ? QString() : SlotText(slot);
  };
  stripBox_->accessibleRole = QAccessible::List;
  stripBox_->setFocusPolicy(Qt::StrongFocus);
  stripBox_->onActivate = [this](int slot, Qt::KeyboardModifiers) {
    if (!Model().Busy()) Model().SelectSlot(slot);
  };
  stripBox_->onParts = [this] {
    std::vector<TPaintBoxPart> parts;
    const int cw = stripBox_->width() / 5;
    const int half = stripBox_->height() / 2;
    for (int i = 0; i < kSlotCount; ++i) {
      parts.push_back({QRect((4 - i % 5) * cw, i / 5 * half, cw, half - 4), SlotText(i), QString(),
                       i == Model().selectedSlot});
    }
    return parts;
  };
}

// "スロット 3 ベース #A0B0C0", and whether it is the selected one: slots are
// counted from 1 for people.
QString THueForm::SlotText(int slot) const {
  const QString text = tr("スロット %1 ベース %2")
                           .arg(slot + 1)
                           .arg(QString::fromStdString(HexCodeText(Model().SlotAt(slot).shades[kBase].Color)));
  return slot == Model().selectedSlot ? tr("%1（選択中）").arg(text) : text;
}

// The hue window is deleted with the main window, after the main window's
// model is gone: it must not reach the model here. The model keeps nothing
// of the window's.
THueForm::~THueForm() = default;

TCoordinationModel& THueForm::Model() const { return Main().Model(); }

TScheme& THueForm::Scheme() const { return Main().Model().Scheme(); }

void THueForm::showEvent(QShowEvent* event) {
  TToolForm::showEvent(event);
  // Nothing is drawn while hidden: catch up with the model.
  DrawWheel();
  RepaintSlotStrip();
  RepaintValueSlider();
}

void THueForm::hideEvent(QHideEvent* event) {
  TToolForm::hideEvent(event);
  // A window hidden in the middle of a drag must not come back still dragging.
  EndLostDrags();
}

void THueForm::EndLostDrags() {
  if (dragging_) {
    dragging_ = false;
    if (!Model().Busy()) Model().RefreshSelectedSlot();
    Model().EndGesture();
  }
  if (sliderDragging_) {
    sliderDragging_ = false;
    if (!Model().Busy()) Model().RefreshSelectedSlot();
    Model().EndGesture();
  }
}

bool THueForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ruleCombo_ && event->type() == QEvent::KeyPress) {
    // The combo has the focus most of the time; the screen-colour keys must
    // still work from here.
    if (Main().HandleShortcutKey(this, *static_cast<QKeyEvent*>(event))) return true;
  } else if (watched == wheelBox_ && event->type() == QEvent::Leave && !dragging_) {
    // Leaving the wheel leaves every marker, even when no move reported it.
    if (!Model().Busy()) HoverTest(-1000, -1000);
  }
  return TToolForm::eventFilter(watched, event);
}

// ---------------------------------------------------------------- drawing

void THueForm::PaintBox1Paint() { Model().PaintHueWindow(); }

void THueForm::DrawWheel() {
  if (!isVisible() || Model().Busy()) return;
  // Keep the combo in step with a rule set from elsewhere (a palette document).
  const int ruleIndex = Scheme().ruleIndex;
  const int rule = ruleIndex >= 0 && ruleIndex < kRuleCount ? ruleIndex : kCustomRule;
  if (ruleCombo_->currentIndex() != rule) ruleCombo_->setCurrentIndex(rule);

  FillAll(wheel_, kToolBackground);
  DrawSurface(wheel_, 4, 4, wheelPicture_);
  // Only one group is shown: the one the selected slot belongs to.
  const bool ruleGroup = Model().selectedSlot < kRuleSlotCount;
  const int first = ruleGroup ? 0 : kRuleSlotCount;
  for (int i = first; i < first + kRuleSlotCount; ++i) {
    if (Scheme().visibleSlotMask >> i & 1u) DrawMarker(i, i == 0, ruleGroup);
  }
  wheelBox_->update();
}

void THueForm::DrawMarker(int i, bool baseMarker, bool ruleSlot) {
  const TShade& base = Model().SlotAt(i).shades[kBase];
  const int r = static_cast<int>(base.Param.s() * static_cast<float>(kWheelRadius));
  const double a = static_cast<double>(Scheme().SlotHue(i)) * 0.017453292;
  const int x = static_cast<int>(std::sin(a) * r + 89.5);
  const int y = static_cast<int>(-std::cos(a) * r + 89.5);
  markerCentres_[static_cast<std::size_t>(i)] = QPoint(x, y);

  if (ruleSlot) DarkLine(wheel_, kWheelCentre, kWheelCentre, static_cast<float>(x), static_cast<float>(y));
  const bool hovered = i == hoveredMarker_;
  const TRgb24 colour = ToRgb24(base.Color);
  if (i == Model().selectedSlot) {
    if (hovered) BlendColourThroughMask(wheel_, x - 10, y - 10, ToRgb24(kWhite), mask20_);
    BlendColourThroughMask(wheel_, x - 8, y - 8, ToRgb24(kBlack), mask16_);
    BlendColourThroughMask(wheel_, x - 6, y - 6, colour, mask12_);
  } else {
    if (hovered) BlendColourThroughMask(wheel_, x - 8, y - 8, ToRgb24(kWhite), mask16_);
    BlendColourThroughMask(wheel_, x - 6, y - 6, ToRgb24(ruleSlot ? kBlack : kFreeRing), mask12_);
    BlendColourThroughMask(wheel_, x - 4, y - 4, colour, mask8_);
  }
  if (baseMarker) {
    // The base colour's outer ring tells it apart from the other rule slots.
    const bool lit = i == Model().selectedSlot && hovered;
    BlendColourThroughMask(wheel_, x - 10, y - 10, ToRgb24(lit ? kWhite : kBlack), mask20_);
  }
}

void THueForm::RepaintSlotStrip() {
  if (!isVisible() || Model().Busy()) return;
  FillAll(strip_, kToolBackground);
  const int cw = strip_.width / 5;
  const int half = strip_.height / 2;
  const int ch = half - 4;
  for (int i = 0; i < kSlotCount; ++i) {
    // Slots 0..4 in the upper row, 5..9 in the lower, each from right to left.
    const int x = (4 - i % 5) * cw;
    const int y = i / 5 * half;
    FillRect(strip_, x, y, cw, ch, Model().SlotAt(i).shades[kBase].Color);
    FillRect(strip_, x, y, 1, ch, kBlack);
    if (i == hoveredMarker_) FrameRect(strip_, x, y, cw, ch, 1, kWhite);
    if (i == Model().selectedSlot) {
      FrameRect(strip_, x, y, cw, ch, 2, kBlack);
      FrameRect(strip_, x, y, cw, ch, 3, kBlack);
    }
  }
  FrameRect(strip_, 0, 0, 5 * cw, ch, 0, kBlack);
  FrameRect(strip_, 0, half, 5 * cw, ch, 0, kBlack);
  stripBox_->update();
}

void THueForm::RepaintValueSlider() {
  if (!isVisible() || Model().Busy()) return;
  const int g = valueGradient_.height;
  FillAll(slider_, kToolBackground);
  StretchCopy(slider_, QRect(kGradientLeft, kGradientTop, kGradientWidth, g), valueGradient_, QRect(0, 0, 1, g));
  FrameRect(slider_, kGradientLeft, kGradientTop, kGradientWidth, g, 0, kBlack);
  const int selected = Model().selectedSlot;
  if (selected >= 0 && selected < kSlotCount) {
    const float v = Model().SlotAt(selected).shades[kBase].Param.v();
    sliderPointerTop_ = static_cast<int>(static_cast<float>(g) - v * static_cast<float>(g));
    DrawImage(slider_, 0, sliderPointerTop_, sliderPointer_);
  }
  sliderBox_->update();
}

// ---------------------------------------------------------------- wheel input

void THueForm::HoverTest(int x, int y) {
  const int first = Model().selectedSlot < kRuleSlotCount ? 0 : kRuleSlotCount;
  for (int i = first; i < first + kRuleSlotCount; ++i) {
    if (!(Scheme().visibleSlotMask >> i & 1u)) continue;
    const QPoint c = markerCentres_[static_cast<std::size_t>(i)];
    if (c.x() - 10 < x && x < c.x() + 10 && c.y() - 10 < y && y < c.y() + 10) {
      grabbedX_ = c.x();
      grabbedY_ = c.y();
      if (hoveredMarker_ != i) {
        hoveredMarker_ = i;
        PaintBox1Paint();
      }
      return;
    }
  }
  if (hoveredMarker_ != -1) {
    hoveredMarker_ = -1;
    PaintBox1Paint();
  }
}

void THueForm::PaintBox1MouseDown(const TMouseInput& input) {
  if (Model().Busy()) return;
  // The whole drag, the press's selection included, is one step.
  Model().BeginGesture();
  dragging_ = true;
  pressX_ = input.x;
  pressY_ = input.y;
  if (hoveredMarker_ != -1) Model().SelectSlot(hoveredMarker_);
  // Pressing without moving re-derives the marker's values from its centre.
  PaintBox1MouseMove(input);
}

void THueForm::PaintBox1MouseMove(const TMouseInput& input) {
  if (Model().Busy()) return;
  // A move with no button held means the release went elsewhere: the drag
  // is over, and the move is only a hover.
  if (dragging_ && input.buttons == Qt::NoButton) EndLostDrags();
  if (dragging_) {
    DragStep(input);
  } else {
    HoverTest(input.x, input.y);
  }
}

void THueForm::PaintBox1MouseUp(const TMouseInput& input) {
  if (Model().Busy() || !dragging_) return;
  dragging_ = false;
  PaintBox1MouseMove(input);
  Model().RefreshSelectedSlot();
  Model().EndGesture();
}

void THueForm::DragStep(const TMouseInput& input) {
  const int k = hoveredMarker_;
  if (k == -1) return;
  // The marker keeps its offset from the pointer.
  const int px = input.x - pressX_ + grabbedX_;
  const int py = input.y - pressY_ + grabbedY_;
  if (px == kWheelCentre && py == kWheelCentre) return;
  const int dx = px - kWheelCentre;
  const int dy = py - kWheelCentre;
  if (!(input.modifiers & Qt::ControlModifier)) {
    // Degrees from the top, clockwise, in -90..270.
    TurnMarker(k, std::atan2(dy, dx) * (1.0 / std::numbers::pi) * 180.0 + 90.0);
  }
  if (!(input.modifiers & Qt::ShiftModifier)) {
    // The radius rounded to whole pixels, over the full-saturation radius.
    const float s = static_cast<float>(static_cast<int>(std::sqrt(dx * dx + dy * dy) + 0.5)) * 0.0125f;
    SetMarkerSaturation(k, std::clamp(s, 0.0f, 1.0f));
  }
  Model().Redraw(TCoordinationModel::kRedrawSelected);
}

void THueForm::TurnMarker(int k, double angle) {
  TScheme& scheme = Scheme();
  const double h0 = scheme.SlotHue(0);
  if (k == 0 || k >= kRuleSlotCount) {
    scheme.SetSlotHue(k, static_cast<float>(angle));
  } else if (scheme.ruleIndex == 0) {
    // Analogous: the marker sets the spread, measured the shorter way round
    // in whole degrees; the outer markers sit two spreads away.
    const double pointer = angle < 0 ? angle + 360.0 : angle;
    double d1 = std::fmod(pointer - h0, 360.0);
    if (d1 < 0) d1 += 360.0;
    double d2 = std::fmod(h0 - pointer, 360.0);
    if (d2 < 0) d2 += 360.0;
    const int m = static_cast<int>(d1 <= d2 ? d1 : d2);
    scheme.analogousSpread = k <= 2 ? m : m / 2;
  } else if (scheme.ruleIndex >= 1 && scheme.ruleIndex <= 6) {
    // The whole scheme turns so that this marker follows the pointer.
    scheme.SetSlotHue(0, static_cast<float>(h0 + (angle - scheme.SlotHue(k))));
  } else {
    const double offset = scheme.CustomHueOffset(k);
    scheme.SetCustomHueOffset(k, static_cast<float>(offset + (angle - scheme.SlotHue(k)) + 0.5));
  }
}

void THueForm::SetMarkerSaturation(int k, float saturation) {
  if (k >= kRuleSlotCount) {
    // Free slots keep their saturation in the model; the press selected k.
    Model().SlotAt(k).shades[kBase].Param.s() = saturation;
  } else {
    // Under the other rules slots 1..4 are offsets from slot 0's saturation.
    Scheme().SetRuleSlotSaturation(k, saturation);
  }
}

// Arrows move the selected slot's marker: left and right turn it by a degree,
// up and down move it a percent outwards or inwards; Shift for ten.
bool THueForm::WheelKey(const QKeyEvent& event) {
  const int k = Model().selectedSlot;
  if (Model().Busy() || k < 0 || k >= kSlotCount || dragging_) return false;
  const int step = event.modifiers() & Qt::ShiftModifier ? 10 : 1;
  double turn = 0;
  float outwards = 0;
  switch (event.key()) {
    case Qt::Key_Left: turn = -step; break;
    case Qt::Key_Right: turn = step; break;
    case Qt::Key_Up: outwards = static_cast<float>(step) * 0.01f; break;
    case Qt::Key_Down: outwards = -static_cast<float>(step) * 0.01f; break;
    default: return false;
  }
  // One key, one step, as one drag is.
  Model().BeginGesture();
  if (turn != 0) TurnMarker(k, static_cast<double>(Scheme().SlotHue(k)) + turn);
  if (outwards != 0) {
    const float s = Model().SlotAt(k).shades[kBase].Param.s();
    SetMarkerSaturation(k, std::clamp(std::round((s + outwards) * 100.0f) / 100.0f, 0.0f, 1.0f));
  }
  Model().Redraw(TCoordinationModel::kRedrawSelected);
  Model().RefreshSelectedSlot();
  Model().EndGesture();
  return true;
}

// Up and down change the selected slot's value by a percent, Shift for ten.
bool THueForm::SliderKey(const QKeyEvent& event) {
  const int k = Model().selectedSlot;
  if (Model().Busy() || k < 0 || k >= kSlotCount || sliderDragging_) return false;
  const float step = event.modifiers() & Qt::ShiftModifier ? 0.1f : 0.01f;
  float change = 0;
  if (event.key() == Qt::Key_Up) change = step;
  if (event.key() == Qt::Key_Down) change = -step;
  if (change == 0) return false;
  Model().BeginGesture();
  float& v = Model().SlotAt(k).shades[kBase].Param.v();
  v = std::clamp(std::round((v + change) * 100.0f) / 100.0f, 0.0f, 1.0f);
  if (Model().Views().PickerWindowVisible()) Model().Views().RefreshPicker();
  Model().Redraw(TCoordinationModel::kRedrawSelected);
  Model().RefreshSelectedSlot();
  Model().EndGesture();
  return true;
}

// ---------------------------------------------------------------- value slider

void THueForm::PaintBox3MouseDown(const TMouseInput& input) {
  if (Model().Busy()) return;
  Model().BeginGesture();
  sliderDragging_ = true;
  PaintBox3MouseMove(input);
}

void THueForm::PaintBox3MouseMove(const TMouseInput& input) {
  if (Model().Busy()) return;
  if (sliderDragging_ && input.buttons == Qt::NoButton) EndLostDrags();
  if (!sliderDragging_) return;
  TColorSlot* slot = Model().SelectedSlot();
  if (slot == nullptr) return;
  const auto g = static_cast<float>(valueGradient_.height);
  const float v = 1.0f - static_cast<float>(input.y - kGradientTop) / g;
  slot->shades[kBase].Param.v() = std::clamp(v, 0.0f, 1.0f);
  if (Model().Views().PickerWindowVisible()) Model().Views().RefreshPicker();
  Model().Redraw(TCoordinationModel::kRedrawSelected);
}

void THueForm::PaintBox3MouseUp(const TMouseInput&) {
  if (Model().Busy()) return;
  sliderDragging_ = false;
  Model().RefreshSelectedSlot();
  Model().EndGesture();
}

// ---------------------------------------------------------------- strip and combo

int THueForm::StripSlotAt(int x, int y, int width, int height) {
  if (x < 0 || y < 0 || x >= width || y >= height) return -1;
  const int cw = width / 5;
  const int half = height / 2;
  const int row = y / (half + 4);
  if (cw <= 0 || row > 1) return -1;
  const int slot = 5 * row + 4 - x / cw;
  return slot >= 0 && slot < kSlotCount ? slot : -1;
}

void THueForm::PaintBox2MouseDown(const TMouseInput& input) {
  if (Model().Busy()) return;
  const int slot = StripSlotAt(input.x, input.y, stripBox_->width(), stripBox_->height());
  if (slot >= 0) Model().SelectSlot(slot);
}

void THueForm::ComboBox1Change() { Model().ChangeRule(ruleCombo_->currentIndex()); }

}  // namespace tintloom
