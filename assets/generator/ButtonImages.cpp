#include "ButtonImages.h"

#include <QFontMetricsF>
#include <QLinearGradient>

#include "Canvas.h"
#include "Drawing.h"
#include "Palette.h"
#include "Pictograms.h"

namespace assetgen {
namespace {

constexpr QSize kFormatButton{62, 57};
constexpr QSize kClassButton{171, 32};
constexpr QSize kAudioPicture{118, 78};

struct TButtonState {
  const char* name;
  QColor fill, border, glyph, text;
};

// Selected is how the program shows the chosen format or class (the button
// is disabled then), so it is the strongest state.
const TButtonState kStates[] = {
    {"normal", kWhite, kBorder, kSecondaryText, kText},
    {"hover", kAccentTint, kAccent, kAccent, kText},
    {"pressed", kAccentPress, kAccentHover, kAccentHover, kText},
    {"selected", kAccent, kAccent, kWhite, kWhite},
};

struct TFormatImage {
  const char* file;  // the edition file's key, lower case
  const char* caption;
  TPictogram glyph;
};

// In button order: video formats, devices, audio formats.
const TFormatImage kFormats[] = {
    {"avi", "AVI", pgVideo},
    {"mp4", "MP4", pgVideo},
    {"flv", "FLV", pgVideo},
    {"swf", "SWF", pgVideo},
    {"mpeg", "MPEG", pgFilm},
    {"rm", "RM", pgVideo},
    {"wmv", "WMV", pgVideo},
    {"mov", "MOV", pgFilm},
    {"3gp", "3GP", pgPhone},
    {"ipod", "iPod", pgPlayer},
    {"iphone", "iPhone", pgPhone},
    {"appletv", "Apple TV", pgTv},
    {"psp", "PSP", pgHandheld},
    {"blackberry", "BlackBerry", pgKeyPhone},
    {"mobilephone", "Mobile", pgMobile},
    {"ipad", "iPad", pgTablet},
    {"wav", "WAV", pgWave},
    {"mp3", "MP3", pgAudio},
    {"wma", "WMA", pgAudio},
    {"ogg", "OGG", pgAudio},
    {"aac", "AAC", pgAudio},
    {"m4a", "M4A", pgAudio},
    {"flac", "FLAC", pgWave},
    {"mp2", "MP2", pgAudio},
};

struct TClassImage {
  const char* file;
  const char* caption;
  TPictogram glyph;
};

const TClassImage kClasses[] = {
    {"video", "Video", pgVideo},
    {"device", "Device", pgPhone},
    {"audio", "Audio", pgAudio},
};

void WriteFormatButtons(const QString& folder) {
  for (const auto& format : kFormats)
    for (const auto& state : kStates)
      WritePng(folder, QStringLiteral("%1_%2").arg(format.file, state.name), kFormatButton,
               [&](QPainter& painter) {
                 Card(painter, QRectF(QPointF(0, 0), QSizeF(kFormatButton)), state.fill, state.border);
                 DrawPictogram(painter, format.glyph, QRectF(19, 8, 24, 24), state.glyph);
                 const QString caption = QString::fromLatin1(format.caption);
                 CentredText(painter, QRectF(3, 35, kFormatButton.width() - 6, 16), caption,
                             FittingFont(caption, 11, kFormatButton.width() - 8, true), state.text);
               });
}

// The class buttons touch each other (pitch equal to their width), so each
// draws its card 2 px in from the sides and the row reads as three buttons.
void WriteClassButtons(const QString& folder) {
  for (const auto& buttonClass : kClasses)
    for (const auto& state : kStates)
      WritePng(folder, QStringLiteral("%1_%2").arg(buttonClass.file, state.name), kClassButton,
               [&](QPainter& painter) {
                 Card(painter, QRectF(2, 0, kClassButton.width() - 4, kClassButton.height()), state.fill,
                      state.border);
                 const QString caption = QString::fromLatin1(buttonClass.caption);
                 const QFont font = Font(13, true);
                 const double textWidth = QFontMetricsF(font).horizontalAdvance(caption);
                 const double groupLeft = (kClassButton.width() - (24 + 8 + textWidth)) / 2;
                 DrawPictogram(painter, buttonClass.glyph, QRectF(std::round(groupLeft), 4, 24, 24),
                               state.glyph);
                 painter.setFont(font);
                 painter.setPen(state.text);
                 painter.drawText(QRectF(std::round(groupLeft) + 32, 0, textWidth + 2, kClassButton.height()),
                                  Qt::AlignVCenter | Qt::AlignLeft, caption);
               });
}

void WriteAudioPicture(const QString& folder) {
  WritePng(folder, "audio", kAudioPicture, [](QPainter& painter) {
    const QRectF whole(QPointF(0, 0), QSizeF(kAudioPicture));
    QLinearGradient ground(whole.topLeft(), whole.bottomLeft());
    ground.setColorAt(0, kAccentTint);
    ground.setColorAt(1, kAccentPress);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ground);
    painter.drawRoundedRect(whole, kRadius, kRadius);
    DrawPictogram(painter, pgAudio, QRectF(whole.center().x() - 18, whole.center().y() - 18, 36, 36),
                  kAccent);
  });
}

}  // namespace

void WriteButtonImages(const QString& imagesFolder) {
  WriteFormatButtons(MakeFolder(imagesFolder + "formats"));
  WriteClassButtons(MakeFolder(imagesFolder + "classes"));
  WriteAudioPicture(imagesFolder);
}

}  // namespace assetgen
