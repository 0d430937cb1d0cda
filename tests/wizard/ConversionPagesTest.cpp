// Step3 and Step4 over real conversions: the run's rows and counts, the
// completion actions, the session services and the window closing mid-run.
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <random>

#include "ConvertTestSupport.h"
#include "WizardTestSupport.h"
#include "convert/ConversionRun.h"
#include "wizard/convert/FormShutdown.h"
#include "wizard/convert/SessionServices.h"
#include "wizard/pages/FileListPage.h"
#include "wizard/pages/ProgressPage.h"
#include "wizard/pages/SummaryPage.h"

namespace mediaconv::wizard::test {

using mediaconv::test::FullEdition;
using mediaconv::test::TWizardFixture;
using mediaconv::test::With;

// Records what the run asked of the session.
class TRecordingSession : public TSessionServices {
 public:
  void PlaySound(const QString& path) override { Events << "sound " + QFileInfo(path).fileName(); }
  bool PowerOff() override {
    Events << "poweroff";
    return false;
  }
  void InhibitSleep(const QString&) override {
    if (!Held) Events << "inhibit";
    Held = true;
  }
  void ReleaseSleep() override {
    if (Held) Events << "release";
    Held = false;
  }
  void Notify(const QString& summary, const QString& body) override {
    Events << "notify " + summary + ": " + body;
  }
  QStringList Events;
  bool Held = false;
};

// The shutdown countdown runs out at once, or is cancelled.
class TCountdownDialogs : public mediaconv::test::TScriptedDialogs {
 public:
  int ShowModal(QDialog& dialog) override {
    auto* form = qobject_cast<TFormShutdown*>(&dialog);
    if (!form) return TScriptedDialogs::ShowModal(dialog);
    ++Countdowns;
    if (!RunOut) return QDialog::Rejected;
    for (int tick = 0; tick < 40 && form->result() != QDialog::Accepted; ++tick) {
      LastLabel = form->TimeLeftText();
      form->Tick();
    }
    return form->result();
  }
  bool RunOut = false;
  int Countdowns = 0;
  QString LastLabel;
};

std::string TwoSecondTone() {
  return mediaconv::test::MediaFixture("pages_two.wav",
                                       "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=2 -ac 2");
}
std::string ThreeSecondTone() {
  return mediaconv::test::MediaFixture("pages_three.wav",
                                       "-f lavfi -i sine=frequency=660:sample_rate=48000:duration=3 -ac 2");
}
// Noise named .mp3: it probes, but nothing can be converted from it.
std::string Noise(const QString& folder) {
  const QString path = folder + "/noise.mp3";
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  std::mt19937 bytes(7);
  QByteArray data(200000, 0);
  for (char& byte : data) byte = char(bytes() & 0xFF);
  file.write(data);
  return path.toStdString();
}
std::string LongClip() {
  return mediaconv::test::MediaFixture(
      "pages_long.mkv",
      "-f lavfi -i testsrc2=size=640x480:rate=25:duration=20 "
      "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=20 -ac 2 -c:v mpeg4 -q:v 5 -c:a mp2");
}

class ConversionPagesTest : public QObject {
  Q_OBJECT

 private:
  // Into MP3 preset 1 (or the given class, format and preset) in a folder of the fixture.
  void PrepareRun(TWizardFixture& f, const std::vector<std::string>& files, int classId = 2, int formatId = 1,
                  int preset = 1) {
    f.window->SetSessionServices(&session_);
    app::AppSettings& settings = f.window->Settings();
    settings.OutputFormatClass = uint8_t(classId);
    if (classId == 0) settings.OutputVideoFormat = uint8_t(formatId);
    if (classId == 2) settings.OutputAudioFormat = uint8_t(formatId);
    settings.OutputMP3Preset = preset;
    settings.OutputAVIPreset = preset;
    settings.OutputFileDir = (f.dir.path() + "/out/").toStdString();
    QStringList names;
    for (const std::string& file : files) names << QString::fromStdString(file);
    f.window->ShowPage(wpStep1);
    f.window->FileListPage()->AddFiles(names);
  }
  void StartRun(TWizardFixture& f) {
    f.window->NextClick();  // Step2, from the settings
    f.window->NextClick();  // Step3, posts the start
    QCOMPARE(f.window->CurrentPage(), wpStep3);
  }
  bool WaitFor(const std::function<bool()>& done, int seconds = 120) {
    QDeadlineTimer deadline(seconds * 1000);
    while (!done() && !deadline.hasExpired()) QTest::qWait(20);
    return done();
  }
  QString RowText(TWizardFixture& f, int row, int column) {
    QTreeWidgetItem* item = f.window->ProgressPage()->ProgressList()->topLevelItem(row);
    return item ? item->text(column) : QString();
  }

