#pragma once
#include <cstdarg>
#include <cstdint>
#include <string>

extern "C" {
#include <libavutil/rational.h>
}

struct AVStream;

namespace mediaconv::engine {

std::string FormatText(const char* format, va_list args);
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A stream whose time base has a zero denominator gets its numerator there
// (or 1), written into the stream, so its times can be converted.
void RepairTimeBase(AVStream* stream);

// A time in timeBase as microseconds; -1 for the library's no-value time.
int64_t ToMicroseconds(int64_t time, AVRational timeBase);

// Sample aspect x width / height. An unknown sample aspect (numerator 0)
// counts as square pixels; a zero denominator or height gives an infinite or
// not-a-number value, never a trap.
float DisplayAspectRatio(AVRational sampleAspect, int width, int height);

// "image2" and the single-picture demuxers that replaced it for stills
// ("png_pipe", "jpeg_pipe", ...): no seeking, and a picture decodes once.
bool IsStillImageFormat(const char* name);

}  // namespace mediaconv::engine
