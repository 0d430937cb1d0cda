#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "app/QueueMainThread.h"
#include "http/WinThread.h"

namespace mediaconv::http {
namespace {

using namespace std::chrono_literals;

class TWinThreadTest : public ::testing::Test {
 protected:
  void SetUp() override { worker_->SetMainThread(&main_); }

  bool ServeUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout = 5s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      main_.WaitAndServe(1ms);
    }
    return true;
  }
  void Serve(std::chrono::milliseconds time) {
    const auto until = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < until) main_.WaitAndServe(1ms);
  }
  // Work that runs until its own thread object is told to stop.
  void LoopUntilTerminated() {
    worker_->OnExecute = [this] {
      ++started_;
      while (!TEventWinThread::Current()->Terminated()) std::this_thread::sleep_for(1ms);
      ++stopped_;
    };
  }
  void Apply() { worker_->SetHandlers(worker_->OnExecute, worker_->OnException, worker_->OnTerminate); }

  app::TQueueMainThread main_;
  std::unique_ptr<TCustomWinThread> worker_ = std::make_unique<TCustomWinThread>();
  std::atomic<int> started_{0};
  std::atomic<int> stopped_{0};
  std::atomic<int> terminated_{0};
};

TEST(ThreadPriorityTest, PrioritiesMapToPlatformAndNiceValues) {
  const TThreadPriority all[] = {tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical};
  const int platform[] = {-15, -2, -1, 0, 1, 2, 15};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(PlatformPriority(all[i]), platform[i]);
    EXPECT_EQ(PriorityFromNice(NiceValue(all[i])), all[i]);
  }
  EXPECT_EQ(PriorityFromNice(3), tpNormal);  // none of the table's values
}

TEST_F(TWinThreadTest, EachRunHasAFreshThreadObject) {
  std::vector<TEventWinThread*> objects;
  worker_->SetHandlers([&] { objects.push_back(TEventWinThread::Current()); }, nullptr,
                       [this] { ++terminated_; });
  ASSERT_TRUE(worker_->StartRun());
  ASSERT_TRUE(ServeUntil([&] { return terminated_ == 1; }));
  TEventWinThread* first = &worker_->Thread();
  ASSERT_TRUE(worker_->StartRun());
  ASSERT_TRUE(ServeUntil([&] { return terminated_ == 2; }));
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0], first);
  EXPECT_NE(objects[1], first);
  EXPECT_TRUE(ServeUntil([&] { return first->Finished(); }));
}

TEST_F(TWinThreadTest, StartRunWhileRunningEndsThatRunFirst) {
  LoopUntilTerminated();
  worker_->OnTerminate = [this] { ++terminated_; };
  Apply();
  ASSERT_TRUE(worker_->StartRun());
  ASSERT_TRUE(ServeUntil([&] { return started_ == 1; }));
  ASSERT_TRUE(worker_->StartRun());
  ASSERT_TRUE(ServeUntil([&] { return stopped_ == 1 && started_ == 2; }));
  worker_->RequestStop();
  ASSERT_TRUE(ServeUntil([&] { return terminated_ == 1; }));
  Serve(30ms);
  // The first run was abandoned: its terminate handler never ran.
  EXPECT_EQ(terminated_, 1);
  EXPECT_EQ(stopped_, 2);
}

TEST_F(TWinThreadTest, WithoutWaitThreadStartRunReturnsBeforeTheWork) {
  std::atomic<bool> release{false};
  worker_->SetHandlers(
      [&] {
        while (!release) std::this_thread::sleep_for(1ms);
      },
      nullptr, [this] { ++terminated_; });
  ASSERT_TRUE(worker_->StartRun());
  EXPECT_EQ(terminated_, 0);
  release = true;
  ASSERT_TRUE(ServeUntil([&] { return terminated_ == 1; }));
}

TEST_F(TWinThreadTest, WaitThreadReturnsAfterTheTerminateHandlerWhileServingHandOffs) {
  std::vector<std::string> order;
  worker_->WaitThread = true;
  worker_->SetHandlers(
      [&] {
        for (int i = 0; i < 3; ++i) worker_->Synchronize([&] { order.push_back("sync"); });
      },
      nullptr, [&] { order.push_back("terminate"); });
  ASSERT_TRUE(worker_->StartRun());
  EXPECT_EQ(order, (std::vector<std::string>{"sync", "sync", "sync", "terminate"}));
}

