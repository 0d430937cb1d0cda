#pragma once
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/transcoder/LegacyOptions.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

struct SwsContext;

namespace mediaconv::engine {

// Flag masks for ApplyStoredOptions: an option is copied only when its flags
// hold every bit of the mask.
constexpr int kOptionMaskEncoding = AV_OPT_FLAG_ENCODING_PARAM;
constexpr int kOptionMaskDecoding = AV_OPT_FLAG_DECODING_PARAM;
constexpr int kOptionMaskVideoDecoding = AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_DECODING_PARAM;
constexpr int kOptionMaskAudioDecoding = AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_DECODING_PARAM;
constexpr int kOptionMaskVideoEncoding = AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM;
constexpr int kOptionMaskAudioEncoding = AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_ENCODING_PARAM;
constexpr int kOptionMaskSubtitleEncoding = AV_OPT_FLAG_SUBTITLE_PARAM | AV_OPT_FLAG_ENCODING_PARAM;

// One accepted generic option. A name that matched an option of a template
// keeps that option's own name and an empty value (the template holds the
// value); a name known only as a private option of some codec or muxer keeps
// the value as given. A template option is copied only onto contexts whose
// template took it: a video bit rate must not carry the audio template's
// default onto an audio encoder.
struct TStoredOption {
  std::string name;
  std::string value;
  // Bit i: codec template i (video, audio, data, subtitle, attachment) took
  // the option; kStoredOnFormat and kStoredOnScaler for the other two.
  unsigned templates = 0;
};

constexpr unsigned kStoredOnFormat = 1u << 5;
constexpr unsigned kStoredOnScaler = 1u << 6;

// The library option store of one transcoder: templates of the libraries'
// codec, format and scaler contexts that take every option the transcoder
// does not know itself, and the list of accepted names that is copied onto
// each context created later. Templates are made on first use, so the media
// libraries must be loaded by then.
class TOptionStore {
 public:
  TOptionStore();
  ~TOptionStore();
  TOptionStore(const TOptionStore&) = delete;
  TOptionStore& operator=(const TOptionStore&) = delete;

  // Sets a library option by name; true when something accepted it. Never
  // raises; a known option with a bad value is logged by the library log.
  bool ApplyGenericOption(const std::string& name, const std::string& value);

  // Copies the recorded options onto a new codec context: values of template
  // options whose flags hold every bit of mask, and the recorded values of
  // the codec's private options.
  void ApplyStoredOptions(AVCodecContext* context, const AVCodecContext* codecTemplate, int mask) const;
  // The same with the template of the context's media type.
  void ApplyStoredOptions(AVCodecContext* context, int mask) const;
  // The same for a format context (private options of its muxer or demuxer
  // included).
  void ApplyStoredOptions(AVFormatContext* context, int mask) const;

  // The option templates (created on first use). Media types beyond
  // subtitle and attachment have no template and give nullptr.
  AVCodecContext* CodecTemplate(AVMediaType type);
  AVFormatContext* FormatTemplate();
  SwsContext* ScalerTemplate();
  // "sws_flags" of the scaler template (4, bicubic, unless changed).
  int ScalerFlags();

  const std::vector<TStoredOption>& StoredOptions() const { return stored_; }

  // Frees the templates and forgets every recorded option.
  void Clear();

 private:
  enum class TSetResult { kAccepted, kRejected, kUnknown };

  void EnsureTemplates();
  TSetResult ApplyCurrentOption(const std::string& name, const std::string& value);
  void WarnOnce(const std::string& key, const std::string& text);
  bool PrivateOptionExists(const std::string& name) const;

  struct TCodecContextFree {
    void operator()(AVCodecContext* context) const;
  };
  struct TFormatContextFree {
    void operator()(AVFormatContext* context) const;
  };
  struct TScalerFree {
    void operator()(SwsContext* context) const;
  };

  // Video, audio, data, subtitle, attachment.
  std::unique_ptr<AVCodecContext, TCodecContextFree> codecTemplates_[5];
  std::unique_ptr<AVFormatContext, TFormatContextFree> formatTemplate_;
  std::unique_ptr<SwsContext, TScalerFree> scalerTemplate_;
  std::vector<TStoredOption> stored_;
  TLegacyState legacyState_;
  std::set<std::string> warned_;
};

}  // namespace mediaconv::engine
