#pragma once
// Showing and drawing on core surfaces from the windows. The image views the
// surface's own memory: nothing is copied per paint, and the view is valid
// until the surface is re-created.

#include <QImage>
#include <QPainter>
#include <QString>

#include "core/colour/surface.h"

namespace tintloom {

QImage SurfaceImage(TSurface& s);
QImage SurfaceImage(const TSurface& s);  // read-only view
QColor ToQColor(TColor c);

// Canvas operations the pixel loops do not cover, done by QPainter on the view.
void DrawText(TSurface& s, int x, int y, const QString& text, TColor colour, int pixelSize);
void DrawLine(TSurface& s, int x1, int y1, int x2, int y2, TColor colour);
// Scaled copy of the source rectangle into the destination rectangle.
void StretchCopy(TSurface& dst, const QRect& to, const TSurface& src, const QRect& from);
void DrawImage(TSurface& s, int x, int y, const QImage& image);

}  // namespace tintloom
