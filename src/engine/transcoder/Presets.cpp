#include <strings.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/FileNameHelpers.h"
#include "engine/transcoder/BuiltinPresets.h"
#include "engine/transcoder/Options.h"

namespace mediaconv::engine {

namespace {

bool IsRegularFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// A preset value that is not a file as written may name a preset file kept
// where the libraries' own tools keep them: ~/.ffmpeg or the presets folder
// beside the executable, as "<value>.ffpreset" or "<codec>-<value>.ffpreset".
std::string FindPresetFile(const std::string& value, const std::string& codecName) {
  if (IsRegularFile(value) || value.find('/') != std::string::npos) return value;
  std::vector<std::string> folders;
  if (const char* home = std::getenv("HOME"); home && *home)
    folders.push_back(std::string(home) + "/.ffmpeg/");
  if (const std::string exe = app::ExecutableFolder(); !exe.empty()) folders.push_back(exe + "presets/");
  for (const std::string& folder : folders) {
    if (!codecName.empty() && IsRegularFile(folder + codecName + "-" + value + ".ffpreset"))
      return folder + codecName + "-" + value + ".ffpreset";
    if (IsRegularFile(folder + value + ".ffpreset")) return folder + value + ".ffpreset";
  }
  return value;
}

}  // namespace

void TTranscoderOptions::ApplyPreset(const std::string& optionName, const std::string& value) {
  if (value.empty()) return;
  const std::string* codecName = nullptr;
  if (optionName == "apre")
    codecName = &settings_.audioCodecName;
  else if (optionName == "vpre")
    codecName = &settings_.videoCodecName;
  else if (optionName == "spre")
    codecName = &settings_.subtitleCodecName;

  if (codecName) {
    const TOptionsPreset* preset = FindBuiltinPreset(value);
    if (!preset && !codecName->empty()) preset = FindBuiltinPreset(*codecName + "-" + value);
    if (preset) {
      ApplyPresetText(preset->name, preset->content);
      return;
    }
  }

  const std::string path = codecName ? FindPresetFile(value, *codecName) : value;
  std::ifstream file(path, std::ios::binary);
  if (!IsRegularFile(path) || !file) throw FFmpegException("Preset \"" + path + "\" not found");
  std::ostringstream contents;
  contents << file.rdbuf();
  ApplyPresetText(value, contents.str());
}

void TTranscoderOptions::ApplyPresetText(const std::string& displayName, const std::string& text) {
  std::string normalised;
  const std::string trimmed = TrimText(text);
  for (std::size_t i = 0; i < trimmed.size(); ++i) {
    if (trimmed[i] == '\r') {
      normalised += '\n';
      if (i + 1 < trimmed.size() && trimmed[i + 1] == '\n') ++i;
    } else {
      normalised += trimmed[i];
    }
  }

  std::istringstream stream(normalised);
  std::string rawLine;
  while (std::getline(stream, rawLine)) {
    const std::string line = TrimText(rawLine);
    if (line.empty() || line[0] == '#') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == line.size())
      throw FFmpegException(displayName + ": Invalid syntax: \"" + line + "\"");
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (strcasecmp(key.c_str(), "acodec") == 0 || strcasecmp(key.c_str(), "vcodec") == 0 ||
        strcasecmp(key.c_str(), "scodec") == 0) {
      std::string name = key;
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      ApplyOption(name, value);
    } else if (!optionStore_.ApplyGenericOption(key, value)) {
      throw FFmpegException(displayName + ": Invalid option or argument: \"" + line + "\", parsed as \"" +
                            key + "\" = \"" + value + "\"");
    }
  }
}

}  // namespace mediaconv::engine
