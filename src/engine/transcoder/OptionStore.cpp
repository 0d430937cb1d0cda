#include "engine/transcoder/OptionStore.h"

#include <new>

#include "engine/loader/Av.h"
#include "engine/log/FFLogger.h"
#include "engine/transcoder/OptionText.h"

namespace mediaconv::engine {

namespace {

constexpr AVMediaType kTemplateTypes[5] = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_DATA,
                                           AVMEDIA_TYPE_SUBTITLE, AVMEDIA_TYPE_ATTACHMENT};
// The option flags each codec template answers for; data and attachment take
// every option.
constexpr int kTemplateMasks[5] = {AV_OPT_FLAG_VIDEO_PARAM, AV_OPT_FLAG_AUDIO_PARAM, 0,
                                   AV_OPT_FLAG_SUBTITLE_PARAM, 0};

constexpr int kScalerTemplateSize = 16;

// "b" names the video bit rate ("ab" is the audio one); the current libraries
// also flag it for audio, which would give a video rate to the audio encoder.
bool IsVideoOnlyOption(const std::string& name) { return name == "b"; }

bool ClassHasOption(const AVClass* const* avClass, const char* name) {
  return *avClass &&
         av::av_opt_find(const_cast<const AVClass**>(avClass), name, nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ);
}

// Sets one stored option on an object when the template (or the object's
// private data) knows it and its flags hold the mask.
void CopyTemplateValue(void* target, void* optionTemplate, const std::string& name, int mask) {
  const AVOption* option = av::av_opt_find(optionTemplate, name.c_str(), nullptr, 0, 0);
  if (!option || (option->flags & mask) != mask) return;
  uint8_t* text = nullptr;
  if (av::av_opt_get(optionTemplate, name.c_str(), 0, &text) >= 0 && text)
    av::av_opt_set(target, name.c_str(), reinterpret_cast<const char*>(text), 0);
  av::av_free(text);
}

void SetPrivateValue(void* privateData, const TStoredOption& stored, int mask) {
  if (!privateData) return;
  const AVOption* option = av::av_opt_find(privateData, stored.name.c_str(), nullptr, 0, 0);
  if (option && (option->flags & mask) == mask)
    av::av_opt_set(privateData, stored.name.c_str(), stored.value.c_str(), 0);
}

}  // namespace

void TOptionStore::TCodecContextFree::operator()(AVCodecContext* context) const {
  if (av::avcodec_free_context) av::avcodec_free_context(&context);
}
void TOptionStore::TFormatContextFree::operator()(AVFormatContext* context) const {
  if (av::avformat_free_context) av::avformat_free_context(context);
}
void TOptionStore::TScalerFree::operator()(SwsContext* context) const {
  if (av::sws_freeContext) av::sws_freeContext(context);
}

TOptionStore::TOptionStore() = default;
TOptionStore::~TOptionStore() = default;

void TOptionStore::EnsureTemplates() {
  if (formatTemplate_) return;
  for (int i = 0; i < 5; ++i) {
    AVCodecContext* context = av::avcodec_alloc_context3(nullptr);
    if (!context) throw std::bad_alloc();
    context->codec_type = kTemplateTypes[i];
    codecTemplates_[i].reset(context);
  }
  scalerTemplate_.reset(av::sws_getContext(kScalerTemplateSize, kScalerTemplateSize, AV_PIX_FMT_YUV420P,
                                           kScalerTemplateSize, kScalerTemplateSize, AV_PIX_FMT_YUV420P,
                                           SWS_BICUBIC, nullptr, nullptr, nullptr));
  formatTemplate_.reset(av::avformat_alloc_context());
  if (!scalerTemplate_ || !formatTemplate_) throw std::bad_alloc();
}

AVCodecContext* TOptionStore::CodecTemplate(AVMediaType type) {
  EnsureTemplates();
  for (int i = 0; i < 5; ++i)
    if (kTemplateTypes[i] == type) return codecTemplates_[i].get();
  return nullptr;
}

