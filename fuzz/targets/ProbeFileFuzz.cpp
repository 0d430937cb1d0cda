// The prober opening and describing any bytes as a media file.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "engine/log/FFLogger.h"
#include "engine/prober/FFDecoder.h"

using namespace mediaconv::engine;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  mediaconv::fuzz::LoadMediaLibrariesOnce();
  TFFLogger::DefaultLogger().SetLogLevel(llQuiet);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const mediaconv::fuzz::TMemoryFile file(data, size);
  if (file.Path().empty()) return 0;
  TFFDecoder decoder;
  if (!decoder.LoadFile(file.Path())) return 0;
  TFileStreamInfo info;
  decoder.GetFileStreamInfo(info);
  TAudioStreamInfo audio;
  TVideoStreamInfo video;
  for (int index = -1; index < decoder.StreamCount(); ++index) {
    decoder.GetAudioStreamInfo(index, audio);
    decoder.GetVideoStreamInfo(index, video);
  }
  decoder.CloseFile();
  return 0;
}
