// Output set-up: container, streams and their encoder settings, stream copy.
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <span>

#include "engine/common/EngineFunctions.h"
#include "engine/common/UnicodeProtocol.h"
#include "engine/log/FFLogger.h"
#include "engine/transcoder/CustomFFmpeg.h"
#include "engine/transcoder/TextFormat.h"

namespace mediaconv::engine {
namespace {

TFFLogger& Logger() { return TFFLogger::DefaultLogger(); }

// Encoders tried, in order, when a container's default codec has no encoder
// in the loaded libraries.
constexpr AVCodecID kFallbackVideoCodecs[] = {AV_CODEC_ID_H264, AV_CODEC_ID_MPEG4, AV_CODEC_ID_H263,
                                              AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_MJPEG};
constexpr AVCodecID kFallbackAudioCodecs[] = {AV_CODEC_ID_AAC, AV_CODEC_ID_MP3, AV_CODEC_ID_AC3,
                                              AV_CODEC_ID_MP2, AV_CODEC_ID_PCM_S16LE};

// The kinds of stream of an input that an output is made of (a cover is not video).
struct TStreamKinds {
  bool video = false, audio = false, subtitle = false;
};

TStreamKinds KindsOf(const AVFormatContext* context) {
  TStreamKinds kinds;
  for (unsigned i = 0; i < context->nb_streams; ++i) {
    const int codecType = context->streams[i]->codecpar->codec_type;
    if (codecType < AVMEDIA_TYPE_UNKNOWN || codecType >= AVMEDIA_TYPE_NB)
      throw FFmpegException("invalid codec_type of input file");
    if (codecType == AVMEDIA_TYPE_VIDEO && !IsAttachedPicture(context->streams[i])) kinds.video = true;
    if (codecType == AVMEDIA_TYPE_AUDIO) kinds.audio = true;
    if (codecType == AVMEDIA_TYPE_SUBTITLE) kinds.subtitle = true;
  }
  return kinds;
}

std::string InputName(const TInputFile& input) {
  const char* url = input.context->url;
  return url ? URLToFileName(url) : std::string();
}

// Containers with a place for cover art, and the picture codecs they take there.
constexpr const char* kCoverMuxers[] = {"mp3", "mp4", "ipod", "flac"};
constexpr AVCodecID kCoverCodecs[] = {AV_CODEC_ID_PNG, AV_CODEC_ID_MJPEG};

// The first input's cover that the output's container can carry, or null.
const AVStream* CarriedCover(const std::vector<std::unique_ptr<TInputFile>>& inputs,
                             const AVOutputFormat* format) {
  if (inputs.empty() ||
      std::none_of(std::begin(kCoverMuxers), std::end(kCoverMuxers),
                   [format](const char* name) { return std::string(format->name) == name; }))
    return nullptr;
  const AVFormatContext* context = inputs.front()->context.get();
  for (unsigned i = 0; i < context->nb_streams; ++i) {
    const AVStream* st = context->streams[i];
    if (IsAttachedPicture(st) && st->discard != AVDISCARD_ALL &&
        std::find(std::begin(kCoverCodecs), std::end(kCoverCodecs), st->codecpar->codec_id) !=
            std::end(kCoverCodecs))
      return st;
  }
  return nullptr;
}

bool SameLayout(const AVChannelLayout& a, const AVChannelLayout& b) {
  return av::av_channel_layout_compare(&a, &b) == 0;
}

// The encoder's own pixel format nearest to the wanted one. MJPEG takes
// limited-range YUV only below normal strictness, so it gets the full-range
// formats otherwise, as the command-line tool does.
AVPixelFormat ChoosePixelFormat(const void* sender, const AVCodec* codec, AVPixelFormat wanted,
                                int strictness) {
  static constexpr AVPixelFormat kFullRangeMjpeg[] = {AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUVJ422P,
                                                      AV_PIX_FMT_YUVJ444P, AV_PIX_FMT_NONE};
  const AVPixelFormat* list = codec->pix_fmts;
  if (codec->id == AV_CODEC_ID_MJPEG && strictness > FF_COMPLIANCE_UNOFFICIAL) list = kFullRangeMjpeg;
  if (!list) return wanted;
  for (const AVPixelFormat* p = list; *p != AV_PIX_FMT_NONE; ++p)
    if (*p == wanted) return wanted;
  if (wanted == AV_PIX_FMT_NONE) return list[0];
  const AVPixelFormat best = av::avcodec_find_best_pix_fmt_of_list(list, wanted, 0, nullptr);
  if (best == AV_PIX_FMT_NONE) return list[0];
  Logger().LogFmt(sender, llWarning,
                  "Incompatible pixel format '%s' for codec '%s', auto-selecting format '%s'",
                  av::av_get_pix_fmt_name(wanted), codec->name, av::av_get_pix_fmt_name(best));
  return best;
}

// A local file is written under a hidden name and takes its final name when
// the run ends, so that no half-written file ever carries it. Devices, pipes
// and other protocols are written in place, as are numbered image sequences,
// whose muxer makes the names itself.
TOutputFormatPtr NewOutputContext(const AVOutputFormat* format, const std::string& url) {
  AVFormatContext* raw = nullptr;
  if (av::avformat_alloc_output_context2(&raw, format, nullptr, nullptr) < 0 || !raw)
    throw FFmpegException("avformat_alloc_context failed");
  TOutputFormatPtr owned(raw);
  raw->url = av::av_strdup(url.c_str());
  if (!raw->url) throw FFmpegException("avformat_alloc_context failed");
  return owned;
}

bool WritesThroughPartFile(const std::string& url, const AVOutputFormat* format) {
  if (format->flags & AVFMT_NEEDNUMBER) return false;
  const size_t colon = url.find(':');
  const bool local = url.rfind("file:", 0) == 0 || colon == std::string::npos || url.find('/') < colon;
  if (!local) return false;
  struct stat info {};
  const std::string path = URLToFileName(url);
  return ::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode);
}

}  // namespace

