// What each step of the transcoder consumes: the scope column of the option
// table, checked option by option against the reset it drives, then against
// the real input opening, output set-up and new streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "OptionsTestSupport.h"
#include "engine/transcoder/CustomFFmpeg.h"
#include "engine/transcoder/Options.h"
#include "support/Fixtures.h"

using namespace mediaconv::engine;
using mediaconv::test::ErrorOf;
using mediaconv::test::TTestTranscoder;
using enum TOptionScope;

namespace {

constexpr TOptionScope kSteps[] = {kNextInput, kNextOutput, kNextVideoStream, kNextAudioStream,
                                   kNextSubtitleStream};

const char* StepName(TOptionScope step) {
  switch (step) {
    case kGlobal:
      return "global";
    case kNextInput:
      return "input";
    case kNextOutput:
      return "output";
    case kNextVideoStream:
      return "video stream";
    case kNextAudioStream:
      return "audio stream";
    case kNextSubtitleStream:
      return "subtitle stream";
  }
  return "?";
}

// An option with a value that changes the settings, and the steps that
// consume it (none: it lasts the run).
struct TLifetime {
  const char* name;
  const char* value;
  std::vector<TOptionScope> consumers;

  bool ConsumedBy(TOptionScope step) const {
    return std::find(consumers.begin(), consumers.end(), step) != consumers.end();
  }
};

const std::vector<TLifetime>& Lifetimes() {
  static const std::vector<TLifetime> kLifetimes = {
      // The next input; "f" serves the next file of either side, and the
      // input takes the codec names as its forced decoders.
      {"f", "avi", {kNextInput, kNextOutput}},
      {"ss", "2", {kNextInput}},
      {"itsoffset", "1", {kNextInput}},
      {"itsscale", "1:2", {kNextInput}},
      {"programid", "3", {kNextInput}},
      {"vc", "1", {kNextInput}},
      {"vdt", "8", {kNextInput}},
      // The next output; its forced key frames also end with it.
      {"metadata", "title=x", {kNextOutput}},
      {"streamid", "1:5", {kNextOutput}},
      {"force_key_frames", "1,2", {kNextOutput, kNextVideoStream}},
      // The next stream of a kind; a codec name, not "copy", also the input.
      {"vcodec", "mpeg4", {kNextInput, kNextVideoStream}},
      {"vcodec", "copy", {kNextVideoStream}},
      {"vn", "", {kNextVideoStream}},
      {"vlang", "eng", {kNextVideoStream}},
      {"pix_fmt", "yuv422p", {kNextVideoStream}},
      {"vbsf", "h264_mp4toannexb", {kNextVideoStream}},
      {"acodec", "mp2", {kNextInput, kNextAudioStream}},
      {"acodec", "copy", {kNextAudioStream}},
      {"an", "1", {kNextAudioStream}},
      {"alang", "ger", {kNextAudioStream}},
      {"absf", "aac_adtstoasc", {kNextAudioStream}},
      {"scodec", "mov_text", {kNextInput, kNextSubtitleStream}},
      {"scodec", "copy", {kNextSubtitleStream}},
      {"sn", "", {kNextSubtitleStream}},
      {"slang", "fre", {kNextSubtitleStream}},
      {"sbsf", "null", {kNextSubtitleStream}},
      // The whole run: every option that binds a field, and handlers of each kind.
      {"v", "3", {}},
      {"dump", "", {}},
      {"hex", "", {}},
      {"re", "", {}},
      {"xerror", "", {}},
      {"fs", "1000", {}},
      {"t", "5", {}},
      {"timestamp", "1970-01-01T00:00:10Z", {}},
      {"map", "0.1", {}},
      {"map_meta_data", "0:0,s0", {}},
      {"map_chapters", "0:0", {}},
      {"loop_input", "", {}},
      {"loop_output", "2", {}},
      {"muxdelay", "1.5", {}},
      {"muxpreload", "1.5", {}},
      {"copyts", "", {}},
      {"shortest", "", {}},
      {"dts_delta_threshold", "3", {}},
      {"copyinkf", "1", {}},
      {"isync", "", {}},
      {"async", "1", {}},
      {"vsync", "1", {}},
      {"adrift_threshold", "0.5", {}},
      {"vglobal", "1", {}},
      {"dframes", "7", {}},
      {"vframes", "7", {}},
      {"aframes", "7", {}},
      {"r", "30", {}},
      {"s", "64x48", {}},
      {"aspect", "16:9", {}},
      {"intra", "", {}},
      {"qscale", "4", {}},
      {"rc_override", "0,10,2", {}},
      {"me_threshold", "2", {}},
      {"sameq", "", {}},
      {"pass", "1", {}},
      {"passlogfile", "log", {}},
      {"deinterlace", "", {}},
      {"psnr", "", {}},
      {"vstats_file", "stats.log", {}},
      {"vf", "hflip", {}},
      {"vfilters", "vflip", {}},
      {"intra_matrix",
       "1,2,3,4,5,6,7,8,1,2,3,4,5,6,7,8,1,2,3,4,5,6,7,8,1,2,3,4,5,6,7,8,"
       "1,2,3,4,5,6,7,8,1,2,3,4,5,6,7,8,1,2,3,4,5,6,7,8,1,2,3,4,5,6,7,8",
       {}},
      {"top", "1", {}},
      {"dc", "9", {}},
      {"vtag", "XVID", {}},
      {"qphist", "", {}},
      {"force_fps", "", {}},
      {"tvstd", "pal", {}},
      {"aq", "3", {}},
      {"ar", "8000", {}},
      {"ac", "1", {}},
      {"vol", "512", {}},
      {"atag", "0x55", {}},
      {"sample_fmt", "s16", {}},
      {"stag", "7", {}},
  };
  return kLifetimes;
}

class OptionScopes : public ::testing::Test {
 protected:
  const TTranscoderSettings defaults_{};
};

TEST_F(OptionScopes, EveryOptionOfAScopeHasALifetimeThatTheScopeConsumes) {
  for (const TOptionScope step : kSteps) {
    for (const std::string& name : TTranscoderOptions::OptionsOfScope(step)) {
      const auto& cases = Lifetimes();
      const bool covered = std::any_of(cases.begin(), cases.end(), [&](const TLifetime& c) {
        return c.name == name && c.ConsumedBy(step);
      });
      EXPECT_TRUE(covered) << name << " (" << StepName(step) << ") has no case";
    }
  }
}

TEST_F(OptionScopes, EachStepResetsWhatItConsumesAndLeavesTheRest) {
  for (const TLifetime& c : Lifetimes()) {
    TTestTranscoder core;
    core.ApplyOption(c.name, c.value);
    const TTranscoderSettings set = core.Settings();
    ASSERT_FALSE(set == defaults_) << c.name << "=" << c.value << " changes nothing";
    for (const TOptionScope step : kSteps) {
      TTranscoderSettings after = set;
      TTranscoderOptions::ResetScope(after, step);
      if (c.ConsumedBy(step))
        EXPECT_TRUE(after == defaults_) << c.name << "=" << c.value << " kept by the " << StepName(step);
      else
        EXPECT_TRUE(after == set) << c.name << "=" << c.value << " reset by the " << StepName(step);
    }
  }
}

// All options at once: a step leaves exactly what the options it does not
// consume would have set on their own.
TEST_F(OptionScopes, AStepOnBusySettingsLeavesWhatOtherScopesSet) {
  TTestTranscoder all;
  for (const TLifetime& c : Lifetimes()) all.ApplyOption(c.name, c.value);
  for (const TOptionScope step : kSteps) {
    TTestTranscoder others;
    for (const TLifetime& c : Lifetimes())
      if (!c.ConsumedBy(step)) others.ApplyOption(c.name, c.value);
    TTranscoderSettings after = all.Settings();
    TTranscoderOptions::ResetScope(after, step);
    EXPECT_TRUE(after == others.Settings()) << StepName(step);
    EXPECT_FALSE(after == all.Settings()) << StepName(step) << " consumed nothing";
  }
}

// The settings hold nothing that the step would still reset.
void ExpectConsumed(const TTranscoderSettings& settings, TOptionScope step) {
  TTranscoderSettings reset = settings;
  TTranscoderOptions::ResetScope(reset, step);
  EXPECT_TRUE(settings == reset) << "the " << StepName(step) << " left some of its settings";
}

// The real steps of the run, on a small file with video and audio.
class ConsumingSteps : public OptionScopes {
 protected:
  static std::string Source() {
    return mediaconv::test::MediaFixture(
        "scopes-mpeg4-mp2.mkv",
        "-f lavfi -i testsrc2=size=64x48:rate=10:duration=1 -f lavfi -i sine=sample_rate=22050:duration=1 "
        "-c:v mpeg4 -c:a mp2");
  }
  void Apply(const std::vector<std::pair<std::string, std::string>>& options) {
    for (const auto& [name, value] : options) core_.ApplyOption(name, value);
  }
  // Something for the step to consume, so that its check can fail.
  void ExpectPending(TOptionScope step) {
    TTranscoderSettings reset = core_.Settings();
    TTranscoderOptions::ResetScope(reset, step);
    ASSERT_FALSE(core_.Settings() == reset) << "nothing pending for the " << StepName(step);
  }

