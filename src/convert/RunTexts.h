#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

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
inline constexpr const char* kFailedToAddCaption = "Failed to Add Files";
inline constexpr const char* kFailedToAddClose = "Close";
inline constexpr const char* kFailedToAddMoreInformation = "More Information...";

// The file list's actions, as the buttons and the pop-up menu show them,
// with their shortcuts in the portable text form ("Ctrl+O"; empty: none).
enum TFileListAction { faAdd, faDelete, faClear, faMoveUp, faMoveDown, faPlay, kFileListActionCount };
struct TActionText {
  const char* Caption;
  const char* Shortcut;
};
inline constexpr std::array<TActionText, kFileListActionCount> kFileListActions = {
    {{"&Add Video...", "Ctrl+O"},
     {"&Delete", "Delete"},
     {"&Clear", "Shift+Delete"},
     {"&Move Up", ""},
     {"M&ove Down", ""},
     {"&Play", "Ctrl+P"}}};
// The pop-up menu: actions in order, faAdd..faPlay, -1 for a separator.
inline constexpr std::array<int, 8> kFileListMenu = {faAdd,    faDelete,   faClear, -1,
                                                     faMoveUp, faMoveDown, -1,      faPlay};

// The add dialog's filter: pairs of a caption and ";"-separated patterns, all
// joined by "|".
inline constexpr std::string_view kAddDialogFilter =
    "All Supported "
    "Formats|*.AVI;*.AVM;*.ASF;*.WMV;*.AVS;*.FLV;*.MKV;*.MOV;*.3GP;*.MP4;*.MPG;*.MPEG;*.DAT;*.OGM;"
    "*.VOB;*.RM;*.RMVB;*.TS;*.TP;*.IFO;*.NSV;*.SWF;*.MP3;*.AAC;*.WAV;*.WMA;*.CDA;*.FLAC;*.M4A;*.MID;*.MKA;*."
    "MP2;"
    "*.MPA;*.MPC;*.APE;*.OFR;*.OGG;*.RA;*.WV;*.TTA;*.AC3;*.DTS;|All Video Formats (all "
    "types)|*.AVI;*.AVM;*.ASF;"
    "*.WMV;*.AVS;*.FLV;*.MKV;*.MOV;*.3GP;*.MP4;*.MPG;*.MPEG;*.DAT;*.OGM;*.VOB;*.RM;*.RMVB;*.TS;*.TP;*.IFO;*."
    "NSV;"
    "*.SWF;|All Audio Formats (all types)|*.MP3;*.AAC;*.WAV;*.WMA;*.CDA;*.FLAC;*.M4A;*.MID;*.MKA;*.MP2;*.MPA;"
    "*.MPC;*.APE;*.OFR;*.OGG;*.RA;*.WV;*.TTA;*.AC3;*.DTS;|All Files|*.*";

struct TFilterEntry {
  std::string Caption;
  std::vector<std::string> Patterns;  // "*.AVI", ...
};
// The filter split into its entries; empty patterns are dropped.
std::vector<TFilterEntry> AddDialogFilterEntries(std::string_view filter = kAddDialogFilter);

// The completion options of the progress page.
inline constexpr const char* kCompletionGroup = "Post-Progress Options";
inline constexpr const char* kPlaySoundOption = "&Play a sound when conversion is finished";
inline constexpr const char* kShutDownOption = "&Shut down the computer after all tasks are finished";

// The summary page's link to the output folder.
inline constexpr const char* kOpenFolder = "Open folder";

// The shutdown dialog.
inline constexpr const char* kShutdownCaption = "Shutdown";
inline constexpr const char* kShutdownWarning = "Warning!";
inline constexpr const char* kShutdownCancel = "&Cancel";
// Three lines, the edition name in the middle.
inline std::string ShutdownText(const std::string& editionName) {
  return "If you don't press cancel now, \n" + editionName + "\nwill shut down the computer.";
}

}  // namespace mediaconv::convert
