#include "wizard/FormMain.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QRadioButton>
#include <QUrl>
#include <filesystem>
#include <system_error>

#include "app/BusyCounter.h"
#include "app/EditionTable.h"
#include "app/FileNameHelpers.h"
#include "app/HelpLinks.h"
#include "app/SettingsFolders.h"
#include "app/SkinLayout.h"
#include "app/WindowPosition.h"
#include "convert/ConversionRun.h"
#include "convert/FFEncoderRunAdapter.h"
#include "convert/RunEventBinding.h"
#include "convert/RunTexts.h"
#include "ui/ImageButton.h"
#include "ui/LinkLabel.h"
#include "ui/PageControl.h"
#include "ui/Palette.h"
#include "ui/SkinImage.h"
#include "wizard/Dialogs.h"
#include "wizard/FormAbout.h"
#include "wizard/FormLog.h"
#include "wizard/Shell.h"
#include "wizard/WizardTexts.h"
#include "wizard/convert/SessionServices.h"
#include "wizard/pages/DownloadPage.h"
#include "wizard/pages/DownloadSummaryPage.h"
#include "wizard/pages/FileListPage.h"
#include "wizard/pages/LinkPage.h"
#include "wizard/pages/ModePage.h"
#include "wizard/pages/OutputPage.h"
#include "wizard/pages/ProgressPage.h"
#include "wizard/pages/SummaryPage.h"

namespace mediaconv::wizard {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
QString Q(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// Where the window design puts the controls; a skin variant moves them.
constexpr app::TControlPos kDesignMinimize{true, 696, 4};
constexpr app::TControlPos kDesignClose{true, 728, 4};
constexpr app::TControlPos kDesignHelp{true, 40, 510};
constexpr app::TControlPos kDesignLog{true, 138, 510};
constexpr app::TControlPos kDesignBack{true, 426, 510};
constexpr app::TControlPos kDesignNext{true, 522, 510};
constexpr app::TControlPos kDesignExit{true, 672, 510};
constexpr app::TControlPos kDesignPages{true, 203, 74};
constexpr app::TControlPos kDesignTitle{true, 24, 43};
constexpr QPoint kTopLogoPos{0, 0};
constexpr QPoint kLeftLogoPos{12, 84};
constexpr int kLabelLeft = 24;
constexpr int kVersionTop = 462;
constexpr int kToolsTop = 480;
constexpr int kLabelWidth = 170;

void Place(QWidget* control, const app::TControlPos& pos) {
  control->move(pos.left, pos.top);
  control->setVisible(pos.visible);
}

std::array<QPixmap, ui::TImageButton::kStateCount> ButtonImages(const QString& folder, const QString& stem,
                                                                int count) {
  std::array<QPixmap, ui::TImageButton::kStateCount> images;
  for (int i = 0; i < count; ++i)
    images[size_t(i)] = ui::LoadSkinImage(folder, QString("%1_%2.bmp").arg(stem).arg(i + 1));
  return images;
}

}  // namespace

TStartUpPaths DefaultStartUpPaths() {
  TStartUpPaths paths;
  paths.ExeFolder = Q(app::ExecutableFolder());
  paths.EditionFile = Q(app::EditionFilePath(app::ExecutableFolder()));
  paths.AppDataFolder = Q(app::AppDataFolder());
  paths.DocumentsFolder = Q(app::DocumentsFolder());
  return paths;
}

TFormMain::TFormMain(const TStartUpPaths& paths, TFormLog& log, TDialogs& dialogs,
                     app::TMainThread& mainThread)
    : ui::TSkinnedFrame({kWidth, kHeight}),
      paths_(paths),
      formLog_(log),
      dialogs_(dialogs),
      mainThread_(mainThread) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  AttachLogger();
  CreateControls();
  CreatePages();
  CreateHelpMenu();
  CreateShortcuts();

