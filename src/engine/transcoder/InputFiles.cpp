// Opening inputs and binding output streams to input streams.
#include <cmath>

#include "engine/common/EngineFunctions.h"
#include "engine/common/UnicodeProtocol.h"
#include "engine/log/FFLogger.h"
#include "engine/transcoder/CustomFFmpeg.h"
#include "engine/transcoder/TextFormat.h"

namespace mediaconv::engine {
namespace {

void CopyDictionary(AVDictionary** target, const AVDictionary* source) {
  // Existing keys of the target are kept.
  av::av_dict_copy(target, source, AV_DICT_DONT_OVERWRITE);
}

TFFLogger& Logger() { return TFFLogger::DefaultLogger(); }

// Keeps only the streams of the program; false when the input has no program of that id.
bool SelectProgram(AVFormatContext* context, int programId) {
  bool found = false;
  for (unsigned i = 0; i < context->nb_streams; ++i) context->streams[i]->discard = AVDISCARD_ALL;
  for (unsigned p = 0; p < context->nb_programs; ++p) {
    AVProgram* program = context->programs[p];
    if (program->id == programId) {
      found = true;
      for (unsigned k = 0; k < program->nb_stream_indexes; ++k)
        context->streams[program->stream_index[k]]->discard = AVDISCARD_DEFAULT;
    } else {
      program->discard = AVDISCARD_ALL;
    }
  }
  return found;
}

}  // namespace

const AVCodec* TCustomFFmpeg::FindCodec(const std::string& name, AVMediaType type, bool encoder,
                                        int strictness, std::string& error) const {
  error.clear();
  if (name.empty()) return nullptr;
  const char* kind = encoder ? "encoder" : "decoder";
  const AVCodec* codec = encoder ? av::avcodec_find_encoder_by_name(name.c_str())
                                 : av::avcodec_find_decoder_by_name(name.c_str());
  if (!codec) {
    error = TextFormat("Unknown %s '%s'", kind, name.c_str());
    return nullptr;
  }
  if (codec->type != type) {
    error = TextFormat("Invalid %s type '%s'", kind, name.c_str());
    return nullptr;
  }
  if ((codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) && strictness > FF_COMPLIANCE_EXPERIMENTAL) {
    error = TextFormat(
        "%s '%s' is experimental and might produce bad results.\r\n"
        "Add '-strict experimental' if you want to use it.",
        kind, name.c_str());
    const AVCodec* other =
        encoder ? av::avcodec_find_encoder(codec->id) : av::avcodec_find_decoder(codec->id);
    if (other && !(other->capabilities & AV_CODEC_CAP_EXPERIMENTAL))
      error += TextFormat("\r\nOr use the non experimental %s '%s'.", kind, other->name);
    return nullptr;
  }
  return codec;
}

void TCustomFFmpeg::OpenInputFile(const std::string& fileName) {
  TTranscoderSettings& s = settings_;
  // The input consumes its settings whether it opens or fails.
  const auto clearConsumed = [&s] { ResetScope(s, TOptionScope::kNextInput); };
  const auto fail = [&](const std::string& message) {
    lastErrorText_ = message;
    clearConsumed();
    throw FFmpegException(message);
  };
  if (int(inputs_.size()) >= capacity_) fail(TextFormat("max input files %d reached", capacity_));

  const AVInputFormat* inputFormat = nullptr;
  const bool forcedFormat = !s.formatName.empty();
  if (forcedFormat) {
    inputFormat = av::av_find_input_format(s.formatName.c_str());
    if (!inputFormat) {
      const std::string message = TextFormat("Unknown input format: \"%s\"", s.formatName.c_str());
      clearConsumed();
      throw FFmpegException(message);
    }
  }

  AVFormatContext* raw = av::avformat_alloc_context();
  if (!raw) throw FFmpegException("avformat_alloc_context failed");
  TInputFormatPtr context(raw);
  optionStore_.FormatTemplate();
  optionStore_.ApplyStoredOptions(raw, kOptionMaskDecoding);
  TDictionaryPtr demuxerOptions = forcedFormat ? RawDemuxerOptions() : nullptr;

  TForcedDecoders decoders;
  std::string error;
  if (!FindForcedDecoders(decoders, error)) fail(error);
  if (decoders.video) raw->video_codec_id = decoders.video->id;
  if (decoders.audio) raw->audio_codec_id = decoders.audio->id;
  if (decoders.subtitle) raw->subtitle_codec_id = decoders.subtitle->id;
  raw->flags |= AVFMT_FLAG_NONBLOCK;

  const std::string url = FileNameToURL(fileName);
  context.release();  // avformat_open_input frees the context when it fails
  AVDictionary* options = demuxerOptions.release();
  const int opened = OpenInputURL(&raw, url, inputFormat, &options);
  demuxerOptions.reset(options);  // what the demuxer did not take
  if (opened < 0) fail(ErrorText(fileName, opened));
  context.reset(raw);

  if (s.programId) {
    if (!SelectProgram(raw, s.programId)) fail("Specified program id not found");
  }
  // Looping the input is done by the run, seeking back at its end.

  // Not under CodecLock: tasks running at once analyse their inputs in
  // parallel (the library serialises the codec inits that need it).
  const int analysed = av::avformat_find_stream_info(raw, nullptr);
  if (analysed < 0 && s.verbose >= 0) {
    const std::string message = TextFormat("%s: could not find codec parameters", fileName.c_str());
    Logger().Log(this, llVerbose, message);
    fail(message);
  }

  int64_t startPosition = s.startTime;
  if (raw->start_time != AV_NOPTS_VALUE) startPosition += raw->start_time;
  const bool seeked = s.startTime != 0;
  if (seeked) {
    SeekInput(raw, fileName, startPosition);
  }

  auto file = std::make_unique<TInputFile>();
  for (unsigned i = 0; i < raw->nb_streams; ++i) AddInputStream(*file, raw->streams[i], int(i), decoders);

  if (raw->duration != AV_NOPTS_VALUE &&
      (settings_.expectedDuration == AV_NOPTS_VALUE || raw->duration > settings_.expectedDuration))
    settings_.expectedDuration = raw->duration;

  file->tsOffset = s.copyTimestamps ? s.inputTimestampOffset : s.inputTimestampOffset - startPosition;
  file->loop = s.loopInput;
  file->seeked = seeked && !s.copyTimestamps;
  file->tsScale = s.inputTimestampScales;
  file->context = std::move(context);
  if (s.verbose >= 0) av::av_dump_format(file->context.get(), int(inputs_.size()), url.c_str(), 0);
  inputs_.push_back(std::move(file));
  clearConsumed();
}

// Parameters that only raw and capture demuxers read.
TDictionaryPtr TCustomFFmpeg::RawDemuxerOptions() const {
  const TTranscoderSettings& s = settings_;
  AVDictionary* options = nullptr;
  if (s.audioSampleRate > 0) av::av_dict_set_int(&options, "sample_rate", s.audioSampleRate, 0);
  if (s.audioChannels > 0) av::av_dict_set_int(&options, "channels", s.audioChannels, 0);
  if (s.frameRate.den != 0 && s.frameRate.num != 0)
    av::av_dict_set(&options, "framerate", TextFormat("%d/%d", s.frameRate.num, s.frameRate.den).c_str(), 0);
  if (s.frameWidth > 0 && s.frameHeight > 0)
    av::av_dict_set(&options, "video_size", TextFormat("%dx%d", s.frameWidth, s.frameHeight).c_str(), 0);
  if (s.framePixelFormat >= 0)
    av::av_dict_set(&options, "pixel_format", av::av_get_pix_fmt_name(AVPixelFormat(s.framePixelFormat)), 0);
  if (s.videoChannel) av::av_dict_set_int(&options, "channel", s.videoChannel, 0);
  if (!s.tvStandard.empty()) av::av_dict_set(&options, "standard", s.tvStandard.c_str(), 0);
  return TDictionaryPtr(options);
}

bool TCustomFFmpeg::FindForcedDecoders(TForcedDecoders& decoders, std::string& error) {
  const TTranscoderSettings& s = settings_;
  const struct {
    const std::string& name;
    AVMediaType type;
    const AVCodec*& decoder;
  } rows[] = {{s.videoCodecName, AVMEDIA_TYPE_VIDEO, decoders.video},
              {s.audioCodecName, AVMEDIA_TYPE_AUDIO, decoders.audio},
              {s.subtitleCodecName, AVMEDIA_TYPE_SUBTITLE, decoders.subtitle}};
  for (const auto& row : rows) {
    if (row.name.empty()) continue;
    row.decoder = FindCodec(row.name, row.type, false, TemplateStrictness(row.type), error);
    if (!row.decoder) return false;
  }
  return true;
}

void TCustomFFmpeg::SeekInput(AVFormatContext* context, const std::string& fileName, int64_t position) {
  if (av::av_seek_frame(context, -1, position, AVSEEK_FLAG_BACKWARD) < 0 && settings_.verbose > 0)
    Logger().LogFmt(this, llVerbose, "%s: could not seek to position %0.3f", fileName.c_str(),
                    double(position) / AV_TIME_BASE);
}

// One stream of an opened input: its forced decoder, the options given for
// its decoder, and whether it is read at all.
void TCustomFFmpeg::AddInputStream(TInputFile& file, AVStream* st, int index,
                                   const TForcedDecoders& decoders) {
  TTranscoderSettings& s = settings_;
  AVCodecParameters* par = st->codecpar;
  const AVCodec* forced = nullptr;
  TCodecContextPtr decoderSettings;
  const auto makeSettings = [&](int mask) {
    decoderSettings = MakeCodecContext(nullptr);
    if (!decoderSettings) throw FFmpegException("av_mallocz fail");
    av::avcodec_parameters_to_context(decoderSettings.get(), par);
    optionStore_.ApplyStoredOptions(decoderSettings.get(), mask);
    decoderSettings->thread_count = s.codecThreadCount;
  };
  switch (IsAttachedPicture(st) ? AVMEDIA_TYPE_ATTACHMENT : par->codec_type) {
    case AVMEDIA_TYPE_VIDEO:
      forced = decoders.video;
      makeSettings(kOptionMaskVideoDecoding);
      HandVideoDefaultsToOutput(st, *decoderSettings, index);
      if (s.videoDisable)
        st->discard = AVDISCARD_ALL;
      else if (s.videoDiscard)
        st->discard = AVDiscard(s.videoDiscard);
      break;
    case AVMEDIA_TYPE_AUDIO:
      forced = decoders.audio;
      makeSettings(kOptionMaskAudioDecoding);
      HandAudioDefaultsToOutput(par);
      if (s.audioDisable) st->discard = AVDISCARD_ALL;
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      forced = decoders.subtitle;
      makeSettings(AV_OPT_FLAG_SUBTITLE_PARAM | AV_OPT_FLAG_DECODING_PARAM);
      if (s.subtitleDisable) st->discard = AVDISCARD_ALL;
      break;
    case AVMEDIA_TYPE_DATA:
    case AVMEDIA_TYPE_ATTACHMENT:
    case AVMEDIA_TYPE_UNKNOWN:
      break;
    default:
      throw FFmpegException("invalid codec_type");
  }
  file.forcedDecoders.push_back(forced);
  file.decoderSettings.push_back(std::move(decoderSettings));
}

// An output set up after this input takes its picture size, aspect, pixel
// format and frame rate unless told otherwise.
void TCustomFFmpeg::HandVideoDefaultsToOutput(const AVStream* st, const AVCodecContext& decoderSettings,
                                              int index) {
  TTranscoderSettings& s = settings_;
  const AVCodecParameters* par = st->codecpar;
  s.frameHeight = par->height;
  s.frameWidth = par->width;
  float aspect = 0;
  if (st->sample_aspect_ratio.num)
    aspect = float(av_q2d(st->sample_aspect_ratio));
  else if (par->sample_aspect_ratio.num)
    aspect = float(av_q2d(par->sample_aspect_ratio));
  if (par->width > 0 && par->height > 0) {
    aspect = aspect ? aspect * par->width / par->height : float(par->width) / par->height;
  } else if (aspect == 0) {
    aspect = 4.0f / 3.0f;
  }
  s.frameAspectRatio = aspect;
  s.framePixelFormat = par->format < 0 ? 0 : par->format;
  const AVRational codecRate = decoderSettings.framerate;
  const AVRational streamRate = st->r_frame_rate;
  if (codecRate.num && (codecRate.num != streamRate.num || codecRate.den != streamRate.den) && s.verbose >= 0)
    Logger().LogFmt(this, llInfo,
                    "Seems stream %d codec frame rate differs from container frame rate: %2.2f (%d/%d) -> "
                    "%2.2f (%d/%d)",
                    index, av_q2d(codecRate), codecRate.num, codecRate.den, av_q2d(streamRate),
                    streamRate.num, streamRate.den);
  s.frameRate = streamRate;
}

// Likewise its channels, layout, sample rate and sample format.
void TCustomFFmpeg::HandAudioDefaultsToOutput(const AVCodecParameters* par) {
  TTranscoderSettings& s = settings_;
  s.audioChannelLayout = par->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? par->ch_layout.u.mask : 0;
  s.audioChannels = par->ch_layout.nb_channels;
  s.audioSampleRate = par->sample_rate;
  s.audioSampleFormat = par->format;
}

std::vector<AVRational> TCustomFFmpeg::InputVideoFrameRates() const {
  std::vector<AVRational> rates;
  for (const auto& file : inputs_) {
    const AVFormatContext* context = file->context.get();
    for (unsigned i = 0; i < context->nb_streams; ++i)
      if (context->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
        rates.push_back(context->streams[i]->r_frame_rate);
  }
  return rates;
}

AVFormatContext* TCustomFFmpeg::InputContext(int index) const {
  return index >= 0 && index < int(inputs_.size()) ? inputs_[index]->context.get() : nullptr;
}

void TCustomFFmpeg::BuildInputTables() {
  inputStreams_.clear();
  int first = 0;
  for (int f = 0; f < int(inputs_.size()); ++f) {
    TInputFile& file = *inputs_[f];
    file.firstStream = first;
    file.streamCount = int(file.context->nb_streams);
    file.eof = false;
    file.noPacket = false;
    for (int i = 0; i < file.streamCount; ++i) {
      auto ist = std::make_unique<TInputStream>();
      ist->fileIndex = f;
      ist->streamIndex = i;
      ist->st = file.context->streams[i];
      if (settings_.rateEmulation) ist->rateEmuStart = av::av_gettime_relative();
      inputStreams_.push_back(std::move(ist));
    }
    first += file.streamCount;
  }
}

int TCustomFFmpeg::FindSourceStream(const TOutputStream& ost, int outputFileIndex) {
  const auto usable = [&](const TInputStream& ist) {
    return ist.st->discard != AVDISCARD_ALL && ist.st->codecpar->codec_type == ost.type &&
           IsAttachedPicture(ist.st) == ost.cover;
  };
  // Stream analysis no longer reports how many frames it examined; the
  // demuxer's own choice of the best stream of a type is the nearest measure.
  int best = -1;
  int bestScore = -1;
  for (int i = 0; i < int(inputStreams_.size()); ++i) {
    const TInputStream& ist = *inputStreams_[i];
    // Streams of other programs were discarded when the input was opened.
    if (ist.taken || !usable(ist)) continue;
    if (joinMode_ && ist.fileIndex != outputFileIndex) continue;
    AVFormatContext* context = inputs_[ist.fileIndex]->context.get();
    const int score =
        av::av_find_best_stream(context, ost.type, -1, -1, nullptr, 0) == ist.streamIndex ? 1 : 0;
    if (score > bestScore) {
      best = i;
      bestScore = score;
    }
  }
  if (best < 0 && !joinMode_) {
    for (int i = 0; i < int(inputStreams_.size()); ++i)
      if (usable(*inputStreams_[i])) best = i;
  }
  return best;
}

void TCustomFFmpeg::DumpOutputs() {
  for (int o = 0; o < int(outputs_.size()); ++o) {
    if (outputs_[o]->shared) continue;
    av::av_dump_format(outputs_[o]->context, o, outputs_[o]->context->url, 1);
  }
}

void TCustomFFmpeg::BindOutputStreams() {
  const std::vector<TStreamBinding*>& bindings = AllBindings();
  const int total = int(bindings.size());
  for (int o = 0; o < int(outputs_.size()); ++o) {
    TOutputFile& file = *outputs_[o];
    if (!file.shared && file.streams.empty()) {
      av::av_dump_format(file.context, o, file.context->url, 1);
      throw FFmpegException(TextFormat("Output file #%d does not contain any stream", o));
    }
  }
  const auto& maps = settings_.streamMaps;
  if (!maps.empty()) {
    if (int(maps.size()) != total)
      throw FFmpegException("Number of stream maps must match number of output streams");
    for (const TStreamMap& map : maps) {
      if (map.fileIndex < 0 || map.fileIndex >= int(inputs_.size()) || map.streamIndex < 0 ||
          map.streamIndex >= inputs_[map.fileIndex]->streamCount)
        throw FFmpegException(
            TextFormat("Could not find input stream #%d.%d", map.fileIndex, map.streamIndex));
      if (map.syncFileIndex < 0 || map.syncFileIndex >= int(inputs_.size()) || map.syncStreamIndex < 0 ||
          map.syncStreamIndex >= inputs_[map.syncFileIndex]->streamCount)
        throw FFmpegException(
            TextFormat("Could not find sync stream #%d.%d", map.syncFileIndex, map.syncStreamIndex));
    }
  }
  for (int n = 0; n < total; ++n) {
    TStreamBinding& binding = *bindings[n];
    TOutputStream& ost = binding.stream;
    const int o = binding.fileIndex;
    if (!maps.empty()) {
      const TStreamMap& map = maps[n];
      const int source = inputs_[map.fileIndex]->firstStream + map.streamIndex;
      const TInputStream& ist = *inputStreams_[source];
      if (ist.st->codecpar->codec_type != ost.type) {
        DumpOutputs();
        throw FFmpegException(TextFormat("Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)",
                                         map.fileIndex, map.streamIndex,
                                         MediaTypeName(ist.st->codecpar->codec_type).c_str(), o, ost.index,
                                         MediaTypeName(ost.type).c_str()));
      }
      binding.sourceIndex = source;
      binding.syncIndex = inputs_[map.syncFileIndex]->firstStream + map.syncStreamIndex;
    } else {
      const int source = FindSourceStream(ost, o);
      if (source < 0) {
        AVFormatContext* context = outputs_[o]->context;
        av::av_dump_format(context, o, context->url, 1);
        throw FFmpegException(TextFormat("Could not find input stream matching output stream #%d.%d (%s)", o,
                                         ost.index, MediaTypeName(ost.type).c_str()));
      }
      binding.sourceIndex = source;
      binding.syncIndex = source;
    }
    TInputStream& ist = *inputStreams_[binding.sourceIndex];
    ist.taken = true;
    ist.outputs.push_back(&binding);
    if (settings_.metadataStreamsAutomatic) CopyDictionary(&ost.st->metadata, ist.st->metadata);
    if (&binding == &ost.Binding()) {
      ost.st->disposition = ist.st->disposition;
      if (ost.encode.context) {
        ost.encode.context->bits_per_raw_sample = ist.st->codecpar->bits_per_raw_sample;
        ost.encode.context->chroma_sample_location = ist.st->codecpar->chroma_location;
      }
    }
  }
}

void TCustomFFmpeg::InitInputTimestamps() {
  for (auto& istPtr : inputStreams_) {
    TInputStream& ist = *istPtr;
    const AVRational rate = ist.st->avg_frame_rate;
    ist.pts =
        rate.num ? std::llround(-double(ist.st->codecpar->video_delay) * AV_TIME_BASE / av_q2d(rate)) : 0;
    ist.nextPts = AV_NOPTS_VALUE;
    ist.isStart = true;
  }
}

void TCustomFFmpeg::ApplyMetadataMaps() {
  for (const TMetadataMap& map : settings_.metadataMaps) {
    if (map.output.fileIndex < 0 || map.input.fileIndex < 0) continue;
    const auto invalid = [this](const char* what, int index) {
      const std::string message =
          TextFormat("Invalid %s index %d while processing metadata maps", what, index);
      ReportStreamMapping();
      Logger().Log(this, llError, message);
      throw FFmpegException(message);
    };
    if (map.output.fileIndex >= int(outputs_.size())) invalid("output file", map.output.fileIndex);
    if (map.input.fileIndex >= int(inputs_.size())) invalid("input file", map.input.fileIndex);
    const auto select = [&invalid](AVFormatContext* context, const TMetadataMapEnd& end) -> AVDictionary** {
      switch (end.type) {
        case 's':
          if (end.index < 0 || end.index >= int(context->nb_streams)) invalid("stream", end.index);
          return &context->streams[end.index]->metadata;
        case 'c':
          if (end.index < 0 || end.index >= int(context->nb_chapters)) invalid("chapter", end.index);
          return &context->chapters[end.index]->metadata;
        case 'p':
          if (end.index < 0 || end.index >= int(context->nb_programs)) invalid("program", end.index);
          return &context->programs[end.index]->metadata;
        default:
          return &context->metadata;
      }
    };
    AVDictionary** target = select(outputs_[map.output.fileIndex]->context, map.output);
    AVDictionary** source = select(inputs_[map.input.fileIndex]->context.get(), map.input);
    CopyDictionary(target, *source);
  }
}

void TCustomFFmpeg::ApplyChapterMaps() {
  for (const TChapterMap& map : settings_.chapterMaps) {
    if (map.inputFile < 0 || map.outputFile < 0) continue;
    if (map.inputFile >= int(inputs_.size())) {
      ReportStreamMapping();
      throw FFmpegException(TextFormat("Invalid input file index %d in chapter mapping.", map.inputFile));
    }
    if (map.outputFile >= int(outputs_.size())) {
      ReportStreamMapping();
      throw FFmpegException(TextFormat("Invalid output file index %d in chapter mapping.", map.outputFile));
    }
    CopyChapters(map.inputFile, map.outputFile);
  }
  if (!settings_.chapterMaps.empty()) return;
  for (int i = 0; i < int(inputs_.size()); ++i) {
    if (inputs_[i]->context->nb_chapters == 0) continue;
    for (int o = 0; o < int(outputs_.size()); ++o)
      if (!outputs_[o]->shared) CopyChapters(i, o);
    break;
  }
}

void TCustomFFmpeg::CopyChapters(int inputIndex, int outputIndex) {
  AVFormatContext* is = inputs_[inputIndex]->context.get();
  AVFormatContext* os = outputs_[outputIndex]->context;
  for (unsigned c = 0; c < is->nb_chapters; ++c) {
    const AVChapter* in = is->chapters[c];
    const int64_t offset =
        av::av_rescale_q(settings_.startTime - inputs_[inputIndex]->tsOffset, AV_TIME_BASE_Q, in->time_base);
    const bool limited = settings_.recordingTime != INT64_MAX;
    const int64_t limit =
        limited ? av::av_rescale_q(settings_.recordingTime, AV_TIME_BASE_Q, in->time_base) : 0;
    if (in->end < offset) continue;
    if (limited && in->start > limit + offset) break;
    auto* out = static_cast<AVChapter*>(av::av_mallocz(sizeof(AVChapter)));
    if (!out) throw FFmpegException("av_mallocz fail");
    out->id = in->id;
    out->time_base = in->time_base;
    out->start = std::max<int64_t>(0, in->start - offset);
    out->end = limited ? std::min(limit, in->end - offset) : in->end - offset;
    if (settings_.metadataChaptersAutomatic) av::av_dict_copy(&out->metadata, in->metadata, 0);
    auto* grown =
        static_cast<AVChapter**>(av::av_realloc(os->chapters, sizeof(AVChapter*) * (os->nb_chapters + 1)));
    if (!grown) {
      av::av_dict_free(&out->metadata);
      av::av_free(out);
      throw FFmpegException("av_realloc fail");
    }
    os->chapters = grown;
    os->chapters[os->nb_chapters++] = out;
  }
}

void TCustomFFmpeg::ReportStreamMapping() {
  DumpOutputs();
  if (settings_.verbose < 0) return;
  Logger().Log(this, llVerbose, "Stream mapping:");
  for (const TStreamBinding* binding : AllBindings()) {
    const TOutputStream& ost = binding->stream;
    if (binding->sourceIndex < 0) continue;
    const TInputStream& ist = *inputStreams_[binding->sourceIndex];
    std::string line =
        TextFormat("  Stream #%d.%d -> #%d.%d (%s)", ist.fileIndex, ist.streamIndex,
                   joinMode_ ? 0 : binding->fileIndex, ost.index, MediaTypeName(ost.type).c_str());
    if (binding->syncIndex != binding->sourceIndex) {
      const TInputStream& sync = *inputStreams_[binding->syncIndex];
      line += TextFormat(" [sync #%d.%d (%s)]", sync.fileIndex, sync.streamIndex,
                         MediaTypeName(sync.st->codecpar->codec_type).c_str());
    }
    Logger().Log(this, llVerbose, line);
  }
}

}  // namespace mediaconv::engine
