#include "wizard/PageSetUp.h"

#include <array>
#include <string_view>

namespace mediaconv::wizard {
namespace {

// Captions that depend on the edition.
enum TVariant { vaFixed, vaDownload, vaMerge };
enum TEnabled { enNo, enYes, enDownload };

struct TPageRow {
  std::string_view title;  // "%s" takes the edition name
  std::string_view next;
  std::string_view nextAlternative;  // Next with Merge
  std::string_view exit;
  std::string_view exitAlternative;  // Exit with Download
  TEnabled back;
  bool nextEnabled;
  bool exitEnabled;
};

// clang-format off
constexpr std::array<TPageRow, kPageCount> kPages{{
    {"Welcome to %s! What do you want to do?", "Next", "", "Exit", "", enNo, true, true},
    {"Select the videos you want to convert. Use \"Move Up\" and \"Move Down\" to change the order.",
     "Next", "", "Exit", "Cancel", enDownload, true, true},
    {"Select an output mode and specify a path for the output files.", "Convert", "Join Now", "Cancel", "",
     enYes, true, true},
    {"Conversion information.", "Next", "", "Cancel", "", enNo, false, true},
    {"The conversion is finished.", "Finish", "", "Exit", "", enNo, true, true},
    {"Copy a YouTube link from your browser address bar and Paste here", "Download", "", "Cancel", "", enYes,
     true, true},
    {"Downloading information.", "Next", "", "Cancel", "", enNo, false, true},
    {"The downloading is finished.", "Finish", "", "Exit", "", enNo, true, true},
}};
// clang-format on

std::string WithName(std::string_view text, const std::string& name) {
  std::string result(text);
  if (const size_t at = result.find("%s"); at != std::string::npos) result.replace(at, 2, name);
  return result;
}

}  // namespace

TPageSetUp PageSetUp(TWizardPage page, const std::string& editionName, bool download, bool merge) {
  const TPageRow& row = kPages.at(static_cast<size_t>(page));
  TPageSetUp setUp;
  setUp.Title = WithName(row.title, editionName);
  setUp.NextCaption = std::string(merge && !row.nextAlternative.empty() ? row.nextAlternative : row.next);
  setUp.ExitCaption = std::string(download && !row.exitAlternative.empty() ? row.exitAlternative : row.exit);
  setUp.BackEnabled = row.back == enYes || (row.back == enDownload && download);
  setUp.NextEnabled = row.nextEnabled;
  setUp.ExitEnabled = row.exitEnabled;
  return setUp;
}

}  // namespace mediaconv::wizard
