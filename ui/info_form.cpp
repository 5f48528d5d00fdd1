#include "ui/info_form.h"

#include <algorithm>

#include <QClipboard>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "core/document/coordination_model.h"
#include "core/palette/tone_vocabulary.h"
#include "ui/main_form.h"
#include "ui/paint_box.h"
#include "ui/surface_view.h"
#include "ui/translation.h"

namespace tintloom {

namespace {

constexpr int kTextSize = 12;
constexpr int kMeaningsSize = 13;
constexpr int kSmallestMeaningsSize = 10;

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop, int pixelSize = kTextSize) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  QFont font = label->font();
  font.setPixelSize(pixelSize);
  label->setFont(font);
  label->setAlignment(alignment);
  label->setGeometry(geometry);
  return label;
}

QFrame* MakeSwatch(QWidget* parent, const char* name, int x, int y) {
  auto* frame = new QFrame(parent);
  frame->setObjectName(name);
  frame->setFrameStyle(QFrame::Box | QFrame::Plain);
  frame->setLineWidth(1);
  frame->setAutoFillBackground(true);
  frame->setGeometry(x, y, 41, 41);
  return frame;
}

void SetSwatchColour(QFrame* frame, TColor colour) {
  QPalette pal = frame->palette();
  pal.setColor(QPalette::Window, ToQColor(colour));
  frame->setPalette(pal);
}

}  // namespace

QString ToneHeading(int tone) {
  if (tone < 0 || tone >= kToneCount) return {};
  const TToneWords& words = ToneWords(tone);
  return UserText(words.name) + " [" + words.abbreviation + "]";
}

QString FamilyHeading(int family) {
  return UserText(TL_TEXT("tintloom", "[%1]色系が象徴するもの:")).arg(UserText(HueFamily(family).name));
}

TInfoForm::TInfoForm(TMainForm& main) : TToolForm(main, "InfoForm", tr("情報"), 262, 246) {
  QWidget* panel = ContentPanel();
  const auto passive = [this](QLabel* label) {
    RouteDragEvents(label);
    return label;
  };
  passive(MakeLabel(panel, "Label9", tr("カラーとトーンカラー"), QRect(10, 5, 200, 15)));
  // The colour lies over the tone colour, overlapping it by 18 pixels each way.
  tonePanel_ = MakeSwatch(panel, "Panel3", 45, 45);
  colourPanel_ = MakeSwatch(panel, "Panel2", 22, 24);
  const Qt::Alignment right = Qt::AlignRight | Qt::AlignTop;
  passive(MakeLabel(panel, "Label1", "R:", QRect(112, 24, 16, 15)));
  passive(MakeLabel(panel, "Label2", "G:", QRect(112, 40, 16, 15)));
  passive(MakeLabel(panel, "Label3", "B:", QRect(112, 57, 16, 15)));
  red_ = passive(MakeLabel(panel, "Label4", "255", QRect(129, 24, 25, 15), right));
  green_ = passive(MakeLabel(panel, "Label5", "255", QRect(129, 40, 25, 15), right));
  blue_ = passive(MakeLabel(panel, "Label6", "255", QRect(129, 57, 25, 15), right));
  // The caption in the smaller size, as wide as its text in the font the
  // language gives it; the code starts clear of it and has room up to the
  // button's right edge.
  QLabel* hexCaption =
      passive(MakeLabel(panel, "Label7", "HEX Code:", QRect(112, 76, 56, 15), Qt::AlignLeft | Qt::AlignTop, 11));
  hexCaption->resize(std::max(hexCaption->width(), hexCaption->sizeHint().width()), hexCaption->height());
  const int codeLeft = std::max(172, hexCaption->x() + hexCaption->width() + 2);
  hexCode_ = passive(MakeLabel(panel, "Label8", "#FFFFFF", QRect(codeLeft, 76, 249 - codeLeft, 15)));
  copyButton_ = new QPushButton(QStringLiteral("Copy"), panel);
  copyButton_->setObjectName("Button1");
  copyButton_->setGeometry(169, 24, 80, 46);
  copyButton_->setFocusPolicy(Qt::ClickFocus);
  copyButton_->installEventFilter(this);
  connect(copyButton_, &QPushButton::clicked, this, [this] { Button1Click(); });

  auto* line = new QFrame(panel);
  line->setObjectName("Bevel1");
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(8, 97, 246, 3);

  toneName_ = passive(MakeLabel(panel, "Label10", "", QRect(12, 114, 245, 15)));
  // Impression words run to two lines at most, above the family heading.
  toneWords_ = passive(MakeLabel(panel, "Label11", "", QRect(12, 131, 245, 30)));
  toneWords_->setWordWrap(true);
  familyHeading_ = passive(MakeLabel(panel, "Label12", "", QRect(12, 162, 245, 15)));
  familyMeanings_ = passive(MakeLabel(panel, "Label13", "", QRect(12, 180, 237, 39), Qt::AlignLeft | Qt::AlignTop, kMeaningsSize));
  familyMeanings_->setWordWrap(true);
  QFont tahoma = familyMeanings_->font();
  tahoma.setFamilies({QStringLiteral("Tahoma"), tahoma.family()});
  familyMeanings_->setFont(tahoma);
  ExplainControls();
}

