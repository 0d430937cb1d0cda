#pragma once
#include <string>

namespace mediaconv::test {

// Loads the engine's media libraries into the process; false with the
// loader's reason. Loading again is cheap.
bool LoadMediaLibraries(std::string& reason);

}  // namespace mediaconv::test
