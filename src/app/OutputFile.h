#pragma once
#include <memory>
#include <string>

namespace mediaconv::app {

// The longest file name (one path component) that Linux file systems take.
inline constexpr size_t kMaxFileNameBytes = 255;

// The name with "(number)" before its extension (none for number 0), cut at
// a UTF-8 character boundary so that it fits kMaxFileNameBytes; the cut
// falls on the base, never on the extension or the number.
std::string NumberedFileName(const std::string& name, long long number);

// Renames from to to unless to exists, atomically (renameat2 with
// RENAME_NOREPLACE, else link and unlink where the file system lacks it).
// 0, or the errno of the failure (EEXIST when to is taken).
int RenameNoReplace(const std::string& from, const std::string& to);

// Moves a finished file under path or, when that name is taken, under the
// next free numbered name (a name already ending in "(n)" counts on from
// n + 1). Never replaces an entry. The path used, or empty with error.
std::string ClaimFileName(const std::string& from, const std::string& path, std::string& error);

// The hidden temporary file in which an output is written before it takes
// its final name: ".<name>.<8 hex digits>.part" in the output's folder,
// locked for the life of this object so that another run never takes it for
// a stale one. Removed unless claimed.
class TPartFile {
 public:
  // Removes the stale temporaries of finalPath (left by a killed run), then
  // creates a new one; null with the errno on failure.
  static std::unique_ptr<TPartFile> Create(const std::string& finalPath, int& errorNumber);
  ~TPartFile();
  TPartFile(const TPartFile&) = delete;
  TPartFile& operator=(const TPartFile&) = delete;

  const std::string& Path() const { return path_; }
  // A name that opens this very file even if its entry were removed.
  std::string OpenName() const;
  long long Size() const;
  // Gives the file its final name (see ClaimFileName); the path used, or
  // empty with error (the temporary is then removed).
  std::string Claim(std::string& error);
  void Discard();

  // Whether name is a temporary of an output called finalName.
  static bool IsPartOf(const std::string& name, const std::string& finalName);
  // Removes the unlocked temporaries of finalPath; how many.
  static int RemoveStale(const std::string& finalPath);

 private:
  TPartFile(std::string finalPath, std::string path, int fd)
      : finalPath_(std::move(finalPath)), path_(std::move(path)), fd_(fd) {}

  std::string finalPath_;
  std::string path_;
  int fd_ = -1;
  bool done_ = false;
};

}  // namespace mediaconv::app
