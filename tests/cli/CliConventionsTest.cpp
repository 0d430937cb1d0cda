#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "CliTestSupport.h"
#include "engine/loader/FFLoader.h"
#include "support/LogLines.h"

namespace mediaconv::cli::test {
namespace {

namespace fs = std::filesystem;

class CliConventions : public ::testing::Test {
 protected:
  void SetUp() override { config_ = TempFolder("cli-conventions"); }
  TCommandResult Run(const std::string& arguments) { return RunCli(arguments, config_); }
  std::string config_;
};

TEST_F(CliConventions, VersionNamesEachLoadedLibraryWithTheFileThisProcessLoadsToo) {
  const TCommandResult result = Run("--version 2>/dev/null");
  ASSERT_EQ(result.exitCode, 0) << result.output;
  const auto lines = SplitLines(result.output);
  ASSERT_GE(lines.size(), 2u) << result.output;
  EXPECT_EQ(lines[0], "mediaconv-cli " MEDIACONV_VERSION);
  EXPECT_EQ(lines[1].rfind("FFmpeg ", 0), 0u) << lines[1];

  // The program's lines against what the loader finds in this process: the
  // same system search gives the same files.
  auto& loader = engine::TFFLoader::Instance();
  ASSERT_TRUE(loader.LoadLibraries(engine::EngineLibraries)) << loader.LastErrorText();
  const auto expected = loader.LoadedLibraries(engine::EngineLibraries);
  ASSERT_EQ(expected.size(), 6u);
  ASSERT_EQ(lines.size(), 2 + expected.size()) << result.output;
  const std::regex pattern(R"((lib[a-z]+) +(\d+\.\d+\.\d+) +(/\S+))");
  for (size_t i = 0; i < expected.size(); ++i) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[2 + i], match, pattern)) << lines[2 + i];
    EXPECT_EQ(match[1], expected[i].Name);
    EXPECT_EQ(match[2], expected[i].Version);
    EXPECT_EQ(match[3], expected[i].Path);
    EXPECT_TRUE(fs::is_regular_file(match[3].str())) << match[3];
    EXPECT_NE(fs::path(match[3].str()).filename().string().find(expected[i].Name + ".so"), std::string::npos);
  }
  // Any command takes it and does nothing else.
  EXPECT_EQ(Run("convert --version nosuchfile.wav 2>/dev/null").output, result.output);
}

TEST_F(CliConventions, VersionWithoutLibrariesExitsThreeAfterOurVersion) {
  const std::string folder = TempFolder("cli-version-nolib");
  fs::copy_file(BinDir() + "/mediaconv-cli", folder + "/mediaconv-cli");
  fs::create_directories(folder + "/lib");
  std::ofstream(folder + "/lib/" + engine::TFFLoader::LibraryFileName(engine::lkAvutil)) << "not a library";
  const TCommandResult result = RunCommand("XDG_CONFIG_HOME=" + ShellQuote(config_) + " " +
                                           ShellQuote(folder + "/mediaconv-cli") + " --version");
  EXPECT_EQ(result.exitCode, 3) << result.output;
  EXPECT_EQ(result.output.rfind("mediaconv-cli " MEDIACONV_VERSION "\n", 0), 0u) << result.output;
  EXPECT_NE(result.output.find("Load library "), std::string::npos) << result.output;
}

// Options of each section of the man page: ".SS <command>" or ".SS Every command".
std::map<std::string, std::set<std::string>> ManPageOptions(const std::string& page) {
  std::map<std::string, std::set<std::string>> sections;
  std::string section;
  bool inOptions = false;
  const std::regex option(R"(\\-\\-([a-z\\-]+))");
  for (const std::string& line : SplitLines(page)) {
    if (line.rfind(".SH ", 0) == 0) inOptions = line == ".SH OPTIONS";
    if (!inOptions) continue;
    if (line.rfind(".SS ", 0) == 0) section = line.substr(4);
    if (line.rfind(".TP", 0) == 0 || section.empty()) continue;
    // Only the tag lines of the list name options; the text may mention others.
    if (line.rfind(".B", 0) != 0) continue;
    for (std::sregex_iterator it(line.begin(), line.end(), option), end; it != end; ++it)
      sections[section].insert("--" + std::regex_replace((*it)[1].str(), std::regex(R"(\\-)"), "-"));
  }
  return sections;
}

std::set<std::string> HelpOptions(const std::string& help) {
  std::set<std::string> options;
  const std::regex line(R"(^  (--[a-z-]+).*)");
  for (const std::string& text : SplitLines(help)) {
    std::smatch match;
    if (std::regex_match(text, match, line)) options.insert(match[1]);
  }
  return options;
}

TEST_F(CliConventions, ManPageListsExactlyTheCommandsAndOptionsOfTheHelp) {
  std::ifstream file(MEDIACONV_SOURCE_DIR "/docs/mediaconv-cli.1");
  ASSERT_TRUE(file) << "docs/mediaconv-cli.1 missing";
  std::stringstream page;
  page << file.rdbuf();
  const auto man = ManPageOptions(page.str());
  ASSERT_TRUE(man.count("Every command")) << page.str();

  const TCommandResult usage = Run("--help");
  ASSERT_EQ(usage.exitCode, 0);
  const std::set<std::string> common = HelpOptions(usage.output);
  EXPECT_EQ(man.at("Every command"), common);

  std::set<std::string> commands;
  const std::regex commandLine(R"(^  ([a-z]+) +\S.*)");
  for (const std::string& line : SplitLines(usage.output)) {
    std::smatch match;
    if (std::regex_match(line, match, commandLine)) commands.insert(match[1]);
  }
  ASSERT_FALSE(commands.empty()) << usage.output;
  for (const std::string& command : commands) {
    SCOPED_TRACE(command);
    EXPECT_TRUE(page.str().find(".TP\n.B " + command + "\n") != std::string::npos ||
                page.str().find(".TP\n.BI " + command + " ") != std::string::npos)
        << "no man entry for the command";
    EXPECT_NE(page.str().find(".B mediaconv-cli " + command + "\n"), std::string::npos)
        << "not in the synopsis";
    std::set<std::string> help = HelpOptions(Run(command + " --help").output);
    for (const std::string& option : common) help.erase(option);
    const auto section = man.find(command);
    EXPECT_EQ(section == man.end() ? std::set<std::string>{} : section->second, help);
  }
  // Nothing documented for a command the program does not have.
  for (const auto& [section, options] : man) {
    if (section == "Every command") continue;
    EXPECT_TRUE(commands.count(section)) << section;
  }
}

}  // namespace
}  // namespace mediaconv::cli::test
