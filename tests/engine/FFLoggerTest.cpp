#include "engine/log/FFLogger.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstddef>
#include <cstdio>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "app/QueueMainThread.h"
#include "engine/loader/Av.h"
#include "engine/loader/FFLoader.h"

using namespace mediaconv::engine;

namespace {

struct TLine {
  const void* sender;
  uint32_t threadId;
  TLogLevel level;
  std::string text;
};

// Hands a message to the library callback the way av_log does.
void LibraryLog(void* context, int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
void LibraryLog(void* context, int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  TFFLogger::LibraryLogCallback(context, level, format, args);
  va_end(args);
}

std::string Hex(const void* pointer) {
  char text[32];
  std::snprintf(text, sizeof text, "%016" PRIXPTR, reinterpret_cast<uintptr_t>(pointer));
  return text;
}

// A library context object: its class first, then a parent reference.
struct TFakeContext {
  const AVClass* avClass;
  void* parent;
};

const char* FakeItemName(void* context) {
  return static_cast<TFakeContext*>(context)->parent ? "child" : "parent";
}

AVClass MakeClass(int version) {
  AVClass avClass{};
  avClass.class_name = "Fake";
  avClass.item_name = &FakeItemName;
  avClass.version = version;
  avClass.parent_log_context_offset = offsetof(TFakeContext, parent);
  return avClass;
}

class FFLoggerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    logger_ = std::make_unique<TFFLogger>();
    logger_->SetLogLevel(llDebug);
    logger_->OnLog = [this](const void* sender, uint32_t threadId, TLogLevel level, const std::string& text) {
      std::scoped_lock lock(mutex_);
      lines_.push_back({sender, threadId, level, text});
    };
    // Ends whatever an earlier test left and breaks any run of repeats.
    LibraryLog(nullptr, AV_LOG_ERROR, "start of %s\n",
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    Lines().clear();
  }

  std::vector<TLine>& Lines() { return lines_; }
  std::vector<std::string> Logged() {
    std::scoped_lock lock(mutex_);
    std::vector<std::string> texts;
    for (const TLine& line : lines_) texts.push_back(line.text);
    return texts;
  }

  std::unique_ptr<TFFLogger> logger_;
  std::mutex mutex_;
  std::vector<TLine> lines_;
};

using Texts = std::vector<std::string>;

TEST_F(FFLoggerTest, FragmentWithoutLineBreakWaitsForTheRestOfItsLine) {
  LibraryLog(nullptr, AV_LOG_INFO, "abc");
  EXPECT_TRUE(Logged().empty());
  LibraryLog(nullptr, AV_LOG_WARNING, "def\n");
  ASSERT_EQ(Logged(), Texts{"abcdef"});
  EXPECT_EQ(Lines()[0].sender, logger_.get());
  EXPECT_EQ(Lines()[0].threadId, CurrentThreadId());
  EXPECT_EQ(Lines()[0].level, llWarning);  // the level of the call that completed the line
}

TEST_F(FFLoggerTest, OneMessageMaySpanSeveralLines) {
  LibraryLog(nullptr, AV_LOG_INFO, "one\ntwo\nthr");
  EXPECT_EQ(Logged(), (Texts{"one", "two"}));
  LibraryLog(nullptr, AV_LOG_INFO, "ee\n");
  EXPECT_EQ(Logged(), (Texts{"one", "two", "three"}));
}

TEST_F(FFLoggerTest, FragmentsOfTwoThreadsNeverJoin) {
  LibraryLog(nullptr, AV_LOG_INFO, "main ");
  std::thread([] { LibraryLog(nullptr, AV_LOG_INFO, "first "); }).join();
  std::thread([] { LibraryLog(nullptr, AV_LOG_INFO, "second\n"); }).join();
  std::thread([] { LibraryLog(nullptr, AV_LOG_INFO, "third\n"); }).join();
  LibraryLog(nullptr, AV_LOG_INFO, "end\n");
  // An ended thread's unfinished line goes with it, whoever gets its id next.
  EXPECT_EQ(Logged(), (Texts{"second", "third", "main end"}));
}

TEST_F(FFLoggerTest, RepeatedLinesAreFoldedIntoOneNotice) {
  for (int i = 0; i < 3; ++i) LibraryLog(nullptr, AV_LOG_INFO, "same\n");
  EXPECT_EQ(Logged(), Texts{"same"});
  LibraryLog(nullptr, AV_LOG_INFO, "other\n");
  EXPECT_EQ(Logged(), (Texts{"same", "    Last message repeated 2 times", "other"}));
  // A fragment equal to the last line but without its line break is no repeat.
  LibraryLog(nullptr, AV_LOG_INFO, "other");
  LibraryLog(nullptr, AV_LOG_INFO, "\n");
  EXPECT_EQ(Logged().back(), "other");
  EXPECT_EQ(Logged().size(), 4u);
}

TEST_F(FFLoggerTest, RepeatsAreFoldedPerThreadAndForWholeLinesOnly) {
  LibraryLog(nullptr, AV_LOG_INFO, "shared\n");
  std::thread([] { LibraryLog(nullptr, AV_LOG_INFO, "shared\n"); }).join();
  EXPECT_EQ(Logged(), (Texts{"shared", "shared"}));
  // The end of a line equal to the last line is no repeat either.
  LibraryLog(nullptr, AV_LOG_INFO, "half ");
  LibraryLog(nullptr, AV_LOG_INFO, "shared\n");
  EXPECT_EQ(Logged().back(), "half shared");
}

TEST_F(FFLoggerTest, ContextLinesStartWithTheObjectsNameAndAddress) {
  const AVClass avClass = MakeClass(LIBAVUTIL_VERSION_INT);
  TFakeContext parent{&avClass, nullptr};
  TFakeContext child{&avClass, &parent};
  TFakeContext orphan{&avClass, nullptr};

  LibraryLog(&orphan, AV_LOG_INFO, "alone\n");
  LibraryLog(&child, AV_LOG_INFO, "with %s", "parent");
  LibraryLog(&child, AV_LOG_INFO, " and more\n");  // the prefix only starts a line
  const std::string parentAddress = Hex(&parent), childAddress = Hex(&child), orphanAddress = Hex(&orphan);
  EXPECT_EQ(Logged(),
            (Texts{"[parent @ " + orphanAddress + "]alone",
                   "[parent @ " + parentAddress + "] [child @ " + childAddress + "]with parent and more"}));
  EXPECT_EQ(orphanAddress.size(), 2 * sizeof(void*));
}

TEST_F(FFLoggerTest, OldClassVersionsAndMissingClassesGiveShorterPrefixes) {
  const AVClass oldClass = MakeClass(AV_VERSION_INT(50, 15, 2));
  TFakeContext parent{&oldClass, nullptr};
  TFakeContext child{&oldClass, &parent};
  TFakeContext classless{nullptr, nullptr};
  LibraryLog(&child, AV_LOG_INFO, "old\n");
  LibraryLog(&classless, AV_LOG_INFO, "none\n");
  EXPECT_EQ(Logged(), (Texts{"[child @ " + Hex(&child) + "]old", "none"}));
}

TEST_F(FFLoggerTest, LongMessagesAreCutToTheFormatBuffer) {
  const std::string longText(5000, 'x');
  LibraryLog(nullptr, AV_LOG_INFO, "%s\n", longText.c_str());
  EXPECT_TRUE(Logged().empty());  // the line break was cut off with the rest
  LibraryLog(nullptr, AV_LOG_INFO, "\n");
  ASSERT_EQ(Logged().size(), 1u);
  EXPECT_EQ(Logged()[0], std::string(TFFLogger::kFormatBufferSize - 1, 'x'));
}

TEST_F(FFLoggerTest, LibraryLinesAboveTheLevelAreDropped) {
  logger_->SetLogLevel(llWarning);
  EXPECT_EQ(av::av_log_get_level(), AV_LOG_WARNING);
  av::av_log(nullptr, AV_LOG_INFO, "dropped\n");
  av::av_log(nullptr, AV_LOG_VERBOSE, "dropped too\n");
  av::av_log(nullptr, AV_LOG_WARNING, "kept\n");
  av::av_log(nullptr, AV_LOG_ERROR, "kept %d\n", 2);
  ASSERT_EQ(Logged(), (Texts{"kept", "kept 2"}));
  EXPECT_EQ(Lines()[0].level, llWarning);
  EXPECT_EQ(Lines()[1].level, llError);
  logger_->SetLogLevel(llDebug);
  EXPECT_EQ(av::av_log_get_level(), AV_LOG_DEBUG);
  av::av_log(nullptr, AV_LOG_DEBUG, "debug now\n");
  EXPECT_EQ(Logged().back(), "debug now");
  EXPECT_EQ(Lines().back().level, llDebug);
}

TEST_F(FFLoggerTest, ComponentMessagesPassByLevel) {
  struct TCase {
    TLogLevel limit, level;
    bool delivered;
  };
  const TCase cases[] = {
      {llWarning, llInfo, false}, {llWarning, llVerbose, true}, {llWarning, llWarning, true},
      {llWarning, llError, true}, {llQuiet, llInfo, false},     {llQuiet, llVerbose, false},
      {llInfo, llDebug, false},   {llDebug, llDebug, true},     {llInfo, llInfo, true},
  };
  int sender = 0;
  for (const TCase& c : cases) {
    Lines().clear();
    logger_->SetLogLevel(c.limit);
    logger_->Log(&sender, c.level, "component");
    ASSERT_EQ(Lines().size(), c.delivered ? 1u : 0u) << "limit " << c.limit << " level " << c.level;
    if (c.delivered) {
      EXPECT_EQ(Lines()[0].sender, &sender);
      EXPECT_EQ(Lines()[0].level, c.level);
      EXPECT_EQ(Lines()[0].threadId, CurrentThreadId());
    }
  }
  Lines().clear();
  logger_->SetLogLevel(llInfo);
  logger_->LogFmt(&sender, llInfo, "Stream #%d.%d -> #%d.%d", 0, 1, 0, 0);
  ASSERT_EQ(Logged(), Texts{"Stream #0.1 -> #0.0"});
}

TEST(FFLoggerLevels, LibraryLevelsMapBothWays) {
  const std::pair<int, TLogLevel> cases[] = {
      {-100, llQuiet}, {-9, llQuiet},   {-8, llQuiet},   {0, llPanic}, {8, llFatal},
      {16, llError},   {24, llWarning}, {31, llWarning}, {32, llInfo}, {40, llVerbose},
      {48, llDebug},   {56, llDebug},   {99, llDebug}};
  for (const auto& [number, level] : cases) EXPECT_EQ(LibraryLevelToLogLevel(number), level) << number;
  for (int level = llQuiet; level <= llDebug; ++level) {
    EXPECT_EQ(LogLevelToLibraryLevel(TLogLevel(level)), (level - 1) * 8);
    EXPECT_EQ(LibraryLevelToLogLevel(LogLevelToLibraryLevel(TLogLevel(level))), level);
  }
}

TEST_F(FFLoggerTest, SetLogLevelByNameTakesWordsAndNumbers) {
  const std::pair<const char*, TLogLevel> cases[] = {
      {"Debug", llDebug},     {"40", llVerbose},  {"-100", llQuiet},      {"99", llDebug},
      {"WARNING", llWarning}, {"quiet", llQuiet}, {"panic", llPanic},     {"fatal", llFatal},
      {"error", llError},     {"info", llInfo},   {"verbose", llVerbose}, {"0", llPanic},
      {"24", llWarning},      {"+16", llError}};
  for (const auto& [name, level] : cases) {
    logger_->SetLogLevel(level == llDebug ? llInfo : llDebug);
    logger_->SetLogLevelByName(name);
    EXPECT_EQ(logger_->LogLevel(), level) << name;
    EXPECT_EQ(av::av_log_get_level(), LogLevelToLibraryLevel(level)) << name;
  }
  logger_->SetLogLevel(llError);
  for (const char* bad : {"", "abc", "12x", " 12", "99999999999", "1.5", "--1"}) {
    EXPECT_THROW(logger_->SetLogLevelByName(bad), std::invalid_argument) << bad;
    EXPECT_EQ(logger_->LogLevel(), llError) << bad;
  }
}

TEST_F(FFLoggerTest, HandlerRunsOnTheLoggingThreadWhenNotTriggeredInMainThread) {
  mediaconv::app::TQueueMainThread mainThread;
  logger_->SetMainThread(&mainThread);
  logger_->SetTriggerEventInMainThread(false);
  uint32_t workerId = 0;
  std::thread([&] {
    workerId = CurrentThreadId();
    logger_->Log(nullptr, llError, "from worker");
  }).join();
  ASSERT_EQ(Lines().size(), 1u);
  EXPECT_EQ(Lines()[0].threadId, workerId);
  logger_->SetMainThread(nullptr);
}

// A codec's own worker must not wait for a main thread that may be waiting
// for that worker inside the library; the engine's task threads do wait.
TEST_F(FFLoggerTest, OnlyEngineThreadsWaitForTheMainThreadToTakeLibraryLines) {
  mediaconv::app::TQueueMainThread mainThread;
  logger_->SetMainThread(&mainThread);
  std::thread([] { av::av_log(nullptr, AV_LOG_INFO, "from a codec thread\n"); }).join();
  EXPECT_TRUE(Logged().empty());
  mainThread.ServePending();
  EXPECT_EQ(Logged(), Texts{"from a codec thread"});

  std::atomic<bool> returned{false};
  std::thread engine([&] {
    TFFLogger::MarkEngineThread();
    av::av_log(nullptr, AV_LOG_INFO, "from an engine thread\n");
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(returned) << "an engine thread returned before its line was taken";
  while (!returned) mainThread.WaitAndServe(std::chrono::milliseconds(5));
  engine.join();
  EXPECT_EQ(Logged(), (Texts{"from a codec thread", "from an engine thread"}));
  logger_->SetMainThread(nullptr);
}

// Workers log library fragments and component messages at once; the main
// thread serves them and logs too, also from inside the handler while a
// worker waits. Every line arrives whole, on the main thread, in each
// thread's order.
TEST_F(FFLoggerTest, ThreadsLogToAMainThreadThatAlsoLogs) {
  constexpr int kWorkers = 4, kLines = 150;
  mediaconv::app::TQueueMainThread mainThread;
  logger_->SetMainThread(&mainThread);
  std::atomic<bool> offMainThread{false};
  std::atomic<int> echoes{0};
  logger_->OnLog = [&](const void*, uint32_t threadId, TLogLevel, const std::string& text) {
    if (!mainThread.IsMainThread()) offMainThread = true;
    {
      std::scoped_lock lock(mutex_);
      lines_.push_back({nullptr, threadId, llInfo, text});
    }
    if (text.ends_with(" 0") || text.ends_with("0 library")) {
      ++echoes;
      av::av_log(nullptr, AV_LOG_INFO, "echo %d\n", echoes.load());
    }
  };

  std::atomic<int> finished{0};
  std::vector<uint32_t> ids(kWorkers);
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&, w] {
      ids[w] = CurrentThreadId();
      for (int i = 0; i < kLines; ++i) {
        av::av_log(nullptr, AV_LOG_INFO, "worker %d ", w);
        av::av_log(nullptr, AV_LOG_INFO, "line %d library\n", i);
        av::av_log(nullptr, AV_LOG_INFO, "tick\n");
        av::av_log(nullptr, AV_LOG_INFO, "tick\n");
        logger_->LogFmt(nullptr, llInfo, "worker %d component %d", w, i);
      }
      ++finished;
    });
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (int i = 0; finished < kWorkers; ++i) {
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "deadlock: the workers did not finish";
      std::_Exit(1);
    }
    mainThread.WaitAndServe(std::chrono::milliseconds(1));
    if (i < 100) av::av_log(nullptr, AV_LOG_INFO, "main %d\n", i);
  }
  for (auto& worker : workers) worker.join();
  mainThread.ServePending();

