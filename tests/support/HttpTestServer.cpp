#include "support/HttpTestServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace mediaconv::test {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

const char* Reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 206:
      return "Partial Content";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 303:
      return "See Other";
    case 307:
      return "Temporary Redirect";
    case 401:
      return "Unauthorized";
    case 404:
      return "Not Found";
    case 407:
      return "Proxy Authentication Required";
    case 500:
      return "Internal Server Error";
    default:
      return "Status";
  }
}

std::string Base64(const std::string& text) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < text.size(); i += 3) {
    const uint32_t n =
        uint32_t(uint8_t(text[i])) << 16 | uint32_t(uint8_t(text[i + 1])) << 8 | uint8_t(text[i + 2]);
    out += {kDigits[n >> 18], kDigits[(n >> 12) & 63], kDigits[(n >> 6) & 63], kDigits[n & 63]};
  }
  if (i + 1 == text.size()) {
    const uint32_t n = uint32_t(uint8_t(text[i])) << 16;
    out += {kDigits[n >> 18], kDigits[(n >> 12) & 63], '=', '='};
  } else if (i + 2 == text.size()) {
    const uint32_t n = uint32_t(uint8_t(text[i])) << 16 | uint32_t(uint8_t(text[i + 1])) << 8;
    out += {kDigits[n >> 18], kDigits[(n >> 12) & 63], kDigits[(n >> 6) & 63], '='};
  }
  return out;
}

}  // namespace

std::string THttpRequest::Header(const std::string& lowerName) const {
  const auto found = headers.find(lowerName);
  return found == headers.end() ? std::string() : found->second;
}

std::string BasicAuthorization(const std::string& user, const std::string& password) {
  return "Basic " + Base64(user + ":" + password);
}

// One accepted socket, plain or TLS.
class THttpTestServer::TConnection {
 public:
  TConnection(int fd, SSL_CTX* tls) : fd_(fd) {
    if (!tls) return;
    ssl_ = SSL_new(tls);
    SSL_set_fd(ssl_, fd);
    if (SSL_accept(ssl_) != 1) failed_ = true;
  }
  ~TConnection() {
    if (ssl_) {
      if (!failed_) SSL_shutdown(ssl_);
      SSL_free(ssl_);
    }
  }
  bool Failed() const { return failed_; }

  ssize_t Receive(char* buffer, size_t size) {
    if (ssl_) {
      const int got = SSL_read(ssl_, buffer, int(size));
      return got > 0 ? got : -1;
    }
    return ::recv(fd_, buffer, size, 0);
  }
  bool Send(const char* data, size_t size) {
    while (size > 0) {
      const ssize_t sent = ssl_ ? SSL_write(ssl_, data, int(size)) : ::send(fd_, data, size, MSG_NOSIGNAL);
      if (sent <= 0) return false;
      data += sent;
      size -= size_t(sent);
    }
    return true;
  }
  bool Send(const std::string& text) { return Send(text.data(), text.size()); }

  // Reads up to the end of one request; false when the peer is gone.
  bool ReadRequest(THttpRequest& request) {
    size_t headEnd;
    while ((headEnd = pending_.find("\r\n\r\n")) == std::string::npos) {
      if (!Fill()) return false;
    }
    const std::string head = pending_.substr(0, headEnd);
    pending_.erase(0, headEnd + 4);
    size_t lineEnd = head.find("\r\n");
    const std::string requestLine = head.substr(0, lineEnd);
    const size_t firstBlank = requestLine.find(' ');
    const size_t secondBlank = requestLine.find(' ', firstBlank + 1);
    if (firstBlank == std::string::npos || secondBlank == std::string::npos) return false;
    request.method = requestLine.substr(0, firstBlank);
    request.target = requestLine.substr(firstBlank + 1, secondBlank - firstBlank - 1);
    while (lineEnd != std::string::npos) {
      const size_t start = lineEnd + 2;
      lineEnd = head.find("\r\n", start);
      const std::string line =
          head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
      const size_t colon = line.find(':');
      if (colon != std::string::npos)
        request.headers[Lower(Trim(line.substr(0, colon)))] = Trim(line.substr(colon + 1));
    }
    request.host = request.Header("host");
    std::string target = request.target;
    const size_t scheme = target.find("://");
    if (scheme != std::string::npos && target.front() != '/') {
      request.viaProxy = true;
      const size_t pathStart = target.find('/', scheme + 3);
      request.host = target.substr(
          scheme + 3, pathStart == std::string::npos ? std::string::npos : pathStart - scheme - 3);
      target = pathStart == std::string::npos ? "/" : target.substr(pathStart);
    }
    const size_t question = target.find('?');
    request.path = target.substr(0, question);
    if (question != std::string::npos) request.query = target.substr(question + 1);
    const size_t length = size_t(std::strtoull(request.Header("content-length").c_str(), nullptr, 10));
    while (pending_.size() < length)
      if (!Fill()) return false;
    request.body = pending_.substr(0, length);
    pending_.erase(0, length);
    return true;
  }

