#include "convert/FileList.h"

#include <gtest/gtest.h>

#include <fstream>

#include "RunTestSupport.h"
#include "engine/prober/FFDecoder.h"

namespace mediaconv::convert::test {
namespace {

std::string Mp3Tone() {
  return MediaFixture(
      "list_tone.mp3",
      "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 -ac 2 -c:a libmp3lame -b:a 128k");
}
std::string Mp4Clip() {
  return MediaFixture("list_clip.mp4",
                      "-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 "
                      "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=2 -ac 2 "
                      "-c:v mpeg4 -b:v 400k -c:a aac -b:a 96k");
}
// An elementary stream: no container, so no duration.
std::string RawVideo() {
  return MediaFixture("list_raw.m4v",
                      "-f lavfi -i testsrc2=size=160x120:rate=25:duration=1 -c:v mpeg4 -f m4v");
}

class FileListTest : public ::testing::Test {
 protected:
  engine::TFFDecoder prober_;
  TRecordingView view_;
  TFileList list_{prober_, view_};
};

TEST_F(FileListTest, AudioFileShowsAudioCellsAndAVideoAfterItShowsVideoCells) {
  const std::string mp3 = Mp3Tone(), mp4 = Mp4Clip();
  list_.AddFiles({mp3, mp4});
  ASSERT_EQ(list_.Count(), 2);

  const TFileListRow& audio = list_.Rows()[0];
  EXPECT_TRUE(audio.AudioOnly);
  EXPECT_EQ(audio.Thumbnail->Width, 118);
  EXPECT_EQ(audio.Thumbnail->Height, 78);
  EXPECT_EQ(audio.Cells[fcBitrate], "Audio Bit rate: 128 Kbps");
  EXPECT_EQ(audio.Cells[fcDimension].rfind("Audio Encoder: mp3", 0), 0u) << audio.Cells[fcDimension];
  EXPECT_EQ(audio.Cells[fcAudioEncoder].rfind("Audio encoder: mp3", 0), 0u);
  EXPECT_EQ(audio.Cells[fcAudioChannels], "Channels: 2");
  EXPECT_EQ(audio.Cells[fcAudioSampleRate], "Sample rate: 44100 Hz");
  EXPECT_EQ(audio.Cells[fcVideoEncoder], "Video encoder: ");
  EXPECT_EQ(audio.Cells[fcWidth], "-1");
  EXPECT_EQ(audio.Cells[fcFrameRate], "Frame rate: 0.00");

  const TFileListRow& video = list_.Rows()[1];
  EXPECT_FALSE(video.AudioOnly);
  EXPECT_EQ(video.Thumbnail->Width, 320);
  EXPECT_EQ(video.Thumbnail->Height, 240);
  EXPECT_FALSE(video.Thumbnail->Bits.empty());
  EXPECT_EQ(video.Cells[fcFileMinName], mp4);
  EXPECT_EQ(video.Cells[fcFileFullName], mp4);
  EXPECT_EQ(video.Cells[fcDuration], "Duration: 00:00:02.000");
  EXPECT_EQ(video.Cells[fcRealDuration], "2000000");
  EXPECT_EQ(video.Cells[fcBitrate].rfind("Bit rate: ", 0), 0u);
  EXPECT_NE(video.Cells[fcBitrate].find(" Kbps"), std::string::npos) << video.Cells[fcBitrate];
  EXPECT_EQ(video.Cells[fcDimension], "Dimension: 320 x 240");
  EXPECT_EQ(video.Cells[fcVideoEncoder].rfind("Video encoder: mpeg4", 0), 0u);
  EXPECT_EQ(video.Cells[fcFrameRate], "Frame rate: 25.00");
  EXPECT_EQ(video.Cells[fcWidth], "320");
  EXPECT_EQ(video.Cells[fcHeight], "240");
  EXPECT_EQ(video.Cells[fcAspectRatio].rfind("1.333333", 0), 0u) << video.Cells[fcAspectRatio];
  EXPECT_TRUE(view_.Log.empty());
  EXPECT_TRUE(view_.FailedShown.empty());
}

TEST_F(FileListTest, FileWithoutDurationShowsTheNotPresetedText) {
  list_.AddFiles({RawVideo()});
  ASSERT_EQ(list_.Count(), 1);
  EXPECT_EQ(list_.Rows()[0].Cells[fcDuration], "Duration: Duration is not preseted");
  EXPECT_EQ(list_.Rows()[0].Cells[fcRealDuration], "0");
  EXPECT_EQ(list_.Rows()[0].RealDuration(), 0);
}

TEST_F(FileListTest, FiveFilesWithTwoUnreadableListThreeAndReportTwo) {
  const std::string folder = TempFolder("list");
  const std::string junk = folder + "/junk.avi";
  std::ofstream(junk) << "not a media file";
  const std::string missing = folder + "/missing.mp4";
  const std::string mp3 = Mp3Tone(), mp4 = Mp4Clip();
  list_.AddFiles({mp4, junk, mp3, missing, mp4});

  EXPECT_EQ(list_.Count(), 3);  // the same file twice is listed twice
  ASSERT_EQ(view_.Log.size(), 2u);
  EXPECT_EQ(view_.Log[0].rfind("File load error: " + junk, 0), 0u) << view_.Log[0];
  EXPECT_EQ(view_.Log[1].rfind("File load error: " + missing, 0), 0u) << view_.Log[1];
  ASSERT_EQ(view_.FailedShown.size(), 1u);
  ASSERT_EQ(view_.FailedShown[0].size(), 2u);
  EXPECT_EQ(view_.FailedShown[0][0].rfind(junk, 0), 0u);

  // The failed list belongs to one add.
  list_.AddFiles({mp3});
  EXPECT_TRUE(list_.FailedList().empty());
  EXPECT_EQ(view_.FailedShown.size(), 1u);
}

// Writes each notification as a word, so a test reads their order.
class TRecordingObserver : public TFileListObserver {
 public:
  void AddBegun() override { Add("add{"); }
  void AddEnded() override { Add("}add"); }
  void RowsAboutToBeInserted(int first, int last) override { Add("insert?", first, last); }
  void RowsInserted(int first, int last) override { Add("insert", first, last); }
  void RowsAboutToBeRemoved(int first, int last) override { Add("remove?", first, last); }
  void RowsRemoved(int first, int last) override { Add("remove", first, last); }
  void RowAboutToBeMoved(int from, int to) override { Add("move?", from, to); }
  void RowMoved(int from, int to) override { Add("move", from, to); }
  void AboutToBeReset() override { Add("reset?"); }
  void ResetDone() override { Add("reset"); }
  void SelectionChanged(int selected) override { Add("select", selected); }

