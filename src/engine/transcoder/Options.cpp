#include "engine/transcoder/Options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <map>
#include <mutex>
#include <new>
#include <string_view>
#include <unordered_map>
#include <variant>

#include "app/FileNameHelpers.h"
#include "engine/loader/Av.h"
#include "engine/transcoder/PreviewWindow.h"

namespace mediaconv::engine {

namespace {

// The transcoder's stream limit per input file, as the option messages name it.
constexpr int kMaxStreams = 20;

FFmpegException IntegerError(const std::string& text) {
  return FFmpegException("'" + text + "' is not a valid integer value");
}

FFmpegException FloatError(const std::string& text) {
  return FFmpegException("'" + text + "' is not a valid floating point value");
}

// Whole number in decimal, "$hex" or "0xhex", with an optional sign and
// leading blanks; false for anything else or a value out of range.
template <typename T>
bool TryParseWhole(const std::string& text, T& result) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  if (first == last) return false;
  using TUnsigned = std::make_unsigned_t<T>;
  TUnsigned magnitude = 0;
  const auto [end, error] = std::from_chars(first, last, magnitude, base);
  if (error != std::errc() || end != last) return false;
  if (base == 16 && !negative) {
    // Hexadecimal spells the bit pattern: $FFFFFFFF is -1.
    result = static_cast<T>(magnitude);
    return true;
  }
  const TUnsigned limit = static_cast<TUnsigned>(std::numeric_limits<T>::max()) + (negative ? 1 : 0);
  if (magnitude > limit) return false;
  result = negative ? static_cast<T>(TUnsigned(0) - magnitude) : static_cast<T>(magnitude);
  return true;
}

// A decimal number with "." as separator and an optional exponent, blanks
// allowed around it.
bool TryParseFloat(const std::string& text, double& result) {
  const std::string trimmed = TrimText(text);
  std::size_t i = 0;
  if (i < trimmed.size() && (trimmed[i] == '+' || trimmed[i] == '-')) ++i;
  std::size_t digits = 0;
  std::size_t j = i;
  while (j < trimmed.size() && std::isdigit(static_cast<unsigned char>(trimmed[j]))) ++j, ++digits;
  if (j < trimmed.size() && trimmed[j] == '.') {
    ++j;
    while (j < trimmed.size() && std::isdigit(static_cast<unsigned char>(trimmed[j]))) ++j, ++digits;
  }
  if (digits == 0) return false;
  if (j < trimmed.size() && (trimmed[j] == 'e' || trimmed[j] == 'E')) {
    std::size_t k = j + 1;
    if (k < trimmed.size() && (trimmed[k] == '+' || trimmed[k] == '-')) ++k;
    const std::size_t exponentStart = k;
    while (k < trimmed.size() && std::isdigit(static_cast<unsigned char>(trimmed[k]))) ++k;
    if (k == exponentStart) return false;
    j = k;
  }
  if (j != trimmed.size()) return false;
  const char* first = trimmed.data() + (trimmed[0] == '+' ? 1 : 0);
  const auto [end, error] = std::from_chars(first, trimmed.data() + trimmed.size(), result);
  return error == std::errc() && end == trimmed.data() + trimmed.size();
}

// strtol with base 0 ("0x" hexadecimal, "0" octal), as the map options read
// their numbers; advances text past what it read.
int ReadCInteger(const char*& text) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 0);
  text = end;
  return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

// strtod-like prefix of a decimal number, independent of the locale; 0 when
// nothing is numeric.
double ReadDecimalPrefix(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  if (*text == '+') ++text;
  double value = 0;
  std::from_chars(text, text + std::char_traits<char>::length(text), value);
  return value;
}

}  // namespace

// The argument of one option, read according to its kind.
enum class TArgumentKind { kAny, kInt, kInt64, kFloat, kFlag, kDuration, kDate, kText };

struct TArgument {
  const std::string& name;
  const std::string& text;
  std::int64_t integer = 0;
  double real = 0;
  bool flag = false;
};

namespace {

using TSelf = TTranscoderOptions;
using TArg = TArgument;
using S = TTranscoderSettings;

// One element of maxFrames ("vframes", "aframes", "dframes").
struct TFrameLimit {
  TFrameKind kind;
};

// The settings field that a row sets itself, by its type.
using TFieldBinding = std::variant<std::monostate, int S::*, std::int64_t S::*, float S::*, bool S::*,
                                   std::string S::*, TFrameLimit>;

// How a row reads its argument into its field.
struct TFieldSpec {
  TArgumentKind kind;
  TFieldBinding field;
  bool emptyIgnored = false;
};

constexpr TFieldSpec Int(int S::*field) { return {TArgumentKind::kInt, field}; }
constexpr TFieldSpec Int64(std::int64_t S::*field) { return {TArgumentKind::kInt64, field}; }
constexpr TFieldSpec Duration(std::int64_t S::*field) { return {TArgumentKind::kDuration, field}; }
constexpr TFieldSpec Float(float S::*field) { return {TArgumentKind::kFloat, field}; }
// On unless the value is "0".
constexpr TFieldSpec Flag(bool S::*field) { return {TArgumentKind::kFlag, field}; }
// On whatever the value.
constexpr TFieldSpec Switch(bool S::*field) { return {TArgumentKind::kAny, field}; }
constexpr TFieldSpec Text(std::string S::*field) { return {TArgumentKind::kText, field}; }
// An empty value leaves the field as it is.
constexpr TFieldSpec TextUnlessEmpty(std::string S::*field) { return {TArgumentKind::kText, field, true}; }
constexpr TFieldSpec FrameLimit(TFrameKind kind) { return {TArgumentKind::kInt, TFrameLimit{kind}}; }

// The values a numeric row accepts. One outside raises the error, or is
// ignored when the row has none.
struct TValueRange {
  double min = -std::numeric_limits<double>::infinity();
  double max = std::numeric_limits<double>::infinity();
  const char* error = nullptr;
};

constexpr TValueRange kAboveZeroElseIgnored{1, std::numeric_limits<double>::infinity()};
// The least value above 0: a range from it refuses 0 and below.
constexpr double kSmallestAboveZero = std::numeric_limits<double>::denorm_min();

// False when the value is to be ignored; raises the range's error.
bool AcceptedByRange(const TValueRange& range, double value) {
  if (value >= range.min && value <= range.max) return true;
  if (range.error) throw FFmpegException(range.error);
  return false;
}

template <typename... TVisitors>
struct TOverloaded : TVisitors... {
  using TVisitors::operator()...;
};
// Clang before 17 deduces no aggregate's template arguments by itself.
template <typename... TVisitors>
TOverloaded(TVisitors...) -> TOverloaded<TVisitors...>;

}  // namespace

