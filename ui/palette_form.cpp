#include "ui/palette_form.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <cmath>

#include "core/document/coordination_model.h"
#include "ui/main_form.h"
#include "ui/paint_box.h"
#include "ui/surface_view.h"

namespace tintloom {

namespace {

constexpr int kClientWidth = 262;
constexpr int kClientHeight = 264;

// One slider row: its form number, value label, what it sets, range and start.
struct TSliderRow {
  int number;
  const char* labelName;
  const char* rowCaption;
  int maximum;
  int start;
  bool hue;
  int y;
};
// Hue sliders end at 369: positions 360..369 are hues 0..9 after the
// conversion's wrap-around.
constexpr TSliderRow kRows[] = {
    {1, "Label4", "H:", 369, 0, true, 52},    {4, "Label8", "S:", 100, 0, false, 74},
    {3, "Label7", "V:", 100, 100, false, 96}, {2, "Label9", "H:", 369, 0, true, 146},
    {6, "Label13", "S:", 100, 0, false, 168}, {5, "Label12", "V:", 100, 100, false, 190},
};


QWidget* MakeSwatch(QWidget* parent, const char* name, int x, int y) {
  auto* swatch = new QWidget(parent);
  swatch->setObjectName(name);
  swatch->setGeometry(x, y, 24, 24);
  swatch->setAutoFillBackground(true);
  QPalette pal = swatch->palette();
  pal.setColor(QPalette::Window, Qt::white);
  swatch->setPalette(pal);
  return swatch;
}

void SetSwatchColour(QWidget* swatch, TColor colour) {
  QPalette pal = swatch->palette();
  pal.setColor(QPalette::Window, ToQColor(colour));
  swatch->setPalette(pal);
}

// Percent to a fraction as the program stores it: a 32-bit float.
float Fraction(int percent) { return static_cast<float>(percent * 0.01_x); }

}  // namespace

TPaletteForm::TPaletteForm(TMainForm& main)
    : TToolForm(main, "PaletteForm", tr("ライトバランス"), kClientWidth, kClientHeight) {
  QWidget* panel = ContentPanel();
  enableBox_ = new QCheckBox(tr("有効にする"), panel);
  enableBox_->setObjectName("CheckBox1");
  enableBox_->move(8, 4);
  enableBox_->adjustSize();
  connect(enableBox_, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });

  QLabel* ambientHeading = MakeToolLabel(panel, "Label1", tr("アンビエント"), 8, 28);
  ambientSwatch_ = MakeSwatch(panel, "Panel2", 230, 24);
  QLabel* lightHeading = MakeToolLabel(panel, "LightHeading", tr("ライト"), 8, 122);
  lightSwatch_ = MakeSwatch(panel, "Panel3", 230, 118);
  RouteDragEvents(ambientHeading);
  RouteDragEvents(lightHeading);

  for (const TSliderRow& row : kRows) {
    RouteDragEvents(MakeToolLabel(panel, "", QString::fromUtf8(row.rowCaption), 14, row.y + 2));
    auto* slider = new QSlider(Qt::Horizontal, panel);
    slider->setObjectName(QString("TrackBar%1").arg(row.number));
    slider->setRange(0, row.maximum);
    slider->setValue(row.start);
    slider->setGeometry(32, row.y, 150, 20);
    slider->installEventFilter(this);
    sliders_[static_cast<std::size_t>(row.number - 1)] = slider;
    QLabel* value = MakeToolLabel(panel, row.labelName,
                              QString::number(row.start) + QString::fromUtf8(row.hue ? "°" : "%"), 188, row.y + 2);
    value->setFixedWidth(38);
    RouteDragEvents(value);
    valueLabels_[static_cast<std::size_t>(row.number - 1)] = value;
    connect(slider, &QSlider::valueChanged, this, [this] { TrackBar1Change(); });
    // A slider dragged by its knob is one step; a key or a click beside the
    // knob is a step of its own.
    connect(slider, &QSlider::sliderPressed, this, [this] { Model().BeginGesture(); });
    connect(slider, &QSlider::sliderReleased, this, [this] { Model().EndGesture(); });
  }

  ignoreShadesBox_ = new QCheckBox(tr("カラー設定を無視する"), panel);
  ignoreShadesBox_->setObjectName("CheckBox2");
  ignoreShadesBox_->move(8, 218);
  ignoreShadesBox_->adjustSize();
  connect(ignoreShadesBox_, &QCheckBox::clicked, this, [this] { CheckBox2Click(); });
  ExplainControls();
}