TEST_F(TWinThreadTest, ExpiredWaitStopsTheRunUnlessTheHandlerSaysOtherwise) {
  LoopUntilTerminated();
  worker_->OnTerminate = [this] { ++terminated_; };
  Apply();
  worker_->WaitThread = true;
  worker_->WaitTimeout = 50;
  int expired = 0;
  worker_->OnWaitTimeoutExpired = [&](TCustomWinThread&, bool&) { ++expired; };
  EXPECT_FALSE(worker_->StartRun());
  EXPECT_EQ(expired, 1);
  ASSERT_TRUE(ServeUntil([&] { return stopped_ == 1; }));
  Serve(20ms);
  EXPECT_EQ(terminated_, 0);

  worker_->OnWaitTimeoutExpired = [&](TCustomWinThread&, bool& terminate) { terminate = false; };
  EXPECT_TRUE(worker_->StartRun());
  EXPECT_FALSE(worker_->Thread().Finished());  // the run goes on
  worker_->RequestStop();
  ASSERT_TRUE(ServeUntil([&] { return terminated_ == 1; }));
}

TEST_F(TWinThreadTest, SynchronizeRunsOnTheMainThreadAndHandlesExceptionsAsSet) {
  std::vector<bool> onMain;
  std::atomic<int> rethrown{0};
  worker_->SetHandlers(
      [&] {
        worker_->Synchronize([&] { onMain.push_back(main_.IsMainThread()); });
        worker_->Synchronize([] { throw std::runtime_error("dropped"); });
        worker_->HandleExceptions = false;
        try {
          worker_->Synchronize([] { throw std::runtime_error("raised again"); });
        } catch (const std::runtime_error&) {
          ++rethrown;
        }
        worker_->HandleExceptions = true;
      },
      nullptr, [this] { ++terminated_; });
  ASSERT_TRUE(worker_->StartRun());
  ASSERT_TRUE(ServeUntil([&] { return terminated_ == 1; }));
  EXPECT_EQ(onMain, std::vector<bool>{true});
  EXPECT_EQ(rethrown, 1);
}

TEST_F(TWinThreadTest, ExceptionInTheWorkCallsOnExceptionThenTerminate) {
  std::vector<std::string> order;
  worker_->SetHandlers([] { throw std::runtime_error("work failed"); },
                       [&] { order.push_back(main_.IsMainThread() ? "exception on main" : "exception"); },
                       [&] { order.push_back("terminate"); });
  ASSERT_TRUE(worker_->StartRun());
  ASSERT_TRUE(ServeUntil([&] { return order.size() == 2; }));
  EXPECT_EQ(order, (std::vector<std::string>{"exception on main", "terminate"}));
}

TEST_F(TWinThreadTest, PrioritySurvivesTheReplacementOfTheThreadObject) {
  std::atomic<int> seen{-1};
  worker_->SetPriority(tpLowest);
  worker_->SetHandlers([&] { seen = TEventWinThread::Current()->Priority(); }, nullptr,
                       [this] { ++terminated_; });
  ASSERT_TRUE(worker_->StartRun());
  ASSERT_TRUE(ServeUntil([&] { return terminated_ == 1; }));
  EXPECT_EQ(seen, tpLowest);
  ASSERT_TRUE(worker_->StartRun());
  ASSERT_TRUE(ServeUntil([&] { return terminated_ == 2; }));
  EXPECT_EQ(seen, tpLowest);
  EXPECT_EQ(worker_->Priority(), tpLowest);
}

TEST_F(TWinThreadTest, DestroyingWhileRunningStopsTheRunWithoutHandlers) {
  std::atomic<int> handlers{0};
  TCustomWinThread* worker = worker_.get();
  worker_->SetHandlers(
      [&, worker] {
        ++started_;
        while (!TEventWinThread::Current()->Terminated()) std::this_thread::sleep_for(1ms);
        worker->Synchronize([&] { ++handlers; });
      },
      nullptr, [&] { ++handlers; });
  ASSERT_TRUE(worker_->StartRun());
  ASSERT_TRUE(ServeUntil([&] { return started_ == 1; }));
  const auto start = std::chrono::steady_clock::now();
  worker_.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  Serve(20ms);
  EXPECT_EQ(handlers, 0);
}

TEST_F(TWinThreadTest, SuspendedAtRunTimePausesTheWorkAtItsNextCheck) {
  std::atomic<int> steps{0};
  worker_->SetHandlers(
      [&] {
        TEventWinThread* self = TEventWinThread::Current();
        while (!self->Terminated()) {
          self->CheckSuspended();
          ++steps;
          std::this_thread::sleep_for(1ms);
        }
      },
      nullptr, [this] { ++terminated_; });
  ASSERT_TRUE(worker_->StartRun());
  ASSERT_TRUE(ServeUntil([&] { return steps > 3; }));
  worker_->SetSuspended(true);
  EXPECT_TRUE(worker_->Suspended());
  Serve(10ms);
  const int paused = steps;
  Serve(30ms);
  EXPECT_LE(steps - paused, 1);
  worker_->SetSuspended(false);
  ASSERT_TRUE(ServeUntil([&] { return steps > paused + 3; }));
  worker_->RequestStop();
  ASSERT_TRUE(ServeUntil([&] { return terminated_ == 1; }));
}

}  // namespace
}  // namespace mediaconv::http
