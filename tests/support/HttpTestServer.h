#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for tests and benchmarks: handlers
// per path answer, redirect, delay, leave out the length, cut a body short,
// ask for credentials, or play a whole site reached through it as a proxy.
// With a certificate it speaks TLS.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace mediaconv::test {

struct THttpRequest {
  std::string method;
  std::string target;  // as sent: a path, or a whole URL when asked as a proxy
  std::string path;    // the target's path, without the query
  std::string query;   // after "?", still escaped
  std::string host;    // the Host header
  bool viaProxy = false;
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;

  std::string Header(const std::string& lowerName) const;
};

struct THttpResponse {
  int status = 200;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // Sent in place of body when not 0: that many bytes of a fixed pattern.
  uint64_t generatedLength = 0;
  bool sendLength = true;          // false: no Content-Length, the connection closes at the end
  int64_t declaredLength = -1;     // a Content-Length other than the body's
  uint64_t cutAfter = UINT64_MAX;  // close the connection after this many body bytes
  // Stop sending after this many body bytes and keep the connection open, silent.
  uint64_t stallAfter = UINT64_MAX;
  int delayMs = 0;         // before the status line
  int bodyDelayMs = 0;     // between the headers and the body
  uint64_t paceBytes = 0;  // with paceMs: a pause after every paceBytes of body
  int paceMs = 0;
  bool close = false;

  THttpResponse& Header(std::string name, std::string value) {
    headers.emplace_back(std::move(name), std::move(value));
    return *this;
  }
};

using THttpHandler = std::function<THttpResponse(const THttpRequest&)>;

class THttpTestServer {
 public:
  // certificateFile and keyFile (PEM) make it a TLS server.
  THttpTestServer(const std::string& certificateFile = "", const std::string& keyFile = "");
  ~THttpTestServer();
  THttpTestServer(const THttpTestServer&) = delete;
  THttpTestServer& operator=(const THttpTestServer&) = delete;

  int Port() const { return port_; }
  // "http://127.0.0.1:<port>" (or https).
  std::string BaseUrl() const;
  std::string Url(const std::string& pathAndQuery) const { return BaseUrl() + pathAndQuery; }

  // The handler of one path (whatever the host, so a proxied site works too).
  void Handle(const std::string& path, THttpHandler handler);
  // For every path without a handler; a 404 page when none.
  void HandleOthers(THttpHandler handler);

  std::vector<THttpRequest> Requests();
  size_t RequestCount();

  static THttpResponse Text(int status, std::string body, std::string contentType = "text/html");
  static THttpResponse Redirect(int status, std::string location);
  // 401 (or 407 for a proxy) with a Basic challenge of realm until the
  // request carries user:password; then answer.
  static THttpHandler RequireBasic(std::string user, std::string password, std::string realm,
                                   THttpHandler answer, bool proxy = false);
  // Makes a self-signed certificate for commonName (and subjectAltName, e.g.
  // "IP:127.0.0.1") with the openssl CLI; false when it cannot.
  static bool MakeCertificate(const std::string& certificateFile, const std::string& keyFile,
                              const std::string& commonName, const std::string& subjectAltName);

 private:
  class TConnection;
  void AcceptLoop();
  void Serve(int fd);
  bool Answer(TConnection& connection, const THttpResponse& response, const std::string& method);
  bool Sleep(int milliseconds);
  THttpHandler Find(const std::string& path);

  int listenFd_ = -1;
  int wakePipe_[2] = {-1, -1};
  int port_ = 0;
  void* tls_ = nullptr;  // SSL_CTX
  std::atomic<bool> stopping_{false};
  std::thread acceptThread_;

  std::mutex mutex_;
  std::map<std::string, THttpHandler> handlers_;
  THttpHandler others_;
  std::vector<THttpRequest> requests_;
  std::vector<std::thread> connections_;
  std::vector<int> openFds_;
};

// The Basic credentials "user:password" as an Authorization value.
std::string BasicAuthorization(const std::string& user, const std::string& password);

}  // namespace mediaconv::test
