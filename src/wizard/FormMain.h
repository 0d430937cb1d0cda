#pragma once
#include <QList>
#include <QString>
#include <QUrl>
#include <array>
#include <memory>

#include "app/AppSettings.h"
#include "app/EditionProfile.h"
#include "app/MainThread.h"
#include "download/DownloadRun.h"
#include "engine/log/FFLogger.h"
#include "engine/tasks/FFEncoder.h"
#include "ui/SkinnedFrame.h"
#include "wizard/PageSetUp.h"
#include "wizard/WindowMessages.h"
#include "wizard/convert/ConversionView.h"

class QAction;
class QLabel;
class QMenu;

namespace mediaconv::ui {
class TImageButton;
class TLinkLabel;
class TPageControl;
}  // namespace mediaconv::ui

namespace mediaconv::wizard {

class TDialogs;
class TFormLog;
class TModePage;
class TFileListPage;
class TOutputPage;
class TProgressPage;
class TSummaryPage;
class TLinkPage;
class TDownloadPage;
class TDownloadSummaryPage;
class TSessionServices;
}  // namespace mediaconv::wizard

namespace mediaconv::convert {
class TConversionRun;
class TFFEncoderRunAdapter;
class TRunEventBinding;
}  // namespace mediaconv::convert

namespace mediaconv::wizard {

// Where the program finds its files and keeps the user's.
struct TStartUpPaths {
  QString ExeFolder;        // with a trailing "/"
  QString EditionFile;      // the edition file beside the executable
  QString AppDataFolder;    // with a trailing "/"
  QString DocumentsFolder;  // with a trailing "/"
};

// The same paths as the running program sees them.
TStartUpPaths DefaultStartUpPaths();

// The wizard's main window: a fixed, frameless, skinned window whose pages
// lead the user from the files (or links) to the finished run.
class TFormMain : public ui::TSkinnedFrame, private TRunWindow {
  Q_OBJECT
 public:
  static constexpr int kWidth = 772;
  static constexpr int kHeight = 547;
  static constexpr int kPageWidth = 560;
  static constexpr int kPageHeight = 424;

  TFormMain(const TStartUpPaths& paths, TFormLog& log, TDialogs& dialogs, app::TMainThread& mainThread);
  ~TFormMain() override;

  const app::EditionProfile& Edition() const { return edition_; }
  const QString& Title() const { return title_; }
  app::AppSettings& Settings() { return settings_; }
  const QString& SettingsFile() const { return settingsFile_; }
  const QString& SkinFolder() const { return skinFolder_; }
  // Whether creation ran to its end (the media libraries could be loaded).
  bool StartedUp() const { return startedUp_; }

  void AppendLog(const QString& line);

  // The page flow.
  TWizardPage CurrentPage() const;
  void ShowPage(TWizardPage page);
  void SetUpPage();
  void GoToStartPage();
  void NextClick();
  void BackClick();
  void ExitClick();
  // "Convert the downloaded file(s) now! "
  void ConvertDownloadedClick();
  // Files named on the command line (or by "Open With"): convert mode with
  // them on Step1.
  void OpenFiles(const QStringList& files);

  // Files dropped from a file manager: folders and kinds the list does not
  // take are skipped.
  void DropFiles(const QList<QUrl>& urls);

  void ShowHelpMenu();
  void ShowAbout();
  void ShowLog();

  // Sends (at once) or posts one of the window's own messages.
  void SendMessage(TWindowMessage message);
  void PostMessage(TWindowMessage message);

