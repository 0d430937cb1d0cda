// The mux stage: output files opened, headers, packets through the
// bitstream filters into the muxer, trailers, and the files' final names.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "engine/common/EngineFunctions.h"
#include "engine/common/UnicodeProtocol.h"
#include "engine/log/FFLogger.h"
#include "engine/transcoder/CustomFFmpeg.h"
#include "engine/transcoder/TextFormat.h"

namespace mediaconv::engine {
namespace {

TFFLogger& Logger() { return TFFLogger::DefaultLogger(); }

}  // namespace

void TCustomFFmpeg::OpenOutputFiles() {
  for (auto& file : outputs_) {
    if (file->shared || !file->openAtStart || file->part) continue;
    int errorNumber = 0;
    file->part = app::TPartFile::Create(URLToFileName(FileNameToURL(file->fileName)), errorNumber);
    if (!file->part) throw FFmpegException(ErrorText(file->fileName, AVERROR(errorNumber)));
    const int opened =
        OpenOutputURL(&file->context->pb, FileNameToURL(file->part->OpenName()), AVIO_FLAG_WRITE);
    if (opened < 0) throw FFmpegException(ErrorText(file->fileName, opened));
  }
}

void TCustomFFmpeg::WriteHeaders() {
  for (int o = 0; o < int(outputs_.size()); ++o) {
    TOutputFile& file = *outputs_[o];
    if (file.shared) continue;
    const int written = av::avformat_write_header(file.context, nullptr);
    if (written < 0) {
      const std::string message =
          TextFormat("Could not write header for output file #%d (incorrect codec parameters ?)", o);
      ReportStreamMapping();
      Logger().Log(this, llError, message);
      Logger().Log(this, llError, ErrorText(file.fileName, written));
      throw FFmpegException(message);
    }
    file.headerWritten = true;
  }
  std::vector<AVFormatContext*> rtp;
  for (const auto& file : outputs_)
    if (!file->shared) rtp.push_back(file->context);
  const bool allRtp = std::all_of(rtp.begin(), rtp.end(), [](const AVFormatContext* c) {
    return std::string(c->oformat->name) == "rtp";
  });
  if (allRtp && !rtp.empty()) {
    char sdp[2048] = {};
    av::av_sdp_create(rtp.data(), int(rtp.size()), sdp, sizeof sdp);
    std::string text = sdp;
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    Logger().Log(this, llInfo, "SDP:\r\n" + text);
  }
}

// Each stream's bitstream filters, from its final parameters: once the
// encoders are open.
void TCustomFFmpeg::OpenBitstreamFilters() {
  for (TOutputStream* ost : AllOutputStreams()) {
    for (const std::string& name : ost->mux.bitstreamFilterNames) {
      const AVBitStreamFilter* filter = av::av_bsf_get_by_name(name.c_str());
      AVBSFContext* context = nullptr;
      if (!filter || av::av_bsf_alloc(filter, &context) < 0)
        throw FFmpegException("Unknown bitstream filter " + name);
      TBsfContextPtr owner(context);
      const AVCodecParameters* par =
          ost->mux.bitstreamFilters.empty() ? ost->st->codecpar : ost->mux.bitstreamFilters.back()->par_out;
      av::avcodec_parameters_copy(context->par_in, par);
      context->time_base_in = ost->st->time_base;
      const int ready = av::av_bsf_init(context);
      if (ready < 0) throw FFmpegException(ErrorText(name, ready));
      ost->mux.bitstreamFilters.push_back(std::move(owner));
    }
    if (!ost->mux.bitstreamFilters.empty())
      av::avcodec_parameters_copy(ost->st->codecpar, ost->mux.bitstreamFilters.back()->par_out);
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

// Every trailer is written; the first failure is the run's error.
void TCustomFFmpeg::WriteTrailers() {
  std::string writeError;
  for (auto& file : outputs_) {
    if (file->shared || !file->headerWritten) continue;
    const int written = av::av_write_trailer(file->context);
    if (written < 0 && writeError.empty()) writeError = ErrorText("av_write_trailer()", written);
  }
  if (!writeError.empty()) throw FFmpegException(writeError);
}

void TCustomFFmpeg::CloseOutputFiles() {
  std::string closeError;
  for (auto& file : outputs_) {
    AVFormatContext* context = file->context;
    if (file->shared || !context->pb || (context->oformat->flags & AVFMT_NOFILE)) continue;
    const int closed = CloseOutputURL(&context->pb);
    if (closed < 0 && closeError.empty()) closeError = ErrorText(file->fileName, closed);
  }
  if (!closeError.empty()) throw FFmpegException(closeError);
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
