#include <gtest/gtest.h>

#include <random>

#include "TestFiles.h"
#include "app/AppSettings.h"
#include "app/EditionProfile.h"
#include "app/IniFile.h"
#include "app/WindowPosition.h"
#include "support/Fixtures.h"

namespace mediaconv::app {
namespace {

using test::ReadFile;
using test::WriteFile;

std::string Garbage(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

AppSettings Seeded() {
  AppSettings settings;
  EditionProfile edition;
  edition.DefaultClass = 1;
  SeedDefaults(settings, edition, "/docs/");
  return settings;
}

// Values unlike every default, so that a read that fell back shows.
AppSettings Changed() {
  AppSettings settings = Seeded();
  settings.LastOpenDir = "/in/";
  settings.OutputURLDir = "/videos/";
  settings.OutputFormatClass = 2;
  settings.OutputMP3Preset = 3;
  settings.OutputWMVPreset = 9;
  settings.ShutDownWhenFinished = true;
  settings.PreferYouTubeQuality = false;
  settings.PreferYouTube18 = 1;
  return settings;
}

bool SameSettings(const AppSettings& a, const AppSettings& b) {
  return a.LastOpenDir == b.LastOpenDir && a.OutputFileDir == b.OutputFileDir &&
         a.OutputURLDir == b.OutputURLDir && a.OutputFormatClass == b.OutputFormatClass &&
         a.OutputMP3Preset == b.OutputMP3Preset && a.OutputWMVPreset == b.OutputWMVPreset &&
         a.OutputiPadPreset == b.OutputiPadPreset && a.ShutDownWhenFinished == b.ShutDownWhenFinished &&
         a.PreferYouTubeQuality == b.PreferYouTubeQuality && a.PreferYouTube1 == b.PreferYouTube1 &&
         a.PreferYouTube18 == b.PreferYouTube18;
}

struct TDamage {
  const char* what;
  std::string bytes;
};

std::vector<TDamage> DamagedFiles() {
  const std::string longLine(1 << 20, 'A');
  return {
      {"binary garbage", Garbage(64 * 1024, 1)},
      {"garbage with line breaks", Garbage(4096, 2) + "\n\r\n" + Garbage(4096, 3)},
      {"one line of a megabyte", longLine},
      {"a megabyte line inside the section",
       "[System]\n" + longLine + "\nOutputMP3Preset=" + longLine + "\n"},
      {"a megabyte key", "[System]\n" + longLine + "=5\n"},
      {"a megabyte section name", "[" + longLine + "]\nOutputMP3Preset=3\n"},
      {"other sections only", "[Form]\nx=1\n[FormLog]\ny=2\n"},
      {"section header never closed", "[System\n"},
      {"cut short", "[System]\nOutputMP3Pres"},
      {"bad numbers", "[System]\nOutputMP3Preset=three\nOutputFormatClass=\nPreferYouTube18=0x\n"},
      {"NUL bytes", std::string("[Sys\0tem]\nOutputMP3Preset=3\n", 28)},
      {"empty", ""},
      {"larger than any settings file", std::string(17 << 20, '\n') + "[System]\nOutputMP3Preset=3\n"},
  };
}

TEST(DamagedFiles, SettingsReadAsDefaultsAndSavingGivesAValidFile) {
  const std::string folder = test::TempFolder("damaged");
  for (const auto& damage : DamagedFiles()) {
    SCOPED_TRACE(damage.what);
    const std::string file = folder + "/system.dat";
    WriteFile(file, damage.bytes);
    AppSettings loaded = Seeded();
    EXPECT_TRUE(LoadSettings(loaded, file));
    EXPECT_TRUE(SameSettings(loaded, Seeded()));

    SaveSettings(Changed(), file);
    SaveWindowPosition("Form", {10, 20, 772, 547, true}, file);
    AppSettings reread = Seeded();
    EXPECT_TRUE(LoadSettings(reread, file));
    EXPECT_TRUE(SameSettings(reread, Changed()));
    const TWindowGeometry form = ReadWindowGeometry("Form", {}, file);
    EXPECT_EQ(form.x, 10);
    EXPECT_EQ(form.width, 772);
    EXPECT_TRUE(form.maximized);
    EXPECT_EQ(test::EntryCount(folder), 1);
  }
}

TEST(DamagedFiles, EditionFileReadsAsDefaults) {
  const std::string folder = test::TempFolder("damaged");
  for (const auto& damage : DamagedFiles()) {
    SCOPED_TRACE(damage.what);
    WriteFile(EditionFilePath(folder), damage.bytes);
    const EditionProfile edition = ReadEditionProfile(EditionFilePath(folder));
    EXPECT_EQ(edition.Name, "");
    EXPECT_TRUE(edition.Download);
    EXPECT_EQ(edition.Skin, 0);
    EXPECT_EQ(edition.Formats, TFormatFlags{});
    EXPECT_EQ(edition.DefaultClass, 0);
    EXPECT_FALSE(edition.Merge);
  }
}

TEST(DamagedFiles, ReadableValuesSurviveAroundDamage) {
  const std::string folder = test::TempFolder("damaged");
  const std::string file = folder + "/system.dat";
  WriteFile(file, Garbage(8192, 4) + "\n[System]\nOutputMP3Preset=3\n" + std::string(1 << 20, 'x') +
                      "\nOutputWMVPreset=9\nOutputWAVPreset=bad\n");
  AppSettings settings = Seeded();
  ASSERT_TRUE(LoadSettings(settings, file));
  EXPECT_EQ(settings.OutputMP3Preset, 3);
  EXPECT_EQ(settings.OutputWMVPreset, 9);
  EXPECT_EQ(settings.OutputWAVPreset, 3);
}

}  // namespace
}  // namespace mediaconv::app
