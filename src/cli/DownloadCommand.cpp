#include <filesystem>

#include "app/FileNameHelpers.h"
#include "app/QueueMainThread.h"
#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "cli/JsonViews.h"
#include "cli/TerminalDownloadView.h"
#include "download/DownloadRun.h"
#include "download/LinkList.h"

namespace mediaconv::cli {

int RunDownload(const TArguments& args, TCliContext& context) {
  if (args.Has("--prefer") && args.Has("--no-prefer"))
    return UsageError(context, "--prefer and --no-prefer exclude each other", "download");
  // The choices are made on a copy of the settings, which is never saved.
  app::AppSettings settings = context.Defaults.Settings;
  if (args.Has("--prefer")) settings.PreferYouTubeQuality = true;
  if (args.Has("--no-prefer")) settings.PreferYouTubeQuality = false;
  if (args.Has("--out")) settings.OutputURLDir = app::WithTrailingSeparator(args.Value("--out"));
  if (settings.OutputURLDir.empty()) return UsageError(context, "no download folder; give --out", "download");
  if (const int status = OpenLogFile(context, {}, "download"); status != kExitOk) return status;
  std::error_code error;
  std::filesystem::create_directories(settings.OutputURLDir, error);
  if (!std::filesystem::is_directory(settings.OutputURLDir)) {
    context.Console.Err("mediaconv-cli: cannot create the download folder " + settings.OutputURLDir +
                        (error ? ": " + error.message() : std::string()));
    return kExitFailed;
  }

  const bool quiet = args.Has("--quiet");
  const bool json = args.Has("--json");
  context.Console.SetJsonOutput(json);
  TTerminalDownloadView lines(context.Console, context.Log, quiet);
  TJsonDownloadView jsonView(context.Console, lines);
  download::TDownloadView& view = json ? static_cast<download::TDownloadView&>(jsonView) : lines;
  download::TLinkListView& listView = json ? static_cast<download::TLinkListView&>(jsonView) : lines;
  download::TLinkList links(listView);
  for (const std::string& url : args.Operands) links.AddLink(url);
  const size_t refused = args.Operands.size() - links.Links().size();
  if (links.Empty()) return kExitFailed;

  // Declared first: the transfers hand their events to it until they are gone.
  app::TQueueMainThread mainThread;
  TInterruptGuard interrupt;
  download::TDownloadRun run(view, mainThread);
  run.Start(links, settings);
  while (!run.Finished()) {
    mainThread.WaitAndServe(std::chrono::milliseconds(50));
    // Repeated until it takes: between two steps the run has no transfer to abort.
    if (interrupt.Interrupted()) run.Cancel();
  }
  const download::TDownloadSummary& summary = run.Summary();
  const bool allStored = refused == 0 && summary.FailedCount == 0 && !summary.Cancelled;
  return allStored ? kExitOk : kExitFailed;
}

}  // namespace mediaconv::cli
