#include "app/EditionProfile.h"

#include "app/FileNameHelpers.h"
#include "app/IniFile.h"

namespace mediaconv::app {

bool EditionProfile::Offers(TFormatClass formatClass, uint8_t id) const {
  const int index = FormatFlagIndex(formatClass, id);
  return index >= 0 && Formats[static_cast<size_t>(index)];
}

std::string EditionFilePath(const std::string& exeFolder) {
  return WithTrailingSeparator(exeFolder) + kEditionFileName;
}

EditionProfile ReadEditionProfile(const std::string& editionFile) {
  const TIniFile ini(editionFile);
  const char* const s = kEditionSection;
  EditionProfile edition;
  edition.Name = ini.ReadString(s, "Name", "");
  edition.Version = ini.ReadString(s, "Version", "");
  edition.Copyright = ini.ReadString(s, "Copyright", "");
  edition.Download = ini.ReadBool(s, "Download", true);
  edition.Res = ini.ReadString(s, "Res", "");
  edition.Skin = TIniFile::ParseInteger(ini.ReadString(s, "Skin", "0")).value_or(0);
  for (size_t i = 0; i < kFormatFlags.size(); ++i)
    edition.Formats[i] = ini.ReadBool(s, std::string(kFormatFlags[i].editionKey), false);
  // Only 1 and 2 name a class of their own; any other byte is video, stored
  // as 0 so that every reader (and the first settings file) agrees.
  edition.DefaultClass = FormatClassOf(static_cast<uint8_t>(ini.ReadInteger(s, "DefaultClass", 0)));
  edition.DefaultVideo = static_cast<uint8_t>(ini.ReadInteger(s, "DefaultVideo", 0));
  edition.DefaultDevice = static_cast<uint8_t>(ini.ReadInteger(s, "DefaultDevice", 0));
  edition.DefaultAudio = static_cast<uint8_t>(ini.ReadInteger(s, "DefaultAudio", 0));
  edition.Merge = ini.ReadBool(s, "Merge", false);
  return edition;
}

std::string SkinFolder(const std::string& exeFolder, const EditionProfile& edition) {
  return WithTrailingSeparator(exeFolder) + "sounds/res" + edition.Res + "/";
}

}  // namespace mediaconv::app