  TCustomFFmpeg core_;
  std::string folder_ = mediaconv::test::TempFolder("scopes");
};

TEST_F(ConsumingSteps, AnOpenedInputConsumesItsSettingsAndLeavesTheStreams) {
  const std::string source = Source();
  ASSERT_FALSE(source.empty());
  Apply({{"f", "matroska"},
         {"ss", "0.2"},
         {"itsoffset", "1"},
         {"itsscale", "0:1.5"},
         {"vdt", "8"},
         {"vcodec", "mpeg4"},
         {"acodec", "mp2"},
         {"vlang", "eng"}});
  ExpectPending(kNextInput);
  core_.ApplyInputOptionText(source, "", TInputFields{});
  ASSERT_EQ(core_.InputFileCount(), 1);
  ExpectConsumed(core_.Settings(), kNextInput);
  EXPECT_EQ(core_.Settings().videoLanguage, "eng");
}

// A failed input used to hand its program and start on to the next file of
// the task, which then failed for the same program.
TEST_F(ConsumingSteps, AFailedInputConsumesItsSettingsToo) {
  const std::string source = Source();
  ASSERT_FALSE(source.empty());
  EXPECT_EQ(ErrorOf([&] { core_.ApplyInputOptionText(source, "ss=0.5\nprogramid=77\nitsscale=0:2", {}); }),
            "Specified program id not found");
  ExpectConsumed(core_.Settings(), kNextInput);
  EXPECT_EQ(ErrorOf([&] { core_.ApplyInputOptionText(source, "", {}); }), "(no exception)");
  EXPECT_EQ(core_.InputFileCount(), 1);
}

TEST_F(ConsumingSteps, AnOutputAndItsFirstStreamsConsumeTheirSettings) {
  const std::string source = Source();
  ASSERT_FALSE(source.empty());
  core_.ApplyInputOptionText(source, "", TInputFields{});
  Apply({{"f", "matroska"},
         {"metadata", "title=x"},
         {"streamid", "0:5"},
         {"vcodec", "mpeg4"},
         {"vlang", "eng"},
         {"force_key_frames", "0.5"},
         {"acodec", "mp2"},
         {"alang", "ger"},
         {"slang", "fre"}});
  for (const TOptionScope step : {kNextOutput, kNextVideoStream, kNextAudioStream}) ExpectPending(step);
  core_.ApplyOutputOptionText(folder_ + "/out.mkv", false, "", TOutputFields{});
  ASSERT_EQ(core_.OutputFileCount(), 1);
  for (const TOptionScope step : {kNextOutput, kNextVideoStream, kNextAudioStream})
    ExpectConsumed(core_.Settings(), step);
  // The input has no subtitles: no subtitle stream took the language.
  EXPECT_EQ(core_.Settings().subtitleLanguage, "fre");
}

TEST_F(ConsumingSteps, AFailedOutputConsumesItsSettingsToo) {
  const std::string source = Source();
  ASSERT_FALSE(source.empty());
  core_.ApplyInputOptionText(source, "", TInputFields{});
  Apply({{"metadata", "title=stale"}, {"streamid", "0:5"}});
  EXPECT_EQ(ErrorOf([&] { core_.ApplyOutputOptionText(folder_ + "/out.mkv", false, "f=nosuch", {}); }),
            "Requested output format 'nosuch' is not a suitable output format");
  ExpectConsumed(core_.Settings(), kNextOutput);
}

// Refused because the input has nothing of what the output is made of.
TEST_F(ConsumingSteps, AnOutputRefusedForWhatItsInputLacksConsumesItsSettingsToo) {
  const std::string tone =
      mediaconv::test::MediaFixture("scopes-tone.wav", "-f lavfi -i sine=sample_rate=22050:duration=1");
  ASSERT_FALSE(tone.empty());
  core_.ApplyInputOptionText(tone, "", TInputFields{});
  Apply({{"metadata", "title=stale"}, {"streamid", "0:5"}});
  EXPECT_EQ(ErrorOf([&] { core_.ApplyOutputOptionText(folder_ + "/out.avi", false, "an=1", {}); }),
            tone + ": the file has no video to convert");
  ExpectConsumed(core_.Settings(), kNextOutput);
}

TEST_F(ConsumingSteps, ANewStreamConsumesOnlyItsOwnKind) {
  const std::string source = Source();
  ASSERT_FALSE(source.empty());
  core_.ApplyInputOptionText(source, "", TInputFields{});
  core_.ApplyOutputOptionText(folder_ + "/out.mkv", false, "", TOutputFields{});
  Apply({{"acodec", "mp2"}, {"alang", "ger"}, {"absf", "null"}, {"vlang", "fre"}, {"vn", ""}});
  ExpectPending(kNextAudioStream);
  core_.ApplyOption("newaudio", "");
  ExpectConsumed(core_.Settings(), kNextAudioStream);
  EXPECT_EQ(core_.Settings().videoLanguage, "fre");
  EXPECT_TRUE(core_.Settings().videoDisable);
  core_.ApplyOption("newvideo", "");
  ExpectConsumed(core_.Settings(), kNextVideoStream);
}

}  // namespace
