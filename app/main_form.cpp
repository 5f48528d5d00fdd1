#include "app/main_form.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "app/data_files.h"
#include "app/paint_box.h"
#include "app/surface_view.h"
#include "artwork/blend_table.h"
#include "core/bmp_file.h"

namespace tintloom {

namespace {

constexpr int kClientWidth = 600;
constexpr int kClientHeight = 625;
constexpr int kTitleHeight = 25;
constexpr TColor kMainBackground = 0xBFBFBF;

// The title strip of every window: twelve rows of dark grey, black at the bottom, stretched.
QPixmap TitlePicture() {
  static const int greys[12] = {0x5C, 0x59, 0x54, 0x53, 0x50, 0x4D, 0x4A, 0x47, 0x44, 0x42, 0x3E, 0x00};
  QImage image(1, 12, QImage::Format_RGB32);
  for (int y = 0; y < 12; ++y) image.setPixel(0, y, qRgb(greys[y], greys[y], greys[y]));
  return QPixmap::fromImage(image);
}

}  // namespace

TMainForm::TMainForm(TMessageSink& messages, const std::string& programDir)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), model_(*this, messages) {
  setObjectName("MainForm");
  setWindowTitle("Tintloom");
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, ToQColor(kMainBackground));
  setPalette(pal);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  MainMenu1 = new QMenuBar(this);
  MainMenu1->setObjectName("MainMenu1");
  layout->setMenuBar(MainMenu1);
  client_ = new QWidget(this);
  client_->setObjectName("ClientArea");
  client_->setFixedSize(kClientWidth, kClientHeight);
  layout->addWidget(client_);

  Image1 = new QLabel(client_);
  Image1->setObjectName("Image1");
  Image1->setGeometry(0, 0, kClientWidth, kTitleHeight);
  Image1->setScaledContents(true);
  Image1->setPixmap(TitlePicture());

  Label1 = new QLabel("Tintloom", client_);
  Label1->setObjectName("Label1");
  QFont captionFont("Tahoma");
  captionFont.setPixelSize(11);
  Label1->setFont(captionFont);
  Label1->setStyleSheet("color: white; background: transparent;");
  Label1->move(8, 6);
  Label1->resize(400, 14);

  const auto titleButton = [this](const char* name, const char* text, int x, int y) {
    auto* button = new QToolButton(client_);
    button->setObjectName(name);
    button->setText(QString::fromUtf8(text));
    button->setAutoRaise(true);
    button->setGeometry(x, y, 23, 22);
    button->setStyleSheet("QToolButton { color: white; background: transparent; border: none; }"
                          "QToolButton:hover { background: rgba(255,255,255,40); }");
    return button;
  };
  SpeedButton2 = titleButton("SpeedButton2", "_", 553, 0);
  SpeedButton1 = titleButton("SpeedButton1", "×", 574, 1);
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { close(); });
  connect(SpeedButton2, &QToolButton::clicked, this, [this] { showMinimized(); });

  PaintBox1 = new TPaintBox(client_, 0, kTitleHeight, kCanvasSize, kCanvasSize);
  PaintBox1->setObjectName("PaintBox1");
  PaintBox1->onPaint = [this](QPainter& painter) { PaintBox1Paint(painter); };

  BuildMenu();
  setFixedSize(sizeHint());

  // Start-up: tone data, blend table, then the skin (without which no window can be drawn).
  model_.toneData.LoadToneData(LocateDataFile(kToneDataFileName, programDir), messages);
  GlobalBlendTable().LoadBlendTable(LocateDataFile(kBlendFileName, programDir), messages);
  std::string error;
  if (!LoadBmpFile(LocateDataFile("skin.bmp", programDir), model_.skinSurface, error)) {
    throw std::runtime_error("Cannot load the skin bitmap: " + error);
  }
  if (model_.skinSurface.width < 447 || model_.skinSurface.height < 171) {
    throw std::runtime_error("The skin bitmap skin.bmp is smaller than 447 x 171 pixels.");
  }
}

TMainForm::~TMainForm() {
  GlobalBlendTable().FreeBlendTable();
  model_.toneData.Release();
}

void TMainForm::BuildMenu() {
  const auto item = [](QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(name);
    return action;
  };
  QMenu* file = MainMenu1->addMenu(QString::fromUtf8("ファイル(&F)"));
  file->setObjectName("F1");
  item(file, "N1", "開く(&O)...")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  item(file, "S1", "名前を付けて保存(&S)...")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  file->addSeparator()->setObjectName("N14");
  item(file, "PSD1", "見本用PSDファイルを開く...");
  file->addSeparator()->setObjectName("N2");
  connect(item(file, "X1", "終了(&X)"), &QAction::triggered, this, [this] { X1Click(); });

  QMenu* edit = MainMenu1->addMenu(QString::fromUtf8("編集(&E)"));
  edit->setObjectName("E1");
  item(edit, "C1", "キャンバスをコピー(&C)");

  QMenu* view = MainMenu1->addMenu(QString::fromUtf8("表示(&V)"));
  view->setObjectName("V1");
  struct ViewItem {
    const char* name;
    const char* caption;
    int tag;
  };
  for (const ViewItem& v : {ViewItem{"N3", "配色(&R)", 0}, ViewItem{"N4", "カラー(&C)", 1},
                            ViewItem{"L1", "レイヤー(&L)", 3}, ViewItem{"N5", "ライトバランス(&G)", 2},
                            ViewItem{"S2", "スウォッチ(&S)", 4}, ViewItem{"N13", "情報(&I)", 5}}) {
    QAction* action = item(view, v.name, v.caption);
    action->setCheckable(true);
    action->setData(v.tag);
  }
  view->addSeparator()->setObjectName("N6");
  QMenu* background = view->addMenu(QString::fromUtf8("背景色"));
  background->setObjectName("N7");
  backgroundGroup_ = new QActionGroup(this);
  backgroundGroup_->setExclusive(true);
  const char* names[5] = {"N8", "N9", "N10", "N11", "N12"};
  const char* captions[5] = {"格子模様", "白", "グレー", "黒", "アンビエントカラー"};
  for (int tag = 0; tag < 5; ++tag) {
    QAction* action = item(background, names[tag], captions[tag]);
    action->setCheckable(true);
    action->setData(tag);
    action->setChecked(tag == 0);
    backgroundGroup_->addAction(action);
    connect(action, &QAction::triggered, this, [this, action] { N8Click(action); });
  }
}

void TMainForm::N8Click(QAction* item) {
  item->setChecked(true);
  model_.SetBackgroundMode(static_cast<BackgroundMode>(item->data().toInt()));
}

void TMainForm::X1Click() { close(); }

void TMainForm::PaintBox1Paint(QPainter& painter) {
  // A repaint the model asked for shows what it just composed; any other
  // (exposure, first show) composes afresh.
  if (!canvasFresh_ && !model_.busy) model_.ComposeCanvas();
  canvasFresh_ = false;
  painter.drawImage(0, 0, SurfaceImage(std::as_const(model_.canvasSurface)));
}

void TMainForm::ShowCanvas() {
  // Inside the paint handler the freshly composed surface is drawn right after;
  // otherwise ask for a repaint, which shows the surface as it now is.
  if (PaintBox1->Painting()) return;
  canvasFresh_ = true;
  PaintBox1->update();
}

void TMainForm::SetTitleText(const std::string& text) { Label1->setText(QString::fromStdString(text)); }

}  // namespace tintloom
