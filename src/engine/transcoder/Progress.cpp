// Progress of the run: the reports, the quality statistics they show and
// the "vstats" file.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/common/EngineFunctions.h"
#include "engine/log/FFLogger.h"
#include "engine/transcoder/CustomFFmpeg.h"
#include "engine/transcoder/TextFormat.h"

namespace mediaconv::engine {
namespace {

TFFLogger& Logger() { return TFFLogger::DefaultLogger(); }

}  // namespace

void TStreamStatistics::Record(const AVPacket* packet) {
  size_t size = 0;
  const uint8_t* stats = av::av_packet_get_side_data(packet, AV_PKT_DATA_QUALITY_STATS, &size);
  if (!stats || size < 4) return;
  // quality (32 bits), picture type, error count, 2 reserved, errors (64 bits each); little-endian
  quality = int(stats[0] | stats[1] << 8 | stats[2] << 16 | uint32_t(stats[3]) << 24);
  const int errors = size >= 6 ? std::min<int>(stats[5], 3) : 0;
  for (int i = 0; i < errors && size >= size_t(8 + 8 * (i + 1)); ++i) {
    uint64_t value = 0;
    for (int b = 7; b >= 0; --b) value = value << 8 | stats[8 + 8 * i + b];
    error[i] = value;
    errorSum[i] += value;
  }
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
      const double position = ost.Position();
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

void TCustomFFmpeg::WriteVideoStats(TOutputStream& ost, int frameSize, int pictureType) {
  if (!runStatistics_.vstatsFile) {
    runStatistics_.vstatsFile.reset(std::fopen(settings_.statisticsFileName.c_str(), "w"));
    if (!runStatistics_.vstatsFile) throw FFmpegException("fopen fail: " + settings_.statisticsFileName);
  }
  FILE* file = runStatistics_.vstatsFile.get();
  const AVCodecContext* enc = ost.encode.context.get();
  const int frameNumber = ost.framesWritten + 1;  // counted once the frame is sent
  std::fprintf(file, "frame= %5d q= %2.1f ", frameNumber,
               ost.statistics.quality < 0 ? 0.0 : double(ost.statistics.quality) / FF_QP2LAMBDA);
  if (enc->flags & AV_CODEC_FLAG_PSNR)
    std::fprintf(file, "PSNR= %6.2f ",
                 -10.0 * std::log10(double(ost.statistics.error[0]) /
                                    (double(enc->width) * enc->height * 255.0 * 255.0)));
  std::fprintf(file, "f_size= %6d ", frameSize);
  const double t = std::max(double(ost.syncOpts) * av_q2d(enc->time_base), 0.01);
  std::fprintf(file, "s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ",
               double(runStatistics_.videoBytes) / 1024, t, frameSize * 8 / av_q2d(enc->time_base) / 1000,
               double(runStatistics_.videoBytes) * 8 / t / 1000);
  std::fprintf(file, "type= %c\n", av::av_get_picture_type_char(AVPictureType(pictureType)));
}

}  // namespace mediaconv::engine
