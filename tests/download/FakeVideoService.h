#pragma once
// The video service played on the loopback test server. The transfers reach
// it as their proxy (http_proxy), so the service's host names need no
// resolving and nothing leaves the machine.
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "support/HttpTestServer.h"

namespace mediaconv::download::test {

// How the service answers one media request.
struct TMediaAnswer {
  int Status = 200;
  std::string Body;
  // Announce the whole body but close the connection after this many bytes.
  int64_t CutAfter = -1;
  // Announce the whole body but fall silent after this many bytes.
  int64_t StallAfter = -1;
  // A pause after every 4 KiB of the body, so a test can act mid-body.
  std::chrono::milliseconds PieceDelay{0};
};

struct TVideo {
  std::string Title;  // as the page's meta element holds it (entities and all)
  std::string Token;
  // By format code; 0 is the request without "&fmt=". A code not listed
  // answers 404.
  std::map<int, TMediaAnswer> Media;
  int PageStatus = 200;  // 404: a page that is not there
  std::string Page;      // served in place of the usual page when set
};

struct TRecordedRequest {
  std::string Target;
  std::string UserAgent;
  std::string Accept;
};

class TFakeVideoService {
 public:
  TFakeVideoService();

  // "http://127.0.0.1:<port>", for http_proxy.
  std::string ProxyAddress() const { return server_.BaseUrl(); }
  // The page link of a video id: "http://www.youtube.com/watch?v=<id>".
  static std::string PageLink(const std::string& id);
  // The page text the service answers for a video.
  static std::string PageText(const std::string& id, const TVideo& video);

  void AddVideo(const std::string& id, TVideo video);
  std::vector<TRecordedRequest> Requests();
  // Request targets that hold the text.
  std::vector<std::string> TargetsWith(const std::string& text);

 private:
  mediaconv::test::THttpResponse Page(const mediaconv::test::THttpRequest& request);
  mediaconv::test::THttpResponse Media(const mediaconv::test::THttpRequest& request);

  std::mutex mutex_;
  std::map<std::string, TVideo> videos_;
  mediaconv::test::THttpTestServer server_;  // last: stopped before the videos go
};

// The value of "name=" in a query, up to the next "&".
std::string QueryValue(const std::string& query, const std::string& name);

}  // namespace mediaconv::download::test
