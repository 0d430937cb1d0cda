#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "http/HttpDate.h"
#include "http/Streams.h"

typedef void CURL;

namespace mediaconv::http {

class TCustomWinHTTP;

using TNotifyEvent = std::function<void(TCustomWinHTTP& Sender)>;
using TWinHTTPProgressEvent =
    std::function<void(TCustomWinHTTP& Sender, const std::string& ContentType, uint64_t DataSize,
                       uint64_t BytesRead, int64_t ElapsedTime, int64_t EstimatedTimeLeft,
                       uint8_t PercentsDone, float TransferRate, TStream* Stream)>;
// Stream is null for a file download (the file is closed by then).
using TWinHTTPDoneEvent = std::function<void(TCustomWinHTTP& Sender, const std::string& ContentType,
                                             uint64_t FileSize, TStream* Stream)>;
using TWinHTTPConnLostEvent = std::function<void(TCustomWinHTTP& Sender, const std::string& ContentType,
                                                 uint64_t FileSize, uint64_t BytesRead, TStream* Stream)>;
using TWinHTTPErrorEvent = std::function<void(TCustomWinHTTP& Sender, int ErrorCode, TStream* Stream)>;

struct TWinHTTPHeaderInfo {
  int ErrorCode = -1;
  std::string RawHeadersCRLF;
  std::string ContentType;
  std::string ContentLanguage;
  std::string ContentEncoding;
  uint64_t ContentLength = 0;
  std::string Location;
  TDateTime Date = 0;
  TDateTime LastModified = 0;
  TDateTime Expires = 0;
  std::string ETag;
};
// Clearing ContinueDownload ends the run without the body (OnDoneInterrupted).
using TWinHTTPHeaderInfoEvent =
    std::function<void(TCustomWinHTTP& Sender, const TWinHTTPHeaderInfo& Info, bool& ContinueDownload)>;

// On the worker: hRequest is the transfer's curl handle, about to be performed.
using TWinHTTPBeforeSendRequestEvent = std::function<void(TCustomWinHTTP& Sender, CURL* hRequest)>;
// On the worker.
using TWinHTTPRedirectedEvent = std::function<void(TCustomWinHTTP& Sender, const std::string& NewURL)>;
using TWinHTTPStatusEvent = std::function<void(TCustomWinHTTP& Sender, int Code, const std::string& Text)>;

using TWinHTTPPasswordRequestEvent =
    std::function<void(TCustomWinHTTP& Sender, const std::string& Realm, bool& TryAgain)>;
using TWinHTTPProxyAuthenticationRequestEvent = std::function<void(
    TCustomWinHTTP& Sender, std::string& ProxyUsername, std::string& ProxyPassword, bool& TryAgain)>;

}  // namespace mediaconv::http
