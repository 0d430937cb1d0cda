#include <csignal>
#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/CliDefaults.h"
#include "cli/CliLog.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "engine/log/FFLogger.h"

using namespace mediaconv;

int main(int argc, char** argv) {
  // A reader that goes away (| head, | grep -m1) must not end the run midway
  // with a broken output: writes to it fail instead and printing stops.
  std::signal(SIGPIPE, SIG_IGN);
  cli::TConsole console;
  const std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const auto parsed = cli::ParseArguments(args, error);
  if (!parsed) {
    // Point at the help of the command the line was meant for, when it names one.
    std::string command;
    for (const std::string& arg : args)
      if (cli::FindCommand(arg)) {
        command = arg + " ";
        break;
      }
    console.Err("mediaconv-cli: " + error);
    console.Err("Try 'mediaconv-cli " + command + "--help'.");
    return cli::kExitUsage;
  }
  if (parsed->Help) {
    const cli::TCommandSpec* command = cli::FindCommand(parsed->Command);
    console.Out(command ? cli::CommandHelpText(*command) : cli::UsageText());
    return cli::kExitOk;
  }

  // The one logger of the process, placed before anything logs.
  engine::TFFLogger logger;
  cli::TCliLog log(console);
  if (parsed->Has("--log")) log.SetPath(parsed->Value("--log"));
  log.Attach(logger);
  cli::TCliContext context{console, log, cli::LoadDefaults()};
  int status = cli::kExitUsage;
  if (parsed->Version)
    status = cli::RunVersion(context);
  else if (parsed->Command == "presets")
    status = cli::RunPresets(*parsed, context);
  else if (parsed->Command == "probe")
    status = cli::RunProbe(*parsed, context);
  else if (parsed->Command == "convert")
    status = cli::RunConvert(*parsed, context);
  else if (parsed->Command == "download")
    status = cli::RunDownload(*parsed, context);
  log.Detach();
  return status;
}
