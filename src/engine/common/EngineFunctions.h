#pragma once
#include <cstdint>
#include <string>

struct AVCodecContext;
struct AVCodecParameters;
struct AVDictionary;

namespace mediaconv::engine {

// "<fileName>: <text of the library error code>".
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
// read, or -12 when there is not memory enough.
int ReadWholeFile(const std::string& name, std::string& contents);

}  // namespace mediaconv::engine
