#include "http/HttpUrl.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace mediaconv::http {

namespace {

// The limits of the parts, in characters.
constexpr size_t kMaxScheme = 32;
constexpr size_t kMaxHost = 256;
constexpr size_t kMaxCredential = 128;
constexpr size_t kMaxPath = 2048;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = char(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Escape(const std::string& text, std::string_view special) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte >= 128 || special.find(c) != std::string_view::npos) {
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 15];
    } else {
      escaped += c;
    }
  }
  return escaped;
}

int DefaultPort(std::string scheme) {
  std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  if (scheme == "http") return 80;
  if (scheme == "https") return 443;
  return 0;
}

bool SplitHostPort(std::string_view hostPort, std::string& host, int& port) {
  std::string_view portText;
  if (!hostPort.empty() && hostPort.front() == '[') {
    const size_t close = hostPort.find(']');
    if (close == std::string_view::npos) return false;
    host = std::string(hostPort.substr(1, close - 1));
    const std::string_view after = hostPort.substr(close + 1);
    if (!after.empty() && after.front() != ':') return false;
    if (!after.empty()) portText = after.substr(1);
  } else {
    const size_t colon = hostPort.rfind(':');
    host = std::string(hostPort.substr(0, colon));
    if (colon != std::string_view::npos) portText = hostPort.substr(colon + 1);
  }
  if (portText.empty()) return true;
  int value = 0;
  const auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), value);
  if (error != std::errc() || end != portText.data() + portText.size() || value <= 0 || value > 65535)
    return false;
  port = value;
  return true;
}

bool Split(const std::string& url, TUrlParts& parts) {
  const size_t schemeEnd = url.find("://");
  if (schemeEnd == std::string::npos || schemeEnd == 0) return false;
  parts.Scheme = url.substr(0, schemeEnd);
  parts.Port = DefaultPort(parts.Scheme);
  const std::string_view rest = std::string_view(url).substr(schemeEnd + 3);
  const size_t authorityEnd = std::min(rest.find_first_of("/?#"), rest.size());
  std::string_view authority = rest.substr(0, authorityEnd);
  const size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    const std::string_view userInfo = authority.substr(0, at);
    const size_t colon = userInfo.find(':');
    parts.UserName = PercentDecode(std::string(userInfo.substr(0, colon)));
    if (colon != std::string_view::npos)
      parts.Password = PercentDecode(std::string(userInfo.substr(colon + 1)));
    authority = authority.substr(at + 1);
  }
  if (!SplitHostPort(authority, parts.HostName, parts.Port)) return false;
  parts.HostName = PercentDecode(parts.HostName);
  const std::string_view tail = rest.substr(authorityEnd);
  const size_t extraStart = std::min(tail.find_first_of("?#"), tail.size());
  parts.UrlPath = PercentDecode(std::string(tail.substr(0, extraStart)));
  parts.ExtraInfo = PercentDecode(std::string(tail.substr(extraStart)));
  return parts.Scheme.size() <= kMaxScheme && parts.HostName.size() <= kMaxHost &&
         parts.UserName.size() <= kMaxCredential && parts.Password.size() <= kMaxCredential &&
         parts.UrlPath.size() <= kMaxPath && parts.ExtraInfo.size() <= kMaxPath;
}

}  // namespace

std::string PercentDecode(const std::string& text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      decoded += char(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

bool CrackUrl(const std::string& url, TUrlParts& parts) {
  TUrlParts split;
  if (!Split(url, split)) {
    parts = TUrlParts{};
    return false;
  }
  parts = std::move(split);
  return true;
}

std::string WithScheme(const std::string& url) {
  return url.find("://") == std::string::npos ? "http://" + url : url;
}

std::string EscapeExtraInfo(const std::string& extra) { return Escape(extra, " #%*+<>"); }

std::string EscapeUrlPath(const std::string& path) { return Escape(path, " #%?<>\""); }

}  // namespace mediaconv::http
