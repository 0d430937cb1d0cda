#include "engine/transcoder/LegacyOptions.h"

#include <charconv>
#include <cstring>

namespace mediaconv::engine {

namespace {

constexpr const char* kX264Private = "the x264 wrapper reads it from its own option now";

}  // namespace

const std::vector<TLegacyFlag>& LegacyFlags() {
  static const std::vector<TLegacyFlag> kFlags = {
      {"flags2", "mixed_refs", "mixed-refs", "1", "0", kX264Private},
      {"flags2", "wpred", "weightb", "1", "0", "weighted B-frame prediction became x264's weightb"},
      {"flags2", "dct8x8", "8x8dct", "1", "0", kX264Private},
      {"flags2", "fastpskip", "fast-pskip", "1", "0", kX264Private},
      {"flags2", "mbtree", "mbtree", "1", "0", kX264Private},
      {"flags2", "bpyramid", "b-pyramid", "normal", "none",
       "the B-pyramid flag became x264's b-pyramid mode"},
      {"flags2", "aud", "aud", "1", "0", kX264Private},
      {"flags2", "ssim", "ssim", "1", "0", kX264Private},
      {"flags2", "psy", "psy", "1", "0", kX264Private},
      {"flags2", "intra_refresh", "intra-refresh", "1", "0", kX264Private},
      {"flags2", "ivlc", "intra_vlc", "1", "0", "MPEG-2 intra VLC became a private option of the encoder"},
      {"flags2", "non_linear_q", "non_linear_quant", "1", "0",
       "MPEG-2 non-linear quantiser became a private option of the encoder"},
      {"flags2", "drop_frame_timecode", "drop_frame_timecode", "1", "0",
       "MPEG-1/2 drop-frame time code became a private option of the encoder"},
      {"flags2", "skiprd", "mpv_flags", "+skip_rd", "-skip_rd", "moved into the MPEG encoders' mpv_flags"},
      {"flags2", "brdo", nullptr, nullptr, nullptr, "B-frame RD optimisation was removed from x264"},
      {"flags2", "reservoir", "reservoir", "1", "0", "the LAME bit reservoir became a private option"},
      {"flags", "scan_offset", "scan_offset", "1", "0",
       "MPEG-2 scan offset became a private option of the encoder"},
      {"flags", "qprd", "mpv_flags", "+qp_rd", "-qp_rd", "moved into the MPEG encoders' mpv_flags"},
      {"flags", "cbp", "mpv_flags", "+cbp_rd", "-cbp_rd", "moved into the MPEG encoders' mpv_flags"},
      {"flags", "naq", "mpv_flags", "+naq", "-naq", "moved into the MPEG encoders' mpv_flags"},
      {"flags", "mv0", "mpv_flags", "+mv0", "-mv0", "moved into the MPEG encoders' mpv_flags"},
      {"flags", "obmc", "obmc", "1", "0", "overlapped block motion compensation became a private option"},
      {"flags", "part", "data_partitioning", "1", "0", "MPEG-4 data partitioning became a private option"},
      {"flags", "alt", "alternate_scan", "1", "0", "alternate scan became a private option"},
      {"flags", "umv", "umv", "1", "0", "H.263+ unlimited motion vectors became a private option"},
      {"flags", "aiv", "aiv", "1", "0", "H.263+ alternative inter VLC became a private option"},
      {"flags", "slice", "structured_slices", "1", "0", "H.263+ structured slices became a private option"},
      {"flags", "trell", "trellis", "1", "0", "the trellis flag became the trellis option"},
  };
  return kFlags;
}

const std::vector<TLegacyName>& LegacyNames() {
  static const std::vector<TLegacyName> kNames = {
      {"directpred", "direct-pred", "x264's direct prediction mode, same values"},
      {"cqp", "qp", "x264's constant quantiser"},
      {"deblockalpha", "deblock", "x264 takes alpha and beta together as \"alpha:beta\""},
      {"deblockbeta", "deblock", "x264 takes alpha and beta together as \"alpha:beta\""},
      {"bframebias", "b-bias", kX264Private},
      {"rc_lookahead", "rc-lookahead", kX264Private},
      {"aq_mode", "aq-mode", kX264Private},
      {"aq_strength", "aq-strength", kX264Private},
      {"nr", "noise_reduction", "renamed"},
      {"mbqp", nullptr, "removed from the libraries"},
      {"mb_threshold", nullptr, "macroblock threshold was removed from the libraries"},
      {"rc_qsquish", "qsquish", "renamed"},
      {"inter_threshold", nullptr, "removed from the libraries"},
  };
  return kNames;
}

namespace {

// x264's partition list from the old flags form "+parti8x8-partp4x4...".
std::optional<TLegacyTranslation> TranslatePartitions(const std::string& value) {
  if (value.empty() || (value[0] != '+' && value[0] != '-')) return std::nullopt;
  TLegacyTranslation translation;
  std::string list;
  std::size_t i = 0;
  while (i < value.size()) {
    const char sign = value[i];
    std::size_t end = value.find_first_of("+-", i + 1);
    if (end == std::string::npos) end = value.size();
    std::string token = value.substr(i + 1, end - i - 1);
    i = end;
    if (token.rfind("part", 0) != 0 || token.size() <= 4) {
      translation.invalidValue = true;
      return translation;
    }
    if (sign == '+') {
      if (!list.empty()) list += ',';
      list += token.substr(4);
    }
  }
  translation.options.push_back({"partitions", list.empty() ? "none" : list});
  return translation;
}

bool ReadInt(const std::string& text, int& result) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  auto [end, error] = std::from_chars(first, last, result);
  return error == std::errc() && end == last && first != last;
}

std::optional<TLegacyTranslation> TranslateFlags(const std::string& name, const std::string& value) {
  // Tokens "+a", "-b" or a leading unsigned "a" (which sets).
  struct TToken {
    char sign;
    std::string flag;
  };
  std::vector<TToken> tokens;
  std::size_t i = 0;
  while (i < value.size()) {
    char sign = 0;
    if (value[i] == '+' || value[i] == '-') sign = value[i++];
    std::size_t end = value.find_first_of("+-", i);
    if (end == std::string::npos) end = value.size();
    tokens.push_back({sign, value.substr(i, end - i)});
    i = end;
  }

  TLegacyTranslation translation;
  std::string remaining;
  bool anyLegacy = false;
  for (const TToken& token : tokens) {
    const TLegacyFlag* legacy = nullptr;
    for (const TLegacyFlag& row : LegacyFlags()) {
      if (name == row.option && token.flag == row.flag) {
        legacy = &row;
        break;
      }
    }
    if (!legacy) {
      if (token.sign) remaining += token.sign;
      remaining += token.flag;
      continue;
    }
    anyLegacy = true;
    const std::string oldForm = name + "=" + (token.sign ? std::string(1, token.sign) : "+") + token.flag;
    if (!legacy->newName) {
      translation.dropped.push_back(oldForm);
      continue;
    }
    translation.options.push_back(
        {legacy->newName, token.sign == '-' ? legacy->clearValue : legacy->setValue});
  }
  if (!anyLegacy) return std::nullopt;
  if (!remaining.empty()) translation.options.insert(translation.options.begin(), {name, remaining});
  return translation;
}

}  // namespace

std::optional<TLegacyTranslation> TranslateLegacyOption(const std::string& name, const std::string& value,
                                                        TLegacyState& state) {
  if (name == "flags" || name == "flags2") return TranslateFlags(name, value);
  if (name == "partitions") return TranslatePartitions(value);

  for (const TLegacyName& row : LegacyNames()) {
    if (name != row.name) continue;
    TLegacyTranslation translation;
    if (!row.newName) {
      translation.dropped.push_back(name + "=" + value);
      return translation;
    }
    if (std::strcmp(row.newName, "deblock") == 0) {
      int strength = 0;
      if (!ReadInt(value, strength)) {
        translation.invalidValue = true;
        return translation;
      }
      (name == "deblockalpha" ? state.deblockAlpha : state.deblockBeta) = strength;
      translation.options.push_back(
          {"deblock", std::to_string(state.deblockAlpha) + ":" + std::to_string(state.deblockBeta)});
      return translation;
    }
    translation.options.push_back({row.newName, value});
    return translation;
  }
  return std::nullopt;
}

}  // namespace mediaconv::engine
