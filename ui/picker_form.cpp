#include "ui/picker_form.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include "core/palette/picker_pictures.h"
#include "core/document/coordination_model.h"
#include "core/palette/impression_presets.h"
#include "core/palette/tone_vocabulary.h"
#include "ui/impression_combo.h"
#include "ui/info_form.h"
#include "ui/main_form.h"
#include "ui/paint_box.h"
#include "ui/surface_view.h"
#include "ui/translation.h"

namespace tintloom {

namespace {

constexpr TColor kBlack = 0x000000;
constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kGrey = 0x808080;
constexpr int kShadeCell = 32;
constexpr int kPointerTop = 14;
const QRect kBand(kSliderBandLeft, 8, kSliderBandWidth, 6);
constexpr int kStripTextSize = 11;
constexpr int kToneTextSize = 9;

// 9 x 9, pointing up: a pointed roof over a small block, pale body, dark
// outline, a green band along the bottom. The tip (column 4) marks the value.
QImage MakeSliderPointer() {
  static const char* const rows[9] = {
      "....o....", "...opo...", "..opppo..", ".opppppo.", "oppppppo.",
      "oppppppo.", "ogggggggo", "ogggggggo", "ooooooooo",
  };
  QImage image(9, 9, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 9; ++x) {
      switch (rows[y][x]) {
        case 'o': image.setPixel(x, y, qRgb(0x40, 0x40, 0x40)); break;
        case 'p': image.setPixel(x, y, qRgb(0xF4, 0xF4, 0xF0)); break;
        case 'g': image.setPixel(x, y, qRgb(0x30, 0xB0, 0x40)); break;
        default: break;
      }
    }
  }
  return image;
}


}  // namespace

