// Inputs that must not hang, reach the network, read other files or pass
// as converted when nothing was.
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/loader/FFLoader.h"
#include "engine/prober/FFDecoder.h"
#include "engine/transcoder/CustomFFmpeg.h"
#include "support/Fixtures.h"

using namespace mediaconv::engine;
using namespace mediaconv::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

std::string VideoClip() {
  return MediaFixture("safety-video.mp4",
                      "-f lavfi -i testsrc2=size=160x120:rate=25:duration=1 -c:v mpeg4 -g 5");
}

std::string AudioClip() { return MediaFixture("safety-audio.wav", "-f lavfi -i sine=duration=1"); }

std::string FullClip() {
  return MediaFixture("safety-full.mp4",
                      "-f lavfi -i testsrc2=size=160x120:rate=25:duration=1 -f lavfi -i sine=duration=1 "
                      "-c:v mpeg4 -g 5 -c:a aac");
}

std::string StillImage() {
  return MediaFixture("safety-still.png", "-f lavfi -i color=c=blue:size=64x48 -frames:v 1");
}

// A tone with a small PNG cover, as music files carry it.
std::string CoverMp3() {
  return MediaFixture("safety-cover.mp3",
                      "-f lavfi -i sine=duration=1 -f lavfi -i color=c=red:size=32x32:duration=0.04 -map 0 "
                      "-map 1 -c:a libmp3lame -c:v png -frames:v 1 -disposition:v attached_pic");
}

// The streams of a file as ffprobe sees them: "type:codec[:cover]" each.
std::vector<std::string> Streams(const std::string& path) {
  std::vector<std::string> streams;
  // "codec,type,attached_pic"
  for (const auto& fields :
       ProbeCsv(path, "-show_entries stream=codec_type,codec_name:stream_disposition=attached_pic")) {
    if (fields.size() == 3)
      streams.push_back(fields[1] + ":" + fields[0] + (fields[2] == "1" ? ":cover" : ""));
  }
  return streams;
}

// What a conversion came to: refused at set-up, or run to an end.
struct TOutcome {
  bool setUp = false;
  std::string setUpError;
  bool completed = false;
  bool failed = false;
  std::string error;
};

TOutcome Convert(const std::vector<std::string>& inputs, const std::string& output,
                 const std::string& outputOptions, bool join = false) {
  TOutcome outcome;
  TCustomFFmpeg core;
  try {
    for (const std::string& input : inputs) core.ApplyInputOptionText(input, "", TInputFields{});
    core.ApplyOutputOptionText(output, join, outputOptions, TOutputFields{});
  } catch (const std::exception& e) {
    outcome.setUpError = e.what();
    return outcome;
  }
  outcome.setUp = true;
  core.OnEnd = [&outcome](TCustomFFmpeg& sender) {
    outcome.completed = sender.Completed();
    outcome.failed = sender.Failed();
    outcome.error = sender.ErrorMessage();
  };
  core.Start(false);
  return outcome;
}

// Runs work on a thread; false when it is still busy after the timeout (it
// is then given unblock() and waited for, so a hang fails instead of hanging).
bool FinishesWithin(const std::function<void()>& work, const std::function<void()>& unblock,
                    std::chrono::seconds timeout = 10s) {
  std::future<void> done = std::async(std::launch::async, work);
  if (done.wait_for(timeout) == std::future_status::ready) return true;
  unblock();
  done.wait();
  return false;
}

// A FIFO reader blocked in open() or read() gets an end of file.
void ReleaseFifoReader(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
  if (fd >= 0) ::close(fd);
}

class InputSafetyTest : public ::testing::Test {
 protected:
  std::string folder_ = TempFolder("safety");
};

