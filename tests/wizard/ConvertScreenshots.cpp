// Pictures of the convert pages at work: Step1 with thumbnails of real clips,
// Step2 with each class, Step3 during a conversion, Step4, the failed-files
// window and the shutdown dialog.
//   mediaconv-convert-screenshots OUTPUT_FOLDER BIN_FOLDER
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>
#include <cstdio>

#include "convert/ConversionRun.h"
#include "engine/loader/FFLoader.h"
#include "support/Fixtures.h"
#include "ui/ImageButton.h"
#include "ui/Style.h"
#include "wizard/Dialogs.h"
#include "wizard/FormLog.h"
#include "wizard/FormMain.h"
#include "wizard/QtMainThread.h"
#include "wizard/convert/FormFailedAddFile.h"
#include "wizard/convert/FormShutdown.h"
#include "wizard/convert/SessionServices.h"
#include "wizard/pages/FileListPage.h"
#include "wizard/pages/OutputPage.h"
#include "wizard/pages/ProgressPage.h"

using namespace mediaconv;
using namespace mediaconv::wizard;

namespace {

// No sound, no power-off, no notification while taking pictures.
class TQuietSession : public TSessionServices {
 public:
  void PlaySound(const QString&) override {}
  bool PowerOff() override { return false; }
  void InhibitSleep(const QString&) override {}
  void ReleaseSleep() override {}
  void Notify(const QString&, const QString&) override {}
};

void Save(QWidget& widget, const QString& file) {
  QCoreApplication::processEvents();
  if (!widget.grab().toImage().save(file)) std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
}

bool WaitFor(const std::function<bool()>& done, int seconds) {
  QDeadlineTimer deadline(seconds * 1000);
  while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

QString Clip(const char* name, const char* source, int seconds) {
  return QString::fromStdString(test::MediaFixture(
      name, std::string("-f lavfi -i ") + source + ":duration=" + std::to_string(seconds) +
                " -f lavfi -i sine=frequency=440:sample_rate=48000:duration=" + std::to_string(seconds) +
                " -ac 2 -c:v mpeg4 -q:v 4 -c:a mp2"));
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: mediaconv-convert-screenshots OUTPUT_FOLDER BIN_FOLDER\n");
    return 2;
  }
  QApplication app(argc, argv);
  ui::ApplyApplicationStyle(app);
  const QString output = QDir(argv[1]).absolutePath() + "/";
  const QString bin = QDir(argv[2]).absolutePath() + "/";
  QDir().mkpath(output);
  QTemporaryDir temp;
  qputenv("XDG_CONFIG_HOME", (temp.path() + "/config").toUtf8());

  TStartUpPaths paths = DefaultStartUpPaths();
  paths.ExeFolder = bin;
  paths.EditionFile = temp.path() + "/edition.ini";
  paths.AppDataFolder = temp.path() + "/config/";
  QDir().mkpath(paths.AppDataFolder);
  QFile edition(paths.EditionFile);
  if (!edition.open(QIODevice::WriteOnly)) return 1;
  QTextStream(&edition) << "[SYSTEM]\nName=Pelmora\nVersion=2.4.1\nDownload=1\nSkin=0\nRes=\n"
                        << "AVI=1\nMP4=1\nFLV=1\nWMV=1\nMOV=1\nIPOD=1\nIPHONE=1\nIPAD=1\nPSP=1\n"
                        << "MP3=1\nWAV=1\nFLAC=1\nOGG=1\nAAC=1\n";
  edition.close();

  const QString clips[] = {
      Clip("shot_bars.mkv", "smptehdbars=size=640x360:rate=25", 3),
      Clip("shot_testsrc.mkv", "testsrc2=size=320x240:rate=25", 3),
      Clip("shot_pattern.mkv", "testsrc=size=400x300:rate=25", 3),
      QString::fromStdString(test::MediaFixture(
          "shot_tone.mp3", "-f lavfi -i sine=frequency=440:duration=4 -c:a libmp3lame -b:a 128k")),
      Clip("shot_long.mkv", "testsrc2=size=1280x720:rate=25", 30)};

  TQtMainThread mainThread;
  TSilentDialogs dialogs;
  TQuietSession session;
  TFormLog log(dialogs);
  TFormMain window(paths, log, dialogs, mainThread);
  window.SetSessionServices(&session);
  window.move(0, 0);
  QCoreApplication::processEvents();
  window.show();

  window.ShowPage(wpStep1);
  window.FileListPage()->AddFiles({clips[0], clips[1], clips[2], clips[3]});
  window.FileListPage()->Files().Select(1);
  window.FileListPage()->Refresh();
  Save(window, output + "convert-step1-files.png");

  window.ShowPage(wpStep2);
  window.OutputPage()->LoadOutputPage();
  window.OutputPage()->FolderEdit()->setText(temp.path() + "/out/");
  const char* classes[] = {"video", "device", "audio"};
  for (int classId = 0; classId < 3; ++classId) {
    window.OutputPage()->ClassButton(classId)->click();
    Save(window, output + "convert-step2-" + classes[classId] + ".png");
  }
  window.OutputPage()->ClassButton(0)->click();

  // A long 720p clip into AVI, caught in the middle.
  window.FileListPage()->Clear();
  window.FileListPage()->AddFiles({clips[4], clips[1]});
  window.Settings().OutputFileDir = (temp.path() + "/out/").toStdString();
  window.OutputPage()->LoadOutputPage();
  window.NextClick();
  if (!WaitFor(
          [&] {
            auto* item = window.ProgressPage()->ProgressList()->topLevelItem(0);
            return item && item->text(3).remove('%').toInt() >= 15;
          },
          120))
    std::fprintf(stderr, "no progress to show\n");
  Save(window, output + "convert-step3-progress.png");
  if (window.ConversionRun()) window.ConversionRun()->Cancel();
  WaitFor([&] { return window.CurrentPage() == wpStep4; }, 60);
  Save(window, output + "convert-step4-summary.png");

  TFormFailedAddFile failed({"/home/ana/Videos/broken.avi: Invalid data found when processing input",
                             "/home/ana/Music/notes.mp3: No such file or directory"},
                            {}, &window);
  failed.show();
  Save(failed, output + "convert-failed-files.png");
  failed.hide();

  TFormShutdown shutdown("Pelmora", &window);
  shutdown.show();
  for (int tick = 0; tick < 3; ++tick) shutdown.Tick();
  Save(shutdown, output + "convert-shutdown.png");
  shutdown.hide();

  window.close();
  std::printf("screenshots in %s\n", qPrintable(output));
  return 0;
}
