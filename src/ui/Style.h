#pragma once
#include <QString>

class QApplication;

namespace mediaconv::ui {

// A small style sheet for the standard widgets, built from the palette.
QString ApplicationStyleSheet();

// Font, palette and style sheet for the whole application.
void ApplyApplicationStyle(QApplication& app);

}  // namespace mediaconv::ui
