#include <string>

#include "cli/Commands.h"
#include "engine/loader/Av.h"
#include "engine/loader/FFLoader.h"

#ifndef MEDIACONV_VERSION
#define MEDIACONV_VERSION "unknown"
#endif

namespace mediaconv::cli {

int RunVersion(TCliContext& context) {
  context.Console.Out("mediaconv-cli " MEDIACONV_VERSION);
  // The libraries found at run time decide what the program can do, so they
  // are loaded here rather than named from the headers we were built with.
  if (!LoadMediaLibraries(context)) return kExitLibraries;
  context.Console.Out(std::string("FFmpeg ") + av::av_version_info());
  for (const engine::TLoadedLibrary& library :
       engine::TFFLoader::Instance().LoadedLibraries(engine::EngineLibraries)) {
    std::string line = library.Name;
    line.resize(15, ' ');
    std::string version = library.Version.empty() ? "?" : library.Version;
    version.resize(11, ' ');
    context.Console.Out(line + version + library.Path);
  }
  return kExitOk;
}

}  // namespace mediaconv::cli
