#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace mediaconv::http {

// A byte stream with a position, the way the transfer's events hand out
// their body.
class TStream {
 public:
  virtual ~TStream() = default;
  virtual size_t Read(void* buffer, size_t count) = 0;
  virtual void Write(const void* buffer, size_t count) = 0;
  virtual uint64_t Size() const = 0;
  virtual uint64_t Position() const = 0;
  virtual void Seek(uint64_t position) = 0;

  // Everything from the start, whatever the position; the position is kept.
  std::string ToString();
};

// Frees the memory of a TMemoryStream: a mapping of size bytes, or heap memory (size 0).
struct TMemoryBlockDeleter {
  size_t size = 0;
  void operator()(uint8_t* data) const;
};

// Grows as it is written; Reserve sizes it in advance so a body of known
// length is stored without copying.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;
  uint64_t Size() const override { return size_; }
  uint64_t Position() const override { return position_; }
  void Seek(uint64_t position) override;

  void Reserve(size_t capacity);
  size_t Capacity() const { return capacity_; }
  const uint8_t* Memory() const { return data_.get(); }

 private:
  std::unique_ptr<uint8_t[], TMemoryBlockDeleter> data_;
  size_t capacity_ = 0;
  size_t size_ = 0;
  size_t position_ = 0;
};

class EFileStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The output file of a transfer: opened for reading and writing, created
// anew (truncated) or opened as it is. Raises "Cannot create file "%s". %s"
// with the full name when it cannot.
class TWinHTTPFileStream : public TStream {
 public:
  enum TMode { fmCreate, fmOpen };
  TWinHTTPFileStream(const std::string& fileName, TMode mode);
  ~TWinHTTPFileStream() override;
  TWinHTTPFileStream(const TWinHTTPFileStream&) = delete;
  TWinHTTPFileStream& operator=(const TWinHTTPFileStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;
  uint64_t Size() const override;
  uint64_t Position() const override { return position_; }
  void Seek(uint64_t position) override { position_ = position; }

  const std::string& FileName() const { return fileName_; }
  void Close();

 private:
  std::string fileName_;
  int fd_ = -1;
  uint64_t position_ = 0;
};

}  // namespace mediaconv::http
