#include "ui/main_form.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QDBusConnection>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
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

#include "core/base/data_files.h"
#include "core/document/palette_document_commands.h"
#include "core/document/swatch_commands.h"
#include "core/document/work_document_commands.h"
#include "core/formats/palette_document.h"
#include "core/formats/palette_import.h"
#include "core/document/save_as.h"
#include "core/document/artwork_export.h"
#include "core/formats/work_document.h"
#include "ui/swatch_form.h"
#include "ui/paint_box.h"
#include "ui/screen_colour_portal.h"
#include "ui/session_platform.h"
#include "ui/progress_form.h"
#include "ui/tool_form.h"
#include "ui/hue_form.h"
#include "ui/layer_form.h"
#include "ui/light_balance_form.h"
#include "ui/info_form.h"
#include "ui/picker_form.h"
#include "ui/surface_view.h"
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
constexpr const char* kSkinMissingMessage = "skin.bmpを開けません";
constexpr const char* kSkinUnreadableMessage = "skin.bmpを読み込めません";
// What "開く" and the command line take, said when given anything else.
constexpr const char* kOpenableFilesMessage = "開けるのはPSDファイル(*.psd)、Tintloomパレット(*.tlp)と作業ファイル(*.tlw)だけです";
constexpr const char* kSkinTooSmallMessage = "skin.bmpが小さすぎます (447×171 ピクセル以上が必要です)";

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

// File dialogs of one kind (palettes and exports, or artwork) start in the
// folder where the last file of that kind was chosen, in this run or before.
constexpr const char* kPaletteFolderKey = "folders/palettes";
constexpr const char* kArtworkFolderKey = "folders/artwork";

QSettings Settings() { return QSettings(QStringLiteral("Tintloom"), QStringLiteral("Tintloom")); }

void StartInLastFolder(QFileDialog& dialog, const char* key) {
  const QString folder = Settings().value(QLatin1String(key)).toString();
  if (!folder.isEmpty() && QFileInfo(folder).isDir()) dialog.setDirectory(folder);
}

