// The window while a 720p file converts: the longest gap between two turns of
// the event loop, from Next on the output page to the summary.
//   bench_responsive <720p input> <output folder>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "wizard/Dialogs.h"
#include "wizard/FormLog.h"
#include "wizard/FormMain.h"
#include "wizard/QtMainThread.h"
#include "wizard/convert/SessionServices.h"
#include "wizard/pages/FileListPage.h"
#include "wizard/pages/OutputPage.h"

using namespace mediaconv;
using namespace mediaconv::wizard;

namespace {

class TNoSession : public TSessionServices {
 public:
  void PlaySound(const QString&) override {}
  bool PowerOff() override { return false; }
  void InhibitSleep(const QString&) override {}
  void ReleaseSleep() override {}
  void Notify(const QString&, const QString&) override {}
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_responsive <720p input> <output folder>\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir temp;
  qputenv("XDG_CONFIG_HOME", (temp.path() + "/config").toUtf8());
  TStartUpPaths paths = DefaultStartUpPaths();
  paths.EditionFile = temp.path() + "/edition.ini";
  paths.AppDataFolder = temp.path() + "/config/";
  QDir().mkpath(paths.AppDataFolder);
  QFile edition(paths.EditionFile);
  if (!edition.open(QIODevice::WriteOnly)) return 1;
  QTextStream(&edition) << "[SYSTEM]\nName=Pelmora\nVersion=1\nAVI=1\nMP4=1\nMP3=1\n";
  edition.close();

  TQtMainThread mainThread;
  TSilentDialogs dialogs;
  TNoSession session;
  TFormLog log(dialogs);
  TFormMain window(paths, log, dialogs, mainThread);
  window.SetSessionServices(&session);
  QCoreApplication::processEvents();
  window.ShowPage(wpStep1);
  window.FileListPage()->AddFiles({QString::fromLocal8Bit(argv[1])});
  app::AppSettings& settings = window.Settings();
  settings.OutputFormatClass = 0;
  settings.OutputVideoFormat = 1;  // MP4
  settings.OutputMP4Preset = 15;   // PC standard quality, MPEG-4
  settings.OutputFileDir = QDir(argv[2]).absolutePath().toStdString() + "/";
  window.NextClick();
  window.NextClick();

  std::vector<qint64> gaps;
  qint64 longest = 0, longestAt = 0;
  QElapsedTimer clock;
  clock.start();
  qint64 last = clock.elapsed();
  QTimer turn;
  turn.setInterval(0);
  QObject::connect(&turn, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    gaps.push_back(now - last);
    if (now - last > longest) {
      longest = now - last;
      longestAt = now;
    }
    last = now;
    if (window.CurrentPage() == wpStep4) QCoreApplication::quit();
  });
  turn.start();
  QTimer::singleShot(600000, [] { QCoreApplication::quit(); });
  app.exec();
  if (gaps.empty() || window.CurrentPage() != wpStep4) return 1;
  std::sort(gaps.begin(), gaps.end());
  const qint64 total = clock.elapsed();
  std::printf(
      "run %.1f s, %zu loop turns, longest gap %lld ms (ending %.1f s before the summary), "
      "99.9th percentile %lld ms\n",
      double(total) / 1000.0, gaps.size(), longest, double(total - longestAt) / 1000.0,
      gaps[gaps.size() * 999 / 1000]);
  return 0;
}