int TCustomFFmpeg::OutputFileCount() const { return int(outputs_.size()); }

std::vector<TOutputStream*> TCustomFFmpeg::AllOutputStreams() const {
  std::vector<TOutputStream*> all;
  for (const auto& file : outputs_)
    for (const auto& ost : file->streams) all.push_back(ost.get());
  return all;
}

std::vector<TOutputStream*> TCustomFFmpeg::EncodingStreams() const {
  std::vector<TOutputStream*> encoding;
  for (TOutputStream* ost : AllOutputStreams())
    if (ost->encode.needed) encoding.push_back(ost);
  return encoding;
}

std::vector<TStreamBinding*> TCustomFFmpeg::CollectBindings() const {
  std::vector<TStreamBinding*> all;
  for (TOutputStream* ost : AllOutputStreams())
    for (const auto& binding : ost->bindings) all.push_back(binding.get());
  // In the order of the output entries, as the stream maps count them.
  std::stable_sort(all.begin(), all.end(), [](const TStreamBinding* a, const TStreamBinding* b) {
    return a->fileIndex < b->fileIndex;
  });
  return all;
}

void TCustomFFmpeg::OpenOutputFile(const std::string& fileName, bool join) {
  if (joinMode_) FailOutput("Cannot join more than one output file.");
  if (int(outputs_.size()) >= capacity_) FailOutput(TextFormat("max output files %d reached", capacity_));
  const std::string url = FileNameToURL(fileName);
  const AVOutputFormat* format = OutputFormatFor(fileName, url);
  TOutputFormatPtr owned = NewOutputContext(format, url);
  auto file = std::make_unique<TOutputFile>();
  file->context = owned.get();
  file->fileName = fileName;
  const bool joining = join && inputs_.size() > 1;
  AddOutputStreams(*file, format, joining);
  SetFileMetadata(*file->context);
  OpenOutputTarget(*file, url, format);
  ApplyMuxerSettings(*file->context);
  ResetScope(settings_, TOptionScope::kNextOutput);

  file->owned = std::move(owned);
  outputs_.push_back(std::move(file));
  if (joining) {
    joinMode_ = true;
    SetupJoin();
  }
}

// The output consumes its settings whether it is set up or fails.
void TCustomFFmpeg::FailOutput(const std::string& message) {
  lastErrorText_ = message;
  ResetScope(settings_, TOptionScope::kNextOutput);
  throw FFmpegException(message);
}

// The format named by "f", else the one the file name suggests.
const AVOutputFormat* TCustomFFmpeg::OutputFormatFor(const std::string& fileName, const std::string& url) {
  const std::string name = settings_.formatName;
  if (name.empty()) {
    const AVOutputFormat* guessed = av::av_guess_format(nullptr, url.c_str(), nullptr);
    if (!guessed)
      FailOutput(TextFormat("Unable to find a suitable output format for '%s'", fileName.c_str()));
    return guessed;
  }
  const AVOutputFormat* named = av::av_guess_format(name.c_str(), nullptr, nullptr);
  // The feed format of old servers is gone from the libraries.
  if (!named || name == "ffm")
    FailOutput(TextFormat("Requested output format '%s' is not a suitable output format", name.c_str()));
  return named;
}

