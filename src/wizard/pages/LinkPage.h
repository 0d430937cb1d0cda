#pragma once
#include <QWidget>

#include "download/LinkList.h"

class QAction;
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
// The links live in the link list; the page shows them and asks its
// questions.
class TLinkPage : public QWidget, private download::TLinkListView {
  Q_OBJECT
 public:
  TLinkPage(TDialogs& dialogs, app::AppSettings& settings, QWidget* parent = nullptr);

  download::TLinkList& Links() { return links_; }
  int LinkCount() const { return int(links_.Links().size()); }
  // Adds the links of a pasted text, asking about the ones it skips.
  void Paste(const QString& text);
  void ClearLinks();

  // Fills the page from the settings and takes its choices back.
  void LoadLinkPage();
  void SaveLinkPage();
  // "&Paste" is enabled while the clipboard holds text.
  void SetClipboardHasText(bool hasText);
  // The quality dialog; the ranking changes on its OK.
  void ConfigQuality();

  QListWidget* LinkList() const { return list_; }
  QLineEdit* FolderEdit() const { return folder_; }
  QPushButton* PasteButton() const { return paste_; }
  QPushButton* RemoveButton() const { return remove_; }
  QPushButton* EmptyButton() const { return empty_; }
  QPushButton* SelectButton() const { return select_; }
  QCheckBox* PreferQuality() const { return prefer_; }
  QPushButton* ConfigButton() const { return config_; }
  QLabel* QualitySummary() const { return qualitySummary_; }

 signals:
  void PasteRequested();

 private:
  bool ConfirmLinkMessage(const std::string& text) override;
  void LinkAdded(int index, const std::string& link) override;
  void LinkRemoved(int index) override;
  void LinksCleared() override;

  QWidget* CreateLinkGroup();
  QWidget* CreateSetupGroup();
  QWidget* CreateQualityGroup();
  void RemoveSelected();
  void SelectFolder();
  void ShowQualitySummary();
  void UpdateActions();

  TDialogs& dialogs_;
  app::AppSettings& settings_;
  download::TLinkList links_{*this};
  QListWidget* list_ = nullptr;
  QPushButton* paste_ = nullptr;
  QPushButton* remove_ = nullptr;
  QPushButton* empty_ = nullptr;
  QAction* pasteAction_ = nullptr;
  QAction* removeAction_ = nullptr;
  QLineEdit* folder_ = nullptr;
  QPushButton* select_ = nullptr;
  QCheckBox* prefer_ = nullptr;
  QPushButton* config_ = nullptr;
  QLabel* qualitySummary_ = nullptr;
  bool clipboardHasText_ = false;
};

}  // namespace mediaconv::wizard