// The dialog's choice, its folder remembered; empty when cancelled.
QString RunRememberingFolder(QFileDialog& dialog, const char* key) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  const QString chosen = dialog.selectedFiles().front();
  Settings().setValue(QLatin1String(key), QFileInfo(chosen).absolutePath());
  return chosen;
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
  openSampleArtwork = [this](const std::string& path) { model_.OpenSampleArtwork(path); };
  openPaletteDocument = [this](const std::string& path) { OpenPaletteDocumentFile(path); };
  openWorkDocument = [this](const std::string& path) { LoadWorkDocument(model_, path); };
  runArtworkExportDialog = [this] { return AskArtworkExport(this, model_); };
  runPaletteOpenDialog = [this] {
    QFileDialog dialog(this);
    dialog.setObjectName("OpenDialog1");
    dialog.setNameFilters({QString::fromUtf8("Tintloomパレット・作業ファイル(*.tlp *.tlw)"),
                           QString::fromUtf8("Tintloomパレット(*.tlp)"), QString::fromUtf8("Tintloom作業ファイル(*.tlw)"),
                           QString::fromUtf8("PSDファイル (*.PSD *.psd)")});
    dialog.setDefaultSuffix("tlp");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setSizeGripEnabled(true);
    StartInLastFolder(dialog, kPaletteFolderKey);
    return RunRememberingFolder(dialog, kPaletteFolderKey);
  };
  runPaletteSaveDialog = [this] {
    QFileDialog dialog(this, QString::fromUtf8("パレットの書き出し"));
    dialog.setObjectName("SaveDialog1");
    dialog.setNameFilters({QString::fromUtf8("Tintloomパレット(*.tlp)"), QString::fromUtf8("Tintloom作業ファイル(*.tlw)"),
                           QString::fromUtf8("Photoshop互換スウォッチ(*.aco)"),
                           QString::fromUtf8("Photoshop互換グラデーション(*.grd)"),
                           QString::fromUtf8("Adobe互換スウォッチ交換(*.ase)"),
                           QString::fromUtf8("Painter互換カラーセット(*.colors)"), QString::fromUtf8("ビットマップ(*.bmp)"),
                           QString::fromUtf8("GIMPパレット(*.gpl)")});
    dialog.setDefaultSuffix("tlp");
    // A name typed without an extension takes the chosen kind's.
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
      const qsizetype star = filter.lastIndexOf("*.");
      if (star >= 0) dialog.setDefaultSuffix(filter.mid(star + 2).chopped(1));
    });
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setSizeGripEnabled(true);
    StartInLastFolder(dialog, kPaletteFolderKey);
    return RunRememberingFolder(dialog, kPaletteFolderKey);
  };
  runOpenDialog = [this] {
    QFileDialog dialog(this);
    dialog.setObjectName("OpenDialog2");
    dialog.setNameFilter(QString::fromUtf8("PSDファイル (*.PSD *.psd)"));
    dialog.setDefaultSuffix("psd");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setSizeGripEnabled(true);
    StartInLastFolder(dialog, kArtworkFolderKey);
    return RunRememberingFolder(dialog, kArtworkFolderKey);
  };

  BuildMenu();
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
  QMenu* file = menuBar_->addMenu(QString::fromUtf8("ファイル(&F)"));
  file->setObjectName("F1");
  QAction* open = item(file, "N1", "開く(&O)...");
  open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  connect(open, &QAction::triggered, this, [this] { N1Click(); });
  QAction* save = item(file, "S1", "名前を付けて保存(&S)...");
  save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  connect(save, &QAction::triggered, this, [this] { S1Click(); });
  file->addSeparator()->setObjectName("N14");
  connect(item(file, "PSD1", "見本用PSDファイルを開く..."), &QAction::triggered, this, [this] { PSD1Click(); });
  connect(item(file, "P1", "配色した画像を書き出す(&P)..."), &QAction::triggered, this, [this] { P1Click(); });
  file->addSeparator()->setObjectName("N2");
  connect(item(file, "X1", "終了(&X)"), &QAction::triggered, this, [this] { X1Click(); });

  QMenu* edit = menuBar_->addMenu(QString::fromUtf8("編集(&E)"));
  edit->setObjectName("E1");
  undoAction_ = item(edit, "U1", "元に戻す(&U)");
  undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  undoAction_->setEnabled(model_.CanUndo());
  connect(undoAction_, &QAction::triggered, this, [this] { UndoClick(); });
  redoAction_ = item(edit, "R1", "やり直し(&R)");
  redoAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  redoAction_->setEnabled(model_.CanRedo());
  connect(redoAction_, &QAction::triggered, this, [this] { RedoClick(); });
  edit->addSeparator()->setObjectName("N15");
  connect(item(edit, "C1", "キャンバスをコピー(&C)"), &QAction::triggered, this, [this] { C1Click(); });

  QMenu* view = menuBar_->addMenu(QString::fromUtf8("表示(&V)"));
  view->setObjectName("V1");
  viewMenu_ = view;
  connect(view, &QMenu::aboutToShow, this, [this] { V1Click(); });
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
    connect(action, &QAction::triggered, this, [this, action] { N3Click(action); });
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
  zoomAction_ = item(view, "Z1", "小さい画像を拡大表示(&Z)");
  zoomAction_->setCheckable(true);
  connect(zoomAction_, &QAction::triggered, this, [this](bool on) { Z1Click(on); });
}

namespace {

constexpr const char* kZoomSetting = "view/zoomSmallArtwork";

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
  remembersViewSettings_ = true;
}

void TMainForm::N8Click(QAction* item) {
  item->setChecked(true);
  model_.SetBackgroundMode(static_cast<BackgroundMode>(item->data().toInt()));
}

void TMainForm::X1Click() { close(); }

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
  if (model_.artworkSurface.width <= 0) return;
  // The artwork as it is shown: enlarged when it is shown zoomed.
  const TSurface& shown = model_.ArtworkZoom() > 1 && !model_.zoomedArtworkSurface.Empty()
                              ? model_.zoomedArtworkSurface
                              : model_.artworkSurface;
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
  model_.Messages().ShowMessage("この環境では画面の色を読み取れません。\n"
                                "(Wayland のセッションでは画面の読み取りが許可されていません)");
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

