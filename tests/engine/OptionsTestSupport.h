#pragma once
// A transcoder with the run's hooks replaced by recorders.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine/loader/Av.h"
#include "engine/loader/FFLoader.h"
#include "engine/log/FFLogger.h"
#include "engine/transcoder/Options.h"
#include "support/EngineErrors.h"
#include "support/LogCapture.h"

namespace mediaconv::test {

using engine::TLogLevel;

class TTestTranscoder : public engine::TTranscoderOptions {
 public:
  // What each hook saw: "input <file> ..." and so on.
  std::vector<std::string> events;
  int outputCount = 0;
  bool frameHookResult = true;
  std::vector<std::vector<std::string>> frameHooks;
  std::vector<AVRational> inputRates;

 protected:
  void OpenInputFile(const std::string& fileName) override {
    events.push_back("input " + fileName + " f=" + settings_.formatName + " vcodec=" +
                     settings_.videoCodecName + " s=" + std::to_string(settings_.frameWidth) + "x" +
                     std::to_string(settings_.frameHeight) + " ss=" + std::to_string(settings_.startTime) +
                     " program=" + std::to_string(settings_.programId) + " vf=" + settings_.videoFilters);
  }
  void OpenOutputFile(const std::string& fileName, bool join) override {
    ++outputCount;
    events.push_back("output " + fileName + (join ? " join" : "") + " acodec=" + settings_.audioCodecName +
                     " vcodec=" + settings_.videoCodecName + " s=" + std::to_string(settings_.frameWidth) +
                     "x" + std::to_string(settings_.frameHeight) + " vf=" + settings_.videoFilters);
    // The run sets up the first streams, then the output consumes its settings.
    for (const auto scope : {engine::TOptionScope::kNextVideoStream, engine::TOptionScope::kNextAudioStream,
                             engine::TOptionScope::kNextSubtitleStream, engine::TOptionScope::kNextOutput})
      ResetScope(settings_, scope);
  }
  int OutputFileCount() const override { return outputCount; }
  void NewVideoStream() override {
    events.push_back("newvideo vcodec=" + settings_.videoCodecName +
                     " s=" + std::to_string(settings_.frameWidth) + "x" +
                     std::to_string(settings_.frameHeight) + " vf=" + settings_.videoFilters);
    ResetScope(settings_, engine::TOptionScope::kNextVideoStream);
  }
  void NewAudioStream() override {
    events.push_back("newaudio acodec=" + settings_.audioCodecName);
    ResetScope(settings_, engine::TOptionScope::kNextAudioStream);
  }
  void NewSubtitleStream() override {
    events.push_back("newsubtitle scodec=" + settings_.subtitleCodecName);
    ResetScope(settings_, engine::TOptionScope::kNextSubtitleStream);
  }
  bool AddFrameHook(const std::vector<std::string>& words) override {
    frameHooks.push_back(words);
    return frameHookResult;
  }
  std::vector<AVRational> InputVideoFrameRates() const override { return inputRates; }
};

}  // namespace mediaconv::test
