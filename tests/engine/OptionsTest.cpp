#include "engine/transcoder/Options.h"

#include <gtest/gtest.h>

#include <regex>

#include "OptionsTestSupport.h"

using namespace mediaconv::engine;
using mediaconv::test::ErrorOf;
using mediaconv::test::TLogCapture;
using mediaconv::test::TTestTranscoder;

namespace {

class Options : public ::testing::Test {
 protected:
  TTestTranscoder core;
  const TTranscoderSettings& settings = core.Settings();
};

struct TErrorCase {
  const char* name;
  const char* value;
  const char* message;
};

std::string Matrix(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += (i ? "," : "") + std::to_string(i + 1);
  return text;
}

}  // namespace

TEST_F(Options, EachErrorMessageWithTheArgumentThatTriggersIt) {
  const std::string matrix63 = Matrix(63);
  const std::string matrixMessage = "Syntax error in matrix \"" + matrix63 + "\" at coeff 62";
  const TErrorCase cases[] = {
      {"v", "abc", "'abc' is not a valid integer value"},
      {"v", "12abc", "'12abc' is not a valid integer value"},
      {"v", "", "'' is not a valid integer value"},
      {"fs", "1.5", "'1.5' is not a valid integer value"},
      {"v", "99999999999", "'99999999999' is not a valid integer value"},
      {"muxdelay", "x", "'x' is not a valid floating point value"},
      {"muxdelay", "0,5", "'0,5' is not a valid floating point value"},
      {"t", "junk", "Invalid duration specification for t: junk"},
      {"ss", "", "Invalid duration specification for ss: "},
      {"timestamp", "not a date", "Invalid date specification for timestamp: not a date"},
      {"itsscale", "20:2", "stream index over MAX_STREAMS(20)"},
      {"itsscale", "-1:2", "stream index over MAX_STREAMS(20)"},
      {"metadata", "title", "Missing ="},
      {"metadata", "=x", "wrong parameter of metadata"},
      {"map_meta_data", "0,x:0", "Invalid metadata type x."},
      {"map_meta_data", "0:0,q", "Invalid metadata type q."},
      {"streamid", "1", "Invalid value \"1\" for option \"streamid\", required syntax is \"index:value\""},
      {"streamid", "a:1",
       "Invalid value \"a:1\" for option \"streamid\", required syntax is \"index:value\""},
      {"streamid", "-1:5",
       "Invalid value \"-1:5\" for option \"streamid\", required syntax is \"index:value\""},
      {"absf", " nosuchfilter=1 ", "Unknown bitstream filter nosuchfilter=1"},
      {"r", "abc", "Incorrect frame rate"},
      {"s", "abc", "Incorrect frame size"},
      {"aspect", "16:0", "Incorrect aspect ratio specification."},
      {"aspect", "wide", "Incorrect aspect ratio specification."},
      {"aspect", "0", "Incorrect aspect ratio specification."},
      {"pix_fmt", "nosuch", "Unknown pixel format requested: nosuch"},
      {"croptop", "1", "Removed, use the crop filter instead"},
      {"cropright", "", "Removed, use the crop filter instead"},
      {"padleft", "1", "Removed, use the pad filter instead"},
      {"padcolor", "000000", "Removed, use the pad filter instead"},
      {"qscale", "0", "qscale must be > 0.0 and <= 255"},
      {"qscale", "255.5", "qscale must be > 0.0 and <= 255"},
      {"qscale", "high", "'high' is not a valid floating point value"},
      {"pass", "3", "pass number can be only 1 or 2"},
      {"pass", "0", "pass number can be only 1 or 2"},
      {"intra_matrix", matrix63.c_str(), matrixMessage.c_str()},
      {"vtag", "ABC", "tag parameter must be 4 chars or int value"},
      {"atag", "ABCDE", "tag parameter must be 4 chars or int value"},
      {"newvideo", "", "At least one output file must be specified"},
      {"newaudio", "", "At least one output file must be specified"},
      {"newsubtitle", "", "At least one output file must be specified"},
      {"target", "vcd", "frame_rate is invalid."},
      {"target", "pal-xyz", "Unknown target type"},
      {"fpre", "/nonexistent/x.ffpreset", "Preset \"/nonexistent/x.ffpreset\" not found"},
      {"loglevel", "loud", "'loud' is not a valid integer value"},
      {"threads", "many", "'many' is not a valid integer value"},
  };
  for (const TErrorCase& c : cases) {
    TTestTranscoder fresh;
    EXPECT_EQ(ErrorOf([&] { fresh.ApplyOption(c.name, c.value); }), c.message) << c.name << "=" << c.value;
  }
}

