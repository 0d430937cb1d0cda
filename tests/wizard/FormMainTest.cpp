#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <thread>

#include "WizardTestSupport.h"
#include "app/BusyCounter.h"
#include "app/FormatButtonLayout.h"
#include "convert/FileList.h"
#include "engine/log/FFLogger.h"
#include "ui/ImageButton.h"
#include "ui/LinkLabel.h"
#include "ui/PageControl.h"
#include "wizard/FormAbout.h"
#include "wizard/Shell.h"
#include "wizard/pages/DownloadSummaryPage.h"
#include "wizard/pages/FileListPage.h"
#include "wizard/pages/LinkPage.h"
#include "wizard/pages/ModePage.h"
#include "wizard/pages/OutputPage.h"
#include "wizard/pages/ProgressPage.h"

using namespace mediaconv;
using namespace mediaconv::wizard;
using test::FullEdition;
using test::TWizardFixture;
using test::With;

Q_DECLARE_METATYPE(mediaconv::wizard::TWizardPage)

namespace {

void AddFile(TWizardFixture& f, const QString& name = "/media/clip.avi") {
  f.window->FileListPage()->Files().AppendRow(convert::UnprobedRow(name.toStdString()));
  f.window->FileListPage()->Refresh();
}

void ExpectButtons(TFormMain& w, const QString& next, const QString& exit, bool back, bool nextOn,
                   bool exitOn) {
  QCOMPARE(w.BackButton()->text(), QString("Back"));
  QCOMPARE(w.NextButton()->text(), next);
  QCOMPARE(w.ExitButton()->text(), exit);
  QCOMPARE(w.BackButton()->isEnabled(), back);
  QCOMPARE(w.NextButton()->isEnabled(), nextOn);
  QCOMPARE(w.ExitButton()->isEnabled(), exitOn);
}

// Writes a skin folder: main.bmp with a magenta corner and a few buttons.
void WriteSkin(const QString& folder) {
  QDir().mkpath(folder);
  QImage skin(772, 547, QImage::Format_RGB32);
  skin.fill(QColor(246, 247, 249));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) skin.setPixel(x, y, qRgb(255, 0, 255));
  QVERIFY(skin.save(folder + "main.bmp"));
  QImage button(90, 32, QImage::Format_RGB32);
  for (int i = 1; i <= 4; ++i) {
    button.fill(QColor(20 * i, 100, 200));
    QVERIFY(button.save(folder + QString("bottom_%1.bmp").arg(i)));
  }
}

}  // namespace

class FormMainTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // A download started here must not leave the machine: a closed loopback port.
    for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY"}) qputenv(name, "http://127.0.0.1:9");
    for (const char* name : {"no_proxy", "NO_PROXY"}) qunsetenv(name);
  }

  void StartsOnModeWithTheEditionTexts() {
    TWizardFixture f(FullEdition("Rendavo"));
    TFormMain& w = *f.window;
    QVERIFY(w.StartedUp());
    QVERIFY(w.isVisible());  // shown by the start-up message
    QCOMPARE(w.windowTitle(), QString("Rendavo"));
    QCOMPARE(w.size(), QSize(772, 547));
    QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(w.CurrentPage(), wpMode);
    QCOMPARE(w.TitleLabel()->text(), QString("Welcome to Rendavo! What do you want to do?"));
    QCOMPARE(w.VersionLabel()->text(), QString("Version: 2.4.1"));
    // Captions B of the edition table arrive with the start-up message.
    QCOMPARE(w.ToolsLink()->text(), QString("more tools..."));
    QCOMPARE(w.ToolsMenuAction()->text(), QString("More Tools..."));
    QVERIFY(w.ModePage()->DownloadChoice()->isChecked());
  }

  void SetUpTable_data() {
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<TWizardPage>("page");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("exit");
    QTest::addColumn<bool>("back");
    QTest::addColumn<bool>("nextOn");
    QTest::addColumn<bool>("exitOn");
    const QStringList download{"Download=1"}, convertOnly{"Download=0"}, merge{"Download=0", "Merge=1"};
    const QString step1 =
        "Select the videos you want to convert. Use \"Move Up\" and \"Move Down\" to change the order.";
    const QString step2 = "Select an output mode and specify a path for the output files.";
    QTest::newRow("mode") << download << wpMode << "Welcome to Pelmora! What do you want to do?"
                          << "Next"
                          << "Exit" << false << true << true;
    QTest::newRow("step1 download") << download << wpStep1 << step1 << "Next"
                                    << "Cancel" << true << true << true;
    QTest::newRow("step1 convert only") << convertOnly << wpStep1 << step1 << "Next"
                                        << "Exit" << false << true << true;
    QTest::newRow("step2") << download << wpStep2 << step2 << "Convert"
                           << "Cancel" << true << true << true;
    QTest::newRow("step2 merge") << merge << wpStep2 << step2 << "Join Now"
                                 << "Cancel" << true << true << true;
    QTest::newRow("step3") << download << wpStep3 << "Conversion information."
                           << "Next"
                           << "Cancel" << false << false << true;
    QTest::newRow("step3 merge") << merge << wpStep3 << "Conversion information."
                                 << "Next"
                                 << "Cancel" << false << false << true;
    QTest::newRow("step4") << download << wpStep4 << "The conversion is finished."
                           << "Finish"
                           << "Exit" << false << true << true;
    QTest::newRow("step5") << download << wpStep5
                           << "Copy a YouTube link from your browser address bar and Paste here"
                           << "Download"
                           << "Cancel" << true << true << true;
    QTest::newRow("step6") << download << wpStep6 << "Downloading information."
                           << "Next"
                           << "Cancel" << false << false << true;
    QTest::newRow("step7") << download << wpStep7 << "The downloading is finished."
                           << "Finish"
                           << "Exit" << false << true << true;
  }

  void SetUpTable() {
    QFETCH(QStringList, changes);
    QFETCH(TWizardPage, page);
    QFETCH(QString, title);
    TWizardFixture f(With(FullEdition(), changes));
    f.window->ShowPage(page);
    QCOMPARE(f.window->CurrentPage(), page);
    QCOMPARE(f.window->TitleLabel()->text(), title);
    QFETCH(QString, next);
    QFETCH(QString, exit);
    QFETCH(bool, back);
    QFETCH(bool, nextOn);
    QFETCH(bool, exitOn);
    ExpectButtons(*f.window, next, exit, back, nextOn, exitOn);
  }

  void ConvertOnlyEditionStartsOnTheFileList() {
    TWizardFixture f(With(FullEdition(), {"Download=0"}));
    QCOMPARE(f.window->CurrentPage(), wpStep1);
    ExpectButtons(*f.window, "Next", "Exit", false, true, true);
    f.window->ExitClick();
    QCOMPARE(f.dialogs.LastKind(), QString("confirm"));
    QCOMPARE(f.dialogs.LastText(), QString("Are you sure to quit now?"));
    QCOMPARE(f.dialogs.shown.back().caption, QString("Pelmora"));
    QVERIFY(f.window->isVisible());
    f.dialogs.confirmAnswers = {true};
    f.window->ExitClick();
    QVERIFY(!f.window->isVisible());
  }

  void ModeNextFollowsTheChoice() {
    TWizardFixture f(FullEdition());
    TFormMain& w = *f.window;
    w.Settings().OutputURLDir = "/tmp/downloads/";
    w.NextClick();
    QCOMPARE(w.CurrentPage(), wpStep5);
    QCOMPARE(w.LinkPage()->FolderEdit()->text(), QString("/tmp/downloads/"));
    w.GoToStartPage();
    QTest::mouseClick(w.ModePage()->ConvertPicture(), Qt::LeftButton);  // the picture selects its choice
    QVERIFY(w.ModePage()->ConvertChoice()->isChecked());
    w.NextClick();
    QCOMPARE(w.CurrentPage(), wpStep1);
  }

  void ModeExitAsksBeforeQuitting() {
    TWizardFixture f(FullEdition());
    f.window->ExitClick();
    QCOMPARE(f.dialogs.LastText(), QString("Are you sure to quit now?"));
    QVERIFY(f.window->isVisible());
    f.dialogs.confirmAnswers = {true};
    f.window->ExitClick();
    QVERIFY(!f.window->isVisible());
  }

  void FileListNeedsAFile() {
    TWizardFixture f(FullEdition());
    TFormMain& w = *f.window;
    w.ShowPage(wpStep1);
    w.NextClick();
    QCOMPARE(f.dialogs.LastKind(), QString("notice"));
    QCOMPARE(f.dialogs.LastText(), QString("Please add the video files you want to convert"));
    QCOMPARE(w.CurrentPage(), wpStep1);
    AddFile(f);
    w.Settings().OutputFileDir = "/tmp/out/";
    w.NextClick();
    QCOMPARE(w.CurrentPage(), wpStep2);
    QCOMPARE(w.OutputPage()->FolderEdit()->text(), QString("/tmp/out/"));
  }

  void FileListBackAndCancelAsk() {
    for (auto click : {&TFormMain::BackClick, &TFormMain::ExitClick}) {
      TWizardFixture f(FullEdition());
      TFormMain& w = *f.window;
      w.ShowPage(wpStep1);
      AddFile(f);
      (w.*click)();
      const QString question =
          click == &TFormMain::BackClick ? "Are you sure to cancel and go back?" : "Are you sure to cancel?";
      QCOMPARE(f.dialogs.LastText(), question);
      QCOMPARE(w.CurrentPage(), wpStep1);
      QCOMPARE(w.FileListPage()->Count(), 1);
      f.dialogs.confirmAnswers = {true};
      (w.*click)();
      QCOMPARE(w.CurrentPage(), wpMode);
      QCOMPARE(w.FileListPage()->Count(), 0);
      QCOMPARE(w.FileListPage()->Grid()->model()->rowCount(), 0);
    }
  }

  void OutputPageBackKeepsTheFolderUnsaved() {
    TWizardFixture f(FullEdition());
    TFormMain& w = *f.window;
    w.Settings().OutputFileDir = "/tmp/first/";
    w.ShowPage(wpStep1);
    AddFile(f);
    w.NextClick();
    w.OutputPage()->FolderEdit()->setText("/tmp/typed");
    w.BackClick();
    QCOMPARE(w.CurrentPage(), wpStep1);
    QCOMPARE(w.Settings().OutputFileDir, std::string("/tmp/first/"));
    QCOMPARE(w.FileListPage()->Count(), 1);
  }

  void OutputPageCancelAsks() {
    TWizardFixture f(FullEdition());
    TFormMain& w = *f.window;
    w.ShowPage(wpStep1);
    AddFile(f);
    w.NextClick();
    w.ExitClick();
    QCOMPARE(f.dialogs.LastText(), QString("Are you sure to cancel?"));
    QCOMPARE(w.CurrentPage(), wpStep2);
    f.dialogs.confirmAnswers = {true};
    w.ExitClick();
    QCOMPARE(w.CurrentPage(), wpMode);
    QCOMPARE(w.FileListPage()->Count(), 0);
  }

  void OutputPageNeedsAFolderItCanCreate() {
    TWizardFixture f(FullEdition());
    TFormMain& w = *f.window;
    w.ShowPage(wpStep1);
    AddFile(f);
    w.NextClick();
    w.OutputPage()->FolderEdit()->setText("");
    w.NextClick();
    QCOMPARE(f.dialogs.LastText(),
             QString("Fail to create directory! Please check if output folder have the right format!"));
    QCOMPARE(w.CurrentPage(), wpStep2);
    // A file where the folder should be cannot become one.
    test::WriteText(f.dir.path() + "/taken", "x");
    w.OutputPage()->FolderEdit()->setText(f.dir.path() + "/taken");
    w.NextClick();
    QCOMPARE(w.CurrentPage(), wpStep2);
    QCOMPARE(f.dialogs.LastKind(), QString("notice"));
  }

  void OutputPageNextCreatesTheFolderAndStartsTheRun() {
    TWizardFixture f(FullEdition());
    TFormMain& w = *f.window;
    w.Settings().PlayASoundWhenFinished = true;
    w.ShowPage(wpStep1);
    AddFile(f);
    w.NextClick();
    const QString deep = f.dir.path() + "/a/b/c";
    w.OutputPage()->FolderEdit()->setText(deep);
    f.dialogs.Clear();
    w.NextClick();
    QVERIFY(f.dialogs.shown.empty());
    QVERIFY(QFileInfo(deep).isDir());
    QCOMPARE(w.Settings().OutputFileDir, (deep + "/").toStdString());
    QCOMPARE(w.CurrentPage(), wpStep3);
    QVERIFY(w.ProgressPage()->PlaySoundBox()->isChecked());
    QVERIFY(!w.ProgressPage()->ShutDownBox()->isChecked());

    // Cancelling the run: No leaves it alone.
    w.ExitClick();
    QCOMPARE(f.dialogs.LastText(), QString("Do you really want to cancel the conversion?"));
    QCOMPARE(w.CurrentPage(), wpStep3);
    f.dialogs.confirmAnswers = {true};
    w.ExitClick();
    ExpectButtons(w, "Next", "Cancel", false, false, true);

    // The posted start message runs; a run without tasks ends on the summary.
    QTRY_COMPARE(w.CurrentPage(), wpStep4);
    QCOMPARE(w.SummaryPage()->FinishedLabel()->text(), QString("Pelmora has finished the conversion."));
    QCOMPARE(w.SummaryPage()->HintLabel()->text(),
             QString("To convert other files, click \"Finish\". Click \"Exit\" to quit Pelmora."));
    w.ExitClick();
    QCOMPARE(f.dialogs.LastText(), QString("Are you sure to quit now?"));
    QVERIFY(w.isVisible());
    w.NextClick();  // Finish
    QCOMPARE(w.CurrentPage(), wpMode);
    QCOMPARE(w.FileListPage()->Count(), 0);
  }

  void JoinerEditionConvertsWithJoinNow() {
    TWizardFixture f(With(FullEdition(), {"Merge=1", "Download=0"}));
    AddFile(f);
    f.window->NextClick();
    QCOMPARE(f.window->NextButton()->text(), QString("Join Now"));
  }

  void LinkPageFlow() {
    TWizardFixture f(FullEdition());
    TFormMain& w = *f.window;
    w.NextClick();
    QCOMPARE(w.CurrentPage(), wpStep5);
    w.NextClick();
    QCOMPARE(f.dialogs.LastText(),
             QString("Please Copy & Paste the YouTube video links you want to download."));
    QCOMPARE(w.CurrentPage(), wpStep5);

    w.LinkPage()->Links().AddLink("https://www.youtube.com/watch?v=abc");
    w.BackClick();
    QCOMPARE(f.dialogs.LastText(), QString("Are you sure to cancel and go back?"));
    QCOMPARE(w.LinkPage()->LinkCount(), 1);
    w.ExitClick();
    QCOMPARE(f.dialogs.LastText(), QString("Are you sure to cancel?"));
    QCOMPARE(w.CurrentPage(), wpStep5);

    w.LinkPage()->FolderEdit()->setText("");
    w.NextClick();
    QCOMPARE(f.dialogs.LastText(),
             QString("Fail to create directory! Please check if output folder have the right format!"));
    const QString folder = f.dir.path() + "/dl/x";
    w.LinkPage()->FolderEdit()->setText(folder);
    w.LinkPage()->PreferQuality()->setChecked(false);
    w.NextClick();
    QCOMPARE(w.CurrentPage(), wpStep6);
    QCOMPARE(w.Settings().OutputURLDir, (folder + "/").toStdString());
    QVERIFY(!w.Settings().PreferYouTubeQuality);
    QVERIFY(QFileInfo(folder).isDir());

    w.ExitClick();
    QCOMPARE(f.dialogs.LastText(), QString("Do you really want to cancel the downloading?"));
    QCOMPARE(w.CurrentPage(), wpStep6);
    f.dialogs.confirmAnswers = {true};
    w.ExitClick();
    // The cancelled run ends on its summary at its next step.
    QTRY_COMPARE(w.CurrentPage(), wpStep7);
    QCOMPARE(w.DownloadSummaryPage()->FinishedLabel()->text(),
             QString("Pelmora has finished the downloading."));

    w.ConvertDownloadedClick();
    QCOMPARE(f.dialogs.LastText(), QString("No file downloaded! Please try again."));
    QCOMPARE(w.CurrentPage(), wpStep7);
    w.ExitClick();
    QCOMPARE(f.dialogs.LastText(), QString("Are you sure to quit now?"));
    w.NextClick();  // Finish
    QCOMPARE(w.CurrentPage(), wpMode);
    QCOMPARE(w.LinkPage()->LinkCount(), 0);
  }

  void LinkPageBackAndCancelEmptyTheList() {
    for (auto click : {&TFormMain::BackClick, &TFormMain::ExitClick}) {
      TWizardFixture f(FullEdition());
      f.window->NextClick();
      f.window->LinkPage()->Links().AddLink("https://www.youtube.com/watch?v=abc");
      f.dialogs.confirmAnswers = {true};
      (f.window.get()->*click)();
      QCOMPARE(f.window->CurrentPage(), wpMode);
      QCOMPARE(f.window->LinkPage()->LinkCount(), 0);
    }
  }

  void DownloadedFilesGoToTheFileList() {
    TWizardFixture f(FullEdition());
    TFormMain& w = *f.window;
    w.ShowPage(wpStep7);
    w.DownloadSummaryPage()->SetDownloadedFiles({f.dir.path() + "/missing.flv"});
    w.ConvertDownloadedClick();
    QCOMPARE(w.CurrentPage(), wpStep1);
    // The file cannot be read: it is reported, not listed.
    QCOMPARE(w.FileListPage()->Count(), 0);
    QVERIFY(f.log->Text().contains("File load error: "));
  }

  void OtherPagesIgnoreBack() {
    TWizardFixture f(FullEdition());
    for (TWizardPage page : {wpMode, wpStep3, wpStep4, wpStep6, wpStep7}) {
      f.window->ShowPage(page);
      f.window->BackClick();
      QCOMPARE(f.window->CurrentPage(), page);
    }
    QVERIFY(f.dialogs.shown.empty());
  }

  void GenericTitlesHideHelpAndLog() {
    for (const QString name : {"Rorere Riduv uzuz Adavi", "Rod iriv UdeVuze"}) {
      TWizardFixture f(FullEdition(name));
      QVERIFY(f.window->HelpButton()->isHidden());
      QVERIFY(f.window->LogButton()->isHidden());
      QVERIFY(f.window->VersionLabel()->isHidden());
      QVERIFY(f.window->ToolsLink()->isHidden());
      QVERIFY(!f.window->BackButton()->isHidden());
    }
    TWizardFixture named(FullEdition());
    QVERIFY(!named.window->HelpButton()->isHidden());
    QVERIFY(!named.window->ToolsLink()->isHidden());
  }

  void SkinLayouts_data() {
    QTest::addColumn<QString>("skin");
    QTest::addColumn<QPoint>("minimize");
    QTest::addColumn<QPoint>("help");
    QTest::addColumn<QPoint>("exit");
    QTest::addColumn<QPoint>("pages");
    QTest::addColumn<QPoint>("title");
    QTest::addColumn<bool>("bold");
    QTest::newRow("0") << "0" << QPoint(696, 4) << QPoint(40, 510) << QPoint(672, 510) << QPoint(203, 74)
                       << QPoint(24, 43) << true;
    QTest::newRow("1") << "1" << QPoint(766, 3) << QPoint(25, 566) << QPoint(730, 566) << QPoint(240, 110)
                       << QPoint(252, 70) << true;
    QTest::newRow("2") << "2" << QPoint(696, 6) << QPoint(40, 513) << QPoint(672, 513) << QPoint(198, 74)
                       << QPoint(24, 43) << true;
    QTest::newRow("3") << "3" << QPoint() << QPoint(10, 515) << QPoint(665, 515) << QPoint(203, 74)
                       << QPoint(215, 55) << false;
    // Any other variant keeps the design, which is the first variant's.
    QTest::newRow("7") << "7" << QPoint(696, 4) << QPoint(40, 510) << QPoint(672, 510) << QPoint(203, 74)
                       << QPoint(24, 43) << true;
    // Not a number: the default variant.
    QTest::newRow("text") << "wide" << QPoint(696, 4) << QPoint(40, 510) << QPoint(672, 510)
                          << QPoint(203, 74) << QPoint(24, 43) << true;
    QTest::newRow("empty") << "" << QPoint(696, 4) << QPoint(40, 510) << QPoint(672, 510) << QPoint(203, 74)
                           << QPoint(24, 43) << true;
  }

  void SkinLayouts() {
    QFETCH(QString, skin);
    TWizardFixture f(With(FullEdition(), {"Skin=" + skin}), false);
    WriteSkin(f.paths.ExeFolder + "sounds/res1/");
    f.Create();
    TFormMain& w = *f.window;
    QFETCH(QPoint, minimize);
    QFETCH(QPoint, help);
    QFETCH(QPoint, exit);
    QFETCH(QPoint, pages);
    QFETCH(QPoint, title);
    QFETCH(bool, bold);
    QCOMPARE(w.MinimizeButton()->isHidden(), minimize.isNull());
    QCOMPARE(w.CloseButton()->isHidden(), minimize.isNull());
    if (!minimize.isNull()) QCOMPARE(w.MinimizeButton()->pos(), minimize);
    QCOMPARE(w.HelpButton()->pos(), help);
    QCOMPARE(w.ExitButton()->pos(), exit);
    QCOMPARE(w.Pages()->pos(), pages);
    QCOMPARE(w.TitleLabel()->pos(), title);
    QCOMPARE(w.TitleLabel()->font().bold(), bold);
    // The skin images load whatever the variant: the buttons take their size.
    QVERIFY(w.HasSkin());
    QCOMPARE(w.HelpButton()->size(), QSize(90, 32));
    QVERIFY(!w.mask().isEmpty());
    QVERIFY(!w.mask().contains(QPoint(2, 2)));  // magenta is cut out
    QVERIFY(w.mask().contains(QPoint(400, 300)));
  }

  void SkinThreeDrawsTransparentButtonsAndMovesTheLabels() {
    {
      TWizardFixture f(With(FullEdition(), {"Skin=3"}));
      TFormMain& w = *f.window;
      for (auto* button : {w.HelpButton(), w.LogButton(), w.BackButton(), w.NextButton(), w.ExitButton()})
        QVERIFY(button->Transparent());
      QCOMPARE(w.VersionLabel()->y(), 165);
      QCOMPARE(w.ToolsLink()->y(), 180);
      QCOMPARE(w.VersionLabel()->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    }
    TWizardFixture plain(FullEdition());
    QVERIFY(!plain.window->NextButton()->Transparent());
    QCOMPARE(plain.window->VersionLabel()->palette().color(QPalette::WindowText), QColor(128, 128, 128));
  }

  void MissingSkinImagesAreDrawnAndLogged() {
    TWizardFixture f(FullEdition());
    TFormMain& w = *f.window;
    QVERIFY(w.StartedUp());
    QVERIFY(!w.HasSkin());
    QVERIFY(w.mask().isEmpty());
    QCOMPARE(w.NextButton()->size(), QSize(88, 30));
    QVERIFY(f.log->Text().contains("Skin image not found: " + f.paths.ExeFolder + "sounds/res1/main.bmp"));
    QVERIFY(f.log->Text().contains("bottom_4.bmp"));
    const QImage picture = w.grab().toImage();
    QVERIFY(!picture.isNull());
  }

  void WavAndMp3OnlyEdition() {
    TWizardFixture f({"Name=Pelmora", "WAV=1", "MP3=1"});
    TOutputPage& page = *f.window->OutputPage();
    QCOMPARE(page.FormatButton(16)->pos(), QPoint(10, 5));  // WAV
    QCOMPARE(page.FormatButton(17)->pos(), QPoint(74, 5));  // MP3
    QVERIFY(page.FormatButton(16)->isVisibleTo(page.FormatButton(16)->parentWidget()));
    QVERIFY(!page.FormatButton(18)->isVisibleTo(page.FormatButton(18)->parentWidget()));
    for (int id = 0; id < 3; ++id) QVERIFY(page.ClassButton(id)->isHidden());
    QCOMPARE(page.FormatPages()->y(), 120);
  }

  void Mp4AndIpodEdition() {
    TWizardFixture f({"Name=Pelmora", "MP4=1", "IPOD=1"});
    TOutputPage& page = *f.window->OutputPage();
    QCOMPARE(page.ClassButton(0)->pos(), QPoint(18, 135));
    QCOMPARE(page.ClassButton(1)->pos(), QPoint(189, 135));
    QVERIFY(!page.ClassButton(0)->isHidden());
    QVERIFY(page.ClassButton(2)->isHidden());
    QCOMPARE(page.FormatPages()->y(), 172);
    QCOMPARE(page.FormatButton(1)->pos(), QPoint(10, 5));  // MP4, first shown video button
  }

  void DefaultClassOutOfRangeSelectsVideo() {
    TWizardFixture f(With(FullEdition(), {"DefaultClass=5", "Download=0"}));
    AddFile(f);
    f.window->NextClick();
    QVERIFY(f.window->OutputPage()->ClassButton(0)->isChecked());
    QCOMPARE(f.window->OutputPage()->FormatPages()->currentIndex(), 0);
  }

  void HelpMenuOpensTheEditionsPages() {
    test::TUrlRecorder urls;
    TWizardFixture f(FullEdition("Dunvarra Video Converter"));
    TFormMain& w = *f.window;
    QStringList captions;
    for (QAction* action : w.HelpMenu()->actions())
      captions << (action->isSeparator() ? "-" : action->text());
    QCOMPARE(captions, QStringList({"Help Content", "How Tos && Tutorial Videos...", "-", "Home Page...",
                                    "More Free Tools...", "-", "Check for Updates...",
                                    "Contact Technical Support...", "-", "About"}));
    QCOMPARE(w.HelpMenu()->actions()[0]->shortcut(), QKeySequence(Qt::Key_F1));
    for (int i : {0, 1, 3, 4, 6, 7}) w.HelpMenu()->actions()[i]->trigger();
    QTest::mouseClick(w.ToolsLink(), Qt::LeftButton);
    const QString site = "https://www.example.com/";
    QCOMPARE(urls.opened,
             QStringList({site + "videoconverter/help/Help_Content.html",
                          site + "videoconverter/help/HowTosVideoDemo.html", site,
                          site + "videoconverter/help/MoreFreeTools.html",
                          site + "videoconverter/help/CheckForUpdates.html", site + "support/index.html",
                          site + "videoconverter/help/MoreFreeTools.html"}));
  }

  void UnknownEditionOpensNothing() {
    test::TUrlRecorder urls;
    TWizardFixture f(FullEdition("Nobody"));
    f.window->HelpMenu()->actions()[0]->trigger();
    QTest::keyClick(f.window.get(), Qt::Key_F1);
    QVERIFY(urls.opened.isEmpty());
    QCOMPARE(f.window->ToolsLink()->text(), QString("more free tools..."));
  }

  void HelpMenuOpensBelowTheHelpButtonWithTheSkinsOffset() {
    for (const auto& [skin, offset] : {std::pair{"0", 0}, std::pair{"2", 5}}) {
      TWizardFixture f(With(FullEdition(), {QString("Skin=") + skin}));
      TFormMain& w = *f.window;
      w.ShowHelpMenu();
      QTRY_VERIFY(w.HelpMenu()->isVisible());
      const QPoint expected = w.HelpButton()->mapToGlobal(QPoint(offset, w.HelpButton()->height()));
      // The small offscreen screen may push the menu up; never sideways.
      QCOMPARE(w.HelpMenu()->pos().x(), expected.x());
      QVERIFY(w.HelpMenu()->pos().y() <= expected.y());
      w.HelpMenu()->hide();
    }
  }

  void KeyboardShortcuts() {
    test::TUrlRecorder urls;
    TWizardFixture f(FullEdition());
    TFormMain& w = *f.window;
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F1);
    QCOMPARE(urls.opened, QStringList({"https://www.example.com/pelmora/help/Help_Content.html"}));
    // The file list's keys act on the file list page only.
    w.ShowPage(wpStep1);
    AddFile(f, "/media/a.avi");
    AddFile(f, "/media/b.avi");
    w.FileListPage()->Grid()->setCurrentIndex(w.FileListPage()->Grid()->model()->index(1, 0));
    QTest::keyClick(&w, Qt::Key_Delete);
    QCOMPARE(w.FileListPage()->Count(), 1);
    w.ShowPage(wpStep5);
    QTest::keyClick(&w, Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(w.FileListPage()->Count(), 1);
    w.ShowPage(wpStep1);
    QTest::keyClick(&w, Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(w.FileListPage()->Count(), 0);
    QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(f.dialogs.LastKind(), QString("open"));
    QVERIFY(f.dialogs.LastText().startsWith("All Supported Formats|*.AVI;"));
    // Alt+F4 is Exit, with its question.
    QTest::keyClick(&w, Qt::Key_F4, Qt::AltModifier);
    QCOMPARE(f.dialogs.LastText(), QString("Are you sure to cancel?"));
    QVERIFY(w.isVisible());
  }

  void AboutWindowShowsTheEdition() {
    test::TUrlRecorder urls;
    TWizardFixture f(FullEdition());
    TFormMain& w = *f.window;
    w.HelpMenu()->actions().last()->trigger();
    QCOMPARE(f.dialogs.LastKind(), QString("modal"));
    QCOMPARE(f.dialogs.LastText(), QString("About "));
    TFormAbout about(f.paths.ExeFolder, f.paths.EditionFile, &w);
    QCOMPARE(about.TitleLine()->text(), QString("Pelmora 2.4.1"));
    QCOMPARE(about.CopyrightLine()->text(), QString("Copyright (C) 2026 Pelmora"));
    QCOMPARE(about.WebLabel()->text(), QString("https://www.example.com/pelmora/"));
    about.show();
    QTest::mouseClick(about.WebLabel(), Qt::LeftButton);
    QTest::mouseClick(about.SupportLabel(), Qt::LeftButton);
    QTest::mouseClick(about.Logo(), Qt::LeftButton);
    QTest::mouseClick(about.UpdatesButton(), Qt::LeftButton);
    QCOMPARE(urls.opened, QStringList({"https://www.example.com/pelmora/",
                                       "https://www.example.com/pelmora/support/index.html",
                                       "https://www.example.com/pelmora/help/CheckForUpdates.html",
                                       "https://www.example.com/pelmora/help/CheckForUpdates.html"}));
    QVERIFY(about.LeftPanel()->isVisibleTo(&about));
    QTest::mouseClick(about.OkButton(), Qt::LeftButton);
    QCOMPARE(about.result(), int(QDialog::Accepted));
  }

  void AboutWindowOfSkinThreeDropsItsPanel() {
    TWizardFixture f(With(FullEdition(), {"Skin=3"}));
    TFormAbout about(f.paths.ExeFolder, f.paths.EditionFile);
    QVERIFY(about.LeftPanel()->isHidden());
    QCOMPARE(about.PageArea()->x(), 10);
    const int pageRight = about.PageArea()->geometry().right() + 1;
    QCOMPARE(about.width(), pageRight + 15);
    QCOMPARE(about.OkButton()->geometry().right() + 1, pageRight);
  }

  void FirstStartCreatesTheSettingsAndCentres() {
    TWizardFixture f(With(FullEdition(), {"DefaultClass=2", "DefaultAudio=1"}));
    const QString settings = f.SettingsText();
    QCOMPARE(f.window->SettingsFile(), f.paths.AppDataFolder + "Pelmora/system.dat");
    for (const char* key : {"LastOpenDir",          "OutputFileDir",          "OutputURLDir",
                            "OutputFormatClass",    "OutputAudioFormat",      "OutputVideoFormat",
                            "OutputDeviceFormat",   "OutputWAVPreset",        "OutputMP3Preset",
                            "OutputWMAPreset",      "OutputOGGPreset",        "OutputM4APreset",
                            "OutputAACPreset",      "OutputFLACPreset",       "OutputMP2Preset",
                            "OutputAVIPreset",      "OutputMP4Preset",        "OutputFLVPreset",
                            "OutputSWFPreset",      "OutputMPEGPreset",       "OutputRMPreset",
                            "OutputWMVPreset",      "OutputMOVPreset",        "Output3GPPreset",
                            "OutputiPodPreset",     "OutputiPhonePreset",     "OutputAppleTVPreset",
                            "OutputPSPPreset",      "OutputBlackBerryPreset", "OutputMobilePhonePreset",
                            "OutputiPadPreset",     "PlayASoundWhenFinished", "ShutDownWhenFinished",
                            "PreferYouTubeQuality", "PreferYouTube1",         "PreferYouTube2",
                            "PreferYouTube3",       "PreferYouTube4",         "PreferYouTube5",
                            "PreferYouTube6",       "PreferYouTube7",         "PreferYouTube18"})
      QVERIFY2(settings.contains(QString("\n") + key + "="), key);
    QVERIFY(settings.contains("OutputFormatClass=2"));
    QVERIFY(settings.contains("OutputAudioFormat=1"));
    QVERIFY(!settings.contains("[Form]"));
    const QRect screen = f.window->screen()->geometry();
    QCOMPARE(f.window->pos(), QPoint((screen.width() - 772) / 2, (screen.height() - 547) / 2));
  }

  void ClosingWritesSettingsAndBothPositions() {
    QString settings;
    {
      TWizardFixture f(FullEdition());
      f.window->move(30, 40);
      f.window->Settings().OutputFileDir = "/tmp/chosen/";
      f.log->move(50, 60);
      f.window->close();
      settings = f.SettingsText();
    }
    QVERIFY(settings.contains("OutputFileDir=/tmp/chosen/"));
    QVERIFY(settings.contains("[Form]\nx=30\ny=40\nheight=547\nwidth=772\nmaximized=0"));
    QVERIFY(settings.contains("[FormLog]\nx=50\ny=60\n"));

    // The next start takes the place back and keeps the stored choices.
    TWizardFixture again(FullEdition(), false);
    QDir().mkpath(again.paths.AppDataFolder + "Pelmora");
    test::WriteText(again.paths.AppDataFolder + "Pelmora/system.dat", settings.replace("x=30", "x=5000"));
    again.Create();
    const QRect screen = again.window->screen()->geometry();
    QCOMPARE(again.window->pos(), QPoint(screen.width() - 772, 40));
    QCOMPARE(again.window->Settings().OutputFileDir, std::string("/tmp/chosen/"));
  }

  void UnwritableSettingsAreReportedAndTheWindowStillCloses() {
    TWizardFixture f(FullEdition(), false);
    // A folder where the settings file should be: nothing can be written there.
    QDir().mkpath(f.paths.AppDataFolder + "Pelmora/system.dat");
    f.Create();
    QVERIFY(f.window->StartedUp());
    f.dialogs.Clear();
    f.window->close();
    QVERIFY(!f.window->isVisible());
    QCOMPARE(f.dialogs.shown.size(), size_t(1));
    QCOMPARE(f.dialogs.LastKind(), QString("error"));
    QVERIFY(f.dialogs.LastText().contains("system.dat"));
  }

  void LoggerLinesReachTheLogFromAnyThread() {
    TWizardFixture f(FullEdition());
    uint32_t workerId = 0;
    std::thread worker([&] {
      workerId = engine::CurrentThreadId();
      engine::TFFLogger::DefaultLogger().Log(nullptr, engine::llInfo, "from a worker");
      engine::TFFLogger::DefaultLogger().Log(nullptr, engine::llDebug, "debug detail");
    });
    // The worker waits for the main thread, which serves it from its loop.
    QTRY_VERIFY(f.log->Text().contains("debug detail"));
    worker.join();
    QVERIFY(f.log->Text().contains(QString("#%1.5: from a worker").arg(workerId)));
    QVERIFY(f.log->Text().contains(QString("#%1.7: debug detail").arg(workerId)));
  }

  void LogButtonShowsTheLogWindow() {
    TWizardFixture f(FullEdition());
    QVERIFY(!f.log->isVisible());
    QTest::mouseClick(f.window->LogButton(), Qt::LeftButton);
    QVERIFY(f.log->isVisible());
    QVERIFY(f.log->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!f.log->isModal());
  }

  void DropsTakeOnlyFilesOfTheListedKinds() {
    TWizardFixture f(FullEdition());
    TFormMain& w = *f.window;
    QDir().mkpath(f.dir.path() + "/folder.avi");
    for (const char* name : {"/a.avi", "/b.AVI", "/c.mpeg", "/d.txt"})
      test::WriteText(f.dir.path() + name, "x");
    QList<QUrl> urls;
    for (const char* name : {"/folder.avi", "/a.avi", "/b.AVI", "/c.mpeg", "/d.txt"})
      urls << QUrl::fromLocalFile(f.dir.path() + name);
    w.DropFiles(urls);
    // The taken files are probed (.mpeg too, as the add dialog offers it);
    // none is media, so each is reported in the log and the failed window.
    const QString log = f.log->Text();
    QCOMPARE(log.count("File load error: "), 3);
    QVERIFY(log.contains("a.avi"));
    QVERIFY(log.contains("b.AVI"));
    QVERIFY(log.contains("c.mpeg"));
    QVERIFY(!log.contains("d.txt"));
    QCOMPARE(f.dialogs.LastKind(), QString("modal"));
    QCOMPARE(f.dialogs.LastText(), QString("Failed to Add Files"));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
  }

  void PasteFollowsTheClipboard() {
    TWizardFixture f(FullEdition());
    QGuiApplication::clipboard()->setText("https://www.youtube.com/watch?v=abc");
    QTRY_VERIFY(f.window->LinkPage()->PasteButton()->isEnabled());
    QGuiApplication::clipboard()->clear();
    QTRY_VERIFY(!f.window->LinkPage()->PasteButton()->isEnabled());
  }

  void BusyCursorNests() {
    TOverrideCursor cursor;
    app::BusyCounter().SetCursor(&cursor);
    app::EndBusy();  // without a begin: nothing
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    app::BeginBusy();
    app::BeginBusy();
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    app::EndBusy();
    QVERIFY(QGuiApplication::overrideCursor() != nullptr);
    app::EndBusy();
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    app::BusyCounter().SetCursor(nullptr);
  }

  void SkinnedButtonsMinimizeAndClose() {
    TWizardFixture f(FullEdition());
    QTest::mouseClick(f.window->CloseButton(), Qt::LeftButton);
    QVERIFY(!f.window->isVisible());
    QVERIFY(f.SettingsText().contains("[Form]"));
  }
};

QTEST_MAIN(FormMainTest)
#include "FormMainTest.moc"
