#include "ui/main_form.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QDBusConnection>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <QThread>
#include <QWindow>
#include <QActionGroup>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <tuple>

#include "core/base/data_files.h"
#include "ui/swatch_form.h"
#include "ui/paint_box.h"
#include "ui/screen_colour_portal.h"
#include "ui/session_platform.h"
#include "ui/status_notice.h"
#include "ui/progress_form.h"
#include "ui/tool_form.h"
#include "ui/hue_form.h"
#include "ui/layer_form.h"
#include "ui/palette_form.h"
#include "ui/info_form.h"
#include "ui/picker_form.h"
#include "ui/surface_view.h"
#include "ui/translation.h"
#include "core/artwork/blend_table.h"
#include "ui/window_snap.h"
#include "core/colour/bmp_file.h"
#include "core/colour/skin_layout.h"

namespace tintloom {

namespace {

constexpr int kClientWidth = 600;
constexpr int kClientHeight = 625;
constexpr int kTitleHeight = 25;
constexpr TColor kMainBackground = 0xBFBFBF;

// What the user is told when the skin stops start-up, in the words of the
// other data files' messages.
constexpr const char* kSkinMissingMessage = TL_TEXT("tintloom", "skin.bmpを開けません");
constexpr const char* kSkinUnreadableMessage = TL_TEXT("tintloom", "skin.bmpを読み込めません");
constexpr const char* kSkinTooSmallMessage = TL_TEXT("tintloom", "skin.bmpが小さすぎます (447×171 ピクセル以上が必要です)");
// F1 to F4 where neither the screen nor the desktop's portal gives a colour.
constexpr const char* kScreenUnreadableMessage =
    TL_TEXT("tintloom", "この環境では画面の色を読み取れません。") "\n" TL_TEXT("tintloom", "(Wayland のセッションでは画面の読み取りが許可されていません)");

// The pixel under the pointer, read from the whole screen rather than from a
// window. Nothing in a Wayland session, whatever Qt's platform: there the
// screen cannot be read, and an X screen under XWayland shows no Wayland
// window, only black.
std::optional<TColor> ReadScreenPixelUnderPointer() {
  if (ScreenColourThroughPortal(ReadSessionEnvironment(), QGuiApplication::platformName().toStdString())) {
    return std::nullopt;
  }
  const QPoint pos = QCursor::pos();
  QScreen* screen = QGuiApplication::screenAt(pos);
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return std::nullopt;
  const QPoint local = pos - screen->geometry().topLeft();
  const QImage pixel = screen->grabWindow(0, local.x(), local.y(), 1, 1).toImage();
  if (pixel.isNull()) return std::nullopt;
  const QRgb c = pixel.pixel(0, 0);
  return static_cast<TColor>(qRed(c)) | static_cast<TColor>(qGreen(c)) << 8 | static_cast<TColor>(qBlue(c)) << 16;
}

}  // namespace

TMainForm::TMainForm(TMessageSink& messages, const std::string& programDir)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      views_(*this),
      model_(views_, messages),
      // The main window's title strip lies under its menu bar.
      dragger_(
          *this, [this] { return client_->y() + kTitleHeight; },
          [this] {
            return std::vector<QWidget*>{this, windows_.hue, windows_.picker, windows_.lightBalance, windows_.layer};
          }),
      fileCommands_(*this, model_, windows_),
      follower_(model_) {
  setObjectName("MainForm");
  setWindowTitle("Tintloom");
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, ToQColor(kMainBackground));
  setPalette(pal);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  menuBar_ = new QMenuBar(this);
  menuBar_->setObjectName("MainMenu1");
  layout->setMenuBar(menuBar_);
  client_ = new QWidget(this);
  client_->setObjectName("ClientArea");
  client_->setFixedSize(kClientWidth, kClientHeight);
  layout->addWidget(client_);

  titleImage_ = new QLabel(client_);
  titleImage_->setObjectName("Image1");
  titleImage_->setGeometry(0, 0, kClientWidth, kTitleHeight);
  titleImage_->setScaledContents(true);
  titleImage_->setPixmap(TitlePicture());

