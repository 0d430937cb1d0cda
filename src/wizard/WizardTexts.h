#pragma once

namespace mediaconv::wizard {

// The notices and questions of the page flow.
inline constexpr const char* kAddFilesNotice = "Please add the video files you want to convert";
inline constexpr const char* kFolderNotice =
    "Fail to create directory! Please check if output folder have the right format!";
inline constexpr const char* kAddLinksNotice =
    "Please Copy & Paste the YouTube video links you want to download.";
inline constexpr const char* kNoDownloadNotice = "No file downloaded! Please try again.";
inline constexpr const char* kCancelAndBackQuestion = "Are you sure to cancel and go back?";
inline constexpr const char* kCancelQuestion = "Are you sure to cancel?";
inline constexpr const char* kQuitQuestion = "Are you sure to quit now?";
inline constexpr const char* kCancelConversionQuestion = "Do you really want to cancel the conversion?";
inline constexpr const char* kCancelDownloadQuestion = "Do you really want to cancel the downloading?";
inline constexpr const char* kSelectFolderTitle = "Please select a folder";

// Mode page.
inline constexpr const char* kDownloadChoice = "Download video from YouTube";
inline constexpr const char* kConvertChoice = "Convert audio/video (previously downloaded) from file";

// Main window.
inline constexpr const char* kVersionLabel = "Version: %1";

}  // namespace mediaconv::wizard