// One option: its name, what consumes its value, and either the field it sets
// (with the argument kind that field takes) or a handler that does more.
struct TTranscoderOptions::TOptionEntry {
  using THandler = void (*)(TTranscoderOptions& self, const TArgument& argument);

  TOptionEntry(const char* optionName, TOptionScope optionScope, TFieldSpec spec, TValueRange valueRange = {})
      : name(optionName),
        scope(optionScope),
        kind(spec.kind),
        field(spec.field),
        emptyIgnored(spec.emptyIgnored),
        range(valueRange) {}
  TOptionEntry(const char* optionName, TOptionScope optionScope, TArgumentKind argumentKind,
               THandler rowHandler)
      : name(optionName), scope(optionScope), kind(argumentKind), handler(rowHandler) {}

  const char* name;
  TOptionScope scope;
  TArgumentKind kind;
  TFieldBinding field;
  bool emptyIgnored = false;
  TValueRange range;
  THandler handler = nullptr;
};

namespace {

void DoNothing(TSelf& self, const TArg& a) {
  TFFLogger::DefaultLogger().Log(&self, llInfo, "Do nothing: option - " + a.name);
}

void RemovedCrop(TSelf&, const TArg&) { throw FFmpegException("Removed, use the crop filter instead"); }
void RemovedPad(TSelf&, const TArg&) { throw FFmpegException("Removed, use the pad filter instead"); }

}  // namespace