TEST_F(InputSafetyTest, InputsThatAreNotRegularFilesAreRefusedAtOnceByProberAndCore) {
  const std::string fifo = folder_ + "/pipe.mp4";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string socketPath = folder_ + "/socket.mp4";
  const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(listening, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
  ASSERT_EQ(::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listening, 1), 0);
  const std::string folder = folder_ + "/folder.mp4";
  fs::create_directory(folder);
  const std::string fifoLink = folder_ + "/link-to-pipe.mp4";
  fs::create_symlink(fifo, fifoLink);

  const std::pair<std::string, std::string> cases[] = {
      {fifo, "named pipe"},   {fifoLink, "named pipe"},   {"/dev/null", "character device"},
      {socketPath, "socket"}, {folder, "Is a directory"},
  };
  for (const auto& [path, kind] : cases) {
    SCOPED_TRACE(path);
    const std::string expected =
        path + ": " + (kind == "Is a directory" ? kind : "Not a regular file (" + kind + ")");
    TFFDecoder prober;
    bool loaded = true;
    EXPECT_TRUE(FinishesWithin([&] { loaded = prober.LoadFile(path); }, [&] { ReleaseFifoReader(fifo); }));
    EXPECT_FALSE(loaded);
    EXPECT_EQ(prober.LastError(), expected);

    TOutcome outcome;
    EXPECT_TRUE(FinishesWithin([&] { outcome = Convert({path}, folder_ + "/out.mp4", "vcodec=mpeg4"); },
                               [&] { ReleaseFifoReader(fifo); }));
    EXPECT_FALSE(outcome.setUp);
    EXPECT_EQ(outcome.setUpError, expected);
  }
  ::close(listening);
  // A refused input created no output.
  EXPECT_FALSE(fs::exists(folder_ + "/out.mp4"));
}

// The current folder for one scope, put back at its end.
class TCurrentFolder {
 public:
  explicit TCurrentFolder(const std::string& folder) : previous_(fs::current_path()) {
    fs::current_path(folder);
  }
  ~TCurrentFolder() { fs::current_path(previous_); }

 private:
  fs::path previous_;
};

// Counts the connections made to a port on 127.0.0.1, closing each at once.
class TLoopbackListener {
 public:
  TLoopbackListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd_, 8) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
      while (!stop_) {
        pollfd waiting{fd_, POLLIN, 0};
        if (::poll(&waiting, 1, 20) <= 0) continue;
        const int client = ::accept(fd_, nullptr, nullptr);
        if (client < 0) continue;
        ++connections_;
        ::close(client);
      }
    });
  }
  ~TLoopbackListener() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) ::close(fd_);
  }
  int Port() const { return port_; }
  int Connections() const { return connections_; }

 private:
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::thread thread_;
};

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

}  // namespace

TEST_F(InputSafetyTest, NamesThatStartLikeAProtocolAreLocalFiles) {
  const std::string clip = VideoClip();
  ASSERT_FALSE(clip.empty());
  // Read as a protocol these would take standard input, a network address,
  // or another local file ("x.mp4", "file.mp4").
  const std::string names[] = {"pipe:0.mp4", "http:x.mp4", "file:x.mp4", "unicode:utf8:file.mp4",
                               "concat:x.mp4|file.mp4"};
  for (const std::string& name : names) fs::copy_file(clip, folder_ + "/" + name);
  WriteText(folder_ + "/x.mp4", "not media");
  WriteText(folder_ + "/file.mp4", "not media");
  // Standard input, should anything read it, ends at once.
  const int stdinCopy = ::dup(0);
  const int null = ::open("/dev/null", O_RDONLY);
  ::dup2(null, 0);
  ::close(null);
  {
    TCurrentFolder current(folder_);
    int n = 0;
    for (const std::string& name : names) {
      SCOPED_TRACE(name);
      TFFDecoder prober;
      ASSERT_TRUE(prober.LoadFile(name)) << prober.LastError();
      EXPECT_EQ(prober.VideoStreamCount(), 1);
      EXPECT_EQ(prober.GetFileName(), name);
      prober.CloseFile();
      // Outputs too are the local files named.
      const std::string output = "tcp:out" + std::to_string(++n) + ".avi";
      const TOutcome outcome = Convert({name}, output, "vcodec=mpeg4");
      EXPECT_TRUE(outcome.setUp) << outcome.setUpError;
      EXPECT_TRUE(outcome.completed) << outcome.error;
      EXPECT_EQ(ProbeStream(folder_ + "/" + output, "v:0")["codec_name"], "mpeg4");
    }
  }
  ::dup2(stdinCopy, 0);
  ::close(stdinCopy);
}

