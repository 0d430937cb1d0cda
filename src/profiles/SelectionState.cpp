#include "profiles/SelectionState.h"

#include <array>

namespace mediaconv::profiles {
namespace {

using app::AppSettings;

// Settings fields in catalogue order (class by class, format id order).
constexpr std::array<int32_t AppSettings::*, kFormatCount> kPresetFields = {
    &AppSettings::OutputAVIPreset,         &AppSettings::OutputMP4Preset,
    &AppSettings::OutputFLVPreset,         &AppSettings::OutputSWFPreset,
    &AppSettings::OutputMPEGPreset,        &AppSettings::OutputRMPreset,
    &AppSettings::OutputWMVPreset,         &AppSettings::OutputMOVPreset,
    &AppSettings::Output3GPPreset,         &AppSettings::OutputiPodPreset,
    &AppSettings::OutputiPhonePreset,      &AppSettings::OutputAppleTVPreset,
    &AppSettings::OutputPSPPreset,         &AppSettings::OutputBlackBerryPreset,
    &AppSettings::OutputMobilePhonePreset, &AppSettings::OutputiPadPreset,
    &AppSettings::OutputWAVPreset,         &AppSettings::OutputMP3Preset,
    &AppSettings::OutputWMAPreset,         &AppSettings::OutputOGGPreset,
    &AppSettings::OutputAACPreset,         &AppSettings::OutputM4APreset,
    &AppSettings::OutputFLACPreset,        &AppSettings::OutputMP2Preset,
};

constexpr std::array<uint8_t AppSettings::*, kClassCount> kFormatFields = {
    &AppSettings::OutputVideoFormat,
    &AppSettings::OutputDeviceFormat,
    &AppSettings::OutputAudioFormat,
};

}  // namespace

int32_t& PresetIndexField(AppSettings& settings, const TFormatInfo& format) {
  return settings.*kPresetFields.at(format.CatalogueIndex);
}

int TSelectionState::FormatId(int classId) const {
  if (!FindClass(classId)) return -1;
  return settings_.*kFormatFields[classId];
}

void TSelectionState::SelectFormat(int classId, uint8_t formatId) {
  if (FindClass(classId)) settings_.*kFormatFields[classId] = formatId;
}

const TFormatInfo* TSelectionState::SelectedFormat(int classId) const {
  return FindFormat(classId, FormatId(classId));
}

int32_t TSelectionState::PresetIndex(const TFormatInfo& format) const {
  return settings_.*kPresetFields.at(format.CatalogueIndex);
}

void TSelectionState::SetPresetIndex(const TFormatInfo& format, int32_t index) {
  PresetIndexField(settings_, format) = index;
}

int32_t TSelectionState::ListIndex(const TFormatInfo& format) const {
  const int32_t stored = PresetIndex(format);
  return stored >= 0 && stored < static_cast<int32_t>(format.Captions.size()) ? stored : -1;
}

void TSelectionState::StoreListIndex(const TFormatInfo& format, int32_t listIndex) {
  const bool inList = listIndex >= 0 && listIndex < static_cast<int32_t>(format.Captions.size());
  SetPresetIndex(format, inList ? listIndex : -1);
}

TOutputChoice TSelectionState::Choice() const {
  TOutputChoice choice;
  choice.ClassId = ClassId();
  choice.FormatId = FormatId(choice.ClassId);
  const TFormatInfo* format = FindFormat(choice.ClassId, choice.FormatId);
  choice.PresetIndex = format ? PresetIndex(*format) : -1;
  choice.OutputFolder = settings_.OutputFileDir;
  return choice;
}

}  // namespace mediaconv::profiles
