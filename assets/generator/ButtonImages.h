#pragma once
#include <QString>

namespace assetgen {

// The output page's format and class buttons (images/formats/,
// images/classes/) and the file list's picture for files without video
// (images/audio.png).
void WriteButtonImages(const QString& imagesFolder);

}  // namespace assetgen
