#include "http/WinHTTPRun.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "http/FileAttributes.h"

namespace mediaconv::http {

namespace {

// A body announced larger than this is not reserved in advance: a lying
// length must not claim the memory, the stream grows as the bytes come.
constexpr uint64_t kMaxPresize = uint64_t(1) << 30;
constexpr long kMaxRedirects = 20;
constexpr size_t kReadSize = 64 * 1024;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string TrimLine(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  return std::string(text);
}

bool IsOk(int status) { return status == 200 || status == 206; }

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string SchemeOf(const std::string& url) { return Lower(url.substr(0, url.find("://"))); }

uint64_t ParseLength(const std::string& text) {
  uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + uint64_t(c - '0');
  }
  return value;
}

}  // namespace

void EnsureCurlGlobal() {
  static const bool done = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  (void)done;
}

TWinHTTPRun::TWinHTTPRun(TCustomWinHTTP& owner, const TWinHTTPProperties& properties,
                         const TWinHTTPEvents& events)
    : settings(properties), owner_(owner) {
  hasProgress = bool(events.OnProgress);
  hasHeaderInfo = bool(events.OnHeaderInfo);
  hasPasswordRequest = bool(events.OnPasswordRequest);
  hasProxyAuthentication = bool(events.OnProxyAuthenticationRequest);
  onBeforeSendRequest = events.OnBeforeSendRequest;
  onRedirected = events.OnRedirected;
  onStatus = events.OnStatus;
}

bool TWinHTTPRun::Succeeded() const {
  if (!IsOk(status) || readFailed) return false;
  return dataSize == 0 || !stream || bytesRead == dataSize;
}

void TWinHTTPRun::ComputeStatistics() {
  const auto elapsedMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - startTick)
          .count();
  elapsedTime = elapsedMs / 1000;
  percentsDone = 0;
  estimatedTimeLeft = 0;
  if (dataSize != 0) {
    const double percents = std::nearbyint(double(bytesRead) * 100.0 / double(dataSize));
    percentsDone = uint8_t(std::clamp(percents, 0.0, 100.0));
    if (bytesRead != 0)
      estimatedTimeLeft = std::max<int64_t>(
          0,
          int64_t(std::nearbyint(double(dataSize) / double(bytesRead) * double(elapsedTime))) - elapsedTime);
  }
  transferRate = float(double(bytesRead) / 1024.0);
  if (elapsedTime != 0) transferRate /= float(elapsedTime);
}

void TWinHTTPRun::CheckAbort() {
  if (thread_->Terminated()) throw TRunAborted{};
  thread_->CheckSuspended();
}

void TWinHTTPRun::Status(int code) {
  if (onStatus) onStatus(owner_, code, StatusText(code));
}

void TWinHTTPRun::Interrupt() {
  std::scoped_lock lock(socketMutex_);
  interrupted_ = true;
  for (const curl_socket_t socket : sockets_) ::shutdown(socket, SHUT_RDWR);
}

void TWinHTTPRun::CloseHandles() {
  if (!curl_) return;
  Status(70);
  curl_.reset();
}

void TWinHTTPRun::Work(TEventWinThread& thread) {
  thread_ = &thread;
  status = -1;
  contentType.clear();
  blockSize_ = size_t(std::max(1, settings.TransferBufferSize));
  block_.reserve(blockSize_);
  startTick = std::chrono::steady_clock::now();
  continueDownload = true;

  TUrlParts parts;
  currentUrl_ = WithScheme(settings.URL);
  const bool split = CrackUrl(currentUrl_, parts);
  if (parts.UserName.empty() && parts.Password.empty()) {
    parts.UserName = settings.Username;
    parts.Password = settings.Password;
  }
  CheckAbort();
  const std::string scheme = Lower(parts.Scheme);
  if (split && scheme == "file") {
    LocalFile(parts);
    return;
  }
  if (!split || (scheme != "http" && scheme != "https")) {
    lastError = "Cannot split the address \"" + settings.URL + "\".";
    return;
  }
  if (settings.WorkOffline) {
    // Offline means from the cache only, and there is none.
    lastError = "Working offline.";
    return;
  }
  if (!SetUpRequest(parts)) return;
  CheckAbort();
  if (onBeforeSendRequest) onBeforeSendRequest(owner_, curl_.get());
  AddRequestHeaders();
  Send();
  CloseHandles();
}