TEST_F(InputSafetyTest, APlaylistInsideALocalFileReachesNoNetworkAndNoOtherFile) {
  const std::string clip = VideoClip();
  ASSERT_FALSE(clip.empty());
  ASSERT_EQ(RunCommand("ffmpeg -nostdin -y -v error -i " + ShellQuote(clip) + " -c copy -f mpegts " +
                       ShellQuote(folder_ + "/segment.ts"))
                .exitCode,
            0);
  TLoopbackListener listener;
  ASSERT_GT(listener.Port(), 0);
  const std::string playlist =
      "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:2\n#EXT-X-MEDIA-SEQUENCE:0\n#EXTINF:1.0,\n";
  const std::pair<std::string, std::string> cases[] = {
      {"network.m3u8",
       playlist + "http://127.0.0.1:" + std::to_string(listener.Port()) + "/segment.ts\n#EXT-X-ENDLIST\n"},
      {"local.m3u8", playlist + "segment.ts\n#EXT-X-ENDLIST\n"},
      {"list.ffconcat", "ffconcat version 1.0\nfile segment.ts\n"},
  };
  for (const auto& [name, text] : cases) {
    SCOPED_TRACE(name);
    const std::string path = folder_ + "/" + name;
    WriteText(path, text);
    TFFDecoder prober;
    const bool loaded = prober.LoadFile(path);
    EXPECT_FALSE(loaded && prober.VideoStreamCount() > 0) << "the playlist's media was read";
    const TOutcome outcome = Convert({path}, folder_ + "/" + name + ".avi", "vcodec=mpeg4");
    EXPECT_FALSE(outcome.completed) << "the playlist's media was converted";
  }
  EXPECT_EQ(listener.Connections(), 0);
}

