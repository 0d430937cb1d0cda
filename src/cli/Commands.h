#pragma once
#include "cli/CliArguments.h"
#include "cli/CliDefaults.h"
#include "cli/CliLog.h"
#include "cli/Console.h"

namespace mediaconv::cli {

struct TCliContext {
  TConsole& Console;
  TCliLog& Log;
  TCliDefaults Defaults;
};

int RunPresets(const TArguments& args, TCliContext& context);
int RunProbe(const TArguments& args, TCliContext& context);
int RunConvert(const TArguments& args, TCliContext& context);
int RunDownload(const TArguments& args, TCliContext& context);
// --version: our version, then each media library loaded with its version
// and file; status 3 when the libraries cannot be loaded.
int RunVersion(TCliContext& context);

// Loads the media libraries from the lib folder beside the executable (else
// the system's); reports the loader's reason on standard error when it fails.
bool LoadMediaLibraries(TCliContext& context);

// Opens the --log file once the command's arguments are valid; kExitOk, or
// the status to end with (a log file that is one of the inputs is a usage
// error).
int OpenLogFile(TCliContext& context, const std::vector<std::string>& inputs, const std::string& command);

// A usage error: the message and a hint on standard error.
int UsageError(TCliContext& context, const std::string& message, const std::string& command = {});

}  // namespace mediaconv::cli
