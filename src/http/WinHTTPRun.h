#pragma once
// One run of the transfer component: a copy of the properties taken at its
// start and the run state. The worker owns it while it works; the main
// thread reads it in the handlers (while the worker waits) and after the
// worker let go.
#include <atomic>
#include <chrono>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "http/CurlHandles.h"
#include "http/CustomWinHTTP.h"
#include "http/HttpUrl.h"

namespace mediaconv::http {

// Raised on the worker at an abort check that finds a stop requested.
struct TRunAborted {};

class TWinHTTPRun {
 public:
  TWinHTTPRun(TCustomWinHTTP& owner, const TWinHTTPProperties& settings, const TWinHTTPEvents& events);

  // The work, on the worker; raises TRunAborted when a stop was requested.
  void Work(TEventWinThread& thread);
  // Any thread: makes a blocked network call return (its sockets are shut down).
  void Interrupt();
  // Closes the network handles.
  void CloseHandles();

  TWinHTTPProperties settings;
  // Set when the run started: which main-thread events are bound.
  bool hasProgress = false;
  bool hasHeaderInfo = false;
  bool hasPasswordRequest = false;
  bool hasProxyAuthentication = false;
  // The worker-side events, copied because they run off the main thread.
  TWinHTTPBeforeSendRequestEvent onBeforeSendRequest;
  TWinHTTPRedirectedEvent onRedirected;
  TWinHTTPStatusEvent onStatus;

  int status = -1;
  uint64_t dataSize = 0;
  uint64_t bytesRead = 0;
  std::string contentType;
  std::chrono::steady_clock::time_point startTick;
  int64_t elapsedTime = 0;
  int64_t estimatedTimeLeft = 0;
  uint8_t percentsDone = 0;
  float transferRate = -1;

  std::unique_ptr<TStream> stream;
  TWinHTTPFileStream* file = nullptr;  // the stream when it is the output file
  std::string outputFileName;          // of the opened output file
  bool fileOpened = false;
  bool noStream = false;  // the output file could not be created
  bool continueDownload = true;
  bool tryAgain = false;
  bool readFailed = false;
  bool aborted = false;  // the abort was performed; no end-of-run report
  std::atomic<bool> deleteOnAbort{false};
  std::string lastError;
  TTransferFailure failure = tfNone;

  bool Succeeded() const;
  void ComputeStatistics();

 private:
  struct THeader {
    std::string name;
    std::string value;
  };

  void CheckAbort();
  void Status(int code);
  bool LocalFile(const TUrlParts& parts);
  bool SetUpRequest(const TUrlParts& parts);
  void AddRequestHeaders();
  void Send();
  bool StoreBlocks(const char* data, size_t size);
  bool StoreBlock(const char* data, size_t size);
  bool FlushBlock();
  // After the headers of the final response: the steps up to the body.
  // False stops the transfer.
  bool HeadersDone();
  bool AskCredentials();
  void ChooseOutput();
  std::string Header(const std::string& name) const;
  bool FollowsRedirect(std::string& newUrl);
  bool CheckStall(curl_off_t downloaded, curl_off_t uploaded);

  static size_t OnHeaderLine(char* data, size_t size, size_t count, void* context);
  static size_t OnBody(char* data, size_t size, size_t count, void* context);
  static int OnTransferInfo(void* context, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal,
                            curl_off_t ulNow);
  static curl_socket_t OnOpenSocket(void* context, curlsocktype purpose, curl_sockaddr* address);
  static int OnCloseSocket(void* context, curl_socket_t socket);
  static int OnPrerequest(void* context, char* primaryIp, char* localIp, int primaryPort, int localPort);
  size_t HeaderLine(const char* data, size_t size);
  size_t Body(const char* data, size_t size);

  TCustomWinHTTP& owner_;
  TEventWinThread* thread_ = nullptr;
  TCurlEasy curl_;
  TCurlSlist headers_;
  std::vector<char> errorBuffer_;
  std::exception_ptr callbackError_;
  bool stopSeen_ = false;  // a callback saw the stop request
  size_t blockSize_ = 4096;
  std::vector<char> block_;  // the part of a block received so far

  std::string currentUrl_;
  std::vector<THeader> responseHeaders_;
  std::string rawHeaders_;
  int responseCode_ = -1;
  bool headersProcessed_ = false;
  bool responseStarted_ = false;
  int redirects_ = 0;

  std::chrono::steady_clock::time_point lastActivity_;
  curl_off_t lastDownloaded_ = 0;
  curl_off_t lastUploaded_ = 0;
  bool timedOut_ = false;

  std::mutex socketMutex_;
  std::vector<curl_socket_t> sockets_;
  bool interrupted_ = false;
};

}  // namespace mediaconv::http
