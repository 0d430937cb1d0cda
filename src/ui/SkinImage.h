#pragma once
#include <QPixmap>
#include <QString>

namespace mediaconv::ui {

// An image of the skin folder; a ".bmp" shows its magenta (255, 0, 255)
// pixels as transparent. A missing or unreadable file gives a null pixmap.
QPixmap LoadSkinImage(const QString& folder, const QString& fileName);

// The image with every magenta pixel made transparent.
QImage WithMagentaTransparent(const QImage& image);

}  // namespace mediaconv::ui
