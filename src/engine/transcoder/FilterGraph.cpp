#include "engine/transcoder/FilterGraph.h"

#include "engine/loader/Av.h"
#include "engine/transcoder/TextFormat.h"

namespace mediaconv::engine {
namespace {

struct TInOutDeleter {
  void operator()(AVFilterInOut* inout) const { av::avfilter_inout_free(&inout); }
};
using TInOutPtr = std::unique_ptr<AVFilterInOut, TInOutDeleter>;

}  // namespace

int TFilterGraph::Configure(const TFilterGraphInput& input, const std::string& text, int outWidth,
                            int outHeight, AVPixelFormat outFormat, int swsFlags) {
  graph_ = MakeFilterGraph();
  source_ = sink_ = nullptr;
  input_ = input;
  if (!graph_) return AVERROR(ENOMEM);
  const AVRational aspect = input.sampleAspect.num > 0 ? input.sampleAspect : AVRational{0, 1};
  const std::string sourceArgs =
      TextFormat("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", input.width, input.height,
                 int(input.format), input.timeBase.num, input.timeBase.den, aspect.num, aspect.den);
  int result = av::avfilter_graph_create_filter(&source_, av::avfilter_get_by_name("buffer"), "src",
                                                sourceArgs.c_str(), nullptr, graph_.get());
  if (result < 0) return result;
  result = av::avfilter_graph_create_filter(&sink_, av::avfilter_get_by_name("buffersink"), "out", nullptr,
                                            nullptr, graph_.get());
  if (result < 0) return result;

  std::string chain;
  if (outWidth > 0 && outHeight > 0 && (outWidth != input.width || outHeight != input.height))
    chain = TextFormat("scale=%d:%d", outWidth, outHeight);
  if (!text.empty()) chain += (chain.empty() ? "" : ",") + text;
  if (outFormat != AV_PIX_FMT_NONE)
    chain +=
        (chain.empty() ? "" : ",") + std::string("format=pix_fmts=") + av::av_get_pix_fmt_name(outFormat);
  if (chain.empty()) chain = "null";
  av::av_freep(&graph_->scale_sws_opts);
  graph_->scale_sws_opts = av::av_strdup(TextFormat("flags=0x%X", unsigned(swsFlags)).c_str());

  TInOutPtr outputs(av::avfilter_inout_alloc());
  TInOutPtr inputs(av::avfilter_inout_alloc());
  if (!outputs || !inputs) return AVERROR(ENOMEM);
  outputs->name = av::av_strdup("in");
  outputs->filter_ctx = source_;
  inputs->name = av::av_strdup("out");
  inputs->filter_ctx = sink_;
  AVFilterInOut* in = inputs.release();
  AVFilterInOut* out = outputs.release();
  result = av::avfilter_graph_parse_ptr(graph_.get(), chain.c_str(), &in, &out, nullptr);
  av::avfilter_inout_free(&in);
  av::avfilter_inout_free(&out);
  if (result < 0) return result;
  return av::avfilter_graph_config(graph_.get(), nullptr);
}

int TFilterGraph::Push(AVFrame* frame) {
  return av::av_buffersrc_add_frame_flags(source_, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
}

int TFilterGraph::Pull(AVFrame* frame) { return av::av_buffersink_get_frame(sink_, frame); }

int TFilterGraph::OutWidth() const { return av::av_buffersink_get_w(sink_); }
int TFilterGraph::OutHeight() const { return av::av_buffersink_get_h(sink_); }
AVRational TFilterGraph::OutTimeBase() const { return av::av_buffersink_get_time_base(sink_); }

}  // namespace mediaconv::engine
