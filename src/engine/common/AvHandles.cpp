#include "engine/common/AvHandles.h"

#include "engine/common/UnicodeProtocol.h"
#include "engine/loader/Av.h"

namespace mediaconv::engine {

void TInputFormatCloser::operator()(AVFormatContext* context) const { CloseInputURL(&context); }

void TOutputFormatCloser::operator()(AVFormatContext* context) const {
  if (!context) return;
  if (context->pb && !(context->oformat && (context->oformat->flags & AVFMT_NOFILE)))
    CloseOutputURL(&context->pb);
  av::avformat_free_context(context);
}

void TCodecContextDeleter::operator()(AVCodecContext* context) const { av::avcodec_free_context(&context); }
void TFrameDeleter::operator()(AVFrame* frame) const { av::av_frame_free(&frame); }
void TPacketDeleter::operator()(AVPacket* packet) const { av::av_packet_free(&packet); }
void TSwsContextDeleter::operator()(SwsContext* context) const { av::sws_freeContext(context); }
void TSwrContextDeleter::operator()(SwrContext* context) const { av::swr_free(&context); }
void TFilterGraphDeleter::operator()(AVFilterGraph* graph) const { av::avfilter_graph_free(&graph); }
void TFilterInOutDeleter::operator()(AVFilterInOut* inOut) const { av::avfilter_inout_free(&inOut); }
void TAudioFifoDeleter::operator()(AVAudioFifo* fifo) const { av::av_audio_fifo_free(fifo); }
void TDictionaryDeleter::operator()(AVDictionary* dictionary) const { av::av_dict_free(&dictionary); }
void TIOContextCloser::operator()(AVIOContext* pb) const { CloseOutputURL(&pb); }
void TBsfContextDeleter::operator()(AVBSFContext* context) const { av::av_bsf_free(&context); }
void TCodecParametersDeleter::operator()(AVCodecParameters* parameters) const {
  av::avcodec_parameters_free(&parameters);
}

TFramePtr MakeFrame() { return TFramePtr(av::av_frame_alloc()); }
TPacketPtr MakePacket() { return TPacketPtr(av::av_packet_alloc()); }
TCodecContextPtr MakeCodecContext(const AVCodec* codec) {
  return TCodecContextPtr(av::avcodec_alloc_context3(codec));
}
TFilterGraphPtr MakeFilterGraph() { return TFilterGraphPtr(av::avfilter_graph_alloc()); }
TCodecParametersPtr MakeCodecParameters() { return TCodecParametersPtr(av::avcodec_parameters_alloc()); }

TInputFormatPtr OpenInput(const std::string& url, const AVInputFormat* format, AVDictionary** options,
                          int* error) {
  AVFormatContext* context = nullptr;
  const int result = OpenInputURL(&context, url, format, options);
  if (error) *error = result;
  return TInputFormatPtr(result < 0 ? nullptr : context);
}

}  // namespace mediaconv::engine
