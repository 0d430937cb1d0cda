// Pictures of every page, the help menu, the log window and the About window
// for two editions and two skins: mediaconv-screenshots OUTPUT_FOLDER BIN_FOLDER
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>
#include <cstdio>

#include "convert/FileList.h"
#include "ui/ImageButton.h"
#include "ui/Style.h"
#include "wizard/Dialogs.h"
#include "wizard/FormAbout.h"
#include "wizard/FormLog.h"
#include "wizard/FormMain.h"
#include "wizard/FormQuality.h"
#include "wizard/QtMainThread.h"
#include "wizard/pages/DownloadPage.h"
#include "wizard/pages/DownloadSummaryPage.h"
#include "wizard/pages/FileListPage.h"
#include "wizard/pages/LinkPage.h"
#include "wizard/pages/OutputPage.h"
#include "wizard/pages/ProgressPage.h"
#include "wizard/pages/SummaryPage.h"

using namespace mediaconv;
using namespace mediaconv::wizard;

namespace {

struct TEdition {
  const char* slug;
  QStringList keys;
};

const char* const kPageNames[] = {"1-mode",    "2-files", "3-output",   "4-progress",
                                  "5-summary", "6-links", "7-download", "8-download-summary"};

void Save(const QImage& image, const QString& file) {
  if (!image.save(file)) std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
}

void FillDownload(TDownloadPage& page);

void FillSamples(TFormMain& w) {
  for (const char* name : {"/home/ana/Videos/holiday-2026.mkv", "/home/ana/Videos/interview.mp4",
                           "/home/ana/Music/live-set.flac"})
    w.FileListPage()->Files().AppendRow(convert::UnprobedRow(name));
  w.FileListPage()->Refresh();
  w.OutputPage()->LoadOutputPage();
  w.OutputPage()->FolderEdit()->setText("/home/ana/Videos/Converted/");
  auto* progress = new QTreeWidgetItem(
      QStringList{"holiday-2026.mkv", "00:03:12.480", "Converting...", "42%", "/home/ana/Videos/"});
  w.ProgressPage()->ProgressList()->addTopLevelItem(progress);
  w.SummaryPage()->ShowCounts(3, 2, 1);
  w.SummaryPage()->ShowErrors({"File (1): Invalid data found when processing input"});
  w.DownloadSummaryPage()->ShowCounts(3, 2, 1);
  w.LinkPage()->Links().AddLink("https://www.youtube.com/watch?v=dQw4w9WgXcQ");
  w.LinkPage()->Links().AddLink("https://www.youtube.com/watch?v=9bZkp7q19f0");
  QGuiApplication::clipboard()->setText("https://www.youtube.com/watch?v=kJQP7kiw5Fk");
  w.Settings().PreferYouTubeQuality = true;
  w.LinkPage()->LoadLinkPage();
  w.LinkPage()->FolderEdit()->setText("/home/ana/Videos/Downloads/");
  w.LinkPage()->LinkList()->setCurrentRow(1);
  FillDownload(*w.DownloadPage());
}

// Step6 as the run shows it in the middle of its second link.
void FillDownload(TDownloadPage& page) {
  download::TDownloadRow done;
  done.Caption = "Tom & Jerry - The Night Before Christmas";
  done.Status = download::kStatusFinished;
  done.Size = "18.72 MB";
  done.Speed = "2311.40 KB/s";
  done.Progress = "100%";
  done.URL = "http://www.youtube.com/get_video?video_id=dQw4w9WgXcQ&&t=vjVQa1PpcFN&";
  download::TDownloadRow running = done;
  running.Caption = "Gangnam Style";
  running.Status = download::kStatusDownloading;
  running.Size = "12.40 MB";
  running.Speed = "1894.22 KB/s";
  running.Progress = "42%";
  running.URL = "http://www.youtube.com/get_video?video_id=9bZkp7q19f0&&t=kOpMw2YhHsa&&fmt=18";
  download::TDownloadRow waiting;
  waiting.Caption = "https://www.youtube.com/watch?v=kJQP7kiw5Fk";
  const download::TDownloadRow rows[] = {done, running, waiting};
  for (int i = 0; i < 3; ++i) page.DownloadRowAdded(i, rows[i]);
  download::TDownloadPanel panel;
  panel.CurrentFile = running.Caption;
  panel.Status = running.Status;
  panel.Speed = running.Speed;
  panel.Elapsed = "00:00:07";
  panel.Left = "00:00:09";
  panel.Quality = "[HQ18] - Format: MP4; Video: 480x360; Audio: Sterro";
  panel.BarPosition = 42;
  panel.PercentText = running.Progress;
  page.StatusPanelChanged(panel);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: mediaconv-screenshots OUTPUT_FOLDER BIN_FOLDER\n");
    return 2;
  }
  QApplication app(argc, argv);
  ui::ApplyApplicationStyle(app);
  const QString output = QDir(argv[1]).absolutePath() + "/";
  const QString bin = QDir(argv[2]).absolutePath() + "/";
  QDir().mkpath(output);
  QTemporaryDir temp;
  qputenv("XDG_CONFIG_HOME", (temp.path() + "/config").toUtf8());