  ApplyEdition();
  if (app::HidesHelpAndLog(edition_.Name)) {
    for (QWidget* control : {static_cast<QWidget*>(versionLabel_), static_cast<QWidget*>(toolsLink_),
                             static_cast<QWidget*>(help_), static_cast<QWidget*>(log_)})
      control->hide();
  }
  LoadUserSettings();
  setAcceptDrops(true);
  RestoreWindowPosition(app::kMainWindowSection, *this, settingsFile_);
  SetUpPage();
  if (!LoadMediaLibraries()) return;
  WatchClipboard();
  GoToStartPage();
  startedUp_ = true;
  PostMessage(wmStartUp);
}

TFormMain::~TFormMain() {
  if (run_) run_->Close();
  runEvents_.reset();
  encoder_.Stop(true);
  // Lines still queued for the main thread must not reach a window that is gone.
  logger_.OnLog = nullptr;
  mainThread_.ServePending();
}

void TFormMain::AttachLogger() {
  logger_.SetMainThread(&mainThread_);
  logger_.SetTriggerEventInMainThread(true);
  logger_.OnLog = [this](const void*, uint32_t threadId, engine::TLogLevel level,
                         const std::string& message) {
    AppendLog(QString("#%1.%2: %3").arg(threadId).arg(int(level)).arg(Q(message)));
  };
  logger_.SetLogLevel(engine::llDebug);
  encoder_.SetMainThread(&mainThread_);
}

void TFormMain::CreateControls() {
  topLogo_ = new QLabel(this);
  topLogo_->move(kTopLogoPos);
  leftLogo_ = new QLabel(this);
  leftLogo_->move(kLeftLogoPos);
  AddDragHandle(topLogo_);
  AddDragHandle(leftLogo_);

  titleLabel_ = new QLabel(this);
  titleLabel_->setFont(ui::TitleFont());

  versionLabel_ = new QLabel(this);
  versionLabel_->setGeometry(kLabelLeft, kVersionTop, kLabelWidth, 16);
  toolsLink_ = new ui::TLinkLabel("more free tools...", this);
  toolsLink_->setGeometry(kLabelLeft, kToolsTop, kLabelWidth, 16);
  connect(toolsLink_, &ui::TLinkLabel::Clicked, this, [this] { OpenHelpPage(app::hpMoreTools); });

  minimize_ = new ui::TImageButton(this);
  minimize_->SetFallbackSize({28, 24});
  minimize_->setToolTip("Minimize");
  minimize_->SetGlyph(ui::TImageButton::bgMinimize);
  close_ = new ui::TImageButton(this);
  close_->SetFallbackSize({28, 24});
  close_->setToolTip("Close");
  close_->SetGlyph(ui::TImageButton::bgClose);
  connect(minimize_, &QAbstractButton::clicked, this, &QWidget::showMinimized);
  connect(close_, &QAbstractButton::clicked, this, &QWidget::close);

  auto bottom = [this](const QString& caption) {
    auto* button = new ui::TImageButton(this);
    button->setText(caption);
    return button;
  };
  help_ = bottom("Help");
  log_ = bottom("Log");
  back_ = bottom(kBackCaption);
  next_ = bottom("Next");
  exit_ = bottom("Exit");
  connect(help_, &QAbstractButton::clicked, this, &TFormMain::ShowHelpMenu);
  connect(log_, &QAbstractButton::clicked, this, &TFormMain::ShowLog);
  connect(back_, &QAbstractButton::clicked, this, &TFormMain::BackClick);
  connect(next_, &QAbstractButton::clicked, this, &TFormMain::NextClick);
  connect(exit_, &QAbstractButton::clicked, this, &TFormMain::ExitClick);

  pages_ = new ui::TPageControl(this);
  pages_->resize(kPageWidth, kPageHeight);
  connect(pages_, &QStackedWidget::currentChanged, this, [this] { SetUpPage(); });
}