TColorForm::TColorForm(TMainForm& main) : TToolForm(main, "ColorForm", tr("カラー"), 262, 332) {
  creating_ = true;
  QWidget* panel = ContentPanel();

  auto* top = new QWidget(panel);
  top->setObjectName("Panel2");
  top->setGeometry(1, 0, 260, 154);
  top->setAutoFillBackground(true);
  QPalette white = top->palette();
  white.setColor(QPalette::Window, Qt::white);
  top->setPalette(white);
  combo_ = new TImpressionCombo(top);
  combo_->setObjectName("ComboBox1");
  combo_->setGeometry(0, 0, 260, 26);
  previewBox_ = new TPaintBox(top, 65, 26, 128, 128);
  previewBox_->setObjectName("PaintBox1");
  RouteDragEvents(previewBox_);

  auto* bevel = new QFrame(panel);
  bevel->setObjectName("Bevel1");
  bevel->setFrameShape(QFrame::HLine);
  bevel->setFrameShadow(QFrame::Sunken);
  bevel->setGeometry(0, 155, 262, 3);

  shadeStripBox_ = new TPaintBox(panel, 12, 162, kShadeCell, 4 * kShadeCell);
  shadeStripBox_->setObjectName("PaintBox2");
  static const char* const sliderNames[3] = {"PaintBox3", "PaintBox4", "PaintBox5"};
  static const char* const editNames[3] = {"Edit1", "Edit2", "Edit3"};
  static const char* const letters[3] = {"H", "S", "V"};
  static const char* const units[3] = {"°", "%", "%"};
  static const int editX[3] = {205, 205, 204};
  for (int i = 0; i < 3; ++i) {
    const int y = 163 + 25 * i;
    QLabel* letter = MakeToolLabel(panel, letters[i], letters[i], 56, y + 4);
    RouteDragEvents(letter);
    TPaintBox* box = new TPaintBox(panel, 65, y, 136, 23);
    box->setObjectName(sliderNames[i]);
    box->onPaint = [this, i](QPainter& p) { p.drawImage(0, 0, SurfaceImage(std::as_const(sliders_[static_cast<std::size_t>(i)]))); };
    box->onMouseDown = [this, i](const TMouseInput& in) { PaintBox3MouseDown(i, in); };
    box->onMouseMove = [this, i](const TMouseInput& in) { PaintBox3MouseMove(i, in); };
    box->onMouseUp = [this, i](const TMouseInput& in) { PaintBox3MouseUp(i, in); };
    sliderBoxes_[static_cast<std::size_t>(i)] = box;

    auto* edit = new QLineEdit(QStringLiteral("360"), panel);
    edit->setObjectName(editNames[i]);
    edit->setGeometry(editX[i], y + 2, 31, 21);
    edit->setMaxLength(4);
    QFont font = edit->font();
    font.setPixelSize(12);
    edit->setFont(font);
    edit->setTextMargins(0, 0, 0, 0);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textChanged, this, [this, i] { Edit1Change(i); });
    // A typed value is one step however many keys it took.
    connect(edit, &QLineEdit::editingFinished, this, [this] { EndTypingGesture(); });
    edits_[static_cast<std::size_t>(i)] = edit;

    QLabel* unit = MakeToolLabel(panel, "", units[i], 238, y + 4);
    RouteDragEvents(unit);
  }
  lowerPanelBox_ = new TPaintBox(panel, 56, 243, 180, 60);
  lowerPanelBox_->setObjectName("PaintBox6");

  shadeStripBox_->onPaint = [this](QPainter& p) { p.drawImage(0, 0, SurfaceImage(std::as_const(shadeStrip_))); };
  shadeStripBox_->onMouseDown = [this](const TMouseInput& in) { PaintBox2MouseDown(in); };
  lowerPanelBox_->onPaint = [this](QPainter& p) { p.drawImage(0, 0, SurfaceImage(std::as_const(lowerPanel_))); };
  lowerPanelBox_->onMouseDown = [this](const TMouseInput& in) { PaintBox6MouseDown(in); };
  lowerPanelBox_->onMouseMove = [this](const TMouseInput& in) { PaintBox6MouseMove(in); };
  lowerPanelBox_->onMouseUp = [this](const TMouseInput& in) { PaintBox6MouseUp(in); };
  previewBox_->onPaint = [this](QPainter& p) { p.drawImage(0, 0, SurfaceImage(std::as_const(preview_))); };

  sliderPointer_ = MakeSliderPointer();
  shadeStrip_.Create(shadeStripBox_->width(), shadeStripBox_->height());
  hueStrip_.Create(kSliderBandWidth, 1);
  saturationStrip_.Create(kSliderBandWidth, 1);
  valueStrip_.Create(kSliderBandWidth, 1);
  for (TSurface& s : sliders_) s.Create(136, 23);
  lowerPanel_.Create(lowerPanelBox_->width(), lowerPanelBox_->height());
  preview_.Create(128, 128);
  const TSurface& skin = main.Model().skinSurface;
  CutMask(shadingMask_, skin, kShadingMask.left, kShadingMask.top, kShadingMask.width, kShadingMask.height);
  CutMask(glossMask_, skin, kGlossMask.left, kGlossMask.top, kGlossMask.width, kGlossMask.height);
  toneCells_ = ToneCells(lowerPanel_.width, lowerPanel_.height);

  // The presets, one item each; the change handler waits for the user.
  combo_->setUpdatesEnabled(false);
  combo_->clear();
  for (const TImpressionPreset& preset : kImpressionPresets) combo_->addItem(UserText(preset.name));
  combo_->setUpdatesEnabled(true);
  combo_->setCurrentIndex(kNoPreset);
  combo_->installEventFilter(this);
  connect(combo_, &QComboBox::activated, this, [this] { ComboBox1Change(); });

  ExplainControls();
  timer_ = new QTimer(this);
  timer_->setObjectName("Timer1");
  timer_->setInterval(100);
  connect(timer_, &QTimer::timeout, this, [this] { Timer1Timer(); });
  timer_->start();
  creating_ = false;
}

