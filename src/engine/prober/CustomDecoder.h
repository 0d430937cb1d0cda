#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

#include "engine/common/AvHandles.h"
#include "engine/log/FFLogger.h"
#include "engine/prober/StreamInfo.h"

struct AVFormatContext;
struct AVStream;

namespace mediaconv::engine {

// Raised for misuse only: probing without the media libraries, or seeking in
// a context that belongs to someone else.
class EDecoderError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Opens a media file and describes it: container properties and tags, and
// per stream the codec, timing and picture or sound properties. Failures are
// reported by the result and LastError(); used on one thread at a time.
class TCustomDecoder {
 public:
  TCustomDecoder();
  virtual ~TCustomDecoder();
  TCustomDecoder(const TCustomDecoder&) = delete;
  TCustomDecoder& operator=(const TCustomDecoder&) = delete;

  // Opens and analyses a file, closing the one open before. formatName forces
  // an input format ("" probes). Throws EDecoderError without the libraries.
  bool LoadFile(const std::string& fileName, const std::string& formatName = {});
  void CloseFile();
  // Describes a context opened elsewhere without taking it over; seeking and
  // decoding it are refused. The owner calls CloseFile (or attaches another
  // context) before it closes this one.
  void AttachContext(AVFormatContext* context);

  bool GetFileStreamInfo(TFileStreamInfo& info);
  // index -1 stands for the first stream of that type.
  bool GetAudioStreamInfo(int index, TAudioStreamInfo& info);
  bool GetVideoStreamInfo(int index, TVideoStreamInfo& info);
  std::string GetFileName();

  const std::string& LastError() const { return lastError_; }
  const std::string& ForcedFormat() const { return forcedFormat_; }
  int64_t FileSize() const { return fileSize_; }
  int StreamCount() const { return streamCount_; }
  int ProgramCount() const { return programCount_; }
  int AudioStreamCount() const { return audioStreamCount_; }
  int VideoStreamCount() const { return videoStreamCount_; }
  int SubtitleStreamCount() const { return subtitleStreamCount_; }
  int FirstAudioStream() const { return firstAudioStream_; }
  int FirstVideoStream() const { return firstVideoStream_; }
  int FirstSubtitleStream() const { return firstSubtitleStream_; }

  AVFormatContext* Context() const { return context_; }
  bool OwnsContext() const { return ownedContext_ != nullptr; }

 protected:
  // Sets LastError and logs the text at level.
  void RecordError(TLogLevel level, const std::string& text);
  void RecordErrorFmt(TLogLevel level, const char* format, ...) __attribute__((format(printf, 3, 4)));
  void Log(TLogLevel level, const std::string& text);

  // Recomputes the counts and indices from the current context.
  virtual void Analyse();
  // Frees what a descendant holds for the open file; called before the
  // context goes away.
  virtual void ReleaseFileState() {}

  // The stream checks shared by the info getters and the frame decoder.
  AVStream* CheckedStream(int index, int mediaType);

 private:
  void CheckLibraries() const;

  AVFormatContext* context_ = nullptr;
  TInputFormatPtr ownedContext_;
  std::string lastError_;
  std::string forcedFormat_;
  int64_t fileSize_ = -1;
  int streamCount_ = -1;
  int programCount_ = -1;
  int audioStreamCount_ = -1;
  int videoStreamCount_ = -1;
  int subtitleStreamCount_ = -1;
  int firstAudioStream_ = -1;
  int firstVideoStream_ = -1;
  int firstSubtitleStream_ = -1;
};

}  // namespace mediaconv::engine
