// The INI store reading any text, then reading and rewriting keys in it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "app/IniFile.h"

using mediaconv::app::TIniFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const mediaconv::fuzz::TMemoryFile file(data, size);
  if (file.Path().empty()) return 0;
  TIniFile ini(file.Path());
  // Names taken from the input's own first line reach the sections and keys
  // it holds, not only fixed ones.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string firstLine = text.substr(0, text.find('\n'));
  for (const std::string& section : {std::string("SYSTEM"), std::string("Settings"), firstLine}) {
    ini.SectionExists(section);
    ini.ReadString(section, "Name", "default");
    ini.ReadInteger(section, "Skin", 7);
    ini.ReadBool(section, firstLine, true);
  }
  TIniFile::ParseInteger(firstLine);
  ini.WriteString("Settings", "Folder", "/tmp/out");
  ini.WriteInteger(firstLine, "Count", -5);
  ini.WriteBool("SYSTEM", firstLine, true);
  const std::string rewritten = ini.Text();
  // What was written reads back.
  if (ini.ReadString("Settings", "Folder", "") != "/tmp/out") __builtin_trap();
  (void)rewritten;
  return 0;
}