  EXPECT_FALSE(offMainThread);
  std::map<uint32_t, std::vector<std::string>> byThread;
  for (const TLine& line : lines_) byThread[line.threadId].push_back(line.text);
  for (int w = 0; w < kWorkers; ++w) {
    const auto& texts = byThread[ids[w]];
    std::vector<std::string> expected;
    for (int i = 0; i < kLines; ++i) {
      if (i > 0) expected.push_back("    Last message repeated 1 times");
      expected.push_back("worker " + std::to_string(w) + " line " + std::to_string(i) + " library");
      expected.push_back("tick");
      expected.push_back("worker " + std::to_string(w) + " component " + std::to_string(i));
    }
    EXPECT_EQ(texts, expected) << "worker " << w;
  }
  const auto& own = byThread[CurrentThreadId()];
  EXPECT_GE(own.size(), std::size_t(echoes.load()));
  EXPECT_GT(echoes.load(), 0);
  logger_->SetMainThread(nullptr);
}

TEST(FFLoggerInstance, PlacedLoggerReplacesTheOnDemandOne) {
  TFFLogger& onDemand = TFFLogger::DefaultLogger();
  int onDemandLines = 0;
  onDemand.OnLog = [&](const void*, uint32_t, TLogLevel, const std::string&) { ++onDemandLines; };
  av::av_log(nullptr, AV_LOG_ERROR, "before placing\n");
  EXPECT_EQ(onDemandLines, 1);
  {
    TFFLogger placed;
    EXPECT_EQ(&TFFLogger::DefaultLogger(), &placed);
    EXPECT_TRUE(placed.TriggerEventInMainThread());
    std::vector<std::string> texts;
    placed.OnLog = [&](const void* sender, uint32_t, TLogLevel, const std::string& text) {
      EXPECT_EQ(sender, &placed);
      texts.push_back(text);
    };
    av::av_log(nullptr, AV_LOG_ERROR, "after placing\n");
    EXPECT_EQ(texts, std::vector<std::string>{"after placing"});
    EXPECT_EQ(onDemandLines, 1);
  }
  // The placed logger is gone: a new one comes on demand.
  TFFLogger& next = TFFLogger::DefaultLogger();
  EXPECT_FALSE(next.OnLog);
  av::av_log(nullptr, AV_LOG_ERROR, "after destroying\n");
  EXPECT_EQ(onDemandLines, 1);
}

TEST(FFLoggerInstance, PlacedLoggerStartsAtTheLibrariesLevel) {
  {
    TFFLogger first;
    first.SetLogLevel(llVerbose);
  }
  TFFLogger second;
  EXPECT_EQ(second.LogLevel(), llVerbose);
  second.SetLogLevel(llInfo);
}

TEST(FFLoggerInstanceDeathTest, SecondPlacedLoggerIsAProgrammingError) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TFFLogger placed;
  EXPECT_DEATH({ TFFLogger second; }, "Allow creating only one instance of TFFLogger\\.");
}

}  // namespace
