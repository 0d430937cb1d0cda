#include "engine/prober/CustomDecoder.h"

#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <mutex>

#include "engine/common/EngineFunctions.h"
#include "engine/common/UnicodeProtocol.h"
#include "engine/loader/Av.h"
#include "engine/loader/FFLoader.h"
#include "engine/prober/DecoderHelpers.h"

namespace mediaconv::engine {
namespace {

int32_t ClampToInt32(int64_t value) {
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

// The leading number of a tag such as "2009-04-01" or "3/12"; 0 when none.
int32_t LeadingNumber(const std::string& text) {
  if (text.empty()) return 0;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str()) return 0;
  return ClampToInt32(value);
}

int64_t SizeOnDisk(const std::string& fileName) {
  struct stat info {};
  if (fileName.empty() || ::stat(fileName.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return info.st_size;
}

template <typename TInfo>
void FillCommonStreamInfo(AVStream* stream, TInfo& info) {
  info.Language = MetadataValue(stream->metadata, "language", "");
  info.Codec = CodecDescription(stream->codecpar, false);
  RepairTimeBase(stream);
  info.StartTime = stream->start_time;
  info.Duration = stream->duration;
  info.StartTimeUs = ToMicroseconds(stream->start_time, stream->time_base);
  info.DurationUs = ToMicroseconds(stream->duration, stream->time_base);
  info.BitRate = ClampToInt32(stream->codecpar->bit_rate);
}

}  // namespace

TCustomDecoder::TCustomDecoder() = default;

TCustomDecoder::~TCustomDecoder() { CloseFile(); }

void TCustomDecoder::CheckLibraries() const {
  static constexpr struct {
    TLibraryKind kind;
    const char* text;
  } kRequired[] = {{lkAvcodec, "LibAVCodec not loaded."},
                   {lkAvformat, "LibAVFormat not loaded."},
                   {lkAvutil, "LibAVUtil not loaded."},
                   {lkSwscale, "LibSwScale not loaded."}};
  const TFFLoader& loader = TFFLoader::Instance();
  for (const auto& required : kRequired)
    if (!loader.LibraryLoaded(required.kind)) throw EDecoderError(required.text);
}

void TCustomDecoder::Log(TLogLevel level, const std::string& text) {
  TFFLogger::DefaultLogger().Log(this, level, text);
}

void TCustomDecoder::RecordError(TLogLevel level, const std::string& text) {
  lastError_ = text;
  Log(level, text);
}

void TCustomDecoder::RecordErrorFmt(TLogLevel level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatText(format, args);
  va_end(args);
  RecordError(level, text);
}

bool TCustomDecoder::LoadFile(const std::string& fileName, const std::string& formatName) {
  CheckLibraries();
  CloseFile();

  const AVInputFormat* format = nullptr;
  if (!formatName.empty()) {
    format = av::av_find_input_format(formatName.c_str());
    if (!format) {
      lastError_ = "Unknown input format: " + formatName;
      return false;
    }
  }

  AVFormatContext* raw = av::avformat_alloc_context();
  if (!raw) {
    RecordError(llError, ErrorText(fileName, AVERROR(ENOMEM)));
    return false;
  }
  raw->flags |= AVFMT_FLAG_NONBLOCK;
  // On failure the library frees the context and leaves raw null.
  const int opened = OpenInputURL(&raw, FileNameToURL(fileName), format, nullptr);
  TInputFormatPtr input(raw);
  if (opened < 0) {
    RecordError(llError, ErrorText(fileName, opened));
    Analyse();
    return false;
  }

  // Not under CodecLock: tasks running at once analyse their inputs in
  // parallel (the library serialises the codec inits that need it).
  const int analysed = av::avformat_find_stream_info(input.get(), nullptr);
  if (analysed < 0) {
    lastError_ = fileName + ": could not find codec parameters";
    Analyse();
    return false;
  }

  context_ = input.get();
  ownedContext_ = std::move(input);
  Analyse();
  forcedFormat_ = formatName;
  return true;
}

void TCustomDecoder::CloseFile() {
  ReleaseFileState();
  forcedFormat_.clear();
  ownedContext_.reset();
  context_ = nullptr;
  Analyse();
}

void TCustomDecoder::AttachContext(AVFormatContext* context) {
  if (context == context_) return;
  CloseFile();
  context_ = context;
  Analyse();
}

void TCustomDecoder::Analyse() {
  fileSize_ = -1;
  streamCount_ = programCount_ = -1;
  audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = -1;
  firstAudioStream_ = firstVideoStream_ = firstSubtitleStream_ = -1;
  if (!context_) return;

  const int64_t containerSize = context_->pb ? av::avio_size(context_->pb) : 0;
  if (containerSize > 0) {
    fileSize_ = containerSize;
  } else {
    const int64_t onDisk = context_->url ? SizeOnDisk(URLToFileName(context_->url)) : -1;
    fileSize_ = onDisk >= 0 ? onDisk : containerSize;
  }

  streamCount_ = static_cast<int>(context_->nb_streams);
  programCount_ = static_cast<int>(context_->nb_programs);
  audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = 0;
  for (int i = 0; i < streamCount_; ++i) {
    switch (context_->streams[i]->codecpar->codec_type) {
      case AVMEDIA_TYPE_AUDIO:
        if (audioStreamCount_++ == 0) firstAudioStream_ = i;
        break;
      case AVMEDIA_TYPE_VIDEO:
        if (videoStreamCount_++ == 0) firstVideoStream_ = i;
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        if (subtitleStreamCount_++ == 0) firstSubtitleStream_ = i;
        break;
      default:
        break;
    }
  }
}

std::string TCustomDecoder::GetFileName() {
  if (!context_) {
    RecordError(llWarning, "file not loaded.");
    return {};
  }
  return context_->url ? URLToFileName(context_->url) : std::string();
}

bool TCustomDecoder::GetFileStreamInfo(TFileStreamInfo& info) {
  info = TFileStreamInfo{};
  if (!context_) {
    RecordError(llWarning, "file not loaded.");
    return false;
  }
  info.StartTime = context_->start_time == AV_NOPTS_VALUE ? -1 : context_->start_time;
  info.Duration = context_->duration == AV_NOPTS_VALUE ? -1 : context_->duration;
  info.BitRate = ClampToInt32(context_->bit_rate);

  const AVDictionary* tags = context_->metadata;
  // The container's creation time; the old timestamp field it replaces read 0 when unset.
  info.Timestamp = 0;
  const std::string created = MetadataValue(tags, "creation_time", "");
  int64_t createdUs = 0;
  if (!created.empty() && av::av_parse_time(&createdUs, created.c_str(), 0) >= 0) info.Timestamp = createdUs;
  std::string date = MetadataValue(tags, "date", "");
  if (date.empty()) date = MetadataValue(tags, "year", "");
  info.Year = LeadingNumber(date);
  info.Track = LeadingNumber(MetadataValue(tags, "track", ""));

  info.Title = MetadataValue(tags, "title", "");
  // Current demuxers name the author tag "artist".
  info.Author = MetadataValue(tags, "author", "");
  if (info.Author.empty()) info.Author = MetadataValue(tags, "artist", "");
  info.Copyright = MetadataValue(tags, "copyright", "");
  info.Comment = MetadataValue(tags, "comment", "");
  info.Album = MetadataValue(tags, "album", "");
  info.Genre = MetadataValue(tags, "genre", "");
  return true;
}

AVStream* TCustomDecoder::CheckedStream(int index, int mediaType) {
  const bool audio = mediaType == AVMEDIA_TYPE_AUDIO;
  if (!context_) {
    RecordError(llWarning, "file not loaded.");
    return nullptr;
  }
  if (index == -1) {
    index = audio ? firstAudioStream_ : firstVideoStream_;
    if (index < 0) {
      RecordError(llError, audio ? "no audio stream." : "no video stream.");
      return nullptr;
    }
  }
  if (index < 0 || index >= streamCount_) {
    RecordErrorFmt(llError, "stream index #%d is invalid.", index);
    return nullptr;
  }
  AVStream* stream = context_->streams[index];
  if (stream->codecpar->codec_type != mediaType) {
    RecordErrorFmt(llError, audio ? "stream #%d is not audio stream." : "stream #%d is not video stream.",
                   index);
    return nullptr;
  }
  return stream;
}

bool TCustomDecoder::GetAudioStreamInfo(int index, TAudioStreamInfo& info) {
  info = TAudioStreamInfo{};
  AVStream* stream = CheckedStream(index, AVMEDIA_TYPE_AUDIO);
  if (!stream) return false;
  FillCommonStreamInfo(stream, info);
  const AVCodecParameters* codec = stream->codecpar;
  info.Channels = codec->ch_layout.nb_channels;
  info.SampleRate = codec->sample_rate;
  info.SampleFormat = codec->format;
  return true;
}

bool TCustomDecoder::GetVideoStreamInfo(int index, TVideoStreamInfo& info) {
  info = TVideoStreamInfo{};
  AVStream* stream = CheckedStream(index, AVMEDIA_TYPE_VIDEO);
  if (!stream) return false;
  FillCommonStreamInfo(stream, info);
  const AVCodecParameters* codec = stream->codecpar;
  info.Height = codec->height;
  info.Width = codec->width;
  info.AspectRatio = DisplayAspectRatio(codec->sample_aspect_ratio, codec->width, codec->height);
  info.PixelFormat = codec->format;
  const AVRational rate = stream->avg_frame_rate.num != 0 && stream->avg_frame_rate.den != 0
                              ? stream->avg_frame_rate
                              : stream->r_frame_rate;
  info.FrameRateNum = rate.num;
  info.FrameRateDen = rate.den;
  return true;
}

}  // namespace mediaconv::engine
