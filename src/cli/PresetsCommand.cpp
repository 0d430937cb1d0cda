#include <cstdio>

#include "cli/Commands.h"
#include "profiles/FormatCatalogue.h"
#include "profiles/SelectionState.h"

namespace mediaconv::cli {

int RunPresets(const TArguments& args, TCliContext& context) {
  using namespace profiles;
  const TClassInfo* onlyClass = nullptr;
  if (args.Has("--class")) {
    onlyClass = FindClassByName(args.Value("--class"));
    if (!onlyClass) return UsageError(context, "unknown class '" + args.Value("--class") + "'", "presets");
  }
  const TFormatInfo* onlyFormat = nullptr;
  if (args.Has("--format")) {
    onlyFormat = FindFormatByName(args.Value("--format"));
    if (!onlyFormat) return UsageError(context, "unknown format '" + args.Value("--format") + "'", "presets");
    if (onlyClass && onlyFormat->ClassId != onlyClass->ClassId)
      return UsageError(
          context,
          "format " + std::string(onlyFormat->Name) + " is not of class " + std::string(onlyClass->Name),
          "presets");
  }

  if (const int status = OpenLogFile(context, {}, "presets"); status != kExitOk) return status;
  TSelectionState selection(context.Defaults.Settings);
  bool first = true;
  for (const TFormatInfo& format : AllFormats()) {
    if (onlyClass && format.ClassId != onlyClass->ClassId) continue;
    if (onlyFormat && &format != onlyFormat) continue;
    if (!first) context.Console.Out("");
    first = false;
    const TClassInfo& formatClass = *FindClass(format.ClassId);
    context.Console.Out(std::string(formatClass.Name) + " " + std::string(format.Name) + " (" +
                        std::string(format.Extension) + "), " + std::to_string(format.Captions.size()) +
                        " presets");
    const int32_t current = selection.PresetIndex(format);
    for (size_t index = 0; index < format.Captions.size(); ++index) {
      char prefix[32];
      std::snprintf(prefix, sizeof prefix, "%s%3zu  ", static_cast<int32_t>(index) == current ? "*" : " ",
                    index);
      context.Console.Out(prefix + std::string(format.Captions[index]));
    }
  }
  return kExitOk;
}

}  // namespace mediaconv::cli
