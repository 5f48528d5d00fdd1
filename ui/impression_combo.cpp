#include "ui/impression_combo.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QStylePainter>

#include "core/palette/impression_presets.h"
#include "ui/surface_view.h"
#include "ui/translation.h"

namespace tintloom {

namespace {

constexpr TColor kSelectedItem = 0xFFC878;

class TPresetDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    DrawPresetItem(*painter, option.rect, index.row(), selected, option.palette.color(QPalette::Base));
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), kPresetItemHeight);
  }
};

}  // namespace

void DrawPresetItem(QPainter& painter, const QRect& item, int index, bool selected, const QColor& background) {
  painter.save();
  painter.fillRect(item, selected ? ToQColor(kSelectedItem) : background);
  if (index < 0 || index >= kPresetCount) {
    painter.restore();
    return;
  }
  const TImpressionPreset& preset = kImpressionPresets[static_cast<std::size_t>(index)];
  painter.setPen(Qt::black);
  QFont font = painter.font();
  font.setPixelSize(12);
  painter.setFont(font);
  const int textTop = item.top() + 4;
  painter.drawText(QRect(item.left() + 4, textTop, item.width() - 4, kPresetItemHeight - 4),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, UserText(preset.name));
  // The band runs from the item's right edge leftwards.
  const int right = item.left() + item.width();
  const int top = item.top() + 4;
  const int bottom = item.top() + item.height() - 4;
  for (const TPresetSwatch& swatch : PresetSwatches(preset, right)) {
    painter.fillRect(QRect(swatch.left, top, swatch.right - swatch.left, bottom - top), ToQColor(swatch.colour));
  }
  painter.restore();
}

TImpressionCombo::TImpressionCombo(QWidget* parent) : QComboBox(parent) {
  // The plain list, not a menu over the box, so all thirty rows can show.
  setStyleSheet("QComboBox { combobox-popup: 0; }");
  setMaxVisibleItems(30);
  setItemDelegate(new TPresetDelegate(this));
  setFocusPolicy(Qt::ClickFocus);
}

void TImpressionCombo::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText.clear();
  option.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  DrawPresetItem(painter, field, currentIndex(), false, palette().color(QPalette::Base));
}

}  // namespace tintloom
