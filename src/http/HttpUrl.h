#pragma once
#include <string>

namespace mediaconv::http {

// The parts of a URL with their percent-escapes decoded.
struct TUrlParts {
  std::string Scheme;
  std::string HostName;
  int Port = 0;
  std::string UserName;
  std::string Password;
  std::string UrlPath;
  std::string ExtraInfo;  // the query with its "?" (and any "#..."); empty when none
};

// Splits url; false (parts left empty) when it has no "://", a part is
// longer than its limit, or the port is no number.
bool CrackUrl(const std::string& url, TUrlParts& parts);

// "http://" in front of a URL that names no scheme.
std::string WithScheme(const std::string& url);

// The query escaped again before it is sent: blank, "#", "%", "*", "+", "<",
// ">", control bytes and bytes of 128 and above.
std::string EscapeExtraInfo(const std::string& extra);
// The decoded path made fit for a request line again.
std::string EscapeUrlPath(const std::string& path);

std::string PercentDecode(const std::string& text);

}  // namespace mediaconv::http