  // The skin folders the artwork provides; the first two.
  QStringList res = QDir(bin + "sounds").entryList({"res*"}, QDir::Dirs);
  for (QString& folder : res) folder.remove(0, 3);
  if (res.isEmpty()) res << "";
  if (res.size() < 2) res << res.first();

  QStringList formats;
  for (const char* key : {"AVI", "MP4",  "FLV",    "SWF",     "MPEG", "RM",         "WMV",         "MOV",
                          "3GP", "IPOD", "IPHONE", "APPLETV", "PSP",  "BLACKBERRY", "MOBILEPHONE", "IPAD",
                          "WAV", "MP3",  "WMA",    "OGG",     "AAC",  "M4A",        "FLAC",        "MP2"})
    formats << QString(key) + "=1";
  const TEdition editions[] = {
      {"pelmora-skin0", QStringList{"Name=Pelmora", "Version=2.4.1", "Copyright=Copyright (C) 2026 Pelmora",
                                    "Download=1", "Skin=0", "Res=" + res[0]} +
                            formats},
      {"rendavo-skin3", QStringList{"Name=Rendavo", "Version=1.0", "Copyright=Copyright (C) 2026 Rendavo",
                                    "Download=0", "Merge=1", "Skin=3", "Res=" + res[1], "MP4=1", "IPOD=1",
                                    "IPHONE=1", "MP3=1", "WAV=1", "AAC=1"}},
  };

  TQtMainThread mainThread;
  TSilentDialogs dialogs(true);
  for (const TEdition& edition : editions) {
    TStartUpPaths paths = DefaultStartUpPaths();
    paths.ExeFolder = bin;
    paths.EditionFile = temp.path() + "/" + edition.slug + ".ini";
    paths.AppDataFolder = temp.path() + "/config/";
    QDir().mkpath(paths.AppDataFolder);
    QFile file(paths.EditionFile);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    QTextStream(&file) << "[SYSTEM]\n" << edition.keys.join('\n') << "\n";
    file.close();

    TFormLog log(dialogs);
    TFormMain window(paths, log, dialogs, mainThread);
    window.move(0, 0);
    QCoreApplication::processEvents();
    window.show();
    FillSamples(window);
    const QString prefix = output + edition.slug + "-";
    for (int page = 0; page < kPageCount; ++page) {
      window.ShowPage(TWizardPage(page));
      QCoreApplication::processEvents();
      Save(window.grab().toImage(), prefix + kPageNames[page] + ".png");
    }

    window.GoToStartPage();
    window.ShowHelpMenu();
    QCoreApplication::processEvents();
    // The menu opens below the window's edge: draw both on one canvas.
    const QPixmap menu = window.HelpMenu()->grab();
    const QRect menuRect(window.mapFromGlobal(window.HelpMenu()->pos()),
                         menu.deviceIndependentSize().toSize());
    const QRect canvasRect = window.rect().united(menuRect);
    QImage withMenu(canvasRect.size(), QImage::Format_ARGB32_Premultiplied);
    withMenu.fill(QColor(0xE5, 0xE7, 0xEB));
    {
      QPainter painter(&withMenu);
      painter.drawPixmap(-canvasRect.topLeft(), window.grab());
      painter.drawPixmap(menuRect.topLeft() - canvasRect.topLeft(), menu);
    }
    window.HelpMenu()->hide();
    Save(withMenu, prefix + "help-menu.png");

    log.AppendLog("#4211.5: Input #0, matroska,webm, from '/home/ana/Videos/holiday-2026.mkv':");
    log.AppendLog("#4211.5:   Duration: 00:03:12.48, start: 0.000000, bitrate: 2412 kb/s");
    log.AppendLog("#4211.4: [libx264 @ 0x55d0] using cpu capabilities: MMX2 SSE2Fast SSSE3 SSE4.2 AVX2");
    log.AppendLog("File has been added to convert list.");
    log.AppendLog("File load error: /home/ana/Music/broken.wav: Invalid data found when processing input");
    log.show();
    QCoreApplication::processEvents();
    Save(log.grab().toImage(), prefix + "log.png");
    log.hide();

    if (window.Edition().Download) {
      TFormQuality quality(download::kDefaultRanking, &window);
      quality.show();
      quality.List()->setCurrentItem(quality.List()->topLevelItem(1));
      QCoreApplication::processEvents();
      Save(quality.grab().toImage(), prefix + "quality.png");
      quality.hide();
    }

    TFormAbout about(paths.ExeFolder, paths.EditionFile, &window);
    about.show();
    QCoreApplication::processEvents();
    Save(about.grab().toImage(), prefix + "about.png");
    about.hide();
    window.hide();
  }
  std::printf("screenshots in %s\n", qPrintable(output));
  return 0;
}
