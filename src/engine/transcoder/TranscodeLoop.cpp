// The run: set-up, the main loop over packets, stream copy, flushing,
// joining, progress and the clean-up.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

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
  OpenOutputFiles();
  BuildInputTables();
  BindOutputStreams();
  PrepareOutputStreams();
  // Decoders first: a subtitle encoder starts from its decoder's header.
  OpenDecoders();
  OpenEncoders();
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
  lastInput_ = 0;
  for (TStreamBinding* binding : AllBindings()) binding->active = !joinMode_ || binding->fileIndex == 0;

  mediaPacketsWritten_ = 0;

  MainLoop();
  FlushInputs();
  // Headers alone are no conversion: input the demuxer took for media that
  // nothing could be decoded from (random bytes named .mp3) ends here. A
  // recording time of 0 asked for nothing.
  if (mediaPacketsWritten_ == 0 && !stopRequested_ && settings_.recordingTime != 0)
    throw FFmpegException("Nothing was converted: no audio or video could be read from the input");

  std::string writeError;
  for (auto& file : outputs_) {
    if (file->shared || !file->headerWritten) continue;
    const int written = av::av_write_trailer(file->context);
    if (written < 0 && writeError.empty()) writeError = ErrorText("av_write_trailer()", written);
  }
  if (!writeError.empty()) throw FFmpegException(writeError);
  ReportProgress(-1, true);
  // The files are closed here so that a failed last write is the run's error.
  for (auto& file : outputs_) {
    AVFormatContext* context = file->context;
    if (file->shared || !context->pb || (context->oformat->flags & AVFMT_NOFILE)) continue;
    const int closed = CloseOutputURL(&context->pb);
    if (closed < 0 && writeError.empty()) writeError = ErrorText(file->fileName, closed);
  }
  if (!writeError.empty()) throw FFmpegException(writeError);
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
    lastInput_ = fileIndex;

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

namespace {

// Seconds of output a stream has reached.
double OutputPosition(const TOutputStream& ost) {
  if (ost.copy) return ost.mux.time;
  if (!ost.encode.context) return 0;
  double position = double(ost.syncOpts) * av_q2d(ost.encode.context->time_base);
  if (ost.type == AVMEDIA_TYPE_AUDIO && ost.audio.fifo && ost.encode.context->sample_rate)
    position += double(av::av_audio_fifo_size(ost.audio.fifo.get())) / ost.encode.context->sample_rate;
  return position;
}

}  // namespace

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
    const double opts = OutputPosition(ost);
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

bool TCustomFFmpeg::ProcessPacket(TInputStream& ist, const AVPacket* packet) {
  if (ist.nextPts == AV_NOPTS_VALUE) ist.nextPts = ist.pts;
  if (packet && packet->dts != AV_NOPTS_VALUE)
    ist.nextPts = ist.pts = av::av_rescale_q(packet->dts, ist.st->time_base, AV_TIME_BASE_Q);

  if (packet) {
    bool copies = false;
    for (const TStreamBinding* binding : ist.outputs) copies = copies || binding->stream.copy;
    if (copies || !ist.decodingNeeded) {
      if (!ist.decodingNeeded) {
        ist.pts = ist.nextPts;
        const AVCodecParameters* par = ist.st->codecpar;
        if (packet->duration > 0) {
          ist.nextPts += av::av_rescale_q(packet->duration, ist.st->time_base, AV_TIME_BASE_Q);
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO && par->sample_rate && par->frame_size) {
          ist.nextPts += int64_t(AV_TIME_BASE) * par->frame_size / par->sample_rate;
        } else if (par->codec_type == AVMEDIA_TYPE_VIDEO && ist.st->avg_frame_rate.num) {
          ist.nextPts += av::av_rescale_q(1, av_inv_q(ist.st->avg_frame_rate), AV_TIME_BASE_Q);
        }
      }
      if (settings_.startTime == 0 || ist.pts >= settings_.startTime)
        for (TStreamBinding* binding : ist.outputs)
          if (binding->stream.copy) CopyPacket(binding->stream, ist, packet);
    }
  }
  if (settings_.rateEmulation) {
    const int64_t elapsed = av::av_gettime_relative() - ist.rateEmuStart;
    if (ist.pts > elapsed + 1000) av::av_usleep(unsigned((ist.pts - elapsed) / 1000 * 1000));
  }
  if (!ist.decodingNeeded) return true;
  switch (ist.st->codecpar->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      return DecodeAudio(ist, packet);
    case AVMEDIA_TYPE_VIDEO:
      return DecodeVideo(ist, packet);
    case AVMEDIA_TYPE_SUBTITLE:
      return DecodeSubtitle(ist, packet);
    default:
      return false;
  }
}

