#pragma once
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QUrl>
#include <deque>
#include <memory>

#include "ui/Style.h"
#include "wizard/Dialogs.h"
#include "wizard/FormLog.h"
#include "wizard/FormMain.h"
#include "wizard/QtMainThread.h"

namespace mediaconv::test {

// Answers every dialog from a script and records what was asked; nothing
// modal ever opens.
class TScriptedDialogs : public wizard::TDialogs {
 public:
  struct TShown {
    QString kind;  // "notice", "confirm", "ask", "error", "folder", "save", "open", "modal"
    QString text;
    QString caption;
  };

  std::vector<TShown> shown;
  std::deque<bool> confirmAnswers;  // empty: No
  wizard::TAnswer askAnswer = wizard::anNo;
  std::optional<QString> folderAnswer;
  std::optional<QString> saveAnswer;
  QStringList openAnswer;
  QDialog* lastModal = nullptr;

  void Notice(QWidget*, const QString& text) override { shown.push_back({"notice", text, Caption()}); }
  bool Confirm(QWidget*, const QString& text) override {
    shown.push_back({"confirm", text, Caption()});
    if (confirmAnswers.empty()) return false;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
  }
  wizard::TAnswer AskYesNoCancel(QWidget*, const QString& title, const QString& text) override {
    shown.push_back({"ask", text, title});
    return askAnswer;
  }
  void Error(QWidget*, const QString& text) override { shown.push_back({"error", text, Caption()}); }
  std::optional<QString> SelectFolder(QWidget*, const QString& title, const QString&) override {
    shown.push_back({"folder", title, Caption()});
    return folderAnswer;
  }
  std::optional<QString> SaveFileName(QWidget*, const QString& filter, const QString&) override {
    shown.push_back({"save", filter, Caption()});
    return saveAnswer;
  }
  QStringList OpenFileNames(QWidget*, const QString&, const QString& filter) override {
    shown.push_back({"open", filter, Caption()});
    return openAnswer;
  }
  int ShowModal(QDialog& dialog) override {
    shown.push_back({"modal", dialog.windowTitle(), Caption()});
    lastModal = &dialog;
    dialog.show();
    return QDialog::Rejected;
  }

  QString LastText() const { return shown.empty() ? QString() : shown.back().text; }
  QString LastKind() const { return shown.empty() ? QString() : shown.back().kind; }
  void Clear() { shown.clear(); }
};

// Catches what ShellOpen hands to the desktop.
class TUrlRecorder : public QObject {
  Q_OBJECT
 public:
  TUrlRecorder() {
    for (const char* scheme : {"http", "https", "file"})
      QDesktopServices::setUrlHandler(scheme, this, "Open");
  }
  ~TUrlRecorder() override {
    for (const char* scheme : {"http", "https", "file"}) QDesktopServices::unsetUrlHandler(scheme);
  }
  QStringList opened;

 public slots:
  void Open(const QUrl& url) { opened << url.toString(); }
};

inline void WriteText(const QString& path, const QString& text) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QTextStream(&file) << text;
}

inline QString ReadText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

// An edition file with the given lines below [SYSTEM].
inline QString EditionText(const QStringList& keys) { return "[SYSTEM]\n" + keys.join('\n') + "\n"; }

// A program folder with an edition file, a settings folder and a window.
class TWizardFixture {
 public:
  explicit TWizardFixture(const QStringList& editionKeys, bool create = true) {
    paths.ExeFolder = dir.path() + "/bin/";
    paths.EditionFile = paths.ExeFolder + "lame.dll";
    paths.AppDataFolder = dir.path() + "/config/";
    paths.DocumentsFolder = dir.path() + "/docs/";
    QDir().mkpath(paths.ExeFolder);
    QDir().mkpath(paths.AppDataFolder);
    QDir().mkpath(paths.DocumentsFolder);
    qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
    WriteText(paths.EditionFile, EditionText(editionKeys));
    if (create) Create();
  }
  ~TWizardFixture() {
    window.reset();
    log.reset();
  }

  void Create() {
    log = std::make_unique<wizard::TFormLog>(dialogs);
    window = std::make_unique<wizard::TFormMain>(paths, *log, dialogs, mainThread);
    QCoreApplication::processEvents();  // the start-up message
  }
  QString SettingsText() const { return ReadText(window->SettingsFile()); }

  QTemporaryDir dir;
  wizard::TStartUpPaths paths;
  TScriptedDialogs dialogs;
  wizard::TQtMainThread mainThread;
  std::unique_ptr<wizard::TFormLog> log;
  std::unique_ptr<wizard::TFormMain> window;
};

// The full edition of the defaults: both modes and every format.
inline QStringList FullEdition(const QString& name = "Pelmora") {
  QStringList keys{"Name=" + name, "Version=2.4.1", "Copyright=Copyright (C) 2026 Pelmora",
                   "Download=1",   "Res=1",         "Skin=0",
                   "Merge=0"};
  for (const char* key : {"AVI", "MP4",  "FLV",    "SWF",     "MPEG", "RM",         "WMV",         "MOV",
                          "3GP", "IPOD", "IPHONE", "APPLETV", "PSP",  "BLACKBERRY", "MOBILEPHONE", "IPAD",
                          "WAV", "MP3",  "WMA",    "OGG",     "AAC",  "M4A",        "FLAC",        "MP2"})
    keys << QString(key) + "=1";
  return keys;
}

inline QStringList With(QStringList keys, const QStringList& changes) {
  for (const QString& change : changes) {
    const QString key = change.section('=', 0, 0) + "=";
    keys.erase(std::remove_if(keys.begin(), keys.end(), [&](const QString& k) { return k.startsWith(key); }),
               keys.end());
    keys << change;
  }
  return keys;
}

}  // namespace mediaconv::test