  std::vector<std::string> Events;
  // Row counts seen before and after each change, for the begin/end pairs.
  const TFileList* List = nullptr;
  std::vector<int> Counts;

 private:
  void Add(std::string word, int a = -2, int b = -2) {
    if (a != -2) word += " " + std::to_string(a);
    if (b != -2) word += " " + std::to_string(b);
    Events.push_back(word);
    if (List) Counts.push_back(List->Count());
  }
};

TEST(FileListNotifications, EveryChangeIsAnnouncedBeforeAndReportedAfter) {
  engine::TFFDecoder prober;
  TRecordingView view;
  TFileList list(prober, view);
  TRecordingObserver observer;
  observer.List = &list;
  list.SetObserver(&observer);

  list.AppendRow(RowFor("a"));
  list.AppendRow(RowFor("b"));
  list.AppendRow(RowFor("c"));
  EXPECT_EQ(observer.Counts, (std::vector<int>{0, 1, 1, 2, 2, 3}));
  observer.Events.clear();

  list.Select(1);
  list.MoveDown();
  list.Move(2, 0);  // dragged: the moved row is selected
  list.Select(2);
  list.DeleteSelected();  // the last row: the new last is selected
  list.Select(0);
  list.DeleteSelected();  // the row below takes index 0 and stays selected
  list.DeleteSelected();  // the only row: nothing selected
  list.AppendRow(RowFor("d"));
  list.Clear();
  EXPECT_EQ(observer.Events,
            (std::vector<std::string>{"select 1",    "move? 1 2",  "move 1 2",    "select 2",    "move? 2 0",
                                      "move 2 0",    "select 0",   "select 2",    "remove? 2 2", "remove 2 2",
                                      "select 1",    "select 0",   "remove? 0 0", "remove 0 0",  "select 0",
                                      "remove? 0 0", "remove 0 0", "select -1",   "insert? 0 0", "insert 0 0",
                                      "reset?",      "reset",      "select -1"}));
  // A deselected list does nothing on the row operations and says nothing.
  observer.Events.clear();
  list.DeleteSelected();
  list.MoveUp();
  list.MoveDown();
  list.Move(0, 0);
  EXPECT_TRUE(observer.Events.empty());
}

TEST_F(FileListTest, AddingIsBracketedAndTheFailedWindowComesAfter) {
  TRecordingObserver observer;
  list_.SetObserver(&observer);
  const std::string mp3 = Mp3Tone();
  list_.AddFiles({mp3, TempFolder("list") + "/none.mp3", mp3});
  EXPECT_EQ(observer.Events, (std::vector<std::string>{"add{", "insert? 0 0", "insert 0 0", "insert? 1 1",
                                                       "insert 1 1", "}add"}));
  EXPECT_EQ(view_.FailedShown.size(), 1u);
  // Nothing to add: not even the brackets.
  observer.Events.clear();
  list_.AddFiles({});
  EXPECT_TRUE(observer.Events.empty());
}

TEST(FileListRows, DeleteMoveAndActionStates) {
  engine::TFFDecoder prober;
  TRecordingView view;
  TFileList list(prober, view);
  for (const char* name : {"a", "b", "c"}) list.AppendRow(RowFor(name));
  const auto names = [&] {
    std::string text;
    for (const TFileListRow& row : list.Rows()) text += row.FullName();
    return text;
  };

  EXPECT_FALSE(list.CanDelete());
  list.Select(2);
  EXPECT_FALSE(list.CanMoveDown());
  list.DeleteSelected();  // the last of three: the new last is selected
  EXPECT_EQ(names(), "ab");
  EXPECT_EQ(list.Selected(), 1);
  list.MoveUp();
  EXPECT_EQ(names(), "ba");
  EXPECT_EQ(list.Selected(), 0);
  EXPECT_FALSE(list.CanMoveUp());
  list.MoveUp();  // nothing above the first
  EXPECT_EQ(names(), "ba");
  list.MoveDown();
  EXPECT_EQ(names(), "ab");
  list.Move(1, 0);
  EXPECT_EQ(names(), "ba");
  list.Select(5);
  EXPECT_EQ(list.Selected(), -1);
  list.Clear();
  list.AppendRow(RowFor("only"));
  list.Select(0);
  list.DeleteSelected();  // the only row: nothing is selected
  EXPECT_EQ(list.Selected(), -1);
  EXPECT_FALSE(list.CanClear());
}

TEST(DroppedFiles, OnlyFilesWithAListedExtension) {
  EXPECT_TRUE(AcceptsDroppedFile("/m/a.avi", false));
  EXPECT_TRUE(AcceptsDroppedFile("/m/B.MP3", false));
  EXPECT_TRUE(AcceptsDroppedFile("/m/c.rmvb", false));
  EXPECT_FALSE(AcceptsDroppedFile("/m/folder.avi", true));
  // The add dialog offers .mpeg, so a drop takes it too.
  EXPECT_TRUE(AcceptsDroppedFile("/m/clip.mpeg", false));
  EXPECT_FALSE(AcceptsDroppedFile("/m/notes.txt", false));
  EXPECT_FALSE(AcceptsDroppedFile("/m.avi/readme", false));
}

TEST(DroppedFiles, AFolderWithTwoClipsAddsTheTwoClipsInOrder) {
  EXPECT_EQ(DroppedFiles({{"/m/b.avi", false}, {"/m/dir", true}, {"/m/x.txt", false}, {"/m/a.AVI", false}}),
            (std::vector<std::string>{"/m/b.avi", "/m/a.AVI"}));
}

TEST(AddDialogFollowUp, FolderOfTheFirstChosenFileAndTheNameForgottenForMany) {
  const TAddDialogFollowUp one = AddDialogFollowUp({"/v/clips/a.avi"}, "/old/");
  EXPECT_EQ(one.LastOpenDir, "/v/clips/");
  EXPECT_FALSE(one.ClearFileName);
  const TAddDialogFollowUp many = AddDialogFollowUp({"/w/b.mp4", "/v/a.avi"}, "/old/");
  EXPECT_EQ(many.LastOpenDir, "/w/");
  EXPECT_TRUE(many.ClearFileName);
  const TAddDialogFollowUp none = AddDialogFollowUp({}, "/old/");
  EXPECT_EQ(none.LastOpenDir, "/old/");
  EXPECT_FALSE(none.ClearFileName);
}

TEST(FileMinName, LeadingFoldersGiveWayToAnEllipsis) {
  const auto width = [](const std::string& text) { return static_cast<int>(text.size()); };
  EXPECT_EQ(FileMinName("/home/me/videos/clip.avi", 30, width), "/home/me/videos/clip.avi");
  EXPECT_EQ(FileMinName("/home/me/videos/clip.avi", 20, width), "/.../videos/clip.avi");
  EXPECT_EQ(FileMinName("/home/me/videos/clip.avi", 14, width), ".../clip.avi");
  EXPECT_EQ(FileMinName("/home/me/videos/clip.avi", 5, width), "clip.avi");
}

TEST(CellTexts, NumbersAndTheirMissingValues) {
  EXPECT_EQ(FrameRateValueText(30000, 1001), "29.97");
  EXPECT_EQ(FrameRateValueText(-1, -1), "0.00");
  EXPECT_EQ(BitRateText(128000), "128 Kbps");
  EXPECT_EQ(BitRateText(999), "0 Kbps");
  EXPECT_EQ(BitRateText(0), "Bit rate is not preseted");
  EXPECT_EQ(DurationText(-1), "Duration is not preseted");
  EXPECT_EQ(DurationText(2'400'000'000), "00:40:00.000");
}

}  // namespace
}  // namespace mediaconv::convert::test
