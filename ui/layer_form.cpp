#include "ui/layer_form.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStringDecoder>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <algorithm>

#include "core/artwork/blend_table.h"
#include "core/document/coordination_model.h"
#include "core/palette/tone_vocabulary.h"
#include "ui/main_form.h"
#include "ui/paint_box.h"
#include "ui/surface_view.h"
#include "ui/translation.h"

namespace tintloom {

namespace {

constexpr int kClientWidth = 262;
constexpr int kDesignClientHeight = 461;
constexpr TColor kBlack = 0x000000;
constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kMarkerGrey = 0x808080;
constexpr TColor kSplitterColour = 12369084;  // 0xBCBCBC

// The upper area holds the combo, the level edits, the preview and, along
// its bottom, the slot grid; the list fills what is left above the splitter.
constexpr int kUpperAreaHeight = 176;
constexpr int kGridWidth = 260;
constexpr int kGridHeight = 80;
constexpr int kPreviewWidth = 248;
constexpr int kPreviewHeight = 32;
constexpr int kStripWidth = kPreviewWidth - 8;  // 240 entries
constexpr int kRowHeight = 39;
// The eye that shows or hides a row's layer, in a column at the row's left;
// thumbnail, swatch and name follow it.
constexpr int kEyeWidth = 18;
constexpr int kThumbnailLeft = kEyeWidth + 3;
constexpr int kSwatchLeft = kEyeWidth + 38;
constexpr int kNameLeft = kEyeWidth + 76;
constexpr int kSplitterHeight = 7;
// The window never shrinks past its upper area, the splitter and one row.
constexpr int kMinClientHeight = kToolTitleHeight + kUpperAreaHeight + kRowHeight + kSplitterHeight;

// Popup items and their tags: the ramp the selected layer is mapped to.
struct TPopupItem {
  const char* name;
  const char* caption;
  int tag;
};
constexpr TPopupItem kPopupItems[] = {
    {"N1", QT_TRANSLATE_NOOP("tintloom::TLayerForm", "グレイスケールレイヤー"), kGreyRamp},
    {"N2", QT_TRANSLATE_NOOP("tintloom::TLayerForm", "黒ベタレイヤー"), kBlackRamp},
    {"N3", QT_TRANSLATE_NOOP("tintloom::TLayerForm", "白ベタレイヤー"), kWhiteRamp},
};

// Image list 1: a diagonal grey gradient, white at the top left to near
// black at the bottom right; the grey depends only on x + y.
QImage MakeGreyRampIcon() {
  QImage image(kThumbnailSize, kThumbnailSize, QImage::Format_RGB32);
  for (int y = 0; y < kThumbnailSize; ++y) {
    for (int x = 0; x < kThumbnailSize; ++x) {
      const int grey = 255 - 4 * (x + y);
      image.setPixel(x, y, qRgb(grey, grey, grey));
    }
  }
  return image;
}

// Image list 2: 9 x 9 diamonds in grey on a transparent background; the
// base-level marker filled with a fine pattern, the shadow-level marker an
// outline.
QImage MakeLevelMarker(bool filled) {
  QImage image(9, 9, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  const QRgb grey = qRgb(kMarkerGrey & 0xFF, kMarkerGrey >> 8 & 0xFF, kMarkerGrey >> 16 & 0xFF);
  for (int y = 0; y < 9; ++y) {
    const int half = y <= 4 ? y : 8 - y;
    for (int x = 4 - half; x <= 4 + half; ++x) {
      const bool edge = x == 4 - half || x == 4 + half;
      if (edge || (filled && (x + y) % 2 == 0)) image.setPixel(x, y, grey);
    }
  }
  return image;
}

// Layer names are the file's raw bytes in the Japanese code page.
QString LayerName(const std::optional<std::string>& name) {
  if (!name || name->empty()) return QString();
  QStringDecoder decoder("Shift_JIS");
  if (!decoder.isValid()) return QString::fromLatin1(name->data(), static_cast<qsizetype>(name->size()));
  return decoder.decode(QByteArrayView(name->data(), static_cast<qsizetype>(name->size())));
}

// Small enough that "マッピング設定:" ends before the base label.
constexpr int kLayerLabelSize = 10;


QWidget* MakeSwatch(QWidget* parent, const char* name, int x, int y) {
  auto* swatch = new QWidget(parent);
  swatch->setObjectName(name);
  swatch->setGeometry(x, y, 19, 19);
  swatch->setAutoFillBackground(true);
  return swatch;
}

QLineEdit* MakeLevelEdit(QWidget* parent, const char* name, int x, int y) {
  auto* edit = new QLineEdit(QStringLiteral("255"), parent);
  edit->setObjectName(name);
  edit->setMaxLength(3);
  edit->setGeometry(x, y, 29, 21);
  return edit;
}

// Text read as a decimal integer, 0 when it is not one; the level is its low
// byte, so 256 gives 0 and 300 gives 44.
int LevelFromText(const QString& text) {
  bool ok = false;
  const long long value = text.trimmed().toLongLong(&ok, 10);
  return ok ? static_cast<int>(static_cast<unsigned long long>(value) & 0xFFu) : 0;
}

// Rows are drawn by the window, 39 pixels high.
class TLayerRowDelegate final : public QStyledItemDelegate {
 public:
  explicit TLayerRowDelegate(TLayerForm& form) : QStyledItemDelegate(&form), form_(form) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    form_.ListBox1DrawItem(*painter, index.row(), option.rect, option.state & QStyle::State_Selected);
  }
  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return QSize(kGridWidth, kRowHeight);
  }

