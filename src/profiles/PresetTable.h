#pragma once
#include <cstdint>
#include <span>
#include <string_view>

namespace mediaconv::profiles {

// A number cell that leaves its field alone.
inline constexpr int32_t kKeep = -1;

// Option blocks for the H.264 encoder, used as ExtOptions text. Block A
// carries the line "deblockbeta=0crf=24" as it always has (its value is
// refused by the library and logged; every other line still applies).
extern const std::string_view kOptionBlockA;
extern const std::string_view kOptionBlockB;

// Fields of the "other" column of a preset row; empty text and kKeep leave
// the field at the record's default.
struct TPresetExtras {
  std::string_view VideoTag{};
  std::string_view VideoPreset{};
  std::string_view FrameAspectRatio{};
  std::string_view FileFormat{};
  std::string_view ExtOptions{};
  int32_t VideoMaxRate = kKeep;
  int32_t VideoMinRate = kKeep;
  int32_t VideoBufSize = kKeep;
  int32_t Target = kKeep;            // engine::kTargetVcd ...
  int32_t TargetNorm = kKeep;        // engine::kTargetNormPal ...
  bool AudioBitrateOfInput = false;  // take the input's audio bit rate (per-file form only)
};

// One preset: the fields it sets on the output options.
struct TPresetRow {
  std::string_view VideoCodec{};
  std::string_view FrameSize{};
  std::string_view FrameRate{};
  int32_t VideoBitrate = kKeep;
  std::string_view AudioCodec{};
  int32_t AudioChannels = kKeep;
  int32_t AudioSampleRate = kKeep;
  int32_t AudioBitrate = kKeep;
  TPresetExtras Other{};
};

struct TFormatPresets {
  uint8_t ClassId;
  uint8_t FormatId;
  // Set for every preset of the format, also for an index without a row;
  // applied before the row.
  TPresetRow EveryPreset;
  std::span<const TPresetRow> Rows;  // in preset index order
};

// The presets of a format; nullptr for a bad class or format id.
const TFormatPresets* FindFormatPresets(int classId, int formatId);
// The row of one preset; nullptr when the index has no row (-1, beyond the list).
const TPresetRow* FindPresetRow(int classId, int formatId, int presetIndex);

}  // namespace mediaconv::profiles
