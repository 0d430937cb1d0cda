#pragma once
#include <span>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/rational.h>
}

namespace mediaconv::engine {

enum TTargetNorm { tnPal, tnNtsc, tnFilm };

// Frame rate text per norm: "25", "30000/1001", "24000/1001".
const char* TargetNormFrameRate(TTargetNorm norm);

// How a target sets the audio channel count.
enum TTargetChannels { tcKeep, tcStereo, tcStereoIfMono };

// One target type. Two-valued fields hold the NTSC value (also used for
// FILM) and the PAL value; a null text is not set. The generic options go
// to the library option store.
struct TTargetPreset {
  const char* type;
  const char* videoCodec;
  const char* audioCodec;
  const char* format;
  const char* sizeNtsc;
  const char* sizePal;
  const char* pixelFormatNtsc;
  const char* pixelFormatPal;
  const char* gopNtsc;
  const char* gopPal;
  // Generic options in the order they are set.
  std::vector<std::pair<const char*, const char*>> genericOptions;
  int sampleRate;
  TTargetChannels channels;
  float muxPreload;  // seconds; 0 leaves it
  // Aspect ratio applied (with a notice) when none is set.
  const char* defaultAspect;
};

std::span<const TTargetPreset> TargetPresets();
const TTargetPreset* FindTargetPreset(const std::string& type);

// The norm for an automatic target: from the frame rate (num/den, den not
// 0), else from the input video frame rates in order, else the default word
// ("film", "ntsc", anything else PAL).
TTargetNorm GuessTargetNorm(AVRational frameRate, const std::vector<AVRational>& inputRates,
                            const std::string& defaultNormWord);

}  // namespace mediaconv::engine
