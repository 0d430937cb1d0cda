#pragma once
#include <QString>

namespace assetgen {

// One icon for every icon resource of the edition table, in icons/ beside
// the executables (<name>.png at 256 px, <name>-<size>.png smaller), and the
// default edition's icon as "mediaconv" in a hicolor theme folder.
void WriteEditionIcons(const QString& iconsFolder);
void WriteDesktopIcons(const QString& hicolorFolder);

}  // namespace assetgen
