#include "app/WindowPosition.h"

#include <algorithm>
#include <cstdint>

#include "app/IniFile.h"

namespace mediaconv::app {

TWindowGeometry ReadWindowGeometry(const std::string& section, const TWindowGeometry& current,
                                   const std::string& file) {
  const TIniFile ini(file);
  TWindowGeometry stored;
  stored.maximized = ini.ReadBool(section, "maximized", false);
  stored.x = ini.ReadInteger(section, "x", current.x);
  stored.y = ini.ReadInteger(section, "y", current.y);
  stored.height = ini.ReadInteger(section, "height", current.height);
  stored.width = ini.ReadInteger(section, "width", current.width);
  return stored;
}

TWindowPlacement ClampWindowPosition(const TWindowGeometry& stored, int screenWidth, int screenHeight) {
  // 64-bit so that a damaged file's extreme values cannot overflow; a
  // negative size counts as none, which would otherwise push the window
  // beyond the right or bottom edge.
  const int64_t width = std::clamp<int64_t>(stored.width, 0, std::max(screenWidth, 0));
  const int64_t height = std::clamp<int64_t>(stored.height, 0, std::max(screenHeight, 0));
  int64_t x = stored.x;
  int64_t y = stored.y;
  if (x + width > screenWidth) x = screenWidth - width;
  if (y + height > screenHeight) y = screenHeight - height;
  x = std::max<int64_t>(x, 0);
  y = std::max<int64_t>(y, 0);
  return {static_cast<int>(x), static_cast<int>(y), stored.maximized};
}

TWindowPlacement RestoreWindowPosition(const std::string& section, const TWindowGeometry& current,
                                       int screenWidth, int screenHeight, const std::string& file) {
  return ClampWindowPosition(ReadWindowGeometry(section, current, file), screenWidth, screenHeight);
}

void SaveWindowPosition(const std::string& section, const TWindowGeometry& window, const std::string& file) {
  TIniFile ini(file);
  ini.WriteInteger(section, "x", window.x);
  ini.WriteInteger(section, "y", window.y);
  ini.WriteInteger(section, "height", window.height);
  ini.WriteInteger(section, "width", window.width);
  ini.WriteBool(section, "maximized", window.maximized);
  ini.UpdateFile();
}

}  // namespace mediaconv::app
