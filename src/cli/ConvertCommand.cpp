#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "app/FileNameHelpers.h"
#include "app/QueueMainThread.h"
#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "cli/JsonViews.h"
#include "cli/TerminalText.h"
#include "cli/TerminalView.h"
#include "convert/ConversionRun.h"
#include "convert/FFEncoderRunAdapter.h"
#include "convert/FileList.h"
#include "convert/RunEventBinding.h"
#include "engine/tasks/FFEncoder.h"
#include "profiles/FormatCatalogue.h"
#include "profiles/SelectionState.h"

namespace mediaconv::cli {
namespace {

bool ParsePresetIndex(const std::string& text, int32_t& index) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  index = std::atoi(text.c_str());
  return true;
}

// More tasks at once than this only compete for the same cores and memory.
constexpr int kMaxJobs = 64;

// --jobs N: 0 stands for the number of cores.
bool ParseJobs(const std::string& text, int& jobs) {
  int32_t value = -1;
  if (!ParsePresetIndex(text, value) || value > kMaxJobs) return false;
  jobs = value > 0 ? value : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  return true;
}

// The encoders of the run's lanes, each handing its events to its lane.
class TLaneEncoders {
 public:
  TLaneEncoders(engine::TFFEncoder& first, int count, app::TMainThread& mainThread) {
    encoders_.push_back(&first);
    for (int i = 1; i < count; ++i) {
      owned_.push_back(std::make_unique<engine::TFFEncoder>());
      owned_.back()->SetMainThread(&mainThread);
      encoders_.push_back(owned_.back().get());
    }
    for (engine::TFFEncoder* encoder : encoders_)
      adapters_.push_back(std::make_unique<convert::TFFEncoderRunAdapter>(*encoder));
  }

  std::vector<convert::TRunEncoder*> Lanes() const {
    std::vector<convert::TRunEncoder*> lanes;
    for (const auto& adapter : adapters_) lanes.push_back(adapter.get());
    return lanes;
  }
  // The events of each lane's encoder go to the run while the result lives.
  std::vector<std::unique_ptr<convert::TRunEventBinding>> Bind(const convert::TConversionRun& run) const {
    std::vector<std::unique_ptr<convert::TRunEventBinding>> bindings;
    for (size_t lane = 0; lane < encoders_.size(); ++lane)
      bindings.push_back(
          std::make_unique<convert::TRunEventBinding>(*encoders_[lane], run, static_cast<int>(lane)));
    return bindings;
  }

 private:
  std::vector<engine::TFFEncoder*> encoders_;
  std::vector<std::unique_ptr<engine::TFFEncoder>> owned_;
  std::vector<std::unique_ptr<convert::TFFEncoderRunAdapter>> adapters_;
};

}  // namespace

