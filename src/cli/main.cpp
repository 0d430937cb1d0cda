#include <cstdio>
#include <cstring>

#include "engine/loader/FFLoader.h"

namespace {

constexpr const char* kUsage =
    "usage: mediaconv-cli <command> [options]\n"
    "\n"
    "commands:\n"
    "  check      load the media libraries and report whether they are usable\n"
    "\n"
    "mediaconv-cli --help shows this text.\n";

int CheckLibraries() {
  auto& loader = mediaconv::engine::TFFLoader::Instance();
  if (!loader.LoadLibraries(mediaconv::engine::EngineLibraries)) {
    std::fprintf(stderr, "%s\n", loader.LastErrorText().c_str());
    return 3;
  }
  std::printf("media libraries loaded\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
    std::fputs(kUsage, argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  if (!std::strcmp(argv[1], "check")) return CheckLibraries();
  std::fprintf(stderr, "mediaconv-cli: unknown command '%s'\n%s", argv[1], kUsage);
  return 2;
}
