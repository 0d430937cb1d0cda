#include "app/QueueMainThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace mediaconv::app {
namespace {

using namespace std::chrono_literals;

// Serves hand-offs until done() holds, with a generous bound so that a hang
// fails the test instead of stalling it.
template <class Done>
bool ServeUntil(TQueueMainThread& main, Done done) {
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    main.WaitAndServe(10ms);
  }
  return true;
}

TEST(QueueMainThread, InvokeAndWaitRunsOnTheMainThreadAndBlocksTheWorker) {
  TQueueMainThread main;
  const auto mainId = std::this_thread::get_id();
  std::atomic<bool> workerDone{false};
  std::thread::id ranOn;
  bool sawMainThread = false;
  int value = 0;
  int valueAfterReturn = -1;
  std::thread worker([&] {
    EXPECT_FALSE(main.IsMainThread());
    main.InvokeAndWait([&] {
      std::this_thread::sleep_for(50ms);  // a worker that did not wait would read 0
      ranOn = std::this_thread::get_id();
      sawMainThread = main.IsMainThread();
      value = 42;
    });
    valueAfterReturn = value;
    workerDone = true;
  });
  EXPECT_TRUE(ServeUntil(main, [&] { return workerDone.load(); }));
  worker.join();
  EXPECT_EQ(ranOn, mainId);
  EXPECT_TRUE(sawMainThread);
  EXPECT_EQ(valueAfterReturn, 42);
}

TEST(QueueMainThread, ExceptionOfTheHandlerReachesTheWorker) {
  TQueueMainThread main;
  std::atomic<bool> workerDone{false};
  std::string caught;
  std::thread worker([&] {
    try {
      main.InvokeAndWait([] { throw std::runtime_error("handler failed"); });
    } catch (const std::runtime_error& error) {
      caught = error.what();
    }
    workerDone = true;
  });
  EXPECT_NO_THROW(EXPECT_TRUE(ServeUntil(main, [&] { return workerDone.load(); })));
  worker.join();
  EXPECT_EQ(caught, "handler failed");
}

TEST(QueueMainThread, PostedWorkRunsInOrderOnlyWhenServed) {
  TQueueMainThread main;
  std::vector<int> order;
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) main.Post([&order, i] { order.push_back(i); });
  });
  worker.join();
  EXPECT_TRUE(order.empty());
  main.Post([&] {
    order.push_back(100);
    main.Post([&] { order.push_back(101); });  // queued while serving: runs on the next pass
  });
  EXPECT_TRUE(main.WaitAndServe(0ms));
  ASSERT_EQ(order.size(), 101u);
  for (int i = 0; i <= 100; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
  main.ServePending();
  EXPECT_EQ(order.back(), 101);
  EXPECT_FALSE(main.WaitAndServe(1ms));
}

TEST(QueueMainThread, InvokeAndWaitOnTheMainThreadRunsAtOnce) {
  TQueueMainThread main;
  bool ran = false;
  main.InvokeAndWait([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST(QueueMainThread, ManyWorkersAreAllServed) {
  TQueueMainThread main;
  constexpr int kWorkers = 8;
  constexpr int kCalls = 50;
  int total = 0;  // touched only on the main thread
  std::atomic<int> finished{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w)
    workers.emplace_back([&] {
      for (int i = 0; i < kCalls; ++i) main.InvokeAndWait([&] { ++total; });
      ++finished;
    });
  EXPECT_TRUE(ServeUntil(main, [&] { return finished.load() == kWorkers; }));
  for (auto& worker : workers) worker.join();
  EXPECT_EQ(total, kWorkers * kCalls);
}

}  // namespace
}  // namespace mediaconv::app

TEST(QueueMainThread, PostedWorkThatThrowsKeepsTheRestQueued) {
  mediaconv::app::TQueueMainThread mainThread;
  std::vector<int> ran;
  mainThread.Post([] { throw std::runtime_error("boom"); });
  mainThread.Post([&ran] { ran.push_back(2); });
  EXPECT_THROW(mainThread.ServePending(), std::runtime_error);
  EXPECT_TRUE(ran.empty());
  mainThread.ServePending();
  EXPECT_EQ(ran, std::vector<int>{2});
}

namespace mediaconv::app {
namespace {

TEST(QueueMainThreadServeUntil, ServesAWorkerWhoseHandOffTheConditionWaitsFor) {
  TQueueMainThread main;
  std::atomic<bool> handed{false};
  std::thread worker([&] { main.InvokeAndWait([&] { handed = true; }); });
  main.ServeUntil([&] { return handed.load(); });
  worker.join();
  EXPECT_TRUE(handed);
}

TEST(QueueMainThreadServeUntil, ServesNothingWhenTheConditionAlreadyHolds) {
  TQueueMainThread main;
  bool ran = false;
  main.Post([&] { ran = true; });
  main.ServeUntil([] { return true; });
  EXPECT_FALSE(ran);
  main.ServePending();
  EXPECT_TRUE(ran);
}

TEST(QueueMainThreadServeUntil, AnotherThreadWaitsWithoutServing) {
  TQueueMainThread main;
  std::atomic<bool> ready{false};
  bool ranOnWorker = false;
  main.Post([&] { ranOnWorker = std::this_thread::get_id() != std::thread::id(); });
  std::thread waiter([&] { main.ServeUntil([&] { return ready.load(); }); });
  ready = true;
  main.Notify();
  waiter.join();
  EXPECT_FALSE(ranOnWorker);  // still queued for the main thread
}

}  // namespace
}  // namespace mediaconv::app
