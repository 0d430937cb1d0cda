#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/log/FFLogger.h"
#include "engine/transcoder/FFmpegException.h"
#include "engine/transcoder/OptionStore.h"
#include "engine/transcoder/OptionText.h"
#include "engine/transcoder/TranscoderSettings.h"

extern "C" {
#include <libavutil/rational.h>
}

namespace mediaconv::engine {

// What consumes the value of an option: after that step the fields the option
// set are back at their defaults. Global options keep their value for the run.
enum class TOptionScope {
  kGlobal,
  kNextInput,        // the input opened next
  kNextOutput,       // the output file set up next
  kNextVideoStream,  // the next output stream of the kind
  kNextAudioStream,
  kNextSubtitleStream,
};

// One option's argument, read according to the option's kind.
struct TArgument;

// The input record's fields that are applied after the option text of an
// input: "f", "ss" (unless unset) and "programid" (when 0 or more).
struct TInputFields {
  std::string formatName;
  std::int64_t startTime = AV_NOPTS_VALUE;
  int programId = -1;
};

// What the output record contributes to the processing of an output's
// option text.
struct TOutputFields {
  // The record's defaults of the first streams; empty leaves them unset.
  std::string audioCodec, videoCodec, subtitleCodec;
  std::string audioPreset, videoPreset, subtitlePreset;
  std::string frameSize, videoFilters;
  // Called after the defaults are taken and before anything is applied
  // (the record's target preset).
  std::function<void()> beforeOptions;
  // Called after the text's lines: the record's other fields, which override
  // the same options of the text.
  std::function<void()> applyRecordFields;
};

// The settings half of the transcoder: the option vocabulary, the option text
// of inputs and outputs, the library option store, presets and targets. The
// run itself (TCustomFFmpeg) derives from it and implements the hooks.
class TTranscoderOptions {
 public:
  TTranscoderOptions();
  virtual ~TTranscoderOptions();
  TTranscoderOptions(const TTranscoderOptions&) = delete;
  TTranscoderOptions& operator=(const TTranscoderOptions&) = delete;

  // One option by name (lower case, without the dash). Raises FFmpegException
  // with the option's message.
  void ApplyOption(const std::string& name, const std::string& value);

  // The option text of an input: every line but the per-stream ones, the
  // record's fields, then OpenInputFile.
  void ApplyInputOptionText(const std::string& fileName, const std::string& optionText,
                            const TInputFields& fields);
  // The option text of an output: the first streams' codecs and presets, the
  // lines, the record's fields, OpenOutputFile, then the streams that the
  // text adds with newaudio, newvideo, newsubtitle.
  void ApplyOutputOptionText(const std::string& fileName, bool join, const std::string& optionText,
                             const TOutputFields& fields);

  // Presets: "apre", "vpre", "spre" (built-in table, codec name + "-" +
  // value, else a file) and "fpre" (a file). An empty value does nothing.
  void ApplyPreset(const std::string& optionName, const std::string& value);
  // Target preset: type "vcd", "svcd", "dvd", "dv", "dv50"; norm word "pal",
  // "ntsc", "film", or anything else for automatic; the default norm word
  // decides when automatic finds nothing.
  void ApplyTargetPreset(const std::string& type, const std::string& normWord,
                         const std::string& defaultNormWord);

  // Typed setters of the encoder component.
  void SetAudioVolume(int volume);  // ignored when negative
  void SetAudioSyncMethod(int method);
  void SetVideoSyncMethod(int method);
  void SetMuxMaxDelay(float seconds);           // ignored unless above 0
  void SetMuxPreload(float seconds);            // ignored unless above 0
  void SetStartTime(std::int64_t time);         // ignored when unset
  void SetRecordingTime(std::int64_t time);     // ignored when unset; also the expected duration
  void SetProgramId(int programId);             // ignored when negative
  void SetFormatName(const std::string& name);  // ignored when empty
  void SetPreview(bool preview);
  void SetPreviewBitmap(bool previewBitmap);
  void SetHookBitsPerPixel(int bitsPerPixel);
  void AddMetadata(const std::string& key, const std::string& value);

