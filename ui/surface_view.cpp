#include "ui/surface_view.h"

namespace tintloom {

QImage SurfaceImage(TSurface& s) {
  if (s.Empty()) return QImage();
  return QImage(s.bitmap.data(), s.width, s.height, s.stride, QImage::Format_BGR888);
}

QImage SurfaceImage(const TSurface& s) {
  if (s.Empty()) return QImage();
  return QImage(static_cast<const uchar*>(s.bitmap.data()), s.width, s.height, s.stride, QImage::Format_BGR888);
}

QColor ToQColor(TColor c) { return QColor(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF), static_cast<int>(c >> 16 & 0xFF)); }

void DrawText(TSurface& s, int x, int y, const QString& text, TColor colour, int pixelSize) {
  QImage view = SurfaceImage(s);
  if (view.isNull()) return;
  QPainter p(&view);
  QFont font("Tahoma");
  font.setPixelSize(pixelSize);
  p.setFont(font);
  p.setPen(ToQColor(colour));
  p.drawText(QRect(x, y, s.width - x, s.height - y), Qt::AlignLeft | Qt::AlignTop, text);
}

void DrawLine(TSurface& s, int x1, int y1, int x2, int y2, TColor colour) {
  QImage view = SurfaceImage(s);
  if (view.isNull()) return;
  QPainter p(&view);
  p.setPen(ToQColor(colour));
  p.drawLine(x1, y1, x2, y2);
}

void StretchCopy(TSurface& dst, const QRect& to, const TSurface& src, const QRect& from) {
  QImage view = SurfaceImage(dst);
  const QImage source = SurfaceImage(src);
  if (view.isNull() || source.isNull()) return;
  QPainter p(&view);
  p.drawImage(to, source, from);
}

void DrawImage(TSurface& s, int x, int y, const QImage& image) {
  QImage view = SurfaceImage(s);
  if (view.isNull()) return;
  QPainter p(&view);
  p.drawImage(x, y, image);
}

}  // namespace tintloom