TEST_F(Options, DefaultsOfTheSettings) {
  EXPECT_EQ(settings.frameRate.num, 25);
  EXPECT_EQ(settings.frameRate.den, 0);
  EXPECT_EQ(settings.framePixelFormat, -1);
  EXPECT_EQ(settings.maxFrames[fkAudio], INT_MAX);
  EXPECT_EQ(settings.audioSampleRate, 44100);
  EXPECT_EQ(settings.audioChannels, 2);
  EXPECT_FLOAT_EQ(settings.audioQScale, -99999.0f);
  EXPECT_FLOAT_EQ(settings.muxPreload, 0.5f);
  EXPECT_FLOAT_EQ(settings.muxMaxDelay, 0.7f);
  EXPECT_EQ(settings.recordingTime, INT64_MAX);
  EXPECT_EQ(settings.intraDcPrecision, 8);
  EXPECT_EQ(settings.audioVolume, 256);
  EXPECT_EQ(settings.verbose, 1);
  EXPECT_EQ(settings.codecThreadCount, 0);
  EXPECT_FLOAT_EQ(settings.dtsDeltaThreshold, 10.0f);
  EXPECT_FLOAT_EQ(settings.audioDriftThreshold, 0.1f);
  EXPECT_EQ(settings.videoSyncMethod, -1);
  EXPECT_EQ(settings.loopOutput, -1);
  EXPECT_EQ(settings.topFieldFirst, -1);
  EXPECT_EQ(core.OptionStore().ScalerFlags(), SWS_BICUBIC);
}

TEST_F(Options, WholeNumbersInDecimalDollarAndZeroXForms) {
  const std::pair<const char*, int> cases[] = {{"12", 12},    {"-7", -7}, {"$1F", 31},      {"0x10", 16},
                                               {"0XfF", 255}, {"+3", 3},  {"$FFFFFFFF", -1}};
  for (const auto& [text, expected] : cases) {
    core.ApplyOption("v", text);
    EXPECT_EQ(settings.verbose, expected) << text;
  }
  core.ApplyOption("fs", "5000000000");
  EXPECT_EQ(settings.limitFileSize, 5000000000LL);
}

TEST_F(Options, FlagsAreOffOnlyForZero) {
  struct TFlagCase {
    const char* name;
    bool TTranscoderSettings::*field;
  };
  const TFlagCase flags[] = {
      {"dump", &TTranscoderSettings::packetDump},      {"hex", &TTranscoderSettings::hexDump},
      {"re", &TTranscoderSettings::rateEmulation},     {"shortest", &TTranscoderSettings::shortest},
      {"intra", &TTranscoderSettings::intraOnly},      {"vn", &TTranscoderSettings::videoDisable},
      {"an", &TTranscoderSettings::audioDisable},      {"sn", &TTranscoderSettings::subtitleDisable},
      {"sameq", &TTranscoderSettings::sameQuality},    {"deinterlace", &TTranscoderSettings::deinterlace},
      {"psnr", &TTranscoderSettings::doPsnr},          {"qphist", &TTranscoderSettings::qpHistogram},
      {"force_fps", &TTranscoderSettings::forceFps},   {"isync", &TTranscoderSettings::inputSync},
      {"loop_input", &TTranscoderSettings::loopInput},
  };
  for (const TFlagCase& flag : flags) {
    core.ApplyOption(flag.name, "");
    EXPECT_TRUE(settings.*flag.field) << flag.name << " empty";
    core.ApplyOption(flag.name, "0");
    EXPECT_FALSE(settings.*flag.field) << flag.name << " 0";
    core.ApplyOption(flag.name, "no");
    EXPECT_TRUE(settings.*flag.field) << flag.name << " no";
  }
  // These two look at no value at all.
  core.ApplyOption("copyts", "0");
  EXPECT_TRUE(settings.copyTimestamps);
  core.ApplyOption("xerror", "0");
  EXPECT_TRUE(settings.exitOnError);
}

