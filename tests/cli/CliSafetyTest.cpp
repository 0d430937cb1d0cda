#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "CliTestSupport.h"

namespace mediaconv::cli::test {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Thirty seconds of tone: long enough for runs to overlap and to be killed midway.
std::string LongTone() {
  return MediaFixture("cli_long_tone.wav",
                      "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=30 -ac 2");
}

// Thirty seconds of video that takes seconds to convert.
std::string LongClip() {
  return MediaFixture("cli_safety_clip.mkv",
                      "-f lavfi -i testsrc2=size=640x480:rate=25:duration=30 "
                      "-f lavfi -i sine=duration=30 -c:v mpeg4 -q:v 5 -c:a mp2");
}

class CliSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config_ = TempFolder("cli-config");
    out_ = TempFolder("cli-out");
  }
  std::string Command(const std::string& arguments) const {
    return "XDG_CONFIG_HOME=" + ShellQuote(config_) + " HOME=" + ShellQuote(config_) + " " + Cli() + " " +
           arguments;
  }
  TCommandResult Run(const std::string& arguments) { return RunCli(arguments, config_); }

  std::string config_, out_;
};

TEST_F(CliSafetyTest, TwoRunsIntoOneFolderAtOnceWriteTwoOutputs) {
  const std::string tone = LongTone();
  const std::string convert =
      Command("convert --format WAV --preset 0 --out " + ShellQuote(out_) + " " + ShellQuote(tone));
  const TCommandResult result =
      RunCommand("{ " + convert + " > " + ShellQuote(config_ + "/a.txt") + " 2>&1 & " + convert + " > " +
                 ShellQuote(config_ + "/b.txt") + " 2>&1; wait $!; }; echo first=$?");
  const std::string printed = ReadText(config_ + "/a.txt") + ReadText(config_ + "/b.txt");
  EXPECT_EQ(Names(out_), (std::vector<std::string>{"cli_long_tone(1).wav", "cli_long_tone.wav"})) << printed;
  // Each run names the file it actually wrote.
  EXPECT_NE(printed.find("Finish. -> " + out_ + "/cli_long_tone.wav\n"), std::string::npos) << printed;
  EXPECT_NE(printed.find("Finish. -> " + out_ + "/cli_long_tone(1).wav\n"), std::string::npos) << printed;
  for (const char* name : {"/cli_long_tone.wav", "/cli_long_tone(1).wav"})
    EXPECT_NEAR(std::stod(ProbeFormat(out_ + name)["duration"]), 30.0, 0.1) << name;
}

TEST_F(CliSafetyTest, ABatchLargerThanTheDescriptorLimitConvertsEveryFile) {
  // Queued files hold no descriptor: under a limit of 32, 60 files all convert.
  const std::string tone = MediaFixture("cli_short_tone.wav",
                                        "-f lavfi -i sine=frequency=440:sample_rate=8000:duration=0.2 -ac 1");
  const std::string in = TempFolder("cli-many");
  std::string operands;
  for (int i = 0; i < 60; ++i) {
    const std::string name = in + "/t" + std::to_string(i) + ".wav";
    fs::copy_file(tone, name);
    operands += " " + ShellQuote(name);
  }
  const TCommandResult result =
      RunCommand("ulimit -n 32 && " +
                 Command("convert --format WAV --preset 0 --out " + ShellQuote(out_) + operands) + " 2>&1");
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(Names(out_).size(), 60u) << result.output;
  EXPECT_EQ(result.output.find("Too many open files"), std::string::npos) << result.output;
}

