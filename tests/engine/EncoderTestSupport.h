#pragma once
// An encoder with a queue main thread served by the test, the media libraries
// loaded, and its terminate events recorded.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/QueueMainThread.h"
#include "engine/loader/FFLoader.h"
#include "engine/tasks/FFEncoder.h"
#include "support/Fixtures.h"

namespace mediaconv::test {

using namespace std::chrono_literals;

// One second of 160x120 video with a tone.
inline std::string EncoderAvFile() {
  return MediaFixture("encoder_av.mkv",
                      "-f lavfi -i testsrc2=size=160x120:rate=25:duration=1 "
                      "-f lavfi -i sine=frequency=440:duration=1 -c:v mpeg4 -c:a mp2");
}

inline std::string EncoderAudioFile() {
  return MediaFixture("encoder_audio.wav", "-f lavfi -i sine=frequency=440:duration=1");
}

// A main thread that tells how many workers wait in a hand-off to it.
class TCountingMainThread : public app::TQueueMainThread {
 public:
  void InvokeAndWait(std::function<void()> fn) override {
    const bool worker = !IsMainThread();
    if (worker) ++waiting;
    TQueueMainThread::InvokeAndWait(std::move(fn));
    if (worker) --waiting;
  }
  std::atomic<int> waiting{0};
};

struct TTerminateRecord {
  engine::TTerminateInfo info;
  std::thread::id thread;
};

class TEncoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = TempFolder("encoder");
    ASSERT_FALSE(folder_.empty());
    encoder_.SetMainThread(&main_);
    encoder_.SetProgressInterval(100);
    encoder_.OnTerminate = [this](engine::TCustomEncoder&, const engine::TTerminateInfo& info) {
      std::scoped_lock lock(mutex_);
      terminates_.push_back({info, std::this_thread::get_id()});
    };
  }

  std::string Out(const std::string& name) const { return folder_ + "/" + name; }

  static engine::TOutputOptions AvOptions() {
    engine::TOutputOptions options;
    options.VideoCodec = "mpeg4";
    options.AudioCodec = "mp2";
    return options;
  }

  // A task from input into one output; its index, -1 on failure.
  int AddTask(const std::string& input, const std::string& outputName, engine::TOutputOptions options) {
    const int index = encoder_.AddTask(input);
    EXPECT_GE(index, 0) << encoder_.LastErrMsg();
    if (index < 0) return index;
    EXPECT_TRUE(encoder_.SetOutputFile(index, Out(outputName), &options)) << encoder_.LastErrMsg();
    return index;
  }
  int AddAvTask(const std::string& outputName) { return AddTask(EncoderAvFile(), outputName, AvOptions()); }

  // Records the task index and thread of every progress event.
  void RecordProgress() {
    encoder_.OnProgress = [this](engine::TCustomEncoder&, engine::TProgressInfo* info) {
      std::scoped_lock lock(mutex_);
      progressTasks_.push_back(info->TaskIndex);
      progressThreads_.insert(std::this_thread::get_id());
    };
  }
  std::vector<int> ProgressTasks() {
    std::scoped_lock lock(mutex_);
    return progressTasks_;
  }
  std::set<std::thread::id> ProgressThreads() {
    std::scoped_lock lock(mutex_);
    return progressThreads_;
  }
  void Log(const std::string& line) {
    std::scoped_lock lock(mutex_);
    log_.push_back(line);
  }
  std::vector<std::string> LogLines() {
    std::scoped_lock lock(mutex_);
    return log_;
  }

  std::vector<TTerminateRecord> Terminates() {
    std::scoped_lock lock(mutex_);
    return terminates_;
  }
  void ClearRecords() {
    std::scoped_lock lock(mutex_);
    terminates_.clear();
    progressTasks_.clear();
    progressThreads_.clear();
    log_.clear();
  }
  bool FinalSeen() {
    std::scoped_lock lock(mutex_);
    for (const auto& record : terminates_)
      if (record.info.TaskIndex == -1) return true;
    return false;
  }

  // Serves the main thread until done() or the time is up.
  bool ServeUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 60s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      main_.WaitAndServe(5ms);
    }
    return true;
  }
  bool ServeUntilFinal() {
    return ServeUntil([this] { return FinalSeen(); });
  }

  // Waits, without serving, until a worker is blocked handing an event to
  // the main thread.
  bool WaitForBlockedWorker(std::chrono::milliseconds timeout = 60s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (main_.waiting.load() == 0) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(2ms);
    }
    return true;
  }

  // Handlers write only these: declared before the encoder, they outlive
  // every delivery, even of a test that failed half way.
  std::mutex mutex_;
  std::vector<TTerminateRecord> terminates_;
  std::vector<int> progressTasks_;
  std::set<std::thread::id> progressThreads_;
  std::vector<std::string> log_;
  TCountingMainThread main_;  // outlives the encoder, which may wait on it
  engine::TFFEncoder encoder_;
  std::string folder_;
};

}  // namespace mediaconv::test