TEST_F(Options, CopyCodecRules) {
  core.ApplyOption("vcodec", "copy");
  EXPECT_TRUE(settings.videoStreamCopy);
  EXPECT_EQ(settings.videoCodecName, "");
  core.ApplyOption("vcodec", "mpeg4");
  EXPECT_EQ(settings.videoCodecName, "mpeg4");
  EXPECT_TRUE(settings.videoStreamCopy);
  core.ApplyOption("vcodec", "");
  EXPECT_EQ(settings.videoCodecName, "mpeg4");
  core.ApplyOption("vcodec", "copy");
  EXPECT_EQ(settings.videoCodecName, "");

  core.ApplyOption("acodec", "mp2");
  core.ApplyOption("acodec", "copy");
  EXPECT_TRUE(settings.audioStreamCopy);
  EXPECT_EQ(settings.audioCodecName, "");
  core.ApplyOption("scodec", "copy");
  EXPECT_TRUE(settings.subtitleStreamCopy);
}

TEST_F(Options, AspectRatioForms) {
  const std::pair<const char*, float> cases[] = {
      {"16:9", 16.0f / 9}, {"1.7777", 1.7777f}, {"4:3", 4.0f / 3}, {"-4:3", -4.0f / 3}, {"2", 2.0f}};
  for (const auto& [text, expected] : cases) {
    core.ApplyOption("aspect", text);
    EXPECT_FLOAT_EQ(settings.frameAspectRatio, expected) << text;
  }
  core.ApplyOption("aspect", "");
  EXPECT_FLOAT_EQ(settings.frameAspectRatio, 2.0f);
}

TEST_F(Options, TimestampScalesPerStream) {
  core.ApplyOption("itsscale", "19:0.5");
  ASSERT_EQ(settings.inputTimestampScales.size(), 20u);
  EXPECT_DOUBLE_EQ(settings.inputTimestampScales[19], 0.5);
  // Streams without a scale keep theirs unchanged.
  EXPECT_DOUBLE_EQ(settings.inputTimestampScales[3], 1.0);
  core.ApplyOption("itsscale", "0x2:1.25");
  EXPECT_DOUBLE_EQ(settings.inputTimestampScales[2], 1.25);
}

TEST_F(Options, MetadataSplitsAtTheFirstEquals) {
  core.ApplyOption("metadata", "title=a=b");
  core.ApplyOption("metadata", "comment=");
  ASSERT_EQ(settings.pendingMetadata.size(), 2u);
  EXPECT_EQ(settings.pendingMetadata[0], std::make_pair(std::string("title"), std::string("a=b")));
  EXPECT_EQ(settings.pendingMetadata[1], std::make_pair(std::string("comment"), std::string()));
}

TEST_F(Options, MatricesOf64Coefficients) {
  core.ApplyOption("inter_matrix", Matrix(64));
  ASSERT_EQ(settings.interMatrix.size(), 64u);
  EXPECT_EQ(settings.interMatrix[0], 1);
  EXPECT_EQ(settings.interMatrix[63], 64);
  EXPECT_TRUE(settings.intraMatrix.empty());
}

TEST_F(Options, CodecTagsFromTextOrNumber) {
  core.ApplyOption("vtag", "XVID");
  EXPECT_EQ(settings.videoCodecTag, 0x44495658u);  // 'X' in the lowest byte
  core.ApplyOption("atag", "0x55");
  EXPECT_EQ(settings.audioCodecTag, 0x55u);
  core.ApplyOption("stag", "123");
  EXPECT_EQ(settings.subtitleCodecTag, 123u);
}