 private:
  TLayerForm& form_;
};

}  // namespace

TLayerForm::TLayerForm(TMainForm& main)
    : TToolForm(main, "LayerForm", tr("レイヤー"), kClientWidth, kDesignClientHeight) {
  QWidget* panel = ContentPanel();

  blendCombo_ = new QComboBox(panel);
  blendCombo_->setObjectName("ComboBox1");
  blendCombo_->setGeometry(8, 6, 247, 21);
  blendCombo_->setMaxVisibleItems(30);
  for (const TBlendMode& mode : kBlendModes) blendCombo_->addItem(UserText(mode.label));
  blendCombo_->setCurrentIndex(0);
  // Only the user's pick changes the mode; showing a layer's mode does not.
  connect(blendCombo_, &QComboBox::activated, this, [this] { ComboBox1Change(); });

  QLabel* mappingLabel = MakeToolLabel(panel, "Label1", tr("マッピング設定:"), 8, 36, kLayerLabelSize);
  QLabel* baseLabel = MakeToolLabel(panel, "Label4", tr("ベース :"), 86, 36, kLayerLabelSize);
  baseSwatch_ = MakeSwatch(panel, "Panel3", 127, 32);
  baseEdit_ = MakeLevelEdit(panel, "Edit1", 146, 32);
  QLabel* shadowLabel = MakeToolLabel(panel, "Label5", tr("影："), 185, 36, kLayerLabelSize);
  shadowSwatch_ = MakeSwatch(panel, "Panel2", 207, 32);
  shadowEdit_ = MakeLevelEdit(panel, "Edit2", 226, 32);
  SetSwatch(baseSwatch_, 255);
  SetSwatch(shadowSwatch_, 0);
  // Words longer than the Japanese ones (English) would run under the shadow
  // swatch: the shadow label then ends at its swatch and the base group
  // follows the mapping label closely, so that every label shows whole.
  if (shadowLabel->x() + shadowLabel->width() > shadowSwatch_->x()) {
    const int gap = 4;
    baseLabel->move(mappingLabel->x() + mappingLabel->width() + gap, baseLabel->y());
    baseSwatch_->move(baseLabel->x() + baseLabel->width() + gap, baseSwatch_->y());
    baseEdit_->move(baseSwatch_->x() + baseSwatch_->width(), baseEdit_->y());
    shadowLabel->move(shadowSwatch_->x() - gap - shadowLabel->width(), shadowLabel->y());
  }
  connect(baseEdit_, &QLineEdit::textChanged, this, [this] { Edit1Change(); });
  connect(shadowEdit_, &QLineEdit::textChanged, this, [this] { Edit2Change(); });
  // Enter, Tab or a click elsewhere commits what was typed, and a typed
  // level is one step however many keys it took.
  connect(baseEdit_, &QLineEdit::editingFinished, this, [this] {
    CommitLevelEdit(false);
    EndTypingGesture(UnsetLevel(baseEdit_));
  });
  connect(shadowEdit_, &QLineEdit::editingFinished, this, [this] {
    CommitLevelEdit(true);
    EndTypingGesture(UnsetLevel(shadowEdit_));
  });
  for (QWidget* passive : {static_cast<QWidget*>(mappingLabel), static_cast<QWidget*>(baseLabel),
                           static_cast<QWidget*>(shadowLabel)}) {
    RouteDragEvents(passive);
  }

  previewBox_ = new TPaintBox(panel, 7, 58, kPreviewWidth, kPreviewHeight);
  previewBox_->setObjectName("PaintBox1");
  previewBox_->onPaint = [this](QPainter& p) { p.drawImage(0, 0, SurfaceImage(std::as_const(preview_))); };
  slotGridBox_ = new TPaintBox(panel, 1, kUpperAreaHeight - kGridHeight, kGridWidth, kGridHeight);
  slotGridBox_->setObjectName("PaintBox2");
  slotGridBox_->onPaint = [this](QPainter& p) { p.drawImage(0, 0, SurfaceImage(std::as_const(slotGrid_))); };
  slotGridBox_->onMouseDown = [this](const TMouseInput& in) { PaintBox2MouseDown(in); };

  layerList_ = new QListWidget(panel);
  layerList_->setObjectName("ListBox1");
  // Ctrl+click, Shift+click and Ctrl+A select several layers, as in a file list.
  layerList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  layerList_->setUniformItemSizes(true);
  layerList_->setFrameShape(QFrame::NoFrame);
  layerList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  layerList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  layerList_->setItemDelegate(new TLayerRowDelegate(*this));
  layerList_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(layerList_, &QListWidget::itemSelectionChanged, this, [this] {
    if (!listing_) ListBox1Click();
  });

  popupMenu_ = new QMenu(this);
  popupMenu_->setObjectName("PopupMenu1");
  for (const TPopupItem& item : kPopupItems) {
    QAction* action = popupMenu_->addAction(tr(item.caption));
    action->setObjectName(item.name);
    action->setData(item.tag);
    connect(action, &QAction::triggered, this, [this, action] { N1Click(action->data().toInt()); });
  }
  connect(layerList_, &QListWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { popupMenu_->popup(layerList_->viewport()->mapToGlobal(pos)); });

  splitter_ = new QWidget(panel);
  splitter_->setObjectName("Panel4");
  splitter_->setAutoFillBackground(true);
  QPalette pal = splitter_->palette();
  pal.setColor(QPalette::Window, ToQColor(kSplitterColour));
  splitter_->setPalette(pal);
  splitter_->setCursor(Qt::SizeVerCursor);
  splitter_->installEventFilter(this);

  // The screen-colour and undo keys work from the controls that keep the focus.
  blendCombo_->installEventFilter(this);
  layerList_->installEventFilter(this);
  layerList_->viewport()->installEventFilter(this);
  baseEdit_->installEventFilter(this);
  shadowEdit_->installEventFilter(this);

  greyRampIcon_ = MakeGreyRampIcon();
  baseMarker_ = MakeLevelMarker(true);
  shadowMarker_ = MakeLevelMarker(false);
  preview_.Create(kPreviewWidth, kPreviewHeight);
  strip_.Create(kStripWidth, 1);
  slotGrid_.Create(kGridWidth, kGridHeight);
  FillAll(preview_, kToolBackground);
  FillAll(slotGrid_, kToolBackground);
  panel->installEventFilter(this);
  ExplainControls();
  PlaceLowerArea();
}

