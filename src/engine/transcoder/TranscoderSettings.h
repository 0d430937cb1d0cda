#pragma once
#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <libavcodec/bsf.h>
#include <libavutil/avutil.h>
#include <libavutil/rational.h>
}

namespace mediaconv::engine {

// A stream map of the "map" option: file.stream[:syncfile.syncstream].
struct TStreamMap {
  int fileIndex = 0;
  int streamIndex = 0;
  int syncFileIndex = 0;
  int syncStreamIndex = 0;
  bool operator==(const TStreamMap&) const = default;
};

// One end of a "map_meta_data" map: file, type 'g' (global), 's' (stream),
// 'c' (chapter) or 'p' (program), and the index for the last three.
struct TMetadataMapEnd {
  int fileIndex = 0;
  char type = 'g';
  int index = 0;
  bool operator==(const TMetadataMapEnd&) const = default;
};

struct TMetadataMap {
  TMetadataMapEnd output;
  TMetadataMapEnd input;
  bool operator==(const TMetadataMap&) const = default;
};

struct TChapterMap {
  int inputFile = 0;
  int outputFile = 0;
  bool operator==(const TChapterMap&) const = default;
};

// Term by term, as the settings compare: 1/2 and 2/4 differ.
inline bool operator==(const AVRational& a, const AVRational& b) { return a.num == b.num && a.den == b.den; }

// Indices of maxFrames.
enum TFrameKind : int { fkVideo = 0, fkAudio = 1, fkData = 2, fkSubtitle = 3 };

// Bits of videoGlobalHeader ("vglobal").
constexpr int kVideoGlobalHeaderAlways = 1;
constexpr int kVideoLocalHeader = 2;

// The transcoder's current settings. Options change them; the next input
// opening, output set-up or new stream consumes what concerns it and puts it
// back to its default. The scope column of the option table (Options.cpp)
// says who consumes what; the notes below repeat it: "input" means the input
// opening (failed or not), "output" the output file set-up (failed or not),
// "new video/audio/subtitle stream" the creation of one output stream of that
// kind. Fields without such a note keep their value for the run. Times are
// microseconds; AV_NOPTS_VALUE is "unset" where a field says so.
struct TTranscoderSettings {
  // Compared whole: tests check what each step resets.
  bool operator==(const TTranscoderSettings&) const = default;

  // "f": cleared by the input and by the output that consume it.
  std::string formatName;

  // "s"; overwritten by each input's video streams.
  int frameWidth = 0;
  int frameHeight = 0;
  // "aspect"; overwritten by inputs.
  float frameAspectRatio = 0.0f;
  // "pix_fmt" (AVPixelFormat, -1 none); overwritten by inputs; reset to -1
  // after each new video stream.
  int framePixelFormat = -1;
  // "sample_fmt" (AVSampleFormat, -1 none); overwritten by inputs.
  int audioSampleFormat = -1;
  // "vframes", "aframes", "dframes"; indexed by TFrameKind.
  std::array<int, 4> maxFrames{INT_MAX, INT_MAX, INT_MAX, INT_MAX};
  // "r"; a denominator of 0 means that no rate is set. Overwritten by inputs.
  AVRational frameRate{25, 0};
  // "qscale": fixed video quantiser, 0 is off.
  float videoQScale = 0.0f;
  // "intra_matrix", "inter_matrix": empty, or 64 coefficients.
  std::vector<std::uint16_t> intraMatrix;
  std::vector<std::uint16_t> interMatrix;
  // "rc_override": start,end,q entries separated by "/"; parsed by the new video stream.
  std::string rcOverride;

  // "vn": reset after each new video stream.
  bool videoDisable = false;
  // "vdt": AVDiscard level for the video streams of the next input; cleared by it.
  int videoDiscard = 0;
  // "vcodec": cleared by the input (a forced decoder) and by each new video stream.
  std::string videoCodecName;
  // "vcodec copy": reset after each new video stream.
  bool videoStreamCopy = false;
  // "vtag": first character in the lowest byte.
  std::uint32_t videoCodecTag = 0;
  // "vlang": cleared by the new video stream that uses it.
  std::string videoLanguage;
  bool sameQuality = false;  // "sameq"
  bool deinterlace = false;  // "deinterlace"
  int topFieldFirst = -1;    // "top": -1 automatic, 0 bottom first, 1 top first
  int meThreshold = 0;       // "me_threshold"
  int intraDcPrecision = 8;  // "dc": the encoder gets the value minus 8
  bool loopInput = false;    // "loop_input"
  int loopOutput = -1;       // "loop_output": -1 no looping
  bool qpHistogram = false;  // "qphist"
  std::string videoFilters;  // "vf", "vfilters"
  bool intraOnly = false;    // "intra"
  // "force_key_frames": comma-separated times; cleared by the output and by
  // each new video stream.
  std::string forceKeyFrames;
  bool forceFps = false;  // "force_fps"