TEST_F(Options, StreamMetadataAndChapterMaps) {
  core.ApplyOption("map", "0.1:2.3");
  core.ApplyOption("map", "1.2");
  core.ApplyOption("map", "0x1:0");
  ASSERT_EQ(settings.streamMaps.size(), 3u);
  const TStreamMap& full = settings.streamMaps[0];
  EXPECT_EQ((std::array{full.fileIndex, full.streamIndex, full.syncFileIndex, full.syncStreamIndex}),
            (std::array{0, 1, 2, 3}));
  const TStreamMap& noSync = settings.streamMaps[1];
  EXPECT_EQ((std::array{noSync.fileIndex, noSync.streamIndex, noSync.syncFileIndex, noSync.syncStreamIndex}),
            (std::array{1, 2, 1, 2}));
  EXPECT_EQ(settings.streamMaps[2].fileIndex, 1);

  core.ApplyOption("map_meta_data", "0:1");
  EXPECT_TRUE(settings.metadataStreamsAutomatic);
  core.ApplyOption("map_meta_data", "1,g:0,s2");
  ASSERT_EQ(settings.metadataMaps.size(), 2u);
  const TMetadataMap& map = settings.metadataMaps[1];
  EXPECT_EQ(map.output.fileIndex, 1);
  EXPECT_EQ(map.output.type, 'g');
  EXPECT_EQ(map.input.fileIndex, 0);
  EXPECT_EQ(map.input.type, 's');
  EXPECT_EQ(map.input.index, 2);
  EXPECT_FALSE(settings.metadataStreamsAutomatic);
  EXPECT_TRUE(settings.metadataChaptersAutomatic);
  core.ApplyOption("map_meta_data", "0,c1:0,p0");
  EXPECT_FALSE(settings.metadataChaptersAutomatic);

  core.ApplyOption("map_chapters", "1:0");
  ASSERT_EQ(settings.chapterMaps.size(), 1u);
  EXPECT_EQ(settings.chapterMaps[0].outputFile, 1);
  EXPECT_EQ(settings.chapterMaps[0].inputFile, 0);

  core.ApplyOption("streamid", "2:301");
  ASSERT_EQ(settings.streamIds.size(), 3u);
  EXPECT_EQ(settings.streamIds[2], 301);
}

TEST_F(Options, TimesFramesAndSizes) {
  core.ApplyOption("t", "1:00");
  EXPECT_EQ(settings.recordingTime, 60000000);
  EXPECT_EQ(settings.expectedDuration, 60000000);
  core.ApplyOption("ss", "2.5");
  EXPECT_EQ(settings.startTime, 2500000);
  core.ApplyOption("itsoffset", "-1");
  EXPECT_EQ(settings.inputTimestampOffset, -1000000);
  core.ApplyOption("timestamp", "1970-01-01T00:00:10.6Z");
  EXPECT_EQ(settings.recordingTimestamp, 11);
  core.ApplyOption("r", "30000/1001");
  EXPECT_EQ(settings.frameRate.num, 30000);
  EXPECT_EQ(settings.frameRate.den, 1001);
  core.ApplyOption("r", "");
  EXPECT_EQ(settings.frameRate.num, 30000);
  core.ApplyOption("s", "640x480");
  EXPECT_EQ(settings.frameWidth, 640);
  EXPECT_EQ(settings.frameHeight, 480);
  core.ApplyOption("pix_fmt", "yuv422p");
  EXPECT_EQ(settings.framePixelFormat, AV_PIX_FMT_YUV422P);
  core.ApplyOption("sample_fmt", "s16");
  EXPECT_EQ(settings.audioSampleFormat, AV_SAMPLE_FMT_S16);
  core.ApplyOption("sample_fmt", "nonsense");
  EXPECT_EQ(settings.audioSampleFormat, -1);
  core.ApplyOption("ar", "48000");
  core.ApplyOption("ar", "0");
  core.ApplyOption("ac", "-1");
  EXPECT_EQ(settings.audioSampleRate, 48000);
  EXPECT_EQ(settings.audioChannels, 2);
  core.ApplyOption("vframes", "100");
  core.ApplyOption("dframes", "7");
  EXPECT_EQ(settings.maxFrames[fkVideo], 100);
  EXPECT_EQ(settings.maxFrames[fkData], 7);
  core.ApplyOption("f", "mp4");
  core.ApplyOption("f", "");
  EXPECT_EQ(settings.formatName, "mp4");
}