void TFormMain::CreatePages() {
  modePage_ = new TModePage;
  fileListPage_ = new TFileListPage(encoder_.Decoder(), dialogs_, settings_);
  outputPage_ = new TOutputPage(dialogs_, settings_);
  progressPage_ = new TProgressPage(settings_);
  summaryPage_ = new TSummaryPage({}, {});
  linkPage_ = new TLinkPage(dialogs_, settings_);
  downloadPage_ = new TDownloadPage;
  downloadSummaryPage_ = new TDownloadSummaryPage({}, {});
  // In the order of TWizardPage.
  for (QWidget* page : {static_cast<QWidget*>(modePage_), static_cast<QWidget*>(fileListPage_),
                        static_cast<QWidget*>(outputPage_), static_cast<QWidget*>(progressPage_),
                        static_cast<QWidget*>(summaryPage_), static_cast<QWidget*>(linkPage_),
                        static_cast<QWidget*>(downloadPage_), static_cast<QWidget*>(downloadSummaryPage_)})
    pages_->AddPage(page);

  connect(fileListPage_, &TFileListPage::LogLine, this, &TFormMain::AppendLog);
  fileListPage_->SetSupportPage([this] { OpenHelpPage(app::hpSupport); });
  connect(linkPage_, &TLinkPage::PasteRequested, this, &TFormMain::PasteLinks);
  downloadRun_ = std::make_unique<download::TDownloadRun>(*downloadPage_, mainThread_);
  connect(downloadPage_, &TDownloadPage::DownloadFinished, this, &TFormMain::OnDownloadFinished);
  connect(downloadPage_, &TDownloadPage::LogLine, this, &TFormMain::AppendLog);
  connect(summaryPage_->OpenFolderLink(), &ui::TLinkLabel::Clicked, this,
          [this] { ShellOpen(Q(settings_.OutputFileDir)); });
  connect(downloadSummaryPage_->OpenFolderLink(), &ui::TLinkLabel::Clicked, this,
          [this] { ShellOpen(Q(settings_.OutputURLDir)); });
  connect(downloadSummaryPage_->ConvertLink(), &ui::TLinkLabel::Clicked, this,
          &TFormMain::ConvertDownloadedClick);
}

void TFormMain::CreateHelpMenu() {
  helpMenu_ = new QMenu(this);
  auto* content = helpMenu_->addAction("Help Content", this, [this] { OpenHelpPage(app::hpHelpContent); });
  content->setShortcut(QKeySequence(Qt::Key_F1));
  helpMenu_->addAction("How Tos && Tutorial Videos...", this, [this] { OpenHelpPage(app::hpHowTos); });
  helpMenu_->addSeparator();
  helpMenu_->addAction("Home Page...", this, [this] { OpenHelpPage(app::hpHomePage); });
  toolsAction_ = helpMenu_->addAction("More Free Tools...", this, [this] { OpenHelpPage(app::hpMoreTools); });
  helpMenu_->addSeparator();
  helpMenu_->addAction("Check for Updates...", this, [this] { OpenHelpPage(app::hpUpdates); });
  helpMenu_->addAction("Contact Technical Support...", this, [this] { OpenHelpPage(app::hpSupport); });
  helpMenu_->addSeparator();
  helpMenu_->addAction("About", this, &TFormMain::ShowAbout);
}

void TFormMain::CreateShortcuts() {
  auto add = [this](QKeySequence keys, auto handler) {
    auto* action = new QAction(this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, handler);
    addAction(action);
    return action;
  };
  // The file list's keys act only while the list is shown.
  auto onStep1 = [this](void (TFileListPage::*method)()) {
    return [this, method] {
      if (CurrentPage() == wpStep1) (fileListPage_->*method)();
    };
  };
  add(QKeySequence(Qt::CTRL | Qt::Key_O), onStep1(&TFileListPage::AddVideo));
  add(QKeySequence(Qt::Key_Delete), onStep1(&TFileListPage::DeleteSelected));
  add(QKeySequence(Qt::SHIFT | Qt::Key_Delete), onStep1(&TFileListPage::Clear));
  add(QKeySequence(Qt::CTRL | Qt::Key_P), onStep1(&TFileListPage::PlaySelected));
  add(QKeySequence(Qt::ALT | Qt::Key_F4), [this] { ExitClick(); });
  add(QKeySequence(Qt::Key_F1), [this] { OpenHelpPage(app::hpHelpContent); });
  add(QKeySequence(Qt::CTRL | Qt::Key_V), [this] {
    if (CurrentPage() == wpStep5) PasteLinks();
  });
}

