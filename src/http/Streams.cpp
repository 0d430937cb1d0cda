#include "http/Streams.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>

namespace mediaconv::http {

std::string TStream::ToString() {
  const uint64_t kept = Position();
  std::string text(size_t(Size()), '\0');
  Seek(0);
  size_t done = 0;
  while (done < text.size()) {
    const size_t count = Read(text.data() + done, text.size() - done);
    if (count == 0) break;
    done += count;
  }
  text.resize(done);
  Seek(kept);
  return text;
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (position_ >= size_) return 0;
  count = std::min(count, size_ - position_);
  std::memcpy(buffer, data_.get() + position_, count);
  position_ += count;
  return count;
}

void TMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return;
  const size_t end = position_ + count;
  // A body longer than announced grows the stream; it never writes past it.
  if (end > capacity_) Reserve(std::max(end, capacity_ + capacity_ / 2));
  std::memcpy(data_.get() + position_, buffer, count);
  position_ = end;
  size_ = std::max(size_, end);
}

void TMemoryStream::Seek(uint64_t position) { position_ = size_t(std::min<uint64_t>(position, size_)); }

namespace {

// Large bodies go into their own mapping with huge pages asked for: a
// download of hundreds of megabytes then costs a few hundred page faults,
// not tens of thousands.
constexpr size_t kMapThreshold = size_t(4) << 20;

}  // namespace

void TMemoryBlockDeleter::operator()(uint8_t* data) const {
  if (size != 0)
    ::munmap(data, size);
  else
    delete[] data;
}

void TMemoryStream::Reserve(size_t capacity) {
  if (capacity <= capacity_) return;
  std::unique_ptr<uint8_t[], TMemoryBlockDeleter> grown;
  if (capacity >= kMapThreshold) {
    void* mapped = ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    ::madvise(mapped, capacity, MADV_HUGEPAGE);
    grown = std::unique_ptr<uint8_t[], TMemoryBlockDeleter>(static_cast<uint8_t*>(mapped), TMemoryBlockDeleter{capacity});
  } else {
    // Not value-initialised: a pre-sized body is written once, not zeroed first.
    grown = std::unique_ptr<uint8_t[], TMemoryBlockDeleter>(new uint8_t[capacity], TMemoryBlockDeleter{0});
  }
  if (size_ > 0) std::memcpy(grown.get(), data_.get(), size_);
  data_ = std::move(grown);
  capacity_ = capacity;
}

TWinHTTPFileStream::TWinHTTPFileStream(const std::string& fileName, TMode mode) {
  std::error_code error;
  fileName_ = std::filesystem::absolute(fileName, error).string();
  if (error) fileName_ = fileName;
  const int flags = O_RDWR | O_CLOEXEC | O_CREAT | (mode == fmCreate ? O_TRUNC : 0);
  fd_ = ::open(fileName_.c_str(), flags, 0666);
  if (fd_ < 0) throw EFileStreamError("Cannot create file \"" + fileName_ + "\". " + std::strerror(errno));
}

TWinHTTPFileStream::~TWinHTTPFileStream() { Close(); }

void TWinHTTPFileStream::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

size_t TWinHTTPFileStream::Read(void* buffer, size_t count) {
  if (fd_ < 0) return 0;
  const ssize_t got = ::pread(fd_, buffer, count, off_t(position_));
  if (got <= 0) return 0;
  position_ += uint64_t(got);
  return size_t(got);
}

void TWinHTTPFileStream::Write(const void* buffer, size_t count) {
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  while (count > 0) {
    const ssize_t written = fd_ < 0 ? -1 : ::pwrite(fd_, bytes, count, off_t(position_));
    if (written < 0) {
      if (errno == EINTR) continue;
      throw EFileStreamError("Cannot write file \"" + fileName_ + "\". " + std::strerror(errno));
    }
    bytes += written;
    count -= size_t(written);
    position_ += uint64_t(written);
  }
}

uint64_t TWinHTTPFileStream::Size() const {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) return 0;
  return uint64_t(info.st_size);
}

}  // namespace mediaconv::http
