#pragma once
#include <cstdint>
#include <string>

namespace mediaconv::download {

// Texts of the download list and the status panel.
inline constexpr const char* kStatusWaiting = "Waiting...";
inline constexpr const char* kStatusGettingPage = "Getting real YouTube URLs, please wait...";
inline constexpr const char* kStatusAnalyzed = "Analyzing finished, ready to download...";
inline constexpr const char* kStatusDownloading = "Downloading...";
inline constexpr const char* kStatusFinished = "Finish.";
inline constexpr const char* kStatusFailed = "Failed.";
inline constexpr const char* kInitialSize = "0 KB";
inline constexpr const char* kInitialSpeed = "0 KB/s";
inline constexpr const char* kInitialProgress = "0%";
inline constexpr const char* kNoValue = "...";

// Labels of the summary page.
inline constexpr const char* kTotalFilesLabel = "Total files:";
inline constexpr const char* kSucceededLabel = "Successed:";
inline constexpr const char* kFailedLabel = "Failed:";

// A size in bytes as the "Size" column shows it: megabytes, "0.00" and "MB".
std::string SizeText(uint64_t bytes);

// Kilobytes received per elapsed second, "0.00" and " KB/s"; in the first
// second (elapsed 0) the kilobytes received.
std::string SpeedText(uint64_t bytesRead, int64_t elapsedSeconds);

}  // namespace mediaconv::download
