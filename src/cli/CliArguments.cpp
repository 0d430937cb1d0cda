#include "cli/CliArguments.h"

#include <array>

namespace mediaconv::cli {
namespace {

constexpr std::array<TOptionSpec, 18> kOptions = {{
    {"*", "--log", "FILE", "write every log line of the engine and of the run to FILE"},
    {"*", "--help", "", "show the help of the command"},
    {"*", "--version", "", "show the version and the media libraries loaded, with their files"},
    {"presets", "--class", "CLASS", "only the formats of CLASS: video, device or audio"},
    {"presets", "--format", "NAME", "only the presets of format NAME"},
    {"probe", "--json", "", "print a JSON array, one object per file"},
    {"convert", "--format", "NAME", "output format (fixes the class); default: the one of the settings"},
    {"convert", "--preset", "N", "preset index of the format; default: the one of the settings"},
    {"convert", "--out", "DIR", "output folder; default: the settings' OutputFileDir"},
    {"convert", "--join", "", "join every file into one output, Output_Merge"},
    {"convert", "--jobs", "N", "convert N files at once (default 1; 0: one per processor core)"},
    {"convert", "--json", "", "print one JSON object per line for each event; other lines go to standard error"},
    {"convert", "--quiet", "", "print no progress and no summary; errors still go to standard error"},
    {"download", "--out", "DIR", "download folder; default: the settings' OutputURLDir"},
    {"download", "--prefer", "",
     "try the ranked high-quality formats of the settings, falling back in order"},
    {"download", "--no-prefer", "", "take the service's default quality (.flv)"},
    {"download", "--json", "", "print one JSON object per line for each event; other lines go to standard error"},
    {"download", "--quiet", "", "print no progress and no summary; errors still go to standard error"},
}};

constexpr std::array<TCommandSpec, 4> kCommands = {{
    {"presets", "", false, "list the output formats and their presets",
     "Each format is printed with its class and extension, then one line per\n"
     "preset: its index and caption. \"*\" marks the preset that convert uses\n"
     "without --preset (from the settings, else the format's default).\n"},
    {"probe", "FILE...", true, "show what the file list shows about each file",
     "Prints the duration, bit rates, picture size, frame rate, codecs, channels\n"
     "and sample rate of each file. A file that cannot be read is reported with\n"
     "its error, and the exit status is then 1.\n"},
    {"convert", "FILE...", true, "convert files with a format's preset",
     "Converts each file in turn, or N at once with --jobs N (or joins them all\n"
     "with --join) into the output folder, with a live progress line on a\n"
     "terminal, then prints the summary.\n"
     "Format names: AVI MP4 FLV SWF MPEG RM WMV MOV 3GP (video), iPod iPhone\n"
     "AppleTV PSP BlackBerry MobilePhone iPad (device), WAV MP3 WMA OGG AAC M4A\n"
     "FLAC MP2 (audio); any letter case. Ctrl+C stops the run; finished parts\n"
     "are kept. Exit status: 0 every file converted, 1 a file failed or was\n"
     "skipped, 2 usage error, 3 the media libraries cannot be loaded.\n"},
    {"download", "URL...", true, "download videos from their YouTube pages",
     "Fetches each page, works out its media address and downloads the file into\n"
     "the download folder under the video's title, with a live progress line on\n"
     "a terminal, then prints the summary. With the high-quality preference (the\n"
     "settings' PreferYouTubeQuality, or --prefer) the eight ranked formats are\n"
     "tried in order until one downloads. A file appears only when it is\n"
     "complete. Ctrl+C stops the run and leaves no partial file. Exit status: 0\n"
     "every link stored, 1 a link failed, was refused or the run was stopped,\n"
     "2 usage error.\n"},
}};

const TOptionSpec* FindOption(std::string_view command, std::string_view name) {
  for (const TOptionSpec& option : kOptions)
    if (option.Name == name && (option.Command == "*" || option.Command == command)) return &option;
  return nullptr;
}

std::string OptionLines(std::string_view command) {
  std::string text;
  for (const TOptionSpec& option : kOptions) {
    if (option.Command != command) continue;
    std::string left = "  " + std::string(option.Name);
    if (!option.Argument.empty()) left += " " + std::string(option.Argument);
    if (left.size() < 18) left.resize(18, ' ');
    text += left + " " + std::string(option.Help) + "\n";
  }
  return text;
}

}  // namespace

std::span<const TOptionSpec> OptionTable() { return kOptions; }
std::span<const TCommandSpec> CommandTable() { return kCommands; }

const TCommandSpec* FindCommand(std::string_view name) {
  for (const TCommandSpec& command : kCommands)
    if (command.Name == name) return &command;
  return nullptr;
}

std::string TArguments::Value(std::string_view name) const {
  const auto found = Values.find(std::string(name));
  return found == Values.end() ? std::string() : found->second;
}

std::optional<TArguments> ParseArguments(std::span<const std::string> args, std::string& error) {
  TArguments parsed;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      if (parsed.Command.empty()) {
        if (!FindCommand(arg)) {
          error = "unknown command '" + arg + "'";
          return std::nullopt;
        }
        parsed.Command = arg;
      } else {
        parsed.Operands.push_back(arg);
      }
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "-h") {
      parsed.Help = true;
      continue;
    }
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const TOptionSpec* option = FindOption(parsed.Command, name);
    if (!option) {
      error = parsed.Command.empty() && name != "--log" && name != "--help"
                  ? "unknown option '" + name + "' (options follow the command)"
                  : "unknown option '" + name + "'" +
                        (parsed.Command.empty() ? std::string() : " for " + parsed.Command);
      return std::nullopt;
    }
    if (option->Name == "--help") {
      parsed.Help = true;
      continue;
    }
    if (option->Name == "--version") {
      parsed.Version = true;
      continue;
    }
    std::string value;
    if (option->Argument.empty()) {
      if (equals != std::string::npos) {
        error = "option '" + name + "' takes no value";
        return std::nullopt;
      }
    } else if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      error = "option '" + name + "' needs " + std::string(option->Argument);
      return std::nullopt;
    }
    if (!option->Argument.empty() && value.empty()) {
      error = "option '" + name + "' needs " + std::string(option->Argument);
      return std::nullopt;
    }
    parsed.Values[name] = value;
  }
  if (parsed.Help || parsed.Version) return parsed;
  if (parsed.Command.empty()) {
    error = "no command given";
    return std::nullopt;
  }
  const TCommandSpec* command = FindCommand(parsed.Command);
  if (command->NeedsOperands && parsed.Operands.empty()) {
    std::string_view operand = command->Operands;
    operand = operand.substr(0, operand.find("..."));
    error = parsed.Command + " needs at least one " + std::string(operand);
    return std::nullopt;
  }
  if (!command->NeedsOperands && !parsed.Operands.empty()) {
    error = parsed.Command + " takes no operand: '" + parsed.Operands.front() + "'";
    return std::nullopt;
  }
  return parsed;
}

std::string UsageText() {
  std::string text =
      "usage: mediaconv-cli <command> [options] [FILE...]\n"
      "\n"
      "commands:\n";
  for (const TCommandSpec& command : kCommands) {
    std::string name = "  " + std::string(command.Name);
    name.resize(12, ' ');
    text += name + std::string(command.Summary) + "\n";
  }
  text +=
      "\n"
      "options of every command:\n" +
      OptionLines("*") +
      "\n"
      "mediaconv-cli <command> --help shows the options of a command.\n";
  return text;
}

std::string CommandHelpText(const TCommandSpec& command) {
  std::string text = "usage: mediaconv-cli " + std::string(command.Name) + " [options]";
  if (!command.Operands.empty()) text += " " + std::string(command.Operands);
  text += "\n\n" + std::string(command.Summary) + ".\n\n" + std::string(command.Details) + "\noptions:\n" +
          OptionLines(command.Name) + OptionLines("*");
  return text;
}

}  // namespace mediaconv::cli
