#include "engine/log/FFLogger.h"

#include <sys/types.h>
#include <unistd.h>

#include <strings.h>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "app/MainThread.h"
#include "engine/loader/Av.h"

namespace mediaconv::engine {
namespace {

// The libraries' level as last applied; library messages above it are
// dropped at the cost of one comparison.
std::atomic<int> gMirrorLevel{AV_LOG_INFO};

struct TLoggerRegistry {
  std::mutex mutex;
  TFFLogger* instance = nullptr;
  std::unique_ptr<TFFLogger> onDemand;
  // On-demand loggers that a placed logger replaced: kept alive, since code
  // may still hold the reference DefaultLogger gave it.
  std::vector<std::unique_ptr<TFFLogger>> retired;
};

// Never destroyed: the libraries' threads may log while the process exits.
TLoggerRegistry& Registry() {
  static TLoggerRegistry& registry = *new TLoggerRegistry;
  return registry;
}

// Per-thread line assembly and repeat folding of library lines. The state is
// the thread's own, so no lock is needed, and a thread that ends takes its
// unfinished line with it instead of leaving it to the next thread that gets
// the same id. Repeats are folded per thread and only for whole lines:
// comparing fragments across threads would drop one thread's line as a
// "repeat" of another's and glue its pending fragment to its next line.
struct TLogItem {
  std::string pending;   // text since the thread's last complete line
  std::string lastLine;  // the last message that was a whole line by itself
  int repeatCount = 0;
};

thread_local TLogItem tLogItem;
// Threads of the engine's own (task workers) wait for the main thread to take
// their library lines; any other thread hands them over without waiting.
thread_local bool tEngineThread = false;

[[noreturn]] void ProgrammingError(const char* text) {
  std::fprintf(stderr, "%s\n", text);
  std::abort();
}

std::string Address(const void* pointer) {
  char text[2 * sizeof(void*) + 1];
  std::snprintf(text, sizeof text, "%0*" PRIXPTR, int(2 * sizeof(void*)),
                reinterpret_cast<uintptr_t>(pointer));
  return text;
}

std::string ItemName(void* context, const AVClass* avClass) {
  const char* name = avClass->item_name ? avClass->item_name(context) : avClass->class_name;
  return name ? name : "NULL";
}

// "[parent @ address] [name @ address]" for a library context object.
std::string ContextPrefix(void* context) {
  if (!context) return {};
  const AVClass* avClass = *static_cast<const AVClass**>(context);
  if (!avClass) return {};
  std::string prefix;
  if (avClass->version >= AV_VERSION_INT(50, 15, 3) && avClass->parent_log_context_offset) {
    void* parent =
        *reinterpret_cast<void**>(static_cast<uint8_t*>(context) + avClass->parent_log_context_offset);
    const AVClass* parentClass = parent ? *static_cast<const AVClass**>(parent) : nullptr;
    if (parentClass) prefix = "[" + ItemName(parent, parentClass) + " @ " + Address(parent) + "] ";
  }
  return prefix + "[" + ItemName(context, avClass) + " @ " + Address(context) + "]";
}

std::string RepeatNotice(int count) {
  char text[64];
  std::snprintf(text, sizeof text, TFFLogger::kRepeatNotice, count);
  return text;
}

}  // namespace

TLogLevel LibraryLevelToLogLevel(int level) {
  const int n = level / 8 + 1;
  if (n < 0) return llQuiet;
  if (n >= 7) return llDebug;
  return TLogLevel(n);
}

int LogLevelToLibraryLevel(TLogLevel level) { return (int(level) - 1) * 8; }

uint32_t CurrentThreadId() { return uint32_t(::gettid()); }

TFFLogger::TFFLogger(TOnDemand) : logLevel_(LibraryLevelToLogLevel(gMirrorLevel.load())), onDemand_(true) {}

TFFLogger::TFFLogger() : logLevel_(LibraryLevelToLogLevel(gMirrorLevel.load())) {
  TLoggerRegistry& registry = Registry();
  std::scoped_lock lock(registry.mutex);
  if (registry.instance && !registry.instance->onDemand_)
    ProgrammingError("Allow creating only one instance of TFFLogger.");
  if (registry.onDemand) registry.retired.push_back(std::move(registry.onDemand));
  registry.instance = this;
}

TFFLogger::~TFFLogger() {
  if (onDemand_) return;  // owned by the registry, which no longer points at it
  TLoggerRegistry& registry = Registry();
  std::scoped_lock lock(registry.mutex);
  if (registry.instance == this) registry.instance = nullptr;
}

TFFLogger& TFFLogger::DefaultLogger() {
  TLoggerRegistry& registry = Registry();
  std::scoped_lock lock(registry.mutex);
  if (!registry.instance) {
    registry.onDemand.reset(new TFFLogger(TOnDemand{}));
    registry.instance = registry.onDemand.get();
  }
  return *registry.instance;
}

void TFFLogger::SetLogLevel(TLogLevel level) {
  if (logLevel_.exchange(level) != level) ApplyLogLevel();
}

void TFFLogger::ApplyLogLevel() {
  if (!av::av_log_set_level) return;
  const int level = LogLevelToLibraryLevel(LogLevel());
  gMirrorLevel.store(level);
  av::av_log_set_level(level);
}

void TFFLogger::SetLogLevelByName(const std::string& name) {
  static constexpr struct {
    const char* name;
    int level;
  } kNames[] = {{"quiet", AV_LOG_QUIET},     {"panic", AV_LOG_PANIC},     {"fatal", AV_LOG_FATAL},
                {"error", AV_LOG_ERROR},     {"warning", AV_LOG_WARNING}, {"info", AV_LOG_INFO},
                {"verbose", AV_LOG_VERBOSE}, {"debug", AV_LOG_DEBUG}};
  for (const auto& entry : kNames) {
    if (::strcasecmp(name.c_str(), entry.name) == 0) {
      SetLogLevel(LibraryLevelToLogLevel(entry.level));
      return;
    }
  }
  const char* first = name.data();
  const char* last = first + name.size();
  if (first != last && *first == '+') ++first;
  int level = 0;
  const auto [end, error] = std::from_chars(first, last, level);
  if (first == last || error != std::errc() || end != last)
    throw std::invalid_argument("'" + name + "' is not a valid integer value");
  SetLogLevel(LibraryLevelToLogLevel(level));
}

void TFFLogger::Log(const void* sender, TLogLevel level, const std::string& text) {
  if (!OnLog) return;
  const TLogLevel limit = LogLevel();
  // The transcoder's console-style lines are llVerbose; they show at any level but quiet.
  if (level > limit && !(level == llVerbose && limit != llQuiet)) return;
  Deliver(sender, CurrentThreadId(), level, text);
}

void TFFLogger::LogFmt(const void* sender, TLogLevel level, const char* format, ...) {
  if (!OnLog) return;
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text;
  if (length > 0) {
    text.resize(std::size_t(length));
    std::vsnprintf(text.data(), text.size() + 1, format, args);
  }
  va_end(args);
  Log(sender, level, text);
}

void TFFLogger::MarkEngineThread() { tEngineThread = true; }

void TFFLogger::Deliver(const void* sender, uint32_t threadId, TLogLevel level, const std::string& text,
                        bool wait) {
  app::TMainThread* mainThread = mainThread_.load();
  if (TriggerEventInMainThread() && mainThread && !mainThread->IsMainThread()) {
    if (!wait) {
      mainThread->Post([this, sender, threadId, level, text] {
        if (OnLog) OnLog(sender, threadId, level, text);
      });
      return;
    }
    mainThread->InvokeAndWait([&] {
      if (OnLog) OnLog(sender, threadId, level, text);
    });
  } else {
    OnLog(sender, threadId, level, text);
  }
}

void TFFLogger::HookLibraryLog() {
  if (!av::av_log_set_callback || !av::av_log_set_level) return;
  av::av_log_set_callback(&TFFLogger::LibraryLogCallback);
  DefaultLogger().ApplyLogLevel();
}

void TFFLogger::LibraryLogCallback(void* context, int level, const char* format, va_list args) {
  if (level >= 0) level &= 0xff;  // the bits above are colour hints of the command-line tools
  if (level > gMirrorLevel.load(std::memory_order_relaxed)) return;

  // Bounded: a longer message is cut, never written past the buffer.
  char buffer[kFormatBufferSize] = {};
  std::vsnprintf(buffer, sizeof buffer, format, args);
  const std::string prefix = ContextPrefix(context);
  const uint32_t threadId = CurrentThreadId();

  // Lines are cut first and delivered after: delivery may wait for the main
  // thread, and the handler may log again on this thread.
  std::vector<std::string> lines;
  TLogItem& item = tLogItem;
  const bool startsLine = item.pending.empty();
  std::string fragment = startsLine ? prefix + buffer : std::string(buffer);
  const bool wholeLine = startsLine && !fragment.empty() && fragment.back() == '\n';
  if (wholeLine && fragment == item.lastLine) {
    ++item.repeatCount;
    return;
  }
  if (item.repeatCount > 0) {
    lines.push_back(RepeatNotice(item.repeatCount));
    item.repeatCount = 0;
  }
  item.lastLine = wholeLine ? fragment : std::string();
  item.pending += fragment;
  for (std::size_t end; (end = item.pending.find('\n')) != std::string::npos;) {
    lines.push_back(item.pending.substr(0, end));
    item.pending.erase(0, end + 1);
  }
  if (lines.empty()) return;

  TFFLogger& logger = DefaultLogger();
  if (!logger.OnLog) return;
  const TLogLevel logLevel = LibraryLevelToLogLevel(level);
  for (const std::string& line : lines) {
    try {
      // A library's own worker (a codec thread) must not wait: the main
      // thread may itself be waiting inside the library for that worker.
      logger.Deliver(&logger, threadId, logLevel, line, tEngineThread);
    } catch (...) {
      // Nothing may unwind into the library's C frames.
    }
  }
}

}  // namespace mediaconv::engine
