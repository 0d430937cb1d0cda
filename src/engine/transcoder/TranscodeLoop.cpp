// The run: set-up, the main loop over packets, flushing, joining and the
// clean-up. The stages it drives live in Decode, VideoOutput, AudioOutput,
// Encode, Mux and Progress.
#include <cmath>
#include <mutex>

#include "engine/common/CodecLock.h"
#include "engine/common/EngineFunctions.h"
#include "engine/common/UnicodeProtocol.h"
#include "engine/log/FFLogger.h"
#include "engine/transcoder/CustomFFmpeg.h"
#include "engine/transcoder/TextFormat.h"

namespace mediaconv::engine {
namespace {

TFFLogger& Logger() { return TFFLogger::DefaultLogger(); }

int FrameKind(AVMediaType type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO:
      return fkVideo;
    case AVMEDIA_TYPE_AUDIO:
      return fkAudio;
    case AVMEDIA_TYPE_SUBTITLE:
      return fkSubtitle;
    default:
      return fkData;
  }
}

}  // namespace

void TCustomFFmpeg::Fail(const std::string& message) {
  Logger().Log(this, llQuiet, message);
  failed_ = true;
  errorMessage_ = message;
}

void TCustomFFmpeg::RunTask() {
  completed_ = false;
  try {
    Transcode();
  } catch (const std::exception& e) {
    Fail(e.what());
  }
  try {
    CloseCodecs();
  } catch (const std::exception& e) {
    Fail(e.what());
  }
  try {
    ResetCore();
  } catch (const std::exception& e) {
    Fail(e.what());
  }
  NotifyEnd();
}

void TCustomFFmpeg::Transcode() {
  bindings_ = CollectBindings();
  OpenOutputFiles();
  BuildInputTables();
  BindOutputStreams();
  PrepareOutputStreams();
  // Decoders first: a subtitle encoder starts from its decoder's header.
  OpenDecoders();
  OpenEncoders();
  OpenBitstreamFilters();
  InitInputTimestamps();
  ApplyMetadataMaps();
  ApplyChapterMaps();
  WriteHeaders();
  ReportStreamMapping();
  readPacket_ = MakePacket();
  if (!readPacket_) throw FFmpegException("av_mallocz fail");

  inputConverter_.SetDepth(settings_.hookBitsPerPixel);
  outputConverter_.SetDepth(settings_.hookBitsPerPixel);
  inputHookOn_ = bool(Hooks.videoInput);
  outputHookOn_ = bool(Hooks.videoOutput);
  lastPreviewTime_ = 0;
  runStatistics_.startTime = av::av_gettime_relative();
  runStatistics_.lastReportTime = runStatistics_.startTime;
  playingInput_ = 0;
  for (TStreamBinding* binding : AllBindings()) binding->active = !joinMode_ || binding->fileIndex == 0;

  mediaPacketsWritten_ = 0;

  MainLoop();
  FlushInputs();
  // Headers alone are no conversion: input the demuxer took for media that
  // nothing could be decoded from (random bytes named .mp3) ends here. A
  // recording time of 0 asked for nothing.
  if (mediaPacketsWritten_ == 0 && !stopRequested_ && settings_.recordingTime != 0)
    throw FFmpegException("Nothing was converted: no audio or video could be read from the input");

  WriteTrailers();
  ReportProgress(-1, true);
  // The files are closed here so that a failed last write is the run's error.
  CloseOutputFiles();
  CloseCodecs();
  completed_ = !stopRequested_;
  ReleaseRunResources();
}

