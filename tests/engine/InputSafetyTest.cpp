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
#include <string>
#include <thread>
#include <vector>

#include "engine/decoder/FFDecoder.h"
#include "engine/loader/FFLoader.h"
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
  static void SetUpTestSuite() {
    ASSERT_TRUE(TFFLoader::Instance().LoadLibraries(EngineLibraries))
        << TFFLoader::Instance().LastErrorText();
  }
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

}  // namespace
