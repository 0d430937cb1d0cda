// Step5 to Step7 against the fake video service on the loopback server.
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTreeWidget>
#include <fstream>

#include "FakeVideoService.h"
#include "WizardTestSupport.h"
#include "download/LinkList.h"
#include "support/Fixtures.h"
#include "ui/LinkLabel.h"
#include "wizard/FormQuality.h"
#include "wizard/pages/DownloadPage.h"
#include "wizard/pages/DownloadSummaryPage.h"
#include "wizard/pages/FileListPage.h"
#include "wizard/pages/LinkPage.h"

using namespace mediaconv;
using namespace mediaconv::test;
using namespace mediaconv::wizard;
using download::test::TFakeVideoService;
using download::test::TMediaAnswer;
using download::test::TVideo;

namespace {

QString Link(const std::string& id) { return QString::fromStdString(TFakeVideoService::PageLink(id)); }

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A small real video, so that the converter's list can probe it.
std::string ClipBytes() {
  return FileText(MediaFixture("download_clip.flv",
                               "-f lavfi -i testsrc2=size=160x120:rate=10:duration=1 -c:v flv1 -b:v 200k"));
}

TVideo Video(const std::string& title, std::map<int, TMediaAnswer> media, int pageStatus = 200) {
  TVideo video;
  video.Title = title;
  video.Token = "tok";
  video.Media = std::move(media);
  video.PageStatus = pageStatus;
  return video;
}

// Files in the folder, hidden ones too.
QStringList FolderEntries(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace

class DownloadPagesTest : public QObject {
  Q_OBJECT

  // The window on Step5 with the download folder set.
  struct TLinkStep {
    TLinkStep() : f(FullEdition()), w(*f.window) {
      w.NextClick();
      folder = f.dir.path() + "/downloads/";
      w.LinkPage()->FolderEdit()->setText(folder);
      w.LinkPage()->PreferQuality()->setChecked(false);
    }
    void Paste(const QString& text) {
      QGuiApplication::clipboard()->setText(text);
      QTRY_VERIFY(w.LinkPage()->PasteButton()->isEnabled());
      QTest::keyClick(&w, Qt::Key_V, Qt::ControlModifier);
    }
    TWizardFixture f;
    TFormMain& w;
    QString folder;
  };

 private slots:
  void initTestCase() {
    // Every transfer goes to the fake service: nothing leaves the machine.
    qputenv("http_proxy", QByteArray::fromStdString(service_.ProxyAddress()));
    for (const char* name : {"no_proxy", "NO_PROXY"}) qunsetenv(name);
  }

  void PasteFollowsTheClipboard() {
    TLinkStep s;
    QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
    QTRY_VERIFY(!s.w.LinkPage()->PasteButton()->isEnabled());
    s.w.activateWindow();
    QTest::keyClick(&s.w, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(s.w.LinkPage()->LinkCount(), 0);
    s.Paste(Link("a1") + "\n");
    QCOMPARE(s.w.LinkPage()->LinkCount(), 1);
    QVERIFY(s.f.dialogs.shown.empty());
  }

  void PasteAsksAboutDuplicatesAndNonLinks() {
    TLinkStep s;
    const QString a = Link("a1"), b = Link("b2");
    s.f.dialogs.okCancelAnswers = {true, true};
    s.Paste(a + "\r\nnot a link\n" + a + "\n" + a.toUpper() + "\n" + b + " ");
    QCOMPARE(s.f.dialogs.shown.size(), size_t(2));
    QCOMPARE(s.f.dialogs.shown[0].kind, QString("okcancel"));
    QCOMPARE(s.f.dialogs.shown[0].text, QString("not a link\n\r\n\rThis is not a YouTube video link."));
    QCOMPARE(s.f.dialogs.shown[0].caption, QString("Pelmora"));
    QCOMPARE(s.f.dialogs.shown[1].text, a + "\n\r\n\rThis video is already in the download list.");
    // Other letter case is another link; entries are not trimmed.
    const QStringList expected{a, a.toUpper(), b + " "};
    QListWidget* list = s.w.LinkPage()->LinkList();
    QCOMPARE(list->count(), 3);
    for (int i = 0; i < 3; ++i) QCOMPARE(list->item(i)->text(), expected[i]);

    // Cancel drops the rest of the paste.
    s.f.dialogs.Clear();
    s.f.dialogs.okCancelAnswers = {false};
    s.Paste("nope\n" + Link("c3"));
    QCOMPARE(s.f.dialogs.shown.size(), size_t(1));
    QCOMPARE(list->count(), 3);

    // A double-click opens the link in the browser.
    TUrlRecorder urls;
    const QRect first = list->visualItemRect(list->item(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first.center());
    QCOMPARE(urls.opened, QStringList{a});

    // Remove focuses the entry now in its place; Empty clears.
    list->setCurrentRow(-1);
    QVERIFY(!s.w.LinkPage()->RemoveButton()->isEnabled());
    list->setCurrentRow(1);
    QTest::mouseClick(s.w.LinkPage()->RemoveButton(), Qt::LeftButton);
    QCOMPARE(s.w.LinkPage()->LinkCount(), 2);
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(list->item(1)->text(), b + " ");
    QTest::mouseClick(s.w.LinkPage()->EmptyButton(), Qt::LeftButton);
    QCOMPARE(list->count(), 0);
    QVERIFY(!s.w.LinkPage()->EmptyButton()->isEnabled());
  }

  void SelectChoosesTheDownloadFolder() {
    TLinkStep s;
    s.f.dialogs.folderAnswer = s.f.dir.path() + "/picked";
    QTest::mouseClick(s.w.LinkPage()->SelectButton(), Qt::LeftButton);
    QCOMPARE(s.f.dialogs.LastText(), QString("Please select a folder"));
    QCOMPARE(s.w.LinkPage()->FolderEdit()->text(), s.f.dir.path() + "/picked/");
  }

  void QualityDialogEditsTheRanking() {
    TLinkStep s;
    TLinkPage& page = *s.w.LinkPage();
    QVERIFY(!page.ConfigButton()->isEnabled());
    QCOMPARE(page.QualitySummary()->text(), QString("[Defatult Quality - HQ5]"));
    page.PreferQuality()->setChecked(true);
    QVERIFY(page.ConfigButton()->isEnabled());
    const QString defaultSummary(
        "Prefer: [HQ18] > [HQ35] > [HQ22] > [HQ6] > [HQ13] > [HQ17] > [HQ34] > [HQ37]");
    QCOMPARE(page.QualitySummary()->text(), defaultSummary);

    // Best Available then Cancel changes nothing.
    s.f.dialogs.modalAction = [](QDialog& dialog) {
      auto& quality = static_cast<TFormQuality&>(dialog);
      QTest::mouseClick(quality.BestButton(), Qt::LeftButton);
      QTest::mouseClick(quality.CancelButton(), Qt::LeftButton);
      return dialog.result();
    };
    QTest::mouseClick(page.ConfigButton(), Qt::LeftButton);
    QCOMPARE(s.f.dialogs.LastKind(), QString("modal"));
    QCOMPARE(s.f.dialogs.LastText(), QString("Prefer YouTube high quality"));
    QCOMPARE(page.QualitySummary()->text(), defaultSummary);

    // The dialog itself: size, columns, rows and moving.
    s.f.dialogs.modalAction = [](QDialog& dialog) {
      auto& quality = static_cast<TFormQuality&>(dialog);
      [&] {
        QCOMPARE(dialog.size(), QSize(466, 198));
        QTreeWidget* list = quality.List();
        QCOMPARE(list->headerItem()->text(0), QString("Type"));
        QCOMPARE(list->headerItem()->text(3), QString("Audio"));
        QCOMPARE(list->columnWidth(2), 80);
        QCOMPARE(list->topLevelItemCount(), 8);
        QCOMPARE(list->topLevelItem(0)->text(0), QString("[HQ18]"));
        QCOMPARE(list->topLevelItem(0)->text(1), QString("MP4"));
        QCOMPARE(list->topLevelItem(0)->text(2), QString("480x360"));
        QCOMPARE(list->topLevelItem(0)->text(3), QString("Stereo"));
        // Without a selection nothing moves.
        QTest::mouseClick(quality.DownButton(), Qt::LeftButton);
        QCOMPARE(list->topLevelItem(0)->text(0), QString("[HQ18]"));
        list->setCurrentItem(list->topLevelItem(0));
        QTest::mouseClick(quality.UpButton(), Qt::LeftButton);
        QCOMPARE(list->topLevelItem(0)->text(0), QString("[HQ18]"));
        QTest::mouseClick(quality.DownButton(), Qt::LeftButton);
        QCOMPARE(list->topLevelItem(1)->text(0), QString("[HQ18]"));
        QCOMPARE(list->currentItem(), list->topLevelItem(1));
        QVERIFY(list->currentItem()->isSelected());
      }();
      QTest::mouseClick(quality.OkButton(), Qt::LeftButton);
      return dialog.result();
    };
    QTest::mouseClick(page.ConfigButton(), Qt::LeftButton);
    QVERIFY(page.QualitySummary()->text().startsWith("Prefer: [HQ35] > [HQ18] > [HQ22]"));

    s.f.dialogs.modalAction = [](QDialog& dialog) {
      auto& quality = static_cast<TFormQuality&>(dialog);
      QTest::mouseClick(quality.BestButton(), Qt::LeftButton);
      QTest::mouseClick(quality.OkButton(), Qt::LeftButton);
      return dialog.result();
    };
    QTest::mouseClick(page.ConfigButton(), Qt::LeftButton);
    QVERIFY(page.QualitySummary()->text().startsWith("Prefer: [HQ37] > [HQ22] > "));
    page.PreferQuality()->setChecked(false);
    QCOMPARE(page.QualitySummary()->text(), QString("[Defatult Quality - HQ5]"));
  }

  void DownloadRunsToTheSummaryAndConverts() {
    const std::string clip = ClipBytes();
    QVERIFY(!clip.empty());
    service_.AddVideo("ok1", Video("Tom &amp; Jerry", {{0, TMediaAnswer{200, clip}}}));
    service_.AddVideo("gone", Video("Lost", {}, 404));
    service_.AddVideo("hq", Video("High", {{18, TMediaAnswer{404, {}}}, {35, TMediaAnswer{200, clip}}}));
    TLinkStep s;
    s.Paste(Link("ok1") + "\n" + Link("gone"));
    QCOMPARE(s.w.LinkPage()->LinkCount(), 2);
    s.w.NextClick();
    QCOMPARE(s.w.CurrentPage(), wpStep6);
    QTRY_COMPARE_WITH_TIMEOUT(s.w.CurrentPage(), wpStep7, 15000);

    TDownloadSummaryPage& summary = *s.w.DownloadSummaryPage();
    QCOMPARE(summary.TotalValue()->text(), QString("2"));
    QCOMPARE(summary.SucceededValue()->text(), QString("1"));
    QCOMPARE(summary.FailedValue()->text(), QString("1"));
    QCOMPARE(FolderEntries(s.folder), QStringList{"Tom & Jerry.flv"});
    QCOMPARE(FileText((s.folder + "Tom & Jerry.flv").toStdString()), clip);
    QCOMPARE(summary.DownloadedFiles(), QStringList{s.folder + "Tom & Jerry.flv"});
    // The run empties both lists and the status panel.
    QCOMPARE(s.w.LinkPage()->LinkCount(), 0);
    QCOMPARE(s.w.DownloadPage()->DownloadList()->topLevelItemCount(), 0);
    QCOMPARE(s.w.DownloadPage()->Quality()->text(), QString("..."));

    // Finish, and a second run preferring high quality falls back to the
    // second code.
    s.w.NextClick();
    QCOMPARE(s.w.CurrentPage(), wpMode);
    s.w.NextClick();
    s.w.LinkPage()->PreferQuality()->setChecked(true);
    s.Paste(Link("hq"));
    s.w.NextClick();
    QTRY_COMPARE_WITH_TIMEOUT(s.w.CurrentPage(), wpStep7, 15000);
    QCOMPARE(summary.SucceededValue()->text(), QString("1"));
    QCOMPARE(summary.DownloadedFiles(), QStringList{s.folder + "High.flv"});

    QTest::mouseClick(summary.ConvertLink(), Qt::LeftButton);
    QCOMPARE(s.w.CurrentPage(), wpStep1);
    const convert::TFileList& files = s.w.FileListPage()->Files();
    QCOMPARE(files.Count(), 1);
    QCOMPARE(QString::fromStdString(files.Rows()[0].FullName()), s.folder + "High.flv");
  }

  void CancelDuringADownloadLeavesNoFile() {
    TMediaAnswer slow{200, std::string(2 << 20, 'x')};
    slow.PieceDelay = std::chrono::milliseconds(5);
    service_.AddVideo("slow", Video("Slow one", {{0, slow}}));
    TLinkStep s;
    s.Paste(Link("slow") + "\n" + Link("ok1"));
    s.w.NextClick();
    TDownloadPage& page = *s.w.DownloadPage();
    QTRY_COMPARE_WITH_TIMEOUT(page.Status()->text(), QString("Downloading..."), 10000);
    // Mid-download: the row and the panel show the title and the progress.
    QTreeWidget* list = page.DownloadList();
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->headerItem()->text(TDownloadPage::dcName), QString("Name"));
    QCOMPARE(list->columnWidth(TDownloadPage::dcStatus), 250);
    QCOMPARE(list->topLevelItem(0)->text(TDownloadPage::dcName), QString("Slow one"));
    QCOMPARE(list->topLevelItem(0)->text(TDownloadPage::dcStatus), QString("Downloading..."));
    QCOMPARE(list->topLevelItem(1)->text(TDownloadPage::dcStatus), QString("Waiting..."));
    QCOMPARE(page.CurrentFile()->text(), QString("Slow one"));
    QCOMPARE(page.Quality()->text(), QString("[Default Quality - HQ5]"));
    QVERIFY(page.Speed()->text().endsWith(" KB/s"));

    s.f.dialogs.confirmAnswers = {false};
    s.w.ExitClick();
    QCOMPARE(s.f.dialogs.LastText(), QString("Do you really want to cancel the downloading?"));
    QVERIFY(s.w.DownloadRun().Running());
    s.f.dialogs.confirmAnswers = {true};
    s.w.ExitClick();
    QTRY_COMPARE_WITH_TIMEOUT(s.w.CurrentPage(), wpStep7, 10000);
    TDownloadSummaryPage& summary = *s.w.DownloadSummaryPage();
    QCOMPARE(summary.TotalValue()->text(), QString("2"));
    QCOMPARE(summary.SucceededValue()->text(), QString("0"));
    QCOMPARE(summary.FailedValue()->text(), QString("2"));
    QCOMPARE(FolderEntries(s.folder), QStringList{});
    s.w.ConvertDownloadedClick();
    QCOMPARE(s.f.dialogs.LastText(), QString("No file downloaded! Please try again."));
  }

  void ClosingDuringADownloadLeavesNoFile() {
    TMediaAnswer slow{200, std::string(2 << 20, 'y')};
    slow.PieceDelay = std::chrono::milliseconds(5);
    service_.AddVideo("slow2", Video("Closed", {{0, slow}}));
    TLinkStep s;
    s.Paste(Link("slow2"));
    s.w.NextClick();
    QTRY_COMPARE_WITH_TIMEOUT(s.w.DownloadPage()->Status()->text(), QString("Downloading..."), 10000);
    QVERIFY(s.w.close());
    s.f.window.reset();
    QCOMPARE(FolderEntries(s.folder), QStringList{});
  }

 private:
  TFakeVideoService service_;
};

QTEST_MAIN(DownloadPagesTest)
#include "DownloadPagesTest.moc"
