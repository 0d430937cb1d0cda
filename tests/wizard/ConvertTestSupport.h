#pragma once
// Answers for the windows' dialogs and media made at test time, for the
// tests of the convert pages.
#include <QDialog>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "support/Fixtures.h"
#include "wizard/Dialogs.h"

namespace mediaconv::wizard::test {

// Answers every dialog as told and remembers what was asked.
class TAnsweringDialogs : public TDialogs {
 public:
  void Notice(QWidget*, const QString& text) override { Notices << text; }
  bool NoticeOkCancel(QWidget*, const QString& text) override {
    Notices << text;
    return ConfirmAnswer;
  }
  bool Confirm(QWidget*, const QString& text) override {
    Questions << text;
    return ConfirmAnswer;
  }
  TAnswer AskYesNoCancel(QWidget*, const QString&, const QString&) override { return anNo; }
  void Error(QWidget*, const QString& text) override { Errors << text; }
  std::optional<QString> SelectFolder(QWidget*, const QString&, const QString&) override { return Folder; }
  std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
  QStringList OpenFileNames(QWidget*, const QString& folder, const QString& filter) override {
    OpenFolders << folder;
    OpenFilters << filter;
    return FilesToOpen;
  }
  int ShowModal(QDialog& dialog) override {
    Modals << dialog.objectName();
    return OnModal ? OnModal(dialog) : int(QDialog::Rejected);
  }

  bool ConfirmAnswer = true;
  std::optional<QString> Folder;
  QStringList FilesToOpen;
  std::function<int(QDialog&)> OnModal;
  QStringList Notices, Questions, Errors, OpenFolders, OpenFilters, Modals;
};

inline std::string Mp3Tone() {
  return mediaconv::test::MediaFixture(
      "page_tone.mp3",
      "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 -ac 2 -c:a libmp3lame -b:a 128k");
}
inline std::string SmallClip(const std::string& name = "page_clip.mkv", int seconds = 2) {
  return mediaconv::test::MediaFixture(
      name, "-f lavfi -i testsrc2=size=320x240:rate=25:duration=" + std::to_string(seconds) +
                " -f lavfi -i sine=frequency=440:sample_rate=48000:duration=" + std::to_string(seconds) +
                " -ac 2 -c:v mpeg4 -c:a mp2");
}
// An elementary stream: no container, so no duration.
inline std::string RawVideo() {
  return mediaconv::test::MediaFixture(
      "page_raw.m4v", "-f lavfi -i testsrc2=size=160x120:rate=25:duration=1 -c:v mpeg4 -f m4v");
}

}  // namespace mediaconv::wizard::test
