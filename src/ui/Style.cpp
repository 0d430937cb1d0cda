#include "ui/Style.h"

#include <QApplication>
#include <QPalette>

#include "ui/Palette.h"

namespace mediaconv::ui {

QFont BodyFont() {
  QFont font(kFontFamily);
  font.setPointSize(kFontSize);
  return font;
}

QFont TitleFont(bool emphasised) {
  QFont font(kFontFamily);
  font.setPointSize(kLargeFontSize);
  if (emphasised) font.setWeight(kEmphasis);
  return font;
}

namespace {

QString Hex(QRgb rgb) { return Colour(rgb).name(); }

}  // namespace

QString ApplicationStyleSheet() {
  using namespace palette;
  const QString text = Hex(kText), border = Hex(kBorder), accent = Hex(kAccent), hover = Hex(kAccentHover),
                secondary = Hex(kSecondary), white = Hex(kWhite), surface = Hex(kSurface);
  const QString radius = QString::number(kRadius) + "px";
  QString sheet;
  // Roles for labels whose colour carries meaning; the palette colours the rest.
  sheet += QString(
               "QLabel[role=\"link\"] { color: %1; }\n"
               "QLabel[role=\"secondary\"] { color: %2; }\n"
               "QPlainTextEdit[role=\"error\"] { color: %3; }\n")
               .arg(accent, secondary, Hex(kError));
  sheet += QString(
               "QListView, QListWidget, QTreeView, QTreeWidget, QPlainTextEdit, QTextEdit {"
               " background: %1; border: 1px solid %2; border-radius: %3;"
               " selection-background-color: %4; selection-color: %1; }\n")
               .arg(white, border, radius, accent);
  sheet += "QListWidget::item { padding: 4px 8px; }\n";
  sheet += QString(
               "QHeaderView::section { background: %1; color: %2; border: none;"
               " border-bottom: 1px solid %3; padding: 4px 8px; }\n")
               .arg(surface, secondary, border);
  sheet += QString(
               "QLineEdit, QComboBox { background: %1; border: 1px solid %2; border-radius: %3;"
               " padding: 4px 8px; min-height: 16px; }\n"
               "QLineEdit:focus, QComboBox:focus { border-color: %4; }\n"
               "QComboBox::drop-down { border: none; width: 20px; }\n"
               "QComboBox QAbstractItemView { background: %1; border: 1px solid %2;"
               " selection-background-color: %4; selection-color: %1; }\n")
               .arg(white, border, radius, accent);
  sheet += QString(
               "QGroupBox { border: 1px solid %1; border-radius: %2; margin-top: 12px; padding: 8px; }\n"
               "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 4px; color: %3; }\n")
               .arg(border, radius, secondary);
  sheet += QString(
               "QCheckBox, QRadioButton { spacing: 8px; }\n"
               "QCheckBox::indicator, QRadioButton::indicator { width: 14px; height: 14px;"
               " border: 1px solid %1; background: %2; }\n"
               "QCheckBox::indicator { border-radius: 3px; }\n"
               "QRadioButton::indicator { border-radius: 8px; }\n"
               "QCheckBox::indicator:checked, QRadioButton::indicator:checked {"
               " background: %3; border-color: %3; }\n"
               "QCheckBox::indicator:hover, QRadioButton::indicator:hover { border-color: %4; }\n")
               .arg(border, white, accent, hover);
  sheet += QString(
               "QPushButton { background: %1; border: 1px solid %2; border-radius: %3;"
               " padding: 4px 16px; min-height: 18px; }\n"
               "QPushButton:hover { border-color: %4; }\n"
               "QPushButton:pressed { background: %2; }\n"
               "QPushButton:disabled { color: %5; }\n"
               "QPushButton:default { background: %4; border-color: %4; color: %1; }\n"
               "QPushButton:default:hover { background: %6; }\n")
               .arg(white, border, radius, accent, secondary, hover);
  sheet += QString(
               "QProgressBar { border: 1px solid %1; border-radius: %2; background: %3;"
               " text-align: center; height: 14px; }\n"
               "QProgressBar::chunk { background: %4; border-radius: %2; }\n")
               .arg(border, radius, white, accent);
  sheet += QString(
               "QMenu { background: %1; border: 1px solid %2; padding: 4px 0; }\n"
               "QMenu::item { padding: 6px 24px 6px 16px; }\n"
               "QMenu::item:selected { background: %3; color: %1; }\n"
               "QMenu::separator { height: 1px; background: %2; margin: 4px 8px; }\n")
               .arg(white, border, accent);
  sheet +=
      QString(
          "QScrollBar:vertical { width: 10px; background: transparent; }\n"
          "QScrollBar:horizontal { height: 10px; background: transparent; }\n"
          "QScrollBar::handle { background: %1; border-radius: 4px; min-height: 24px; min-width: 24px; }\n"
          "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }\n")
          .arg(border);
  return sheet;
}

void ApplyApplicationStyle(QApplication& app) {
  app.setStyle("Fusion");
  app.setFont(BodyFont());
  QPalette pal = app.palette();
  pal.setColor(QPalette::Window, Colour(palette::kSurface));
  pal.setColor(QPalette::WindowText, Colour(palette::kText));
  pal.setColor(QPalette::Base, Colour(palette::kWhite));
  pal.setColor(QPalette::Text, Colour(palette::kText));
  pal.setColor(QPalette::Button, Colour(palette::kWhite));
  pal.setColor(QPalette::ButtonText, Colour(palette::kText));
  pal.setColor(QPalette::Highlight, Colour(palette::kAccent));
  pal.setColor(QPalette::HighlightedText, Colour(palette::kWhite));
  pal.setColor(QPalette::Link, Colour(palette::kAccent));
  pal.setColor(QPalette::PlaceholderText, Colour(palette::kSecondary));
  app.setPalette(pal);
  app.setStyleSheet(ApplicationStyleSheet());
}

}  // namespace mediaconv::ui
