// A preset file ("fpre") read into a fresh transcoder: the file's lines go
// through the preset syntax and then the library option store.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "engine/log/FFLogger.h"
#include "engine/transcoder/FFmpegException.h"
#include "engine/transcoder/Options.h"

namespace {

using namespace mediaconv::engine;

class TFuzzTranscoder : public TTranscoderOptions {
 protected:
  void OpenInputFile(const std::string&) override {}
  void OpenOutputFile(const std::string&, bool) override {}
  int OutputFileCount() const override { return 0; }
  void NewVideoStream() override {}
  void NewAudioStream() override {}
  void NewSubtitleStream() override {}
  bool AddFrameHook(const std::vector<std::string>&) override { return false; }
  std::vector<AVRational> InputVideoFrameRates() const override { return {}; }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  mediaconv::fuzz::LoadMediaLibrariesOnce();
  TFFLogger::DefaultLogger().SetLogLevel(llQuiet);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const mediaconv::fuzz::TMemoryFile file(data, size);
  if (file.Path().empty()) return 0;
  TFuzzTranscoder core;
  try {
    core.ApplyOption("fpre", file.Path());
  } catch (const FFmpegException&) {
  }
  return 0;
}