void TLayerForm::ExplainControls() {
  CloseButton()->setToolTip(tr("レイヤーウィンドウを閉じる（表示メニューでまた開けます）"));
  blendCombo_->setToolTip(tr("描画モード: 選択中のレイヤーを下のレイヤーにどう重ねるか"));
  blendCombo_->setAccessibleName(tr("描画モード"));
  baseSwatch_->setToolTip(tr("ベースのレベルの灰色: レイヤーのこの明るさがスロットのベース色になる"));
  baseSwatch_->setAccessibleName(tr("ベースのレベルの灰色"));
  shadowSwatch_->setToolTip(tr("影のレベルの灰色: レイヤーのこの明るさがスロットの影の色になる"));
  shadowSwatch_->setAccessibleName(tr("影のレベルの灰色"));
  baseEdit_->setToolTip(tr("ベースのレベル 0〜255: 選択中のレイヤーのどの灰色をベース色にするか（キャンバスで Shift+クリックでも取れる）"));
  baseEdit_->setAccessibleName(tr("ベースのレベル"));
  shadowEdit_->setToolTip(tr("影のレベル 0〜255: 選択中のレイヤーのどの灰色を影の色にするか（キャンバスで Shift+右クリックでも取れる）"));
  shadowEdit_->setAccessibleName(tr("影のレベル"));
  previewBox_->setToolTip(tr("マッピングの見本: 選択中のレイヤーの灰色（左が黒、右が白）がどの色になるか。"
                             "印はベースと影のレベル"));
  previewBox_->setAccessibleName(tr("マッピングの見本"));
  slotGridBox_->setToolTip(tr("スロット表: 列がスロット 1〜10、段が上からハイライト、ベース、影、深い影。"
                              "クリックで選択中のレイヤーの色をそのスロットにする"));
  slotGridBox_->setAccessibleName(tr("スロット表"));
  const auto cellText = [this](int slot, int shade) {
    const QString names[kShadeCount] = {tr("ハイライト"), tr("ベース"), tr("影"), tr("深い影")};
    const TColor colour = Model().SlotAt(slot).shades[static_cast<std::size_t>(shade)].LitColor;
    return tr("スロット %1 %2 %3").arg(slot + 1).arg(names[shade]).arg(QString::fromStdString(HexCodeText(colour)));
  };
  slotGridBox_->onToolTip = [this, cellText](int x, int y) {
    const int cellWidth = slotGridBox_->width() / kSlotCount;
    const int cellHeight = slotGridBox_->height() / kShadeCount;
    if (cellWidth <= 0 || cellHeight <= 0 || x < 0 || y < 0 || y >= cellHeight * kShadeCount) return QString();
    return cellText(std::clamp(x / cellWidth, 0, kSlotCount - 1), y / cellHeight);
  };
  slotGridBox_->accessibleRole = QAccessible::Table;
  slotGridBox_->partRole = QAccessible::Cell;
  slotGridBox_->setFocusPolicy(Qt::StrongFocus);
  slotGridBox_->onActivate = [this](int cell, Qt::KeyboardModifiers) {
    if (!Model().Busy()) Model().SelectSlot(cell / kShadeCount);
  };
  slotGridBox_->onParts = [this, cellText] {
    std::vector<TPaintBoxPart> parts;
    const int cellWidth = slotGridBox_->width() / kSlotCount;
    const int cellHeight = slotGridBox_->height() / kShadeCount;
    for (int slot = 0; slot < kSlotCount; ++slot) {
      for (int shade = 0; shade < kShadeCount; ++shade) {
        parts.push_back({QRect(slot * cellWidth, shade * cellHeight, cellWidth, cellHeight), cellText(slot, shade),
                         QString(), slot == Model().selectedSlot});
      }
    }
    return parts;
  };
  layerList_->setToolTip(tr("レイヤー: 上が一番上のレイヤー。クリックで選ぶ、Ctrl+クリック・Shift+クリックで複数選ぶ、"
                            "目のクリックか Space で表示を切り替える、右クリックで灰色・黒・白のレイヤーにする"));
  layerList_->setAccessibleName(tr("レイヤー"));
  splitter_->setToolTip(tr("ドラッグでウィンドウの高さを変える"));
  splitter_->setAccessibleName(tr("高さの仕切り"));
}

