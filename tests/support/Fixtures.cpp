#include "support/Fixtures.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "support/LogLines.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace mediaconv::test {
namespace {

std::map<std::string, std::string> ParseKeyValues(const std::string& text) {
  std::map<std::string, std::string> values;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const size_t eq = line.find('=');
    if (eq != std::string::npos && !values.count(line.substr(0, eq)))
      values[line.substr(0, eq)] = line.substr(eq + 1);
    start = end + 1;
  }
  return values;
}

struct TTempFolders {
  std::mutex mutex;
  std::vector<fs::path> folders;
  ~TTempFolders() {
    std::error_code ignored;
    for (const auto& folder : folders) fs::remove_all(folder, ignored);
  }
};

TTempFolders& TempFolders() {
  static TTempFolders folders;
  return folders;
}

}  // namespace

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

TCommandResult RunCommand(const std::string& command) {
  TCommandResult result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> buffer{};
  size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    result.output.append(buffer.data(), got);
  const int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string BinDir() { return MEDIACONV_BIN_DIR; }

std::string SourceDir() { return MEDIACONV_SOURCE_DIR; }

void ExpectMatchesGolden(const std::string& text, const std::string& goldenName) {
  const std::string path = SourceDir() + "/tests/golden/" + goldenName;
  if (const char* update = std::getenv("MEDIACONV_UPDATE_GOLDEN"); update && std::string(update) == "1") {
    std::ofstream(path, std::ios::binary) << text;
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path << " is missing; MEDIACONV_UPDATE_GOLDEN=1 writes it";
  const std::string golden((std::istreambuf_iterator<char>(in)), {});
  if (golden == text) return;
  std::istringstream want(golden), got(text);
  std::string wantLine, gotLine;
  for (int line = 1;; ++line) {
    const bool moreWant = static_cast<bool>(std::getline(want, wantLine));
    const bool moreGot = static_cast<bool>(std::getline(got, gotLine));
    if (!moreWant && !moreGot) break;
    if (!moreWant || !moreGot || wantLine != gotLine) {
      ADD_FAILURE() << path << " line " << line << ":\n  golden: " << (moreWant ? wantLine : "(end)")
                    << "\n  now:    " << (moreGot ? gotLine : "(end)");
      return;
    }
  }
}

std::string MediaFixture(const std::string& fileName, const std::string& ffmpegArgs) {
  const fs::path path = fs::path(MEDIACONV_FIXTURE_DIR) / fileName;
  if (fs::exists(path)) return path.string();
  // Made under a private name and renamed, so parallel tests never see half a file.
  const fs::path partial = path.parent_path() / (std::to_string(::getpid()) + ".part." + fileName);
  const TCommandResult made =
      RunCommand("ffmpeg -nostdin -y -v error " + ffmpegArgs + " " + ShellQuote(partial.string()));
  if (made.exitCode != 0) {
    fs::remove(partial);
    return {};
  }
  fs::rename(partial, path);
  return path.string();
}

std::string TempFolder(const std::string& hint) {
  std::string pattern = (fs::temp_directory_path() / ("mediaconv-" + hint + "-XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) return {};
  std::scoped_lock lock(TempFolders().mutex);
  TempFolders().folders.emplace_back(pattern);
  return pattern;
}

std::map<std::string, std::string> ProbeStream(const std::string& path, const std::string& selector) {
  return ParseKeyValues(RunCommand("ffprobe -v error -select_streams " + selector +
                                   " -show_entries stream -of default=nw=1 " + ShellQuote(path))
                            .output);
}

std::map<std::string, std::string> ProbeFormat(const std::string& path) {
  return ParseKeyValues(
      RunCommand("ffprobe -v error -show_entries format -of default=nw=1 " + ShellQuote(path)).output);
}

std::vector<std::vector<std::string>> ProbeCsv(const std::string& path, const std::string& arguments) {
  const TCommandResult result =
      RunCommand("ffprobe -v error " + arguments + " -of csv=p=0 " + ShellQuote(path) + " 2>/dev/null");
  return result.exitCode == 0 ? SplitCsvLines(result.output) : std::vector<std::vector<std::string>>{};
}

int CountFrames(const std::string& path, const std::string& selector) {
  const auto rows =
      ProbeCsv(path, "-count_frames -select_streams " + selector + " -show_entries stream=nb_read_frames");
  return rows.empty() ? -1 : std::atoi(rows.front().front().c_str());
}

double StreamEnd(const std::string& path, const std::string& selector) {
  double end = 0;
  for (const auto& fields :
       ProbeCsv(path, "-select_streams " + selector + " -show_entries packet=pts_time,duration_time")) {
    if (fields.size() >= 2) end = std::max(end, std::atof(fields[0].c_str()) + std::atof(fields[1].c_str()));
  }
  return end;
}

bool PlaysCleanly(const std::string& path) {
  const TCommandResult result = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(path) + " -f null -");
  return result.exitCode == 0 && result.output.empty();
}

}  // namespace mediaconv::test