TEST_F(Options, ThreadsSetTheCodecThreadCount) {
  TLogCapture log;
  core.ApplyOption("threads", "3");
  EXPECT_EQ(settings.codecThreadCount, 3);
  core.ApplyOption("threads", "auto");
  EXPECT_EQ(settings.codecThreadCount, 0);
  core.ApplyOption("threads", "-2");
  EXPECT_EQ(settings.codecThreadCount, 0);
  EXPECT_EQ(log.Count(llWarning, "Option threads: codec thread count 3"), 1);
  EXPECT_EQ(log.Count(llWarning, "Option threads"), 1);
}

TEST_F(Options, MotionThresholdIsReportedOnceAsWithoutEffect) {
  TLogCapture log;
  core.ApplyOption("me_threshold", "0");
  core.ApplyOption("me_threshold", "4");
  core.ApplyOption("me_threshold", "5");
  EXPECT_EQ(settings.meThreshold, 5);
  EXPECT_EQ(log.Count(llWarning, "me_threshold has no effect"), 1);
}

TEST_F(Options, BitstreamFilterChains) {
  core.ApplyOption("vbsf", "h264_mp4toannexb");
  core.ApplyOption("vbsf", "dump_extra=freq=keyframe");
  core.ApplyOption("absf", "");
  core.ApplyOption("absf", "=aac_adtstoasc");
  ASSERT_EQ(settings.videoBitstreamFilters.size(), 2u);
  EXPECT_STREQ(settings.videoBitstreamFilters[1]->name, "dump_extra");
  EXPECT_TRUE(settings.audioBitstreamFilters.empty());
}

TEST_F(Options, StatisticsFileAndFrameHooks) {
  core.ApplyOption("vstats", "");
  EXPECT_TRUE(std::regex_match(settings.statisticsFileName, std::regex(".*/vstats_[0-9]{6}\\.log")))
      << settings.statisticsFileName;

  core.ApplyOption("vhook", "mod.so|a b|c");
  core.ApplyOption("vhook", "mod.so a  b");
  ASSERT_EQ(core.frameHooks.size(), 2u);
  EXPECT_EQ(core.frameHooks[0], (std::vector<std::string>{"mod.so", "a b", "c"}));
  EXPECT_EQ(core.frameHooks[1], (std::vector<std::string>{"mod.so", "a", "b"}));
  EXPECT_TRUE(settings.videoHookInUse);

  TTestTranscoder failing;
  failing.frameHookResult = false;
  EXPECT_EQ(ErrorOf([&] { failing.ApplyOption("vhook", "missing.so x"); }),
            "Failed to add video hook function: missing.so x");
  EXPECT_FALSE(failing.Settings().videoHookInUse);
}

TEST_F(Options, InformationalOptionsOnlyLog) {
  TLogCapture log;
  core.ApplyOption("i", "whatever");
  core.ApplyOption("benchmark", "");
  core.ApplyOption("timelimit", "10");
  EXPECT_EQ(log.Count(llInfo, "Do nothing: option - i"), 1);
  EXPECT_EQ(log.Count(llInfo, "Do nothing: option - benchmark"), 1);
  EXPECT_EQ(log.Count(llWarning, "Warning: -timelimit not implemented on Windows"), 1);
  // An option nothing knows is dropped without a word from the core.
  EXPECT_NO_THROW(core.ApplyOption("nosuchoption", "1"));
  EXPECT_TRUE(core.OptionStore().StoredOptions().empty());
}

TEST_F(Options, LowBitrateWarningReadsTheTemplate) {
  TLogCapture log;
  const std::string warning = "WARNING: The bitrate parameter is set too low";
  core.ApplyOption("b", "1000000");
  EXPECT_EQ(log.Count(llWarning, warning), 0);
  core.ApplyOption("vb", "64");
  EXPECT_EQ(log.Count(llWarning, warning), 1);
  core.ApplyOption("ab", "32");
  EXPECT_EQ(log.Count(llWarning, warning), 2);
  core.ApplyOption("ab", "128k");
  EXPECT_EQ(log.Count(llWarning, warning), 2);
}