bool TWinHTTPRun::LocalFile(const TUrlParts& parts) {
  const int fd = ::open(parts.UrlPath.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    if (fd >= 0) ::close(fd);
    status = 404;
    dataSize = 0;
  } else {
    status = 200;
    dataSize = uint64_t(info.st_size);
  }
  struct TFd {
    int fd;
    ~TFd() {
      if (fd >= 0) ::close(fd);
    }
  } const guard{status == 200 ? fd : -1};
  CheckAbort();
  ChooseOutput();
  if (!stream || status != 200) return true;
  std::vector<char> buffer(blockSize_);
  for (;;) {
    CheckAbort();
    const ssize_t got = ::read(guard.fd, buffer.data(), buffer.size());
    if (got < 0) readFailed = true;
    if (got <= 0) break;
    if (!StoreBlock(buffer.data(), size_t(got))) break;
    CheckAbort();
  }
  return true;
}

bool TWinHTTPRun::SetUpRequest(const TUrlParts& parts) {
  EnsureCurlGlobal();
  curl_.reset(curl_easy_init());
  if (!curl_) {
    lastError = "Cannot open the HTTP service.";
    return false;
  }
  Status(60);
  CURL* curl = curl_.get();
  errorBuffer_.assign(CURL_ERROR_SIZE, '\0');
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer_.data());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);

  const std::string scheme = Lower(parts.Scheme);
  const bool ipv6 = parts.HostName.find(':') != std::string::npos;
  const std::string host = ipv6 ? "[" + parts.HostName + "]" : parts.HostName;
  std::string path = EscapeUrlPath(parts.UrlPath);
  if (path.empty() || path.front() != '/') path.insert(0, "/");
  currentUrl_ =
      scheme + "://" + host + ":" + std::to_string(parts.Port) + path + EscapeExtraInfo(parts.ExtraInfo);
  curl_easy_setopt(curl, CURLOPT_URL, currentUrl_.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  // A secure start never falls back to plain HTTP unless asked to.
  const bool toHttp = scheme == "http" || settings.InternetOptions.Has(ioIgnoreRedirectToHTTP);
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, toHttp ? "http,https" : "https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, settings.InternetOptions.Has(ioNoAutoRedirect) ? 0L : 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, settings.Agent.c_str());
  if (!settings.Referer.empty()) curl_easy_setopt(curl, CURLOPT_REFERER, settings.Referer.c_str());
  if (!settings.InternetOptions.Has(ioNoAuthentication) &&
      (!parts.UserName.empty() || !parts.Password.empty())) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, parts.UserName.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, parts.Password.c_str());
  }

  const TWinHTTPProxy& proxy = settings.Proxy;
  if (proxy.AccessType == atDirect) {
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
  } else if (proxy.AccessType == atUseProxy) {
    const std::string server = proxy.ProxyServer + ":" + std::to_string(proxy.ProxyPort);
    curl_easy_setopt(curl, CURLOPT_PROXY, server.c_str());
    std::string bypass = proxy.ProxyBypass;
    std::replace(bypass.begin(), bypass.end(), ';', ',');
    std::replace(bypass.begin(), bypass.end(), ' ', ',');
    if (!bypass.empty()) curl_easy_setopt(curl, CURLOPT_NOPROXY, bypass.c_str());
  }
  // atPreconfig leaves the proxy to the environment (http_proxy, no_proxy).
  if (proxy.AccessType != atDirect && !proxy.ProxyUsername.empty() && !proxy.ProxyPassword.empty()) {
    curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, proxy.ProxyUsername.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, proxy.ProxyPassword.c_str());
  }
  curl_easy_setopt(curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);

  // Verified unless the caller waives a check: the chain covers the
  // authority and the dates, the host name its own option.
  const TInternetOptions& options = settings.InternetOptions;
  const bool peer =
      !options.Has(ioIgnoreUnknownCertificateAuthority) && !options.Has(ioIgnoreCertificateDateInvalid);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, peer ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, options.Has(ioIgnoreCertificateInvalid) ? 0L : 2L);
  if (!options.Has(ioNoCookies)) curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
  if (!options.Has(ioKeepConnection)) curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);

  if (settings.Timeouts.ConnectTimeout != 0)
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(settings.Timeouts.ConnectTimeout));
  // Blocks are cut from what the network gives; reading it in larger pieces
  // saves system calls.
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE,
                   long(std::clamp<size_t>(blockSize_, kReadSize, CURL_MAX_READ_SIZE)));

  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &TWinHTTPRun::OnHeaderLine);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &TWinHTTPRun::OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &TWinHTTPRun::OnTransferInfo);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, &TWinHTTPRun::OnOpenSocket);
  curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA, this);
  curl_easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, &TWinHTTPRun::OnCloseSocket);
  curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, this);
  curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, &TWinHTTPRun::OnPrerequest);
  curl_easy_setopt(curl, CURLOPT_PREREQDATA, this);

  const bool post = settings.RequestMethod == rmPOST ||
                    (settings.RequestMethod == rmAutoDetect && !settings.POSTData.empty());
  if (post) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(settings.POSTData.size()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, settings.POSTData.c_str());
  }
  return true;
}

