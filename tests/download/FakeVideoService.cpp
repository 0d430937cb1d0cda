#include "FakeVideoService.h"

namespace mediaconv::download::test {

using mediaconv::test::THttpRequest;
using mediaconv::test::THttpResponse;
using mediaconv::test::THttpTestServer;

std::string QueryValue(const std::string& query, const std::string& name) {
  const std::string key = name + "=";
  for (size_t at = query.find(key); at != std::string::npos; at = query.find(key, at + 1)) {
    if (at > 0 && query[at - 1] != '&') continue;
    const size_t start = at + key.size();
    return query.substr(start, query.find('&', start) - start);
  }
  return {};
}

TFakeVideoService::TFakeVideoService() {
  server_.Handle("/watch", [this](const THttpRequest& request) { return Page(request); });
  server_.Handle("/get_video", [this](const THttpRequest& request) { return Media(request); });
}

std::string TFakeVideoService::PageLink(const std::string& id) {
  return "http://www.youtube.com/watch?v=" + id;
}

std::string TFakeVideoService::PageText(const std::string& id, const TVideo& video) {
  return "<html><head>\n<meta name=\"title\" content=\"" + video.Title +
         "\">\n</head><body><script>var swfArgs = \"video_id=" + id + "&l=60&t=" + video.Token +
         "&hl=en\";</script></body></html>\n";
}

void TFakeVideoService::AddVideo(const std::string& id, TVideo video) {
  std::scoped_lock lock(mutex_);
  videos_[id] = std::move(video);
}

std::vector<TRecordedRequest> TFakeVideoService::Requests() {
  std::vector<TRecordedRequest> recorded;
  for (const THttpRequest& request : server_.Requests())
    recorded.push_back({request.target, request.Header("user-agent"), request.Header("accept")});
  return recorded;
}

std::vector<std::string> TFakeVideoService::TargetsWith(const std::string& text) {
  std::vector<std::string> targets;
  for (const TRecordedRequest& request : Requests())
    if (request.Target.find(text) != std::string::npos) targets.push_back(request.Target);
  return targets;
}

THttpResponse TFakeVideoService::Page(const THttpRequest& request) {
  std::scoped_lock lock(mutex_);
  const std::string id = QueryValue(request.query, "v");
  const auto found = videos_.find(id);
  if (found == videos_.end()) return THttpTestServer::Text(404, "<html>No such video</html>");
  if (found->second.PageStatus != 200)
    return THttpTestServer::Text(found->second.PageStatus, "<html>Gone</html>");
  return THttpTestServer::Text(200,
                               found->second.Page.empty() ? PageText(id, found->second) : found->second.Page);
}

THttpResponse TFakeVideoService::Media(const THttpRequest& request) {
  std::scoped_lock lock(mutex_);
  const auto found = videos_.find(QueryValue(request.query, "video_id"));
  if (found == videos_.end()) return THttpTestServer::Text(404, "<html>No such video</html>");
  if (QueryValue(request.query, "t") != found->second.Token)
    return THttpTestServer::Text(403, "<html>Bad token</html>");
  const std::string format = QueryValue(request.query, "fmt");
  const auto media = found->second.Media.find(format.empty() ? 0 : std::stoi(format));
  if (media == found->second.Media.end()) return THttpTestServer::Text(404, "<html>No such format</html>");
  THttpResponse response = THttpTestServer::Text(media->second.Status, media->second.Body, "video/x-flv");
  if (media->second.CutAfter >= 0) response.cutAfter = static_cast<uint64_t>(media->second.CutAfter);
  if (media->second.StallAfter >= 0) response.stallAfter = static_cast<uint64_t>(media->second.StallAfter);
  if (media->second.PieceDelay.count() > 0) {
    response.paceBytes = 4096;
    response.paceMs = static_cast<int>(media->second.PieceDelay.count());
  }
  return response;
}

}  // namespace mediaconv::download::test
