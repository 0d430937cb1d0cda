#include "app/AppSettings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <tuple>

#include "TestFiles.h"
#include "app/IniFile.h"
#include "app/SettingsFolders.h"
#include "app/WindowPosition.h"
#include "support/Fixtures.h"

namespace mediaconv::app {
namespace {

using test::ReadFile;
using test::WriteFile;

// Section "System" as a first run writes it for an audio edition whose
// documents folder is /docs/.
constexpr const char* kFirstRunFile =
    "[System]\n"
    "LastOpenDir=/docs/\n"
    "OutputFileDir=/docs/\n"
    "OutputURLDir=/docs/\n"
    "OutputFormatClass=2\n"
    "OutputAudioFormat=1\n"
    "OutputVideoFormat=6\n"
    "OutputDeviceFormat=3\n"
    "OutputWAVPreset=3\n"
    "OutputMP3Preset=2\n"
    "OutputWMAPreset=1\n"
    "OutputOGGPreset=3\n"
    "OutputM4APreset=0\n"
    "OutputAACPreset=3\n"
    "OutputFLACPreset=5\n"
    "OutputMP2Preset=0\n"
    "OutputAVIPreset=3\n"
    "OutputMP4Preset=3\n"
    "OutputFLVPreset=1\n"
    "OutputSWFPreset=1\n"
    "OutputMPEGPreset=5\n"
    "OutputRMPreset=1\n"
    "OutputWMVPreset=16\n"
    "OutputMOVPreset=7\n"
    "Output3GPPreset=2\n"
    "OutputiPodPreset=5\n"
    "OutputiPhonePreset=1\n"
    "OutputAppleTVPreset=1\n"
    "OutputPSPPreset=1\n"
    "OutputBlackBerryPreset=1\n"
    "OutputMobilePhonePreset=1\n"
    "OutputiPadPreset=0\n"
    "PlayASoundWhenFinished=0\n"
    "ShutDownWhenFinished=0\n"
    "PreferYouTubeQuality=1\n"
    "PreferYouTube1=1\n"
    "PreferYouTube2=2\n"
    "PreferYouTube3=3\n"
    "PreferYouTube4=0\n"
    "PreferYouTube5=4\n"
    "PreferYouTube6=5\n"
    "PreferYouTube7=6\n"
    "PreferYouTube18=7\n";

class AppSettingsTest : public ::testing::Test {
 protected:
  AppSettingsTest() {
    edition_.DefaultClass = 2;
    edition_.DefaultAudio = 1;
    edition_.DefaultVideo = 6;
    edition_.DefaultDevice = 3;
  }
  AppSettings Seeded() const {
    AppSettings settings;
    SeedDefaults(settings, edition_, "/docs/");
    return settings;
  }

