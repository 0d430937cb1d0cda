// The option text of a task applied line by line to a fresh transcoder, the
// way the run applies an input's or output's text. The run's hooks do
// nothing: only the parsing and the option store are under test.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "engine/log/FFLogger.h"
#include "engine/transcoder/FFmpegException.h"
#include "engine/transcoder/OptionText.h"
#include "engine/transcoder/Options.h"

namespace {

using namespace mediaconv::engine;

class TFuzzTranscoder : public TTranscoderOptions {
 protected:
  void OpenInputFile(const std::string&) override {}
  void OpenOutputFile(const std::string&, bool) override { ++outputs_; }
  int OutputFileCount() const override { return outputs_; }
  void NewVideoStream() override {}
  void NewAudioStream() override {}
  void NewSubtitleStream() override {}
  bool AddFrameHook(const std::vector<std::string>&) override { return false; }
  std::vector<AVRational> InputVideoFrameRates() const override { return {}; }

 private:
  int outputs_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  mediaconv::fuzz::LoadMediaLibrariesOnce();
  TFFLogger::DefaultLogger().SetLogLevel(llQuiet);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TFuzzTranscoder core;
  for (const TOptionLine& line : SplitOptionText(text)) {
    // Options that read files by name would make the outcome depend on the
    // machine; the preset target covers preset text.
    if (line.name == "fpre" || line.name.ends_with("pre")) continue;
    try {
      core.ApplyOption(line.name, line.value);
    } catch (const FFmpegException&) {
      // A rejected option is a result, not a finding.
    }
  }
  return 0;
}
