#pragma once
// Legacy frame hooks ("vhook"): shared modules that process every decoded
// picture. A module exports, with C linkage:
//   int  Configure(void** context, int argc, char* argv[]);   // 0: success
//   void Process(void* context, uint8_t* data[4], int linesize[4],
//                int pixelFormat, int width, int height, int64_t pts);
//   void Release(void* context);                              // optional
// pixelFormat is the library's AVPixelFormat; pts is in microseconds.
#include <cstdint>
#include <string>
#include <vector>

namespace mediaconv::engine {

class TFrameHookChain {
 public:
  TFrameHookChain() = default;
  TFrameHookChain(const TFrameHookChain&) = delete;
  TFrameHookChain& operator=(const TFrameHookChain&) = delete;
  ~TFrameHookChain() { Release(); }

  // words: the module file, then its arguments (all handed to Configure).
  // On failure returns false with the reason in error.
  bool Add(const std::vector<std::string>& words, std::string& error);
  bool Empty() const { return hooks_.empty(); }
  // Every hook in the order added.
  void Process(uint8_t* data[4], int linesize[4], int pixelFormat, int width, int height, int64_t pts);
  // Calls each hook's Release and empties the chain.
  void Release();

 private:
  using TConfigure = int (*)(void**, int, char**);
  using TProcess = void (*)(void*, uint8_t**, int*, int, int, int, int64_t);
  using TRelease = void (*)(void*);
  struct THook {
    void* context = nullptr;
    TProcess process = nullptr;
    TRelease release = nullptr;
  };
  std::vector<THook> hooks_;
};

}  // namespace mediaconv::engine
