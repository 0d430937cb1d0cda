#include "engine/common/UnicodeProtocol.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <unordered_set>
#include <utility>

#include "engine/common/EngineFunctions.h"
#include "engine/loader/Av.h"

namespace mediaconv::engine {
namespace {

constexpr std::size_t kPrefixLength = 13;  // "unicode:utf8:"
constexpr int kBufferSize = 64 * 1024;
// Characters a protocol name may have, as the format library reads a URL.
constexpr const char* kSchemeChars = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-.";
// No protocol may open another resource from inside a local input (a
// playlist's segments, a concat list's files): our own I/O reads the file.
constexpr const char* kInputProtocolWhitelist = "";

struct TUnicodeFile {
  int fd = -1;
};

// The custom I/O contexts we made, so that closing tells them from the
// library's own.
struct TCustomContexts {
  std::mutex mutex;
  std::unordered_set<AVIOContext*> contexts;
};

TCustomContexts& CustomContexts() {
  static TCustomContexts& contexts = *new TCustomContexts;
  return contexts;
}

bool IsCustom(AVIOContext* pb) {
  TCustomContexts& custom = CustomContexts();
  std::scoped_lock lock(custom.mutex);
  return custom.contexts.count(pb) > 0;
}

int ReadPacket(void* opaque, uint8_t* buffer, int size) {
  const int fd = static_cast<TUnicodeFile*>(opaque)->fd;
  for (;;) {
    const ssize_t count = ::read(fd, buffer, std::size_t(size));
    if (count > 0) return int(count);
    if (count == 0) return AVERROR_EOF;
    if (errno != EINTR) return AVERROR(errno);
  }
}

// Generic in the buffer's constness: the library made it const in later versions.
constexpr auto kWritePacket = [](void* opaque, auto* buffer, int size) -> int {
  const int fd = static_cast<TUnicodeFile*>(opaque)->fd;
  int written = 0;
  while (written < size) {
    const ssize_t count = ::write(fd, buffer + written, std::size_t(size - written));
    if (count < 0) {
      if (errno == EINTR) continue;
      return AVERROR(errno);
    }
    written += int(count);
  }
  return written;
};

int64_t Seek(void* opaque, int64_t position, int whence) {
  const int fd = static_cast<TUnicodeFile*>(opaque)->fd;
  if (whence & AVSEEK_SIZE) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return AVERROR(errno);
    return int64_t(info.st_size);
  }
  const off_t result = ::lseek(fd, off_t(position), whence & ~AVSEEK_FORCE);
  return result < 0 ? AVERROR(errno) : int64_t(result);
}

// An input that is not a regular file: a pipe or device would block or never
// end, and an input is opened twice (probe, then convert).
int NotRegularFileError(mode_t mode) {
  static constexpr std::pair<mode_t, int> kKinds[] = {{S_IFIFO, kErrorNamedPipe},
                                                      {S_IFCHR, kErrorCharacterDevice},
                                                      {S_IFBLK, kErrorBlockDevice},
                                                      {S_IFSOCK, kErrorSocket},
                                                      {S_IFDIR, AVERROR(EISDIR)}};
  for (const auto& [kind, error] : kKinds)
    if ((mode & S_IFMT) == kind) return error;
  return S_ISREG(mode) ? 0 : AVERROR(EINVAL);
}

// Opens a regular file for reading without blocking on a pipe (O_NONBLOCK),
// checking what was opened rather than the name, so nothing can swap in
// between.
int OpenRegularFile(const std::string& name) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    const int error = AVERROR(errno);
    struct stat info {};
    if (::stat(name.c_str(), &info) == 0 && NotRegularFileError(info.st_mode))
      return NotRegularFileError(info.st_mode);
    return error;
  }
  struct stat info {};
  const int error = ::fstat(fd, &info) != 0 ? AVERROR(errno) : NotRegularFileError(info.st_mode);
  if (error == 0 && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0) return fd;
  ::close(fd);
  return error ? error : AVERROR(EIO);
}

