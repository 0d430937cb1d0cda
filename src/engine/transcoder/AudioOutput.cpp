// Decoded audio on its way to one output stream: resampled to the encoder's
// rate, layout and sample format, kept in step with its timestamps, cut into
// encoder frames through a FIFO.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

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

void TCustomFFmpeg::PushAudioFrame(TInputStream& ist, AVFrame* frame) {
  const bool hook = bool(Hooks.audio);
  if ((hook || settings_.audioVolume != 256) && av::av_frame_make_writable(frame) < 0)
    throw FFmpegException("Out of memory in do_audio_out");
  if (hook) CallAudioHook(ist, frame);
  if (settings_.audioVolume != 256) ApplyVolume(frame);
  OutputFrame(ist, frame);
}

void TCustomFFmpeg::CallAudioHook(TInputStream& ist, AVFrame* frame) {
  const AVSampleFormat format = AVSampleFormat(frame->format);
  const int channels = frame->ch_layout.nb_channels;
  const int sampleBytes = av::av_get_bytes_per_sample(format);
  const int size = frame->nb_samples * channels * sampleBytes;
  if (size <= 0) return;
  const bool planar = av::av_sample_fmt_is_planar(format) && channels > 1;
  uint8_t* samples = frame->data[0];
  // The hook sees one interleaved buffer; planes are interleaved for it and
  // taken apart again afterwards.
  if (planar) {
    audioHookBuffer_.resize(size_t(size));
    for (int c = 0; c < channels; ++c)
      for (int i = 0; i < frame->nb_samples; ++i)
        std::memcpy(&audioHookBuffer_[(size_t(i) * channels + c) * sampleBytes],
                    frame->extended_data[c] + size_t(i) * sampleBytes, sampleBytes);
    samples = audioHookBuffer_.data();
  }
  try {
    Hooks.audio(*this, ist.pts, samples, size, frame->sample_rate, channels,
                planar ? av::av_get_packed_sample_fmt(format) : format);
  } catch (const std::exception& e) {
    TFFLogger::DefaultLogger().Log(this, llError, std::string("Error occurs AudioHook event: ") + e.what());
  }
  if (planar)
    for (int c = 0; c < channels; ++c)
      for (int i = 0; i < frame->nb_samples; ++i)
        std::memcpy(frame->extended_data[c] + size_t(i) * sampleBytes,
                    &audioHookBuffer_[(size_t(i) * channels + c) * sampleBytes], sampleBytes);
}