TEST_F(CliSafetyTest, AFileThatStartsAndThenFailsExitsOneWithItsReasonAndTheSkippedAreCounted) {
  // MPEG-4 Part 2 takes no frame rate above 65535: checked fine, refused once the run opens its encoder.
  const std::string fast = MediaFixture(
      "cli_fast.nut", "-f lavfi -i testsrc2=size=160x120:rate=70001:duration=0.02 -c:v ffv1 -f nut");
  const std::string junk = config_ + "/junk.avi";
  std::ofstream(junk) << "not a video";
  const TCommandResult result = Run("convert --format AVI --preset 3 --out " + ShellQuote(out_) + " " +
                                    ShellQuote(fast) + " " + ShellQuote(junk) + " 2>&1");
  EXPECT_EQ(result.exitCode, 1) << result.output;
  EXPECT_NE(result.output.find("[1/1] " + fast + ": Failed."), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("File (1): Error while opening encoder for output stream #0.0 (Video)"),
            std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("Failed: 1\n"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("Not converted: 1 file(s) could not be read or added\n"), std::string::npos)
      << result.output;
  EXPECT_TRUE(Names(out_).empty());
}

TEST_F(CliSafetyTest, AKilledRunLeavesNoFileUnderAFinalNameAndTheNextRunTidiesUp) {
  const std::string clip = LongClip();
  const std::string printed = config_ + "/printed.txt";
  const std::string convert =
      Command("convert --format AVI --preset 1 --out " + ShellQuote(out_) + " " + ShellQuote(clip));
  RunCommand(convert + " > " + ShellQuote(printed) +
             " 2>&1 & pid=$!; for i in $(seq 600); do grep -q Converting " + ShellQuote(printed) +
             " && break; sleep 0.1; done; sleep 0.5; kill -KILL $pid; wait $pid");
  ASSERT_NE(ReadText(printed).find("Converting"), std::string::npos) << ReadText(printed);
  std::vector<std::string> left = Names(out_);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_TRUE(std::regex_match(left[0], std::regex(R"(\.cli_safety_clip\.avi\.[0-9a-f]{8}\.part)")))
      << left[0];

  const TCommandResult again =
      Run("convert --format MP3 --preset 0 --out " + ShellQuote(out_) + " " + ShellQuote(clip));
  EXPECT_EQ(again.exitCode, 0) << again.output;
  // Another output's temporary is not this run's to remove.
  EXPECT_EQ(Names(out_).size(), 2u);
  const TCommandResult third =
      Run("convert --format AVI --preset 1 --out " + ShellQuote(out_) + " " + ShellQuote(PresetTone()));
  const TCommandResult same = Run("convert --quiet --format AVI --preset 0 --out " + ShellQuote(out_) + " " +
                                  ShellQuote(clip) + " --log /dev/null");
  EXPECT_EQ(same.exitCode, 0) << same.output;
  EXPECT_EQ(Names(out_),
            (std::vector<std::string>{"cli_safety_clip.avi", "cli_safety_clip.mp3", "cli_tone.avi"}))
      << third.output;
}

TEST_F(CliSafetyTest, AFailedWriteLeavesNeitherATemporaryNorAFinalName) {
  // Writes past 64 KiB fail with "File too large" instead of killing the program.
  const TCommandResult result = RunCommand(
      "trap '' XFSZ; ulimit -f 64; " +
      Command("convert --format WAV --preset 0 --out " + ShellQuote(out_) + " " + ShellQuote(LongTone())) +
      " 2>&1");
  EXPECT_EQ(result.exitCode, 1) << result.output;
  EXPECT_NE(result.output.find("Failed."), std::string::npos) << result.output;
  // Numbered from 1, as the progress counter "[1/1]" numbers it.
  EXPECT_NE(result.output.find("\nFile (1): "), std::string::npos) << result.output;
  EXPECT_TRUE(fs::is_empty(out_)) << Names(out_)[0];
}

TEST_F(CliSafetyTest, ALogFileIsLeftAloneByAUsageErrorAndAppendedToByARun) {
  const std::string log = out_ + "/run.log";
  std::ofstream(log) << "earlier run\n";
  for (const char* arguments : {"convert --format XYZ --log ", "convert --format mp3 --preset 9 --log ",
                                "presets --class sound --log "}) {
    const TCommandResult result = Run(arguments + ShellQuote(log) + " x.wav");
    EXPECT_EQ(result.exitCode, 2) << arguments << result.output;
    EXPECT_EQ(ReadText(log), "earlier run\n") << arguments;
  }
  EXPECT_EQ(Run("convert --format XYZ --log " + ShellQuote(out_ + "/new.log") + " x.wav").exitCode, 2);
  EXPECT_FALSE(fs::exists(out_ + "/new.log"));
  const TCommandResult result = Run("convert --format WAV --preset 0 --out " + ShellQuote(out_ + "/wav") +
                                    " --log " + ShellQuote(log) + " " + ShellQuote(PresetTone()));
  EXPECT_EQ(result.exitCode, 0) << result.output;
  const std::string text = ReadText(log);
  EXPECT_EQ(text.rfind("earlier run\n", 0), 0u) << text.substr(0, 200);
  EXPECT_NE(text.find("File has been added to convert list."), std::string::npos);
}

TEST_F(CliSafetyTest, ALogFileThatIsAnInputUnderAnyNameIsAUsageError) {
  const std::string input = out_ + "/in.wav";
  fs::copy_file(PresetTone(), input);
  const std::string original = ReadText(input);
  fs::create_symlink(input, out_ + "/link.log");
  fs::create_hard_link(input, out_ + "/hard.log");
  for (const std::string& log : {input, out_ + "/link.log", out_ + "/hard.log",
                                 out_ + "/../" + fs::path(out_).filename().string() + "/in.wav"}) {
    for (const std::string& command :
         {"convert --format mp3 --out " + ShellQuote(out_ + "/mp3"), std::string("probe --json")}) {
      const TCommandResult result = Run(command + " --log " + ShellQuote(log) + " " + ShellQuote(input));
      EXPECT_EQ(result.exitCode, 2) << command << " " << log << "\n" << result.output;
      EXPECT_NE(result.output.find("is one of the input files"), std::string::npos) << result.output;
      EXPECT_EQ(ReadText(input), original) << log;
    }
  }
  EXPECT_FALSE(fs::exists(out_ + "/mp3/in.mp3"));
}

TEST_F(CliSafetyTest, AClosedStandardOutputOnlyStopsThePrinting) {
  const std::string tone = PresetTone();
  const std::string status = config_ + "/status.txt";
  const TCommandResult result =
      RunCommand("{ " +
                 Command("convert --format MP3 --preset 0 --out " + ShellQuote(out_) + " " +
                         ShellQuote(tone) + " " + ShellQuote(tone) + " " + ShellQuote(tone)) +
                 "; echo $? > " + ShellQuote(status) + "; } | grep -m1 Finish");
  EXPECT_NE(result.output.find("Finish. -> "), std::string::npos) << result.output;
  EXPECT_EQ(ReadText(status), "0\n");
  EXPECT_EQ(Names(out_), (std::vector<std::string>{"cli_tone(1).mp3", "cli_tone(2).mp3", "cli_tone.mp3"}));
  for (const std::string name : {"/cli_tone.mp3", "/cli_tone(1).mp3", "/cli_tone(2).mp3"})
    EXPECT_NEAR(std::stod(ProbeFormat(out_ + name)["duration"]), 2.0, 0.2) << name;
}

TEST_F(CliSafetyTest, HangUpStopsTheRunCleanlyLikeAnInterrupt) {
  const std::string clip = LongClip();
  const std::string printed = config_ + "/printed.txt";
  const TCommandResult result = RunCommand(
      Command("convert --format AVI --preset 1 --out " + ShellQuote(out_) + " " + ShellQuote(clip) + " " +
              ShellQuote(clip)) +
      " > " + ShellQuote(printed) + " 2>&1 & pid=$!; for i in $(seq 600); do grep -q Converting " +
      ShellQuote(printed) + " && break; sleep 0.1; done; kill -HUP $pid; wait $pid; echo status=$?");
  const std::string text = ReadText(printed);
  EXPECT_NE(result.output.find("status=1"), std::string::npos) << result.output << text;
  for (const char* line : {"Conversion stopped.\n", "Total files: 2\n", "Failed: 2\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  EXPECT_NE(text.find("cli_safety_clip.mkv: Failed. (stopped) -> " + out_ + "/cli_safety_clip.avi\n"),
            std::string::npos)
      << text;
  // The stopped file plays up to where it stopped; the second never started.
  EXPECT_EQ(Names(out_), std::vector<std::string>{"cli_safety_clip.avi"});
  EXPECT_LT(std::stod(ProbeFormat(out_ + "/cli_safety_clip.avi")["duration"]), 30.0);
}

TEST_F(CliSafetyTest, WithoutADocumentsFolderConvertWithoutOutRefuses) {
  const std::string work = TempFolder("cli-cwd");
  fs::copy_file(PresetTone(), work + "/x.wav");
  const TCommandResult result =
      RunCommand("cd " + ShellQuote(work) + " && XDG_CONFIG_HOME=" + ShellQuote(config_) +
                 " HOME=/nonexistent-home " + Cli() + " convert --format MP3 x.wav");
  EXPECT_EQ(result.exitCode, 2) << result.output;
  EXPECT_NE(result.output.find("give --out"), std::string::npos) << result.output;
  EXPECT_FALSE(fs::exists("/x.mp3"));
  EXPECT_EQ(Names(work), std::vector<std::string>{"x.wav"});
}

TEST_F(CliSafetyTest, AnOutputFolderThatIsNoFolderIsSaidToBeNone) {
  std::ofstream(out_ + "/file") << "x";
  fs::create_symlink(out_ + "/nowhere", out_ + "/dangling");
  for (const std::string& folder : {out_ + "/file", std::string("/dev/null"), out_ + "/dangling"}) {
    const TCommandResult result =
        Run("convert --format MP3 --out " + ShellQuote(folder) + " " + ShellQuote(PresetTone()));
    EXPECT_EQ(result.exitCode, 1) << result.output;
    EXPECT_NE(result.output.find("is not a folder"), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find("File exists"), std::string::npos) << result.output;
  }
  EXPECT_FALSE(fs::exists(out_ + "/nowhere"));
}

TEST_F(CliSafetyTest, AnOutputThatCannotBeCreatedIsSummarisedAsNotWritten) {
  // A folder in which nobody, root included, can create a file.
  const TCommandResult result = Run("convert --format MP3 --out /proc " + ShellQuote(PresetTone()));
  EXPECT_EQ(result.exitCode, 1) << result.output;
  EXPECT_NE(result.output.find("1 file(s) could not be written"), std::string::npos) << result.output;
  EXPECT_EQ(result.output.find("could not be read"), std::string::npos) << result.output;
}

TEST_F(CliSafetyTest, ControlCharactersInNamesArePrintedEscaped) {
  const std::string name = out_ + "/a\x1b[31mred\nb.wav";
  fs::copy_file(PresetTone(), name);
  const TCommandResult probe = Run("probe " + ShellQuote(name));
  EXPECT_EQ(probe.exitCode, 0) << probe.output;
  EXPECT_NE(probe.output.find("a\\x1B[31mred\\nb.wav"), std::string::npos) << probe.output;
  const TCommandResult convert = Run("convert --format MP3 --out " + ShellQuote(out_ + "/mp3") + " " +
                                     ShellQuote(name) + " " + ShellQuote(out_ + "/missing\x07.wav"));
  EXPECT_NE(convert.output.find("a\\x1B[31mred\\nb.wav: Finish. -> "), std::string::npos) << convert.output;
  EXPECT_NE(convert.output.find("missing\\x07.wav"), std::string::npos) << convert.output;
  for (const std::string& output : {probe.output, convert.output}) {
    EXPECT_EQ(output.find('\x1b'), std::string::npos) << output;
    EXPECT_EQ(output.find('\x07'), std::string::npos) << output;
  }
  // The file itself is written under its real name.
  EXPECT_TRUE(fs::exists(out_ + "/mp3/a\x1b[31mred\nb.mp3"));
}

TEST_F(CliSafetyTest, JsonKeepsANameThatIsNotUtf8Recoverable) {
  const std::string name = out_ + "/caf\xe9.wav";
  fs::copy_file(PresetTone(), name);
  const TCommandResult result = Run("probe --json " + ShellQuote(name));
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("caf\\udce9.wav\""), std::string::npos) << result.output;
  if (RunCommand("command -v python3").exitCode != 0) return;
  const TCommandResult back =
      RunCommand("echo " + ShellQuote(result.output) +
                 " | python3 -c 'import json,sys,os; n=json.load(sys.stdin)[0][\"file\"]; "
                 "print(os.path.exists(n.encode(\"utf-8\", \"surrogateescape\")))'");
  EXPECT_EQ(back.output, "True\n");
}

TEST_F(CliSafetyTest, TheLiveLineFitsTheTerminalInCellsForWideCharacters) {
  if (RunCommand("command -v script").exitCode != 0) GTEST_SKIP() << "script(1) is not installed";
  std::string wide;
  for (int i = 0; i < 60; ++i) wide += "\xe6\xbc\xa2";  // a CJK ideograph: two columns each
  const std::string name = out_ + "/" + wide + ".wav";
  fs::copy_file(LongTone(), name);
  const std::string command = "stty cols 80; XDG_CONFIG_HOME=" + ShellQuote(config_) + " " + Cli() +
                              " convert --format MP3 --preset 0 --out " + ShellQuote(out_ + "/mp3") + " " +
                              ShellQuote(name);
  const TCommandResult result = RunCommand("script -qec " + ShellQuote(command) + " /dev/null");
  EXPECT_EQ(result.exitCode, 0) << result.output;
  int liveLines = 0;
  for (size_t at = result.output.find("\r\x1b[K["); at != std::string::npos;
       at = result.output.find("\r\x1b[K[", at + 1)) {
    size_t end = result.output.find_first_of("\r\n", at + 4);
    const std::string line = result.output.substr(at + 4, end - at - 4);
    if (line.find(" elapsed ") == std::string::npos) continue;
    ++liveLines;
    int cells = 0;
    for (size_t i = 0; i < line.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(line[i]);
      if (c >= 0xE0)
        cells += 2;  // only the wide ideographs are three-byte here
      else if ((c & 0xC0) != 0x80)
        cells += 1;
    }
    EXPECT_LE(cells, 79) << line;
  }
  EXPECT_GT(liveLines, 0) << result.output;
}

}  // namespace
}  // namespace mediaconv::cli::test
