#include "ui/SkinImage.h"

#include <QFileInfo>
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
  QImage image(folder + fileName);
  if (image.isNull()) return {};
  if (QFileInfo(fileName).suffix().compare("bmp", Qt::CaseInsensitive) == 0)
    image = WithMagentaTransparent(image);
  return QPixmap::fromImage(image);
}

}  // namespace mediaconv::ui
