#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "EncoderTestSupport.h"

namespace mediaconv::test {
namespace {

using namespace engine;

std::string TinyFile() {
  return MediaFixture("encoder_tiny.mkv",
                      "-f lavfi -i testsrc2=size=64x48:rate=25:duration=0.4 "
                      "-f lavfi -i sine=frequency=440:duration=0.4 -c:v mpeg4 -c:a mp2");
}

class FFEncoderStress : public TEncoderTest {
 protected:
  void SetUp() override {
    TEncoderTest::SetUp();
    RecordProgress();
  }
};

// Every cycle ends with one event per task and the final one, whatever moment
// the stop hits: before a worker ran, while one waits for the main thread,
// between tasks.
TEST_F(FFEncoderStress, FiftyStartStopCycles) {
  for (int cycle = 0; cycle < 50; ++cycle) {
    ClearRecords();
    const int tasks = 1 + cycle % 3;
    for (int i = 0; i < tasks; ++i) {
      const std::string name = "cycle" + std::to_string(cycle) + "_" + std::to_string(i) + ".mkv";
      ASSERT_EQ(AddTask(TinyFile(), name, AvOptions()), i);
    }
    encoder_.SetTriggerEventInMainThread(cycle % 6 != 5);
    encoder_.StartTask(1 + cycle % 2);
    if (cycle % 4 == 3) std::this_thread::sleep_for(std::chrono::milliseconds(cycle % 7));
    encoder_.Stop(cycle % 5 != 0);
    ASSERT_TRUE(ServeUntilFinal()) << cycle;
    const auto events = Terminates();
    ASSERT_EQ(events.size(), std::size_t(tasks + 1)) << cycle;
    EXPECT_EQ(events.back().info.TaskIndex, -1) << cycle;
    for (const auto& event : events) EXPECT_FALSE(event.info.Exception) << cycle << event.info.ExceptionMsg;
    encoder_.ClearTasks();
  }
}

TEST_F(FFEncoderStress, FiftyFullRuns) {
  for (int run = 0; run < 50; ++run) {
    const int tasks = 1 + run % 2;
    for (int i = 0; i < tasks; ++i) {
      const std::string name = "run" + std::to_string(run) + "_" + std::to_string(i);
      if ((run + i) % 2 == 0)
        ASSERT_EQ(AddTask(TinyFile(), name + ".mkv", AvOptions()), i);
      else
        ASSERT_EQ(AddTask(EncoderAudioFile(), name + ".wav", TOutputOptions{}), i);
    }
    const int threadCount = run % 3;  // 0: on this thread
    encoder_.StartTask(threadCount);
    if (threadCount == 0) {
      EXPECT_TRUE(FinalSeen()) << run;
    } else {
      ASSERT_TRUE(ServeUntilFinal()) << run;
    }
    const auto events = Terminates();
    ASSERT_EQ(events.size(), std::size_t(tasks + 1)) << run;
    for (const auto& event : events) EXPECT_TRUE(event.info.Finished) << run << event.info.ExceptionMsg;
    EXPECT_EQ(events.back().info.TaskIndex, -1);
    EXPECT_FALSE(ProgressTasks().empty()) << run;
    ClearRecords();
    encoder_.ClearTasks();
  }
}

}  // namespace
}  // namespace mediaconv::test
