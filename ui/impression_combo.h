#pragma once
// The picker's impression combo: every preset drawn as its name with a small
// row of swatches of its chromatic tones at the right end, in the list and in
// the closed box alike. Items are 20 pixels high; the list shows all of them.

#include <QComboBox>

class QPainter;

namespace tintloom {

inline constexpr int kPresetItemHeight = 20;

// Draws preset `index` into `item`: the background (highlighted when
// selected), the name at (left + 4, top + 4) and the swatch band.
void DrawPresetItem(QPainter& painter, const QRect& item, int index, bool selected, const QColor& background);

class TImpressionCombo : public QComboBox {
  Q_OBJECT
 public:
  explicit TImpressionCombo(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace tintloom
