// Adds the listed files to Step1 the way the add dialog does (TFileListPage::
// AddFiles: probe, thumbnail from the middle, cells, grid rows), offscreen;
// bench/report.sh times it against bench_prober on the same files.
#include <QApplication>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "app/AppSettings.h"
#include "engine/loader/FFLoader.h"
#include "engine/prober/FFDecoder.h"
#include "wizard/Dialogs.h"
#include "wizard/pages/FileListPage.h"

using namespace mediaconv;

int main(int argc, char** argv) {
  if (argc != 3 || std::string(argv[1]) != "--list") {
    std::cerr << "usage: bench_filelist --list <file of media paths>\n";
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (!engine::TFFLoader::Instance().LoadLibraries(engine::EngineLibraries)) return 3;
  QStringList names;
  std::ifstream list(argv[2]);
  for (std::string line; std::getline(list, line);)
    if (!line.empty()) names << QString::fromStdString(line);
  wizard::TSilentDialogs dialogs;
  app::AppSettings settings;
  engine::TFFDecoder prober;
  wizard::TFileListPage page(prober, dialogs, settings);
  page.resize(420, 420);
  page.show();
  page.AddFiles(names);
  // The grid draws its visible slides once.
  QCoreApplication::processEvents();
  std::printf("%d files listed\n", page.Count());
  return page.Count() == names.size() ? 0 : 1;
}
