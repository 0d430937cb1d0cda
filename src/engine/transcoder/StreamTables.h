#pragma once
// The run's tables of files and streams. Input files and output files with
// their stream records live from opening / set-up to the reset at the end of
// the run; the input stream table exists only during a run.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/OutputFile.h"
#include "engine/common/AvHandles.h"
#include "engine/loader/Av.h"
#include "engine/transcoder/FilterGraph.h"

namespace mediaconv::engine {

struct TOutputStream;

// Cover art: a picture that the demuxer hands out once, not a video to convert.
inline bool IsAttachedPicture(const AVStream* st) {
  return st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && (st->disposition & AV_DISPOSITION_ATTACHED_PIC);
}

// An opened input file and the settings that belong to it.
struct TInputFile {
  TInputFormatPtr context;
  int64_t tsOffset = 0;                           // microseconds added to every timestamp
  std::vector<double> tsScale;                    // per stream index; 0: not scaled
  std::vector<const AVCodec*> forcedDecoders;     // per stream; null: the default one
  std::vector<TCodecContextPtr> decoderSettings;  // per stream: the options given for its decoder
  bool loop = false;                              // played again from the start at its end ("loop_input")
  bool seeked = false;  // opened at a start time: what decodes before it is not output
  // Run state.
  int firstStream = 0;  // index of its first stream in the input stream table
  int streamCount = 0;
  bool eof = false;
  bool noPacket = false;  // no packet was ready at the last read
};

// One stream of an input file, during a run.
struct TInputStream {
  int fileIndex = 0;
  int streamIndex = 0;
  AVStream* st = nullptr;
  bool taken = false;
  bool decodingNeeded = false;
  TCodecContextPtr decoder;  // opened when decodingNeeded
  bool decoderOpened = false;
  int64_t nextPts = AV_NOPTS_VALUE;  // microseconds
  int64_t pts = 0;                   // microseconds: the current position of the stream
  bool isStart = true;
  int64_t rateEmuStart = 0;
  bool pastRecordingTime = false;
  bool flushed = false;
  bool warnedMultipleFrames = false;
  int frameCounter = 0;
  float quality = 0;
  TFramePtr frame;  // the decoded frame being handed on
  std::unique_ptr<TFilterGraph> deinterlacer;
  bool deinterlaceFailed = false;
  TFramePtr deinterlaced;
  TFramePtr hookFrame;                  // copy of a decoded picture that the input hook may change
  std::vector<TOutputStream*> outputs;  // fed by this stream (bound at run start)
};

// A sequence of bitstream filters applied to one output stream's packets.
struct TBsfChain {
  std::vector<TBsfContextPtr> filters;
};

// One stream of an output file; created at set-up, prepared at run start.
struct TOutputStream {
  int fileIndex = 0;
  int index = 0;  // in the file
  AVStream* st = nullptr;
  AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
  TCodecContextPtr encoder;        // holds the settings; opened at run start
  const AVCodec* codec = nullptr;  // forced or guessed encoder
  bool forcedCodec = false;        // the encoder was named
  bool copy = false;               // stream copy
  bool cover = false;              // an input's attached picture, copied as the output's cover art
  bool encodingNeeded = false;
  bool encoderOpened = false;
  std::vector<std::string> bsfNames;  // bitstream filters taken over from the settings
  TBsfChain bsf;

  int sourceIndex = -1;  // into the input stream table
  int syncIndex = -1;
  int framesWritten = 0;
  int64_t syncOpts = 0;                 // next timestamp in encoder time base
  bool active = true;                   // in join mode: stream of the segment being played
  bool ended = false;                   // the encoder was drained
  int64_t lastMuxDts = AV_NOPTS_VALUE;  // stream time base
  double muxTime = 0;                   // seconds reached by the written packets
  int quality = -1;                     // of the last coded picture (lambda units)
  uint64_t error[3] = {};               // of the last coded picture, per plane (PSNR)
  uint64_t errorSum[3] = {};
  int qpHistogram[52] = {};

  // Video.
  TSwsContextPtr scaler;
  TFramePtr scaled;
  int sourceWidth = 0, sourceHeight = 0, sourceFormat = -1;  // what the scaler was made for
  int setupWidth = 0, setupHeight = 0, setupFormat = -1;     // what the stream was set up for
  std::vector<int64_t> forcedKeyFrames;                      // encoder time base
  size_t nextForcedKeyFrame = 0;
  TFramePtr encodeFrame;
  std::unique_ptr<TFilterGraph> filter;  // "vf"
  TFramePtr filtered;
  TSwsContextPtr filterScaler;  // a picture whose size changed, to the graph's input
  TFramePtr filterInput;
  TFramePtr hookFrame;  // copy of the picture to encode that the output hook may change

  // Audio.
  TSwrContextPtr resampler;
  int resamplerRate = 0, resamplerFormat = -1;
  AVChannelLayout resamplerLayout{};
  TAudioFifoPtr fifo;
  TFramePtr audioFrame;
  TFramePtr converted;  // resampled samples on their way into the FIFO
  bool startSet = false;

  TPacketPtr packet;  // encoded packets are received into it
  struct TFileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<FILE, TFileCloser> passLog;  // pass 1: the encoder's statistics

  // Join: the record of the first segment that owns the encoder.
  TOutputStream* primary = nullptr;

  TOutputStream() = default;
  TOutputStream(const TOutputStream&) = delete;
  TOutputStream& operator=(const TOutputStream&) = delete;
  ~TOutputStream() { av::av_channel_layout_uninit(&resamplerLayout); }
};

// An output file. In join mode the entries after the first share the first
// entry's context; only the first owns it.
struct TOutputFile {
  TOutputFormatPtr owned;
  AVFormatContext* context = nullptr;
  std::vector<std::unique_ptr<TOutputStream>> streams;
  std::string fileName;
  // The hidden file written until the run ends; null when the output is
  // written in place (devices, pipes, protocols).
  std::unique_ptr<app::TPartFile> part;
  // Such a file is opened only when the run starts, so that a queued task
  // holds no descriptor for its output.
  bool openAtStart = false;
  bool shared = false;  // a join segment entry
  bool headerWritten = false;
};

}  // namespace mediaconv::engine