TEST_F(Options, PixelAndSampleFormatLists) {
  TLogCapture log;
  core.ApplyOption("pix_fmt", "list");
  const auto pixelLines = log.Lines(llInfo);
  ASSERT_GT(pixelLines.size(), 67u);
  EXPECT_EQ(pixelLines[0].rfind("name", 0), 0u) << pixelLines[0];
  EXPECT_EQ(pixelLines[1].rfind("yuv420p", 0), 0u) << pixelLines[1];
  EXPECT_EQ(settings.framePixelFormat, -1);
  core.ApplyOption("sample_fmt", "list");
  EXPECT_EQ(log.Lines(llInfo).size(), pixelLines.size() + 1 + AV_SAMPLE_FMT_NB);
}

TEST_F(Options, LogLevelByName) {
  auto& logger = TFFLogger::DefaultLogger();
  const TLogLevel saved = logger.LogLevel();
  core.ApplyOption("loglevel", "debug");
  EXPECT_EQ(logger.LogLevel(), llDebug);
  core.ApplyOption("loglevel", "16");
  EXPECT_EQ(logger.LogLevel(), llError);
  logger.SetLogLevel(saved);
}

TEST_F(Options, TypedSettersIgnoreTheirNoValueMarks) {
  core.SetAudioVolume(-1);
  core.SetMuxMaxDelay(0);
  core.SetMuxPreload(-1);
  core.SetStartTime(AV_NOPTS_VALUE);
  core.SetRecordingTime(AV_NOPTS_VALUE);
  core.SetProgramId(-1);
  core.SetFormatName("");
  EXPECT_EQ(settings.audioVolume, 256);
  EXPECT_FLOAT_EQ(settings.muxMaxDelay, 0.7f);
  EXPECT_FLOAT_EQ(settings.muxPreload, 0.5f);
  EXPECT_EQ(settings.startTime, 0);
  EXPECT_EQ(settings.recordingTime, INT64_MAX);
  EXPECT_EQ(settings.expectedDuration, AV_NOPTS_VALUE);
  EXPECT_EQ(settings.programId, 0);

  core.SetAudioVolume(0);
  core.SetRecordingTime(5000000);
  core.SetProgramId(3);
  core.SetFormatName("avi");
  EXPECT_EQ(settings.audioVolume, 0);
  EXPECT_EQ(settings.recordingTime, 5000000);
  EXPECT_EQ(settings.expectedDuration, 5000000);
  EXPECT_EQ(settings.programId, 3);
  EXPECT_EQ(settings.formatName, "avi");
}

TEST(OptionText, SplitsLinesAndNames) {
  struct TCase {
    const char* text;
    std::vector<std::pair<std::string, std::string>> lines;
  };
  const TCase cases[] = {
      {"", {}},
      {" \t\r\n ", {}},
      {"  A=1<CRLF>b=x=y  ", {{"a", "1"}, {"b", "x=y"}}},
      {"Vcodec=MPEG4\r\nS=320x240\rab=64k\nan",
       {{"vcodec", "MPEG4"}, {"s", "320x240"}, {"ab", "64k"}, {"an", ""}}},
      {"a=1 \n b=2", {{"a", "1 "}, {" b", "2"}}},
      {"a=1\n\n=2", {{"a", "1"}, {"", ""}, {"", "2"}}},
      {"metadata=title=<CRLF>x", {{"metadata", "title="}, {"x", ""}}},
  };
  for (const TCase& c : cases) {
    std::vector<std::pair<std::string, std::string>> lines;
    for (const TOptionLine& line : SplitOptionText(c.text)) lines.emplace_back(line.name, line.value);
    EXPECT_EQ(lines, c.lines) << c.text;
  }
}

TEST_F(Options, InputTextSkipsPerStreamLinesAndAppliesTheRecordLast) {
  core.ApplyInputOptionText("in.avi",
                            "  vcodec=h264<CRLF>newvideo=<CRLF>vf=scale=1:1\r\ns=320x240\rss=5<CRLF>vpre=x  ",
                            TInputFields{"avi", 7000000, 2});
  ASSERT_EQ(core.events.size(), 1u);
  EXPECT_EQ(core.events[0], "input in.avi f=avi vcodec=h264 s=320x240 ss=7000000 program=2 vf=");
}

