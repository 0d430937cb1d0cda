#pragma once
#include <QString>

namespace assetgen {

// sounds/done.wav (a rising two-note chime) and sounds/fail.wav (a softer
// falling one): 16-bit mono PCM, well under a second.
void WriteSounds(const QString& soundsFolder);

}  // namespace assetgen