void TCustomFFmpeg::MainLoop() {
  int noPacketCount = 0;
  while (!stopRequested_) {
    const int fileIndex = ChooseInput();
    if (fileIndex < 0) {
      if (joinMode_ || noPacketCount == 0) break;
      for (auto& input : inputs_) input->noPacket = false;
      noPacketCount = 0;
      av::av_usleep(10000);
      continue;
    }
    if (settings_.limitFileSize > 0) {
      AVIOContext* pb = outputs_.front()->context->pb;
      if (pb && av::avio_seek(pb, 0, SEEK_CUR) >= settings_.limitFileSize) break;
    }
    TInputFile& file = *inputs_[fileIndex];
    AVPacket* packet = readPacket_.get();
    const int read = av::av_read_frame(file.context.get(), packet);
    if (read == AVERROR(EAGAIN)) {
      file.noPacket = true;
      ++noPacketCount;
      continue;
    }
    if (read < 0) {
      if (!joinMode_ && file.loop && RewindInput(file)) continue;
      file.eof = true;
      if (joinMode_) {
        SwitchSegment();
        if (playingInput_ >= int(inputs_.size())) break;
        continue;
      }
      if (settings_.shortest) break;
      continue;
    }
    for (auto& input : inputs_) input->noPacket = false;
    noPacketCount = 0;

    if (settings_.packetDump && packet->stream_index < int(file.context->nb_streams))
      av::av_pkt_dump_log2(nullptr, AV_LOG_DEBUG, packet, settings_.hexDump,
                           file.context->streams[packet->stream_index]);
    if (packet->stream_index >= file.streamCount) {
      av::av_packet_unref(packet);
      continue;
    }
    TInputStream& ist = *inputStreams_[file.firstStream + packet->stream_index];
    if (!ist.taken) {
      av::av_packet_unref(packet);
      continue;
    }
    AdjustTimestamps(file, ist, packet);
    if (settings_.recordingTime != INT64_MAX && packet->pts != AV_NOPTS_VALUE &&
        av::av_compare_ts(packet->pts, ist.st->time_base, settings_.recordingTime + settings_.startTime,
                          AV_TIME_BASE_Q) >= 0) {
      ist.pastRecordingTime = true;
      av::av_packet_unref(packet);
      continue;
    }
    if (!ProcessPacket(ist, packet)) {
      const std::string message =
          TextFormat("Error while decoding stream #%d.%d (%s)", ist.fileIndex, ist.streamIndex,
                     MediaTypeName(ist.st->codecpar->codec_type).c_str());
      av::av_packet_unref(packet);
      if (settings_.exitOnError) throw FFmpegException(message);
      if (settings_.verbose >= 0) Logger().Log(this, llVerbose, message);
    }
    av::av_packet_unref(packet);
    const int64_t now = av::av_gettime_relative();
    if (now - runStatistics_.lastReportTime > progressInterval_) {
      ReportProgress(joinMode_ ? playingInput_ : fileIndex, false);
      runStatistics_.lastReportTime = now;
    }
  }
}

int TCustomFFmpeg::ChooseInput() {
  if (joinMode_) {
    for (const TStreamBinding* binding : AllBindings()) {
      if (!binding->active) continue;
      const TOutputStream& ost = binding->stream;
      if (ost.framesWritten >= settings_.maxFrames[FrameKind(ost.type)]) return -1;
    }
    return playingInput_;
  }
  double minIpts = 1e100, minOpts = 1e100;
  int chosen = -1;
  for (const TStreamBinding* binding : AllBindings()) {
    const TOutputStream& ost = binding->stream;
    const TInputStream& ist = *inputStreams_[binding->sourceIndex];
    const TInputFile& file = *inputs_[ist.fileIndex];
    if (ost.framesWritten >= settings_.maxFrames[FrameKind(ost.type)]) return -1;
    if (ist.pastRecordingTime || file.noPacket || ost.encode.ended) continue;
    const double opts = ost.Position();
    const double ipts = double(ist.pts);
    if (!file.eof) {
      if (ipts < minIpts) {
        minIpts = ipts;
        if (settings_.inputSync) chosen = ist.fileIndex;
      }
      if (opts < minOpts) {
        minOpts = opts;
        if (!settings_.inputSync) chosen = ist.fileIndex;
      }
    }
  }
  return chosen;
}

void TCustomFFmpeg::AdjustTimestamps(TInputFile& file, TInputStream& ist, AVPacket* packet) {
  const AVRational tb = ist.st->time_base;
  const int64_t offset = av::av_rescale_q(file.tsOffset, AV_TIME_BASE_Q, tb);
  if (packet->dts != AV_NOPTS_VALUE) packet->dts += offset;
  if (packet->pts != AV_NOPTS_VALUE) packet->pts += offset;
  if (ist.streamIndex < int(file.tsScale.size())) {
    const double scale = file.tsScale[ist.streamIndex];
    if (scale != 0) {
      if (packet->dts != AV_NOPTS_VALUE) packet->dts = std::llround(double(packet->dts) * scale);
      if (packet->pts != AV_NOPTS_VALUE) packet->pts = std::llround(double(packet->pts) * scale);
    }
  }
  if (packet->dts != AV_NOPTS_VALUE && ist.nextPts != AV_NOPTS_VALUE &&
      (file.context->iformat->flags & AVFMT_TS_DISCONT) && !settings_.copyTimestamps) {
    const int64_t dtsUs = av::av_rescale_q(packet->dts, tb, AV_TIME_BASE_Q);
    const int64_t delta = dtsUs - ist.nextPts;
    if (std::llabs(delta) > int64_t(settings_.dtsDeltaThreshold * AV_TIME_BASE) || dtsUs + 1 < ist.pts) {
      file.tsOffset -= delta;
      if (Verbose(2))
        Logger().LogFmt(this, llVerbose, "timestamp discontinuity %lld, new offset= %lld", (long long)delta,
                        (long long)file.tsOffset);
      const int64_t shift = av::av_rescale_q(delta, AV_TIME_BASE_Q, tb);
      packet->dts -= shift;
      if (packet->pts != AV_NOPTS_VALUE) packet->pts -= shift;
    }
  }
}