// The window is deleted with the main window, after the model is gone; its
// controls, deleted after this body, must not reach the handlers (a list
// emptied on deletion reports its selection changing).
TLayerForm::~TLayerForm() {
  for (QObject* control : {static_cast<QObject*>(blendCombo_), static_cast<QObject*>(baseEdit_),
                           static_cast<QObject*>(shadowEdit_), static_cast<QObject*>(layerList_),
                           static_cast<QObject*>(popupMenu_)}) {
    control->disconnect(this);
  }
  for (QAction* action : popupMenu_->actions()) action->disconnect(this);
}

TCoordinationModel& TLayerForm::Model() const { return Main().Model(); }

QImage TLayerForm::GreyRampIcon() { return MakeGreyRampIcon(); }

void TLayerForm::PlaceLowerArea() {
  const int panelHeight = ContentPanel()->height();
  const int listHeight = std::max(0, panelHeight - kUpperAreaHeight - kSplitterHeight);
  layerList_->setGeometry(1, kUpperAreaHeight, kGridWidth, listHeight);
  splitter_->setGeometry(0, panelHeight - kSplitterHeight, kClientWidth, kSplitterHeight);
}

void TLayerForm::showEvent(QShowEvent* event) {
  TToolForm::showEvent(event);
  // Nothing is drawn while hidden: catch up with the model. A load that ran
  // while the window was hidden left the list empty; the layers are listed
  // now, so they can be mapped without opening the file again.
  if (Model().Busy()) return;
  if (layerList_->count() != Model().LayerCount()) FillLayerList();
  ShowSelectedRow();
  Model().ShowSelectedLayerValues(true);
  RefreshSlotGrid();
  PaintMappingPreview();
}

