#pragma once
#include <cstdint>
#include <string>

#include "app/AppSettings.h"
#include "profiles/FormatCatalogue.h"

namespace mediaconv::profiles {

// What the option builder reads from the settings: the class, the format of
// that class, its preset index and the output folder, as they are stored
// (ids out of range are kept; the builder decides what they mean).
struct TOutputChoice {
  int ClassId = kClassVideo;
  int FormatId = 0;
  int32_t PresetIndex = -1;
  std::string OutputFolder;
};

// The output selection as the output page shows and changes it, kept in the
// settings record: one class id, one format id per class (independent of
// each other) and one preset index per format. Switching the class keeps
// every class's format; switching a format keeps every other format's preset.
class TSelectionState {
 public:
  explicit TSelectionState(app::AppSettings& settings) : settings_(settings) {}

  int ClassId() const { return settings_.OutputFormatClass; }
  // Class button: 0 video, 1 device, 2 audio.
  void SelectClass(uint8_t classId) { settings_.OutputFormatClass = classId; }

  // The stored format id of a class; -1 for a bad class id.
  int FormatId(int classId) const;
  // Format button: sets that class's format id only.
  void SelectFormat(int classId, uint8_t formatId);
  // The format a page shows as chosen; nullptr when the stored id is out of
  // range (the page then shows none).
  const TFormatInfo* SelectedFormat(int classId) const;

  // The stored preset index of a format, whatever its value.
  int32_t PresetIndex(const TFormatInfo& format) const;
  void SetPresetIndex(const TFormatInfo& format, int32_t index);
  // The entry the format's preset list shows: the stored index when the list
  // has it, else -1 (no entry selected).
  int32_t ListIndex(const TFormatInfo& format) const;
  // Storing a list's selection: its entry index, -1 when none is selected.
  void StoreListIndex(const TFormatInfo& format, int32_t listIndex);

  // The selection the option builder works with.
  TOutputChoice Choice() const;

 private:
  app::AppSettings& settings_;
};

// The settings field that holds a format's preset index.
int32_t& PresetIndexField(app::AppSettings& settings, const TFormatInfo& format);

}  // namespace mediaconv::profiles
