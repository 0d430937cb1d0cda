#pragma once
#include <QColor>
#include <QPainter>
#include <QRectF>

#include "Palette.h"

namespace assetgen {

// Line pictograms on a 24 by 24 unit box.
enum TPictogram {
  pgVideo,     // screen with a play triangle
  pgFilm,      // film strip
  pgAudio,     // music note
  pgWave,      // waveform (uncompressed and lossless audio)
  pgPlayer,    // pocket music player
  pgPhone,     // touch phone
  pgTv,        // television set
  pgHandheld,  // handheld game console
  pgKeyPhone,  // phone with a keyboard
  pgMobile,    // basic mobile phone
  pgTablet,    // tablet
  pgDownload,  // arrow into a tray
  pgConvert,   // two turning arrows
  pgLink,      // chain link
  pgMinimize,
  pgClose,
  pgCheck,
};

// Strokes the pictogram into `box` with a pen of `stroke` pixels whatever
// the box size, so a small and a large pictogram share one line weight.
void DrawPictogram(QPainter& painter, TPictogram pictogram, const QRectF& box, const QColor& colour,
                   double stroke = kStroke);

}  // namespace assetgen