const std::vector<TTranscoderOptions::TOptionEntry>& TTranscoderOptions::Vocabulary() {
  using K = TArgumentKind;
  using enum TOptionScope;
  static const std::vector<TOptionEntry> kVocabulary = {
      // Informational and control options.
      {"L", kGlobal, K::kAny, DoNothing},
      {"h", kGlobal, K::kAny, DoNothing},
      {"version", kGlobal, K::kAny, DoNothing},
      {"formats", kGlobal, K::kAny, DoNothing},
      {"codecs", kGlobal, K::kAny, DoNothing},
      {"bsfs", kGlobal, K::kAny, DoNothing},
      {"protocols", kGlobal, K::kAny, DoNothing},
      {"filters", kGlobal, K::kAny, DoNothing},
      {"i", kGlobal, K::kAny, DoNothing},
      {"y", kGlobal, K::kAny, DoNothing},
      {"benchmark", kGlobal, K::kAny, DoNothing},
      // The codec thread count; 0 (the default) lets the library choose.
      {"threads", kGlobal, K::kText,
       [](TSelf& self, const TArg& a) {
         int count = 0;
         if (a.text != "auto" && !TryParseWhole(a.text, count)) throw IntegerError(a.text);
         self.settings_.codecThreadCount = std::max(count, 0);
         // Once per core: the run differs from one codec thread here.
         if (!self.threadsWarned_) {
           self.threadsWarned_ = true;
           self.LogMessage(llWarning, "Option threads: codec thread count " +
                                          std::to_string(self.settings_.codecThreadCount) +
                                          " (0 lets the library choose)");
         }
       }},
      {"timelimit", kGlobal, K::kAny,
       [](TSelf& self, const TArg&) {
         self.LogMessage(llWarning, "Warning: -timelimit not implemented on Windows");
       }},
      {"loglevel", kGlobal, K::kText,
       [](TSelf&, const TArg& a) {
         try {
           TFFLogger::DefaultLogger().SetLogLevelByName(a.text);
         } catch (const std::invalid_argument& error) {
           throw FFmpegException(error.what());
         }
       }},
      {"v", kGlobal, Int(&S::verbose)},
      {"dump", kGlobal, Flag(&S::packetDump)},
      {"hex", kGlobal, Flag(&S::hexDump)},
      {"re", kGlobal, Flag(&S::rateEmulation)},
      {"xerror", kGlobal, Switch(&S::exitOnError)},
      {"target", kGlobal, K::kText, [](TSelf& self, const TArg& a) { self.ApplyTargetOption(a.text); }},

      // Input and file options.
      {"f", kNextInput, TextUnlessEmpty(&S::formatName)},
      {"fs", kGlobal, Int64(&S::limitFileSize)},
      {"t", kGlobal, K::kDuration, [](TSelf& self, const TArg& a) { self.SetRecordingTime(a.integer); }},
      {"ss", kNextInput, Duration(&S::startTime)},
      {"itsoffset", kNextInput, Duration(&S::inputTimestampOffset)},
      {"itsscale", kNextInput, K::kText, [](TSelf& self, const TArg& a) { self.SetTimeScale(a.text); }},
      {"timestamp", kGlobal, K::kDate,
       [](TSelf& self, const TArg& a) {
         self.settings_.recordingTimestamp = std::llround(static_cast<double>(a.integer) / 1000000.0);
       }},
      {"metadata", kNextOutput, K::kText, [](TSelf& self, const TArg& a) { self.AddMetadataOption(a.text); }},
      {"map", kGlobal, K::kText, [](TSelf& self, const TArg& a) { self.AddStreamMap(a.text); }},
      {"map_meta_data", kGlobal, K::kText, [](TSelf& self, const TArg& a) { self.AddMetadataMap(a.text); }},
      {"map_chapters", kGlobal, K::kText, [](TSelf& self, const TArg& a) { self.AddChapterMap(a.text); }},
      {"programid", kNextInput, Int(&S::programId)},
      {"loop_input", kGlobal, Flag(&S::loopInput)},
      {"loop_output", kGlobal, Int(&S::loopOutput)},
      {"muxdelay", kGlobal, Float(&S::muxMaxDelay)},
      {"muxpreload", kGlobal, Float(&S::muxPreload)},
      {"streamid", kNextOutput, K::kText,
       [](TSelf& self, const TArg& a) { self.SetStreamId(a.name, a.text); }},
      {"copyts", kGlobal, Switch(&S::copyTimestamps)},
      {"shortest", kGlobal, Flag(&S::shortest)},
      {"dts_delta_threshold", kGlobal, Float(&S::dtsDeltaThreshold)},
      {"copyinkf", kGlobal, Int(&S::copyInitialNonKeyFrames)},
      {"isync", kGlobal, Flag(&S::inputSync)},
      {"async", kGlobal, Int(&S::audioSyncMethod)},
      {"vsync", kGlobal, Int(&S::videoSyncMethod)},
      {"adrift_threshold", kGlobal, Float(&S::audioDriftThreshold)},
      {"vglobal", kGlobal, Int(&S::videoGlobalHeader)},
      {"dframes", kGlobal, FrameLimit(fkData)},
      {"absf", kNextAudioStream, K::kText,
       [](TSelf& self, const TArg& a) {
         self.AddBitstreamFilter(self.settings_.audioBitstreamFilters, a.text);
       }},
      {"vbsf", kNextVideoStream, K::kText,
       [](TSelf& self, const TArg& a) {
         self.AddBitstreamFilter(self.settings_.videoBitstreamFilters, a.text);
       }},
      {"sbsf", kNextSubtitleStream, K::kText,
       [](TSelf& self, const TArg& a) {
         self.AddBitstreamFilter(self.settings_.subtitleBitstreamFilters, a.text);
       }},
      // Presets write library options and settings of every kind: they have no scope of their own.
      {"apre", kGlobal, K::kText, [](TSelf& self, const TArg& a) { self.ApplyPreset(a.name, a.text); }},
      {"vpre", kGlobal, K::kText, [](TSelf& self, const TArg& a) { self.ApplyPreset(a.name, a.text); }},
      {"spre", kGlobal, K::kText, [](TSelf& self, const TArg& a) { self.ApplyPreset(a.name, a.text); }},
      {"fpre", kGlobal, K::kText, [](TSelf& self, const TArg& a) { self.ApplyPreset(a.name, a.text); }},

      // Video options.
      {"b", kGlobal, K::kText,
       [](TSelf& self, const TArg& a) { self.SetBitrate(a.name, a.text, AVMEDIA_TYPE_VIDEO); }},
      {"vb", kGlobal, K::kText,
       [](TSelf& self, const TArg& a) { self.SetBitrate(a.name, a.text, AVMEDIA_TYPE_VIDEO); }},
      {"vframes", kGlobal, FrameLimit(fkVideo)},
      {"r", kGlobal, K::kText, [](TSelf& self, const TArg& a) { self.SetFrameRate(a.text); }},
      {"s", kGlobal, K::kText, [](TSelf& self, const TArg& a) { self.SetFrameSize(a.text); }},
      {"aspect", kGlobal, K::kText, [](TSelf& self, const TArg& a) { self.SetAspect(a.text); }},
      {"pix_fmt", kNextVideoStream, K::kText,
       [](TSelf& self, const TArg& a) { self.SetPixelFormat(a.text); }},
      {"croptop", kGlobal, K::kAny, RemovedCrop},
      {"cropbottom", kGlobal, K::kAny, RemovedCrop},
      {"cropleft", kGlobal, K::kAny, RemovedCrop},
      {"cropright", kGlobal, K::kAny, RemovedCrop},
      {"padtop", kGlobal, K::kAny, RemovedPad},
      {"padbottom", kGlobal, K::kAny, RemovedPad},
      {"padleft", kGlobal, K::kAny, RemovedPad},
      {"padright", kGlobal, K::kAny, RemovedPad},
      {"padcolor", kGlobal, K::kAny, RemovedPad},
      {"intra", kGlobal, Flag(&S::intraOnly)},
      {"vn", kNextVideoStream, Flag(&S::videoDisable)},
      {"vdt", kNextInput, Int(&S::videoDiscard)},
      {"qscale",
       kGlobal,
       Float(&S::videoQScale),
       {kSmallestAboveZero, 255, "qscale must be > 0.0 and <= 255"}},
      {"rc_override", kGlobal, Text(&S::rcOverride)},
      {"vcodec", kNextVideoStream, K::kText,
       [](TSelf& self, const TArg& a) { self.SetCodecName(AVMEDIA_TYPE_VIDEO, a.text); }},
      {"me_threshold", kGlobal, K::kInt,
       [](TSelf& self, const TArg& a) {
         self.settings_.meThreshold = int(a.integer);
         if (a.integer != 0 && !self.meThresholdWarned_) {
           self.meThresholdWarned_ = true;
           self.LogMessage(llWarning, "Option me_threshold has no effect with the current libraries");
         }
       }},
      {"sameq", kGlobal, Flag(&S::sameQuality)},
      {"pass", kGlobal, Int(&S::passNumber), {1, 2, "pass number can be only 1 or 2"}},
      {"passlogfile", kGlobal, Text(&S::passLogFilePrefix)},
      {"deinterlace", kGlobal, Flag(&S::deinterlace)},
      {"psnr", kGlobal, Flag(&S::doPsnr)},
      {"vstats", kGlobal, K::kAny, [](TSelf& self, const TArg&) { self.SetVstats(); }},
      {"vstats_file", kGlobal, Text(&S::statisticsFileName)},
      {"vhook", kGlobal, K::kText, [](TSelf& self, const TArg& a) { self.AddVideoHook(a.text); }},
      {"vfilters", kGlobal, TextUnlessEmpty(&S::videoFilters)},
      {"vf", kGlobal, TextUnlessEmpty(&S::videoFilters)},
      {"intra_matrix", kGlobal, K::kText,
       [](TSelf& self, const TArg& a) { self.SetMatrix(self.settings_.intraMatrix, a.text); }},
      {"inter_matrix", kGlobal, K::kText,
       [](TSelf& self, const TArg& a) { self.SetMatrix(self.settings_.interMatrix, a.text); }},
      {"top", kGlobal, Int(&S::topFieldFirst)},
      {"dc", kGlobal, Int(&S::intraDcPrecision)},
      {"vtag", kGlobal, K::kText,
       [](TSelf& self, const TArg& a) { self.SetTag(self.settings_.videoCodecTag, a.text); }},
      {"newvideo", kGlobal, K::kAny,
       [](TSelf& self, const TArg&) { self.RequestNewStream(AVMEDIA_TYPE_VIDEO); }},
      {"vlang", kNextVideoStream, Text(&S::videoLanguage)},
      {"qphist", kGlobal, Flag(&S::qpHistogram)},
      {"force_fps", kGlobal, Flag(&S::forceFps)},
      {"force_key_frames", kNextVideoStream, Text(&S::forceKeyFrames)},
      {"vc", kNextInput, Int(&S::videoChannel)},
      {"tvstd", kGlobal, Text(&S::tvStandard)},

      // Audio options.
      {"ab", kGlobal, K::kText,
       [](TSelf& self, const TArg& a) { self.SetBitrate(a.name, a.text, AVMEDIA_TYPE_AUDIO); }},
      {"aframes", kGlobal, FrameLimit(fkAudio)},
      {"aq", kGlobal, Float(&S::audioQScale)},
      {"ar", kGlobal, Int(&S::audioSampleRate), kAboveZeroElseIgnored},
      {"ac", kGlobal, Int(&S::audioChannels), kAboveZeroElseIgnored},
      {"an", kNextAudioStream, Flag(&S::audioDisable)},
      {"acodec", kNextAudioStream, K::kText,
       [](TSelf& self, const TArg& a) { self.SetCodecName(AVMEDIA_TYPE_AUDIO, a.text); }},
      {"atag", kGlobal, K::kText,
       [](TSelf& self, const TArg& a) { self.SetTag(self.settings_.audioCodecTag, a.text); }},
      {"vol", kGlobal, Int(&S::audioVolume)},
      {"newaudio", kGlobal, K::kAny,
       [](TSelf& self, const TArg&) { self.RequestNewStream(AVMEDIA_TYPE_AUDIO); }},
      {"alang", kNextAudioStream, Text(&S::audioLanguage)},
      {"sample_fmt", kGlobal, K::kText, [](TSelf& self, const TArg& a) { self.SetSampleFormat(a.text); }},

      // Subtitle options.
      {"sn", kNextSubtitleStream, Flag(&S::subtitleDisable)},
      {"scodec", kNextSubtitleStream, K::kText,
       [](TSelf& self, const TArg& a) { self.SetCodecName(AVMEDIA_TYPE_SUBTITLE, a.text); }},
      {"newsubtitle", kGlobal, K::kAny,
       [](TSelf& self, const TArg&) { self.RequestNewStream(AVMEDIA_TYPE_SUBTITLE); }},
      {"slang", kNextSubtitleStream, Text(&S::subtitleLanguage)},
      {"stag", kGlobal, K::kText,
       [](TSelf& self, const TArg& a) { self.SetTag(self.settings_.subtitleCodecTag, a.text); }},
  };
  return kVocabulary;
}

