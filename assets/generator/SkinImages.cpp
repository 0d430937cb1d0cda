#include "SkinImages.h"

#include <QLinearGradient>
#include <QPainterPath>

#include "Canvas.h"
#include "Drawing.h"
#include "Palette.h"
#include "Pictograms.h"

namespace assetgen {
namespace {

// The window and the places of its parts; the buttons' places come from the
// skin layout table of the program (skin 0: minimize 696,4, close 728,4,
// bottom buttons at top 510).
constexpr QSize kWindow{772, 547};
constexpr int kBandHeight = 36;
constexpr int kBottomBandTop = 500;
constexpr int kSidebarWidth = 192;
constexpr int kTitleRuleY = 68;
constexpr QSize kChromeButton{32, 28};
constexpr QSize kBottomButton{88, 28};
constexpr QSize kTopLogo{232, 36};
constexpr QSize kLeftLogo{168, 360};
constexpr QSize kModePicture{176, 120};

const QString kProductWords = QStringLiteral("Media Converter");

QPainterPath WindowShape() {
  QPainterPath shape;
  shape.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(kWindow)), kRadius, kRadius);
  return shape;
}

void PaintLightWindow(QPainter& painter) {
  painter.fillRect(QRect(QPoint(0, 0), kWindow), kSurface);
  painter.fillRect(QRect(0, 0, kWindow.width(), kBandHeight), kFrameBand);
  painter.fillRect(QRect(0, kBottomBandTop, kWindow.width(), kWindow.height() - kBottomBandTop), kBottomBand);
  painter.setPen(QPen(kBorder, 1.0));
  painter.drawLine(QPointF(0, kBottomBandTop + 0.5), QPointF(kWindow.width(), kBottomBandTop + 0.5));
  painter.drawLine(QPointF(24, kTitleRuleY + 0.5), QPointF(kWindow.width() - 24, kTitleRuleY + 0.5));
  painter.drawLine(QPointF(kSidebarWidth - 0.5, 84), QPointF(kSidebarWidth - 0.5, kBottomBandTop - 16));
}

void PaintDarkWindow(QPainter& painter) {
  painter.fillRect(QRect(QPoint(0, 0), kWindow), kFrameBand);
  // The light content sits in the chrome like a sheet, its left corners rounded.
  QPainterPath sheet;
  sheet.addRoundedRect(QRectF(kSidebarWidth, kBandHeight, kWindow.width() - kSidebarWidth + kRadius,
                              kBottomBandTop - kBandHeight),
                       kRadius, kRadius);
  // No title rule here: skin 3 puts its title line across y 68.
  painter.fillPath(sheet, kSurface);
}

// The soft edge that keeps the window apart from a light desktop.
void PaintWindowEdge(QPainter& painter) {
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(0, 0, 0, 56), 1.0));
  painter.drawRoundedRect(QRectF(QPointF(0.5, 0.5), QSizeF(kWindow) - QSizeF(1, 1)), kRadius, kRadius);
}

void WriteMain(const QString& folder, TSkinLook look) {
  WriteKeyedBmp(folder, "main", kWindow, WindowShape(), [look](QPainter& painter) {
    if (look == slLight)
      PaintLightWindow(painter);
    else
      PaintDarkWindow(painter);
    PaintWindowEdge(painter);
  });
}

// Minimize and close: flat on the band, a tile under the mouse.
void WriteChromeButtons(const QString& folder) {
  struct TState {
    QColor minimizeGround, closeGround;
  };
  const TState states[] = {
      {kFrameBand, kFrameBand},            // normal
      {kBandHover, kError},                // mouse over
      {kAccentHover, kError.darker(118)},  // pressed
  };
  for (int i = 0; i < 3; ++i) {
    const QString suffix = QString::number(i + 1);
    const auto paint = [&](TPictogram glyph, const QColor& ground) {
      return [glyph, ground, i](QPainter& painter) {
        if (i > 0) Card(painter, QRectF(QPointF(0, 0), QSizeF(kChromeButton)), ground, Qt::transparent);
        const QRectF box(kChromeButton.width() / 2.0 - 10, kChromeButton.height() / 2.0 - 10, 20, 20);
        DrawPictogram(painter, glyph, box, i == 0 ? kBandText : kWhite, 1.5);
      };
    };
    WriteBmp(folder, "min_" + suffix, kChromeButton, kFrameBand, paint(pgMinimize, states[i].minimizeGround));
    WriteBmp(folder, "close_" + suffix, kChromeButton, kFrameBand, paint(pgClose, states[i].closeGround));
  }
}

// The five bottom buttons share these four grounds; the window writes the
// caption on top.
void WriteBottomButtons(const QString& folder, TSkinLook look) {
  struct TState {
    QColor fill, border;
  };
  const bool light = look == slLight;
  const TState states[] = {
      light ? TState{kWhite, kBorder} : TState{kBandRaised, kBandLine},                      // normal
      light ? TState{kAccentTint, kAccent} : TState{kBandHover, kAccent},                    // mouse over
      light ? TState{kAccentPress, kAccentHover} : TState{kAccentHover, kAccentHover},       // pressed
      light ? TState{kSurface, QColor(0xE3, 0xE6, 0xEA)} : TState{kFrameBand, kBandRaised},  // disabled
  };
  const QColor ground = light ? kBottomBand : kFrameBand;
  for (int i = 0; i < 4; ++i) {
    WriteBmp(folder, "bottom_" + QString::number(i + 1), kBottomButton, ground, [&, i](QPainter& painter) {
      Card(painter, QRectF(QPointF(0, 0), QSizeF(kBottomButton)), states[i].fill, states[i].border);
    });
  }
}