void TFormMain::ApplyEdition() {
  edition_ = app::ReadEditionProfile(paths_.EditionFile.toStdString());
  title_ = Q(edition_.Name);
  setWindowTitle(title_);
  dialogs_.SetCaption(title_);
  summaryPage_->FinishedLabel()->setText(Q(convert::FinishedTitle(edition_.Name)));
  summaryPage_->HintLabel()->setText(Q(convert::SummaryHint(edition_.Name)));
  downloadSummaryPage_->FinishedLabel()->setText(title_ + " has finished the downloading.");
  downloadSummaryPage_->HintLabel()->setText(Q(convert::SummaryHint(edition_.Name)));
  versionLabel_->setText(QString(kVersionLabel).arg(Q(edition_.Version)));
  skinFolder_ = Q(app::SkinFolder(paths_.ExeFolder.toStdString(), edition_));
  LoadSkinImages();
  ApplySkinLayout();
  outputPage_->LoadButtonImages(paths_.ExeFolder + "images/");
  outputPage_->LayOutButtons(edition_.Formats);
}

void TFormMain::LoadSkinImages() {
  const QString& folder = skinFolder_;
  auto load = [&](const QString& name) {
    QPixmap image = ui::LoadSkinImage(folder, name);
    // Missing artwork is drawn from the palette; the log says which file.
    if (image.isNull()) AppendLog(QString("Skin image not found: %1%2").arg(folder, name));
    return image;
  };
  topLogo_->setPixmap(load("toplogo.png"));
  topLogo_->adjustSize();
  leftLogo_->setPixmap(load("leftlogo.png"));
  leftLogo_->adjustSize();
  modePage_->SetPictures(load("downloadyoutube.png"), load("youtubeconvert.png"));
  SetSkin(load("main.bmp"));
  const auto bottomImages = ButtonImages(folder, "bottom", 4);
  const auto minimizeImages = ButtonImages(folder, "min", 3);
  const auto closeImages = ButtonImages(folder, "close", 3);
  for (const auto& [images, stem, count] :
       {std::tuple{&bottomImages, "bottom", 4}, std::tuple{&minimizeImages, "min", 3},
        std::tuple{&closeImages, "close", 3}})
    for (int i = 0; i < count; ++i)
      if ((*images)[size_t(i)].isNull())
        AppendLog(QString("Skin image not found: %1%2_%3.bmp").arg(folder, stem).arg(i + 1));
  for (ui::TImageButton* button : {help_, log_, back_, next_, exit_}) button->SetImages(bottomImages);
  minimize_->SetImages(minimizeImages);
  close_->SetImages(closeImages);
}