  caption_ = new QLabel("Tintloom", client_);
  caption_->setObjectName("Label1");
  QFont captionFont("Tahoma");
  captionFont.setPixelSize(11);
  caption_->setFont(captionFont);
  caption_->setStyleSheet("color: white; background: transparent;");
  caption_->move(8, 6);
  caption_->resize(400, 14);
  // Title picture and caption let presses through: the window drags itself.
  titleImage_->setAttribute(Qt::WA_TransparentForMouseEvents);
  caption_->setAttribute(Qt::WA_TransparentForMouseEvents);

  const auto titleButton = [this](const char* name, const char* text, int x, int y) {
    QToolButton* button = NewTitleButton(client_, name, QRect(x, y, 23, 22));
    button->setText(QString::fromUtf8(text));
    button->setStyleSheet("QToolButton { color: white; background: transparent; border: none; }"
                          "QToolButton:hover { background: rgba(255,255,255,40); }");
    return button;
  };
  minimiseButton_ = titleButton("SpeedButton2", "_", 553, 0);
  closeButton_ = titleButton("SpeedButton1", "×", 574, 1);
  connect(closeButton_, &QToolButton::clicked, this, [this] { close(); });
  connect(minimiseButton_, &QToolButton::clicked, this, [this] { showMinimized(); });

