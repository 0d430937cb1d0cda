#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include "WizardTestSupport.h"
#include "app/IniFile.h"

using namespace mediaconv;
using namespace mediaconv::wizard;
using test::TScriptedDialogs;

namespace {

// The group from "&OK" to "&Save Log..." sits centred in the window, with
// 8 pixels between the buttons.
void ExpectCentredButtons(const TFormLog& log) {
  const QRect ok = log.OkButton()->geometry();
  const QRect del = log.DeleteButton()->geometry();
  const QRect save = log.SaveButton()->geometry();
  QCOMPARE(del.left(), ok.right() + 1 + 8);
  QCOMPARE(save.left(), del.right() + 1 + 8);
  const int strip = log.OkButton()->parentWidget()->width();
  const int group = save.right() + 1 - ok.left();
  QCOMPARE(ok.left(), strip / 2 - group / 2);
}

}  // namespace

class FormLogTest : public QObject {
  Q_OBJECT

 private slots:
  void IsALogWindowThatStaysOnTop() {
    TScriptedDialogs dialogs;
    TFormLog log(dialogs);
    QCOMPARE(log.windowTitle(), QString("Log"));
    QVERIFY(log.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(log.minimumSize(), QSize(265, 125));
    QCOMPARE(log.OkButton()->text(), QString("&OK"));
    QCOMPARE(log.DeleteButton()->text(), QString("&Delete Log"));
    QCOMPARE(log.SaveButton()->text(), QString("&Save Log..."));
    log.AppendLog("first");
    log.AppendLog("second");
    QCOMPARE(log.Text(), QString("first\nsecond"));
  }

  void ButtonsStayCentredAtEverySize() {
    TScriptedDialogs dialogs;
    TFormLog log(dialogs);
    log.show();
    ExpectCentredButtons(log);
    log.resize(log.minimumSize());
    QTRY_COMPARE(log.size(), QSize(265, 125));
    ExpectCentredButtons(log);
    log.resize(700, 400);
    QTRY_COMPARE(log.width(), 700);
    ExpectCentredButtons(log);
  }

  // Lines longer than the window are shown from their start, also when the
  // window opens after they were added.
  void LongLinesShowTheirStartWhenTheWindowOpens() {
    TScriptedDialogs dialogs;
    TFormLog log(dialogs);
    for (int i = 0; i < 4; ++i) log.AppendLog("line " + QString::number(i) + ": " + QString(200, 'x'));
    log.show();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    auto* text = log.findChild<QPlainTextEdit*>();
    QVERIFY(text->horizontalScrollBar()->maximum() > 0);
    QCOMPARE(text->horizontalScrollBar()->value(), 0);
  }

  void OkCloses() {
    TScriptedDialogs dialogs;
    TFormLog log(dialogs);
    log.show();
    QTest::mouseClick(log.OkButton(), Qt::LeftButton);
    QVERIFY(!log.isVisible());
  }

  void DeleteAnsweredNoOrCancelKeepsTheText() {
    for (TAnswer answer : {anNo, anCancel}) {
      TScriptedDialogs dialogs;
      dialogs.askAnswer = answer;
      TFormLog log(dialogs);
      log.AppendLog("keep me");
      QTest::mouseClick(log.DeleteButton(), Qt::LeftButton);
      QCOMPARE(dialogs.LastKind(), QString("ask"));
      QCOMPARE(dialogs.shown.back().caption, QString("Delete log?"));
      QCOMPARE(dialogs.LastText(), QString("Really delete log file?"));
      QCOMPARE(log.Text(), QString("keep me"));
      QVERIFY(log.SaveButton()->isEnabled());
    }
  }

  void DeleteAnsweredYesEmptiesAndDisablesSaving() {
    TScriptedDialogs dialogs;
    dialogs.askAnswer = anYes;
    TFormLog log(dialogs);
    log.AppendLog("gone");
    log.DeleteLog();
    QCOMPARE(log.Text(), QString());
    QVERIFY(!log.SaveButton()->isEnabled());
    log.AppendLog("later");  // saving stays off for the rest of the run
    QVERIFY(!log.SaveButton()->isEnabled());
  }

  void SaveWritesEveryLine() {
    QTemporaryDir dir;
    TScriptedDialogs dialogs;
    TFormLog log(dialogs);
    log.AppendLog("#12.5: one");
    log.AppendLog("File load error: two");
    dialogs.saveAnswer = dir.path() + "/run.log";
    log.SaveLog();
    QCOMPARE(dialogs.LastKind(), QString("save"));
    QCOMPARE(dialogs.LastText(),
             QString("Log-Files (*.log)|*.log|Text-Files (*.txt)|*.txt|All Files (*.*)|*.*"));
    QCOMPARE(test::ReadText(dir.path() + "/run.log"), QString("#12.5: one\nFile load error: two\n"));

    // Cancelled: nothing written.
    dialogs.saveAnswer.reset();
    QFile::remove(dir.path() + "/run.log");
    log.SaveLog();
    QVERIFY(!QFile::exists(dir.path() + "/run.log"));
  }

  void SaveToAnUnwritablePlaceShowsTheErrorAndKeepsTheText() {
    QTemporaryDir dir;
    TScriptedDialogs dialogs;
    TFormLog log(dialogs);
    log.AppendLog("still here");
    dialogs.saveAnswer = dir.path() + "/no/such/folder/run.log";
    log.SaveLog();
    QCOMPARE(dialogs.LastKind(), QString("error"));
    QVERIFY(dialogs.LastText().contains("run.log"));
    QCOMPARE(log.Text(), QString("still here"));
  }

  void KeepsItsPlaceUnderFormLog() {
    QTemporaryDir dir;
    const QString settings = dir.path() + "/system.dat";
    TScriptedDialogs dialogs;
    {
      TFormLog log(dialogs);
      log.SetSettingsFile(settings);
      log.show();
      log.move(40, 30);
      log.close();
    }
    const app::TIniFile ini(settings.toStdString());
    QCOMPARE(ini.ReadInteger("FormLog", "x", -1), 40);
    QCOMPARE(ini.ReadInteger("FormLog", "y", -1), 30);
    QVERIFY(ini.ValueExists("FormLog", "width"));
    QVERIFY(ini.ValueExists("FormLog", "maximized"));

    test::WriteText(settings, "[FormLog]\nx=70\ny=5000\nwidth=300\nheight=200\n");
    TFormLog again(dialogs);
    again.SetSettingsFile(settings);
    again.show();
    const QRect screen = again.screen()->geometry();
    QCOMPARE(again.pos(), QPoint(70, screen.height() - 200));
  }

  void NameFiltersForQt() {
    QCOMPARE(NameFilters(TFormLog::kSaveFilter),
             QStringList({"Log-Files (*.log)", "Text-Files (*.txt)", "All Files (*)"}));
    QCOMPARE(NameFilters("All Audio Formats (all types)|*.MP3;*.AAC;|All Files|*.*"),
             QStringList({"All Audio Formats (*.MP3 *.AAC)", "All Files (*)"}));
  }
};

QTEST_MAIN(FormLogTest)
#include "FormLogTest.moc"
