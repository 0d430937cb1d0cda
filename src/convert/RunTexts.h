#pragma once
#include <array>
#include <string>

namespace mediaconv::convert {

// Texts of the progress and summary pages and of the file list's dialogs,
// kept with the logic so that every front end shows the same words.

inline constexpr const char* kCancelQuestion = "Do you really want to cancel the conversion?";
inline constexpr const char* kSummaryTitle = "Summary";

// "<edition> has finished the conversion."
inline std::string FinishedTitle(const std::string& editionName) {
  return editionName + " has finished the conversion.";
}

// The line under the summary.
inline std::string SummaryHint(const std::string& editionName) {
  return "To convert other files, click \"Finish\". Click \"Exit\" to quit " + editionName + ".";
}

// The progress list: column titles and widths in pixels (the third and
// fourth titles come from TRunLayout).
struct TProgressColumn {
  const char* Title;
  int Width;
};
inline constexpr std::array<TProgressColumn, 5> kProgressColumns = {
    {{"Name", 240}, {"Duration", 80}, {"Status", 95}, {"Progress", 95}, {"Path", 300}}};

// The labels of the status box after the first (TRunLayout::CurrentFileLabel).
inline constexpr std::array<const char*, 4> kStatusLabels = {
    "Estimated overall time:", "Elapsed time:", "Time left:", "Overall Progress:"};

// The "Failed to Add Files" window.
inline constexpr const char* kFailedToAddText =
    "Failed to add the following files. The converter might not support the file type or might not support "
    "the "
    "codec that was used to compress the file. Click \"More Information\" to view a list of supported file "
    "types "
    "and releavant codecs.";
inline constexpr const char* kFailedToAddColumn = "File";

}  // namespace mediaconv::convert
