#include <cstdint>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/TerminalText.h"
#include "cli/TerminalView.h"
#include "convert/FileList.h"
#include "engine/prober/FFDecoder.h"

namespace mediaconv::cli {
namespace {

using convert::TFileListRow;

constexpr const char* kValueColumnNames[] = {"RealDuration", "Width", "Height", "AspectRatio"};

void PrintCells(TConsole& console, const TFileListRow& row) {
  console.Out(TerminalText(row.FullName()));
  for (int column = convert::fcDuration; column < convert::fcRealDuration; ++column) {
    if (column == convert::fcFileFullName) continue;
    console.Out("  " + TerminalText(row.Cells[column]));
  }
  for (int column = convert::fcRealDuration; column < convert::kFileListColumnCount; ++column)
    console.Out("  " + std::string(kValueColumnNames[column - convert::fcRealDuration]) + ": " +
                row.Cells[column]);
}

std::string JsonObject(const TFileListRow& row) {
  const convert::TFileFacts& f = row.Facts;
  const bool frameRateKnown = f.FrameRateNum > 0 && f.FrameRateDen > 0;
  return TJsonObject()
      .Text("file", row.FullName())
      .Count("duration", f.Duration)
      .Count("fileSize", f.FileSize)
      .Count("bitRate", f.BitRate)
      .Bool("audioOnly", row.AudioOnly)
      .TextOrNull("videoCodec", f.VideoCodec)
      .Count("videoBitRate", f.VideoBitRate)
      .Count("width", f.Width)
      .Count("height", f.Height)
      .Number("frameRate", frameRateKnown ? static_cast<double>(f.FrameRateNum) / f.FrameRateDen : 0,
              frameRateKnown)
      .Number("aspectRatio", f.AspectRatio, f.AspectRatio > 0)
      .TextOrNull("audioCodec", f.AudioCodec)
      .Count("audioBitRate", f.AudioBitRate)
      .Count("channels", f.Channels)
      .Count("sampleRate", f.SampleRate)
      .Str();
}

}  // namespace

int RunProbe(const TArguments& args, TCliContext& context) {
  if (const int status = OpenLogFile(context, args.Operands, "probe"); status != kExitOk) return status;
  if (!LoadMediaLibraries(context)) return kExitLibraries;
  const bool json = args.Has("--json");
  TTerminalView view(context.Console, context.Log, false);
  engine::TFFDecoder prober;
  convert::TFileList list(prober, view);
  int failed = 0;
  std::vector<std::string> objects;
  for (const std::string& name : args.Operands) {
    const int before = list.Count();
    // One name at a time, so that an error belongs to its file.
    list.AddFiles({name}, false);
    if (list.Count() == before) {
      ++failed;
      const std::string error = list.FailedList().empty() ? std::string() : list.FailedList().front();
      if (json) objects.push_back(TJsonObject().Text("file", name).Text("error", error).Str());
      continue;
    }
    const TFileListRow& row = list.Rows().back();
    if (json) {
      objects.push_back(JsonObject(row));
    } else {
      if (list.Count() > 1) context.Console.Out("");
      PrintCells(context.Console, row);
    }
  }
  if (json) {
    std::string out = "[";
    for (size_t i = 0; i < objects.size(); ++i) out += (i ? ",\n " : "") + objects[i];
    context.Console.Out(out + "]");
  }
  return failed ? kExitFailed : kExitOk;
}

}  // namespace mediaconv::cli