TTranscoderOptions::TTranscoderOptions() = default;
TTranscoderOptions::~TTranscoderOptions() = default;

void TTranscoderOptions::LogMessage(TLogLevel level, const std::string& text) const {
  TFFLogger::DefaultLogger().Log(this, level, text);
}

int TTranscoderOptions::ParseInt(const std::string& text) {
  int value = 0;
  if (!TryParseWhole(text, value)) throw IntegerError(text);
  return value;
}

std::int64_t TTranscoderOptions::ParseInt64(const std::string& text) {
  std::int64_t value = 0;
  if (!TryParseWhole(text, value)) throw IntegerError(text);
  return value;
}

double TTranscoderOptions::ParseFloat(const std::string& text) {
  double value = 0;
  if (!TryParseFloat(text, value)) throw FloatError(text);
  return value;
}

std::int64_t TTranscoderOptions::ParseTime(const std::string& optionName, const std::string& value,
                                           bool isDuration) {
  std::int64_t time = AV_NOPTS_VALUE;
  if (av::av_parse_time(&time, value.c_str(), isDuration ? 1 : 0) < 0 || time == AV_NOPTS_VALUE)
    throw FFmpegException("Invalid " + std::string(isDuration ? "duration" : "date") + " specification for " +
                          optionName + ": " + value);
  return time;
}