void TInfoForm::ExplainControls() {
  CloseButton()->setToolTip(tr("情報ウィンドウを閉じる（表示メニューでまた開けます）"));
  SetLiveToolTip(copyButton_, [this] { return tr("16 進コード（%1）をクリップボードにコピーする").arg(hexCode_->text()); });
  copyButton_->setAccessibleName(tr("16 進コードをコピー"));
  SetLiveToolTip(colourPanel_, [this] {
    return tr("選択中の色 %1").arg(colourPanel_->palette().color(QPalette::Window).name().toUpper());
  });
  colourPanel_->setAccessibleName(tr("選択中の色"));
  SetLiveToolTip(tonePanel_, [this] {
    return tr("その色のトーンの代表色 %1").arg(tonePanel_->palette().color(QPalette::Window).name().toUpper());
  });
  tonePanel_->setAccessibleName(tr("トーンの代表色"));
}

void TInfoForm::ShowFamily(int family) {
  familyCache_ = family;
  familyHeading_->setText(FamilyHeading(family));
  const QString meanings = UserText(HueFamily(family).meanings);
  familyMeanings_->setText(meanings);
  // A translation may need more room than the Japanese has: a smaller size
  // rather than a cut-off last word.
  QFont font = familyMeanings_->font();
  for (int size = kMeaningsSize; size >= kSmallestMeaningsSize; --size) {
    font.setPixelSize(size);
    const QRect need = QFontMetrics(font).boundingRect(QRect(0, 0, familyMeanings_->width(), 1000),
                                                       Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, meanings);
    if (need.width() <= familyMeanings_->width() && need.height() <= familyMeanings_->height()) break;
  }
  familyMeanings_->setFont(font);
}

void TInfoForm::showEvent(QShowEvent* event) {
  TToolForm::showEvent(event);
  // Shown from the View menu: show the selected shade at once.
  UpdateInfo();
}

bool TInfoForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == copyButton_ && event->type() == QEvent::KeyPress) {
    if (Main().HandleShortcutKey(this, *static_cast<QKeyEvent*>(event))) return true;
  }
  return TToolForm::eventFilter(watched, event);
}

void TInfoForm::UpdateInfo() {
  TCoordinationModel& model = Main().Model();
  if (model.Busy() || !isVisible()) return;
  if (model.selectedSlot < 0 || model.selectedSlot >= kSlotCount || model.selectedShade < 0 ||
      model.selectedShade >= kShadeCount) {
    return;
  }
  const TColor c = model.SlotAt(model.selectedSlot).shades[static_cast<std::size_t>(model.selectedShade)].Color;
  red_->setText(QString::number(c & 0xFFu));
  green_->setText(QString::number(c >> 8 & 0xFFu));
  blue_->setText(QString::number(c >> 16 & 0xFFu));
  hexCode_->setText(QString::fromStdString(HexCodeText(c)));

  // The tone from the shade's HSV, the family from its packed colour: at a
  // boundary the two may disagree.
  const int tone = model.ShadeToneClass(model.selectedShade);
  toneName_->setText(ToneHeading(tone));
  toneWords_->setText(UserText(ToneWords(tone).impression));
  const TColorF hsv = RgbToHsv(UnpackColour(c));
  const int family = HueFamilyOf(hsv);
  if (family != familyCache_) ShowFamily(family);
  SetSwatchColour(colourPanel_, c);
  // Without tone data there is no tone: the swatch shows the window's colour.
  SetSwatchColour(tonePanel_, tone >= 0 ? ToneColorAtHue(hsv.h(), tone) : kToolBackground);
}

void TInfoForm::Button1Click() {
  if (Main().Model().Busy() || !isVisible()) return;
  QGuiApplication::clipboard()->setText(hexCode_->text());
}

}  // namespace tintloom