bool TCustomFFmpeg::DecodeAudio(TInputStream& ist, const AVPacket* packet) {
  AVCodecContext* dec = ist.decoder.get();
  int sent = av::avcodec_send_packet(dec, packet);
  if (sent < 0 && sent != AVERROR_EOF) return false;
  AVFrame* frame = ist.frame.get();
  for (;;) {
    const int got = av::avcodec_receive_frame(dec, frame);
    if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) break;
    if (got < 0) return false;
    if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
      ist.pts = av::av_rescale_q(frame->best_effort_timestamp, ist.st->time_base, AV_TIME_BASE_Q);
    else
      ist.pts = ist.nextPts;
    if (frame->sample_rate > 0)
      ist.nextPts = ist.pts + int64_t(AV_TIME_BASE) * frame->nb_samples / frame->sample_rate;
    PushAudioFrame(ist, frame);
    av::av_frame_unref(frame);
  }
  return true;
}

bool TCustomFFmpeg::DecodeVideo(TInputStream& ist, const AVPacket* packet) {
  AVCodecContext* dec = ist.decoder.get();
  const int sent = av::avcodec_send_packet(dec, packet);
  if (sent < 0 && sent != AVERROR_EOF) return false;
  AVFrame* frame = ist.frame.get();
  for (;;) {
    const int got = av::avcodec_receive_frame(dec, frame);
    if (got == AVERROR_EOF && ist.deinterlacer) DeinterlaceVideo(ist, nullptr);
    if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) break;
    if (got < 0) return false;
    if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
      ist.pts = av::av_rescale_q(frame->best_effort_timestamp, ist.st->time_base, AV_TIME_BASE_Q);
    else
      ist.pts = ist.nextPts;
    AVRational rate = dec->framerate.num ? dec->framerate : ist.st->avg_frame_rate;
    if (rate.num && rate.den) {
      const int ticks = 1 + frame->repeat_pict;
      ist.nextPts = ist.pts + av::av_rescale_q(ticks, av_inv_q(rate), AV_TIME_BASE_Q);
    } else if (frame->pkt_duration > 0) {
      ist.nextPts = ist.pts + av::av_rescale_q(frame->pkt_duration, ist.st->time_base, AV_TIME_BASE_Q);
    }
    ist.quality = float(frame->quality);
    PushVideoFrame(ist, frame);
    av::av_frame_unref(frame);
  }
  return true;
}

bool TCustomFFmpeg::DecodeSubtitle(TInputStream& ist, const AVPacket* packet) {
  if (!packet) return true;  // subtitle decoders hold nothing back
  AVSubtitle subtitle{};
  int got = 0;
  if (av::avcodec_decode_subtitle2(ist.decoder.get(), &subtitle, &got, const_cast<AVPacket*>(packet)) < 0)
    return false;
  if (!got) return true;
  const int64_t packetPts = packet->pts;
  try {
    if (settings_.startTime == 0 || ist.pts >= settings_.startTime) {
      for (TStreamBinding* binding : ist.outputs) {
        TOutputStream& ost = binding->stream;
        if (!ost.encode.needed) continue;
        if (packetPts == AV_NOPTS_VALUE) {
          if (settings_.exitOnError) throw FFmpegException("Subtitle packets must have a pts");
          Logger().Log(this, llError, "Subtitle packets must have a pts");
          continue;
        }
        AVCodecContext* enc = ost.encode.context.get();
        const int packets = enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE ? 2 : 1;
        const uint32_t start = subtitle.start_display_time;
        for (int i = 0; i < packets; ++i) {
          AVSubtitle copy = subtitle;
          copy.pts = av::av_rescale_q(packetPts, ist.st->time_base, AV_TIME_BASE_Q) + int64_t(start) * 1000;
          copy.end_display_time -= start;
          copy.start_display_time = 0;
          if (i == 1) copy.num_rects = 0;  // the second DVB packet clears the screen
          std::vector<uint8_t> buffer(1 << 20);
          const int size = av::avcodec_encode_subtitle(enc, buffer.data(), int(buffer.size()), &copy);
          if (size < 0) throw FFmpegException("Subtitle encoding failed");
          AVPacket* out = ost.mux.packet.get();
          if (av::av_new_packet(out, size) < 0) throw FFmpegException("Subtitle encoding failed");
          std::copy_n(buffer.data(), size, out->data);
          out->pts = av::av_rescale_q(copy.pts, AV_TIME_BASE_Q, ost.st->time_base);
          out->duration = av::av_rescale_q(copy.end_display_time, AVRational{1, 1000}, ost.st->time_base);
          if (enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE)
            out->pts +=
                av::av_rescale_q(90 * int64_t(i == 0 ? copy.start_display_time : copy.end_display_time),
                                 AVRational{1, 90000}, ost.st->time_base);
          out->dts = out->pts;
          WritePacket(ost, out);
          ++ost.framesWritten;
        }
      }
    }
  } catch (...) {
    av::avsubtitle_free(&subtitle);
    throw;
  }
  av::avsubtitle_free(&subtitle);
  return true;
}