namespace {

// The extension test of opening artwork: the part of the file name from its
// last period on is ".psd" in any mix of cases.
bool HasExtension(const QString& path, const char* extension) {
  const QString name = QFileInfo(path).fileName();
  const qsizetype dot = name.lastIndexOf('.');
  return dot >= 0 && name.mid(dot).compare(QLatin1String(extension), Qt::CaseInsensitive) == 0;
}

bool HasPsdExtension(const QString& path) { return HasExtension(path, ".psd"); }

}  // namespace

// A dropped file is only ever taken as a copy (or else a link): accepting the
// move a file manager may propose would let it delete the user's file once
// the drop is done. A source that offers nothing but a move is refused.
bool TakeDropAsCopy(QDropEvent* event) {
  const Qt::DropActions offered = event->possibleActions();
  if (!event->mimeData()->hasUrls() || !(offered & (Qt::CopyAction | Qt::LinkAction))) {
    event->ignore();
    return false;
  }
  event->setDropAction(offered & Qt::CopyAction ? Qt::CopyAction : Qt::LinkAction);
  event->accept();
  return true;
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) { TakeDropAsCopy(event); }

void TMainForm::dragMoveEvent(QDragMoveEvent* event) { TakeDropAsCopy(event); }

void TMainForm::dropEvent(QDropEvent* event) {
  if (!TakeDropAsCopy(event)) return;
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls()) paths << url.toLocalFile();
  raise();
  activateWindow();
  DropFiles(paths);
}

void TMainForm::DropFiles(const QStringList& paths) {
  if (paths.isEmpty() || paths.front().isEmpty()) return;
  const QString& first = paths.front();
  if (HasExtension(first, ".tlw")) {
    if (openWorkDocument) openWorkDocument(first.toStdString());
    return;
  }
  if (!HasPsdExtension(first)) {
    // A palette of another program's kind goes into the swatches, shown so
    // that the new swatches can be seen.
    const TPaletteFormat palette = PaletteFormatForPath(first.toStdString());
    if (palette != TPaletteFormat::None && palette != TPaletteFormat::PaletteDocument && windows_.swatch != nullptr) {
      windows_.swatch->show();
      windows_.swatch->ImportPaletteFile(first);
    }
    return;  // anything else is ignored, silently
  }
  if (openSampleArtwork) openSampleArtwork(first.toStdString());
}

void TMainForm::PSD1Click() {
  if (model_.Busy() || !runOpenDialog) return;
  const QString path = runOpenDialog();
  if (path.isEmpty()) return;
  if (!HasPsdExtension(path)) {
    model_.Messages().ShowMessage("PSDファイルではありません");
    return;
  }
  if (openSampleArtwork) openSampleArtwork(path.toStdString());
}

void TMainForm::OpenCommandLineFiles(const QStringList& paths) {
  // A file manager passes every selected file: of several of one kind only
  // the last is opened (each would replace the one before). A name that
  // cannot be one of ours gets its own message and is passed over, and the
  // program goes on as if it had not been named.
  QString artwork;
  QString palette;
  QString work;
  for (const QString& path : paths) {
    const QFileInfo info(path);
    const std::string shown = "\n->" + path.toStdString();
    if (info.isDir()) {
      model_.Messages().ShowMessage("フォルダーは開けません" + shown);
    } else if (!info.exists()) {
      model_.Messages().ShowMessage("ファイルが見つかりません" + shown);
    } else if (HasPsdExtension(path)) {
      artwork = path;
    } else if (HasExtension(path, ".tlp")) {
      palette = path;
    } else if (HasExtension(path, ".tlw")) {
      work = path;
    } else {
      model_.Messages().ShowMessage(kOpenableFilesMessage + shown);
    }
  }
  // A work document brings its own palette and artwork; files named beside
  // it open after it, over it.
  if (!work.isEmpty() && openWorkDocument) openWorkDocument(work.toStdString());
  // The palette first, so that the artwork is composed once, in its colours.
  if (!palette.isEmpty() && openPaletteDocument) openPaletteDocument(palette.toStdString());
  if (!artwork.isEmpty() && openSampleArtwork) openSampleArtwork(artwork.toStdString());
}