void TTranscoderOptions::ApplyOption(const std::string& name, const std::string& value) {
  static const std::unordered_map<std::string_view, const TOptionEntry*> kIndex = [] {
    std::unordered_map<std::string_view, const TOptionEntry*> index;
    for (const TOptionEntry& entry : Vocabulary()) index.emplace(entry.name, &entry);
    return index;
  }();

  const auto found = kIndex.find(name);
  if (found == kIndex.end()) {
    // The library's own options; one that nothing accepts is dropped.
    optionStore_.ApplyGenericOption(name, value);
    return;
  }
  const TOptionEntry& entry = *found->second;
  TArgument argument{name, value};
  switch (entry.kind) {
    case TArgumentKind::kInt:
      argument.integer = ParseInt(value);
      break;
    case TArgumentKind::kInt64:
      argument.integer = ParseInt64(value);
      break;
    case TArgumentKind::kFloat:
      argument.real = ParseFloat(value);
      break;
    case TArgumentKind::kFlag:
      argument.flag = value != "0";
      break;
    case TArgumentKind::kDuration:
    case TArgumentKind::kDate:
      argument.integer = ParseTime(name, value, entry.kind == TArgumentKind::kDuration);
      break;
    case TArgumentKind::kAny:
    case TArgumentKind::kText:
      break;
  }
  try {
    if (entry.handler)
      entry.handler(*this, argument);
    else
      StoreField(entry, argument);
  } catch (const std::bad_alloc&) {
    throw FFmpegException("Could not alloc buffer.");
  }
}

void TTranscoderOptions::StoreField(const TOptionEntry& entry, const TArgument& argument) {
  TTranscoderSettings& s = settings_;
  const auto inRange = [&](double value) { return AcceptedByRange(entry.range, value); };
  std::visit(TOverloaded{
                 [](std::monostate) {},
                 [&](int S::*field) {
                   if (inRange(double(argument.integer))) s.*field = int(argument.integer);
                 },
                 [&](std::int64_t S::*field) {
                   if (inRange(double(argument.integer))) s.*field = argument.integer;
                 },
                 [&](float S::*field) {
                   if (inRange(argument.real)) s.*field = float(argument.real);
                 },
                 [&](bool S::*field) { s.*field = entry.kind == TArgumentKind::kAny || argument.flag; },
                 [&](std::string S::*field) {
                   if (!entry.emptyIgnored || !argument.text.empty()) s.*field = argument.text;
                 },
                 [&](TFrameLimit limit) {
                   if (inRange(double(argument.integer))) s.maxFrames[limit.kind] = int(argument.integer);
                 },
             },
             entry.field);
}

namespace {

template <auto kMember>
void ResetMember(TTranscoderSettings& settings, const TTranscoderSettings& defaults) {
  settings.*kMember = defaults.*kMember;
}

// A field that a step resets beside the fields its rows bind: one that a
// handler writes, or one that a second step consumes as well.
struct TConsumedField {
  TOptionScope scope;
  void (*reset)(TTranscoderSettings& settings, const TTranscoderSettings& defaults);
};

constexpr TConsumedField kConsumedFields[] = {
    // "itsscale"; the input's forced decoders take the codec names.
    {TOptionScope::kNextInput, ResetMember<&S::inputTimestampScales>},
    {TOptionScope::kNextInput, ResetMember<&S::videoCodecName>},
    {TOptionScope::kNextInput, ResetMember<&S::audioCodecName>},
    {TOptionScope::kNextInput, ResetMember<&S::subtitleCodecName>},
    // "metadata", "streamid"; "f" serves the next file of either side, and
    // "force_key_frames" ends with the output even when it has no video.
    {TOptionScope::kNextOutput, ResetMember<&S::pendingMetadata>},
    {TOptionScope::kNextOutput, ResetMember<&S::streamIds>},
    {TOptionScope::kNextOutput, ResetMember<&S::formatName>},
    {TOptionScope::kNextOutput, ResetMember<&S::forceKeyFrames>},
    // "vcodec", "pix_fmt", "vbsf" and their kin of the other kinds.
    {TOptionScope::kNextVideoStream, ResetMember<&S::videoCodecName>},
    {TOptionScope::kNextVideoStream, ResetMember<&S::videoStreamCopy>},
    {TOptionScope::kNextVideoStream, ResetMember<&S::framePixelFormat>},
    {TOptionScope::kNextVideoStream, ResetMember<&S::videoBitstreamFilters>},
    {TOptionScope::kNextAudioStream, ResetMember<&S::audioCodecName>},
    {TOptionScope::kNextAudioStream, ResetMember<&S::audioStreamCopy>},
    {TOptionScope::kNextAudioStream, ResetMember<&S::audioBitstreamFilters>},
    {TOptionScope::kNextSubtitleStream, ResetMember<&S::subtitleCodecName>},
    {TOptionScope::kNextSubtitleStream, ResetMember<&S::subtitleStreamCopy>},
    {TOptionScope::kNextSubtitleStream, ResetMember<&S::subtitleBitstreamFilters>},
};

void ResetBoundField(TTranscoderSettings& settings, const TTranscoderSettings& defaults,
                     const TFieldBinding& binding) {
  std::visit(TOverloaded{
                 [](std::monostate) {},
                 [&](TFrameLimit limit) { settings.maxFrames[limit.kind] = defaults.maxFrames[limit.kind]; },
                 [&](auto field) { settings.*field = defaults.*field; },
             },
             binding);
}

}  // namespace

