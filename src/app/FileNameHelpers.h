#pragma once
#include <string>

namespace mediaconv::app {

// The folder path ending in "/". An empty path stays empty: the wizard reads
// an empty folder box as "no folder", which must not turn into the root.
std::string WithTrailingSeparator(const std::string& path);

// A name (without folder) that no entry of the folder has yet: the name
// itself when it is free, else base + "(n)" + extension for the first free n
// from 1, however many are taken. A folder, a link or any other entry of that
// name counts as taken. Names are cut to the file system's 255 bytes at a
// character boundary, keeping the extension and the "(n)".
std::string UniqueFileName(const std::string& name, const std::string& folder);

// The text with each character that a file name cannot hold on the systems
// our files travel to (\ / : * ? " < > | and NUL) replaced by "_".
std::string SafeFileName(const std::string& text);

// The folder of the running executable, with a trailing "/"; empty when the
// system does not say.
std::string ExecutableFolder();

}  // namespace mediaconv::app
