#include "ui/picture_colours_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cstring>

#include "core/artwork/psd_composite.h"
#include "core/palette/picture_palette.h"
#include "ui/translation.h"

namespace tintloom {

namespace {

constexpr int kThumbnailSide = 240;
constexpr int kCellSide = 28;

QString Hex(TColor c) {
  return QStringLiteral("#%1%2%3")
      .arg(c & 0xFF, 2, 16, QLatin1Char('0'))
      .arg((c >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
      .arg((c >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
      .toUpper();
}

QString PictureMessage(const QString& problem, const QString& path) {
  return TPictureColoursDialog::tr("画像から色を取り出せません") + "\n" + problem + "\n->" + path;
}

}  // namespace

// The extracted colours side by side, as they would become swatches.
class TColourRow : public QWidget {
 public:
  explicit TColourRow(QWidget* parent) : QWidget(parent) {
    setMinimumSize(kMaxPictureColours * kCellSide / 2, kCellSide);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  }
  void SetColours(const std::vector<TColor>& colours) {
    colours_ = colours;
    QStringList names;
    for (TColor c : colours) names << Hex(c);
    // The colours in words, for the pointer and for a screen reader.
    setToolTip(names.join(QLatin1Char(' ')));
    setAccessibleDescription(names.join(QLatin1Char(' ')));
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    if (colours_.empty()) return;
    const int n = static_cast<int>(colours_.size());
    for (int i = 0; i < n; ++i) {
      const int left = width() * i / n, right = width() * (i + 1) / n;
      const TColor c = colours_[static_cast<std::size_t>(i)];
      painter.fillRect(QRect(left, 0, right - left, height()), QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
    }
  }

 private:
  std::vector<TColor> colours_;
};

namespace {
Result<QImage> ReadQtPicture(const QString& path);
}  // namespace

bool IsPictureFile(const QString& path) {
  static const QStringList kSuffixes = {"png", "jpg", "jpeg", "bmp", "webp", "psd"};
  return kSuffixes.contains(QFileInfo(path).suffix().toLower());
}

Result<QImage> ReadPicture(const QString& path) {
  const auto refuse = [&](const QString& problem) { return Fail(PictureMessage(problem, path).toStdString()); };
  const QFileInfo info(path);
  if (!info.isFile() || !info.isReadable()) return refuse(TPictureColoursDialog::tr("ファイルを開けません"));
  if (info.size() == 0) return refuse(TPictureColoursDialog::tr("ファイルが空です"));
  QImage picture;
  if (info.suffix().toLower() == "psd") {
    // The composite the file keeps, through the program's own reader.
    Result<TPsdComposite> composite = ReadPsdComposite(path.toStdString());
    if (!composite) return refuse(UserText(composite.error().message));
    picture = QImage(static_cast<int>(composite->width), static_cast<int>(composite->height), QImage::Format_RGBA8888);
    if (picture.isNull()) return refuse(TPictureColoursDialog::tr("画像が壊れているか、読めない形式です"));
    const auto rowBytes = static_cast<std::size_t>(composite->width * 4);
    for (int y = 0; y < picture.height(); ++y) {
      std::memcpy(picture.scanLine(y), composite->rgba.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes);
    }
  } else {
    Result<QImage> decoded = ReadQtPicture(path);
    if (!decoded) return Fail(decoded.error().message);
    picture = std::move(*decoded);
  }
  // A picture with nothing opaque gives no colour: told now, not in an empty dialog.
  const TPicturePixels pixels{std::span<const std::uint8_t>(picture.constBits(), static_cast<std::size_t>(picture.sizeInBytes())),
                              picture.width(), picture.height(), picture.bytesPerLine()};
  Result<std::vector<TColor>> colours = ExtractPictureColours(pixels, kMinPictureColours, TPictureMood::Colourful);
  if (!colours) return refuse(UserText(colours.error().message));
  return picture;
}

namespace {

// PNG, JPEG, BMP, WebP and what else Qt's readers know.
Result<QImage> ReadQtPicture(const QString& path) {
  const auto refuse = [&](const QString& problem) { return Fail(PictureMessage(problem, path).toStdString()); };
  QImageReader reader(path);
  // The contents decide the format, so a picture under another extension
  // still reads; a file no reader knows is refused before decoding.
  reader.setDecideFormatFromContent(true);
  if (!reader.canRead()) return refuse(TPictureColoursDialog::tr("画像が壊れているか、読めない形式です"));
  // The size comes from the header: nothing is decoded for a picture too large.
  const QSize size = reader.size();
  if (size.isValid() && static_cast<qint64>(size.width()) * size.height() > kMaxPicturePixels) {
    return refuse(UserText(FillText(kPictureTooLargeProblem, size.width(), size.height())));
  }
  QImage picture;
  if (!reader.read(&picture) || picture.isNull()) {
    return refuse(TPictureColoursDialog::tr("画像が壊れているか、読めない形式です"));
  }
  if (static_cast<qint64>(picture.width()) * picture.height() > kMaxPicturePixels) {
    return refuse(UserText(FillText(kPictureTooLargeProblem, picture.width(), picture.height())));
  }
  // In place where the depth allows it: no second copy of a large picture.
  picture.convertTo(QImage::Format_RGBA8888);
  if (picture.isNull()) return refuse(TPictureColoursDialog::tr("画像が壊れているか、読めない形式です"));
  return picture;
}

}  // namespace

TPictureColoursDialog::TPictureColoursDialog(QImage picture, const QString& path, QWidget* parent)
    : QDialog(parent), picture_(std::move(picture)) {
  setObjectName("PictureColoursDialog");
  setWindowTitle(tr("画像から色を取り出す"));
  auto* layout = new QVBoxLayout(this);

  auto* thumbnail = new QLabel(this);
  thumbnail->setObjectName("PictureThumbnail");
  thumbnail->setAlignment(Qt::AlignCenter);
  thumbnail->setPixmap(QPixmap::fromImage(
      picture_.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  thumbnail->setToolTip(QFileInfo(path).fileName());
  thumbnail->setAccessibleName(QFileInfo(path).fileName());
  layout->addWidget(thumbnail);

  auto* form = new QFormLayout();
  count_ = new QSpinBox(this);
  count_->setObjectName("ColourCount");
  count_->setRange(kMinPictureColours, kMaxPictureColours);
  count_->setValue(kDefaultPictureColours);
  form->addRow(tr("色の数(&N):"), count_);
  mood_ = new QComboBox(this);
  mood_->setObjectName("ColourMood");
  // In the order of TPictureMood.
  mood_->addItems({tr("カラフル"), tr("明るい"), tr("くすんだ"), tr("深い"), tr("暗い")});
  mood_->setToolTip(tr("どの色に寄せて選ぶか"));
  form->addRow(tr("雰囲気(&M):"), mood_);
  layout->addLayout(form);

  row_ = new TColourRow(this);
  row_->setObjectName("ColourRow");
  row_->setAccessibleName(tr("取り出した色"));
  layout->addWidget(row_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setToolTip(tr("取り出した色をスウォッチに追加します"));
  slots_ = buttons->addButton(tr("配色に使う(&U)"), QDialogButtonBox::ActionRole);
  slots_->setObjectName("UseInSlots");
  slots_->setToolTip(tr("取り出した色を1番の色から順に基本色にします (10 色まで)"));
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    choice_ = TChoice::Swatches;
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(slots_, &QPushButton::clicked, this, [this] {
    choice_ = TChoice::Slots;
    accept();
  });
  connect(count_, &QSpinBox::valueChanged, this, &TPictureColoursDialog::Extract);
  connect(mood_, &QComboBox::currentIndexChanged, this, &TPictureColoursDialog::Extract);
  Extract();
}

void TPictureColoursDialog::Extract() {
  const TPicturePixels pixels{std::span<const std::uint8_t>(picture_.constBits(), static_cast<std::size_t>(picture_.sizeInBytes())),
                              picture_.width(), picture_.height(), picture_.bytesPerLine()};
  Result<std::vector<TColor>> colours =
      ExtractPictureColours(pixels, count_->value(), static_cast<TPictureMood>(mood_->currentIndex()));
  // ReadPicture made sure the picture has colours.
  colours_ = colours ? *colours : std::vector<TColor>();
  row_->SetColours(colours_);
}

}  // namespace tintloom