void TTranscoderOptions::ResetScope(TTranscoderSettings& settings, TOptionScope scope) {
  static const TTranscoderSettings kDefaults;
  for (const TOptionEntry& entry : Vocabulary())
    if (entry.scope == scope) ResetBoundField(settings, kDefaults, entry.field);
  for (const TConsumedField& consumed : kConsumedFields)
    if (consumed.scope == scope) consumed.reset(settings, kDefaults);
}

std::vector<std::string> TTranscoderOptions::OptionsOfScope(TOptionScope scope) {
  std::vector<std::string> names;
  for (const TOptionEntry& entry : Vocabulary())
    if (entry.scope == scope) names.emplace_back(entry.name);
  return names;
}

void TTranscoderOptions::SetCodecName(int mediaKind, const std::string& value) {
  if (value.empty()) return;
  std::string* name = &settings_.videoCodecName;
  bool* copy = &settings_.videoStreamCopy;
  if (mediaKind == AVMEDIA_TYPE_AUDIO) {
    name = &settings_.audioCodecName;
    copy = &settings_.audioStreamCopy;
  } else if (mediaKind == AVMEDIA_TYPE_SUBTITLE) {
    name = &settings_.subtitleCodecName;
    copy = &settings_.subtitleStreamCopy;
  }
  name->clear();
  if (value == "copy")
    *copy = true;
  else
    *name = value;
}

void TTranscoderOptions::SetBitrate(const std::string& name, const std::string& value,
                                    AVMediaType templateType) {
  if (!optionStore_.ApplyGenericOption(name, value)) return;
  std::int64_t bitrate = 0;
  if (av::av_opt_get_int(optionStore_.CodecTemplate(templateType), "b", 0, &bitrate) >= 0 && bitrate < 1000)
    LogMessage(llWarning,
               "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
}

void TTranscoderOptions::SetFrameRate(const std::string& value) {
  if (value.empty()) return;
  AVRational rate{0, 0};
  if (av::av_parse_video_rate(&rate, value.c_str()) < 0) throw FFmpegException("Incorrect frame rate");
  settings_.frameRate = rate;
}

void TTranscoderOptions::SetFrameSize(const std::string& value) {
  if (value.empty()) return;
  int width = 0;
  int height = 0;
  if (av::av_parse_video_size(&width, &height, value.c_str()) < 0)
    throw FFmpegException("Incorrect frame size");
  settings_.frameWidth = width;
  settings_.frameHeight = height;
}

void TTranscoderOptions::SetAspect(const std::string& value) {
  if (value.empty()) return;
  double ratio = 0;
  const std::size_t colon = value.find(':');
  if (colon != std::string::npos) {
    int width = 0;
    int height = 0;
    if (!TryParseWhole(value.substr(0, colon), width)) width = 0;
    if (!TryParseWhole(value.substr(colon + 1), height)) height = 0;
    ratio = height > 0 ? static_cast<double>(width) / height : 0.0;
  } else if (!TryParseFloat(value, ratio)) {
    ratio = 0;
  }
  if (ratio == 0 || !std::isfinite(ratio)) throw FFmpegException("Incorrect aspect ratio specification.");
  settings_.frameAspectRatio = static_cast<float>(ratio);
}

void TTranscoderOptions::SetPixelFormat(const std::string& value) {
  if (value == "list") {
    char line[128];
    for (int format = -1; format < 0 || av::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(format));
         ++format) {
      av::av_get_pix_fmt_string(line, sizeof(line), static_cast<AVPixelFormat>(format));
      LogMessage(llInfo, TrimText(line));
    }
    return;
  }
  const AVPixelFormat format = av::av_get_pix_fmt(value.c_str());
  if (format == AV_PIX_FMT_NONE) throw FFmpegException("Unknown pixel format requested: " + value);
  settings_.framePixelFormat = format;
}

void TTranscoderOptions::SetSampleFormat(const std::string& value) {
  if (value == "list") {
    char line[128];
    for (int format = -1; format < AV_SAMPLE_FMT_NB; ++format) {
      av::av_get_sample_fmt_string(line, sizeof(line), static_cast<AVSampleFormat>(format));
      LogMessage(llInfo, TrimText(line));
    }
    return;
  }
  settings_.audioSampleFormat = av::av_get_sample_fmt(value.c_str());
}

void TTranscoderOptions::SetMatrix(std::vector<std::uint16_t>& matrix, const std::string& value) {
  matrix.assign(64, 0);
  const char* p = value.c_str();
  for (int i = 0; i < 64; ++i) {
    matrix[i] = static_cast<std::uint16_t>(std::atoi(p));
    if (i == 63) break;
    p = std::strchr(p, ',');
    if (!p) {
      char message[256];
      std::snprintf(message, sizeof(message), "Syntax error in matrix \"%s\" at coeff %d", value.c_str(), i);
      throw FFmpegException(message);
    }
    ++p;
  }
}

void TTranscoderOptions::SetTag(std::uint32_t& tag, const std::string& value) {
  int number = 0;
  if (TryParseWhole(value, number)) {
    tag = static_cast<std::uint32_t>(number);
    return;
  }
  if (value.size() != 4) throw FFmpegException("tag parameter must be 4 chars or int value");
  tag = static_cast<std::uint8_t>(value[0]) | static_cast<std::uint8_t>(value[1]) << 8 |
        static_cast<std::uint8_t>(value[2]) << 16 |
        static_cast<std::uint32_t>(static_cast<std::uint8_t>(value[3])) << 24;
}