void TMainForm::OpenPaletteDocumentFile(const std::string& path) { LoadPaletteDocument(model_, path); }

namespace {

// The extension test of the open command: ".tlp" in any mix of cases.
bool HasPaletteExtension(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  const qsizetype dot = name.lastIndexOf('.');
  return dot >= 0 && name.mid(dot).compare(".tlp", Qt::CaseInsensitive) == 0;
}

}  // namespace

void TMainForm::N1Click() {
  if (model_.Busy() || !runPaletteOpenDialog) return;
  const QString path = runPaletteOpenDialog();
  if (path.isEmpty()) return;
  if (HasExtension(path, ".tlw")) {
    if (openWorkDocument) openWorkDocument(path.toStdString());
  } else if (HasPaletteExtension(path)) {
    LoadPaletteDocument(model_, path.toStdString());
  } else if (HasPsdExtension(path)) {
    // Artwork opens from here too, as a dropped file would.
    if (openSampleArtwork) openSampleArtwork(path.toStdString());
  } else {
    model_.Messages().ShowMessage(kOpenableFilesMessage + ("\n->" + path.toStdString()));
  }
}

void TMainForm::S1Click() {
  if (model_.Busy() || !runPaletteSaveDialog) return;
  const QString path = runPaletteSaveDialog();
  if (path.isEmpty()) return;
  // The windows the dialog covered are repainted before the file is written.
  QApplication::processEvents();
  if (model_.Busy()) return;
  SaveOrExport(model_, path.toStdString());
}

void TMainForm::P1Click() {
  if (model_.Busy() || !runArtworkExportDialog) return;
  if (model_.LayerCount() < 1) {
    model_.Messages().ShowMessage(kNoArtworkMessage);
    return;
  }
  const std::optional<TArtworkExportChoice> choice = runArtworkExportDialog();
  if (!choice) return;
  ExportArtworkWithProgress(this, model_, *choice);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  // Closing the main window ends the program, tool windows and all.
  QWidget::closeEvent(event);
  if (event->isAccepted()) ShutDown();
}

void TMainForm::ShutDown() {
  if (shuttingDown_) return;
  shuttingDown_ = true;
  if (windows_.swatch != nullptr) windows_.swatch->SaveSwatchFile();
  EndWindowDrag(windowDrag_.window);
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
  WindowHidden(this);
}

// ---------------------------------------------------------------- dragging windows

void TMainForm::mousePressEvent(QMouseEvent* event) {
  // Any button drags the window by its title or background.
  const QPoint p = event->position().toPoint();
  BeginWindowDrag(this, p.x(), p.y());
}

void TMainForm::mouseMoveEvent(QMouseEvent* event) { WindowMouseMove(this, *event); }

void TMainForm::mouseReleaseEvent(QMouseEvent* /*event*/) {
  EndWindowDrag(this);
}

void TMainForm::BeginWindowDrag(QWidget* window, int x, int y) {
  if (StartCompositorMove(window)) return;
  // A drag of another window that never saw its release ends first.
  if (windowDrag_.window != nullptr && windowDrag_.window != window) EndWindowDrag(nullptr);
  window->setWindowOpacity(128.0 / 255.0);
  // Pressed, a window comes to the front, as under a window manager: with
  // none, a tool window dragged over another would stay behind it.
  window->raise();
  windowDrag_.dragging = true;
  windowDrag_.anchorX = x;
  windowDrag_.anchorY = y;
  windowDrag_.window = window;
}

bool TMainForm::StartCompositorMove(QWidget* window) {
  // Where only the compositor places windows (native Wayland) it also moves
  // them: it follows the pointer itself until the button comes up. A
  // position set from here would be ignored, snapping would work on
  // positions nobody can read back, and the platform refuses to fade.
  if (PlatformPlacesWindows(QGuiApplication::platformName().toStdString())) return false;
  if (QWindow* native = window->windowHandle()) native->startSystemMove();
  return true;
}

