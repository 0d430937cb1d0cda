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

// The text of a status code of the status event.
const char* StatusText(int code);

}  // namespace mediaconv::http
