#pragma once
// A transfer component served by a queue main thread, with every event
// recorded by name in the order it came, and a loopback server to talk to.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/QueueMainThread.h"
#include "http/WinHTTP.h"
#include "support/HttpTestServer.h"

namespace mediaconv::test {

using namespace std::chrono_literals;

// The events that end a run.
inline bool IsTerminal(const std::string& event) {
  return event == "OnDone" || event == "OnAnyError" || event == "OnAborted" || event == "OnDoneInterrupted" ||
         event == "OnOutputFileError";
}

struct TProgressRecord {
  uint64_t dataSize;
  uint64_t bytesRead;
  int percents;
  uint64_t streamSize;
};

class TEventLog {
 public:
  void Bind(http::TWinHTTP& http, app::TQueueMainThread& main) {
    main_ = &main;
    http.OnAborted = [this](http::TCustomWinHTTP&) { Add("OnAborted"); };
    http.OnAnyError = [this](http::TCustomWinHTTP&) { Add("OnAnyError"); };
    http.OnConnLost = [this](http::TCustomWinHTTP&, const std::string&, uint64_t fileSize, uint64_t bytesRead,
                             http::TStream* stream) {
      Add("OnConnLost");
      expected = fileSize;
      received = bytesRead;
      body = stream ? stream->ToString() : "";
    };
    http.OnDone = [this](http::TCustomWinHTTP&, const std::string& contentType, uint64_t fileSize,
                         http::TStream* stream) {
      Add("OnDone");
      this->contentType = contentType;
      received = fileSize;
      hadStream = stream != nullptr;
      if (stream) {
        streamPosition = stream->Position();
        body = stream->ToString();
      }
    };
    http.OnDoneInterrupted = [this](http::TCustomWinHTTP&) { Add("OnDoneInterrupted"); };
    http.OnHostUnreachable = [this](http::TCustomWinHTTP&) { Add("OnHostUnreachable"); };
    http.OnHTTPError = [this](http::TCustomWinHTTP&, int code, http::TStream* stream) {
      Add("OnHTTPError");
      errorCode = code;
      body = stream ? stream->ToString() : "";
    };
    http.OnOutputFileError = [this](http::TCustomWinHTTP&) { Add("OnOutputFileError"); };
    http.OnProgress = [this](http::TCustomWinHTTP&, const std::string&, uint64_t dataSize, uint64_t bytesRead,
                             int64_t, int64_t, uint8_t percents, float, http::TStream* stream) {
      CheckMainThread();
      progress.push_back({dataSize, bytesRead, percents, stream ? stream->Size() : 0});
    };
  }

  void Add(const std::string& name) {
    CheckMainThread();
    events.push_back(name);
  }
  void CheckMainThread() {
    if (!main_->IsMainThread()) offMainThread = true;
  }
  void Clear() { *this = TEventLog{main_}; }

  explicit TEventLog(app::TQueueMainThread* main = nullptr) : main_(main) {}

  std::vector<std::string> events;
  std::vector<TProgressRecord> progress;
  std::string body;
  std::string contentType;
  uint64_t expected = 0;
  uint64_t received = 0;
  uint64_t streamPosition = 0;
  int errorCode = 0;
  bool hadStream = false;
  bool offMainThread = false;

 private:
  app::TQueueMainThread* main_;
};

class THttpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    http_.SetMainThread(&main_);
    http_.Proxy.AccessType = http::atDirect;
    log_.Bind(http_, main_);
  }

  // Serves the main thread until the component is idle and the log ends
  // with a terminal sequence, or timeout; then a little longer so that a
  // stray event would still show.
  bool RunToEnd(std::chrono::milliseconds timeout = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
      main_.WaitAndServe(5ms);
      if (!http_.InProgress() && !log_.events.empty() && IsTerminal(log_.events.back())) {
        Settle();
        return true;
      }
    }
    return false;
  }
  void Settle(std::chrono::milliseconds time = 30ms) {
    const auto until = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < until) main_.WaitAndServe(2ms);
  }
  // Serves the main thread until pred holds or timeout.
  bool ServeUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      main_.WaitAndServe(2ms);
    }
    return true;
  }

  using TEvents = std::vector<std::string>;

  app::TQueueMainThread main_;
  THttpTestServer server_;
  http::TWinHTTP http_;
  TEventLog log_{&main_};
};

}  // namespace mediaconv::test