TEST_F(Options, InputRecordFieldsWithoutValuesLeaveTheText) {
  core.ApplyInputOptionText("in.avi", "ss=5\nprogramid=4\nf=mpegts", TInputFields{});
  EXPECT_EQ(core.events.at(0), "input in.avi f=mpegts vcodec= s=0x0 ss=5000000 program=4 vf=");
}

TEST_F(Options, EmptyOptionTextAppliesNothing) {
  core.ApplyOutputOptionText("out.mp4", false, "  \r\n ", TOutputFields{});
  ASSERT_EQ(core.events.size(), 1u);
  EXPECT_EQ(core.events[0], "output out.mp4 acodec= vcodec= s=0x0 vf=");
  EXPECT_TRUE(core.OptionStore().StoredOptions().empty());
  EXPECT_EQ(settings.frameRate.den, 0);
}

TEST_F(Options, OutputTextCodecFromTextWhenTheRecordLeavesItEmpty) {
  core.ApplyOutputOptionText("out.mp4", false, "acodec=aac", TOutputFields{});
  EXPECT_EQ(core.events.at(0), "output out.mp4 acodec=aac vcodec= s=0x0 vf=");

  TTestTranscoder withRecord;
  TOutputFields fields;
  fields.audioCodec = "mp2";
  withRecord.ApplyOutputOptionText("out.mp4", false, "acodec=aac", fields);
  EXPECT_EQ(withRecord.events.at(0), "output out.mp4 acodec=mp2 vcodec= s=0x0 vf=");
}

TEST_F(Options, OutputTextAddedStreamsTakeTheHeldValuesInOrder) {
  // The first value serves the first stream and again the first added one.
  core.ApplyOutputOptionText(
      "out.mkv", true,
      "newaudio=\nacodec=aac\nnewaudio\nacodec=mp2\nnewaudio\nvfilters=hflip\ns=64x48\n"
      "newvideo\nnewsubtitle",
      TOutputFields{});
  const std::vector<std::string> expected = {
      "output out.mkv join acodec=aac vcodec= s=64x48 vf=hflip",
      "newaudio acodec=aac",
      "newaudio acodec=mp2",
      "newaudio acodec=aac",
      "newvideo vcodec= s=64x48 vf=hflip",
      "newsubtitle scodec=",
  };
  EXPECT_EQ(core.events, expected);
}

TEST_F(Options, OutputTextOrderOfSteps) {
  TOutputFields fields;
  fields.videoCodec = "mpeg4";
  fields.frameSize = "320x240";
  std::vector<std::string> order;
  fields.beforeOptions = [&] { order.push_back("before vcodec=" + core.Settings().videoCodecName); };
  fields.applyRecordFields = [&] {
    order.push_back("record s=" + std::to_string(core.Settings().frameWidth));
    core.ApplyOption("r", "25");
  };
  core.ApplyOutputOptionText("out.avi", false, "s=640x480\nr=10\nvcodec=libx264\nnewvideo", fields);
  EXPECT_EQ(order, (std::vector<std::string>{"before vcodec=", "record s=0"}));
  EXPECT_EQ(settings.frameRate.num, 25);
  ASSERT_EQ(core.events.size(), 2u);
  // The record's codec and size win for the first stream; the text's go to the added one.
  EXPECT_EQ(core.events[0], "output out.avi acodec= vcodec=mpeg4 s=320x240 vf=");
  EXPECT_EQ(core.events[1], "newvideo vcodec=libx264 s=640x480 vf=");
}

TEST_F(Options, OutputTextErrorStopsBeforeTheOutputIsOpened) {
  EXPECT_EQ(ErrorOf([&] { core.ApplyOutputOptionText("out.avi", false, "s=640x480<CRLF>pass=5", {}); }),
            "pass number can be only 1 or 2");
  EXPECT_TRUE(core.events.empty());
}