// A video, an audio and a subtitle stream where the format or the settings
// ask for one and the inputs have it, then the cover that goes along.
void TCustomFFmpeg::AddOutputStreams(TOutputFile& file, const AVOutputFormat* format, bool joining) {
  const TTranscoderSettings& s = settings_;
  bool useVideo = !s.videoDisable &&
                  (format->video_codec != AV_CODEC_ID_NONE || s.videoStreamCopy || !s.videoCodecName.empty());
  bool useAudio = !s.audioDisable &&
                  (format->audio_codec != AV_CODEC_ID_NONE || s.audioStreamCopy || !s.audioCodecName.empty());
  bool useSubtitle = !s.subtitleDisable && (format->subtitle_codec != AV_CODEC_ID_NONE ||
                                            s.subtitleStreamCopy || !s.subtitleCodecName.empty());
  if (!inputs_.empty()) CheckInputKinds(joining, useVideo, useAudio, useSubtitle);

  const struct {
    bool use;
    const char* what;
    void (TCustomFFmpeg::*setup)(TOutputFile&);
  } kinds[] = {{useVideo, "new_video_stream", &TCustomFFmpeg::SetupVideoStream},
               {useAudio, "new_audio_stream", &TCustomFFmpeg::SetupAudioStream},
               {useSubtitle, "new_subtitle_stream", &TCustomFFmpeg::SetupSubtitleStream}};
  for (const auto& kind : kinds) {
    if (!kind.use) continue;
    try {
      (this->*kind.setup)(file);
    } catch (const std::exception& e) {
      FailOutput(TextFormat("%s fail: %s", kind.what, e.what()));
    }
  }
  // The cover goes along with what is converted, where the container has a place for it.
  if (!joining && !file.streams.empty() && CarriedCover(inputs_, format)) {
    TOutputStream& cover = CreateStream(file, AVMEDIA_TYPE_VIDEO);
    cover.cover = true;
    cover.copy = true;
    cover.encode.context = MakeCodecContext(nullptr);
    if (!cover.encode.context) FailOutput("new_video_stream fail: Could not alloc output stream");
  }
}

void TCustomFFmpeg::SetFileMetadata(AVFormatContext& context) const {
  const TTranscoderSettings& s = settings_;
  if (s.recordingTimestamp) {
    const time_t seconds = time_t(s.recordingTimestamp);
    struct tm utc {};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S.000000Z", &utc);
    av::av_dict_set(&context.metadata, "creation_time", text, 0);
  }
  for (const auto& [key, value] : s.pendingMetadata)
    av::av_dict_set(&context.metadata, key.c_str(), value.c_str(), 0);
}

// Where the muxer writes: a hidden file made now and opened when the run
// starts, or the target itself (devices, pipes, protocols).
void TCustomFFmpeg::OpenOutputTarget(TOutputFile& file, const std::string& url,
                                     const AVOutputFormat* format) {
  if ((format->flags & AVFMT_NEEDNUMBER) && !av::av_filename_number_test(url.c_str()))
    FailOutput(ErrorText(file.fileName, AVERROR(EDOM)));
  if (format->flags & AVFMT_NOFILE) return;
  if (WritesThroughPartFile(url, format)) {
    // A folder that cannot take the file is refused now, not when the task's turn comes.
    int errorNumber = 0;
    if (!app::TPartFile::Create(URLToFileName(url), errorNumber))
      FailOutput(ErrorText(file.fileName, AVERROR(errorNumber)));
    file.openAtStart = true;
    return;
  }
  const int opened = OpenOutputURL(&file.context->pb, url, AVIO_FLAG_WRITE);
  if (opened < 0) FailOutput(ErrorText(file.fileName, opened));
}

void TCustomFFmpeg::ApplyMuxerSettings(AVFormatContext& context) {
  const TTranscoderSettings& s = settings_;
  context.max_delay = int(s.muxMaxDelay * AV_TIME_BASE);
  av::av_opt_set_int(&context, "preload", int64_t(s.muxPreload * AV_TIME_BASE), AV_OPT_SEARCH_CHILDREN);
  if (s.loopOutput >= 0) av::av_opt_set_int(&context, "loop", s.loopOutput, AV_OPT_SEARCH_CHILDREN);
  context.flags |= AVFMT_FLAG_NONBLOCK;
  optionStore_.FormatTemplate();
  optionStore_.ApplyStoredOptions(&context, kOptionMaskEncoding);
}