  canvasBox_ = new TPaintBox(client_, 0, kTitleHeight, kCanvasSize, kCanvasSize);
  canvasBox_->setObjectName("PaintBox1");
  canvasBox_->onPaint = [this](QPainter& painter) { PaintBox1Paint(painter); };
  canvasBox_->onMouseDown = [this](const TMouseInput& input) { PaintBox1MouseDown(input); };
  setAcceptDrops(true);
  // Buttonless moves too: they end a drag whose release never came.
  setMouseTracking(true);
  readScreenPixel = ReadScreenPixelUnderPointer;
  askSaveBeforeQuit = [this] {
    const std::string& document = model_.DocumentPath();
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(),
                    document.empty() ? tr("作業内容を保存しますか?")
                                     : tr("%1 への変更を保存しますか?")
                                           .arg(QFileInfo(QString::fromStdString(document)).fileName()),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setObjectName("SaveBeforeQuitBox");
    box.setInformativeText(tr("保存しないと、最後に保存してからの変更は失われます。"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    return static_cast<QMessageBox::StandardButton>(box.exec());
  };
  // For developers: the caption shows how long each redraw took.
  model_.ShowDrawingTime(!qEnvironmentVariable("TINTLOOM_DRAWING_TIME").isEmpty() &&
                         qEnvironmentVariable("TINTLOOM_DRAWING_TIME") != "0");

  notice_ = new TStatusNotice(client_, kClientHeight, kClientWidth);
  follower_.onReloaded = [this](const TArtworkReloaded& reloaded) {
    ShowReloadNews(reloaded);
    if (autosave_) autosave_->SaveNow();
  };

  BuildMenu();
  ExplainControls();
  setFixedSize(sizeHint());

  // Start-up: tone data, blend table, then the skin (without which no window can be drawn).
  // The first two are optional: say what is missing and run on without it.
  if (Result<> tones = model_.toneData.LoadToneData(LocateDataFile(kToneDataFileName, programDir)); !tones) {
    messages.ShowMessage(tones.error().message);
  }
  if (Result<> blend = GlobalBlendTable().LoadBlendTable(LocateDataFile(kBlendFileName, programDir)); !blend) {
    messages.ShowMessage(blend.error().message);
  }
  const std::string skinPath = LocateDataFile(kSkinFileName, programDir);
  Result<TSurface> skin = LoadBmpFile(skinPath);
  if (!skin) {
    std::error_code ignored;
    throw std::runtime_error(std::filesystem::is_regular_file(skinPath, ignored) ? kSkinUnreadableMessage
                                                                                  : kSkinMissingMessage);
  }
  model_.skinSurface = std::move(skin).value();
  if (model_.skinSurface.width < kSkinWidth || model_.skinSurface.height < kSkinHeight) {
    throw std::runtime_error(kSkinTooSmallMessage);
  }
}

void TMainForm::ExplainControls() {
  minimiseButton_->setToolTip(tr("最小化"));
  minimiseButton_->setAccessibleName(tr("最小化"));
  closeButton_->setToolTip(tr("Tintloom を終了する"));
  closeButton_->setAccessibleName(tr("終了"));
  menuBar_->setAccessibleName(tr("メニュー"));
  canvasBox_->setToolTip(tr("キャンバス: 配色を当てたアートワーク（開いていなければ見本）。\n"
                            "Shift+クリック: その灰色を選択中のレイヤーのベースのレベルにする\n"
                            "Shift+右クリック: その灰色を影のレベルにする\n"
                            "ファイルをドロップすると開く"));
  canvasBox_->setAccessibleName(tr("キャンバス"));
}

TMainForm::~TMainForm() {
  // A reading of the artwork's file under way still uses the blend table.
  follower_.Stop();
  GlobalBlendTable().FreeBlendTable();
  model_.toneData.Release();
}

void TMainForm::BuildMenu() {
  const auto item = [](QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(tr(caption));
    action->setObjectName(name);
    return action;
  };
  QMenu* file = menuBar_->addMenu(tr("ファイル(&F)"));
  file->setObjectName("F1");
  QAction* open = item(file, "N1", QT_TR_NOOP("開く(&O)..."));
  open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  connect(open, &QAction::triggered, this, [this] { fileCommands_.N1Click(); });
  QAction* save = item(file, "S1", QT_TR_NOOP("名前を付けて保存(&S)..."));
  save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  connect(save, &QAction::triggered, this, [this] { fileCommands_.S1Click(); });
  file->addSeparator()->setObjectName("N14");
  connect(item(file, "PSD1", QT_TR_NOOP("見本用PSDファイルを開く...")), &QAction::triggered, this, [this] { fileCommands_.PSD1Click(); });
  reloadAction_ = item(file, "R2", QT_TR_NOOP("アートワークを読み込み直す(&R)"));
  reloadAction_->setShortcut(QKeySequence(Qt::Key_F5));
  connect(reloadAction_, &QAction::triggered, this, [this] { ReloadArtworkClick(); });
  connect(file, &QMenu::aboutToShow, this, [this] { reloadAction_->setEnabled(!follower_.Path().empty()); });
  connect(item(file, "P1", QT_TR_NOOP("配色した画像を書き出す(&P)...")), &QAction::triggered, this, [this] { fileCommands_.P1Click(); });
  connect(item(file, "LP1", QT_TR_NOOP("配色したレイヤーをPSDで書き出す(&L)...")), &QAction::triggered, this, [this] { fileCommands_.LP1Click(); });
  file->addSeparator()->setObjectName("N2");
  connect(item(file, "X1", QT_TR_NOOP("終了(&X)")), &QAction::triggered, this, [this] { X1Click(); });

  QMenu* edit = menuBar_->addMenu(tr("編集(&E)"));
  edit->setObjectName("E1");
  undoAction_ = item(edit, "U1", QT_TR_NOOP("元に戻す(&U)"));
  undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  undoAction_->setEnabled(model_.CanUndo());
  connect(undoAction_, &QAction::triggered, this, [this] { UndoClick(); });
  redoAction_ = item(edit, "R1", QT_TR_NOOP("やり直し(&R)"));
  redoAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  redoAction_->setEnabled(model_.CanRedo());
  connect(redoAction_, &QAction::triggered, this, [this] { RedoClick(); });
  edit->addSeparator()->setObjectName("N15");
  connect(item(edit, "C1", QT_TR_NOOP("キャンバスをコピー(&C)")), &QAction::triggered, this, [this] { C1Click(); });

  QMenu* view = menuBar_->addMenu(tr("表示(&V)"));
  view->setObjectName("V1");
  viewMenu_ = view;
  connect(view, &QMenu::aboutToShow, this, [this] { V1Click(); });
  struct ViewItem {
    const char* name;
    const char* caption;
    int tag;
  };
  for (const ViewItem& v : {ViewItem{"N3", QT_TR_NOOP("配色(&R)"), 0}, ViewItem{"N4", QT_TR_NOOP("カラー(&C)"), 1},
                            ViewItem{"L1", QT_TR_NOOP("レイヤー(&L)"), 3}, ViewItem{"N5", QT_TR_NOOP("ライトバランス(&G)"), 2},
                            ViewItem{"S2", QT_TR_NOOP("スウォッチ(&S)"), 4}, ViewItem{"N13", QT_TR_NOOP("情報(&I)"), 5}}) {
    QAction* action = item(view, v.name, v.caption);
    action->setCheckable(true);
    action->setData(v.tag);
    connect(action, &QAction::triggered, this, [this, action] { N3Click(action); });
  }
  view->addSeparator()->setObjectName("N6");
  QMenu* background = view->addMenu(tr("背景色"));
  background->setObjectName("N7");
  backgroundGroup_ = new QActionGroup(this);
  backgroundGroup_->setExclusive(true);
  const char* names[5] = {"N8", "N9", "N10", "N11", "N12"};
  const char* captions[5] = {QT_TR_NOOP("格子模様"), QT_TR_NOOP("白"), QT_TR_NOOP("グレー"), QT_TR_NOOP("黒"), QT_TR_NOOP("アンビエントカラー")};
  for (int tag = 0; tag < 5; ++tag) {
    QAction* action = item(background, names[tag], captions[tag]);
    action->setCheckable(true);
    action->setData(tag);
    action->setChecked(tag == 0);
    backgroundGroup_->addAction(action);
    connect(action, &QAction::triggered, this, [this, action] { N8Click(action); });
  }
  zoomAction_ = item(view, "Z1", QT_TR_NOOP("小さい画像を拡大表示(&Z)"));
  zoomAction_->setCheckable(true);
  connect(zoomAction_, &QAction::triggered, this, [this](bool on) { Z1Click(on); });
  followSavesAction_ = item(view, "W1", QT_TR_NOOP("保存されたら読み込み直す(&W)"));
  followSavesAction_->setCheckable(true);
  followSavesAction_->setChecked(follower_.Enabled());
  connect(followSavesAction_, &QAction::triggered, this, [this](bool on) { FollowSavesClick(on); });
  BuildCanvasViewMenu(view);

  // Named in both languages, and each language in its own: whichever one the
  // user reads, the way to it can be found.
  QMenu* language = view->addMenu(QString::fromUtf8("言語 / Language"));
  language->setObjectName("LanguageMenu");
  auto* languageGroup = new QActionGroup(this);
  for (const auto& [name, caption, choice] : {std::tuple{"Japanese1", "日本語", TLanguage::Japanese},
                                              std::tuple{"English1", "English", TLanguage::English}}) {
    QAction* action = language->addAction(QString::fromUtf8(caption));
    action->setObjectName(name);
    action->setCheckable(true);
    action->setChecked(choice == InstalledLanguage());
    languageGroup->addAction(action);
    connect(action, &QAction::triggered, this, [this, choice] { LanguageClick(choice); });
  }
}

namespace {

constexpr const char* kZoomSetting = "view/zoomSmallArtwork";
constexpr const char* kFollowSavesSetting = "view/reloadWhenSaved";

QSettings UserSettings() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Tintloom", "Tintloom"); }

}  // namespace

void TMainForm::Z1Click(bool on) {
  zoomAction_->setChecked(on);
  model_.SetZoomSmallArtwork(on);
  if (remembersViewSettings_) UserSettings().setValue(kZoomSetting, on);
}

void TMainForm::RestoreViewSettings() {
  const bool on = UserSettings().value(kZoomSetting, false).toBool();
  zoomAction_->setChecked(on);
  model_.SetZoomSmallArtwork(on);
  FollowSavesClick(UserSettings().value(kFollowSavesSetting, true).toBool());
  remembersViewSettings_ = true;
}

void TMainForm::FollowSavesClick(bool on) {
  followSavesAction_->setChecked(on);
  follower_.SetEnabled(on);
  if (remembersViewSettings_) UserSettings().setValue(kFollowSavesSetting, on);
}

void TMainForm::ReloadArtworkClick() {
  if (model_.Busy()) return;
  follower_.ReloadNow();
}

void TMainForm::FollowOpenArtwork() { follower_.FollowOpenArtwork(); }

void TMainForm::ShowReloadNews(const TArtworkReloaded& reloaded) {
  QStringList news;
  if (!reloaded.vanished.empty()) {
    QStringList names;
    for (const std::string& name : reloaded.vanished) names << QString::fromStdString(name);
    news << tr("保存したファイルにないレイヤー: %1（設定は残してあり、戻れば使います）").arg(names.join(QStringLiteral("、")));
  }
  if (reloaded.added > 0) news << tr("新しいレイヤー: %1枚（レイヤーウィンドウに印があります）").arg(reloaded.added);
  if (reloaded.returned > 0) news << tr("戻ったレイヤー: %1枚（前の設定に戻しました）").arg(reloaded.returned);
  if (!news.isEmpty()) notice_->Say(news.join(QLatin1Char('\n')));
}

void TMainForm::N8Click(QAction* item) {
  item->setChecked(true);
  model_.SetBackgroundMode(static_cast<BackgroundMode>(item->data().toInt()));
}

void TMainForm::X1Click() { close(); }

void TMainForm::LanguageClick(TLanguage language) {
  if (remembersViewSettings_) RememberLanguage(language);
  // Said in the language chosen, which the user can read, whatever the
  // windows show now; the windows change at the next start.
  model_.Messages().ShowMessage(language == TLanguage::English
                                    ? "The windows will be in English from the next start of Tintloom."
                                    : "次に Tintloom を起動したときから日本語で表示します。");
}

namespace {

QWidget* WindowForTag(const TToolWindows& w, int tag) {
  switch (tag) {
    case 0: return w.hue;
    case 1: return w.picker;
    case 2: return w.lightBalance;
    case 3: return w.layer;
    case 4: return w.swatch;
    case 5: return w.info;
    default: return nullptr;
  }
}

}  // namespace

void TMainForm::V1Click() {
  for (QAction* action : viewMenu_->actions()) {
    // Only the window items carry a window tag; the zoom item keeps its own check.
    if (!action->isCheckable() || !action->data().isValid()) continue;
    QWidget* window = WindowForTag(windows_, action->data().toInt());
    action->setChecked(window != nullptr && window->isVisible());
  }
}

void TMainForm::N3Click(QAction* item) {
  // The action has already flipped its check mark; the window follows it.
  QWidget* window = WindowForTag(windows_, item->data().toInt());
  if (window == nullptr) return;
  window->setVisible(item->isChecked());
}

void TMainForm::C1Click() {
  const TArtworkSession& artwork = model_.Artwork();
  if (artwork.ArtworkSurface().width <= 0) return;
  // The artwork as it is shown: enlarged when it is shown zoomed.
  const TSurface& shown = model_.ArtworkZoom() > 1 && !artwork.ZoomedSurface().Empty() ? artwork.ZoomedSurface()
                                                                                         : artwork.ArtworkSurface();
  QGuiApplication::clipboard()->setImage(SurfaceImage(shown).copy());
}

void TMainForm::UndoClick() { model_.Undo(); }

void TMainForm::RedoClick() { model_.Redo(); }

bool TMainForm::HandleUndoRedoKey(int key, Qt::KeyboardModifiers modifiers) {
  if (model_.Busy() || !(modifiers & Qt::ControlModifier)) return false;
  const bool shift = modifiers & Qt::ShiftModifier;
  if (key == Qt::Key_Z && !shift) {
    UndoClick();
    return true;
  }
  if (key == Qt::Key_Y || (key == Qt::Key_Z && shift)) {
    RedoClick();
    return true;
  }
  return false;
}

bool TMainForm::HandleShortcutKey(QWidget* /*source*/, int key, Qt::KeyboardModifiers modifiers) {
  if (model_.Busy()) return false;
  if (HandleUndoRedoKey(key, modifiers)) return true;
  if (key == Qt::Key_F5 && !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier))) {
    // The reload's key from the tool windows too, as the main window's menu has it.
    ReloadArtworkClick();
    return true;
  }
  int shade;
  switch (key) {
    case Qt::Key_F1: shade = kHighlight; break;
    case Qt::Key_F2: shade = kBase; break;
    case Qt::Key_F3: shade = kShadow; break;
    case Qt::Key_F4: shade = kDeepShadow; break;
    default: return false;
  }
  const std::optional<TColor> pixel = readScreenPixel ? readScreenPixel() : std::nullopt;
  if (!pixel) {
    // The screen cannot be read here (a Wayland session): the desktop portal
    // lets the user click the colour instead.
    PickScreenColourThroughPortal(shade);
    return true;
  }
  model_.PickScreenColour(shade, *pixel);
  return true;
}

