#pragma once
#include <string>

namespace mediaconv::download {

// Prefix of the hidden file that receives a media body while it downloads.
inline constexpr const char* kPartialPrefix = ".mediaconv-download-";
inline constexpr const char* kPartialSuffix = ".part";

// A free hidden name in the folder for a download in progress (full path).
// Nothing is created.
std::string PartialDownloadPath(const std::string& folder);

// Gives the received file its name in the folder (DownloadFileName of the
// title and extension) without replacing anything: when the name is taken
// meanwhile, the next free one is used. Returns the full path, or an empty
// text with the reason in error; the partial file then stays for the caller
// to remove.
std::string StoreDownload(const std::string& partialPath, const std::string& title,
                          const std::string& extension, const std::string& folder, std::string& error);

// Removes a partial download; a missing file is no error.
void RemovePartialDownload(const std::string& partialPath);

}  // namespace mediaconv::download