void TCustomFFmpeg::OutputFrame(TInputStream& ist, AVFrame* frame) {
  if (settings_.startTime != 0 && ist.pts < settings_.startTime) return;
  // The seek of a start time lands on the key frame before it; what decodes
  // between the two lies before the output's start.
  if (inputs_[ist.fileIndex]->seeked &&
      (ist.st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO ? ist.nextPts <= 0 : ist.pts < 0))
    return;
  for (TStreamBinding* binding : ist.outputs) {
    const TOutputStream& ost = binding->stream;
    if (!ost.encode.needed || ost.encode.ended) continue;
    if (ost.type == AVMEDIA_TYPE_AUDIO)
      DoAudioOut(*binding, ist, frame);
    else if (ost.type == AVMEDIA_TYPE_VIDEO)
      DoVideoOut(*binding, ist, frame);
    else
      throw FFmpegException("invalid codec_type");
  }
}

void TCustomFFmpeg::CopyPacket(TOutputStream& ost, TInputStream& ist, const AVPacket* packet) {
  if (!ost.framesWritten && !(packet->flags & AV_PKT_FLAG_KEY) && !settings_.copyInitialNonKeyFrames) return;
  const AVRational otb = ost.st->time_base;
  const int64_t startOffset = av::av_rescale_q(settings_.startTime, AV_TIME_BASE_Q, otb);
  AVPacket* out = ost.mux.packet.get();
  if (av::av_packet_ref(out, packet) < 0) throw FFmpegException("av_mallocz fail");
  out->pts = packet->pts == AV_NOPTS_VALUE
                 ? AV_NOPTS_VALUE
                 : av::av_rescale_q(packet->pts, ist.st->time_base, otb) - startOffset;
  out->dts = (packet->dts == AV_NOPTS_VALUE ? av::av_rescale_q(ist.pts, AV_TIME_BASE_Q, otb)
                                            : av::av_rescale_q(packet->dts, ist.st->time_base, otb)) -
             startOffset;
  out->duration = av::av_rescale_q(packet->duration, ist.st->time_base, otb);
  if (ost.type == AVMEDIA_TYPE_VIDEO) {
    runStatistics_.videoBytes += packet->size;
    ++ost.syncOpts;
  } else if (ost.type == AVMEDIA_TYPE_AUDIO) {
    runStatistics_.audioBytes += packet->size;
  }
  WritePacket(ost, out);
  ++ost.framesWritten;
}

void TCustomFFmpeg::WritePacket(TOutputStream& ost, AVPacket* packet) {
  if (ost.mux.bitstreamFilters.empty()) return WriteMuxPacket(ost, packet);
  // Through the chain: what one filter gives goes to the next.
  std::vector<AVPacket*> pending{packet};
  TPacketPtr holder = MakePacket();
  for (size_t i = 0; i < ost.mux.bitstreamFilters.size(); ++i) {
    AVBSFContext* filter = ost.mux.bitstreamFilters[i].get();
    std::vector<AVPacket*> produced;
    for (AVPacket* in : pending) {
      const int sent = av::av_bsf_send_packet(filter, in);
      if (sent < 0) {
        const std::string message =
            TextFormat("%s failed for stream %d, codec %s", filter->filter->name, ost.index,
                       ost.encode.opened ? ost.encode.context->codec->name : "copy") +
            ": " + ErrorText("", sent).substr(2);
        if (settings_.exitOnError) throw FFmpegException(message);
        Logger().Log(this, llError, message);
        av::av_packet_unref(in);
        continue;
      }
      for (;;) {
        AVPacket* got = av::av_packet_alloc();
        if (!got) throw FFmpegException("av_mallocz fail");
        if (av::av_bsf_receive_packet(filter, got) < 0) {
          av::av_packet_free(&got);
          break;
        }
        produced.push_back(got);
      }
    }
    for (AVPacket* p : pending)
      if (p != packet) av::av_packet_free(&p);
    pending = std::move(produced);
  }
  try {
    for (AVPacket*& p : pending) {
      WriteMuxPacket(ost, p);
      av::av_packet_free(&p);
    }
  } catch (...) {
    for (AVPacket*& p : pending) av::av_packet_free(&p);
    throw;
  }
}

