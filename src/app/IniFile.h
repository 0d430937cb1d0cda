#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mediaconv::app {

// An INI text file held in memory: sections and keys match without regard to
// (ASCII) case, the first occurrence of a section or key wins, a missing file
// or key gives the default, an integer that does not parse gives the
// default, and a value loses one pair of surrounding double quotes. Writing a key rewrites its line in place
// and keeps every other line as it was, so hand edits and unknown keys survive. UpdateFile writes the whole
// text atomically (temporary file + rename), so a crash never leaves half a file behind.
class TIniFile {
 public:
  // Reads the file; a file that is missing or cannot be read is empty.
  explicit TIniFile(std::string fileName);

  const std::string& FileName() const { return fileName_; }
  // Whether the file existed and could be read when it was loaded.
  bool Loaded() const { return loaded_; }

  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;

  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t def) const;
  // Booleans are integers: 0 is false, any other number true.
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int32_t value);
  void WriteBool(const std::string& section, const std::string& key, bool value);

  // The text as it would be written.
  std::string Text() const;
  // Writes the text to the file; throws std::runtime_error naming the file
  // and the reason when it cannot.
  void UpdateFile() const;

  // Integer text as the store reads it: optional spaces and sign, decimal
  // digits or a "0x"/"$" hexadecimal number, within 32 bits.
  static std::optional<int32_t> ParseInteger(const std::string& text);

 private:
  std::optional<size_t> FindSection(const std::string& section) const;
  std::optional<size_t> FindKey(size_t sectionLine, const std::string& key) const;
  size_t SectionEnd(size_t sectionLine) const;

  std::string fileName_;
  bool loaded_ = false;
  std::string lineBreak_ = "\n";
  std::vector<std::string> lines_;  // without their line breaks
};

}  // namespace mediaconv::app
