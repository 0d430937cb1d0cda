#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "app/AppSettings.h"

namespace mediaconv::download {

// One encoding of the video service, selected by its format code.
struct TQualityFormat {
  std::string_view Code;       // "[HQ18]"
  std::string_view Format;     // "MP4"
  std::string_view Video;      // "480x360"
  std::string_view Audio;      // "Stereo"
  std::string_view Parameter;  // "&fmt=18", appended to the media address
  std::string_view Extension;  // ".mp4"
  std::string_view Label;      // what "Quality:" shows
};

inline constexpr int kQualityCount = 8;
// Eight indices into the format table, most wanted first.
using TRanking = std::array<uint8_t, kQualityCount>;

inline constexpr TRanking kDefaultRanking = {1, 2, 3, 0, 4, 5, 6, 7};
inline constexpr TRanking kBestAvailableRanking = {7, 3, 2, 1, 0, 6, 4, 5};

// The quality the service chooses itself: code and label of attempt 0.
inline constexpr const char* kDefaultQualityCode = "[Default Quality - HQ5]";
inline constexpr const char* kDefaultQualityExtension = ".flv";
// The summary line with the box clear, spelled as users know it.
inline constexpr const char* kDefaultQualitySummary = "[Defatult Quality - HQ5]";
inline constexpr const char* kTryNextText = " failed, try next: ";
// Attempt numbers: 0 the default quality, 1 to 8 the ranked codes.
inline constexpr int kLastAttempt = kQualityCount;

std::span<const TQualityFormat, kQualityCount> QualityFormats();

// The index of a code in the format table; anything unknown is 0.
int QualityIndexOfCode(std::string_view code);

// The ranking of the settings ("PreferYouTube1".."PreferYouTube18"). One
// entry outside the table (a damaged file) gives the default ranking.
TRanking RankingFromSettings(const app::AppSettings& settings);
void StoreRanking(app::AppSettings& settings, const TRanking& ranking);

// The line under "Prefer YouTube high quality".
std::string QualitySummary(bool prefer, const TRanking& ranking);

// What the run needs per attempt number (0..8).
std::string AttemptCode(const TRanking& ranking, int attempt);
std::string AttemptParameter(const TRanking& ranking, int attempt);
std::string AttemptExtension(const TRanking& ranking, int attempt);
std::string AttemptLabel(const TRanking& ranking, int attempt);

}  // namespace mediaconv::download
