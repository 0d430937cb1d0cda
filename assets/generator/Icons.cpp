#include "Icons.h"

#include <QLinearGradient>
#include <algorithm>

#include "Canvas.h"
#include "Palette.h"
#include "Pictograms.h"

namespace assetgen {
namespace {

enum TTone { toAccent, toBand, toLight };

struct TIcon {
  const char* resource;
  TPictogram glyph;
  TTone tone;
};

// The icon resources the edition table names; the editions sharing a
// resource share its look.
const TIcon kIcons[] = {
    {"PelmoraIcon", pgConvert, toAccent},
    {"TandrelIcon", pgVideo, toAccent},
    {"QuorvixIcon", pgAudio, toAccent},
    {"SilvaneIcon", pgDownload, toAccent},
    {"BrellowIcon", pgFilm, toBand},
    {"CorvadaIcon", pgWave, toBand},
    {"MireltoIcon", pgConvert, toBand},
    {"ZantheIcon", pgVideo, toLight},
    {"OmbrikIcon", pgDownload, toBand},
    {"AMainIcon", pgConvert, toLight},
    {"LustrelIcon", pgAudio, toBand},
    {"Icon1", pgFilm, toAccent},
    {"Icon2", pgPhone, toAccent},
    {"Icon3", pgTv, toAccent},
    {"Icon4", pgWave, toAccent},
    {"Icon5", pgPlayer, toAccent},
    {"Icon6", pgTablet, toBand},
    {"Icon7", pgVideo, toBand},
    {"Icon8", pgAudio, toLight},
    {"Icon9", pgFilm, toLight},
    {"Icon10", pgPhone, toBand},
    {"Icon11", pgTv, toBand},
    {"Icon12", pgHandheld, toAccent},
    {"z01", pgDownload, toLight},
    {"z02", pgLink, toAccent},
    {"z03", pgLink, toBand},
    {"z04", pgWave, toLight},
    {"z05", pgPlayer, toBand},
    {"z06", pgTablet, toAccent},
    {"z07", pgTv, toLight},
    {"z08", pgHandheld, toBand},
};

// The default edition's icon stands for the product on the desktop.
constexpr const char* kDesktopResource = "PelmoraIcon";
constexpr int kDesktopSizes[] = {16, 24, 32, 48, 64, 128, 256};
constexpr int kSmallSizes[] = {16, 24, 32, 48};

void PaintIcon(QPainter& painter, const TIcon& icon, double size) {
  // Small sizes keep a whole-pixel margin; large ones breathe like a tile.
  const double margin = std::max(1.0, std::round(size / 16.0));
  const QRectF tile(margin, margin, size - 2 * margin, size - 2 * margin);
  const double radius = tile.width() * 0.22;
  QLinearGradient ground(tile.topLeft(), tile.bottomLeft());
  QColor glyph = kWhite;
  switch (icon.tone) {
    case toAccent:
      ground.setColorAt(0, kAccent.lighter(108));
      ground.setColorAt(1, kAccentHover);
      break;
    case toBand:
      ground.setColorAt(0, kBandRaised);
      ground.setColorAt(1, kFrameBand);
      break;
    case toLight:
      ground.setColorAt(0, kWhite);
      ground.setColorAt(1, kSurface);
      glyph = kAccent;
      break;
  }
  painter.setPen(icon.tone == toLight ? QPen(kBorder.darker(108), std::max(1.0, size / 128.0))
                                      : QPen(Qt::NoPen));
  painter.setBrush(ground);
  painter.drawRoundedRect(tile, radius, radius);
  const double box = tile.width() * 0.62;
  const QRectF glyphBox(size / 2 - box / 2, size / 2 - box / 2, box, box);
  const double stroke = std::max(1.25, kStroke * 1.15 * box / kPictogramBox);
  DrawPictogram(painter, icon.glyph, glyphBox, glyph, stroke);
}

const TIcon& DesktopIcon() {
  return *std::find_if(std::begin(kIcons), std::end(kIcons),
                       [](const TIcon& icon) { return QString(icon.resource) == kDesktopResource; });
}

}  // namespace

void WriteEditionIcons(const QString& iconsFolder) {
  for (const auto& icon : kIcons) {
    const auto paint = [&icon](QPainter& painter, double size) { PaintIcon(painter, icon, size); };
    WritePngAt(iconsFolder + icon.resource + ".png", 256, paint);
    for (const int size : kSmallSizes)
      WritePngAt(QStringLiteral("%1%2-%3.png").arg(iconsFolder, icon.resource).arg(size), size, paint);
  }
}

void WriteDesktopIcons(const QString& hicolorFolder) {
  const TIcon& icon = DesktopIcon();
  for (const int size : kDesktopSizes) {
    const QString folder = MakeFolder(QStringLiteral("%1%2x%2/apps").arg(hicolorFolder).arg(size));
    WritePngAt(folder + "mediaconv.png", size,
               [&icon](QPainter& painter, double pixels) { PaintIcon(painter, icon, pixels); });
  }
}

}  // namespace assetgen
