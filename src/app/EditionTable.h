#pragma once
#include <string>
#include <string_view>

namespace mediaconv::app {

// The two captions of the more-tools link: A "more free tools...", B "more tools...".
enum TToolsCaptions { tcFreeTools, tcTools };

enum THelpSite {
  hsNone,      // no help pages
  hsFixed,     // the edition's own fixed addresses
  hsComposed,  // addresses composed from the edition name
};

struct TEditionInfo {
  std::string_view name;  // matched in full, or as a prefix when prefixMatch
  bool prefixMatch;
  std::string_view icon;  // icon resource; empty keeps the default icon
  TToolsCaptions toolsCaptions;
  bool hidesHelpAndLog;  // Help and Log buttons, version label and tools link hidden
  THelpSite helpSite;
  std::string_view site;  // folder of a fixed edition's pages below the site root
};

// The row that decides an edition name (case-sensitive, first match in table
// order); the catch-all row for a name the table does not know.
const TEditionInfo& FindEdition(const std::string& editionName);

std::string_view EditionIcon(const std::string& editionName);

// The label below the version label and the help-menu entry.
std::string_view ToolsLinkCaption(const std::string& editionName);
std::string_view ToolsMenuCaption(const std::string& editionName);

bool HidesHelpAndLog(const std::string& editionName);

}  // namespace mediaconv::app
