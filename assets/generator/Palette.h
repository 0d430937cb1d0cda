#pragma once
#include <QColor>
#include <QFont>
#include <QString>

// The one palette and typeface of the whole product. Every image the
// generator draws takes its colours, font, grid, radius and stroke from here,
// so a change of look is a change of this file.
namespace assetgen {

inline const QColor kSurface{0xF6, 0xF7, 0xF9};        // content surface
inline const QColor kFrameBand{0x1F, 0x2A, 0x37};      // dark window chrome
inline const QColor kAccent{0x2F, 0x6F, 0xEB};         // selected, primary
inline const QColor kAccentHover{0x25, 0x5E, 0xD0};    // accent under the mouse, pressed
inline const QColor kError{0xD1, 0x43, 0x43};          // close hover, failure
inline const QColor kText{0x1B, 0x1F, 0x24};           // captions on light ground
inline const QColor kSecondaryText{0x6B, 0x72, 0x80};  // pictograms, hints
inline const QColor kBorder{0xD8, 0xDC, 0xE2};         // soft 1 px borders

// Derived tones, mixed from the colours above so the family stays one.
inline const QColor kWhite{0xFF, 0xFF, 0xFF};
inline const QColor kBandRaised{0x2B, 0x38, 0x48};   // a control on the dark band
inline const QColor kBandHover{0x36, 0x45, 0x58};    // ... under the mouse
inline const QColor kBandLine{0x3A, 0x48, 0x59};     // border on the dark band
inline const QColor kBandText{0xE6, 0xE9, 0xEE};     // glyphs and text on the dark band
inline const QColor kBottomBand{0xEC, 0xEF, 0xF3};   // light bottom band with the buttons
inline const QColor kAccentTint{0xE8, 0xF0, 0xFD};   // light accent ground (hover)
inline const QColor kAccentPress{0xD3, 0xE1, 0xFB};  // light accent ground (pressed)
inline const QColor kDisabledText{0xA3, 0xA9, 0xB3};
inline const QColor kMagenta{0xFF, 0x00, 0xFF};  // transparent in main.bmp

inline constexpr int kGrid = 8;
inline constexpr double kRadius = 6.0;
inline constexpr double kStroke = 2.0;  // every line pictogram, drawn on a 24 px box
inline constexpr double kPictogramBox = 24.0;

inline const QString kFontFamily = QStringLiteral("DejaVu Sans");

inline QFont Font(double pixelSize, bool bold = false) {
  QFont font(kFontFamily);
  font.setPixelSize(static_cast<int>(pixelSize));
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

}  // namespace assetgen
