#pragma once
#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <string>

namespace mediaconv::app {
class TMainThread;
}

namespace mediaconv::engine {

enum TLogLevel { llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug };

// sender: the object that logged (the logger itself for library lines);
// threadId: the kernel id of the thread that logged; message: one line
// without its line break.
using TLogEvent =
    std::function<void(const void* sender, uint32_t threadId, TLogLevel level, const std::string& message)>;

// The library's numeric levels (AV_LOG_*) and ours: n = level / 8 + 1.
TLogLevel LibraryLevelToLogLevel(int level);
int LogLevelToLibraryLevel(TLogLevel level);

// The one place where log text of the engine arrives: lines the media
// libraries print and messages of the engine's components. A front end places
// one logger (constructs it, usually as a member of its main object) before
// work starts; code that logs earlier gets one created on demand, which the
// placed logger then replaces. Constructing a second logger while a placed one
// exists is a programming error and aborts.
//
// OnLog, TriggerEventInMainThread and the main thread are set up before
// logging starts; the level may change at any time. Component messages and
// the library lines of engine threads (MarkEngineThread) are delivered to the
// main thread synchronously; library lines of other threads, such as a
// codec's own workers that the main thread may be waiting for inside the
// library, are queued for it without waiting, in order.
class TFFLogger {
 public:
  TFFLogger();
  ~TFFLogger();
  TFFLogger(const TFFLogger&) = delete;
  TFFLogger& operator=(const TFFLogger&) = delete;

  // The one logger; creates one on demand when none has been placed.
  static TFFLogger& DefaultLogger();

  // Component messages: delivered when OnLog is set and the level passes (at
  // or below LogLevel; llVerbose passes whenever LogLevel is not llQuiet).
  void Log(const void* sender, TLogLevel level, const std::string& text);
  void LogFmt(const void* sender, TLogLevel level, const char* format, ...)
      __attribute__((format(printf, 4, 5)));

  TLogLevel LogLevel() const { return logLevel_.load(std::memory_order_relaxed); }
  // Applies the level to the libraries when it changes.
  void SetLogLevel(TLogLevel level);
  // Sets the libraries' level (and the filter mirror) from LogLevel; does
  // nothing before the libraries are bound.
  void ApplyLogLevel();
  // "quiet" ... "debug" (any case) or a decimal library level such as "40";
  // throws std::invalid_argument for text that is no number.
  void SetLogLevelByName(const std::string& name);

  // When true (the default) and a main thread is set, OnLog runs on the main
  // thread and the logging thread waits for it; otherwise it runs at once on
  // the logging thread.
  bool TriggerEventInMainThread() const { return triggerEventInMainThread_.load(std::memory_order_relaxed); }
  void SetTriggerEventInMainThread(bool value) {
    triggerEventInMainThread_.store(value, std::memory_order_relaxed);
  }
  void SetMainThread(app::TMainThread* mainThread) { mainThread_.store(mainThread); }
  app::TMainThread* MainThread() const { return mainThread_.load(); }

  TLogEvent OnLog;

  // Routes the libraries' log output to the default logger and applies its
  // level; needs avutil bound (the loader calls it once avutil is).
  static void HookLibraryLog();
  // Called by a thread the engine runs work on: its library lines wait for
  // the main thread like its component messages do.
  static void MarkEngineThread();
  // The av_log callback: assembles each thread's fragments into lines (in
  // the thread's own state, so it takes no lock), folds a thread's repeated
  // whole lines and prefixes lines logged for a context object. Lines are
  // delivered after assembly, so a worker waiting for the main thread holds
  // nothing the main thread's own logging needs.
  static void LibraryLogCallback(void* context, int level, const char* format, va_list args);

  // The notice that replaces a run of repeated library lines.
  static constexpr const char* kRepeatNotice = "    Last message repeated %d times";
  // Size of the buffer one library message is formatted into.
  static constexpr std::size_t kFormatBufferSize = 2048;

 private:
  struct TOnDemand {};
  explicit TFFLogger(TOnDemand);

  void Deliver(const void* sender, uint32_t threadId, TLogLevel level, const std::string& text,
               bool wait = true);

  std::atomic<TLogLevel> logLevel_;
  std::atomic<bool> triggerEventInMainThread_{true};
  std::atomic<app::TMainThread*> mainThread_{nullptr};
  bool onDemand_ = false;
};

// The kernel id of the calling thread, as OnLog reports it.
uint32_t CurrentThreadId();

}  // namespace mediaconv::engine
