#include "wizard/Shell.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>
#include <QWidget>

#include "app/WindowPosition.h"

namespace mediaconv::wizard {

void ShellOpen(const QString& text) {
  if (text.isEmpty()) return;
  // A local path opens as a file; anything with a scheme as the address it is.
  const QUrl url = text.startsWith('/') ? QUrl::fromLocalFile(text) : QUrl::fromUserInput(text);
  QDesktopServices::openUrl(url);
}

void TOverrideCursor::ShowBusy() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }

void TOverrideCursor::RestoreDefault() { QGuiApplication::restoreOverrideCursor(); }

namespace {

QSize ScreenSize(const QWidget& window) {
  const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  return screen ? screen->geometry().size() : QSize(0, 0);
}

app::TWindowGeometry Geometry(const QWidget& window) {
  const QRect frame = window.frameGeometry();
  return {frame.x(), frame.y(), frame.width(), frame.height(), window.isMaximized()};
}

}  // namespace

void RestoreWindowPosition(const char* section, QWidget& window, const QString& file) {
  const QSize screen = ScreenSize(window);
  const app::TWindowPlacement place = app::RestoreWindowPosition(section, Geometry(window), screen.width(),
                                                                 screen.height(), file.toStdString());
  window.move(place.left, place.top);
  window.setWindowState(place.maximized ? (window.windowState() | Qt::WindowMaximized)
                                        : (window.windowState() & ~Qt::WindowMaximized));
}

void SaveWindowPosition(const char* section, const QWidget& window, const QString& file) {
  app::SaveWindowPosition(section, Geometry(window), file.toStdString());
}

void CentreOnScreen(QWidget& window) {
  const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->geometry();
  window.move(area.x() + (area.width() - window.width()) / 2,
              area.y() + (area.height() - window.height()) / 2);
}

}  // namespace mediaconv::wizard
