// Decoded pictures on their way to the output streams: kept in step with the
// output frame rate by duplicating or dropping, scaled to the encoder's size
// and pixel format, encoded.
#include <cmath>
#include <memory>

#include "engine/common/EngineFunctions.h"
#include "engine/log/FFLogger.h"
#include "engine/transcoder/CustomFFmpeg.h"
#include "engine/transcoder/TextFormat.h"

namespace mediaconv::engine {

namespace {

TFFLogger& Logger() { return TFFLogger::DefaultLogger(); }

constexpr int64_t kPreviewInterval = 100000;  // microseconds

}  // namespace

void TCustomFFmpeg::PushVideoFrame(TInputStream& ist, AVFrame* frame) {
  ++ist.video.frameCounter;
  if (settings_.deinterlace && !ist.video.deinterlaceFailed)
    DeinterlaceVideo(ist, frame);
  else
    PreprocessVideo(ist, frame);
}

void TCustomFFmpeg::DeinterlaceVideo(TInputStream& ist, AVFrame* frame) {
  if (frame && !ist.video.deinterlacer) {
    auto graph = std::make_unique<TFilterGraph>();
    TFilterGraphInput input;
    input.width = frame->width;
    input.height = frame->height;
    input.format = AVPixelFormat(frame->format);
    input.sampleAspect = frame->sample_aspect_ratio;
    input.timeBase = AV_TIME_BASE_Q;
    if (graph->Configure(input, "bwdif=mode=send_frame", 0, 0, AV_PIX_FMT_NONE, optionStore_.ScalerFlags()) <
        0) {
      Logger().Log(this, llError, "Deinterlacing failed.");
      ist.video.deinterlaceFailed = true;
      return PreprocessVideo(ist, frame);
    }
    ist.video.deinterlacer = std::move(graph);
    if (!ist.video.deinterlaced) ist.video.deinterlaced = MakeFrame();
    if (!ist.video.deinterlaced) throw FFmpegException("av_mallocz fail");
  }
  if (!ist.video.deinterlacer) return;
  if (frame) {
    const TFilterGraphInput& input = ist.video.deinterlacer->Input();
    if (frame->width != input.width || frame->height != input.height || frame->format != input.format) {
      // A new picture size: what the filter holds goes out first, then a new one starts.
      DeinterlaceVideo(ist, nullptr);
      return DeinterlaceVideo(ist, frame);
    }
    frame->pts = ist.pts;
  }
  if (ist.video.deinterlacer->Push(frame) < 0) {
    Logger().Log(this, llError, "Deinterlacing failed.");
    if (frame) PreprocessVideo(ist, frame);
    return;
  }
  const int64_t decodedPts = ist.pts;
  AVFrame* out = ist.video.deinterlaced.get();
  while (ist.video.deinterlacer->Pull(out) >= 0) {
    if (out->pts != AV_NOPTS_VALUE)
      ist.pts = av::av_rescale_q(out->pts, ist.video.deinterlacer->OutTimeBase(), AV_TIME_BASE_Q);
    PreprocessVideo(ist, out);
    av::av_frame_unref(out);
  }
  ist.pts = decodedPts;
  if (!frame) ist.video.deinterlacer.reset();  // a later picture (after a seek back) starts a new one
}

AVFrame* TCustomFFmpeg::CopyForHook(TFramePtr& target, const AVFrame* frame) {
  if (!target) target = MakeFrame();
  if (!target) return nullptr;
  // A fresh buffer each time: the encoder may still hold the previous one.
  av::av_frame_unref(target.get());
  target->format = frame->format;
  target->width = frame->width;
  target->height = frame->height;
  if (av::av_frame_get_buffer(target.get(), 0) < 0 || av::av_frame_copy(target.get(), frame) < 0 ||
      av::av_frame_copy_props(target.get(), frame) < 0)
    return nullptr;
  return target.get();
}

void TCustomFFmpeg::PreprocessVideo(TInputStream& ist, AVFrame* frame) {
  AVFrame* picture = frame;
  const bool inputHook = inputHookOn_ && Hooks.videoInput;
  if (inputHook || !frameHooks_.Empty()) {
    // The decoder keeps its pictures for reference: hooks work on a copy.
    if (AVFrame* copy = CopyForHook(ist.video.hookFrame, frame)) {
      picture = copy;
      if (inputHook)
        CallVideoHook(true, picture, ist.video.frameCounter, ist.pts);
      else
        frameHooks_.Process(picture->data, picture->linesize, picture->format, picture->width,
                            picture->height, ist.pts);
    } else {
      Logger().Log(this, llError, "hook buf malloc error.");
    }
  }
  OutputFrame(ist, picture);
}

void TCustomFFmpeg::CallVideoHook(bool input, AVFrame* frame, int frameNumber, int64_t pts) {
  bool& enabled = input ? inputHookOn_ : outputHookOn_;
  THookConverter& converter = input ? inputConverter_ : outputConverter_;
  const auto& hook = input ? Hooks.videoInput : Hooks.videoOutput;
  if (!converter.ToBitmap(frame)) {
    Logger().Log(this, llError, "Cannot initialize the toRGB conversion context");
    enabled = false;
    return;
  }
  TVideoHookValues values;
  values.bitmap = &converter.Bitmap();
  values.frameNumber = frameNumber;
  values.pts = pts;
  try {
    hook(*this, values);
  } catch (const std::exception& e) {
    Logger().Log(this, llError, std::string("Error occurs VideoHook event: ") + e.what());
    values.update = false;
  } catch (...) {
    Logger().Log(this, llError, "Error occurs VideoHook event: unknown exception");
    values.update = false;
  }
  // The bitmap stays the picture only when it was taken back.
  converter.holdsCurrent = values.update;
  if (values.update && !converter.FromBitmap(frame)) {
    Logger().Log(this, llError, "Cannot initialize the fromRGB conversion context");
    enabled = false;
    converter.holdsCurrent = false;
  }
  if (values.stopHook) enabled = false;
}

void TCustomFFmpeg::ServePreview(AVFrame* picture, int frameNumber, int64_t pts) {
  bool toBitmap, toWindow;
  const int64_t now = av::av_gettime_relative();
  {
    std::scoped_lock lock(PreviewLock());
    toBitmap = settings_.previewBitmap && Hooks.previewBitmap;
    toWindow = !toBitmap && settings_.preview;
    if (!toBitmap && !toWindow) return;
    if (lastPreviewTime_ && now - lastPreviewTime_ <= kPreviewInterval) return;
    lastPreviewTime_ = now;
  }
  // The callbacks run without the lock: the bitmap's handler waits for the
  // main thread, which may be setting the flags of another task meanwhile.
  if (!outputConverter_.holdsCurrent && !outputConverter_.ToBitmap(picture)) {
    Logger().Log(this, llError, "Cannot initialize the toRGB conversion context");
    std::scoped_lock lock(PreviewLock());
    (toBitmap ? settings_.previewBitmap : settings_.preview) = false;
    return;
  }
  if (toBitmap) {
    try {
      Hooks.previewBitmap(*this, outputConverter_.Bitmap(), frameNumber, pts);
    } catch (const std::exception& e) {
      Logger().Log(this, llError, std::string("Error occurs PreviewBitmap event: ") + e.what());
    }
    return;
  }
  if (!previewWindow_) previewWindow_ = CreatePreviewWindow();
  if (!previewWindow_ || !previewWindow_->Show(outputConverter_.Bitmap(), pts)) {
    previewWindow_.reset();
    std::scoped_lock lock(PreviewLock());
    settings_.preview = false;
  }
}

void TCustomFFmpeg::CheckFrameSize(TOutputStream& ost, TInputStream& ist, const AVFrame* frame) {
  if (frame->width != ost.video.setupWidth || frame->height != ost.video.setupHeight ||
      frame->format != ost.video.setupFormat) {
    // Logged once per change; the picture is scaled to the encoder's size
    // rather than ending the run.
    Logger().LogFmt(this, llQuiet, "Input Stream #%d.%d frame size changed to %dx%d, %s", ist.fileIndex,
                    ist.streamIndex, frame->width, frame->height,
                    av::av_get_pix_fmt_name(AVPixelFormat(frame->format)));
    ost.video.setupWidth = frame->width;
    ost.video.setupHeight = frame->height;
    ost.video.setupFormat = frame->format;
  }
}

namespace {

// The picture in the given size and format, through a cached scaler into a
// fresh picture (the encoder may still hold the previous one).
AVFrame* ScalePicture(TSwsContextPtr& scaler, TFramePtr& target, AVFrame* frame, int width, int height,
                      AVPixelFormat format, int flags) {
  if (frame->width == width && frame->height == height && frame->format == format) return frame;
  scaler.reset(av::sws_getCachedContext(scaler.release(), frame->width, frame->height,
                                        AVPixelFormat(frame->format), width, height, format, flags, nullptr,
                                        nullptr, nullptr));
  if (!scaler) throw FFmpegException("Cannot get resampling context");
  if (!target) target = MakeFrame();
  if (!target) throw FFmpegException("Cannot allocate temp picture, check pix fmt");
  av::av_frame_unref(target.get());
  target->format = format;
  target->width = width;
  target->height = height;
  if (av::av_frame_get_buffer(target.get(), 0) < 0)
    throw FFmpegException("Cannot allocate temp picture, check pix fmt");
  av::sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, target->data, target->linesize);
  av::av_frame_copy_props(target.get(), frame);
  return target.get();
}

}  // namespace