void TMainForm::DragWindow(QWidget* window, int x, int y) {
  if (!windowDrag_.dragging || window != windowDrag_.window) return;
  int left = window->x() + x - windowDrag_.anchorX;
  int top = window->y() + y - windowDrag_.anchorY;
  SnapWindowPosition(window, left, top);
  // The screen's edges pull last, as a move of the window itself would.
  const QRect own = window->frameGeometry();
  QScreen* screen = QGuiApplication::screenAt(QPoint(left + own.width() / 2, top + own.height() / 2));
  if (screen == nullptr) screen = QGuiApplication::screenAt(QCursor::pos());
  if (screen == nullptr) screen = window->screen();
  if (screen != nullptr) {
    const QRect area = screen->availableGeometry();
    const TWindowRect workArea{area.x(), area.y(), area.width(), area.height()};
    SnapToScreenEdges(workArea, window == this ? kMainScreenSnapDistance : kToolScreenSnapDistance, own.width(),
                      own.height(), left, top);
    // However far the pointer goes, the title strip stays where it can be
    // taken again.
    KeepTitleStripInside(workArea, own.width(), TitleStripBottom(window), left, top);
  }
  window->move(left, top);
}

void TMainForm::EndWindowDrag(QWidget* window) {
  if (window != nullptr) window->setWindowOpacity(1.0);
  // One drag serves every window: whichever window was dragged is opaque again.
  if (windowDrag_.window != nullptr && windowDrag_.window != window) windowDrag_.window->setWindowOpacity(1.0);
  windowDrag_ = TWindowDrag{};
}

void TMainForm::WindowMouseMove(QWidget* window, const QMouseEvent& event) {
  if (event.buttons() == Qt::NoButton) {
    // The release went elsewhere (another program took the pointer, a popup
    // opened): nothing follows the pointer without a button.
    if (windowDrag_.dragging) EndWindowDrag(windowDrag_.window);
    return;
  }
  const QPoint p = event.position().toPoint();
  DragWindow(window, p.x(), p.y());
}

void TMainForm::WindowHidden(QWidget* window) {
  if (windowDrag_.dragging && window == windowDrag_.window) EndWindowDrag(window);
}

void TMainForm::SnapWindowPosition(QWidget* window, int& left, int& top) {
  if (snapPartners_.empty()) {
    snapPartners_ = {this, windows_.hue, windows_.picker, windows_.lightBalance,
                     windows_.layer};
  }
  std::vector<TSnapPartner> partners;
  for (QWidget* w : snapPartners_) {
    if (w == nullptr) continue;
    const QRect r = w->frameGeometry();
    partners.push_back(TSnapPartner{TWindowRect{r.x(), r.y(), r.width(), r.height()}, w->isVisible(), w == window});
  }
  const QRect own = window->frameGeometry();
  tintloom::SnapWindowPosition(partners, own.width(), own.height(), left, top);
}

// ---------------------------------------------------------------- tool windows

int TMainForm::TitleStripBottom(const QWidget* window) const {
  // The main window's title strip lies under its menu bar.
  return window == this ? client_->y() + kTitleHeight : kToolTitleHeight;
}

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
  windows_.lightBalance->move(main.left() + main.width(), main.top());

  windows_.layer = new TLayerForm(*this);
  windows_.layer->SetClientHeight(client_->height());
  windows_.layer->move(main.left() + client_->width(), main.top());

  windows_.progress = new TProgressForm(*this);

  windows_.swatch = new TSwatchForm(*this, swatchFilePlaces);
  windows_.swatch->SetForwardsKeys(false);
  windows_.swatch->move(main.topLeft());

  windows_.info = new TInfoForm(*this);

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
    FitGroupInside(TWindowRect{area.x(), area.y(), area.width(), area.height()}, rects);
    for (std::size_t i = 0; i < group.size(); ++i) group[i]->move(rects[i].left, rects[i].top);
    windows_.swatch->move(pos());
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

bool TMainForm::HueWindowVisible() const { return windows_.hue != nullptr && windows_.hue->isVisible(); }

void TMainForm::DrawHueWheel() {
  if (windows_.hue != nullptr) windows_.hue->DrawWheel();
}

void TMainForm::RepaintSlotStrip() {
  if (windows_.hue != nullptr) windows_.hue->RepaintSlotStrip();
}

void TMainForm::RepaintValueSlider() {
  if (windows_.hue != nullptr) windows_.hue->RepaintValueSlider();
}

