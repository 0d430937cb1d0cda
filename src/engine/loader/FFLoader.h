#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace mediaconv::engine {

// The media libraries the loader knows, in loading order: each library's own
// dependencies come before it, so dlopen resolves them to the copies already
// loaded (from the lib folder when they were found there).
enum TLibraryKind : int {
  lkAvutil,
  lkSwresample,
  lkSwscale,
  lkAvcodec,
  lkAvformat,
  lkAvfilter,
  lkAvdevice,  // known but never loaded: nothing in the system needs it
  lkSDL,       // likewise
  kLibraryKindCount
};

using TLibrarySet = std::uint16_t;

// A loaded library as the program reports it: its name ("libavcodec"), the
// version the library itself reports ("59.37.100") and the file that dlopen
// resolved.
struct TLoadedLibrary {
  TLibraryKind Kind;
  std::string Name;
  std::string Version;
  std::string Path;
};

constexpr TLibrarySet LibrarySet(TLibraryKind kind) { return TLibrarySet(1u << kind); }
constexpr TLibrarySet AllLibraries = TLibrarySet((1u << kLibraryKindCount) - 1);
constexpr TLibrarySet EngineLibraries =
    TLibrarySet(AllLibraries & ~LibrarySet(lkAvdevice) & ~LibrarySet(lkSDL));

// Process-wide: finds, loads and binds the media libraries. Used on the main
// thread at start-up and shutdown only, so it takes no lock.
class TFFLoader {
 public:
  static TFFLoader& Instance();

  // Folder searched first; empty means the system search by soname only.
  void SetLibraryPath(const std::string& folder) { libraryPath_ = folder; }
  const std::string& LibraryPath() const { return libraryPath_; }

  bool LoadLibraries(TLibrarySet set);
  void UnloadLibraries(TLibrarySet set);
  bool LibraryLoaded(TLibraryKind kind) const;
  bool LibrariesLoaded(TLibrarySet set) const;
  const std::string& LastErrorText() const { return lastErrorText_; }
  // The libraries of set that are loaded, in loading order.
  std::vector<TLoadedLibrary> LoadedLibraries(TLibrarySet set) const;

  // "libavcodec.so.59": the name of a library with the major version of the
  // headers we build against.
  static std::string LibraryFileName(TLibraryKind kind);

  TFFLoader(const TFFLoader&) = delete;
  TFFLoader& operator=(const TFFLoader&) = delete;

 private:
  TFFLoader() = default;
  ~TFFLoader();

  struct TLibraryStatus {
    void* handle = nullptr;
    bool bound = false;
  };

  bool LoadLibrary(TLibraryKind kind);
  void UnloadLibrary(TLibraryKind kind);
  std::string ResolvePath(const std::string& fileName) const;

  TLibraryStatus status_[kLibraryKindCount];
  std::string libraryPath_;
  std::string lastErrorText_;
};

}  // namespace mediaconv::engine
