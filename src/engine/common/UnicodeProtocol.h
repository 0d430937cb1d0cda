#pragma once
#include <string>

struct AVFormatContext;
struct AVInputFormat;
struct AVDictionary;
struct AVIOContext;
struct AVIOInterruptCB;

namespace mediaconv::engine {

// "unicode:utf8:<name>": a file name carried as a URL. Linux names are UTF-8
// bytes already, so FileNameToURL never needs this form; such URLs still open
// (below) and read back.
constexpr const char* kUnicodeURLPrefix = "unicode:utf8:";

// True for "unicode:utf8:" followed by at least one byte.
bool IsUnicodeURL(const std::string& url);

// The text to hand to the libraries for a file name: a plain local name as it
// is, or with "file:" in front when its text before ":" would read as a
// protocol ("pipe:0.mp4", "http:x.mp4", "a:b.mp4"). A file name is always a
// local file: names come from the file system, never from a user's URL.
std::string FileNameToURL(const std::string& name);
// Back from a URL to a file name: decodes "unicode:utf8:" and drops "file:".
std::string URLToFileName(const std::string& url);

// avformat_open_input for local inputs: a plain name, "file:" or
// "unicode:utf8:" URL is read through our own AVIOContext (reads, seeks,
// answers the size query), which refuses what is not a regular file. No
// protocol is whitelisted, so nothing inside the file (a playlist, a concat
// list) can open a network address or another file; other URLs fail.
// Close with CloseInputURL or hold the context in a TInputFormatPtr (AvHandles.h).
int OpenInputURL(AVFormatContext** context, const std::string& url, const AVInputFormat* format,
                 AVDictionary** options);
void CloseInputURL(AVFormatContext** context);

// avio_open2 that also opens "unicode:utf8:" URLs (read, write, seek, size
// query). Close with CloseOutputURL or hold the context in a TIOContextPtr.
int OpenOutputURL(AVIOContext** pb, const std::string& url, int flags,
                  const AVIOInterruptCB* interruptCallback = nullptr, AVDictionary** options = nullptr);
// Flushes and closes either kind; returns 0 or the error of the last write or
// of the close (so lost data is not reported as success).
int CloseOutputURL(AVIOContext** pb);

}  // namespace mediaconv::engine
