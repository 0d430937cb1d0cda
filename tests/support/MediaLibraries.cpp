#include "support/MediaLibraries.h"

#include "engine/loader/FFLoader.h"

namespace mediaconv::test {

bool LoadMediaLibraries(std::string& reason) {
  engine::TFFLoader& loader = engine::TFFLoader::Instance();
  if (loader.LoadLibraries(engine::EngineLibraries)) return true;
  reason = loader.LastErrorText();
  return false;
}

}  // namespace mediaconv::test
