#pragma once
#include <cstdint>
#include <string>

namespace mediaconv::engine {

// What the prober reports about a file and its streams. Durations and times
// ending in Us are microseconds; -1 (or empty) marks a value the file lacks.

struct TFileStreamInfo {
  int64_t StartTime = -1;
  int64_t Duration = -1;
  int32_t BitRate = -1;
  int64_t Timestamp = -1;  // creation time, microseconds since the epoch
  int32_t Year = -1;
  int32_t Track = -1;
  std::string Title;
  std::string Author;
  std::string Copyright;
  std::string Comment;
  std::string Album;
  std::string Genre;
};

struct TAudioStreamInfo {
  std::string Language;
  std::string Codec;
  int64_t StartTime = -1;  // in the stream's time base; may be the library's no-value time
  int64_t StartTimeUs = -1;
  int64_t Duration = -1;  // likewise
  int64_t DurationUs = -1;
  int32_t BitRate = -1;
  int32_t Channels = -1;
  int32_t SampleRate = -1;
  int32_t SampleFormat = -1;
};

struct TVideoStreamInfo {
  std::string Language;
  std::string Codec;
  int64_t StartTime = -1;
  int64_t StartTimeUs = -1;
  int64_t Duration = -1;
  int64_t DurationUs = -1;
  int32_t BitRate = -1;
  int32_t Height = -1;
  int32_t Width = -1;
  float AspectRatio = -1.0f;  // display aspect: sample aspect x width / height
  int32_t PixelFormat = -1;
  int32_t FrameRateNum = -1;
  int32_t FrameRateDen = -1;
};

}  // namespace mediaconv::engine