 private:
  bool Fill() {
    char buffer[16384];
    const ssize_t got = Receive(buffer, sizeof buffer);
    if (got <= 0) return false;
    pending_.append(buffer, size_t(got));
    return true;
  }

  int fd_;
  SSL* ssl_ = nullptr;
  bool failed_ = false;
  std::string pending_;
};

THttpTestServer::THttpTestServer(const std::string& certificateFile, const std::string& keyFile) {
  if (!certificateFile.empty()) {
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (context && SSL_CTX_use_certificate_chain_file(context, certificateFile.c_str()) == 1 &&
        SSL_CTX_use_PrivateKey_file(context, keyFile.c_str(), SSL_FILETYPE_PEM) == 1) {
      tls_ = context;
    } else if (context) {
      SSL_CTX_free(context);
    }
  }
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int yes = 1;
  ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::listen(listenFd_, 64);
  socklen_t length = sizeof address;
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  if (::pipe2(wakePipe_, O_CLOEXEC) != 0) wakePipe_[0] = wakePipe_[1] = -1;
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

THttpTestServer::~THttpTestServer() {
  stopping_ = true;
  if (wakePipe_[1] >= 0) (void)!::write(wakePipe_[1], "x", 1);
  acceptThread_.join();
  std::vector<std::thread> connections;
  {
    std::scoped_lock lock(mutex_);
    for (const int fd : openFds_) ::shutdown(fd, SHUT_RDWR);
    connections.swap(connections_);
  }
  for (std::thread& connection : connections) connection.join();
  ::close(listenFd_);
  for (const int fd : wakePipe_)
    if (fd >= 0) ::close(fd);
  if (tls_) SSL_CTX_free(static_cast<SSL_CTX*>(tls_));
}

std::string THttpTestServer::BaseUrl() const {
  return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

void THttpTestServer::Handle(const std::string& path, THttpHandler handler) {
  std::scoped_lock lock(mutex_);
  handlers_[path] = std::move(handler);
}

void THttpTestServer::HandleOthers(THttpHandler handler) {
  std::scoped_lock lock(mutex_);
  others_ = std::move(handler);
}

std::vector<THttpRequest> THttpTestServer::Requests() {
  std::scoped_lock lock(mutex_);
  return requests_;
}

size_t THttpTestServer::RequestCount() {
  std::scoped_lock lock(mutex_);
  return requests_.size();
}

THttpHandler THttpTestServer::Find(const std::string& path) {
  std::scoped_lock lock(mutex_);
  const auto found = handlers_.find(path);
  if (found != handlers_.end()) return found->second;
  if (others_) return others_;
  return [](const THttpRequest&) { return Text(404, "<html>Not found</html>"); };
}

void THttpTestServer::AcceptLoop() {
  while (!stopping_) {
    pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;
    if (stopping_) break;
    if (!(fds[0].revents & POLLIN)) continue;
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    std::scoped_lock lock(mutex_);
    openFds_.push_back(fd);
    connections_.emplace_back([this, fd] { Serve(fd); });
  }
}

void THttpTestServer::Serve(int fd) {
  // A client that hangs up mid-answer makes a TLS write fail, not the process end.
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
  {
    TConnection connection(fd, static_cast<SSL_CTX*>(tls_));
    THttpRequest request;
    while (!connection.Failed() && !stopping_ && connection.ReadRequest(request)) {
      {
        std::scoped_lock lock(mutex_);
        requests_.push_back(request);
      }
      const THttpResponse response = Find(request.path)(request);
      if (!Answer(connection, response, request.method)) break;
      request = THttpRequest{};
    }
  }
  std::scoped_lock lock(mutex_);
  std::erase(openFds_, fd);
  ::close(fd);
}

bool THttpTestServer::Sleep(int milliseconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!stopping_ && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return !stopping_;
}

bool THttpTestServer::Answer(TConnection& connection, const THttpResponse& response,
                             const std::string& method) {
  if (response.delayMs > 0 && !Sleep(response.delayMs)) return false;
  const uint64_t bodyLength = response.generatedLength ? response.generatedLength : response.body.size();
  std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " + Reason(response.status) + "\r\n";
  for (const auto& [name, value] : response.headers) head += name + ": " + value + "\r\n";
  if (response.sendLength)
    head += "Content-Length: " +
            std::to_string(response.declaredLength >= 0 ? uint64_t(response.declaredLength) : bodyLength) +
            "\r\n";
  const bool close = response.close || !response.sendLength || response.cutAfter != UINT64_MAX ||
                     response.declaredLength >= 0;
  if (close) head += "Connection: close\r\n";
  head += "\r\n";
  if (!connection.Send(head)) return false;
  if (method == "HEAD") return !close;
  if (response.bodyDelayMs > 0 && !Sleep(response.bodyDelayMs)) return false;

  static const std::string kPattern = [] {
    std::string pattern(65536 + 32, '\0');
    for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = char('a' + i % 26);
    return pattern;
  }();
  const uint64_t toSend = std::min({bodyLength, response.cutAfter, response.stallAfter});
  const uint64_t step = response.paceBytes ? response.paceBytes : 65536;
  for (uint64_t sent = 0; sent < toSend && !stopping_;) {
    const size_t count = size_t(std::min<uint64_t>({step, toSend - sent, 65536}));
    const char* data = response.generatedLength ? kPattern.data() + sent % 26 : response.body.data() + sent;
    if (!connection.Send(data, count)) return false;
    sent += count;
    if (response.paceMs > 0 && sent < toSend && !Sleep(response.paceMs)) return false;
  }
  if (response.stallAfter < bodyLength)
    while (Sleep(50)) {
    }
  return !close;
}

THttpResponse THttpTestServer::Text(int status, std::string body, std::string contentType) {
  THttpResponse response;
  response.status = status;
  response.body = std::move(body);
  response.Header("Content-Type", std::move(contentType));
  return response;
}

THttpResponse THttpTestServer::Redirect(int status, std::string location) {
  THttpResponse response = Text(status, "<html>Moved</html>");
  response.Header("Location", std::move(location));
  return response;
}

THttpHandler THttpTestServer::RequireBasic(std::string user, std::string password, std::string realm,
                                           THttpHandler answer, bool proxy) {
  return [=](const THttpRequest& request) {
    const std::string expected = BasicAuthorization(user, password);
    if (request.Header(proxy ? "proxy-authorization" : "authorization") == expected) return answer(request);
    THttpResponse response = Text(proxy ? 407 : 401, "<html>Who are you?</html>");
    response.Header(proxy ? "Proxy-Authenticate" : "WWW-Authenticate", "Basic realm=\"" + realm + "\"");
    return response;
  };
}

bool THttpTestServer::MakeCertificate(const std::string& certificateFile, const std::string& keyFile,
                                      const std::string& commonName, const std::string& subjectAltName) {
  std::string command =
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj '/CN=" +
      commonName + "' -keyout '" + keyFile + "' -out '" + certificateFile + "'";
  if (!subjectAltName.empty()) command += " -addext 'subjectAltName=" + subjectAltName + "'";
  command += " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

}  // namespace mediaconv::test