void TMainForm::UseScreenColourPortal(const QDBusConnection& bus) {
  delete screenColourPortal_;
  screenColourPortal_ = new TScreenColourPortal(bus, this);
}

void TMainForm::PickScreenColourThroughPortal(int shade) {
  // The session bus is reached only now: most sessions never need it.
  if (screenColourPortal_ == nullptr) UseScreenColourPortal(QDBusConnection::sessionBus());
  QString parentWindow;
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    parentWindow = QStringLiteral("x11:") + QString::number(winId(), 16);
  }
  screenColourPortal_->Pick(
      parentWindow,
      // The picked colour takes the key's own path: fit, F2 write-back, redraw
      // (dropped if a load has made the model busy meanwhile).
      [this, shade](TColor colour) {
        if (!shuttingDown_) model_.PickScreenColour(shade, colour);
      },
      [this] { ReportScreenUnreadable(); });
}

void TMainForm::ReportScreenUnreadable() {
  // Using black instead would silently ruin the shade: say so, once.
  if (screenReadRefusedShown_) return;
  screenReadRefusedShown_ = true;
  model_.Messages().ShowMessage(kScreenUnreadableMessage);
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
  if (HandleShortcutKey(this, event->key(), event->modifiers())) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TMainForm::PaintBox1MouseDown(const TMouseInput& input) {
  if (!(input.modifiers & Qt::ShiftModifier)) return;
  model_.PickLevelAt(input.button == Qt::RightButton, input.x, input.y);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) { TakeDropAsCopy(event); }

void TMainForm::dragMoveEvent(QDragMoveEvent* event) { TakeDropAsCopy(event); }

void TMainForm::dropEvent(QDropEvent* event) {
  if (!TakeDropAsCopy(event)) return;
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls()) paths << url.toLocalFile();
  raise();
  activateWindow();
  fileCommands_.DropFiles(paths);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  // Closing the main window ends the program, tool windows and all, once
  // the user has had the chance to keep unsaved work.
  if (!shuttingDown_ && !MayQuit()) {
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
  if (event->isAccepted()) ShutDown();
}

bool TMainForm::MayQuit() {
  // A drag or a typed value still open counts as done.
  if (model_.InGesture()) model_.EndGesture();
  if (!model_.Unsaved() || !askSaveBeforeQuit) return true;
  switch (askSaveBeforeQuit()) {
    case QMessageBox::Save: return fileCommands_.SaveWork();
    case QMessageBox::Discard: return true;
    default: return false;
  }
}

void TMainForm::ShutDown() {
  if (shuttingDown_) return;
  shuttingDown_ = true;
  if (windows_.swatch != nullptr) windows_.swatch->SaveSwatchFile();
  // Saved, or left unsaved by choice: no copy to offer at the next start.
  if (autosave_) autosave_->Finish();
  dragger_.EndWindowDrag(dragger_.WindowDrag().window);
  hiddenWhileMinimised_.clear();
  for (QWidget* tool : ToolWindowList()) tool->hide();
  // Leave the loop directly: asking the windows to close would let a tool
  // window, which only hides when closed, veto the end of the program. With
  // no loop running (a window closed before it starts) there is none to leave,
  // and asking anyway would make the next loop end at once.
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(0);
}

std::vector<QWidget*> TMainForm::ToolWindowList() const {
  std::vector<QWidget*> list;
  for (QWidget* w : std::initializer_list<QWidget*>{windows_.hue, windows_.picker, windows_.lightBalance, windows_.layer,
                                                    windows_.progress, windows_.swatch, windows_.info}) {
    if (w != nullptr) list.push_back(w);
  }
  return list;
}

void TMainForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The window's state as the desktop reports it arrives at the native
  // window, not at this widget: watch it there.
  if (QWindow* native = windowHandle(); native != nullptr && !watchingNativeWindow_) {
    native->installEventFilter(this);
    watchingNativeWindow_ = true;
  }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == windowHandle() && event->type() == QEvent::WindowStateChange && event->spontaneous()) {
    // Only the desktop's own report counts: asked to minimise with no window
    // manager to do it, the main window stays on the screen, and so must the
    // tool windows.
    FollowMinimised(windowHandle()->windowStates() & Qt::WindowMinimized);
  }
  return QWidget::eventFilter(watched, event);
}