// Each kind the output would have is kept when an input has it. A file with
// none of what the output is made of is refused saying what it lacks; so is
// a join with a file that lacks a kind the others bring, which would be cut
// from the output or leave its segment without a source.
void TCustomFFmpeg::CheckInputKinds(bool joining, bool& useVideo, bool& useAudio, bool& useSubtitle) {
  std::vector<TStreamKinds> kinds;
  try {
    for (const auto& input : inputs_) kinds.push_back(KindsOf(input->context.get()));
  } catch (const std::exception& e) {
    FailOutput(TextFormat("check_audio_video_sub_inputs fail: %s", e.what()));
  }
  const struct {
    const char* name;
    bool* use;
    bool TStreamKinds::*has;
  } rows[] = {{"video", &useVideo, &TStreamKinds::video},
              {"audio", &useAudio, &TStreamKinds::audio},
              {"subtitles", &useSubtitle, &TStreamKinds::subtitle}};
  std::string lacking;  // of the picture and sound the output wanted
  for (const auto& row : rows) {
    if (!*row.use ||
        std::any_of(kinds.begin(), kinds.end(), [&row](const TStreamKinds& k) { return k.*row.has; }))
      continue;
    *row.use = false;
    if (row.has != &TStreamKinds::subtitle)
      lacking += (lacking.empty() ? "" : " or ") + std::string(row.name);
  }
  if (!useVideo && !useAudio && !useSubtitle && !lacking.empty())
    FailOutput(inputs_.size() == 1 ? InputName(*inputs_[0]) + ": the file has no " + lacking + " to convert"
                                   : "The input files have no " + lacking + " to convert");
  if (!joining) return;
  for (size_t i = 0; i < inputs_.size(); ++i)
    for (const auto& row : rows)
      if (*row.use && !(kinds[i].*row.has))
        FailOutput("Cannot join: " + InputName(*inputs_[i]) + " has no " + row.name);
}

TOutputStream& TCustomFFmpeg::CreateStream(TOutputFile& file, AVMediaType type) {
  AVStream* st = av::avformat_new_stream(file.context, nullptr);
  if (!st) throw FFmpegException("Could not alloc stream");
  auto ost = std::make_unique<TOutputStream>();
  ost->fileIndex = int(outputs_.size());
  for (int o = 0; o < int(outputs_.size()); ++o)
    if (outputs_[o].get() == &file) ost->fileIndex = o;
  ost->index = st->index;
  ost->st = st;
  ost->type = type;
  ost->mux.packet = MakePacket();
  if (!ost->mux.packet) throw FFmpegException("Could not alloc output stream");
  ost->bindings.push_back(std::make_unique<TStreamBinding>(*ost, ost->fileIndex));
  if (ost->index < int(settings_.streamIds.size()) && settings_.streamIds[ost->index])
    st->id = settings_.streamIds[ost->index];
  file.streams.push_back(std::move(ost));
  return *file.streams.back();
}

// The named encoder, or the container's default one; when the libraries
// lack that, the first of a short list that the muxer accepts.
const AVCodec* TCustomFFmpeg::ChooseEncoder(const TOutputFile& file, TOutputStream& ost, AVMediaType type,
                                            const std::string& name, int strictness) {
  if (!name.empty()) {
    std::string error;
    const AVCodec* codec = FindCodec(name, type, true, strictness, error);
    if (!codec) throw FFmpegException(error);
    ost.encode.forced = true;
    return codec;
  }
  const AVOutputFormat* format = file.context->oformat;
  const AVCodecID id = av::av_guess_codec(format, nullptr, file.context->url, nullptr, type);
  if (const AVCodec* codec = av::avcodec_find_encoder(id)) return codec;
  const std::span<const AVCodecID> fallbacks =
      type == AVMEDIA_TYPE_VIDEO ? std::span<const AVCodecID>(kFallbackVideoCodecs) : kFallbackAudioCodecs;
  for (AVCodecID fallback : fallbacks) {
    const AVCodec* candidate = av::avcodec_find_encoder(fallback);
    if (candidate && av::avformat_query_codec(format, fallback, FF_COMPLIANCE_NORMAL) == 1) {
      Logger().LogFmt(this, llWarning, "No encoder for the default %s codec %s of %s, using %s",
                      type == AVMEDIA_TYPE_VIDEO ? "video" : "audio", av::avcodec_get_name(id), format->name,
                      candidate->name);
      return candidate;
    }
  }
  return nullptr;
}

int TCustomFFmpeg::TemplateStrictness(AVMediaType type) {
  const AVCodecContext* codecTemplate = optionStore_.CodecTemplate(type);
  return codecTemplate ? codecTemplate->strict_std_compliance : 0;
}

