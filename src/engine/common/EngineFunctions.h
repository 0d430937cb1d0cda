#pragma once
#include <cstdint>
#include <string>

struct AVCodecContext;
struct AVCodecParameters;
struct AVDictionary;

namespace mediaconv::engine {

// Error codes of the engine's own, beside the library's (tags as the library
// makes them): an input that is not a regular file, by its kind.
constexpr int EngineErrorTag(char a, char b, char c, char d) {
  return -int(unsigned(uint8_t(a)) | unsigned(uint8_t(b)) << 8 | unsigned(uint8_t(c)) << 16 |
              unsigned(uint8_t(d)) << 24);
}
constexpr int kErrorNamedPipe = EngineErrorTag('M', 'C', 'N', 'P');
constexpr int kErrorCharacterDevice = EngineErrorTag('M', 'C', 'C', 'D');
constexpr int kErrorBlockDevice = EngineErrorTag('M', 'C', 'B', 'D');
constexpr int kErrorSocket = EngineErrorTag('M', 'C', 'S', 'O');

// "<fileName>: <text of the library error code>" (or of one of ours).
std::string ErrorText(const std::string& fileName, int code);

// Microseconds as "HH:MM:SS.mmm"; AV_NOPTS_VALUE gives "N/A", a negative
// value a leading "-".
std::string FormatDuration(int64_t microseconds);

// AVMediaType as "Video", "Audio", "Data", "Subtitle", "Attachment", else "Unknown".
std::string MediaTypeName(int type);

// The encoder's (or decoder's) name and long name for the codec of a stream,
// "name(long name)"; without a codec in the libraries, the codec id's name or
// the codec tag.
std::string CodecDescription(const AVCodecContext* context, bool encoder);
std::string CodecDescription(const AVCodecParameters* parameters, bool encoder);

// The value of the first entry for key (matched without regard to case), or defaultValue.
std::string MetadataValue(const AVDictionary* metadata, const std::string& key,
                          const std::string& defaultValue);

// Reads a whole file into contents: 0, or -1 when it cannot be opened or
// read, or AVERROR(ENOMEM) when there is not memory enough.
int ReadWholeFile(const std::string& name, std::string& contents);

}  // namespace mediaconv::engine