void TMainForm::FollowMinimised(bool minimised) {
  if (shuttingDown_) return;
  if (minimised && !toolsMinimised_) {
    // The tool windows go down with the main window...
    toolsMinimised_ = true;
    for (QWidget* tool : ToolWindowList()) {
      if (tool->isVisible()) {
        hiddenWhileMinimised_.emplace_back(tool);
        tool->hide();
      }
    }
  } else if (!minimised && toolsMinimised_) {
    // ... and come back with it, those that were open.
    toolsMinimised_ = false;
    for (const QPointer<QWidget>& tool : hiddenWhileMinimised_) {
      if (tool != nullptr) tool->show();
    }
    hiddenWhileMinimised_.clear();
  }
}

void TMainForm::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  dragger_.WindowHidden(this);
}

// ---------------------------------------------------------------- dragging windows

void TMainForm::mousePressEvent(QMouseEvent* event) {
  // Any button drags the window by its title or background.
  const QPoint p = event->position().toPoint();
  dragger_.BeginWindowDrag(this, p.x(), p.y());
}

void TMainForm::mouseMoveEvent(QMouseEvent* event) { dragger_.WindowMouseMove(this, *event); }

void TMainForm::mouseReleaseEvent(QMouseEvent* /*event*/) {
  dragger_.EndWindowDrag(this);
}

