// The file grid's model over the file list, and the dialogs of the file list
// and the completion actions.
#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <QApplication>
#include <thread>
#include "app/QueueMainThread.h"
#include "convert/FileList.h"
#include "engine/loader/FFLoader.h"
#include "engine/prober/FFDecoder.h"
#include "support/Fixtures.h"
#include "support/MediaLibraries.h"
#include "wizard/convert/FileListModel.h"
#include "wizard/convert/FormFailedAddFile.h"
#include "wizard/convert/FormShutdown.h"
#include "wizard/convert/Previewer.h"

namespace mediaconv::wizard {
namespace {

using test::MediaFixture;

class TSilentView : public convert::TFileListView {
 public:
  void AppendLog(const std::string& line) override { Log.push_back(line); }
  void ShowFailedFiles(const std::vector<std::string>& errors) override { Failed = errors; }
  int TextWidth(const std::string& text) override { return static_cast<int>(text.size()) * 6; }
  std::vector<std::string> Log;
  std::vector<std::string> Failed;
};

convert::TFileListRow Row(const std::string& name) { return convert::UnprobedRow(name); }

QStringList Names(const QAbstractItemModel& model) {
  QStringList names;
  for (int row = 0; row < model.rowCount(); ++row)
    names << model.index(row, convert::fcFileFullName).data().toString();
  return names;
}

}  // namespace

class FileListModelTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    std::string reason;
    QVERIFY2(mediaconv::test::LoadMediaLibraries(reason), reason.c_str());
  }

  void RowOperationsReachTheModelAsMovesAndRemovals() {
    engine::TFFDecoder prober;
    TSilentView view;
    convert::TFileList list(prober, view);
    TFileListModel model(list);
    // Checks every begin/end pair and the indexes in between.
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
    QSignalSpy selected(&model, &TFileListModel::SelectedChanged);

    for (const char* name : {"/v/a.avi", "/v/b.avi", "/v/c.avi"}) list.AppendRow(Row(name));
    QCOMPARE(model.rowCount(), 3);
    list.Select(0);
    list.MoveDown();
    QCOMPARE(Names(model), QStringList({"/v/b.avi", "/v/a.avi", "/v/c.avi"}));
    list.Move(2, 0);
    QCOMPARE(Names(model), QStringList({"/v/c.avi", "/v/b.avi", "/v/a.avi"}));
    QCOMPARE(moved.count(), 2);
    list.Select(2);
    list.DeleteSelected();
    QCOMPARE(Names(model), QStringList({"/v/c.avi", "/v/b.avi"}));
    QCOMPARE(selected.last().at(0).toInt(), 1);
    QCOMPARE(reset.count(), 0);
    list.Clear();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(reset.count(), 1);
  }

  void DraggedRowMovesInTheList() {
    engine::TFFDecoder prober;
    TSilentView view;
    convert::TFileList list(prober, view);
    TFileListModel model(list);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (const char* name : {"/v/a.avi", "/v/b.avi", "/v/c.avi"}) list.AppendRow(Row(name));

    // Dropped below the last row, then onto the first.
    std::unique_ptr<QMimeData> first(model.mimeData({model.index(0, 0)}));
    model.dropMimeData(first.get(), Qt::MoveAction, 3, 0, {});
    QCOMPARE(Names(model), QStringList({"/v/b.avi", "/v/c.avi", "/v/a.avi"}));
    QCOMPARE(list.Selected(), 2);
    std::unique_ptr<QMimeData> last(model.mimeData({model.index(2, 0)}));
    model.dropMimeData(last.get(), Qt::MoveAction, -1, -1, model.index(0, 0));
    QCOMPARE(Names(model), QStringList({"/v/a.avi", "/v/b.avi", "/v/c.avi"}));
  }

  void AddedFilesShowTheirCellsAndThumbnails() {
    const std::string mp3 = MediaFixture(
        "grid_tone.mp3",
        "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 -ac 2 -c:a libmp3lame -b:a 128k");
    const std::string wide =
        MediaFixture("grid_wide.mkv", "-f lavfi -i testsrc2=size=320x120:rate=25:duration=1 -c:v mpeg4");
    engine::TFFDecoder prober;
    TSilentView view;
    convert::TFileList list(prober, view);
    TFileListModel model(list);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy started(&model, &TFileListModel::AddStarted);
    QSignalSpy finished(&model, &TFileListModel::AddFinished);
    list.AddFiles({mp3, wide});
    QCOMPARE(started.count(), 1);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(0, convert::fcBitrate).data().toString(), QString("Audio Bit rate: 128 Kbps"));
    QCOMPARE(model.index(1, convert::fcDimension).data().toString(), QString("Dimension: 320 x 120"));

    // The 8:3 picture fills the cell's width; the bands above and below stay clear.
    const QPixmap thumbnail = model.index(1, 0).data(Qt::DecorationRole).value<QPixmap>();
    QCOMPARE(thumbnail.size(), QSize(128, 88));
    const QImage image = thumbnail.toImage();
    QCOMPARE(qAlpha(image.pixel(64, 2)), 0);
    QCOMPARE(qAlpha(image.pixel(64, 44)), 255);
    QCOMPARE(qAlpha(image.pixel(1, 44)), 255);
    // The audio picture is drawn, not left empty.
    const QImage audio = model.index(0, 0).data(Qt::DecorationRole).value<QPixmap>().toImage();
    QCOMPARE(qAlpha(audio.pixel(64, 44)), 255);
  }

  void ShutdownCountdownRunsOutOnTheThirtyFirstTick() {
    TFormShutdown form("Media Converter");
    form.show();
    QCOMPARE(form.TimeLeftText(), QString("Time left: 30"));
    QCOMPARE(form.DescriptionText(),
             QString("If you don't press cancel now, \nMedia Converter\nwill shut down the computer."));
    for (int tick = 0; tick < 30; ++tick) form.Tick();
    QCOMPARE(form.TimeLeftText(), QString("Time left: 0"));
    QVERIFY(form.isVisible());
    form.Tick();
    QCOMPARE(form.result(), int(QDialog::Accepted));
  }

  void PreviewerShowsFramesOnTheMainThreadUntilClosed() {
    app::TQueueMainThread mainThread;
    TPreviewer::Install(mainThread);
    std::unique_ptr<engine::IPreviewWindow> previewer = engine::CreatePreviewWindow();
    QVERIFY(previewer);
    engine::TBitmap frame;
    frame.Width = 96;
    frame.Height = 54;
    frame.BitsPerPixel = 24;
    frame.Stride = 96 * 3;
    frame.Bits.assign(size_t(frame.Stride) * frame.Height, 200);
    bool wanted = false;
    std::thread task([&] { wanted = previewer->Show(frame, 1'500'000); });
    task.join();
    QVERIFY(wanted);
    mainThread.ServePending();
    QWidget* window = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (widget->objectName() == "Previewer") window = widget;
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->size(), QSize(96, 54));
    QCOMPARE(window->windowTitle(), QString("00:00:01.500"));
    window->close();
    QVERIFY(!previewer->Show(frame, 1'540'000));
    previewer.reset();
    mainThread.ServePending();
    engine::SetPreviewWindowFactory({});
  }

  void FailedWindowListsEachErrorAndOpensTheSupportPage() {
    int opened = 0;
    TFormFailedAddFile form({"/v/a.avi: Invalid data", "/v/b.mp4: No such file"}, [&] { ++opened; });
    QCOMPARE(form.Entries(), QStringList({"/v/a.avi: Invalid data", "/v/b.mp4: No such file"}));
    form.show();
    auto* more = form.findChild<QPushButton*>("MoreInformation");
    QVERIFY(more);
    QTest::mouseClick(more, Qt::LeftButton);
    QCOMPARE(opened, 1);
    QVERIFY(form.isVisible());
  }
};

}  // namespace mediaconv::wizard

QTEST_MAIN(mediaconv::wizard::FileListModelTest)
#include "FileListModelTest.moc"
