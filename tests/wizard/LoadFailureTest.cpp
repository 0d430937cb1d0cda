// Its own program: the media libraries stay loaded once a window loaded them.
#include <QClipboard>
#include <QGuiApplication>

#include <QPushButton>
#include "WizardTestSupport.h"
#include "engine/loader/FFLoader.h"
#include "ui/LinkLabel.h"
#include "wizard/pages/LinkPage.h"

using namespace mediaconv;
using namespace mediaconv::wizard;

class LoadFailureTest : public QObject {
  Q_OBJECT

 private slots:
  void LibrariesThatCannotLoadStopTheCreationAfterLoggingWhy() {
    test::TWizardFixture f(test::FullEdition(), false);
    // A library in the program's own folder is tried first; this one is no library.
    test::WriteText(f.paths.ExeFolder + "lib/" +
                        QString::fromStdString(engine::TFFLoader::LibraryFileName(engine::lkAvutil)),
                    "not a library");
    f.Create();
    TFormMain& w = *f.window;
    QVERIFY(!w.StartedUp());
    QVERIFY(f.log->Text().contains("Load library"));
    // Steps after the loading did not happen: no start page, no start-up message.
    QCOMPARE(w.CurrentPage(), wpMode);
    QVERIFY(!w.isVisible());
    QCOMPARE(w.ToolsLink()->text(), QString("more free tools..."));
    // The clipboard is not watched.
    w.ShowPage(wpStep5);
    QGuiApplication::clipboard()->setText("https://www.youtube.com/watch?v=abc");
    QCoreApplication::processEvents();
    QVERIFY(!w.LinkPage()->PasteButton()->isEnabled());
    // Closing still saves.
    w.show();
    w.close();
    QVERIFY(f.SettingsText().contains("[Form]"));
  }
};

QTEST_MAIN(LoadFailureTest)
#include "LoadFailureTest.moc"