void TColorForm::ExplainControls() {
  CloseButton()->setToolTip(tr("カラーウィンドウを閉じる（表示メニューでまた開けます）"));
  combo_->setToolTip(tr("印象プリセット: 選ぶとトーンフィルター（下のトーン表で色の付いたトーン）がその印象のトーンになり、"
                        "規則のスロットがそれに従います"));
  combo_->setAccessibleName(tr("印象プリセット"));
  previewBox_->setToolTip(tr("見本: 選択中のスロットの 4 つの色（ハイライト、ベース、影、深い影）で塗った球"));
  previewBox_->setAccessibleName(tr("見本"));
  shadeStripBox_->setToolTip(tr("色の段: 上からハイライト、ベース、影、深い影。クリックでその段を選び、下のスライダーで編集する"));
  shadeStripBox_->setAccessibleName(tr("色の段"));
  const auto shadeText = [this](int shade) {
    const QString names[kShadeCount] = {tr("ハイライト"), tr("ベース"), tr("影"), tr("深い影")};
    const TColor colour = Model().SlotAt(Model().selectedSlot).shades[static_cast<std::size_t>(shade)].Color;
    return tr("スロット %1 %2 %3").arg(Model().selectedSlot + 1).arg(names[shade]).arg(QString::fromStdString(HexCodeText(colour)));
  };
  const auto slotSelected = [this] { return Model().selectedSlot >= 0 && Model().selectedSlot < kSlotCount; };
  shadeStripBox_->onToolTip = [shadeText, slotSelected](int, int y) {
    const int shade = y / kShadeCell;
    return y < 0 || shade >= kShadeCount || !slotSelected() ? QString() : shadeText(shade);
  };
  shadeStripBox_->accessibleRole = QAccessible::List;
  shadeStripBox_->setFocusPolicy(Qt::StrongFocus);
  shadeStripBox_->onActivate = [this](int shade, Qt::KeyboardModifiers) {
    if (!Model().Busy()) Model().SelectShade(shade);
  };
  shadeStripBox_->onParts = [this, shadeText, slotSelected] {
    std::vector<TPaintBoxPart> parts;
    if (!slotSelected()) return parts;
    for (int shade = 0; shade < kShadeCount; ++shade) {
      parts.push_back({QRect(0, shade * kShadeCell, kShadeCell, kShadeCell), shadeText(shade), QString(),
                       shade == Model().selectedShade});
    }
    return parts;
  };
  const QString sliderTips[3] = {
      tr("H（色相）: 選択中の色の色相、0〜360°。クリックかドラッグで変える"),
      tr("S（彩度）: 選択中の色の鮮やかさ、0〜100%。クリックかドラッグで変える"),
      tr("V（明度）: 選択中の色の明るさ、0〜100%。クリックかドラッグで変える")};
  const QString names[3] = {tr("色相"), tr("彩度"), tr("明度")};
  for (std::size_t i = 0; i < 3; ++i) {
    sliderBoxes_[i]->setToolTip(sliderTips[i]);
    sliderBoxes_[i]->setAccessibleName(names[i]);
    edits_[i]->setToolTip(tr("%1 の値を数字で入力（Enter かフォーカス移動で確定）").arg(names[i]));
    edits_[i]->setAccessibleName(tr("%1 の値").arg(names[i]));
    sliderBoxes_[i]->accessibleRole = QAccessible::Slider;
    QLineEdit* edit = edits_[i];
    sliderBoxes_[i]->onValue = [edit] { return edit->text().toDouble(); };
    sliderBoxes_[i]->valueMaximum = i == 0 ? 360 : 100;
  }
  lowerPanelBox_->setToolTip(
      tr("トーン表（ベースの段を選んでいるとき）: v ビビッド、b ブライト、s ストロング、dp ディープ、lt ライト、"
         "sf ソフト、d ダル、dk ダーク、p ペール、ltg ライトグレイッシュ、g グレイッシュ、dkg ダークグレイッシュ。\n"
         "クリック: 選択中のスロットをそのトーンにする　右クリック: トーンフィルターに入れる／外す（灰色は外れたトーン）\n"
         "他の段では混色の面: クリックかドラッグで彩度（横）と明度（縦）を選ぶ"));
  lowerPanelBox_->setAccessibleName(tr("トーン表"));
  const auto toneName = [](int t) {
    return tr("%1: %2").arg(QString::fromUtf8(ToneWords(t).abbreviation), UserText(ToneWords(t).name));
  };
  const auto toneFiltered = [this](int t) { return (Model().ToneFilter() >> t & 1u) != 0; };
  lowerPanelBox_->onToolTip = [this, toneName, toneFiltered](int x, int y) {
    if (Model().selectedShade != kBase) return QString();
    const int t = ToneCellAt(toneCells_, x, y);
    if (t < 0) return QString();
    return tr("%1 — %2\n%3")
        .arg(toneName(t), UserText(ToneWords(t).impression),
             toneFiltered(t) ? tr("トーンフィルターに入っている（右クリックで外す）")
                             : tr("トーンフィルターから外れている（右クリックで入れる）"));
  };
  lowerPanelBox_->accessibleRole = QAccessible::List;
  lowerPanelBox_->setFocusPolicy(Qt::StrongFocus);
  // Enter or Space on a tone is its click, Shift+Enter its right-click.
  lowerPanelBox_->onActivate = [this](int t, Qt::KeyboardModifiers modifiers) {
    const TToneCell& r = toneCells_[static_cast<std::size_t>(t)];
    const Qt::MouseButton button = modifiers & Qt::ShiftModifier ? Qt::RightButton : Qt::LeftButton;
    PaintBox6MouseDown(TMouseInput{button, button, {}, (r.left + r.right) / 2, (r.top + r.bottom) / 2});
  };
  lowerPanelBox_->onParts = [this, toneName, toneFiltered] {
    std::vector<TPaintBoxPart> parts;
    if (Model().selectedShade != kBase) return parts;
    for (int t = 0; t < kChromaticToneCount; ++t) {
      const TToneCell& r = toneCells_[static_cast<std::size_t>(t)];
      parts.push_back({QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), toneName(t),
                       toneFiltered(t) ? tr("トーンフィルターに入っている（右クリックで外す）")
                                       : tr("トーンフィルターから外れている（右クリックで入れる）"),
                       false});
    }
    return parts;
  };
}