bool TMainForm::LayerWindowVisible() const { return windows_.layer != nullptr && windows_.layer->isVisible(); }

void TMainForm::RefreshSlotGrid() {
  if (windows_.layer != nullptr) windows_.layer->RefreshSlotGrid();
}

void TMainForm::RefreshLayerList() {
  if (windows_.layer != nullptr) windows_.layer->RefreshLayerList();
}

void TMainForm::PaintMappingPreview() {
  if (windows_.layer != nullptr) windows_.layer->PaintMappingPreview();
}

void TMainForm::ShowLayerBlendMode(int comboItem) {
  if (windows_.layer != nullptr) windows_.layer->ShowLayerBlendMode(comboItem);
}

void TMainForm::ShowLayerLevels(int baseLevel, int shadowLevel) {
  if (windows_.layer != nullptr) windows_.layer->ShowLayerLevels(baseLevel, shadowLevel);
}

void TMainForm::FillLayerList() {
  if (windows_.layer != nullptr) windows_.layer->FillLayerList();
}

bool TMainForm::PickerWindowVisible() const { return windows_.picker != nullptr && windows_.picker->isVisible(); }

void TMainForm::RefreshPicker() {
  if (windows_.picker != nullptr) windows_.picker->RefreshPicker();
}

void TMainForm::PaintBox1Paint(QPainter& painter) {
  // A repaint the model asked for shows what it just composed; any other
  // (exposure, first show) composes afresh.
  if (!canvasFresh_ && !model_.Busy()) model_.ComposeCanvas();
  canvasFresh_ = false;
  painter.drawImage(0, 0, SurfaceImage(std::as_const(model_.canvasSurface)));
}

void TMainForm::ShowCanvas() {
  // Inside the paint handler the freshly composed surface is drawn right after;
  // otherwise ask for a repaint, which shows the surface as it now is.
  if (canvasBox_->Painting()) return;
  canvasFresh_ = true;
  canvasBox_->update();
}

std::vector<TToolForm*> TMainForm::ToolForms() const {
  return {windows_.hue, windows_.picker, windows_.lightBalance, windows_.layer, windows_.swatch, windows_.info};
}

void TMainForm::EnterBusy() {
  if (windows_.picker != nullptr) windows_.picker->StopPreviewTimer();
  for (TToolForm* w : ToolForms()) {
    if (w != nullptr) w->ContentPanel()->setEnabled(false);
  }
  // The list's rows name layers that are about to go.
  if (windows_.layer != nullptr) windows_.layer->ClearLayerList();
  QApplication::processEvents();
}

void TMainForm::LeaveBusy() {
  if (windows_.picker != nullptr) windows_.picker->StartPreviewTimer();
  for (TToolForm* w : ToolForms()) {
    if (w != nullptr) w->ContentPanel()->setEnabled(true);
  }
  if (windows_.layer != nullptr) windows_.layer->RefreshLayerList();
  QApplication::processEvents();
}

TProgressSink& TMainForm::Progress() {
  if (windows_.progress != nullptr) return *windows_.progress;
  return TModelViews::Progress();
}

void TMainForm::SetTitleText(const std::string& text) { caption_->setText(QString::fromStdString(text)); }

void TMainForm::ShowUndoRedo(bool canUndo, bool canRedo) {
  // The model's first state comes before the menu exists.
  if (undoAction_ != nullptr) undoAction_->setEnabled(canUndo);
  if (redoAction_ != nullptr) redoAction_->setEnabled(canRedo);
}

void TMainForm::ShowRestoredState() {
  if (backgroundGroup_ != nullptr) {
    for (QAction* action : backgroundGroup_->actions()) {
      action->setChecked(action->data().toInt() == static_cast<int>(model_.Background()));
    }
  }
  if (windows_.layer != nullptr) windows_.layer->ShowRestoredState();
  if (windows_.lightBalance != nullptr) windows_.lightBalance->ShowModelState();
  if (windows_.picker != nullptr) windows_.picker->ShowToneFilterPreset();
  if (windows_.info != nullptr) windows_.info->UpdateInfo();
}

}  // namespace tintloom