namespace {

// s x volume / 256, rounded, clipped to the format's range.
template <typename T>
void ScaleIntegers(uint8_t* data, int count, int volume, int64_t bias = 0) {
  T* samples = reinterpret_cast<T*>(data);
  constexpr double kMin = double(std::numeric_limits<T>::min()), kMax = double(std::numeric_limits<T>::max());
  for (int i = 0; i < count; ++i) {
    if constexpr (sizeof(T) <= 4) {
      const int64_t s = int64_t(samples[i]) - bias;
      const int64_t scaled = (s * volume + 128) >> 8;
      samples[i] = T(std::clamp<int64_t>(scaled + bias, int64_t(kMin), int64_t(kMax)));
    } else {
      const __int128 scaled = (__int128(samples[i]) * volume + 128) >> 8;
      samples[i] =
          T(std::clamp<__int128>(scaled, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
    }
  }
}

template <typename T>
void ScaleFloats(uint8_t* data, int count, int volume) {
  T* samples = reinterpret_cast<T*>(data);
  const T factor = T(volume) / T(256);
  for (int i = 0; i < count; ++i) samples[i] = std::clamp(samples[i] * factor, T(-1), T(1));
}

}  // namespace

void TCustomFFmpeg::ApplyVolume(AVFrame* frame) {
  const AVSampleFormat format = AVSampleFormat(frame->format);
  const int channels = frame->ch_layout.nb_channels;
  const bool planar = av::av_sample_fmt_is_planar(format);
  const int planes = planar ? channels : 1;
  const int count = planar ? frame->nb_samples : frame->nb_samples * channels;
  const int volume = settings_.audioVolume;
  for (int p = 0; p < planes; ++p) {
    uint8_t* data = frame->extended_data[p];
    switch (av::av_get_packed_sample_fmt(format)) {
      case AV_SAMPLE_FMT_U8:
        ScaleIntegers<uint8_t>(data, count, volume, 128);
        break;
      case AV_SAMPLE_FMT_S16:
        ScaleIntegers<int16_t>(data, count, volume);
        break;
      case AV_SAMPLE_FMT_S32:
        ScaleIntegers<int32_t>(data, count, volume);
        break;
      case AV_SAMPLE_FMT_S64:
        ScaleIntegers<int64_t>(data, count, volume);
        break;
      case AV_SAMPLE_FMT_FLT:
        ScaleFloats<float>(data, count, volume);
        break;
      case AV_SAMPLE_FMT_DBL:
        ScaleFloats<double>(data, count, volume);
        break;
      default:
        break;
    }
  }
}

void TCustomFFmpeg::DoAudioOut(TStreamBinding& binding, TInputStream& ist, AVFrame* frame) {
  TOutputStream& ost = binding.stream;
  AVCodecContext* enc = ost.encode.context.get();
  const int method = settings_.audioSyncMethod;
  const int64_t queued =
      av::av_audio_fifo_size(ost.audio.fifo.get()) +
      (ost.audio.resampler ? av::swr_get_delay(ost.audio.resampler.get(), enc->sample_rate) : 0);
  const TInputStream& sync = *inputStreams_[binding.syncIndex];
  const double ipts = double(sync.pts - settings_.startTime) / AV_TIME_BASE;

  uint8_t* data[AV_NUM_DATA_POINTERS] = {};
  const int planes =
      av::av_sample_fmt_is_planar(AVSampleFormat(frame->format)) ? frame->ch_layout.nb_channels : 1;
  if (planes > AV_NUM_DATA_POINTERS) throw FFmpegException("Audio encoding failed");
  for (int p = 0; p < planes; ++p) data[p] = frame->extended_data[p];
  int samples = frame->nb_samples;

  if (method == 0) {
    // The FIFO's first sample is at syncOpts. The input's clock only moves
    // it forward, so a rounding step never makes the encoder's timestamps go back.
    const int64_t target = std::llround(ipts * enc->sample_rate) - queued;
    if (!ost.audio.startSet || target > ost.syncOpts + 1) {
      ost.syncOpts = target;
      ost.audio.startSet = true;
    }
  } else {
    ost.audio.startSet = true;  // the output starts at 0; the gap to the input's clock is filled or cut
    const double delta = ipts * enc->sample_rate - double(ost.syncOpts) - double(queued);
    const double idelta = delta * frame->sample_rate / enc->sample_rate;
    const int64_t inDelta = int64_t(idelta);
    if (std::fabs(delta) > 50) {
      if (ist.isStart || std::fabs(delta) > settings_.audioDriftThreshold * enc->sample_rate) {
        if (inDelta < 0) {
          const int dropped = int(std::min<int64_t>(-inDelta, samples));
          const int sampleBytes = av::av_get_bytes_per_sample(AVSampleFormat(frame->format));
          const int step = planes > 1 ? sampleBytes : sampleBytes * frame->ch_layout.nb_channels;
          for (int p = 0; p < planes; ++p) data[p] += size_t(dropped) * step;
          samples -= dropped;
          if (Verbose(2))
            TFFLogger::DefaultLogger().LogFmt(this, llVerbose, "discarding %d audio samples", int(-delta));
          ist.isStart = false;
          if (samples == 0) return;
        } else if (inDelta > 0) {
          TFramePtr silence = MakeFrame();
          if (!silence) throw FFmpegException("Out of memory in do_audio_out");
          silence->format = frame->format;
          silence->sample_rate = frame->sample_rate;
          silence->nb_samples = int(std::min<int64_t>(inDelta, INT_MAX / 64));
          if (av::av_channel_layout_copy(&silence->ch_layout, &frame->ch_layout) < 0 ||
              av::av_frame_get_buffer(silence.get(), 0) < 0)
            throw FFmpegException("Out of memory in do_audio_out");
          av::av_samples_set_silence(silence->extended_data, 0, silence->nb_samples,
                                     silence->ch_layout.nb_channels, AVSampleFormat(silence->format));
          QueueSamples(ost, silence.get(), silence->extended_data, silence->nb_samples);
          if (Verbose(2))
            TFFLogger::DefaultLogger().LogFmt(this, llVerbose, "adding %d audio samples of silence",
                                              int(delta));
          ist.isStart = false;
        }
      } else if (method > 1) {
        const int compensation = std::clamp(int(delta), -method, method);
        if (Verbose(2))
          TFFLogger::DefaultLogger().LogFmt(this, llVerbose,
                                            "compensating audio timestamp drift:%f compensation:%d in:%d",
                                            delta, compensation, enc->sample_rate);
        if (!ost.audio.resampler) QueueSamples(ost, frame, data, 0);  // makes the resampler
        if (ost.audio.resampler)
          av::swr_set_compensation(ost.audio.resampler.get(), compensation, enc->sample_rate);
      }
    }
  }
  QueueSamples(ost, frame, data, samples);
  EncodeAudioFifo(ost, false);
}

void TCustomFFmpeg::QueueSamples(TOutputStream& ost, const AVFrame* frame, uint8_t* const* data,
                                 int samples) {
  AVCodecContext* enc = ost.encode.context.get();
  AVAudioFifo* fifo = ost.audio.fifo.get();
  // Drift compensation needs a resampler even between equal formats.
  const bool convert = frame->format != enc->sample_fmt || frame->sample_rate != enc->sample_rate ||
                       !SameLayout(frame->ch_layout, enc->ch_layout) || settings_.audioSyncMethod > 1;
  if (convert && (!ost.audio.resampler || frame->format != ost.audio.resamplerFormat ||
                  frame->sample_rate != ost.audio.resamplerRate ||
                  !SameLayout(frame->ch_layout, ost.audio.resamplerLayout))) {
    if (Verbose(0) && ost.audio.resampler)
      TFFLogger::DefaultLogger().LogFmt(this, llVerbose, "Input stream audio format changed");
    SwrContext* swr = nullptr;
    const int made = av::swr_alloc_set_opts2(&swr, &enc->ch_layout, enc->sample_fmt, enc->sample_rate,
                                             const_cast<AVChannelLayout*>(&frame->ch_layout),
                                             AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
    ost.audio.resampler.reset(swr);
    if (made < 0 || av::swr_init(swr) < 0)
      throw FFmpegException(TextFormat("Can not resample %d channels @ %d Hz to %d channels @ %d Hz",
                                       frame->ch_layout.nb_channels, frame->sample_rate,
                                       enc->ch_layout.nb_channels, enc->sample_rate));
    ost.audio.resamplerFormat = frame->format;
    ost.audio.resamplerRate = frame->sample_rate;
    av::av_channel_layout_uninit(&ost.audio.resamplerLayout);
    av::av_channel_layout_copy(&ost.audio.resamplerLayout, &frame->ch_layout);
  }
  if (samples <= 0) return;
  if (convert) {
    const int capacity = av::swr_get_out_samples(ost.audio.resampler.get(), samples);
    EnsureCapacity(ost.audio.converted, enc, capacity);
    const int out =
        av::swr_convert(ost.audio.resampler.get(), ost.audio.converted->data, ost.audio.converted->nb_samples,
                        const_cast<const uint8_t**>(data), samples);
    if (out < 0)
      throw FFmpegException(TextFormat("Can not resample %d channels @ %d Hz to %d channels @ %d Hz",
                                       frame->ch_layout.nb_channels, frame->sample_rate,
                                       enc->ch_layout.nb_channels, enc->sample_rate));
    if (out && av::av_audio_fifo_write(fifo, reinterpret_cast<void**>(ost.audio.converted->data), out) < out)
      throw FFmpegException("av_fifo_realloc2() failed");
  } else if (av::av_audio_fifo_write(fifo, reinterpret_cast<void**>(const_cast<uint8_t**>(data)), samples) <
             samples) {
    throw FFmpegException("av_fifo_realloc2() failed");
  }
}

void TCustomFFmpeg::EncodeAudioFifo(TOutputStream& ost, bool final) {
  AVCodecContext* enc = ost.encode.context.get();
  AVAudioFifo* fifo = ost.audio.fifo.get();
  const int frameSize = enc->frame_size;
  const int capabilities = enc->codec->capabilities;
  const bool smallLast = capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
  AVFrame* frame = ost.audio.frame.get();
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
  AVCodecContext* enc = ost.encode.context.get();
  if (ost.audio.resampler) {
    for (;;) {
      const int capacity = av::swr_get_out_samples(ost.audio.resampler.get(), 0);
      if (capacity <= 0) break;
      EnsureCapacity(ost.audio.converted, enc, capacity);
      const int samples = av::swr_convert(ost.audio.resampler.get(), ost.audio.converted->data,
                                          ost.audio.converted->nb_samples, nullptr, 0);
      if (samples <= 0) break;
      if (av::av_audio_fifo_write(ost.audio.fifo.get(), reinterpret_cast<void**>(ost.audio.converted->data),
                                  samples) < samples)
        throw FFmpegException("av_fifo_realloc2() failed");
    }
  }
  EncodeAudioFifo(ost, true);
  EncodeAndWrite(ost, nullptr);
}

}  // namespace mediaconv::engine