// ---------------------------------------------------------------- tool windows

void TMainForm::CreateToolWindows() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  const QRect main = frameGeometry();
  windows_.hue = new THueForm(*this);
  windows_.hue->move(main.left() - windows_.hue->width(), main.top());

  windows_.picker = new TColorForm(*this);
  windows_.picker->move(windows_.hue->x(), windows_.hue->y() + windows_.hue->height());

  windows_.lightBalance = new TPaletteForm(*this);

  windows_.layer = new TLayerForm(*this);
  windows_.layer->SetClientHeight(client_->height());
  windows_.layer->move(main.left() + client_->width(), main.top());

  windows_.progress = new TProgressForm(*this);

  windows_.swatch = new TSwatchForm(*this, swatchFilePlaces);
  windows_.swatch->SetForwardsKeys(false);

  windows_.info = new TInfoForm(*this);
  awaitingPlace_ = {QPointer<QWidget>(windows_.lightBalance.data()), QPointer<QWidget>(windows_.swatch.data()),
                    QPointer<QWidget>(windows_.info.data())};

  // Around the main window the designed layout is wider than a small screen
  // (1024 pixels): the group moves inside it, and what still does not fit
  // overlaps the main window rather than leaving controls off the screen.
  if (screen != nullptr) {
    const QRect area = screen->availableGeometry();
    const std::vector<QWidget*> group = {this, windows_.hue, windows_.picker, windows_.lightBalance, windows_.layer};
    std::vector<TWindowRect> rects;
    for (QWidget* w : group) {
      const QRect r = w->frameGeometry();
      rects.push_back(TWindowRect{r.x(), r.y(), r.width(), r.height()});
    }
    const TWindowRect workArea{area.x(), area.y(), area.width(), area.height()};
    FitGroupInside(workArea, rects);
    // Moved onto the main window, a tool window stays clear of its menus
    // (laid out now: the window is not shown yet).
    layout()->activate();
    const TWindowRect menu = MenuBarRect(QPoint(rects[0].left, rects[0].top));
    for (std::size_t i = 1; i < rects.size(); ++i) KeepOffMenuBar(workArea, menu, rects[i]);
    for (std::size_t i = 0; i < group.size(); ++i) group[i]->move(rects[i].left, rects[i].top);
  }

  // A compositor that places windows itself (native Wayland) learns that the
  // tool windows belong to the main window only if the main window is up
  // when they first appear; it then keeps them above it and takes them
  // along when it is minimised.
  if (!PlatformPlacesWindows(QGuiApplication::platformName().toStdString())) show();
  windows_.hue->show();
  windows_.picker->show();
  windows_.layer->show();
}

