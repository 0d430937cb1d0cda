#pragma once
#include <string>

namespace mediaconv::app {

inline constexpr const char* kMainWindowSection = "Form";
inline constexpr const char* kLogWindowSection = "FormLog";

struct TWindowGeometry {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool maximized = false;
};

struct TWindowPlacement {
  int left = 0;
  int top = 0;
  bool maximized = false;
};

// One geometry section of a settings file; each missing or unreadable value
// keeps the window's current one.
TWindowGeometry ReadWindowGeometry(const std::string& section, const TWindowGeometry& current,
                                   const std::string& file);

// Keeps a stored window on the screen: width and height are cut to the
// screen, the window is moved left and up until it fits, then right and down
// to the screen's edge. Width and height only serve the clamping; a window
// keeps its own size.
TWindowPlacement ClampWindowPosition(const TWindowGeometry& stored, int screenWidth, int screenHeight);

// The placement a window takes from its geometry section.
TWindowPlacement RestoreWindowPosition(const std::string& section, const TWindowGeometry& current,
                                       int screenWidth, int screenHeight, const std::string& file);

// Writes "x", "y", "height", "width" and "maximized" of one window, keeping
// the rest of the file. Throws std::runtime_error when it cannot be written.
void SaveWindowPosition(const std::string& section, const TWindowGeometry& window, const std::string& file);

}  // namespace mediaconv::app
