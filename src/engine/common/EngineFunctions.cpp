#include "engine/common/EngineFunctions.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <new>
#include <utility>

#include "engine/loader/Av.h"

namespace mediaconv::engine {
namespace {

std::string Trimmed(const char* text) {
  if (!text) return {};
  std::string value(text);
  const auto first = value.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = value.find_last_not_of(" \t\r\n");
  return value.substr(first, last - first + 1);
}

std::string Describe(AVCodecID id, unsigned int tag, bool encoder) {
  const AVCodec* codec = nullptr;
  if (encoder && av::avcodec_find_encoder) codec = av::avcodec_find_encoder(id);
  if (!encoder && av::avcodec_find_decoder) codec = av::avcodec_find_decoder(id);
  if (codec) {
    const std::string longName = Trimmed(codec->long_name);
    return longName.empty() ? std::string(codec->name) : std::string(codec->name) + "(" + longName + ")";
  }
  if (id == AV_CODEC_ID_MPEG2TS) return "mpeg2ts";
  // The codec name a context once carried is the codec id's name now.
  if (id != AV_CODEC_ID_NONE && av::avcodec_descriptor_get) {
    if (const AVCodecDescriptor* descriptor = av::avcodec_descriptor_get(id)) {
      const std::string name = Trimmed(descriptor->name);
      if (!name.empty()) return name;
    }
  }
  char text[32];
  const unsigned char bytes[4] = {uint8_t(tag), uint8_t(tag >> 8), uint8_t(tag >> 16), uint8_t(tag >> 24)};
  bool printable = true;
  for (unsigned char byte : bytes) printable = printable && byte >= 32 && byte <= 126;
  if (printable)
    std::snprintf(text, sizeof text, "%c%c%c%c / 0x%04X", bytes[0], bytes[1], bytes[2], bytes[3], tag);
  else
    std::snprintf(text, sizeof text, "0x%04x", tag);
  return text;
}

// Texts of the engine's own error codes.
constexpr std::pair<int, const char*> kEngineErrors[] = {
    {kErrorNamedPipe, "Not a regular file (named pipe)"},
    {kErrorCharacterDevice, "Not a regular file (character device)"},
    {kErrorBlockDevice, "Not a regular file (block device)"},
    {kErrorSocket, "Not a regular file (socket)"},
};

}  // namespace

std::string ErrorText(const std::string& fileName, int code) {
  const char* known = nullptr;
  switch (code) {
    case AVERROR(ENOENT):
      known = "No such file or directory";
      break;
    case AVERROR(EIO):
      known = "I/O error";
      break;
    case AVERROR(ENOMEM):
      known = "Not enough memory";
      break;
    case AVERROR_INVALIDDATA:
      known = "Invalid data found when processing input";
      break;
    case AVERROR_EOF:
      known = "End of file";
      break;
    case AVERROR(EDOM):
      known = "Number syntax expected in filename";
      break;
    case AVERROR_DEMUXER_NOT_FOUND:
    case AVERROR_MUXER_NOT_FOUND:
      known = "Unknown format";
      break;
    case AVERROR_PROTOCOL_NOT_FOUND:
      known = "Unsupported network protocol";
      break;
    case AVERROR_PATCHWELCOME:
      known = "Not yet implemented in FFmpeg";
      break;
    default:
      for (const auto& [engineCode, text] : kEngineErrors)
        if (code == engineCode) known = text;
      break;
  }
  if (known) return fileName + ": " + known;
  char text[256];
  if (av::av_strerror && av::av_strerror(code, text, sizeof text) == 0) return fileName + ": " + text;
  std::snprintf(text, sizeof text, "Error number %d occurred", code);
  return fileName + ": " + text;
}

std::string FormatDuration(int64_t microseconds) {
  if (microseconds == AV_NOPTS_VALUE) return "N/A";
  // Unsigned so that the most negative value other than "no value" still negates.
  const bool negative = microseconds < 0;
  const uint64_t t = negative ? 0 - uint64_t(microseconds) : uint64_t(microseconds);
  const uint64_t seconds = t / 1000000;
  char text[64];
  std::snprintf(text, sizeof text, "%s%.2" PRIu64 ":%.2" PRIu64 ":%.2" PRIu64 ".%.3" PRIu64,
                negative ? "-" : "", seconds / 3600, seconds / 60 % 60, seconds % 60, t / 1000 % 1000);
  return text;
}

std::string MediaTypeName(int type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO:
      return "Video";
    case AVMEDIA_TYPE_AUDIO:
      return "Audio";
    case AVMEDIA_TYPE_DATA:
      return "Data";
    case AVMEDIA_TYPE_SUBTITLE:
      return "Subtitle";
    case AVMEDIA_TYPE_ATTACHMENT:
      return "Attachment";
    default:
      return "Unknown";
  }
}

std::string CodecDescription(const AVCodecContext* context, bool encoder) {
  if (!context) return {};
  return Describe(context->codec_id, context->codec_tag, encoder);
}

std::string CodecDescription(const AVCodecParameters* parameters, bool encoder) {
  if (!parameters) return {};
  return Describe(parameters->codec_id, parameters->codec_tag, encoder);
}

std::string MetadataValue(const AVDictionary* metadata, const std::string& key,
                          const std::string& defaultValue) {
  if (!metadata || !av::av_dict_get) return defaultValue;
  const AVDictionaryEntry* entry = av::av_dict_get(metadata, key.c_str(), nullptr, 0);
  return entry && entry->value ? std::string(entry->value) : defaultValue;
}

int ReadWholeFile(const std::string& name, std::string& contents) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(name.c_str(), "rb"), &std::fclose);
  if (!file) return -1;
  std::string data;
  try {
    char chunk[65536];
    for (std::size_t count; (count = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;)
      data.append(chunk, count);
  } catch (const std::bad_alloc&) {
    return AVERROR(ENOMEM);
  } catch (const std::length_error&) {
    return AVERROR(ENOMEM);
  }
  if (std::ferror(file.get())) return -1;
  contents = std::move(data);
  return 0;
}

}  // namespace mediaconv::engine