void WriteTopLogo(const QString& folder) {
  WritePng(folder, "toplogo", kTopLogo, [](QPainter& painter) {
    // Drawn for the window corner: the mark sits centred in the band.
    Mark(painter, QRectF(16, 6, 24, 24));
    painter.setFont(Font(15, true));
    painter.setPen(kWhite);
    painter.drawText(QRectF(50, 0, kTopLogo.width() - 50, kTopLogo.height()),
                     Qt::AlignVCenter | Qt::AlignLeft, kProductWords);
  });
}

// Left of the pages and in the About window. The light look is a card of
// its own; the dark one is drawn straight on the sidebar and leaves the
// middle free, where skin 3 puts the version and tools labels.
void WriteLeftLogo(const QString& folder, TSkinLook look) {
  WritePng(folder, "leftlogo", kLeftLogo, [look](QPainter& painter) {
    const QRectF whole(QPointF(0, 0), QSizeF(kLeftLogo));
    const bool light = look == slLight;
    if (light) {
      QLinearGradient ground(whole.topLeft(), whole.bottomRight());
      ground.setColorAt(0, kAccent);
      ground.setColorAt(1, kFrameBand);
      painter.setPen(Qt::NoPen);
      painter.setBrush(ground);
      painter.drawRoundedRect(whole, kRadius, kRadius);
    }
    // The dark look keeps mark and words above its tops 72 to 160.
    const double markTop = light ? 32 : 0;
    const double markSize = light ? 56 : 40;
    DrawPictogram(painter, pgConvert, QRectF(whole.width() / 2 - markSize / 2, markTop, markSize, markSize),
                  kWhite, 3);
    painter.setPen(kWhite);
    painter.setFont(Font(15, true));
    painter.drawText(QRectF(0, markTop + markSize + 8, whole.width(), 22), Qt::AlignCenter, kProductWords);

    // Three classes the product converts to, as a quiet column of pictograms.
    const QColor quiet(255, 255, 255, light ? 200 : 150);
    const struct {
      TPictogram glyph;
      const char* word;
    } rows[] = {{pgVideo, "Video"}, {pgPhone, "Devices"}, {pgAudio, "Audio"}};
    double top = light ? 176 : 232;
    for (const auto& row : rows) {
      DrawPictogram(painter, row.glyph, QRectF(32, top, 24, 24), quiet);
      painter.setPen(quiet);
      painter.setFont(Font(13));
      painter.drawText(QRectF(68, top, 96, 24), Qt::AlignVCenter | Qt::AlignLeft, row.word);
      top += 40;
    }
  });
}

// The two choices of the first page: a light card with a line drawing.
void WriteModePictures(const QString& folder) {
  const QRectF card(QPointF(0, 0), QSizeF(kModePicture));
  WritePng(folder, "downloadyoutube", kModePicture, [card](QPainter& painter) {
    Card(painter, card, kWhite, kBorder);
    // A browser page with a video, and the arrow that brings it home.
    const QRectF page(24, 20, 96, 68);
    Card(painter, page, kSurface, kBorder, 4);
    painter.setPen(QPen(kBorder, 1.0));
    painter.drawLine(QPointF(page.left(), page.top() + 14.5), QPointF(page.right(), page.top() + 14.5));
    for (int dot = 0; dot < 3; ++dot) {
      painter.setPen(Qt::NoPen);
      painter.setBrush(kBorder.darker(115));
      painter.drawEllipse(QPointF(page.left() + 9 + dot * 8, page.top() + 7.5), 2.2, 2.2);
    }
    DrawPictogram(painter, pgVideo, QRectF(page.center().x() - 16, 44, 32, 32), kSecondaryText);
    Card(painter, QRectF(104, 56, 48, 48), kAccent, Qt::transparent, 24);
    DrawPictogram(painter, pgDownload, QRectF(114, 66, 28, 28), kWhite);
  });
  WritePng(folder, "youtubeconvert", kModePicture, [card](QPainter& painter) {
    Card(painter, card, kWhite, kBorder);
    // A film becomes a video, a device or a sound.
    Card(painter, QRectF(20, 36, 48, 48), kSurface, kBorder);
    DrawPictogram(painter, pgFilm, QRectF(30, 46, 28, 28), kSecondaryText);
    DrawPictogram(painter, pgConvert, QRectF(78, 46, 28, 28), kAccent);
    painter.setPen(QPen(kBorder, 1.0));
    painter.drawLine(QPointF(118.5, 20), QPointF(118.5, 100));
    const TPictogram targets[] = {pgVideo, pgPhone, pgAudio};
    for (int i = 0; i < 3; ++i)
      DrawPictogram(painter, targets[i], QRectF(132, 16 + i * 32, 24, 24), i == 1 ? kAccent : kSecondaryText);
  });
}

}  // namespace

void WriteSkinFolder(const QString& folder, TSkinLook look) {
  WriteMain(folder, look);
  WriteChromeButtons(folder);
  WriteBottomButtons(folder, look);
  WriteTopLogo(folder);
  WriteLeftLogo(folder, look);
  WriteModePictures(folder);
}

}  // namespace assetgen
