// One conversion through the transcoder core on the calling thread, the way a
// task runs: bench_transcode <input> <output> [option lines separated by ';'].
#include <iostream>
#include <string>

#include "engine/loader/FFLoader.h"
#include "engine/transcoder/CustomFFmpeg.h"

using namespace mediaconv::engine;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: bench_transcode <input> <output> [name=value;name=value...]\n";
    return 2;
  }
  if (!TFFLoader::Instance().LoadLibraries(EngineLibraries)) {
    std::cerr << TFFLoader::Instance().LastErrorText() << "\n";
    return 1;
  }
  std::string options = argc > 3 ? argv[3] : "";
  for (char& c : options)
    if (c == ';') c = '\n';
  bool failed = false;
  std::string error;
  try {
    TCustomFFmpeg core;
    core.ApplyInputOptionText(argv[1], "", TInputFields{});
    core.ApplyOutputOptionText(argv[2], false, options, TOutputFields{});
    core.OnEnd = [&](TCustomFFmpeg& sender) {
      failed = sender.Failed() || !sender.Completed();
      error = sender.ErrorMessage();
    };
    core.Start(false);
  } catch (const std::exception& e) {
    failed = true;
    error = e.what();
  }
  if (failed) std::cerr << "bench_transcode: " << error << "\n";
  return failed ? 1 : 0;
}