AVFrame* TCustomFFmpeg::ScaleVideo(TOutputStream& ost, AVFrame* frame) {
  AVCodecContext* enc = ost.encode.context.get();
  AVFrame* scaled = ScalePicture(ost.video.scaler, ost.video.scaled, frame, enc->width, enc->height,
                                 enc->pix_fmt, optionStore_.ScalerFlags());
  if (scaled != frame) scaled->sample_aspect_ratio = enc->sample_aspect_ratio;
  return scaled;
}

void TCustomFFmpeg::ConfigureFilters(TOutputStream& ost, TInputStream& ist) {
  AVCodecContext* enc = ost.encode.context.get();
  const AVCodecParameters* par = ist.st->codecpar;
  TFilterGraphInput input;
  input.width = par->width;
  input.height = par->height;
  input.format = AVPixelFormat(par->format);
  input.sampleAspect = par->sample_aspect_ratio;
  input.timeBase = AV_TIME_BASE_Q;
  auto graph = std::make_unique<TFilterGraph>();
  if (graph->Configure(input, settings_.videoFilters, enc->width, enc->height, enc->pix_fmt,
                       optionStore_.ScalerFlags()) < 0)
    throw FFmpegException("Error opening filters!");
  enc->width = graph->OutWidth();
  enc->height = graph->OutHeight();
  ost.video.filter = std::move(graph);
  ost.video.filtered = MakeFrame();
  if (!ost.video.filtered) throw FFmpegException("av_mallocz fail");
}

