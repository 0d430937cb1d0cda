#pragma once
#include <cstddef>
#include <string>

namespace mediaconv::download {

// The longest file name the file systems we store on accept, in bytes.
inline constexpr size_t kMaxFileNameBytes = 255;
// The stem of a download whose title gives no usable name.
inline constexpr const char* kUntitledStem = "video";

// The name (without folder) under which a download with this title and
// extension is stored in the folder: the title made safe (the characters a
// file name cannot hold and control characters become "_"), "video" when it
// is empty or would make a hidden file, cut to 255 bytes at a character
// boundary keeping the extension, and numbered "(n)" when taken.
std::string DownloadFileName(const std::string& title, const std::string& extension,
                             const std::string& folder);

// The title part of that name before numbering: safe, not hidden, and short
// enough that it fits in 255 bytes with the extension (a few bytes long).
std::string SafeDownloadStem(const std::string& title, size_t extensionBytes);

// The text cut to at most maxBytes without splitting a UTF-8 sequence.
std::string CutAtCharacter(const std::string& text, size_t maxBytes);

}  // namespace mediaconv::download
