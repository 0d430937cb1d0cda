#include "app/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>

#include "TestFiles.h"
#include "support/Fixtures.h"

namespace mediaconv::app {
namespace {

using test::ReadFile;
using test::WriteFile;

class IniFileTest : public ::testing::Test {
 protected:
  std::string folder_ = test::TempFolder("ini");
  std::string file_ = folder_ + "/settings.ini";
};

TEST_F(IniFileTest, MatchesSectionsAndKeysWithoutRegardToCase) {
  WriteFile(file_,
            "; comment=1\n"
            "top=outside\n"
            "[ System ]\n"
            "  LastOpenDir =  /home/u/films/  \n"
            "OutputWAVPreset=4\n"
            "[system]\n"
            "OutputWAVPreset=9\n");
  const TIniFile ini(file_);
  EXPECT_TRUE(ini.Loaded());
  EXPECT_EQ(ini.ReadString("SYSTEM", "lastopendir", "x"), "/home/u/films/");
  // The first occurrence of a section and of a key wins.
  EXPECT_EQ(ini.ReadInteger("System", "outputwavpreset", 0), 4);
  // Keys before the first section and comment lines belong to no section.
  EXPECT_EQ(ini.ReadString("System", "top", "none"), "none");
  EXPECT_EQ(ini.ReadString("System", "; comment", "none"), "none");
  EXPECT_FALSE(ini.ValueExists("Other", "OutputWAVPreset"));
}

TEST_F(IniFileTest, MissingFileGivesDefaults) {
  const TIniFile ini(folder_ + "/none.ini");
  EXPECT_FALSE(ini.Loaded());
  EXPECT_EQ(ini.ReadString("System", "Name", "def"), "def");
  EXPECT_EQ(ini.ReadInteger("System", "x", -7), -7);
  EXPECT_TRUE(ini.ReadBool("System", "b", true));
}

struct TIntegerCase {
  const char* text;
  std::optional<int32_t> value;
};

TEST(IniFileParse, IntegersParseOrGiveNothing) {
  const TIntegerCase cases[] = {
      {"12", 12},
      {"  7 ", 7},
      {"-3", -3},
      {"+4", 4},
      {"0x1F", 31},
      {"$10", 16},
      {"$FFFFFFFF", -1},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"0x100000000", std::nullopt},
      {"12abc", std::nullopt},
      {"1.5", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"0x", std::nullopt},
      {"abc", std::nullopt},
      {"1 2", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TIniFile::ParseInteger(c.text), c.value) << "text: '" << c.text << "'";
}

TEST_F(IniFileTest, UnparsableIntegersAndBooleansGiveTheirDefaults) {
  WriteFile(file_, "[S]\nnum=12abc\nempty=\nbig=4294967296\nt=2\nneg=-1\nf=0\nword=yes\n");
  const TIniFile ini(file_);
  EXPECT_EQ(ini.ReadInteger("S", "num", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "empty", 6), 6);
  EXPECT_EQ(ini.ReadInteger("S", "big", 7), 7);
  EXPECT_TRUE(ini.ReadBool("S", "t", false));
  EXPECT_TRUE(ini.ReadBool("S", "neg", false));
  EXPECT_FALSE(ini.ReadBool("S", "f", true));
  EXPECT_TRUE(ini.ReadBool("S", "word", true));
  EXPECT_FALSE(ini.ReadBool("S", "word", false));
  // An empty value is a value for strings.
  EXPECT_EQ(ini.ReadString("S", "empty", "def"), "");
}

TEST_F(IniFileTest, ValuesLoseOnePairOfSurroundingDoubleQuotes) {
  const std::pair<const char*, const char*> cases[] = {
      {"\"Pelmora\"", "Pelmora"}, {"  \"a b\"  ", "a b"}, {"\"\"", ""},
      {"\"\"x\"\"", "\"x\""},     {"\"a\"b\"", "a\"b"},   {"\"", "\""},
      {"\"open", "\"open"},       {"close\"", "close\""}, {"'single'", "'single'"},
      {"mid\"dle", "mid\"dle"},
  };
  for (const auto& [stored, expected] : cases) {
    WriteFile(file_, std::string("[S]\nv=") + stored + "\n");
    EXPECT_EQ(TIniFile(file_).ReadString("S", "v", "def"), expected) << stored;
  }
  WriteFile(file_, "[S]\nn=\"42\"\nb=\"0\"\nbad=\"4\"2\"\n");
  const TIniFile ini(file_);
  EXPECT_EQ(ini.ReadInteger("S", "n", 0), 42);
  EXPECT_FALSE(ini.ReadBool("S", "b", true));
  EXPECT_EQ(ini.ReadInteger("S", "bad", 7), 7);
}

TEST_F(IniFileTest, RewritesOneKeyInPlaceAndKeepsEveryOtherLine) {
  WriteFile(file_,
            "; hand-written notes\n"
            "[System]\n"
            "OutputWAVPreset=4\n"
            "Unknown = kept as is \n"
            "\n"
            "[Form]\n"
            "x=10\n");
  TIniFile ini(file_);
  ini.WriteInteger("SYSTEM", "outputwavpreset", 2);  // the file's spelling of the key stays
  ini.WriteString("System", "LastOpenDir", "/a/");   // new key: end of its section, before the blank line
  ini.WriteBool("FormLog", "maximized", true);       // new section: end of file
  ini.UpdateFile();
  EXPECT_EQ(ReadFile(file_),
            "; hand-written notes\n"
            "[System]\n"
            "OutputWAVPreset=2\n"
            "Unknown = kept as is \n"
            "LastOpenDir=/a/\n"
            "\n"
            "[Form]\n"
            "x=10\n"
            "[FormLog]\n"
            "maximized=1\n");
}

TEST_F(IniFileTest, KeepsWindowsLineBreaks) {
  WriteFile(file_, "[System]\r\nA=1\r\nB=2");
  TIniFile ini(file_);
  EXPECT_EQ(ini.ReadInteger("System", "A", 0), 1);
  EXPECT_EQ(ini.ReadInteger("System", "B", 0), 2);
  ini.WriteInteger("System", "A", 3);
  ini.WriteInteger("System", "C", 4);
  ini.UpdateFile();
  EXPECT_EQ(ReadFile(file_), "[System]\r\nA=3\r\nB=2\r\nC=4\r\n");
}

TEST_F(IniFileTest, LineBreaksInsideAValueCannotPlantKeys) {
  TIniFile ini(file_);
  ini.WriteString("System", "LastOpenDir", "/a\n[Other]\nShutDownWhenFinished=1\r/");
  ini.UpdateFile();
  const TIniFile reread(file_);
  EXPECT_FALSE(reread.SectionExists("Other"));
  EXPECT_EQ(reread.ReadString("System", "LastOpenDir", ""), "/a [Other] ShutDownWhenFinished=1 /");
}

TEST_F(IniFileTest, WritesAtomicallyLeavingNoTemporaryFileAndKeepingTheMode) {
  WriteFile(file_, "[System]\nA=1\n");
  ::chmod(file_.c_str(), 0640);
  TIniFile ini(file_);
  ini.WriteInteger("System", "A", 2);
  ini.UpdateFile();
  EXPECT_EQ(test::EntryCount(folder_), 1);
  struct stat info {};
  ASSERT_EQ(::stat(file_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(TIniFile(file_).ReadInteger("System", "A", 0), 2);
}

TEST_F(IniFileTest, WritesThroughASymbolicLink) {
  const std::string real = folder_ + "/real.ini";
  WriteFile(real, "[System]\nA=1\n");
  std::filesystem::create_symlink(real, file_);
  TIniFile ini(file_);
  ini.WriteInteger("System", "A", 5);
  ini.UpdateFile();
  EXPECT_TRUE(std::filesystem::is_symlink(file_));
  EXPECT_EQ(ReadFile(real), "[System]\nA=5\n");
}

TEST_F(IniFileTest, WriteFailureThrowsNamingTheFile) {
  const std::string missing = folder_ + "/no/such/folder/system.dat";
  TIniFile ini(missing);
  ini.WriteInteger("System", "A", 1);
  try {
    ini.UpdateFile();
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find(missing), std::string::npos) << error.what();
  }
  EXPECT_EQ(test::EntryCount(folder_), 0);
}

TEST_F(IniFileTest, FolderOrFifoInPlaceOfTheFileReadsAsMissing) {
  std::filesystem::create_directory(file_);
  EXPECT_FALSE(TIniFile(file_).Loaded());
  const std::string fifo = folder_ + "/fifo.ini";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const TIniFile fromFifo(fifo);  // must not wait for a writer
  EXPECT_FALSE(fromFifo.Loaded());
  EXPECT_EQ(fromFifo.ReadInteger("System", "A", 3), 3);
}

}  // namespace
}  // namespace mediaconv::app