void TCustomFFmpeg::FilterVideo(TStreamBinding& binding, TInputStream& ist, AVFrame* frame) {
  TOutputStream& ost = binding.stream;
  TFilterGraph& graph = *ost.video.filter;
  if (frame) {
    const TFilterGraphInput& input = graph.Input();
    AVFrame* in = ScalePicture(ost.video.filterScaler, ost.video.filterInput, frame, input.width,
                               input.height, input.format, optionStore_.ScalerFlags());
    const int64_t pts = in->pts;
    in->pts = ist.pts;
    const int pushed = graph.Push(in);
    in->pts = pts;
    if (pushed < 0) throw FFmpegException(ErrorText("Error while filtering", pushed));
  } else if (graph.Push(nullptr) < 0) {
    return;
  }
  const int64_t decodedPts = ist.pts;
  AVFrame* out = ost.video.filtered.get();
  while (graph.Pull(out) >= 0) {
    if (out->pts != AV_NOPTS_VALUE) ist.pts = av::av_rescale_q(out->pts, graph.OutTimeBase(), AV_TIME_BASE_Q);
    try {
      EncodeVideo(binding, ist, out);
    } catch (...) {
      av::av_frame_unref(out);
      ist.pts = decodedPts;
      throw;
    }
    av::av_frame_unref(out);
  }
  ist.pts = decodedPts;
}