AVFormatContext* TOptionStore::FormatTemplate() {
  EnsureTemplates();
  return formatTemplate_.get();
}

SwsContext* TOptionStore::ScalerTemplate() {
  EnsureTemplates();
  return scalerTemplate_.get();
}

int TOptionStore::ScalerFlags() {
  int64_t flags = SWS_BICUBIC;
  av::av_opt_get_int(ScalerTemplate(), "sws_flags", 0, &flags);
  return static_cast<int>(flags);
}

void TOptionStore::Clear() {
  for (auto& codecTemplate : codecTemplates_) codecTemplate.reset();
  formatTemplate_.reset();
  scalerTemplate_.reset();
  stored_.clear();
  legacyState_ = TLegacyState();
  warned_.clear();
}

void TOptionStore::WarnOnce(const std::string& key, const std::string& text) {
  if (!warned_.insert(key).second) return;
  TFFLogger::DefaultLogger().Log(this, llWarning, text);
}

bool TOptionStore::PrivateOptionExists(const std::string& name) const {
  void* state = nullptr;
  while (const AVCodec* codec = av::av_codec_iterate(&state))
    if (ClassHasOption(&codec->priv_class, name.c_str())) return true;
  // Muxer options such as "muxrate" moved out of the format context into
  // the muxers; look there too so that they still reach an output.
  state = nullptr;
  while (const AVOutputFormat* muxer = av::av_muxer_iterate(&state))
    if (ClassHasOption(&muxer->priv_class, name.c_str())) return true;
  state = nullptr;
  while (const AVInputFormat* demuxer = av::av_demuxer_iterate(&state))
    if (ClassHasOption(&demuxer->priv_class, name.c_str())) return true;
  return false;
}

bool TOptionStore::ApplyGenericOption(const std::string& rawName, const std::string& value) {
  const std::string name = TrimText(rawName);
  if (name.empty()) return false;
  EnsureTemplates();

  const std::optional<TLegacyTranslation> translation = TranslateLegacyOption(name, value, legacyState_);
  if (!translation) return ApplyCurrentOption(name, value) == TSetResult::kAccepted;

  if (translation->invalidValue) {
    av::av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", value.c_str(),
               name.c_str());
    return false;
  }
  for (const std::string& dropped : translation->dropped)
    WarnOnce(dropped, "Option \"" + dropped + "\" has no equivalent in the current libraries; ignored");
  bool accepted = true;
  for (const TTranslatedOption& option : translation->options) {
    const std::string oldForm = name + "=" + value;
    const std::string newForm = option.name + "=" + option.value;
    if (option.name == name) {
      // The rest of a flags value once its old flags were taken out.
      accepted = ApplyCurrentOption(option.name, option.value) == TSetResult::kAccepted && accepted;
      continue;
    }
    switch (ApplyCurrentOption(option.name, option.value)) {
      case TSetResult::kAccepted:
        WarnOnce(oldForm + "->" + newForm,
                 "Legacy option \"" + oldForm + "\" applied as \"" + newForm + "\"");
        break;
      case TSetResult::kRejected:
        accepted = false;
        break;
      case TSetResult::kUnknown:
        WarnOnce(newForm, "Option \"" + oldForm + "\" has no equivalent in the loaded libraries (\"" +
                              option.name + "\" is unknown); ignored");
        break;
    }
  }
  return accepted;
}

