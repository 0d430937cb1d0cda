#include <unistd.h>

#include <random>

#include "WinHTTPTestSupport.h"
#include "support/Fixtures.h"

namespace mediaconv::test {
namespace {

// The sequences with which a run may end.
bool IsOneTerminalSequence(const std::vector<std::string>& events) {
  static const std::vector<std::vector<std::string>> kEndings = {
      {"OnDone"},
      {"OnAborted"},
      {"OnConnLost", "OnAnyError"},
      {"OnHostUnreachable", "OnAnyError"},
      {"OnHTTPError", "OnAnyError"},
      {"OnAnyError", "OnOutputFileError"},
      {"OnDoneInterrupted"},
  };
  for (const auto& ending : kEndings)
    if (events == ending) return true;
  return false;
}

std::string Describe(const std::vector<std::string>& events) {
  std::string text;
  for (const std::string& event : events) text += event + " ";
  return text;
}

class THttpStressTest : public THttpTest {
 protected:
  // Serves until the run has ended, then a moment more so that an event
  // arriving after the end would be seen.
  bool WaitForEnd() {
    const bool ended = ServeUntil([&] { return !http_.InProgress(); }, 20s);
    Settle(3ms);
    return ended;
  }
};

// Runs on one component with aborts at random points (requested or at once,
// into memory or a file, while waiting for the answer, mid-body or just at
// its end): each run ends with exactly one terminal sequence, nothing
// follows OnAborted, and the component takes the next run at once.
TEST_F(THttpStressTest, TwoHundredRunsWithAbortsAtRandomPoints) {
  server_.Handle("/body", [](const THttpRequest& request) {
    const size_t size = size_t(std::stoul(request.query.substr(request.query.find('=') + 1)));
    THttpResponse response = THttpTestServer::Text(200, std::string(size, 'x'));
    if (size % 3 == 0) {
      response.paceBytes = 8192;
      response.paceMs = 1;
    }
    if (size % 7 == 0) response.delayMs = 5;
    return response;
  });
  const std::string folder = TempFolder("stress");
  std::mt19937 random(20261210);
  int aborted = 0, done = 0;
  for (int run = 0; run < 200; ++run) {
    const size_t size = std::uniform_int_distribution<size_t>(0, 60000)(random);
    const bool toFile = random() % 3 == 0;
    const std::string file = folder + "/run" + std::to_string(run);
    http_.URL = server_.Url("/body?size=" + std::to_string(size));
    http_.OutputFileName = toFile ? file : "";
    log_.Clear();
    ASSERT_TRUE(http_.StartTransfer()) << "run " << run;

    const int mode = int(random() % 4);  // 0: no abort, 1: requested, 2: at once, 3: at once, deleting
    const bool deleteFile = mode == 3;
    if (mode != 0) {
      // Anywhere from before the request to after the last block.
      const auto wait = std::chrono::microseconds(std::uniform_int_distribution<int>(0, 8000)(random));
      const auto until = std::chrono::steady_clock::now() + wait;
      while (std::chrono::steady_clock::now() < until && http_.InProgress()) main_.ServePending();
      http_.AbortTransfer(deleteFile, mode >= 2);
    }
    ASSERT_TRUE(WaitForEnd()) << "run " << run << " mode " << mode << " size " << size << " file " << toFile
                              << ": " << Describe(log_.events);
    ASSERT_TRUE(IsOneTerminalSequence(log_.events)) << "run " << run << ": " << Describe(log_.events);
    ASSERT_FALSE(log_.offMainThread);
    if (log_.events == std::vector<std::string>{"OnAborted"}) {
      ++aborted;
      if (toFile && deleteFile) {
        EXPECT_NE(access(file.c_str(), F_OK), 0) << "run " << run;
      }
    } else {
      ASSERT_EQ(log_.events, std::vector<std::string>{"OnDone"}) << "run " << run;
      EXPECT_EQ(log_.received, size);
      ++done;
    }
  }
  log_.Clear();
  Settle(100ms);
  EXPECT_TRUE(log_.events.empty()) << Describe(log_.events);
  // Both outcomes were reached, so the aborts did race the runs.
  EXPECT_GT(aborted, 20);
  EXPECT_GT(done, 20);
}

// An abort that comes when the body is complete but the end is not yet
// reported still gives one terminal sequence.
TEST_F(THttpStressTest, AbortRacingTheEndOfTheBody) {
  server_.Handle("/small",
                 [](const THttpRequest&) { return THttpTestServer::Text(200, std::string(5000, 'y')); });
  http_.URL = server_.Url("/small");
  int aborted = 0, done = 0;
  for (int run = 0; run < 60; ++run) {
    log_.Clear();
    ASSERT_TRUE(http_.StartTransfer());
    // The last progress hand-off is the moment just before the end.
    ASSERT_TRUE(ServeUntil([&] { return log_.progress.size() >= 2 || !http_.InProgress(); }));
    if (run % 2 == 0) std::this_thread::sleep_for(std::chrono::microseconds(run * 20));
    http_.AbortTransfer(false, run % 4 == 0);
    ASSERT_TRUE(WaitForEnd());
    ASSERT_TRUE(log_.events == std::vector<std::string>{"OnAborted"} ||
                log_.events == std::vector<std::string>{"OnDone"})
        << "run " << run << ": " << Describe(log_.events);
    (log_.events.front() == "OnDone" ? done : aborted)++;
  }
  EXPECT_GT(aborted, 0);
}

}  // namespace
}  // namespace mediaconv::test
