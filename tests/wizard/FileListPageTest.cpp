// Step1 over real media: the add dialog, drops, the failed window and the
// row operations with their enabled states.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "ConvertTestSupport.h"
#include "WizardTestSupport.h"
#include "app/AppSettings.h"
#include "engine/loader/FFLoader.h"
#include "engine/prober/FFDecoder.h"
#include "support/MediaLibraries.h"
#include "wizard/convert/FileListModel.h"
#include "wizard/convert/FormFailedAddFile.h"
#include "wizard/pages/FileListPage.h"

namespace mediaconv::wizard::test {

using convert::TFileListAction;

class FileListPageTest : public QObject {
  Q_OBJECT

 private:
  QString Cell(TFileListPage& page, int row, int column) {
    return page.Model()->index(row, column).data().toString();
  }
  QList<bool> States(TFileListPage& page) {
    QList<bool> states;
    for (auto action :
         {convert::faDelete, convert::faClear, convert::faMoveUp, convert::faMoveDown, convert::faPlay})
      states << (page.Action(action)->isEnabled() && page.Button(action)->isEnabled());
    return states;
  }

 private slots:
  void initTestCase() {
    std::string reason;
    QVERIFY2(mediaconv::test::LoadMediaLibraries(reason), reason.c_str());
  }

  void FiveChosenTwoUnreadableListsThreeAndShowsTheFailedWindow() {
    const QString folder = QString::fromStdString(mediaconv::test::TempFolder("page"));
    const QString junk = folder + "/junk.avi";
    QFile file(junk);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a media file");
    file.close();
    const QString mp3 = QString::fromStdString(Mp3Tone());
    const QString clip = QString::fromStdString(SmallClip());
    const QString raw = QString::fromStdString(RawVideo());

    TAnsweringDialogs dialogs;
    QStringList entries;
    dialogs.OnModal = [&](QDialog& dialog) {
      if (auto* failed = qobject_cast<TFormFailedAddFile*>(&dialog)) entries = failed->Entries();
      return int(QDialog::Accepted);
    };
    dialogs.FilesToOpen = {mp3, junk, clip, folder + "/missing.mp4", raw};
    app::AppSettings settings;
    settings.LastOpenDir = "/start/";
    engine::TFFDecoder prober;
    TFileListPage page(prober, dialogs, settings);
    QSignalSpy log(&page, &TFileListPage::LogLine);

    page.AddVideo();

    QCOMPARE(dialogs.OpenFolders, QStringList{"/start/"});
    QVERIFY(dialogs.OpenFilters.front().startsWith("All Supported Formats|*.AVI;"));
    QCOMPARE(page.Count(), 3);
    QCOMPARE(log.count(), 2);
    QVERIFY(log.at(0).at(0).toString().startsWith("File load error: " + junk));
    QVERIFY(log.at(1).at(0).toString().startsWith("File load error: " + folder + "/missing.mp4"));
    QCOMPARE(dialogs.Modals, QStringList{"FormFailedAddFile"});
    QCOMPARE(entries.size(), 2);
    QVERIFY(entries.at(0).startsWith(junk));
    // The folder of the first chosen file.
    QCOMPARE(QString::fromStdString(settings.LastOpenDir), QFileInfo(mp3).absolutePath() + "/");

    QCOMPARE(Cell(page, 0, convert::fcBitrate), QString("Audio Bit rate: 128 Kbps"));
    QVERIFY(Cell(page, 0, convert::fcDimension).startsWith("Audio Encoder: mp3"));
    QCOMPARE(Cell(page, 1, convert::fcDimension), QString("Dimension: 320 x 240"));
    QCOMPARE(Cell(page, 2, convert::fcDuration), QString("Duration: Duration is not preseted"));
    QCOMPARE(Cell(page, 2, convert::fcRealDuration), QString("0"));
  }

