#include "ui/SkinImage.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>

#include "ui/Palette.h"

namespace mediaconv::ui {

QImage WithMagentaTransparent(const QImage& image) {
  QImage result = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < result.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
    for (int x = 0; x < result.width(); ++x)
      if ((line[x] & 0xFFFFFF) == palette::kTransparentKey) line[x] = 0;
  }
  return result;
}

QPixmap LoadSkinImage(const QString& folder, const QString& fileName) {
  const QFileInfo info(fileName);
  // A screen of twice the density takes the artwork drawn at twice the size.
  const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
  QImage image;
  if (ratio > 1.0) {
    image.load(folder + info.completeBaseName() + "@2x." + info.suffix());
    if (!image.isNull()) image.setDevicePixelRatio(2.0);
  }
  if (image.isNull() && !image.load(folder + fileName)) return {};
  if (info.suffix().compare("bmp", Qt::CaseInsensitive) == 0) {
    const qreal imageRatio = image.devicePixelRatio();
    image = WithMagentaTransparent(image);
    image.setDevicePixelRatio(imageRatio);
  }
  return QPixmap::fromImage(image);
}

}  // namespace mediaconv::ui
