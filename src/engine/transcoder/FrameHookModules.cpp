#include "engine/transcoder/FrameHookModules.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

#include "engine/transcoder/TextFormat.h"

namespace mediaconv::engine {
namespace {

// A module is loaded once for the process and stays loaded: hooks of
// several tasks may use it.
void* LoadModule(const std::string& file, std::string& error) {
  static std::mutex lock;
  static std::map<std::string, void*> loaded;
  std::scoped_lock guard(lock);
  if (auto found = loaded.find(file); found != loaded.end()) return found->second;
  void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* text = ::dlerror();
    error = text ? text : file;
    return nullptr;
  }
  loaded.emplace(file, handle);
  return handle;
}

}  // namespace

bool TFrameHookChain::Add(const std::vector<std::string>& words, std::string& error) {
  if (words.empty()) return false;
  const std::string& file = words.front();
  void* module = LoadModule(file, error);
  if (!module) return false;
  THook hook;
  hook.process = reinterpret_cast<TProcess>(::dlsym(module, "Process"));
  if (!hook.process) {
    error = TextFormat("Failed to find Process entrypoint in %s\n", file.c_str());
    return false;
  }
  const auto configure = reinterpret_cast<TConfigure>(::dlsym(module, "Configure"));
  hook.release = reinterpret_cast<TRelease>(::dlsym(module, "Release"));
  if (!configure && words.size() > 1) {
    error = TextFormat("Failed to find Configure entrypoint in %s\n", file.c_str());
    return false;
  }
  if (configure) {
    std::vector<std::string> copies(words);
    std::vector<char*> argv;
    for (std::string& word : copies) argv.push_back(word.data());
    argv.push_back(nullptr);
    if (configure(&hook.context, int(words.size()), argv.data()) != 0) {
      error = TextFormat("Failed to Configure %s\n", file.c_str());
      return false;
    }
  }
  hooks_.push_back(hook);
  return true;
}

void TFrameHookChain::Process(uint8_t* data[4], int linesize[4], int pixelFormat, int width, int height,
                              int64_t pts) {
  for (const THook& hook : hooks_)
    hook.process(hook.context, data, linesize, pixelFormat, width, height, pts);
}

void TFrameHookChain::Release() {
  for (const THook& hook : hooks_)
    if (hook.release) hook.release(hook.context);
  hooks_.clear();
}

}  // namespace mediaconv::engine