  EditionProfile edition_;
  std::string folder_ = test::TempFolder("settings");
  std::string file_ = folder_ + "/system.dat";
};

TEST_F(AppSettingsTest, FirstRunWritesEveryKeyWithItsDefaultInOrder) {
  AppSettings settings = Seeded();
  EXPECT_FALSE(LoadSettings(settings, file_));
  EXPECT_EQ(ReadFile(file_), kFirstRunFile);
  EXPECT_EQ(settings.OutputFormatClass, 2);
  EXPECT_EQ(settings.OutputAudioFormat, 1);
  EXPECT_EQ(settings.OutputWMVPreset, 16);
  EXPECT_TRUE(settings.PreferYouTubeQuality);
  EXPECT_EQ(settings.PreferYouTube18, 7);
  EXPECT_EQ(settings.LastOpenDir, "/docs/");
  // The second start finds the file.
  AppSettings again = Seeded();
  EXPECT_TRUE(LoadSettings(again, file_));
}

TEST_F(AppSettingsTest, ReadsValuesOverTheDefaults) {
  WriteFile(file_,
            "[system]\n"
            "lastopendir=/home/u/in/\n"
            "OutputFormatClass=0\n"
            "OutputWMVPreset=4\n"
            "PlayASoundWhenFinished=1\n"
            "PreferYouTubeQuality=0\n"
            "PreferYouTube18=2\n");
  AppSettings settings = Seeded();
  EXPECT_TRUE(LoadSettings(settings, file_));
  EXPECT_EQ(settings.LastOpenDir, "/home/u/in/");
  EXPECT_EQ(settings.OutputFileDir, "/docs/");
  // The edition's default class has no effect once the file holds one.
  EXPECT_EQ(settings.OutputFormatClass, 0);
  EXPECT_EQ(settings.OutputAudioFormat, 1);
  EXPECT_EQ(settings.OutputWMVPreset, 4);
  EXPECT_TRUE(settings.PlayASoundWhenFinished);
  EXPECT_FALSE(settings.PreferYouTubeQuality);
  EXPECT_EQ(settings.PreferYouTube18, 2);
}

TEST_F(AppSettingsTest, AnEditionDefaultClassOutsideTheClassesSeedsVideo) {
  const std::string editionFolder = test::TempFolder("edition");
  WriteFile(EditionFilePath(editionFolder), "[SYSTEM]\nDefaultClass=5\n");
  edition_ = ReadEditionProfile(EditionFilePath(editionFolder));
  AppSettings settings = Seeded();
  EXPECT_FALSE(LoadSettings(settings, file_));
  EXPECT_EQ(settings.OutputFormatClass, 0);
  EXPECT_NE(ReadFile(file_).find("\nOutputFormatClass=0\n"), std::string::npos);
}

TEST_F(AppSettingsTest, QuotedFoldersAreReadWithoutTheirQuotes) {
  WriteFile(file_, "[System]\nOutputFileDir=\"/home/u/My Films/\"\nOutputFormatClass=\"1\"\n");
  AppSettings settings = Seeded();
  EXPECT_TRUE(LoadSettings(settings, file_));
  EXPECT_EQ(settings.OutputFileDir, "/home/u/My Films/");
  EXPECT_EQ(settings.OutputFormatClass, 1);
}

struct TEightBitCase {
  const char* stored;
  int expected;
};

TEST_F(AppSettingsTest, EightBitValuesKeepTheirLowByteAndBadNumbersTheDefault) {
  const TEightBitCase cases[] = {{"258", 2}, {"256", 0}, {"-1", 255},      {"2", 2},
                                 {"two", 2}, {"", 2},    {"9999999999", 2}};
  for (const auto& c : cases) {
    WriteFile(file_,
              std::string("[System]\nOutputFormatClass=") + c.stored + "\nPreferYouTube3=" + c.stored + "\n");
    AppSettings settings = Seeded();
    settings.PreferYouTube3 = 2;
    LoadSettings(settings, file_);
    EXPECT_EQ(settings.OutputFormatClass, c.expected) << c.stored;
    EXPECT_EQ(settings.PreferYouTube3, c.expected) << c.stored;
  }
}

TEST_F(AppSettingsTest, DeletedKeyComesBackWithItsDefaultAtTheNextSave) {
  WriteFile(file_, kFirstRunFile);
  std::string text = ReadFile(file_);
  text.erase(text.find("OutputMP3Preset=2\n"), 18);
  text.replace(text.find("OutputWAVPreset=3"), 17, "OutputWAVPreset=4");
  WriteFile(file_, text);

  AppSettings settings = Seeded();
  ASSERT_TRUE(LoadSettings(settings, file_));
  EXPECT_EQ(settings.OutputMP3Preset, 2);
  EXPECT_EQ(settings.OutputWAVPreset, 4);
  SaveSettings(settings, file_);
  EXPECT_EQ(TIniFile(file_).ReadString("System", "OutputMP3Preset", ""), "2");
}

TEST_F(AppSettingsTest, SaveKeepsOtherSectionsAndForeignLines) {
  WriteFile(file_, "; mine\n[Form]\nx=10\n[System]\nOutputWAVPreset=1\nMyKey=kept\n");
  AppSettings settings = Seeded();
  settings.OutputWAVPreset = 4;
  settings.OutputFileDir = "/out/";
  SaveSettings(settings, file_);
  const std::string text = ReadFile(file_);
  EXPECT_TRUE(
      text.starts_with("; mine\n[Form]\nx=10\n[System]\nOutputWAVPreset=4\nMyKey=kept\nLastOpenDir=/docs/\n"))
      << text;
  AppSettings reread = Seeded();
  LoadSettings(reread, file_);
  EXPECT_EQ(reread.OutputFileDir, "/out/");
  EXPECT_EQ(reread.OutputWAVPreset, 4);
}

TEST_F(AppSettingsTest, SaveFailureThrows) {
  EXPECT_THROW(SaveSettings(Seeded(), folder_ + "/missing/system.dat"), std::runtime_error);
  AppSettings settings = Seeded();
  EXPECT_THROW(LoadSettings(settings, folder_ + "/missing/system.dat"), std::runtime_error);
}

TEST(SettingsFolders, AppDataFolderFollowsXdgConfigHome) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"/x/cfg", "/home/u", "/x/cfg/"},
      {"/x/cfg/", "/home/u", "/x/cfg/"},
      {"relative/cfg", "/home/u", "/home/u/.config/"},
      {"", "/home/u/", "/home/u/.config/"},
      {"", "", "/"},
  };
  for (const auto& [xdg, home, expected] : cases) EXPECT_EQ(AppDataFolderFor(xdg, home), expected) << xdg;
}

