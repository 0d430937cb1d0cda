#pragma once
#include <QString>

namespace assetgen {

// Two looks of the main window's skin folder.
enum TSkinLook {
  slLight,  // dark top band, light content and bottom band; made for skins 0 and 2
  slDark,   // dark band, sidebar and bottom band around light content; made for skin 3
};

// Writes every image of one skin folder (sounds/res<Res>/).
void WriteSkinFolder(const QString& folder, TSkinLook look);

}  // namespace assetgen