void TWinHTTPRun::AddRequestHeaders() {
  const bool post = settings.RequestMethod == rmPOST ||
                    (settings.RequestMethod == rmAutoDetect && !settings.POSTData.empty());
  if (!settings.AcceptTypes.empty()) headers_.Append("Accept: " + settings.AcceptTypes);
  if (post) headers_.Append("Content-Type: application/x-www-form-urlencoded");
  if (settings.CacheOptions.Has(coPragmaNoCache)) headers_.Append("Pragma: no-cache");
  // Each line is one header: a line break inside a line starts another.
  for (const std::string& text : settings.AddHeaders) {
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find_first_of("\r\n", start);
      if (end == std::string::npos) end = text.size();
      const std::string line = TrimLine(std::string_view(text).substr(start, end - start));
      if (!line.empty()) headers_.Append(line);
      start = end + 1;
    }
  }
  const TWinHTTPRange& range = settings.Range;
  if (range.StartRange != 0 || range.EndRange != 0) {
    std::string line = "RANGE: bytes=" + std::to_string(range.StartRange) + "-";
    if (range.EndRange != 0) line += std::to_string(range.EndRange);
    headers_.Append(line);
  }
  curl_easy_setopt(curl_.get(), CURLOPT_HTTPHEADER, headers_.Get());
}

void TWinHTTPRun::Send() {
  CURL* curl = curl_.get();
  do {
    CheckAbort();
    tryAgain = false;
    responseHeaders_.clear();
    block_.clear();
    rawHeaders_.clear();
    responseCode_ = -1;
    headersProcessed_ = false;
    responseStarted_ = false;
    readFailed = false;
    lastActivity_ = std::chrono::steady_clock::now();
    Status(10);
    const CURLcode result = curl_easy_perform(curl);
    if (callbackError_) std::rethrow_exception(callbackError_);
    CheckAbort();
    if (stopSeen_) throw TRunAborted{};
    if (tryAgain) continue;
    if (!headersProcessed_ && responseCode_ > 0 && continueDownload && !noStream) {
      // A response whose headers never ended in a body (none, or cut short).
      if (!HeadersDone()) {
        if (callbackError_) std::rethrow_exception(callbackError_);
        if (tryAgain) continue;
      }
    }
    if (stream && !FlushBlock()) readFailed = true;
    if (result != CURLE_OK) {
      if (lastError.empty()) lastError = errorBuffer_[0] ? errorBuffer_.data() : curl_easy_strerror(result);
      if (timedOut_) lastError = "The operation timed out.";
      // The transfer stopped on purpose: the run decided so itself.
      const bool stoppedHere = !continueDownload || noStream ||
                               (result == CURLE_WRITE_ERROR && headersProcessed_ && !IsOk(status));
      if (!stoppedHere) readFailed = true;
    }
  } while (tryAgain);
  if (stream) Status(100);
}

