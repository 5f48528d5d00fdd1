#include "ui/swatch_form.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>

#include "core/document/swatch_commands.h"
#include "core/formats/palette_import.h"
#include "core/palette/tone_vocabulary.h"

#include "ui/main_form.h"
#include "ui/paint_box.h"
#include "ui/picture_colours_dialog.h"
#include "ui/surface_view.h"

namespace tintloom {

namespace {

constexpr int kAreaSide = 256;
constexpr int kScrollBarWidth = 17;
// Rows of cells the grid shows at once: what Page Up and Page Down move by.
constexpr int kVisibleRows = kAreaSide / kSwatchCellSide;

}  // namespace

TSwatchForm::TSwatchForm(TMainForm& main, const TSwatchFilePlaces& places)
    : TToolForm(main, "SwatchForm", tr("スウォッチ"), 275, 276), places_(places) {
  QWidget* panel = ContentPanel();
  paintBox_ = new TPaintBox(panel, 1, 1, kAreaSide, kAreaSide);
  paintBox_->setObjectName("PaintBox1");
  paintBox_->onPaint = [this](QPainter& p) { p.drawImage(0, 0, SurfaceImage(std::as_const(grid_))); };
  paintBox_->onMouseDown = [this](const TMouseInput& input) { PaintBox1MouseDown(input); };
  paintBox_->installEventFilter(this);
  scrollBar_ = new QScrollBar(Qt::Vertical, panel);
  scrollBar_->setObjectName("ScrollBar1");
  scrollBar_->setGeometry(1 + kAreaSide, 1, kScrollBarWidth, kAreaSide);
  scrollBar_->setRange(0, 0);
  // A page is the rows on show: the handle's length tells how much of the
  // collection that is, and the wheel moves three rows a notch as elsewhere.
  scrollBar_->setPageStep(kVisibleRows);
  connect(scrollBar_, &QScrollBar::valueChanged, this, [this] {
    DrawGrid();
    paintBox_->update();
  });
  grid_.Create(kAreaSide, kAreaSide);
  setAcceptDrops(true);
  runSwatchMenu = [](QMenu& menu, const QPoint& globalPos) { return menu.exec(globalPos); };
  runPictureDialog = [this] {
    QFileDialog dialog(this, tr("色を取り出す画像"));
    dialog.setObjectName("PictureDialog");
    dialog.setNameFilters({tr("画像(*.png *.jpg *.jpeg *.bmp *.webp *.psd)"), tr("すべてのファイル(*)")});
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().front();
  };
  runColoursDialog = [](TPictureColoursDialog& dialog) { dialog.exec(); };
  runImportDialog = [this] {
    QFileDialog dialog(this, tr("パレットの読み込み"));
    dialog.setObjectName("ImportDialog");
    dialog.setNameFilters({tr("パレット(*.gpl *.ase *.aco *.pal *.hex *.txt *.tlp)"),
                           tr("GIMPパレット(*.gpl)"), tr("Adobe互換スウォッチ交換(*.ase)"),
                           tr("Photoshop互換スウォッチ(*.aco)"), tr("JASCパレット(*.pal)"),
                           tr("16進カラーリスト(*.hex *.txt)"), tr("Tintloomパレット(*.tlp)"),
                           tr("すべてのファイル(*)")});
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().front();
  };

  if (!places_.readPath.empty()) {
    Result<std::vector<std::string>> lines = LoadSwatchLines(places_, &main.Model().Messages(), &unread_);
    if (lines) {
      main.Model().StartSwatches(std::move(*lines));
    } else {
      keepFile_ = true;
      main.Model().Messages().ShowMessage(lines.error().message);
    }
  }
  ExplainControls();
  RefreshSwatches();
}

void TSwatchForm::ExplainControls() {
  CloseButton()->setToolTip(tr("スウォッチウィンドウを閉じる（表示メニューでまた開けます）"));
  paintBox_->setToolTip(tr("スウォッチ: 保存した色の組。\n"
                           "クリック: 空きのマスには選択中の色を加え、スウォッチは選択中の色に読み込む\n"
                           "右クリック: 追加・削除・パレットの読み込みのメニュー　Alt+クリック: スウォッチを削除\n"
                           "パレットファイルのドロップでも読み込める"));
  paintBox_->setAccessibleName(tr("スウォッチ"));
  const auto swatchText = [this](std::int64_t index) {
    const std::array<TColor, kShadeCount> colours = SwatchCellColors(static_cast<int>(index));
    const auto hex = [&colours](int shade) { return QString::fromStdString(HexCodeText(colours[static_cast<std::size_t>(shade)])); };
    return tr("スウォッチ %1 ベース %2（ハイライト %3、影 %4、深い影 %5）")
        .arg(index + 1)
        .arg(hex(kBase), hex(kHighlight), hex(kShadow), hex(kDeepShadow));
  };
  paintBox_->onToolTip = [this, swatchText](int x, int y) {
    const std::int64_t index = SwatchIndexAt(x, y, paintBox_->width(), scrollBar_->value());
    if (index < 0) return QString();
    if (static_cast<std::size_t>(index) >= Swatches().size()) return tr("空きのマス: クリックで選択中の色を加える");
    return swatchText(index);
  };
  paintBox_->accessibleRole = QAccessible::List;
  paintBox_->onParts = [this, swatchText] {
    // The swatches on show, row by row as drawn.
    std::vector<TPaintBoxPart> parts;
    const int columns = paintBox_->width() / kSwatchCellSide;
    const std::int64_t first = static_cast<std::int64_t>(kSwatchColumns) * scrollBar_->value();
    const auto count = static_cast<std::int64_t>(Swatches().size());
    // The empty cell after the last swatch takes the selected colour.
    for (std::int64_t i = first; i <= count && i < first + columns * kVisibleRows; ++i) {
      const int k = static_cast<int>(i - first);
      parts.push_back({QRect(kSwatchCellSide * (k % columns), kSwatchCellSide * (k / columns), kSwatchCellSide - 1,
                             kSwatchCellSide - 1),
                       i < count ? swatchText(i) : tr("空きのマス: クリックで選択中の色を加える"), QString(), false});
    }
    return parts;
  };
  paintBox_->setFocusPolicy(Qt::StrongFocus);
  // Enter or Space on a cell is its click; Delete deletes the swatch under the cursor.
  paintBox_->onActivate = [this](int part, Qt::KeyboardModifiers) {
    const int columns = paintBox_->width() / kSwatchCellSide;
    const int centre = kSwatchCellSide / 2;
    PaintBox1MouseDown(TMouseInput{Qt::LeftButton, Qt::LeftButton, {}, kSwatchCellSide * (part % columns) + centre,
                                   kSwatchCellSide * (part / columns) + centre});
  };
  paintBox_->onKey = [this](const QKeyEvent& event) {
    if (event.key() != Qt::Key_Delete || paintBox_->Cursor() < 0 || Main().Model().Busy()) return false;
    const std::int64_t index = static_cast<std::int64_t>(kSwatchColumns) * scrollBar_->value() + paintBox_->Cursor();
    if (index >= static_cast<std::int64_t>(Swatches().size())) return false;
    DeleteSwatch(static_cast<int>(index));
    return true;
  };
  scrollBar_->setToolTip(tr("スウォッチをスクロールする（ホイール、Page Up、Page Down、Home、End でも）"));
  scrollBar_->setAccessibleName(tr("スウォッチのスクロール"));
}

TSwatchForm::~TSwatchForm() = default;

const std::vector<std::string>& TSwatchForm::Swatches() const { return Main().Model().Swatches(); }

void TSwatchForm::SaveSwatchFile() {
  if (saved_) return;
  saved_ = true;
  if (places_.writePath.empty() || keepFile_ || !changed_) return;
  if (Result<> written = SaveSwatchLines(places_, Swatches(), unread_); !written) {
    Main().Model().Messages().ShowMessage(written.error().message);
  }
}

void TSwatchForm::AddSwatch() {
  const std::string line = SwatchLine(Main().Model());
  if (line.empty() || !RoomFor(1)) return;  // no slot selected, or full
  Main().Model().AddSwatches({line});
  changed_ = true;
  RefreshSwatches();
}

void TSwatchForm::DeleteSwatch(int index) {
  if (index >= 0 && static_cast<std::size_t>(index) < Swatches().size()) {
    Main().Model().DeleteSwatch(static_cast<std::size_t>(index));
    changed_ = true;
  }
  RefreshSwatches();
}

bool TSwatchForm::RoomFor(std::size_t count) {
  const std::size_t size = Swatches().size();
  if (size <= kMaxSwatches && count <= kMaxSwatches - size) return true;
  Main().Model().Messages().ShowMessage(kSwatchFullMessage);
  return false;
}

void TSwatchForm::RefreshSwatches() {
  const int maximum = SwatchScrollMaximum(Swatches().size());
  {
    // Setting the range may move the position: one repaint follows below.
    const QSignalBlocker quiet(scrollBar_);
    scrollBar_->setRange(0, maximum);
  }
  DrawGrid();
  paintBox_->update();
}

std::array<TColor, kShadeCount> TSwatchForm::SwatchCellColors(int index) const {
  const std::vector<std::string>& swatches = Swatches();
  if (index < 0 || static_cast<std::size_t>(index) >= swatches.size()) return {};
  return tintloom::SwatchCellColors(swatches[static_cast<std::size_t>(index)]);
}

void TSwatchForm::DrawGrid() {
  FillAll(grid_, kToolBackground);
  const std::vector<std::string>& swatches = Swatches();
  const int columns = grid_.width / kSwatchCellSide;
  const int rows = grid_.height / kSwatchCellSide + 1;
  const std::size_t first = static_cast<std::size_t>(kSwatchColumns) * static_cast<std::size_t>(scrollBar_->value());
  // Only the cells that can show: the ones further down would be clipped.
  const std::size_t end = std::min(swatches.size(), first + static_cast<std::size_t>(columns * rows));
  for (std::size_t i = first; i < end; ++i) {
    const int k = static_cast<int>(i - first);
    const int x = kSwatchCellSide * (k % columns);
    const int y = kSwatchCellSide * (k / columns);
    // A black outline 33 pixels across, so neighbours share their edges,
    // around the base shade's colour.
    FillRect(grid_, x - 1, y - 1, kSwatchCellSide + 1, kSwatchCellSide + 1, 0x000000);
    FillRect(grid_, x, y, kSwatchCellSide - 1, kSwatchCellSide - 1,
             tintloom::SwatchCellColors(swatches[i])[kBase] & 0xFFFFFFu);
  }
}

void TSwatchForm::PaintBox1MouseDown(const TMouseInput& input) {
  TCoordinationModel& model = Main().Model();
  if (model.Busy()) return;
  const std::int64_t index = SwatchIndexAt(input.x, input.y, paintBox_->width(), scrollBar_->value());
  const bool alt = input.modifiers & Qt::AltModifier;
  if (index < 0) return;
  if (input.button == Qt::RightButton) {
    ShowSwatchMenu(index, paintBox_->mapToGlobal(QPoint(input.x, input.y)));
    return;
  }
  if (static_cast<std::uint64_t>(index) >= Swatches().size()) {
    if (!alt) AddSwatch();
  } else if (alt) {
    DeleteSwatch(static_cast<int>(index));
  } else {
    // A copy: applying the line records a step, which may share or replace
    // the collection the line lives in.
    const std::string line = Swatches()[static_cast<std::size_t>(index)];
    ApplySwatchLine(model, line);
  }
}

void TSwatchForm::ShowSwatchMenu(std::int64_t index, const QPoint& globalPos) {
  const bool onSwatch = static_cast<std::uint64_t>(index) < Swatches().size();
  QMenu menu(this);
  menu.setObjectName("SwatchMenu");
  QAction* add = onSwatch ? nullptr : menu.addAction(tr("スウォッチを追加(&A)"));
  QAction* remove = onSwatch ? menu.addAction(tr("削除(&D)")) : nullptr;
  menu.addSeparator();
  QAction* import = menu.addAction(tr("パレットを読み込む(&I)..."));
  QAction* picture = menu.addAction(tr("画像から色を取り出す(&E)..."));
  QAction* chosen = runSwatchMenu(menu, globalPos);
  // The model may have become busy while the menu was open.
  if (chosen == nullptr || Main().Model().Busy()) return;
  if (chosen == add) {
    AddSwatch();
  } else if (chosen == remove) {
    DeleteSwatch(static_cast<int>(index));
  } else if (chosen == import) {
    ImportPaletteClick();
  } else if (chosen == picture) {
    TakeColoursClick();
  }
}

void TSwatchForm::TakeColoursClick() {
  if (Main().Model().Busy() || !runPictureDialog) return;
  const QString path = runPictureDialog();
  if (!path.isEmpty()) TakeColoursFromPicture(path);
}

void TSwatchForm::TakeColoursFromPicture(const QString& path) {
  TCoordinationModel& model = Main().Model();
  if (model.Busy()) return;
  Result<QImage> picture = ReadPicture(path);
  if (!picture) {
    model.Messages().ShowMessage(picture.error().message);
    return;
  }
  TPictureColoursDialog dialog(std::move(*picture), path, this);
  runColoursDialog(dialog);
  // The model may have become busy while the dialog was open.
  if (model.Busy() || dialog.Colours().empty()) return;
  if (dialog.Choice() == TPictureColoursDialog::TChoice::Swatches) {
    std::vector<std::string> lines = ColourSwatchLines(model, dialog.Colours());
    // All or none, as with a palette file.
    if (lines.empty() || !RoomFor(lines.size())) return;
    changed_ = true;
    const std::size_t first = Swatches().size();
    model.AddSwatches(std::move(lines));
    RefreshSwatches();
    scrollBar_->setValue(SwatchScrollMaximum(first));
  } else if (dialog.Choice() == TPictureColoursDialog::TChoice::Slots) {
    UseColoursInSlots(model, dialog.Colours());
  }
}

void TSwatchForm::ImportPaletteClick() {
  if (Main().Model().Busy() || !runImportDialog) return;
  const QString path = runImportDialog();
  if (!path.isEmpty()) ImportPaletteFile(path);
}

void TSwatchForm::ImportPaletteFile(const QString& path) {
  TCoordinationModel& model = Main().Model();
  if (model.Busy()) return;
  Result<TPaletteImport> imported = tintloom::ImportPaletteFile(model, path.toStdString());
  if (!imported) {
    model.Messages().ShowMessage(imported.error().message);
    return;
  }
  std::vector<std::string>& lines = imported->lines;
  // All or none, as with a damaged file.
  if (!RoomFor(lines.size())) return;
  if (!lines.empty()) {
    // The whole file is one step to undo.
    changed_ = true;
    const std::size_t first = Swatches().size();
    model.AddSwatches(std::move(lines));
    RefreshSwatches();
    scrollBar_->setValue(SwatchScrollMaximum(first));
  }
  // Told once the swatches that did come in are on show.
  if (!imported->notice.empty()) model.Messages().ShowMessage(imported->notice);
}

bool TSwatchForm::eventFilter(QObject* watched, QEvent* event) {
  // Over the grid the wheel scrolls it as over the scroll bar itself.
  if (watched == paintBox_ && event->type() == QEvent::Wheel) {
    QApplication::sendEvent(scrollBar_, event);
    return true;
  }
  return TToolForm::eventFilter(watched, event);
}

void TSwatchForm::keyPressEvent(QKeyEvent* event) {
  QAbstractSlider::SliderAction action = QAbstractSlider::SliderNoAction;
  switch (event->key()) {
    case Qt::Key_PageUp: action = QAbstractSlider::SliderPageStepSub; break;
    case Qt::Key_PageDown: action = QAbstractSlider::SliderPageStepAdd; break;
    case Qt::Key_Home: action = QAbstractSlider::SliderToMinimum; break;
    case Qt::Key_End: action = QAbstractSlider::SliderToMaximum; break;
    default: TToolForm::keyPressEvent(event); return;
  }
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
    TToolForm::keyPressEvent(event);
    return;
  }
  scrollBar_->triggerAction(action);
  event->accept();
}

void TSwatchForm::dragEnterEvent(QDragEnterEvent* event) { TakeDropAsCopy(event); }

void TSwatchForm::dragMoveEvent(QDragMoveEvent* event) { TakeDropAsCopy(event); }

void TSwatchForm::dropEvent(QDropEvent* event) {
  if (!TakeDropAsCopy(event)) return;
  // Each palette comes in on its own: a damaged one does not stop the
  // others. Of pictures only the first is taken, as it opens a dialog.
  QString picture;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = url.toLocalFile();
    if (!IsPictureFile(path)) {
      ImportPaletteFile(path);
    } else if (picture.isEmpty()) {
      picture = path;
    }
  }
  if (!picture.isEmpty()) TakeColoursFromPicture(picture);
}

}  // namespace tintloom
