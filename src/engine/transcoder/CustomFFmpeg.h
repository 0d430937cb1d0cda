#pragma once
// The transcoder core: one conversion task. Its code lives in files by stage,
// each stage's state in the header of the same name: InputFiles (opening
// inputs, stream mapping), OutputFiles (output set-up), TranscodeLoop (the
// run), Decode, VideoOutput and AudioOutput (frame conversion), Encode, Mux,
// Progress; ConvertThread (the worker).
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/transcoder/FrameHookModules.h"
#include "engine/transcoder/FrameHooks.h"
#include "engine/transcoder/HookConverter.h"
#include "engine/transcoder/Options.h"
#include "engine/transcoder/PreviewWindow.h"
#include "engine/transcoder/StreamTables.h"

namespace mediaconv::app {
class TMainThread;
}

namespace mediaconv::engine {

class TConvertThread;

// What one progress report carries.
struct TProgressValues {
  int FileIndex = -1;  // input read last (the input being played when joining); -1 in the final report
  int FrameNumber = -1;
  int FPS = -1;
  float Quality = -1.0f;
  float BitRate = 0.0f;  // kbit/s
  int64_t CurrentSize = 0;
  int64_t CurrentDuration = 0;  // microseconds
  int64_t TotalDuration = -1;   // microseconds
};

class TCustomFFmpeg : public TTranscoderOptions {
 public:
  using TProgressCallback = std::function<void(TCustomFFmpeg& sender, const TProgressValues& values)>;
  using TEndCallback = std::function<void(TCustomFFmpeg& sender)>;

  // capacity: the most input files and output files, 1 to 512.
  explicit TCustomFFmpeg(int capacity = 20);
  ~TCustomFFmpeg() override;

  // Starts the run. Threaded: returns the suspended worker, which the caller
  // resumes; otherwise runs on the caller's thread and returns null when over.
  // Null also when the core is running or ended, or cannot start (then the
  // end notification has been given).
  TConvertThread* Start(bool threaded);
  // Asks a run to stop; with wait, returns when it is over (serving the main
  // thread's pending hand-offs meanwhile when called on the main thread).
  void Stop(bool wait);
  // Stop for a running core; the end notification for one never started.
  void Terminate(bool wait);

  bool Running() const { return running_; }
  bool Ended() const { return ended_; }
  bool Completed() const { return completed_; }
  bool Failed() const { return failed_; }
  const std::string& ErrorMessage() const { return errorMessage_; }
  const std::string& LastErrorText() const { return lastErrorText_; }
  // The files an ended run left under their final names, in output order.
  const std::vector<std::string>& WrittenFiles() const { return writtenFiles_; }

  int InputFileCount() const { return int(inputs_.size()); }
  int OutputFileCount() const override;
  // Inputs' own descriptions for the component's prober.
  AVFormatContext* InputContext(int index) const;

  int64_t ProgressInterval() const { return progressInterval_; }
  void SetProgressInterval(int64_t microseconds) { progressInterval_ = microseconds; }
  // The thread that Stop(wait) serves while waiting; the logger's by default.
  void SetMainThread(app::TMainThread* mainThread) { mainThread_ = mainThread; }

  int FramesDuplicated() const { return runStatistics_.framesDuplicated; }
  int FramesDropped() const { return runStatistics_.framesDropped; }

  // Called on the thread of the run.
  TProgressCallback OnProgress;
  TEndCallback OnEnd;
  // Audio, video and preview hooks of the frame conversion, installed by the
  // owner before the run.
  TFrameHooks Hooks;

 protected:
  void OpenInputFile(const std::string& fileName) override;
  void OpenOutputFile(const std::string& fileName, bool join) override;
  void NewVideoStream() override;
  void NewAudioStream() override;
  void NewSubtitleStream() override;
  bool AddFrameHook(const std::vector<std::string>& words) override;
  std::vector<AVRational> InputVideoFrameRates() const override;

  virtual void DoProgress(const TProgressValues& values);
  virtual void DoEnd();

 private:
  friend class TConvertThread;

  void RunTaskOnWorker();
  void WaitWhile(const std::function<bool()>& busy);
  // The thread that waits serve: the given one, else the logger's.
  app::TMainThread* MainThread() const;
  // runDone_ or endNotifying_ changed: wakes whoever waits for them.
  void RunStateChanged();

  // TranscodeLoop: the run and its loop
  void RunTask();
  void Transcode();
  void MainLoop();
  int ChooseInput();
  void AdjustTimestamps(TInputFile& file, TInputStream& ist, AVPacket* packet);
  void FlushInputs();
  void SwitchSegment();
  bool RewindInput(TInputFile& file);
  void CloseCodecs();
  void ReleaseRunResources();
  void ResetCore();
  void Fail(const std::string& message);
  void NotifyEnd();
  void ReportStartError(const std::string& message);