int RunConvert(const TArguments& args, TCliContext& context) {
  using namespace profiles;
  // The choice is made on a copy of the settings, which is never saved.
  app::AppSettings settings = context.Defaults.Settings;
  TSelectionState selection(settings);
  const TFormatInfo* format = nullptr;
  if (args.Has("--format")) {
    format = FindFormatByName(args.Value("--format"));
    if (!format) return UsageError(context, "unknown format '" + args.Value("--format") + "'", "convert");
    selection.SelectClass(format->ClassId);
    selection.SelectFormat(format->ClassId, format->FormatId);
  } else {
    format = selection.SelectedFormat(selection.ClassId());
    if (!format) return UsageError(context, "the settings name no output format; give --format", "convert");
  }
  if (args.Has("--preset")) {
    int32_t index = -1;
    if (!ParsePresetIndex(args.Value("--preset"), index) ||
        index >= static_cast<int32_t>(format->Captions.size()))
      return UsageError(context,
                        "preset '" + args.Value("--preset") + "' is not one of " + std::string(format->Name) +
                            " (0 to " + std::to_string(format->Captions.size() - 1) + ")",
                        "convert");
    selection.SetPresetIndex(*format, index);
  }
  int jobs = 1;
  if (args.Has("--jobs") && !ParseJobs(args.Value("--jobs"), jobs))
    return UsageError(
        context,
        "--jobs '" + args.Value("--jobs") + "' is not a number from 0 to " + std::to_string(kMaxJobs),
        "convert");
  if (args.Has("--out")) settings.OutputFileDir = app::WithTrailingSeparator(args.Value("--out"));
  if (settings.OutputFileDir.empty())
    return UsageError(
        context, "no output folder (the settings name none and there is no documents folder); give --out",
        "convert");
  if (const int status = OpenLogFile(context, args.Operands, "convert"); status != kExitOk) return status;
  std::error_code error;
  // A file, a device or a dangling link of that name: creating it as a
  // folder would only fail with "File exists".
  struct stat entry {};
  if (::lstat(settings.OutputFileDir.substr(0, settings.OutputFileDir.size() - 1).c_str(), &entry) == 0 &&
      !std::filesystem::is_directory(settings.OutputFileDir, error)) {
    context.Console.Err("mediaconv-cli: the output folder " + settings.OutputFileDir + " is not a folder");
    return kExitFailed;
  }
  std::filesystem::create_directories(settings.OutputFileDir, error);
  if (!std::filesystem::is_directory(settings.OutputFileDir)) {
    context.Console.Err("mediaconv-cli: cannot create the output folder " + settings.OutputFileDir +
                        (error ? ": " + error.message() : std::string()));
    return kExitFailed;
  }

  // Declared first: the encoder serves it until the encoder is gone.
  app::TQueueMainThread mainThread;
  engine::TFFEncoder encoder;
  if (!encoder.LibrariesLoaded() && !encoder.LoadLibraries(context.Defaults.ExecutableFolder + "lib")) {
    context.Log.AppendLog(encoder.LastErrMsg());
    context.Console.Err(encoder.LastErrMsg());
    return kExitLibraries;
  }
  encoder.SetMainThread(&mainThread);

  const bool quiet = args.Has("--quiet");
  const bool json = args.Has("--json");
  context.Console.SetJsonOutput(json);
  TTerminalView lines(context.Console, context.Log, quiet);
  TJsonRunView jsonView(context.Console, lines);
  convert::TRunView& view = json ? static_cast<convert::TRunView&>(jsonView) : lines;
  convert::TFileListView& listView = json ? static_cast<convert::TFileListView&>(jsonView) : lines;
  TInterruptGuard interrupt;
  const bool join = args.Has("--join") || context.Defaults.Edition.Merge;
  convert::TFileList files(encoder.Decoder(), listView);
  if (join) {
    // The joined run takes durations and picture sizes from the list.
    files.AddFiles(args.Operands, false);
  } else {
    // The run probes each file before it becomes a task and reports the
    // unreadable ones itself; a probe beforehand would only double the work.
    for (const std::string& name : args.Operands) files.AppendRow(convert::UnprobedRow(name));
  }
  const int unreadable = static_cast<int>(files.FailedList().size());
  if (interrupt.Interrupted()) return kExitFailed;

  // A joined run is one task.
  TLaneEncoders encoders(encoder, join ? 1 : jobs, mainThread);
  convert::TConversionRun run(encoders.Lanes(), view, mainThread);
  auto bindings = encoders.Bind(run);

  convert::TRunOptions options;
  options.Choice = selection.Choice();
  options.Join = join;
  options.Settings = &settings;
  options.SoundFolder = context.Defaults.ExecutableFolder;
  options.StopRequested = [&interrupt] { return interrupt.Interrupted(); };
  if (!quiet && !context.Console.Interactive() && !json)
    context.Console.Out(std::string(format->Name) + " preset " + std::to_string(options.Choice.PresetIndex) +
                        " into " + TerminalText(options.Choice.OutputFolder));
  run.Start(files.Rows(), options);
  while (!run.Completed()) {
    mainThread.WaitAndServe(std::chrono::milliseconds(50));
    if (interrupt.Interrupted() && !run.Cancelled()) run.Cancel();
  }
  bindings.clear();

  const convert::TSummary& summary = run.Summary();
  const int skipped = unreadable + summary.SkippedFiles;
  const int unreadOrRefused = skipped - summary.UnwritableFiles;
  if (unreadOrRefused > 0 && !quiet)
    context.Console.Out("Not converted: " + std::to_string(unreadOrRefused) +
                        " file(s) could not be read or added");
  if (summary.UnwritableFiles > 0 && !quiet)
    context.Console.Out("Not converted: " + std::to_string(summary.UnwritableFiles) +
                        " file(s) could not be written");
  const bool allDone = summary.FailedCount == 0 && skipped == 0 && !summary.Cancelled;
  return allDone ? kExitOk : kExitFailed;
}

}  // namespace mediaconv::cli