void TTranscoderOptions::SetTimeScale(const std::string& value) {
  const char* p = value.c_str();
  const int stream = ReadCInteger(p);
  if (*p) ++p;
  const double scale = ReadDecimalPrefix(p);
  if (stream < 0 || stream >= kMaxStreams)
    throw FFmpegException("stream index over MAX_STREAMS(" + std::to_string(kMaxStreams) + ")");
  // Streams without a scale of their own keep their timestamps as they are.
  if (settings_.inputTimestampScales.size() <= static_cast<std::size_t>(stream))
    settings_.inputTimestampScales.resize(stream + 1, 1.0);
  settings_.inputTimestampScales[stream] = scale;
}

void TTranscoderOptions::AddMetadataOption(const std::string& value) {
  const std::size_t equals = value.find('=');
  if (equals == std::string::npos) throw FFmpegException("Missing =");
  if (equals == 0) throw FFmpegException("wrong parameter of metadata");
  AddMetadata(value.substr(0, equals), value.substr(equals + 1));
}

void TTranscoderOptions::AddStreamMap(const std::string& value) {
  const char* p = value.c_str();
  TStreamMap map;
  map.fileIndex = ReadCInteger(p);
  if (*p) ++p;
  map.streamIndex = ReadCInteger(p);
  if (*p) {
    ++p;
    map.syncFileIndex = ReadCInteger(p);
    if (*p) ++p;
    map.syncStreamIndex = ReadCInteger(p);
  } else {
    map.syncFileIndex = map.fileIndex;
    map.syncStreamIndex = map.streamIndex;
  }
  settings_.streamMaps.push_back(map);
}

void TTranscoderOptions::AddMetadataMap(const std::string& value) {
  auto readEnd = [](const char*& p) {
    TMetadataMapEnd end;
    end.fileIndex = ReadCInteger(p);
    if (*p != ',') return end;
    ++p;
    end.type = *p;
    switch (*p) {
      case 'g':
        ++p;
        break;
      case 's':
      case 'c':
      case 'p':
        ++p;
        end.index = ReadCInteger(p);
        break;
      default:
        throw FFmpegException("Invalid metadata type " + std::string(p, *p ? 1 : 0) + ".");
    }
    return end;
  };
  const char* p = value.c_str();
  TMetadataMap map;
  map.output = readEnd(p);
  if (*p) ++p;
  map.input = readEnd(p);
  if (map.output.type == 's' || map.input.type == 's') settings_.metadataStreamsAutomatic = false;
  if (map.output.type == 'c' || map.input.type == 'c') settings_.metadataChaptersAutomatic = false;
  settings_.metadataMaps.push_back(map);
}

void TTranscoderOptions::AddChapterMap(const std::string& value) {
  const char* p = value.c_str();
  TChapterMap map;
  map.outputFile = ReadCInteger(p);
  if (*p) ++p;
  map.inputFile = ReadCInteger(p);
  settings_.chapterMaps.push_back(map);
}

void TTranscoderOptions::SetStreamId(const std::string& name, const std::string& value) {
  const std::size_t colon = value.find(':');
  int index = -1;
  int id = -1;
  if (colon == std::string::npos || !TryParseWhole(value.substr(0, colon), index) ||
      !TryParseWhole(value.substr(colon + 1), id) || index < 0 || index >= kMaxStreams || id < 0)
    throw FFmpegException("Invalid value \"" + value + "\" for option \"" + name +
                          "\", required syntax is \"index:value\"");
  if (settings_.streamIds.size() <= static_cast<std::size_t>(index)) settings_.streamIds.resize(index + 1, 0);
  settings_.streamIds[index] = id;
}

void TTranscoderOptions::AddBitstreamFilter(std::vector<const AVBitStreamFilter*>& chain,
                                            const std::string& value) {
  if (value.empty() || value[0] == '=') return;
  const std::string trimmed = TrimText(value);
  const std::string name = TrimText(value.substr(0, value.find('=')));
  const AVBitStreamFilter* filter = av::av_bsf_get_by_name(name.c_str());
  if (!filter) throw FFmpegException("Unknown bitstream filter " + trimmed);
  chain.push_back(filter);
}

void TTranscoderOptions::SetVstats() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char clock[16];
  std::strftime(clock, sizeof(clock), "%H%M%S", &local);
  settings_.statisticsFileName = app::ExecutableFolder() + "vstats_" + clock + ".log";
}

void TTranscoderOptions::AddVideoHook(const std::string& value) {
  constexpr std::size_t kMaxWords = 255;
  const char separator = value.find('|') != std::string::npos ? '|' : ' ';
  std::vector<std::string> words;
  std::size_t start = 0;
  while (start <= value.size() && words.size() < kMaxWords) {
    std::size_t end = value.find(separator, start);
    if (end == std::string::npos) end = value.size();
    if (end > start) words.push_back(value.substr(start, end - start));
    start = end + 1;
  }
  if (words.empty() || !AddFrameHook(words))
    throw FFmpegException("Failed to add video hook function: " + value);
  settings_.videoHookInUse = true;
}

void TTranscoderOptions::RequestNewStream(AVMediaType type) {
  if (OutputFileCount() <= 0) throw FFmpegException("At least one output file must be specified");
  if (type == AVMEDIA_TYPE_VIDEO)
    NewVideoStream();
  else if (type == AVMEDIA_TYPE_AUDIO)
    NewAudioStream();
  else
    NewSubtitleStream();
}

void TTranscoderOptions::ApplyTargetOption(const std::string& value) {
  const std::string trimmed = TrimText(value);
  for (const char* norm : {"pal", "ntsc", "film"}) {
    const std::string prefix = std::string(norm) + "-";
    if (trimmed.compare(0, prefix.size(), prefix) == 0) {
      ApplyTargetPreset(trimmed.substr(prefix.size()), norm, "ntsc");
      return;
    }
  }
  ApplyTargetPreset(trimmed, "auto", "ntsc");
}