size_t TWinHTTPRun::OnHeaderLine(char* data, size_t size, size_t count, void* context) {
  return static_cast<TWinHTTPRun*>(context)->HeaderLine(data, size * count);
}

size_t TWinHTTPRun::OnBody(char* data, size_t size, size_t count, void* context) {
  return static_cast<TWinHTTPRun*>(context)->Body(data, size * count);
}

size_t TWinHTTPRun::HeaderLine(const char* data, size_t size) {
  try {
    lastActivity_ = std::chrono::steady_clock::now();
    const std::string line = TrimLine(std::string_view(data, size));
    if (headersProcessed_) return 0;  // a further response after the final one: not ours
    if (line.rfind("HTTP/", 0) == 0) {
      if (!responseStarted_) {
        Status(31);
        Status(40);
      }
      responseStarted_ = true;
      responseHeaders_.clear();
      rawHeaders_ = line + "\r\n";
      const size_t blank = line.find(' ');
      responseCode_ = blank == std::string::npos ? -1 : std::atoi(line.c_str() + blank + 1);
      return size;
    }
    if (!line.empty()) {
      rawHeaders_ += line + "\r\n";
      const size_t colon = line.find(':');
      if (colon != std::string::npos)
        responseHeaders_.push_back(
            {Lower(line.substr(0, colon)), TrimLine(std::string_view(line).substr(colon + 1))});
      return size;
    }
    // The end of one response's headers.
    if (responseCode_ >= 100 && responseCode_ < 200) {
      Status(120);
      return size;
    }
    std::string newUrl;
    if (FollowsRedirect(newUrl)) {
      ++redirects_;
      currentUrl_ = newUrl;
      Status(110);
      if (onRedirected) onRedirected(owner_, newUrl);
      return size;
    }
    Status(41);
    return HeadersDone() ? size : 0;
  } catch (...) {
    callbackError_ = std::current_exception();
    return 0;
  }
}