void TLayerForm::ShowRestoredState() {
  if (!isVisible() || Model().Busy()) return;
  ShowSelectedRow();
  // Layers selected together whose values differ keep their empty edits:
  // the top layer's value shown there would go to all of them on Enter.
  Model().ShowSelectedLayerValues(true);
  PaintMappingPreview();
}

bool TLayerForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ContentPanel() && event->type() == QEvent::Resize) {
    // The list takes whatever height the window gets.
    PlaceLowerArea();
  } else if (watched == splitter_) {
    SplitterEvent(event);
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove ||
        event->type() == QEvent::MouseButtonRelease) {
      return true;  // the splitter's presses never drag the window
    }
  } else if (watched == layerList_->viewport() &&
             (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
    // A press on a row's eye shows or hides that layer and leaves the
    // selection alone.
    const auto* press = static_cast<QMouseEvent*>(event);
    const QPoint at = press->position().toPoint();
    if (press->button() == Qt::LeftButton && at.x() < kEyeWidth) {
      const QListWidgetItem* item = layerList_->itemAt(at);
      const int layer = item != nullptr ? LayerAtRow(layerList_->row(item)) : -1;
      if (layer >= 0 && layer < Model().LayerCount() && !Model().Busy()) {
        Model().SetLayersHidden({layer}, !Model().LayerHidden(layer));
      }
      return true;
    }
  } else if (watched == layerList_ && event->type() == QEvent::KeyPress &&
             static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
             static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
    // Space shows or hides the selected layers together, all following the
    // first one.
    const std::vector<int> layers = Model().SelectedLayers();
    if (!layers.empty() && !Model().Busy()) Model().SetLayersHidden(layers, !Model().LayerHidden(layers.front()));
    return true;
  } else if ((watched == blendCombo_ || watched == layerList_ || watched == baseEdit_ || watched == shadowEdit_) &&
             event->type() == QEvent::KeyPress) {
    if (Main().HandleShortcutKey(this, *static_cast<QKeyEvent*>(event))) return true;
  }
  return TToolForm::eventFilter(watched, event);
}

// ---------------------------------------------------------------- splitter

void TLayerForm::SplitterEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      splitterDragging_ = true;
      splitterAnchorY_ = static_cast<QMouseEvent*>(event)->position().toPoint().y();
      break;
    case QEvent::MouseMove: {
      auto* move = static_cast<QMouseEvent*>(event);
      if (!splitterDragging_) break;
      if (move->buttons() == Qt::NoButton) {
        splitterDragging_ = false;  // the release went elsewhere
        break;
      }
      // The strip moves with the window's bottom, so each move's y is taken
      // from where the strip now is.
      const int y = move->position().toPoint().y();
      SetClientHeight(std::max(kMinClientHeight, height() + y - splitterAnchorY_));
      break;
    }
    case QEvent::MouseButtonRelease:
      splitterDragging_ = false;
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------- list

int TLayerForm::LayerAtRow(int row) const {
  const int count = layerList_->count();
  if (row < 0 || row >= count) return -1;
  return count - 1 - row;
}

void TLayerForm::ClearLayerList() {
  listing_ = true;
  layerList_->clear();
  listing_ = false;
}

void TLayerForm::FillLayerList() {
  const int count = Model().LayerCount();
  if (!isVisible()) {
    // Filled when shown: artwork read again meanwhile may have as many
    // layers under other names.
    if (count > 0) ClearLayerList();
    return;
  }
  if (count == 0) return;
  listing_ = true;
  layerList_->setUpdatesEnabled(false);
  // The same artwork read again after a save keeps its place in the list.
  const int scrolled = layerList_->verticalScrollBar()->value();
  layerList_->clear();
  for (int i = count - 1; i >= 0; --i) {
    const TSimpleLayer& simple = Model().Artwork().Document().Simples[static_cast<std::size_t>(i)];
    layerList_->addItem(simple.UnicodeName ? QString::fromStdString(*simple.UnicodeName) : LayerName(simple.Name));
  }
  layerList_->verticalScrollBar()->setValue(scrolled);
  layerList_->setUpdatesEnabled(true);
  listing_ = false;
  // Refilled after a file that failed to open, the list shows the selection
  // the layers kept.
  ShowSelectedRow();
}