void TTranscoderOptions::SetAudioVolume(int volume) {
  if (volume >= 0) settings_.audioVolume = volume;
}
void TTranscoderOptions::SetAudioSyncMethod(int method) { settings_.audioSyncMethod = method; }
void TTranscoderOptions::SetVideoSyncMethod(int method) { settings_.videoSyncMethod = method; }
void TTranscoderOptions::SetMuxMaxDelay(float seconds) {
  if (seconds > 0) settings_.muxMaxDelay = seconds;
}
void TTranscoderOptions::SetMuxPreload(float seconds) {
  if (seconds > 0) settings_.muxPreload = seconds;
}
void TTranscoderOptions::SetStartTime(std::int64_t time) {
  if (time != AV_NOPTS_VALUE) settings_.startTime = time;
}
void TTranscoderOptions::SetRecordingTime(std::int64_t time) {
  if (time == AV_NOPTS_VALUE) return;
  settings_.recordingTime = time;
  settings_.expectedDuration = time;
}
void TTranscoderOptions::SetProgramId(int programId) {
  if (programId >= 0) settings_.programId = programId;
}
void TTranscoderOptions::SetFormatName(const std::string& name) {
  if (!name.empty()) settings_.formatName = name;
}
// A running task reads the preview flags under the same lock.
void TTranscoderOptions::SetPreview(bool preview) {
  std::scoped_lock lock(PreviewLock());
  settings_.preview = preview;
}
void TTranscoderOptions::SetPreviewBitmap(bool previewBitmap) {
  std::scoped_lock lock(PreviewLock());
  settings_.previewBitmap = previewBitmap;
}
void TTranscoderOptions::SetHookBitsPerPixel(int bitsPerPixel) { settings_.hookBitsPerPixel = bitsPerPixel; }
void TTranscoderOptions::AddMetadata(const std::string& key, const std::string& value) {
  settings_.pendingMetadata.emplace_back(key, value);
}

namespace {

bool IsOneOf(const std::string& name, std::initializer_list<const char*> names) {
  for (const char* candidate : names)
    if (name == candidate) return true;
  return false;
}

// Names that belong to one stream and are applied stream by stream.
bool IsPerStreamName(const std::string& name) {
  return IsOneOf(name, {"newvideo", "newaudio", "newsubtitle", "apre", "vpre", "spre", "vfilters", "vf"});
}

}  // namespace

void TTranscoderOptions::ApplyInputOptionText(const std::string& fileName, const std::string& optionText,
                                              const TInputFields& fields) {
  for (const TOptionLine& line : SplitOptionText(optionText))
    if (!IsPerStreamName(line.name)) ApplyOption(line.name, line.value);
  SetFormatName(fields.formatName);
  SetStartTime(fields.startTime);
  SetProgramId(fields.programId);
  OpenInputFile(fileName);
}

void TTranscoderOptions::ApplyOutputOptionText(const std::string& fileName, bool join,
                                               const std::string& optionText, const TOutputFields& fields) {
  const std::vector<TOptionLine> lines = SplitOptionText(optionText);

  std::map<std::string, std::string> defaults = {
      {"acodec", fields.audioCodec}, {"vcodec", fields.videoCodec}, {"scodec", fields.subtitleCodec},
      {"apre", fields.audioPreset},  {"vpre", fields.videoPreset},  {"spre", fields.subtitlePreset},
      {"s", fields.frameSize},       {"vf", fields.videoFilters},
  };
  // Every per-stream value of the text in order; streams added later take
  // them one by one.
  std::vector<TOptionLine> held;
  for (const TOptionLine& line : lines) {
    if (line.value.empty() ||
        !IsOneOf(line.name, {"acodec", "vcodec", "scodec", "apre", "vpre", "spre", "s", "vfilters", "vf"}))
      continue;
    const std::string name = line.name == "vfilters" ? "vf" : line.name;
    held.push_back({name, line.value});
    if (defaults[name].empty()) defaults[name] = line.value;
  }

  if (fields.beforeOptions) fields.beforeOptions();
  for (const char* name : {"acodec", "vcodec", "scodec", "apre", "vpre", "spre"})
    ApplyOption(name, defaults[name]);
  for (const TOptionLine& line : lines)
    if (!IsPerStreamName(line.name) && !IsOneOf(line.name, {"acodec", "vcodec", "scodec", "s"}))
      ApplyOption(line.name, line.value);
  if (fields.applyRecordFields) fields.applyRecordFields();
  ApplyOption("s", defaults["s"]);
  ApplyOption("vf", defaults["vf"]);

  OpenOutputFile(fileName, join);

  auto applyStreamOption = [&](const std::string& name) {
    const auto queued =
        std::find_if(held.begin(), held.end(), [&](const TOptionLine& entry) { return entry.name == name; });
    if (queued != held.end()) {
      const std::string value = queued->value;
      held.erase(queued);
      ApplyOption(name, value);
    } else {
      ApplyOption(name, defaults[name]);
    }
  };
  for (const TOptionLine& line : lines) {
    if (line.name == "newaudio") {
      for (const char* name : {"acodec", "apre"}) applyStreamOption(name);
    } else if (line.name == "newvideo") {
      for (const char* name : {"vcodec", "vpre", "s", "vf"}) applyStreamOption(name);
    } else if (line.name == "newsubtitle") {
      for (const char* name : {"scodec", "spre"}) applyStreamOption(name);
    } else {
      continue;
    }
    ApplyOption(line.name, line.value);
  }
}

}  // namespace mediaconv::engine
