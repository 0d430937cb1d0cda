#include "engine/prober/FFDecoder.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <mutex>

#include "engine/common/CodecLock.h"
#include "engine/loader/Av.h"
#include "engine/prober/DecoderHelpers.h"

namespace mediaconv::engine {

static_assert(TFFDecoder::kSeekBackward == AVSEEK_FLAG_BACKWARD &&
              TFFDecoder::kSeekByte == AVSEEK_FLAG_BYTE && TFFDecoder::kSeekAny == AVSEEK_FLAG_ANY &&
              TFFDecoder::kSeekFrame == AVSEEK_FLAG_FRAME);
static_assert(TFFDecoder::kNoTime == AV_NOPTS_VALUE);

TFFDecoder::TFFDecoder() = default;

TFFDecoder::~TFFDecoder() { CloseFile(); }

void TFFDecoder::Analyse() {
  TCustomDecoder::Analyse();
  currentStream_ = FirstVideoStream() >= 0 ? FirstVideoStream() : FirstAudioStream();
  startOffset_ = 0;
  const AVFormatContext* context = Context();
  if (!context) return;
  const int64_t start =
      currentStream_ >= 0 ? context->streams[currentStream_]->start_time : context->start_time;
  startOffset_ = start == AV_NOPTS_VALUE ? 0 : start;
}

void TFFDecoder::ReleaseFileState() {
  ClearPicture();
  CloseVideoDecoder();
  decodeStream_ = -1;
  endOfStream_ = false;
  draining_ = false;
  picture_.reset();
  decoded_.reset();
  packet_.reset();
}

void TFFDecoder::ClearPicture() {
  if (picture_) av::av_frame_unref(picture_.get());
  pictureReady_ = false;
  frameTime_ = kNoTime;
  keyFrame_ = false;
  pictureType_ = 0;
  picturePosition_ = -1;
  lastPacketPts_ = kNoTime;
}

void TFFDecoder::CloseVideoDecoder() {
  if (videoDecoder_) {
    std::scoped_lock lock(CodecLock());
    videoDecoder_.reset();
  }
  decoderStream_ = -1;
  draining_ = false;
}

bool TFFDecoder::IsStillImage() const {
  return Context() && Context()->iformat && IsStillImageFormat(Context()->iformat->name);
}

int64_t TFFDecoder::BytePosition() const {
  AVIOContext* pb = Context() ? Context()->pb : nullptr;
  return pb ? av::avio_seek(pb, 0, SEEK_CUR) : -1;
}

bool TFFDecoder::CheckOwnedFile(bool throwOnAttached) {
  if (!Context()) {
    RecordError(llWarning, "file not loaded.");
    return false;
  }
  if (!OwnsContext()) {
    static constexpr const char* kReadOnly = "file cannot be seeked, handle is readonly.";
    RecordError(llWarning, kReadOnly);
    if (throwOnAttached) throw EDecoderError(kReadOnly);
    return false;
  }
  return true;
}

bool TFFDecoder::Seek(int flags, int64_t position) {
  if (!CheckOwnedFile(true)) return false;
  if (IsStillImage()) {
    RecordError(llInfo, "\"image2\" format cannot to be seeked.");
    return false;
  }
  AVFormatContext* context = Context();
  if (context->pb) Log(llDebug, FormatText("current position %" PRId64 " bytes", BytePosition()));

  const bool byBytes = (flags & kSeekByte) != 0;
  int64_t target = std::max<int64_t>(position, 0);
  if (!byBytes) {
    if (currentStream_ >= 0) {
      AVStream* stream = context->streams[currentStream_];
      RepairTimeBase(stream);
      target = av::av_rescale_q(target, AVRational{1, AV_TIME_BASE}, stream->time_base);
    }
    if (startOffset_ > 0) target += startOffset_;
  }

  if (videoDecoder_) av::avcodec_flush_buffers(videoDecoder_.get());
  draining_ = false;
  endOfStream_ = false;
  ClearPicture();

  int result = 0;
  if (position > 0) {
    result = av::av_seek_frame(context, currentStream_, target, flags);
    // No key frame after the target (short clips, sparse key frames): take
    // the one before it rather than fail and leave the input at its end.
    if (result < 0 && !(flags & (kSeekBackward | kSeekByte)))
      result = av::av_seek_frame(context, currentStream_, target, flags | kSeekBackward);
  } else {
    // Time 0 lies at or before every picture, also in streams that start late
    // and whose decode times precede their presentation times.
    result = av::av_seek_frame(context, currentStream_, 0, flags | kSeekBackward);
    if (result < 0) result = av::av_seek_frame(context, currentStream_, target, flags & ~kSeekBackward);
    // A stream without an index (raw elementary streams) cannot seek by
    // time, but its start is still byte 0.
    if (result < 0 && !byBytes) result = av::av_seek_frame(context, -1, 0, kSeekByte | kSeekBackward);
  }
  if (result < 0) {
    if (byBytes)
      RecordErrorFmt(llError, "could not seek to position %" PRId64 " bytes", position);
    else
      RecordErrorFmt(llError, "could not seek to position %0.3f seconds",
                     static_cast<double>(position) / 1000000.0);
  }
  if (!context->pb) return result >= 0;
  Log(llDebug, FormatText("seek to position %" PRId64 " bytes", BytePosition()));
  if (av::avio_feof(context->pb)) {
    if (result >= 0) RecordError(llInfo, "stream eof reached.");
    endOfStream_ = true;
    return false;
  }
  return result >= 0;
}

bool TFFDecoder::OpenVideoDecoder(int index) {
  CloseVideoDecoder();
  AVStream* stream = Context()->streams[index];
  const AVCodecParameters* parameters = stream->codecpar;
  if (parameters->width == 0 || parameters->height == 0) {
    RecordError(llError, "frame size of codec is invalid.");
    return false;
  }
  const AVCodec* codec = av::avcodec_find_decoder(parameters->codec_id);
  if (!codec) {
    RecordErrorFmt(llError, "Unsupported codec (id=%d) for input file stream #%d", parameters->codec_id,
                   index);
    return false;
  }
  TCodecContextPtr decoder = MakeCodecContext(codec);
  bool opened = decoder && av::avcodec_parameters_to_context(decoder.get(), parameters) >= 0;
  if (opened) {
    RepairTimeBase(stream);
    decoder->pkt_timebase = stream->time_base;
    std::scoped_lock lock(CodecLock());
    opened = av::avcodec_open2(decoder.get(), codec, nullptr) >= 0;
    // A context that failed to open is freed under the lock as well.
    if (!opened) decoder.reset();
  }
  if (!opened) {
    RecordErrorFmt(llError, "Error while opening codec for input file stream #%d", index);
    return false;
  }
  videoDecoder_ = std::move(decoder);
  decoderStream_ = index;
  return true;
}

void TFFDecoder::KeepPicture(AVStream* stream) {
  AVFrame* frame = decoded_.get();
  Log(llDebug, FormatText("pkt.st_idx=%d, dts=%" PRId64 ", pts=%" PRId64 ", flags=%d, pict_type=%d",
                          stream->index, frame->pkt_dts, frame->pts, frame->flags, frame->pict_type));
#ifdef AV_FRAME_FLAG_KEY
  keyFrame_ = (frame->flags & AV_FRAME_FLAG_KEY) != 0;
#else
  keyFrame_ = frame->key_frame != 0;
#endif
  pictureType_ = frame->pict_type >= 0 && frame->pict_type <= 7 ? static_cast<uint8_t>(frame->pict_type) : 0;

  int64_t time = frame->pkt_dts;
  if (time == AV_NOPTS_VALUE) time = frame->pts;
  if (time == AV_NOPTS_VALUE) time = lastPacketPts_;
  frameTime_ = kNoTime;
  if (time != AV_NOPTS_VALUE) {
    if (stream->start_time != AV_NOPTS_VALUE) time -= stream->start_time;
    RepairTimeBase(stream);
    frameTime_ = av::av_rescale_q(time, stream->time_base, AVRational{1, AV_TIME_BASE});
    Log(llDebug, FormatText("decode PTS: %0.3f", static_cast<double>(frameTime_) / 1000000.0));
  }

  av::av_frame_unref(picture_.get());
  av::av_frame_move_ref(picture_.get(), frame);
  pictureReady_ = true;
}

bool TFFDecoder::DecodeNextFrame(int index) {
  if (!CheckOwnedFile(false)) return false;
  if (index == -1) index = decodeStream_ >= 0 ? decodeStream_ : FirstVideoStream();
  AVStream* stream = CheckedStream(index, AVMEDIA_TYPE_VIDEO);
  if (!stream) return false;
  if (index != decodeStream_) {
    ClearPicture();
    decodeStream_ = index;
  }
  if (pictureReady_ && IsStillImage()) return true;
  if (endOfStream_) {
    RecordError(llInfo, "stream eof reached.");
    return false;
  }
  if (decoderStream_ != index && !OpenVideoDecoder(index)) return false;
  if (!picture_) picture_ = MakeFrame();
  if (!decoded_) decoded_ = MakeFrame();
  if (!packet_) packet_ = MakePacket();
  if (!picture_ || !decoded_ || !packet_) {
    RecordError(llError, "Not enough memory");
    return false;
  }

  AVFormatContext* context = Context();
  AVCodecContext* decoder = videoDecoder_.get();
  picturePosition_ = BytePosition();
  for (;;) {
    // Pictures the decoder still holds come first; at the end of the input
    // the decoder is drained so the last pictures are not lost.
    int result = av::avcodec_receive_frame(decoder, decoded_.get());
    if (result >= 0) {
      KeepPicture(stream);
      return true;
    }
    if (result == AVERROR_EOF || draining_) {
      RecordError(llInfo, "stream eof reached.");
      endOfStream_ = true;
      return false;
    }
    result = av::av_read_frame(context, packet_.get());
    if (result < 0) {
      if (result == AVERROR(EAGAIN)) {
        RecordError(llInfo, "no data, please try again.");
        return false;
      }
      if (result != AVERROR_EOF && !(context->pb && av::avio_feof(context->pb))) {
        RecordErrorFmt(llInfo, "unknown error #%d.", result);
        return false;
      }
      draining_ = true;
      av::avcodec_send_packet(decoder, nullptr);
      continue;
    }
    if (packet_->stream_index == index) {
      lastPacketPts_ = packet_->pts;
      // A damaged packet is skipped, as the next one may decode.
      av::avcodec_send_packet(decoder, packet_.get());
    }
    av::av_packet_unref(packet_.get());
  }
}

bool TFFDecoder::CopyFrameToBitmap(TBitmap& bitmap) {
  if (!pictureReady_) {
    RecordError(llError, "picture not ready, please decode first");
    return false;
  }
  if (FrameToBitmap(picture_.get(), 24, bitmap)) return true;
  bitmap.Width = picture_->width;
  bitmap.Height = picture_->height;
  bitmap.BitsPerPixel = 24;
  bitmap.Stride = (std::max(picture_->width, 0) * 3 + 3) & ~3;
  bitmap.Bits.assign(static_cast<size_t>(bitmap.Stride) * static_cast<size_t>(std::max(picture_->height, 0)),
                     0);
  RecordError(llError, "Cannot initialize the toRGB conversion context");
  return false;
}

}  // namespace mediaconv::engine