void TLayerForm::ShowSelectedRow() {
  const std::vector<int> layers = Model().SelectedLayers();
  const int count = layerList_->count();
  listing_ = true;
  layerList_->clearSelection();
  for (const int layer : layers) {
    if (layer < count) layerList_->item(count - 1 - layer)->setSelected(true);
  }
  if (!layers.empty() && layers.front() < count) {
    layerList_->setCurrentRow(count - 1 - layers.front(), QItemSelectionModel::NoUpdate);
  }
  listing_ = false;
}

void TLayerForm::RefreshLayerList() {
  if (!isVisible() || Model().Busy()) return;
  layerList_->viewport()->update();
}

void TLayerForm::ListBox1Click() {
  if (Model().Busy()) return;
  // The selected rows top first: the top one is shown in the window.
  std::vector<int> rows;
  for (const QListWidgetItem* item : layerList_->selectedItems()) rows.push_back(layerList_->row(item));
  std::sort(rows.begin(), rows.end());
  std::vector<int> layers;
  for (const int row : rows) {
    const int layer = LayerAtRow(row);
    // Rows and layers are made together; a row without its layer selects none.
    if (layer >= 0 && layer < Model().LayerCount()) layers.push_back(layer);
  }
  if (layers.size() > 1) {
    Model().SelectLayers(layers);
    PaintMappingPreview();
    return;
  }
  const int layer = layers.empty() ? -1 : layers.front();
  Model().SelectLayer(layer);
  if (layer == -1) PaintMappingPreview();
}

void TLayerForm::ListBox1DrawItem(QPainter& painter, int row, const QRect& rect, bool selected) {
  if (Model().Busy()) return;
  const QPalette& pal = layerList_->palette();
  painter.fillRect(rect, pal.brush(selected ? QPalette::Highlight : QPalette::Base));

  QFont font = painter.font();
  font.setPixelSize(12);
  painter.setFont(font);
  painter.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
  const QString name = layerList_->item(row) != nullptr ? layerList_->item(row)->text() : QString();
  const int layer = LayerAtRow(row);
  int nameRight = rect.right();
  if (Model().Artwork().Fresh(layer)) {
    // New since the painting program's last save, until the user picks it:
    // a badge at the row's end.
    const QString badge = tr("新規");
    const int badgeWidth = painter.fontMetrics().horizontalAdvance(badge) + 8;
    const QRect mark(rect.right() - badgeWidth - 3, rect.top() + rect.height() / 2 - 8, badgeWidth, 16);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xE0, 0x6C, 0x00));
    painter.drawRoundedRect(mark, 4, 4);
    painter.setPen(Qt::white);
    painter.drawText(mark, Qt::AlignCenter, badge);
    painter.restore();
    nameRight = mark.left() - 3;
  }
  painter.drawText(QRect(rect.left() + kNameLeft, rect.top(), std::max(0, nameRight - rect.left() - kNameLeft),
                         rect.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, name);

  const int top = rect.top();
  painter.setBrush(Qt::NoBrush);
  if (layer >= 0 && layer < Model().LayerCount() && !Model().LayerHidden(layer)) {
    // An open eye for a shown layer; a hidden one leaves the column empty.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = pal.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QPointF centre(kEyeWidth / 2.0 + 1, top + rect.height() / 2.0);
    painter.setPen(QPen(ink, 1.2));
    painter.drawEllipse(centre, 6.5, 3.8);
    painter.setBrush(ink);
    painter.drawEllipse(centre, 2.0, 2.0);
    painter.restore();
  }
  if (const TSurface* thumbnail = Model().LayerThumbnail(layer); thumbnail != nullptr) {
    painter.drawImage(kThumbnailLeft, top + 3, SurfaceImage(*thumbnail));
    painter.setPen(Qt::black);
    painter.drawRect(kThumbnailLeft, top + 3, kThumbnailSize - 1, kThumbnailSize - 1);
  }

  if (layer >= 0 && layer < Model().LayerCount()) {
    const QRect swatch(kSwatchLeft, top + 3, kThumbnailSize, kThumbnailSize);
    const int mapped = Model().LayerMapping(layer).MappedSlot;
    if (mapped >= 0 && mapped < kSlotCount) {
      // The slot's own base colour, before the light balance tints it.
      painter.fillRect(swatch, ToQColor(Model().SlotAt(mapped).shades[kBase].Color));
    } else if (mapped == kGreyRamp) {
      painter.drawImage(swatch.topLeft(), greyRampIcon_);
    } else if (mapped == kBlackRamp) {
      painter.fillRect(swatch, Qt::black);
    } else if (mapped == kWhiteRamp) {
      painter.fillRect(swatch, Qt::white);
    }
    painter.setPen(Qt::black);
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
  }

  const int bottom = rect.top() + rect.height() - 1;
  painter.setPen(ToQColor(kMarkerGrey));
  painter.drawLine(rect.left(), bottom, rect.left() + rect.width(), bottom);
}

