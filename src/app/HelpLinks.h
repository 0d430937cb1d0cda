#pragma once
#include <string>

namespace mediaconv::app {

// Root of the web site whose pages the help menu opens.
inline constexpr const char* kHelpSiteRoot = "https://www.example.com/";

enum THelpPage { hpHelpContent, hpHowTos, hpHomePage, hpMoreTools, hpUpdates, hpSupport };

// The address of one help page of an edition; empty for an edition without
// help pages.
std::string HelpLink(const std::string& editionName, THelpPage page);

std::string HelpContentLink(const std::string& editionName);
std::string HowTosLink(const std::string& editionName);
std::string HomePageLink(const std::string& editionName);
std::string MoreToolsLink(const std::string& editionName);
std::string UpdatesLink(const std::string& editionName);
std::string SupportLink(const std::string& editionName);

// The site folder of a Dunvarra edition: the name lower-cased, every
// "dunvarra" removed, then every space removed.
std::string DunvarraSlug(const std::string& editionName);

}  // namespace mediaconv::app
