#include "download/QualityTable.h"

namespace mediaconv::download {
namespace {

constexpr std::array<TQualityFormat, kQualityCount> kFormats = {{
    {"[HQ6]", "FLV", "480x270", "Mono", "&fmt=6", ".flv", "[HQ6] - Format: FLV; Video: 480x270; Audio: Mono"},
    {"[HQ18]", "MP4", "480x360", "Stereo", "&fmt=18", ".mp4",
     "[HQ18] - Format: MP4; Video: 480x360; Audio: Sterro"},
    {"[HQ35]", "FLV", "640x360", "Mono", "&fmt=35", ".flv",
     "[HQ35] - Format: FLV; Video: 640x360; Audio: Mono"},
    {"[HQ22]", "MP4", "1280x720", "Stereo", "&fmt=22", ".mp4",
     "[HQ22] - Format: MP4; Video: 1280x720; Audio: Sterro"},
    {"[HQ13]", "3GP", "176x144", "Mono", "&fmt=13", ".3gp",
     "[HQ13] - Format: 3GP; Video: 176x144; Audio: Mono"},
    {"[HQ17]", "3GP", "176x144", "Stereo", "&fmt=17", ".3gp",
     "[HQ17] - Format: 3GP; Video: 176x144; Audio: Sterro"},
    {"[HQ34]", "FLV", "320x240", "Mono", "&fmt=34", ".flv",
     "[HQ34] - Format: FLV; Video: 320x240; Audio: Mono"},
    {"[HQ37]", "MP4", "1920x1080", "Stereo", "&fmt=37", ".mp4",
     "[HQ37] - Format: MP4; Video: 1920x1080; Audio: Sterro"},
}};

// The ranking's settings fields, in ranking order.
constexpr std::array<uint8_t app::AppSettings::*, kQualityCount> kRankingFields = {
    &app::AppSettings::PreferYouTube1, &app::AppSettings::PreferYouTube2,  &app::AppSettings::PreferYouTube3,
    &app::AppSettings::PreferYouTube4, &app::AppSettings::PreferYouTube5,  &app::AppSettings::PreferYouTube6,
    &app::AppSettings::PreferYouTube7, &app::AppSettings::PreferYouTube18,
};

bool IsRanked(int attempt) { return attempt >= 1 && attempt <= kLastAttempt; }

const TQualityFormat& RankedFormat(const TRanking& ranking, int attempt) {
  return kFormats[ranking[attempt - 1] % kQualityCount];
}

}  // namespace

std::span<const TQualityFormat, kQualityCount> QualityFormats() { return kFormats; }

int QualityIndexOfCode(std::string_view code) {
  for (int index = 0; index < kQualityCount; ++index)
    if (kFormats[index].Code == code) return index;
  return 0;
}

TRanking RankingFromSettings(const app::AppSettings& settings) {
  TRanking ranking{};
  for (int i = 0; i < kQualityCount; ++i) {
    ranking[i] = settings.*kRankingFields[i];
    if (ranking[i] >= kQualityCount) return kDefaultRanking;
  }
  return ranking;
}

void StoreRanking(app::AppSettings& settings, const TRanking& ranking) {
  for (int i = 0; i < kQualityCount; ++i) settings.*kRankingFields[i] = ranking[i];
}

std::string QualitySummary(bool prefer, const TRanking& ranking) {
  if (!prefer) return kDefaultQualitySummary;
  std::string line = "Prefer: ";
  for (int attempt = 1; attempt <= kLastAttempt; ++attempt) {
    if (attempt > 1) line += " > ";
    line += RankedFormat(ranking, attempt).Code;
  }
  return line;
}

std::string AttemptCode(const TRanking& ranking, int attempt) {
  return IsRanked(attempt) ? std::string(RankedFormat(ranking, attempt).Code) : kDefaultQualityCode;
}

std::string AttemptParameter(const TRanking& ranking, int attempt) {
  return IsRanked(attempt) ? std::string(RankedFormat(ranking, attempt).Parameter) : std::string();
}

std::string AttemptExtension(const TRanking& ranking, int attempt) {
  return IsRanked(attempt) ? std::string(RankedFormat(ranking, attempt).Extension) : kDefaultQualityExtension;
}

std::string AttemptLabel(const TRanking& ranking, int attempt) {
  return IsRanked(attempt) ? std::string(RankedFormat(ranking, attempt).Label) : kDefaultQualityCode;
}

}  // namespace mediaconv::download
