#include "Canvas.h"

#include <QDir>
#include <cstdio>
#include <cstdlib>

#include "Palette.h"

namespace assetgen {
namespace {

int writtenCount = 0;

void Save(const QImage& image, const QString& path, const char* format) {
  if (!image.save(path, format)) {
    std::fprintf(stderr, "assetgen: cannot write %s\n", qPrintable(path));
    std::exit(1);
  }
  ++writtenCount;
}

}  // namespace

QString ScaledName(const QString& name, int scale, const QString& extension) {
  return scale == 1 ? name + "." + extension
                    : QStringLiteral("%1@%2x.%3").arg(name).arg(scale).arg(extension);
}

QImage Render(QSize size, int scale, const TPaint& paint) {
  QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                         QPainter::SmoothPixmapTransform);
  painter.scale(scale, scale);
  paint(painter);
  painter.end();
  return image;
}

void WritePng(const QString& folder, const QString& name, QSize size, const TPaint& paint) {
  for (const int scale : kScales) {
    QImage image = Render(size, scale, paint);
    image.setDevicePixelRatio(scale);
    Save(image.convertToFormat(QImage::Format_ARGB32), folder + ScaledName(name, scale, "png"), "PNG");
  }
}

void WritePngAt(const QString& path, int pixels, const std::function<void(QPainter&, double)>& paint) {
  QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                         QPainter::SmoothPixmapTransform);
  paint(painter, pixels);
  painter.end();
  Save(image.convertToFormat(QImage::Format_ARGB32), path, "PNG");
}

void WriteBmp(const QString& folder, const QString& name, QSize size, const QColor& ground,
              const TPaint& paint) {
  for (const int scale : kScales) {
    const QImage picture = Render(size, scale, paint);
    QImage flat(picture.size(), QImage::Format_RGB32);
    flat.fill(ground);
    QPainter painter(&flat);
    painter.drawImage(0, 0, picture);
    painter.end();
    Save(flat.convertToFormat(QImage::Format_RGB888), folder + ScaledName(name, scale, "bmp"), "BMP");
  }
}

void WriteKeyedBmp(const QString& folder, const QString& name, QSize size, const QPainterPath& shape,
                   const TPaint& paint) {
  for (const int scale : kScales) {
    QImage picture(size * scale, QImage::Format_RGB32);
    picture.fill(Qt::black);
    {
      QPainter painter(&picture);
      painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
      painter.scale(scale, scale);
      paint(painter);
    }
    const QImage mask =
        Render(size, scale, [&shape](QPainter& painter) { painter.fillPath(shape, Qt::white); });
    QImage keyed(picture.size(), QImage::Format_RGB888);
    for (int y = 0; y < picture.height(); ++y) {
      const auto* colours = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
      const auto* cover = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
      for (int x = 0; x < picture.width(); ++x)
        keyed.setPixel(x, y, qAlpha(cover[x]) < 128 ? kMagenta.rgb() : colours[x]);
    }
    Save(keyed, folder + ScaledName(name, scale, "bmp"), "BMP");
  }
}

QString MakeFolder(const QString& folder) {
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "assetgen: cannot create %s\n", qPrintable(folder));
    std::exit(1);
  }
  return folder.endsWith('/') ? folder : folder + "/";
}

int FilesWritten() { return writtenCount; }

}  // namespace assetgen
