// The decode stage: input packets to decoded frames (or to stream copy),
// handed to the frame conversion of the outputs they feed.
#include <mutex>

#include "engine/common/CodecLock.h"
#include "engine/common/EngineFunctions.h"
#include "engine/log/FFLogger.h"
#include "engine/transcoder/CustomFFmpeg.h"
#include "engine/transcoder/TextFormat.h"

namespace mediaconv::engine {
namespace {

TFFLogger& Logger() { return TFFLogger::DefaultLogger(); }

// Where the decoded frame stands; without a timestamp, where the last one
// said the next would be.
void TakeFramePosition(TInputStream& ist, const AVFrame* frame) {
  if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
    ist.pts = av::av_rescale_q(frame->best_effort_timestamp, ist.st->time_base, AV_TIME_BASE_Q);
  else
    ist.pts = ist.nextPts;
}

}  // namespace

bool TCustomFFmpeg::ProcessPacket(TInputStream& ist, const AVPacket* packet) {
  if (ist.nextPts == AV_NOPTS_VALUE) ist.nextPts = ist.pts;
  if (packet && packet->dts != AV_NOPTS_VALUE)
    ist.nextPts = ist.pts = av::av_rescale_q(packet->dts, ist.st->time_base, AV_TIME_BASE_Q);

  if (packet) {
    bool copies = false;
    for (const TStreamBinding* binding : ist.outputs) copies = copies || binding->stream.copy;
    if (copies || !ist.decode.needed) {
      if (!ist.decode.needed) {
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
  if (!ist.decode.needed) return true;
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
  AVCodecContext* dec = ist.decode.context.get();
  int sent = av::avcodec_send_packet(dec, packet);
  if (sent < 0 && sent != AVERROR_EOF) return false;
  AVFrame* frame = ist.decode.frame.get();
  for (;;) {
    const int got = av::avcodec_receive_frame(dec, frame);
    if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) break;
    if (got < 0) return false;
    TakeFramePosition(ist, frame);
    if (frame->sample_rate > 0)
      ist.nextPts = ist.pts + int64_t(AV_TIME_BASE) * frame->nb_samples / frame->sample_rate;
    PushAudioFrame(ist, frame);
    av::av_frame_unref(frame);
  }
  return true;
}

bool TCustomFFmpeg::DecodeVideo(TInputStream& ist, const AVPacket* packet) {
  AVCodecContext* dec = ist.decode.context.get();
  const int sent = av::avcodec_send_packet(dec, packet);
  if (sent < 0 && sent != AVERROR_EOF) return false;
  AVFrame* frame = ist.decode.frame.get();
  for (;;) {
    const int got = av::avcodec_receive_frame(dec, frame);
    if (got == AVERROR_EOF && ist.video.deinterlacer) DeinterlaceVideo(ist, nullptr);
    if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) break;
    if (got < 0) return false;
    TakeFramePosition(ist, frame);
    AVRational rate = dec->framerate.num ? dec->framerate : ist.st->avg_frame_rate;
    if (rate.num && rate.den) {
      const int ticks = 1 + frame->repeat_pict;
      ist.nextPts = ist.pts + av::av_rescale_q(ticks, av_inv_q(rate), AV_TIME_BASE_Q);
    } else if (frame->pkt_duration > 0) {
      ist.nextPts = ist.pts + av::av_rescale_q(frame->pkt_duration, ist.st->time_base, AV_TIME_BASE_Q);
    }
    ist.decode.quality = float(frame->quality);
    PushVideoFrame(ist, frame);
    av::av_frame_unref(frame);
  }
  return true;
}

bool TCustomFFmpeg::DecodeSubtitle(TInputStream& ist, const AVPacket* packet) {
  if (!packet) return true;  // subtitle decoders hold nothing back
  AVSubtitle subtitle{};
  int got = 0;
  if (av::avcodec_decode_subtitle2(ist.decode.context.get(), &subtitle, &got, const_cast<AVPacket*>(packet)) <
      0)
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
        EncodeSubtitle(ost, ist, subtitle, packetPts);
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

void TCustomFFmpeg::OpenDecoders() {
  for (auto& istPtr : inputStreams_) {
    TInputStream& ist = *istPtr;
    if (!ist.decode.needed) continue;
    TInputFile& file = *inputs_[ist.fileIndex];
    const AVCodecParameters* par = ist.st->codecpar;
    const AVCodec* codec = file.forcedDecoders[ist.streamIndex];
    if (!codec) codec = av::avcodec_find_decoder(par->codec_id);
    if (!codec) {
      const std::string message =
          TextFormat("Decoder (codec id %d) not found for input stream #%d.%d (%s)", int(par->codec_id),
                     ist.fileIndex, ist.streamIndex, MediaTypeName(par->codec_type).c_str());
      ReportStreamMapping();
      Logger().Log(this, llError, message);
      throw FFmpegException(message);
    }
    ist.decode.context = MakeCodecContext(codec);
    if (!ist.decode.context) throw FFmpegException("av_mallocz fail");
    av::avcodec_parameters_to_context(ist.decode.context.get(), par);
    if (const AVCodecContext* given = file.decoderSettings[ist.streamIndex].get()) {
      optionStore_.ApplyStoredOptions(ist.decode.context.get(),
                                      par->codec_type == AVMEDIA_TYPE_VIDEO   ? kOptionMaskVideoDecoding
                                      : par->codec_type == AVMEDIA_TYPE_AUDIO ? kOptionMaskAudioDecoding
                                                                              : kOptionMaskDecoding);
      ist.decode.context->thread_count = given->thread_count;
    }
    ist.decode.context->pkt_timebase = ist.st->time_base;
    int opened;
    {
      std::scoped_lock lock(CodecLock());
      opened = av::avcodec_open2(ist.decode.context.get(), codec, nullptr);
    }
    if (opened < 0) {
      const std::string message =
          TextFormat("Error while opening decoder for input stream #%d.%d (%s)", ist.fileIndex,
                     ist.streamIndex, MediaTypeName(par->codec_type).c_str());
      ReportStreamMapping();
      Logger().Log(this, llError, message);
      throw FFmpegException(message);
    }
    ist.decode.opened = true;
    ist.decode.frame = MakeFrame();
    if (!ist.decode.frame) throw FFmpegException("av_mallocz fail");
  }
}

}  // namespace mediaconv::engine