  TRecordingSession session_;

 private slots:
  void init() { session_ = TRecordingSession(); }

  void ThreeFilesWithOneFailingEndOnTheSummary() {
    TWizardFixture f(FullEdition());
    PrepareRun(f, {TwoSecondTone(), Noise(f.dir.path()), ThreeSecondTone()});
    f.window->Settings().PlayASoundWhenFinished = true;
    QCOMPARE(f.window->FileListPage()->Count(), 3);
    StartRun(f);
    QVERIFY(WaitFor([&] { return f.window->CurrentPage() == wpStep4; }));

    TSummaryPage* summary = f.window->SummaryPage();
    QCOMPARE(summary->TotalValue()->text(), QString("3"));
    QCOMPARE(summary->SucceededValue()->text(), QString("2"));
    QCOMPARE(summary->FailedValue()->text(), QString("1"));
    QVERIFY(!summary->ErrorBox()->isHidden());
    const QStringList errors = summary->ErrorBox()->toPlainText().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].startsWith("File (1): "), qPrintable(errors[0]));
    QCOMPARE(RowText(f, 0, 2), QString("Finish."));
    QCOMPARE(RowText(f, 1, 2), QString("Failed."));
    QCOMPARE(RowText(f, 2, 3), QString("100%"));
    QCOMPARE(RowText(f, 2, 0), QString("pages_three.wav"));
    QCOMPARE(f.window->ProgressPage()->CurrentFile()->text(), QString("..."));
    // One failed: the fail sound; the session was kept awake for the run only.
    QCOMPARE(session_.Events.mid(0, 3), (QStringList{"inhibit", "sound fail.wav", "release"}));
    // Ended in front of the user: no notification.
    if (f.window->isActiveWindow()) QVERIFY(session_.Events.filter("notify").isEmpty());
    QVERIFY(!session_.Held);
    QCOMPARE(QFileInfo(f.dir.path() + "/out/pages_three.mp3").exists(), true);
    QVERIFY(WaitFor([&] { return f.window->Encoder().TasksCount() == 0; }, 5));
  }

  void AllSucceededPlaysTheDoneSoundAndNotifiesWhenInactive() {
    TWizardFixture f(FullEdition());
    PrepareRun(f, {TwoSecondTone()});
    f.window->Settings().PlayASoundWhenFinished = true;
    StartRun(f);
    // Another window has the focus while the run ends.
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(WaitFor([&] { return f.window->CurrentPage() == wpStep4; }));
    QVERIFY(session_.Events.contains("sound done.wav"));
    QVERIFY(!f.window->isActiveWindow());
    const QStringList notices = session_.Events.filter("notify ");
    QCOMPARE(notices, QStringList{"notify Pelmora: Total files: 1, Successed: 1, Failed: 0"});
  }

  void CountdownRunsOutAndAsksForPowerOffOnceCancelAsksNothing() {
    for (const bool runOut : {true, false}) {
      session_ = TRecordingSession();
      auto dialogs = std::make_unique<TCountdownDialogs>();
      dialogs->RunOut = runOut;
      TWizardFixture f(FullEdition(), false);
      // The fixture's dialogs are what the window uses: swap in the countdown's.
      TCountdownDialogs* countdown = dialogs.get();
      f.log = std::make_unique<TFormLog>(*countdown);
      f.window = std::make_unique<TFormMain>(f.paths, *f.log, *countdown, f.mainThread);
      QCoreApplication::processEvents();
      PrepareRun(f, {TwoSecondTone()});
      f.window->Settings().ShutDownWhenFinished = true;
      StartRun(f);
      QVERIFY(WaitFor([&] { return f.window->CurrentPage() == wpStep4; }));
      QCOMPARE(countdown->Countdowns, 1);
      QCOMPARE(session_.Events.count("poweroff"), runOut ? 1 : 0);
      if (runOut) QCOMPARE(countdown->LastLabel, QString("Time left: 0"));
      f.window.reset();
      f.log.reset();
    }
  }

  void CancelDuringTheFirstOfThreeFailsAllThreeAndKeepsAPlayableFirstOutput() {
    TWizardFixture f(FullEdition());
    const std::string clip = LongClip();
    PrepareRun(f, {clip, clip, clip}, 0, 0, 1);  // AVI preset 1: H.264 1080p
    StartRun(f);
    QVERIFY(WaitFor([&] { return RowText(f, 0, 2) == "Converting..."; }));
    QVERIFY(session_.Held);
    f.dialogs.confirmAnswers = {true};
    f.window->ExitClick();
    QVERIFY(WaitFor([&] { return f.window->CurrentPage() == wpStep4; }));
    QCOMPARE(f.window->SummaryPage()->TotalValue()->text(), QString("3"));
    QCOMPARE(f.window->SummaryPage()->SucceededValue()->text(), QString("0"));
    QCOMPARE(f.window->SummaryPage()->FailedValue()->text(), QString("3"));
    for (int row = 0; row < 3; ++row) QCOMPARE(RowText(f, row, 2), QString("Failed."));
    QVERIFY(!session_.Held);
    const auto format = mediaconv::test::ProbeFormat(f.window->ConversionRun()->Rows()[0].OutputFile);
    QVERIFY(format.count("duration"));
    QVERIFY(std::stod(format.at("duration")) < 20.0);
  }

  void JoinerEditionWritesOneMergeFileOfTheSummedDuration() {
    TWizardFixture f(With(FullEdition(), {"Merge=1"}));
    PrepareRun(f, {TwoSecondTone(), ThreeSecondTone()});
    StartRun(f);
    QVERIFY(WaitFor([&] { return f.window->CurrentPage() == wpStep4; }));
    QCOMPARE(f.window->ProgressPage()->ProgressList()->headerItem()->text(2), QString("Width x Height"));
    QCOMPARE(f.window->ProgressPage()->ProgressList()->headerItem()->text(3), QString("Aspect Ratio"));
    QCOMPARE(f.window->ProgressPage()->CurrentFileCaption()->text(), QString("Output file:"));
    QCOMPARE(f.window->ProgressPage()->ProgressList()->topLevelItemCount(), 2);
    QCOMPARE(f.window->SummaryPage()->TotalValue()->text(), QString("1"));
    QCOMPARE(f.window->SummaryPage()->SucceededValue()->text(), QString("1"));
    const auto format = mediaconv::test::ProbeFormat((f.dir.path() + "/out/Output_Merge.mp3").toStdString());
    QVERIFY(format.count("duration"));
    QVERIFY2(std::abs(std::stod(format.at("duration")) - 5.0) < 0.2, format.at("duration").c_str());
  }

  void RunWithoutAnyTaskEndsOnTheSummaryWithItsLogLines() {
    TWizardFixture f(FullEdition());
    const QString copy = f.dir.path() + "/gone.wav";
    QVERIFY(QFile::copy(QString::fromStdString(TwoSecondTone()), copy));
    PrepareRun(f, {copy.toStdString()});
    QVERIFY(QFile::remove(copy));
    StartRun(f);
    QVERIFY(WaitFor([&] { return f.window->CurrentPage() == wpStep4; }, 10));
    QCOMPARE(f.window->SummaryPage()->TotalValue()->text(), QString("0"));
    QVERIFY2(f.log->Text().contains("File load error: " + copy), qPrintable(f.log->Text()));
    QVERIFY(!session_.Held);
  }

  void ClosingTheWindowMidRunStopsWithoutSummary() {
    TWizardFixture f(FullEdition());
    const std::string clip = LongClip();
    PrepareRun(f, {clip, clip}, 0, 0, 1);
    f.window->Settings().PlayASoundWhenFinished = true;
    StartRun(f);
    QVERIFY(WaitFor([&] { return RowText(f, 0, 2) == "Converting..."; }));
    f.window->close();
    QCOMPARE(f.window->Encoder().TasksCount(), 0);
    QTest::qWait(200);
    QCOMPARE(f.window->CurrentPage(), wpStep3);
    QVERIFY(!f.window->ConversionRun()->Completed());
    QCOMPARE(session_.Events, (QStringList{"inhibit", "release"}));
  }
};

}  // namespace mediaconv::wizard::test

QTEST_MAIN(mediaconv::wizard::test::ConversionPagesTest)
#include "ConversionPagesTest.moc"
