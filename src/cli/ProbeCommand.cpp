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
  const auto text = [](const std::string& value) {
    return value.empty() ? std::string("null") : JsonString(value);
  };
  std::string json = "{\"file\": " + JsonString(row.FullName());
  json += ", \"duration\": " + JsonCount(f.Duration);
  json += ", \"fileSize\": " + JsonCount(f.FileSize);
  json += ", \"bitRate\": " + JsonCount(f.BitRate);
  json += ", \"audioOnly\": " + std::string(row.AudioOnly ? "true" : "false");
  json += ", \"videoCodec\": " + text(f.VideoCodec);
  json += ", \"videoBitRate\": " + JsonCount(f.VideoBitRate);
  json += ", \"width\": " + JsonCount(f.Width);
  json += ", \"height\": " + JsonCount(f.Height);
  json +=
      ", \"frameRate\": " +
      JsonNumber(frameRateKnown ? static_cast<double>(f.FrameRateNum) / f.FrameRateDen : 0, frameRateKnown);
  json += ", \"aspectRatio\": " + JsonNumber(f.AspectRatio, f.AspectRatio > 0);
  json += ", \"audioCodec\": " + text(f.AudioCodec);
  json += ", \"audioBitRate\": " + JsonCount(f.AudioBitRate);
  json += ", \"channels\": " + JsonCount(f.Channels);
  json += ", \"sampleRate\": " + JsonCount(f.SampleRate);
  return json + "}";
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
      if (json)
        objects.push_back("{\"file\": " + JsonString(name) + ", \"error\": " + JsonString(error) + "}");
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
