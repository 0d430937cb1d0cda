#include "app/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace mediaconv::app {
namespace {

// A settings or edition file is a few kilobytes; anything far larger is
// damage, and reading it whole would only cost memory.
constexpr off_t kMaxFileSize = 16 * 1024 * 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string Trim(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

// The name of a section header line, or nothing when the line is not one.
std::optional<std::string> SectionName(const std::string& line) {
  const std::string trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
  const size_t close = trimmed.find(']');
  return Trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

struct TKeyLine {
  std::string key;
  std::string value;
};

std::optional<TKeyLine> KeyLine(const std::string& line) {
  const size_t eq = line.find('=');
  if (eq == std::string::npos) return std::nullopt;
  std::string key = Trim(line.substr(0, eq));
  if (key.empty() || key.front() == ';') return std::nullopt;
  return TKeyLine{std::move(key), Trim(line.substr(eq + 1))};
}

// The platform's INI reader drops one pair of double quotes around a value,
// so editions and settings written for it may quote names and folders.
std::string Unquoted(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    return value.substr(1, value.size() - 2);
  return value;
}

// A line break inside a written text would end its line early and could
// plant keys of its own.
std::string OneLine(const std::string& text) {
  std::string line = text;
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  return line;
}

bool ReadWholeFile(const std::string& fileName, std::string& text) {
  // O_NONBLOCK so that a FIFO in the file's place cannot hang the reader.
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxFileSize;
  if (ok) {
    text.resize(static_cast<size_t>(info.st_size));
    size_t got = 0;
    while (true) {
      if (got == text.size()) text.resize(text.size() + 4096);  // the file grew meanwhile
      const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ok = false;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
      if (got > static_cast<size_t>(kMaxFileSize)) {
        ok = false;
        break;
      }
    }
    text.resize(got);
  }
  ::close(fd);
  if (!ok) text.clear();
  return ok;
}

[[noreturn]] void WriteFailed(const std::string& fileName, int error) {
  throw std::runtime_error("Cannot write file " + fileName + ": " + std::strerror(error));
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {
  std::string text;
  loaded_ = ReadWholeFile(fileName_, text);
  const size_t firstBreak = text.find('\n');
  if (firstBreak != std::string::npos && firstBreak > 0 && text[firstBreak - 1] == '\r') lineBreak_ = "\r\n";
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t lineEnd = end;
    if (lineEnd > start && text[lineEnd - 1] == '\r') --lineEnd;
    lines_.push_back(text.substr(start, lineEnd - start));
    start = end + 1;
  }
}

std::optional<size_t> TIniFile::FindSection(const std::string& section) const {
  const std::string wanted = Trim(section);
  for (size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionName(lines_[i]);
    if (name && SameText(*name, wanted)) return i;
  }
  return std::nullopt;
}

size_t TIniFile::SectionEnd(size_t sectionLine) const {
  size_t i = sectionLine + 1;
  while (i < lines_.size() && !SectionName(lines_[i])) ++i;
  return i;
}

std::optional<size_t> TIniFile::FindKey(size_t sectionLine, const std::string& key) const {
  const std::string wanted = Trim(key);
  const size_t end = SectionEnd(sectionLine);
  for (size_t i = sectionLine + 1; i < end; ++i) {
    const auto line = KeyLine(lines_[i]);
    if (line && SameText(line->key, wanted)) return i;
  }
  return std::nullopt;
}

bool TIniFile::SectionExists(const std::string& section) const { return FindSection(section).has_value(); }

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
  const auto sectionLine = FindSection(section);
  return sectionLine && FindKey(*sectionLine, key);
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
  const auto sectionLine = FindSection(section);
  if (!sectionLine) return def;
  const auto keyLine = FindKey(*sectionLine, key);
  if (!keyLine) return def;
  return Unquoted(KeyLine(lines_[*keyLine])->value);
}

int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key, int32_t def) const {
  const auto sectionLine = FindSection(section);
  if (!sectionLine) return def;
  const auto keyLine = FindKey(*sectionLine, key);
  if (!keyLine) return def;
  return ParseInteger(Unquoted(KeyLine(lines_[*keyLine])->value)).value_or(def);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  const std::string cleanKey = Trim(OneLine(key));
  const std::string cleanValue = OneLine(value);
  auto sectionLine = FindSection(section);
  if (!sectionLine) {
    std::string header(1, '[');
    header.append(Trim(OneLine(section))).append(1, ']');
    lines_.push_back(std::move(header));
    lines_.push_back(cleanKey + "=" + cleanValue);
    return;
  }
  if (const auto keyLine = FindKey(*sectionLine, key)) {
    lines_[*keyLine] = KeyLine(lines_[*keyLine])->key + "=" + cleanValue;
    return;
  }
  // After the section's last non-blank line, so the blank line that
  // separates it from the next section stays where it is.
  size_t insertAt = SectionEnd(*sectionLine);
  while (insertAt > *sectionLine + 1 && Trim(lines_[insertAt - 1]).empty()) --insertAt;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), cleanKey + "=" + cleanValue);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

std::string TIniFile::Text() const {
  std::string text;
  for (const auto& line : lines_) text += line + lineBreak_;
  return text;
}

void TIniFile::UpdateFile() const {
  fs::path target(fileName_);
  std::error_code ignored;
  // Write through a symbolic link rather than replace it with a file.
  if (fs::is_symlink(target, ignored)) target = fs::weakly_canonical(target, ignored);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string tempFile(1, '.');  // hidden, beside the file, so rename stays within one file system
  tempFile.append(target.filename().string()).append(".XXXXXX");
  std::string tempName = (folder / tempFile).string();
  const int fd = ::mkstemp(tempName.data());
  if (fd < 0) WriteFailed(fileName_, errno);

  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);

  const std::string text = Text();
  size_t written = 0;
  int error = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = errno;
      break;
    }
    written += static_cast<size_t>(n);
  }
  if (!error && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && !error) error = errno;
  if (!error && ::rename(tempName.c_str(), target.c_str()) != 0) error = errno;
  if (error) {
    ::unlink(tempName.c_str());
    WriteFailed(fileName_, error);
  }
}

std::optional<int32_t> TIniFile::ParseInteger(const std::string& text) {
  const std::string trimmed = Trim(text);
  size_t i = 0;
  bool negative = false;
  if (i < trimmed.size() && (trimmed[i] == '+' || trimmed[i] == '-')) negative = trimmed[i++] == '-';
  int base = 10;
  if (i < trimmed.size() && trimmed[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < trimmed.size() && trimmed[i] == '0' &&
             (trimmed[i + 1] == 'x' || trimmed[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == trimmed.size()) return std::nullopt;
  // Decimal numbers must fit a signed 32-bit value; hexadecimal ones fill
  // its 32 bits, so $FFFFFFFF is -1.
  const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  uint64_t value = 0;
  for (; i < trimmed.size(); ++i) {
    const char c = LowerAscii(trimmed[i]);
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (digit < 0) return std::nullopt;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (value > limit) return std::nullopt;
  }
  uint32_t bits = static_cast<uint32_t>(value);
  if (negative) bits = 0u - bits;
  return static_cast<int32_t>(bits);
}

}  // namespace mediaconv::app
