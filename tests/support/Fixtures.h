#pragma once
#include <map>
#include <string>
#include <vector>

namespace mediaconv::test {

struct TCommandResult {
  int exitCode = -1;
  std::string output;  // standard output and standard error together
};

// Runs a shell command and collects what it printed.
TCommandResult RunCommand(const std::string& command);

// Folder of the built executables (build/bin).
std::string BinDir();
// The source tree's root.
std::string SourceDir();

// Compares text with a golden file of the source tree (path relative to
// tests/golden/), failing the current test at the first lines that differ.
// With MEDIACONV_UPDATE_GOLDEN=1 in the environment it writes the file instead.
void ExpectMatchesGolden(const std::string& text, const std::string& goldenName);

// A media fixture made once per build tree with the ffmpeg CLI:
// `ffmpeg -y -v error <ffmpegArgs> <path>`. Safe when tests run in parallel.
std::string MediaFixture(const std::string& fileName, const std::string& ffmpegArgs);

// A fresh empty folder for one test, removed at exit of the process.
std::string TempFolder(const std::string& hint = "t");

// ffprobe's entries of one stream ("v:0", "a:0") or of the format (empty
// selector): key=value pairs as ffprobe prints them.
std::map<std::string, std::string> ProbeStream(const std::string& path, const std::string& selector);
std::map<std::string, std::string> ProbeFormat(const std::string& path);
// `ffprobe -v error <arguments> -of csv=p=0 <path>`: the fields of each line.
std::vector<std::vector<std::string>> ProbeCsv(const std::string& path, const std::string& arguments);
// Frames ffprobe decodes from one stream ("v:0", "a:0"); -1 on failure.
int CountFrames(const std::string& path, const std::string& selector);
// Where one stream ends (the latest packet's time plus its duration), in seconds.
double StreamEnd(const std::string& path, const std::string& selector);
// The whole file decodes without an error message.
bool PlaysCleanly(const std::string& path);

std::string ShellQuote(const std::string& text);

}  // namespace mediaconv::test
