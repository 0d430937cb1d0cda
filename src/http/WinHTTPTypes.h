#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "http/EnumSet.h"

namespace mediaconv::http {

enum TWinHTTPRequestMethod { rmAutoDetect, rmGET, rmPOST };

enum TCacheOption {
  coAlwaysReload,
  coReloadIfNoExpireInformation,
  coReloadUpdatedObjects,
  coPragmaNoCache,
  coNoCacheWrite,
  coCreateTempFilesIfCantCache,
  coUseCacheIfNetFail
};
using TCacheOptions = TEnumSet<TCacheOption>;

enum TInternetOption {
  ioIgnoreCertificateInvalid,
  ioIgnoreCertificateDateInvalid,
  ioIgnoreUnknownCertificateAuthority,
  ioIgnoreRedirectToHTTP,
  ioIgnoreRedirectToHTTPS,
  ioKeepConnection,
  ioNoAuthentication,
  ioNoAutoRedirect,
  ioNoCookies
};
using TInternetOptions = TEnumSet<TInternetOption>;

enum TWinHTTPFileAttribute { atrArchive, atrHidden, atrReadOnly, atrSystem, atrTemporary, atrOffline };
using TWinHTTPFileAttributes = TEnumSet<TWinHTTPFileAttribute>;

struct TWinHTTPOutputFileAttributes {
  TWinHTTPFileAttributes Complete{atrArchive};
  TWinHTTPFileAttributes Incomplete{atrArchive, atrTemporary};
};

enum TWinHTTPAccessType { atPreconfig, atDirect, atUseProxy };

struct TWinHTTPProxy {
  TWinHTTPAccessType AccessType = atPreconfig;
  uint32_t ProxyPort = 8080;
  std::string ProxyServer;
  std::string ProxyBypass = "127.0.0.1;";
  std::string ProxyUsername;
  std::string ProxyPassword;

  // Assigning from nothing restores the defaults.
  void Assign(const TWinHTTPProxy* source) { *this = source ? *source : TWinHTTPProxy{}; }
};

struct TWinHTTPRange {
  uint32_t StartRange = 0;
  uint32_t EndRange = 0;
};

// Milliseconds; 0 keeps the library's default.
struct TWinHTTPTimeouts {
  uint32_t ConnectTimeout = 0;
  uint32_t ReceiveTimeout = 0;
  uint32_t SendTimeout = 0;
};

using TBufferSize = int;

// Why the last run failed, beside its terminal events: a caller must tell a
// failure of its own side (stop trying) from an unavailable answer (try the
// next one).
enum TTransferFailure {
  tfNone,
  tfHostUnreachable,   // no response at all
  tfHTTPStatus,        // an answer other than 200 and 206
  tfConnLost,          // the body ended early or its read failed
  tfStalled,           // slower than the low-speed limit for its time
  tfTimedOut,          // the whole run took longer than its limit
  tfTooLarge,          // a body held in memory passed its cap
  tfLocalWrite,        // the output file could not be created or written
  tfSchemeRefused,     // a link or a redirect to anything but http(s)
  tfTooManyRedirects,
  tfAborted
};

// Limits of a run beside the time-outs.
struct TWinHTTPLimits {
  // A body kept in memory (a page, an error body) larger than this fails
  // the run; 0 means no cap.
  uint64_t MaxMemoryBody = 16u << 20;
  // Fewer than LowSpeedLimit bytes a second for LowSpeedTime seconds fail
  // the run as stalled; a time of 0 turns the check off.
  uint32_t LowSpeedLimit = 1024;
  uint32_t LowSpeedTime = 60;
  // Milliseconds for the whole run; 0 means none.
  uint32_t TotalTimeout = 0;
};

// The text of a status code of the status event.
const char* StatusText(int code);

}  // namespace mediaconv::http
