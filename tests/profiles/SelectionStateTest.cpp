#include "profiles/SelectionState.h"

#include <gtest/gtest.h>

#include "app/AppSettings.h"
#include "app/IniFile.h"
#include "support/Fixtures.h"

namespace mediaconv::profiles {
namespace {

app::AppSettings FirstRunSettings() {
  app::EditionProfile edition;
  edition.DefaultClass = kClassVideo;
  edition.DefaultVideo = 6;
  edition.DefaultDevice = 0;
  edition.DefaultAudio = 1;
  app::AppSettings settings;
  app::SeedDefaults(settings, edition, "/home/u/Documents/");
  return settings;
}

TEST(SelectionState, FirstRunShowsTheCatalogueDefaults) {
  app::AppSettings settings = FirstRunSettings();
  const TSelectionState selection(settings);
  // The settings store seeds the same default indices as the catalogue.
  for (const TFormatInfo& format : AllFormats())
    EXPECT_EQ(selection.PresetIndex(format), format.DefaultPreset) << format.Name;

  const TFormatInfo& wmv = *FindFormatByName("WMV");
  EXPECT_EQ(selection.ListIndex(wmv), 16);
  EXPECT_EQ(wmv.Captions[selection.ListIndex(wmv)], "Windows Media Video 9 Standard Quality");
  const TFormatInfo& flac = *FindFormatByName("FLAC");
  EXPECT_EQ(flac.Captions[selection.ListIndex(flac)], "Compression Level 5 (Default)");
  EXPECT_EQ(selection.ListIndex(*FindFormatByName("iPad")), 0);

  const TOutputChoice choice = selection.Choice();
  EXPECT_EQ(choice.ClassId, kClassVideo);
  EXPECT_EQ(choice.FormatId, 6);
  EXPECT_EQ(choice.PresetIndex, 16);
  EXPECT_EQ(choice.OutputFolder, "/home/u/Documents/");
}

TEST(SelectionState, EachClassKeepsItsFormat) {
  app::AppSettings settings = FirstRunSettings();
  TSelectionState selection(settings);
  selection.SelectClass(kClassAudio);
  selection.SelectFormat(kClassAudio, 1);
  selection.SelectClass(kClassVideo);
  selection.SelectClass(kClassAudio);
  EXPECT_EQ(selection.SelectedFormat(kClassAudio), FindFormatByName("MP3"));

  selection.SelectClass(kClassDevice);
  selection.SelectFormat(kClassDevice, 3);
  selection.SelectClass(kClassVideo);
  selection.SelectFormat(kClassVideo, 0);
  EXPECT_EQ(selection.ClassId(), kClassVideo);
  EXPECT_EQ(selection.FormatId(kClassDevice), 3);
  EXPECT_EQ(selection.FormatId(kClassVideo), 0);
  EXPECT_EQ(selection.FormatId(kClassAudio), 1);
  EXPECT_EQ(settings.OutputDeviceFormat, 3);
  EXPECT_EQ(settings.OutputFormatClass, kClassVideo);
}

TEST(SelectionState, EachFormatKeepsItsPreset) {
  app::AppSettings settings = FirstRunSettings();
  TSelectionState selection(settings);
  const TFormatInfo& mp3 = *FindFormatByName("MP3");
  const TFormatInfo& wma = *FindFormatByName("WMA");
  selection.StoreListIndex(mp3, 3);
  EXPECT_EQ(selection.PresetIndex(mp3), 3);
  EXPECT_EQ(selection.PresetIndex(wma), 1);
  selection.SelectClass(kClassAudio);
  selection.SelectFormat(kClassAudio, 1);
  EXPECT_EQ(selection.Choice().PresetIndex, 3);
  selection.SelectFormat(kClassAudio, 2);
  EXPECT_EQ(selection.Choice().PresetIndex, 1);
}

TEST(SelectionState, IndexOutsideTheListShowsNoEntryAndStoresMinusOne) {
  app::AppSettings settings = FirstRunSettings();
  settings.OutputiPhonePreset = 7;
  TSelectionState selection(settings);
  const TFormatInfo& iphone = *FindFormatByName("iPhone");
  EXPECT_EQ(selection.PresetIndex(iphone), 7);  // kept as stored until the page is left
  EXPECT_EQ(selection.ListIndex(iphone), -1);
  selection.StoreListIndex(iphone, selection.ListIndex(iphone));
  EXPECT_EQ(settings.OutputiPhonePreset, -1);
  settings.OutputiPhonePreset = -5;
  EXPECT_EQ(selection.ListIndex(iphone), -1);
  selection.StoreListIndex(iphone, 3);  // beyond the list: no entry
  EXPECT_EQ(settings.OutputiPhonePreset, -1);
  selection.StoreListIndex(iphone, 2);
  EXPECT_EQ(settings.OutputiPhonePreset, 2);
}

TEST(SelectionState, FormatIdOutOfRangeSelectsNothingButIsHandedOn) {
  app::AppSettings settings = FirstRunSettings();
  settings.OutputVideoFormat = 12;
  settings.OutputFormatClass = kClassVideo;
  TSelectionState selection(settings);
  EXPECT_EQ(selection.SelectedFormat(kClassVideo), nullptr);
  EXPECT_EQ(selection.Choice().FormatId, 12);
  EXPECT_EQ(selection.Choice().PresetIndex, -1);

  settings.OutputFormatClass = 5;
  EXPECT_EQ(selection.Choice().ClassId, 5);
  EXPECT_EQ(selection.Choice().FormatId, -1);
  EXPECT_EQ(selection.FormatId(5), -1);
  selection.SelectFormat(5, 1);  // no such class: nothing changes
  EXPECT_EQ(settings.OutputVideoFormat, 12);
}

// The field behind each format is the one saved under the format's key.
TEST(SelectionState, PresetIndicesAreSavedUnderTheirFormatsKeys) {
  app::AppSettings settings = FirstRunSettings();
  TSelectionState selection(settings);
  for (const TFormatInfo& format : AllFormats())
    selection.SetPresetIndex(format, 100 + format.CatalogueIndex);
  for (const TClassInfo& outputClass : OutputClasses())
    selection.SelectFormat(outputClass.ClassId, static_cast<uint8_t>(40 + outputClass.ClassId));
  selection.SelectClass(kClassDevice);

  const std::string file = test::TempFolder("settings") + "/system.dat";
  app::SaveSettings(settings, file);
  const app::TIniFile ini(file);
  for (const TFormatInfo& format : AllFormats())
    EXPECT_EQ(ini.ReadInteger(app::kSettingsSection, std::string(format.SettingsKey), -1),
              100 + format.CatalogueIndex)
        << format.SettingsKey;
  for (const TClassInfo& outputClass : OutputClasses())
    EXPECT_EQ(ini.ReadInteger(app::kSettingsSection, std::string(outputClass.FormatSettingsKey), -1),
              40 + outputClass.ClassId);
  EXPECT_EQ(ini.ReadInteger(app::kSettingsSection, std::string(kClassSettingsKey), -1), kClassDevice);
}

}  // namespace
}  // namespace mediaconv::profiles