// Deleted with the main window, after its model: nothing of the model here.
TColorForm::~TColorForm() = default;

TCoordinationModel& TColorForm::Model() const { return Main().Model(); }

void TColorForm::StopPreviewTimer() { timer_->stop(); }

void TColorForm::StartPreviewTimer() { timer_->start(); }

void TColorForm::showEvent(QShowEvent* event) {
  TToolForm::showEvent(event);
  // Nothing is drawn while hidden: catch up with the model.
  RefreshPicker();
}

void TColorForm::hideEvent(QHideEvent* event) {
  TToolForm::hideEvent(event);
  EndLostDrags();
}

void TColorForm::EndLostDrags() {
  const bool dragging = lowerPanelDragging_ || activeSlider_ != -1;
  lowerPanelDragging_ = false;
  if (activeSlider_ != -1) {
    activeSlider_ = -1;
    if (!Model().Busy()) Model().RefreshSelectedSlot();
  }
  if (dragging) Model().EndGesture();
}

void TColorForm::EndTypingGesture() {
  if (!typingGesture_) return;
  typingGesture_ = false;
  Model().EndGesture();
  // Once committed, the fields show what is kept (a hue offset typed past
  // 180 as 180), as an undo and redo of the same step would.
  DrawSliders();
}

bool TColorForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched != this) {
    // The combo and the edits hold the focus; the screen-colour keys must
    // still work from there.
    if (Main().HandleShortcutKey(this, *static_cast<QKeyEvent*>(event))) return true;
  }
  return TToolForm::eventFilter(watched, event);
}

// ---------------------------------------------------------------- drawing

void TColorForm::RefreshPicker() {
  if (!isVisible() || Model().Busy()) return;
  DrawShadeStrip();
  DrawSliders();
  DrawTonePanel();
  if (TInfoForm* info = Main().Windows().info) info->UpdateInfo();
  previewDirty_ = true;
}

void TColorForm::DrawShadeStrip() {
  TCoordinationModel& model = Model();
  const int slot = model.selectedSlot;
  if (slot < 0 || slot >= kSlotCount) return;
  for (int i = 0; i < kShadeCount; ++i) {
    const TColor colour = model.SlotAt(slot).shades[static_cast<std::size_t>(i)].Color;
    const int y = kShadeCell * i;
    FillRect(shadeStrip_, 0, y, kShadeCell, kShadeCell, colour);
    FillRect(shadeStrip_, 0, y - 1, kShadeCell, 1, kBlack);
    const QString abbreviation = QString::fromUtf8(ToneWords(model.ShadeToneClass(i)).abbreviation);
    const TColor text = WantsWhiteText(colour) ? kWhite : kBlack;
    if (i == model.selectedShade) {
      DrawText(shadeStrip_, 5, y + 4, abbreviation, text, kStripTextSize);
      FrameRect(shadeStrip_, 0, y, kShadeCell, kShadeCell, 2, kBlack);
      FrameRect(shadeStrip_, 0, y, kShadeCell, kShadeCell, 3, kBlack);
    } else {
      DrawText(shadeStrip_, 3, y + 2, abbreviation, text, kStripTextSize);
    }
  }
  FrameRect(shadeStrip_, 0, 0, shadeStrip_.width, shadeStrip_.height, 0, kBlack);
  shadeStripBox_->update();
}

