#include "engine/transcoder/TargetPresets.h"

#include <cmath>

#include "engine/transcoder/Options.h"

namespace mediaconv::engine {

namespace {

const std::vector<TTargetPreset> kTargetPresets = {
    {"vcd",
     "mpeg1video",
     "mp2",
     "vcd",
     "352x240",
     "352x288",
     nullptr,
     nullptr,
     "18",
     "15",
     {{"b", "1150000"},
      {"maxrate", "1150000"},
      {"minrate", "1150000"},
      {"bufsize", "327680"},
      {"ab", "224000"},
      {"packetsize", "2324"},
      {"muxrate", "1411200"}},
     44100,
     tcStereo,
     0.44f,
     "4:3"},
    {"svcd",
     "mpeg2video",
     "mp2",
     "svcd",
     "480x480",
     "480x576",
     nullptr,
     nullptr,
     "18",
     "15",
     {{"b", "2040000"},
      {"maxrate", "2516000"},
      {"minrate", "0"},
      {"bufsize", "1835008"},
      {"flags", "+scan_offset"},
      {"ab", "224000"},
      {"packetsize", "2324"}},
     44100,
     tcStereoIfMono,
     0.0f,
     "4:3"},
    {"dvd",
     "mpeg2video",
     "ac3",
     "dvd",
     "720x480",
     "720x576",
     nullptr,
     nullptr,
     "18",
     "15",
     {{"b", "6000000"},
      {"maxrate", "9000000"},
      {"minrate", "0"},
      {"bufsize", "1835008"},
      {"packetsize", "2048"},
      {"muxrate", "10080000"},
      {"ab", "448000"}},
     48000,
     tcStereoIfMono,
     0.0f,
     "16:9"},
    {"dv",
     nullptr,
     nullptr,
     "dv",
     "720x480",
     "720x576",
     "yuv411p",
     "yuv420p",
     nullptr,
     nullptr,
     {},
     48000,
     tcStereo,
     0.0f,
     nullptr},
    {"dv50",
     nullptr,
     nullptr,
     "dv",
     "720x480",
     "720x576",
     "yuv422p",
     "yuv422p",
     nullptr,
     nullptr,
     {},
     48000,
     tcStereo,
     0.0f,
     nullptr},
};

int RateTimes1000(AVRational rate) {
  return static_cast<int>(std::lround(static_cast<double>(rate.num) * 1000.0 / rate.den));
}

}  // namespace

const char* TargetNormFrameRate(TTargetNorm norm) {
  switch (norm) {
    case tnPal:
      return "25";
    case tnNtsc:
      return "30000/1001";
    case tnFilm:
      return "24000/1001";
  }
  return "25";
}

std::span<const TTargetPreset> TargetPresets() { return kTargetPresets; }

const TTargetPreset* FindTargetPreset(const std::string& type) {
  for (const TTargetPreset& preset : kTargetPresets)
    if (type == preset.type) return &preset;
  return nullptr;
}

TTargetNorm GuessTargetNorm(AVRational frameRate, const std::vector<AVRational>& inputRates,
                            const std::string& defaultNormWord) {
  const int rate = RateTimes1000(frameRate);
  if (rate == 25000) return tnPal;
  if (rate == 29970 || rate == 23976) return tnNtsc;
  for (const AVRational& inputRate : inputRates) {
    if (inputRate.den == 0) continue;
    const int inputRate1000 = RateTimes1000(inputRate);
    if (inputRate1000 == 25000) return tnPal;
    if (inputRate1000 == 29970 || inputRate1000 == 23976) return tnNtsc;
  }
  if (defaultNormWord == "film") return tnFilm;
  if (defaultNormWord == "ntsc") return tnNtsc;
  return tnPal;
}

void TTranscoderOptions::ApplyTargetPreset(const std::string& type, const std::string& normWord,
                                           const std::string& defaultNormWord) {
  TTargetNorm norm;
  if (normWord == "pal") {
    norm = tnPal;
  } else if (normWord == "ntsc") {
    norm = tnNtsc;
  } else if (normWord == "film") {
    norm = tnFilm;
  } else {
    if (settings_.frameRate.den == 0) throw FFmpegException("frame_rate is invalid.");
    norm = GuessTargetNorm(settings_.frameRate, InputVideoFrameRates(), defaultNormWord);
    if (settings_.verbose > 0)
      LogMessage(llVerbose, std::string("Assuming ") + (norm == tnPal ? "PAL" : "NTSC") + " for target.");
  }

  const TTargetPreset* preset = FindTargetPreset(type);
  if (!preset) throw FFmpegException("Unknown target type");
  const bool pal = norm == tnPal;

  if (preset->videoCodec) ApplyOption("vcodec", preset->videoCodec);
  if (preset->audioCodec) ApplyOption("acodec", preset->audioCodec);
  ApplyOption("f", preset->format);
  ApplyOption("s", pal ? preset->sizePal : preset->sizeNtsc);
  if (const char* pixelFormat = pal ? preset->pixelFormatPal : preset->pixelFormatNtsc)
    ApplyOption("pix_fmt", pixelFormat);
  ApplyOption("r", TargetNormFrameRate(norm));
  if (const char* gop = pal ? preset->gopPal : preset->gopNtsc) optionStore_.ApplyGenericOption("g", gop);
  for (const auto& [name, value] : preset->genericOptions) optionStore_.ApplyGenericOption(name, value);
  settings_.audioSampleRate = preset->sampleRate;
  if (preset->channels == tcStereo || (preset->channels == tcStereoIfMono && settings_.audioChannels == 1))
    settings_.audioChannels = 2;
  if (preset->muxPreload > 0) settings_.muxPreload = preset->muxPreload;
  if (preset->defaultAspect && settings_.frameAspectRatio == 0) {
    LogMessage(llInfo, std::string("Assuming ") + preset->defaultAspect + " for aspect ratio");
    ApplyOption("aspect", preset->defaultAspect);
  }
}

}  // namespace mediaconv::engine
