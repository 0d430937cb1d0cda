#pragma once
#include <QColor>
#include <QFont>

namespace mediaconv::ui {

// The one set of colours, sizes and spacings of the product; the artwork
// generator uses the same values, so window and images change together.
namespace palette {
inline constexpr QRgb kSurface = 0xF6F7F9;
inline constexpr QRgb kFrameBand = 0x1F2A37;
inline constexpr QRgb kAccent = 0x2F6FEB;
inline constexpr QRgb kAccentHover = 0x255ED0;
inline constexpr QRgb kError = 0xD14343;
inline constexpr QRgb kText = 0x1B1F24;
inline constexpr QRgb kSecondary = 0x6B7280;
inline constexpr QRgb kBorder = 0xD8DCE2;
inline constexpr QRgb kWhite = 0xFFFFFF;
inline constexpr QRgb kTransparentKey = 0xFF00FF;  // skin bitmaps: magenta is see-through
}  // namespace palette

inline QColor Colour(QRgb rgb) { return QColor::fromRgb(rgb); }

inline constexpr const char* kFontFamily = "DejaVu Sans";
inline constexpr int kFontSize = 9;        // points: body text
inline constexpr int kLargeFontSize = 11;  // points: title line, headings
inline constexpr QFont::Weight kEmphasis = QFont::DemiBold;
inline constexpr int kGrid = 8;  // spacing unit in pixels
inline constexpr int kRadius = 6;
// Left edge of a page's content within the page area (the output page's
// button grids start there too).
inline constexpr int kPageMargin = 18;

// Style sheet roles ("role" property) of labels whose colour carries meaning.
inline constexpr const char* kRoleLink = "link";
inline constexpr const char* kRoleSecondary = "secondary";
inline constexpr const char* kRoleError = "error";

QFont BodyFont();
QFont TitleFont(bool emphasised = true);

}  // namespace mediaconv::ui