TEST(SettingsFolders, AppDataFolderReadsTheEnvironment) {
  const std::string config = test::TempFolder("xdg");
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  EXPECT_EQ(AppDataFolder(), config + "/");
  if (old)
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST(SettingsFolders, DocumentsFolderFromUserDirsThenDocumentsThenHome) {
  const std::string home = test::TempFolder("home");
  const std::string config = home + "/.config/";
  std::filesystem::create_directories(config);
  // No documents folder anywhere: home itself.
  EXPECT_EQ(DocumentsFolderFor(config, home, ""), home + "/");
  std::filesystem::create_directory(home + "/Documents");
  EXPECT_EQ(DocumentsFolderFor(config, home, ""), home + "/Documents/");
  // The environment counts when user-dirs.dirs does not say.
  std::filesystem::create_directory(home + "/FromEnv");
  EXPECT_EQ(DocumentsFolderFor(config, home, home + "/FromEnv"), home + "/FromEnv/");
  std::filesystem::create_directory(home + "/Dokumente");
  WriteFile(config + "user-dirs.dirs",
            "# written by xdg-user-dirs-update\n"
            "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
            "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
  EXPECT_EQ(DocumentsFolderFor(config, home, home + "/FromEnv"), home + "/Dokumente/");
  // A folder that does not exist, or home itself, does not count.
  WriteFile(config + "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Gone\"\n");
  EXPECT_EQ(DocumentsFolderFor(config, home, ""), home + "/Documents/");
  WriteFile(config + "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/\"\n");
  EXPECT_EQ(DocumentsFolderFor(config, home, ""), home + "/Documents/");
  // Absolute paths and escapes.
  std::filesystem::create_directory(home + "/My \"Docs\"");
  WriteFile(config + "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"" + home + "/My \\\"Docs\\\"\"\n");
  EXPECT_EQ(DocumentsFolderFor(config, home, ""), home + "/My \"Docs\"/");
}

TEST(SettingsFolders, UnreadableHomeGivesTheRoot) {
  // No usable folder is no folder, never the root.
  EXPECT_EQ(DocumentsFolderFor("/nonexistent/.config/", "/nonexistent", ""), "");
  EXPECT_EQ(DocumentsFolderFor("/", "", ""), "");
  EXPECT_EQ(DocumentsFolderFor("/.config/", "/", ""), "");
}

TEST(SettingsFolders, EditionNameNamesTheFolderWithSlashesAsSpaces) {
  const std::string appData = test::TempFolder("appdata") + "/";
  const std::string folder = SettingsFolder(appData, "AC/DC Converter/2");
  EXPECT_EQ(folder, appData + "AC DC Converter 2/");
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_EQ(SettingsFileName(folder), appData + "AC DC Converter 2/system.dat");
  // An existing folder is used as it is.
  EXPECT_EQ(SettingsFolder(appData, "AC/DC Converter/2"), folder);
}

TEST(SettingsFolders, FolderThatCannotBeCreatedFallsBackToAppData) {
  const std::string appData = test::TempFolder("appdata");
  WriteFile(appData + "/Blocked", "a file in the way");
  EXPECT_EQ(SettingsFolder(appData, "Blocked"), appData + "/");
  // Names that would leave the application-data folder or not name a folder.
  for (const char* name : {"", ".", ".."}) EXPECT_EQ(SettingsFolder(appData, name), appData + "/") << name;
  EXPECT_EQ(SettingsFolder(appData, "../x"), appData + "/.. x/");
}

TEST(SettingsFolders, MissingConfigHomeIsCreated) {
  const std::string appData = test::TempFolder("appdata") + "/deeper/config";
  EXPECT_EQ(SettingsFolder(appData, "Pelmora"), appData + "/Pelmora/");
  EXPECT_TRUE(std::filesystem::is_directory(appData + "/Pelmora"));
}

struct TClampCase {
  TWindowGeometry stored;
  int left;
  int top;
};

TEST(WindowPosition, ClampingKeepsTheWindowOnTheScreen) {
  const TClampCase cases[] = {
      {{5000, 0, 772, 547, false}, 1148, 0},
      {{100, 200, 772, 547, false}, 100, 200},
      {{-40, -10, 772, 547, false}, 0, 0},
      {{1500, 900, 772, 547, false}, 1148, 533},
      {{300, 300, 4000, 3000, false}, 0, 0},  // larger than the screen
      {{1900, 10, -500, 547, false}, 1900, 10},
      {{INT_MAX, INT_MAX, INT_MAX, INT_MAX, true}, 0, 0},
      {{INT_MIN, INT_MIN, INT_MIN, INT_MIN, false}, 0, 0},
  };
  for (const auto& c : cases) {
    const TWindowPlacement placed = ClampWindowPosition(c.stored, 1920, 1080);
    EXPECT_EQ(placed.left, c.left) << c.stored.x << "," << c.stored.y << " " << c.stored.width;
    EXPECT_EQ(placed.top, c.top) << c.stored.x << "," << c.stored.y << " " << c.stored.width;
    EXPECT_EQ(placed.maximized, c.stored.maximized);
  }
}

TEST(WindowPosition, SectionsRoundTripAndMissingValuesKeepTheCurrentOnes) {
  const std::string file = test::TempFolder("geometry") + "/system.dat";
  WriteFile(file, "[System]\nOutputWAVPreset=4\n");
  SaveWindowPosition("Form", {5000, 20, 772, 547, false}, file);
  SaveWindowPosition("FormLog", {10, 20, 300, 200, true}, file);
  EXPECT_EQ(ReadFile(file),
            "[System]\nOutputWAVPreset=4\n"
            "[Form]\nx=5000\ny=20\nheight=547\nwidth=772\nmaximized=0\n"
            "[FormLog]\nx=10\ny=20\nheight=200\nwidth=300\nmaximized=1\n");

  const TWindowGeometry current{1, 2, 772, 547, false};
  const TWindowPlacement form = RestoreWindowPosition("form", current, 1920, 1080, file);
  EXPECT_EQ(form.left, 1148);
  EXPECT_EQ(form.top, 20);
  EXPECT_FALSE(form.maximized);
  EXPECT_TRUE(RestoreWindowPosition("FORMLOG", current, 1920, 1080, file).maximized);

  const TWindowGeometry none = ReadWindowGeometry("Missing", current, file);
  EXPECT_EQ(std::tuple(none.x, none.y, none.width, none.height, none.maximized),
            std::tuple(1, 2, 772, 547, false));
  WriteFile(file, "[Form]\nx=abc\ny=30\n");
  const TWindowGeometry partial = ReadWindowGeometry("Form", current, file);
  EXPECT_EQ(std::tuple(partial.x, partial.y, partial.width), std::tuple(1, 30, 772));
}

}  // namespace
}  // namespace mediaconv::app
