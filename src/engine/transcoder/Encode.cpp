// The encode stage: encoders opened at run start, frames and subtitles
// encoded, what comes out handed to the muxer.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

#include "engine/common/CodecLock.h"
#include "engine/common/EngineFunctions.h"
#include "engine/log/FFLogger.h"
#include "engine/transcoder/CustomFFmpeg.h"
#include "engine/transcoder/TextFormat.h"

namespace mediaconv::engine {
namespace {

TFFLogger& Logger() { return TFFLogger::DefaultLogger(); }

}  // namespace

void TCustomFFmpeg::PreparePassLog(TOutputStream& ost, int streamNumber) {
  AVCodecContext* enc = ost.encode.context.get();
  const std::string prefix =
      settings_.passLogFilePrefix.empty() ? "ffmpeg2pass" : settings_.passLogFilePrefix;
  const std::string name = TextFormat("%s-%d.log", prefix.c_str(), streamNumber).substr(0, 1023);
  // x264 keeps its own statistics file under the name it is given; a second
  // pass without it fails here with the message of the others (and before
  // x264's own open, which leaks on that failure).
  if (ost.encode.codec && std::string(ost.encode.codec->name) == "libx264") {
    if ((enc->flags & AV_CODEC_FLAG_PASS2) && ::access(name.c_str(), R_OK) != 0)
      throw FFmpegException(
          TextFormat("Cannot read file: Error reading log file \"%s\" for pass-2 encoding", name.c_str()));
    av::av_opt_set(enc->priv_data, "stats", name.c_str(), 0);
    return;
  }
  if (enc->flags & AV_CODEC_FLAG_PASS1) {
    ost.encode.passLog.reset(std::fopen(name.c_str(), "wb"));
    if (!ost.encode.passLog)
      throw FFmpegException(TextFormat("Cannot write log file %s for pass-1 encoding", name.c_str()));
  } else {
    std::string contents;
    const int read = ReadWholeFile(name, contents);
    if (read == AVERROR(ENOMEM))
      throw FFmpegException(TextFormat(
          "Could not allocate file buffer: Error reading log file \"%s\" for pass-2 encoding", name.c_str()));
    if (read < 0)
      throw FFmpegException(
          TextFormat("Cannot read file: Error reading log file \"%s\" for pass-2 encoding", name.c_str()));
    enc->stats_in = av::av_strdup(contents.c_str());
    if (!enc->stats_in)
      throw FFmpegException(TextFormat(
          "Could not allocate file buffer: Error reading log file \"%s\" for pass-2 encoding", name.c_str()));
  }
}

void TCustomFFmpeg::OpenEncoder(TOutputStream& ost) {
  AVCodecContext* enc = ost.encode.context.get();
  const AVCodec* codec = ost.encode.codec ? ost.encode.codec : av::avcodec_find_encoder(enc->codec_id);
  if (!codec) {
    const std::string message =
        TextFormat("Encoder (codec id %d) not found for output stream #%d.%d (%s)", int(enc->codec_id),
                   ost.fileIndex, ost.index, MediaTypeName(ost.type).c_str());
    ReportStreamMapping();
    Logger().Log(this, llError, message);
    throw FFmpegException(message);
  }
  TInputStream& ist = *inputStreams_[ost.Binding().sourceIndex];
  if (ist.decode.context && ist.decode.context->subtitle_header && ost.type == AVMEDIA_TYPE_SUBTITLE) {
    enc->subtitle_header =
        static_cast<uint8_t*>(av::av_mallocz(ist.decode.context->subtitle_header_size + 1));
    if (!enc->subtitle_header) throw FFmpegException("av_malloc failed");
    std::copy_n(ist.decode.context->subtitle_header, ist.decode.context->subtitle_header_size,
                enc->subtitle_header);
    enc->subtitle_header_size = ist.decode.context->subtitle_header_size;
  }
  if (ost.type == AVMEDIA_TYPE_VIDEO && !settings_.videoFilters.empty()) ConfigureFilters(ost, ist);
  if (ost.type == AVMEDIA_TYPE_SUBTITLE) {
    enc->time_base = AV_TIME_BASE_Q;
    if (ist.decode.context) {
      enc->width = ist.decode.context->width;
      enc->height = ist.decode.context->height;
    }
  }
  int opened;
  {
    std::scoped_lock lock(CodecLock());
    opened = av::avcodec_open2(enc, codec, nullptr);
  }
  if (opened < 0) {
    const std::string message = TextFormat(
        "Error while opening encoder for output stream #%d.%d (%s) - maybe incorrect parameters such as "
        "bit_rate, "
        "rate, width or height. Please check error log message to find out more detail information.",
        ost.fileIndex, ost.index, MediaTypeName(ost.type).c_str());
    ReportStreamMapping();
    Logger().Log(this, llError, message);
    throw FFmpegException(message);
  }
  ost.encode.opened = true;
  runStatistics_.globalHeaderBytes += enc->extradata_size;
  if (av::avcodec_parameters_from_context(ost.st->codecpar, enc) < 0)
    throw FFmpegException("av_mallocz fail");
  ost.st->time_base = enc->time_base;
  if (ost.type == AVMEDIA_TYPE_VIDEO) {
    ost.st->avg_frame_rate = enc->framerate;
  } else if (ost.type == AVMEDIA_TYPE_AUDIO) {
    ost.audio.fifo.reset(av::av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels, 1024));
    ost.audio.frame = MakeFrame();
    if (!ost.audio.fifo || !ost.audio.frame) throw FFmpegException("av_fifo_alloc fail");
  }
}

void TCustomFFmpeg::OpenEncoders() {
  for (TOutputStream* ost : EncodingStreams()) OpenEncoder(*ost);
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
      ost.statistics.Record(packet);
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

void TCustomFFmpeg::EncodeSubtitle(TOutputStream& ost, const TInputStream& ist, const AVSubtitle& subtitle,
                                   int64_t packetPts) {
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
      out->pts += av::av_rescale_q(90 * int64_t(i == 0 ? copy.start_display_time : copy.end_display_time),
                                   AVRational{1, 90000}, ost.st->time_base);
    out->dts = out->pts;
    WritePacket(ost, out);
    ++ost.framesWritten;
  }
}

}  // namespace mediaconv::engine
