#include "profiles/OptionBuilder.h"

#include <cstdio>

#include "app/FileNameHelpers.h"
#include "app/OutputFile.h"
#include "app/TimeText.h"
#include "profiles/FormatCatalogue.h"
#include "profiles/PresetTable.h"

namespace mediaconv::profiles {
namespace {

void SetText(std::string& field, std::string_view value) {
  if (!value.empty()) field = value;
}

void SetNumber(int32_t& field, int32_t value) {
  if (value != kKeep) field = value;
}

void ApplyRow(engine::TOutputOptions& options, const TPresetRow& row) {
  SetText(options.VideoCodec, row.VideoCodec);
  SetText(options.FrameSize, row.FrameSize);
  SetText(options.FrameRate, row.FrameRate);
  SetNumber(options.VideoBitrate, row.VideoBitrate);
  SetText(options.AudioCodec, row.AudioCodec);
  SetNumber(options.AudioChannels, row.AudioChannels);
  SetNumber(options.AudioSampleRate, row.AudioSampleRate);
  SetNumber(options.AudioBitrate, row.AudioBitrate);
  const TPresetExtras& other = row.Other;
  SetText(options.VideoTag, other.VideoTag);
  SetText(options.VideoPreset, other.VideoPreset);
  SetText(options.FrameAspectRatio, other.FrameAspectRatio);
  SetText(options.FileFormat, other.FileFormat);
  SetText(options.ExtOptions, other.ExtOptions);
  SetNumber(options.VideoMaxRate, other.VideoMaxRate);
  SetNumber(options.VideoMinRate, other.VideoMinRate);
  SetNumber(options.VideoBufSize, other.VideoBufSize);
  SetNumber(options.Target, other.Target);
  SetNumber(options.TargetNorm, other.TargetNorm);
}

std::string NameWithoutFolder(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The name with its extension replaced; a leading dot marks a hidden file,
// not an extension.
std::string ChangeExtension(const std::string& name, std::string_view extension) {
  const size_t dot = name.rfind('.');
  const std::string base = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  return base + std::string(extension);
}

// UniqueFileName, also stepping over the paths already handed out in the run.
std::string UniqueOutputName(const std::string& name, const std::string& folder, TOutputNames* names) {
  const std::string prefix = app::WithTrailingSeparator(folder);
  std::string unique = app::UniqueFileName(name, folder);
  if (names && names->Contains(prefix + unique)) {
    for (long long n = 1;; ++n) {
      unique = app::NumberedFileName(name, n);
      if (!names->Contains(prefix + unique) && app::UniqueFileName(unique, folder) == unique) break;
    }
  }
  if (names) names->Add(prefix + unique);
  return prefix + unique;
}

std::string MergeOutputPath(const TOutputChoice& choice) {
  const std::string name = "Output_Merge" + std::string(OutputExtension(choice.ClassId, choice.FormatId));
  return app::WithTrailingSeparator(choice.OutputFolder) + app::UniqueFileName(name, choice.OutputFolder);
}

std::string DecimalText(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

}  // namespace

void ApplyOutputProfile(engine::TOutputOptions& options, int classId, int formatId, int32_t presetIndex,
                        const int32_t* inputAudioBitrate) {
  const TFormatPresets* format = FindFormatPresets(classId, formatId);
  if (!format) return;
  if (classId == kClassAudio)
    options.DisableVideo = true;
  else if (classId == kClassVideo)
    options.DisableVideo = false;
  ApplyRow(options, format->EveryPreset);
  const TPresetRow* row = FindPresetRow(classId, formatId, presetIndex);
  if (!row) return;
  ApplyRow(options, *row);
  if (row->Other.AudioBitrateOfInput && inputAudioBitrate) options.AudioBitrate = *inputAudioBitrate;
}

std::string OutputFileName(const TOutputChoice& choice, const std::string& inputFileName,
                           TOutputNames* names) {
  const std::string name =
      ChangeExtension(NameWithoutFolder(inputFileName), OutputExtension(choice.ClassId, choice.FormatId));
  return UniqueOutputName(name, choice.OutputFolder, names);
}

engine::TOutputOptions BuildOutputOptions(const TOutputChoice& choice, const TInputFacts& input,
                                          TOutputNames* names) {
  engine::TOutputOptions options;
  options.FileExt = OutputExtension(choice.ClassId, choice.FormatId);
  options.FileName = OutputFileName(choice, input.FileName, names);
  ApplyOutputProfile(options, choice.ClassId, choice.FormatId, choice.PresetIndex, &input.AudioBitrate);
  return options;
}

TJoinedTask BuildJoinedTask(const TOutputChoice& choice, std::span<const TJoinInput> files,
                            TJoinEncoder& encoder, const std::function<void(const std::string&)>& appendLog) {
  TJoinedTask joined;
  // Nothing is written before the output opens, so every row shows the path
  // the output gets.
  joined.OutputFileName = MergeOutputPath(choice);
  for (const TJoinInput& file : files) {
    engine::TInputOptions input;
    input.FileName = file.FileName;
    const bool added = encoder.TasksCount() > 0 ? encoder.AddInputFile(0, file.FileName, &input)
                                                : encoder.AddTask(file.FileName, &input) >= 0;
    if (!added) {
      appendLog("Adding file error: " + encoder.LastErrMsg());
      continue;
    }
    TJoinProgressRow row;
    row.Caption = NameWithoutFolder(file.FileName);
    if (file.RealDuration > 0) {
      row.Duration = file.RealDuration;
      row.DurationText = app::MicrosecondsText(file.RealDuration);
      joined.QueuedDuration += file.RealDuration;
    } else {
      row.DurationText = "Duration is not preseted";
    }
    row.PictureSize = std::to_string(file.Width) + "x" + std::to_string(file.Height);
    row.AspectRatio = DecimalText(file.AspectRatio);
    row.OutputPath = joined.OutputFileName;
    joined.Rows.push_back(std::move(row));
    appendLog("File has been added to convert list.");
  }

  // With no input added there is no task to give the output to.
  if (encoder.TasksCount() == 0) {
    if (!files.empty()) appendLog("Cannot do convert, error: " + encoder.LastErrMsg());
    return joined;
  }
  engine::TOutputOptions options;
  ApplyOutputProfile(options, choice.ClassId, choice.FormatId, choice.PresetIndex);
  options.Join = true;
  options.FileName = joined.OutputFileName;
  if (!encoder.SetOutputFile(0, joined.OutputFileName, &options)) {
    encoder.RemoveTask(0);
    appendLog("Cannot do convert, error: " + encoder.LastErrMsg());
    return joined;
  }
  joined.Created = true;
  return joined;
}

}  // namespace mediaconv::profiles