void TFormMain::ApplySkinLayout() {
  const std::optional<app::TSkinLayout> skin = app::SkinLayoutFor(edition_.Skin);
  auto pos = [&](app::TControlPos app::TSkinLayout::*member, const app::TControlPos& design) {
    return skin ? (*skin).*member : design;
  };
  Place(minimize_, pos(&app::TSkinLayout::minimizeButton, kDesignMinimize));
  Place(close_, pos(&app::TSkinLayout::closeButton, kDesignClose));
  Place(help_, pos(&app::TSkinLayout::helpButton, kDesignHelp));
  Place(log_, pos(&app::TSkinLayout::logButton, kDesignLog));
  Place(back_, pos(&app::TSkinLayout::backButton, kDesignBack));
  Place(next_, pos(&app::TSkinLayout::nextButton, kDesignNext));
  Place(exit_, pos(&app::TSkinLayout::exitButton, kDesignExit));
  Place(pages_, pos(&app::TSkinLayout::pageControl, kDesignPages));
  const app::TControlPos title = pos(&app::TSkinLayout::titleLabel, kDesignTitle);
  Place(titleLabel_, title);
  titleBold_ = !skin || skin->titleBold;
  titleTop_ = title.top;
  titleLabel_->resize(kWidth - title.left - 24, QFontMetrics(ui::TitleFont(titleBold_)).height());

  const app::TRgb colour = skin ? skin->labelColour : app::TRgb{128, 128, 128};
  for (QLabel* label : {versionLabel_, static_cast<QLabel*>(toolsLink_)}) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(colour.red, colour.green, colour.blue));
    label->setPalette(pal);
  }
  if (skin && skin->versionLabelTop) {
    versionLabel_->move(versionLabel_->x(), *skin->versionLabelTop);
    versionLabel_->raise();
  }
  if (skin && skin->toolsLabelTop) {
    toolsLink_->move(toolsLink_->x(), *skin->toolsLabelTop);
    toolsLink_->raise();
  }
  const bool transparent = skin && skin->transparentBottomButtons;
  for (ui::TImageButton* button : {help_, log_, back_, next_, exit_}) button->SetTransparent(transparent);
  helpMenuOffset_ = skin ? skin->helpMenuOffset : 0;
}

void TFormMain::LoadUserSettings() {
  const std::string folder = app::SettingsFolder(paths_.AppDataFolder.toStdString(), edition_.Name);
  settingsFile_ = Q(app::SettingsFileName(folder));
  app::SeedDefaults(settings_, edition_, paths_.DocumentsFolder.toStdString());
  bool existed = false;
  try {
    existed = app::LoadSettings(settings_, settingsFile_.toStdString());
  } catch (const std::exception& e) {
    // The defaults stay in use; closing will try (and report) again.
    dialogs_.Error(this, Q(std::string(e.what())));
  }
  if (!existed) CentreOnScreen(*this);
  formLog_.SetSettingsFile(settingsFile_);
}

bool TFormMain::LoadMediaLibraries() {
  if (encoder_.LibrariesLoaded() || encoder_.LoadLibraries((paths_.ExeFolder + "lib/").toStdString()))
    return true;
  AppendLog(Q(encoder_.LastErrMsg()));
  return false;
}

void TFormMain::WatchClipboard() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  connect(clipboard, &QClipboard::dataChanged, this, &TFormMain::ClipboardChanged);
  ClipboardChanged();
}

void TFormMain::ClipboardChanged() {
  clipboardHasText_ = !QGuiApplication::clipboard()->text().isEmpty();
  linkPage_->SetClipboardHasText(clipboardHasText_);
}

void TFormMain::AppendLog(const QString& line) { formLog_.AppendLog(line); }

TWizardPage TFormMain::CurrentPage() const { return static_cast<TWizardPage>(pages_->ActivePageIndex()); }

void TFormMain::ShowPage(TWizardPage page) {
  if (pages_->ActivePageIndex() == page)
    SetUpPage();
  else
    pages_->SetActivePageIndex(page);  // the page control's change sets the page up
}

void TFormMain::SetUpPage() {
  const TPageSetUp setUp = PageSetUp(CurrentPage(), edition_.Name, edition_.Download, edition_.Merge);
  FitTitle(Q(setUp.Title));
  back_->setText(kBackCaption);
  next_->setText(Q(setUp.NextCaption));
  exit_->setText(Q(setUp.ExitCaption));
  back_->setEnabled(setUp.BackEnabled);
  next_->setEnabled(setUp.NextEnabled);
  exit_->setEnabled(setUp.ExitEnabled);
}