  void RowOperationsAndTheirStates() {
    TAnsweringDialogs dialogs;
    app::AppSettings settings;
    engine::TFFDecoder prober;
    TFileListPage page(prober, dialogs, settings);
    page.show();
    // Nothing listed: only Add.
    QCOMPARE(States(page), (QList<bool>{false, false, false, false, false}));
    for (const char* name : {"/v/a.avi", "/v/b.avi", "/v/c.avi"})
      page.Files().AppendRow(convert::UnprobedRow(name));
    QCOMPARE(States(page), (QList<bool>{false, true, false, false, false}));

    // Selecting in the grid selects in the list.
    page.Grid()->setCurrentIndex(page.Model()->index(2, 0));
    QCOMPARE(page.Files().Selected(), 2);
    QCOMPARE(States(page), (QList<bool>{true, true, true, false, true}));
    page.Button(convert::faMoveUp)->click();
    QCOMPARE(Cell(page, 1, convert::fcFileFullName), QString("/v/c.avi"));
    QCOMPARE(page.Grid()->currentIndex().row(), 1);
    QCOMPARE(States(page), (QList<bool>{true, true, true, true, true}));
    // The pop-up menu holds the same actions, with separators between groups.
    const QList<QAction*> menu = page.PopupMenu()->actions();
    QCOMPARE(menu.size(), 8);
    QVERIFY(menu.at(3)->isSeparator());
    QCOMPARE(menu.at(7)->text(), QString("&Play"));
    QCOMPARE(page.Action(convert::faPlay)->shortcut(), QKeySequence("Ctrl+P"));
    QCOMPARE(page.Action(convert::faClear)->shortcut(), QKeySequence("Shift+Delete"));

    // Deleting the last of three selects the new last; the only row leaves none.
    page.Grid()->setCurrentIndex(page.Model()->index(2, 0));
    page.Button(convert::faDelete)->click();
    QCOMPARE(page.Count(), 2);
    QCOMPARE(page.Grid()->currentIndex().row(), 1);
    QCOMPARE(page.Files().Selected(), 1);
    page.Button(convert::faClear)->click();
    QCOMPARE(page.Count(), 0);
    page.Files().AppendRow(convert::UnprobedRow("/v/only.avi"));
    page.Grid()->setCurrentIndex(page.Model()->index(0, 0));
    page.Action(convert::faDelete)->trigger();
    QCOMPARE(page.Files().Selected(), -1);
    QCOMPARE(States(page), (QList<bool>{false, false, false, false, false}));
  }

  void FilesOfTheCommandLineStartInConvertMode() {
    mediaconv::test::TWizardFixture f(mediaconv::test::FullEdition());
    const QString mp3 = QString::fromStdString(Mp3Tone());
    f.window->OpenFiles({mp3, QUrl::fromLocalFile(mp3).toString()});
    QCOMPARE(f.window->CurrentPage(), wpStep1);
    QCOMPARE(f.window->FileListPage()->Count(), 2);
    QCOMPARE(Cell(*f.window->FileListPage(), 1, convert::fcFileFullName), mp3);
  }

  void DroppedFolderAndMpegFile() {
    const QString folder = QString::fromStdString(mediaconv::test::TempFolder("drop"));
    const QString clip = QString::fromStdString(SmallClip());
    QVERIFY(QFile::copy(clip, folder + "/one.avi"));
    QVERIFY(QFile::copy(clip, folder + "/two.avi"));
    QVERIFY(QFile::copy(clip, folder + "/three.mpeg"));
    QVERIFY(QDir(folder).mkdir("sub.avi"));
    TAnsweringDialogs dialogs;
    app::AppSettings settings;
    engine::TFFDecoder prober;
    TFileListPage page(prober, dialogs, settings);
    page.AddDroppedFiles({folder + "/sub.avi", folder + "/one.avi", folder + "/notes.txt",
                          folder + "/two.avi", folder + "/three.mpeg"});
    QCOMPARE(page.Count(), 3);
    QCOMPARE(Cell(page, 0, convert::fcFileFullName), folder + "/one.avi");
    QCOMPARE(Cell(page, 2, convert::fcFileFullName), folder + "/three.mpeg");
    QVERIFY(dialogs.Modals.isEmpty());
  }
};

}  // namespace mediaconv::wizard::test

QTEST_MAIN(mediaconv::wizard::test::FileListPageTest)
#include "FileListPageTest.moc"