  // "ar", "ac"; overwritten by each input's audio streams.
  int audioSampleRate = 44100;
  int audioChannels = 2;
  std::uint64_t audioChannelLayout = 0;  // a channel mask; taken from inputs
  float audioQScale = -99999.0f;         // "aq"; -99999 is none
  bool audioDisable = false;             // "an": reset after each new audio stream
  std::string audioCodecName;            // "acodec": cleared by the input and each new audio stream
  bool audioStreamCopy = false;          // "acodec copy": reset after each new audio stream
  std::uint32_t audioCodecTag = 0;       // "atag"
  std::string audioLanguage;             // "alang": cleared by the new audio stream that uses it
  int audioVolume = 256;                 // "vol": 256 is unchanged

  bool subtitleDisable = false;        // "sn": reset after each new subtitle stream
  std::string subtitleCodecName;       // "scodec": cleared by the input and each new subtitle stream
  bool subtitleStreamCopy = false;     // "scodec copy": reset after each new subtitle stream
  std::string subtitleLanguage;        // "slang": cleared by the new subtitle stream that uses it
  std::uint32_t subtitleCodecTag = 0;  // "stag"

  float muxPreload = 0.5f;   // "muxpreload", seconds; target "vcd" sets 0.44
  float muxMaxDelay = 0.7f;  // "muxdelay", seconds

  // "t": INT64_MAX is no limit.
  std::int64_t recordingTime = INT64_MAX;
  // Expected total duration for progress: set by "t" and SetRecordingTime;
  // AV_NOPTS_VALUE when none was given.
  std::int64_t expectedDuration = AV_NOPTS_VALUE;
  // "ss": the start of the next input, cleared by it. Given after the last
  // input, the start of the output, which no later step clears.
  std::int64_t startTime = 0;
  // "itsoffset": timestamp offset of the next input; cleared by it.
  std::int64_t inputTimestampOffset = 0;
  // "timestamp": whole seconds since 1970; read by the output.
  std::int64_t recordingTimestamp = 0;
  // "metadata": moved into the next output file, in the order given; cleared by the output.
  std::vector<std::pair<std::string, std::string>> pendingMetadata;

  bool hexDump = false;     // "hex"
  bool packetDump = false;  // "dump"
  bool doPsnr = false;      // "psnr"
  int passNumber = 0;       // "pass": 0 single pass, 1 or 2
  // "passlogfile": empty means "ffmpeg2pass".
  std::string passLogFilePrefix;

  int videoSyncMethod = -1;          // "vsync": -1 automatic
  int audioSyncMethod = 0;           // "async": 0 off
  float audioDriftThreshold = 0.1f;  // "adrift_threshold", seconds
  bool copyTimestamps = false;       // "copyts"
  bool shortest = false;             // "shortest"
  int videoGlobalHeader = 0;         // "vglobal": kVideoGlobalHeaderAlways, kVideoLocalHeader
  std::string statisticsFileName;    // "vstats", "vstats_file"
  int programId = 0;                 // "programid": cleared by the input
  int copyInitialNonKeyFrames = 0;   // "copyinkf"
  bool rateEmulation = false;        // "re"
  int videoChannel = 0;              // "vc": cleared by the input
  std::string tvStandard;            // "tvstd"
  bool exitOnError = false;          // "xerror"
  bool videoHookInUse = false;       // "vhook" succeeded
  int verbose = 1;                   // "v": below 0 silences informational messages
  int codecThreadCount = 0;          // "threads": 0 lets the library choose
  bool inputSync = false;            // "isync"
  std::int64_t limitFileSize = 0;    // "fs", bytes: 0 is none
  float dtsDeltaThreshold = 10.0f;   // "dts_delta_threshold", seconds

  // Preview of output frames (set by the encoder component, not by options).
  bool preview = false;
  bool previewBitmap = false;
  int hookBitsPerPixel = 24;

  // "map": one entry per occurrence.
  std::vector<TStreamMap> streamMaps;
  // "map_meta_data": one entry per occurrence. An 's' end switches off the
  // automatic copying of stream metadata, a 'c' end that of chapters.
  std::vector<TMetadataMap> metadataMaps;
  bool metadataStreamsAutomatic = true;
  bool metadataChaptersAutomatic = true;
  // "map_chapters".
  std::vector<TChapterMap> chapterMaps;
  // "streamid": stream ids indexed by output stream index (0 where not
  // given); emptied by the output set-up.
  std::vector<int> streamIds;
  // "itsscale": scales indexed by stream index (1.0 where not given) for the
  // input opened next; cleared by that input.
  std::vector<double> inputTimestampScales;
  // "absf", "vbsf", "sbsf": bitstream filter chains in order; the next new
  // stream of the kind takes the whole chain over and clears it.
  std::vector<const AVBitStreamFilter*> audioBitstreamFilters;
  std::vector<const AVBitStreamFilter*> videoBitstreamFilters;
  std::vector<const AVBitStreamFilter*> subtitleBitstreamFilters;
};

}  // namespace mediaconv::engine
