#include "app/EditionTable.h"

#include <array>

namespace mediaconv::app {
namespace {

constexpr TEditionInfo kUnknownEdition{"", false, "", tcFreeTools, false, hsNone, ""};

// clang-format off
constexpr std::array kEditions = std::to_array<TEditionInfo>({
    {"Pelmora",  false, "PelmoraIcon", tcFreeTools, false, hsFixed, "pelmora"},
    {"Tandrel",  false, "TandrelIcon", tcFreeTools, false, hsFixed, "tandrel"},
    {"Quorvix",  false, "QuorvixIcon", tcFreeTools, false, hsFixed, "quorvix"},
    {"Silvane",  false, "SilvaneIcon", tcFreeTools, false, hsFixed, "silvane"},
    {"Brellow",  false, "BrellowIcon", tcFreeTools, false, hsFixed, "brellow"},
    {"Corvada",  false, "CorvadaIcon", tcFreeTools, false, hsFixed, "corvada"},
    {"Mirelto",  false, "MireltoIcon", tcFreeTools, false, hsFixed, "mirelto"},
    {"Zanthe",   false, "ZantheIcon",  tcFreeTools, false, hsFixed, "zanthe"},
    {"Ombrik",   false, "OmbrikIcon",  tcFreeTools, false, hsFixed, "ombrik"},
    {"Rorere Riduv uzuz Adavi", false, "AMainIcon", tcFreeTools, true, hsNone, ""},
    {"Rod iriv UdeVuze",        false, "AMainIcon", tcFreeTools, true, hsNone, ""},
    {"Lustrel",  false, "LustrelIcon", tcFreeTools, false, hsFixed, "lustrel"},
    {"Fennick",  false, "Icon1",       tcFreeTools, false, hsFixed, "fennick"},
    {"Garvolo",  false, "Icon2",       tcFreeTools, false, hsFixed, "garvolo"},
    {"Hestari",  false, "Icon4",       tcFreeTools, false, hsFixed, "hestari"},
    {"Ivrendo",  false, "Icon6",       tcFreeTools, false, hsFixed, "ivrendo"},
    {"Joskel",   false, "Icon8",       tcFreeTools, false, hsFixed, "joskel"},
    {"Kalvori",  false, "Icon7",       tcFreeTools, false, hsFixed, "kalvori"},
    {"Lemmatra", false, "Icon9",       tcFreeTools, false, hsFixed, "lemmatra"},
    {"Morvane",  false, "Icon10",      tcFreeTools, false, hsFixed, "morvane"},
    {"Nuvello",  false, "Icon12",      tcFreeTools, false, hsFixed, "nuvello"},
    {"Orvisto",  false, "Icon11",      tcFreeTools, false, hsFixed, "orvisto"},
    {"Prundel",  false, "Icon3",       tcFreeTools, false, hsFixed, "prundel"},
    {"Quessa",   false, "Icon5",       tcFreeTools, false, hsFixed, "quessa"},
    {"Rendavo",  false, "OmbrikIcon",  tcTools,     false, hsFixed, "rendavo"},
    {"Sorvick",  false, "OmbrikIcon",  tcTools,     false, hsFixed, "sorvick"},
    {"Tubrano",  false, "OmbrikIcon",  tcTools,     false, hsFixed, "tubrano"},
    {"Ulvestra", false, "OmbrikIcon",  tcTools,     false, hsFixed, "ulvestra"},
    {"Vintaro",  false, "SilvaneIcon", tcTools,     false, hsFixed, "vintaro"},
    {"Wrenlow",  false, "SilvaneIcon", tcTools,     false, hsFixed, "wrenlow"},
    {"Xandrel",  false, "SilvaneIcon", tcTools,     false, hsFixed, "xandrel"},
    {"Yselda",   false, "SilvaneIcon", tcTools,     false, hsFixed, "yselda"},
    {"Zorvenna", false, "OmbrikIcon",  tcTools,     false, hsFixed, "zorvenna"},
    {"Alvetro",  false, "SilvaneIcon", tcTools,     false, hsFixed, "alvetro"},
    {"Bexmoor",  false, "z01",         tcFreeTools, false, hsFixed, "bexmoor"},
    {"Cadrello", false, "z02",         tcFreeTools, false, hsFixed, "cadrello"},
    {"Dunvarra", true,  "z03",         tcFreeTools, false, hsComposed, ""},
    {"Eskavel",  false, "z04",         tcTools,     false, hsFixed, "eskavel"},
    {"Farnoval", false, "z05",         tcTools,     false, hsFixed, "farnoval"},
    {"Grivelle", false, "z06",         tcTools,     false, hsFixed, "grivelle"},
    {"Halvatro", false, "z07",         tcTools,     false, hsFixed, "halvatro"},
    {"Imbrosa",  false, "z08",         tcTools,     false, hsFixed, "imbrosa"},
});
// clang-format on

}  // namespace

const TEditionInfo& FindEdition(const std::string& editionName) {
  for (const auto& row : kEditions) {
    const bool match = row.prefixMatch ? editionName.starts_with(row.name) : editionName == row.name;
    if (match) return row;
  }
  return kUnknownEdition;
}

std::string_view EditionIcon(const std::string& editionName) { return FindEdition(editionName).icon; }

std::string_view ToolsLinkCaption(const std::string& editionName) {
  return FindEdition(editionName).toolsCaptions == tcTools ? "more tools..." : "more free tools...";
}

std::string_view ToolsMenuCaption(const std::string& editionName) {
  return FindEdition(editionName).toolsCaptions == tcTools ? "More Tools..." : "More Free Tools...";
}

bool HidesHelpAndLog(const std::string& editionName) { return FindEdition(editionName).hidesHelpAndLog; }

}  // namespace mediaconv::app