void TColorForm::DrawSliders() {
  if (!isVisible() || Model().Busy()) return;
  TCoordinationModel& model = Model();
  if (model.selectedSlot < 0 || model.selectedSlot >= kSlotCount) return;
  const TColorF p = model.SelectedShadeParams();
  const bool base = model.selectedShade == kBase;
  model.BuildPickerStrips(hueStrip_, saturationStrip_, valueStrip_);

  const auto band = [this](TSurface& slider, const TSurface& strip, int pointer) {
    StretchCopy(slider, kBand, strip, QRect(0, 0, strip.width, 1));
    FrameRect(slider, kBand.x(), kBand.y(), kBand.width(), kBand.height(), 0, kGrey);
    DrawImage(slider, pointer, kPointerTop, sliderPointer_);
  };
  TSurface& hue = sliders_[kHueSlider];
  FillAll(hue, kToolBackground);
  if (HueFollowsRule(model.Scheme().ruleIndex, model.selectedSlot, model.selectedShade)) {
    DrawText(hue, 4, 4, QStringLiteral("(auto)"), kBlack, kStripTextSize);
  } else {
    band(hue, hueStrip_, HuePointer(p.h(), base));
  }
  FillAll(sliders_[kSaturationSlider], kToolBackground);
  band(sliders_[kSaturationSlider], saturationStrip_, LevelPointer(p.s()));
  FillAll(sliders_[kValueSlider], kToolBackground);
  band(sliders_[kValueSlider], valueStrip_, LevelPointer(p.v()));
  for (TPaintBox* box : sliderBoxes_) box->update();

  // An edit being typed into keeps the user's text.
  if (!typing_) {
    editUpdate_ = true;
    const std::array<int, 3> numbers = EditNumbers(p);
    for (std::size_t i = 0; i < 3; ++i) edits_[i]->setText(QString::number(numbers[i]));
    editUpdate_ = false;
  }
}

void TColorForm::DrawTonePanel() {
  if (!isVisible() || Model().Busy()) return;
  TCoordinationModel& model = Model();
  if (model.selectedSlot < 0 || model.selectedSlot >= kSlotCount) return;
  FillAll(lowerPanel_, kToolBackground);
  const TColorSlot& slot = model.SlotAt(model.selectedSlot);
  if (model.selectedShade == kBase) {
    const std::uint32_t mask = model.ToneFilter();
    for (int t = 0; t < kChromaticToneCount; ++t) {
      const TToneCell& r = toneCells_[static_cast<std::size_t>(t)];
      const TColor fill = (mask >> t & 1u) ? model.ToneColorAtSelectedHue(t) : kGrey;
      FillRect(lowerPanel_, r.left, r.top, r.right - r.left, r.bottom - r.top, fill);
      DrawText(lowerPanel_, r.left + 2, r.top + 2, QString::fromUtf8(ToneWords(t).abbreviation),
               WantsWhiteText(fill) ? kWhite : kBlack, kToneTextSize);
    }
  } else {
    DrawMixingField(lowerPanel_, slot, model.selectedShade);
    const TColorF& p = model.SelectedShadeParams();
    const int x = Trunc(static_cast<TExtended>(p.s()) * lowerPanel_.width);
    const int y = Trunc((1.0_x - p.v()) * lowerPanel_.height);
    DrawInvertingCross(lowerPanel_, x, y);
  }
  FrameRect(lowerPanel_, 0, 0, lowerPanel_.width, lowerPanel_.height, 0, kBlack);
  lowerPanelBox_->update();
}

void TColorForm::Timer1Timer() {
  if (Model().Busy() || !previewDirty_) return;
  previewDirty_ = false;
  DrawPreview();
}

void TColorForm::DrawPreview() {
  TCoordinationModel& model = Model();
  if (model.Busy() || !isVisible() || model.selectedSlot < 0 || model.selectedSlot >= kSlotCount) return;
  DrawShadedPreview(preview_, model.SlotAt(model.selectedSlot), shadingMask_, glossMask_);
  previewBox_->update();
}

// ---------------------------------------------------------------- shade strip

void TColorForm::PaintBox2MouseDown(const TMouseInput& input) {
  if (Model().Busy()) return;
  const int shade = input.y / kShadeCell;
  if (input.y >= 0 && shade < kShadeCount) Model().SelectShade(shade);
}

// ---------------------------------------------------------------- sliders and edits

void TColorForm::PaintBox3MouseDown(int slider, const TMouseInput& input) {
  if (Model().Busy()) return;
  Model().BeginGesture();
  activeSlider_ = slider;
  PaintBox3MouseMove(slider, input);
}

void TColorForm::PaintBox3MouseMove(int slider, const TMouseInput& input) {
  if (Model().Busy()) return;
  // A move with no button held means the release went elsewhere.
  if (activeSlider_ == slider && input.buttons == Qt::NoButton) {
    EndLostDrags();
    return;
  }
  SliderMove(slider, input.x);
}