int OpenCustom(const std::string& url, int flags, AVIOContext** pb) {
  *pb = nullptr;
  const std::string name = URLToFileName(url);
  const bool write = flags & AVIO_FLAG_WRITE;
  const bool read = !write || (flags & AVIO_FLAG_READ);
  int fd = -1;
  if (write) {
    fd = ::open(name.c_str(), O_CLOEXEC | (read ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return AVERROR(errno);
  } else {
    fd = OpenRegularFile(name);
    if (fd < 0) return fd;
  }

  auto* file = new TUnicodeFile{fd};
  auto* buffer = static_cast<unsigned char*>(av::av_malloc(kBufferSize));
  decltype(AVIOContext::write_packet) writePacket = nullptr;
  if (write) writePacket = kWritePacket;
  AVIOContext* context = buffer ? av::avio_alloc_context(buffer, kBufferSize, write ? 1 : 0, file,
                                                         read ? &ReadPacket : nullptr, writePacket, &Seek)
                                : nullptr;
  if (!context) {
    av::av_free(buffer);
    ::close(fd);
    delete file;
    return AVERROR(ENOMEM);
  }
  {
    TCustomContexts& custom = CustomContexts();
    std::scoped_lock lock(custom.mutex);
    custom.contexts.insert(context);
  }
  *pb = context;
  return 0;
}

int CloseCustom(AVIOContext* pb) {
  {
    TCustomContexts& custom = CustomContexts();
    std::scoped_lock lock(custom.mutex);
    custom.contexts.erase(pb);
  }
  if (pb->write_flag) av::avio_flush(pb);
  int result = pb->error < 0 ? pb->error : 0;
  auto* file = static_cast<TUnicodeFile*>(pb->opaque);
  if (::close(file->fd) != 0 && result == 0) result = AVERROR(errno);
  delete file;
  av::av_freep(&pb->buffer);  // the library may have replaced the buffer we gave it
  av::avio_context_free(&pb);
  return result;
}

// Whether a name reads as "protocol:..." to the format library, and which.
bool ProtocolPart(const std::string& name, std::string& protocol) {
  const std::size_t length = std::strspn(name.c_str(), kSchemeChars);
  if (length >= name.size() || name[length] != ':') return false;
  protocol = name.substr(0, length);
  return true;
}

// A URL that names a local file: ours, "file:", or a plain name. These are
// read through our own I/O, which refuses what is not a regular file.
bool IsLocalURL(const std::string& url) {
  std::string protocol;
  return IsUnicodeURL(url) || !ProtocolPart(url, protocol) || protocol == "file";
}

}  // namespace

bool IsUnicodeURL(const std::string& url) {
  return url.size() > kPrefixLength && url.compare(0, kPrefixLength, kUnicodeURLPrefix) == 0;
}

std::string FileNameToURL(const std::string& name) {
  std::string protocol;
  if (!ProtocolPart(name, protocol)) return name;
  return "file:" + name;
}

std::string URLToFileName(const std::string& url) {
  if (IsUnicodeURL(url)) return url.substr(kPrefixLength);
  if (url.compare(0, 5, "file:") == 0) return url.substr(5);
  return url;
}

int OpenInputURL(AVFormatContext** context, const std::string& url, const AVInputFormat* format,
                 AVDictionary** options) {
  if (!*context) *context = av::avformat_alloc_context();
  if (!*context) return AVERROR(ENOMEM);
  if (const int error = av::av_opt_set(*context, "protocol_whitelist", kInputProtocolWhitelist, 0);
      error < 0) {
    av::avformat_free_context(*context);
    *context = nullptr;
    return error;
  }
  if (!IsLocalURL(url) || (*context)->pb)
    return av::avformat_open_input(context, url.c_str(), format, options);
  AVIOContext* pb = nullptr;
  if (const int error = OpenCustom(url, AVIO_FLAG_READ, &pb); error < 0) {
    if (*context) av::avformat_free_context(*context);  // as avformat_open_input does on failure
    *context = nullptr;
    return error;
  }
  AVFormatContext* opened = *context;
  opened->pb = pb;
  opened->flags |= AVFMT_FLAG_CUSTOM_IO;
  const int error = av::avformat_open_input(&opened, url.c_str(), format, options);
  // On failure the library freed the format context but leaves custom I/O to us.
  if (error < 0) CloseCustom(pb);
  *context = opened;
  return error;
}

void CloseInputURL(AVFormatContext** context) {
  if (!context || !*context) return;
  AVIOContext* pb = (*context)->pb;
  const bool custom = ((*context)->flags & AVFMT_FLAG_CUSTOM_IO) && pb && IsCustom(pb);
  av::avformat_close_input(context);
  if (custom) CloseCustom(pb);
}

int OpenOutputURL(AVIOContext** pb, const std::string& url, int flags,
                  const AVIOInterruptCB* interruptCallback, AVDictionary** options) {
  if (IsUnicodeURL(url)) return OpenCustom(url, flags, pb);
  return av::avio_open2(pb, url.c_str(), flags, interruptCallback, options);
}

int CloseOutputURL(AVIOContext** pb) {
  if (!pb || !*pb) return 0;
  AVIOContext* context = *pb;
  *pb = nullptr;
  if (IsCustom(context)) return CloseCustom(context);
  if (context->write_flag) av::avio_flush(context);
  const int writeError = context->error;
  const int closeError = av::avio_close(context);
  return writeError < 0 ? writeError : closeError;
}

}  // namespace mediaconv::engine