bool TWinHTTPRun::FollowsRedirect(std::string& newUrl) {
  if (!IsRedirect(responseCode_) || settings.InternetOptions.Has(ioNoAutoRedirect) ||
      redirects_ >= kMaxRedirects)
    return false;
  const std::string location = Header("location");
  if (location.empty()) return false;
  TCurlUrl url(curl_url());
  if (!url || curl_url_set(url.get(), CURLUPART_URL, currentUrl_.c_str(), 0) != CURLUE_OK ||
      curl_url_set(url.get(), CURLUPART_URL, location.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
    return false;
  char* text = nullptr;
  if (curl_url_get(url.get(), CURLUPART_URL, &text, 0) != CURLUE_OK) return false;
  newUrl = text;
  curl_free(text);
  const std::string from = SchemeOf(currentUrl_);
  const std::string to = SchemeOf(newUrl);
  if (to != "http" && to != "https") return false;
  return !(from == "https" && to == "http" && !settings.InternetOptions.Has(ioIgnoreRedirectToHTTP));
}

std::string TWinHTTPRun::Header(const std::string& name) const {
  for (const THeader& header : responseHeaders_)
    if (header.name == name) return header.value;
  return {};
}

bool TWinHTTPRun::AskCredentials() {
  if (responseCode_ == 401 && hasPasswordRequest) {
    const std::string authenticate = Header("www-authenticate");
    std::string realm;
    const size_t open = authenticate.find("=\"");
    if (open != std::string::npos && authenticate.size() > open + 2)
      realm = authenticate.substr(open + 2, authenticate.size() - open - 3);
    std::string username = settings.Username, password = settings.Password;
    thread_->Synchronize([&] {
      if (owner_.OnPasswordRequest) owner_.OnPasswordRequest(owner_, realm, tryAgain);
      username = owner_.Username;
      password = owner_.Password;
    });
    curl_easy_setopt(curl_.get(), CURLOPT_USERNAME, username.c_str());
    curl_easy_setopt(curl_.get(), CURLOPT_PASSWORD, password.c_str());
  } else if (responseCode_ == 407 && hasProxyAuthentication) {
    std::string username = settings.Proxy.ProxyUsername, password = settings.Proxy.ProxyPassword;
    thread_->Synchronize([&] {
      if (owner_.OnProxyAuthenticationRequest)
        owner_.OnProxyAuthenticationRequest(owner_, username, password, tryAgain);
      owner_.Proxy.ProxyUsername = username;
      owner_.Proxy.ProxyPassword = password;
    });
    curl_easy_setopt(curl_.get(), CURLOPT_PROXYUSERNAME, username.c_str());
    curl_easy_setopt(curl_.get(), CURLOPT_PROXYPASSWORD, password.c_str());
  }
  return !tryAgain;
}

bool TWinHTTPRun::HeadersDone() {
  headersProcessed_ = true;
  status = responseCode_;
  if (!AskCredentials()) return false;
  if (thread_->Terminated()) {
    stopSeen_ = true;
    return false;
  }
  contentType = Header("content-type");
  dataSize = ParseLength(Header("content-length"));
  if (hasHeaderInfo) {
    TWinHTTPHeaderInfo info;
    info.ErrorCode = status;
    info.RawHeadersCRLF = rawHeaders_;
    info.ContentType = contentType;
    info.ContentLanguage = Header("content-language");
    info.ContentEncoding = Header("content-encoding");
    info.ContentLength = dataSize;
    info.Location = Header("location");
    info.ETag = Header("etag");
    info.Date = HttpDateToDateTime(Header("date"));
    info.LastModified = HttpDateToDateTime(Header("last-modified"));
    info.Expires = HttpDateToDateTime(Header("expires"));
    thread_->Synchronize([&] {
      if (owner_.OnHeaderInfo) owner_.OnHeaderInfo(owner_, info, continueDownload);
    });
    if (!continueDownload) return false;
  }
  if (thread_->Terminated()) {
    stopSeen_ = true;
    return false;
  }
  ChooseOutput();
  return stream != nullptr;
}

void TWinHTTPRun::ChooseOutput() {
  if (IsOk(status) && !settings.OutputFileName.empty()) {
    try {
      auto output =
          std::make_unique<TWinHTTPFileStream>(settings.OutputFileName, TWinHTTPFileStream::fmCreate);
      outputFileName = output->FileName();
      file = output.get();
      stream = std::move(output);
    } catch (const EFileStreamError& error) {
      lastError = error.what();
      noStream = true;
      return;
    }
    const TWinHTTPFileAttributes incomplete = settings.OutputFileAttributes.Incomplete;
    if (!(incomplete == TWinHTTPFileAttributes{atrArchive})) SetFileAttributes(outputFileName, incomplete);
    fileOpened = true;
    return;
  }
  auto memory = std::make_unique<TMemoryStream>();
  try {
    if (IsOk(status) && dataSize != 0) memory->Reserve(size_t(std::min(dataSize, kMaxPresize)));
  } catch (const std::bad_alloc&) {
    // Then it grows as the body comes; the read fails only if that fails too.
  }
  stream = std::move(memory);
}

size_t TWinHTTPRun::Body(const char* data, size_t size) {
  try {
    lastActivity_ = std::chrono::steady_clock::now();
    if (!headersProcessed_ && !HeadersDone()) return 0;
    if (!stream) return 0;
    return StoreBlocks(data, size) ? size : 0;
  } catch (...) {
    callbackError_ = std::current_exception();
    return 0;
  }
}

bool TWinHTTPRun::StoreBlocks(const char* data, size_t size) {
  // Whole blocks, as a blocking read of one block gives them: bytes are
  // gathered in the block buffer only when the network hands out less.
  while (size > 0) {
    if (thread_->Terminated()) {
      stopSeen_ = true;
      return false;
    }
    if (block_.empty() && size >= blockSize_) {
      if (!StoreBlock(data, blockSize_)) return false;
      data += blockSize_;
      size -= blockSize_;
      continue;
    }
    const size_t count = std::min(blockSize_ - block_.size(), size);
    block_.insert(block_.end(), data, data + count);
    data += count;
    size -= count;
    if (block_.size() == blockSize_ && !FlushBlock()) return false;
  }
  return true;
}

bool TWinHTTPRun::FlushBlock() {
  if (block_.empty()) return true;
  const bool stored = StoreBlock(block_.data(), block_.size());
  block_.clear();
  return stored;
}

bool TWinHTTPRun::StoreBlock(const char* data, size_t size) {
  bytesRead += size;
  try {
    stream->Write(data, size);
  } catch (const EFileStreamError& error) {
    lastError = error.what();
    readFailed = true;
    return false;
  }
  if (hasProgress) {
    ComputeStatistics();
    thread_->Synchronize([this] {
      if (owner_.OnProgress)
        owner_.OnProgress(owner_, contentType, dataSize, bytesRead, elapsedTime, estimatedTimeLeft,
                          percentsDone, transferRate, stream.get());
    });
  }
  return true;
}

bool TWinHTTPRun::CheckStall(curl_off_t downloaded, curl_off_t uploaded) {
  const auto now = std::chrono::steady_clock::now();
  if (downloaded != lastDownloaded_ || uploaded != lastUploaded_) {
    lastDownloaded_ = downloaded;
    lastUploaded_ = uploaded;
    lastActivity_ = now;
    return false;
  }
  const bool sending = !responseStarted_ && curl_off_t(settings.POSTData.size()) > uploaded;
  const uint32_t limit = sending ? settings.Timeouts.SendTimeout : settings.Timeouts.ReceiveTimeout;
  if (limit == 0) return false;
  timedOut_ = now - lastActivity_ > std::chrono::milliseconds(limit);
  return timedOut_;
}

int TWinHTTPRun::OnTransferInfo(void* context, curl_off_t, curl_off_t dlNow, curl_off_t, curl_off_t ulNow) {
  auto* run = static_cast<TWinHTTPRun*>(context);
  if (run->thread_->Terminated()) {
    run->stopSeen_ = true;
    return 1;
  }
  return run->CheckStall(dlNow, ulNow) ? 1 : 0;
}

curl_socket_t TWinHTTPRun::OnOpenSocket(void* context, curlsocktype, curl_sockaddr* address) {
  auto* run = static_cast<TWinHTTPRun*>(context);
  run->Status(11);
  run->Status(20);
  std::scoped_lock lock(run->socketMutex_);
  if (run->interrupted_) return CURL_SOCKET_BAD;
  const curl_socket_t socket = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
  if (socket != CURL_SOCKET_BAD) run->sockets_.push_back(socket);
  return socket;
}

int TWinHTTPRun::OnCloseSocket(void* context, curl_socket_t socket) {
  auto* run = static_cast<TWinHTTPRun*>(context);
  std::scoped_lock lock(run->socketMutex_);
  std::erase(run->sockets_, socket);
  return ::close(socket);
}

int TWinHTTPRun::OnPrerequest(void* context, char*, char*, int, int) {
  auto* run = static_cast<TWinHTTPRun*>(context);
  run->Status(21);
  run->Status(30);
  return CURL_PREREQFUNC_OK;
}

}  // namespace mediaconv::http
