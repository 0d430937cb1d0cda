#include "engine/prober/DecoderHelpers.h"

#include <strings.h>

#include <cstdio>
#include <string_view>

#include "engine/loader/Av.h"

namespace mediaconv::engine {

std::string FormatText(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (needed <= 0) return {};
  std::string text(static_cast<size_t>(needed) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, args);
  text.resize(static_cast<size_t>(needed));
  return text;
}

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatText(format, args);
  va_end(args);
  return text;
}

void RepairTimeBase(AVStream* stream) {
  if (stream->time_base.den == 0)
    stream->time_base.den = stream->time_base.num != 0 ? stream->time_base.num : 1;
}

int64_t ToMicroseconds(int64_t time, AVRational timeBase) {
  if (time == AV_NOPTS_VALUE || timeBase.den == 0) return -1;
  return av::av_rescale_q(time, timeBase, AVRational{1, AV_TIME_BASE});
}

float DisplayAspectRatio(AVRational sampleAspect, int width, int height) {
  if (sampleAspect.num == 0) sampleAspect = AVRational{1, 1};
  return static_cast<float>(sampleAspect.num) / static_cast<float>(sampleAspect.den) *
         static_cast<float>(width) / static_cast<float>(height);
}

bool IsStillImageFormat(const char* name) {
  if (!name) return false;
  const std::string_view text(name);
  if (::strcasecmp(name, "image2") == 0 || ::strcasecmp(name, "image2pipe") == 0) return true;
  constexpr std::string_view kPipe = "_pipe";
  return text.size() > kPipe.size() && text.substr(text.size() - kPipe.size()) == kPipe;
}

}  // namespace mediaconv::engine