  // Puts every field that the step of the scope consumes back to its
  // default: the fields bound by the vocabulary's rows of that scope, and the
  // fields that handlers write or that a second step consumes too.
  static void ResetScope(TTranscoderSettings& settings, TOptionScope scope);
  // Names of the vocabulary's options of a scope, in table order.
  static std::vector<std::string> OptionsOfScope(TOptionScope scope);

  const TTranscoderSettings& Settings() const { return settings_; }
  TTranscoderSettings& Settings() { return settings_; }
  TOptionStore& OptionStore() { return optionStore_; }

  // Argument kinds of the vocabulary, also for the run's own parsing.
  // Whole numbers: decimal, "$" or "0x" hexadecimal.
  static int ParseInt(const std::string& text);
  static std::int64_t ParseInt64(const std::string& text);
  static double ParseFloat(const std::string& text);
  // Duration ("t") or date ("timestamp") through av_parse_time; raises
  // "Invalid duration/date specification for <option>: <value>".
  static std::int64_t ParseTime(const std::string& optionName, const std::string& value, bool isDuration);

 protected:
  // Hooks of the run.
  // Opens and analyses the input; raises FFmpegException on failure.
  virtual void OpenInputFile(const std::string& fileName) = 0;
  // Sets up the output file and its first streams; raises on failure.
  virtual void OpenOutputFile(const std::string& fileName, bool join) = 0;
  virtual int OutputFileCount() const = 0;
  // Adds a stream of the kind to the last output file with the current
  // settings (only called when there is an output file).
  virtual void NewVideoStream() = 0;
  virtual void NewAudioStream() = 0;
  virtual void NewSubtitleStream() = 0;
  // Registers a legacy frame hook (first word: the module file); false on failure.
  virtual bool AddFrameHook(const std::vector<std::string>& words) = 0;
  // Frame rates of the video streams of the inputs opened so far, in order:
  // the target preset guesses its television norm from them.
  virtual std::vector<AVRational> InputVideoFrameRates() const = 0;

  // Logs through the shared logger.
  void LogMessage(TLogLevel level, const std::string& text) const;

  TTranscoderSettings settings_;
  TOptionStore optionStore_;

 private:
  struct TOptionEntry;
  static const std::vector<TOptionEntry>& Vocabulary();

  // A row without a handler: its argument into its field.
  void StoreField(const TOptionEntry& entry, const TArgument& argument);
  // Handlers of the vocabulary that need more than a line.
  void SetCodecName(int mediaKind, const std::string& value);
  void SetBitrate(const std::string& name, const std::string& value, AVMediaType templateType);
  void SetFrameRate(const std::string& value);
  void SetFrameSize(const std::string& value);
  void SetAspect(const std::string& value);
  void SetPixelFormat(const std::string& value);
  void SetSampleFormat(const std::string& value);
  void SetMatrix(std::vector<std::uint16_t>& matrix, const std::string& value);
  void SetTag(std::uint32_t& tag, const std::string& value);
  void SetTimeScale(const std::string& value);
  void AddMetadataOption(const std::string& value);
  void AddStreamMap(const std::string& value);
  void AddMetadataMap(const std::string& value);
  void AddChapterMap(const std::string& value);
  void SetStreamId(const std::string& name, const std::string& value);
  void AddBitstreamFilter(std::vector<const AVBitStreamFilter*>& chain, const std::string& value);
  void SetVstats();
  void AddVideoHook(const std::string& value);
  void RequestNewStream(AVMediaType type);
  void ApplyTargetOption(const std::string& value);

  void ApplyPresetText(const std::string& displayName, const std::string& text);

  bool meThresholdWarned_ = false;
  bool threadsWarned_ = false;
};

}  // namespace mediaconv::engine