void TFormMain::FitTitle(const QString& text) {
  // A title too long for the large size takes the body size; one still too
  // long wraps onto a second line above, so it never runs into the page.
  QFont font = ui::TitleFont(titleBold_);
  if (QFontMetrics(font).horizontalAdvance(text) > titleLabel_->width()) font.setPointSize(ui::kFontSize);
  const QFontMetrics metrics(font);
  const bool wraps = metrics.horizontalAdvance(text) > titleLabel_->width();
  titleLabel_->setFont(font);
  titleLabel_->setWordWrap(wraps);
  titleLabel_->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  const int lineHeight = QFontMetrics(ui::TitleFont(titleBold_)).height();
  const int height = wraps ? 2 * metrics.lineSpacing() : lineHeight;
  titleLabel_->setGeometry(titleLabel_->x(), titleTop_ + lineHeight - height, titleLabel_->width(), height);
  titleLabel_->setText(text);
}

void TFormMain::GoToStartPage() { ShowPage(StartPage(edition_.Download)); }

bool TFormMain::FolderReady(const std::string& folder) const {
  if (folder.empty()) return false;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return !error && std::filesystem::is_directory(folder, error);
}

void TFormMain::NextClick() {
  switch (CurrentPage()) {
    case wpMode:
      if (modePage_->DownloadChoice()->isChecked()) {
        ShowPage(wpStep5);
        linkPage_->LoadLinkPage();
        SetUpPage();
      } else if (modePage_->ConvertChoice()->isChecked()) {
        ShowPage(wpStep1);
      }
      break;
    case wpStep1:
      if (fileListPage_->Count() == 0) {
        dialogs_.Notice(this, kAddFilesNotice);
        break;
      }
      ShowPage(wpStep2);
      outputPage_->LoadOutputPage();
      break;
    case wpStep2:
      outputPage_->SaveOutputPage();
      if (!FolderReady(settings_.OutputFileDir)) {
        dialogs_.Notice(this, kFolderNotice);
        break;
      }
      QCoreApplication::processEvents();
      ShowPage(wpStep3);
      progressPage_->LoadCompletionOptions();
      PostMessage(wmStartConversion);
      break;
    case wpStep4:
      fileListPage_->Clear();
      progressPage_->ClearProgressList();
      GoToStartPage();
      break;
    case wpStep5:
      linkPage_->SaveLinkPage();
      if (linkPage_->LinkCount() == 0) {
        dialogs_.Notice(this, kAddLinksNotice);
        break;
      }
      if (!FolderReady(settings_.OutputURLDir)) {
        dialogs_.Notice(this, kFolderNotice);
        break;
      }
      ShowPage(wpStep6);
      downloadSummaryPage_->SetDownloadedFiles({});
      StartDownload();
      break;
    case wpStep7:
      linkPage_->ClearLinks();
      downloadPage_->ClearDownloadList();
      GoToStartPage();
      break;
    case wpStep3:
    case wpStep6:
    case kPageCount:
      break;
  }
}

void TFormMain::BackClick() {
  switch (CurrentPage()) {
    case wpStep1:
      if (!dialogs_.Confirm(this, kCancelAndBackQuestion)) break;
      fileListPage_->Clear();
      GoToStartPage();
      break;
    case wpStep2:
      ShowPage(wpStep1);
      break;
    case wpStep5:
      if (!dialogs_.Confirm(this, kCancelAndBackQuestion)) break;
      linkPage_->ClearLinks();
      GoToStartPage();
      break;
    default:
      break;
  }
}

void TFormMain::ExitClick() {
  switch (CurrentPage()) {
    case wpStep1:
      if (edition_.Download) {
        if (!dialogs_.Confirm(this, kCancelQuestion)) break;
        fileListPage_->Clear();
        GoToStartPage();
      } else if (dialogs_.Confirm(this, kQuitQuestion)) {
        close();
      }
      break;
    case wpStep2:
      if (!dialogs_.Confirm(this, kCancelQuestion)) break;
      fileListPage_->Clear();
      GoToStartPage();
      break;
    case wpStep3:
      if (!dialogs_.Confirm(this, kCancelConversionQuestion)) break;
      StopConversion();
      SetUpPage();
      break;
    case wpStep5:
      if (!dialogs_.Confirm(this, kCancelQuestion)) break;
      linkPage_->ClearLinks();
      GoToStartPage();
      break;
    case wpStep6:
      if (dialogs_.Confirm(this, kCancelDownloadQuestion)) AbortDownload();
      break;
    case wpMode:
    case wpStep4:
    case wpStep7:
      if (dialogs_.Confirm(this, kQuitQuestion)) close();
      break;
    case kPageCount:
      break;
  }
}

