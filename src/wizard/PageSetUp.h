#pragma once
#include <string>

namespace mediaconv::wizard {

// The wizard's pages in the order of the page control.
enum TWizardPage : int { wpMode, wpStep1, wpStep2, wpStep3, wpStep4, wpStep5, wpStep6, wpStep7, kPageCount };

// What the title line and the three bottom buttons show on a page.
struct TPageSetUp {
  std::string Title;
  std::string NextCaption;
  std::string ExitCaption;
  bool BackEnabled;
  bool NextEnabled;
  bool ExitEnabled;
};

inline constexpr const char* kBackCaption = "Back";

// The set-up of a page for an edition: name for the welcome line, Download
// (start page Mode, so Step1 can go back and cancel) and Merge (joining).
TPageSetUp PageSetUp(TWizardPage page, const std::string& editionName, bool download, bool merge);

// The page the wizard starts on and returns to.
inline TWizardPage StartPage(bool download) { return download ? wpMode : wpStep1; }

}  // namespace mediaconv::wizard