void TCustomFFmpeg::WriteMuxPacket(TOutputStream& ost, AVPacket* packet) {
  AVFormatContext* context = outputs_[ost.fileIndex]->context;
  packet->stream_index = ost.st->index;
  // Muxers refuse timestamps that go backwards; nudge them as the command-line tool does.
  if (!(context->oformat->flags & AVFMT_NOTIMESTAMPS) && packet->dts != AV_NOPTS_VALUE &&
      ost.mux.lastDts != AV_NOPTS_VALUE) {
    const int64_t least = ost.mux.lastDts + !(context->oformat->flags & AVFMT_TS_NONSTRICT);
    if (packet->dts < least) {
      if (packet->pts != AV_NOPTS_VALUE && packet->pts >= packet->dts)
        packet->pts = std::max(packet->pts, least);
      packet->dts = least;
    }
  }
  if (packet->dts != AV_NOPTS_VALUE) ost.mux.lastDts = packet->dts;
  const int64_t end = (packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts) + packet->duration;
  if (packet->pts != AV_NOPTS_VALUE || packet->dts != AV_NOPTS_VALUE)
    ost.mux.time = std::max(ost.mux.time, double(end) * av_q2d(ost.st->time_base));
  const int written = av::av_interleaved_write_frame(context, packet);
  if (written < 0) throw FFmpegException(ErrorText("av_interleaved_write_frame()", written));
  if (!ost.cover) ++mediaPacketsWritten_;
}

void TCustomFFmpeg::EncodeAndWrite(TOutputStream& ost, AVFrame* frame) {
  AVCodecContext* enc = ost.encode.context.get();
  const char* failure = ost.type == AVMEDIA_TYPE_AUDIO ? "Audio encoding failed" : "Video encoding failed";
  const int sent = av::avcodec_send_frame(enc, frame);
  if (sent < 0 && !(frame == nullptr && sent == AVERROR_EOF)) throw FFmpegException(failure);
  AVPacket* packet = ost.mux.packet.get();
  for (;;) {
    const int got = av::avcodec_receive_packet(enc, packet);
    if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) break;
    if (got < 0) throw FFmpegException(failure);
    if (ost.type == AVMEDIA_TYPE_VIDEO) {
      runStatistics_.videoBytes += packet->size;
      size_t size = 0;
      if (const uint8_t* stats = av::av_packet_get_side_data(packet, AV_PKT_DATA_QUALITY_STATS, &size);
          stats && size >= 4) {
        // quality (32 bits), picture type, error count, 2 reserved, errors (64 bits each); little-endian
        ost.statistics.quality = int(stats[0] | stats[1] << 8 | stats[2] << 16 | uint32_t(stats[3]) << 24);
        const int errors = size >= 6 ? std::min<int>(stats[5], 3) : 0;
        for (int i = 0; i < errors && size >= size_t(8 + 8 * (i + 1)); ++i) {
          uint64_t value = 0;
          for (int b = 7; b >= 0; --b) value = value << 8 | stats[8 + 8 * i + b];
          ost.statistics.error[i] = value;
          ost.statistics.errorSum[i] += value;
        }
      }
    } else {
      runStatistics_.audioBytes += packet->size;
    }
    if (ost.encode.passLog && enc->stats_out) std::fputs(enc->stats_out, ost.encode.passLog.get());
    if (ost.type == AVMEDIA_TYPE_VIDEO && !settings_.statisticsFileName.empty()) {
      size_t size = 0;
      const uint8_t* stats = av::av_packet_get_side_data(packet, AV_PKT_DATA_QUALITY_STATS, &size);
      WriteVideoStats(ost, packet->size, stats && size >= 5 ? stats[4] : int(AV_PICTURE_TYPE_NONE));
    }
    av::av_packet_rescale_ts(packet, enc->time_base, ost.st->time_base);
    WritePacket(ost, packet);
    av::av_packet_unref(packet);
  }
}