  // InputFiles: opening inputs, stream mapping
  // The decoders named for an input's streams; null where none was.
  struct TForcedDecoders {
    const AVCodec* video = nullptr;
    const AVCodec* audio = nullptr;
    const AVCodec* subtitle = nullptr;
  };
  TDictionaryPtr RawDemuxerOptions() const;
  bool FindForcedDecoders(TForcedDecoders& decoders, std::string& error);
  void SeekInput(AVFormatContext* context, const std::string& fileName, int64_t position);
  void AddInputStream(TInputFile& file, AVStream* st, int index, const TForcedDecoders& decoders);
  void HandVideoDefaultsToOutput(const AVStream* st, const AVCodecContext& decoderSettings, int index);
  void HandAudioDefaultsToOutput(const AVCodecParameters* par);
  const AVCodec* FindCodec(const std::string& name, AVMediaType type, bool encoder, int strictness,
                           std::string& error) const;
  void BuildInputTables();
  void BindOutputStreams();
  int FindSourceStream(const TOutputStream& ost, int outputFileIndex);
  void InitInputTimestamps();
  void ApplyMetadataMaps();
  void ApplyChapterMaps();
  void CopyChapters(int inputIndex, int outputIndex);
  void ReportStreamMapping();
  void DumpOutputs();

  // OutputFiles: output set-up
  [[noreturn]] void FailOutput(const std::string& message);
  const AVOutputFormat* OutputFormatFor(const std::string& fileName, const std::string& url);
  void AddOutputStreams(TOutputFile& file, const AVOutputFormat* format, bool joining);
  void SetFileMetadata(AVFormatContext& context) const;
  void OpenOutputTarget(TOutputFile& file, const std::string& url, const AVOutputFormat* format);
  void ApplyMuxerSettings(AVFormatContext& context);
  void CheckInputKinds(bool joining, bool& useVideo, bool& useAudio, bool& useSubtitle);
  TOutputStream& CreateStream(TOutputFile& file, AVMediaType type);
  const AVCodec* ChooseEncoder(const TOutputFile& file, TOutputStream& ost, AVMediaType type,
                               const std::string& name, int strictness);
  int TemplateStrictness(AVMediaType type);
  // The opening every new stream shares: its record, its encoder (chosen
  // unless the stream is copied) with the codec tag, its bitstream filters.
  TOutputStream& OpenStreamRecord(TOutputFile& file, AVMediaType type, bool copy,
                                  const std::function<const AVCodec*(TOutputStream&)>& chooseEncoder,
                                  const std::vector<const AVBitStreamFilter*>& bitstreamFilters,
                                  uint32_t codecTag);
  void SetupVideoStream(TOutputFile& file);
  void SetupAudioStream(TOutputFile& file);
  void SetupSubtitleStream(TOutputFile& file);
  void SetupJoin();
  void PrepareOutputStreams();
  void PrepareCopy(TOutputStream& ost, TInputStream& ist);
  std::vector<TOutputStream*> AllOutputStreams() const;
  std::vector<TOutputStream*> EncodingStreams() const;  // the streams that are encoded
  // Every binding, in the order of the output entries (join segments included).
  std::vector<TStreamBinding*> CollectBindings() const;
  // Collected once when the run starts: the loop visits them for every packet.
  const std::vector<TStreamBinding*>& AllBindings() const { return bindings_; }

  // Decode
  void OpenDecoders();
  bool ProcessPacket(TInputStream& ist, const AVPacket* packet);
  bool DecodeAudio(TInputStream& ist, const AVPacket* packet);
  bool DecodeVideo(TInputStream& ist, const AVPacket* packet);
  bool DecodeSubtitle(TInputStream& ist, const AVPacket* packet);
  // Hands a decoded frame to the frame conversion of each stream it feeds.
  void OutputFrame(TInputStream& ist, AVFrame* frame);

  // AudioOutput: audio frame conversion
  // Every decoded audio frame passes here on its way to the outputs; the
  // place of the audio hook and the volume.
  void PushAudioFrame(TInputStream& ist, AVFrame* frame);
  void CallAudioHook(TInputStream& ist, AVFrame* frame);
  void ApplyVolume(AVFrame* frame);
  void DoAudioOut(TStreamBinding& binding, TInputStream& ist, AVFrame* frame);
  // Converts samples (pointers into a frame of the input's format) and queues them for encoding.
  void QueueSamples(TOutputStream& ost, const AVFrame* format, uint8_t* const* data, int samples);
  void EncodeAudioFifo(TOutputStream& ost, bool final);
  void FlushAudio(TOutputStream& ost);

