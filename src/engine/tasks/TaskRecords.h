#pragma once
#include <cstdint>
#include <limits>
#include <string>

namespace mediaconv::engine {

// The "no time stamp" value of the media libraries (AV_NOPTS_VALUE): a time
// field holding it is not applied.
inline constexpr int64_t kNoTimestamp = std::numeric_limits<int64_t>::min();

// Values of TOutputOptions::Target and TargetNorm.
inline constexpr int32_t kTargetNone = 0;
inline constexpr int32_t kTargetVcd = 1;
inline constexpr int32_t kTargetSvcd = 2;
inline constexpr int32_t kTargetDvd = 3;
inline constexpr int32_t kTargetNormAuto = 0;
inline constexpr int32_t kTargetNormPal = 1;
inline constexpr int32_t kTargetNormNtsc = 2;

// Options for one input file of a task. Text is UTF-8. ExtOptions is option
// text: lines of name=value separated by line breaks or "<CRLF>".
struct TInputOptions {
  std::string FileName;              // filled from the file-name argument when empty
  std::string FileFormat;            // forced demuxer ("f")
  int64_t StartTime = kNoTimestamp;  // microseconds ("ss")
  int32_t ProgramID = -1;            // "programid", applied when 0 or more
  std::string ExtOptions;

  bool operator==(const TInputOptions&) const = default;
};

// Metadata of an output file.
struct TStreamInfo {
  // Days since 30 December 1899, local time; 0 means now, below 0 sets nothing.
  double Timestamp = -1.0;
  int32_t Year = -1;   // "year", when above 0
  int32_t Track = -1;  // "track", when above 0
  std::string Title;
  std::string Author;
  std::string Copyright;
  std::string Comment;
  std::string Album;
  std::string Genre;

  bool operator==(const TStreamInfo&) const = default;
};

// Options for one output file of a task. A number field is applied only under
// the condition noted beside it, so its default leaves the choice to the
// transcoder.
struct TOutputOptions {
  std::string FileName;                // filled from the file-name argument when empty
  std::string FileExt;                 // not read by the encoder; the option builder keeps the extension here
  std::string FileFormat;              // muxer ("f"); empty guesses from the file name
  int32_t PacketSize = -1;             // "packetsize", above 0
  int32_t MuxRate = -1;                // "muxrate", above 0
  float MuxDelay = -1.0f;              // "muxdelay", above 0
  float MuxPreload = -1.0f;            // "muxpreload", above 0
  std::string AudioCodec;              // first audio stream ("acodec")
  std::string AudioPreset;             // "apre"
  bool DisableAudio = false;           // "an"
  int32_t AudioVolume = -1;            // "vol", 0 or more
  int32_t AudioChannels = -1;          // "ac", above 0
  int32_t AudioSampleRate = -1;        // Hz, "ar", above 0
  int32_t AudioBitrate = -1;           // bit/s, "ab", above 0 and without Target
  int32_t AudioBitrateTolerance = -1;  // "abt", above 0
  std::string AudioLanguage;           // "alang", always
  int32_t AudioSync = 0;               // "async", always
  std::string AudioTag;                // "atag", when not empty
  std::string VideoCodec;              // first video stream ("vcodec")
  std::string VideoPreset;             // "vpre"
  bool DisableVideo = false;           // "vn"
  std::string FrameRate;               // "r", e.g. "30" or "30000/1001"
  std::string FrameSize;               // "s" of the first video stream, e.g. "640x480"
  std::string FrameAspectRatio;        // "aspect", e.g. "16:9"
  int32_t GOPSize = -1;                // "g", above 0
  int32_t VideoBitrate = -1;           // bit/s, "vb", above 0 and without Target
  int32_t VideoMaxRate = -1;           // "maxrate", above 0
  int32_t VideoMinRate = -1;           // "minrate", above 0
  int32_t VideoBitrateTolerance = -1;  // "bt", above 0
  int32_t VideoBufSize = -1;           // "bufsize", above 0
  int32_t VideoSync = -1;              // "vsync", always
  std::string VideoTag;                // "vtag", when not empty, e.g. "XVID"
  std::string VideoFilters;            // "vf" of the first video stream
  std::string VideoLanguage;           // "vlang", always
  std::string SubtitleCodec;           // first subtitle stream ("scodec")
  std::string SubtitlePreset;          // "spre"
  bool DisableSubtitle = false;        // "sn"
  std::string SubtitleLanguage;        // "slang", always
  bool InputSync = false;              // "isync", always
  bool CopyTimestamps = false;         // "copyts"
  int64_t StartTime = kNoTimestamp;    // microseconds, "ss"
  int64_t RecordingTime = kNoTimestamp;  // microseconds, "t"; also the task's total duration
  TStreamInfo Metadata;
  int32_t Target = kTargetNone;          // kTargetVcd, kTargetSvcd or kTargetDvd
  int32_t TargetNorm = kTargetNormAuto;  // kTargetNormPal, kTargetNormNtsc; anything else is auto
  int32_t TargetNormDefault = 1;         // 1 "pal", anything else "ntsc"
  bool AudioHook = false;
  bool VideoInputHook = false;
  bool VideoOutputHook = false;
  int32_t HookBitsPerPixel = 24;
  bool Join = false;  // join every input of the task into this output
  std::string ExtOptions;
  // Free for the caller; the encoder never reads them.
  int32_t Tag1 = 0;
  int32_t Tag2 = 0;

  bool operator==(const TOutputOptions&) const = default;
};

}  // namespace mediaconv::engine