TEST_F(InputSafetyTest, ACoverIsNotVideoAndIsCarriedWhereTheContainerHasAPlaceForIt) {
  const std::string source = CoverMp3();
  ASSERT_FALSE(source.empty());
  ASSERT_EQ(Streams(source), (std::vector<std::string>{"audio:mp3", "video:png:cover"}));
  const struct {
    const char* extension;
    const char* options;
    std::vector<std::string> streams;
  } cases[] = {
      {"mp4", "vcodec=mpeg4\nacodec=aac", {"audio:aac", "video:png:cover"}},
      {"m4a", "vn=1\nacodec=aac", {"audio:aac", "video:png:cover"}},
      {"mp3", "vn=1\nacodec=libmp3lame", {"audio:mp3", "video:png:cover"}},
      {"flac", "vn=1\nacodec=flac", {"audio:flac", "video:png:cover"}},
      {"avi", "vcodec=mpeg4\nacodec=libmp3lame", {"audio:mp3"}},
      {"mov", "vcodec=mpeg4\nacodec=aac", {"audio:aac"}},
      {"3gp", "vcodec=h263\nacodec=aac", {"audio:aac"}},
      {"wav", "vn=1", {"audio:pcm_s16le"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.extension);
    const std::string output = folder_ + "/cover." + c.extension;
    const TOutcome outcome = Convert({source}, output, c.options);
    ASSERT_TRUE(outcome.setUp) << outcome.setUpError;
    EXPECT_TRUE(outcome.completed) << outcome.error;
    EXPECT_EQ(Streams(output), c.streams);
  }
}

TEST_F(InputSafetyTest, AFileWithoutSoundForAnAudioFormatIsRefusedSayingSo) {
  for (const std::string& source : {VideoClip(), StillImage()}) {
    SCOPED_TRACE(source);
    ASSERT_FALSE(source.empty());
    const std::string output = folder_ + "/silent.mp3";
    const TOutcome outcome = Convert({source}, output, "vn=1\nacodec=libmp3lame");
    EXPECT_FALSE(outcome.setUp);
    EXPECT_EQ(outcome.setUpError, source + ": the file has no audio to convert");
    EXPECT_FALSE(fs::exists(output));
  }
  // A file with neither of what a video format converts.
  const std::string subtitles = folder_ + "/only.srt";
  WriteText(subtitles, "1\n00:00:00,000 --> 00:00:01,000\nHello\n");
  const TOutcome outcome = Convert({subtitles}, folder_ + "/nothing.avi", "vcodec=mpeg4\nacodec=libmp3lame");
  EXPECT_EQ(outcome.setUpError, subtitles + ": the file has no video or audio to convert");
}

TEST_F(InputSafetyTest, AJoinNeedsEveryKindOfTheOutputInEveryFileAndNamesTheOneLacking) {
  const std::string audio = AudioClip(), video = VideoClip(), full = FullClip(), still = StillImage();
  const struct {
    std::vector<std::string> inputs;
    const char* output;
    const char* options;
    std::string error;  // empty: the join runs
  } cases[] = {
      {{audio, video}, "a.mp4", "vcodec=mpeg4\nacodec=aac", "Cannot join: " + audio + " has no video"},
      {{still, full}, "b.mp4", "vcodec=mpeg4\nacodec=aac", "Cannot join: " + still + " has no audio"},
      {{full, video}, "c.mp4", "vcodec=mpeg4\nacodec=aac", "Cannot join: " + video + " has no audio"},
      {{full, audio, full}, "d.mp4", "vcodec=mpeg4\nacodec=aac", "Cannot join: " + audio + " has no video"},
      // An audio format takes the sound of each; the picture is not wanted.
      {{full, audio}, "e.mp3", "vn=1\nacodec=libmp3lame", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.output);
    const std::string output = folder_ + "/" + c.output;
    const TOutcome outcome = Convert(c.inputs, output, c.options, true);
    if (!c.error.empty()) {
      EXPECT_FALSE(outcome.setUp);
      EXPECT_EQ(outcome.setUpError, c.error);
      EXPECT_FALSE(fs::exists(output));
      continue;
    }
    ASSERT_TRUE(outcome.setUp) << outcome.setUpError;
    EXPECT_TRUE(outcome.completed) << outcome.error;
    EXPECT_NEAR(std::atof(ProbeFormat(output)["duration"].c_str()), 2.0, 0.2);
  }
}

TEST_F(InputSafetyTest, ARunThatWritesNoMediaFailsInsteadOfReportingSuccess) {
  // Random bytes that the MP3 demuxer still takes for a stream (no channels, nothing decodes).
  const std::string noise = folder_ + "/noise.mp3";
  {
    std::mt19937 generator(15);
    std::string bytes(100000, '\0');
    for (char& byte : bytes) byte = char(generator() & 0xFF);
    WriteText(noise, bytes);
  }
  TFFDecoder prober;
  ASSERT_TRUE(prober.LoadFile(noise)) << prober.LastError();
  ASSERT_EQ(prober.AudioStreamCount(), 1);
  prober.CloseFile();
  // With the channels and rate a preset gives, the encoders open.
  const std::pair<const char*, const char*> cases[] = {
      {"noise-out.mp3", "vn=1\nacodec=libmp3lame\nac=2\nar=44100"},
      {"noise-out.mp4", "vcodec=mpeg4\nacodec=aac\nac=2\nar=44100"},
      {"noise-out.wav", "vn=1\nac=2\nar=44100"},
  };
  for (const auto& [name, options] : cases) {
    SCOPED_TRACE(name);
    const TOutcome outcome = Convert({noise}, folder_ + "/" + name, options);
    ASSERT_TRUE(outcome.setUp) << outcome.setUpError;
    EXPECT_FALSE(outcome.completed);
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.error, "Nothing was converted: no audio or video could be read from the input");
  }
  // A short sound that fits in the encoder's last frame is media all the same.
  const std::string blip = MediaFixture("safety-blip.wav", "-f lavfi -i sine=duration=0.01");
  const TOutcome outcome = Convert({blip}, folder_ + "/blip.mp3", "vn=1\nacodec=libmp3lame");
  EXPECT_TRUE(outcome.completed) << outcome.error;
}
