#pragma once
// "画像から色を取り出す(&E)...": a picture read for its colours, and the dialog
// that shows them live while the user picks how many and the mood, then
// adds them as swatches (OK) or puts them into the slots' bases
// ("配色に使う").

#include <QDialog>
#include <QImage>
#include <QString>
#include <vector>

#include "core/base/result.h"
#include "core/colour/colour.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace tintloom {

// Whether the file's name is that of a picture this dialog reads (PNG, JPEG,
// BMP, WebP, PSD), by its extension.
bool IsPictureFile(const QString& path);

// The picture in a file, decoded by Qt's image readers (a PSD's composite by
// the program's own reader) as four bytes a pixel R, G, B, A. Its size is checked before anything is decoded. A file that
// cannot be read, is damaged, empty or too large fails with the message to
// show (the problem and the file).
Result<QImage> ReadPicture(const QString& path);

class TColourRow;

class TPictureColoursDialog : public QDialog {
  Q_OBJECT
 public:
  enum class TChoice { Cancel, Swatches, Slots };
  // `picture` as ReadPicture gives it.
  TPictureColoursDialog(QImage picture, const QString& path, QWidget* parent);

  // The colours on show, in the mood's order.
  const std::vector<TColor>& Colours() const { return colours_; }
  TChoice Choice() const { return choice_; }

  QSpinBox* CountBox() const { return count_; }
  QComboBox* MoodBox() const { return mood_; }
  QPushButton* SlotsButton() const { return slots_; }

 private:
  void Extract();

  QImage picture_;
  QSpinBox* count_ = nullptr;
  QComboBox* mood_ = nullptr;
  QPushButton* slots_ = nullptr;
  TColourRow* row_ = nullptr;
  std::vector<TColor> colours_;
  TChoice choice_ = TChoice::Cancel;
};

}  // namespace tintloom
