// Decoded pictures on their way to the output streams: kept in step with the
// output frame rate by duplicating or dropping, scaled to the encoder's size
// and pixel format, encoded.
#include <cmath>

#include "engine/log/FFLogger.h"
#include "engine/transcoder/CustomFFmpeg.h"
#include "engine/transcoder/TextFormat.h"

namespace mediaconv::engine {

void TCustomFFmpeg::PushVideoFrame(TInputStream& ist, AVFrame* frame) {
  ++ist.frameCounter;
  OutputFrame(ist, frame);
}

AVFrame* TCustomFFmpeg::ScaleVideo(TOutputStream& ost, TInputStream& ist, AVFrame* frame) {
  AVCodecContext* enc = ost.encoder.get();
  if (frame->width != ost.setupWidth || frame->height != ost.setupHeight ||
      frame->format != ost.setupFormat) {
    // Logged once per change; the scaler follows the new size rather than
    // ending the run.
    TFFLogger::DefaultLogger().LogFmt(this, llQuiet, "Input Stream #%d.%d frame size changed to %dx%d, %s",
                                      ist.fileIndex, ist.streamIndex, frame->width, frame->height,
                                      av::av_get_pix_fmt_name(AVPixelFormat(frame->format)));
    ost.setupWidth = frame->width;
    ost.setupHeight = frame->height;
    ost.setupFormat = frame->format;
  }
  if (frame->width == enc->width && frame->height == enc->height && frame->format == enc->pix_fmt)
    return frame;

  SwsContext* scaler = av::sws_getCachedContext(
      ost.scaler.release(), frame->width, frame->height, AVPixelFormat(frame->format), enc->width,
      enc->height, enc->pix_fmt, optionStore_.ScalerFlags(), nullptr, nullptr, nullptr);
  ost.scaler.reset(scaler);
  if (!scaler) throw FFmpegException("Cannot get resampling context");
  // A fresh picture each time: the encoder may still hold the previous one,
  // and copying it to make it writable would be wasted work.
  if (!ost.scaled) ost.scaled = MakeFrame();
  if (!ost.scaled) throw FFmpegException("Cannot allocate temp picture, check pix fmt");
  av::av_frame_unref(ost.scaled.get());
  ost.scaled->format = enc->pix_fmt;
  ost.scaled->width = enc->width;
  ost.scaled->height = enc->height;
  if (av::av_frame_get_buffer(ost.scaled.get(), 0) < 0)
    throw FFmpegException("Cannot allocate temp picture, check pix fmt");
  av::sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, ost.scaled->data,
                ost.scaled->linesize);
  ost.scaled->sample_aspect_ratio = enc->sample_aspect_ratio;
  ost.scaled->interlaced_frame = frame->interlaced_frame;
  ost.scaled->top_field_first = frame->top_field_first;
  return ost.scaled.get();
}

void TCustomFFmpeg::DoVideoOut(TOutputStream& ostRecord, TInputStream& ist, AVFrame* frame) {
  TOutputStream& ost = Owner(ostRecord);
  AVCodecContext* enc = ost.encoder.get();
  const TInputStream& sync = *inputStreams_[ostRecord.syncIndex];
  const double syncPts = double(sync.pts - settings_.startTime) / AV_TIME_BASE / av_q2d(enc->time_base);
  int64_t frames = 1;
  const int method = settings_.videoSyncMethod;
  if (method != 0) {
    const double vdelta = syncPts - double(ost.syncOpts);
    const bool variableRate =
        method == 2 ||
        (method < 0 && (outputs_[ost.fileIndex]->context->oformat->flags & AVFMT_VARIABLE_FPS));
    if (vdelta < -1.1) {
      frames = 0;
    } else if (variableRate) {
      if (vdelta <= -0.6)
        frames = 0;
      else if (vdelta > 0.6)
        ost.syncOpts = std::llround(syncPts);
    } else if (vdelta > 1.1) {
      frames = std::llround(vdelta);
    }
    if (frames == 0) {
      ++framesDropped_;
      dupDropSeen_ = true;
      if (Verbose(2)) TFFLogger::DefaultLogger().Log(this, llVerbose, "*** drop!");
    } else if (frames > 1) {
      framesDuplicated_ += int(frames - 1);
      dupDropSeen_ = true;
      if (Verbose(2)) TFFLogger::DefaultLogger().LogFmt(this, llVerbose, "*** %d dup!", int(frames - 1));
    }
  } else {
    ost.syncOpts = std::llround(syncPts);
  }
  frames = std::min<int64_t>(frames, int64_t(settings_.maxFrames[fkVideo]) - ost.framesWritten);
  if (frames <= 0) return;

  AVFrame* picture = ScaleVideo(ost, ist, frame);
  for (int64_t i = 0; i < frames && !stopRequested_; ++i) {
    picture->pts = ost.syncOpts;
    picture->pict_type = AV_PICTURE_TYPE_NONE;
    if (ost.nextForcedKeyFrame < ost.forcedKeyFrames.size() &&
        ost.syncOpts >= ost.forcedKeyFrames[ost.nextForcedKeyFrame]) {
      picture->pict_type = AV_PICTURE_TYPE_I;
      ++ost.nextForcedKeyFrame;
    }
    if (enc->flags & (AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME))
      picture->top_field_first =
          settings_.topFieldFirst == -1 ? frame->top_field_first : settings_.topFieldFirst;
    picture->quality = settings_.sameQuality ? int(ist.quality) : enc->global_quality;
    EncodeAndWrite(ost, picture);
    ++ost.syncOpts;
    ++ost.framesWritten;
  }
}

}  // namespace mediaconv::engine
