#include "engine/loader/FFLoader.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <span>

#include "engine/loader/Av.h"
#include "engine/log/FFLogger.h"

namespace mediaconv::engine {
namespace {

struct TEntrySlot {
  const char* name;
  void* slot;  // address of the function pointer in namespace av
};

#define MEDIACONV_ENTRY_SLOT(name) TEntrySlot{#name, static_cast<void*>(&av::name)},
constexpr TEntrySlot kAvutilEntries[] = {MEDIACONV_AVUTIL_ENTRIES(MEDIACONV_ENTRY_SLOT)};
constexpr TEntrySlot kSwresampleEntries[] = {MEDIACONV_SWRESAMPLE_ENTRIES(MEDIACONV_ENTRY_SLOT)};
constexpr TEntrySlot kSwscaleEntries[] = {MEDIACONV_SWSCALE_ENTRIES(MEDIACONV_ENTRY_SLOT)};
constexpr TEntrySlot kAvcodecEntries[] = {MEDIACONV_AVCODEC_ENTRIES(MEDIACONV_ENTRY_SLOT)};
constexpr TEntrySlot kAvformatEntries[] = {MEDIACONV_AVFORMAT_ENTRIES(MEDIACONV_ENTRY_SLOT)};
constexpr TEntrySlot kAvfilterEntries[] = {MEDIACONV_AVFILTER_ENTRIES(MEDIACONV_ENTRY_SLOT)};
#undef MEDIACONV_ENTRY_SLOT

struct TLibraryItem {
  TLibraryKind kind;
  const char* baseName;
  int version;  // soname major; -1: the file name carries none
  std::span<const TEntrySlot> entries;
};

constexpr TLibraryItem kLibraryTable[kLibraryKindCount] = {
    {lkAvutil, "avutil", LIBAVUTIL_VERSION_MAJOR, kAvutilEntries},
    {lkSwresample, "swresample", LIBSWRESAMPLE_VERSION_MAJOR, kSwresampleEntries},
    {lkSwscale, "swscale", LIBSWSCALE_VERSION_MAJOR, kSwscaleEntries},
    {lkAvcodec, "avcodec", LIBAVCODEC_VERSION_MAJOR, kAvcodecEntries},
    {lkAvformat, "avformat", LIBAVFORMAT_VERSION_MAJOR, kAvformatEntries},
    {lkAvfilter, "avfilter", LIBAVFILTER_VERSION_MAJOR, kAvfilterEntries},
    {lkAvdevice, "avdevice", LIBAVFORMAT_VERSION_MAJOR, {}},
    {lkSDL, "SDL2-2.0", 0, {}},
};

void SetEntry(const TEntrySlot& entry, void* symbol) {
  // POSIX guarantees that data and function pointers have the same size.
  std::memcpy(entry.slot, &symbol, sizeof symbol);
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string DlError() {
  const char* text = ::dlerror();
  std::string message = text ? text : "unknown error";
  // As the message ends a sentence of ours: no trailing blanks, breaks or full stops.
  while (!message.empty() && (std::iscntrl(static_cast<unsigned char>(message.back())) ||
                              message.back() == ' ' || message.back() == '.'))
    message.pop_back();
  return message;
}

}  // namespace

TFFLoader& TFFLoader::Instance() {
  static TFFLoader loader;
  return loader;
}

TFFLoader::~TFFLoader() { UnloadLibraries(AllLibraries); }

std::string TFFLoader::LibraryFileName(TLibraryKind kind) {
  const TLibraryItem& item = kLibraryTable[kind];
  std::string name = std::string("lib") + item.baseName + ".so";
  if (item.version >= 0) name += "." + std::to_string(item.version);
  return name;
}

std::string TFFLoader::ResolvePath(const std::string& fileName) const {
  if (libraryPath_.empty()) return fileName;
  std::string folder = libraryPath_;
  if (folder.back() != '/') folder += '/';
  const std::string path = folder + fileName;
  return IsRegularFile(path) ? path : fileName;
}

bool TFFLoader::LoadLibrary(TLibraryKind kind) {
  TLibraryStatus& status = status_[kind];
  const std::string fileName = LibraryFileName(kind);
  if (!status.handle) {
    const std::string path = ResolvePath(fileName);
    // NODELETE: the libraries and their dependencies keep process-wide state
    // (log callback, static tables) that must outlive a release of the handle.
    status.handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!status.handle) {
      lastErrorText_ = "Load library " + path + " error: " + DlError();
      return false;
    }
  }
  if (status.bound) return true;
  for (const TEntrySlot& entry : kLibraryTable[kind].entries) {
    ::dlerror();
    void* symbol = ::dlsym(status.handle, entry.name);
    if (!symbol) {
      lastErrorText_ = std::string("Load function ") + entry.name + "@" + fileName + " error: " + DlError();
      return false;
    }
    SetEntry(entry, symbol);
  }
  status.bound = true;
  // The libraries' log lines reach the logger from the moment avutil is bound.
  if (kind == lkAvutil) TFFLogger::HookLibraryLog();
  return true;
}

void TFFLoader::UnloadLibrary(TLibraryKind kind) {
  TLibraryStatus& status = status_[kind];
  if (status.bound) {
    for (const TEntrySlot& entry : kLibraryTable[kind].entries) SetEntry(entry, nullptr);
    status.bound = false;
  }
  if (status.handle) {
    ::dlclose(status.handle);
    status.handle = nullptr;
  }
}

bool TFFLoader::LoadLibraries(TLibrarySet set) {
  for (int kind = 0; kind < kLibraryKindCount; ++kind) {
    if (!(set & LibrarySet(TLibraryKind(kind)))) continue;
    if (!LoadLibrary(TLibraryKind(kind))) {
      UnloadLibraries(set);
      return false;
    }
  }
  return true;
}

void TFFLoader::UnloadLibraries(TLibrarySet set) {
  // Reverse order: a library goes before those it depends on.
  for (int kind = kLibraryKindCount - 1; kind >= 0; --kind)
    if (set & LibrarySet(TLibraryKind(kind))) UnloadLibrary(TLibraryKind(kind));
}

bool TFFLoader::LibraryLoaded(TLibraryKind kind) const { return status_[kind].handle && status_[kind].bound; }

bool TFFLoader::LibrariesLoaded(TLibrarySet set) const {
  for (int kind = 0; kind < kLibraryKindCount; ++kind)
    if ((set & LibrarySet(TLibraryKind(kind))) && !LibraryLoaded(TLibraryKind(kind))) return false;
  return true;
}

std::vector<TLoadedLibrary> TFFLoader::LoadedLibraries(TLibrarySet set) const {
  std::vector<TLoadedLibrary> result;
  for (int index = 0; index < kLibraryKindCount; ++index) {
    const auto kind = TLibraryKind(index);
    void* handle = status_[kind].handle;
    if (!(set & LibrarySet(kind)) || !handle) continue;
    const TLibraryItem& item = kLibraryTable[kind];
    TLoadedLibrary library{kind, std::string("lib") + item.baseName, "", ""};
    // Every media library exports "<base>_version"; the one actually loaded
    // may be newer than the headers we were built with.
    const std::string versionSymbol = std::string(item.baseName) + "_version";
    if (void* symbol = ::dlsym(handle, versionSymbol.c_str())) {
      unsigned (*versionFunction)() = nullptr;
      std::memcpy(&versionFunction, &symbol, sizeof symbol);
      const unsigned version = versionFunction();
      library.Version = std::to_string(version >> 16) + "." + std::to_string((version >> 8) & 0xff) + "." +
                        std::to_string(version & 0xff);
    }
    link_map* map = nullptr;
    if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name) {
      std::error_code error;
      const auto canonical = std::filesystem::weakly_canonical(map->l_name, error);
      library.Path = error ? std::string(map->l_name) : canonical.string();
    }
    result.push_back(std::move(library));
  }
  return result;
}

}  // namespace mediaconv::engine