void TCustomFFmpeg::FlushInputs() {
  for (auto& istPtr : inputStreams_) {
    TInputStream& ist = *istPtr;
    if (!ist.decodingNeeded || ist.flushed) continue;
    if (!ProcessPacket(ist, nullptr) && settings_.exitOnError)
      throw FFmpegException(TextFormat("Error while decoding stream #%d.%d (%s)", ist.fileIndex,
                                       ist.streamIndex, MediaTypeName(ist.st->codecpar->codec_type).c_str()));
    ist.flushed = true;
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

void TCustomFFmpeg::FlushOutputs(TInputStream& ist) {
  for (TStreamBinding* binding : ist.outputs) {
    TOutputStream& ost = binding->stream;
    if (!ost.encode.needed || ost.encode.ended || !ost.encode.opened) continue;
    if (ost.type == AVMEDIA_TYPE_AUDIO)
      FlushAudio(ost);
    else if (ost.type == AVMEDIA_TYPE_VIDEO)
      FlushVideo(ost);
    ost.encode.ended = true;
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
    if (!ist.decodingNeeded) continue;
    ProcessPacket(ist, nullptr);
    av::avcodec_flush_buffers(ist.decoder.get());
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
    if (!ist.decodingNeeded) continue;
    ProcessPacket(ist, nullptr);
    av::avcodec_flush_buffers(ist.decoder.get());
    ist.flushed = true;
  }
  const bool last = segment + 1 >= int(inputs_.size());
  double endTime = 0;
  for (TStreamBinding* binding : AllBindings()) {
    if (binding->fileIndex != segment) continue;
    endTime = std::max(endTime, OutputPosition(binding->stream));
    // The last segment stays active, so the final report still has its video.
    if (!last) binding->active = false;
  }
  ++playingInput_;
  if (last) return;
  for (TStreamBinding* binding : AllBindings())
    if (binding->fileIndex == playingInput_) binding->active = true;
  inputs_[playingInput_]->tsOffset += std::llround(endTime * AV_TIME_BASE);
}

void TCustomFFmpeg::ReportProgress(int fileIndex, bool final) {
  int64_t size = 0;
  if (!outputs_.empty()) {
    AVIOContext* pb = outputs_.front()->context->pb;
    if (pb) {
      size = av::avio_size(pb);
      if (size < 0) size = av::avio_seek(pb, 0, SEEK_CUR);
      if (size < 0) size = 0;
    }
  }
  if (final) size = std::max(size, int64_t(0));
  TProgressValues values;
  values.FileIndex = fileIndex;
  values.TotalDuration = settings_.expectedDuration == AV_NOPTS_VALUE ? -1 : settings_.expectedDuration;
  std::string text;
  bool firstVideo = true;
  const double elapsed = double(av::av_gettime_relative() - runStatistics_.startTime) / AV_TIME_BASE;
  double currentTime = 1e10;
  for (const TStreamBinding* binding : AllBindings()) {
    TOutputStream& ost = binding->stream;
    if (binding->active) {
      const double position = OutputPosition(ost);
      if (position > 0) currentTime = std::min(currentTime, position);
    }
    if (ost.type != AVMEDIA_TYPE_VIDEO || ost.cover || !binding->active) continue;
    const float quality =
        ost.copy || ost.statistics.quality < 0 ? -1.0f : float(ost.statistics.quality) / FF_QP2LAMBDA;
    if (firstVideo) {
      firstVideo = false;
      const int frameNumber = ost.framesWritten;
      if (frameNumber < 1) return;
      values.FrameNumber = frameNumber;
      values.FPS = elapsed > 1 ? int(std::lround(frameNumber / elapsed)) : 0;
      values.Quality = quality;
      text = TextFormat("frame=%5d fps=%3d q=%3.1f ", frameNumber, values.FPS, quality);
      if (final) text += "L";
      if (settings_.qpHistogram && !final) {
        const int qp = std::clamp(int(std::lround(quality)), 0, 51);
        ++ost.statistics.qpHistogram[qp];
        for (int j = 0; j < 32; ++j)
          text += TextFormat("%X", int(std::lround(std::log2(ost.statistics.qpHistogram[j] + 1))) & 0xF);
      }
      if (ost.encode.context && (ost.encode.context->flags & AV_CODEC_FLAG_PSNR)) {
        const auto psnr = [](double d) { return -10.0 * std::log10(d); };
        const double scale = final ? std::max(frameNumber, 1) : 1;
        const double pixels =
            double(ost.encode.context->width) * ost.encode.context->height * 255.0 * 255.0 * scale;
        const uint64_t* errors = final ? ost.statistics.errorSum : ost.statistics.error;
        double errorTotal = 0, scaleTotal = 0;
        text += "PSNR=";
        for (int j = 0; j < 3; ++j) {
          const double planePixels = j ? pixels / 4 : pixels;
          errorTotal += double(errors[j]);
          scaleTotal += planePixels;
          text += TextFormat("%c:%2.2f ", "YUV"[j], psnr(double(errors[j]) / planePixels));
        }
        text += TextFormat("*:%2.2f ", psnr(errorTotal / scaleTotal));
      }
    } else {
      text += TextFormat("q=%2.1f ", quality);
    }
  }
  if (currentTime >= 1e10) currentTime = 1e10;
  currentTime = std::max(currentTime, 0.01);
  if (currentTime >= 1e10) currentTime = 0.01;
  const bool callback = bool(OnProgress);
  if (callback || Verbose(0) || final) {
    const double bitrate = double(size) * 8 / currentTime / 1000;
    text +=
        TextFormat("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s", double(size) / 1024, currentTime, bitrate);
    if (runStatistics_.framesDuplicated || runStatistics_.framesDropped) {
      text += TextFormat(" dup=%d drop=%d", runStatistics_.framesDuplicated, runStatistics_.framesDropped);
      if (runStatistics_.dupDropSeen && callback && settings_.verbose >= 0)
        Logger().Log(this, llVerbose, text);
      runStatistics_.dupDropSeen = false;
    }
    values.BitRate = float(bitrate);
    values.CurrentSize = size;
    values.CurrentDuration = int64_t(currentTime * AV_TIME_BASE);
    if (callback)
      DoProgress(values);
    else if (settings_.verbose >= 0)
      Logger().Log(this, llVerbose, text);
  }
  if (final && settings_.verbose >= 0) {
    const double sum =
        double(runStatistics_.videoBytes + runStatistics_.audioBytes + runStatistics_.globalHeaderBytes);
    Logger().LogFmt(
        this, llVerbose, "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%",
        double(runStatistics_.videoBytes) / 1024, double(runStatistics_.audioBytes) / 1024,
        double(runStatistics_.globalHeaderBytes) / 1024, sum > 0 ? (double(size) - sum) * 100 / sum : 0.0);
  }
}

void TCustomFFmpeg::DoProgress(const TProgressValues& values) {
  if (OnProgress) OnProgress(*this, values);
}

void TCustomFFmpeg::ReleaseRunResources() {
  // The encoders went with CloseCodecs.
  for (TOutputStream* ost : AllOutputStreams()) {
    ost->video.Release();
    ost->audio.Release();
    ost->mux.Release();
  }
  for (auto& ist : inputStreams_) {
    ist->deinterlacer.reset();
    ist->deinterlaced.reset();
    ist->hookFrame.reset();
  }
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
    outputs_.clear();
  }
  inputs_.clear();
  joinMode_ = false;
}

void TCustomFFmpeg::FinishOutputFile(TOutputFile& file, bool writesFile) {
  if (file.part) {
    // A completed or stopped run keeps what it wrote; a failed one, or one
    // that wrote nothing, leaves nothing behind.
    std::unique_ptr<app::TPartFile> part = std::move(file.part);
    if (failed_ || part->Size() == 0) return;
    std::string error;
    const std::string claimed = part->Claim(error);
    if (claimed.empty())
      Fail(TextFormat("%s: cannot give the output its name: %s", file.fileName.c_str(), error.c_str()));
    else
      writtenFiles_.push_back(claimed);
    return;
  }
  if (file.openAtStart) return;  // never opened: nothing of it exists
  // An output that stayed empty is removed; devices and pipes are left alone.
  struct stat info {};
  const std::string name = URLToFileName(FileNameToURL(file.fileName));
  if (writesFile && ::stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0)
    ::unlink(name.c_str());
  else if (!failed_)
    writtenFiles_.push_back(file.fileName);
}

}  // namespace mediaconv::engine