  // Controls, for the pages' owners and for tests.
  QLabel* TitleLabel() const { return titleLabel_; }
  QLabel* VersionLabel() const { return versionLabel_; }
  ui::TLinkLabel* ToolsLink() const { return toolsLink_; }
  QLabel* TopLogo() const { return topLogo_; }
  QLabel* LeftLogo() const { return leftLogo_; }
  ui::TImageButton* MinimizeButton() const { return minimize_; }
  ui::TImageButton* CloseButton() const { return close_; }
  ui::TImageButton* HelpButton() const { return help_; }
  ui::TImageButton* LogButton() const { return log_; }
  ui::TImageButton* BackButton() const { return back_; }
  ui::TImageButton* NextButton() const { return next_; }
  ui::TImageButton* ExitButton() const { return exit_; }
  ui::TPageControl* Pages() const { return pages_; }
  QMenu* HelpMenu() const { return helpMenu_; }
  QAction* ToolsMenuAction() const { return toolsAction_; }
  TModePage* ModePage() const { return modePage_; }
  TFileListPage* FileListPage() const { return fileListPage_; }
  TOutputPage* OutputPage() const { return outputPage_; }
  TProgressPage* ProgressPage() const { return progressPage_; }
  TSummaryPage* SummaryPage() const { return summaryPage_; }
  TLinkPage* LinkPage() const { return linkPage_; }
  TDownloadPage* DownloadPage() const { return downloadPage_; }
  TDownloadSummaryPage* DownloadSummaryPage() const { return downloadSummaryPage_; }
  download::TDownloadRun& DownloadRun() { return *downloadRun_; }
  engine::TFFEncoder& Encoder() { return encoder_; }
  // The conversion run of Step3 (none before the first).
  convert::TConversionRun* ConversionRun() const { return run_.get(); }
  // Sound, power-off, sleep inhibitor and notifications; tests put a
  // recorder here before a run starts.
  void SetSessionServices(TSessionServices* session);
  TSessionServices& SessionServices();
  TFormLog& Log() const { return formLog_; }

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Creation, in its order.
  void CreateControls();
  void CreatePages();
  void CreateHelpMenu();
  void CreateShortcuts();
  void ApplyEdition();
  void LoadSkinImages();
  void ApplySkinLayout();
  void LoadUserSettings();
  void AttachLogger();
  bool LoadMediaLibraries();
  void WatchClipboard();

  // The window's own messages.
  void OnStartUp();
  void OnStartConversion();
  void OnConversionEnded();
  void OnNextDownload();
  void OnNextQuality();

  // The runs, filled in by the conversion and download code.
  void StartConversion();
  void StopConversion();
  void StartDownload();
  void AbortDownload();
  void PasteLinks();
  void OnDownloadFinished(const download::TDownloadSummary& summary);

  // TRunWindow
  void AppendRunLog(const QString& line) override { AppendLog(line); }
  void ShowSummaryPage() override;
  QWidget* RunWindow() override { return this; }

  bool FolderReady(const std::string& folder) const;
  void OpenHelpPage(int page);
  void FitTitle(const QString& text);
  void ClipboardChanged();
  void BeforeClose();
  void SaveOnClose();

  TStartUpPaths paths_;
  TFormLog& formLog_;
  TDialogs& dialogs_;
  app::TMainThread& mainThread_;
  app::EditionProfile edition_;
  QString title_;
  app::AppSettings settings_;
  QString settingsFile_;
  QString skinFolder_;
  bool startedUp_ = false;
  bool closing_ = false;
  bool clipboardHasText_ = false;

  // The logger outlives the encoder: the encoder's threads log until it is gone.
  engine::TFFLogger logger_;
  engine::TFFEncoder encoder_;
  std::unique_ptr<TSessionServices> desktopSession_;
  TSessionServices* session_ = nullptr;
  // Declared after the encoder, so that the run and its view go first.
  std::unique_ptr<convert::TFFEncoderRunAdapter> runAdapter_;
  std::unique_ptr<TConversionView> runView_;
  std::unique_ptr<convert::TConversionRun> run_;
  std::unique_ptr<convert::TRunEventBinding> runEvents_;

  QLabel* topLogo_ = nullptr;
  QLabel* leftLogo_ = nullptr;
  QLabel* titleLabel_ = nullptr;
  QLabel* versionLabel_ = nullptr;
  ui::TLinkLabel* toolsLink_ = nullptr;
  ui::TImageButton* minimize_ = nullptr;
  ui::TImageButton* close_ = nullptr;
  ui::TImageButton* help_ = nullptr;
  ui::TImageButton* log_ = nullptr;
  ui::TImageButton* back_ = nullptr;
  ui::TImageButton* next_ = nullptr;
  ui::TImageButton* exit_ = nullptr;
  ui::TPageControl* pages_ = nullptr;
  QMenu* helpMenu_ = nullptr;
  QAction* toolsAction_ = nullptr;
  int helpMenuOffset_ = 0;
  bool titleBold_ = true;
  int titleTop_ = 0;

  TModePage* modePage_ = nullptr;
  TFileListPage* fileListPage_ = nullptr;
  TOutputPage* outputPage_ = nullptr;
  TProgressPage* progressPage_ = nullptr;
  TSummaryPage* summaryPage_ = nullptr;
  TLinkPage* linkPage_ = nullptr;
  TDownloadPage* downloadPage_ = nullptr;
  TDownloadSummaryPage* downloadSummaryPage_ = nullptr;
  // Declared last: it goes first, while the pages it shows still exist.
  std::unique_ptr<download::TDownloadRun> downloadRun_;
};

}  // namespace mediaconv::wizard