TOutputStream& TCustomFFmpeg::OpenStreamRecord(
    TOutputFile& file, AVMediaType type, bool copy,
    const std::function<const AVCodec*(TOutputStream&)>& chooseEncoder,
    const std::vector<const AVBitStreamFilter*>& bitstreamFilters, uint32_t codecTag) {
  TOutputStream& ost = CreateStream(file, type);
  const AVCodec* codec = copy ? nullptr : chooseEncoder(ost);
  ost.encode.codec = codec;
  ost.encode.context = MakeCodecContext(codec);
  if (!ost.encode.context) throw FFmpegException("Could not alloc output stream");
  AVCodecContext* enc = ost.encode.context.get();
  enc->codec_type = type;
  if (codec) enc->codec_id = codec->id;
  for (const AVBitStreamFilter* filter : bitstreamFilters)
    ost.mux.bitstreamFilterNames.push_back(filter->name);
  if (codecTag) enc->codec_tag = codecTag;
  return ost;
}

void TCustomFFmpeg::SetupVideoStream(TOutputFile& file) {
  TTranscoderSettings& s = settings_;
  const auto chooseEncoder = [&](TOutputStream& ost) {
    return ChooseEncoder(file, ost, AVMEDIA_TYPE_VIDEO, s.videoCodecName,
                         TemplateStrictness(AVMEDIA_TYPE_VIDEO));
  };
  TOutputStream& ost = OpenStreamRecord(file, AVMEDIA_TYPE_VIDEO, s.videoStreamCopy, chooseEncoder,
                                        s.videoBitstreamFilters, s.videoCodecTag);
  const AVOutputFormat* format = file.context->oformat;
  const AVCodec* codec = ost.encode.codec;
  AVCodecContext* enc = ost.encode.context.get();
  if ((s.videoGlobalHeader & kVideoGlobalHeaderAlways) ||
      (s.videoGlobalHeader == 0 && (format->flags & AVFMT_GLOBALHEADER)))
    enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (s.videoGlobalHeader & kVideoLocalHeader) enc->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;

  const int w = s.frameWidth, h = s.frameHeight;
  const AVRational aspect = av::av_d2q(
      w > 0 && h > 0 ? double(s.frameAspectRatio) * h / w : double(s.frameAspectRatio) * 3 / 4, 255);
  if (s.videoStreamCopy) {
    ost.copy = true;
    enc->sample_aspect_ratio = aspect;
    ost.st->sample_aspect_ratio = aspect;
  } else {
    AVRational rate = (s.frameRate.num && s.frameRate.den) ? s.frameRate : AVRational{25, 1};
    optionStore_.ApplyStoredOptions(enc, kOptionMaskVideoEncoding);
    if (codec && codec->supported_framerates && !s.forceFps)
      rate = codec->supported_framerates[av::av_find_nearest_q_idx(rate, codec->supported_framerates)];
    enc->time_base = AVRational{rate.den, rate.num};
    enc->framerate = rate;
    enc->width = w;
    enc->height = h;
    enc->sample_aspect_ratio = aspect;
    ost.st->sample_aspect_ratio = aspect;
    enc->pix_fmt = AVPixelFormat(s.framePixelFormat);
    if (codec) enc->pix_fmt = ChoosePixelFormat(this, codec, enc->pix_fmt, enc->strict_std_compliance);
    if (s.intraOnly) enc->gop_size = 0;
    if (s.videoQScale != 0 || s.sameQuality) {
      enc->flags |= AV_CODEC_FLAG_QSCALE;
      enc->global_quality = int(FF_QP2LAMBDA * s.videoQScale);
    }
    const auto setMatrix = [](uint16_t*& target, const std::vector<uint16_t>& values) {
      if (values.size() != 64) return;
      target = static_cast<uint16_t*>(av::av_malloc(64 * sizeof(uint16_t)));
      if (!target) throw FFmpegException("Could not alloc buffer.");
      std::copy(values.begin(), values.end(), target);
    };
    setMatrix(enc->intra_matrix, s.intraMatrix);
    setMatrix(enc->inter_matrix, s.interMatrix);
    if (!s.rcOverride.empty()) {
      std::vector<RcOverride> overrides;
      size_t pos = 0;
      while (pos <= s.rcOverride.size()) {
        const size_t end = std::min(s.rcOverride.find('/', pos), s.rcOverride.size());
        const std::string entry = s.rcOverride.substr(pos, end - pos);
        int start = 0, stop = 0, q = 0;
        if (std::sscanf(entry.c_str(), "%d,%d,%d", &start, &stop, &q) != 3)
          throw FFmpegException("error parsing rc_override");
        RcOverride item{};
        item.start_frame = start;
        item.end_frame = stop;
        if (q > 0) {
          item.qscale = q;
          item.quality_factor = 1.0f;
        } else {
          item.qscale = 0;
          item.quality_factor = -q / 100.0f;
        }
        overrides.push_back(item);
        pos = end + 1;
      }
      enc->rc_override = static_cast<RcOverride*>(av::av_malloc(overrides.size() * sizeof(RcOverride)));
      if (!enc->rc_override) throw FFmpegException("Could not alloc buffer.");
      std::copy(overrides.begin(), overrides.end(), enc->rc_override);
      enc->rc_override_count = int(overrides.size());
    }
    if (enc->rc_initial_buffer_occupancy == 0) enc->rc_initial_buffer_occupancy = enc->rc_buffer_size * 3 / 4;
    if (s.meThreshold) Logger().Log(this, llWarning, "me_threshold has no effect with the current libraries");
    enc->intra_dc_precision = s.intraDcPrecision - 8;
    if (s.doPsnr) enc->flags |= AV_CODEC_FLAG_PSNR;
    if (s.passNumber == 1) enc->flags |= AV_CODEC_FLAG_PASS1;
    if (s.passNumber == 2) enc->flags |= AV_CODEC_FLAG_PASS2;
    if (!s.forceKeyFrames.empty()) {
      size_t pos = 0;
      while (pos <= s.forceKeyFrames.size()) {
        const size_t end = std::min(s.forceKeyFrames.find(',', pos), s.forceKeyFrames.size());
        const int64_t t = ParseTime("force_key_frames", s.forceKeyFrames.substr(pos, end - pos), true);
        ost.encode.forcedKeyFrames.push_back(av::av_rescale_q(t, AV_TIME_BASE_Q, enc->time_base));
        pos = end + 1;
      }
    }
  }
  enc->thread_count = s.codecThreadCount;
  if (!s.videoLanguage.empty()) av::av_dict_set(&ost.st->metadata, "language", s.videoLanguage.c_str(), 0);
  ResetScope(s, TOptionScope::kNextVideoStream);
}

