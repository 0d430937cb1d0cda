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
#include "engine/transcoder/AudioOutput.h"
#include "engine/transcoder/Decode.h"
#include "engine/transcoder/Encode.h"
#include "engine/transcoder/FilterGraph.h"
#include "engine/transcoder/Mux.h"
#include "engine/transcoder/Progress.h"
#include "engine/transcoder/VideoOutput.h"

namespace mediaconv::engine {

struct TOutputStream;
struct TStreamBinding;

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
  int64_t nextPts = AV_NOPTS_VALUE;  // microseconds
  int64_t pts = 0;                   // microseconds: the current position of the stream
  bool isStart = true;
  int64_t rateEmuStart = 0;
  bool pastRecordingTime = false;
  TDecodeState decode;
  TInputVideoConversion video;
  std::vector<TStreamBinding*> outputs;  // fed by this stream (bound at run start)
};

// Which input stream feeds an output stream. A joined output has one per
// segment: each segment's input feeds the same stream record in turn.
struct TStreamBinding {
  TStreamBinding(TOutputStream& stream, int fileIndex) : stream(stream), fileIndex(fileIndex) {}
  TOutputStream& stream;
  int fileIndex;         // output entry: the segment's when joining
  int sourceIndex = -1;  // into the input stream table
  int syncIndex = -1;
  bool active = true;  // in join mode: of the segment being played
};

// One stream of an output file; created at set-up, prepared at run start.
// Each stage keeps its own part of it.
struct TOutputStream {
  int fileIndex = 0;
  int index = 0;  // in the file
  AVStream* st = nullptr;
  AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
  bool copy = false;   // stream copy
  bool cover = false;  // an input's attached picture, copied as the output's cover art
  int framesWritten = 0;
  int64_t syncOpts = 0;  // next timestamp in encoder time base

  TEncodeState encode;
  TMuxState mux;
  TVideoConversion video;
  TAudioConversion audio;
  TStreamStatistics statistics;

  // Seconds of output the stream has reached.
  double Position() const {
    if (copy) return mux.time;
    if (!encode.context) return 0;
    double position = double(syncOpts) * av_q2d(encode.context->time_base);
    if (type == AVMEDIA_TYPE_AUDIO && audio.fifo && encode.context->sample_rate)
      position += double(av::av_audio_fifo_size(audio.fifo.get())) / encode.context->sample_rate;
    return position;
  }

  // The first is the stream's own; a joined output adds one per later segment.
  std::vector<std::unique_ptr<TStreamBinding>> bindings;
  const TStreamBinding& Binding() const { return *bindings.front(); }
  TStreamBinding& Binding() { return *bindings.front(); }
};

// An output file. In join mode the entries after the first stand for the
// later segments: they share the first entry's context and streams, which
// only the first owns.
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