void TCustomFFmpeg::FlushVideo(TOutputStream& ost) {
  TStreamBinding& binding = ost.Binding();
  if (ost.video.filter && binding.sourceIndex >= 0)
    FilterVideo(binding, *inputStreams_[binding.sourceIndex], nullptr);
  EncodeAndWrite(ost, nullptr);
}

void TCustomFFmpeg::DoVideoOut(TStreamBinding& binding, TInputStream& ist, AVFrame* frame) {
  TOutputStream& ost = binding.stream;
  CheckFrameSize(ost, ist, frame);
  if (ost.video.filter)
    FilterVideo(binding, ist, frame);
  else
    EncodeVideo(binding, ist, frame);
}

void TCustomFFmpeg::EncodeVideo(TStreamBinding& binding, TInputStream& ist, AVFrame* frame) {
  TOutputStream& ost = binding.stream;
  AVCodecContext* enc = ost.encode.context.get();
  const TInputStream& sync = *inputStreams_[binding.syncIndex];
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
      ++runStatistics_.framesDropped;
      runStatistics_.dupDropSeen = true;
      if (Verbose(2)) Logger().Log(this, llVerbose, "*** drop!");
    } else if (frames > 1) {
      runStatistics_.framesDuplicated += int(frames - 1);
      runStatistics_.dupDropSeen = true;
      if (Verbose(2)) Logger().LogFmt(this, llVerbose, "*** %d dup!", int(frames - 1));
    }
  } else {
    ost.syncOpts = std::llround(syncPts);
  }
  frames = std::min<int64_t>(frames, int64_t(settings_.maxFrames[fkVideo]) - ost.framesWritten);
  if (frames <= 0) return;

  AVFrame* picture = ScaleVideo(ost, frame);
  const bool previewOn = [this] {
    std::scoped_lock lock(PreviewLock());
    return settings_.preview || settings_.previewBitmap;
  }();
  for (int64_t i = 0; i < frames && !stopRequested_; ++i) {
    picture->pts = ost.syncOpts;
    picture->pict_type = AV_PICTURE_TYPE_NONE;
    if (ost.encode.nextForcedKeyFrame < ost.encode.forcedKeyFrames.size() &&
        ost.syncOpts >= ost.encode.forcedKeyFrames[ost.encode.nextForcedKeyFrame]) {
      picture->pict_type = AV_PICTURE_TYPE_I;
      ++ost.encode.nextForcedKeyFrame;
    }
    if (enc->flags & (AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME))
      picture->top_field_first =
          settings_.topFieldFirst == -1 ? frame->top_field_first : settings_.topFieldFirst;
    picture->quality = settings_.sameQuality ? int(ist.decode.quality) : enc->global_quality;
    AVFrame* encoded = picture;
    const int frameNumber = ost.framesWritten + 1;
    const int64_t pts = av::av_rescale_q(ost.syncOpts, enc->time_base, AV_TIME_BASE_Q);
    outputConverter_.holdsCurrent = false;
    if (outputHookOn_ && Hooks.videoOutput) {
      if (AVFrame* copy = CopyForHook(ost.video.hookFrame, picture)) {
        encoded = copy;
        CallVideoHook(false, encoded, frameNumber, pts);
      } else {
        Logger().Log(this, llError, "hook buf malloc error.");
      }
    }
    if (previewOn) ServePreview(encoded, frameNumber, pts);
    EncodeAndWrite(ost, encoded);
    ++ost.syncOpts;
    ++ost.framesWritten;
  }
}

void TCustomFFmpeg::ResetFrameConversion() {
  inputConverter_.SetDepth(settings_.hookBitsPerPixel);
  outputConverter_.SetDepth(settings_.hookBitsPerPixel);
  inputConverter_.Bitmap() = TBitmap{};
  outputConverter_.Bitmap() = TBitmap{};
  audioHookBuffer_.clear();
  audioHookBuffer_.shrink_to_fit();
  frameHooks_.Release();
  previewWindow_.reset();
  runStatistics_.vstatsFile.reset();
}

}  // namespace mediaconv::engine
