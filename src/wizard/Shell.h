#pragma once
#include <QString>

#include "app/BusyCounter.h"

class QWidget;

namespace mediaconv::wizard {

// Opens a file, folder or web address in the program the desktop chooses.
// Nothing is reported back; an empty text opens nothing.
void ShellOpen(const QString& text);

// The wait cursor of BeginBusy/EndBusy, as the application's override cursor.
class TOverrideCursor : public app::TBusyCursor {
 public:
  void ShowBusy() override;
  void RestoreDefault() override;
};

// A window's place from one geometry section of a settings file, kept on the
// screen; a section without values keeps the window where it is.
void RestoreWindowPosition(const char* section, QWidget& window, const QString& file);
// Writes the window's place; throws std::runtime_error when the file cannot
// be written.
void SaveWindowPosition(const char* section, const QWidget& window, const QString& file);

// Centres a top-level window on its screen.
void CentreOnScreen(QWidget& window);

}  // namespace mediaconv::wizard
