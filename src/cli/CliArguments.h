#pragma once
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mediaconv::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitLibraries = 3;

// One option of a command; "*" as the command stands for every command.
struct TOptionSpec {
  std::string_view Command;
  std::string_view Name;      // "--format"
  std::string_view Argument;  // "NAME"; empty for a switch
  std::string_view Help;
};

struct TCommandSpec {
  std::string_view Name;
  std::string_view Operands;  // "FILE..."; empty when the command takes none
  bool NeedsOperands;
  std::string_view Summary;
  std::string_view Details;
};

std::span<const TOptionSpec> OptionTable();
std::span<const TCommandSpec> CommandTable();
const TCommandSpec* FindCommand(std::string_view name);

// A parsed command line.
struct TArguments {
  std::string Command;                        // empty when none was given
  std::map<std::string, std::string> Values;  // option name -> value ("" for a switch)
  std::vector<std::string> Operands;
  bool Help = false;
  bool Version = false;  // --help wins when both are given

  bool Has(std::string_view name) const { return Values.count(std::string(name)) > 0; }
  std::string Value(std::string_view name) const;
};

// Parses argv (without the program name). On a usage error returns nothing
// and puts the message in error.
std::optional<TArguments> ParseArguments(std::span<const std::string> args, std::string& error);

// The general help text and the help of one command.
std::string UsageText();
std::string CommandHelpText(const TCommandSpec& command);

}  // namespace mediaconv::cli
