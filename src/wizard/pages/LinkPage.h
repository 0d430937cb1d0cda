#pragma once
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace mediaconv::app {
struct AppSettings;
}

namespace mediaconv::wizard {

class TDialogs;

// Step5: the links to download, the download folder and the quality choice.
class TLinkPage : public QWidget {
  Q_OBJECT
 public:
  TLinkPage(TDialogs& dialogs, app::AppSettings& settings, QWidget* parent = nullptr);

  int LinkCount() const;
  QStringList Links() const;
  void AddLink(const QString& link);
  void ClearLinks();

  // Fills the page from the settings and takes its choices back.
  void LoadLinkPage();
  void SaveLinkPage();
  // "&Paste" is enabled while the clipboard holds text.
  void SetClipboardHasText(bool hasText);

  QListWidget* LinkList() const { return links_; }
  QLineEdit* FolderEdit() const { return folder_; }
  QPushButton* PasteButton() const { return paste_; }
  QCheckBox* PreferQuality() const { return prefer_; }
  QPushButton* ConfigButton() const { return config_; }

 signals:
  void PasteRequested();

 private:
  void SelectFolder();
  void UpdateActions();

  TDialogs& dialogs_;
  app::AppSettings& settings_;
  QListWidget* links_;
  QPushButton* paste_;
  QPushButton* remove_;
  QPushButton* empty_;
  QLineEdit* folder_;
  QPushButton* select_;
  QCheckBox* prefer_;
  QPushButton* config_;
  QLabel* qualitySummary_;
  bool clipboardHasText_ = false;
};

}  // namespace mediaconv::wizard
