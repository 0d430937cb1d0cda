// Files whose streams do not fit the chosen output: covers, files without the
// sound or picture the format needs, joins of unlike files, undecodable data.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include <string>
#include <vector>

#include "CliTestSupport.h"

namespace mediaconv::cli::test {
namespace {

// A tone with a small PNG cover, as music files carry it.
std::string CoverMp3() {
  return MediaFixture("cli_cover.mp3",
                      "-f lavfi -i sine=duration=1 -f lavfi -i color=c=red:size=32x32:duration=0.04 -map 0 "
                      "-map 1 -c:a libmp3lame -c:v png -frames:v 1 -disposition:v attached_pic");
}

std::string VideoOnly() {
  return MediaFixture("cli_video_only.mp4",
                      "-f lavfi -i testsrc2=size=160x120:rate=25:duration=1 -c:v mpeg4");
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// "codec[:cover]" of every stream of a file, in order.
std::vector<std::string> Streams(const std::string& path) {
  std::vector<std::string> streams;
  for (const auto& fields :
       ProbeCsv(path, "-show_entries stream=codec_name:stream_disposition=attached_pic")) {
    if (fields.size() == 2) streams.push_back(fields[0] + (fields[1] == "1" ? ":cover" : ""));
  }
  return streams;
}

class CliMediaKindsTest : public ::testing::Test {
 protected:
  TCommandResult Run(const std::string& arguments) { return RunCli(arguments, config_); }
  std::string config_ = TempFolder("cli-config");
  std::string out_ = TempFolder("cli-out");
};

TEST_F(CliMediaKindsTest, MusicWithACoverConvertsToEveryFormatAndKeepsTheCoverWhereItFits) {
  const std::string source = CoverMp3();
  ASSERT_FALSE(source.empty());
  const struct {
    const char* format;
    const char* file;
    std::vector<std::string> streams;
  } cases[] = {
      {"MP4", "cli_cover.mp4", {"aac", "png:cover"}},
      {"iPod", "cli_cover(1).mp4", {"aac", "png:cover"}},
      {"3GP", "cli_cover.3gp", {"aac"}},
      {"AVI", "cli_cover.avi", {"mp3"}},
      {"MOV", "cli_cover.mov", {"mp3"}},
      {"MP3", "cli_cover.mp3", {"mp3", "png:cover"}},
      {"M4A", "cli_cover.m4a", {"aac", "png:cover"}},
      {"FLAC", "cli_cover.flac", {"flac", "png:cover"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    const TCommandResult result = Run(std::string("convert --quiet --format ") + c.format + " --out " +
                                      ShellQuote(out_) + " " + ShellQuote(source));
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(Streams(out_ + "/" + c.file), c.streams);
  }
}

TEST_F(CliMediaKindsTest, AFileWithoutSoundToAnAudioFormatSaysItHasNoAudioOnScreenAndInTheLog) {
  const std::string video = VideoOnly();
  ASSERT_FALSE(video.empty());
  const std::string log = config_ + "/run.log";
  const TCommandResult result = Run("convert --format MP3 --out " + ShellQuote(out_) + " --log " +
                                    ShellQuote(log) + " " + ShellQuote(video));
  EXPECT_EQ(result.exitCode, 1) << result.output;
  const std::string reason = video + ": the file has no audio to convert";
  EXPECT_NE(result.output.find(reason), std::string::npos) << result.output;
  EXPECT_EQ(result.output.find("does not contain any stream"), std::string::npos) << result.output;
  EXPECT_NE(ReadFile(log).find(reason), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(out_));
}

TEST_F(CliMediaKindsTest, AJoinOfAFileWithoutPictureAndAVideoIsRefusedNamingTheFile) {
  const std::string tone = PresetTone(), video = VideoOnly();
  const TCommandResult result = Run("convert --join --format MP4 --out " + ShellQuote(out_) + " " +
                                    ShellQuote(tone) + " " + ShellQuote(video));
  EXPECT_EQ(result.exitCode, 1) << result.output;
  EXPECT_NE(result.output.find("Cannot join: " + tone + " has no video"), std::string::npos) << result.output;
  EXPECT_TRUE(std::filesystem::is_empty(out_));
}

TEST_F(CliMediaKindsTest, RandomBytesNamedMp3FailInEveryFormatInsteadOfFinishing) {
  const std::string noise = config_ + "/noise.mp3";
  {
    std::mt19937 generator(15);
    std::string bytes(100000, '\0');
    for (char& byte : bytes) byte = char(generator() & 0xFF);
    std::ofstream(noise, std::ios::binary) << bytes;
  }
  for (const char* format : {"MP3", "MP4", "WAV", "AVI"}) {
    SCOPED_TRACE(format);
    const TCommandResult result = Run(std::string("convert --format ") + format + " --out " +
                                      ShellQuote(out_) + " " + ShellQuote(noise));
    EXPECT_EQ(result.exitCode, 1) << result.output;
    EXPECT_EQ(result.output.find("Finish."), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("Nothing was converted: no audio or video could be read from the input"),
              std::string::npos)
        << result.output;
  }
}

}  // namespace
}  // namespace mediaconv::cli::test
