#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "CliTestSupport.h"
#include "app/EditionProfile.h"
#include "app/FileNameHelpers.h"
#include "engine/loader/FFLoader.h"

namespace mediaconv::cli::test {
namespace {

namespace fs = std::filesystem;

int CountMatches(const std::string& text, const std::regex& pattern) {
  return static_cast<int>(std::distance(std::sregex_iterator(text.begin(), text.end(), pattern), {}));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config_ = TempFolder("cli-config");
    out_ = TempFolder("cli-out");
  }
  TCommandResult Run(const std::string& arguments) { return RunCli(arguments, config_); }
  bool ConfigStaysEmpty() const { return fs::is_empty(config_); }

  std::string config_, out_;
};

class UsageErrorTest : public CliTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(UsageErrorTest, ExitsTwoWithAMessage) {
  const TCommandResult result = Run(GetParam());
  EXPECT_EQ(result.exitCode, 2) << result.output;
  EXPECT_NE(result.output.find("mediaconv-cli: "), std::string::npos) << result.output;
  EXPECT_TRUE(ConfigStaysEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cases, UsageErrorTest,
                         ::testing::Values("", "frobnicate", "presets --bogus", "presets extra",
                                           "presets --class sound", "presets --class audio --format AVI",
                                           "presets --format", "probe", "probe --format AVI x.mp4", "convert",
                                           "convert --format XYZ a.wav",
                                           "convert --format MP3 --preset 4 a.wav",
                                           "convert --format mp3 --preset one a.wav",
                                           "convert --format mp3 --preset -1 a.wav",
                                           "convert --join=yes a.wav", "convert --out", "--log"));

TEST_F(CliTest, HelpListsTheCommandsAndEachCommandsOptions) {
  TCommandResult result = Run("--help");
  EXPECT_EQ(result.exitCode, 0);
  for (const char* text : {"presets", "probe", "convert", "--log FILE"})
    EXPECT_NE(result.output.find(text), std::string::npos) << text;
  result = Run("convert --help");
  EXPECT_EQ(result.exitCode, 0);
  for (const char* text : {"--format NAME", "--preset N", "--out DIR", "--join", "--quiet", "--log FILE"})
    EXPECT_NE(result.output.find(text), std::string::npos) << text;
  EXPECT_EQ(Run("probe -h").exitCode, 0);
}

TEST_F(CliTest, PresetsListEveryCaptionAndMarkTheSettingsChoice) {
  TCommandResult result = Run("presets");
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(CountMatches(result.output, std::regex(R"((^|\n)[* ] {0,2}\d+  )")), 177);
  EXPECT_EQ(CountMatches(result.output, std::regex(R"((^|\n)\*)")), 24);
  // On a first run the format's default is marked; nothing is written.
  result = Run("presets --format mp3");
  EXPECT_NE(result.output.find("audio MP3 (.mp3), 4 presets\n"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("\n*  2  Normal Quality - MP3"), std::string::npos) << result.output;
  EXPECT_TRUE(ConfigStaysEmpty());

  // The wizard's settings choose the marked preset.
  const app::EditionProfile edition = app::ReadEditionProfile(app::EditionFilePath(BinDir()));
  std::string folder = app::WithTrailingSeparator(config_);
  if (!edition.Name.empty()) folder += edition.Name + "/";
  fs::create_directories(folder);
  std::ofstream(folder + "system.dat") << "[System]\nOutputMP3Preset=0\n";
  const auto before = fs::last_write_time(folder + "system.dat");
  result = Run("presets --class audio");
  EXPECT_NE(result.output.find("\n*  0  For Mobile - MP3"), std::string::npos) << result.output;
  EXPECT_EQ(result.output.find("video AVI"), std::string::npos);
  EXPECT_EQ(ReadFile(folder + "system.dat"), "[System]\nOutputMP3Preset=0\n");
  EXPECT_EQ(fs::last_write_time(folder + "system.dat"), before);
}

TEST_F(CliTest, ProbeJsonGivesOneObjectPerFileAndTheErrorOfAnUnreadableOne) {
  const std::string clip = PresetClip(), tone = PresetTone();
  const std::string junk = out_ + "/junk.mp4";
  std::ofstream(junk) << "junk";
  const std::string json = out_ + "/probe.json";
  const TCommandResult result = Run("probe --json " + ShellQuote(clip) + " " + ShellQuote(tone) + " " +
                                    ShellQuote(junk) + " > " + ShellQuote(json));
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.output.find("File load error: " + junk), std::string::npos) << result.output;
  // An independent reader checks the values.
  const TCommandResult read = RunCommand(
      "python3 -c 'import json, sys; d = json.load(open(sys.argv[1])); a, b, c = d; "
      "print(a[\"duration\"], a[\"width\"], a[\"height\"], a[\"frameRate\"], a[\"channels\"], "
      "a[\"sampleRate\"], "
      "a[\"videoCodec\"].split(\"(\")[0], a[\"audioCodec\"].split(\"(\")[0], a[\"audioBitRate\"]); "
      "print(b[\"audioOnly\"], b[\"width\"], b[\"videoCodec\"], b[\"frameRate\"], b[\"sampleRate\"]); "
      "print(c[\"file\"] == sys.argv[2], c[\"error\"].startswith(sys.argv[2]))' " +
      ShellQuote(json) + " " + ShellQuote(junk));
  ASSERT_EQ(read.exitCode, 0) << read.output << ReadFile(json);
  EXPECT_EQ(read.output,
            "2000000 320 240 25 2 48000 mpeg4 pcm_s16le 1536000\n"
            "True None None None 48000\n"
            "True True\n");
}

TEST_F(CliTest, ProbeTextShowsTheCellsOfTheFileList) {
  const TCommandResult result = Run("probe " + ShellQuote(PresetClip()));
  ASSERT_EQ(result.exitCode, 0) << result.output;
  for (const char* text : {"  Duration: 00:00:02.000\n", "  Dimension: 320 x 240\n", "  Channels: 2\n",
                           "  Sample rate: 48000 Hz\n", "  Bit rate: 1536 Kbps\n", "  Frame rate: 25.00\n",
                           "  RealDuration: 2000000\n", "  Audio encoder: pcm_s16le"})
    EXPECT_NE(result.output.find(text), std::string::npos) << text << "\n" << result.output;
}

TEST_F(CliTest, ConvertSkipsAnUnreadableFileLogsAndSummarises) {
  const std::string tone = PresetTone();
  const std::string junk = out_ + "/junk.wav";
  std::ofstream(junk) << "junk";
  const std::string folder = out_ + "/mp3";
  const std::string log = out_ + "/run.log";
  const TCommandResult result =
      Run("convert --format mp3 --preset 0 --out " + ShellQuote(folder) + " --log " + ShellQuote(log) + " " +
          ShellQuote(tone) + " " + ShellQuote(junk) + " " + ShellQuote(tone));
  EXPECT_EQ(result.exitCode, 1) << result.output;
  for (const char* text : {"Total files: 2\n", "Successed: 2\n", "Failed: 0\n", "File load error: "})
    EXPECT_NE(result.output.find(text), std::string::npos) << text << "\n" << result.output;
  EXPECT_EQ(ProbeStream(folder + "/cli_tone.mp3", "a:0")["sample_rate"], "44100");
  EXPECT_EQ(ProbeStream(folder + "/cli_tone(1).mp3", "a:0")["codec_name"], "mp3");
  const std::string text = ReadFile(log);
  EXPECT_TRUE(std::regex_search(text, std::regex(R"((^|\n)#\d+\.[0-7]: )"))) << text.substr(0, 400);
  EXPECT_NE(text.find("\nFile load error: " + junk), std::string::npos);
  EXPECT_EQ(CountMatches(text, std::regex("File has been added to convert list.")), 2);
  EXPECT_TRUE(ConfigStaysEmpty());
}

TEST_F(CliTest, ConvertEveryFileQuietlyExitsZeroAndPrintsNothing) {
  const TCommandResult result = Run("convert --quiet --format WAV --preset 0 --out " + ShellQuote(out_) +
                                    " " + ShellQuote(PresetTone()));
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(result.output, "");
  EXPECT_TRUE(fs::exists(out_ + "/cli_tone.wav"));
}

TEST_F(CliTest, ConvertWithoutFormatUsesTheSettingsChoice) {
  const app::EditionProfile edition = app::ReadEditionProfile(app::EditionFilePath(BinDir()));
  std::string folder = app::WithTrailingSeparator(config_);
  if (!edition.Name.empty()) folder += edition.Name + "/";
  fs::create_directories(folder);
  std::ofstream(folder + "system.dat")
      << "[System]\nOutputFormatClass=2\nOutputAudioFormat=7\nOutputMP2Preset=1\n"
      << "OutputFileDir=" << out_ << "/\n";
  const TCommandResult result = Run("convert " + ShellQuote(PresetTone()));
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(ProbeStream(out_ + "/cli_tone.mp2", "a:0")["codec_name"], "mp2");
}

TEST_F(CliTest, JoinWritesOneMergedOutput) {
  const std::string clip = PresetClip();
  const TCommandResult result = Run("convert --join --format AVI --preset 3 --out " + ShellQuote(out_) + " " +
                                    ShellQuote(clip) + " " + ShellQuote(clip));
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("Total files: 1\n"), std::string::npos) << result.output;
  const auto format = ProbeFormat(out_ + "/Output_Merge.avi");
  ASSERT_TRUE(format.count("duration")) << result.output;
  EXPECT_NEAR(std::stod(format.at("duration")), 4.0, 0.2);
}

TEST_F(CliTest, OnATerminalProgressIsOneLiveLine) {
  if (RunCommand("command -v script").exitCode != 0) GTEST_SKIP() << "script(1) is not installed";
  const std::string clip = MediaFixture("cli_ten.mkv",
                                        "-f lavfi -i testsrc2=size=640x480:rate=25:duration=10 "
                                        "-f lavfi -i sine=duration=10 -c:v mpeg4 -q:v 5 -c:a mp2");
  // script gives the program a terminal of its own.
  const std::string command = "XDG_CONFIG_HOME=" + ShellQuote(config_) + " " + Cli() +
                              " convert --format MP4 --preset 1 --out " + ShellQuote(out_) + " " +
                              ShellQuote(clip);
  const TCommandResult result = RunCommand("script -qec " + ShellQuote(command) + " /dev/null");
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_TRUE(std::regex_search(
      result.output, std::regex(R"(\r\x1b\[K\[1/1\] cli_ten\.mkv  \d+%  elapsed \d:\d\d:\d\d  left )")))
      << result.output;
  // The live line is cleared before a line that stays.
  EXPECT_NE(result.output.find("\r\x1b[K[1/1] " + clip + ": Finish. -> "), std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("Total files: 1"), std::string::npos);
}

TEST_F(CliTest, InterruptStopsTheRunWithATrailerAndExitsOne) {
  const std::string clip = MediaFixture("cli_long.mkv",
                                        "-f lavfi -i testsrc2=size=640x480:rate=25:duration=30 "
                                        "-f lavfi -i sine=duration=30 -c:v mpeg4 -q:v 5 -c:a mp2");
  const std::string printed = out_ + "/printed.txt";
  // The run prints a line when the first file starts converting; then Ctrl+C.
  const TCommandResult result = RunCommand(
      "XDG_CONFIG_HOME=" + ShellQuote(config_) + " " + Cli() + " convert --format AVI --preset 1 --out " +
      ShellQuote(out_) + " " + ShellQuote(clip) + " " + ShellQuote(clip) + " > " + ShellQuote(printed) +
      " 2>&1 & pid=$!; for i in $(seq 600); do grep -q Converting " + ShellQuote(printed) +
      " && break; sleep 0.1; done; kill -INT $pid; wait $pid; echo status=$?");
  const std::string text = ReadFile(printed);
  EXPECT_NE(result.output.find("status=1"), std::string::npos) << result.output << text;
  for (const char* line : {"Conversion stopped.\n", "Total files: 2\n", "Successed: 0\n", "Failed: 2\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  const auto format = ProbeFormat(out_ + "/cli_long.avi");
  ASSERT_TRUE(format.count("duration")) << text;
  EXPECT_LT(std::stod(format.at("duration")), 30.0);
}

TEST_F(CliTest, LibrariesThatCannotLoadExitThreeWithTheLoadersReason) {
  // A copy of the program beside a lib folder whose avutil is no library.
  const std::string folder = TempFolder("cli-nolib");
  fs::copy_file(BinDir() + "/mediaconv-cli", folder + "/mediaconv-cli");
  fs::create_directories(folder + "/lib");
  std::ofstream(folder + "/lib/" + engine::TFFLoader::LibraryFileName(engine::lkAvutil)) << "not a library";
  for (const char* command : {"probe x.wav", "convert --format mp3 --out /tmp x.wav"}) {
    const TCommandResult result = RunCommand("XDG_CONFIG_HOME=" + ShellQuote(config_) + " " +
                                             ShellQuote(folder + "/mediaconv-cli") + " " + command);
    EXPECT_EQ(result.exitCode, 3) << command << "\n" << result.output;
    EXPECT_NE(result.output.find("Load library "), std::string::npos) << result.output;
  }
}

}  // namespace
}  // namespace mediaconv::cli::test
