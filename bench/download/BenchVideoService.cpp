// The video service for the download benchmark: one page, "big", whose
// media answer is SIZE bytes of a generated pattern (never held in memory).
// Prints the port, then serves until standard input closes.
// Usage: bench_video_service SIZE
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "support/HttpTestServer.h"

using mediaconv::test::THttpRequest;
using mediaconv::test::THttpResponse;
using mediaconv::test::THttpTestServer;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_video_service SIZE\n");
    return 2;
  }
  const uint64_t size = std::strtoull(argv[1], nullptr, 10);
  THttpTestServer server;
  server.Handle("/watch", [](const THttpRequest&) {
    return THttpTestServer::Text(200,
                                 "<html><head><meta name=\"title\" content=\"Big &amp; Long\"></head>"
                                 "<body>video_id=big&l=1&t=tok&</body></html>");
  });
  server.Handle("/get_video", [size](const THttpRequest&) {
    THttpResponse response = THttpTestServer::Text(200, "", "video/x-flv");
    response.generatedLength = size;
    return response;
  });
  std::cout << server.Port() << std::endl;
  std::string line;
  while (std::getline(std::cin, line)) {
  }
  return 0;
}