TOptionStore::TSetResult TOptionStore::ApplyCurrentOption(const std::string& name, const std::string& value) {
  const AVOption* matched = nullptr;
  unsigned templates = 0;
  int result = 0;
  const int codecTemplateCount = IsVideoOnlyOption(name) ? 1 : 5;
  for (int i = 0; i < codecTemplateCount && result >= 0; ++i) {
    if (!av::av_opt_find(codecTemplates_[0].get(), name.c_str(), nullptr, kTemplateMasks[i], 0)) continue;
    matched = av::av_opt_find(codecTemplates_[i].get(), name.c_str(), nullptr, 0, 0);
    result = av::av_opt_set(codecTemplates_[i].get(), name.c_str(), value.c_str(), 0);
    templates |= 1u << i;
  }
  const std::pair<void*, unsigned> others[] = {{formatTemplate_.get(), kStoredOnFormat},
                                               {scalerTemplate_.get(), kStoredOnScaler}};
  for (const auto& [other, bit] : others) {
    if (matched) break;
    matched = av::av_opt_find(other, name.c_str(), nullptr, 0, 0);
    if (matched) {
      result = av::av_opt_set(other, name.c_str(), value.c_str(), 0);
      templates = bit;
    }
  }
  if (!matched && name.size() > 1 && (name[0] == 'a' || name[0] == 'v' || name[0] == 's')) {
    const int index = name[0] == 'a' ? 1 : name[0] == 'v' ? 0 : 3;
    const std::string rest = name.substr(1);
    matched = av::av_opt_find(codecTemplates_[index].get(), rest.c_str(), nullptr, 0, 0);
    if (matched) {
      result = av::av_opt_set(codecTemplates_[index].get(), rest.c_str(), value.c_str(), 0);
      templates = 1u << index;
    }
  }
  if (matched && result < 0) {
    av::av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", value.c_str(),
               name.c_str());
    return TSetResult::kRejected;
  }
  if (matched) {
    stored_.push_back({matched->name, std::string(), templates});
  } else {
    if (!PrivateOptionExists(name)) return TSetResult::kUnknown;
    stored_.push_back({name, value, 0});
  }

  int64_t debug = 0;
  int64_t formatDebug = 0;
  av::av_opt_get_int(codecTemplates_[0].get(), "debug", 0, &debug);
  av::av_opt_get_int(formatTemplate_.get(), "fdebug", 0, &formatDebug);
  if (debug != 0 || formatDebug != 0) TFFLogger::DefaultLogger().SetLogLevel(llDebug);
  return TSetResult::kAccepted;
}

void TOptionStore::ApplyStoredOptions(AVCodecContext* context, const AVCodecContext* codecTemplate,
                                      int mask) const {
  if (!context || !codecTemplate) return;
  // A template of this store copies only what was set on it; any other
  // template is the caller's own and copies every recorded option it has.
  unsigned templateBit = ~0u;
  for (int i = 0; i < 5; ++i)
    if (codecTemplates_[i].get() == codecTemplate) templateBit = 1u << i;
  void* privateData = (context->codec && context->codec->priv_class) ? context->priv_data : nullptr;
  for (const TStoredOption& stored : stored_) {
    if (av::av_opt_find(const_cast<AVCodecContext*>(codecTemplate), stored.name.c_str(), nullptr, 0, 0)) {
      if (stored.templates & templateBit)
        CopyTemplateValue(context, const_cast<AVCodecContext*>(codecTemplate), stored.name, mask);
    } else {
      SetPrivateValue(privateData, stored, mask);
    }
  }
}

void TOptionStore::ApplyStoredOptions(AVCodecContext* context, int mask) const {
  if (!context || !formatTemplate_) return;
  for (int i = 0; i < 5; ++i)
    if (kTemplateTypes[i] == context->codec_type)
      return ApplyStoredOptions(context, codecTemplates_[i].get(), mask);
}

void TOptionStore::ApplyStoredOptions(AVFormatContext* context, int mask) const {
  if (!context || !formatTemplate_) return;
  const AVClass* privateClass = context->oformat   ? context->oformat->priv_class
                                : context->iformat ? context->iformat->priv_class
                                                   : nullptr;
  void* privateData = privateClass ? context->priv_data : nullptr;
  for (const TStoredOption& stored : stored_) {
    if (av::av_opt_find(formatTemplate_.get(), stored.name.c_str(), nullptr, 0, 0)) {
      if (stored.templates & kStoredOnFormat)
        CopyTemplateValue(context, formatTemplate_.get(), stored.name, mask);
    } else {
      SetPrivateValue(privateData, stored, mask);
    }
  }
}

}  // namespace mediaconv::engine
