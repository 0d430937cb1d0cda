#pragma once
// Owners of the media libraries' handles: every error path frees what it
// opened. The deleters call the bound av:: functions and accept null.
#include <memory>
#include <string>

struct AVFormatContext;
struct AVCodecContext;
struct AVCodec;
struct AVFrame;
struct AVPacket;
struct SwsContext;
struct SwrContext;
struct AVFilterGraph;
struct AVFilterInOut;
struct AVAudioFifo;
struct AVDictionary;
struct AVIOContext;
struct AVBSFContext;
struct AVCodecParameters;
struct AVInputFormat;

namespace mediaconv::engine {

// An opened input (OpenInputURL or avformat_open_input): avformat_close_input,
// and the custom I/O of a "unicode:utf8:" input.
struct TInputFormatCloser {
  void operator()(AVFormatContext* context) const;
};
// An output context: closes its pb (unless the muxer has no file) and frees it.
struct TOutputFormatCloser {
  void operator()(AVFormatContext* context) const;
};
struct TCodecContextDeleter {
  void operator()(AVCodecContext* context) const;
};
struct TFrameDeleter {
  void operator()(AVFrame* frame) const;
};
struct TPacketDeleter {
  void operator()(AVPacket* packet) const;
};
struct TSwsContextDeleter {
  void operator()(SwsContext* context) const;
};
struct TSwrContextDeleter {
  void operator()(SwrContext* context) const;
};
struct TFilterGraphDeleter {
  void operator()(AVFilterGraph* graph) const;
};
struct TFilterInOutDeleter {
  void operator()(AVFilterInOut* inOut) const;
};
struct TAudioFifoDeleter {
  void operator()(AVAudioFifo* fifo) const;
};
struct TDictionaryDeleter {
  void operator()(AVDictionary* dictionary) const;
};
// Either an avio_open2 context or a custom one of OpenOutputURL.
struct TIOContextCloser {
  void operator()(AVIOContext* pb) const;
};
struct TBsfContextDeleter {
  void operator()(AVBSFContext* context) const;
};
struct TCodecParametersDeleter {
  void operator()(AVCodecParameters* parameters) const;
};

using TInputFormatPtr = std::unique_ptr<AVFormatContext, TInputFormatCloser>;
using TOutputFormatPtr = std::unique_ptr<AVFormatContext, TOutputFormatCloser>;
using TCodecContextPtr = std::unique_ptr<AVCodecContext, TCodecContextDeleter>;
using TFramePtr = std::unique_ptr<AVFrame, TFrameDeleter>;
using TPacketPtr = std::unique_ptr<AVPacket, TPacketDeleter>;
using TSwsContextPtr = std::unique_ptr<SwsContext, TSwsContextDeleter>;
using TSwrContextPtr = std::unique_ptr<SwrContext, TSwrContextDeleter>;
using TFilterGraphPtr = std::unique_ptr<AVFilterGraph, TFilterGraphDeleter>;
using TFilterInOutPtr = std::unique_ptr<AVFilterInOut, TFilterInOutDeleter>;
using TAudioFifoPtr = std::unique_ptr<AVAudioFifo, TAudioFifoDeleter>;
using TDictionaryPtr = std::unique_ptr<AVDictionary, TDictionaryDeleter>;
using TIOContextPtr = std::unique_ptr<AVIOContext, TIOContextCloser>;
using TBsfContextPtr = std::unique_ptr<AVBSFContext, TBsfContextDeleter>;
using TCodecParametersPtr = std::unique_ptr<AVCodecParameters, TCodecParametersDeleter>;

// Allocators; each returns null when the library's allocation fails.
TFramePtr MakeFrame();
TPacketPtr MakePacket();
TCodecContextPtr MakeCodecContext(const AVCodec* codec);
TFilterGraphPtr MakeFilterGraph();
TCodecParametersPtr MakeCodecParameters();

// Opens an input as OpenInputURL does; on failure returns null and, when
// error is given, the library's code.
TInputFormatPtr OpenInput(const std::string& url, const AVInputFormat* format = nullptr,
                          AVDictionary** options = nullptr, int* error = nullptr);

// Lets a library function that takes T** (and may free or replace the
// handle) work on a unique_ptr: Function(OutPtr(holder)). The holder takes
// whatever pointer is left when the call returns.
template <typename T, typename D>
class TOutPtr {
 public:
  explicit TOutPtr(std::unique_ptr<T, D>& owner) : owner_(owner), raw_(owner.release()) {}
  ~TOutPtr() { owner_.reset(raw_); }
  operator T**() { return &raw_; }
  TOutPtr(const TOutPtr&) = delete;
  TOutPtr& operator=(const TOutPtr&) = delete;

 private:
  std::unique_ptr<T, D>& owner_;
  T* raw_;
};
template <typename T, typename D>
TOutPtr<T, D> OutPtr(std::unique_ptr<T, D>& owner) {
  return TOutPtr<T, D>(owner);
}

}  // namespace mediaconv::engine