void TLayerForm::N1Click(int tag) { Model().MapSelectedLayerToRamp(tag); }

// ---------------------------------------------------------------- combo and levels

void TLayerForm::ComboBox1Change() {
  if (Model().Busy()) return;
  const int item = blendCombo_->currentIndex();
  if (item < 0) return;
  Model().SetLayerBlendMode(item - 1);
}

void TLayerForm::ShowLayerBlendMode(int comboItem) {
  // Layers of different modes show none until one is chosen for all.
  if (comboItem == -1) blendCombo_->setCurrentIndex(-1);
  if (comboItem >= 0 && comboItem < blendCombo_->count()) blendCombo_->setCurrentIndex(comboItem);
}

void TLayerForm::BeginTypingGesture() {
  // A drag elsewhere may have ended the typing's step: the next key begins another.
  if (typingGesture_ && Model().InGesture()) return;
  typingGesture_ = true;
  Model().BeginGesture();
}

void TLayerForm::EndTypingGesture(bool cancelled) {
  if (!typingGesture_) return;
  typingGesture_ = false;
  // Layers that differ, their edit left empty: the levels previewed while
  // typing go back, as no value was given.
  if (cancelled && Model().InGesture()) {
    Model().CancelGesture();
    return;
  }
  Model().EndGesture();
}

// Typing 200 over a base of 170 passes through "2" and "20": applied as they
// come, the first would fall below the shadow level and the rule that keeps
// the base at or above the shadow would reset the shadow to 0 for good. So a
// keystroke previews its level only when the rule would leave the other level
// alone, and the rule itself applies to the value the user commits.
// With several layers selected the rule must leave every one of them alone.
void TLayerForm::Edit1Change() {
  if (Model().Busy() || suppress_ || !LevelSelectable() || UnsetLevel(baseEdit_)) return;
  BeginTypingGesture();
  const int level = LevelFromText(baseEdit_->text());
  int highestShadow = 0;
  for (const int layer : Model().SelectedLayers()) {
    highestShadow = std::max<int>(highestShadow, Model().LayerMapping(layer).ShadowLevel);
  }
  if (level >= highestShadow) Model().SetLayerBaseLevel(level);
}

void TLayerForm::Edit2Change() {
  if (Model().Busy() || suppress_ || !LevelSelectable() || UnsetLevel(shadowEdit_)) return;
  BeginTypingGesture();
  const int level = LevelFromText(shadowEdit_->text());
  int lowestBase = 255;
  for (const int layer : Model().SelectedLayers()) {
    lowestBase = std::min<int>(lowestBase, Model().LayerMapping(layer).BaseLevel);
  }
  if (level <= lowestBase) Model().SetLayerShadowLevel(level);
}

bool TLayerForm::UnsetLevel(const QLineEdit* edit) const {
  // Layers whose levels differ show an empty edit: leaving it empty (or
  // clearing it) gives no value, so focus passing through changes nothing.
  return edit->text().trimmed().isEmpty() && Model().SelectedLayers().size() > 1;
}

void TLayerForm::CommitLevelEdit(bool shadow) {
  if (Model().Busy() || suppress_ || !LevelSelectable() || UnsetLevel(shadow ? shadowEdit_ : baseEdit_)) return;
  if (shadow) {
    Model().SetLayerShadowLevel(LevelFromText(shadowEdit_->text()));
  } else {
    Model().SetLayerBaseLevel(LevelFromText(baseEdit_->text()));
  }
}