TWindowRect TMainForm::MenuBarRect(QPoint mainTopLeft) const {
  return TWindowRect{mainTopLeft.x(), mainTopLeft.y() + menuBar_->y(), width(), menuBar_->height()};
}

void TMainForm::PlaceOnFirstShow(QWidget* tool) {
  const auto waiting = std::find(awaitingPlace_.begin(), awaitingPlace_.end(), tool);
  if (waiting == awaitingPlace_.end()) return;
  awaitingPlace_.erase(waiting);
  // Natively on Wayland the compositor places every window itself.
  if (!PlatformPlacesWindows(QGuiApplication::platformName().toStdString())) return;
  QScreen* screen = windowHandle() != nullptr ? windowHandle()->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  std::vector<TWindowRect> shown;
  for (QWidget* w : std::initializer_list<QWidget*>{this, windows_.hue, windows_.picker, windows_.lightBalance,
                                                    windows_.layer, windows_.swatch, windows_.info}) {
    if (w == nullptr || w == tool || (w != this && !w->isVisible())) continue;
    const QRect r = w->frameGeometry();
    shown.push_back(TWindowRect{r.x(), r.y(), r.width(), r.height()});
  }
  const TWindowRect place = PlaceBeside(TWindowRect{area.x(), area.y(), area.width(), area.height()}, shown,
                                        MenuBarRect(frameGeometry().topLeft()), tool->width(), tool->height());
  tool->move(place.left, place.top);
}

