#pragma once
#include <QEvent>

namespace mediaconv::wizard {

// The messages the main window sends itself to sequence its work, with the
// numbers they have always had (WM_USER = 1024).
enum TWindowMessage : int {
  wmStartUp = 1025,          // show the window, set the tools captions
  wmStartConversion = 1026,  // start the conversion run
  wmConversionEnded = 1027,  // completion actions, then the summary
  wmNextDownload = 1028,     // download the next link
  wmNextQuality = 1029,      // try the next quality of a failed download
};

inline QEvent::Type EventType(TWindowMessage message) { return static_cast<QEvent::Type>(message); }

inline bool IsWindowMessage(QEvent::Type type) {
  return int(type) >= wmStartUp && int(type) <= wmNextQuality;
}

}  // namespace mediaconv::wizard
