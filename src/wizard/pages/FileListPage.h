#pragma once
#include <QWidget>
#include <memory>

#include "convert/FileList.h"

class QListWidget;
class QPushButton;

namespace mediaconv::app {
struct AppSettings;
}

namespace mediaconv::wizard {

class TDialogs;

// Step1: the files to convert, in conversion order, over the file-list
// model. The list shows one line per file until the file grid replaces it.
class TFileListPage : public QWidget, private convert::TFileListView {
  Q_OBJECT
 public:
  static constexpr const char* kAddFilter =
      "All Supported Formats|*.AVI;*.AVM;*.ASF;*.WMV;*.AVS;*.FLV;*.MKV;*.MOV;*.3GP;*.MP4;*.MPG;*.MPEG;*.DAT;"
      "*.OGM;*.VOB;*.RM;*.RMVB;*.TS;*.TP;*.IFO;*.NSV;*.SWF;*.MP3;*.AAC;*.WAV;*.WMA;*.CDA;*.FLAC;*.M4A;*.MID;"
      "*.MKA;*.MP2;*.MPA;*.MPC;*.APE;*.OFR;*.OGG;*.RA;*.WV;*.TTA;*.AC3;*.DTS;|All Video Formats (all types)|"
      "*.AVI;*.AVM;*.ASF;*.WMV;*.AVS;*.FLV;*.MKV;*.MOV;*.3GP;*.MP4;*.MPG;*.MPEG;*.DAT;*.OGM;*.VOB;*.RM;*."
      "RMVB;"
      "*.TS;*.TP;*.IFO;*.NSV;*.SWF;|All Audio Formats (all types)|*.MP3;*.AAC;*.WAV;*.WMA;*.CDA;*.FLAC;*.M4A;"
      "*.MID;*.MKA;*.MP2;*.MPA;*.MPC;*.APE;*.OFR;*.OGG;*.RA;*.WV;*.TTA;*.AC3;*.DTS;|All Files|*.*";

  TFileListPage(engine::TFFDecoder& prober, TDialogs& dialogs, app::AppSettings& settings,
                QWidget* parent = nullptr);

  convert::TFileList& Files() { return files_; }
  int Count() const { return files_.Count(); }
  void Clear();
  // Probes and lists the files (busy cursor while it works).
  void AddFiles(const QStringList& names);
  // Shows the model's rows again after it changed.
  void Refresh();

  // The actions of the page.
  void AddVideo();
  void DeleteSelected();
  void MoveUp();
  void MoveDown();
  void PlaySelected();

  QListWidget* List() const { return list_; }

 signals:
  void LogLine(const QString& line);

 private:
  void AppendLog(const std::string& line) override;
  void ShowFailedFiles(const std::vector<std::string>& errors) override;
  int TextWidth(const std::string& text) override;
  void UpdateActions();

  TDialogs& dialogs_;
  app::AppSettings& settings_;
  convert::TFileList files_;
  QListWidget* list_;
  QPushButton* add_;
  QPushButton* delete_;
  QPushButton* clear_;
  QPushButton* moveUp_;
  QPushButton* moveDown_;
  QPushButton* play_;
};

}  // namespace mediaconv::wizard
