#include <QApplication>
#include <QFileInfo>
#include <QIcon>

#include "app/BusyCounter.h"
#include "app/EditionProfile.h"
#include "app/EditionTable.h"
#include "ui/Style.h"
#include "wizard/Dialogs.h"
#include "wizard/FormLog.h"
#include "wizard/FormMain.h"
#include "wizard/QtMainThread.h"
#include "wizard/Shell.h"

using namespace mediaconv;

int main(int argc, char* argv[]) {
  const wizard::TStartUpPaths paths = wizard::DefaultStartUpPaths();
  const std::string name = app::ReadEditionProfile(paths.EditionFile.toStdString()).Name;

  QApplication application(argc, argv);
  QApplication::setApplicationDisplayName(QString::fromStdString(name));
  QApplication::setDesktopFileName("mediaconv");
  const std::string_view icon = app::EditionIcon(name);
  const QString iconFile =
      paths.ExeFolder + "icons/" + QString::fromUtf8(icon.data(), qsizetype(icon.size())) + ".png";
  if (!icon.empty() && QFileInfo::exists(iconFile)) QApplication::setWindowIcon(QIcon(iconFile));
  ui::ApplyApplicationStyle(application);

  wizard::TOverrideCursor cursor;
  app::BusyCounter().SetCursor(&cursor);
  wizard::TQtMainThread mainThread;
  wizard::TQtDialogs dialogs;
  dialogs.SetCaption(QString::fromStdString(name));
  // The log window first, so that no line of the main window's creation is lost.
  wizard::TFormLog log(dialogs);
  wizard::TFormMain mainWindow(paths, log, dialogs, mainThread);
  // Creation that stopped early posts no start-up message: the loop shows the window.
  if (!mainWindow.StartedUp()) mainWindow.show();
  // Files named on the command line join Step1 once the window is up.
  const QStringList files = QApplication::arguments().mid(1);
  if (!files.isEmpty())
    QMetaObject::invokeMethod(
        &mainWindow, [&mainWindow, files] { mainWindow.OpenFiles(files); }, Qt::QueuedConnection);
  const int result = application.exec();
  app::BusyCounter().SetCursor(nullptr);
  return result;
}
