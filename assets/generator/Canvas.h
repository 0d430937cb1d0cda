#pragma once
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSize>
#include <QString>
#include <functional>

namespace assetgen {

// Paints one image in logical pixels; the canvas applies the device pixel
// ratio, so one function gives the 1x and the 2x file.
using TPaint = std::function<void(QPainter&)>;

// The ratios every bitmap is written at: "name.ext" and "name@2x.ext".
inline constexpr int kScales[] = {1, 2};

QString ScaledName(const QString& name, int scale, const QString& extension);

// An antialiased ARGB image of size * scale, transparent to start with.
QImage Render(QSize size, int scale, const TPaint& paint);

// PNG with alpha, at both ratios.
void WritePng(const QString& folder, const QString& name, QSize size, const TPaint& paint);
// A single PNG of the given pixel size (icons, which come in many sizes).
void WritePngAt(const QString& path, int pixels, const std::function<void(QPainter&, double)>& paint);
// Opaque BMP at both ratios: the picture flattened onto `ground`.
void WriteBmp(const QString& folder, const QString& name, QSize size, const QColor& ground,
              const TPaint& paint);
// Opaque BMP at both ratios of an opaque painting, cut to `shape`: pixels
// that the shape covers less than half become magenta, the colour the window
// cuts out. A hard edge rather than a blend, so no fringe shows around the
// cut.
void WriteKeyedBmp(const QString& folder, const QString& name, QSize size, const QPainterPath& shape,
                   const TPaint& paint);

// Creates the folder (and its parents); returns it with a trailing "/".
QString MakeFolder(const QString& folder);

// Every file written so far, for the generator's summary line.
int FilesWritten();

}  // namespace assetgen