bool TLayerForm::LevelSelectable() {
  const int layer = Model().Artwork().SelectedLayer();
  return layer >= 0 && layer < Model().LayerCount();
}

void TLayerForm::SetLevelText(QLineEdit* edit, int level) {
  // -1: the selected layers differ, the edit stays empty until a value is typed.
  const QString text = level < 0 ? QString() : QString::number(level);
  // Rewriting the same text would only move the cursor under the user's typing.
  if (edit->text() != text) edit->setText(text);
}

void TLayerForm::ShowLayerLevels(int baseLevel, int shadowLevel) {
  suppress_ = true;
  SetLevelText(baseEdit_, baseLevel);
  SetLevelText(shadowEdit_, shadowLevel);
  suppress_ = false;
  SetSwatch(baseSwatch_, baseLevel);
  SetSwatch(shadowSwatch_, shadowLevel);
}

void TLayerForm::SetSwatch(QWidget* swatch, int level) {
  const TColor grey = level < 0 ? kToolBackground : static_cast<TColor>(level & 0xFF) * 0x010101u;
  QPalette pal = swatch->palette();
  pal.setColor(QPalette::Window, ToQColor(grey));
  swatch->setPalette(pal);
}

// ---------------------------------------------------------------- preview and grid

void TLayerForm::PaintMappingPreview() {
  if (!isVisible() || Model().Busy()) return;
  FillAll(preview_, kToolBackground);
  const int layer = Model().Artwork().SelectedLayer();
  if (layer >= 0 && layer < Model().LayerCount()) {
    const TLayerMapping& mapping = Model().LayerMapping(layer);
    for (int i = 0; i < kStripWidth; ++i) {
      const TRgb24* colour = mapping.Lookup[static_cast<std::size_t>(i * 255 / (kStripWidth - 1))];
      strip_.At(i, 0) = colour != nullptr ? *colour : TRgb24{};
    }
    StretchCopy(preview_, QRect(4, 9, kStripWidth, kPreviewHeight - 9), strip_, QRect(0, 0, kStripWidth, 1));
    DrawImage(preview_, mapping.BaseLevel * kStripWidth / 255, 0, baseMarker_);
    DrawImage(preview_, mapping.ShadowLevel * kStripWidth / 255, 0, shadowMarker_);
  }
  FrameRect(preview_, 4, 9, kStripWidth, kPreviewHeight - 9, 0, kBlack);
  previewBox_->update();
}

void TLayerForm::RefreshSlotGrid() {
  if (!isVisible() || Model().Busy()) return;
  const int cellWidth = slotGrid_.width / kSlotCount;
  const int cellHeight = slotGrid_.height / kShadeCount;
  FillAll(slotGrid_, kToolBackground);
  for (int i = 0; i < kSlotCount; ++i) {
    for (int j = 0; j < kShadeCount; ++j) {
      FillRect(slotGrid_, i * cellWidth, j * cellHeight, cellWidth, cellHeight,
               Model().SlotAt(i).shades[static_cast<std::size_t>(j)].LitColor);
    }
  }
  // The rule slots and the free slots, kept apart.
  FillRect(slotGrid_, slotGrid_.width / 2 - 1, 0, 1, slotGrid_.height, kBlack);
  const int selected = Model().selectedSlot;
  if (selected >= 0 && selected < kSlotCount) {
    const int x = selected * cellWidth;
    FrameRect(slotGrid_, x, 0, cellWidth, slotGrid_.height, 1, kBlack);
    FrameRect(slotGrid_, x, 0, cellWidth, slotGrid_.height, 2, kWhite);
    FrameRect(slotGrid_, x, 0, cellWidth, slotGrid_.height, 3, kBlack);
  }
  slotGridBox_->update();
}

void TLayerForm::PaintBox2MouseDown(const TMouseInput& input) {
  if (Model().Busy()) return;
  const int cellWidth = slotGridBox_->width() / kSlotCount;
  // The row is ignored; a press in the last pixels past the tenth column
  // still belongs to it.
  const int slot = std::clamp(input.x / cellWidth, 0, kSlotCount - 1);
  Model().SelectSlot(slot);
}

}  // namespace tintloom
