#include "cli/Commands.h"

#include "engine/loader/FFLoader.h"

namespace mediaconv::cli {

int UsageError(TCliContext& context, const std::string& message, const std::string& command) {
  context.Console.Err("mediaconv-cli: " + message);
  context.Console.Err(command.empty() ? "Try 'mediaconv-cli --help'."
                                      : "Try 'mediaconv-cli " + command + " --help'.");
  return kExitUsage;
}

int OpenLogFile(TCliContext& context, const std::vector<std::string>& inputs, const std::string& command) {
  std::string error;
  switch (context.Log.Open(inputs, error)) {
    case TCliLog::orOpened:
      return kExitOk;
    case TCliLog::orIsInput:
      return UsageError(context, error, command);
    case TCliLog::orFailed:
      break;
  }
  context.Console.Err("mediaconv-cli: " + error);
  return kExitUsage;
}

bool LoadMediaLibraries(TCliContext& context) {
  auto& loader = engine::TFFLoader::Instance();
  if (loader.LibrariesLoaded(engine::EngineLibraries)) return true;
  loader.SetLibraryPath(context.Defaults.ExecutableFolder + "lib");
  if (loader.LoadLibraries(engine::EngineLibraries)) return true;
  context.Log.AppendLog(loader.LastErrorText());
  context.Console.Err(loader.LastErrorText());
  return false;
}

}  // namespace mediaconv::cli