void TMainForm::PaintBox1Paint(QPainter& painter) {
  // A repaint the model asked for shows what it just composed; any other
  // (exposure, first show) composes afresh.
  if (!canvasFresh_ && !model_.Busy()) model_.ComposeCanvas();
  canvasFresh_ = false;
  painter.drawImage(0, 0, SurfaceImage(std::as_const(ShownCanvas())));
}

void TMainForm::ShowCanvas() {
  // Inside the paint handler the freshly composed surface is drawn right after;
  // otherwise ask for a repaint, which shows the surface as it now is.
  if (canvasBox_->Painting()) return;
  canvasFresh_ = true;
  canvasBox_->update();
}

void TMainForm::SetTitleText(const std::string& text) {
  // The first title comes before the caption exists.
  const QString title = QString::fromStdString(text);
  setWindowTitle(title);
  if (caption_ == nullptr) return;
  // A long file name gives up its middle rather than run under the buttons.
  caption_->setText(caption_->fontMetrics().elidedText(title, Qt::ElideMiddle, caption_->width()));
}

void TMainForm::ShowUndoRedo(bool canUndo, bool canRedo) {
  // The model's first state comes before the menu exists.
  if (undoAction_ != nullptr) undoAction_->setEnabled(canUndo);
  if (redoAction_ != nullptr) redoAction_->setEnabled(canRedo);
  // Told after every edit, undo, save and opening.
  if (autosave_) autosave_->NoteChange();
}

void TMainForm::StartAutosave(const std::string& folder) {
  autosave_ = std::make_unique<TAutosave>(model_, folder);
  autosave_->NoteChange();
}

void TMainForm::ShowBackgroundChoice() {
  if (backgroundGroup_ == nullptr) return;
  for (QAction* action : backgroundGroup_->actions()) {
    action->setChecked(action->data().toInt() == static_cast<int>(model_.Background()));
  }
}

}  // namespace tintloom