void TColorForm::PaintBox3MouseUp(int, const TMouseInput&) {
  if (Model().Busy()) return;
  activeSlider_ = -1;
  Model().RefreshSelectedSlot();
  Model().EndGesture();
}

void TColorForm::SliderMove(int slider, int x) {
  TCoordinationModel& model = Model();
  if (model.Busy() || slider != activeSlider_) return;
  if (model.selectedSlot < 0 || model.selectedSlot >= kSlotCount) return;
  ApplySliderFraction(model, slider, SliderFraction(x));
  if (!fieldDrag_) model.Redraw(TCoordinationModel::kRedrawSelected);
}

void TColorForm::Edit1Change(int slider) {
  TCoordinationModel& model = Model();
  if (model.Busy() || editUpdate_ || model.selectedSlot < 0 || model.selectedSlot >= kSlotCount) return;
  // A drag elsewhere may have ended the typing's step: the next key begins another.
  if (!typingGesture_ || !model.InGesture()) {
    model.BeginGesture();
    typingGesture_ = true;
  }
  typing_ = true;
  // Kept as typed; the slider's pointer shows the nearest step.
  const int n = EditNumber(edits_[static_cast<std::size_t>(slider)]->text().toStdString());
  ApplyTypedNumber(model, slider, n);
  model.Redraw(TCoordinationModel::kRedrawSelected);
  typing_ = false;
}

// ---------------------------------------------------------------- lower panel

void TColorForm::PaintBox6MouseDown(const TMouseInput& input) {
  TCoordinationModel& model = Model();
  if (model.Busy() || model.selectedSlot < 0 || model.selectedSlot >= kSlotCount) return;
  if (model.selectedShade != kBase) {
    model.BeginGesture();
    lowerPanelDragging_ = true;
    PaintBox6MouseMove(input);
    return;
  }
  const int t = ToneCellAt(toneCells_, input.x, input.y);
  if (t < 0) return;
  if (input.button == Qt::RightButton) {
    // The filter no longer matches a preset: the combo says so, without
    // choosing that preset's own mask.
    if (combo_->currentIndex() != kCustomPreset) combo_->setCurrentIndex(kCustomPreset);
    // Every rule slot moves with the filter, whichever slot is selected, so
    // all of them are redrawn.
    model.SetToneFilter(model.ToneFilter() ^ (1u << t));
    combo_->update();
  } else {
    model.ApplyToneToSelectedSlot(t);
  }
}

void TColorForm::PaintBox6MouseMove(const TMouseInput& input) {
  TCoordinationModel& model = Model();
  if (!lowerPanelDragging_ || model.Busy()) return;
  if (input.buttons == Qt::NoButton) {
    EndLostDrags();
    return;
  }
  const float s = static_cast<float>(input.x) / static_cast<float>(lowerPanel_.width);
  const float v = 1.0f - static_cast<float>(input.y) / static_cast<float>(lowerPanel_.height);
  fieldDrag_ = true;
  activeSlider_ = kSaturationSlider;
  SliderMove(kSaturationSlider, Trunc(static_cast<TExtended>(s) * 128.0_x + 4.0_x));
  activeSlider_ = kValueSlider;
  SliderMove(kValueSlider, Trunc(static_cast<TExtended>(v) * 128.0_x + 4.0_x));
  activeSlider_ = -1;
  fieldDrag_ = false;
  model.Redraw(TCoordinationModel::kRedrawSelected);
}

void TColorForm::PaintBox6MouseUp(const TMouseInput&) {
  if (!lowerPanelDragging_) return;
  lowerPanelDragging_ = false;
  Model().EndGesture();
}

// ---------------------------------------------------------------- presets

void TColorForm::ShowToneFilterPreset() {
  // The preset on show stays while its filter is the model's; otherwise the
  // first preset with that filter, or the custom one.
  const std::uint32_t filter = Model().ToneFilter();
  int index = combo_->currentIndex();
  if (PresetToneFilter(index) != filter) {
    index = kCustomPreset;
    for (int i = 0; i < kCustomPreset; ++i) {
      if (PresetToneFilter(i) == filter) {
        index = i;
        break;
      }
    }
  }
  presetIndex_ = index;
  if (combo_->currentIndex() != index) combo_->setCurrentIndex(index);
}

void TColorForm::ComboBox1Change() {
  if (Model().Busy() || creating_) return;
  presetIndex_ = combo_->currentIndex();
  Model().SetToneFilter(PresetToneFilter(presetIndex_));
}

}  // namespace tintloom
