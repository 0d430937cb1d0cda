// Draws the product's artwork and synthesises its sounds into the build
// tree: mc_assetgen <executables folder> <hicolor icon theme folder>
#include <QFontDatabase>
#include <QGuiApplication>
#include <cstdio>

#include "ButtonImages.h"
#include "Canvas.h"
#include "Icons.h"
#include "Palette.h"
#include "SkinImages.h"
#include "Sounds.h"

using namespace assetgen;

namespace {

struct TSkinFolder {
  const char* res;  // the edition file's "Res"
  TSkinLook look;
};

const TSkinFolder kSkinFolders[] = {{"", slLight}, {"2", slDark}};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mc_assetgen <bin folder> <hicolor folder>\n");
    return 2;
  }
  // Fonts need a GUI application; the offscreen platform needs no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  if (!QFontDatabase::families().contains(kFontFamily)) {
    std::fprintf(stderr, "assetgen: the font \"%s\" is missing (Debian package fonts-dejavu-core)\n",
                 qPrintable(kFontFamily));
    return 1;
  }
  const QString bin = MakeFolder(QString::fromLocal8Bit(argv[1]));
  const QString sounds = MakeFolder(bin + "sounds");
  for (const auto& skin : kSkinFolders) WriteSkinFolder(MakeFolder(sounds + "res" + skin.res), skin.look);
  WriteSounds(sounds);
  WriteButtonImages(MakeFolder(bin + "images"));
  WriteEditionIcons(MakeFolder(bin + "icons"));
  WriteDesktopIcons(MakeFolder(QString::fromLocal8Bit(argv[2])));
  std::printf("assetgen: %d images written\n", FilesWritten());
  return 0;
}