void TPaletteForm::ExplainControls() {
  CloseButton()->setToolTip(tr("ライトバランスウィンドウを閉じる（表示メニューでまた開けます）"));
  enableBox_->setToolTip(tr("入れると、スロットの色すべてをアンビエント（環境光）とライト（光源）の色で染める"));
  ignoreShadesBox_->setToolTip(tr("入れると、スロットのハイライトと影の色の代わりに、ライトとアンビエントの色だけで明暗を付ける"));
  const auto swatchText = [](const QString& what, const QWidget* swatch) {
    return tr("%1の色 %2").arg(what, swatch->palette().color(QPalette::Window).name().toUpper());
  };
  SetLiveToolTip(ambientSwatch_, [this, swatchText] { return swatchText(tr("アンビエント（影に差す環境光）"), ambientSwatch_); });
  SetLiveToolTip(lightSwatch_, [this, swatchText] { return swatchText(tr("ライト（光源）"), lightSwatch_); });
  ambientSwatch_->setAccessibleName(tr("アンビエントの色"));
  lightSwatch_->setAccessibleName(tr("ライトの色"));
  // The sliders in the order of the rows: ambient H, S, V, then light H, S, V.
  const QString parts[3] = {tr("色相 H（0〜360°）"), tr("彩度 S（0〜100%）"), tr("明度 V（0〜100%）")};
  const QString lights[2] = {tr("アンビエント"), tr("ライト")};
  for (std::size_t r = 0; r < std::size(kRows); ++r) {
    QSlider* slider = sliders_[static_cast<std::size_t>(kRows[r].number - 1)];
    const QString name = tr("%1の%2").arg(lights[r / 3], parts[r % 3]);
    slider->setToolTip(tr("%1: ドラッグか矢印キーで変える").arg(name));
    slider->setAccessibleName(name);
  }
}

// Deleted with the main window, after the model: the controls deleted after
// this body must not reach the handlers.
TPaletteForm::~TPaletteForm() {
  for (QSlider* slider : sliders_) slider->disconnect(this);
  enableBox_->disconnect(this);
  ignoreShadesBox_->disconnect(this);
}

TCoordinationModel& TPaletteForm::Model() const { return Main().Model(); }

QSlider* TPaletteForm::TrackBar(int number) const {
  return number >= 1 && number <= 6 ? sliders_[static_cast<std::size_t>(number - 1)] : nullptr;
}

QLabel* TPaletteForm::ValueLabel(int trackBarNumber) const {
  return trackBarNumber >= 1 && trackBarNumber <= 6 ? valueLabels_[static_cast<std::size_t>(trackBarNumber - 1)]
                                                    : nullptr;
}

bool TPaletteForm::eventFilter(QObject* watched, QEvent* event) {
  // The sliders keep the focus; the screen-colour keys still work from them.
  if (event->type() == QEvent::KeyPress && watched->inherits("QSlider")) {
    if (Main().HandleShortcutKey(this, *static_cast<QKeyEvent*>(event))) return true;
  }
  return TToolForm::eventFilter(watched, event);
}

void TPaletteForm::hideEvent(QHideEvent* event) {
  TToolForm::hideEvent(event);
  // A slider dragged when the window went has no release to come: letting
  // it go reports the release, which ends the step.
  for (QSlider* slider : sliders_) {
    if (slider->isSliderDown()) slider->setSliderDown(false);
  }
}

void TPaletteForm::TrackBar1Change() {
  if (Model().Busy()) return;
  const TColorF ambient(static_cast<float>(TrackBar(1)->value()), Fraction(TrackBar(4)->value()),
                        Fraction(TrackBar(3)->value()));
  const TColorF light(static_cast<float>(TrackBar(2)->value()), Fraction(TrackBar(6)->value()),
                      Fraction(TrackBar(5)->value()));
  ShowSliderColours(ambient, light);
  Model().SetLightColors(ambient, light);
}

void TPaletteForm::ShowSliderColours(const TColorF& ambient, const TColorF& light) {
  for (const TSliderRow& row : kRows) {
    valueLabels_[static_cast<std::size_t>(row.number - 1)]->setText(
        QString::number(TrackBar(row.number)->value()) + QString::fromUtf8(row.hue ? "°" : "%"));
  }
  SetSwatchColour(ambientSwatch_, HsvToColor(ambient.h(), ambient.s(), ambient.v()));
  SetSwatchColour(lightSwatch_, HsvToColor(light.h(), light.s(), light.v()));
}

void TPaletteForm::ShowModelState() {
  const TCoordinationModel& model = Model();
  enableBox_->setChecked(model.LightBalanceEnabled());
  ignoreShadesBox_->setChecked(model.IgnoresShadeSettings());
  // The colours came from these sliders, so they sit on whole steps.
  const auto percent = [](float fraction) { return static_cast<int>(std::lround(fraction * 100.0f)); };
  const TColorF& ambient = model.AmbientColour();
  const TColorF& light = model.LightColour();
  const int values[6] = {static_cast<int>(std::lround(ambient.h())), static_cast<int>(std::lround(light.h())),
                         percent(ambient.v()), percent(ambient.s()), percent(light.v()), percent(light.s())};
  for (int i = 0; i < 6; ++i) {
    // Moving a slider here is no edit: the model already holds its value.
    const QSignalBlocker quiet(sliders_[static_cast<std::size_t>(i)]);
    sliders_[static_cast<std::size_t>(i)]->setValue(values[i]);
  }
  ShowSliderColours(ambient, light);
}

void TPaletteForm::CheckBox1Click() {
  if (Model().Busy()) return;
  Model().SetLightBalanceEnabled(enableBox_->isChecked());
}

void TPaletteForm::CheckBox2Click() {
  Model().SetIgnoreShadeSettings(ignoreShadesBox_->isChecked());
  TrackBar1Change();
}

}  // namespace tintloom
