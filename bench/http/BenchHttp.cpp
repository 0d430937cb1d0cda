// The transfer component against curl on the same loopback URL.
//   bench_http serve <bytes> <port file>   serves /blob (that many bytes) until stdin closes
//   bench_http fetch <url> [--progress] [--file <path>]
// fetch downloads into memory (or the file) with the default 4096-byte
// blocks; --progress binds an OnProgress handler served on the main thread.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "app/QueueMainThread.h"
#include "http/WinHTTP.h"
#include "support/HttpTestServer.h"

namespace {

using namespace mediaconv;

int Serve(uint64_t size, const std::string& portFile) {
  test::THttpTestServer server;
  server.Handle("/blob", [size](const test::THttpRequest&) {
    test::THttpResponse response;
    response.generatedLength = size;
    response.Header("Content-Type", "application/octet-stream");
    return response;
  });
  {
    std::ofstream(portFile + ".part") << server.Port() << "\n";
  }
  std::rename((portFile + ".part").c_str(), portFile.c_str());
  char buffer[64];
  while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
  }
  return 0;
}

int Fetch(const std::string& url, bool progress, const std::string& file) {
  app::TQueueMainThread main;
  http::TWinHTTP http;
  http.SetMainThread(&main);
  http.URL = url;
  http.OutputFileName = file;
  http.Proxy.AccessType = http::atDirect;
  bool ended = false, ok = false;
  uint64_t received = 0, blocks = 0, lastPercent = 0;
  http.OnDone = [&](http::TCustomWinHTTP&, const std::string&, uint64_t size, http::TStream*) {
    ended = ok = true;
    received = size;
  };
  http.OnAnyError = [&](http::TCustomWinHTTP&) { ended = true; };
  http.OnAborted = [&](http::TCustomWinHTTP&) { ended = true; };
  if (progress)
    http.OnProgress = [&](http::TCustomWinHTTP&, const std::string&, uint64_t, uint64_t, int64_t, int64_t,
                          uint8_t percents, float, http::TStream*) {
      ++blocks;
      lastPercent = percents;
    };
  const auto start = std::chrono::steady_clock::now();
  if (!http.StartTransfer()) return 2;
  while (!ended || http.InProgress()) main.WaitAndServe(std::chrono::milliseconds(100));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "bench_http: %llu bytes in %.3f s (%.1f MiB/s), %llu progress events, last %llu%%\n",
               static_cast<unsigned long long>(received), seconds, received / seconds / 1048576.0,
               static_cast<unsigned long long>(blocks), static_cast<unsigned long long>(lastPercent));
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "serve" && argc == 4) return Serve(std::strtoull(argv[2], nullptr, 10), argv[3]);
  if (mode == "fetch" && argc >= 3) {
    bool progress = false;
    std::string file;
    for (int i = 3; i < argc; ++i) {
      const std::string arg = argv[i];
      if (arg == "--progress")
        progress = true;
      else if (arg == "--file" && i + 1 < argc)
        file = argv[++i];
    }
    return Fetch(argv[2], progress, file);
  }
  std::cerr << "usage: bench_http serve <bytes> <port file> | fetch <url> [--progress] [--file <path>]\n";
  return 2;
}
