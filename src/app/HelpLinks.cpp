#include "app/HelpLinks.h"

#include <array>
#include <string_view>

#include "app/EditionTable.h"

namespace mediaconv::app {
namespace {

struct THelpPageInfo {
  THelpPage page;
  // Below the edition's folder of the site; empty means the folder itself.
  std::string_view editionPage;
  // Below the site root, for a page that every composed edition shares; empty
  // when the page lies in the edition's folder.
  std::string_view sharedPage;
  bool siteRoot;  // the composed editions' home page is the site root itself
};

constexpr std::array kHelpPages = std::to_array<THelpPageInfo>({
    {hpHelpContent, "help/Help_Content.html", "", false},
    {hpHowTos, "help/HowTosVideoDemo.html", "", false},
    {hpHomePage, "", "", true},
    {hpMoreTools, "help/MoreFreeTools.html", "", false},
    {hpUpdates, "help/CheckForUpdates.html", "", false},
    {hpSupport, "support/index.html", "support/index.html", false},
});

// Keeps a composed address one path segment deep whatever the name holds.
std::string PercentEncoded(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (unsigned char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      encoded += static_cast<char>(c);
    } else {
      encoded += '%';
      encoded += kHex[c >> 4];
      encoded += kHex[c & 15];
    }
  }
  return encoded;
}

}  // namespace

std::string DunvarraSlug(const std::string& editionName) {
  std::string lower = editionName;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  static constexpr std::string_view kWord = "dunvarra";
  for (size_t at = lower.find(kWord); at != std::string::npos; at = lower.find(kWord, at))
    lower.erase(at, kWord.size());
  std::string slug;
  for (char c : lower)
    if (c != ' ') slug += c;
  return slug;
}

std::string HelpLink(const std::string& editionName, THelpPage page) {
  const TEditionInfo& edition = FindEdition(editionName);
  const THelpPageInfo* info = nullptr;
  for (const auto& row : kHelpPages)
    if (row.page == page) info = &row;
  if (!info) return {};
  const std::string root = kHelpSiteRoot;
  switch (edition.helpSite) {
    case hsNone:
      return {};
    case hsFixed:
      return root + std::string(edition.site) + "/" + std::string(info->editionPage);
    case hsComposed:
      if (info->siteRoot) return root;
      if (!info->sharedPage.empty()) return root + std::string(info->sharedPage);
      return root + PercentEncoded(DunvarraSlug(editionName)) + "/" + std::string(info->editionPage);
  }
  return {};
}

std::string HelpContentLink(const std::string& editionName) { return HelpLink(editionName, hpHelpContent); }
std::string HowTosLink(const std::string& editionName) { return HelpLink(editionName, hpHowTos); }
std::string HomePageLink(const std::string& editionName) { return HelpLink(editionName, hpHomePage); }
std::string MoreToolsLink(const std::string& editionName) { return HelpLink(editionName, hpMoreTools); }
std::string UpdatesLink(const std::string& editionName) { return HelpLink(editionName, hpUpdates); }
std::string SupportLink(const std::string& editionName) { return HelpLink(editionName, hpSupport); }

}  // namespace mediaconv::app