void TFormMain::ConvertDownloadedClick() {
  const QStringList files = downloadSummaryPage_->DownloadedFiles();
  if (files.isEmpty()) {
    dialogs_.Notice(this, kNoDownloadNotice);
    return;
  }
  ShowPage(wpStep1);
  fileListPage_->AddFiles(files);
}

void TFormMain::ShowHelpMenu() {
  // Not exec(): the menu must not hold the caller (nor a test) in a loop of its own.
  helpMenu_->popup(help_->mapToGlobal(QPoint(helpMenuOffset_, help_->height())));
}

void TFormMain::OpenHelpPage(int page) { ShellOpen(Q(app::HelpLink(edition_.Name, app::THelpPage(page)))); }

void TFormMain::ShowAbout() {
  TFormAbout about(paths_.ExeFolder, paths_.EditionFile, this);
  dialogs_.ShowModal(about);
}

void TFormMain::ShowLog() {
  formLog_.show();
  formLog_.raise();
  formLog_.activateWindow();
}

void TFormMain::SendMessage(TWindowMessage message) {
  QEvent event(EventType(message));
  QCoreApplication::sendEvent(this, &event);
}

void TFormMain::PostMessage(TWindowMessage message) {
  QCoreApplication::postEvent(this, new QEvent(EventType(message)));
}

bool TFormMain::event(QEvent* event) {
  if (!IsWindowMessage(event->type())) return ui::TSkinnedFrame::event(event);
  switch (static_cast<int>(event->type())) {
    case wmStartUp:
      OnStartUp();
      break;
    case wmStartConversion:
      OnStartConversion();
      break;
    case wmConversionEnded:
      OnConversionEnded();
      break;
    case wmNextDownload:
      OnNextDownload();
      break;
    case wmNextQuality:
      OnNextQuality();
      break;
  }
  return true;
}

void TFormMain::OnStartUp() {
  show();
  toolsLink_->setText(Q(app::ToolsLinkCaption(edition_.Name)));
  toolsAction_->setText(Q(app::ToolsMenuCaption(edition_.Name)));
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
  DropFiles(event->mimeData()->urls());
  event->acceptProposedAction();
}

void TFormMain::DropFiles(const QList<QUrl>& urls) {
  app::BeginBusy();
  QStringList names;
  for (const QUrl& url : urls)
    if (url.isLocalFile()) names << url.toLocalFile();
  fileListPage_->AddDroppedFiles(names);
  app::EndBusy();
}

void TFormMain::closeEvent(QCloseEvent* event) {
  if (!closing_) {
    closing_ = true;
    BeforeClose();
    SaveOnClose();
  }
  event->accept();
}

void TFormMain::BeforeClose() {
  // A run stops without its completion actions; what is on its way does nothing.
  if (run_) run_->Close();
  if (session_) session_->ReleaseSleep();
  runEvents_.reset();
  encoder_.Stop(true);
  AbortDownload();
  disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
}

void TFormMain::SaveOnClose() {
  try {
    app::SaveSettings(settings_, settingsFile_.toStdString());
    SaveWindowPosition(app::kMainWindowSection, *this, settingsFile_);
    SaveWindowPosition(app::kLogWindowSection, formLog_, settingsFile_);
  } catch (const std::exception& e) {
    dialogs_.Error(this, Q(std::string(e.what())));
  }
}

}  // namespace mediaconv::wizard