  // VideoOutput: video frame conversion
  // Every decoded picture passes here on its way to the outputs; the place
  // where a filter graph comes in.
  void PushVideoFrame(TInputStream& ist, AVFrame* frame);
  void DeinterlaceVideo(TInputStream& ist, AVFrame* frame);  // null: drains
  void PreprocessVideo(TInputStream& ist, AVFrame* frame);
  void DoVideoOut(TStreamBinding& binding, TInputStream& ist, AVFrame* frame);
  void EncodeVideo(TStreamBinding& binding, TInputStream& ist, AVFrame* frame);
  void CheckFrameSize(TOutputStream& ost, TInputStream& ist, const AVFrame* frame);
  AVFrame* ScaleVideo(TOutputStream& ost, AVFrame* frame);
  void ConfigureFilters(TOutputStream& ost, TInputStream& ist);
  void FilterVideo(TStreamBinding& binding, TInputStream& ist, AVFrame* frame);  // null: drains
  void FlushVideo(TOutputStream& ost);
  // Copies a picture into a buffer of its own; null when none could be had.
  AVFrame* CopyForHook(TFramePtr& target, const AVFrame* frame);
  void CallVideoHook(bool input, AVFrame* frame, int frameNumber, int64_t pts);
  void ServePreview(AVFrame* picture, int frameNumber, int64_t pts);
  void ResetFrameConversion();

  // Encode
  void PreparePassLog(TOutputStream& ost, int streamNumber);
  void OpenEncoders();
  void OpenEncoder(TOutputStream& ost);
  // Sends a frame (null: drains) to the stream's encoder and writes what comes out.
  void EncodeAndWrite(TOutputStream& ost, AVFrame* frame);
  void EncodeSubtitle(TOutputStream& ost, const TInputStream& ist, const AVSubtitle& subtitle,
                      int64_t packetPts);

  // Mux
  void OpenOutputFiles();
  void OpenBitstreamFilters();
  void WriteHeaders();
  void CopyPacket(TOutputStream& ost, TInputStream& ist, const AVPacket* packet);
  void WritePacket(TOutputStream& ost, AVPacket* packet);
  void WriteMuxPacket(TOutputStream& ost, AVPacket* packet);
  void WriteTrailers();
  void CloseOutputFiles();
  void FinishOutputFile(TOutputFile& file, bool writesFile);

  // Progress
  void ReportProgress(int fileIndex, bool final);
  void WriteVideoStats(TOutputStream& ost, int frameSize, int pictureType);

  bool Verbose(int above) const { return settings_.verbose > above; }

  const int capacity_;
  std::vector<std::unique_ptr<TInputFile>> inputs_;
  std::vector<std::unique_ptr<TOutputFile>> outputs_;
  std::vector<std::unique_ptr<TInputStream>> inputStreams_;
  std::vector<TStreamBinding*> bindings_;  // of the run; into the output streams
  bool joinMode_ = false;
  int playingInput_ = 0;

  std::atomic<bool> running_{false};
  std::atomic<bool> ended_{false};
  std::atomic<bool> stopRequested_{false};
  bool completed_ = false;
  bool failed_ = false;
  std::string errorMessage_;
  std::string lastErrorText_;
  std::vector<std::string> writtenFiles_;

  std::unique_ptr<TConvertThread> thread_;
  std::thread notifyThread_;  // gives the end notification of a core that never ran
  std::mutex runDoneMutex_;
  std::condition_variable runDoneCondition_;
  bool runDone_ = true;
  bool endNotifying_ = false;
  app::TMainThread* mainThread_ = nullptr;
  std::atomic<std::thread::id> runThread_{};
  // Cleared by the destructor: the run's thread may outlive the core when an
  // end handler destroys it.
  std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);

  int64_t progressInterval_ = 500000;
  TRunStatistics runStatistics_;
  int64_t mediaPacketsWritten_ = 0;  // of this run, covers left out
  TPacketPtr readPacket_;

  // Frame conversion state of the run.
  THookConverter inputConverter_;   // the video input hook's
  THookConverter outputConverter_;  // shared by the video output hook and the preview
  bool inputHookOn_ = false, outputHookOn_ = false;
  std::vector<uint8_t> audioHookBuffer_;
  TFrameHookChain frameHooks_;  // "vhook" modules
  int64_t lastPreviewTime_ = 0;
  std::unique_ptr<IPreviewWindow> previewWindow_;
};

}  // namespace mediaconv::engine