void TCustomFFmpeg::SetupAudioStream(TOutputFile& file) {
  TTranscoderSettings& s = settings_;
  const auto chooseEncoder = [&](TOutputStream& ost) {
    std::string name = s.audioCodecName;
    if (name == "libfaac") {
      // Gone from current library builds.
      name = av::avcodec_find_encoder_by_name("libfdk_aac") ? "libfdk_aac" : "aac";
      Logger().LogFmt(this, llWarning, "Encoder libfaac is not available, using %s", name.c_str());
    }
    return ChooseEncoder(file, ost, AVMEDIA_TYPE_AUDIO, name, TemplateStrictness(AVMEDIA_TYPE_AUDIO));
  };
  TOutputStream& ost = OpenStreamRecord(file, AVMEDIA_TYPE_AUDIO, s.audioStreamCopy, chooseEncoder,
                                        s.audioBitstreamFilters, s.audioCodecTag);
  const AVOutputFormat* format = file.context->oformat;
  const AVCodec* codec = ost.encode.codec;
  AVCodecContext* enc = ost.encode.context.get();
  if (format->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

  if (s.audioStreamCopy) {
    ost.copy = true;
    av::av_channel_layout_default(&enc->ch_layout, s.audioChannels);
    enc->sample_rate = s.audioSampleRate;
  } else {
    optionStore_.ApplyStoredOptions(enc, kOptionMaskAudioEncoding);
    if (s.audioQScale > -99999) {
      enc->flags |= AV_CODEC_FLAG_QSCALE;
      enc->global_quality = int(FF_QP2LAMBDA * s.audioQScale);
    }
    av::av_channel_layout_uninit(&enc->ch_layout);
    if (s.audioChannelLayout && __builtin_popcountll(s.audioChannelLayout) == s.audioChannels)
      av::av_channel_layout_from_mask(&enc->ch_layout, s.audioChannelLayout);
    else
      av::av_channel_layout_default(&enc->ch_layout, s.audioChannels);
    enc->sample_fmt = AVSampleFormat(s.audioSampleFormat);
    enc->sample_rate = s.audioSampleRate;
    if (codec && codec->sample_fmts) {
      const AVSampleFormat* p = codec->sample_fmts;
      while (*p != AV_SAMPLE_FMT_NONE && *p != enc->sample_fmt) ++p;
      if (*p == AV_SAMPLE_FMT_NONE) enc->sample_fmt = codec->sample_fmts[0];
    }
    if (codec && codec->supported_samplerates) {
      int best = codec->supported_samplerates[0];
      for (const int* p = codec->supported_samplerates; *p; ++p)
        if (std::abs(*p - enc->sample_rate) < std::abs(best - enc->sample_rate)) best = *p;
      if (best != enc->sample_rate)
        Logger().LogFmt(this, llWarning, "Requested sampling rate unsupported using closest supported (%d)",
                        best);
      enc->sample_rate = best;
    }
    // An encoder that cannot take the layout would fail to open: take its
    // nearest layout (the same channel count if listed, else the largest not
    // above it, else its first).
    if (codec && codec->ch_layouts && codec->ch_layouts[0].nb_channels) {
      const AVChannelLayout* chosen = nullptr;
      for (const AVChannelLayout* p = codec->ch_layouts; p->nb_channels; ++p)
        if (SameLayout(*p, enc->ch_layout)) chosen = p;
      if (!chosen) {
        for (const AVChannelLayout* p = codec->ch_layouts; p->nb_channels; ++p)
          if (p->nb_channels == enc->ch_layout.nb_channels) {
            chosen = p;
            break;
          }
      }
      if (!chosen) {
        for (const AVChannelLayout* p = codec->ch_layouts; p->nb_channels; ++p)
          if (p->nb_channels <= enc->ch_layout.nb_channels &&
              (!chosen || p->nb_channels > chosen->nb_channels))
            chosen = p;
        if (!chosen) chosen = &codec->ch_layouts[0];
        Logger().LogFmt(this, llWarning, "Encoder %s does not take %d channels, using %d", codec->name,
                        enc->ch_layout.nb_channels, chosen->nb_channels);
      }
      av::av_channel_layout_uninit(&enc->ch_layout);
      av::av_channel_layout_copy(&enc->ch_layout, chosen);
    }
    enc->time_base = AVRational{1, enc->sample_rate};
  }
  enc->thread_count = s.codecThreadCount;
  if (!s.audioLanguage.empty()) av::av_dict_set(&ost.st->metadata, "language", s.audioLanguage.c_str(), 0);
  ResetScope(s, TOptionScope::kNextAudioStream);
}

void TCustomFFmpeg::SetupSubtitleStream(TOutputFile& file) {
  TTranscoderSettings& s = settings_;
  const AVOutputFormat* format = file.context->oformat;
  const auto chooseEncoder = [&](TOutputStream& ost) -> const AVCodec* {
    // Without a name the container's own subtitle codec, as the run needs one to encode.
    if (s.subtitleCodecName.empty()) return av::avcodec_find_encoder(format->subtitle_codec);
    std::string error;
    const AVCodec* codec = FindCodec(s.subtitleCodecName, AVMEDIA_TYPE_SUBTITLE, true,
                                     TemplateStrictness(AVMEDIA_TYPE_SUBTITLE), error);
    if (!codec) throw FFmpegException(error);
    ost.encode.forced = true;
    return codec;
  };
  TOutputStream& ost = OpenStreamRecord(file, AVMEDIA_TYPE_SUBTITLE, s.subtitleStreamCopy, chooseEncoder,
                                        s.subtitleBitstreamFilters, s.subtitleCodecTag);
  AVCodecContext* enc = ost.encode.context.get();
  if (format->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (s.subtitleStreamCopy)
    ost.copy = true;
  else
    optionStore_.ApplyStoredOptions(enc, kOptionMaskSubtitleEncoding);
  if (!s.subtitleLanguage.empty())
    av::av_dict_set(&ost.st->metadata, "language", s.subtitleLanguage.c_str(), 0);
  ResetScope(s, TOptionScope::kNextSubtitleStream);
}

void TCustomFFmpeg::NewVideoStream() { SetupVideoStream(*outputs_.back()); }
void TCustomFFmpeg::NewAudioStream() { SetupAudioStream(*outputs_.back()); }
void TCustomFFmpeg::NewSubtitleStream() { SetupSubtitleStream(*outputs_.back()); }

bool TCustomFFmpeg::AddFrameHook(const std::vector<std::string>& words) {
  std::string error;
  if (frameHooks_.Add(words, error)) return true;
  if (!error.empty()) Logger().Log(this, llError, error);
  return false;
}

void TCustomFFmpeg::SetupJoin() {
  int64_t total = 0;
  for (const auto& input : inputs_)
    if (input->context->duration != AV_NOPTS_VALUE) total += input->context->duration;
  settings_.expectedDuration = total ? total : -1;
  TOutputFile& first = *outputs_.back();
  for (size_t i = 1; i < inputs_.size(); ++i) {
    auto entry = std::make_unique<TOutputFile>();
    entry->context = first.context;
    entry->fileName = first.fileName;
    entry->shared = true;
    for (const auto& ost : first.streams) {
      auto& binding =
          ost->bindings.emplace_back(std::make_unique<TStreamBinding>(*ost, int(outputs_.size())));
      binding->active = false;
    }
    outputs_.push_back(std::move(entry));
  }
}

void TCustomFFmpeg::PrepareCopy(TOutputStream& ost, TInputStream& ist) {
  const AVCodecParameters* in = ist.st->codecpar;
  AVCodecParameters* out = ost.st->codecpar;
  if (in->extradata_size + uint64_t(AV_INPUT_BUFFER_PADDING_SIZE) > INT_MAX)
    throw FFmpegException("icodec.extradata_size is invalid (too large)");
  const uint32_t wantedTag = ost.encode.context ? ost.encode.context->codec_tag : 0;
  // Hooks and previews see the converted video; a cover passes untouched.
  if (in->codec_type == AVMEDIA_TYPE_VIDEO && !ost.cover) {
    if (Hooks.videoInput || Hooks.videoOutput)
      throw FFmpegException("-vcodec copy and VideoHook are incompatible (frames are not decoded)");
    if (settings_.videoHookInUse)
      throw FFmpegException("-vcodec copy and -vhook are incompatible (frames are not decoded)");
    if (settings_.preview || settings_.previewBitmap)
      throw FFmpegException("-vcodec copy and PostHooks are incompatible (frames are not decoded)");
  } else if (in->codec_type == AVMEDIA_TYPE_AUDIO) {
    if (settings_.audioVolume != 256)
      throw FFmpegException("-acodec copy and -vol are incompatible (frames are not decoded)");
    if (Hooks.audio)
      throw FFmpegException("-acodec copy and AudioHook are incompatible (frames are not decoded)");
  } else if (in->codec_type != AVMEDIA_TYPE_SUBTITLE && !ost.cover) {
    throw FFmpegException("invalid codec_type of output stream");
  }
  if (av::avcodec_parameters_copy(out, in) < 0) throw FFmpegException("av_mallocz fail");
  const AVOutputFormat* format = outputs_[ost.fileIndex]->context->oformat;
  if (wantedTag) {
    out->codec_tag = wantedTag;
  } else {
    unsigned int tagForId = 0;
    const bool keep = !format->codec_tag ||
                      av::av_codec_get_id(format->codec_tag, in->codec_tag) == in->codec_id ||
                      !av::av_codec_get_tag2(format->codec_tag, in->codec_id, &tagForId);
    out->codec_tag = keep ? in->codec_tag : 0;
  }
  if (in->codec_id == AV_CODEC_ID_AC3 || (in->codec_id == AV_CODEC_ID_MP3 && in->block_align == 1))
    out->block_align = 0;
  ost.st->time_base = ist.st->time_base;
  ost.st->avg_frame_rate = ist.st->avg_frame_rate;
  ost.st->r_frame_rate = ist.st->r_frame_rate;
  if (in->codec_type == AVMEDIA_TYPE_VIDEO) ost.st->sample_aspect_ratio = ist.st->sample_aspect_ratio;
}

void TCustomFFmpeg::PrepareOutputStreams() {
  int streamNumber = -1;  // over all output streams of the run, for the two-pass log names
  for (const TStreamBinding* binding : AllBindings()) {
    ++streamNumber;
    TOutputStream& ost = binding->stream;
    TInputStream& ist = *inputStreams_[binding->sourceIndex];
    // A later join segment only feeds the stream that its first one prepared.
    const bool firstSegment = binding == &ost.Binding();
    if (ost.copy) {
      if (firstSegment) PrepareCopy(ost, ist);
      continue;
    }
    ost.encode.needed = true;
    ist.decode.needed = true;
    if (!firstSegment) continue;
    AVCodecContext* enc = ost.encode.context.get();
    if (ost.type == AVMEDIA_TYPE_VIDEO) {
      if (enc->pix_fmt == AV_PIX_FMT_NONE)
        throw FFmpegException("Video pixel format is unknown, stream cannot be encoded");
      const AVCodecParameters* par = ist.st->codecpar;
      ost.video.setupWidth = par->width;
      ost.video.setupHeight = par->height;
      ost.video.setupFormat = par->format;
    }
    if (enc->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2)) PreparePassLog(ost, streamNumber);
  }
  // Bitstream filters of each stream, set up from its final parameters when
  // the encoders are open (OpenEncoders) or now for stream copy.
}

}  // namespace mediaconv::engine