void TCustomFFmpeg::FlushInputs() {
  for (auto& istPtr : inputStreams_) {
    TInputStream& ist = *istPtr;
    if (!ist.decode.needed || ist.decode.flushed) continue;
    if (!ProcessPacket(ist, nullptr) && settings_.exitOnError)
      throw FFmpegException(TextFormat("Error while decoding stream #%d.%d (%s)", ist.fileIndex,
                                       ist.streamIndex, MediaTypeName(ist.st->codecpar->codec_type).c_str()));
    ist.decode.flushed = true;
  }
  for (TOutputStream* ost : EncodingStreams()) {
    if (ost->encode.ended || !ost->encode.opened) continue;
    if (ost->type == AVMEDIA_TYPE_AUDIO)
      FlushAudio(*ost);
    else if (ost->type == AVMEDIA_TYPE_VIDEO)
      FlushVideo(*ost);
    ost->encode.ended = true;
  }
}

bool TCustomFFmpeg::RewindInput(TInputFile& file) {
  AVFormatContext* context = file.context.get();
  if (context->duration == AV_NOPTS_VALUE || context->duration <= 0) return false;
  const int64_t start = context->start_time == AV_NOPTS_VALUE ? 0 : context->start_time;
  if (av::av_seek_frame(context, -1, start, AVSEEK_FLAG_BACKWARD) < 0) return false;
  // What the decoders hold belongs before the jump.
  for (int i = 0; i < file.streamCount; ++i) {
    TInputStream& ist = *inputStreams_[file.firstStream + i];
    if (!ist.decode.needed) continue;
    ProcessPacket(ist, nullptr);
    av::avcodec_flush_buffers(ist.decode.context.get());
  }
  file.tsOffset += context->duration;
  return true;
}

void TCustomFFmpeg::SwitchSegment() {
  // The encoders run on across segments, so the joined file is one
  // continuous stream; only the finished input's decoders are drained.
  const int segment = playingInput_;
  TInputFile& file = *inputs_[segment];
  for (int i = 0; i < file.streamCount; ++i) {
    TInputStream& ist = *inputStreams_[file.firstStream + i];
    if (!ist.decode.needed) continue;
    ProcessPacket(ist, nullptr);
    av::avcodec_flush_buffers(ist.decode.context.get());
    ist.decode.flushed = true;
  }
  const bool last = segment + 1 >= int(inputs_.size());
  double endTime = 0;
  for (TStreamBinding* binding : AllBindings()) {
    if (binding->fileIndex != segment) continue;
    endTime = std::max(endTime, binding->stream.Position());
    // The last segment stays active, so the final report still has its video.
    if (!last) binding->active = false;
  }
  ++playingInput_;
  if (last) return;
  for (TStreamBinding* binding : AllBindings())
    if (binding->fileIndex == playingInput_) binding->active = true;
  inputs_[playingInput_]->tsOffset += std::llround(endTime * AV_TIME_BASE);
}

void TCustomFFmpeg::CloseCodecs() {
  std::scoped_lock lock(CodecLock());
  for (TOutputStream* ost : AllOutputStreams()) ost->encode.Close();
  for (auto& ist : inputStreams_) ist->decode.Close();
}

void TCustomFFmpeg::ReleaseRunResources() {
  // The encoders went with CloseCodecs.
  for (TOutputStream* ost : AllOutputStreams()) {
    ost->video.Release();
    ost->audio.Release();
    ost->mux.Release();
  }
  for (auto& ist : inputStreams_) ist->video.Release();
  readPacket_.reset();
  runStatistics_.vstatsFile.reset();
}

void TCustomFFmpeg::ResetCore() {
  ReleaseRunResources();
  ResetFrameConversion();
  for (auto& file : outputs_) {
    if (file->shared) continue;
    AVFormatContext* context = file->owned.release();
    if (!context) continue;
    if (context->pb && !(context->oformat->flags & AVFMT_NOFILE)) CloseOutputURL(&context->pb);
    const bool writesFile = !(context->oformat->flags & AVFMT_NOFILE);
    av::avformat_free_context(context);
    FinishOutputFile(*file, writesFile);
  }
  {
    std::scoped_lock lock(CodecLock());
    inputStreams_.clear();
    bindings_.clear();
    outputs_.clear();
  }
  inputs_.clear();
  joinMode_ = false;
}

}  // namespace mediaconv::engine
