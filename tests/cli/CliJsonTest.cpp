#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "CliTestSupport.h"
#include "support/JsonLines.h"

namespace mediaconv::cli::test {
namespace {

namespace fs = std::filesystem;

class CliJsonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config_ = TempFolder("cli-json-config");
    out_ = TempFolder("cli-json-out");
  }
  // Standard output only; standard error is kept in err_.
  TCommandResult Run(const std::string& arguments) {
    return RunCli(arguments + " 2>" + ShellQuote(config_ + "/err.txt"), config_);
  }
  std::string Err() const {
    std::ifstream in(config_ + "/err.txt");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string config_, out_;
};

TEST_F(CliJsonTest, AThreeFileRunIsOneJsonObjectPerLineAndTheLinesForPeopleGoToStandardError) {
  const std::string junk = out_ + "/junk.mp3";
  std::ofstream(junk) << "not audio at all";
  const std::string tone = PresetTone();
  const std::string other = TempFolder("cli-json-in") + "/cli_tone.wav";
  fs::copy_file(tone, other);
  const std::string out = out_ + "/mp3";
  const TCommandResult result = Run("convert --json --format MP3 --preset 2 --out " + ShellQuote(out) + " " +
                                    ShellQuote(tone) + " " + ShellQuote(junk) + " " + ShellQuote(other));
  EXPECT_EQ(result.exitCode, 1) << result.output << Err();  // a file was skipped

  const std::vector<QJsonObject> events = mediaconv::test::ParseJsonLines(result.output);
  ASSERT_FALSE(events.empty()) << Err();
  const auto added = mediaconv::test::Events(events, "added");
  ASSERT_EQ(added.size(), 2u);
  EXPECT_EQ(added[0].value("index").toInt(), 1);
  EXPECT_EQ(mediaconv::test::Text(added[0], "file"), tone);
  EXPECT_EQ(added[1].value("index").toInt(), 2);
  EXPECT_EQ(mediaconv::test::Text(added[1], "output"), out + "/cli_tone(1).mp3");
  EXPECT_EQ(added[1].value("duration").toInteger(), 2'000'000);

  const auto skipped = mediaconv::test::Events(events, "skipped");
  ASSERT_EQ(skipped.size(), 1u);
  EXPECT_EQ(mediaconv::test::Text(skipped[0], "file"), junk);
  EXPECT_NE(mediaconv::test::Text(skipped[0], "reason").find("junk.mp3"), std::string::npos);

  for (const QJsonObject& progress : mediaconv::test::Events(events, "progress")) {
    EXPECT_GE(progress.value("percent").toInt(-1), 0);
    EXPECT_LE(progress.value("percent").toInt(101), 100);
    EXPECT_TRUE(progress.value("elapsed").isDouble());
    EXPECT_TRUE(progress.contains("left"));
  }

  const auto ended = mediaconv::test::Events(events, "ended");
  ASSERT_EQ(ended.size(), 2u);
  for (const QJsonObject& end : ended) {
    EXPECT_EQ(mediaconv::test::Text(end, "status"), "finished");
    EXPECT_TRUE(end.value("error").isNull());
    EXPECT_TRUE(fs::exists(mediaconv::test::Text(end, "output"))) << mediaconv::test::Text(end, "output");
  }

  ASSERT_EQ(mediaconv::test::Text(events.back(), "event"), "summary");
  const QJsonObject& summary = events.back();
  EXPECT_EQ(summary.value("total").toInt(), 2);
  EXPECT_EQ(summary.value("succeeded").toInt(), 2);
  EXPECT_EQ(summary.value("failed").toInt(), 0);
  EXPECT_EQ(summary.value("skipped").toInt(), 1);
  EXPECT_FALSE(summary.value("cancelled").toBool(true));
  EXPECT_TRUE(summary.value("errors").toArray().isEmpty());

  const std::string err = Err();
  EXPECT_NE(err.find("Total files: 2\n"), std::string::npos) << err;
  EXPECT_NE(err.find("[2/2] "), std::string::npos) << err;
}

TEST_F(CliJsonTest, AStoppedFileIsReportedAsStoppedWithWhatItKept) {
  const std::string clip = MediaFixture("cli_json_long.mkv",
                                        "-f lavfi -i testsrc2=size=640x480:rate=25:duration=30 "
                                        "-f lavfi -i sine=duration=30 -c:v mpeg4 -q:v 5 -c:a mp2");
  const std::string printed = config_ + "/printed.txt";
  // Interrupted once the first progress line is out.
  const TCommandResult result =
      RunCommand("{ XDG_CONFIG_HOME=" + ShellQuote(config_) + " HOME=" + ShellQuote(config_) + " " + Cli() +
                 " convert --json --format AVI --preset 1 --out " + ShellQuote(out_) + " " +
                 ShellQuote(clip) + " " + ShellQuote(clip) + " > " + ShellQuote(printed) +
                 " 2>/dev/null & pid=$!; " + "for i in $(seq 600); do grep -q progress " +
                 ShellQuote(printed) + " && break; sleep 0.05; done; kill -INT $pid; wait $pid; }");
  EXPECT_EQ(result.exitCode, 1);
  std::ifstream in(printed);
  const std::vector<QJsonObject> events =
      mediaconv::test::ParseJsonLines(std::string(std::istreambuf_iterator<char>(in), {}));
  const auto ended = mediaconv::test::Events(events, "ended");
  ASSERT_EQ(ended.size(), 2u);
  EXPECT_EQ(mediaconv::test::Text(ended[0], "status"), "stopped");
  EXPECT_TRUE(fs::exists(mediaconv::test::Text(ended[0], "output")));
  EXPECT_EQ(mediaconv::test::Text(ended[1], "status"), "failed");
  EXPECT_TRUE(ended[1].value("output").isNull());
  ASSERT_FALSE(events.empty());
  EXPECT_TRUE(events.back().value("cancelled").toBool());
}

TEST_F(CliJsonTest, SeveralJobsConvertEveryFileUnderItsOwnName) {
  // Four files, two of one name: the names are given before any task starts.
  const std::string in = TempFolder("cli-jobs-in");
  std::vector<std::string> files = {in + "/a.wav", in + "/b.wav", in + "/c.wav"};
  fs::create_directories(in + "/other");
  files.push_back(in + "/other/a.wav");
  std::string operands;
  for (const std::string& file : files) {
    fs::copy_file(PresetTone(), file);
    operands += " " + ShellQuote(file);
  }
  const TCommandResult result =
      Run("convert --json --jobs 2 --format MP3 --out " + ShellQuote(out_) + operands);
  ASSERT_EQ(result.exitCode, 0) << result.output << Err();
  const std::vector<QJsonObject> events = mediaconv::test::ParseJsonLines(result.output);
  std::set<std::string> outputs;
  for (const QJsonObject& end : mediaconv::test::Events(events, "ended")) {
    EXPECT_EQ(mediaconv::test::Text(end, "status"), "finished");
    outputs.insert(mediaconv::test::Text(end, "output"));
  }
  EXPECT_EQ(outputs,
            (std::set<std::string>{out_ + "/a.mp3", out_ + "/a(1).mp3", out_ + "/b.mp3", out_ + "/c.mp3"}));
  for (const std::string& output : outputs)
    EXPECT_NEAR(std::stod(ProbeFormat(output)["duration"]), 2.0, 0.1) << output;
  EXPECT_EQ(events.back().value("succeeded").toInt(), 4);
}

class CliJobsUsageTest : public CliJsonTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CliJobsUsageTest, ANumberOutOfRangeIsAUsageError) {
  const TCommandResult result = RunCli(std::string("convert --jobs ") + GetParam() + " --out " +
                                           ShellQuote(out_) + " " + ShellQuote(PresetTone()) + " 2>&1",
                                       config_);
  EXPECT_EQ(result.exitCode, 2) << result.output;
  EXPECT_NE(result.output.find("--jobs"), std::string::npos) << result.output;
  EXPECT_TRUE(fs::is_empty(out_));
}

INSTANTIATE_TEST_SUITE_P(Values, CliJobsUsageTest, ::testing::Values("x", "-1", "65", "''", "2x"));

}  // namespace
}  // namespace mediaconv::cli::test
