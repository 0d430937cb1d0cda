// Decoded audio on its way to one output stream: resampled to the encoder's
// rate, layout and sample format, kept in step with its timestamps, cut into
// encoder frames through a FIFO.
#include <cmath>

#include "engine/log/FFLogger.h"
#include "engine/transcoder/CustomFFmpeg.h"
#include "engine/transcoder/TextFormat.h"

namespace mediaconv::engine {
namespace {

bool SameLayout(const AVChannelLayout& a, const AVChannelLayout& b) {
  return av::av_channel_layout_compare(&a, &b) == 0;
}

// A frame of the encoder's format able to hold at least samples.
void EnsureCapacity(TFramePtr& frame, const AVCodecContext* enc, int samples) {
  if (frame && frame->nb_samples >= samples) return;
  frame = MakeFrame();
  if (!frame) throw FFmpegException("Out of memory in do_audio_out");
  frame->format = enc->sample_fmt;
  frame->sample_rate = enc->sample_rate;
  frame->nb_samples = std::max(samples, 4096);
  if (av::av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout) < 0 ||
      av::av_frame_get_buffer(frame.get(), 0) < 0)
    throw FFmpegException("Out of memory in do_audio_out");
}

}  // namespace

void TCustomFFmpeg::PushAudioFrame(TInputStream& ist, AVFrame* frame) { OutputFrame(ist, frame); }

void TCustomFFmpeg::DoAudioOut(TOutputStream& ostRecord, TInputStream& ist, AVFrame* frame) {
  TOutputStream& ost = Owner(ostRecord);
  AVCodecContext* enc = ost.encoder.get();
  AVAudioFifo* fifo = ost.fifo.get();

  const bool convert = frame->format != enc->sample_fmt || frame->sample_rate != enc->sample_rate ||
                       !SameLayout(frame->ch_layout, enc->ch_layout);
  if (convert &&
      (!ost.resampler || frame->format != ost.resamplerFormat || frame->sample_rate != ost.resamplerRate ||
       !SameLayout(frame->ch_layout, ost.resamplerLayout))) {
    if (Verbose(0) && ost.resampler)
      TFFLogger::DefaultLogger().LogFmt(this, llVerbose, "Input stream #%d.%d audio format changed",
                                        ist.fileIndex, ist.streamIndex);
    SwrContext* swr = nullptr;
    const int made =
        av::swr_alloc_set_opts2(&swr, &enc->ch_layout, enc->sample_fmt, enc->sample_rate, &frame->ch_layout,
                                AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
    ost.resampler.reset(swr);
    if (made < 0 || av::swr_init(swr) < 0)
      throw FFmpegException(TextFormat("Can not resample %d channels @ %d Hz to %d channels @ %d Hz",
                                       frame->ch_layout.nb_channels, frame->sample_rate,
                                       enc->ch_layout.nb_channels, enc->sample_rate));
    ost.resamplerFormat = frame->format;
    ost.resamplerRate = frame->sample_rate;
    av::av_channel_layout_uninit(&ost.resamplerLayout);
    av::av_channel_layout_copy(&ost.resamplerLayout, &frame->ch_layout);
  }

  // Timestamps: the FIFO's first sample is at syncOpts. The input's clock
  // only moves it forward, so a rounding step never makes the encoder's
  // timestamps go back.
  const double ipts = double(ist.pts - settings_.startTime) / AV_TIME_BASE;
  const int64_t queued =
      av::av_audio_fifo_size(fifo) +
      (convert && ost.resampler ? av::swr_get_delay(ost.resampler.get(), enc->sample_rate) : 0);
  const int64_t target = std::llround(ipts * enc->sample_rate) - queued;
  if (!ost.startSet || target > ost.syncOpts + 1) {
    ost.syncOpts = target;
    ost.startSet = true;
  }

  int written;
  if (convert) {
    const int capacity = av::swr_get_out_samples(ost.resampler.get(), frame->nb_samples);
    EnsureCapacity(ost.converted, enc, capacity);
    const int samples = av::swr_convert(ost.resampler.get(), ost.converted->data, ost.converted->nb_samples,
                                        const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    if (samples < 0)
      throw FFmpegException(TextFormat("Can not resample %d channels @ %d Hz to %d channels @ %d Hz",
                                       frame->ch_layout.nb_channels, frame->sample_rate,
                                       enc->ch_layout.nb_channels, enc->sample_rate));
    written =
        samples ? av::av_audio_fifo_write(fifo, reinterpret_cast<void**>(ost.converted->data), samples) : 0;
    if (written < samples) throw FFmpegException("av_fifo_realloc2() failed");
  } else {
    written =
        av::av_audio_fifo_write(fifo, reinterpret_cast<void**>(frame->extended_data), frame->nb_samples);
    if (written < frame->nb_samples) throw FFmpegException("av_fifo_realloc2() failed");
  }
  EncodeAudioFifo(ost, false);
}

void TCustomFFmpeg::EncodeAudioFifo(TOutputStream& ost, bool final) {
  AVCodecContext* enc = ost.encoder.get();
  AVAudioFifo* fifo = ost.fifo.get();
  const int frameSize = enc->frame_size;
  const int capabilities = enc->codec->capabilities;
  const bool smallLast = capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
  AVFrame* frame = ost.audioFrame.get();
  while (!stopRequested_ || final) {
    const int available = av::av_audio_fifo_size(fifo);
    if (available == 0) break;
    int take;
    if (frameSize > 1) {
      if (available < frameSize && !final) break;
      take = std::min(available, frameSize);
    } else {
      take = available;
    }
    const int samples = (take < frameSize && !smallLast) ? frameSize : take;
    av::av_frame_unref(frame);
    frame->format = enc->sample_fmt;
    frame->sample_rate = enc->sample_rate;
    frame->nb_samples = samples;
    if (av::av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout) < 0 ||
        av::av_frame_get_buffer(frame, 0) < 0)
      throw FFmpegException("Out of memory in do_audio_out");
    if (av::av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame->data), take) < take)
      throw FFmpegException("Audio encoding failed");
    if (samples > take)
      av::av_samples_set_silence(frame->extended_data, take, samples - take, enc->ch_layout.nb_channels,
                                 enc->sample_fmt);
    frame->pts = ost.syncOpts;
    EncodeAndWrite(ost, frame);
    ost.syncOpts += samples;
    ++ost.framesWritten;
  }
}

void TCustomFFmpeg::FlushAudio(TOutputStream& ost) {
  AVCodecContext* enc = ost.encoder.get();
  if (ost.resampler) {
    for (;;) {
      const int capacity = av::swr_get_out_samples(ost.resampler.get(), 0);
      if (capacity <= 0) break;
      EnsureCapacity(ost.converted, enc, capacity);
      const int samples =
          av::swr_convert(ost.resampler.get(), ost.converted->data, ost.converted->nb_samples, nullptr, 0);
      if (samples <= 0) break;
      if (av::av_audio_fifo_write(ost.fifo.get(), reinterpret_cast<void**>(ost.converted->data), samples) <
          samples)
        throw FFmpegException("av_fifo_realloc2() failed");
    }
  }
  EncodeAudioFifo(ost, true);
  EncodeAndWrite(ost, nullptr);
}

}  // namespace mediaconv::engine
